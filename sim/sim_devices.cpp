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
    break_ = false;
    ctl_.faults.serialVanishesAfterCalls = -1;
    // Unplugged, the adapter drove nothing: the controller's pull-up has
    // released its reset line (a chip held in programming mode runs again).
    ctl_.SetPin(kBreakPin, true, clock_.NowNs());
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
    if (break_) {
        Drive(break_, kBreakPin, false);
    }
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
        Drive(rts_, kRtsPin, false);
        Drive(dtr_, kDtrPin, false);
    }
    return true;
}

bool SimSerial::SetTimeouts(const SerialTimeouts& timeouts) {
    clock_.Spend(costs.setupNs);
    if (!Alive() || !open_) return false;
    timeouts_ = timeouts;
    return true;
}

void SimSerial::Drive(bool& line, Pin pin, bool level) {
    line = level;
    ctl_.SetPin(pin, level, clock_.NowNs());
}

bool SimSerial::SetLine(LineFunction function) {
    clock_.Spend(costs.lineNs);
    ++lineChanges;
    if (!Alive() || !open_) return false;
    using F = LineFunction;
    const bool level = function == F::SetRts || function == F::SetDtr || function == F::SetBreak;
    if (function == F::SetRts || function == F::ClrRts) {
        Drive(rts_, kRtsPin, level);
    } else if (function == F::SetDtr || function == F::ClrDtr) {
        Drive(dtr_, kDtrPin, level);
    } else {
        Drive(break_, kBreakPin, level);
    }
    return true;
}

bool SimSerial::GetModemStatus(std::uint32_t& status) {
    clock_.Spend(costs.lineNs);
    ++statusReads;
    if (!Alive() || !open_) return false;
    status = ctl_.DataIn(clock_.NowNs()) ? kModemCtsOn : 0;
    return true;
}

bool SimSerial::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    clock_.Spend(costs.transferNs);
    if (!Alive() || !open_) return false;
    const std::uint64_t byteNs =
        config_.baudRate == 0 ? kMs : 10ull * 1000000000ull / config_.baudRate;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t start = std::max(clock_.NowNs(), txFreeNs_);
        txFreeNs_ = start + byteNs;
        // The data wire is held in break while reset is held through it:
        // nothing of the byte reaches the controller.
        if (!break_) ctl_.UartReceive(buffer[i], config_.baudRate, txFreeNs_);
    }
    // The call returns once the bytes have left.
    clock_.WaitUntil(txFreeNs_);
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
        if (!ctl_.PeekUart(horizon, next)) {
            end = horizon;
            break;
        }
        ctl_.PopUart();
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
