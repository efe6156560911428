#pragma once

#include <string>

#include "platform/serial_device.h"

namespace kvr::web {

// A serial port of the browser (Web Serial). Not yet wired: every port is
// absent, so the program reports it as on a PC without one.
class WebSerial : public SerialDevice {
  public:
    bool Open(const std::string&) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool GetState(SerialConfig&) override { return false; }
    bool SetState(const SerialConfig&) override { return false; }
    bool SetTimeouts(const SerialTimeouts&) override { return false; }
    bool SetLine(LineFunction) override { return false; }
    bool GetModemStatus(std::uint32_t&) override { return false; }
    bool Read(std::uint8_t*, std::size_t, std::size_t& got) override {
        got = 0;
        return false;
    }
    bool Write(const std::uint8_t*, std::size_t, std::size_t& written) override {
        written = 0;
        return false;
    }
    // What COMn is in the browser; empty when the site has no such port.
    std::string PortName(int) const { return {}; }
};

}  // namespace kvr::web
