// The main window's settings commands: Read, Write, and the controls that enable others.
#pragma once

#include "app/program.h"
#include "app/shown_settings.h"
#include "app/status_sink.h"
#include "platform/window.h"
#include "settings/settings_form.h"

namespace kvr {

// "Read" (id::kRead): connects, checks the controller and fills the settings
// controls. Done when the form holds the controller's settings; Failed when
// the command ended early (its message, if any, has been shown).
Outcome ReadSettings(Program& p, Window& mainWindow);

// "Write" (id::kWrite): validates the settings controls and stores them in the
// controller. Done when every setting was stored (or, validating only,
// would be); Refused or Failed otherwise (after its message, if any).
Outcome WriteSettings(Program& p, Window& mainWindow, WriteMode mode = WriteMode::Store);

// The controls id::kFreq78, id::kFreq156, id::kLvIgnore, id::kLvSwitchOff,
// id::kLvReducePower, id::kRpmControl, id::kLogReset, id::kBatteryNicd,
// id::kBatteryLipo and id::kBatteryFix. Returns false for any other id.
bool HandleSettingsControl(Program& p, Window& mainWindow, int id);

// The timing and brake lists' entries.
void FillSettingsLists(Program& p, Window& mainWindow);

// Done when settings have been read; otherwise shows "Read values first!"
// (no owner) and returns Refused.
Outcome SettingsReadGate(Program& p);

}  // namespace kvr
