// A port driver library for the tests: the two entries the program looks up
// in DLPORTIO.dll, wired to a simulated controller on the parallel port's
// lines, in real time. The program cannot tell it from a library that
// reaches a real port.
#include <windows.h>

#include <cstdint>

#include "sim_devices.h"
#include "simulation.h"

namespace {

// The entries carry no context: the library's one controller lives as long
// as the library is loaded.
kvr::sim::Simulation& Controller() {
    static kvr::sim::Simulation simulation(kvr::sim::ClockKind::Real);
    return simulation;
}

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI DlPortWritePortUshort(ULONG port, USHORT value) {
    Controller().portIo().DriverWritePortUshort(static_cast<std::uint16_t>(port), value);
}

__declspec(dllexport) ULONG WINAPI DlPortReadPortUlong(ULONG port) {
    std::uint32_t value = 0xFFFFFFFFu;
    Controller().portIo().DriverReadPortUlong(static_cast<std::uint16_t>(port), value);
    return value;
}

}  // extern "C"
