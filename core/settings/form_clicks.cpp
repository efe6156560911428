// The settings form's click rules: the radios and the governor box and what they clear.
#include "settings/form_clicks.h"

namespace kvr {

void BatteryEditing::Then(const BatteryEditing& later) {
    if (later.radios) radios = later.radios;
    if (later.lipoCells) lipoCells = later.lipoCells;
    if (later.threshold) threshold = later.threshold;
}

BatteryEditing ClickChoice(SettingsForm& form, SettingsImage& image, Field group, int choice) {
    BatteryEditing editing;
    std::string& lipoCells = form[Field::LipoCells].text;
    std::string& threshold = form[Field::Threshold].text;
    if (group == Field::Frequency) {
        form[group].radios = 1U << choice;
    } else if (group == Field::LowVoltage) {
        form[group].radios = 1U << choice;
        editing.radios = choice != kLvChoiceIgnore;
        if (choice == kLvChoiceIgnore) {
            threshold.clear();
            lipoCells.clear();
            image.batteryCode = kBatteryNicd;
            editing.lipoCells = false;
            editing.threshold = false;
            form[Field::Battery].radios = 0;
        }
    } else if (group == Field::Battery) {
        editing.lipoCells = choice == kBatteryChoiceLipo;
        editing.threshold = choice == kBatteryChoiceFixed;
        if (choice != kBatteryChoiceLipo) lipoCells.clear();
        if (choice != kBatteryChoiceFixed) threshold.clear();
    }
    return editing;
}

void ClickGovernor(SettingsForm& form) {
    form[Field::ForwardReverse].checked = false;
    form[Field::Overtemp].checked = false;
    form[Field::LowVoltage].radios &= ~(1U << kLvChoiceSwitchOff);
}

}  // namespace kvr
