// The main window's command that shows the chip's signature, fuse and lock bytes.
#pragma once

#include "app/program.h"

namespace kvr {

// "Controller Info": signature, fuse and lock bytes in one box (left in
// p.isp.ispStatusText). Done when the box shows the chip's bytes; Failed
// when the command ended early, after its message.
Outcome ControllerInfoCommand(Program& p, Window& mainWindow);

}  // namespace kvr
