// Line changes, delays and port set-up on both media.
#include "link/port_access.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/status_line.h"
#include "link/exchange.h"
#include "serial_calls.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

TEST(PortAccess, InitPortAccessDecidesHowTheParallelPortIsReached) {
    struct Case {
        PlatformFamily platform;
        bool driver;
        bool direct;
        bool available;
    };
    const Case cases[] = {
        {PlatformFamily::Win9x, false, true, false},  {PlatformFamily::Win9x, true, true, false},
        {PlatformFamily::Nt, true, false, true},      {PlatformFamily::Nt, false, false, false},
        {PlatformFamily::Unknown, true, false, true},
    };
    for (const Case& c : cases) {
        FakeProgram f;
        f.host.platform = c.platform;
        f.portIo.driverPresent = c.driver;
        InitPortAccess(f.program, f.program.host.QueryPlatform());
        EXPECT_EQ(f.program.link.state.directPortIo, c.direct);
        EXPECT_EQ(f.program.link.state.driverAvailable, c.available);
        EXPECT_EQ(f.program.link.state.driverModule, c.driver);
    }
}

TEST(PortAccess, SerialLinesMapToModemLines) {
    FakeProgram f;
    ASSERT_TRUE(f.serial.Open("COM2"));
    f.serial.calls.clear();
    SetClockHigh(f.program);
    SetClockLow(f.program);
    SetDataOutHigh(f.program);
    SetDataOutLow(f.program);
    SetResetHigh(f.program);
    SetResetLow(f.program);
    EXPECT_EQ(f.serial.calls, (std::vector<std::string>{"SETRTS", "CLRRTS", "SETDTR", "CLRDTR",
                                                        "SETBREAK", "CLRBREAK"}));
    f.serial.modemStatus = 0x10;
    EXPECT_EQ(ReadDataIn(f.program), 1);
    f.serial.modemStatus = 0xEF;
    EXPECT_EQ(ReadDataIn(f.program), 0);
    // A failing status read yields the previous status word.
    f.serial.modemStatus = 0x10;
    EXPECT_EQ(ReadDataIn(f.program), 1);
    f.serial.Close();
    f.serial.modemStatus = 0;
    EXPECT_EQ(ReadDataIn(f.program), 1);
}

TEST(PortAccess, ParallelDataDirectWritesLowByteDriverWritesWholeValue) {
    FakeProgram f;
    LinkState& s = f.program.link.state;
    s.lptBase = 0x278;
    s.lptLatch = 0x10B;
    s.directPortIo = true;
    WriteParallelData(f.program);
    f.portIo.inValue = 0xC0FF;
    ReadParallelPort(f.program);
    EXPECT_EQ(s.lptInput, 0xC0FFu);

    s.directPortIo = false;
    s.driverModule = true;
    s.driverAvailable = true;
    f.portIo.driverPresent = true;
    f.portIo.driverInValue = 0x12345678;
    WriteParallelData(f.program);
    ReadParallelPort(f.program);
    EXPECT_EQ(s.lptInput, 0x5678u);
    EXPECT_EQ(f.portIo.calls,
              (std::vector<std::string>{"out 632 11", "in 632", "dlout 632 267", "dlin 632"}));
    EXPECT_TRUE(f.host.boxes.empty());
}

// One box per command, not one per access: a command makes thousands.
TEST(PortAccess, MissingDriverEntryShowsOneBoxPerCommandAndEndsStatusWindow) {
    FakeProgram f;
    FakeWindow main;
    f.program.app.statusWindow = &main;
    f.program.link.state.lptInput = 0x4000;
    WriteParallelData(f.program);
    for (int i = 0; i < 1000; ++i) ReadParallelPort(f.program);
    EXPECT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.program.link.fault, LinkFault::Driver);
    ClearLinkFault(f.program);  // the next command
    ReadParallelPort(f.program);
    ASSERT_EQ(f.host.boxes.size(), 2u);
    for (const auto& box : f.host.boxes) {
        EXPECT_EQ(box.text, "Error during driver access!");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_EQ(main.endResult, 1);
    EXPECT_EQ(f.program.link.state.lptInput, 0x4000u);  // the failing access changes nothing
}

TEST(PortAccess, WaitMsSpinsUntilTheTickHasAdvancedAndSurvivesWrap) {
    FakeProgram f;
    WaitMs(f.program, 0);
    EXPECT_EQ(f.clock.reads, 0u);
    WaitMs(f.program, 5);
    EXPECT_EQ(f.clock.reads, 6u);  // the start tick and five more

    f.clock.reads = 0;
    f.clock.baseMs = 0xFFFFFFFEull;
    WaitMs(f.program, 10);
    EXPECT_EQ(f.clock.reads, 11u);
}

TEST(PortAccess, DelayLoopsReadsDataInFiveTimesPerUnit) {
    struct Case {
        std::uint32_t loopsPerTick;
        std::uint32_t n;
        long reads;
    };
    const Case cases[] = {{0, 0, 5}, {0, 1, 5}, {1, 0, 5}, {2, 3, 30}, {7, 2, 70}};
    for (const Case& c : cases) {
        FakeProgram f;
        f.program.link.state.medium = Medium::Serial;
        ASSERT_TRUE(f.serial.Open("COM1"));
        f.program.link.state.loopsPerTick = c.loopsPerTick;
        DelayLoops(f.program, c.n);
        EXPECT_EQ(f.serial.Count("status"), c.reads) << c.loopsPerTick << " " << c.n;
        EXPECT_GE(f.program.link.state.loopsPerTick, 1u);
    }
    FakeProgram f;
    f.program.link.state.directPortIo = true;
    DelayLoops(f.program, 2);
    EXPECT_EQ(std::count(f.portIo.calls.begin(), f.portIo.calls.end(), "in 888"), 10);
}

TEST(PortAccess, CalibrateDelayCountsReadsIn50Ms) {
    struct Case {
        std::uint64_t readsIn50Ms;
        std::uint32_t loopsPerTick;
    };
    const Case cases[] = {{1000, 1}, {36999, 1}, {37000, 2}, {73999, 2}, {74000, 3}};
    for (const Case& c : cases) {
        FakeProgram f;
        f.program.link.state.medium = Medium::Serial;
        ASSERT_TRUE(f.serial.Open("COM1"));
        // One tick read per pass plus the start, and the pass that reads
        // 50 ms counts too: N passes when the clock moves 100 / (2N + 1) ms
        // per read.
        f.clock.msNum = 100;
        f.clock.msDen = 2 * c.readsIn50Ms + 1;
        f.program.link.state.loopsPerTick = 99;
        CalibrateDelay(f.program);
        EXPECT_EQ(f.serial.Count("status"), static_cast<long>(c.readsIn50Ms));
        EXPECT_EQ(f.program.link.state.loopsPerTick, c.loopsPerTick) << c.readsIn50Ms;
    }
}

TEST(PortAccess, CalibrateDelayCountsThePassThatReachesTheEnd) {
    // 1 ms per tick read: the start reads 1, pass k reads k + 1; pass 50 is
    // the first to see 50 ms gone and is counted before the loop ends.
    FakeProgram f;
    f.program.link.state.medium = Medium::Serial;
    ASSERT_TRUE(f.serial.Open("COM1"));
    CalibrateDelay(f.program);
    EXPECT_EQ(f.serial.Count("status"), 50);
    EXPECT_EQ(f.clock.reads, 51u);
    EXPECT_EQ(f.program.link.state.loopsPerTick, 1u);
}

TEST(PortAccess, WaitMsSleepsMostOfTheWaitAndNeverEndsEarly) {
    struct Case {
        std::uint32_t ms;
        std::uint64_t msNum, msDen;  // tick reads move the clock this much
        bool sleepAdvances;          // false: a sleep that returns at once
        std::uint64_t maxReads;
    };
    const Case cases[] = {
        {1, 1, 1, true, 3},     {2, 1, 1, true, 4},      {150, 1, 1, true, 4},
        {150, 0, 1, true, 200}, {150, 1, 1, false, 151}, {1000, 1, 100, true, 300},
        {5, 1, 3, true, 100},   {40, 0, 1, true, 100},
    };
    for (const Case& c : cases) {
        FakeProgram f;
        f.clock.msNum = c.msNum;
        f.clock.msDen = c.msDen;
        f.clock.sleepAdvances = c.sleepAdvances;
        f.clock.baseMs = 0xFFFFFFF0ull;  // the counter wraps during the wait
        WaitMs(f.program, c.ms);
        const std::uint32_t start = static_cast<std::uint32_t>(0xFFFFFFF0ull + c.msNum / c.msDen);
        const std::uint32_t waited = f.clock.lastTick - start;
        EXPECT_GE(waited, c.ms) << c.ms << " " << c.msNum << "/" << c.msDen;
        EXPECT_LE(f.clock.reads, c.maxReads) << c.ms;
        std::uint64_t slept = 0;
        for (std::uint32_t us : f.clock.sleeps) slept += us;
        // A clock that moves by sleeping alone is never slept past the end.
        if (c.sleepAdvances) {
            EXPECT_LE(slept, std::uint64_t{c.ms} * 1000) << c.ms;
        }
        if (c.ms > 1) {
            EXPECT_FALSE(f.clock.sleeps.empty()) << c.ms;
        }
    }
}

TEST(PortAccess, SlowStatusReadsMakeDelaysFromThePreciseClock) {
    struct Case {
        std::uint64_t readNs;  // one status read as the precise clock sees it
        bool clockDelays;
    };
    const Case cases[] = {{1000, false}, {6000, false}, {7000, true}, {125000, true}};
    for (const Case& c : cases) {
        FakeProgram f;
        f.program.link.state.medium = Medium::Serial;
        f.program.link.state.comDeviceName = "COM1";
        ASSERT_TRUE(OpenSerialPort(f.program));
        f.clock.preciseStepNs = c.readNs;
        (void)ReadDataIn(f.program);  // the first read after opening is timed
        EXPECT_EQ(f.program.link.clockDelays, c.clockDelays) << c.readNs;

        f.clock.preciseStepNs = 1000;
        f.serial.calls.clear();
        const std::uint64_t before = f.clock.preciseNs;
        DelayLoops(f.program, 10);
        if (c.clockDelays) {
            EXPECT_EQ(f.serial.Count("status"), 0) << c.readNs;
            // Never shorter than ten nominal units of 250/37000 ms.
            EXPECT_GE(f.clock.preciseNs - before, 10u * 6756u) << c.readNs;
            EXPECT_LT(f.clock.preciseNs - before, 10u * 6757u + 2000u) << c.readNs;
        } else {
            EXPECT_EQ(f.serial.Count("status"), 50) << c.readNs;
        }
    }

    // The calibration times its passes too, and still counts as before.
    FakeProgram slow;
    slow.program.link.state.medium = Medium::Serial;
    ASSERT_TRUE(slow.serial.Open("COM1"));
    slow.clock.preciseStepNs = 20000000;  // a long pass
    CalibrateDelay(slow.program);
    EXPECT_TRUE(slow.program.link.clockDelays);
    EXPECT_EQ(slow.program.link.state.loopsPerTick, 1u);
}

TEST(PortAccess, SlowPortsKeepEveryLineChangeOfAByte) {
    std::vector<std::vector<std::string>> lines;
    for (std::uint64_t readNs : {1000ull, 125000ull}) {
        FakeProgram f;
        f.program.link.state.medium = Medium::Serial;
        f.program.link.state.comDeviceName = "COM1";
        ASSERT_TRUE(OpenSerialPort(f.program));
        f.clock.preciseStepNs = readNs;
        ASSERT_TRUE(InitSerialLines(f.program));
        f.clock.preciseStepNs = 1000;
        f.serial.calls.clear();
        f.program.link.exchange.out = 0xA5;
        (void)TransferByte(f.program);
        // Eight samples; on a fast port also 41 delay loops of 2 units.
        EXPECT_EQ(f.serial.Count("status"), readNs > 6757 ? 8 : 8 + 41 * 10);
        lines.push_back(Kept(f.serial.calls, IsLineCall));
    }
    // Four changes per bit, less those that would repeat a level: data out
    // starts low, a one bit finds it high from the bit before (0xA5: 25).
    ASSERT_EQ(lines[0].size(), 25u);
    EXPECT_EQ(lines[0], lines[1]);
}

TEST(PortAccess, OpenSerialPortFailuresLeaveTextAndClosePort) {
    struct Case {
        std::string name;
        bool failGet, failSet, failTimeouts;
        std::string text;
    };
    const Case cases[] = {
        {"COM3", false, false, false, "Cannot open comport!"},
        {"", false, false, false, "Cannot open comport!"},
        {"COM2", true, false, false, "Kann COM-Port Einstellung nicht lesen."},
        {"COM2", false, true, false, "Kann COM-Port Einstellung nicht schreiben."},
        {"COM2", false, false, true, "Kann TIMEOUTS nicht schreiben."},
    };
    for (Language lang : {Language::English, Language::German}) {
        for (const Case& c : cases) {
            FakeProgram f(lang);
            f.program.link.state.comDeviceName = c.name;
            f.serial.failGetState = c.failGet;
            f.serial.failSetState = c.failSet;
            f.serial.failTimeouts = c.failTimeouts;
            EXPECT_FALSE(OpenSerialPort(f.program));
            EXPECT_EQ(f.program.link.lastErrorText, c.text);
            EXPECT_FALSE(f.program.link.state.comOpen);
            EXPECT_FALSE(f.serial.open) << "a half-configured port stays open: " << c.text;
            EXPECT_TRUE(f.host.boxes.empty());
        }
    }
}

TEST(PortAccess, OpenSerialPortConfiguresOnceAndKeepsAnOpenPort) {
    FakeProgram f;
    f.program.link.state.comDeviceName = "COM2";
    f.serial.config.baudRate = 115200;
    f.serial.config.parity = 2;
    ASSERT_TRUE(OpenSerialPort(f.program));
    EXPECT_TRUE(f.program.link.state.comOpen);
    EXPECT_EQ(f.serial.config.baudRate, 9600u);
    EXPECT_EQ(f.serial.config.byteSize, 8);
    EXPECT_EQ(f.serial.config.parity, 0);
    EXPECT_EQ(f.serial.config.stopBits, 0);
    EXPECT_TRUE(f.serial.config.keepLines);
    EXPECT_EQ(f.serial.timeouts.readIntervalMs, 3u);
    EXPECT_EQ(f.serial.timeouts.readTotalMultiplierMs, 0u);
    EXPECT_EQ(f.serial.timeouts.readTotalConstantMs, 5u);

    f.serial.config.baudRate = 19200;
    f.serial.calls.clear();
    EXPECT_TRUE(OpenSerialPort(f.program));
    EXPECT_TRUE(f.serial.calls.empty());
    EXPECT_EQ(f.serial.config.baudRate, 19200u);
}

TEST(PortAccess, InitSerialLinesPulsesDataOut) {
    FakeProgram f;
    EXPECT_TRUE(InitSerialLines(f.program));  // parallel: nothing at all
    EXPECT_TRUE(f.serial.calls.empty());
    EXPECT_TRUE(f.portIo.calls.empty());

    f.program.link.state.medium = Medium::Serial;
    f.program.link.state.comDeviceName = "COM1";
    ASSERT_TRUE(InitSerialLines(f.program));
    EXPECT_TRUE(f.program.link.state.linesInitialised);
    EXPECT_EQ(
        Kept(f.serial.calls,
             [](const std::string& c) { return c == "SETDTR" || c == "CLRDTR" || c == "status"; }),
        (std::vector<std::string>{"SETDTR", "status", "CLRDTR", "status"}));
    EXPECT_GE(f.clock.reads, 302u);  // two waits of 150 ms on a 1 ms-per-read clock

    // Repeated on an open port, without opening it again.
    f.serial.calls.clear();
    ASSERT_TRUE(InitSerialLines(f.program));
    EXPECT_EQ(f.serial.Count("SETDTR"), 1);
    EXPECT_EQ(f.serial.opens, 1);

    FakeProgram missing;
    missing.program.link.state.medium = Medium::Serial;
    missing.program.link.state.comDeviceName = "COM7";
    EXPECT_FALSE(InitSerialLines(missing.program));
    EXPECT_EQ(missing.program.link.lastErrorText, "Cannot open comport!");
    EXPECT_FALSE(missing.program.link.state.linesInitialised);
}

TEST(PortAccess, IdleLinesPullsParallelLinesLow) {
    FakeProgram serial;
    serial.program.link.state.medium = Medium::Serial;
    IdleLines(serial.program);
    EXPECT_TRUE(serial.serial.calls.empty());
    EXPECT_TRUE(serial.portIo.calls.empty());

    FakeProgram direct;
    direct.program.link.state.directPortIo = true;
    direct.program.link.state.lptLatch = 0x0B;
    direct.portIo.inValue = 0x2F;
    IdleLines(direct.program);
    EXPECT_EQ(direct.portIo.calls, (std::vector<std::string>{"in 890", "out 890 15", "out 888 0"}));
    EXPECT_GE(direct.clock.reads, 20u);

    FakeProgram driver;
    driver.program.link.state.driverModule = true;
    driver.program.link.state.driverAvailable = true;
    driver.portIo.driverPresent = true;
    driver.program.link.state.lptLatch = 0x0F;
    IdleLines(driver.program);
    EXPECT_EQ(driver.portIo.calls, (std::vector<std::string>{"dlout 888 4"}));
    EXPECT_EQ(driver.clock.reads, 0u);

    FakeProgram neither;
    IdleLines(neither.program);
    EXPECT_TRUE(neither.portIo.calls.empty());
    EXPECT_TRUE(neither.host.boxes.empty());
}

TEST(PortAccess, ShowStatusTextPadsWithBlanksAndDropsTheLineEnd) {
    const std::pair<std::string, std::string> cases[] = {
        {"connecting....\n", "connecting...." + std::string(80, ' ')},
        {"", std::string(80, ' ')},
        {"a\rb", "a" + std::string(80, ' ')},
        {"OK", "OK" + std::string(80, ' ')},
    };
    for (const auto& [text, shown] : cases) {
        FakeProgram f;
        FakeWindow main;
        f.program.app.statusWindow = &main;
        f.program.app.statusText = text;
        ShowStatusText(f.program);
        EXPECT_EQ(main.controls[1044].text, shown);
        EXPECT_EQ(main.repaints, 1);
    }
    FakeProgram none;  // no status window yet: nothing to show, no crash
    none.program.app.statusText = "x";
    ShowStatusText(none.program);
    EXPECT_EQ(none.program.app.statusText.size(), 81u);
}

}  // namespace
}  // namespace kvr
