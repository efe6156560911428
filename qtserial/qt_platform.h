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

// This platform gives no access to the parallel port: no port instructions
// and no driver library.
class NoPortIo : public PortIo {
  public:
    void OutByte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t InWord(std::uint16_t) override { return 0xFFFF; }
    bool LoadDriver() override { return false; }
    bool DriverWritePortUshort(std::uint16_t, std::uint16_t) override { return false; }
    bool DriverReadPortUlong(std::uint16_t, std::uint32_t& value) override {
        value = 0;
        return false;
    }
};

// The devices of this platform: the steady clock, QSerialPort, no parallel
// port. QSerialPort needs an application object, which the caller makes.
class QtDevices : public Devices {
  public:
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }
    std::string DeviceForCom(int n) override;

  private:
    QtClock clock_;
    QtSerialDevice serial_;
    NoPortIo portIo_;
};

}  // namespace kvr::gui
