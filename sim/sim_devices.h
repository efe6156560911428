// The simulated PC ports: the serial port and the parallel port with the controller behind them.
#pragma once

#include <cstdint>
#include <string>

#include "adapter_wiring.h"
#include "controller.h"
#include "platform/port_io.h"
#include "platform/serial_device.h"
#include "sim_clock.h"

namespace kvr::sim {

// Costs of device calls on the virtual clock.
struct CallCosts {
    std::uint64_t lineNs = 3000;       // a line change or a status read
    std::uint64_t setupNs = 50000;     // state, time-outs, open, close
    std::uint64_t transferNs = 20000;  // a read or write call
    std::uint64_t portNs = 1000;       // one parallel-port access
};

// The PC's serial port with the controller behind it. Every COM name of the
// program reaches the same controller; one port is open at a time. The
// adapter holds the lines while the port is closed and reopened.
class SimSerial : public SerialDevice {
  public:
    SimSerial(SimClock& clock, Controller& controller)
        : clock_(clock), ctl_(controller), wiring_(controller) {}

    bool IsOpen() const override { return open_; }
    KVR_SERIAL_DEVICE_CALLS;

    CallCosts costs;
    // Calls so far, for tools that account for the program's work.
    long statusReads = 0;
    long lineChanges = 0;
    // Names that can be opened: "COM1".."COM8".
    bool Exists(const std::string& name) const;
    bool vanished() const { return vanished_; }
    // The device comes back, as an adapter plugged in again: a handle from
    // before it vanished stays dead; the port must be opened anew.
    void Replug();
    // Calls made on the device so far.
    long calls() const { return calls_; }
    const SerialConfig& config() const { return config_; }
    const SerialTimeouts& timeouts() const { return timeouts_; }
    const std::string& openName() const { return name_; }
    // The port's own line states (SETRTS, SETDTR, SETBREAK last given).
    bool rts() const { return wiring_.rts(); }
    bool dtr() const { return wiring_.dtr(); }
    bool breakOn() const { return wiring_.breakOn(); }

  private:
    // Counts the call; false once the device has gone.
    bool Alive();
    SimClock& clock_;
    Controller& ctl_;
    bool open_ = false;
    bool vanished_ = false;
    long calls_ = 0;
    std::string name_;
    SerialConfig config_;
    SerialTimeouts timeouts_;
    AdapterWiring wiring_;
};

// The parallel port at one base address with the controller on its lines.
class SimPortIo : public PortIo {
  public:
    SimPortIo(SimClock& clock, Controller& controller) : clock_(clock), ctl_(controller) {}

    void OutByte(std::uint16_t port, std::uint8_t value) override;
    std::uint16_t InWord(std::uint16_t port) override;
    bool LoadDriver() override { return driverPresent; }
    bool DriverWritePortUshort(std::uint16_t port, std::uint16_t value) override;
    bool DriverReadPortUlong(std::uint16_t port, std::uint32_t& value) override;

    std::uint16_t base = 0x378;
    bool driverPresent = true;
    CallCosts costs;
    std::uint8_t dataRegister() const { return data_; }
    std::uint8_t controlRegister() const { return control_; }

  private:
    void WriteData(std::uint8_t value);

    SimClock& clock_;
    Controller& ctl_;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0x0C;
};

}  // namespace kvr::sim
