#pragma once

#include <string_view>

#include "platform/window.h"
#include "program.h"

namespace kvr {

// Shows p.app.statusText in the status line of the command's window: up to
// the first control character, padded so that a shorter text covers a
// longer one.
void ShowStatusText(Program& p);

// A command is done with the status line: `text` stays on it (" " blanks
// it) and the line is greyed.
void EndStatus(Window& w, std::string_view text);

}  // namespace kvr
