// The page's real devices: the browser's clock and serial ports.
#pragma once

#include <memory>

#include "platform/devices.h"

namespace kvr::web {

// The devices of the page without the simulation: the browser's clock and
// serial ports; no parallel port.
std::unique_ptr<Devices> MakeBrowserDevices();

}  // namespace kvr::web
