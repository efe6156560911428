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

int ReadWord(ReadRun& run, int highAddress, int lowAddress) {
    const int high = ReadSettingsByte(run, highAddress);
    const int low = ReadSettingsByte(run, lowAddress);
    return high * 256 + low;
}

}  // namespace

int ReadSettingsByte(ReadRun& run, int address) {
    return run.Read(address).value & 0xFF;
}

ControllerParameters ReadControllerParameters(ReadRun& run) {
    ControllerParameters v;
    v.clockMhz = ReadSettingsByte(run, ClockMhz);
    v.fullSpeedTime = ReadWord(run, FullSpeedTimeHigh, FullSpeedTimeLow);
    v.neutralTime = ReadWord(run, NeutralTimeHigh, NeutralTimeLow);
    v.stopTime = ReadWord(run, StopTimeHigh, StopTimeLow);
    v.options = ReadSettingsByte(run, OptionFlags);
    v.timingCode = ReadSettingsByte(run, TimingCode);
    v.pwmCode = ReadSettingsByte(run, PwmCode);
    v.brakeLevel = ReadSettingsByte(run, BrakeLevel);
    if ((v.options & kOptRpmControl) != 0) {
        v.rpmPeriod = ReadWord(run, RpmPeriodHigh, RpmPeriodLow);
        (void)ReadSettingsByte(run, RpmReserved);
    }
    v.lowVoltageMode = ReadSettingsByte(run, LowVoltageMode);
    v.batteryCode = ReadSettingsByte(run, BatteryCode);
    if (v.batteryCode == kBatteryLipo) v.lipoCells = ReadSettingsByte(run, LipoCells);
    v.overtempMode = ReadSettingsByte(run, OvertempMode);
    v.acceleration = ReadSettingsByte(run, Acceleration);
    v.startupPower = ReadSettingsByte(run, StartupPower);
    v.logTransmitter = ReadSettingsByte(run, LogTransmitterFailure);
    v.logOvertemp = ReadSettingsByte(run, LogOvertemperature);
    v.logUndervoltage = ReadSettingsByte(run, LogUndervoltage);
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
        ReadRun run(p);
        const int value = ReadSettingsByte(run, step.address);
        if (run.End() != LinkFault::None) {
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
