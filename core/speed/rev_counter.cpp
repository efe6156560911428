// The rev counter: the motor released, a countdown, the pulses counted and shown as speeds.
#include "speed/rev_counter.h"

#include <string>

#include "app/command_gate.h"
#include "app/config_file.h"
#include "app/link_messages.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "locks/lock_state.h"
#include "platform/window.h"
#include "res/ids.h"
#include "res/speed_texts.h"
#include "settings/settings_image.h"
#include "speed/speed_dialog.h"
#include "speed/speed_math.h"

namespace kvr {

namespace {

constexpr SpeedField kButtons[] = {SpeedField::ReleaseMotorButton, SpeedField::OkButton,
                                   SpeedField::SaveInputButton};
constexpr SpeedField kSpeedFields[] = {SpeedField::ElectricalRpm, SpeedField::Hz,
                                       SpeedField::MotorRpm, SpeedField::RotorRpm};

void Refuse(Program& p, const Text& text) {
    ShowError(p, text, texts::kCaptionErrorBang);
    if (Window* w = p.app.statusWindow) {
        EndStatus(*w, " ");
    }
}

// The adapter gone while the motor runs: the pulses counted so far are no
// speed. The dialog shows nothing measured and says why.
bool LostWhileMeasuring(Program& p, SpeedView& dialog) {
    if (p.link.fault != LinkFault::Lost) return false;
    for (SpeedField button : kButtons) dialog.Enable(button, true);
    for (SpeedField field : kSpeedFields) dialog.SetText(field, " ");
    dialog.Repaint();
    ShowLinkFault(p, nullptr);
    return true;
}

}  // namespace

Outcome OpenRevCounter(Program& p, StatusSink& status) {
    p.app.statusWindow = status.Owner();
    if (ConnectLinkChecked(p) != Outcome::Done) {
        EndStatus(status, " ");
        return Outcome::Failed;
    }
    // The pulses come on a modem-status line, which the UART link does not
    // use.
    if (p.link.state.uartLink) {
        Refuse(p, texts::kRevOnlyPortix2);
        return Outcome::Refused;
    }
    ReadRun run(p);
    const int lockByte = run.Read(LockFlags).value & 0xFF;
    if (run.End() != LinkFault::None) {
        ShowLinkFault(p, nullptr);
        EndStatus(status, " ");
        return Outcome::Failed;
    }
    p.locks.lockByte = lockByte;
    if ((p.locks.lockByte & kLockTestProgramFree) != 0) {
        Refuse(p, texts::kRevTestProgramNotLocked);
        return Outcome::Refused;
    }
    return Outcome::Done;
}

void RevCounterCommand(Program& p, Window& mainWindow) {
    WindowStatus status(mainWindow);
    if (OpenRevCounter(p, status) != Outcome::Done) return;
    RevCounter counter(p);
    const int templateId = p.lang == Language::German ? id::kRevTemplateDe : id::kRevTemplateEn;
    RunCommandDialog(p, templateId, &mainWindow,
                     [&counter](Window& dialog, DialogEvent event, int id) {
                         return counter.Procedure(dialog, event, id);
                     });
}

int RevCounter::Procedure(Window& dialog, DialogEvent event, int id) {
    if (event == DialogEvent::Init) return InitSpeedDialog(p_, dialog);
    if (measuring_) {
        // Only closing the window can reach the dialog while it measures:
        // its buttons are disabled. It stops the measurement first.
        if (id == id::kOk || id == id::kEnd) stopRequested_ = true;
        return 0;
    }
    const CommandScope command(p_);
    if (command.refused()) return 0;
    switch (id) {
        case id::kOk:
        case id::kEnd:
            dialog.EndDialog(1);
            return 1;
        case id::kSaveInput:
            p_.reporter->StepEnded(id, SaveMotorValues(p_, dialog));
            return 0;
        case id::kRevReleaseMotor: {
            SpeedDialogView fields(dialog);
            ReleaseMotor(fields);
            return 0;
        }
        default:
            return 0;
    }
}

void RevCounter::ReleaseMotor(SpeedView& dialog) {
    // One command, as when its button is pressed; within the dialog the
    // dialog's own.
    const CommandScope command(p_);
    // The speeds are divided by both; do not release the motor for a
    // measurement that cannot be shown.
    if (!MotorValuesUsable(p_)) return;
    // From here on closing the window stops the measurement.
    measuring_ = true;
    stopRequested_ = false;
    if (!InitSerialLines(p_)) {
        measuring_ = false;
        ShowError(p_, texts::kRevAdapter, texts::kCaptionErrorBang);
        dialog.EndDialog();
        return;
    }
    IdleLines(p_);
    WaitMs(p_, 100);
    SetResetLow(p_);
    WaitMs(p_, 100);
    SetClockHigh(p_);
    SetDataOutHigh(p_);
    WaitMs(p_, 50);
    SetResetHigh(p_);
    SetDataOutHigh(p_);
    DelayLoops(p_, 1);

    EnableButtons(dialog, false);
    dialog.SetText(SpeedField::RevRotorLabel, std::string(p_.T(texts::kRevSecondsLeft)));
    secondsLeft = kRevCountdownSeconds;
    pulses = 0;
    emptyWindows = 0;
    dialog.Repaint();

    if (Countdown(dialog)) Measure(dialog);
    measuring_ = false;
    if (stopRequested_) dialog.EndDialog();
}

bool RevCounter::Countdown(SpeedView& dialog) {
    for (;;) {
        const Edge edge = WaitForFallingEdge(kRevCountdownWindowMs);
        if (LostWhileMeasuring(p_, dialog)) return false;
        if (edge == Edge::Seen) return true;
        if (edge == Edge::Stopped) {
            EndStopped(dialog);
            return false;
        }
        --secondsLeft;
        dialog.SetText(SpeedField::RotorRpm, FormatNumber("%01d", secondsLeft));
        dialog.Repaint();
        p_.reporter->Countdown(secondsLeft);
        if (secondsLeft == 0) {
            EndCountdown(dialog);
            return false;
        }
        if (stopRequested_) {
            EndStopped(dialog);
            return false;
        }
    }
}

void RevCounter::Measure(SpeedView& dialog) {
    dialog.SetText(SpeedField::RevRotorLabel, std::string(p_.T(texts::kRevPropRevs)));
    dialog.Repaint();
    pulses = 0;
    emptyWindows = 0;
    // Start the first window on a tick boundary.
    const std::uint32_t before = p_.os.clock.TickCount();
    std::uint32_t start = before;
    while (start == before) start = p_.os.clock.TickCount();

    for (;;) {
        pulses = CountPulses(start, kRevMeasureWindowMs);
        if (LostWhileMeasuring(p_, dialog)) return;
        if (pulses == 0) {
            ++emptyWindows;
            EndEmptyWindow(dialog);
            return;
        }
        const SpeedFigures s = PulseFigures(pulses, p_.app.poleCount, p_.app.gearRatio);
        dialog.SetText(SpeedField::Hz, FormatNumber("%01d", s.hz));
        dialog.SetText(SpeedField::ElectricalRpm, FormatNumber("%01d", s.electricalRpm));
        dialog.SetText(SpeedField::MotorRpm, FormatNumber("%01d", s.motorRpm));
        dialog.SetText(SpeedField::RotorRpm, FormatNumber("%4d", s.rotorRpm));
        dialog.Repaint();
        p_.reporter->Measured(s);
        pulses = 0;
        emptyWindows = 0;
        // Between two windows, outside any count: the pulses of the next
        // window are all seen, and the window stays responsive.
        if (StopWanted()) {
            EndStopped(dialog);
            return;
        }
        start = p_.os.clock.TickCount();
    }
}

RevCounter::Edge RevCounter::WaitForFallingEdge(std::uint32_t windowMs) {
    windowStart = p_.os.clock.TickCount();
    bool high = false;
    for (;;) {
        now = p_.os.clock.TickCount();
        elapsed = now - windowStart;
        if (elapsed >= windowMs) return Edge::WindowOver;
        // Waiting for the motor to start is a pause: the window stays alive
        // and may be closed. A pulse missed meanwhile only starts the
        // measurement with the next one.
        if (stopRequested_) return Edge::Stopped;
        PumpInPause(p_, now);
        const int level = ReadDataIn(p_);
        if (!high) {
            high = level == 1;
        } else if (level == 0) {
            return Edge::Seen;
        }
    }
}

int RevCounter::CountPulses(std::uint32_t start, std::uint32_t windowMs) {
    windowStart = start;
    int count = 0;
    bool high = false;
    for (;;) {
        now = p_.os.clock.TickCount();
        elapsed = now - windowStart;
        if (elapsed >= windowMs) return count;
        if (ReadDataIn(p_) == 1) {
            high = true;
        } else if (high) {
            ++count;
            high = false;
        }
    }
}

bool RevCounter::StopWanted() {
    p_.host.PumpMessages();
    return stopRequested_;
}

void RevCounter::EnableButtons(SpeedView& dialog, bool enabled) {
    for (SpeedField button : kButtons) dialog.Enable(button, enabled);
}

void RevCounter::EndEmptyWindow(SpeedView& dialog) {
    EnableButtons(dialog, true);
    for (SpeedField field : kSpeedFields) dialog.SetText(field, " ");
    SetResetLow(p_);
    p_.host.Beep();
    dialog.Repaint();
}

void RevCounter::EndCountdown(SpeedView& dialog) {
    dialog.SetText(SpeedField::RevRotorLabel, std::string(p_.T(texts::kRevPropRevs)));
    EnableButtons(dialog, true);
    dialog.SetText(SpeedField::RotorRpm, " ");
    p_.host.Beep();
    dialog.Repaint();
    SetResetLow(p_);
}

// Stopped by the user: the motor is no longer released, nothing measured
// stays on show.
void RevCounter::EndStopped(SpeedView& dialog) {
    SetResetLow(p_);
    dialog.SetText(SpeedField::RevRotorLabel, std::string(p_.T(texts::kRevPropRevs)));
    EnableButtons(dialog, true);
    for (SpeedField field : kSpeedFields) dialog.SetText(field, " ");
    dialog.Repaint();
}

}  // namespace kvr
