#include "controller.h"

#include <algorithm>
#include <cstdio>

namespace kvr::sim {

namespace {

constexpr std::uint64_t kMs = 1000000;
// The firmware drops a half-received byte when the clock stops this long.
// The PC clocks the link, so a PC that other work holds up for a while
// (stalls of 300 ms were seen on a loaded machine) must not lose its byte;
// still below the quiet before the link detection's bit-serial probe (its
// three UART attempts take 1.5 s and more).
constexpr std::uint64_t kBitResyncNs = 1000 * kMs;
// A command whose next byte does not come within this time is abandoned;
// as long, for the same reason.
constexpr std::uint64_t kCommandTimeoutNs = 1000 * kMs;
// Time the firmware needs before a reply can be clocked out. The program
// waits 5 ms before it clocks the value out.
constexpr std::uint64_t kReadReplyNs = 1 * kMs;
// The firmware takes a parameter command's next bit-serial byte only this
// long after the one before: the program pauses at least 5 ms between them
// (a wait on the tick counter may end up to a millisecond early).
constexpr std::uint64_t kParamByteGapNs = 2 * kMs;
// A running firmware answers its probe only after this much quiet on the
// link: the program pauses 5 ms before each probe byte (the final probe of
// the link detection follows 500 ms of quiet after the restart).
constexpr std::uint64_t kProbeQuietNs = 2 * kMs;
// A reset pulse shorter than this does not restart the chip; the program
// holds reset for 100 ms.
constexpr std::uint64_t kResetMinNs = 10 * kMs;
constexpr std::uint64_t kEepromWriteNs = 4 * kMs;
constexpr std::uint64_t kPageWriteNs = 5 * kMs;

constexpr std::uint8_t kProbe = 0xFE;
constexpr std::uint8_t kLeadIn = 0xD0;
constexpr std::uint8_t kRequest = 0xD2;
constexpr std::uint8_t kUartAnswer = 0xD3;

std::string Hex(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

std::string Hex4(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

}  // namespace

std::string WireEvent::ToString() const {
    std::string s = via == Via::BitSerial ? "bit " : via == Via::Uart ? "uart " : "isp ";
    switch (command) {
        case 'U':
            return s + "read " + Hex(address) + " -> " + Hex(reply);
        case 'V':
            return s + "write " + Hex(address) + "=" + Hex(value) + " -> " + Hex(reply);
        case 'W':
            return s + "select " + Hex(address);
        case 'Y':
            return s + "load " + Hex(address) + "=" + Hex(value);
        case 'X':
            return s + "commit " + Hex(address) + " -> " + Hex(reply);
        case 'P':
            return s + "probe -> " + Hex(reply);
        case 'R':
            return s + (reply < 0 ? std::string("request (ignored)") : "request -> " + Hex(reply));
        case 'I':
            return s + Hex4(address) + " " + Hex4(value) + " -> " + Hex(reply);
        default:
            return s + "?";
    }
}

std::array<std::uint8_t, 256> Controller::DefaultMemory(int clockMhz) {
    std::array<std::uint8_t, 256> m{};
    m.fill(0xFF);  // erased EEPROM
    auto time = [&m](int low, double ms) {
        const int v = static_cast<int>(ms * 2000);
        m[low] = static_cast<std::uint8_t>(v & 0xFF);
        m[low + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    time(4, 1.1);  // stop
    time(6, 1.5);  // neutral
    time(8, 1.9);  // full speed
    m[10] = 0x10;  // active free-wheeling, automatic timing, no brake
    m[11] = 0x00;
    m[12] = 102;                     // set up with the RC transmitter
    m[13] = 0xFF;                    // nothing locked
    m[14] = 10;                      // acceleration
    m[15] = 0xA7;                    // oscillator calibration
    m[16] = clockMhz == 8 ? 9 : 10;  // 7.8 kHz
    m[17] = 0;                       // brake off
    m[18] = 64;                      // timing auto
    m[19] = 10;                      // start-up power
    m[20] = 3;                       // over-temperature protection on
    m[21] = 0;                       // LiPo
    m[22] = 2;                       // reduce power at low voltage
    m[23] = 2;                       // log: transmitter failures
    m[24] = 0;                       // log: over-temperature
    m[25] = 1;                       // log: undervoltage
    m[26] = 2;                       // governor off
    m[27] = 2;                       // governor period 537
    m[28] = 25;
    m[30] = static_cast<std::uint8_t>(clockMhz);
    m[31] = 0x1F;  // every feature
    m[32] = 0x61;  // version 61.23
    m[33] = 0x23;
    m[34] = 0;     // fourth log counter
    m[35] = 0x25;  // lowest setup program accepted
    m[36] = 3;     // LiPo cells
    m[37] = 3;     // governor P
    m[38] = 3;     // governor 6 - I
    return m;
}

Controller::Controller(Profile p)
    : profile(p), memory(DefaultMemory(16)), flash(kPages * kPageSize, 0xFF) {
    pageBuffer_.fill(0xFF);
}

std::uint64_t Controller::ByteNs(std::uint32_t baud) const {
    // Start bit, eight data bits, stop bit.
    return baud == 0 ? kMs : 10ull * 1000000000ull / baud;
}

bool Controller::FirmwareRunning(std::uint64_t nowNs) const {
    if (profile.silent) return false;
    if (fellSilent_) return false;
    if (profile.link == LinkKind::Uart) return nowNs >= runFromNs_;
    return reset_ && nowNs >= runFromNs_ && (profile.runningAtStart || restarted_);
}

bool Controller::IspActive() const {
    return profile.link == LinkKind::BitSerial && profile.ispPresent && !profile.silent && !reset_;
}

bool Controller::MotorReleased(std::uint64_t nowNs) const {
    return releasedAtStart_ && profile.motorPulseHz > 0 && FirmwareRunning(nowNs);
}

bool Controller::PinLevel(Pin pin) const {
    switch (pin) {
        case Pin::Clock:
            return clock_;
        case Pin::DataOut:
            return dataOut_;
        case Pin::Reset:
            return reset_;
    }
    return false;
}

void Controller::SetPin(Pin pin, bool level, std::uint64_t nowNs) {
    if (PinLevel(pin) == level) return;
    Settle(nowNs);
    switch (pin) {
        case Pin::DataOut:
            dataOut_ = level;
            return;
        case Pin::Reset:
            reset_ = level;
            if (profile.link != LinkKind::BitSerial) {
                // The UART adapter couples the line through a capacitor: its
                // rise gives the chip a short reset pulse, a low level
                // holds nothing.
                if (level) Restart(nowNs, false);
                return;
            }
            if (level) {
                LeaveReset(nowNs);
            } else {
                EnterReset(nowNs);
            }
            return;
        case Pin::Clock:
            clock_ = level;
            if (profile.link != LinkKind::BitSerial || profile.silent) return;
            if (IspActive()) {
                if (level) {
                    IspRise(nowNs);
                } else {
                    IspFall(nowNs);
                }
            } else if (FirmwareRunning(nowNs) && !MotorReleased(nowNs)) {
                if (level) {
                    SpiRise(nowNs);
                } else {
                    SpiFall(nowNs);
                }
            }
            return;
    }
}

void Controller::EnterReset(std::uint64_t nowNs) {
    resetSinceNs_ = nowNs;
    spi_ = Shifter{};
    command_ = 0;
    args_.clear();
    releasedAtStart_ = false;
    // Programming mode counts bits from here; a glitch puts it out of step.
    isp_ = Shifter{};
    const int skew = ((faults.ispSkewBits % 32) + 32) % 32;
    ispByte_ = skew / 8;
    isp_.risen = isp_.fallen = skew % 8;
    ispEnabled_ = false;
}

void Controller::LeaveReset(std::uint64_t nowNs) {
    // Too short a pulse is not taken as a restart: the firmware carries on
    // (its half-received command is lost all the same).
    if (nowNs - resetSinceNs_ < kResetMinNs) return;
    // Started with clock and data out high: the firmware releases the motor.
    Restart(nowNs, clock_ && dataOut_);
}

void Controller::Restart(std::uint64_t nowNs, bool motorRelease) {
    ++restarts;
    restarted_ = true;
    runFromNs_ = nowNs + std::uint64_t{profile.startupMs} * kMs;
    spi_ = Shifter{};
    command_ = 0;
    args_.clear();
    releasedAtStart_ = motorRelease;
    releasedNs_ = runFromNs_;
    heardByte_ = false;
    // The boot loader keeps the link, so a restart for the link detection
    // loses nothing; the motor release goes straight to the motor. The page
    // buffer starts erased and flash changes only on a commit, so a restart
    // never touches the stored firmware.
    bootMode_ = !motorRelease;
    page_ = 0;
    pageBuffer_.fill(0xFF);
}

void Controller::Settle(std::uint64_t nowNs) {
    // A reply finished while no byte is moving is ready for the next byte.
    if (spi_.pending && spi_.risen == 0 && spi_.pendingReadyNs <= nowNs) {
        spi_.tx = spi_.pendingByte;
        spi_.pending = false;
    }
}

bool Controller::DataIn(std::uint64_t nowNs) {
    if (profile.link != LinkKind::BitSerial || profile.silent) return profile.restLevel;
    if (IspActive()) return ((isp_.tx >> (7 - std::min(isp_.fallen, 7))) & 1) != 0;
    if (!FirmwareRunning(nowNs)) return profile.restLevel;
    if (MotorReleased(nowNs)) {
        const std::uint64_t spin = std::uint64_t{profile.motorSpinUpMs} * kMs;
        if (nowNs < releasedNs_ + spin) return false;
        const std::uint64_t period = 1000000000ull / profile.motorPulseHz;
        return ((nowNs - releasedNs_ - spin) % period) < period / 2;
    }
    Settle(nowNs);
    return ((spi_.tx >> (7 - std::min(spi_.fallen, 7))) & 1) != 0;
}

bool Controller::EdgeTooSoon(const Shifter& s, std::uint64_t nowNs) const {
    return s.lastEdgeNs != 0 && nowNs - s.lastEdgeNs < profile.minEdgeNs;
}

void Controller::SpiRise(std::uint64_t nowNs) {
    Shifter& s = spi_;
    // The shift register does not follow a clock faster than it can.
    if (EdgeTooSoon(s, nowNs)) return;
    if (s.risen > 0 && nowNs - s.lastEdgeNs > kBitResyncNs) {
        s.risen = s.fallen = 0;
    }
    if (s.risen == 0 && s.pending) {
        if (s.pendingReadyNs <= nowNs) {
            s.tx = s.pendingByte;
        }
        // A reply not ready when the next byte starts is lost, as a write
        // to the shift register during a transfer is.
        s.pending = false;
    }
    s.rx = static_cast<std::uint8_t>((s.rx << 1) | (dataOut_ ? 1 : 0));
    ++s.risen;
    s.lastEdgeNs = nowNs;
}

void Controller::SpiFall(std::uint64_t nowNs) {
    Shifter& s = spi_;
    if (EdgeTooSoon(s, nowNs)) return;
    if (s.fallen >= s.risen) return;  // no bit started: the clock only went back low
    if (nowNs - s.lastEdgeNs > kBitResyncNs) {
        s.risen = s.fallen = 0;
        return;
    }
    ++s.fallen;
    s.lastEdgeNs = nowNs;
    if (s.fallen < 8) return;
    s.risen = s.fallen = 0;
    // The shift register now holds the received byte; it goes back out
    // unless the firmware loads a reply.
    const std::uint8_t byte = s.rx;
    s.tx = byte;
    if (received_++ == faults.dropReceivedByte) return;
    ++bitSerialBytes;
    const Reply r = HandleByte(byte, Via::BitSerial, nowNs);
    if (!r.has) return;
    if (r.delayNs == 0) {
        s.tx = r.byte;
    } else {
        s.pending = true;
        s.pendingByte = r.byte;
        s.pendingReadyNs = nowNs + r.delayNs;
    }
}

std::uint8_t Controller::IspOutput(int byteIndex) const {
    const auto& f = ispFrame_;
    switch (byteIndex) {
        case 1:
            return ispEnabled_ ? f[0] : 0x00;
        case 2:
            return (ispEnabled_ || f[0] == 0xAC) ? f[1] : 0x00;
        case 3:
            if (!ispEnabled_) return 0x00;
            if (f[0] == 0x30) return f[2] < 3 ? profile.signature[f[2]] : 0xFF;
            if (f[0] == 0x50 && f[1] == 0x00) return profile.fuseLow;
            if (f[0] == 0x58 && f[1] == 0x08) return profile.fuseHigh;
            if (f[0] == 0x58 && f[1] == 0x00) return profile.lockBits;
            if (f[0] == 0x20 || f[0] == 0x28) {
                // Read Program Memory, low or high byte of a word. Lock bits
                // LB1 and LB2 both programmed forbid reading the flash.
                const std::size_t at =
                    ((std::size_t{f[1]} << 8 | f[2]) * 2) + (f[0] == 0x28 ? 1 : 0);
                if ((profile.lockBits & 0x03) == 0 || at >= flash.size()) return 0xFF;
                return flash[at];
            }
            return 0x00;
        default:
            return 0x00;
    }
}

void Controller::IspRise(std::uint64_t nowNs) {
    Shifter& s = isp_;
    if (s.risen == 0) s.tx = IspOutput(ispByte_);
    s.rx = static_cast<std::uint8_t>((s.rx << 1) | (dataOut_ ? 1 : 0));
    ++s.risen;
    s.lastEdgeNs = nowNs;
}

void Controller::IspFall(std::uint64_t nowNs) {
    Shifter& s = isp_;
    if (s.fallen >= s.risen) return;
    ++s.fallen;
    s.lastEdgeNs = nowNs;
    if (s.fallen < 8) return;
    s.risen = s.fallen = 0;
    ispFrame_[static_cast<std::size_t>(ispByte_)] = s.rx;
    if (++ispByte_ < 4) return;
    ispByte_ = 0;
    const auto& f = ispFrame_;
    if (f[0] == 0xAC && f[1] == 0x53) ispEnabled_ = true;
    Record(Via::Isp, 'I', (f[0] << 8) | f[1], (f[2] << 8) | f[3], s.tx, nowNs);
}

void Controller::Record(Via via, char command, int address, int value, int reply,
                        std::uint64_t nowNs) {
    trace.push_back(WireEvent{via, command, address, value, reply, nowNs});
}

bool Controller::FallsSilent() {
    const int limit = faults.silentAfterLinkAnswers;
    if (limit >= 0 && linkAnswers_++ >= limit) fellSilent_ = true;
    return fellSilent_;
}

Controller::Reply Controller::HandleByte(std::uint8_t byte, Via via, std::uint64_t nowNs) {
    const bool quiet = !heardByte_ || nowNs - lastByteNs_ >= kProbeQuietNs;
    heardByte_ = true;
    if (command_ != 0 && nowNs - lastByteNs_ > kCommandTimeoutNs) {
        command_ = 0;
        args_.clear();
    }
    // A parameter command's byte that comes without its pause is not
    // understood: the command is given up, the byte ignored.
    if (via == Via::BitSerial && (command_ == 'U' || command_ == 'V') &&
        nowNs - lastByteNs_ < kParamByteGapNs) {
        command_ = 0;
        args_.clear();
        lastByteNs_ = nowNs;
        return {};
    }
    lastByteNs_ = nowNs;
    if (command_ != 0) {
        args_.push_back(byte);
        return Finish(via, nowNs);
    }
    if (via == Via::Uart) {
        if (byte == kLeadIn) {
            ++leadIns_;
            return {};
        }
        if (byte == kRequest && leadIns_ >= 3) {
            if (requests_++ < profile.uartRequestsIgnored) {
                Record(via, 'R', -1, kRequest, -1, nowNs);
                return {};
            }
            if (FallsSilent()) return {};
            Record(via, 'R', -1, kRequest, kUartAnswer, nowNs);
            return {true, kUartAnswer, 0};
        }
        leadIns_ = 0;
    } else if (byte == kProbe) {
        // Straight after another byte the probe is not understood; the
        // shift register sends the byte back as it does any other.
        if (!quiet) return {};
        if (FallsSilent()) return {};
        Record(via, 'P', -1, kProbe, profile.probeAnswer, nowNs);
        return {true, profile.probeAnswer, 0};
    }
    switch (byte) {
        case 'U':
        case 'V':
        case 'W':
        case 'Y':
        case 'X':
            command_ = static_cast<char>(byte);
            break;
        default:
            break;  // not a command: ignored
    }
    return {};
}

Controller::Reply Controller::Finish(Via via, std::uint64_t nowNs) {
    const std::size_t n = args_.size();
    Reply r;
    switch (command_) {
        case 'U':
            if (n < 1) return r;
            r = {true, memory[args_[0]], kReadReplyNs};
            Record(via, 'U', args_[0], -1, r.byte, nowNs);
            break;
        case 'V': {
            if (n < 2) return r;
            const std::uint8_t address = args_[0];
            std::uint8_t value = args_[1];
            if (faults.wrongEchoOnWrite &&
                (faults.wrongEchoAddress < 0 || faults.wrongEchoAddress == address)) {
                value ^= 0x01;
            }
            memory[address] = value;
            r = {true, memory[address], kEepromWriteNs};
            Record(via, 'V', address, args_[1], r.byte, nowNs);
            break;
        }
        case 'W':
        case 'Y':
        case 'X':
            if (command_ == 'X' && args_.back() != (n == 1 ? 'U' : '3')) {
                break;  // not a commit after all
            }
            if (n < (command_ == 'W' ? 1u : 2u)) return r;
            // Outside the boot loader the firmware knows the page commands
            // only well enough to skip their bytes.
            if (bootMode_) {
                r = PageCommand(via, nowNs);
            } else {
                ++ignoredPageCommands;
            }
            break;
        default:
            break;
    }
    command_ = 0;
    args_.clear();
    return r;
}

Controller::Reply Controller::PageCommand(Via via, std::uint64_t nowNs) {
    Reply r;
    switch (command_) {
        case 'W':
            page_ = args_[0];
            pageBuffer_.fill(0xFF);
            Record(via, 'W', page_, -1, -1, nowNs);
            break;
        case 'Y':
            pageBuffer_[args_[0] % kPageSize] = args_[1];
            Record(via, 'Y', args_[0], args_[1], -1, nowNs);
            break;
        case 'X':
            if (page_ == faults.lostCommitPage) break;
            std::copy(
                pageBuffer_.begin(), pageBuffer_.end(),
                flash.begin() + static_cast<long>(static_cast<std::size_t>(page_) * kPageSize));
            if (faults.patchedFlashByte >= 0 &&
                static_cast<std::size_t>(faults.patchedFlashByte) / kPageSize ==
                    static_cast<std::size_t>(page_)) {
                flash[static_cast<std::size_t>(faults.patchedFlashByte)] ^= 0xFF;
            }
            r = {true, static_cast<std::uint8_t>(page_), kPageWriteNs};
            Record(via, 'X', page_, -1, r.byte, nowNs);
            break;
        default:
            break;
    }
    return r;
}

void Controller::Send(std::uint8_t byte, std::uint64_t readyNs) {
    const std::uint64_t start = std::max(readyNs, uartTxFreeNs_);
    const std::uint64_t arrival = start + ByteNs(profile.uartBaud);
    uartTxFreeNs_ = arrival;
    if (sent_++ == faults.dropSentByte) return;
    if (faults.dropEverySentByte > 0 && sent_ % faults.dropEverySentByte == 0) return;
    uartOut_.push_back(TimedByte{arrival, byte});
}

void Controller::UartReceive(std::uint8_t byte, std::uint32_t baud, std::uint64_t endNs) {
    if (profile.link != LinkKind::Uart || profile.silent) return;
    // Sent at another rate, the byte is not understood.
    if (baud != profile.uartBaud) return;
    if (received_++ == faults.dropReceivedByte) return;
    ++uartBytes;
    Send(byte, endNs);                    // the one-wire link echoes every byte
    if (!FirmwareRunning(endNs)) return;  // still starting
    const Reply r = HandleByte(byte, Via::Uart, endNs);
    // On the UART the firmware answers right after the echo.
    if (r.has) Send(r.byte, endNs);
}

bool Controller::PeekUart(std::uint64_t horizonNs, TimedByte& next) {
    peekedNoise_ = false;
    bool have = !uartOut_.empty() && uartOut_.front().arrivalNs <= horizonNs;
    if (have) next = uartOut_.front();
    if (faults.uartNoise) {
        const std::uint64_t step = ByteNs(profile.uartBaud);
        if (noiseNextNs_ == 0) noiseNextNs_ = step;
        if (noiseNextNs_ <= horizonNs && (!have || noiseNextNs_ < next.arrivalNs)) {
            noiseSeed_ = noiseSeed_ * 1103515245u + 12345u;
            next = TimedByte{noiseNextNs_, static_cast<std::uint8_t>(noiseSeed_ >> 16)};
            peekedNoise_ = true;
            have = true;
        }
    }
    return have;
}

void Controller::PopUart() {
    if (peekedNoise_) {
        noiseNextNs_ += ByteNs(profile.uartBaud);
        peekedNoise_ = false;
        return;
    }
    if (!uartOut_.empty()) uartOut_.pop_front();
}

std::string Controller::TraceText() const {
    std::string s;
    for (const WireEvent& e : trace) s += e.ToString() + "\n";
    return s;
}

std::vector<WireEvent> Controller::TraceOf(char command) const {
    std::vector<WireEvent> out;
    for (const WireEvent& e : trace) {
        if (e.command == command) out.push_back(e);
    }
    return out;
}

}  // namespace kvr::sim
