// A checked settings file's values put into the settings form as a user would.
#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "settings/form_clicks.h"
#include "settings/settings_json.h"

namespace kvr {

// The label the main window shows for a control, on one line.
std::string LabelOf(Program& p, int control);

// What a file's values did to the form: the labels of what the controller
// lacks and the file asked for (left out), and what the clicks left
// editable.
struct AppliedFile {
    std::vector<std::string> leftOut;
    BatteryEditing editing;
};

// Puts a checked file's values into the form as a user would, each radio
// and box as a click, so the form's rules clear the fields that go with
// them.
AppliedFile ApplyFileValues(Program& p, SettingsForm& form, const FileValues& values);

}  // namespace kvr
