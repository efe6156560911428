// The settings bytes read from the controller in its order, and the governor's defaults written.
#include "settings/controller_settings.h"

#include <span>

#include "link/exchange.h"
#include "settings/settings_image.h"

namespace kvr {
namespace {

// Gains above this, or an erased period byte, are no governor parameters.
constexpr int kGovernorParamLimit = 10;
constexpr ByteWrite kGainDefaults[] = {{RpmProportional, 3}, {RpmIntegralCode, 3}};
constexpr ByteWrite kPeriodDefaults[] = {{RpmPeriodHigh, 2}, {RpmPeriodLow, 25}};

int ReadWord(CoreContext& p, int highAddress, int lowAddress) {
    const int high = ReadSettingsByte(p, highAddress);
    const int low = ReadSettingsByte(p, lowAddress);
    return high * 256 + low;
}

}  // namespace

int ReadSettingsByte(CoreContext& p, int address) {
    return ReadControllerByte(p, address) & 0xFF;
}

ControllerParameters ReadControllerParameters(CoreContext& p) {
    ControllerParameters v;
    v.clockMhz = ReadSettingsByte(p, ClockMhz);
    v.fullSpeedTime = ReadWord(p, FullSpeedTimeHigh, FullSpeedTimeLow);
    v.neutralTime = ReadWord(p, NeutralTimeHigh, NeutralTimeLow);
    v.stopTime = ReadWord(p, StopTimeHigh, StopTimeLow);
    v.options = ReadSettingsByte(p, OptionFlags);
    v.timingCode = ReadSettingsByte(p, TimingCode);
    v.pwmCode = ReadSettingsByte(p, PwmCode);
    v.brakeLevel = ReadSettingsByte(p, BrakeLevel);
    if ((v.options & kOptRpmControl) != 0) {
        v.rpmPeriod = ReadWord(p, RpmPeriodHigh, RpmPeriodLow);
        (void)ReadSettingsByte(p, RpmReserved);
    }
    v.lowVoltageMode = ReadSettingsByte(p, LowVoltageMode);
    v.batteryCode = ReadSettingsByte(p, BatteryCode);
    if (v.batteryCode == kBatteryLipo) v.lipoCells = ReadSettingsByte(p, LipoCells);
    v.overtempMode = ReadSettingsByte(p, OvertempMode);
    v.acceleration = ReadSettingsByte(p, Acceleration);
    v.startupPower = ReadSettingsByte(p, StartupPower);
    v.logTransmitter = ReadSettingsByte(p, LogTransmitterFailure);
    v.logOvertemp = ReadSettingsByte(p, LogOvertemperature);
    v.logUndervoltage = ReadSettingsByte(p, LogUndervoltage);
    return v;
}

GovernorDefaultsOutcome WriteGovernorDefaults(CoreContext& p) {
    struct Step {
        int address;
        bool periodByte;  // due when erased; a gain when above the limit
        std::span<const ByteWrite> defaults;
    };
    const Step steps[] = {{RpmProportional, false, kGainDefaults},
                          {RpmIntegralCode, false, kGainDefaults},
                          {RpmPeriodHigh, true, kPeriodDefaults},
                          {RpmPeriodLow, true, kPeriodDefaults}};
    GovernorDefaultsOutcome outcome;
    for (const Step& step : steps) {
        const int value = ReadSettingsByte(p, step.address);
        if (ConfirmReads(p) != 0) {
            outcome.repliesArrived = false;
            return outcome;
        }
        const bool due = step.periodByte ? value == 0xFF : value > kGovernorParamLimit;
        if (!due) continue;
        outcome.written = WriteControllerBytes(p, {step.defaults.begin(), step.defaults.end()});
        if (outcome.written != WriteOutcome::Written) return outcome;
    }
    return outcome;
}

}  // namespace kvr
