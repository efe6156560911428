// The command line's ports on Windows: the Win32 front end's serial device
// (through an FTDI chip's library where the port is one) and port driver
// library.
#include "devices.h"
#include "win32_platform.h"

namespace kvr::cli {

std::unique_ptr<Devices> OpenDevices(int, char**, bool fastPath) {
    return std::make_unique<win32::Win32Devices>(fastPath);
}

}  // namespace kvr::cli
