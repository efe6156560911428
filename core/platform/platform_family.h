// The platform family as the program distinguishes it: it decides how the parallel port is reached.
#pragma once

namespace kvr {

enum class PlatformFamily { Unknown = 0, Win9x = 1, Nt = 2 };

}  // namespace kvr
