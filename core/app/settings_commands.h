// The main window's settings commands: Read, Write, and the controls that enable others.
#pragma once

#include "app/program.h"
#include "app/settings_file.h"
#include "app/status_sink.h"
#include "platform/window.h"
#include "settings/settings_form.h"

namespace kvr {

// "Read" (id::kRead): connects, checks the controller and fills the settings
// controls. Done when the form holds the controller's settings; Failed when
// the command ended early (its message, if any, has been shown).
Outcome ReadSettings(Program& p, Window& mainWindow);

// How far a Read went: what of it the window shows.
enum class ReadStage {
    NotStarted,   // refused before the port was opened
    Started,      // the link was opened
    VersionRead,  // the controller's version arrived
    LinkFailed,   // replies were missing: nothing read stays shown
    Done,         // every parameter arrived
};

// A Read as values: its outcome, how far it went and, when Done, the form
// as the window shows it. Fields in `untouched` (a bit per Field) keep what
// the window showed before.
struct SettingsRead {
    Outcome outcome = Outcome::Failed;
    ReadStage stage = ReadStage::NotStarted;
    ShownSettings shown;
    unsigned untouched = 0;
};

// Read's part without a window: the boxes, status texts and wire of Read.
SettingsRead ReadSettingsValues(Program& p, StatusSink& status);
// Read's part in the window: its controls as that Read leaves them.
void ShowSettingsRead(Program& p, Window& mainWindow, const SettingsRead& read);

enum class WriteMode {
    Store,         // the button: validate, then store every setting
    ValidateOnly,  // the same checks and refusals, nothing sent to the controller
};

// "Write" (id::kWrite): validates the settings controls and stores them in the
// controller. Done when every setting was stored (or, validating only,
// would be); Refused or Failed otherwise (after its message, if any).
Outcome WriteSettings(Program& p, Window& mainWindow, WriteMode mode = WriteMode::Store);
// The same for a form's values, with the status texts in `status`.
Outcome WriteSettings(Program& p, StatusSink& status, const SettingsForm& form, WriteMode mode);

// The controls id::kFreq78, id::kFreq156, id::kLvIgnore, id::kLvSwitchOff,
// id::kLvReducePower, id::kRpmControl, id::kLogReset, id::kBatteryNicd,
// id::kBatteryLipo and id::kBatteryFix. Returns false for any other id.
bool HandleSettingsControl(Program& p, Window& mainWindow, int id);

// The timing and brake lists' entries.
void FillSettingsLists(Program& p, Window& mainWindow);

// 0 when settings have been read; otherwise shows "Read values first!"
// (no owner) and returns 1.
int SettingsReadGate(Program& p);

}  // namespace kvr
