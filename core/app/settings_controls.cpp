// What the settings controls do in the window: the form's click rules shown, and log reset.
#include "app/settings_commands.h"
#include "app/settings_form_io.h"
#include "res/app_texts.h"
#include "res/captions.h"
#include "res/ids.h"
#include "res/settings_texts.h"
#include "settings/form_clicks.h"
#include "settings/settings_image.h"

namespace kvr {

void FillSettingsLists(Program& p, Window& w) {
    for (std::string_view entry : texts::kTimingEntries) {
        w.ComboAdd(id::kTimingList, std::string(entry));
    }
    for (const Text& entry : texts::kBrakeEntries) {
        w.ComboAdd(id::kBrakeList, std::string(p.T(entry)));
    }
}

Outcome SettingsReadGate(Program& p) {
    if (SettingsWereRead(p.settings)) return Outcome::Done;
    p.host.MessageBox(nullptr, std::string(p.T(texts::kReadValuesFirst)),
                      std::string(p.T(texts::kCaptionErrorBang)), MessageButtons::Ok);
    return Outcome::Refused;
}

bool HandleSettingsControl(Program& p, Window& w, int control) {
    if (control == id::kLogReset) {
        const bool read = SettingsReadGate(p) == Outcome::Done;
        for (const int field : {id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage}) {
            w.SetText(field, read ? texts::kCounterCleared : "");
        }
        if (read) p.settings.logExtraCleared = true;
        return true;
    }
    const std::optional<RadioChoice> radio = RadioChoiceOf(control);
    if (!radio && control != id::kRpmControl) return false;
    // The form's rule decides; the window shows what it changed.
    const SettingsForm before = ReadForm(w);
    SettingsForm after = before;
    BatteryEditing editing;
    if (radio) {
        editing = ClickChoice(after, p.settings, radio->group, radio->choice);
    } else {
        ClickGovernor(after);
    }
    ShowFormChanges(w, before, after, editing);
    // Without read settings the chosen frequency is taken back.
    if (radio && radio->group == Field::Frequency && SettingsReadGate(p) != Outcome::Done) {
        w.SetCheck(control, false);
    }
    return true;
}

}  // namespace kvr
