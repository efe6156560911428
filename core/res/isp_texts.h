#pragma once

#include "res/captions.h"
#include "res/language.h"

namespace kvr::texts {

// The connection's texts read the same in both builds.
inline constexpr Text kIspNoConnection{"No Connection!\n\n", "No Connection!\n\n"};
inline constexpr Text kIspDeviceLocked{"Device locked!\n\n", "Device locked!\n\n"};
inline constexpr Text kIspDeviceErased{"Device Code erased!\n\n", "Device Code erased!\n\n"};
inline constexpr Text kIspUnknownDevice{"Unknown Device Code!\n\n", "Unknown Device Code!\n\n"};

}  // namespace kvr::texts
