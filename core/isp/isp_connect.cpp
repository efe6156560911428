// Resets, Programming Enable with its retries and the signature's judgement.
#include "isp/isp_connect.h"

#include <cstdio>

#include "link/exchange.h"
#include "link/port_access.h"
#include "res/isp_texts.h"
#include "res/link_texts.h"

namespace kvr {

namespace {

constexpr int kEchoInStep = 0x53;
constexpr int kRetryCount = 35;
constexpr std::uint32_t kLatchDataOut = 0x01;
constexpr std::uint32_t kLatchClock = 0x02;
constexpr std::uint32_t kLatchReset = 0x08;

bool Serial(const CoreContext& p) {
    return p.link.state.medium == Medium::Serial;
}

int EchoOf(const CoreContext& p) {
    return (p.isp.ispEchoWord >> 8) & 0xFF;
}

bool FamilyAccepted(int family) {
    return family > 0x8F && family < 0x95;
}

void SetLatch(CoreContext& p, std::uint32_t bits, bool on) {
    if (on) {
        p.link.state.lptLatch |= bits;
    } else {
        p.link.state.lptLatch &= ~bits;
    }
    WriteParallelData(p);
}

// One extra clock cycle, so that a chip out of bit alignment slips into step.
void ClockPulse(CoreContext& p) {
    if (Serial(p)) {
        SampleDataIn(p);
    } else {
        ReadParallelPort(p);
    }
    WaitMs(p, 2);
    if (Serial(p)) {
        SetClockHigh(p);
    } else {
        SetLatch(p, kLatchClock, true);
        ReadParallelPort(p);
    }
    WaitMs(p, 2);
    if (Serial(p)) {
        SetClockLow(p);
        SampleDataIn(p);
    } else {
        SetLatch(p, kLatchClock, false);
        ReadParallelPort(p);
    }
    WaitMs(p, 2);
}

int ResetPulse(CoreContext& p, bool shortPulse) {
    if (!Serial(p)) {
        IdleLines(p);
        if (shortPulse) {
            WaitMs(p, 30);
            SetLatch(p, kLatchReset, true);
            DelayLoops(p, 10);
        } else {
            SetLatch(p, kLatchDataOut | kLatchClock | kLatchReset, false);
            WaitMs(p, 1);
            SetLatch(p, kLatchReset, true);
            WaitMs(p, 1);
            WaitMs(p, 200);
        }
        SetLatch(p, kLatchReset, false);
        WaitMs(p, 100);
        return 0;
    }
    if (!OpenSerialPort(p)) return 1;
    SetClockLow(p);
    SetDataOutLow(p);
    SetResetLow(p);
    WaitMs(p, 100);
    SetResetHigh(p);
    WaitMs(p, shortPulse ? 1 : 200);
    SetResetLow(p);
    WaitMs(p, 100);
    return 0;
}

std::string Failure(CoreContext& p, const Text& text) {
    return std::string(p.T(text)) + p.isp.ispStatusText;
}

}  // namespace

void SendIspInstruction(CoreContext& p, int word1, int word2) {
    p.link.exchange.out = word1;
    TransferWord(p);
    p.link.exchange.out = word2;
    TransferWord(p);
}

int IspInstruction(CoreContext& p, int word1, int word2) {
    SendIspInstruction(p, word1, word2);
    return ExchangeIn(p) & 0xFF;
}

int ProgrammingEnable(CoreContext& p) {
    IspInstruction(p, 0xAC53, 0x0000);
    p.isp.ispEchoWord = static_cast<std::uint16_t>(p.link.exchange.in & 0xFFFF);
    return (p.link.exchange.in >> 8) & 0xFF;
}

int RetryProgrammingEnable(CoreContext& p) {
    if (EchoOf(p) == kEchoInStep) return EchoOf(p);
    for (int i = 0; i < kRetryCount; ++i) {
        if (ProgrammingEnable(p) == kEchoInStep) break;
        ClockPulse(p);
    }
    return EchoOf(p);
}

int ReadSignature(CoreContext& p) {
    int bytes[3];
    for (int index = 0; index < 3; ++index) bytes[index] = IspInstruction(p, 0x3000, index * 256);
    char block[96];
    std::snprintf(block, sizeof block,
                  "Vendor Code: %02X\nPart Family: %02X\nPart Number: %02X\nEcho 53 received",
                  bytes[0], bytes[1], bytes[2]);
    p.isp.ispStatusText = block;
    return bytes[1];
}

int ResetPulseShort(CoreContext& p) {
    CalibrateDelay(p);
    return ResetPulse(p, true);
}

int ResetPulseLong(CoreContext& p) {
    return ResetPulse(p, false);
}

int ConnectIsp(CoreContext& p) {
    ClearLinkFault(p);
    if (Serial(p) && !InitSerialLines(p)) return kIspFailed;
    IdleLines(p);
    ReportStatus(p, "connecting....\n");
    RegisterWork(p, RegisterStep::Clear);
    p.isp.ispEchoWord = 0;
    if (ResetPulseShort(p) != 0) {
        p.link.lastErrorText = std::string(p.T(texts::kCannotOpenComport));
        return kIspFailed;
    }
    p.isp.ispStatusText.clear();

    // First stage: a chip in step at once.
    if (ProgrammingEnable(p) == kEchoInStep) {
        p.isp.ispAnswered = true;
        if (FamilyAccepted(ReadSignature(p))) return kIspConnected;
    }
    // Second stage: reset again; retry only for a chip never seen answering.
    (void)ResetPulseShort(p);
    if (ProgrammingEnable(p) != kEchoInStep && !p.isp.ispAnswered) RetryProgrammingEnable(p);
    // Third stage: a long reset and the retries.
    if (EchoOf(p) != kEchoInStep) {
        (void)ResetPulseLong(p);
        (void)ResetPulseShort(p);
        if (ProgrammingEnable(p) != kEchoInStep) RetryProgrammingEnable(p);
    }
    if (EchoOf(p) != kEchoInStep) {
        p.link.lastErrorText = Failure(p, texts::kIspNoConnection);
        p.isp.ispAnswered = false;
        return kIspFailed;
    }

    int family = ReadSignature(p);
    if (FamilyAccepted(family)) {
        p.isp.ispAnswered = true;
        return kIspConnected;
    }
    if (family == 0x01) {
        // A locked chip answers 00 01 02; make sure it was no glitch.
        (void)ResetPulseShort(p);
        (void)ProgrammingEnable(p);
        family = ReadSignature(p);
        if (family == 0x01) {
            p.link.lastErrorText = Failure(p, texts::kIspDeviceLocked);
            p.isp.ispAnswered = true;
            return kIspLocked;
        }
    }
    if (family == 0xFF) {
        if (p.reporter != nullptr) p.reporter->ChipErased();
        p.isp.ispAnswered = true;
        return kIspConnected;
    }
    p.link.lastErrorText = Failure(p, texts::kIspUnknownDevice);
    p.isp.ispAnswered = false;
    return kIspFailed;
}

}  // namespace kvr
