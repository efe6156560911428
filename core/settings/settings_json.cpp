// Settings files as JSON: every name and value checked before use, and the form written out.
#include "settings/settings_json.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <span>
#include <string_view>

#include "files/open_file.h"
#include "res/program_version.h"
#include "res/settings_file_texts.h"
#include "settings/conversions.h"
#include "settings/settings_text.h"

namespace kvr {
namespace {

using Json = SettingsJson;

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
constexpr const char* kControllerVersionKey = kSettingsControllerVersionKey;
constexpr const char* kMaxFrequencyKey = "maxFrequencyHz";
constexpr const char* kSettingsKey = "settings";

// A settings file is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

std::string ChoiceList(std::span<const FieldChoice> choices) {
    std::vector<std::string> names;
    for (const FieldChoice& c : choices) names.emplace_back(c.name);
    return JoinNames(names);
}

// One value as the file may hold it; the reason in the user's language
// when it may not.
std::string CheckValue(CoreContext& p, const SettingsField& f, const Json& v) {
    const std::string name(f.name);
    const auto wrongType = [&](const Text& kind) {
        return Fill(p.T(texts::kSettingsWrongType), {name, p.T(kind)});
    };
    const auto outOfRange = [&](std::string_view range) {
        return Fill(p.T(texts::kSettingsOutOfRange), {name, v.dump(), range});
    };
    switch (f.kind) {
        case FieldKind::Time:
        case FieldKind::Volts: {
            if (v.is_null()) return {};
            if (!v.is_number()) return wrongType(texts::kKindNumber);
            const double x = v.get<double>();
            const bool time = f.kind == FieldKind::Time;
            if (!(x >= 0.0 && x <= (time ? kMaxTimeMs : kMaxVolts))) {
                return outOfRange(time ? "0 - 32.76" : "0 - 26.7");
            }
            return {};
        }
        case FieldKind::Byte: {
            if (v.is_null()) return {};
            const bool whole =
                v.is_number_integer() || (v.is_number_float() && std::isfinite(v.get<double>()) &&
                                          std::floor(v.get<double>()) == v.get<double>());
            if (!whole) return wrongType(texts::kKindWholeNumber);
            const double x = v.get<double>();
            if (x < 0 || x > kMaxByte) return outOfRange("0 - 255");
            return {};
        }
        case FieldKind::Check:
            if (!v.is_boolean()) return wrongType(texts::kKindTrueFalse);
            return {};
        case FieldKind::List:
        case FieldKind::Radios:
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

// The names around the settings: known, and of their type.
std::string CheckHeader(CoreContext& p, const Json& doc) {
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
    return {};
}

// The whole document, before anything is used.
std::string CheckDocument(CoreContext& p, const Json& doc, FileValues& values) {
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
    if (std::string problem = CheckHeader(p, doc); !problem.empty()) return problem;
    if (!doc.contains(kSettingsKey)) {
        return Fill(p.T(texts::kSettingsWrongType), {kSettingsKey, p.T(texts::kKindObject)});
    }
    return CheckFileSettings(p, doc[kSettingsKey], values);
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
std::string NotJsonReason(CoreContext& p, const std::string& text) {
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
    const std::string where =
        Fill(p.T(texts::kSettingsErrorPlace), {std::to_string(line), std::to_string(column)});
    return Fill(
        p.T(place.numberOverflow ? texts::kSettingsNumberTooLarge : texts::kSettingsNotJson),
        {where});
}

// One field of the form as the file holds it; notANumber set when its text
// is no number.
Json FieldJson(const SettingsForm& form, const SettingsField& f, bool& notANumber) {
    const FieldValue& v = form[f.field];
    switch (f.kind) {
        case FieldKind::Time:
        case FieldKind::Volts:
        case FieldKind::Byte: {
            const std::string text = Trim(v.text);
            if (text.empty()) return Json();
            if (f.kind == FieldKind::Byte) {
                if (const auto n = WholeInteger(text)) return Json(*n);
            } else if (const auto x = WholeNumber(text)) {
                return Json(*x);
            }
            notANumber = true;
            return Json();
        }
        case FieldKind::Check:
            return Json(v.checked);
        case FieldKind::List:
            if (v.selected < 0 || v.selected >= static_cast<int>(f.choices.size())) return Json();
            return Json(std::string(f.choices[static_cast<std::size_t>(v.selected)].name));
        case FieldKind::Radios: {
            const int chosen = form.Chosen(f.field);
            if (chosen < 0) return Json();
            return Json(std::string(f.choices[static_cast<std::size_t>(chosen)].name));
        }
    }
    return Json();
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

}  // namespace

std::string SettingsDocument::MadeFor() const {
    return doc.contains(kControllerVersionKey) ? doc[kControllerVersionKey].get<std::string>() : "";
}

std::string ReadSettingsDocument(CoreContext& p, const std::string& path, SettingsDocument& out) {
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
    out.doc = Json::parse(text, nullptr, false);
    if (out.doc.is_discarded()) return NotJsonReason(p, text);
    return CheckDocument(p, out.doc, out.values);
}

SettingsJson FormToJson(const SettingsForm& form, std::optional<Field>& notANumber) {
    Json settings = Json::object();
    for (const SettingsField& f : SettingsFields()) {
        bool bad = false;
        settings[std::string(f.name)] = FieldJson(form, f, bad);
        if (bad) {
            notANumber = f.field;
            return settings;
        }
    }
    return settings;
}

std::string CheckFileSettings(CoreContext& p, const SettingsJson& settings, FileValues& values) {
    if (!settings.is_object()) {
        return Fill(p.T(texts::kSettingsWrongType), {kSettingsKey, p.T(texts::kKindObject)});
    }
    for (const auto& [key, value] : settings.items()) {
        const std::size_t i = FieldIndex(key);
        if (i == kFieldCount) return Fill(p.T(texts::kSettingsUnknownName), {key});
        std::string problem = CheckValue(p, SettingsFields()[i], value);
        if (!problem.empty()) return problem;
        values[i] = value;
    }
    return {};
}

std::string SettingsFileText(const SettingsJson& settings, const std::string& controllerVersion,
                             std::optional<long long> maxFrequencyHz) {
    Json doc = Json::object();
    doc[kFormatKey] = kSettingsFormatName;
    doc[kFormatVersionKey] = kSettingsFormatVersion;
    doc[kProgramVersionKey] = ProgramVersionText();
    doc[kSavedKey] = Today();
    doc[kControllerVersionKey] = controllerVersion;
    // Shown for reference; the governor is set up in its own dialog, so a
    // file never carries it to a controller.
    doc[kMaxFrequencyKey] = maxFrequencyHz ? Json(*maxFrequencyHz) : Json();
    doc[kSettingsKey] = settings;
    // A text that is not UTF-8 (a damaged version text) is written with
    // replacement characters rather than not at all.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string ShownValue(const SettingsJson& value) {
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::string FieldText(const SettingsField& f, const SettingsJson& v) {
    if (v.is_null()) return {};
    if (f.kind == FieldKind::Byte) {
        return SmallNumberText(static_cast<int>(v.get<double>()), f.width);
    }
    const double x = v.get<double>();
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", f.kind == FieldKind::Time ? 2 : 1, x);
    if (const auto back = WholeNumber(text); back && *back == x) return text;
    return Json(x).dump();
}

int FileChoice(const SettingsField& field, const SettingsJson& value) {
    return value.is_null() ? -1 : ChoiceIndex(field, value.get<std::string>());
}

}  // namespace kvr
