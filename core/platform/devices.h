// The devices of the seam a front end hands the start-up: clock, serial device, port I/O.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "platform/serial_device.h"

namespace kvr {

// The clock, serial device and port I/O the program runs on: the real ones
// of a platform or the simulated controller's. A front end makes them and
// hands them to the start-up.
class Devices {
  public:
    virtual ~Devices() = default;
    virtual Clock& clock() = 0;
    virtual SerialDevice& serial() = 0;
    virtual PortIo& portIo() = 0;
    // The device that COMn opens; empty when there is none.
    virtual std::string DeviceForCom(int n) = 0;
};

// Devices that are one clock, one serial device and one port I/O of their
// own.
template <class ClockType, class SerialType, class PortIoType>
class OwnedDevices : public Devices {
  public:
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }

  protected:
    ClockType clock_;
    SerialType serial_;
    PortIoType portIo_;
};

}  // namespace kvr
