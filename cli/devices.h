// The real ports the command line opens on this platform.
#pragma once

#include <memory>

#include "platform/devices.h"

namespace kvr::cli {

// The real ports of this platform for the command line. Each platform has
// one source file that makes them (devices_qt.cpp, devices_win32.cpp).
// fastPath false: a USB adapter's chip is not driven in bit-bang.
std::unique_ptr<Devices> OpenDevices(int argc, char** argv, bool fastPath);

}  // namespace kvr::cli
