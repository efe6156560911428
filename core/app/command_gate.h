// One command at a time, and a window that stays alive while it runs.
//
// A command that talks to the controller takes seconds. In the protocol's
// pauses (PumpInPause) it lets the front end handle the window's pending
// messages: the window repaints, its status line and progress can be seen,
// the desktop and its accessibility tools get their answers. Every command
// that arrives meanwhile is refused, End and closing the window included,
// so nothing else reaches the controller or ends the program mid-way.
#pragma once

#include <cstdint>
#include <span>

#include "app/program.h"
#include "platform/host.h"

namespace kvr {

// The least time between two pumps.
inline constexpr std::uint32_t kPumpIntervalMs = 20;

// Marks one command of a window's procedure as running, for its lifetime.
class CommandScope {
  public:
    explicit CommandScope(Program& p);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

    // Another command was running: this one must do nothing.
    bool refused() const { return refused_; }

  private:
    Program& p_;
    bool refused_;
};

// Runs a modal dialog from inside a command. The dialog keeps its owner
// from taking input, so its own commands may run while it is open.
int RunCommandDialog(Program& p, int templateId, Window* owner, const DialogProc& procedure);

// One button of a dialog and the step it starts.
struct DialogStep {
    int button;
    Outcome (*run)(Program& p, Window& dialog);
};

// Runs the step of the button `id` among `steps` and reports how it ended;
// false when no step has that button.
bool RunDialogStep(Program& p, Window& dialog, int id, std::span<const DialogStep> steps);

// A pause of the protocol at tick `now`: hands pending window messages to
// the front end, at most every kPumpIntervalMs and only while a command runs.
void PumpInPause(Program& p, std::uint32_t now);

}  // namespace kvr
