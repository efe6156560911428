// What the settings controls do: frequency, low voltage, battery, governor and log reset.
#include "app/settings_commands.h"
#include "res/app_texts.h"
#include "res/captions.h"
#include "res/ids.h"
#include "res/settings_texts.h"
#include "settings/settings_image.h"

namespace kvr {
namespace {

void SetBatteryRadios(Window& w, bool enabled) {
    for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
        w.Enable(radio, enabled);
    }
}

// The two frequency radios are set only here; without read settings the
// chosen one is taken back.
void ChooseFrequency(Program& p, Window& w, int chosen, int other) {
    w.SetCheck(chosen, true);
    w.SetCheck(other, false);
    if (SettingsReadGate(p) != 0) w.SetCheck(chosen, false);
}

// Reducing power or switching off: the battery decides the threshold.
void HandleLowVoltage(Window& w, int chosen) {
    for (const int radio : {id::kLvIgnore, id::kLvReducePower, id::kLvSwitchOff}) {
        if (radio != chosen) w.SetCheck(radio, false);
    }
    w.SetCheck(chosen, true);
    SetBatteryRadios(w, true);
}

}  // namespace

void FillSettingsLists(Program& p, Window& w) {
    for (std::string_view entry : texts::kTimingEntries) {
        w.ComboAdd(id::kTimingList, std::string(entry));
    }
    for (const Text& entry : texts::kBrakeEntries) {
        w.ComboAdd(id::kBrakeList, std::string(p.T(entry)));
    }
}

int SettingsReadGate(Program& p) {
    if (SettingsWereRead(p.settings)) return 0;
    p.host.MessageBox(nullptr, std::string(p.T(texts::kReadValuesFirst)),
                      std::string(p.T(texts::kCaptionErrorBang)), MessageButtons::Ok);
    return 1;
}

bool HandleSettingsControl(Program& p, Window& w, int control) {
    switch (control) {
        case id::kFreq78:
            ChooseFrequency(p, w, id::kFreq78, id::kFreq156);
            return true;
        case id::kFreq156:
            ChooseFrequency(p, w, id::kFreq156, id::kFreq78);
            return true;
        case id::kLvIgnore:
            w.SetCheck(id::kLvIgnore, true);
            w.SetCheck(id::kLvReducePower, false);
            w.SetCheck(id::kLvSwitchOff, false);
            w.SetText(id::kThresholdVolts, "");
            w.SetText(id::kLipoCells, "");
            p.settings.batteryCode = kBatteryNicd;
            w.Enable(id::kThresholdVolts, false);
            w.Enable(id::kLipoCells, false);
            for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
                w.SetCheck(radio, false);
            }
            SetBatteryRadios(w, false);
            return true;
        case id::kLvReducePower:
        case id::kLvSwitchOff:
            HandleLowVoltage(w, control);
            return true;
        case id::kRpmControl:
            // The governor excludes these, whichever way the box turned.
            w.SetCheck(id::kForwardReverse, false);
            w.SetCheck(id::kOvertempProtection, false);
            w.SetCheck(id::kLvSwitchOff, false);
            return true;
        case id::kLogReset: {
            const bool read = SettingsReadGate(p) == 0;
            for (const int field : {id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage}) {
                w.SetText(field, read ? texts::kCounterCleared : "");
            }
            if (read) p.settings.logExtraCleared = true;
            return true;
        }
        case id::kBatteryNicd:
            w.Enable(id::kThresholdVolts, false);
            w.Enable(id::kLipoCells, false);
            w.SetText(id::kThresholdVolts, "");
            w.SetText(id::kLipoCells, "");
            return true;
        case id::kBatteryLipo:
            w.Enable(id::kLipoCells, true);
            w.Enable(id::kThresholdVolts, false);
            w.SetText(id::kThresholdVolts, "");
            return true;
        case id::kBatteryFix:
            w.Enable(id::kLipoCells, false);
            w.SetText(id::kLipoCells, "");
            w.Enable(id::kThresholdVolts, true);
            return true;
        default:
            return false;
    }
}

}  // namespace kvr
