// A firmware update of an 8 KiB image (128 pages) through the simulated
// controller on the real clock, over the UART link and over the bit-serial
// link: wall time, CPU time, and the time the protocol's own pauses require,
// so that what the program adds on top of them shows.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/update_procedure.h"
#include "controller.h"
#include "counting_serial.h"
#include "link/port_access.h"
#include "platform/host.h"
#include "platform/serial_device.h"
#include "platform/window.h"
#include "sim_clock.h"
#include "sim_devices.h"
#include "simulation.h"
#include "update_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kImageBytes = 8192;
constexpr int kReadSamples = 5000000;

// The user: answers every question with OK and picks the update file.
class RecordingHost : public kvr::Host {
  public:
    explicit RecordingHost(std::string file) : file_(std::move(file)) {}
    int MessageBox(kvr::Window*, const std::string& text, const std::string&,
                   kvr::MessageButtons) override {
        boxes.push_back(text);
        return kvr::kIdOk;
    }
    void Beep() override { ++beeps; }
    kvr::PlatformFamily QueryPlatform() override { return kvr::PlatformFamily::Nt; }
    bool ShellOpen(const std::string&) override { return false; }
    std::string ChooseOpenFile(const kvr::OpenFileRequest&) override { return file_; }
    std::string ChooseSaveFile(const kvr::SaveFileRequest&) override { return {}; }
    void PumpMessages() override { ++pumps; }
    int RunDialog(int, kvr::Window*, const kvr::DialogProc&) override { return 0; }
    void ErrorOutput(const std::string&) override {}

    std::vector<std::string> boxes;
    int beeps = 0;
    int pumps = 0;

  private:
    std::string file_;
};

// The main window as far as the update uses it: the status line.
class StatusWindow : public kvr::Window {
  public:
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    std::string GetText(int id, std::size_t maxChars) override {
        return texts[id].substr(0, maxChars);
    }
    void SetCheck(int, bool) override {}
    bool IsChecked(int) override { return false; }
    void Enable(int, bool) override {}
    bool IsEnabled(int) override { return true; }
    void ComboAdd(int, const std::string&) override {}
    void ComboSetSel(int, int) override {}
    int ComboGetSel(int) override { return -1; }
    void CheckMenuItem(int, bool) override {}
    bool IsMenuItemChecked(int) override { return false; }
    void Repaint() override {}
    void Show() override {}
    void EndDialog(int) override {}

    std::map<int, std::string> texts;
};

struct Run {
    double elapsedMs = 0;  // on the scenario's clock
    long delayReads = 0;   // status reads of DelayLoops
    bool flashMatches = false;
    std::string status;
    std::vector<std::string> boxes;
    int pumps = 0;
    long pages = 0;
};

// One update on the given simulation, the file chosen in the dialog.
Run Scenario(kvr::sim::Simulation& sim, kvr::sim::LinkKind link, const fs::path& dir,
             const fs::path& file, std::uint32_t loopsPerTick,
             const std::vector<std::uint8_t>& image) {
    sim.controller().profile.link = link;
    RecordingHost host(file.string());
    StatusWindow window;
    kvr::bench::CountingSerial serial(sim.serial());
    kvr::Program p({sim.clock(), serial, sim.portIo(), host}, kvr::Language::English);
    p.app.startDirectory = dir;
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    p.link.state.loopsPerTick = loopsPerTick;

    kvr::sim::SimClock& clock = sim.simClock();
    const std::uint64_t t0 = clock.NowNs();
    kvr::RunFirmwareUpdate(p, window);
    const std::uint64_t t1 = clock.NowNs();

    Run r;
    r.elapsedMs = static_cast<double>(t1 - t0) / 1e6;
    // Every bit samples data in once; the initial line check reads twice.
    r.delayReads = serial.statusReads - serial.clockRises;
    const auto& flash = sim.controller().flash;
    r.flashMatches = std::equal(image.begin(), image.end(), flash.begin()) &&
                     std::all_of(flash.begin() + kImageBytes, flash.end(),
                                 [](std::uint8_t b) { return b == 0xFF; });
    r.status = window.texts[1044];
    r.boxes = host.boxes;
    r.pumps = host.pumps;
    r.pages = static_cast<long>(sim.controller().TraceOf('X').size());
    return r;
}

double CpuMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string s;
    for (const std::string& t : texts) s += (s.empty() ? "" : " | ") + t;
    return s;
}

// The status reads' pace on the real clock, calibrated as the program does
// before an ISP connection: DelayLoops' pauses last that long.
struct Pace {
    std::uint32_t loops = 1;
    double readNs = 0;
};

bool MeasurePace(Pace& pace) {
    kvr::sim::Simulation sim(kvr::sim::ClockKind::Real);
    RecordingHost host("");
    kvr::Program p({sim.clock(), sim.serial(), sim.portIo(), host}, kvr::Language::English);
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    if (!kvr::OpenSerialPort(p)) return false;
    kvr::CalibrateDelay(p);
    pace.loops = p.link.state.loopsPerTick;
    for (int i = 0; i < kReadSamples / 10; ++i) (void)kvr::ReadDataIn(p);  // warm up
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kReadSamples; ++i) (void)kvr::ReadDataIn(p);
    pace.readNs =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() /
        kReadSamples;
    return true;
}

// One link's update, on the ideal and on the real path; false when the
// flash came out wrong.
bool BenchLink(kvr::sim::LinkKind link, const fs::path& dir, const fs::path& file, const Pace& pace,
               const std::vector<std::uint8_t>& image) {
    const char* name = link == kvr::sim::LinkKind::Uart ? "UART" : "bit-serial";

    // The protocol alone: a virtual clock on which calls cost nothing, so
    // only the waits on the tick counter, the read time-outs and the
    // bytes' time on the line take time.
    kvr::sim::Simulation ideal(kvr::sim::ClockKind::Virtual);
    ideal.simSerial().costs = kvr::sim::CallCosts{0, 0, 0, 0};
    ideal.virtualClock()->tickReadNs = 1000;
    ideal.controller().profile.minEdgeNs = 0;  // calls take no time here
    const Run need = Scenario(ideal, link, dir, file, pace.loops, image);

    kvr::sim::Simulation sim(kvr::sim::ClockKind::Real);
    const double c0 = CpuMs();
    const auto w0 = std::chrono::steady_clock::now();
    const Run real = Scenario(sim, link, dir, file, pace.loops, image);
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - w0).count();
    const double cpu = CpuMs() - c0;

    const double delayMs = static_cast<double>(need.delayReads) * pace.readNs / 1e6;
    std::printf("%-11s %10.1f %10.1f %12.1f %12.1f %12.1f %10s\n", name, wall, cpu, need.elapsedMs,
                delayMs, wall - need.elapsedMs - delayMs, real.flashMatches ? "= file" : "DIFFERS");
    std::printf("  status \"%s\", pages committed %ld, message pumps %d, boxes: %s\n",
                real.status.c_str(), real.pages, real.pumps, Joined(real.boxes).c_str());
    return real.flashMatches && need.flashMatches;
}

}  // namespace

int main() {
    // The update file: 8192 text records, one byte each, 128 pages.
    std::random_device random;
    const fs::path dir =
        fs::temp_directory_path() / ("kvr-update-bench-" + std::to_string(random()));
    fs::create_directories(dir);
    std::ofstream(dir / "blsetup.cfg") << "COM2";
    const fs::path file = dir / "K6123_6124.upd";
    const std::vector<std::uint8_t> image = kvr::bench::WriteUpdateFile(file, kImageBytes);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);

    Pace pace;
    if (!MeasurePace(pace)) return 1;

    std::printf("update_bench: RunFirmwareUpdate of a %d-byte text file (%d pages)\n", kImageBytes,
                kImageBytes / 64);
    std::printf("simulated controller, real clock; loopsPerTick %u\n", pace.loops);
    std::printf("%-11s %10s %10s %12s %12s %12s %10s\n", "link", "wall ms", "CPU ms", "waits ms",
                "delays ms", "overhead ms", "flash");
    bool allGood = true;
    for (kvr::sim::LinkKind link : {kvr::sim::LinkKind::Uart, kvr::sim::LinkKind::BitSerial}) {
        allGood = BenchLink(link, dir, file, pace, image) && allGood;
    }
    std::printf(
        "waits: WaitMs, read time-outs and UART byte times; delays: the DelayLoops status reads "
        "at %.1f ns each (a unit of %u reads: %.4f ms; nominal 0.0068 ms); overhead: wall - waits "
        "- delays\n",
        pace.readNs, 5 * pace.loops, 5.0 * pace.loops * pace.readNs / 1e6);

    fs::current_path(previous);
    fs::remove_all(dir);
    return allGood ? 0 : 1;
}
