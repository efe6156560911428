#pragma once

#include "program.h"

namespace kvr {

// Shows p.app.statusText in the status line of the command's window: up to
// the first control character, padded so that a shorter text covers a
// longer one.
void ShowStatusText(Program& p);

}  // namespace kvr
