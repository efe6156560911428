// The simulated controller alone: memory, bit-serial and UART links, programming mode, motor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controller.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "sim_clock.h"
#include "sim_devices.h"
#include "sim_program.h"
#include "simulation.h"

namespace kvr {
namespace {

constexpr std::uint64_t kMsNs = 1000000;

struct Rig : testing::SimProgram {
    explicit Rig(Medium medium = Medium::Serial) : SimProgram(testing::SimOptions().BareWindow()) {
        p.link.state.medium = medium;
        p.link.state.comDeviceName = "COM1";
        p.link.state.directPortIo = true;
        EXPECT_TRUE(OpenSerialPort(p));
    }
    std::uint64_t now() { return sim.simClock().NowNs(); }
    int Probe() {
        p.link.exchange.out = 0xFE;
        TransferByte(p);
        TransferByte(p);
        return p.link.exchange.in;
    }
    // The controller on the UART wiring, the port at 19200 baud with the
    // link's read time-outs; returns the port's set-up.
    SerialConfig UartLink() {
        ctl().profile.link = sim::LinkKind::Uart;
        SerialConfig c;
        c.baudRate = 19200;
        sim.serial().SetState(c);
        sim.serial().SetTimeouts({3, 0, 400});
        return c;
    }
    std::vector<std::uint8_t> Uart(std::vector<std::uint8_t> bytes, std::size_t count) {
        std::size_t n = 0;
        sim.serial().Write(bytes.data(), bytes.size(), n);
        std::vector<std::uint8_t> in(count);
        sim.serial().Read(in.data(), count, n);
        in.resize(n);
        return in;
    }
};

TEST(SimMemoryTest, SetUpControllerByDefault) {
    const auto m = sim::Controller::DefaultMemory(16);
    struct Cell {
        int address;
        int value;
    };
    const Cell cells[] = {{12, 102}, {32, 0x61}, {33, 0x23}, {31, 0x1F}, {30, 16},  {35, 0x25},
                          {4, 0x98}, {5, 0x08},  {6, 0xB8},  {7, 0x0B},  {8, 0xD8}, {9, 0x0E},
                          {14, 10},  {19, 10},   {13, 0xFF}, {16, 10},   {18, 64},  {26, 2}};
    for (const Cell& c : cells) EXPECT_EQ(m[c.address], c.value) << c.address;
    EXPECT_EQ(sim::Controller::DefaultMemory(8)[30], 8);
    EXPECT_EQ(sim::Controller::DefaultMemory(8)[16], 9);
}

TEST(SimBitSerialTest, ProbeAnswersPerModel) {
    for (int answer : {0xF8, 0xFE, 0xFD, 0xFB, 0xFA}) {
        Rig r;
        r.ctl().profile.probeAnswer = static_cast<std::uint8_t>(answer);
        EXPECT_EQ(r.Probe(), answer);
        // The second 0xFE follows without a pause: not taken as a probe.
        EXPECT_EQ(r.ctl().TraceOf('P').size(), 1u);
    }
}

TEST(SimBitSerialTest, ReactsToClockEdgesNotToCalls) {
    Rig r;
    // Repeating a level is no edge: the byte still comes out right.
    for (int i = 0; i < 3; ++i) SetClockLow(r.p);
    SetDataOutHigh(r.p);
    SetDataOutHigh(r.p);
    EXPECT_EQ(r.Probe(), 0xF8);
    EXPECT_EQ(r.ctl().bitSerialBytes, 2);
}

TEST(SimBitSerialTest, HalfByteIsDroppedAfterAPause) {
    Rig r;
    // Three stray clock pulses, then a pause: the firmware starts afresh.
    // A shorter stop, as a busy PC makes, keeps the bits.
    for (int i = 0; i < 3; ++i) ShiftBit(r.p, 1);
    WaitMs(r.p, 900);
    EXPECT_NE(r.Probe(), 0xF8);
    for (int i = 0; i < 3; ++i) ShiftBit(r.p, 1);
    WaitMs(r.p, 1100);
    EXPECT_EQ(r.Probe(), 0xF8);
}

TEST(SimBitSerialTest, ResetHoldsTheFirmwareUntilStarted) {
    Rig r;
    r.ctl().profile.startupMs = 50;
    SetResetLow(r.p);
    WaitMs(r.p, 100);
    EXPECT_FALSE(r.ctl().FirmwareRunning(r.now()));
    EXPECT_NE(r.Probe(), 0xF8);
    SetResetHigh(r.p);
    WaitMs(r.p, 20);
    EXPECT_NE(r.Probe(), 0xF8) << "not started yet";
    WaitMs(r.p, 40);
    EXPECT_EQ(r.Probe(), 0xF8);
    EXPECT_EQ(r.ctl().restarts, 1);
}

TEST(SimBitSerialTest, AnswersOnlyAfterARestart) {
    Rig r;
    r.ctl().profile.runningAtStart = false;
    EXPECT_EQ(r.Probe(), 0x00);
    SetResetLow(r.p);
    WaitMs(r.p, 100);
    SetResetHigh(r.p);
    WaitMs(r.p, 500);
    EXPECT_EQ(r.Probe(), 0xF8);
}

TEST(SimBitSerialTest, ReplyNotReadyIsLost) {
    Rig r;
    // A write's echo needs the EEPROM time; clocked out at once, the byte
    // just received comes back instead.
    r.p.link.exchange.out = 'V';
    TransferByte(r.p);
    WaitMs(r.p, 5);
    r.p.link.exchange.out = 14;
    TransferByte(r.p);
    WaitMs(r.p, 5);
    r.p.link.exchange.out = 33;
    TransferByte(r.p);
    r.p.link.exchange.out = 0;
    TransferByte(r.p);
    EXPECT_EQ(r.p.link.exchange.in, 33);
    EXPECT_EQ(r.ctl().memory[14], 33);
}

// The firmware's own pace: a parameter command without its pauses, a reset
// pulse shorter than the program's, or a clock faster than the shift
// register are not understood.
TEST(SimBitSerialTest, TimingMinimumsAreEnforced) {
    Rig quick;
    for (const int b : std::vector<int>{'V', 14, 33, 0}) {
        quick.p.link.exchange.out = b;
        TransferByte(quick.p);
    }
    EXPECT_NE(quick.ctl().memory[14], 33);
    EXPECT_TRUE(quick.ctl().TraceOf('V').empty());
    WaitMs(quick.p, 300);
    EXPECT_EQ(WriteControllerByte(quick.p, 14, 33), 0);  // with its pauses

    Rig reset;
    const int restarts = reset.ctl().restarts;
    SetResetLow(reset.p);
    WaitMs(reset.p, 2);
    SetResetHigh(reset.p);
    EXPECT_EQ(reset.ctl().restarts, restarts);
    SetResetLow(reset.p);
    WaitMs(reset.p, 100);
    SetResetHigh(reset.p);
    EXPECT_EQ(reset.ctl().restarts, restarts + 1);

    Rig fast;
    fast.ctl().profile.minEdgeNs = 1000000;  // a shift register slower than the line calls
    fast.ctl().memory[12] = 102;
    EXPECT_NE(ReadControllerByte(fast.p, 12).value, 102);
}

TEST(SimBitSerialTest, DroppedByteLeavesTheCommandIncomplete) {
    Rig r;
    r.ctl().faults.dropReceivedByte = 1;  // the address of the first read
    (void)ReadControllerByte(r.p, 12);
    // The byte after the lost address was taken as the address; the second
    // reading disagrees with the first.
    ASSERT_EQ(r.ctl().TraceOf('U').size(), 2u);
    EXPECT_EQ(r.ctl().TraceOf('U')[0].address, 0);
    EXPECT_EQ(r.p.link.fault, LinkFault::NoReply);
    WaitMs(r.p, 300);
    ClearLinkFault(r.p);
    EXPECT_EQ(ReadControllerByte(r.p, 12).value, 102);
    EXPECT_EQ(r.p.link.fault, LinkFault::None);
}

TEST(SimBitSerialTest, ParallelPortReachesTheSameController) {
    for (bool direct : {true, false}) {
        Rig r(Medium::Parallel);
        r.p.link.state.directPortIo = direct;
        r.p.link.state.driverModule = !direct;
        EXPECT_EQ(ReadControllerByte(r.p, 33).value, 0x23);
        EXPECT_EQ(r.sim.simPortIo().dataRegister() & 0x02, 0);
        EXPECT_TRUE(r.host.boxes.empty());
    }
}

TEST(SimBitSerialTest, MissingDriverFailsItsEntries) {
    Rig r(Medium::Parallel);
    r.sim.simPortIo().driverPresent = false;
    EXPECT_FALSE(r.sim.portIo().LoadDriver());
    std::uint32_t v = 0;
    EXPECT_FALSE(r.sim.portIo().DriverReadPortUlong(0x378, v));
    EXPECT_FALSE(r.sim.portIo().DriverWritePortUshort(0x378, 1));
}

TEST(SimUartTest, EchoesAndAnswersTheRequestAfterTheLeadIn) {
    Rig r;
    r.UartLink();
    EXPECT_EQ(r.Uart({0xD2}, 4), (std::vector<std::uint8_t>{0xD2})) << "no lead-in";
    EXPECT_EQ(r.Uart({0xD0, 0xD0, 0xD0, 0xD2}, 20),
              (std::vector<std::uint8_t>{0xD0, 0xD0, 0xD0, 0xD2, 0xD3}));
    EXPECT_EQ(r.Uart({'U', 32}, 3), (std::vector<std::uint8_t>{'U', 32, 0x61}));
    EXPECT_EQ(r.Uart({'V', 20, 1}, 4), (std::vector<std::uint8_t>{'V', 20, 1, 1}));
    EXPECT_EQ(r.ctl().memory[20], 1);
}

TEST(SimUartTest, ByteTimeAndAnotherRate) {
    Rig r;
    SerialConfig c = r.UartLink();
    const std::uint64_t t0 = r.now();
    EXPECT_EQ(r.Uart({'U', 12}, 3).size(), 3u);
    // Two bytes out, the last echo and the value back: about 0.52 ms each.
    EXPECT_GE(r.now() - t0, 4 * 520000u);
    EXPECT_LT(r.now() - t0, 3 * kMsNs);
    c.baudRate = 9600;
    r.sim.serial().SetState(c);
    EXPECT_TRUE(r.Uart({'U', 12}, 3).empty());
}

TEST(SimUartTest, SilentLineReadsNothingWithinTheTimeOut) {
    struct Case {
        SerialTimeouts t;
        std::size_t count;
        std::uint64_t ms;
    };
    for (const Case& c :
         {Case{{3, 0, 5}, 20, 5}, Case{{3, 0, 400}, 2, 400}, Case{{3, 10, 100}, 3, 130}}) {
        Rig r;
        r.ctl().profile.silent = true;
        r.sim.serial().SetTimeouts(c.t);
        const std::uint64_t t0 = r.now();
        std::uint8_t buf[20];
        std::size_t got = 9;
        EXPECT_TRUE(r.sim.serial().Read(buf, c.count, got));
        EXPECT_EQ(got, 0u);
        EXPECT_EQ((r.now() - t0) / kMsNs, c.ms);
    }
}

TEST(SimUartTest, IntervalEndsAReadOnAGap) {
    Rig r;
    r.UartLink();
    const std::uint64_t t0 = r.now();
    // Two echoes come, then nothing: the read ends 3 ms after the last.
    EXPECT_EQ(r.Uart({'W', 1}, 10).size(), 2u);
    EXPECT_LT(r.now() - t0, 10 * kMsNs);
}

TEST(SimUartTest, FaultsOnTheUart) {
    Rig r;
    r.UartLink();
    r.ctl().faults.dropSentByte = 2;  // the value
    EXPECT_EQ(r.Uart({'U', 12}, 3), (std::vector<std::uint8_t>{'U', 12}));
    r.ctl().faults.wrongEchoOnWrite = true;
    r.ctl().faults.wrongEchoAddress = 14;
    EXPECT_EQ(r.Uart({'V', 14, 8}, 4), (std::vector<std::uint8_t>{'V', 14, 8, 9}));
    EXPECT_EQ(r.Uart({'V', 15, 8}, 4), (std::vector<std::uint8_t>{'V', 15, 8, 8}));
}

TEST(SimUartTest, NoiseFillsEveryRead) {
    Rig r;
    r.ctl().faults.uartNoise = true;
    r.sim.serial().SetTimeouts({3, 0, 100});
    std::uint8_t buf[20];
    std::size_t got = 0;
    r.sim.serial().Read(buf, 20, got);
    EXPECT_EQ(got, 20u);
}

TEST(SimSerialTest, VanishedDeviceFailsEveryCall) {
    Rig r;
    r.ctl().faults.serialVanishesAfterCalls = 0;
    SerialDevice& s = r.sim.serial();
    std::uint32_t status = 0;
    std::uint8_t b = 0;
    std::size_t n = 0;
    EXPECT_FALSE(s.SetLine(LineFunction::SetRts));
    EXPECT_FALSE(s.GetModemStatus(status));
    EXPECT_FALSE(s.Write(&b, 1, n));
    EXPECT_FALSE(s.Read(&b, 1, n));
    s.Close();
    EXPECT_FALSE(s.Open("COM1"));
}

TEST(SimSerialTest, PortNamesAndOneOpenPort) {
    sim::Simulation sim(sim::ClockKind::Virtual);
    SerialDevice& s = sim.serial();
    EXPECT_FALSE(s.Open("COM9"));
    EXPECT_FALSE(s.Open(""));
    EXPECT_TRUE(s.Open("COM8"));
    EXPECT_FALSE(s.Open("COM1"));
    s.Close();
    EXPECT_TRUE(s.Open("COM1"));
    SerialConfig c;
    EXPECT_TRUE(s.GetState(c));
    c.keepLines = false;
    EXPECT_TRUE(s.SetLine(LineFunction::SetRts));
    EXPECT_TRUE(sim.controller().PinLevel(sim::Pin::Clock));
    EXPECT_TRUE(s.SetState(c));
    EXPECT_FALSE(sim.controller().PinLevel(sim::Pin::Clock))
        << "a configuration from zero drops RTS";
}

// ---- Serial programming mode ------------------------------------------------

int Instruction(Program& p, int w1, int w2) {
    p.link.exchange.out = w1;
    TransferWord(p);
    p.link.exchange.out = w2;
    TransferWord(p);
    return p.link.exchange.in;
}

TEST(SimIspTest, EnableSignatureFusesAndLock) {
    Rig r;
    SetClockLow(r.p);
    SetResetLow(r.p);
    WaitMs(r.p, 30);
    EXPECT_EQ((Instruction(r.p, 0xAC53, 0) >> 8) & 0xFF, 0x53);
    EXPECT_EQ(Instruction(r.p, 0x3000, 0x0000) & 0xFF, 0x1E);
    EXPECT_EQ(Instruction(r.p, 0x3000, 0x0100) & 0xFF, 0x93);
    EXPECT_EQ(Instruction(r.p, 0x3000, 0x0200) & 0xFF, 0x07);
    EXPECT_EQ(Instruction(r.p, 0x5808, 0) & 0xFF, 0xD9);
    EXPECT_EQ(Instruction(r.p, 0x5000, 0) & 0xFF, 0xE1);
    EXPECT_EQ(Instruction(r.p, 0x5800, 0) & 0xFF, 0xFF);
    ASSERT_EQ(r.ctl().TraceOf('I').size(), 7u);
    EXPECT_EQ(r.ctl().TraceOf('I')[1].ToString(), "isp 3000 0000 -> 1E");
}

TEST(SimIspTest, OutOfStepUntilExtraClockPulses) {
    Rig r;
    r.ctl().faults.ispSkewBits = 3;
    SetClockLow(r.p);
    SetResetLow(r.p);
    int pulses = 0;
    while ((Instruction(r.p, 0xAC53, 0) >> 8 & 0xFF) != 0x53 && pulses < 40) {
        SetClockHigh(r.p);
        SetClockLow(r.p);
        ++pulses;
    }
    // Each failed instruction plus one pulse moves the frame by one bit.
    EXPECT_EQ(pulses, 32 - 3);
    EXPECT_EQ(Instruction(r.p, 0x3000, 0x0100) & 0xFF, 0x93);
}

TEST(SimIspTest, UartWiringHasNoProgrammingMode) {
    Rig r;
    r.ctl().profile.link = sim::LinkKind::Uart;
    SetResetLow(r.p);
    EXPECT_EQ((Instruction(r.p, 0xAC53, 0) >> 8) & 0xFF, 0);
}

// ---- Motor ------------------------------------------------------------------

TEST(SimMotorTest, ReleasedMotorPulsesOnDataIn) {
    Rig r;
    r.ctl().profile.motorPulseHz = 200;
    r.ctl().profile.motorSpinUpMs = 1000;
    SetResetLow(r.p);
    WaitMs(r.p, 100);
    SetClockHigh(r.p);
    SetDataOutHigh(r.p);
    WaitMs(r.p, 50);
    SetResetHigh(r.p);
    auto countPulses = [&r](std::uint32_t ms) {
        int pulses = 0, last = ReadDataIn(r.p);
        const std::uint32_t start = r.sim.clock().TickCount();
        while (r.sim.clock().TickCount() - start < ms) {
            const int v = ReadDataIn(r.p);
            if (last == 1 && v == 0) ++pulses;
            last = v;
        }
        return pulses;
    };
    // Start-up (50 ms) and spin-up of the motor.
    EXPECT_EQ(countPulses(1050), 0) << "spinning up";
    const int pulses = countPulses(2000);
    EXPECT_GE(pulses, 399);
    EXPECT_LE(pulses, 401);
    SetResetLow(r.p);
    EXPECT_EQ(countPulses(100), 0);
}

TEST(SimTraceTest, Format) {
    using sim::Via;
    const auto text = [](sim::WireEvent e) { return e.ToString(); };
    EXPECT_EQ(text({Via::BitSerial, 'U', 12, -1, 102, 0}), "bit read 0C -> 66");
    EXPECT_EQ(text({Via::Uart, 'V', 12, 0x66, 0x66, 0}), "uart write 0C=66 -> 66");
    EXPECT_EQ(text({Via::BitSerial, 'W', 3, -1, -1, 0}), "bit select 03");
    EXPECT_EQ(text({Via::BitSerial, 'Y', 63, 0xA1, -1, 0}), "bit load 3F=A1");
    EXPECT_EQ(text({Via::Uart, 'X', 3, -1, 3, 0}), "uart commit 03 -> 03");
    EXPECT_EQ(text({Via::BitSerial, 'P', -1, 0xFE, 0xF8, 0}), "bit probe -> F8");
    EXPECT_EQ(text({Via::Uart, 'R', -1, 0xD2, 0xD3, 0}), "uart request -> D3");
    EXPECT_EQ(text({Via::Uart, 'R', -1, 0xD2, -1, 0}), "uart request (ignored)");
}

TEST(SimClockTest, VirtualClockAdvancesWithWork) {
    sim::VirtualClock clock;
    const std::uint32_t t0 = clock.TickCount();
    for (int i = 0; i < 1000; ++i) clock.TickCount();
    EXPECT_EQ(clock.TickCount() - t0, 1u);
    clock.WaitUntil(clock.NowNs() + 5 * kMsNs);
    EXPECT_EQ(clock.TickCount() - t0, 6u);
    clock.WaitUntil(0);  // never backwards
    EXPECT_EQ(clock.TickCount() - t0, 6u);
}

TEST(SimClockTest, RealClockFollowsTheSteadyClock) {
    sim::RealClock clock;
    const std::uint64_t t0 = clock.NowNs();
    clock.WaitUntil(t0 + 2 * kMsNs);
    EXPECT_GE(clock.NowNs(), t0 + 2 * kMsNs);
}

}  // namespace
}  // namespace kvr
