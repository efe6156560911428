#pragma once

#include <cstdint>

#include "ftdi/ftdi_serial.h"
#include "libftdi_chip.h"
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

// The devices of this platform: the steady clock, QSerialPort (through an
// FTDI chip's bit-bang where the port is one), no parallel port. QSerialPort
// needs an application object, which the caller makes.
class QtDevices : public Devices {
  public:
    // fastPath false, or KVR_NO_FAST_PATH: every port as the plain serial
    // device serves it.
    explicit QtDevices(bool fastPath = true);
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }
    std::string DeviceForCom(int n) override;

  private:
    QtClock clock_;
    QtSerialDevice plain_;
    LibftdiChip chip_;
    FtdiSerial serial_{plain_, chip_, clock_};
    NoPortIo portIo_;
};

}  // namespace kvr::gui
