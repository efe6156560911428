// The settings of the main window as one typed form, described by one table
// of fields: the settings files, the window's controls and the checks and
// byte writes of "Write" all follow it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/verified_writes.h"
#include "settings/settings_image.h"

namespace kvr {

enum class FieldKind {
    Time,    // a pulse time in ms
    Volts,   // the fixed threshold
    Byte,    // a plain number of one byte
    Check,   // a check box: true or false
    List,    // a list's entry by name, null for none
    Radios,  // the checked radio of a group by name, null for none
};

// The fields in file order; the order of kSettingsFields.
enum class Field : std::size_t {
    FullSpeed,
    Neutral,
    Stop,
    Acceleration,
    StartupPower,
    Brake,
    Timing,
    RpmControl,
    Overtemp,
    RpmLimit,
    FreeWheeling,
    ForwardReverse,
    Turbo,
    LowVoltage,
    Battery,
    LipoCells,
    Threshold,
    Frequency,
    LogTransmitter,
    LogOvertemp,
    LogUndervoltage,
};
inline constexpr std::size_t kFieldCount = 21;

struct FieldChoice {
    std::string_view name;
    int feature = 0;  // the FeatureFlags bit the controller needs for it
};

// What Write accepts of a number field; both ends included.
struct FieldRange {
    long double min = 0;
    long double max = 0;
};

struct SettingsField {
    Field field;
    std::string_view name;  // the file's key: never rename one
    FieldKind kind;
    int width = 0;  // digits a Byte field shows
    std::span<const FieldChoice> choices = {};
    int feature = 0;  // the FeatureFlags bit the controller needs for it
    FieldRange accepted = {};
};

// Choices of the radio groups, in the order of their buttons.
enum LowVoltageChoice : int { kLvChoiceIgnore, kLvChoiceReduce, kLvChoiceSwitchOff };
enum BatteryChoice : int { kBatteryChoiceNicd, kBatteryChoiceLipo, kBatteryChoiceFixed };
enum FrequencyChoice : int { kFreqChoice78, kFreqChoice156 };

// Every setting of the main window, indexed by Field.
std::span<const SettingsField, kFieldCount> SettingsFields();
const SettingsField& FieldOf(Field field);
// kFieldCount for a name no field has.
std::size_t FieldIndex(std::string_view name);
// The choice of that name; -1 for none.
int ChoiceIndex(const SettingsField& field, std::string_view name);

// A radio group's value as a file holds it: the last radio that is on, as
// Write reads a group; -1 for none.
int ChosenRadio(Field group, unsigned radios);

// One field as the window shows it: the text of a number field (as many
// characters as a field is read with), a box's check, a list's selection
// (-1 for none), and which radios of a group are on (bit per choice).
struct FieldValue {
    std::string text;
    bool checked = false;
    int selected = -1;
    unsigned radios = 0;
};

struct SettingsForm {
    std::array<FieldValue, kFieldCount> values;

    FieldValue& operator[](Field f) { return values[static_cast<std::size_t>(f)]; }
    const FieldValue& operator[](Field f) const { return values[static_cast<std::size_t>(f)]; }
    bool On(Field group, int choice) const { return ((*this)[group].radios >> choice & 1U) != 0; }
    bool Checked(Field f) const { return (*this)[f].checked; }
    int Chosen(Field group) const { return ChosenRadio(group, (*this)[group].radios); }
};

// Why Write refuses a form; in the order the checks run.
enum class Refusal {
    None,
    FullSpeedRange,
    StopRange,
    NeutralFullSpeed,
    NeutralStop,
    LowVoltageMissing,
    RpmNoUndervoltageCutOff,
    RpmNoOvertempCutOff,
    RpmNoForwardReverse,
    RpmNoTurbo,
    RpmNoBrake,
    ThresholdMissing,
    LipoCountRange,
    ThresholdRange,
    FrequencyAt8Mhz,
    AccelerationRange,
    TimingMissing,
    BrakeMissing,
    StartupPowerRange,
    LogCounterRange,
};

// A form as Write takes it, after the checks.
struct CheckedSettings {
    Refusal refusal = Refusal::None;
    // The governor is on and the checks before its own passed: Write gives
    // it sane parameters before any later refusal.
    bool governorDefaultsDue = false;
    // The battery code and cell count as the checks left them: an accepted
    // count is kept even when a later check refuses.
    int batteryCode = 0;
    int lipoCount = 0;

    float fullSpeedMs = 0;
    float stopMs = 0;
    float neutralMs = 0;
    int lowVoltageMode = 0;
    int timingIndex = -1;
    int timingCode = -1;
    int brakeIndex = -1;
    int acceleration = 0;
    int startupPower = 0;
    std::array<int, 3> counters{};
    int pwmCode = 0;
};

// The checks of Write, in the order their messages come; the same for a
// form typed, loaded from a file or about to be saved.
CheckedSettings CheckSettings(const SettingsForm& form, const SettingsImage& image);

// The option byte and the parameter writes, in the controller's order, for
// a form that passed the checks.
struct EncodedSettings {
    int options = 0;
    std::vector<ByteWrite> writes;
};
EncodedSettings EncodeSettings(const SettingsForm& form, const CheckedSettings& checked,
                               const SettingsImage& image);

}  // namespace kvr
