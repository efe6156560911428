#include "web_devices.h"

#include <emscripten.h>

#include "web_serial.h"

namespace kvr::web {
namespace {

// performance.now(): a steady clock with fractions of a millisecond.
class BrowserClock : public Clock {
  public:
    std::uint32_t TickCount() override {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
    }
    std::uint64_t PreciseNs() override {
        return static_cast<std::uint64_t>(emscripten_get_now() * 1e6);
    }
};

// A browser has no port instructions and no driver library.
class NoPortIo : public PortIo {
  public:
    void OutByte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t InWord(std::uint16_t) override { return 0xFFFF; }
    bool LoadDriver() override { return false; }
    bool DriverWritePortUshort(std::uint16_t, std::uint16_t) override { return false; }
    bool DriverReadPortUlong(std::uint16_t, std::uint32_t&) override { return false; }
};

class BrowserDevices : public Devices {
  public:
    Clock& clock() override { return clock_; }
    SerialDevice& serial() override { return serial_; }
    PortIo& portIo() override { return portIo_; }
    std::string DeviceForCom(int n) override { return BrowserPortName(n); }

  private:
    BrowserClock clock_;
    WebSerial serial_;
    NoPortIo portIo_;
};

}  // namespace

std::unique_ptr<Devices> MakeBrowserDevices() {
    return std::make_unique<BrowserDevices>();
}

}  // namespace kvr::web
