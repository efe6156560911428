#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "app/link_messages.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "link/verified_writes.h"
#include "res/app_texts.h"
#include "res/connect_texts.h"
#include "res/ids.h"
#include "res/settings_texts.h"
#include "settings/conversions.h"
#include "settings/settings_commands.h"

namespace kvr {
namespace {

// Pulse-time limits in ms. The lower margins (0.069 for 0.07) let a typed
// limit pass although its single-precision value lies just below it.
constexpr long double kFullSpeedMin = 1.6L;
constexpr long double kFullSpeedMax = 2.3L;
constexpr long double kStopMin = 0.8L;
constexpr long double kStopMax = 1.43L;
constexpr long double kNeutralToFullMin = 0.25L;
constexpr long double kStopToNeutralMin = 0.069L;

constexpr int kSmallNumberMin = 1;
constexpr int kSmallNumberMax = 50;
constexpr int kLipoMin = 2;
constexpr int kLipoMax = 4;
constexpr int kGovernorParamLimit = 10;
constexpr int kGovernorParamDefault = 3;
constexpr int kPeriodDefaultHigh = 2;
constexpr int kPeriodDefaultLow = 25;
constexpr int kAutoTimingIndex = 5;
// Counter fields are read with at most 3 characters.
constexpr std::size_t kCounterChars = 3;

void SetStatus(Window& w, std::string_view text) {
    w.SetText(id::kStatusLine, std::string(text));
}

// Both end a Write that did not store everything: 1.
int ResetStatus(Window& w) {
    SetStatus(w, "");
    w.Enable(id::kStatusLine, false);
    return 1;
}

int Refuse(Program& p, Window& w, const Text& message) {
    p.os.host.MessageBox(&w, std::string(p.T(message)), std::string(p.T(texts::kCaptionErrorBang)),
                         MessageButtons::Ok);
    return 1;
}

float FieldNumber(Window& w, int control) {
    return ParseFieldNumber(w.GetText(control, kFieldChars));
}

// Text that does not parse counts as 0.
int FieldSmallNumber(Window& w, int control, std::size_t maxChars = kFieldChars) {
    int value = 0;
    if (!ParseSmallNumber(w.GetText(control, maxChars), value)) return 0;
    return value;
}

int ReadByte(Program& p, int address) {
    return ReadControllerByte(p, address) & 0xFF;
}

// Gives the governor sane parameters where the controller holds erased
// ones; 0 on success, 1 after a failed write or a reply that did not arrive
// (its message shown).
int WriteGovernorDefaults(Program& p) {
    const auto writeGains = [&p] {
        return WriteControllerBytesChecked(p, {{RpmProportional, kGovernorParamDefault},
                                               {RpmIntegralCode, kGovernorParamDefault}});
    };
    const auto writePeriod = [&p] {
        return WriteControllerBytesChecked(
            p, {{RpmPeriodHigh, kPeriodDefaultHigh}, {RpmPeriodLow, kPeriodDefaultLow}});
    };
    // A default is written only on a value that did arrive.
    const auto read = [&p](int address, int& value) {
        value = ReadByte(p, address);
        if (ConfirmReads(p) == 0) return true;
        ShowLinkFault(p, nullptr);
        return false;
    };
    int value = 0;
    if (!read(RpmProportional, value)) return 1;
    if (value > kGovernorParamLimit && writeGains() != 0) return 1;
    if (!read(RpmIntegralCode, value)) return 1;
    if (value > kGovernorParamLimit && writeGains() != 0) return 1;
    if (!read(RpmPeriodHigh, value)) return 1;
    if (value == 0xFF && writePeriod() != 0) return 1;
    if (!read(RpmPeriodLow, value)) return 1;
    if (value == 0xFF && writePeriod() != 0) return 1;
    return 0;
}

// A check alone leaves the shared values (battery code, cell count) as it
// found them.
class KeepImageWhen {
  public:
    KeepImageWhen(SettingsImage& s, bool keep) : s_(s), copy_(s), keep_(keep) {}
    ~KeepImageWhen() {
        if (keep_) s_ = copy_;
    }
    KeepImageWhen(const KeepImageWhen&) = delete;
    KeepImageWhen& operator=(const KeepImageWhen&) = delete;

  private:
    SettingsImage& s_;
    SettingsImage copy_;
    bool keep_;
};

}  // namespace

int WriteSettings(Program& p, Window& w, WriteMode mode) {
    SettingsImage& s = p.settings;
    const KeepImageWhen keep(s, mode == WriteMode::ValidateOnly);
    p.app.statusWindow = &w;
    if (SettingsReadGate(p) != 0) return 1;
    // Write talks over the link Read left; it starts without a fault.
    ClearLinkFault(p);

    // Differences are formed from the single-precision values as typed.
    const long double fullSpeed = FieldNumber(w, id::kFullSpeedTime);
    if (!(fullSpeed >= kFullSpeedMin && fullSpeed <= kFullSpeedMax)) {
        return Refuse(p, w, texts::kFullSpeedRange);
    }
    const long double stop = FieldNumber(w, id::kStopTime);
    if (!(stop >= kStopMin && stop <= kStopMax)) return Refuse(p, w, texts::kStopRange);
    const long double neutral = FieldNumber(w, id::kNeutralTime);
    if (!(fullSpeed - neutral >= kNeutralToFullMin)) {
        return Refuse(p, w, texts::kNeutralFullSpeed);
    }
    if (!(neutral - stop >= kStopToNeutralMin)) return Refuse(p, w, texts::kNeutralStop);

    int lowVoltageMode = 0;
    if (w.IsChecked(id::kLvIgnore)) lowVoltageMode = kLowVoltageIgnore;
    if (w.IsChecked(id::kLvReducePower)) lowVoltageMode = kLowVoltageReduce;
    if (w.IsChecked(id::kLvSwitchOff)) lowVoltageMode = kLowVoltageSwitchOff;
    if (lowVoltageMode == 0) {
        Refuse(p, w, texts::kLowVoltageMissing);
        return ResetStatus(w);
    }

    const bool rpmControl = w.IsChecked(id::kRpmControl);
    if (rpmControl) {
        // These defaults stay in the controller even when a later check
        // refuses; a check alone leaves the controller as it is.
        if (mode == WriteMode::Store && WriteGovernorDefaults(p) != 0) return ResetStatus(w);
        if (w.IsChecked(id::kLvSwitchOff)) return Refuse(p, w, texts::kRpmNoUndervoltageCutOff);
        if (w.IsChecked(id::kOvertempProtection)) {
            return Refuse(p, w, texts::kRpmNoOvertempCutOff);
        }
        if (w.IsChecked(id::kForwardReverse)) return Refuse(p, w, texts::kRpmNoForwardReverse);
        if (w.IsChecked(id::kTurbo)) return Refuse(p, w, texts::kRpmNoTurbo);
        if (w.ComboGetSel(id::kBrakeList) != 0) return Refuse(p, w, texts::kRpmNoBrake);
    }

    if (lowVoltageMode != kLowVoltageIgnore) {
        const bool nicd = w.IsChecked(id::kBatteryNicd);
        const bool lipo = w.IsChecked(id::kBatteryLipo);
        const bool fix = w.IsChecked(id::kBatteryFix);
        if (!nicd && !lipo && !fix) {
            Refuse(p, w, texts::kThresholdMissing);
            w.Enable(id::kStatusLine, false);
            return 1;
        }
        if (nicd) s.batteryCode = kBatteryNicd;
        if (lipo) {
            const int cells = FieldSmallNumber(w, id::kLipoCells);
            if (cells < kLipoMin || cells > kLipoMax) {
                Refuse(p, w, texts::kLipoCountRange);
                w.Enable(id::kStatusLine, false);
                return 1;
            }
            // Only an accepted count is kept: it is written to the
            // controller with every later Write.
            s.lipoCount = cells;
            s.batteryCode = kBatteryLipo;
        }
        if (fix) {
            const float volts = FieldNumber(w, id::kThresholdVolts);
            if (!ThresholdVoltsAccepted(volts)) {
                Refuse(p, w, texts::kThresholdRange);
                return ResetStatus(w);
            }
            s.batteryCode = VoltsToThreshold(volts);
        }
    } else if (s.batteryCode == kBatteryLipo) {
        // "ignore" with a LiPo battery read: the cell count Read showed goes
        // back unchanged instead of a count never entered.
        const int cells = FieldSmallNumber(w, id::kLipoCells);
        if (cells >= kLipoMin && cells <= kLipoMax) s.lipoCount = cells;
    }

    if (w.IsChecked(id::kFreq156) && s.clockMhz == 8) {
        Refuse(p, w, texts::kFrequencyAt8Mhz);
        return ResetStatus(w);
    }
    const int acceleration = FieldSmallNumber(w, id::kAcceleration);
    if (acceleration < kSmallNumberMin || acceleration > kSmallNumberMax) {
        Refuse(p, w, texts::kAccelerationRange);
        return ResetStatus(w);
    }
    const int timingIndex = w.ComboGetSel(id::kTimingList);
    const int timingCode = TimingIndexToCode(timingIndex);
    if (timingCode < 0) {
        Refuse(p, w, texts::kTimingMissing);
        return ResetStatus(w);
    }
    const int brakeIndex = w.ComboGetSel(id::kBrakeList);
    if (brakeIndex < 0 || brakeIndex > 3) {
        Refuse(p, w, texts::kBrakeMissing);
        return ResetStatus(w);
    }
    const int startupPower = FieldSmallNumber(w, id::kStartupPower);
    if (startupPower < kSmallNumberMin || startupPower > kSmallNumberMax) {
        Refuse(p, w, texts::kStartupPowerRange);
        return ResetStatus(w);
    }
    std::array<int, 3> counters{};
    const std::array<int, 3> counterFields{id::kLogTransmitter, id::kLogOvertemp,
                                           id::kLogUndervoltage};
    for (std::size_t i = 0; i < counters.size(); ++i) {
        int value = -1;
        if (!ParseSmallNumber(w.GetText(counterFields[i], kCounterChars), value) || value < 0 ||
            value > 255) {
            Refuse(p, w, texts::kLogCounterRange);
            return ResetStatus(w);
        }
        counters[i] = value;
    }
    // Neither radio names a code for this clock: keep the code read.
    int pwmCode = PwmCodeFor(w.IsChecked(id::kFreq78), w.IsChecked(id::kFreq156), s.clockMhz);
    if (pwmCode < 0) pwmCode = s.pwmCode & 0xFF;

    if (mode == WriteMode::ValidateOnly) return 0;

    // The status line may still say "OK" from the Read: a Write that cannot
    // connect must not look done.
    if (ConnectLinkChecked(p) != 0) return ResetStatus(w);
    w.Repaint();
    SetStatus(w, p.T(texts::kWriting));
    w.Enable(id::kStatusLine, true);
    w.Repaint();

    const bool governorWasOn = (s.options & kOptRpmControl) != 0;
    int options = s.options & kOptQuickStart;
    if (timingIndex != kAutoTimingIndex) options |= kOptFixedTiming;
    if (w.IsChecked(id::kForwardReverse)) options |= kOptForwardReverse;
    if (w.IsChecked(id::kRpmLimit)) options |= kOptRpmLimit;
    if (w.IsChecked(id::kFreeWheeling)) options |= kOptFreeWheeling;
    if (rpmControl) options |= kOptRpmControl;
    if (brakeIndex != 0) options |= kOptBrake;
    if (w.IsChecked(id::kTurbo)) options |= kOptTurbo;
    s.options = options;

    const int fullSpeedTime = MsToTime(static_cast<float>(fullSpeed));
    const int stopTime = MsToTime(static_cast<float>(stop));
    const int neutralTime = MsToTime(static_cast<float>(neutral));
    std::vector<ByteWrite> writes = {
        {FullSpeedTimeHigh, HighByte(fullSpeedTime)},
        {FullSpeedTimeLow, LowByte(fullSpeedTime)},
        {StopTimeHigh, HighByte(stopTime)},
        {StopTimeLow, LowByte(stopTime)},
        {NeutralTimeHigh, HighByte(neutralTime)},
        {NeutralTimeLow, LowByte(neutralTime)},
        {TimingCode, timingCode},
        {OptionFlags, options},
        {BrakeLevel, brakeIndex},
        {Acceleration, acceleration},
        {PwmCode, pwmCode},
        {LowVoltageMode, lowVoltageMode},
        {BatteryCode, s.batteryCode & 0xFF},
        {LipoCells, s.lipoCount & 0xFF},
        {OvertempMode, w.IsChecked(id::kOvertempProtection) ? kOvertempOn : kOvertempOff},
        {StartupPower, startupPower},
        {RpmControlMode, rpmControl ? kRpmModeOn : kRpmModeOff},
        {LogTransmitterFailure, counters[0]},
        {LogOvertemperature, counters[1]},
        {LogUndervoltage, counters[2]},
    };
    // The fourth counter has no field; it is cleared only after Reset and
    // otherwise keeps the controller's count.
    if ((s.features & kFeatLogExtra) != 0 && s.logExtraCleared) writes.emplace_back(LogExtra, 0);

    std::size_t attempted = 0;
    const int failed = WriteControllerBytesChecked(p, writes, &attempted);
    const bool modeSent =
        std::any_of(writes.begin(), writes.begin() + static_cast<long>(attempted),
                    [](const ByteWrite& x) { return x.address == RpmControlMode; });
    if (modeSent) {
        // The exit commands remind the user of a governor that was in use
        // (running, or just set up in the RPM-control dialog) and is now
        // off; a user who never uses it is not bothered.
        p.app.rpmControlInactive = !rpmControl && (governorWasOn || p.app.rpmControlInactive);
    }
    if (failed != 0) {
        ResetStatus(w);
        w.Repaint();
        return 1;
    }

    SetStatus(w, p.T(texts::kStatusOk));
    w.Enable(id::kStatusLine, false);
    w.Repaint();
    p.os.host.Beep();
    return 0;
}

}  // namespace kvr
