// A recording, failing-on-demand serial device for the tests, and a spy on a real one.
#pragma once

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/serial_device.h"

namespace kvr::testing {

// A serial device that records every call (named as serial_calls.h says)
// and fails where told to. Names in `present` can be opened. Made with
// another device it is a spy: every call passes on to that device.
// Each call is first shown to `onCall`, which can refuse it: the call
// then fails without going further.
class FakeSerial : public SerialDevice {
  public:
    FakeSerial() = default;
    explicit FakeSerial(SerialDevice& forwardTo) : inner_(&forwardTo) {}
    // The batch player set here, else a spied device's own; its batches
    // and fast path pass unwatched.
    LineBatch* Batch() override {
        if (batch != nullptr || inner_ == nullptr) return batch;
        return inner_->Batch();
    }
    std::string FastPath() const override {
        return inner_ != nullptr ? inner_->FastPath() : std::string();
    }
    bool IsOpen() const override { return inner_ != nullptr ? inner_->IsOpen() : open; }
    KVR_SERIAL_DEVICE_CALLS;

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
    int Count(const std::string& call) const;

    // The batch player the device offers (none: call by call).
    LineBatch* batch = nullptr;
    std::function<bool(const std::string& call)> onCall;
    bool recording = true;           // into calls and lines
    std::vector<std::string> calls;  // "open COM2", "SETDTR", "status", ...
    std::vector<LineFunction> lines;
    std::uint32_t modemStatus = 0;
    std::deque<std::uint8_t> input;
    std::vector<std::uint8_t> output;

  private:
    bool Let(const std::string& call);
    // Where the port is open and the call is not set to fail: to = from.
    template <class T>
    bool Store(T& to, const T& from, bool fails) {
        if (!open || fails) return false;
        to = from;
        return true;
    }
    SerialDevice* inner_ = nullptr;
};

// The port of a real program, watched.
using SerialSpy = FakeSerial;

}  // namespace kvr::testing
