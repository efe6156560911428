// The bit-serial exchange's clock cycles and the firmware's byte commands over either link.
#include "link/exchange.h"

#include <algorithm>
#include <initializer_list>

#include "link/port_access.h"
#include "res/connect_texts.h"

namespace kvr {

namespace {

constexpr std::uint32_t kLatchDataOut = 0x01;
constexpr std::uint32_t kLatchClock = 0x02;
constexpr std::uint32_t kStatusDataIn = 1u << 14;
constexpr std::size_t kMaxUartRead = 20;
constexpr std::size_t kSpaces = 16;

constexpr std::uint8_t kCmdLoadPageByte = 'Y';
constexpr std::uint8_t kCmdCommit1 = 'X';
constexpr std::uint8_t kCmdCommit2 = 'U';
constexpr std::uint8_t kCmdCommit3 = '3';
constexpr std::uint8_t kCmdSelectPage = 'W';
constexpr std::uint8_t kCmdRead = 'U';
constexpr std::uint8_t kCmdWrite = 'V';
constexpr int kProbe = 0xFE;
constexpr int kProbeAnswer = 0xF8;

bool IsByte(int v) {
    return v >= 0 && v <= 0xFF;
}

bool Uart(const CoreContext& p) {
    return p.link.state.uartLink;
}

std::uint8_t Lsb(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// One clock cycle on the serial lines. A bit whose received value nobody
// uses is not sampled: on a USB adapter the status read is a round trip of
// its own. Lines and pauses stay the same.
void ClockBit(CoreContext& p, int bit, bool sample) {
    if (bit != 0) {
        SetDataOutHigh(p);
    } else {
        SetDataOutLow(p);
    }
    DelayLoops(p, 2);
    SetClockHigh(p);
    DelayLoops(p, 2);
    if (p.link.state.linesInitialised) {
        SetDataOutHigh(p);
        DelayLoops(p, 2);
    }
    if (sample) ShiftDataIn(p);
    DelayLoops(p, 2);
    SetClockLow(p);
    DelayLoops(p, 2);
}

// Sends one byte bit-serially; the reply lands in exchange.in.
void SendByte(CoreContext& p, int byte) {
    p.link.exchange.out = byte;
    TransferByte(p);
}

// Sends one byte of a command whose reply comes later: nothing is sampled,
// the register is left cleared.
void SendOnly(CoreContext& p, int byte) {
    if (p.link.state.medium != Medium::Serial) {
        SendByte(p, byte);
        return;
    }
    p.link.exchange.out = byte;
    RegisterWork(p, RegisterStep::Clear);
    DelayLoops(p, 2);
    for (int i = 0; i < 8; ++i) ClockBit(p, (0x80 >> i) & byte, false);
}

// The UART form of a command: the bytes back to back, then one read of
// `count` bytes; returns the byte at position count - 1. The one-wire link
// echoes every byte, so the read starts with the command's own bytes: a
// write that fails, an echo that is missing or differs means the controller
// did not take the command as sent. Whether a missing reply after the echo
// is a fault is the command's to judge (replyArrived).
std::uint8_t UartCommand(CoreContext& p, std::initializer_list<std::uint8_t> bytes,
                         std::size_t count, bool* replyArrived = nullptr) {
    ClearRxBuffer(p);
    for (std::uint8_t b : bytes) {
        if (!WriteUartByte(p, b)) NoteLinkFault(p, LinkFault::Lost);
    }
    std::size_t got = 0;
    if (!ReadUartBytes(p, count, got)) {
        NoteLinkFault(p, LinkFault::Lost);
    } else if (got < bytes.size() ||
               !std::equal(bytes.begin(), bytes.end(), p.link.rxBuffer.begin())) {
        NoteLinkFault(p, LinkFault::NoReply);
    }
    if (replyArrived != nullptr) *replyArrived = got >= count;
    return p.link.rxBuffer[count - 1];
}

// One bit-serial read command; the value comes during the last transfer.
int ReadOnce(CoreContext& p, int address) {
    SendOnly(p, kCmdRead);
    WaitMs(p, 5);
    WaitMs(p, 5);
    SendOnly(p, address);
    WaitMs(p, 5);
    SendByte(p, 0x00);
    return ExchangeIn(p);
}

bool Faulty(const CoreContext& p) {
    return p.link.fault != LinkFault::None;
}

}  // namespace

int ShiftBit(CoreContext& p, int bit) {
    LinkState& s = p.link.state;
    if (s.medium == Medium::Serial) {
        ClockBit(p, bit, true);
        return 0;
    }
    std::int32_t& in = p.link.exchange.in;
    if (bit != 0) {
        s.lptLatch |= kLatchDataOut;
    } else {
        s.lptLatch &= ~kLatchDataOut;
    }
    WriteParallelData(p);
    DelayLoops(p, 2);
    s.lptLatch |= kLatchClock;
    WriteParallelData(p);
    DelayLoops(p, 2);
    ReadParallelPort(p);
    // Shifting as unsigned: a full 32-bit register simply drops its top bit.
    in = static_cast<std::int32_t>((static_cast<std::uint32_t>(in) << 1) |
                                   ((s.lptInput & kStatusDataIn) != 0 ? 1u : 0u));
    s.lptLatch &= ~kLatchClock;
    WriteParallelData(p);
    DelayLoops(p, 2);
    return 0;
}

int TransferByte(CoreContext& p) {
    RegisterWork(p, RegisterStep::Clear);
    DelayLoops(p, 2);
    for (int i = 0; i < 8; ++i) ShiftBit(p, (0x80 >> i) & p.link.exchange.out);
    RegisterWork(p, RegisterStep::MaskByte);
    return 0;
}

int TransferWord(CoreContext& p) {
    for (int i = 0; i < 16; ++i) ShiftBit(p, (0x8000 >> i) & p.link.exchange.out);
    return 0;
}

std::int32_t ExchangeIn(CoreContext& p) {
    PlayLines(p);
    return p.link.exchange.in;
}

void ClearRxBuffer(CoreContext& p) {
    auto& rx = p.link.rxBuffer;
    std::fill(rx.begin(), rx.begin() + kSpaces, static_cast<std::uint8_t>(' '));
    rx[kSpaces] = 0;
}

bool WriteUartByte(CoreContext& p, std::uint8_t byte) {
    PlayLines(p);
    std::size_t written = 0;
    return p.os.serial.Write(&byte, 1, written) && written == 1;
}

bool ReadUartBytes(CoreContext& p, std::size_t count, std::size_t& got) {
    // Never more than 20 bytes at a time into the 80-byte buffer, whatever
    // the line delivers.
    count = std::min(count, kMaxUartRead);
    got = 0;
    PlayLines(p);
    const bool ok = p.os.serial.Read(p.link.rxBuffer.data(), count, got);
    got = std::min(got, count);
    return ok;
}

void ReadUartBytes(CoreContext& p, std::size_t count) {
    std::size_t got = 0;
    (void)ReadUartBytes(p, count, got);
}

void DrainUartInput(CoreContext& p) {
    // What is drained is not judged; a port that no longer answers is.
    PlayLines(p);
    std::size_t got = 0;
    if (!p.os.serial.SetTimeouts(SerialTimeouts{3, 0, 5}) || !ReadUartBytes(p, kMaxUartRead, got) ||
        !p.os.serial.SetTimeouts(SerialTimeouts{3, 0, 100})) {
        NoteLinkFault(p, LinkFault::Lost);
    }
}

// The boot loader gives no read-back on the bit-serial link: what a page
// command did there shows only in the commit's answer. The UART form checks
// the echo of every byte.
int LoadPageByte(CoreContext& p, int offset, int value) {
    if (Uart(p)) {
        (void)UartCommand(p, {kCmdLoadPageByte, Lsb(offset), Lsb(value)}, 3);
        return Faulty(p) ? 1 : 0;
    }
    SendOnly(p, kCmdLoadPageByte);
    DelayLoops(p, 4);
    SendOnly(p, Lsb(offset));
    DelayLoops(p, 4);
    SendOnly(p, Lsb(value));
    DelayLoops(p, 4);
    return Faulty(p) ? 1 : 0;
}

int CommitPage(CoreContext& p, int page) {
    // A one-byte reply can never confirm a larger page; committing it would
    // store the page buffer under a wrong number.
    if (!IsByte(page)) return 1;
    int reply = 0;
    if (Uart(p)) {
        // An answer that never came confirms no page, whatever page was
        // asked (a space would otherwise confirm page 0x20).
        bool arrived = false;
        reply = UartCommand(p, {kCmdCommit1, kCmdCommit2, kCmdCommit3}, 4, &arrived);
        p.link.exchange.in = reply;
        if (!arrived) return 1;
    } else {
        DelayLoops(p, 4);
        SendOnly(p, kCmdCommit1);
        DelayLoops(p, 4);
        SendOnly(p, kCmdCommit2);
        DelayLoops(p, 4);
        SendOnly(p, kCmdCommit3);
        WaitMs(p, 40);
        SendByte(p, kCmdCommit3);
        reply = ExchangeIn(p);
        DelayLoops(p, 4);
        PlayLines(p);
    }
    return reply == page && !Faulty(p) ? 0 : 1;
}

int SelectPage(CoreContext& p, int page) {
    if (!IsByte(page)) return 1;
    if (Uart(p)) {
        (void)UartCommand(p, {kCmdSelectPage, Lsb(page)}, 2);
        return Faulty(p) ? 1 : 0;
    }
    SendOnly(p, kCmdSelectPage);
    DelayLoops(p, 4);
    SendOnly(p, page);
    DelayLoops(p, 4);
    return Faulty(p) ? 1 : 0;
}

ByteRead ReadControllerByte(CoreContext& p, int address) {
    if (!IsByte(address)) {
        // No such parameter: read as a reply that never came.
        p.link.exchange.in = ' ';
        NoteLinkFault(p, LinkFault::NoReply);
        return {' ', p.link.fault};
    }
    if (Uart(p)) {
        bool arrived = false;
        p.link.exchange.in = UartCommand(p, {kCmdRead, Lsb(address)}, 3, &arrived);
        if (!arrived) NoteLinkFault(p, LinkFault::NoReply);
        return {p.link.exchange.in, p.link.fault};
    }
    // On these lines a missing reply cannot be seen: a controller that has
    // gone leaves data in at its rest level, and a byte the firmware missed
    // comes back as the echo of another. So the byte is read twice and must
    // agree, and the probe must still be answered once the run of reads is
    // over (ReadRun).
    const int first = ReadOnce(p, address);
    const int value = ReadOnce(p, address);
    if (first != value) NoteLinkFault(p, LinkFault::NoReply);
    p.link.exchange.in = value;
    return {value, p.link.fault};
}

int WriteControllerByte(CoreContext& p, int address, int value) {
    // A value that does not fit its byte would be stored cut off; refuse it
    // before anything reaches the controller.
    if (!IsByte(address) || !IsByte(value)) return 1;
    int echo = 0;
    if (Uart(p)) {
        DrainUartInput(p);
        // An echo that never came confirms no value (a space would
        // otherwise confirm the value 0x20).
        bool arrived = false;
        echo = UartCommand(p, {kCmdWrite, Lsb(address), Lsb(value)}, 4, &arrived);
        p.link.exchange.in = echo;
        if (!arrived) return 1;
    } else {
        WaitMs(p, 5);
        SendOnly(p, kCmdWrite);
        WaitMs(p, 5);
        SendOnly(p, address);
        WaitMs(p, 5);
        SendOnly(p, value);
        WaitMs(p, 5);
        WaitMs(p, 20);
        SendByte(p, 0x00);
        echo = ExchangeIn(p);
        // The echo cannot tell a byte the firmware missed: with the address
        // lost it takes the value as the address and the 0x00 as the value,
        // and still echoes the value. A firmware left inside a command
        // takes the probe's bytes as its own, so the probe finds it here,
        // at the write where it happened.
        if (echo == value && ProbeLink(p, 5, 5, 5) != kProbeAnswer) {
            NoteLinkFault(p, LinkFault::NoReply);
        }
        p.link.exchange.in = echo;
    }
    return echo == value && !Faulty(p) ? 0 : 1;
}

int ProbeLink(CoreContext& p, std::uint32_t before, std::uint32_t between, std::uint32_t after) {
    WaitMs(p, before);
    SendOnly(p, kProbe);
    WaitMs(p, between);
    SendByte(p, kProbe);
    WaitMs(p, after);
    return ExchangeIn(p) & 0xFF;
}

ByteRead ReadRun::Read(int address) {
    const ByteRead read = ReadControllerByte(p_, address);
    if (IsByte(address) && !Uart(p_)) waiting_ = true;
    return read;
}

LinkFault ReadRun::End() {
    // The probe gets the quiet a running firmware needs before and between
    // its bytes, as the link's quick re-check does.
    if (waiting_ && !Uart(p_) && !Faulty(p_) && ProbeLink(p_, 5, 5, 5) != kProbeAnswer) {
        NoteLinkFault(p_, LinkFault::NoReply);
    }
    waiting_ = false;
    return p_.link.fault;
}

bool LinkFaulty(const CoreContext& p) {
    return Faulty(p);
}

}  // namespace kvr
