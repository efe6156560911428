// The simulated FTDI chip: its requests, its pins at the bit-bang clock, its USB transfers.
#include "ftdi_chip_model.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/ftdi_chip.h"

namespace kvr::sim {

namespace {
constexpr std::uint64_t kMs = 1000000;
constexpr std::uint64_t kNever = UINT64_MAX;

// Buffer sizes per serial interface from the datasheets; the type is told
// apart by the device release number, as both libraries do.
constexpr std::array<FtdiChipSheet, 6> kSheets = {{
    {FtdiType::Ft232bm, "FT232BM", 0x6001, false, 128, 384, 64, 0x0400},
    {FtdiType::Ft232r, "FT232R", 0x6001, true, 128, 256, 64, 0x0600},
    {FtdiType::Ft2232c, "FT2232C", 0x6010, true, 128, 384, 64, 0x0500},
    {FtdiType::Ft2232h, "FT2232H", 0x6010, true, 4096, 4096, 512, 0x0700},
    {FtdiType::Ft4232h, "FT4232H", 0x6011, true, 2048, 2048, 512, 0x0800},
    {FtdiType::Ft232h, "FT232H", 0x6014, true, 1024, 1024, 512, 0x0900},
}};
}  // namespace

const FtdiChipSheet& FtdiSheetOf(FtdiType type) {
    for (const auto& sheet : kSheets) {
        if (sheet.type == type) return sheet;
    }
    return kSheets[1];
}

FtdiChipModel::FtdiChipModel(SimClock& clock, Controller& controller, FtdiType type)
    : clock_(clock),
      sheet_(FtdiSheetOf(type)),
      wiring_(controller),
      wiredRts_(controller.PinLevel(kRtsPin)),
      wiredDtr_(controller.PinLevel(kDtrPin)),
      wiredBreak_(controller.PinLevel(kBreakPin)) {}

std::uint64_t FtdiChipModel::PinPeriodNs() const {
    const std::uint64_t hz = std::uint64_t{baud_} * 16;
    return (1000000000ull + hz / 2) / hz;
}

bool FtdiChipModel::Call() {
    ++calls_;
    if (faults.pulledOutAfterCalls >= 0 && calls_ > faults.pulledOutAfterCalls) PullOut();
    if (pulledOut_ || !open_) return false;
    clock_.Spend(usbTransferNs);
    RunPins(clock_.NowNs());
    return true;
}

void FtdiChipModel::PullOut() {
    if (pulledOut_) return;
    pulledOut_ = true;
    open_ = false;
    tx_.clear();
    rx_.clear();
    // Nothing drives the lines any more: the controller's pull-up releases
    // its reset and the break ends.
    wiring_.Unplugged(clock_.NowNs());
    wiredBreak_ = false;
}

void FtdiChipModel::Replug() {
    pulledOut_ = false;
    open_ = false;
    faults = FtdiChipFaults{};
    calls_ = 0;
    mode_ = kFtdiModeReset;
    latch_ = 0xFF;
}

bool FtdiChipModel::Open() {
    ++calls_;
    if (faults.pulledOutAfterCalls >= 0 && calls_ > faults.pulledOutAfterCalls) PullOut();
    if (pulledOut_ || open_) return false;
    clock_.Spend(usbTransferNs);
    open_ = true;
    pinNs_ = lastPacketNs_ = clock_.NowNs();
    return true;
}

void FtdiChipModel::Close() {
    if (!open_) return;
    clock_.Spend(usbTransferNs);
    RunPins(clock_.NowNs());
    // The serial driver takes the chip back in serial mode.
    mode_ = kFtdiModeReset;
    tx_.clear();
    rx_.clear();
    DrivePins(clock_.NowNs());
    open_ = false;
}

bool FtdiChipModel::Reset() {
    if (!Call()) return false;
    mode_ = kFtdiModeReset;
    tx_.clear();
    rx_.clear();
    DrivePins(clock_.NowNs());
    return true;
}

bool FtdiChipModel::SetBitMode(std::uint8_t outputMask, std::uint8_t mode) {
    if (!Call()) return false;
    const bool known = mode == kFtdiModeReset || mode == kFtdiModeAsyncBitBang ||
                       (mode == kFtdiModeSyncBitBang && sheet_.syncBitBang);
    if (!known) return false;
    mode_ = mode;
    mask_ = outputMask;
    pinNs_ = clock_.NowNs();
    DrivePins(clock_.NowNs());
    return true;
}

bool FtdiChipModel::SetBaudRate(std::uint32_t chipBaud) {
    if (!Call() || chipBaud == 0) return false;
    baud_ = chipBaud;
    return true;
}

bool FtdiChipModel::SetDataCharacteristics(std::uint8_t bits, std::uint8_t stopBits,
                                           std::uint8_t parity) {
    if (!Call()) return false;
    return (bits == 7 || bits == 8) && stopBits <= 2 && parity <= 4;
}

bool FtdiChipModel::SetBreak(bool on) {
    if (!Call()) return false;
    break_ = on;
    // The serial driver drives the line even where it is at that level.
    DrivePins(clock_.NowNs(), ftdi_pin::kTxd);
    return true;
}

bool FtdiChipModel::SetDtr(bool on) {
    if (!Call()) return false;
    dtr_ = on;
    // The serial driver drives the line even where it is at that level.
    DrivePins(clock_.NowNs(), ftdi_pin::kDtr);
    return true;
}

bool FtdiChipModel::SetRts(bool on) {
    if (!Call()) return false;
    rts_ = on;
    // The serial driver drives the line even where it is at that level.
    DrivePins(clock_.NowNs(), ftdi_pin::kRts);
    return true;
}

bool FtdiChipModel::ModemStatus(std::uint8_t& status) {
    if (!Call()) return false;
    const std::uint8_t pins = PinLevels(clock_.NowNs());
    const std::uint8_t inv = faults.eepromInvert;
    // The UART takes an input as on when it is low, or high where the
    // EEPROM inverts it.
    auto on = [&](std::uint8_t pin) { return ((pins & pin) == 0) != ((inv & pin) != 0); };
    status = static_cast<std::uint8_t>(
        (on(ftdi_pin::kCts) ? kFtdiStatusCts : 0) | (on(ftdi_pin::kDsr) ? kFtdiStatusDsr : 0) |
        (on(ftdi_pin::kRi) ? kFtdiStatusRi : 0) | (on(ftdi_pin::kDcd) ? kFtdiStatusDcd : 0));
    return true;
}

bool FtdiChipModel::ReadPins(std::uint8_t& pins) {
    if (!Call()) return false;
    pins = PinLevels(clock_.NowNs());
    return true;
}

bool FtdiChipModel::SetLatencyTimer(std::uint8_t ms) {
    if (!Call() || ms == 0) return false;
    latencyMs_ = ms;
    return true;
}

bool FtdiChipModel::LatencyTimer(std::uint8_t& ms) {
    if (!Call()) return false;
    ms = latencyMs_;
    return true;
}

bool FtdiChipModel::PurgeRx() {
    if (!Call()) return false;
    rx_.clear();
    return true;
}

bool FtdiChipModel::PurgeTx() {
    if (!Call()) return false;
    tx_.clear();
    return true;
}

bool FtdiChipModel::QueueStatus(std::size_t& rxBytes) {
    if (!Call()) return false;
    if (mode_ == kFtdiModeReset) TakeUart(clock_.NowNs());
    rxBytes = rx_.size();
    return true;
}

bool FtdiChipModel::BulkWrite(const std::uint8_t* data, std::size_t count, std::size_t& taken,
                              std::uint64_t timeoutNs) {
    taken = 0;
    if (!Call()) return false;
    ++bulkTransfers_;
    if (mode_ == kFtdiModeReset) {
        // The UART sends them one after another at the baud rate.
        wiring_.Send(data, count, baud_, clock_.NowNs());
        taken = count;
        return true;
    }
    const std::uint64_t end = clock_.NowNs() + timeoutNs;
    while (taken < count) {
        if (tx_.empty()) txArrivedNs_ = clock_.NowNs();
        while (taken < count && tx_.size() < sheet_.txBuffer) tx_.push_back(data[taken++]);
        if (taken == count) break;
        // The transfer waits until the pins make room in the buffer.
        const std::uint64_t next = NextPinNs();
        if (next == kNever || next > end) {
            clock_.WaitUntil(end);
            RunPins(end);
            break;
        }
        clock_.WaitUntil(next);
        RunPins(next);
    }
    return true;
}

bool FtdiChipModel::BulkRead(std::uint8_t* data, std::size_t max, std::size_t& got) {
    got = 0;
    if (!Call()) return false;
    ++bulkTransfers_;
    bool loseOne = false;
    if (mode_ != kFtdiModeReset && faults.shortReadAfterCalls >= 0 &&
        calls_ > faults.shortReadAfterCalls) {
        loseOne = true;
        faults.shortReadAfterCalls = -1;
    }
    const std::size_t payload = sheet_.packetSize - 2;
    auto move = [&](std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t byte = rx_.front().byte;
            rx_.pop_front();
            if (loseOne) {
                loseOne = false;
                continue;
            }
            data[got++] = byte;
        }
        lastPacketNs_ = clock_.NowNs();
    };
    const std::uint64_t latencyNs = std::uint64_t{latencyMs_} * kMs;
    for (;;) {
        const std::uint64_t now = clock_.NowNs();
        if (mode_ == kFtdiModeReset) TakeUart(now);
        const std::size_t room = max - got;
        if (rx_.size() >= room) {
            move(room);
            return true;
        }
        if (rx_.size() >= payload) {
            move(rx_.size() / payload * payload);
            continue;
        }
        const std::uint64_t timerEnd = lastPacketNs_ + latencyNs;
        if (now >= timerEnd) {
            // The latency timer ran out: a short packet with what is there.
            move(rx_.size());
            return true;
        }
        const std::uint64_t next =
            mode_ == kFtdiModeReset ? timerEnd : std::min(timerEnd, NextPinNs());
        clock_.WaitUntil(next);
        RunPins(next);
    }
}

std::uint64_t FtdiChipModel::NextPinNs() const {
    if (mode_ == kFtdiModeReset || tx_.empty()) return kNever;
    if (mode_ == kFtdiModeSyncBitBang && rx_.size() >= sheet_.rxBuffer) return kNever;
    return std::max(pinNs_ + PinPeriodNs(), txArrivedNs_);
}

void FtdiChipModel::RunPins(std::uint64_t untilNs) {
    for (;;) {
        const std::uint64_t t = NextPinNs();
        if (t == kNever || t > untilNs) return;
        // Synchronous bit-bang reads the pins just before the new output.
        if (mode_ == kFtdiModeSyncBitBang) rx_.push_back({PinLevels(t), t});
        latch_ = tx_.front();
        tx_.pop_front();
        pinNs_ = t;
        ++pinStates_;
        DrivePins(t);
    }
}

void FtdiChipModel::TakeUart(std::uint64_t untilNs) {
    TimedByte next;
    while (wiring_.Receive(untilNs, next)) {
        // A full buffer drops what comes on.
        if (rx_.size() < sheet_.rxBuffer) rx_.push_back({next.byte, next.arrivalNs});
    }
}

std::uint8_t FtdiChipModel::OutputLevels() const {
    if (mode_ != kFtdiModeReset) {
        return static_cast<std::uint8_t>((latch_ & mask_) | (~mask_ & 0xFF));
    }
    // The UART drives RTS#, DTR# active low and TXD low during a break,
    // each inverted where the EEPROM says so; the inputs are pulled up.
    std::uint8_t levels = 0xFF;
    if (break_) levels &= static_cast<std::uint8_t>(~ftdi_pin::kTxd);
    if (rts_) levels &= static_cast<std::uint8_t>(~ftdi_pin::kRts);
    if (dtr_) levels &= static_cast<std::uint8_t>(~ftdi_pin::kDtr);
    const std::uint8_t outputs = ftdi_pin::kTxd | ftdi_pin::kRts | ftdi_pin::kDtr;
    return static_cast<std::uint8_t>(levels ^ (faults.eepromInvert & outputs));
}

std::uint8_t FtdiChipModel::PinLevels(std::uint64_t nowNs) {
    std::uint8_t levels = OutputLevels();
    const bool ctsDriven = mode_ != kFtdiModeReset && (mask_ & ftdi_pin::kCts) != 0;
    // CTS# comes from the cable's RS-232 receiver: low while CTS is on.
    if (!ctsDriven && wiring_.Cts(nowNs)) levels &= static_cast<std::uint8_t>(~ftdi_pin::kCts);
    return levels;
}

void FtdiChipModel::DrivePins(std::uint64_t nowNs, std::uint8_t force) {
    const std::uint8_t levels = OutputLevels();
    auto drive = [&](bool& wired, bool on, LineFunction set, LineFunction clear) {
        const bool forced = mode_ == kFtdiModeReset &&
                            (force & (set == LineFunction::SetBreak ? ftdi_pin::kTxd
                                      : set == LineFunction::SetRts ? ftdi_pin::kRts
                                                                    : ftdi_pin::kDtr)) != 0;
        if (wired == on && !forced) return;
        wired = on;
        wiring_.SetLine(on ? set : clear, nowNs);
    };
    drive(wiredBreak_, (levels & ftdi_pin::kTxd) == 0, LineFunction::SetBreak,
          LineFunction::ClrBreak);
    drive(wiredRts_, (levels & ftdi_pin::kRts) == 0, LineFunction::SetRts, LineFunction::ClrRts);
    drive(wiredDtr_, (levels & ftdi_pin::kDtr) == 0, LineFunction::SetDtr, LineFunction::ClrDtr);
}

}  // namespace kvr::sim
