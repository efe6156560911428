// One command at a time: the running flag, dialogs and steps run from a command, the pump.
#include "app/command_gate.h"

#include "link/port_access.h"

namespace kvr {

CommandScope::CommandScope(Program& p) : p_(p), refused_(p.app.commandRunning) {
    if (refused_) return;
    p_.app.commandRunning = true;
    p_.app.lastPumpTick.reset();
    p_.host.SetBusy(true);
}

CommandScope::~CommandScope() {
    if (refused_) return;
    // Line steps a batching device still holds go out before the command ends.
    PlayLines(p_);
    p_.app.commandRunning = false;
    p_.host.SetBusy(false);
}

int RunCommandDialog(Program& p, int templateId, Window* owner, const DialogProc& procedure) {
    const bool running = p.app.commandRunning;
    p.app.commandRunning = false;
    if (running) p.host.SetBusy(false);
    const int result = p.host.RunDialog(templateId, owner, procedure);
    p.app.commandRunning = running;
    if (running) {
        p.app.lastPumpTick.reset();
        p.host.SetBusy(true);
    }
    return result;
}

bool RunDialogStep(Program& p, Window& dialog, int id, std::span<const DialogStep> steps) {
    for (const DialogStep& step : steps) {
        if (step.button != id) continue;
        p.reporter->StepEnded(id, step.run(p, dialog));
        return true;
    }
    return false;
}

void PumpInPause(Program& p, std::uint32_t now) {
    if (!p.app.commandRunning) return;
    // The first pause of a command starts the interval.
    if (!p.app.lastPumpTick) p.app.lastPumpTick = now;
    if (static_cast<std::uint32_t>(now - *p.app.lastPumpTick) < kPumpIntervalMs) return;
    p.app.lastPumpTick = now;
    p.host.PumpMessages();
}

}  // namespace kvr
