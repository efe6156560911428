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

// A Read as values: its outcome and, when Done, the form as the window
// shows it. Fields in `untouched` (a bit per Field) keep what the form
// showed before.
struct SettingsRead {
    Outcome outcome = Outcome::Failed;
    ShownSettings shown;
    unsigned untouched = 0;

    // The form after this Read over one that held `before`.
    SettingsForm FormOver(const SettingsForm& before) const {
        SettingsForm form = shown.form;
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            if ((untouched >> i & 1U) != 0) form.values[i] = before.values[i];
        }
        return form;
    }
};

// What a Read shows as it goes, each at its moment among the status texts
// and boxes: the window shows them, the command line needs none.
class ReadSteps {
  public:
    virtual ~ReadSteps() = default;
    // The link is about to open: the fields a Read fills are emptied.
    virtual void Opening() {}
    // The controller's version arrived, before any refusal of it.
    virtual void VersionRead(const std::string& /*text*/) {}
    // Replies were missing, before the link-fault box: nothing read stays.
    virtual void LinkLost() {}
    // Every parameter arrived, before the status line says so.
    virtual void Arrived(const SettingsRead& /*read*/) {}
    // The Read is done, before the beep.
    virtual void Finished() {}
};

// Read's part without a window: the boxes, status texts and wire of Read.
SettingsRead ReadSettingsValues(Program& p, StatusSink& status, ReadSteps& steps);

// Write's part without a window: a form's values validated and stored, with
// the status texts in `status`.
Outcome WriteSettings(Program& p, StatusSink& status, const SettingsForm& form, WriteMode mode);

}  // namespace kvr
