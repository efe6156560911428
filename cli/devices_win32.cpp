// The command line's ports on Windows: the Win32 front end's serial device
// and port driver library.
#include "devices.h"
#include "win32_platform.h"

namespace kvr::cli {

std::unique_ptr<Devices> OpenDevices(int, char**, bool) {
    return std::make_unique<win32::Win32Devices>();
}

}  // namespace kvr::cli
