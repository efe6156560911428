#pragma once

#include "program.h"

namespace kvr {

// "Controller Info": signature, fuse and lock bytes in one box.
void ControllerInfoCommand(Program& p, Window& mainWindow);

}  // namespace kvr
