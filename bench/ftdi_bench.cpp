// ftdi_bench: a Read, a Write and a verified update through the simulated FTDI chip.
//
// The FTDI fast path on the Portix2 wiring: a Read, a Write and a verified
// firmware update through the real libftdi1 driver on the stand-in library,
// the simulated chip taking 1 ms per USB transfer. The times are the
// simulated clock's: what the commands would take with such an adapter, not
// what the simulation costs. Beside them the protocol's own pauses (the same
// command where calls cost nothing) and the USB transfer floor (transfers x
// 1 ms). Arguments: [update bytes] (default 8192) [chip: 232r|2232h].
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/settings_commands.h"
#include "app/update_procedure.h"
#include "bench_host.h"
#include "controller.h"
#include "counting_serial.h"
#include "ftdi/ftdi_serial.h"
#include "ftdi_chip_model.h"
#include "libftdi_chip.h"
#include "libftdi_standin.h"
#include "platform/host.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "sim_clock.h"
#include "sim_devices.h"
#include "simulation.h"
#include "update_file.h"
#include "window_record.h"

namespace {

namespace fs = std::filesystem;
using kvr::sim::FtdiType;

constexpr double kUnitMs = 250.0 / 37000.0;
constexpr std::uint64_t kUsbTransferNs = 1000000;

using kvr::bench::BenchHost;

// A USB serial adapter on COM2 as sysfs shows it, with the chip behind.
struct Adapter {
    Adapter(kvr::sim::Simulation& sim, FtdiType type, const fs::path& root)
        : chip(sim.simClock(), sim.controller(), type),
          driver(root.string()),
          port(sim.simSerial(), driver, sim.clock()) {
        const fs::path usb = root / "devices" / "usb1" / "1-1";
        fs::create_directories(usb / "1-1:1.0" / "COM2");
        fs::create_directories(root / "class" / "tty" / "COM2");
        fs::create_directory_symlink(usb / "1-1:1.0" / "COM2",
                                     root / "class" / "tty" / "COM2" / "device");
        std::ostringstream product;
        product << std::hex << chip.sheet().productId;
        std::ofstream(usb / "busnum") << int(chip.busNumber) << "\n";
        std::ofstream(usb / "devnum") << int(chip.deviceAddress) << "\n";
        std::ofstream(usb / "idVendor") << "0403\n";
        std::ofstream(usb / "idProduct") << product.str() << "\n";
        std::ofstream(usb / "1-1:1.0" / "bInterfaceNumber") << "00\n";
        chip.usbTransferNs = kUsbTransferNs;
        kvr_libftdi_standin_attach(&chip);
    }
    ~Adapter() {
        port.Close();
        kvr_libftdi_standin_attach(nullptr);
    }
    kvr::sim::FtdiChipModel chip;
    kvr::LibftdiChip driver;
    kvr::FtdiSerial port;
};

struct Figures {
    double ms = 0;
    long lineChanges = 0;
    long statusReads = 0;
    long clockRises = 0;
    long usbTransfers = 0;
    std::uint64_t pinStates = 0;
    bool good = false;
    std::vector<std::string> boxes;
};

// One command on a fresh simulation, through the adapter or (ftdi null) on
// the serial port where calls cost nothing.
Figures Run(const std::string& scenario, const FtdiType* ftdi, const fs::path& dir,
            const std::vector<std::uint8_t>& image) {
    kvr::sim::Simulation sim(kvr::sim::ClockKind::Virtual);
    sim.controller().profile.link = kvr::sim::LinkKind::BitSerial;
    if (ftdi == nullptr) {
        sim.simSerial().costs = kvr::sim::CallCosts{0, 0, 0, 0};
        sim.controller().profile.minEdgeNs = 0;
    }
    std::optional<Adapter> adapter;
    if (ftdi != nullptr) adapter.emplace(sim, *ftdi, dir / ("sys-" + std::to_string(rand())));
    kvr::bench::CountingSerial serial(adapter ? static_cast<kvr::SerialDevice&>(adapter->port)
                                              : sim.serial());
    BenchHost host;
    host.file = (dir / "K6123_6124.upd").string();
    kvr::Program p({sim.clock(), serial, sim.portIo(), host}, kvr::Language::English);
    p.app.startDirectory = dir;
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    p.link.state.loopsPerTick = 1;
    kvr::WindowRecord window;
    for (std::string_view entry : kvr::texts::kTimingEntries) {
        window.ComboAdd(kvr::id::kTimingList, std::string(entry));
    }
    for (const kvr::Text& entry : kvr::texts::kBrakeEntries) {
        window.ComboAdd(kvr::id::kBrakeList, std::string(p.T(entry)));
    }
    if (scenario == "write") kvr::ReadSettings(p, window);
    host.boxes.clear();
    const long lines0 = serial.lineChanges, status0 = serial.statusReads,
               rises0 = serial.clockRises;
    const long usb0 = adapter ? adapter->chip.calls() : 0;
    const std::uint64_t t0 = sim.simClock().NowNs();
    bool done = false;
    if (scenario == "read") {
        done = kvr::ReadSettings(p, window) == kvr::Outcome::Done;
    } else if (scenario == "write") {
        window.SetText(kvr::id::kAcceleration, "7");
        done = kvr::WriteSettings(p, window) == kvr::Outcome::Done;
    } else {
        done = kvr::RunFirmwareUpdate(p, window).outcome == kvr::Outcome::Done;
    }
    Figures f;
    f.ms = static_cast<double>(sim.simClock().NowNs() - t0) / 1e6;
    f.lineChanges = serial.lineChanges - lines0;
    f.statusReads = serial.statusReads - status0;
    f.clockRises = serial.clockRises - rises0;
    if (adapter) {
        f.usbTransfers = adapter->chip.calls() - usb0;
        f.pinStates = adapter->chip.pinStates();
    }
    f.good = done;
    if (scenario == "update") {
        const auto& flash = sim.controller().flash;
        f.good = done && std::equal(image.begin(), image.end(), flash.begin());
    }
    f.boxes = host.boxes;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int bytes = argc > 1 ? std::atoi(argv[1]) : 8192;
    const FtdiType type =
        argc > 2 && std::string(argv[2]) == "2232h" ? FtdiType::Ft2232h : FtdiType::Ft232r;
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("kvr-ftdi-bench-" + std::to_string(random()));
    fs::create_directories(dir);
    std::ofstream(dir / "blsetup.cfg") << "COM2";
    const std::vector<std::uint8_t> image =
        kvr::bench::WriteUpdateFile(dir / "K6123_6124.upd", bytes);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);

    std::printf(
        "ftdi_bench: Portix2 wiring through a simulated %s, %.1f ms per USB transfer; "
        "times on the simulated clock\n",
        kvr::sim::FtdiSheetOf(type).model, kUsbTransferNs / 1e6);
    bool allGood = true;
    for (const std::string scenario : {"read", "write", "update"}) {
        const Figures need = Run(scenario, nullptr, dir, image);
        const Figures f = Run(scenario, &type, dir, image);
        // Five delay reads per unit at loopsPerTick 1, as the ideal path
        // makes its pauses.
        const double delaysMs =
            static_cast<double>(need.statusReads - need.clockRises) / 5.0 * kUnitMs;
        const double protocolMs = need.ms + delaysMs;
        const double floorMs = static_cast<double>(f.usbTransfers) * kUsbTransferNs / 1e6;
        std::printf(
            "  %-6s %6d B | %9.1f ms  protocol's pauses %8.1f ms (waits %8.1f + delays %7.1f)  "
            "USB transfers %7ld (floor %8.1f ms)  pin states %9llu  "
            "time/(pauses+floor) %.2f  %s\n",
            scenario.c_str(), scenario == "update" ? bytes : 0, f.ms, protocolMs, need.ms, delaysMs,
            f.usbTransfers, floorMs, static_cast<unsigned long long>(f.pinStates),
            f.ms / (protocolMs + floorMs), f.good ? "ok" : "FAILED");
        for (const std::string& b : f.boxes) std::printf("    box: %s\n", b.c_str());
        allGood = allGood && f.good;
    }
    fs::current_path(previous);
    fs::remove_all(dir);
    return allGood ? 0 : 1;
}
