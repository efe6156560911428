#pragma once

#include <cstdint>

#include "platform/devices.h"
#include "qt_serial_device.h"

namespace kvr::gui {

// Milliseconds of the steady clock, wrapping like a 32-bit tick counter.
class QtClock : public Clock {
  public:
    std::uint32_t TickCount() override;
    std::uint64_t PreciseNs() override;
    void SleepUs(std::uint32_t us) override;
};

// The devices of this platform: the steady clock, QSerialPort, no parallel
// port. QSerialPort needs an application object, which the caller makes.
class QtDevices : public OwnedDevices<QtClock, QtSerialDevice, NoPortIo> {
  public:
    std::string DeviceForCom(int n) override;
};

}  // namespace kvr::gui
