// The program's own version: shown in the window, recorded in settings files, required by firmware.
#pragma once

namespace kvr {

inline constexpr int kProgramVersion = 0x25;

}  // namespace kvr
