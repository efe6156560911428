#pragma once

#include <cstddef>
#include <cstdint>

#include "controller.h"
#include "platform/serial_device.h"

namespace kvr::sim {

// The serial adapter between a PC's port and the controller: RTS, DTR and
// the break drive the controller's clock, data out and reset; its data in
// comes back on CTS; bytes written go out on the UART one after another at
// the port's speed. Every stand-in for a serial port drives the controller
// through this, whatever clock it runs on.
class AdapterWiring {
  public:
    explicit AdapterWiring(Controller& controller) : ctl_(controller) {}

    // Applies a line change of the program at nowNs; false for a function
    // that changes no line.
    bool SetLine(LineFunction function, std::uint64_t nowNs);
    bool Cts(std::uint64_t nowNs) { return ctl_.DataIn(nowNs); }
    // Bytes handed to the port at nowNs; each starts once the one before
    // has left. Returns the time the last has left. The data wire is held in
    // break while reset is held through it: nothing reaches the controller.
    std::uint64_t Send(const std::uint8_t* bytes, std::size_t count, std::uint32_t baud,
                       std::uint64_t nowNs);
    // The next byte for the PC that has arrived by horizonNs, taken off the
    // line.
    bool Receive(std::uint64_t horizonNs, TimedByte& next);
    // The adapter was unplugged: it drove nothing, so the controller's
    // pull-up released its reset line (a chip held in programming mode runs
    // again), and its break is off.
    void Unplugged(std::uint64_t nowNs);

    // The port's own line states (SETRTS, SETDTR, SETBREAK last given).
    bool rts() const { return rts_; }
    bool dtr() const { return dtr_; }
    bool breakOn() const { return break_; }

  private:
    void Drive(bool& line, Pin pin, bool level, std::uint64_t nowNs);

    Controller& ctl_;
    bool rts_ = false;
    bool dtr_ = false;
    bool break_ = false;
    std::uint64_t txFreeNs_ = 0;
};

}  // namespace kvr::sim
