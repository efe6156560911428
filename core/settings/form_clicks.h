// What a click on the settings form's radios or governor box does to the rest of the form.
#pragma once

#include <optional>

#include "settings/settings_form.h"
#include "settings/settings_image.h"

namespace kvr {

// What a click leaves editable of the battery's controls; unset: as it was.
struct BatteryEditing {
    std::optional<bool> radios;  // the three battery radios
    std::optional<bool> lipoCells;
    std::optional<bool> threshold;

    // A later click's settings win.
    void Then(const BatteryEditing& later);
};

// A click on a radio of the low voltage, battery or frequency group. The
// low voltage and frequency groups show the clicked choice alone (a battery
// radio is checked by the click itself); what the choice excludes is
// cleared. "Ignore" also forgets the battery's code, as no battery is read.
BatteryEditing ClickChoice(SettingsForm& form, SettingsImage& image, Field group, int choice);

// A click on the governor's box, whichever way it turned: the governor
// excludes reversing, the overtemperature cut-off and switching off.
void ClickGovernor(SettingsForm& form);

}  // namespace kvr
