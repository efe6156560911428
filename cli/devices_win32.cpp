// The command line's ports on Windows: the Win32 front end's serial device
// and port driver library.
#include "devices.h"
#include "win32_platform.h"
#include "win32_serial_device.h"

namespace kvr::cli {
namespace {

class Win32Devices : public Devices {
  public:
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }
    // The system's own COM ports keep their names.
    std::string DeviceForCom(int n) override {
        return n >= 1 && n <= 8 ? "COM" + std::to_string(n) : std::string();
    }

  private:
    win32::Win32Clock clock_;
    win32::Win32SerialDevice serial_;
    win32::Win32PortIo portIo_;
};

}  // namespace

std::unique_ptr<Devices> OpenDevices(int, char**) {
    return std::make_unique<Win32Devices>();
}

}  // namespace kvr::cli
