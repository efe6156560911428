#pragma once

#include <cstdint>
#include <string>

#include "d2xx_chip.h"
#include "ftdi/ftdi_serial.h"
#include "platform/devices.h"
#include "win32_serial_device.h"
#include "windows_api.h"

namespace kvr::win32 {

// GetTickCount: the millisecond counter all link timing is built on.
class Win32Clock : public Clock {
  public:
    std::uint32_t TickCount() override;
    // QueryPerformanceCounter.
    std::uint64_t PreciseNs() override;
    // Sleep has whole milliseconds; shorter naps only yield.
    void SleepUs(std::uint32_t us) override;
};

// The parallel port through the port driver library. The library is loaded
// once by name at start; its two entries are looked up on every access, so a
// library without them fails at the access, where the program reports it.
class Win32PortIo : public PortIo {
  public:
    explicit Win32PortIo(std::wstring libraryName = L"DLPORTIO.dll");
    ~Win32PortIo() override;
    Win32PortIo(const Win32PortIo&) = delete;
    Win32PortIo& operator=(const Win32PortIo&) = delete;

    // On the NT family the port instructions are privileged: only the
    // driver library reaches the port. The program asks for them only on the
    // Windows 9x family, which this build does not run on.
    void OutByte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t InWord(std::uint16_t) override { return 0xFFFF; }

    bool LoadDriver() override;
    bool DriverWritePortUshort(std::uint16_t port, std::uint16_t value) override;
    bool DriverReadPortUlong(std::uint16_t port, std::uint32_t& value) override;

  private:
    std::wstring libraryName_;
    HMODULE module_ = nullptr;
};

// The devices of this platform: the tick counter, the COM ports (through
// an FTDI chip's own library when the port is such a chip), the port driver
// library.
class Win32Devices : public Devices {
  public:
    // fastPath false, or KVR_NO_FAST_PATH set (not "0"): every COM port
    // through the communications calls.
    explicit Win32Devices(bool fastPath = true);
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }
    // The system's own COM ports keep their names.
    std::string DeviceForCom(int n) override {
        return n >= 1 && n <= 8 ? "COM" + std::to_string(n) : std::string();
    }

  private:
    Win32Clock clock_;
    Win32SerialDevice plain_;
    D2xxChip chip_;
    FtdiSerial serial_{plain_, chip_, clock_};
    Win32PortIo portIo_;
};

}  // namespace kvr::win32
