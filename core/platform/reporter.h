// How core operations tell the front end what happened: outcomes, status and progress events.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvr {

// How a command, or one step of a dialog (one of its buttons), ended.
enum class Outcome {
    Done,       // all it does was done
    NotStored,  // read, but the controller holds no value for it yet
    Refused,    // the input or the state ruled it out; nothing was sent
    Failed,     // the link, the controller or a file failed it; the user was told
};

// The motor's speed in the figures the speed dialogs show.
struct SpeedFigures {
    int hz = 0;             // electrical frequency of the motor phases (id::kSpeedHz)
    int electricalRpm = 0;  // the same per minute (id::kSpeedElectricalRpm)
    int motorRpm = 0;       // mechanical motor speed (id::kSpeedMotorRpm)
    int rotorRpm = 0;       // rotor speed behind the gearbox (id::kSpeedRotorRpm)
};

// What the core's operations report while they work. The protocol and the
// procedures only report; the app layer's reporter decides what the user
// sees (the window's status line and its message pump, boxes for the few
// events that interrupt the work). Every method has a quiet default.
class Reporter {
  public:
    virtual ~Reporter() = default;
    // How often the protocol's pauses are to be handed over, in ms; 0 while
    // nobody serves them (no command runs).
    virtual std::uint32_t PauseInterval() const { return 0; }
    // A pause of the protocol at tick `now`, long enough to serve a window.
    virtual void Pause(std::uint32_t now) { (void)now; }
    // The status line's new text.
    virtual void Status(std::string_view text) { (void)text; }
    // The status line is blanked (and, with `disable`, greyed) while the
    // link detection restarts the controller or gives up.
    virtual void ClearStatus(bool disable) { (void)disable; }
    // How far the running step is, 0 to 100.
    virtual void Progress(int percent) { (void)percent; }
    // How far the read-back of what the step wrote is, 0 to 100: a phase of
    // its own, so that checking is not taken for writing again.
    virtual void CheckProgress(int percent) { (void)percent; }
    // A dialog's step, started by its button `control`, has ended.
    virtual void StepEnded(int control, Outcome outcome) {
        (void)control;
        (void)outcome;
    }
    // The speed measurement waits for the motor: seconds left.
    virtual void Countdown(int secondsLeft) { (void)secondsLeft; }
    // A measurement window has ended with these figures on show.
    virtual void Measured(const SpeedFigures& speed) { (void)speed; }
    // The parallel-port driver failed: the work cannot go on, the user is
    // told at once and the running dialog ends.
    virtual void DriverFailed() {}
    // The chip's programming mode answered as an erased chip: the user is
    // warned before the work goes on.
    virtual void ChipErased() {}
};

}  // namespace kvr
