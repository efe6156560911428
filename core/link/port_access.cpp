// The link's lines on both media, its delays, the line sequences' player and the port set-up.
#include "link/port_access.h"

#include <algorithm>

#include "res/link_texts.h"

namespace kvr {

namespace {

constexpr std::uint32_t kLatchDataOut = 0x01;
constexpr std::uint32_t kLatchClock = 0x02;
constexpr std::uint32_t kLatchReset = 0x08;
constexpr std::uint32_t kCalibrationReads = 37000;
constexpr std::uint32_t kCalibrationMs = 50;
// The nominal delay unit: 250 ms over the calibration count, about 6.8 us.
constexpr std::uint64_t kDelayUnitNs = 250ull * 1000000 / kCalibrationReads;
// The last tick of a wait is slept in short naps, so that the wait ends
// close to the tick that ends it.
constexpr std::uint32_t kLastTickNapUs = 100;

struct LineChange {
    std::size_t line;
    LineLevel level;
};

LineChange ChangeOf(LineFunction function) {
    switch (function) {
        case LineFunction::SetRts:
            return {0, LineLevel::High};
        case LineFunction::ClrRts:
            return {0, LineLevel::Low};
        case LineFunction::SetDtr:
            return {1, LineLevel::High};
        case LineFunction::ClrDtr:
            return {1, LineLevel::Low};
        case LineFunction::SetBreak:
            return {2, LineLevel::High};
        case LineFunction::ClrBreak:
            break;
    }
    return {2, LineLevel::Low};
}

void Line(CoreContext& p, LineFunction function) {
    // A line already at the level asked is left alone: on a USB adapter
    // every change is a round trip over the bus.
    const LineChange change = ChangeOf(function);
    LineLevel& level = p.link.lineLevels[change.line];
    if (level == change.level) return;
    if (LinesBatched(p)) {
        p.link.pending.lines.Set(function);
        level = change.level;
        return;
    }
    // A failing line change has no effect on the line; it only tells that
    // the device has gone.
    if (!p.os.serial.SetLine(function)) {
        level = LineLevel::Unknown;
        NoteLinkFault(p, LinkFault::Lost);
        return;
    }
    level = change.level;
}

void ShiftIn(CoreContext& p, bool received) {
    // Shifting as unsigned: a full 32-bit register simply drops its top bit.
    std::int32_t& in = p.link.exchange.in;
    in = static_cast<std::int32_t>((static_cast<std::uint32_t>(in) << 1) | (received ? 1u : 0u));
}

void DoRegisterStep(CoreContext& p, RegisterStep step) {
    std::int32_t& in = p.link.exchange.in;
    switch (step) {
        case RegisterStep::Clear:
            in = 0;
            break;
        case RegisterStep::MaskByte:
            in &= 0xFF;
            break;
        case RegisterStep::Keep:
            p.link.keptRegisters.push_back(in);
            break;
        case RegisterStep::Shift:
        case RegisterStep::Drop:
            break;
    }
}

// A driver entry that cannot be found ends the dialog the command runs in.
// Reported once per command: the accesses that follow fail the same way.
void DriverAccessFailed(CoreContext& p) {
    if (p.link.fault == LinkFault::Driver) return;
    NoteLinkFault(p, LinkFault::Driver);
    if (p.reporter != nullptr) p.reporter->DriverFailed();
}

// Ports whose status read takes longer than a delay unit (USB adapters,
// where each read is a round trip over the bus) would stretch every unit to
// five reads: there the units come from the precise clock.
void JudgeStatusRead(CoreContext& p, std::uint64_t readNs) {
    p.link.statusReadNs = readNs == 0 ? 1 : readNs;
    p.link.clockDelays = readNs > kDelayUnitNs;
}

// Never shorter than the nominal units; far below a tick, so spun.
void SpinUntil(CoreContext& p, std::uint64_t start, std::uint64_t length) {
    while (p.os.clock.PreciseNs() - start < length) {
    }
}

// One read of the data-in signal as the delay loops do it.
void ReadDataInForDelay(CoreContext& p) {
    if (p.link.state.medium == Medium::Serial) {
        (void)ReadDataIn(p);
    } else {
        ReadParallelPort(p);
    }
}

}  // namespace

void InitPortAccess(CoreContext& p, PlatformFamily family) {
    LinkState& s = p.link.state;
    s.directPortIo = family == PlatformFamily::Win9x;
    s.driverModule = p.os.portIo.LoadDriver();
    s.driverAvailable = !s.directPortIo && s.driverModule;
}

void SetClockHigh(CoreContext& p) {
    Line(p, LineFunction::SetRts);
}
void SetClockLow(CoreContext& p) {
    Line(p, LineFunction::ClrRts);
}
void SetDataOutHigh(CoreContext& p) {
    Line(p, LineFunction::SetDtr);
}
void SetDataOutLow(CoreContext& p) {
    Line(p, LineFunction::ClrDtr);
}
void SetResetHigh(CoreContext& p) {
    Line(p, LineFunction::SetBreak);
}
void SetResetLow(CoreContext& p) {
    Line(p, LineFunction::ClrBreak);
}

int ReadDataIn(CoreContext& p) {
    PlayLines(p);
    std::uint32_t status = 0;
    // The first read after opening is timed: the port's read time decides
    // how the delay units are made.
    const bool timing = p.link.statusReadNs == 0;
    const std::uint64_t start = timing ? p.os.clock.PreciseNs() : 0;
    // A failing status read yields the previous status word.
    const bool ok = p.os.serial.GetModemStatus(status);
    if (ok) {
        p.link.modemStatus = status;
    } else {
        NoteLinkFault(p, LinkFault::Lost);
    }
    if (timing && ok) JudgeStatusRead(p, p.os.clock.PreciseNs() - start);
    return (p.link.modemStatus & kModemCtsOn) != 0 ? 1 : 0;
}

bool LinesBatched(CoreContext& p) {
    return p.link.state.medium == Medium::Serial && p.os.serial.Batch() != nullptr;
}

void PlayLines(CoreContext& p) {
    PendingLines& pending = p.link.pending;
    if (pending.work.empty() && pending.lines.Empty()) return;
    std::vector<bool> cts;
    bool ok = true;
    if (!pending.lines.Empty()) {
        LineBatch* batch = p.os.serial.Batch();
        ok = batch != nullptr && batch->Play(pending.lines, cts) &&
             cts.size() >= pending.lines.Samples();
    }
    const std::vector<RegisterStep> work = std::move(pending.work);
    pending.work.clear();
    pending.lines.Clear();
    if (!ok) {
        // Nothing that came back is used: every sample reads as the last
        // status word, as a failed status read does on the call-by-call path.
        const bool rest = (p.link.modemStatus & kModemCtsOn) != 0;
        cts.assign(work.size(), rest);
        ForgetLineLevels(p);
        NoteLinkFault(p, LinkFault::Lost);
    }
    std::size_t next = 0;
    for (RegisterStep step : work) {
        if (step == RegisterStep::Shift || step == RegisterStep::Drop) {
            const bool received = cts[next++];
            if (step == RegisterStep::Shift) ShiftIn(p, received);
            continue;
        }
        DoRegisterStep(p, step);
    }
    if (ok && next > 0) {
        // The last sample stands for the status word, as a read would leave it.
        if (cts[next - 1]) {
            p.link.modemStatus |= kModemCtsOn;
        } else {
            p.link.modemStatus &= ~kModemCtsOn;
        }
    }
}

void SampleDataIn(CoreContext& p) {
    if (!LinesBatched(p)) {
        (void)ReadDataIn(p);
        return;
    }
    p.link.pending.lines.Sample();
    p.link.pending.work.push_back(RegisterStep::Drop);
}

void ShiftDataIn(CoreContext& p) {
    if (!LinesBatched(p)) {
        ShiftIn(p, ReadDataIn(p) != 0);
        return;
    }
    p.link.pending.lines.Sample();
    p.link.pending.work.push_back(RegisterStep::Shift);
}

void RegisterWork(CoreContext& p, RegisterStep step) {
    if (LinesBatched(p)) {
        p.link.pending.work.push_back(step);
    } else {
        DoRegisterStep(p, step);
    }
}

void ForgetLineLevels(CoreContext& p) {
    p.link.lineLevels.fill(LineLevel::Unknown);
}

void WriteParallelData(CoreContext& p) {
    LinkState& s = p.link.state;
    if (s.directPortIo) {
        p.os.portIo.OutByte(s.lptBase, static_cast<std::uint8_t>(s.lptLatch & 0xFF));
        return;
    }
    if (!s.driverModule ||
        !p.os.portIo.DriverWritePortUshort(s.lptBase, static_cast<std::uint16_t>(s.lptLatch))) {
        DriverAccessFailed(p);
    }
}

void ReadParallelPort(CoreContext& p) {
    LinkState& s = p.link.state;
    if (s.directPortIo) {
        s.lptInput = p.os.portIo.InWord(s.lptBase);
        return;
    }
    std::uint32_t value = 0;
    if (!s.driverModule || !p.os.portIo.DriverReadPortUlong(s.lptBase, value)) {
        DriverAccessFailed(p);
        return;
    }
    s.lptInput = value & 0xFFFF;
}

void WaitMs(CoreContext& p, std::uint32_t ms) {
    if (ms == 0) return;
    // Long pauses lie between batches, on the clock.
    PlayLines(p);
    Clock& clock = p.os.clock;
    const std::uint32_t start = clock.TickCount();
    // A pause of the protocol is handed to whoever serves the window;
    // shorter waits belong to a line sequence whose length matters.
    const std::uint32_t interval =
        ms >= kServedPauseMinMs && p.reporter != nullptr ? p.reporter->PauseInterval() : 0;
    for (;;) {
        const std::uint32_t now = clock.TickCount();
        const std::uint32_t elapsed = now - start;
        if (elapsed >= ms) return;
        if (interval != 0) p.reporter->Pause(now);
        // Sleep through all but the last tick, which may already have begun
        // when the wait started; the tick counter has the last word. While
        // the window is served, sleep no longer than its interval.
        std::uint32_t left = ms - elapsed;
        if (interval != 0) left = std::min(left, interval + 1);
        clock.SleepUs(left > 1 ? (left - 1) * 1000 : kLastTickNapUs);
    }
}

void DelayLoops(CoreContext& p, std::uint32_t n) {
    LinkState& s = p.link.state;
    if (s.loopsPerTick == 0) s.loopsPerTick = 1;
    if (n == 0) n = 1;
    const bool serial = s.medium == Medium::Serial;
    if (serial && LinesBatched(p)) {
        p.link.pending.lines.Delay(n);
        return;
    }
    const std::uint64_t length = std::uint64_t{n} * kDelayUnitNs;
    if (p.link.clockDelays && serial) {
        SpinUntil(p, p.os.clock.PreciseNs(), length);
        return;
    }
    const bool untimed = serial && p.link.statusReadNs == 0;
    const std::uint64_t start = untimed ? p.os.clock.PreciseNs() : 0;
    const std::uint64_t reads = std::uint64_t{n} * 5 * s.loopsPerTick;
    for (std::uint64_t i = 0; i < reads; ++i) {
        ReadDataInForDelay(p);
        // The first read on a new port is timed: a slow port makes the
        // rest of the pause on the clock instead of with more reads.
        if (untimed && p.link.clockDelays) {
            SpinUntil(p, start, length);
            return;
        }
    }
}

void CalibrateDelay(CoreContext& p) {
    // The reads are timed one by one, on the device itself.
    PlayLines(p);
    LinkState& s = p.link.state;
    s.loopsPerTick = 0;
    const std::uint64_t preciseStart = p.os.clock.PreciseNs();
    const std::uint32_t start = p.os.clock.TickCount();
    std::uint32_t count = 0;
    std::uint32_t tick = start;
    // The pass whose tick reading reaches the end still reads and counts:
    // the condition is checked after the pass.
    do {
        tick = p.os.clock.TickCount();
        ReadDataInForDelay(p);
        ++count;
    } while (static_cast<std::uint32_t>(tick - start) < kCalibrationMs);
    s.loopsPerTick = count / kCalibrationReads + 1;
    if (s.medium == Medium::Serial) {
        JudgeStatusRead(p, (p.os.clock.PreciseNs() - preciseStart) / count);
    }
}

bool OpenSerialPort(CoreContext& p) {
    LinkState& s = p.link.state;
    if (s.comOpen) return true;
    // Steps left for a port that has been closed have no line to go to.
    p.link.pending.lines.Clear();
    p.link.pending.work.clear();
    SerialDevice& dev = p.os.serial;
    auto fail = [&](const Text& text) {
        p.link.lastErrorText = std::string(p.T(text));
        // A handle whose set-up failed is never used again: close it so the
        // next attempt starts clean and the device is not held.
        dev.Close();
        return false;
    };
    if (s.comDeviceName.empty() || !dev.Open(s.comDeviceName)) {
        p.link.lastErrorText = std::string(p.T(texts::kCannotOpenComport));
        return false;
    }
    SerialConfig config;
    if (!dev.GetState(config)) return fail(texts::kCannotReadComState);
    config.baudRate = 9600;
    config.byteSize = 8;
    config.parity = 0;
    config.stopBits = 0;
    config.keepLines = true;
    if (!dev.SetState(config)) return fail(texts::kCannotWriteComState);
    if (!dev.SetTimeouts(SerialTimeouts{3, 0, 5})) return fail(texts::kCannotWriteTimeouts);
    s.comOpen = true;
    ForgetLineLevels(p);
    // A new port: its first status read is timed afresh.
    p.link.statusReadNs = 0;
    p.link.clockDelays = false;
    return true;
}

bool InitSerialLines(CoreContext& p) {
    LinkState& s = p.link.state;
    // Every command prepares the port first: it starts without a fault.
    ClearLinkFault(p);
    if (s.medium == Medium::Parallel) return true;
    if (!OpenSerialPort(p)) return false;
    s.linesInitialised = false;
    SetDataOutHigh(p);
    WaitMs(p, 150);
    SampleDataIn(p);
    SetDataOutLow(p);
    WaitMs(p, 150);
    SampleDataIn(p);
    PlayLines(p);
    s.linesInitialised = true;
    return true;
}

void IdleLines(CoreContext& p) {
    LinkState& s = p.link.state;
    if (s.medium == Medium::Serial) return;
    const std::uint32_t lowLines = ~(kLatchDataOut | kLatchClock | kLatchReset);
    if (s.directPortIo) {
        const std::uint16_t control = static_cast<std::uint16_t>(s.lptBase + 2);
        const std::uint8_t value = static_cast<std::uint8_t>(p.os.portIo.InWord(control) & 0xFF);
        p.os.portIo.OutByte(control, static_cast<std::uint8_t>(value & ~0x20u));
        WaitMs(p, 10);
        s.lptLatch &= lowLines;
        WriteParallelData(p);
        WaitMs(p, 10);
    } else if (s.driverAvailable) {
        s.lptLatch &= lowLines;
        WriteParallelData(p);
    }
}

void CloseSerialPort(CoreContext& p) {
    if (!p.link.state.comOpen) return;
    PlayLines(p);
    // A lost device was closed by the play.
    if (!p.link.state.comOpen) return;
    ForgetLineLevels(p);
    p.os.serial.Close();
    p.link.state.comOpen = false;
}

void ReportStatus(CoreContext& p, std::string_view text) {
    if (p.reporter != nullptr) p.reporter->Status(text);
}

void NoteLinkFault(CoreContext& p, LinkFault fault) {
    if (fault <= p.link.fault) return;
    p.link.fault = fault;
    if (fault == LinkFault::Lost) CloseSerialPort(p);
}

void ClearLinkFault(CoreContext& p) {
    p.link.fault = LinkFault::None;
}

}  // namespace kvr
