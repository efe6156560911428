#include "simulation.h"

#include "controller.h"
#include "sim_clock.h"
#include "sim_devices.h"

namespace kvr::sim {

struct Simulation::Impl {
    explicit Impl(ClockKind kind) {
        if (kind == ClockKind::Virtual) {
            auto v = std::make_unique<VirtualClock>();
            virtualClock = v.get();
            clock = std::move(v);
        } else {
            clock = std::make_unique<RealClock>();
        }
        serial = std::make_unique<SimSerial>(*clock, controller);
        portIo = std::make_unique<SimPortIo>(*clock, controller);
    }
    std::unique_ptr<SimClock> clock;
    VirtualClock* virtualClock = nullptr;
    Controller controller;
    std::unique_ptr<SimSerial> serial;
    std::unique_ptr<SimPortIo> portIo;
};

Simulation::Simulation(ClockKind kind) : impl_(std::make_unique<Impl>(kind)) {}
Simulation::~Simulation() = default;

Clock& Simulation::clock() {
    return *impl_->clock;
}
SerialDevice& Simulation::serial() {
    return *impl_->serial;
}
PortIo& Simulation::portIo() {
    return *impl_->portIo;
}
std::string Simulation::DeviceForCom(int n) {
    return n >= 1 && n <= 8 ? "COM" + std::to_string(n) : std::string();
}
Controller& Simulation::controller() {
    return impl_->controller;
}
SimClock& Simulation::simClock() {
    return *impl_->clock;
}
VirtualClock* Simulation::virtualClock() {
    return impl_->virtualClock;
}
SimSerial& Simulation::simSerial() {
    return *impl_->serial;
}
SimPortIo& Simulation::simPortIo() {
    return *impl_->portIo;
}

}  // namespace kvr::sim
