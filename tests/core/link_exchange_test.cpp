// The byte commands and the bit-serial exchange on the wire.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/link_messages.h"
#include "controller.h"
#include "fake_clock.h"
#include "fake_host.h"
#include "fake_port_io.h"
#include "fake_serial.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "serial_calls.h"
#include "sim_clock.h"
#include "sim_program.h"
#include "simulation.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

// A program on recording fakes, its serial port open, on the bit-serial
// or the one-wire UART link.
struct FakeRig : FakeProgram {
    Program& p = program;
    explicit FakeRig(bool uart = false) {
        p.link.state.medium = Medium::Serial;
        p.link.state.comDeviceName = "COM2";
        p.link.state.uartLink = uart;
        serial.Open("COM2");
        serial.calls.clear();
    }
    // What a UART write drains first.
    void QueueJunk() {
        for (int i = 0; i < 20; ++i) serial.input.push_back(0x11);
    }
};

// The bits the fake serial port put on the wire: data out at each rising
// clock edge.
std::vector<int> BitsOnWire(const std::vector<std::string>& calls) {
    std::vector<int> bits;
    int dtr = 0;
    for (const std::string& c : calls) {
        if (c == "SETDTR") dtr = 1;
        if (c == "CLRDTR") dtr = 0;
        if (c == "SETRTS") bits.push_back(dtr);
    }
    return bits;
}

std::vector<int> Bits(unsigned value, int count) {
    std::vector<int> bits;
    for (int i = count - 1; i >= 0; --i) bits.push_back((value >> i) & 1);
    return bits;
}

TEST(ShiftBitTest, TransferByteSendsLowByteMsbFirst) {
    FakeRig r;
    r.p.link.exchange.out = 0x1A5;
    TransferByte(r.p);
    EXPECT_EQ(BitsOnWire(r.serial.calls), Bits(0xA5, 8));
}

TEST(ShiftBitTest, TransferByteReadsDataInWhileClockHighAndMasks) {
    FakeRig r;
    r.serial.modemStatus = kModemCtsOn;  // data in stays 1
    r.p.link.exchange.in = 0x7FFFFF00;
    r.p.link.exchange.out = 0;
    TransferByte(r.p);
    EXPECT_EQ(r.p.link.exchange.in, 0xFF);
    // Each bit: data, clock high, sample, clock low.
    std::vector<std::string> firstBit;
    for (const std::string& c : r.serial.calls) {
        if (c != "status") firstBit.push_back(c);
        if (c == "CLRRTS") break;
    }
    EXPECT_EQ(firstBit, (std::vector<std::string>{"CLRDTR", "SETRTS", "CLRRTS"}));
}

TEST(ShiftBitTest, InitialisedLinesReturnDataOutHighBeforeSampling) {
    FakeRig r;
    r.p.link.state.linesInitialised = true;
    r.p.link.exchange.out = 0x00;
    ShiftBit(r.p, 0);
    EXPECT_EQ(Kept(r.serial.calls, IsLineCall),
              (std::vector<std::string>{"CLRDTR", "SETRTS", "SETDTR", "CLRRTS"}));
    EXPECT_EQ(BitsOnWire(r.serial.calls), (std::vector<int>{0}));
}

TEST(ShiftBitTest, ParallelMediumDrivesLatchBitsAndReadsStatusBit6) {
    FakeRig r;
    r.p.link.state.medium = Medium::Parallel;
    r.p.link.state.directPortIo = true;
    r.portIo.inValue = 0x4000;  // status bit 6: data in 1
    r.p.link.exchange.out = 0x1A5;
    TransferByte(r.p);
    std::vector<int> bits;
    int last = 0;
    for (const std::string& c : r.portIo.calls) {
        if (c.rfind("out 888 ", 0) != 0) continue;
        const int v = std::stoi(c.substr(8));
        if ((v & 2) && !(last & 2)) bits.push_back(v & 1);
        last = v;
    }
    EXPECT_EQ(bits, Bits(0xA5, 8));
    EXPECT_EQ(r.p.link.exchange.in, 0xFF);
    EXPECT_EQ(r.p.link.state.lptLatch & 0x0B, 0x01u);  // clock low, data out = last bit
}

// The chip's programming mode answers the second byte during the third.
TEST(ShiftBitTest, TwoTransferWordsKeepTheEchoInBits8To15) {
    SimProgram r(SimOptions().BareWindow());
    Program& p = r.p;
    ASSERT_TRUE(OpenSerialPort(p));
    SetClockLow(p);
    SetResetLow(p);
    WaitMs(p, 30);
    p.link.exchange.in = 0;
    p.link.exchange.out = 0xAC53;
    TransferWord(p);
    p.link.exchange.out = 0x0000;
    TransferWord(p);
    EXPECT_EQ((p.link.exchange.in >> 8) & 0xFF, 0x53);
}

// ---- UART form on the recording fake --------------------------------------

struct UartCase {
    const char* name;
    std::function<int(Program&)> run;
    std::vector<std::uint8_t> sent;
    std::vector<std::string> reads;  // the read calls, in order
    int replyIndex;                  // -1: no reply judged
    int resultWithReply;             // result when the line answers 0xA0, 0xA1, ...
    int resultSilent;
};

std::vector<UartCase> UartCases() {
    const auto readByte = [](Program& p) { return ReadControllerByte(p, 12).value; };
    const auto writeByte = [](Program& p) { return WriteControllerByte(p, 14, 0xA3); };
    const auto writeSpace = [](Program& p) { return WriteControllerByte(p, 14, 0x20); };
    const auto loadByte = [](Program& p) { return LoadPageByte(p, 63, 0x5A); };
    const auto commit = [](Program& p) { return CommitPage(p, 0xA3); };
    const auto commitSpace = [](Program& p) { return CommitPage(p, 0x20); };
    const auto selectPage = [](Program& p) { return SelectPage(p, 7); };
    return {
        {"read", readByte, {'U', 12}, {"read 3"}, 2, 0xA3, 0x20},
        {"write", writeByte, {'V', 14, 0xA3}, {"read 20", "read 4"}, 3, 0, 1},
        {"write space", writeSpace, {'V', 14, 0x20}, {"read 20", "read 4"}, 3, 1, 0},
        {"load", loadByte, {'Y', 63, 0x5A}, {"read 3"}, -1, 0, 0},
        {"commit", commit, {'X', 'U', '3'}, {"read 4"}, 3, 0, 1},
        {"commit space", commitSpace, {'X', 'U', '3'}, {"read 4"}, 3, 1, 0},
        {"select", selectPage, {'W', 7}, {"read 2"}, -1, 0, 0},
    };
}

// The one-wire line echoes every byte sent; the reply follows the echo.
void FeedEchoAndReply(FakeRig& r, const UartCase& c, std::uint8_t reply) {
    for (std::uint8_t b : c.sent) r.serial.input.push_back(b);
    r.serial.input.push_back(reply);
}

TEST(UartFormTest, BytesReadsAndReplyPosition) {
    for (const UartCase& c : UartCases()) {
        SCOPED_TRACE(c.name);
        FakeRig r(true);
        // The write form first drains what has come: 20 bytes of junk.
        if (std::string(c.name).rfind("write", 0) == 0) r.QueueJunk();
        FeedEchoAndReply(r, c, 0xA3);
        const int result = c.run(r.p);
        EXPECT_EQ(r.serial.output, c.sent);
        EXPECT_EQ(
            Kept(r.serial.calls, [](const std::string& call) { return call.starts_with("read"); }),
            c.reads);
        EXPECT_EQ(r.serial.Count("write 1"), static_cast<int>(c.sent.size()))
            << "one write call per byte";
        EXPECT_EQ(result, c.resultWithReply);
        if (c.replyIndex >= 0) {
            EXPECT_EQ(r.p.link.exchange.in & 0xFF, 0xA3);
        }
        EXPECT_FALSE(LinkFaulty(r.p));
    }
}

// What did not come is a fault, whatever the byte that stands in for it:
// a silent line, one echo byte wrong, the reply missing, the device gone.
TEST(UartFormTest, MissingShortOrWrongRepliesFailEveryCommand) {
    enum class Line { Silent, WrongEcho, NoReply, Gone };
    for (const UartCase& c : UartCases()) {
        for (const Line line : {Line::Silent, Line::WrongEcho, Line::NoReply, Line::Gone}) {
            SCOPED_TRACE(std::string(c.name) + " line " + std::to_string(static_cast<int>(line)));
            FakeRig r(true);
            r.p.link.state.comOpen = true;
            if (std::string(c.name).rfind("write", 0) == 0) r.QueueJunk();
            if (line == Line::WrongEcho || line == Line::NoReply) {
                std::vector<std::uint8_t> answer = c.sent;
                if (c.replyIndex >= 0) answer.push_back(c.sent[1]);
                if (line == Line::WrongEcho) answer[1] ^= 0x10;
                if (line == Line::NoReply) answer.pop_back();
                r.serial.input.insert(r.serial.input.end(), answer.begin(), answer.end());
            }
            if (line == Line::Gone) r.serial.open = false;
            // The reply (if any) of a silent line still reads as a space.
            const int result = c.run(r.p);
            if (std::string(c.name) != "read") {
                EXPECT_EQ(result, 1);
            }
            if (line == Line::Silent && c.replyIndex >= 0) {
                EXPECT_EQ(r.p.link.exchange.in, 0x20);
            }
            const bool lost = line == Line::Gone;
            // A write's or a commit's missing answer after a good echo is
            // the mismatch the caller reports ("writing error!", a lost
            // commit), not a link fault.
            const std::string name = c.name;
            const bool judged = line == Line::NoReply &&
                                (name.rfind("write", 0) == 0 || name.rfind("commit", 0) == 0);
            EXPECT_EQ(r.p.link.fault, lost     ? LinkFault::Lost
                                      : judged ? LinkFault::None
                                               : LinkFault::NoReply);
            // A device that has gone is closed, so the next command opens it.
            EXPECT_EQ(r.p.link.state.comOpen, !lost);
        }
    }
}

TEST(UartFormTest, WriteDrainsAndShortensTheReadTimeOut) {
    FakeRig r(true);
    WriteControllerByte(r.p, 14, 10);
    const std::vector<std::string> head(r.serial.calls.begin(), r.serial.calls.begin() + 4);
    EXPECT_EQ(head, (std::vector<std::string>{"timeouts 3/0/5", "read 20", "timeouts 3/0/100",
                                              "write 1"}));
}

TEST(UartFormTest, GarbageNeverOverrunsTheReceiveBuffer) {
    FakeRig r(true);
    for (int i = 0; i < 500; ++i) r.serial.input.push_back(0xEE);
    r.p.link.rxBuffer.fill(0x77);
    DrainUartInput(r.p);
    ReadControllerByte(r.p, 1);
    WriteControllerByte(r.p, 1, 2);
    for (std::size_t i = 20; i < kRxBufferSize; ++i) EXPECT_EQ(r.p.link.rxBuffer[i], 0x77) << i;
}

TEST(UartFormTest, ValuesThatDoNotFitAByteAreNotSent) {
    FakeRig r(true);
    EXPECT_EQ(WriteControllerByte(r.p, 14, 300), 1);
    EXPECT_EQ(WriteControllerByte(r.p, 256, 1), 1);
    EXPECT_EQ(CommitPage(r.p, 256), 1);
    SelectPage(r.p, 300);
    EXPECT_EQ(ReadControllerByte(r.p, -1).value, 0x20);
    EXPECT_TRUE(r.serial.output.empty());
}

// The echo confirms the write, or the box says it failed, in each language.
TEST(WriteCheckedTest, MismatchShowsWritingErrorInEachLanguage) {
    struct Case {
        Language lang;
        bool echoed;
        std::vector<ShownBox> boxes;
    };
    for (const Case& c : {Case{Language::English, false, OneBox("writing error!", "Error!")},
                          Case{Language::German, false, OneBox("Schreibfehler!", "Error!")},
                          Case{Language::English, true, {}}}) {
        FakeRig r(true);
        r.p.lang = c.lang;
        if (c.echoed) {
            r.QueueJunk();
            r.serial.input.insert(r.serial.input.end(), {'V', 14, 10, 10});
        }
        EXPECT_EQ(WriteControllerByteChecked(r.p, 14, 10),
                  c.echoed ? Outcome::Done : Outcome::Failed);
        EXPECT_EQ(r.host.boxes, c.boxes);
    }
}

// ---- Bit-serial form against the simulated controller ----------------------

// A line change or status read on the port, at its virtual time.
struct TimedCall {
    std::string what;
    std::uint64_t ns;
};

struct ByteOnWire {
    int value = 0;
    std::uint64_t firstNs = 0;  // first data-out change or clock rise of the byte
    std::uint64_t lastNs = 0;   // its last clock fall
    int readsBefore = 0;        // status reads since the byte before ended
};

// Splits the line calls into bytes of eight clock cycles.
std::vector<ByteOnWire> BytesOnWire(const std::vector<TimedCall>& calls) {
    std::vector<ByteOnWire> bytes;
    int dtr = 0, bits = 0, reads = 0;
    ByteOnWire cur;
    bool started = false;
    for (const auto& c : calls) {
        if (c.what == "status") {
            if (!started) ++reads;
            continue;
        }
        // A byte whose first bit leaves data out where it is starts at the clock.
        if (!started && (c.what == "SETDTR" || c.what == "CLRDTR" || c.what == "SETRTS")) {
            started = true;
            cur = ByteOnWire{};
            cur.firstNs = c.ns;
            cur.readsBefore = reads;
        }
        if (c.what == "SETDTR") dtr = 1;
        if (c.what == "CLRDTR") dtr = 0;
        if (c.what == "SETRTS" && started) {
            cur.value = (cur.value << 1) | dtr;
            ++bits;
        }
        if (c.what == "CLRRTS" && started && bits == 8) {
            cur.lastNs = c.ns;
            bytes.push_back(cur);
            bits = 0;
            reads = 0;
            started = false;
        }
    }
    return bytes;
}

struct SimRig : SimProgram {
    std::vector<TimedCall> calls;
    SimRig() : SimProgram(SimOptions().BareWindow()) {
        serial.onCall = [this](const std::string& call) {
            if (call == "status" || IsLineCall(call)) {
                calls.push_back({call, sim.simClock().NowNs()});
            }
            return true;
        };
        EXPECT_TRUE(OpenSerialPort(p));
        // A restart: the boot loader takes the page commands.
        SetResetLow(p);
        SetClockLow(p);
        WaitMs(p, 100);
        SetResetHigh(p);
        WaitMs(p, 100);
        calls.clear();
        sim.controller().trace.clear();
    }
};

constexpr std::uint64_t kMsNs = 1000000;

struct BitCase {
    const char* name;
    std::function<int(Program&)> run;
    std::vector<int> sent;
    // Status reads before each byte: 20 + 5 per DelayLoops unit, 10 more
    // where its first bit leaves data out as it is (the line is not set
    // again, so the byte starts at its clock rise).
    std::vector<int> readsBefore;
    std::vector<std::uint64_t> gapMs;  // least pause before each byte after the first
    int result;
    int in;  // exchange.in afterwards
};

TEST(BitSerialFormTest, BytesPausesAndReplies) {
    const std::vector<BitCase> cases = {
        // Read twice: the value must agree.
        {"read",
         [](Program& p) { return ReadControllerByte(p, 12).value; },
         {'U', 12, 0, 'U', 12, 0},
         {10, 20, 30, 30, 20, 30},
         {10, 5, 0, 10, 5},
         102,
         102},
        // The run of reads ends with the probe, paused as the quick
        // re-check: the firmware must still answer.
        {"confirmed reads",
         [](Program& p) {
             ReadRun run(p);
             (void)run.Read(12);
             (void)run.Read(13);
             return static_cast<int>(run.End());
         },
         {'U', 12, 0, 'U', 12, 0, 'U', 13, 0, 'U', 13, 0, 0xFE, 0xFE},
         {10, 20, 30, 30, 20, 30, 30, 20, 20, 30, 20, 20, 20, 20},
         {10, 5, 0, 10, 5, 0, 10, 5, 0, 10, 5, 5, 5},
         0,
         0xF8},
        // The probe after the echo finds a firmware left inside a command.
        {"write",
         [](Program& p) { return WriteControllerByte(p, 14, 33); },
         {'V', 14, 33, 0, 0xFE, 0xFE},
         {10, 30, 30, 20, 20, 20},
         {5, 5, 25, 5, 5},
         0,
         33},
        {"load",
         [](Program& p) { return LoadPageByte(p, 5, 0xA1); },
         {'Y', 5, 0xA1},
         {10, 40, 50},
         {0, 0},
         0,
         -1},
        {"select", [](Program& p) { return SelectPage(p, 3); }, {'W', 3}, {10, 40}, {0}, 0, -1},
        {"commit",
         [](Program& p) {
             SelectPage(p, 3);
             return CommitPage(p, 3);
         },
         {'W', 3, 'X', 'U', '3', '3'},
         {10, 40, 60, 50, 40, 20},
         {0, 0, 0, 0, 40},
         0,
         3},
    };
    for (const BitCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig r;
        const std::uint64_t startNs = r.sim.simClock().NowNs();
        EXPECT_EQ(c.run(r.p), c.result);
        const auto bytes = BytesOnWire(r.calls);
        std::vector<int> sent, reads;
        for (const auto& b : bytes) {
            sent.push_back(b.value);
            reads.push_back(b.readsBefore);
        }
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(reads, c.readsBefore);
        for (std::size_t i = 1; i < bytes.size() && i - 1 < c.gapMs.size(); ++i) {
            // At least the pause, to the resolution of the tick counter.
            EXPECT_GT(bytes[i].firstNs - bytes[i - 1].lastNs + kMsNs, c.gapMs[i - 1] * kMsNs) << i;
        }
        if (c.in >= 0) {
            EXPECT_EQ(r.p.link.exchange.in, c.in);
        }
        if (std::string(c.name) == "write") {
            EXPECT_GT(bytes[0].firstNs - startNs + kMsNs, 5 * kMsNs);
        }
    }
}

TEST(BitSerialFormTest, CommandsReachTheControllerAsDecoded) {
    SimRig r;
    EXPECT_EQ(ReadControllerByte(r.p, 32).value, 0x61);
    EXPECT_EQ(WriteControllerByte(r.p, 14, 25), 0);
    EXPECT_EQ(r.sim.controller().memory[14], 25);
    SelectPage(r.p, 2);
    LoadPageByte(r.p, 0, 0x12);
    LoadPageByte(r.p, 63, 0x34);
    EXPECT_EQ(CommitPage(r.p, 2), 0);
    EXPECT_EQ(r.sim.controller().TraceText(),
              "bit read 20 -> 61\n"
              "bit read 20 -> 61\n"
              "bit write 0E=19 -> 19\n"
              "bit probe -> F8\n"
              "bit probe -> F8\n"
              "bit select 02\n"
              "bit load 00=12\n"
              "bit load 3F=34\n"
              "bit commit 02 -> 02\n");
    EXPECT_EQ(r.sim.controller().flash[128], 0x12);
    EXPECT_EQ(r.sim.controller().flash[191], 0x34);
}

TEST(BitSerialFormTest, WrongEchoFailsTheWrite) {
    SimRig r;
    r.sim.controller().faults.wrongEchoOnWrite = true;
    EXPECT_EQ(WriteControllerByteChecked(r.p, 14, 25), Outcome::Failed);
    EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{"writing error!"});
}

TEST(BitSerialFormTest, CommitOfAnotherPageFails) {
    SimRig r;
    SelectPage(r.p, 4);
    EXPECT_EQ(CommitPage(r.p, 5), 1);
    EXPECT_EQ(r.p.link.exchange.in, 4);
}

TEST(BitSerialFormTest, MissingControllerReadsTheRestLevel) {
    // The data-in line's level at rest, and the byte it reads as.
    for (const auto& [rest, value] : {std::pair{false, 0x00}, std::pair{true, 0xFF}}) {
        SimRig r;
        r.sim.controller().profile.silent = true;
        r.sim.controller().profile.restLevel = rest;
        ReadRun run(r.p);
        EXPECT_EQ(run.Read(12).value, value);
        // The same rest level twice: only the unanswered probe shows it.
        EXPECT_EQ(r.p.link.fault, LinkFault::None);
        EXPECT_EQ(run.End(), LinkFault::NoReply);
        EXPECT_EQ(r.p.link.fault, LinkFault::NoReply);
        EXPECT_EQ(WriteControllerByte(r.p, 12, 5), 1);
    }
}

// A byte the firmware missed makes the two reads differ; a device that
// has gone fails its line calls.
TEST(BitSerialFormTest, ReadsThatDisagreeOrFailAreFaults) {
    SimRig r;
    r.sim.controller().faults.dropReceivedByte = 0;  // the first 'U'
    EXPECT_EQ(ReadControllerByte(r.p, 32).value, 0x61);
    EXPECT_EQ(r.p.link.fault, LinkFault::NoReply);

    SimRig gone;
    gone.sim.controller().faults.serialVanishesAfterCalls = 0;
    (void)ReadControllerByte(gone.p, 32);
    EXPECT_EQ(gone.p.link.fault, LinkFault::Lost);
    EXPECT_FALSE(gone.p.link.state.comOpen);
}

}  // namespace
}  // namespace kvr
