#pragma once

#include <cstdint>
#include <string_view>

namespace kvr {

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
    // The parallel-port driver failed: the work cannot go on, the user is
    // told at once and the running dialog ends.
    virtual void DriverFailed() {}
    // The chip's programming mode answered as an erased chip: the user is
    // warned before the work goes on.
    virtual void ChipErased() {}
};

}  // namespace kvr
