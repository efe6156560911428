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
#include "speed/speed_values.h"

namespace kvr {

namespace {

constexpr int kNoPeriod = 0xFFFF;
constexpr int kDefaultGovernorValue = 3;
// The integral value is stored inverted: code = 6 - I.
constexpr int kIntegralBase = 6;

constexpr SpeedField kSpeedFields[] = {SpeedField::Hz, SpeedField::ElectricalRpm,
                                       SpeedField::MotorRpm, SpeedField::RotorRpm};

void SetSpeedFields(SpeedView& fields, const char* text) {
    for (SpeedField field : kSpeedFields) fields.SetText(field, text);
}

void ShowPeriod(Program& p, SpeedView& fields, int period) {
    const SpeedFigures s =
        PeriodFigures(period, p.settings.clockMhz, p.app.poleCount, p.app.gearRatio);
    fields.SetText(SpeedField::Hz, FormatNumber("%4d", s.hz));
    fields.SetText(SpeedField::ElectricalRpm, FormatNumber("%4d", s.electricalRpm));
    fields.SetText(SpeedField::MotorRpm, FormatNumber("%4d", s.motorRpm));
    fields.SetText(SpeedField::RotorRpm, FormatNumber("%4d", s.rotorRpm));
}

int ReadPeriod(ReadRun& run) {
    const int high = run.Read(RpmPeriodHigh).value & 0xFF;
    const int low = run.Read(RpmPeriodLow).value & 0xFF;
    return high * 256 + low;
}

// A field's number with the given scanf width; false when it has none.
bool FieldNumber(SpeedView& fields, SpeedField field, int width, int& value) {
    return ScanInt(fields.GetText(field, kFieldChars), width, value);
}

// Every step reloads the motor values from the file, so typed values count
// only after Save Input.
bool ReloadMotorValues(Program& p, SpeedView& fields) {
    LoadRpmSetup(p);
    ShowMotorValues(p, fields);
    return MotorValuesUsable(p);
}

// A write the controller did not confirm, or that did not read back:
// ShowWriteFailure has shown its box already, the dialog shows
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

Outcome Read(Program& p, SpeedView& dialog) {
    const bool usable = ReloadMotorValues(p, dialog);
    dialog.Repaint();
    if (!usable) return Outcome::Refused;
    SetSpeedFields(dialog, "  ");
    dialog.Repaint();
    WaitMs(p, 100);

    const Outcome connected = ConnectLinkChecked(p);
    if (Window* w = p.app.statusWindow) {
        if (connected != Outcome::Done) w->SetText(id::kStatusLine, " ");
        w->Enable(id::kStatusLine, false);
        w->Repaint();
    }
    if (connected != Outcome::Done) return Outcome::Failed;

    ReadRun run(p);
    const int period = ReadPeriod(run);
    if (!RepliesArrived(p, run)) return Outcome::Failed;
    if (period == kNoPeriod) {
        dialog.Enable(SpeedField::CalculateButton, true);
        dialog.Enable(SpeedField::Proportional, true);
        dialog.Enable(SpeedField::Integral, true);
        dialog.SetText(SpeedField::Integral, FormatNumber("%2d", kDefaultGovernorValue));
        dialog.SetText(SpeedField::Proportional, FormatNumber("%2d", kDefaultGovernorValue));
        dialog.Enable(SpeedField::RotorRpm, true);
        dialog.SetText(SpeedField::RotorRpm, texts::kRpmNoPeriod);
        return Outcome::NotStored;
    }
    const int proportional = run.Read(RpmProportional).value;
    const int integralCode = run.Read(RpmIntegralCode).value;
    const int options = run.Read(OptionFlags).value & 0xFF;
    if (!RepliesArrived(p, run)) return Outcome::Failed;
    ShowPeriod(p, dialog, period);
    dialog.SetText(SpeedField::Proportional, FormatNumber("%2d", proportional));
    dialog.SetText(SpeedField::Integral, FormatNumber("%2d", kIntegralBase - integralCode));
    for (SpeedField control :
         {SpeedField::CalculateButton, SpeedField::WriteButton, SpeedField::RotorRpm,
          SpeedField::Proportional, SpeedField::Integral}) {
        dialog.Enable(control, true);
    }
    p.settings.options = options;
    dialog.SetCheck(SpeedField::QuickStart, (p.settings.options & kOptQuickStart) != 0);
    dialog.Repaint();
    p.host.Beep();
    return Outcome::Done;
}

Outcome Calculate(Program& p, SpeedView& dialog) {
    if (!ReloadMotorValues(p, dialog)) return Outcome::Refused;
    for (SpeedField field : {SpeedField::Hz, SpeedField::ElectricalRpm, SpeedField::MotorRpm}) {
        dialog.SetText(field, " ");
    }
    dialog.Repaint();
    WaitMs(p, 200);
    p.app.statusWindow = dialog.Owner();

    int rotorRpm = 0;
    // A rotor field without a number ("???" before the first calculation)
    // has no speed to work with.
    if (!FieldNumber(dialog, SpeedField::RotorRpm, 8, rotorRpm)) {
        ShowError(p, texts::kRpmMinFrequency, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    const SpeedFigures s = RotorSpeedFigures(rotorRpm, p.app.gearRatio, p.app.poleCount);
    dialog.SetText(SpeedField::MotorRpm, FormatNumber("%4d", s.motorRpm));
    dialog.SetText(SpeedField::ElectricalRpm, FormatNumber("%4d", s.electricalRpm));
    dialog.SetText(SpeedField::Hz, FormatNumber("%4d", s.hz));
    if (s.hz < kRpmMinCalculatedHz) {
        ShowError(p, texts::kRpmMinFrequency, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    dialog.Enable(SpeedField::WriteButton, true);
    dialog.Repaint();
    WaitMs(p, 200);
    p.host.Beep();
    return Outcome::Done;
}

Outcome Write(Program& p, SpeedView& dialog) {
    const bool usable = ReloadMotorValues(p, dialog);
    dialog.Repaint();
    if (!usable) return Outcome::Refused;
    p.app.statusWindow = dialog.Owner();
    // Write talks over the link the dialog's Read left; it starts clean.
    ClearLinkFault(p);

    int hz = 0;
    const bool hasNumber = FieldNumber(dialog, SpeedField::Hz, 8, hz);
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
    if (!FieldNumber(dialog, SpeedField::Proportional, 2, proportional) || proportional < 1 ||
        proportional > 5) {
        ShowError(p, texts::kRpmPRange, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    if (!WriteByte(p, RpmProportional, proportional)) return Outcome::Failed;

    int integral = 0;
    if (!FieldNumber(dialog, SpeedField::Integral, 2, integral) || integral < 1 || integral > 5) {
        ShowError(p, texts::kRpmIRange, texts::kCaptionErrorBang);
        return Outcome::Refused;
    }
    if (!WriteByte(p, RpmIntegralCode, kIntegralBase - integral)) return Outcome::Failed;

    // The English template has no quick-start box: the option is cleared.
    const bool quickStart = p.lang == Language::German && dialog.IsChecked(SpeedField::QuickStart);
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

// A step on the dialog on screen.
template <Outcome (*Step)(Program&, SpeedView&)>
Outcome OnDialog(Program& p, Window& dialog) {
    SpeedDialogView fields(dialog);
    return Step(p, fields);
}

constexpr DialogStep kSteps[] = {{id::kRpmRead, OnDialog<Read>},
                                 {id::kRpmWrite, OnDialog<Write>},
                                 {id::kRpmCalculate, OnDialog<Calculate>},
                                 {id::kSaveInput, OnDialog<SaveMotorValues>}};

}  // namespace

Outcome OpenRpmControl(Program& p, SpeedView& fields) {
    if (SettingsReadGate(p) != Outcome::Done) return Outcome::Refused;
    (void)InitSpeedDialog(p, fields);
    return Outcome::Done;
}

Outcome RunRpmStep(Program& p, SpeedView& fields, RpmStep step) {
    // One command, as when its button is pressed; within the dialog the
    // dialog's own.
    const CommandScope command(p);
    switch (step) {
        case RpmStep::SaveInput:
            return SaveMotorValues(p, fields);
        case RpmStep::Read:
            return Read(p, fields);
        case RpmStep::Calculate:
            return Calculate(p, fields);
        case RpmStep::Write:
            return Write(p, fields);
    }
    return Outcome::Refused;
}

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
    if (SettingsReadGate(p) != Outcome::Done) return;
    mainWindow.SetText(id::kMaxFrequency, "   ");
    const int templateId = p.lang == Language::German ? id::kRpmTemplateDe : id::kRpmTemplateEn;
    RunCommandDialog(p, templateId, &mainWindow, [&p](Window& dialog, DialogEvent event, int id) {
        return RpmControlDialog(p, dialog, event, id);
    });
    // Calculate and Write made the dialog the status window; it is gone now.
    p.app.statusWindow = &mainWindow;
}

}  // namespace kvr
