// The RPM-control dialog: the governor period read, calculated from a rotor speed, written.
#include "speed/rpm_control.h"

#include <string>

#include "app/command_gate.h"
#include "app/config_file.h"
#include "app/link_messages.h"
#include "app/settings_commands.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "link/verified_writes.h"
#include "res/connect_texts.h"
#include "res/ids.h"
#include "res/speed_texts.h"
#include "settings/conversions.h"
#include "settings/number_text.h"
#include "settings/settings_image.h"
#include "speed/speed_dialog.h"
#include "speed/speed_math.h"

namespace kvr {

namespace {

constexpr int kNoPeriod = 0xFFFF;
constexpr int kDefaultGovernorValue = 3;
// The integral value is stored inverted: code = 6 - I.
constexpr int kIntegralBase = 6;

constexpr int kSpeedFields[] = {id::kSpeedHz, id::kSpeedElectricalRpm, id::kSpeedMotorRpm,
                                id::kSpeedRotorRpm};

void SetSpeedFields(Window& dialog, const char* text) {
    for (int field : kSpeedFields) dialog.SetText(field, text);
}

void ShowPeriod(Program& p, Window& dialog, int period) {
    const SpeedFigures s =
        PeriodFigures(period, p.settings.clockMhz, p.app.poleCount, p.app.gearRatio);
    dialog.SetText(id::kSpeedHz, FormatNumber("%4d", s.hz));
    dialog.SetText(id::kSpeedElectricalRpm, FormatNumber("%4d", s.electricalRpm));
    dialog.SetText(id::kSpeedMotorRpm, FormatNumber("%4d", s.motorRpm));
    dialog.SetText(id::kSpeedRotorRpm, FormatNumber("%4d", s.rotorRpm));
}

int ReadPeriod(ReadRun& run) {
    const int high = run.Read(RpmPeriodHigh).value & 0xFF;
    const int low = run.Read(RpmPeriodLow).value & 0xFF;
    return high * 256 + low;
}

// A field's number with the given scanf width; false when it has none.
bool FieldNumber(Window& dialog, int field, int width, int& value) {
    return ScanInt(dialog.GetText(field, kFieldChars), width, value);
}

// Every step reloads the motor values from the file, so typed values count
// only after Save Input.
bool ReloadMotorValues(Program& p, Window& dialog) {
    LoadRpmSetup(p);
    ShowMotorValues(p, dialog);
    return MotorValuesUsable(p);
}

// A write the controller did not confirm, or that did not read back:
// WriteControllerBytesChecked has shown its box already, the dialog shows
// its own. A device that has gone has been named once; no second box then.
bool WriteByte(Program& p, int address, int value) {
    const WriteOutcome outcome = WriteControllerBytes(p, {{address, value & 0xFF}});
    if (outcome == WriteOutcome::Written) return true;
    ShowWriteFailure(p, outcome);
    if (outcome == WriteOutcome::NotWritten) {
        ShowError(p, texts::kWritingError, texts::kCaptionErrorBang);
    }
    return false;
}

// Replies that did not all arrive are not shown: the message instead, the
// status line blank.
bool RepliesArrived(Program& p, ReadRun& run) {
    if (run.End() == LinkFault::None) return true;
    ShowLinkFault(p, nullptr);
    if (Window* w = p.app.statusWindow) {
        EndStatus(*w, " ");
    }
    return false;
}

Outcome Read(Program& p, Window& dialog) {
    const bool usable = ReloadMotorValues(p, dialog);
    dialog.Repaint();
    if (!usable) return Outcome::Refused;
    SetSpeedFields(dialog, "  ");
    dialog.Repaint();
    WaitMs(p, 100);

    const int connected = ConnectLinkChecked(p);
    if (Window* w = p.app.statusWindow) {
        if (connected != 0) w->SetText(id::kStatusLine, " ");
        w->Enable(id::kStatusLine, false);
        w->Repaint();
    }
    if (connected != 0) return Outcome::Failed;

    ReadRun run(p);
    const int period = ReadPeriod(run);
    if (!RepliesArrived(p, run)) return Outcome::Failed;
    if (period == kNoPeriod) {
        dialog.Enable(id::kRpmCalculate, true);
        dialog.Enable(id::kRpmProportional, true);
        dialog.Enable(id::kRpmIntegral, true);
        dialog.SetText(id::kRpmIntegral, FormatNumber("%2d", kDefaultGovernorValue));
        dialog.SetText(id::kRpmProportional, FormatNumber("%2d", kDefaultGovernorValue));
        dialog.Enable(id::kSpeedRotorRpm, true);
        dialog.SetText(id::kSpeedRotorRpm, texts::kRpmNoPeriod);
        return Outcome::NotStored;
    }
    const int proportional = run.Read(RpmProportional).value;
    const int integralCode = run.Read(RpmIntegralCode).value;
    const int options = run.Read(OptionFlags).value & 0xFF;
    if (!RepliesArrived(p, run)) return Outcome::Failed;
    ShowPeriod(p, dialog, period);
    dialog.SetText(id::kRpmProportional, FormatNumber("%2d", proportional));
    dialog.SetText(id::kRpmIntegral, FormatNumber("%2d", kIntegralBase - integralCode));
    for (int control : {id::kRpmCalculate, id::kRpmWrite, id::kSpeedRotorRpm, id::kRpmProportional,
                        id::kRpmIntegral}) {
        dialog.Enable(control, true);
    }
    p.settings.options = options;
    dialog.SetCheck(id::kRpmQuickStart, (p.settings.options & kOptQuickStart) != 0);
    dialog.Repaint();
    p.host.Beep();
    return Outcome::Done;
}

Outcome Calculate(Program& p, Window& dialog) {
    if (!ReloadMotorValues(p, dialog)) return Outcome::Refused;
    for (int field : {id::kSpeedHz, id::kSpeedElectricalRpm, id::kSpeedMotorRpm}) {
        dialog.SetText(field, " ");
    }
    dialog.Repaint();
    WaitMs(p, 200);
    p.app.statusWindow = &dialog;

    int rotorRpm = 0;
    // A rotor field without a number ("???" before the first calculation)
    // has no speed to work with.
    if (!FieldNumber(dialog, id::kSpeedRotorRpm, 8, rotorRpm)) {
        ShowError(p, texts::kRpmMinFrequency, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    const SpeedFigures s = RotorSpeedFigures(rotorRpm, p.app.gearRatio, p.app.poleCount);
    dialog.SetText(id::kSpeedMotorRpm, FormatNumber("%4d", s.motorRpm));
    dialog.SetText(id::kSpeedElectricalRpm, FormatNumber("%4d", s.electricalRpm));
    dialog.SetText(id::kSpeedHz, FormatNumber("%4d", s.hz));
    if (s.hz < kRpmMinCalculatedHz) {
        ShowError(p, texts::kRpmMinFrequency, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    dialog.Enable(id::kRpmWrite, true);
    dialog.Repaint();
    WaitMs(p, 200);
    p.host.Beep();
    return Outcome::Done;
}

Outcome Write(Program& p, Window& dialog) {
    const bool usable = ReloadMotorValues(p, dialog);
    dialog.Repaint();
    if (!usable) return Outcome::Refused;
    p.app.statusWindow = &dialog;
    // Write talks over the link the dialog's Read left; it starts clean.
    ClearLinkFault(p);

    int hz = 0;
    const bool hasNumber = FieldNumber(dialog, id::kSpeedHz, 8, hz);
    if (hasNumber && hz > kRpmMaxWriteHz) {
        ShowError(p, texts::kRpmMaxFrequency, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    // No frequency, or one so low that its period does not fit the two
    // bytes (or would read back as "not set"): nothing sensible to store.
    const int period =
        hasNumber && hz >= 1 ? FrequencyToPeriod(hz, p.settings.clockMhz) : kNoPeriod;
    if (period >= kNoPeriod) {
        ShowError(p, texts::kRpmMinFrequency, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    if (!WriteByte(p, RpmPeriodHigh, period >> 8)) return Outcome::Failed;
    if (!WriteByte(p, RpmPeriodLow, period & 0xFF)) return Outcome::Failed;

    SetSpeedFields(dialog, "  ");
    dialog.Repaint();
    ReadRun run(p);
    const int stored = ReadPeriod(run);
    if (!RepliesArrived(p, run)) return Outcome::Failed;
    ShowPeriod(p, dialog, stored);

    int proportional = 0;
    if (!FieldNumber(dialog, id::kRpmProportional, 2, proportional) || proportional < 1 ||
        proportional > 5) {
        ShowError(p, texts::kRpmPRange, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    if (!WriteByte(p, RpmProportional, proportional)) return Outcome::Failed;

    int integral = 0;
    if (!FieldNumber(dialog, id::kRpmIntegral, 2, integral) || integral < 1 || integral > 5) {
        ShowError(p, texts::kRpmIRange, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    if (!WriteByte(p, RpmIntegralCode, kIntegralBase - integral)) return Outcome::Failed;

    // The English template has no quick-start box: the option is cleared.
    const bool quickStart = p.lang == Language::German && dialog.IsChecked(id::kRpmQuickStart);
    if (quickStart) {
        p.settings.options = (p.settings.options | kOptQuickStart) & 0xFF;
    } else {
        p.settings.options = p.settings.options & ~kOptQuickStart & 0xFF;
    }
    if (!WriteByte(p, OptionFlags, p.settings.options)) return Outcome::Failed;
    // A governor set up but not switched on: the exit commands remind the
    // user until a Write of the main window switches it on.
    if ((p.settings.options & kOptRpmControl) == 0) p.app.rpmControlInactive = true;
    dialog.Repaint();
    p.host.Beep();
    return Outcome::Done;
}

constexpr DialogStep kSteps[] = {{id::kRpmRead, Read},
                                 {id::kRpmWrite, Write},
                                 {id::kRpmCalculate, Calculate},
                                 {id::kSaveInput, SaveMotorValues}};

}  // namespace

int RpmControlDialog(Program& p, Window& dialog, DialogEvent event, int id) {
    if (event == DialogEvent::Init) return InitSpeedDialog(p, dialog);
    const CommandScope command(p);
    if (command.refused()) return 0;
    if (id == id::kOk || id == id::kEnd) {
        dialog.EndDialog(1);
        return 1;
    }
    (void)RunDialogStep(p, dialog, id, kSteps);
    return 0;
}

void RpmControlCommand(Program& p, Window& mainWindow) {
    p.app.statusWindow = &mainWindow;
    if (SettingsReadGate(p) != 0) return;
    mainWindow.SetText(id::kMaxFrequency, "   ");
    const int templateId = p.lang == Language::German ? id::kRpmTemplateDe : id::kRpmTemplateEn;
    RunCommandDialog(p, templateId, &mainWindow, [&p](Window& dialog, DialogEvent event, int id) {
        return RpmControlDialog(p, dialog, event, id);
    });
    // Calculate and Write made the dialog the status window; it is gone now.
    p.app.statusWindow = &mainWindow;
}

}  // namespace kvr
