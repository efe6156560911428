#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/serial_device.h"

namespace kvr::testing {

// A serial device that records every call and fails where told to. Names
// in `present` can be opened.
class FakeSerial : public SerialDevice {
  public:
    bool Open(const std::string& name) override;
    void Close() override;
    bool IsOpen() const override { return open; }
    bool GetState(SerialConfig& config) override;
    bool SetState(const SerialConfig& config) override;
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    bool SetLine(LineFunction function) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override;
    bool Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) override;

    std::set<std::string> present{"COM1", "COM2"};
    bool failGetState = false;
    bool failSetState = false;
    bool failTimeouts = false;
    bool open = false;
    std::string openName;
    int opens = 0;
    int closes = 0;
    SerialConfig config;
    SerialTimeouts timeouts;
    std::vector<std::string> calls;  // "open COM2", "SETDTR", "status", ...
    std::uint32_t modemStatus = 0;
    std::deque<std::uint8_t> input;
    std::vector<std::uint8_t> output;
};

}  // namespace kvr::testing
