// The settings files of the main window's form: its File menu commands and
// what the command line does with them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/shown_settings.h"
#include "platform/window.h"
#include "settings/form_clicks.h"
#include "settings/settings_json.h"

namespace kvr {

// What the main window shows now.
ShownSettings ShownSettingsOf(Window& mainWindow);

// "Save Settings..." of the File menu: asks for a file name, then
// SaveSettingsFile.
void SaveSettingsCommand(Program& p, Window& mainWindow);
// "Load Settings..." of the File menu: asks for a file, then
// LoadSettingsFile.
void LoadSettingsCommand(Program& p, Window& mainWindow);

// Writes what the form shows after a Read, replacing path in one step: the
// file is complete or, on any failure, the earlier one is still there.
// Done when saved; Failed after a message box (no Read yet, a field without a
// number, a file that cannot be written).
Outcome SaveSettingsFile(Program& p, const ShownSettings& shown, const std::string& path);
Outcome SaveSettingsFile(Program& p, Window& mainWindow, const std::string& path);

// Checks the whole file first and refuses a damaged or foreign one before
// touching any control; otherwise puts its values into the form as a user
// would, leaving out what this controller does not have (and saying so).
// Never talks to the controller. Done when loaded; Refused after a message
// box. `loaded` sees what the clicks left editable, before the box that
// reports what was left out.
Outcome LoadSettingsFile(Program& p, ShownSettings& shown, const std::string& path,
                         const std::function<void(const BatteryEditing&)>& loaded = nullptr);
Outcome LoadSettingsFile(Program& p, Window& mainWindow, const std::string& path);

// The form's settings as "name = value" lines, in file order. Done on
// success; Failed after a message box, as for SaveSettingsFile.
Outcome ListSettings(Program& p, const ShownSettings& shown, std::vector<std::string>& lines);
Outcome ListSettings(Program& p, Window& mainWindow, std::vector<std::string>& lines);

// The settings whose value in the file differs from the form, one
// "name: file VALUE, controller VALUE" line each. Done when the file could
// be compared; Refused after a message box (a refused file, no Read yet).
Outcome CompareSettingsFile(Program& p, const ShownSettings& shown, const std::string& path,
                            std::vector<std::string>& differences);
Outcome CompareSettingsFile(Program& p, Window& mainWindow, const std::string& path,
                            std::vector<std::string>& differences);

}  // namespace kvr
