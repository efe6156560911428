// The app's reporter: where the core's status texts, progress, pauses and events go.
#pragma once

#include "platform/reporter.h"

namespace kvr {

struct Program;

// The window programs' and the command line's reporter: the status line of
// the command's window, its message pump in the protocol's pauses, and the
// boxes of the events that interrupt the work.
class AppReporter : public Reporter {
  public:
    explicit AppReporter(Program& p) : p_(p) {}
    std::uint32_t PauseInterval() const override;
    void Pause(std::uint32_t now) override;
    void Status(std::string_view text) override;
    void ClearStatus(bool disable) override;
    // "NN%" in the status line.
    void Progress(int percent) override;
    // "verifying NN%" in the status line.
    void CheckProgress(int percent) override;
    void DriverFailed() override;
    void ChipErased() override;

  private:
    Program& p_;
};

}  // namespace kvr
