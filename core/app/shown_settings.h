// The settings form as values for the commands without a window: Read's result, Write's modes.
#pragma once

#include <string>

#include "app/program.h"
#include "app/status_sink.h"
#include "settings/settings_form.h"

namespace kvr {

class Window;

// The form as the settings files take it: its fields, the governor's top
// frequency as the form shows it, and the window that owns the boxes (none
// where there is no window).
struct ShownSettings {
    SettingsForm form;
    std::string maxFrequency;
    Window* owner = nullptr;
};

enum class WriteMode {
    Store,         // the button: validate, then store every setting
    ValidateOnly,  // the same checks and refusals, nothing sent to the controller
};

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

}  // namespace kvr
