// A checked settings file's values put into the main window's form as a user would.
#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/window.h"
#include "settings/settings_json.h"

namespace kvr {

// The label the main window shows for a control, on one line.
std::string LabelOf(Program& p, int control);

// Puts a checked file's values into the form as a user would, each radio
// and box as a click, so the handlers enable and clear the fields that go
// with them. Returns the labels of what the controller lacks and the file
// asked for (left out).
std::vector<std::string> ApplyFileValues(Program& p, Window& mainWindow, const FileValues& values);

}  // namespace kvr
