// The settings commands on the form's values, without a window.
#include "app/settings_values.h"

#include <algorithm>

#include "app/settings_file.h"
#include "settings/conversions.h"

namespace kvr {

Outcome SettingsValues::Read() {
    ReadSteps unseen;
    const SettingsRead read = ReadSettingsValues(p_, status_, unseen);
    if (read.outcome != Outcome::Done) return read.outcome;
    form_.form = read.FormOver(form_.form);
    form_.maxFrequency = read.shown.maxFrequency;
    return Outcome::Done;
}

Outcome SettingsValues::Load(const std::string& path) {
    return LoadSettingsFile(p_, form_, path);
}

Outcome SettingsValues::Write(WriteMode mode) {
    return WriteSettings(p_, status_, Shown().form, mode);
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

ShownSettings SettingsValues::Shown() const {
    ShownSettings shown = form_;
    for (FieldValue& value : shown.form.values) {
        value.text.resize(std::min(value.text.size(), kFieldChars));
    }
    shown.maxFrequency.resize(std::min(shown.maxFrequency.size(), kFieldChars));
    return shown;
}

}  // namespace kvr
