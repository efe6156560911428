#include "ftdi_serial.h"

#include <algorithm>

namespace kvr {

namespace {
// Bytes of single line changes the chip may hold before they are read.
constexpr std::size_t kMaxPending = 32;
// How long a read-back may stay short beyond the pins' own time before the
// chip counts as lost.
constexpr std::uint32_t kReadBackSlackMs = 500;
// A read without any time-out waits this long at most.
constexpr std::uint32_t kEndlessReadMs = 10000;

std::uint8_t Apply(std::uint8_t levels, LineFunction line) {
    auto low = [&](std::uint8_t pin) { return static_cast<std::uint8_t>(levels & ~pin); };
    auto high = [&](std::uint8_t pin) { return static_cast<std::uint8_t>(levels | pin); };
    switch (line) {
        case LineFunction::SetRts:
            return low(ftdi_pin::kRts);
        case LineFunction::ClrRts:
            return high(ftdi_pin::kRts);
        case LineFunction::SetDtr:
            return low(ftdi_pin::kDtr);
        case LineFunction::ClrDtr:
            return high(ftdi_pin::kDtr);
        case LineFunction::SetBreak:
            return low(ftdi_pin::kTxd);
        case LineFunction::ClrBreak:
            return high(ftdi_pin::kTxd);
    }
    return levels;
}
}  // namespace

FtdiSerial::~FtdiSerial() {
    if (engaged_) Close();
}

bool FtdiSerial::Lost() {
    lost_ = true;
    return false;
}

bool FtdiSerial::PinsAsExpected() {
    std::uint8_t pins = 0;
    std::uint8_t status = 0;
    // The lines as the port left them when it was closed (the adapter holds
    // them meanwhile), so the check moves nothing: only a chip whose EEPROM
    // inverts a pin shows another level than bit-bang would drive.
    if (!chip_.SetSerialMode() || !chip_.SetBreak((levels_ & ftdi_pin::kTxd) == 0) ||
        !chip_.SetRts((levels_ & ftdi_pin::kRts) == 0) ||
        !chip_.SetDtr((levels_ & ftdi_pin::kDtr) == 0) || !chip_.ReadPins(pins) ||
        !chip_.ModemStatus(status)) {
        return false;
    }
    // CTS on in the status is CTS# low on the pin.
    const bool ctsOn = (status & kModemCtsOn) != 0;
    const bool ctsPinLow = (pins & ftdi_pin::kCts) == 0;
    return (pins & kOutputs) == (levels_ & kOutputs) && ctsOn == ctsPinLow;
}

bool FtdiSerial::Open(const std::string& name) {
    if (IsOpen()) return false;
    if (fastPath_ && chip_.Open(name, info_)) {
        if (info_.syncBitBang && info_.rxBuffer > 0 && PinsAsExpected() &&
            chip_.SetLatencyTimer(kLatencyMs) && chip_.SetBaudRate(config_.baudRate)) {
            engaged_ = true;
            lost_ = false;
            mode_ = Mode::Serial;
            pending_ = 0;
            return true;
        }
        chip_.Close();
    }
    return plain_.Open(name);
}

void FtdiSerial::Close() {
    if (!engaged_) {
        plain_.Close();
        return;
    }
    engaged_ = false;
    if (!lost_) {
        // The serial driver ends a break when the port is shut down; the
        // other lines stay as they are.
        levels_ |= ftdi_pin::kTxd;
        if (mode_ == Mode::BitBang) {
            EnterSerial();
        } else {
            chip_.SetBreak(false);
        }
    }
    chip_.Close();
}

bool FtdiSerial::GetState(SerialConfig& config) {
    if (!engaged_) return plain_.GetState(config);
    if (lost_) return false;
    config = config_;
    config.keepLines = true;
    return true;
}

bool FtdiSerial::SetState(const SerialConfig& config) {
    if (!engaged_) return plain_.SetState(config);
    if (lost_) return false;
    config_ = config;
    if (mode_ == Mode::Serial && !chip_.SetBaudRate(config.baudRate)) return Lost();
    // A configuration built from zero has DTR and RTS control disabled.
    if (!config.keepLines) return SetLine(LineFunction::ClrRts) && SetLine(LineFunction::ClrDtr);
    return true;
}

bool FtdiSerial::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!engaged_) return plain_.SetTimeouts(timeouts);
    if (lost_) return false;
    timeouts_ = timeouts;
    return true;
}

bool FtdiSerial::SetLine(LineFunction function) {
    if (!engaged_) return plain_.SetLine(function);
    if (lost_) return false;
    const std::uint8_t next = Apply(levels_, function);
    if (mode_ == Mode::BitBang) {
        // One pin state; its byte read back is collected later.
        if (!chip_.Write(&next, 1)) return Lost();
        levels_ = next;
        return ++pending_ < kMaxPending || DrainPending();
    }
    bool done = false;
    switch (function) {
        case LineFunction::SetRts:
        case LineFunction::ClrRts:
            done = chip_.SetRts(function == LineFunction::SetRts);
            break;
        case LineFunction::SetDtr:
        case LineFunction::ClrDtr:
            done = chip_.SetDtr(function == LineFunction::SetDtr);
            break;
        case LineFunction::SetBreak:
        case LineFunction::ClrBreak:
            done = chip_.SetBreak(function == LineFunction::SetBreak);
            break;
    }
    if (!done) return Lost();
    levels_ = next;
    return true;
}

bool FtdiSerial::GetModemStatus(std::uint32_t& status) {
    if (!engaged_) return plain_.GetModemStatus(status);
    if (lost_) return false;
    if (mode_ == Mode::BitBang) {
        std::uint8_t pins = 0;
        if (!chip_.ReadPins(pins)) return Lost();
        status = (pins & ftdi_pin::kCts) == 0 ? kModemCtsOn : 0;
        return true;
    }
    std::uint8_t modem = 0;
    if (!chip_.ModemStatus(modem)) return Lost();
    status = (modem & kModemCtsOn) != 0 ? kModemCtsOn : 0;
    return true;
}

bool FtdiSerial::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    if (!engaged_) return plain_.Write(buffer, count, written);
    if (lost_ || !EnterSerial()) return false;
    if (!chip_.Write(buffer, count)) return Lost();
    written = count;
    return true;
}

bool FtdiSerial::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    if (!engaged_) return plain_.Read(buffer, count, got);
    if (lost_ || !EnterSerial()) return false;
    // The classic time-outs over the clock: the total from the start, the
    // interval from the last byte.
    const SerialTimeouts& t = timeouts_;
    std::uint32_t total =
        t.readTotalMultiplierMs * static_cast<std::uint32_t>(count) + t.readTotalConstantMs;
    if (total == 0 && t.readIntervalMs == 0) total = kEndlessReadMs;
    const std::uint32_t start = clock_.TickCount();
    std::uint32_t last = start;
    while (got < count) {
        std::size_t n = 0;
        if (!chip_.Read(buffer + got, count - got, n)) return Lost();
        const std::uint32_t now = clock_.TickCount();
        if (n > 0) {
            got += n;
            last = now;
            continue;
        }
        if (total > 0 && now - start >= total) break;
        if (t.readIntervalMs > 0 && got > 0 && now - last >= t.readIntervalMs) break;
    }
    return true;
}

bool FtdiSerial::EnterSerial() {
    if (mode_ == Mode::Serial) return true;
    if (!DrainPending()) return false;
    // The UART takes the lines as bit-bang leaves them, so nothing moves
    // when the mode changes.
    if (!chip_.SetRts((levels_ & ftdi_pin::kRts) == 0) ||
        !chip_.SetDtr((levels_ & ftdi_pin::kDtr) == 0) ||
        !chip_.SetBreak((levels_ & ftdi_pin::kTxd) == 0) || !chip_.SetSerialMode() ||
        !chip_.SetBaudRate(config_.baudRate)) {
        return Lost();
    }
    mode_ = Mode::Serial;
    return true;
}

bool FtdiSerial::EnterBitBang() {
    if (mode_ == Mode::BitBang) return true;
    // The first state written drives the lines as they are.
    if (!chip_.SetSyncBitBang(kOutputs) || !chip_.SetPinClock(kPinClockHz) || !chip_.Purge() ||
        !chip_.Write(&levels_, 1)) {
        return Lost();
    }
    mode_ = Mode::BitBang;
    pending_ = 1;
    return true;
}

std::size_t FtdiSerial::Chunk() const {
    // Synchronous bit-bang stops while the receive buffer is full: never
    // more in flight than it holds.
    return std::max<std::size_t>(info_.rxBuffer, 2);
}

bool FtdiSerial::ReadBack(std::vector<std::uint8_t>& into, std::size_t count) {
    const std::size_t start = into.size();
    into.resize(start + count);
    std::size_t got = 0;
    const std::uint64_t pinsMs = std::uint64_t{count} * 1000 / kPinClockHz + 1;
    const std::uint32_t limit = static_cast<std::uint32_t>(pinsMs) + kReadBackSlackMs;
    std::uint32_t last = clock_.TickCount();
    while (got < count) {
        std::size_t n = 0;
        if (!chip_.Read(into.data() + start + got, count - got, n)) return Lost();
        const std::uint32_t now = clock_.TickCount();
        if (n > 0) {
            got += n;
            last = now;
        } else if (now - last >= limit) {
            // Fewer samples than states: the chip is not doing what was
            // written, and nothing read back can be trusted.
            return Lost();
        }
    }
    return true;
}

bool FtdiSerial::DrainPending() {
    if (pending_ == 0) return true;
    std::vector<std::uint8_t> dropped;
    const std::size_t count = pending_;
    pending_ = 0;
    return ReadBack(dropped, count);
}

void FtdiSerial::ToStates(const LineSequence& sequence, std::uint8_t& levels,
                          std::vector<std::uint8_t>& states, std::vector<std::size_t>& samples) {
    constexpr std::uint64_t periodNs = 1000000000ull / kPinClockHz;
    for (const LineStep& step : sequence.Steps()) {
        switch (step.kind) {
            case LineStep::Kind::Set:
                levels = Apply(levels, step.line);
                states.push_back(levels);
                break;
            case LineStep::Kind::Delay: {
                // Rounded up: a pause is never shorter than asked.
                const std::uint64_t ns = std::uint64_t{step.units} * kLineDelayUnitNs;
                states.insert(states.end(), (ns + periodNs - 1) / periodNs, levels);
                break;
            }
            case LineStep::Kind::Sample:
                // The byte read back for the next state shows the pins as
                // every earlier state left them.
                samples.push_back(states.size());
                break;
        }
    }
    if (!samples.empty() && samples.back() >= states.size()) {
        states.resize(samples.back() + 1, levels);
    }
}

bool FtdiSerial::Play(const LineSequence& sequence, std::vector<bool>& cts) {
    cts.clear();
    if (!engaged_ || lost_ || !EnterBitBang()) return false;
    std::uint8_t levels = levels_;
    std::vector<std::uint8_t> states;
    std::vector<std::size_t> samples;
    ToStates(sequence, levels, states, samples);
    std::vector<std::uint8_t> back;
    back.reserve(states.size());
    const std::size_t chunk = Chunk();
    for (std::size_t pos = 0; pos < states.size();) {
        // Bytes of earlier single line changes come first in the answer.
        const std::size_t n = std::min(chunk - std::min(pending_, chunk - 1), states.size() - pos);
        if (!chip_.Write(states.data() + pos, n)) return Lost();
        const std::size_t skip = pending_;
        pending_ = 0;
        if (!ReadBack(back, skip + n)) return false;
        back.erase(back.end() - static_cast<std::ptrdiff_t>(skip + n),
                   back.end() - static_cast<std::ptrdiff_t>(n));
        pos += n;
    }
    levels_ = levels;
    cts.reserve(samples.size());
    for (std::size_t index : samples) cts.push_back((back[index] & ftdi_pin::kCts) == 0);
    return true;
}

}  // namespace kvr
