#include "sim_devices.h"

#include <algorithm>

namespace kvr::sim {

namespace {
constexpr std::uint64_t kMs = 1000000;
// A read with no time-outs at all would wait for ever; the simulation gives
// up after this long so that nothing hangs.
constexpr std::uint64_t kEndlessReadNs = 10000 * kMs;

constexpr std::uint8_t kDataOutBit = 0x01;
constexpr std::uint8_t kClockBit = 0x02;
constexpr std::uint8_t kResetBit = 0x08;
constexpr std::uint8_t kStatusDataIn = 0x40;
// Status lines other than ACK rest high (no error, selected, paper present).
constexpr std::uint8_t kStatusIdle = 0x38;
}  // namespace

bool SimSerial::Exists(const std::string& name) const {
    return name.size() == 4 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '8';
}

bool SimSerial::Alive() {
    ++calls_;
    const long limit = ctl_.faults.serialVanishesAfterCalls;
    if (limit >= 0 && calls_ > limit) vanished_ = true;
    return !vanished_;
}

void SimSerial::Replug() {
    vanished_ = false;
    open_ = false;
    ctl_.faults.serialVanishesAfterCalls = -1;
    wiring_.Unplugged(clock_.NowNs());
}

bool SimSerial::Open(const std::string& name) {
    clock_.Spend(costs.setupNs);
    if (!Alive() || open_ || !Exists(name)) return false;
    open_ = true;
    name_ = name;
    return true;
}

void SimSerial::Close() {
    clock_.Spend(costs.setupNs);
    open_ = false;
    // The driver ends a break when the port is shut down.
    if (wiring_.breakOn()) wiring_.SetLine(LineFunction::ClrBreak, clock_.NowNs());
}

bool SimSerial::GetState(SerialConfig& config) {
    clock_.Spend(costs.setupNs);
    if (!Alive() || !open_) return false;
    config = config_;
    return true;
}

bool SimSerial::SetState(const SerialConfig& config) {
    clock_.Spend(costs.setupNs);
    if (!Alive() || !open_) return false;
    config_ = config;
    if (!config.keepLines) {
        // A configuration built from zero has DTR and RTS control disabled.
        wiring_.SetLine(LineFunction::ClrRts, clock_.NowNs());
        wiring_.SetLine(LineFunction::ClrDtr, clock_.NowNs());
    }
    return true;
}

bool SimSerial::SetTimeouts(const SerialTimeouts& timeouts) {
    clock_.Spend(costs.setupNs);
    if (!Alive() || !open_) return false;
    timeouts_ = timeouts;
    return true;
}

bool SimSerial::SetLine(LineFunction function) {
    clock_.Spend(costs.lineNs);
    ++lineChanges;
    if (!Alive() || !open_) return false;
    return wiring_.SetLine(function, clock_.NowNs());
}

bool SimSerial::GetModemStatus(std::uint32_t& status) {
    clock_.Spend(costs.lineNs);
    ++statusReads;
    if (!Alive() || !open_) return false;
    status = wiring_.Cts(clock_.NowNs()) ? kModemCtsOn : 0;
    return true;
}

bool SimSerial::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    clock_.Spend(costs.transferNs);
    if (!Alive() || !open_) return false;
    // The call returns once the bytes have left.
    clock_.WaitUntil(wiring_.Send(buffer, count, config_.baudRate, clock_.NowNs()));
    written = count;
    return true;
}

bool SimSerial::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    clock_.Spend(costs.transferNs);
    if (!Alive() || !open_) return false;
    const std::uint64_t start = clock_.NowNs();
    const SerialTimeouts& t = timeouts_;
    std::uint64_t totalNs =
        (std::uint64_t{t.readTotalMultiplierMs} * count + t.readTotalConstantMs) * kMs;
    if (totalNs == 0 && t.readIntervalMs == 0) totalNs = kEndlessReadNs;
    const std::uint64_t deadline = totalNs == 0 ? UINT64_MAX : start + totalNs;
    const std::uint64_t intervalNs = std::uint64_t{t.readIntervalMs} * kMs;
    std::uint64_t last = start;
    std::uint64_t end = start;
    while (got < count) {
        std::uint64_t horizon = deadline;
        if (got > 0 && intervalNs > 0) horizon = std::min(horizon, last + intervalNs);
        if (horizon == UINT64_MAX) horizon = start + kEndlessReadNs;
        TimedByte next;
        if (!wiring_.Receive(horizon, next)) {
            end = horizon;
            break;
        }
        buffer[got++] = next.byte;
        last = std::max(last, next.arrivalNs);
        end = last;
    }
    clock_.WaitUntil(end);
    return true;
}

void SimPortIo::WriteData(std::uint8_t value) {
    const std::uint64_t now = clock_.NowNs();
    const std::uint8_t changed = static_cast<std::uint8_t>(value ^ data_);
    data_ = value;
    // Only lines that change drive the controller: the serial adapter may
    // have moved them meanwhile.
    if (changed & kDataOutBit) ctl_.SetPin(Pin::DataOut, (value & kDataOutBit) != 0, now);
    if (changed & kClockBit) ctl_.SetPin(Pin::Clock, (value & kClockBit) != 0, now);
    if (changed & kResetBit) ctl_.SetPin(Pin::Reset, (value & kResetBit) != 0, now);
}

void SimPortIo::OutByte(std::uint16_t port, std::uint8_t value) {
    clock_.Spend(costs.portNs);
    if (port == base) {
        WriteData(value);
    } else if (port == base + 2) {
        control_ = value;
    }
}

std::uint16_t SimPortIo::InWord(std::uint16_t port) {
    clock_.Spend(costs.portNs);
    if (port == base) {
        const bool in = ctl_.DataIn(clock_.NowNs());
        const std::uint8_t status =
            static_cast<std::uint8_t>(kStatusIdle | (in ? kStatusDataIn : 0));
        return static_cast<std::uint16_t>((status << 8) | data_);
    }
    if (port == base + 2) return control_;
    return 0xFFFF;  // nothing there
}

bool SimPortIo::DriverWritePortUshort(std::uint16_t port, std::uint16_t value) {
    if (!driverPresent) return false;
    OutByte(port, static_cast<std::uint8_t>(value & 0xFF));
    return true;
}

bool SimPortIo::DriverReadPortUlong(std::uint16_t port, std::uint32_t& value) {
    if (!driverPresent) return false;
    value = InWord(port);
    return true;
}

}  // namespace kvr::sim
