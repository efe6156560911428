#include "settings/settings_file.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <span>
#include <string_view>
#include <system_error>

#include "files/open_file.h"
#include "res/ids.h"
#include "res/settings_file_texts.h"
#include "res/settings_texts.h"
#include "res/templates.h"
#include "settings/conversions.h"
#include "settings/settings_commands.h"
#include "settings/settings_image.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;

// Keeps the names in the order written, so a saved file reads like the form.
using Json = nlohmann::ordered_json;

enum class Kind {
    Time,    // a pulse time in ms
    Volts,   // the fixed threshold
    Byte,    // a plain number of one byte
    Check,   // a check box: true or false
    List,    // a list's entry by name, null for none
    Radios,  // the checked radio of a group by name, null for none
};

struct Choice {
    std::string_view name;
    int control = 0;  // the radio button; 0 for a list entry
    int feature = 0;  // the FeatureFlags bit the controller needs for it
};

struct FieldDef {
    std::string_view name;
    Kind kind;
    int control = 0;  // field, check box or list; 0 for a radio group
    int width = 0;    // digits a Byte field shows
    std::span<const Choice> choices = {};
    int feature = 0;  // the FeatureFlags bit the controller needs for it
};

constexpr Choice kBrakeChoices[] = {{"off"}, {"hard"}, {"medium"}, {"soft"}};
constexpr Choice kTimingChoices[] = {{"0"}, {"7.5"}, {"15"}, {"22.5"}, {"30"}, {"auto"}};
constexpr Choice kLowVoltageChoices[] = {{"ignore", id::kLvIgnore},
                                         {"reducePower", id::kLvReducePower},
                                         {"switchOff", id::kLvSwitchOff}};
constexpr Choice kBatteryChoices[] = {
    {"nicd", id::kBatteryNicd}, {"lipo", id::kBatteryLipo}, {"fixed", id::kBatteryFix}};
constexpr Choice kFrequencyChoices[] = {{"7.8kHz", id::kFreq78},
                                        {"15.6kHz", id::kFreq156, kFeatFreq156}};

constexpr std::string_view kRpmControlName = "rpmControl";
constexpr std::string_view kLowVoltageName = "lowVoltage";
constexpr std::string_view kBatteryName = "battery";
constexpr std::string_view kLipoCellsName = "lipoCells";
constexpr std::string_view kThresholdName = "thresholdVolts";

// Every settings control of the main window. The names are the file's
// interface: never rename one.
constexpr FieldDef kFields[] = {
    {"fullSpeedMs", Kind::Time, id::kFullSpeedTime},
    {"neutralMs", Kind::Time, id::kNeutralTime},
    {"stopMs", Kind::Time, id::kStopTime},
    {"acceleration", Kind::Byte, id::kAcceleration, 3},
    {"startupPower", Kind::Byte, id::kStartupPower, 3},
    {"emfBrake", Kind::List, id::kBrakeList, 0, kBrakeChoices},
    {"timing", Kind::List, id::kTimingList, 0, kTimingChoices},
    {kRpmControlName, Kind::Check, id::kRpmControl, 0, {}, kFeatRpmControl},
    {"overtempProtection", Kind::Check, id::kOvertempProtection},
    {"rpmLimit", Kind::Check, id::kRpmLimit},
    {"freeWheeling", Kind::Check, id::kFreeWheeling, 0, {}, kFeatFreeWheeling},
    {"forwardReverse", Kind::Check, id::kForwardReverse, 0, {}, kFeatForwardReverse},
    {"turbo", Kind::Check, id::kTurbo},
    {kLowVoltageName, Kind::Radios, 0, 0, kLowVoltageChoices},
    {kBatteryName, Kind::Radios, 0, 0, kBatteryChoices},
    {kLipoCellsName, Kind::Byte, id::kLipoCells, 2},
    {kThresholdName, Kind::Volts, id::kThresholdVolts},
    {"frequency", Kind::Radios, 0, 0, kFrequencyChoices},
    {"logTransmitterFailure", Kind::Byte, id::kLogTransmitter, 2},
    {"logOvertemperature", Kind::Byte, id::kLogOvertemp, 2},
    {"logUndervoltage", Kind::Byte, id::kLogUndervoltage, 2},
};
constexpr std::size_t kFieldCount = std::size(kFields);

// What a value can be at all: a time fits the controller's 16 bits, a
// threshold a code 1..254, a number its byte. Whether the controller takes
// it is Write's question.
constexpr double kMaxTimeMs = 32.76;
constexpr double kMaxVolts = 26.7;
constexpr int kMaxByte = 255;

// Names of the file around the settings.
constexpr const char* kFormatKey = "format";
constexpr const char* kFormatVersionKey = "formatVersion";
constexpr const char* kProgramVersionKey = "programVersion";
constexpr const char* kSavedKey = "saved";
constexpr const char* kControllerVersionKey = "controllerVersion";
constexpr const char* kMaxFrequencyKey = "maxFrequencyHz";
constexpr const char* kSettingsKey = "settings";

// A settings file is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

// The file's settings by field, after every check; nullopt where a name is
// missing.
using Values = std::array<std::optional<Json>, kFieldCount>;

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

// The whole text as a number, with a decimal comma taken as a point.
std::optional<double> WholeNumber(std::string text) {
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) text[comma] = '.';
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<long long> WholeInteger(const std::string& text) {
    long long value = 0;
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::string Shown(const Json& value) {
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::string ChoiceList(std::span<const Choice> choices) {
    std::string list;
    for (const Choice& c : choices) {
        if (!list.empty()) list += ", ";
        list += std::string(c.name);
    }
    return list;
}

// The label the window shows for a control, on one line.
std::string LabelOf(Program& p, int control) {
    const res::DialogTemplate* t = res::FindTemplate(res::MainWindowTemplateId(p.lang));
    if (t == nullptr) return std::to_string(control);
    for (const res::ControlDef& c : t->controls) {
        if (c.id != control) continue;
        std::string label(p.T(c.label));
        for (char& ch : label) {
            if (ch == '\n') ch = ' ';
        }
        return label;
    }
    return std::to_string(control);
}

std::size_t IndexOf(std::string_view name) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (kFields[i].name == name) return i;
    }
    return kFieldCount;
}

int ChoiceIndex(const FieldDef& f, const std::string& name) {
    for (std::size_t i = 0; i < f.choices.size(); ++i) {
        if (f.choices[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

// One value as the file may hold it; the reason in the user's language
// when it may not.
std::string CheckValue(Program& p, const FieldDef& f, const Json& v) {
    const std::string name(f.name);
    const auto wrongType = [&](const Text& kind) {
        return Fill(p.T(texts::kSettingsWrongType), {name, p.T(kind)});
    };
    const auto outOfRange = [&](std::string_view range) {
        return Fill(p.T(texts::kSettingsOutOfRange), {name, v.dump(), range});
    };
    switch (f.kind) {
        case Kind::Time:
        case Kind::Volts: {
            if (v.is_null()) return {};
            if (!v.is_number()) return wrongType(texts::kKindNumber);
            const double x = v.get<double>();
            const double max = f.kind == Kind::Time ? kMaxTimeMs : kMaxVolts;
            if (!(x >= 0.0 && x <= max)) {
                return outOfRange(f.kind == Kind::Time ? "0 - 32.76" : "0 - 26.7");
            }
            return {};
        }
        case Kind::Byte: {
            if (v.is_null()) return {};
            const bool whole =
                v.is_number_integer() || (v.is_number_float() && std::isfinite(v.get<double>()) &&
                                          std::floor(v.get<double>()) == v.get<double>());
            if (!whole) return wrongType(texts::kKindWholeNumber);
            const double x = v.get<double>();
            if (x < 0 || x > kMaxByte) return outOfRange("0 - 255");
            return {};
        }
        case Kind::Check:
            if (!v.is_boolean()) return wrongType(texts::kKindTrueFalse);
            return {};
        case Kind::List:
        case Kind::Radios:
            if (v.is_null()) return {};
            if (!v.is_string()) return wrongType(texts::kKindName);
            if (ChoiceIndex(f, v.get<std::string>()) < 0) {
                return Fill(p.T(texts::kSettingsNotAChoice),
                            {name, ChoiceList(f.choices), v.dump()});
            }
            return {};
    }
    return {};
}

// The settings object: every name known, every value possible.
std::string CheckSettings(Program& p, const Json& settings, Values& values) {
    if (!settings.is_object()) {
        return Fill(p.T(texts::kSettingsWrongType), {kSettingsKey, p.T(texts::kKindObject)});
    }
    for (const auto& [key, value] : settings.items()) {
        const std::size_t i = IndexOf(key);
        if (i == kFieldCount) return Fill(p.T(texts::kSettingsUnknownName), {key});
        std::string problem = CheckValue(p, kFields[i], value);
        if (!problem.empty()) return problem;
        values[i] = value;
    }
    return {};
}

// The whole document, before anything is used.
std::string CheckDocument(Program& p, const Json& doc, Values& values) {
    if (!doc.is_object() || !doc.contains(kFormatKey) || doc[kFormatKey] != kSettingsFormatName) {
        return std::string(p.T(texts::kSettingsForeign));
    }
    const Json& version = doc.contains(kFormatVersionKey) ? doc[kFormatVersionKey] : Json();
    if (!version.is_number_integer() || version.get<long long>() < 1) {
        return std::string(p.T(texts::kSettingsForeign));
    }
    if (version.get<long long>() > kSettingsFormatVersion) {
        return Fill(p.T(texts::kSettingsNewerFormat), {version.dump()});
    }
    for (const auto& [key, value] : doc.items()) {
        if (key == kFormatKey || key == kFormatVersionKey || key == kSettingsKey) continue;
        if (key == kProgramVersionKey || key == kSavedKey || key == kControllerVersionKey) {
            if (!value.is_string())
                return Fill(p.T(texts::kSettingsWrongType), {key, p.T(texts::kKindText)});
            continue;
        }
        if (key == kMaxFrequencyKey) {
            if (!value.is_null() && !value.is_number()) {
                return Fill(p.T(texts::kSettingsWrongType), {key, p.T(texts::kKindNumber)});
            }
            continue;
        }
        return Fill(p.T(texts::kSettingsUnknownName), {key});
    }
    if (!doc.contains(kSettingsKey)) {
        return Fill(p.T(texts::kSettingsWrongType), {kSettingsKey, p.T(texts::kKindObject)});
    }
    return CheckSettings(p, doc[kSettingsKey], values);
}

// Finds where the parser stopped: the parser's exceptions do not all carry
// a place (a number too large for a double has none).
class ErrorPlace : public nlohmann::json_sax<Json> {
  public:
    std::size_t byte = 0;
    bool numberOverflow = false;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t position, const std::string&, const Json::exception& e) override {
        byte = position;
        numberOverflow = dynamic_cast<const Json::out_of_range*>(&e) != nullptr;
        return false;
    }
};

// Why text is not a JSON document, with the place as a person counts:
// line and column.
std::string NotJsonReason(Program& p, const std::string& text) {
    ErrorPlace place;
    Json::sax_parse(text, &place);
    std::size_t line = 1;
    std::size_t column = 1;
    const std::size_t at = place.byte == 0 ? 0 : std::min<std::size_t>(place.byte - 1, text.size());
    for (std::size_t i = 0; i < at; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    const bool german = p.lang == Language::German;
    const std::string where = (german ? "Zeile " : "line ") + std::to_string(line) +
                              (german ? ", Spalte " : ", column ") + std::to_string(column);
    return Fill(
        p.T(place.numberOverflow ? texts::kSettingsNumberTooLarge : texts::kSettingsNotJson),
        {where});
}

// Reads and checks a file; the reason in the user's language when refused.
std::string ReadDocument(Program& p, const std::string& path, Json& doc, Values& values) {
    std::string text;
    switch (ReadRegularFile(PathFromUtf8(path), kMaxFileBytes, text)) {
        case FileCheck::Regular:
            break;
        case FileCheck::Folder:
        case FileCheck::NotAFile:
            return std::string(p.T(texts::kSettingsNotAFile));
        case FileCheck::TooLarge:
            return std::string(p.T(texts::kSettingsTooLarge));
        case FileCheck::Missing:
        case FileCheck::Unreadable:
            return std::string(p.T(texts::kSettingsCannotOpen));
    }
    // No exceptions: whatever the parser meets ends as one message.
    doc = Json::parse(text, nullptr, false);
    if (doc.is_discarded()) return NotJsonReason(p, text);
    return CheckDocument(p, doc, values);
}

// ------------------------------------------------------------ the form

// The value a control shows, as the file holds it; problem names a field
// whose text is no number.
Json FormValue(Program& p, Window& w, const FieldDef& f, std::string& problem) {
    switch (f.kind) {
        case Kind::Time:
        case Kind::Volts:
        case Kind::Byte: {
            // Write reads as many characters; so does the file.
            const std::string raw = w.GetText(f.control, kFieldChars);
            const std::string text = Trim(raw);
            if (text.empty()) return Json();
            if (f.kind == Kind::Byte) {
                if (const auto n = WholeInteger(text)) return Json(*n);
            } else if (const auto x = WholeNumber(text)) {
                return Json(*x);
            }
            problem = Fill(p.T(texts::kSettingsFieldNoNumber), {LabelOf(p, f.control), raw});
            return Json();
        }
        case Kind::Check:
            return Json(w.IsChecked(f.control));
        case Kind::List: {
            const int index = w.ComboGetSel(f.control);
            if (index < 0 || index >= static_cast<int>(f.choices.size())) return Json();
            return Json(std::string(f.choices[static_cast<std::size_t>(index)].name));
        }
        case Kind::Radios: {
            // As Write reads a group: the last one that is on wins.
            Json value;
            for (const Choice& c : f.choices) {
                if (w.IsChecked(c.control)) value = std::string(c.name);
            }
            return value;
        }
    }
    return Json();
}

// The whole form; problem set (and the result incomplete) when a field
// holds no number or a value no file may hold.
Json FormSettings(Program& p, Window& w, std::string& problem) {
    Json settings = Json::object();
    for (const FieldDef& f : kFields) {
        settings[std::string(f.name)] = FormValue(p, w, f, problem);
        if (!problem.empty()) return settings;
    }
    // A form value that no file may hold (a negative count, say) would make
    // a file that cannot be loaded again.
    Values values;
    problem = CheckSettings(p, settings, values);
    return settings;
}

std::string Today() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day ymd{day};
    const hh_mm_ss time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::string ProgramVersionText() {
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(kProgramVersion));
    return text;
}

// The file a name leads to: Save writes through a symbolic link to its
// target and keeps the link. Empty for a loop of links.
fs::path FollowLinks(fs::path path) {
    constexpr int kMaxLinks = 40;
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) return {};
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return {};
}

// A file of our own next to the target, under a name nobody else uses: it
// is created only where no file of that name exists.
std::FILE* CreateTempBeside(const fs::path& target, fs::path& temp) {
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.kvrsetup-tmp", device());
        temp = target.parent_path() / ("." + target.filename().string() + suffix);
        if (std::FILE* file = CreateNewFile(temp)) return file;
        std::error_code ec;
        // A name that is free but cannot be created: the folder refuses.
        if (!fs::exists(fs::symlink_status(temp, ec))) return nullptr;
    }
    return nullptr;
}

// Writes a temporary file next to the target and renames it over the
// target: a crash or a full disk leaves either the old file or the new one.
bool WriteReplacing(const fs::path& path, const std::string& content) {
    const fs::path target = FollowLinks(path);
    if (target.empty()) return false;
    const FileCheck existing = CheckRegularFile(target);
    if (existing != FileCheck::Regular && existing != FileCheck::Missing) return false;
    fs::path temp;
    std::FILE* file = CreateTempBeside(target, temp);
    if (file == nullptr) return false;
    bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    std::error_code ec;
    if (written && existing == FileCheck::Regular) {
        // The new file keeps who may read the old one.
        fs::permissions(temp, fs::status(target, ec).permissions(), ec);
    }
    if (written) fs::rename(temp, target, ec);
    if (!written || ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

void ShowError(Program& p, Window& w, const std::string& text) {
    p.os.host.MessageBox(&w, text, std::string(p.T(texts::kCaptionError)), MessageButtons::Ok);
}

// The text a field shows for a file's number: the form's own format when it
// says the same, the number as written otherwise.
std::string FieldText(const FieldDef& f, const Json& v) {
    if (v.is_null()) return {};
    if (f.kind == Kind::Byte) {
        return SmallNumberText(static_cast<int>(v.get<double>()), f.width);
    }
    const double x = v.get<double>();
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", f.kind == Kind::Time ? 2 : 1, x);
    if (const auto back = WholeNumber(text); back && *back == x) return text;
    return Json(x).dump();
}

// Puts one radio group's choice into the form as a click would.
void ClickRadio(Program& p, Window& w, const FieldDef& f, const Json& v) {
    const int chosen = v.is_null() ? -1 : ChoiceIndex(f, v.get<std::string>());
    for (std::size_t i = 0; i < f.choices.size(); ++i) {
        w.SetCheck(f.choices[i].control, static_cast<int>(i) == chosen);
    }
    if (chosen >= 0)
        HandleSettingsControl(p, w, f.choices[static_cast<std::size_t>(chosen)].control);
}

struct Applier {
    Program& p;
    Window& w;
    const Values& values;
    std::vector<std::string> leftOut;

    const std::optional<Json>& ValueOf(std::string_view name) const {
        return values[IndexOf(name)];
    }
    const FieldDef& Def(std::string_view name) const { return kFields[IndexOf(name)]; }
    bool Has(int feature) const { return feature == 0 || (p.settings.features & feature) != 0; }

    // Whether the file's value can go into the form; notes it when the
    // controller lacks what the file asks for.
    bool Applies(const FieldDef& f, const Json& v) {
        if (f.kind == Kind::Check && !Has(f.feature)) {
            if (v.get<bool>() != w.IsChecked(f.control)) leftOut.push_back(LabelOf(p, f.control));
            return false;
        }
        if (f.kind == Kind::Radios && !v.is_null()) {
            const Choice& c =
                f.choices[static_cast<std::size_t>(ChoiceIndex(f, v.get<std::string>()))];
            if (!Has(c.feature)) {
                if (!w.IsChecked(c.control)) leftOut.push_back(LabelOf(p, c.control));
                return false;
            }
        }
        return true;
    }

    // The radio group's value now in the form.
    Json Current(const FieldDef& f) {
        std::string problem;
        return FormValue(p, w, f, problem);
    }

    void Run() {
        // The governor's box first: its click clears boxes the file sets
        // again below.
        const FieldDef& rpm = Def(kRpmControlName);
        if (const auto& v = ValueOf(kRpmControlName); v && Applies(rpm, *v)) {
            if (v->get<bool>() != w.IsChecked(rpm.control)) {
                w.SetCheck(rpm.control, v->get<bool>());
                HandleSettingsControl(p, w, rpm.control);
            }
        }
        // Radio groups where they change, each as a click, so the handlers
        // enable and clear the fields that go with them.
        const FieldDef& lowVoltage = Def(kLowVoltageName);
        if (const auto& v = ValueOf(kLowVoltageName); v && *v != Current(lowVoltage)) {
            ClickRadio(p, w, lowVoltage, *v);
        }
        // The battery and its fields count only when the low voltage is
        // handled; with "ignore" Write does not read them.
        const Json mode = Current(lowVoltage);
        const bool batteryUsed = !mode.is_null() && mode != "ignore";
        const FieldDef& battery = Def(kBatteryName);
        if (const auto& v = ValueOf(kBatteryName); batteryUsed && v && *v != Current(battery)) {
            ClickRadio(p, w, battery, *v);
        }
        const Json kind = Current(battery);
        for (const auto& [name, needed] :
             {std::pair{kLipoCellsName, "lipo"}, std::pair{kThresholdName, "fixed"}}) {
            const auto& v = ValueOf(name);
            if (batteryUsed && v && kind == needed)
                w.SetText(Def(name).control, FieldText(Def(name), *v));
        }

        for (std::size_t i = 0; i < kFieldCount; ++i) {
            const FieldDef& f = kFields[i];
            const std::optional<Json>& v = values[i];
            if (!v || f.name == kRpmControlName || f.name == kLowVoltageName ||
                f.name == kBatteryName || f.name == kLipoCellsName || f.name == kThresholdName) {
                continue;
            }
            if (!Applies(f, *v)) continue;
            switch (f.kind) {
                case Kind::Time:
                case Kind::Volts:
                case Kind::Byte:
                    w.SetText(f.control, FieldText(f, *v));
                    break;
                case Kind::Check:
                    w.SetCheck(f.control, v->get<bool>());
                    break;
                case Kind::List:
                    w.ComboSetSel(f.control,
                                  v->is_null() ? -1 : ChoiceIndex(f, v->get<std::string>()));
                    break;
                case Kind::Radios:
                    if (*v != Current(f)) ClickRadio(p, w, f, *v);
                    break;
            }
        }
    }
};

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += ", ";
        out += n;
    }
    return out;
}

}  // namespace

int SaveSettingsFile(Program& p, Window& w, const std::string& path) {
    if (SettingsReadGate(p) != 0) return 1;
    std::string problem;
    Json settings = FormSettings(p, w, problem);
    if (!problem.empty()) {
        ShowError(p, w, problem);
        return 1;
    }
    Json doc = Json::object();
    doc[kFormatKey] = kSettingsFormatName;
    doc[kFormatVersionKey] = kSettingsFormatVersion;
    doc[kProgramVersionKey] = ProgramVersionText();
    doc[kSavedKey] = Today();
    doc[kControllerVersionKey] = p.settings.versionText;
    // Shown for reference; the governor is set up in its own dialog, so a
    // file never carries it to a controller.
    const std::optional<long long> hz =
        WholeInteger(Trim(w.GetText(id::kMaxFrequency, kFieldChars)));
    doc[kMaxFrequencyKey] = hz ? Json(*hz) : Json();
    doc[kSettingsKey] = std::move(settings);
    // A text that is not UTF-8 (a damaged version text) is written with
    // replacement characters rather than not at all.
    if (!WriteReplacing(PathFromUtf8(path),
                        doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n")) {
        ShowError(p, w, Fill(p.T(texts::kSettingsWriteFailed), {path}));
        return 1;
    }
    return 0;
}

int LoadSettingsFile(Program& p, Window& w, const std::string& path) {
    // The controller's features and version decide what applies.
    if (SettingsReadGate(p) != 0) return 1;
    Json doc;
    Values values;
    if (std::string problem = ReadDocument(p, path, doc, values); !problem.empty()) {
        ShowError(p, w, Fill(p.T(texts::kSettingsNotLoaded), {path, problem}));
        return 1;
    }
    Applier applier{p, w, values, {}};
    applier.Run();

    std::vector<std::string> missing;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!values[i]) missing.emplace_back(kFields[i].name);
    }
    const std::string madeFor =
        doc.contains(kControllerVersionKey) ? doc[kControllerVersionKey].get<std::string>() : "";
    const bool otherController = !madeFor.empty() && madeFor != p.settings.versionText;
    if (applier.leftOut.empty() && missing.empty() && !otherController) return 0;

    std::string report = Fill(p.T(texts::kSettingsLoadedFrom), {path});
    if (otherController) {
        report +=
            "\n" + Fill(p.T(texts::kSettingsOtherController), {madeFor, p.settings.versionText});
    }
    if (!applier.leftOut.empty()) {
        report += "\n" + Fill(p.T(texts::kSettingsLeftOut), {JoinNames(applier.leftOut)});
    }
    if (!missing.empty())
        report += "\n" + Fill(p.T(texts::kSettingsNotInFile), {JoinNames(missing)});
    p.os.host.MessageBox(&w, report, std::string(p.T(texts::kCaptionWarningColon)),
                         MessageButtons::Ok);
    return 0;
}

int ListSettings(Program& p, Window& w, std::vector<std::string>& lines) {
    if (SettingsReadGate(p) != 0) return 1;
    std::string problem;
    const Json settings = FormSettings(p, w, problem);
    if (!problem.empty()) {
        ShowError(p, w, problem);
        return 1;
    }
    lines.push_back(std::string(kControllerVersionKey) + " = " + p.settings.versionText);
    for (const auto& [name, value] : settings.items()) lines.push_back(name + " = " + Shown(value));
    return 0;
}

int CompareSettingsFile(Program& p, Window& w, const std::string& path,
                        std::vector<std::string>& differences) {
    if (SettingsReadGate(p) != 0) return 1;
    Json doc;
    Values values;
    if (std::string problem = ReadDocument(p, path, doc, values); !problem.empty()) {
        ShowError(p, w, Fill(p.T(texts::kSettingsNotLoaded), {path, problem}));
        return 1;
    }
    std::string problem;
    const Json form = FormSettings(p, w, problem);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!values[i]) continue;
        const std::string name(kFields[i].name);
        const Json& shown = form[name];
        if (*values[i] == shown) continue;
        differences.push_back(name + ": file " + Shown(*values[i]) + ", controller " +
                              Shown(shown));
    }
    return 0;
}

void SaveSettingsCommand(Program& p, Window& w) {
    if (SettingsReadGate(p) != 0) return;
    SaveFileRequest request;
    request.filterDescription = std::string(p.T(texts::kSettingsFilesFilter));
    request.filterPattern = std::string(texts::kSettingsFilePattern);
    request.title = std::string(p.T(texts::kSaveSettingsTitle));
    request.defaultExtension = std::string(texts::kSettingsFileExtension);
    const std::string path = p.os.host.ChooseSaveFile(request);
    if (path.empty()) return;
    (void)SaveSettingsFile(p, w, path);
}

void LoadSettingsCommand(Program& p, Window& w) {
    if (SettingsReadGate(p) != 0) return;
    OpenFileRequest request;
    request.filterDescription = std::string(p.T(texts::kSettingsFilesFilter));
    request.filterPattern = std::string(texts::kSettingsFilePattern);
    request.title = std::string(p.T(texts::kLoadSettingsTitle));
    const std::string path = p.os.host.ChooseOpenFile(request);
    if (path.empty()) return;
    (void)LoadSettingsFile(p, w, path);
}

}  // namespace kvr
