#pragma once

#include <memory>

#include "platform/devices.h"

namespace kvr::sim {

class Controller;
class SimClock;
class VirtualClock;
class SimSerial;
class SimPortIo;

enum class ClockKind {
    Virtual,  // advances as the program works: tests
    Real,     // the wall clock: a person trying the program
};

// A simulated controller wired to every COM port and the parallel port,
// together with the clock it runs on.
class Simulation : public Devices {
  public:
    explicit Simulation(ClockKind kind);
    ~Simulation() override;
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    Clock& clock() override;
    SerialDevice& serial() override;
    PortIo& portIo() override;
    // Every COM name reaches the one simulated controller.
    std::string DeviceForCom(int n) override;
    Controller& controller();

    // The concrete pieces, for tests and tools that look inside.
    SimClock& simClock();
    VirtualClock* virtualClock();  // null on the real clock
    SimSerial& simSerial();
    SimPortIo& simPortIo();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvr::sim
