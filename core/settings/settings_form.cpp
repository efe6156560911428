// The settings fields' table, and the checks and byte encoding of Write.
#include "settings/settings_form.h"

#include "settings/conversions.h"

namespace kvr {
namespace {

constexpr FieldChoice kBrakeChoices[] = {{"off"}, {"hard"}, {"medium"}, {"soft"}};
constexpr FieldChoice kTimingChoices[] = {{"0"}, {"7.5"}, {"15"}, {"22.5"}, {"30"}, {"auto"}};
constexpr FieldChoice kLowVoltageChoices[] = {{"ignore"}, {"reducePower"}, {"switchOff"}};
constexpr FieldChoice kBatteryChoices[] = {{"nicd"}, {"lipo"}, {"fixed"}};
constexpr FieldChoice kFrequencyChoices[] = {{"7.8kHz"}, {"15.6kHz", kFeatFreq156}};

// Pulse-time limits in ms. The lower margin of the stop-to-neutral gap
// (0.069 for 0.07) lets a typed limit pass although its single-precision
// value lies just below it.
constexpr FieldRange kFullSpeedAccepted{1.6L, 2.3L};
constexpr FieldRange kStopAccepted{0.8L, 1.43L};
constexpr long double kNeutralToFullMin = 0.25L;
constexpr long double kStopToNeutralMin = 0.069L;
constexpr FieldRange kSmallNumberAccepted{1, 50};
constexpr FieldRange kLipoAccepted{2, 4};
constexpr FieldRange kCounterAccepted{0, 255};
constexpr int kAutoTimingIndex = 5;
constexpr int kBrakeIndexMax = 3;
// Counter fields are read with at most 3 characters.
constexpr std::size_t kCounterChars = 3;

using K = FieldKind;
using F = Field;
constexpr SettingsField kFields[kFieldCount] = {
    {F::FullSpeed, "fullSpeedMs", K::Time, 0, {}, 0, kFullSpeedAccepted},
    {F::Neutral, "neutralMs", K::Time},
    {F::Stop, "stopMs", K::Time, 0, {}, 0, kStopAccepted},
    {F::Acceleration, "acceleration", K::Byte, 3, {}, 0, kSmallNumberAccepted},
    {F::StartupPower, "startupPower", K::Byte, 3, {}, 0, kSmallNumberAccepted},
    {F::Brake, "emfBrake", K::List, 0, kBrakeChoices},
    {F::Timing, "timing", K::List, 0, kTimingChoices},
    {F::RpmControl, "rpmControl", K::Check, 0, {}, kFeatRpmControl},
    {F::Overtemp, "overtempProtection", K::Check},
    {F::RpmLimit, "rpmLimit", K::Check},
    {F::FreeWheeling, "freeWheeling", K::Check, 0, {}, kFeatFreeWheeling},
    {F::ForwardReverse, "forwardReverse", K::Check, 0, {}, kFeatForwardReverse},
    {F::Turbo, "turbo", K::Check},
    {F::LowVoltage, "lowVoltage", K::Radios, 0, kLowVoltageChoices},
    {F::Battery, "battery", K::Radios, 0, kBatteryChoices},
    {F::LipoCells, "lipoCells", K::Byte, 2, {}, 0, kLipoAccepted},
    {F::Threshold, "thresholdVolts", K::Volts},
    {F::Frequency, "frequency", K::Radios, 0, kFrequencyChoices},
    {F::LogTransmitter, "logTransmitterFailure", K::Byte, 2, {}, 0, kCounterAccepted},
    {F::LogOvertemp, "logOvertemperature", K::Byte, 2, {}, 0, kCounterAccepted},
    {F::LogUndervoltage, "logUndervoltage", K::Byte, 2, {}, 0, kCounterAccepted},
};

constexpr bool TableInFieldOrder() {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (static_cast<std::size_t>(kFields[i].field) != i) return false;
    }
    return true;
}
static_assert(TableInFieldOrder());

bool Accepted(Field f, long double value) {
    const FieldRange& r = FieldOf(f).accepted;
    return value >= r.min && value <= r.max;
}

// The first n characters of UTF-8 text, as a field gives them.
std::string FirstChars(const std::string& text, std::size_t n) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool lead = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (lead && chars++ == n) return text.substr(0, i);
    }
    return text;
}

// Text that does not parse counts as 0.
int SmallNumber(const std::string& text) {
    int value = 0;
    if (!ParseSmallNumber(text, value)) return 0;
    return value;
}

// The low-voltage handling and the governor's exclusions.
Refusal CheckModes(const SettingsForm& form, CheckedSettings& c) {
    if (form.On(F::LowVoltage, kLvChoiceIgnore)) c.lowVoltageMode = kLowVoltageIgnore;
    if (form.On(F::LowVoltage, kLvChoiceReduce)) c.lowVoltageMode = kLowVoltageReduce;
    if (form.On(F::LowVoltage, kLvChoiceSwitchOff)) c.lowVoltageMode = kLowVoltageSwitchOff;
    if (c.lowVoltageMode == 0) return Refusal::LowVoltageMissing;
    if (!form.Checked(F::RpmControl)) return Refusal::None;
    c.governorDefaultsDue = true;
    if (form.On(F::LowVoltage, kLvChoiceSwitchOff)) return Refusal::RpmNoUndervoltageCutOff;
    if (form.Checked(F::Overtemp)) return Refusal::RpmNoOvertempCutOff;
    if (form.Checked(F::ForwardReverse)) return Refusal::RpmNoForwardReverse;
    if (form.Checked(F::Turbo)) return Refusal::RpmNoTurbo;
    if (form[F::Brake].selected != 0) return Refusal::RpmNoBrake;
    return Refusal::None;
}

Refusal CheckBattery(const SettingsForm& form, CheckedSettings& c) {
    const int cells = SmallNumber(form[F::LipoCells].text);
    if (c.lowVoltageMode == kLowVoltageIgnore) {
        // "ignore" with a LiPo battery read: the cell count Read showed goes
        // back unchanged instead of a count never entered.
        if (c.batteryCode == kBatteryLipo && Accepted(F::LipoCells, cells)) c.lipoCount = cells;
        return Refusal::None;
    }
    const bool nicd = form.On(F::Battery, kBatteryChoiceNicd);
    const bool lipo = form.On(F::Battery, kBatteryChoiceLipo);
    const bool fix = form.On(F::Battery, kBatteryChoiceFixed);
    if (!nicd && !lipo && !fix) return Refusal::ThresholdMissing;
    if (nicd) c.batteryCode = kBatteryNicd;
    if (lipo) {
        if (!Accepted(F::LipoCells, cells)) return Refusal::LipoCountRange;
        // Only an accepted count is kept: it is written to the controller
        // with every later Write.
        c.lipoCount = cells;
        c.batteryCode = kBatteryLipo;
    }
    if (fix) {
        const float volts = ParseFieldNumber(form[F::Threshold].text);
        if (!ThresholdVoltsAccepted(volts)) return Refusal::ThresholdRange;
        c.batteryCode = VoltsToThreshold(volts);
    }
    return Refusal::None;
}

Refusal CheckNumbers(const SettingsForm& form, const SettingsImage& image, CheckedSettings& c) {
    if (form.On(F::Frequency, kFreqChoice156) && image.clockMhz == 8) {
        return Refusal::FrequencyAt8Mhz;
    }
    c.acceleration = SmallNumber(form[F::Acceleration].text);
    if (!Accepted(F::Acceleration, c.acceleration)) return Refusal::AccelerationRange;
    c.timingIndex = form[F::Timing].selected;
    c.timingCode = TimingIndexToCode(c.timingIndex);
    if (c.timingCode < 0) return Refusal::TimingMissing;
    c.brakeIndex = form[F::Brake].selected;
    if (c.brakeIndex < 0 || c.brakeIndex > kBrakeIndexMax) return Refusal::BrakeMissing;
    c.startupPower = SmallNumber(form[F::StartupPower].text);
    if (!Accepted(F::StartupPower, c.startupPower)) return Refusal::StartupPowerRange;
    const Field counters[] = {F::LogTransmitter, F::LogOvertemp, F::LogUndervoltage};
    for (std::size_t i = 0; i < c.counters.size(); ++i) {
        int value = -1;
        if (!ParseSmallNumber(FirstChars(form[counters[i]].text, kCounterChars), value) ||
            !Accepted(counters[i], value)) {
            return Refusal::LogCounterRange;
        }
        c.counters[i] = value;
    }
    // Neither radio names a code for this clock: keep the code read.
    c.pwmCode = PwmCodeFor(form.On(F::Frequency, kFreqChoice78),
                           form.On(F::Frequency, kFreqChoice156), image.clockMhz);
    if (c.pwmCode < 0) c.pwmCode = image.pwmCode & 0xFF;
    return Refusal::None;
}

}  // namespace

std::span<const SettingsField, kFieldCount> SettingsFields() {
    return kFields;
}

const SettingsField& FieldOf(Field field) {
    return kFields[static_cast<std::size_t>(field)];
}

std::size_t FieldIndex(std::string_view name) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (kFields[i].name == name) return i;
    }
    return kFieldCount;
}

int ChoiceIndex(const SettingsField& field, std::string_view name) {
    for (std::size_t i = 0; i < field.choices.size(); ++i) {
        if (field.choices[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

int ChosenRadio(Field group, unsigned radios) {
    int chosen = -1;
    for (std::size_t i = 0; i < FieldOf(group).choices.size(); ++i) {
        if ((radios >> i & 1U) != 0) chosen = static_cast<int>(i);
    }
    return chosen;
}

CheckedSettings CheckSettings(const SettingsForm& form, const SettingsImage& image) {
    CheckedSettings c;
    c.batteryCode = image.batteryCode;
    c.lipoCount = image.lipoCount;
    // Differences are formed from the single-precision values as typed.
    c.fullSpeedMs = ParseFieldNumber(form[F::FullSpeed].text);
    c.stopMs = ParseFieldNumber(form[F::Stop].text);
    c.neutralMs = ParseFieldNumber(form[F::Neutral].text);
    const long double fullSpeed = c.fullSpeedMs;
    const long double stop = c.stopMs;
    const long double neutral = c.neutralMs;
    if (!Accepted(F::FullSpeed, fullSpeed))
        c.refusal = Refusal::FullSpeedRange;
    else if (!Accepted(F::Stop, stop))
        c.refusal = Refusal::StopRange;
    else if (!(fullSpeed - neutral >= kNeutralToFullMin))
        c.refusal = Refusal::NeutralFullSpeed;
    else if (!(neutral - stop >= kStopToNeutralMin))
        c.refusal = Refusal::NeutralStop;
    if (c.refusal != Refusal::None) return c;
    c.refusal = CheckModes(form, c);
    if (c.refusal == Refusal::None) c.refusal = CheckBattery(form, c);
    if (c.refusal == Refusal::None) c.refusal = CheckNumbers(form, image, c);
    return c;
}

EncodedSettings EncodeSettings(const SettingsForm& form, const CheckedSettings& c,
                               const SettingsImage& image) {
    const bool rpmControl = form.Checked(F::RpmControl);
    int options = image.options & kOptQuickStart;
    if (c.timingIndex != kAutoTimingIndex) options |= kOptFixedTiming;
    if (form.Checked(F::ForwardReverse)) options |= kOptForwardReverse;
    if (form.Checked(F::RpmLimit)) options |= kOptRpmLimit;
    if (form.Checked(F::FreeWheeling)) options |= kOptFreeWheeling;
    if (rpmControl) options |= kOptRpmControl;
    if (c.brakeIndex != 0) options |= kOptBrake;
    if (form.Checked(F::Turbo)) options |= kOptTurbo;

    const int fullSpeedTime = MsToTime(c.fullSpeedMs);
    const int stopTime = MsToTime(c.stopMs);
    const int neutralTime = MsToTime(c.neutralMs);
    EncodedSettings e{options,
                      {
                          {FullSpeedTimeHigh, HighByte(fullSpeedTime)},
                          {FullSpeedTimeLow, LowByte(fullSpeedTime)},
                          {StopTimeHigh, HighByte(stopTime)},
                          {StopTimeLow, LowByte(stopTime)},
                          {NeutralTimeHigh, HighByte(neutralTime)},
                          {NeutralTimeLow, LowByte(neutralTime)},
                          {TimingCode, c.timingCode},
                          {OptionFlags, options},
                          {BrakeLevel, c.brakeIndex},
                          {Acceleration, c.acceleration},
                          {PwmCode, c.pwmCode},
                          {LowVoltageMode, c.lowVoltageMode},
                          {BatteryCode, c.batteryCode & 0xFF},
                          {LipoCells, c.lipoCount & 0xFF},
                          {OvertempMode, form.Checked(F::Overtemp) ? kOvertempOn : kOvertempOff},
                          {StartupPower, c.startupPower},
                          {RpmControlMode, rpmControl ? kRpmModeOn : kRpmModeOff},
                          {LogTransmitterFailure, c.counters[0]},
                          {LogOvertemperature, c.counters[1]},
                          {LogUndervoltage, c.counters[2]},
                      }};
    // The fourth counter has no field; it is cleared only after Reset and
    // otherwise keeps the controller's count.
    if ((image.features & kFeatLogExtra) != 0 && image.logExtraCleared) {
        e.writes.push_back({LogExtra, 0});
    }
    return e;
}

}  // namespace kvr
