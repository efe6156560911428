// kvrsetup for Windows: the English (KVR_GERMAN 0) or German (KVR_GERMAN 1)
// build. With --simulate it runs on a simulated controller in real time.

#include <memory>
#include <optional>
#include <string_view>

#include "app/main_window.h"
#include "sim_devices.h"
#include "simulation.h"
#include "win32_host.h"
#include "win32_platform.h"
#include "win32_serial_device.h"
#include "windows_api.h"

#ifndef KVR_GERMAN
#define KVR_GERMAN 0
#endif

namespace {
constexpr kvr::Language kLanguage = KVR_GERMAN ? kvr::Language::German : kvr::Language::English;
}  // namespace

int main(int argc, char** argv) {
    bool simulated = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--simulate") simulated = true;
    }

    // The controls of the current common controls (see the manifest).
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    kvr::win32::BuildOptions options;
    if (simulated) options.titleSuffix = " [simulated]";
    kvr::win32::Win32Host host(options);

    std::unique_ptr<kvr::sim::Simulation> simulation;
    std::optional<kvr::win32::Win32Clock> clock;
    std::optional<kvr::win32::Win32SerialDevice> serial;
    std::optional<kvr::win32::Win32PortIo> portIo;
    if (simulated) {
        simulation = std::make_unique<kvr::sim::Simulation>(kvr::sim::ClockKind::Real);
        // As on a current Windows without the port driver library: the
        // program starts on a serial port.
        simulation->simPortIo().driverPresent = false;
    } else {
        clock.emplace();
        serial.emplace();
        portIo.emplace();
    }
    const kvr::Platform platform{
        simulated ? simulation->clock() : static_cast<kvr::Clock&>(*clock),
        simulated ? simulation->serial() : static_cast<kvr::SerialDevice&>(*serial),
        simulated ? simulation->portIo() : static_cast<kvr::PortIo&>(*portIo),
        host,
    };
    kvr::Program program(platform, kLanguage);
    return kvr::RunProgram(program);
}
