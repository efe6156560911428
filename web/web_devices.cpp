// The page's real devices: performance.now() as the clock, Web Serial, no parallel port.
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

// A browser has no parallel port.
class BrowserDevices : public OwnedDevices<BrowserClock, WebSerial, NoPortIo> {
  public:
    std::string DeviceForCom(int n) override { return BrowserPortName(n); }
};

}  // namespace

std::unique_ptr<Devices> MakeBrowserDevices() {
    return std::make_unique<BrowserDevices>();
}

}  // namespace kvr::web
