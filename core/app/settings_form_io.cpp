// The control of each settings field in the main window, and the form read from them.
#include "app/settings_form_io.h"

#include <array>

#include "res/ids.h"
#include "settings/conversions.h"

namespace kvr {
namespace {

struct FieldControls {
    Field field;
    int control = 0;
    std::array<int, 3> radios = {};
};

constexpr FieldControls kControls[kFieldCount] = {
    {Field::FullSpeed, id::kFullSpeedTime},
    {Field::Neutral, id::kNeutralTime},
    {Field::Stop, id::kStopTime},
    {Field::Acceleration, id::kAcceleration},
    {Field::StartupPower, id::kStartupPower},
    {Field::Brake, id::kBrakeList},
    {Field::Timing, id::kTimingList},
    {Field::RpmControl, id::kRpmControl},
    {Field::Overtemp, id::kOvertempProtection},
    {Field::RpmLimit, id::kRpmLimit},
    {Field::FreeWheeling, id::kFreeWheeling},
    {Field::ForwardReverse, id::kForwardReverse},
    {Field::Turbo, id::kTurbo},
    {Field::LowVoltage, 0, {id::kLvIgnore, id::kLvReducePower, id::kLvSwitchOff}},
    {Field::Battery, 0, {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}},
    {Field::LipoCells, id::kLipoCells},
    {Field::Threshold, id::kThresholdVolts},
    {Field::Frequency, 0, {id::kFreq78, id::kFreq156}},
    {Field::LogTransmitter, id::kLogTransmitter},
    {Field::LogOvertemp, id::kLogOvertemp},
    {Field::LogUndervoltage, id::kLogUndervoltage},
};

constexpr bool ControlsInFieldOrder() {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (static_cast<std::size_t>(kControls[i].field) != i) return false;
    }
    return true;
}
static_assert(ControlsInFieldOrder());

}  // namespace

int ControlOf(Field field) {
    return kControls[static_cast<std::size_t>(field)].control;
}

int RadioOf(Field group, int choice) {
    return kControls[static_cast<std::size_t>(group)].radios[static_cast<std::size_t>(choice)];
}

std::optional<RadioChoice> RadioChoiceOf(int control) {
    for (const FieldControls& c : kControls) {
        for (std::size_t i = 0; i < c.radios.size(); ++i) {
            if (c.radios[i] != 0 && c.radios[i] == control) {
                return RadioChoice{c.field, static_cast<int>(i)};
            }
        }
    }
    return std::nullopt;
}

FieldValue ReadField(Window& w, Field field) {
    const SettingsField& f = FieldOf(field);
    FieldValue v;
    switch (f.kind) {
        case FieldKind::Time:
        case FieldKind::Volts:
        case FieldKind::Byte:
            v.text = w.GetText(ControlOf(field), kFieldChars);
            break;
        case FieldKind::Check:
            v.checked = w.IsChecked(ControlOf(field));
            break;
        case FieldKind::List:
            v.selected = w.ComboGetSel(ControlOf(field));
            break;
        case FieldKind::Radios:
            for (std::size_t i = 0; i < f.choices.size(); ++i) {
                if (w.IsChecked(RadioOf(field, static_cast<int>(i)))) v.radios |= 1U << i;
            }
            break;
    }
    return v;
}

void ShowFormChanges(Window& w, const SettingsForm& before, const SettingsForm& after,
                     const BatteryEditing& editing) {
    for (const SettingsField& f : SettingsFields()) {
        const FieldValue& was = before[f.field];
        const FieldValue& is = after[f.field];
        switch (f.kind) {
            case FieldKind::Time:
            case FieldKind::Volts:
            case FieldKind::Byte:
                if (is.text != was.text) w.SetText(ControlOf(f.field), is.text);
                break;
            case FieldKind::Check:
                if (is.checked != was.checked) w.SetCheck(ControlOf(f.field), is.checked);
                break;
            case FieldKind::List:
                if (is.selected != was.selected) w.ComboSetSel(ControlOf(f.field), is.selected);
                break;
            case FieldKind::Radios:
                for (const bool on : {false, true}) {
                    for (std::size_t i = 0; i < f.choices.size(); ++i) {
                        const bool now = (is.radios >> i & 1U) != 0;
                        if (now == on && now != ((was.radios >> i & 1U) != 0)) {
                            w.SetCheck(RadioOf(f.field, static_cast<int>(i)), on);
                        }
                    }
                }
                break;
        }
    }
    if (editing.radios) {
        for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
            w.Enable(radio, *editing.radios);
        }
    }
    if (editing.lipoCells) w.Enable(id::kLipoCells, *editing.lipoCells);
    if (editing.threshold) w.Enable(id::kThresholdVolts, *editing.threshold);
}

SettingsForm ReadForm(Window& w) {
    SettingsForm form;
    for (const SettingsField& f : SettingsFields()) form[f.field] = ReadField(w, f.field);
    return form;
}

}  // namespace kvr
