// The tests' parallel port: it records every access.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/port_io.h"

namespace kvr::testing {

// Records parallel-port accesses. The driver entries exist only when
// driverPresent is set.
class FakePortIo : public PortIo {
  public:
    void OutByte(std::uint16_t port, std::uint8_t value) override {
        calls.push_back("out " + std::to_string(port) + " " + std::to_string(value));
    }
    std::uint16_t InWord(std::uint16_t port) override {
        calls.push_back("in " + std::to_string(port));
        return inValue;
    }
    bool LoadDriver() override { return driverPresent; }
    bool DriverWritePortUshort(std::uint16_t port, std::uint16_t value) override {
        calls.push_back("dlout " + std::to_string(port) + " " + std::to_string(value));
        return driverPresent;
    }
    bool DriverReadPortUlong(std::uint16_t port, std::uint32_t& value) override {
        calls.push_back("dlin " + std::to_string(port));
        value = driverInValue;
        return driverPresent;
    }

    bool driverPresent = false;
    std::uint16_t inValue = 0;
    std::uint32_t driverInValue = 0;
    std::vector<std::string> calls;
};

}  // namespace kvr::testing
