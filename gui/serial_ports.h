#pragma once

#include <string>

namespace kvr::gui {

// The program names its serial ports COM1 to COM8. On this platform each
// maps to a serial device that is present; empty when COMn has none.
std::string DeviceForCom(int n);

}  // namespace kvr::gui
