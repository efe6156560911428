#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/serial_device.h"

namespace kvr::testing {

// Passes every call on to the device it wraps (the simulated port, mostly).
// Each call is first shown to `onCall` under its name (serial_calls.h),
// which can refuse it: the call then fails without reaching the device.
// While `recording` is set the names are kept in `calls` and the line
// changes in `lines`.
class SerialSpy : public SerialDevice {
  public:
    explicit SerialSpy(SerialDevice& inner) : inner_(inner) {}

    bool Open(const std::string& name) override;
    void Close() override;
    bool IsOpen() const override { return inner_.IsOpen(); }
    bool GetState(SerialConfig& c) override;
    bool SetState(const SerialConfig& c) override;
    bool SetTimeouts(const SerialTimeouts& t) override;
    bool SetLine(LineFunction f) override;
    bool GetModemStatus(std::uint32_t& s) override;
    bool Read(std::uint8_t* b, std::size_t n, std::size_t& got) override;
    bool Write(const std::uint8_t* b, std::size_t n, std::size_t& written) override;

    int Count(const std::string& call) const;

    std::function<bool(const std::string& call)> onCall;
    bool recording = true;
    std::vector<std::string> calls;
    std::vector<LineFunction> lines;

  private:
    bool Let(const std::string& call);
    SerialDevice& inner_;
};

}  // namespace kvr::testing
