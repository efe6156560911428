#pragma once

#include <string>

namespace kvr::gui {

// The program names its serial ports COM1 to COM8. On this platform each
// maps to a serial device: the one the user named for it in the environment
// variable KVRSETUP_COMn (any path: /dev/rfcomm0, /dev/ttyAMA0,
// /dev/serial/by-id/...), else the next serial device present. Empty when
// COMn has none.
std::string DeviceForCom(int n);

}  // namespace kvr::gui
