// Link detection and 100 parameter reads against the simulated controller
// over the bit-serial link on the real clock: wall time, CPU time, and the
// time the protocol's own pauses require.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/program.h"
#include "controller.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "platform/host.h"
#include "sim_clock.h"
#include "sim_devices.h"
#include "simulation.h"

namespace {

// A host that only prints.
class QuietHost : public kvr::Host {
  public:
    int MessageBox(kvr::Window*, const std::string& text, const std::string& caption,
                   kvr::MessageButtons) override {
        std::printf("box: %s (%s)\n", text.c_str(), caption.c_str());
        return kvr::kIdOk;
    }
    void Beep() override {}
    kvr::PlatformFamily QueryPlatform() override { return kvr::PlatformFamily::Nt; }
    bool ShellOpen(const std::string&) override { return false; }
    std::string ChooseOpenFile(const kvr::OpenFileRequest&) override { return {}; }
    std::string ChooseSaveFile(const kvr::SaveFileRequest&) override { return {}; }
    void PumpMessages() override {}
    int RunDialog(int, kvr::Window*, const kvr::DialogProc&) override { return 0; }
    void ErrorOutput(const std::string&) override {}
};

constexpr int kReads = 100;
// Nominal length of one DelayLoops unit once calibrated: 250/37000 ms.
constexpr double kUnitMs = 250.0 / 37000.0;

struct Run {
    int connect = 1;
    int wrong = 0;
    double connectMs = 0;  // on the scenario's clock
    double readsMs = 0;
    long connectDelayReads = 0;  // status reads of DelayLoops
    long readsDelayReads = 0;
};

// The scenario: detection with a restart, then kReads reads of address 12.
Run Scenario(kvr::sim::Simulation& sim, std::uint32_t loopsPerTick) {
    QuietHost host;
    kvr::Program p({sim.clock(), sim.serial(), sim.portIo(), host}, kvr::Language::English);
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    p.link.state.loopsPerTick = loopsPerTick;
    sim.controller().profile.runningAtStart = false;
    kvr::sim::SimClock& clock = sim.simClock();
    kvr::sim::SimSerial& serial = sim.simSerial();
    Run r;
    // One ShiftBit samples data in once; the other status reads are delays.
    auto delayReads = [&serial](long reads0, long bits) {
        return serial.statusReads - reads0 - bits;
    };

    const std::uint64_t t0 = clock.NowNs();
    long reads0 = serial.statusReads;
    r.connect = kvr::ConnectLink(p);
    const long probeBits = static_cast<long>(sim.controller().TraceOf('P').size()) * 8;
    r.connectDelayReads = delayReads(reads0, probeBits);
    const std::uint64_t t1 = clock.NowNs();
    reads0 = serial.statusReads;
    for (int i = 0; i < kReads; ++i) {
        if (kvr::ReadControllerByte(p, 12).value != 102) ++r.wrong;
    }
    // Each read vouched for: the command twice (3 bytes each) and the probe
    // (2 bytes), each bit sampled once.
    r.readsDelayReads = delayReads(reads0, kReads * 8 * 8);
    const std::uint64_t t2 = clock.NowNs();
    r.connectMs = static_cast<double>(t1 - t0) / 1e6;
    r.readsMs = static_cast<double>(t2 - t1) / 1e6;
    return r;
}

// The adapter pulled out in the middle of the reads and plugged in again:
// how long until the link says so, and until it works again.
struct Replug {
    double noticedMs = 0;
    double backMs = 0;
    bool lost = false;
    bool works = false;
};

Replug LostAndBack(kvr::sim::Simulation& sim) {
    QuietHost host;
    kvr::Program p({sim.clock(), sim.serial(), sim.portIo(), host}, kvr::Language::English);
    p.link.state.medium = kvr::Medium::Serial;
    p.link.state.comDeviceName = "COM2";
    kvr::sim::SimClock& clock = sim.simClock();
    Replug r;
    if (kvr::ConnectLink(p) != 0) return r;
    sim.controller().faults.serialVanishesAfterCalls = sim.simSerial().calls() + 200;
    const std::uint64_t t0 = clock.NowNs();
    for (int i = 0; i < kReads && !kvr::LinkFaulty(p); ++i)
        (void)kvr::ReadControllerByte(p, 12).value;
    const std::uint64_t t1 = clock.NowNs();
    r.lost = p.link.fault == kvr::LinkFault::Lost;
    sim.simSerial().Replug();
    r.works = kvr::ConnectLink(p) == 0 && kvr::ReadControllerByte(p, 12).value == 102 &&
              !kvr::LinkFaulty(p);
    const std::uint64_t t2 = clock.NowNs();
    r.noticedMs = static_cast<double>(t1 - t0) / 1e6;
    r.backMs = static_cast<double>(t2 - t1) / 1e6;
    return r;
}

double CpuMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

}  // namespace

int main() {
    // Calibrate as the program does before an ISP connection.
    std::uint32_t loops = 1;
    {
        kvr::sim::Simulation sim(kvr::sim::ClockKind::Real);
        QuietHost host;
        kvr::Program p({sim.clock(), sim.serial(), sim.portIo(), host}, kvr::Language::English);
        p.link.state.medium = kvr::Medium::Serial;
        p.link.state.comDeviceName = "COM2";
        if (!kvr::OpenSerialPort(p)) return 1;
        kvr::CalibrateDelay(p);
        loops = p.link.state.loopsPerTick;
    }

    // The protocol alone: a virtual clock on which calls cost nothing, so
    // only the waits on the tick counter and the read time-outs take time.
    kvr::sim::Simulation ideal(kvr::sim::ClockKind::Virtual);
    ideal.simSerial().costs = kvr::sim::CallCosts{0, 0, 0, 0};
    ideal.virtualClock()->tickReadNs = 1;
    ideal.controller().profile.minEdgeNs = 0;  // calls take no time here
    const Run need = Scenario(ideal, loops);

    kvr::sim::Simulation sim(kvr::sim::ClockKind::Real);
    const double c0 = CpuMs();
    const Run real = Scenario(sim, loops);
    const double cpu = CpuMs() - c0;

    const double unitReads = 5.0 * loops;
    const double connectDelayMs = static_cast<double>(need.connectDelayReads) / unitReads * kUnitMs;
    const double readsDelayMs = static_cast<double>(need.readsDelayReads) / unitReads * kUnitMs;
    std::printf("link_bench: ConnectLink (bit-serial, with restart) and %d x ReadControllerByte\n",
                kReads);
    std::printf("simulated controller, real clock; loopsPerTick %u\n", loops);
    std::printf("%-22s %12s %12s %14s %14s\n", "", "wall ms", "CPU ms", "waits ms", "delays ms");
    std::printf("%-22s %12.1f %12s %14.1f %14.2f\n", "ConnectLink", real.connectMs, "",
                need.connectMs, connectDelayMs);
    std::printf("%-22s %12.1f %12s %14.1f %14.2f\n", "ReadControllerByte x100", real.readsMs, "",
                need.readsMs, readsDelayMs);
    std::printf("%-22s %12.1f %12.1f %14.1f %14.2f\n", "total", real.connectMs + real.readsMs, cpu,
                need.connectMs + need.readsMs, connectDelayMs + readsDelayMs);
    std::printf("waits: WaitMs and read time-outs; delays: DelayLoops units at %.4f ms each\n",
                kUnitMs);
    std::printf("result: ConnectLink %d, wrong values %d\n", real.connect, real.wrong);

    kvr::sim::Simulation unplugged(kvr::sim::ClockKind::Real);
    const Replug replug = LostAndBack(unplugged);
    std::printf(
        "unplugged during the reads: noticed after %.1f ms (%s); replugged, ConnectLink "
        "and a read %.1f ms (%s)\n",
        replug.noticedMs, replug.lost ? "connection lost" : "NOT NOTICED", replug.backMs,
        replug.works ? "works" : "FAILS");
    return real.connect == 0 && real.wrong == 0 && replug.lost && replug.works ? 0 : 1;
}
