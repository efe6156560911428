// The main window's procedure, the program's run around it, and the Port menu's texts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/program.h"
#include "platform/host.h"

namespace kvr {

// Program entry: BeginProgram, then the main window until it closes.
// Returns 0.
int RunProgram(Program& p);

// The main window's procedure: Init when it opens, then one call per command
// id (menu item, button, or a control's notification).
int MainWindowProc(Program& p, Window& w, DialogEvent event, int id);

// The rest sequence of the link lines.
void ParkLines(Program& p);

// A Port menu item's text: a COM item also names what stands behind it
// (deviceForCom(n): the device of COMn, empty when there is none); other
// items keep theirs.
std::string PortItemText(Language lang, int id, std::string_view text, bool simulated,
                         const std::function<std::string(int n)>& deviceForCom);

}  // namespace kvr
