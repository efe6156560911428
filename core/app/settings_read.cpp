// "Read": the controller checked, its parameter bytes read and shown in the settings form.
#include <string>

#include "app/link_messages.h"
#include "app/settings_commands.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "res/connect_texts.h"
#include "res/ids.h"
#include "res/link_texts.h"
#include "res/settings_texts.h"
#include "settings/controller_settings.h"
#include "settings/conversions.h"

namespace kvr {
namespace {

void SetStatus(Window& w, std::string_view text) {
    w.SetText(id::kStatusLine, std::string(text));
}

// Ends a Read that refused the controller: the message also stays as the
// link's last error text.
void FailRead(Program& p, Window& w, const Text& message) {
    w.Enable(id::kStatusLine, true);
    w.Repaint();
    SetStatus(w, "");
    EndWithError(p, w, message);
}

// Ends a Read whose replies did not all arrive: nothing of it stays shown,
// Write is disabled and the settings count as not read, so that no invented
// value can be shown or written back. Returns 1, the end of a Read that
// failed.
int FailLink(Program& p, Window& w) {
    for (const int field :
         {id::kFullSpeedTime, id::kNeutralTime, id::kStopTime, id::kLogTransmitter,
          id::kLogOvertemp, id::kLogUndervoltage, id::kMaxFrequency, id::kAcceleration,
          id::kStartupPower, id::kVersionText, id::kLipoCells, id::kThresholdVolts}) {
        w.SetText(field, "");
    }
    for (const int box :
         {id::kFreq78, id::kFreq156, id::kFreeWheeling, id::kForwardReverse, id::kRpmLimit,
          id::kTurbo, id::kRpmControl, id::kLvIgnore, id::kLvReducePower, id::kLvSwitchOff,
          id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix, id::kOvertempProtection}) {
        w.SetCheck(box, false);
    }
    w.ComboSetSel(id::kTimingList, -1);
    w.ComboSetSel(id::kBrakeList, -1);
    w.Enable(id::kWrite, false);
    p.settings.versionWord = kVersionNotRead;
    p.settings.versionText.clear();
    SetStatus(w, "");
    w.Enable(id::kStatusLine, false);
    w.Repaint();
    ShowLinkFault(p, &w);
    return 1;
}

void ShowLowVoltageMode(Window& w, int mode) {
    w.SetCheck(id::kLvIgnore, false);
    w.SetCheck(id::kLvSwitchOff, false);
    w.SetCheck(id::kLvReducePower, false);
    if (mode == kLowVoltageIgnore) {
        w.SetCheck(id::kLvIgnore, true);
        for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
            w.Enable(radio, false);
            w.SetCheck(radio, false);
        }
        w.SetText(id::kThresholdVolts, "");
        w.SetText(id::kLipoCells, "");
        w.Enable(id::kThresholdVolts, false);
        w.Enable(id::kLipoCells, false);
    } else if (mode == kLowVoltageReduce || mode == kLowVoltageSwitchOff) {
        for (const int control :
             {id::kBatteryNicd, id::kBatteryLipo, id::kLipoCells, id::kBatteryFix}) {
            w.Enable(control, true);
        }
        w.SetCheck(mode == kLowVoltageReduce ? id::kLvReducePower : id::kLvSwitchOff, true);
    }
    w.SetCheck(id::kBatteryNicd, false);
    w.SetCheck(id::kBatteryLipo, false);
    w.SetCheck(id::kBatteryFix, false);
}

// One battery radio is checked whatever the low-voltage mode, so that a
// later change of mode shows what the controller holds.
void ShowBattery(Program& p, Window& w, int lipoCells) {
    const int code = p.settings.batteryCode;
    if (code == kBatteryNicd) {
        w.SetCheck(id::kBatteryNicd, true);
        w.SetCheck(id::kBatteryLipo, false);
        w.Enable(id::kLipoCells, false);
        w.Enable(id::kThresholdVolts, false);
        w.SetText(id::kLipoCells, "");
        w.SetText(id::kThresholdVolts, "");
    } else if (code == kBatteryLipo) {
        w.SetCheck(id::kBatteryLipo, true);
        w.SetCheck(id::kBatteryNicd, false);
        w.SetCheck(id::kBatteryFix, false);
        w.Enable(id::kThresholdVolts, false);
        w.Enable(id::kLipoCells, true);
        w.SetText(id::kLipoCells, SmallNumberText(lipoCells, 2));
    } else {
        w.SetCheck(id::kBatteryFix, true);
        w.SetCheck(id::kBatteryNicd, false);
        w.SetCheck(id::kBatteryLipo, false);
        w.Enable(id::kLipoCells, false);
        w.Enable(id::kThresholdVolts, true);
        w.SetText(id::kThresholdVolts, ThresholdToText(code));
    }
}

// Ends a Read before anything was read: 1.
int EndUnread(Window& w) {
    SetStatus(w, "");
    w.Enable(id::kStatusLine, false);
    return 1;
}

// Opens the port and the link, with the fields to fill emptied. 0 when the
// controller answers; 1 after its message.
int StartRead(Program& p, Window& w) {
    // Settings are read only through a serial port.
    if (p.link.state.medium != Medium::Serial) {
        p.host.MessageBox(nullptr, std::string(p.T(texts::kNoSerialPort)),
                          std::string(p.T(texts::kCaptionErrorCaps)), MessageButtons::Ok);
        return 1;
    }
    if (!InitSerialLines(p)) {
        p.host.MessageBox(&w, p.link.lastErrorText, std::string(p.T(texts::kCaptionError)),
                          MessageButtons::Ok);
        return EndUnread(w);
    }
    w.Enable(id::kStatusLine, true);
    SetStatus(w, WithPath(p, p.T(texts::kReading)));
    for (const int control : {id::kRpmControl, id::kAcceleration, id::kForwardReverse,
                              id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage}) {
        w.Enable(control, true);
    }
    for (const int field : {id::kFullSpeedTime, id::kNeutralTime, id::kStopTime,
                            id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage,
                            id::kMaxFrequency, id::kAcceleration, id::kStartupPower}) {
        w.SetText(field, "");
    }
    w.Repaint();
    p.app.statusWindow = &w;
    if (ConnectLinkChecked(p) != 0) {
        EndUnread(w);
        w.Repaint();
        return 1;
    }
    return 0;
}

// The set-up marker, the version and the features: whether this program
// may set the controller up. Each judgement rests on replies that arrived.
// 0 to go on; 1 after the Read was ended.
int CheckController(Program& p, Window& w) {
    SettingsImage& s = p.settings;
    ReadRun run(p);
    const int marker = ReadSettingsByte(run, SetupMarker);
    if (run.End() != LinkFault::None) return FailLink(p, w);
    if (marker != kSetupMarkerDone) {
        FailRead(p, w, texts::kNotSetUp);
        return 1;
    }
    w.Repaint();
    SetStatus(w, WithPath(p, p.T(texts::kReading)));
    w.Enable(id::kStatusLine, true);
    w.Repaint();

    (void)ReadSettingsByte(run, OscCalibration);
    const int versionHigh = ReadSettingsByte(run, VersionHigh);
    const int versionLow = ReadSettingsByte(run, VersionLow);
    s.versionText = VersionText(versionHigh, versionLow, -1);
    s.versionWord = versionHigh * 256 + versionLow;
    if (run.End() != LinkFault::None) return FailLink(p, w);
    // Both bytes erased: the controller has never been set up.
    if (s.versionWord == kVersionRefused) {
        FailRead(p, w, texts::kNotSetUp);
        return 1;
    }
    if ((s.versionWord & kVersionFamilyMask) != kVersionFamily) {
        s.versionWord = kVersionRefused;
        FailRead(p, w, texts::kNotSuitable);
        return 1;
    }
    s.features = ReadSettingsByte(run, FeatureFlags);
    const int requiredLevel = ReadSettingsByte(run, RequiredLevel);
    if (run.End() != LinkFault::None) return FailLink(p, w);
    s.versionText = VersionText(versionHigh, versionLow, s.features);
    w.SetText(id::kVersionText, s.versionText);
    if (requiredLevel > kProgramVersion) {
        s.versionWord = kVersionRefused;
        FailRead(p, w, texts::kNeedLatestVersion);
        return 1;
    }
    SetStatus(w, "");
    return 0;
}

void ShowFrequencyAndOptions(Program& p, Window& w, const ControllerParameters& v) {
    const SettingsImage& s = p.settings;
    w.Enable(id::kFreq156, (s.features & kFeatFreq156) != 0);
    w.SetCheck(id::kFreq78, false);
    w.SetCheck(id::kFreq156, false);
    if (PwmCodeFor(false, true, s.clockMhz) == s.pwmCode) w.SetCheck(id::kFreq156, true);
    if (PwmCodeFor(true, false, s.clockMhz) == s.pwmCode) w.SetCheck(id::kFreq78, true);

    w.Enable(id::kFreeWheeling, (s.features & kFeatFreeWheeling) != 0);
    w.SetCheck(id::kFreeWheeling, (s.options & kOptFreeWheeling) != 0);
    w.Enable(id::kForwardReverse, (s.features & kFeatForwardReverse) != 0);
    w.SetCheck(id::kForwardReverse, (s.options & kOptForwardReverse) != 0);
    w.SetCheck(id::kRpmLimit, (s.options & kOptRpmLimit) != 0);

    w.ComboSetSel(id::kBrakeList, BrakeLevelToIndex(v.brakeLevel));
    w.SetCheck(id::kTurbo, (s.options & kOptTurbo) != 0);
    w.Enable(id::kRpmControl, (s.features & kFeatRpmControl) != 0);

    if ((s.options & kOptRpmControl) != 0) {
        w.SetCheck(id::kRpmControl, true);
        w.SetText(id::kMaxFrequency, PeriodToText(v.rpmPeriod, s.clockMhz));
        w.Repaint();
    } else {
        w.SetCheck(id::kRpmControl, false);
        w.SetText(id::kMaxFrequency, texts::kNoFrequency);
        w.Enable(id::kMaxFrequency, false);
    }
}

// Every parameter byte arrived: the form shows them.
void ShowParameters(Program& p, Window& w, const ControllerParameters& v) {
    SettingsImage& s = p.settings;
    s.clockMhz = v.clockMhz;
    w.SetText(id::kFullSpeedTime, TimeToText(v.fullSpeedTime));
    w.SetText(id::kNeutralTime, TimeToText(v.neutralTime));
    w.SetText(id::kStopTime, TimeToText(v.stopTime));
    s.options = v.options;
    w.ComboSetSel(id::kTimingList, TimingCodeToIndex(v.timingCode));
    s.pwmCode = v.pwmCode;
    ShowFrequencyAndOptions(p, w, v);

    ShowLowVoltageMode(w, v.lowVoltageMode);
    s.batteryCode = v.batteryCode;
    ShowBattery(p, w, v.lipoCells);
    w.SetCheck(id::kOvertempProtection, v.overtempMode == kOvertempOn);
    w.SetText(id::kAcceleration, SmallNumberText(v.acceleration, 3));
    w.SetText(id::kStartupPower, SmallNumberText(v.startupPower, 3));
    w.SetText(id::kLogTransmitter, SmallNumberText(v.logTransmitter, 2));
    w.SetText(id::kLogOvertemp, SmallNumberText(v.logOvertemp, 2));
    w.SetText(id::kLogUndervoltage, SmallNumberText(v.logUndervoltage, 2));
    // The counter fields show the controller's values again.
    s.logExtraCleared = false;
}

}  // namespace

Outcome ReadSettings(Program& p, Window& w) {
    w.SetText(id::kFullSpeedTime, "");
    if (StartRead(p, w) != 0) return Outcome::Failed;
    if (CheckController(p, w) != 0) return Outcome::Failed;

    // Every parameter byte first, in the order the controller is read;
    // shown only once all of them arrived.
    ReadRun run(p);
    const ControllerParameters v = ReadControllerParameters(run);
    if (run.End() != LinkFault::None) {
        (void)FailLink(p, w);
        return Outcome::Failed;
    }
    ShowParameters(p, w, v);

    SetStatus(w, p.T(texts::kStatusOk));
    w.Repaint();
    w.Enable(id::kWrite, true);
    p.host.Beep();
    w.Enable(id::kStatusLine, false);
    return Outcome::Done;
}

}  // namespace kvr
