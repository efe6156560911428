// The settings commands on an unseen record of the main window's form.
#include "app/settings_values.h"

#include <algorithm>

#include "app/settings_commands.h"
#include "app/settings_file.h"
#include "app/status_line.h"
#include "platform/window_record.h"
#include "res/ids.h"
#include "res/templates.h"
#include "settings/conversions.h"

namespace kvr {
namespace {

// A Read's values as the form's controls give them back: texts as long as
// a field is read.
ShownSettings ShownAsRead(ShownSettings shown) {
    for (FieldValue& value : shown.form.values) {
        value.text.resize(std::min(value.text.size(), kFieldChars));
    }
    shown.maxFrequency.resize(std::min(shown.maxFrequency.size(), kFieldChars));
    return shown;
}

}  // namespace

SettingsValues::SettingsValues(Program& p) : p_(p), form_(std::make_unique<WindowRecord>()) {
    // The controls as the main window opens them.
    for (const int control : res::DisabledControls(res::MainWindowTemplateId(p.lang))) {
        form_->Enable(control, false);
    }
    FillSettingsLists(p, *form_);
}

SettingsValues::~SettingsValues() {
    // The status line goes with the form.
    if (p_.app.statusWindow == form_.get()) p_.app.statusWindow = nullptr;
}

Outcome SettingsValues::Read() {
    form_->SetText(id::kFullSpeedTime, "");
    WindowStatus status(*form_);
    const SettingsRead read = ReadSettingsValues(p_, status);
    // Load and Write still work on the form's controls.
    ShowSettingsRead(p_, *form_, read);
    read_.reset();
    if (read.outcome == Outcome::Done) read_ = read.shown;
    return read.outcome;
}

Outcome SettingsValues::Load(const std::string& path) {
    read_.reset();
    return LoadSettingsFile(p_, *form_, path);
}

Outcome SettingsValues::Write(WriteMode mode) {
    WindowStatus status(*form_);
    return WriteSettings(p_, status, Shown().form, mode);
}

Outcome SettingsValues::Save(const std::string& path) {
    return SaveSettingsFile(p_, Shown(), path);
}

Outcome SettingsValues::List(std::vector<std::string>& lines) {
    return ListSettings(p_, Shown(), lines);
}

Outcome SettingsValues::Compare(const std::string& path, std::vector<std::string>& differences) {
    return CompareSettingsFile(p_, Shown(), path, differences);
}

ShownSettings SettingsValues::Shown() {
    ShownSettings shown = read_ ? ShownAsRead(*read_) : ShownSettingsOf(*form_);
    // The form is no one's window: boxes have no owner.
    shown.owner = nullptr;
    return shown;
}

}  // namespace kvr
