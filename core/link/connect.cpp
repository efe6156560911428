// The link detection: UART attempts, then the bit-serial probe with a restart.
#include "link/connect.h"

#include "link/exchange.h"
#include "link/port_access.h"
#include "res/link_texts.h"

namespace kvr {

namespace {

constexpr std::uint8_t kLeadIn = 0xD0;
constexpr std::uint8_t kRequest = 0xD2;
constexpr std::uint8_t kUartAnswer = 0xD3;
constexpr int kProbeAnswer = 0xF8;

bool IsOtherModel(int answer) {
    return answer == 0xFE || answer == 0xFD || answer == 0xFB || answer == 0xFA;
}

void LeadIn(CoreContext& p) {
    for (int i = 0; i < 3; ++i) {
        WriteUartByte(p, kLeadIn);
        WaitMs(p, 5);
    }
}

// Reads the two bytes after a request; the answer is the second.
bool ReadAnswer(CoreContext& p) {
    ClearRxBuffer(p);
    ReadUartBytes(p, 2);
    return p.link.rxBuffer[1] == kUartAnswer;
}

void Discard(CoreContext& p, std::size_t count) {
    if (count <= 3) ClearRxBuffer(p);
    ReadUartBytes(p, count);
}

void StatusBlank(CoreContext& p, bool disable) {
    if (p.reporter != nullptr) p.reporter->ClearStatus(disable);
}

int NoLink(CoreContext& p, ConnectFailure failure) {
    // A failed parallel-port driver has been reported already.
    if (p.link.fault != LinkFault::Driver) p.link.connectFailure = failure;
    p.link.state.uartLink = false;
    p.link.state.bitBangLink = false;
    return 1;
}

// The probes of the detection go unanswered on the wrong link kind by
// design; a link found starts the command's byte commands without fault.
int UartFound(CoreContext& p) {
    p.link.state.uartLink = true;
    p.link.state.bitBangLink = false;
    WaitMs(p, 20);
    Discard(p, 20);
    ClearLinkFault(p);
    return 0;
}

int BitSerialFound(CoreContext& p) {
    p.link.state.uartLink = false;
    p.link.state.bitBangLink = true;
    ClearLinkFault(p);
    return 0;
}

int PortFailed(CoreContext& p) {
    p.link.connectFailure = ConnectFailure::Port;
    return 1;
}

// The UART settings drop DTR and RTS: their levels are no longer known.
// Refused settings fail the detection as the port's own fault.
bool SetUartState(CoreContext& p, const SerialConfig& uart) {
    const bool set = p.os.serial.SetState(uart);
    ForgetLineLevels(p);
    if (!set) p.link.lastErrorText = std::string(p.T(texts::kCannotWriteComState));
    return set;
}

}  // namespace

SerialConfig UartLinkConfig() {
    SerialConfig c;
    c.baudRate = 19200;
    c.byteSize = 8;
    c.parity = 0;
    c.stopBits = 0;
    c.keepLines = false;
    return c;
}

int ConnectLink(CoreContext& p) {
    LinkState& s = p.link.state;
    SerialDevice& dev = p.os.serial;
    ClearLinkFault(p);
    p.link.connectFailure = ConnectFailure::None;

    // 1. A link found before: is the bit-serial probe still answered?
    if (s.uartLink || s.bitBangLink) {
        WaitMs(p, 5);
        if (ProbeLink(p, 0, 5, 5) == kProbeAnswer) return BitSerialFound(p);
    }

    // 2. Reopen the port.
    CloseSerialPort(p);
    if (!OpenSerialPort(p)) {
        s.comOpen = false;
        return PortFailed(p);
    }

    // 3. UART settings.
    const SerialConfig uart = UartLinkConfig();
    if (!SetUartState(p, uart)) return PortFailed(p);
    DrainUartInput(p);
    if (!dev.SetTimeouts(SerialTimeouts{3, 0, 400})) {
        p.link.lastErrorText = std::string(p.T(texts::kCannotWriteTimeouts));
        return PortFailed(p);
    }
    if (!SetUartState(p, uart)) return PortFailed(p);

    // 4. First UART attempt.
    LeadIn(p);
    Discard(p, 20);
    WriteUartByte(p, kRequest);
    if (ReadAnswer(p)) return UartFound(p);

    // 5. Second attempt, after a pause.
    WaitMs(p, 200);
    if (!SetUartState(p, uart)) return PortFailed(p);
    LeadIn(p);
    Discard(p, 3);
    WriteUartByte(p, kRequest);
    if (ReadAnswer(p)) return SetUartState(p, uart) ? UartFound(p) : PortFailed(p);

    // 6. Third attempt, with the request twice.
    Discard(p, 20);
    LeadIn(p);
    WriteUartByte(p, kRequest);
    WaitMs(p, 5);
    Discard(p, 20);
    WriteUartByte(p, kRequest);
    WaitMs(p, 80);
    if (ReadAnswer(p)) return UartFound(p);

    // 7. Bit-serial detection, restarting the controller when it is silent.
    WaitMs(p, 5);
    const int first = ProbeLink(p, 5, 5, 5);
    StatusBlank(p, false);
    if (first != kProbeAnswer) {
        if (!InitSerialLines(p)) {
            p.link.connectFailure = ConnectFailure::Lines;
            StatusBlank(p, true);
            return 1;
        }
        SetResetLow(p);
        SetDataOutHigh(p);
        SetClockLow(p);
        WaitMs(p, 100);
        SetResetHigh(p);
        WaitMs(p, 500);
    }
    const int answer = ProbeLink(p, 0, 0, 0);
    if (answer == kProbeAnswer) return BitSerialFound(p);
    if (IsOtherModel(answer)) return NoLink(p, ConnectFailure::OtherModel);
    return NoLink(p, ConnectFailure::NoController);
}

}  // namespace kvr
