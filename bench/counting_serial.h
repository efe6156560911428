// A serial device that counts what passes through it, for the benchmarks.
#pragma once

#include "platform/serial_device.h"

namespace kvr::bench {

// Passes every call on and counts the clock's rising edges (one data-in
// sample per bit), the line changes and the status reads, so that the delay
// loops' reads can be told from the bits' samples.
class CountingSerial : public SerialDevice {
  public:
    explicit CountingSerial(SerialDevice& inner) : inner_(inner) {}
    // Batches go to the device's player uncounted: they are no calls.
    LineBatch* Batch() override { return inner_.Batch(); }
    std::string FastPath() const override { return inner_.FastPath(); }
    bool Open(const std::string& name) override { return inner_.Open(name); }
    void Close() override { inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    bool GetState(SerialConfig& c) override { return inner_.GetState(c); }
    bool SetState(const SerialConfig& c) override { return inner_.SetState(c); }
    bool SetTimeouts(const SerialTimeouts& t) override { return inner_.SetTimeouts(t); }
    bool SetLine(LineFunction f) override {
        if (f == LineFunction::SetRts) ++clockRises;
        ++lineChanges;
        return inner_.SetLine(f);
    }
    bool GetModemStatus(std::uint32_t& status) override {
        ++statusReads;
        return inner_.GetModemStatus(status);
    }
    bool Read(std::uint8_t* b, std::size_t n, std::size_t& got) override {
        return inner_.Read(b, n, got);
    }
    bool Write(const std::uint8_t* b, std::size_t n, std::size_t& written) override {
        return inner_.Write(b, n, written);
    }
    long clockRises = 0;
    long lineChanges = 0;
    long statusReads = 0;

  private:
    SerialDevice& inner_;
};

}  // namespace kvr::bench
