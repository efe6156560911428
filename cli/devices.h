#pragma once

#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "platform/serial_device.h"

namespace kvr::cli {

// The real ports of this platform for the command line. Each platform has
// one source file that makes them (devices_qt.cpp here).
class Devices {
  public:
    virtual ~Devices() = default;
    virtual Clock& clock() = 0;
    virtual SerialDevice& serial() = 0;
    virtual PortIo& portIo() = 0;
    // The device that COMn opens; empty when there is none.
    virtual std::string DeviceForCom(int n) = 0;
};

std::unique_ptr<Devices> OpenDevices(int argc, char** argv);

}  // namespace kvr::cli
