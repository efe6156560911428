#pragma once

#include "platform/host.h"
#include "program.h"

namespace kvr {

// Program entry: prepares port access and runs the main window until it
// closes. Returns 0.
int RunProgram(Program& p);

// The main window's procedure: Init when it opens, then one call per command
// id (menu item, button, or a control's notification).
int MainWindowProc(Program& p, Window& w, DialogEvent event, int id);

// The rest sequence of the link lines.
void ParkLines(Program& p);

}  // namespace kvr
