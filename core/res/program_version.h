// The program's own version: the window shows it, settings files record it and firmware may require
// it.
#pragma once

namespace kvr {

inline constexpr int kProgramVersion = 0x25;

}  // namespace kvr
