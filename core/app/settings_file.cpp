// The settings files of the form: Save, Load, List and Compare, with their messages.
#include "app/settings_file.h"

#include <optional>

#include "app/settings_apply.h"
#include "app/settings_commands.h"
#include "app/settings_form_io.h"
#include "files/atomic_write.h"
#include "files/open_file.h"
#include "res/captions.h"
#include "res/ids.h"
#include "res/settings_file_texts.h"
#include "settings/conversions.h"
#include "settings/settings_text.h"

namespace kvr {
namespace {

void ShowError(Program& p, Window* owner, const std::string& text) {
    p.host.MessageBox(owner, text, std::string(p.T(texts::kCaptionError)), MessageButtons::Ok);
}

// The whole form as a file holds it; problem set when a field holds no
// number or a value no file may hold.
SettingsJson FormSettings(Program& p, const SettingsForm& form, std::string& problem) {
    std::optional<Field> notANumber;
    SettingsJson settings = FormToJson(form, notANumber);
    if (notANumber) {
        problem = Fill(p.T(texts::kSettingsFieldNoNumber),
                       {LabelOf(p, ControlOf(*notANumber)), form[*notANumber].text});
        return settings;
    }
    // A form value that no file may hold (a negative count, say) would make
    // a file that cannot be loaded again.
    FileValues values;
    problem = CheckFileSettings(p, settings, values);
    return settings;
}

// Reads a file for Load or Compare; false after the refusal's message.
bool ReadFileShown(Program& p, Window* owner, const std::string& path, SettingsDocument& file) {
    const std::string problem = ReadSettingsDocument(p, path, file);
    if (problem.empty()) return true;
    ShowError(p, owner, Fill(p.T(texts::kSettingsNotLoaded), {path, problem}));
    return false;
}

// The form after a Read, for Save and List; false after the message (no
// Read yet, a value no file may hold).
bool ReadFormShown(Program& p, const ShownSettings& shown, SettingsJson& settings) {
    if (SettingsReadGate(p) != Outcome::Done) return false;
    std::string problem;
    settings = FormSettings(p, shown.form, problem);
    if (problem.empty()) return true;
    ShowError(p, shown.owner, problem);
    return false;
}

// The file dialog's request for settings files.
template <typename Request>
Request SettingsFileRequest(Program& p, const Text& title) {
    Request request;
    request.filterDescription = std::string(p.T(texts::kSettingsFilesFilter));
    request.filterPattern = std::string(texts::kSettingsFilePattern);
    request.title = std::string(p.T(title));
    return request;
}

}  // namespace

ShownSettings ShownSettingsOf(Window& w) {
    return {ReadForm(w), w.GetText(id::kMaxFrequency, kFieldChars), &w};
}

Outcome SaveSettingsFile(Program& p, const ShownSettings& shown, const std::string& path) {
    SettingsJson settings;
    if (!ReadFormShown(p, shown, settings)) return Outcome::Failed;
    const std::optional<long long> hz = WholeInteger(Trim(shown.maxFrequency));
    if (!WriteFileReplacing(PathFromUtf8(path),
                            SettingsFileText(settings, p.settings.versionText, hz))) {
        ShowError(p, shown.owner, Fill(p.T(texts::kSettingsWriteFailed), {path}));
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Outcome SaveSettingsFile(Program& p, Window& w, const std::string& path) {
    return SaveSettingsFile(p, ShownSettingsOf(w), path);
}

Outcome ListSettings(Program& p, const ShownSettings& shown, std::vector<std::string>& lines) {
    SettingsJson settings;
    if (!ReadFormShown(p, shown, settings)) return Outcome::Failed;
    lines.push_back(std::string(kSettingsControllerVersionKey) + " = " + p.settings.versionText);
    for (const auto& [name, value] : settings.items()) {
        lines.push_back(name + " = " + ShownValue(value));
    }
    return Outcome::Done;
}

Outcome ListSettings(Program& p, Window& w, std::vector<std::string>& lines) {
    return ListSettings(p, ShownSettingsOf(w), lines);
}

Outcome CompareSettingsFile(Program& p, const ShownSettings& shown, const std::string& path,
                            std::vector<std::string>& differences) {
    if (SettingsReadGate(p) != Outcome::Done) return Outcome::Refused;
    SettingsDocument file;
    if (!ReadFileShown(p, shown.owner, path, file)) return Outcome::Refused;
    std::string problem;
    const SettingsJson form = FormSettings(p, shown.form, problem);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!file.values[i]) continue;
        const std::string name(SettingsFields()[i].name);
        const SettingsJson& shown = form[name];
        if (*file.values[i] == shown) continue;
        differences.push_back(name + ": file " + ShownValue(*file.values[i]) + ", controller " +
                              ShownValue(shown));
    }
    return Outcome::Done;
}

Outcome CompareSettingsFile(Program& p, Window& w, const std::string& path,
                            std::vector<std::string>& differences) {
    return CompareSettingsFile(p, ShownSettingsOf(w), path, differences);
}

Outcome LoadSettingsFile(Program& p, ShownSettings& shown, const std::string& path,
                         const std::function<void(const BatteryEditing&)>& loaded) {
    // The controller's features and version decide what applies.
    if (SettingsReadGate(p) != Outcome::Done) return Outcome::Refused;
    SettingsDocument file;
    if (!ReadFileShown(p, shown.owner, path, file)) return Outcome::Refused;
    const AppliedFile applied = ApplyFileValues(p, shown.form, file.values);
    if (loaded) loaded(applied.editing);
    const std::vector<std::string>& leftOut = applied.leftOut;

    std::vector<std::string> missing;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!file.values[i]) missing.emplace_back(SettingsFields()[i].name);
    }
    const std::string madeFor = file.MadeFor();
    const bool otherController = !madeFor.empty() && madeFor != p.settings.versionText;
    if (leftOut.empty() && missing.empty() && !otherController) return Outcome::Done;

    std::string report = Fill(p.T(texts::kSettingsLoadedFrom), {path});
    if (otherController) {
        report +=
            "\n" + Fill(p.T(texts::kSettingsOtherController), {madeFor, p.settings.versionText});
    }
    if (!leftOut.empty()) report += "\n" + Fill(p.T(texts::kSettingsLeftOut), {JoinNames(leftOut)});
    if (!missing.empty()) {
        report += "\n" + Fill(p.T(texts::kSettingsNotInFile), {JoinNames(missing)});
    }
    p.host.MessageBox(shown.owner, report, std::string(p.T(texts::kCaptionWarningColon)),
                      MessageButtons::Ok);
    return Outcome::Done;
}

Outcome LoadSettingsFile(Program& p, Window& w, const std::string& path) {
    ShownSettings shown = ShownSettingsOf(w);
    const SettingsForm before = shown.form;
    return LoadSettingsFile(p, shown, path, [&](const BatteryEditing& editing) {
        ShowFormChanges(w, before, shown.form, editing);
    });
}

void SaveSettingsCommand(Program& p, Window& w) {
    if (SettingsReadGate(p) != Outcome::Done) return;
    auto request = SettingsFileRequest<SaveFileRequest>(p, texts::kSaveSettingsTitle);
    request.defaultExtension = std::string(texts::kSettingsFileExtension);
    const std::string path = p.host.ChooseSaveFile(request);
    if (path.empty()) return;
    (void)SaveSettingsFile(p, w, path);
}

void LoadSettingsCommand(Program& p, Window& w) {
    if (SettingsReadGate(p) != Outcome::Done) return;
    const std::string path =
        p.host.ChooseOpenFile(SettingsFileRequest<OpenFileRequest>(p, texts::kLoadSettingsTitle));
    if (path.empty()) return;
    (void)LoadSettingsFile(p, w, path);
}

}  // namespace kvr
