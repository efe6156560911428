#include "settings/controller_settings.h"

#include "link/exchange.h"
#include "settings/settings_image.h"

namespace kvr {
namespace {

constexpr int kGovernorParamLimit = 10;
constexpr int kGovernorParamDefault = 3;
constexpr int kPeriodDefaultHigh = 2;
constexpr int kPeriodDefaultLow = 25;

int ReadWord(Program& p, int highAddress, int lowAddress) {
    const int high = ReadSettingsByte(p, highAddress);
    const int low = ReadSettingsByte(p, lowAddress);
    return high * 256 + low;
}

}  // namespace

int ReadSettingsByte(Program& p, int address) {
    return ReadControllerByte(p, address) & 0xFF;
}

ControllerParameters ReadControllerParameters(Program& p) {
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

GovernorDefaultsOutcome WriteGovernorDefaults(Program& p) {
    struct Step {
        int address;
        bool erased;  // the value counts as erased when 0xFF, else above the limit
        std::vector<ByteWrite> defaults;
    };
    const std::vector<ByteWrite> gains = {{RpmProportional, kGovernorParamDefault},
                                          {RpmIntegralCode, kGovernorParamDefault}};
    const std::vector<ByteWrite> period = {{RpmPeriodHigh, kPeriodDefaultHigh},
                                           {RpmPeriodLow, kPeriodDefaultLow}};
    const Step steps[] = {{RpmProportional, false, gains},
                          {RpmIntegralCode, false, gains},
                          {RpmPeriodHigh, true, period},
                          {RpmPeriodLow, true, period}};
    GovernorDefaultsOutcome outcome;
    for (const Step& step : steps) {
        const int value = ReadSettingsByte(p, step.address);
        if (ConfirmReads(p) != 0) {
            outcome.repliesArrived = false;
            return outcome;
        }
        const bool due = step.erased ? value == 0xFF : value > kGovernorParamLimit;
        if (!due) continue;
        outcome.written = WriteControllerBytes(p, step.defaults);
        if (outcome.written != WriteOutcome::Written) return outcome;
    }
    return outcome;
}

}  // namespace kvr
