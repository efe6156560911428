#pragma once

#include <cstdint>
#include <string_view>

namespace kvr {

// What the core's operations report while a command runs. The protocol and
// the procedures only report; the app layer installs a reporter for the
// length of a command and decides what the user sees (the window's status
// line and its message pump, the command line's progress). Without one,
// nothing is reported.
class Reporter {
  public:
    virtual ~Reporter() = default;
    // A pause of the protocol at tick `now`, long enough to serve a window.
    virtual void Pause(std::uint32_t now) = 0;
    // The status line's new text.
    virtual void Status(std::string_view text) = 0;
    // How far the running step is, 0 to 100.
    virtual void Progress(int percent) = 0;
};

}  // namespace kvr
