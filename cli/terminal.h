// Whether an output stream goes to a terminal.
#pragma once

#include <cstdio>

namespace kvr::cli {

// Whether the stream goes to a terminal (a progress bar) or elsewhere
// (plain lines).
bool IsTerminal(std::FILE* stream);

}  // namespace kvr::cli
