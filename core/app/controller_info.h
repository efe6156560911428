#pragma once

#include "program.h"

namespace kvr {

// "Controller Info": signature, fuse and lock bytes in one box (left in
// p.isp.ispStatusText). 0 when the box shows the chip's bytes; 1 when the
// command ended early, after its message.
int ControllerInfoCommand(Program& p, Window& mainWindow);

}  // namespace kvr
