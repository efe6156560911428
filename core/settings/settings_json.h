// Settings files: the form's fields under stable names, as JSON. A file
// only ever fills the form; Write takes it from there, with the checks it
// applies to typed values.
#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "core_context.h"
#include "settings/settings_form.h"

namespace kvr {

inline constexpr int kSettingsFormatVersion = 1;
inline constexpr const char* kSettingsFormatName = "kvrsetup settings";
inline constexpr const char* kSettingsControllerVersionKey = "controllerVersion";

// Keeps the names in the order written, so a saved file reads like the form.
using SettingsJson = nlohmann::ordered_json;

// A file's settings by field, after every check; nullopt where a name is
// missing.
using FileValues = std::array<std::optional<SettingsJson>, kFieldCount>;

struct SettingsDocument {
    SettingsJson doc;
    FileValues values;
    // The controller version the file was saved from; empty when not said.
    std::string MadeFor() const;
};

// Reads and checks a whole file before anything of it is used. Empty when
// it may be loaded; otherwise the reason in the user's language.
std::string ReadSettingsDocument(CoreContext& p, const std::string& path, SettingsDocument& out);

// The form as a file holds it, in file order. notANumber names the first
// number field whose text is no number (the result then incomplete).
SettingsJson FormToJson(const SettingsForm& form, std::optional<Field>& notANumber);

// Whether settings as a file may hold them: every name known, every value
// possible. Empty when they may; otherwise the reason.
std::string CheckFileSettings(CoreContext& p, const SettingsJson& settings, FileValues& values);

// The whole file for settings the checks passed, as written.
std::string SettingsFileText(const SettingsJson& settings, const std::string& controllerVersion,
                             std::optional<long long> maxFrequencyHz);

// A file's value as a person reads it: names without quotes.
std::string ShownValue(const SettingsJson& value);

// The text a field shows for a file's number: the form's own format when it
// says the same, the number as written otherwise.
std::string FieldText(const SettingsField& field, const SettingsJson& value);

// The choice a file's value names; -1 for null.
int FileChoice(const SettingsField& field, const SettingsJson& value);

}  // namespace kvr
