// The production serial path (QtSerialDevice, QtClock) against the simulated
// controller behind the modem-line preload library: system calls per line
// change, status read and byte command; a Read and a firmware update over
// both links with wall time, CPU time and the protocol's own pauses; a Write
// after a Read, and on the bit-serial link the read-back of the flash
// through the programming mode alone; the bit-serial link with a USB
// adapter's latency (0.125 ms and 1 ms) on every modem-line call, with the
// verified 8 KiB update extrapolated from a 64-byte and a longer run.
//
// Without arguments it runs every scenario, each in a child process of its
// own with the library preloaded. Arguments: [update bytes] (default 8192)
// [bit-serial update bytes at 0.125 and 1 ms] (default 256; those runs are
// long).
#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/settings_commands.h"
#include "app/update_procedure.h"
#include "bench_host.h"
#include "controller.h"
#include "counting_serial.h"
#include "isp/flash_verify.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "modem_preload.h"
#include "platform/host.h"
#include "qt_platform.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "sim_clock.h"
#include "sim_devices.h"
#include "simulation.h"
#include "update_file.h"
#include "window_record.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kDevice = "/tmp/kvr-bench-tty";
constexpr double kUnitMs = 250.0 / 37000.0;  // nominal DelayLoops unit
// The shorter of the two updates an 8 KiB one is extrapolated from.
constexpr int kShortUpdateBytes = 64;

using kvr::bench::BenchHost;

template <typename F>
F Entry(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

KvrModemStats Stats() {
    KvrModemStats s{};
    if (auto f = Entry<KvrModemStatsFn>("kvr_modem_stats")) f(&s);
    return s;
}
void ResetStats() {
    if (auto f = Entry<KvrModemVoidFn>("kvr_modem_reset_stats")) f();
}
long Total(const KvrModemStats& s) {
    return s.lineChanges + s.statusReads + s.otherIoctls + s.reads + s.writes + s.polls + s.opens +
           s.closes;
}
void PrintCalls(const char* what, const KvrModemStats& s, double per) {
    std::printf(
        "  %-34s %7.2f  (line %.2f, status %.2f, other ioctl %.2f, read %.2f, write %.2f, "
        "poll %.2f, open/close %.2f)\n",
        what, static_cast<double>(Total(s)) / per, s.lineChanges / per, s.statusReads / per,
        s.otherIoctls / per, s.reads / per, s.writes / per, s.polls / per,
        (s.opens + s.closes) / per);
}

double CpuMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}
double WallMs(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Need {
    double pausesMs = 0;  // WaitMs, read time-outs, UART byte times
    double delaysMs = 0;  // DelayLoops at their nominal unit
    long lineChanges = 0;
    long statusReads = 0;
};

// The protocol alone on the virtual clock where calls cost nothing; what
// prepare does is not counted.
template <typename Prepare, typename Command>
Need Ideal(kvr::sim::LinkKind link, Prepare prepare, Command command) {
    kvr::sim::Simulation sim(kvr::sim::ClockKind::Virtual);
    sim.simSerial().costs = kvr::sim::CallCosts{0, 0, 0, 0};
    sim.virtualClock()->tickReadNs = 1000;
    sim.controller().profile.link = link;
    sim.controller().profile.minEdgeNs = 0;  // calls take no time here
    BenchHost host;
    kvr::bench::CountingSerial serial(sim.serial());
    kvr::Program p({sim.clock(), serial, sim.portIo(), host}, kvr::Language::English);
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    p.link.state.loopsPerTick = 1;
    prepare(p, host);
    const long lines0 = serial.lineChanges;
    const long status0 = serial.statusReads;
    const long rises0 = serial.clockRises;
    const std::uint64_t t0 = sim.simClock().NowNs();
    command(p, host);
    Need n;
    n.pausesMs = static_cast<double>(sim.simClock().NowNs() - t0) / 1e6;
    n.lineChanges = serial.lineChanges - lines0;
    n.statusReads = serial.statusReads - status0;
    // Five delay reads per unit at loopsPerTick 1.
    n.delaysMs = static_cast<double>(n.statusReads - (serial.clockRises - rises0)) / 5.0 * kUnitMs;
    return n;
}

// What each call costs on the real path: line changes, status reads and
// byte commands.
int RunCalls(kvr::Program& p, bool uart) {
    kvr::SerialDevice& serial = p.os.serial;
    if (!serial.Open(kDevice)) return 1;
    constexpr int kN = 1000;
    ResetStats();
    for (int i = 0; i < kN; ++i) {
        (void)serial.SetLine(i % 2 ? kvr::LineFunction::ClrRts : kvr::LineFunction::SetRts);
    }
    PrintCalls("per line change (RTS)", Stats(), kN);
    ResetStats();
    for (int i = 0; i < kN; ++i) {
        (void)serial.SetLine(i % 2 ? kvr::LineFunction::ClrBreak : kvr::LineFunction::SetBreak);
    }
    PrintCalls("per break change", Stats(), kN);
    ResetStats();
    std::uint32_t status = 0;
    for (int i = 0; i < kN; ++i) (void)serial.GetModemStatus(status);
    PrintCalls("per status read", Stats(), kN);
    serial.Close();
    p.link.state.loopsPerTick = 1;
    if (kvr::ConnectLink(p) != 0) return 1;
    constexpr int kReads = 20;
    ResetStats();
    for (int i = 0; i < kReads; ++i) (void)kvr::ReadControllerByte(p, 12).value;
    PrintCalls(uart ? "per byte command (UART)"
                    : "per byte command (bit-serial, "
                      "loopsPerTick 1)",
               Stats(), kReads);
    return 0;
}

// One timed run on the real path.
struct Measured {
    double wallMs = 0;
    double cpuMs = 0;
    KvrModemStats stats{};
    std::uint32_t loops = 0;
    bool good = false;
};

void PrintRun(const std::string& scenario, bool uart, int bytes, const Need& need,
              const Measured& m, const BenchHost& host) {
    const double latencyMs = std::atof(std::getenv("KVR_MODEM_LATENCY_US")) / 1000.0;
    const double needMs =
        need.pausesMs + need.delaysMs + static_cast<double>(need.lineChanges) * latencyMs;
    const double sleptMs = static_cast<double>(m.stats.latencySleptUs) / 1000.0;
    std::printf(
        "  %-10s %-6s %6d B %5.3f ms/call | wall %8.1f ms  CPU %7.1f ms (%4.1f%%)  "
        "pauses %8.1f ms  delays %7.1f ms  line changes %7ld x latency %7.1f ms  "
        "status reads %8ld  wall/(pauses+delays+changes x latency) %.2f",
        uart ? "UART" : "bit-serial", scenario.c_str(), bytes, latencyMs, m.wallMs, m.cpuMs,
        100.0 * m.cpuMs / m.wallMs, need.pausesMs, need.delaysMs, m.stats.lineChanges,
        static_cast<double>(need.lineChanges) * latencyMs, m.stats.statusReads, m.wallMs / needMs);
    if (latencyMs > 0) {
        std::printf("  latency really slept %.1f ms; wall/(pauses+delays+slept) %.2f", sleptMs,
                    m.wallMs / (need.pausesMs + need.delaysMs + sleptMs));
    }
    std::printf("  loopsPerTick %u  %s\n", m.loops, m.good ? "ok" : "FAILED");
    for (const std::string& b : host.boxes) std::printf("    box: %s\n", b.c_str());
    if (!m.good && std::getenv("KVR_BENCH_TRACE") != nullptr) {
        std::string trace(1 << 20, '\0');
        if (auto f = Entry<KvrModemTextFn>("kvr_modem_trace")) {
            trace.resize(std::min(f(trace.data(), trace.size()), trace.size() - 1));
        }
        std::printf("%s\n", trace.substr(trace.size() > 3000 ? trace.size() - 3000 : 0).c_str());
    }
}

std::map<int, kvr::FlashPage> PagesOf(const std::vector<std::uint8_t>& image) {
    std::map<int, kvr::FlashPage> pages;
    for (std::size_t a = 0; a < image.size(); ++a) {
        auto& page = pages[static_cast<int>(a / kvr::kFlashPageSize)];
        if (a % kvr::kFlashPageSize == 0) page.fill(-1);
        page[a % kvr::kFlashPageSize] = image[a];
    }
    return pages;
}

// Read, write, update or verify: once on the ideal path for what the
// protocol needs, then timed on the real one.
int RunScenario(kvr::Program& p, BenchHost& host, const std::string& scenario, int bytes,
                kvr::sim::LinkKind link) {
    const fs::path dir = fs::temp_directory_path() / ("kvr-path-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream(dir / "blsetup.cfg") << "COM2";
    std::vector<std::uint8_t> image;
    const fs::path file = dir / "K6123_6124.upd";
    const bool flashes = scenario == "update" || scenario == "verify";
    if (flashes) image = kvr::bench::WriteUpdateFile(file, bytes);
    host.file = file.string();
    p.app.startDirectory = dir;
    const std::map<int, kvr::FlashPage> pages = PagesOf(image);

    // The Write needs a Read's values, the read-back an updated flash;
    // neither is timed.
    kvr::WindowRecord window;
    auto prepare = [&](kvr::Program& q, BenchHost&) {
        window = kvr::WindowRecord{};
        // The lists the main window is opened with.
        for (std::string_view entry : kvr::texts::kTimingEntries) {
            window.ComboAdd(kvr::id::kTimingList, std::string(entry));
        }
        for (const kvr::Text& entry : kvr::texts::kBrakeEntries) {
            window.ComboAdd(kvr::id::kBrakeList, std::string(q.T(entry)));
        }
        if (scenario == "write") kvr::ReadSettings(q, window);
        if (scenario == "verify") kvr::RunFirmwareUpdate(q, window);
    };
    auto run = [&](kvr::Program& q, BenchHost&) {
        if (scenario == "read") {
            kvr::ReadSettings(q, window);
        } else if (scenario == "write") {
            window.SetText(kvr::id::kAcceleration, "7");
            kvr::WriteSettings(q, window);
        } else if (scenario == "verify") {
            (void)kvr::VerifyFlash(q, pages, [](int) {});
        } else {
            kvr::RunFirmwareUpdate(q, window);
        }
    };
    const Need need = Ideal(
        link,
        [&](kvr::Program& q, BenchHost& h) {
            h.file = file.string();
            q.app.startDirectory = dir;
            prepare(q, h);
        },
        run);

    // As the program does before its first ISP connection.
    if (!kvr::OpenSerialPort(p)) return 1;
    kvr::CalibrateDelay(p);
    Measured m;
    m.loops = p.link.state.loopsPerTick;
    prepare(p, host);
    // What the untimed part said is shown when the run fails.
    const std::vector<std::string> prepared = std::move(host.boxes);
    host.boxes.clear();
    ResetStats();
    const double c0 = CpuMs();
    const auto w0 = std::chrono::steady_clock::now();
    run(p, host);
    m.wallMs = WallMs(w0);
    m.cpuMs = CpuMs() - c0;
    m.stats = Stats();

    m.good = host.boxes.size() <= 1;
    if (flashes) {
        std::vector<std::uint8_t> flash(image.size());
        if (auto f = Entry<KvrModemFlashFn>("kvr_modem_flash")) f(flash.data(), flash.size());
        m.good = flash == image;
        const auto differs = std::mismatch(flash.begin(), flash.end(), image.begin());
        if (differs.first != flash.end()) {
            std::printf("    flash differs first at 0x%04zX (%02X, not %02X)\n",
                        static_cast<std::size_t>(differs.first - flash.begin()), *differs.first,
                        *differs.second);
        }
    }
    if (!m.good) {
        for (const std::string& b : prepared) std::printf("    box before: %s\n", b.c_str());
    }
    PrintRun(scenario, link == kvr::sim::LinkKind::Uart, flashes ? bytes : 0, need, m, host);
    // The parent extrapolates long updates from the wall times of short ones.
    if (const char* result = std::getenv("KVR_BENCH_RESULT")) {
        std::ofstream(result) << m.wallMs << "\n";
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(dir);
    return m.good ? 0 : 1;
}

int Child(int argc, char** argv) {
    // QSerialPort needs the event dispatcher of an application.
    QCoreApplication app(argc, argv);
    const std::string scenario = argv[1];
    const int bytes = std::atoi(argv[2]);
    kvr::gui::QtDevices devices;
    BenchHost host;
    kvr::Program p({devices.clock(), devices.serial(), devices.portIo(), host},
                   kvr::Language::English);
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = kDevice;
    const bool uart = std::string(std::getenv("KVR_MODEM_PROFILE")) == "uart";
    if (scenario == "calls") return RunCalls(p, uart);
    return RunScenario(p, host, scenario, bytes,
                       uart ? kvr::sim::LinkKind::Uart : kvr::sim::LinkKind::BitSerial);
}

int Spawn(const char* self, const std::vector<std::string>& args,
          const std::vector<std::string>& env) {
    std::vector<std::string> all;
    for (char** e = environ; *e != nullptr; ++e) all.emplace_back(*e);
    all.insert(all.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& s : all) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore{self};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argStore) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    pid_t pid = 0;
    if (posix_spawn(&pid, self, nullptr, nullptr, argv.data(), envp.data()) != 0) return 1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("KVR_MODEM_DEVICE") != nullptr) {
        if (argc < 3) return 2;
        return Child(argc, argv);
    }
    const int updateBytes = argc > 1 ? std::atoi(argv[1]) : 8192;
    const int slowBytes = argc > 2 ? std::atoi(argv[2]) : 256;
    const std::string self = fs::canonical("/proc/self/exe").string();
    auto env = [](const char* profile, const char* latencyUs) {
        return std::vector<std::string>{std::string("LD_PRELOAD=") + KVR_MODEM_LIBRARY,
                                        std::string("KVR_MODEM_DEVICE=") + kDevice,
                                        std::string("KVR_MODEM_PROFILE=") + profile,
                                        std::string("KVR_MODEM_LATENCY_US=") + latencyUs};
    };
    int failures = 0;
    std::printf(
        "serial_path_bench: QtSerialDevice and QtClock, simulated controller behind "
        "libkvrmodem.so (real clock)\n");
    std::printf("system calls on the device (through the C library):\n");
    failures += Spawn(self.c_str(), {"calls", "0"}, env("bit-serial", "0")) != 0;
    failures += Spawn(self.c_str(), {"calls", "0"}, env("uart", "0")) != 0;
    std::printf("commands (pauses: the protocol's own waits on the virtual clock):\n");
    for (const char* profile : {"uart", "bit-serial"}) {
        failures += Spawn(self.c_str(), {"read", "0"}, env(profile, "0")) != 0;
        failures += Spawn(self.c_str(), {"write", "0"}, env(profile, "0")) != 0;
        failures +=
            Spawn(self.c_str(), {"update", std::to_string(updateBytes)}, env(profile, "0")) != 0;
    }
    failures +=
        Spawn(self.c_str(), {"verify", std::to_string(updateBytes)}, env("bit-serial", "0")) != 0;
    std::printf("bit-serial with 0.125 ms per modem-line call (a USB adapter):\n");
    failures += Spawn(self.c_str(), {"read", "0"}, env("bit-serial", "125")) != 0;
    failures += Spawn(self.c_str(), {"write", "0"}, env("bit-serial", "125")) != 0;
    failures +=
        Spawn(self.c_str(), {"verify", std::to_string(slowBytes)}, env("bit-serial", "125")) != 0;
    std::printf("bit-serial with 1 ms per modem-line call (a full-speed USB adapter):\n");
    failures += Spawn(self.c_str(), {"read", "0"}, env("bit-serial", "1000")) != 0;
    failures += Spawn(self.c_str(), {"write", "0"}, env("bit-serial", "1000")) != 0;
    std::printf("bit-serial updates at 0.125 and 1 ms per call:\n");
    // A verified 8 KiB update takes most of an hour there: it is extrapolated
    // from two short ones, per byte from their difference.
    for (const char* latency : {"125", "1000"}) {
        const std::string resultFile =
            (fs::temp_directory_path() / ("kvr-path-bench-wall-" + std::to_string(getpid())))
                .string();
        std::vector<double> walls;
        for (int bytes : {kShortUpdateBytes, slowBytes}) {
            std::vector<std::string> e = env("bit-serial", latency);
            e.push_back("KVR_BENCH_RESULT=" + resultFile);
            failures += Spawn(self.c_str(), {"update", std::to_string(bytes)}, e) != 0;
            double wall = 0;
            std::ifstream(resultFile) >> wall;
            walls.push_back(wall);
        }
        fs::remove(resultFile);
        if (slowBytes > kShortUpdateBytes) {
            const double perByte = (walls[1] - walls[0]) / (slowBytes - kShortUpdateBytes);
            std::printf(
                "  verified 8 KiB update at %s us per call, extrapolated from %d B and %d B: "
                "%.0f s (%.1f ms per byte)\n",
                latency, kShortUpdateBytes, slowBytes,
                (walls[0] + perByte * (8192 - kShortUpdateBytes)) / 1000.0, perByte);
        }
    }
    std::printf("failures: %d\n", failures);
    return failures == 0 ? 0 : 1;
}
