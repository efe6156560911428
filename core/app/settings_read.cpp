// "Read": the controller checked, its parameters read into a form that the window shows.
#include <string>

#include "app/link_messages.h"
#include "app/settings_commands.h"
#include "app/settings_form_io.h"
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

// Ends a Read that refused the controller: the message also stays as the
// link's last error text.
void FailRead(Program& p, StatusSink& status, const Text& message) {
    status.Enable(true);
    status.Repaint();
    status.Show("");
    EndWithError(p, status, message);
}

// Ends a Read whose replies did not all arrive: the settings count as not
// read, so that no invented value can be shown or written back.
void FailLink(Program& p, StatusSink& status, ReadSteps& steps) {
    steps.LinkLost();
    p.settings.versionWord = kVersionNotRead;
    p.settings.versionText.clear();
    status.Show("");
    status.Enable(false);
    status.Repaint();
    ShowLinkFault(p, status.Owner());
}

// Ends a Read before anything was read.
void EndUnread(StatusSink& status) {
    status.Show("");
    status.Enable(false);
}

// Opens the port and the link. True when the controller answers; false after
// its message.
bool StartRead(Program& p, StatusSink& status, ReadSteps& steps) {
    // Settings are read only through a serial port.
    if (p.link.state.medium != Medium::Serial) {
        p.host.MessageBox(nullptr, std::string(p.T(texts::kNoSerialPort)),
                          std::string(p.T(texts::kCaptionErrorCaps)), MessageButtons::Ok);
        return false;
    }
    if (!InitSerialLines(p)) {
        p.host.MessageBox(status.Owner(), p.link.lastErrorText,
                          std::string(p.T(texts::kCaptionError)), MessageButtons::Ok);
        EndUnread(status);
        return false;
    }
    status.Enable(true);
    status.Show(WithPath(p, p.T(texts::kReading)));
    steps.Opening();
    status.Repaint();
    p.app.statusWindow = status.Owner();
    if (ConnectLinkChecked(p) != Outcome::Done) {
        EndUnread(status);
        status.Repaint();
        return false;
    }
    return true;
}

// The set-up marker, the version and the features: whether this program
// may set the controller up. Each judgement rests on replies that arrived.
bool CheckController(Program& p, StatusSink& status, ReadSteps& steps) {
    SettingsImage& s = p.settings;
    ReadRun run(p);
    const int marker = ReadSettingsByte(run, SetupMarker);
    if (run.End() != LinkFault::None) {
        FailLink(p, status, steps);
        return false;
    }
    if (marker != kSetupMarkerDone) {
        FailRead(p, status, texts::kNotSetUp);
        return false;
    }
    status.Repaint();
    status.Show(WithPath(p, p.T(texts::kReading)));
    status.Enable(true);
    status.Repaint();

    (void)ReadSettingsByte(run, OscCalibration);
    const int versionHigh = ReadSettingsByte(run, VersionHigh);
    const int versionLow = ReadSettingsByte(run, VersionLow);
    s.versionText = VersionText(versionHigh, versionLow, -1);
    s.versionWord = versionHigh * 256 + versionLow;
    if (run.End() != LinkFault::None) {
        FailLink(p, status, steps);
        return false;
    }
    // Both bytes erased: the controller has never been set up.
    if (s.versionWord == kVersionRefused) {
        FailRead(p, status, texts::kNotSetUp);
        return false;
    }
    if ((s.versionWord & kVersionFamilyMask) != kVersionFamily) {
        s.versionWord = kVersionRefused;
        FailRead(p, status, texts::kNotSuitable);
        return false;
    }
    s.features = ReadSettingsByte(run, FeatureFlags);
    const int requiredLevel = ReadSettingsByte(run, RequiredLevel);
    if (run.End() != LinkFault::None) {
        FailLink(p, status, steps);
        return false;
    }
    s.versionText = VersionText(versionHigh, versionLow, s.features);
    steps.VersionRead(s.versionText);
    if (requiredLevel > kProgramVersion) {
        s.versionWord = kVersionRefused;
        FailRead(p, status, texts::kNeedLatestVersion);
        return false;
    }
    status.Show("");
    return true;
}

constexpr unsigned FieldBit(Field f) {
    return 1U << static_cast<unsigned>(f);
}

// Every parameter byte arrived: the form as the window shows them. The
// battery's text fields the battery does not use keep what they showed,
// unless the low-voltage check is off.
void FormOfParameters(Program& p, const ControllerParameters& v, SettingsRead& read) {
    SettingsImage& s = p.settings;
    s.clockMhz = v.clockMhz;
    s.options = v.options;
    s.pwmCode = v.pwmCode;
    s.batteryCode = v.batteryCode;
    // The counter fields show the controller's values again.
    s.logExtraCleared = false;

    SettingsForm& f = read.shown.form;
    f[Field::FullSpeed].text = TimeToText(v.fullSpeedTime);
    f[Field::Neutral].text = TimeToText(v.neutralTime);
    f[Field::Stop].text = TimeToText(v.stopTime);
    f[Field::Acceleration].text = SmallNumberText(v.acceleration, 3);
    f[Field::StartupPower].text = SmallNumberText(v.startupPower, 3);
    f[Field::Brake].selected = BrakeLevelToIndex(v.brakeLevel);
    f[Field::Timing].selected = TimingCodeToIndex(v.timingCode);
    f[Field::RpmControl].checked = (s.options & kOptRpmControl) != 0;
    f[Field::Overtemp].checked = v.overtempMode == kOvertempOn;
    f[Field::RpmLimit].checked = (s.options & kOptRpmLimit) != 0;
    f[Field::FreeWheeling].checked = (s.options & kOptFreeWheeling) != 0;
    f[Field::ForwardReverse].checked = (s.options & kOptForwardReverse) != 0;
    f[Field::Turbo].checked = (s.options & kOptTurbo) != 0;
    if (v.lowVoltageMode == kLowVoltageIgnore) {
        f[Field::LowVoltage].radios = 1U << kLvChoiceIgnore;
    } else if (v.lowVoltageMode == kLowVoltageReduce) {
        f[Field::LowVoltage].radios = 1U << kLvChoiceReduce;
    } else if (v.lowVoltageMode == kLowVoltageSwitchOff) {
        f[Field::LowVoltage].radios = 1U << kLvChoiceSwitchOff;
    }
    const bool ignore = v.lowVoltageMode == kLowVoltageIgnore;
    if (s.batteryCode == kBatteryNicd) {
        f[Field::Battery].radios = 1U << kBatteryChoiceNicd;
    } else if (s.batteryCode == kBatteryLipo) {
        f[Field::Battery].radios = 1U << kBatteryChoiceLipo;
        f[Field::LipoCells].text = SmallNumberText(v.lipoCells, 2);
        if (!ignore) read.untouched |= FieldBit(Field::Threshold);
    } else {
        f[Field::Battery].radios = 1U << kBatteryChoiceFixed;
        f[Field::Threshold].text = ThresholdToText(s.batteryCode);
        if (!ignore) read.untouched |= FieldBit(Field::LipoCells);
    }
    if (PwmCodeFor(true, false, s.clockMhz) == s.pwmCode) {
        f[Field::Frequency].radios |= 1U << kFreqChoice78;
    }
    if (PwmCodeFor(false, true, s.clockMhz) == s.pwmCode) {
        f[Field::Frequency].radios |= 1U << kFreqChoice156;
    }
    f[Field::LogTransmitter].text = SmallNumberText(v.logTransmitter, 2);
    f[Field::LogOvertemp].text = SmallNumberText(v.logOvertemp, 2);
    f[Field::LogUndervoltage].text = SmallNumberText(v.logUndervoltage, 2);
    read.shown.maxFrequency = f.Checked(Field::RpmControl) ? PeriodToText(v.rpmPeriod, s.clockMhz)
                                                           : std::string(texts::kNoFrequency);
}

// What a read form leaves editable of the battery's controls: its own
// controls stay usable whatever the mode, so that a later change of mode
// shows what the controller holds.
BatteryEditing ReadEditing(const SettingsForm& form) {
    BatteryEditing editing;
    if (form.On(Field::LowVoltage, kLvChoiceIgnore)) {
        editing.radios = false;
    } else if (form[Field::LowVoltage].radios != 0) {
        editing.radios = true;
    }
    const int battery = form.Chosen(Field::Battery);
    editing.lipoCells = battery == kBatteryChoiceLipo;
    editing.threshold = battery == kBatteryChoiceFixed;
    return editing;
}

// The form of a Read that got every byte, with the controls the controller
// has enabled.
void ShowReadForm(Program& p, Window& w, const SettingsRead& read) {
    const SettingsForm before = ReadForm(w);
    const SettingsForm form = read.FormOver(before);
    ShowFormChanges(w, before, form, ReadEditing(form));
    const int features = p.settings.features;
    w.Enable(id::kFreq156, (features & kFeatFreq156) != 0);
    w.Enable(id::kFreeWheeling, (features & kFeatFreeWheeling) != 0);
    w.Enable(id::kForwardReverse, (features & kFeatForwardReverse) != 0);
    w.Enable(id::kRpmControl, (features & kFeatRpmControl) != 0);
    w.SetText(id::kMaxFrequency, read.shown.maxFrequency);
    if (form.Checked(Field::RpmControl)) {
        w.Repaint();
    } else {
        w.Enable(id::kMaxFrequency, false);
    }
}

// Read's steps in the main window, each as the window shows it.
class WindowReadSteps final : public ReadSteps {
  public:
    WindowReadSteps(Program& p, Window& w) : p_(p), w_(w) {}

    void Opening() override {
        for (const int control : {id::kRpmControl, id::kAcceleration, id::kForwardReverse,
                                  id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage}) {
            w_.Enable(control, true);
        }
        for (const int field : {id::kFullSpeedTime, id::kNeutralTime, id::kStopTime,
                                id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage,
                                id::kMaxFrequency, id::kAcceleration, id::kStartupPower}) {
            w_.SetText(field, "");
        }
    }
    void VersionRead(const std::string& text) override { w_.SetText(id::kVersionText, text); }
    void LinkLost() override {
        for (const int field :
             {id::kFullSpeedTime, id::kNeutralTime, id::kStopTime, id::kLogTransmitter,
              id::kLogOvertemp, id::kLogUndervoltage, id::kMaxFrequency, id::kAcceleration,
              id::kStartupPower, id::kVersionText, id::kLipoCells, id::kThresholdVolts}) {
            w_.SetText(field, "");
        }
        for (const int box :
             {id::kFreq78, id::kFreq156, id::kFreeWheeling, id::kForwardReverse, id::kRpmLimit,
              id::kTurbo, id::kRpmControl, id::kLvIgnore, id::kLvReducePower, id::kLvSwitchOff,
              id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix, id::kOvertempProtection}) {
            w_.SetCheck(box, false);
        }
        w_.ComboSetSel(id::kTimingList, -1);
        w_.ComboSetSel(id::kBrakeList, -1);
        w_.Enable(id::kWrite, false);
    }
    void Arrived(const SettingsRead& read) override { ShowReadForm(p_, w_, read); }
    void Finished() override { w_.Enable(id::kWrite, true); }

  private:
    Program& p_;
    Window& w_;
};

}  // namespace

SettingsRead ReadSettingsValues(Program& p, StatusSink& status, ReadSteps& steps) {
    SettingsRead read;
    if (!StartRead(p, status, steps)) return read;
    if (!CheckController(p, status, steps)) return read;

    // Every parameter byte first, in the order the controller is read;
    // shown only once all of them arrived.
    ReadRun run(p);
    const ControllerParameters v = ReadControllerParameters(run);
    if (run.End() != LinkFault::None) {
        FailLink(p, status, steps);
        return read;
    }
    FormOfParameters(p, v, read);
    steps.Arrived(read);

    status.Show(std::string(p.T(texts::kStatusOk)));
    status.Repaint();
    steps.Finished();
    p.host.Beep();
    status.Enable(false);
    read.outcome = Outcome::Done;
    return read;
}

Outcome ReadSettings(Program& p, Window& w) {
    w.SetText(id::kFullSpeedTime, "");
    WindowStatus status(w);
    WindowReadSteps steps(p, w);
    return ReadSettingsValues(p, status, steps).outcome;
}

}  // namespace kvr
