// The link detection on both wirings, faults and the restart.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/link_messages.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_port_io.h"
#include "fake_serial.h"
#include "fake_window.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "serial_calls.h"
#include "sim_devices.h"
#include "sim_program.h"
#include "simulation.h"

namespace kvr {
namespace {

using namespace testing;

struct Rig : SimProgram {
    explicit Rig(sim::LinkKind link = sim::LinkKind::BitSerial)
        : SimProgram(SimOptions().On(link).BareWindow().StatusInWindow()) {
        serial.recording = true;
    }
    int Requests() { return static_cast<int>(sim.controller().TraceOf('R').size()); }
};

void ExpectFlags(const Program& p, bool uart, bool bit) {
    EXPECT_EQ(p.link.state.uartLink, uart);
    EXPECT_EQ(p.link.state.bitBangLink, bit);
}

TEST(ConnectLinkTest, UartLinkFoundAtEachAttempt) {
    // Requests ignored, and requests sent until the answer was read.
    for (const auto& [ignored, requests] : {std::pair{0, 1}, std::pair{1, 2}, std::pair{2, 4}}) {
        SCOPED_TRACE(ignored);
        Rig r(sim::LinkKind::Uart);
        r.ctl().profile.uartRequestsIgnored = ignored;
        EXPECT_EQ(ConnectLink(r.p), 0);
        ExpectFlags(r.p, true, false);
        EXPECT_EQ(r.Requests(), requests);
        EXPECT_TRUE(r.host.boxes.empty());
        EXPECT_EQ(r.ctl().restarts, 0);
        // The port stays at 19200 baud with the link's time-outs.
        EXPECT_EQ(r.sim.simSerial().config().baudRate, 19200u);
        EXPECT_FALSE(r.sim.simSerial().config().keepLines);
        EXPECT_EQ(r.sim.simSerial().timeouts().readTotalConstantMs, 400u);
        // A byte command now goes over the UART.
        EXPECT_EQ(ReadControllerByte(r.p, 12).value, 102);
        EXPECT_EQ(r.ctl().TraceOf('U').at(0).via, sim::Via::Uart);
    }
}

TEST(ConnectLinkTest, UartAttemptsFollowTheirOrder) {
    Rig r(sim::LinkKind::Uart);
    r.ctl().profile.uartRequestsIgnored = 1;
    ASSERT_EQ(ConnectLink(r.p), 0);
    const std::vector<std::string> expected = {
        "open COM2",  // OpenSerialPort
        "setstate 9600",       "timeouts 3/0/5",   "setstate 19200 drop", "timeouts 3/0/5",
        "timeouts 3/0/100",    "timeouts 3/0/400", "setstate 19200 drop",
        "setstate 19200 drop",  // second attempt
        "setstate 19200 drop",  // found at the second attempt
    };
    // The calls that open the port and set it up.
    EXPECT_EQ(Kept(r.serial.calls,
                   [](const std::string& c) {
                       return c.starts_with("open ") || c.starts_with("setstate ") ||
                              c.starts_with("timeouts ") || c == "close";
                   }),
              expected);
}

TEST(ConnectLinkTest, BitSerialLinkWithoutRestart) {
    Rig r;
    EXPECT_EQ(ConnectLink(r.p), 0);
    ExpectFlags(r.p, false, true);
    EXPECT_EQ(r.ctl().restarts, 0);
    // Three UART attempts found nothing, then two probes of two bytes; the
    // last probe's second byte follows without a pause and is no probe.
    EXPECT_EQ(r.ctl().uartBytes, 0);
    EXPECT_EQ(r.ctl().TraceOf('P').size(), 3u);
    // Two clock changes per bit, data out set where it changes (0xFE: at
    // each byte's first and last bit), and no reset sequence.
    EXPECT_EQ(r.serial.lines.size(), 2u * 2 * (8 * 2 + 2));
    EXPECT_TRUE(r.host.boxes.empty());
    EXPECT_EQ(r.w.controls[1044].text, " ");
    EXPECT_GT(r.w.repaints, 0);
    EXPECT_EQ(ReadControllerByte(r.p, 33).value, 0x23);
}

// A slow start (450 ms) still fits the restart's wait.
TEST(ConnectLinkTest, BitSerialLinkAfterRestart) {
    for (const std::uint32_t startupMs : {sim::Profile{}.startupMs, 450u}) {
        SCOPED_TRACE(startupMs);
        Rig r;
        r.ctl().profile.runningAtStart = false;
        r.ctl().profile.startupMs = startupMs;
        EXPECT_EQ(ConnectLink(r.p), 0);
        ExpectFlags(r.p, false, true);
        EXPECT_EQ(r.ctl().restarts, 1);
        EXPECT_TRUE(r.host.boxes.empty());
        // Reset low held, then released: the controller sees it that way.
        EXPECT_TRUE(r.ctl().PinLevel(sim::Pin::Reset));
    }
}

TEST(ConnectLinkTest, QuickRecheckKeepsABitSerialLink) {
    Rig r;
    ASSERT_EQ(ConnectLink(r.p), 0);
    r.serial.calls.clear();
    const auto probes = r.ctl().TraceOf('P').size();
    EXPECT_EQ(ConnectLink(r.p), 0);
    ExpectFlags(r.p, false, true);
    EXPECT_EQ(r.serial.Count("open COM2"), 0) << "port not reopened";
    EXPECT_EQ(r.ctl().TraceOf('P').size(), probes + 2);
}

TEST(ConnectLinkTest, RecheckAfterUartLinkProbesLinesThenDetectsAnew) {
    Rig r(sim::LinkKind::Uart);
    ASSERT_EQ(ConnectLink(r.p), 0);
    r.serial.calls.clear();
    EXPECT_EQ(ConnectLink(r.p), 0);
    ExpectFlags(r.p, true, false);
    // First the bit-serial probe on the lines, then the port is reopened.
    const int probeLines = 2 * (8 * 2 + 2);
    const std::vector<std::string> calls =
        Kept(r.serial.calls, [](const std::string& c) { return c != "getstate" && c != "status"; });
    ASSERT_GE(calls.size(), probeLines + 2u);
    for (int i = 0; i < probeLines; ++i) EXPECT_TRUE(IsLineCall(calls[i])) << i;
    EXPECT_EQ(calls[probeLines], "close");
    EXPECT_EQ(calls[probeLines + 1], "open COM2");
}

TEST(ConnectLinkTest, RecheckAfterUartLinkFindsABitSerialController) {
    Rig r;
    r.p.link.state.uartLink = true;  // left by an earlier command
    ASSERT_TRUE(OpenSerialPort(r.p));
    r.serial.calls.clear();
    EXPECT_EQ(ConnectLink(r.p), 0);
    ExpectFlags(r.p, false, true);
    EXPECT_EQ(r.serial.Count("open COM2"), 0);
    EXPECT_EQ(r.ctl().TraceOf('P').size(), 2u);
}

TEST(ConnectLinkTest, ProbeFailuresShowTheirMessage) {
    struct Case {
        Language lang;
        int answer;  // probe answer; -1 = no controller
        bool rest;
        const char* text;
    };
    const Case cases[] = {
        {Language::English, 0xFB, false, "no KVR-Mega detected, this device is not supported!"},
        {Language::English, 0xFE, false, "no KVR-Mega detected, this device is not supported!"},
        {Language::English, 0xFD, false, "no KVR-Mega detected, this device is not supported!"},
        {Language::English, 0xFA, false, "no KVR-Mega detected, this device is not supported!"},
        {Language::German, 0xFB, false, "angeschlossenes Gerät ist kein KVR-Mega!"},
        {Language::English, 0xF9, false, "no connection!"},
        {Language::English, -1, false, "no connection!"},
        {Language::English, -1, true, "no connection!"},
        {Language::German, -1, false, "Keine Verbindung!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + std::string(" ") + std::to_string(c.answer));
        Rig r;
        r.p.lang = c.lang;
        r.p.link.state.uartLink = true;  // a link found before is dropped
        ASSERT_TRUE(OpenSerialPort(r.p));
        if (c.answer < 0) {
            r.ctl().profile.silent = true;
            r.ctl().profile.restLevel = c.rest;
        } else {
            r.ctl().profile.probeAnswer = static_cast<std::uint8_t>(c.answer);
        }
        EXPECT_EQ(ConnectLinkChecked(r.p), Outcome::Failed);
        ExpectFlags(r.p, false, false);
        EXPECT_EQ(r.host.boxes, OneBox(c.text, "ERROR!"));
        // A silent controller got its restart.
        EXPECT_EQ(r.ctl().restarts, 1);
    }
}

TEST(ConnectLinkTest, PortFailuresKeepTheFlagsAndShowNoBox) {
    struct Case {
        const char* name;
        std::string port;
        std::string refused;  // the call the port refuses
        const char* error;
    };
    const Case cases[] = {
        {"empty name", "", "", "Cannot open comport!"},
        {"no such port", "COM9", "", "Cannot open comport!"},
        {"time-outs", "COM2", "timeouts 3/0/400", "Kann TIMEOUTS nicht schreiben."},
        {"UART settings", "COM2", "setstate 19200 drop",
         "Kann COM-Port Einstellung nicht schreiben."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.p.link.state.comDeviceName = c.port;
        r.p.link.state.uartLink = true;
        r.ctl().profile.silent = true;
        r.serial.onCall = [&c](const std::string& call) { return call != c.refused; };
        EXPECT_EQ(ConnectLink(r.p), 1);
        ExpectFlags(r.p, true, false);
        EXPECT_TRUE(r.host.boxes.empty());
        EXPECT_EQ(r.p.link.lastErrorText, c.error);
        if (c.port != "COM2") {
            EXPECT_FALSE(r.p.link.state.comOpen);
        }
    }
}

TEST(ConnectLinkTest, WithoutStatusWindowNothingIsWritten) {
    Rig r;
    r.p.app.statusWindow = nullptr;
    r.ctl().profile.silent = true;
    EXPECT_EQ(ConnectLink(r.p), 1);
    EXPECT_EQ(r.w.repaints, 0);
}

TEST(ConnectLinkTest, ParallelMediumProbesTheParallelPort) {
    for (bool direct : {true, false}) {
        SCOPED_TRACE(direct);
        Rig r;
        r.p.link.state.medium = Medium::Parallel;
        r.p.link.state.directPortIo = direct;
        r.p.link.state.driverModule = true;
        r.p.link.state.driverAvailable = !direct;
        r.ctl().profile.runningAtStart = false;
        EXPECT_EQ(ConnectLink(r.p), 0);
        ExpectFlags(r.p, false, true);
        // The restart went over the serial port's lines.
        EXPECT_EQ(r.ctl().restarts, 1);
        EXPECT_EQ(ReadControllerByte(r.p, 12).value, 102);
    }
}

TEST(ConnectLinkTest, VanishingDeviceEndsWithoutLink) {
    for (long after : {0L, 10L, 25L, 200L, 600L}) {
        SCOPED_TRACE(after);
        Rig r;
        r.ctl().faults.serialVanishesAfterCalls = after;
        const int result = ConnectLink(r.p);
        EXPECT_EQ(result, 1);
        ExpectFlags(r.p, false, false);
    }
}

TEST(ConnectLinkTest, NoisyLineNeverOverrunsTheBuffer) {
    Rig r;
    r.ctl().faults.uartNoise = true;
    r.p.link.rxBuffer.fill(0x77);
    ConnectLink(r.p);
    for (std::size_t i = 20; i < kRxBufferSize; ++i) EXPECT_EQ(r.p.link.rxBuffer[i], 0x77) << i;
}

TEST(ConnectLinkTest, UartBytesAtAnotherRateAreNotUnderstood) {
    Rig r(sim::LinkKind::Uart);
    r.ctl().profile.uartBaud = 9600;
    EXPECT_EQ(ConnectLink(r.p), 1);
    EXPECT_EQ(r.ctl().uartBytes, 0);
    ExpectFlags(r.p, false, false);
}

// ---- The whole detection as calls on a recording port ---------------------

// A tick counter that moves 1 ms per read and notes each read among the
// port's calls, so every WaitMs shows where it happens: WaitMs (m) reads the
// counter m + 1 times.
class LoggingClock : public Clock {
  public:
    explicit LoggingClock(std::vector<std::string>& log) : log_(log) {}
    std::uint32_t TickCount() override {
        log_.push_back("tick");
        return now_++;
    }

  private:
    std::vector<std::string>& log_;
    std::uint32_t now_ = 1000;
};

// "ticks n" for waits in a row of m1, m2, ... ms.
std::string Waits(std::initializer_list<int> ms) {
    int reads = 0;
    for (int m : ms) reads += m + 1;
    return "ticks " + std::to_string(reads);
}

bool IsClockOrData(const std::string& c) {
    return c == "SETRTS" || c == "CLRRTS" || c == "SETDTR" || c == "CLRDTR";
}

// The port's calls with status reads dropped, runs of counter reads folded
// into "ticks n" and every byte transfer (a long run of clock and data
// changes) into "bits n", n clock pulses.
std::vector<std::string> Condensed(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    std::vector<std::string> lines;
    int ticks = 0;
    auto flush = [&] {
        if (ticks > 0) out.push_back("ticks " + std::to_string(ticks));
        ticks = 0;
        // A byte has at least its 16 clock changes.
        if (lines.size() >= 16) {
            int pulses = 0;
            for (const std::string& l : lines) pulses += l == "SETRTS";
            out.push_back("bits " + std::to_string(pulses));
        } else {
            out.insert(out.end(), lines.begin(), lines.end());
        }
        lines.clear();
    };
    for (const std::string& c : calls) {
        if (c == "status") continue;
        if (c == "tick") {
            if (!lines.empty()) flush();
            ++ticks;
        } else if (IsClockOrData(c)) {
            if (ticks > 0) flush();
            lines.push_back(c);
        } else {
            flush();
            out.push_back(c);
        }
    }
    flush();
    return out;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A program on the recording port, its clock logging among the port's calls.
struct CallRig {
    FakeSerial serial;
    LoggingClock clock{serial.calls};
    FakePortIo portIo;
    FakeHost host;
    FakeWindow window;
    Program p{{clock, serial, portIo, host}, Language::English};
    CallRig() {
        p.link.state.medium = Medium::Serial;
        p.link.state.comDeviceName = "COM2";
        p.app.statusWindow = &window;
    }
};

const std::string kW = "write 1";

// Reopening the port at 9600 baud, the UART set-up and the first UART
// attempt.
std::vector<std::string> FirstAttempt() {
    return {"open COM2",
            "getstate",
            "setstate 9600",
            "timeouts 3/0/5",
            "setstate 19200 drop",
            "timeouts 3/0/5",
            "read 20",
            "timeouts 3/0/100",
            "timeouts 3/0/400",
            "setstate 19200 drop",
            kW,
            Waits({5}),
            kW,
            Waits({5}),
            kW,
            Waits({5}),
            "read 20",
            kW,
            "read 2"};
}

TEST(ConnectLinkTest, SilentControllerCallSequence) {
    // From reopening the port to the final probe, nothing answering.
    const std::vector<std::string> detection =
        Concat(FirstAttempt(), {// second
                                Waits({200}), "setstate 19200 drop", kW, Waits({5}), kW, Waits({5}),
                                kW, Waits({5}), "read 3", kW, "read 2",
                                // third
                                "read 20", kW, Waits({5}), kW, Waits({5}), kW, Waits({5}), kW,
                                Waits({5}), "read 20", kW, Waits({80}), "read 2",
                                // bit-serial probe
                                Waits({5, 5}), "bits 8", Waits({5}), "bits 8", Waits({5}),
                                // restart: the data-out pulse of the port preparation, then reset
                                // (the clock is low already after the probe)
                                "SETDTR", Waits({150}), "CLRDTR", Waits({150}), "CLRBREAK",
                                "SETDTR", Waits({100}), "SETBREAK", Waits({500}),
                                // final probe without waits
                                "bits 16"});
    // A link found before: the quick probe first, then the port is reopened.
    const std::vector<std::string> recheck = {Waits({5}), "bits 8",   Waits({5}),
                                              "bits 8",   Waits({5}), "close"};
    struct Case {
        const char* name;
        bool linkBefore;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"no link before", false, detection},
        {"uart link before", true, Concat(recheck, detection)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CallRig r;
        FakeSerial& serial = r.serial;
        Program& p = r.p;
        if (c.linkBefore) {
            ASSERT_TRUE(OpenSerialPort(p));
            p.link.state.uartLink = true;
            serial.calls.clear();
        }
        EXPECT_EQ(ConnectLinkChecked(p), Outcome::Failed);
        EXPECT_EQ(Condensed(serial.calls), c.expected);
        const std::vector<std::uint8_t> uartBytes = {0xD0, 0xD0, 0xD0, 0xD2, 0xD0, 0xD0, 0xD0,
                                                     0xD2, 0xD0, 0xD0, 0xD0, 0xD2, 0xD2};
        EXPECT_EQ(serial.output, uartBytes);
        EXPECT_EQ(r.window.controls[1044].text, " ");
        EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{"no connection!"});
        ExpectFlags(p, false, false);
    }
}

TEST(ConnectLinkTest, UartAnswerEndsWithPauseAndDiscard) {
    CallRig r;
    // Forty stale bytes for the two discarding reads, then the answer.
    r.serial.input.assign(40, 0x11);
    r.serial.input.push_back(0x00);
    r.serial.input.push_back(0xD3);
    r.serial.input.push_back(0x55);
    EXPECT_EQ(ConnectLink(r.p), 0);
    EXPECT_EQ(Condensed(r.serial.calls), Concat(FirstAttempt(), {Waits({20}), "read 20"}));
    EXPECT_EQ(r.serial.output, (std::vector<std::uint8_t>{0xD0, 0xD0, 0xD0, 0xD2}));
    EXPECT_TRUE(r.serial.input.empty());
    EXPECT_TRUE(r.host.boxes.empty());
    ExpectFlags(r.p, true, false);
}

TEST(ConnectLinkTest, UartConfigIsBuiltFromZero) {
    const SerialConfig c = UartLinkConfig();
    EXPECT_EQ(c.baudRate, 19200u);
    EXPECT_EQ(c.byteSize, 8);
    EXPECT_EQ(c.parity, 0);
    EXPECT_EQ(c.stopBits, 0);
    EXPECT_FALSE(c.keepLines);
}

}  // namespace
}  // namespace kvr
