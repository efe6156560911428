// The rev counter: releases the motor and measures its speed from the
// pulses the controller sends on the data-in line.
#pragma once

#include <cstdint>

#include "app/program.h"
#include "app/status_sink.h"
#include "platform/host.h"
#include "speed/speed_values.h"

namespace kvr {

// Only the dialog's procedure and the window command name a window.
class Window;

// "Rev Counter" (id::kRevCounter) of the main window.
void RevCounterCommand(Program& p, Window& mainWindow);

// Its prelude: the link connected, a one-wire link refused, the test
// program's lock checked. Done when the dialog may open; otherwise after
// the message.
Outcome OpenRevCounter(Program& p, StatusSink& status);

inline constexpr int kRevCountdownSeconds = 10;
inline constexpr std::uint32_t kRevCountdownWindowMs = 1000;
inline constexpr std::uint32_t kRevMeasureWindowMs = 2000;

// The dialog and its measurement. Lives while the dialog is open.
class RevCounter {
  public:
    explicit RevCounter(Program& p) : p_(p) {}

    // The dialog's procedure: id::kOk and id::kEnd close it (during a
    // measurement they stop it first), id::kSaveInput Save Input,
    // id::kRevReleaseMotor Release Motor.
    int Procedure(Window& dialog, DialogEvent event, int id);

    // "Release Motor" on the fields: the countdown, then one measurement
    // window after another (each reported as Measured) until one without
    // pulses or a stop.
    void ReleaseMotor(SpeedView& dialog);
    // Closing the window while it measures: the measurement stops between
    // two windows.
    void RequestStop() {
        if (measuring_) stopRequested_ = true;
    }

    // Measurement state, reset at every start.
    int secondsLeft = 0;
    int pulses = 0;
    int emptyWindows = 0;
    std::uint32_t windowStart = 0;
    std::uint32_t now = 0;
    std::uint32_t elapsed = 0;

  private:
    enum class Edge { Seen, WindowOver, Stopped };

    bool Countdown(SpeedView& dialog);
    void Measure(SpeedView& dialog);
    Edge WaitForFallingEdge(std::uint32_t windowMs);
    int CountPulses(std::uint32_t start, std::uint32_t windowMs);
    bool StopWanted();
    void EnableButtons(SpeedView& dialog, bool enabled);
    void EndEmptyWindow(SpeedView& dialog);
    void EndCountdown(SpeedView& dialog);
    void EndStopped(SpeedView& dialog);

    Program& p_;
    bool measuring_ = false;
    bool stopRequested_ = false;
};

}  // namespace kvr
