// The parallel port of the seam: port instructions or the driver library's two entries.
#pragma once

#include <cstdint>

namespace kvr {

// Parallel-port access: the processor's own port instructions where the
// platform allows them, otherwise a driver library with two entries that is
// looked up by name on every access.
class PortIo {
  public:
    virtual ~PortIo() = default;

    // Direct port instructions.
    virtual void OutByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint16_t InWord(std::uint16_t port) = 0;

    // The driver library: LoadDriver loads it once at start; the two entries
    // return false when the library or the entry cannot be found.
    virtual bool LoadDriver() = 0;
    virtual bool DriverWritePortUshort(std::uint16_t port, std::uint16_t value) = 0;
    virtual bool DriverReadPortUlong(std::uint16_t port, std::uint32_t& value) = 0;
};

// A platform without a parallel port: no port instructions and no driver
// library.
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

}  // namespace kvr
