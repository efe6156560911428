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

bool IsByte(int v) {
    return v >= 0 && v <= 0xFF;
}

bool Uart(const Program& p) {
    return p.link.state.uartLink;
}

std::uint8_t Lsb(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// Sends one byte bit-serially.
void SendByte(Program& p, int byte) {
    p.link.exchange.out = byte;
    TransferByte(p);
}

// The UART form of a command: the bytes back to back, then one read of
// `count` bytes; returns the byte at position count - 1.
std::uint8_t UartCommand(Program& p, std::initializer_list<std::uint8_t> bytes, std::size_t count) {
    ClearRxBuffer(p);
    for (std::uint8_t b : bytes) WriteUartByte(p, b);
    ReadUartBytes(p, count);
    return p.link.rxBuffer[count - 1];
}

}  // namespace

int ShiftBit(Program& p, int bit) {
    LinkState& s = p.link.state;
    std::int32_t& in = p.link.exchange.in;
    // Shifting as unsigned: a full 32-bit register simply drops its top bit.
    auto shiftIn = [&in](bool received) {
        in =
            static_cast<std::int32_t>((static_cast<std::uint32_t>(in) << 1) | (received ? 1u : 0u));
    };
    if (s.medium == Medium::Parallel) {
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
        shiftIn((s.lptInput & kStatusDataIn) != 0);
        s.lptLatch &= ~kLatchClock;
        WriteParallelData(p);
        DelayLoops(p, 2);
        return 0;
    }
    if (bit != 0) {
        SetDataOutHigh(p);
    } else {
        SetDataOutLow(p);
    }
    DelayLoops(p, 2);
    SetClockHigh(p);
    DelayLoops(p, 2);
    if (s.linesInitialised) {
        SetDataOutHigh(p);
        DelayLoops(p, 2);
    }
    shiftIn(ReadDataIn(p) != 0);
    DelayLoops(p, 2);
    SetClockLow(p);
    DelayLoops(p, 2);
    return 0;
}

int TransferByte(Program& p) {
    p.link.exchange.in = 0;
    DelayLoops(p, 2);
    for (int i = 0; i < 8; ++i) ShiftBit(p, (0x80 >> i) & p.link.exchange.out);
    p.link.exchange.in &= 0xFF;
    return 0;
}

int TransferWord(Program& p) {
    for (int i = 0; i < 16; ++i) ShiftBit(p, (0x8000 >> i) & p.link.exchange.out);
    return 0;
}

void ClearRxBuffer(Program& p) {
    auto& rx = p.link.rxBuffer;
    std::fill(rx.begin(), rx.begin() + kSpaces, static_cast<std::uint8_t>(' '));
    rx[kSpaces] = 0;
}

void WriteUartByte(Program& p, std::uint8_t byte) {
    std::size_t written = 0;
    (void)p.os.serial.Write(&byte, 1, written);
}

void ReadUartBytes(Program& p, std::size_t count) {
    // Never more than 20 bytes at a time into the 80-byte buffer, whatever
    // the line delivers.
    count = std::min(count, kMaxUartRead);
    std::size_t got = 0;
    (void)p.os.serial.Read(p.link.rxBuffer.data(), count, got);
}

void DrainUartInput(Program& p) {
    (void)p.os.serial.SetTimeouts(SerialTimeouts{3, 0, 5});
    ReadUartBytes(p, kMaxUartRead);
    (void)p.os.serial.SetTimeouts(SerialTimeouts{3, 0, 100});
}

int LoadPageByte(Program& p, int offset, int value) {
    if (Uart(p)) {
        (void)UartCommand(p, {kCmdLoadPageByte, Lsb(offset), Lsb(value)}, 3);
        return 0;
    }
    SendByte(p, kCmdLoadPageByte);
    DelayLoops(p, 4);
    SendByte(p, Lsb(offset));
    DelayLoops(p, 4);
    SendByte(p, Lsb(value));
    DelayLoops(p, 4);
    return 0;
}

int CommitPage(Program& p, int page) {
    // A one-byte reply can never confirm a larger page; committing it would
    // store the page buffer under a wrong number.
    if (!IsByte(page)) return 1;
    int reply = 0;
    if (Uart(p)) {
        reply = UartCommand(p, {kCmdCommit1, kCmdCommit2, kCmdCommit3}, 4);
        p.link.exchange.in = reply;
    } else {
        DelayLoops(p, 4);
        SendByte(p, kCmdCommit1);
        DelayLoops(p, 4);
        SendByte(p, kCmdCommit2);
        DelayLoops(p, 4);
        SendByte(p, kCmdCommit3);
        WaitMs(p, 40);
        SendByte(p, kCmdCommit3);
        reply = p.link.exchange.in;
        DelayLoops(p, 4);
    }
    return reply == page ? 0 : 1;
}

void SelectPage(Program& p, int page) {
    if (!IsByte(page)) return;
    if (Uart(p)) {
        (void)UartCommand(p, {kCmdSelectPage, Lsb(page)}, 2);
        return;
    }
    SendByte(p, kCmdSelectPage);
    DelayLoops(p, 4);
    SendByte(p, page);
    DelayLoops(p, 4);
}

int ReadControllerByte(Program& p, int address) {
    if (!IsByte(address)) {
        // No such parameter: read as a reply that never came.
        p.link.exchange.in = ' ';
        return ' ';
    }
    if (Uart(p)) {
        p.link.exchange.in = UartCommand(p, {kCmdRead, Lsb(address)}, 3);
        return p.link.exchange.in;
    }
    SendByte(p, kCmdRead);
    WaitMs(p, 5);
    WaitMs(p, 5);
    SendByte(p, address);
    WaitMs(p, 5);
    SendByte(p, 0x00);
    return p.link.exchange.in;
}

int WriteControllerByte(Program& p, int address, int value) {
    // A value that does not fit its byte would be stored cut off; refuse it
    // before anything reaches the controller.
    if (!IsByte(address) || !IsByte(value)) return 1;
    int echo = 0;
    if (Uart(p)) {
        DrainUartInput(p);
        echo = UartCommand(p, {kCmdWrite, Lsb(address), Lsb(value)}, 4);
        p.link.exchange.in = echo;
    } else {
        WaitMs(p, 5);
        SendByte(p, kCmdWrite);
        WaitMs(p, 5);
        SendByte(p, address);
        WaitMs(p, 5);
        SendByte(p, value);
        WaitMs(p, 5);
        WaitMs(p, 20);
        SendByte(p, 0x00);
        echo = p.link.exchange.in;
    }
    return echo == value ? 0 : 1;
}

int WriteControllerByteChecked(Program& p, int address, int value) {
    if (WriteControllerByte(p, address, value) == 0) return 0;
    p.os.host.MessageBox(nullptr, std::string(p.T(texts::kWritingError)),
                         std::string(p.T(texts::kCaptionErrorBang)), MessageButtons::Ok);
    return 1;
}

}  // namespace kvr
