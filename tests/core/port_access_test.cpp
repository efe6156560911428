#include "link/port_access.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_program.h"

namespace kvr {
namespace {

using testing::FakeProgram;
using testing::FakeWindow;

long CountCalls(const std::vector<std::string>& calls, const std::string& what) {
    return std::count(calls.begin(), calls.end(), what);
}

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
        InitPortAccess(f.program);
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
        EXPECT_EQ(CountCalls(f.serial.calls, "status"), c.reads) << c.loopsPerTick << " " << c.n;
        EXPECT_GE(f.program.link.state.loopsPerTick, 1u);
    }
    FakeProgram f;
    f.program.link.state.directPortIo = true;
    DelayLoops(f.program, 2);
    EXPECT_EQ(CountCalls(f.portIo.calls, "in 888"), 10);
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
        // One tick read per pass plus the start: N passes fit when the clock
        // moves 100 / (2N + 3) ms per read.
        f.clock.msNum = 100;
        f.clock.msDen = 2 * c.readsIn50Ms + 3;
        f.program.link.state.loopsPerTick = 99;
        CalibrateDelay(f.program);
        EXPECT_EQ(CountCalls(f.serial.calls, "status"), static_cast<long>(c.readsIn50Ms));
        EXPECT_EQ(f.program.link.state.loopsPerTick, c.loopsPerTick) << c.readsIn50Ms;
    }
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
            EXPECT_EQ(OpenSerialPort(f.program), 1);
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
    ASSERT_EQ(OpenSerialPort(f.program), 0);
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
    EXPECT_EQ(OpenSerialPort(f.program), 0);
    EXPECT_TRUE(f.serial.calls.empty());
    EXPECT_EQ(f.serial.config.baudRate, 19200u);
}

TEST(PortAccess, InitSerialLinesPulsesDataOut) {
    FakeProgram f;
    EXPECT_EQ(InitSerialLines(f.program), 0);  // parallel: nothing at all
    EXPECT_TRUE(f.serial.calls.empty());
    EXPECT_TRUE(f.portIo.calls.empty());

    f.program.link.state.medium = Medium::Serial;
    f.program.link.state.comDeviceName = "COM1";
    ASSERT_EQ(InitSerialLines(f.program), 0);
    EXPECT_TRUE(f.program.link.state.linesInitialised);
    std::vector<std::string> lines;
    for (const auto& c : f.serial.calls) {
        if (c == "SETDTR" || c == "CLRDTR" || c == "status") lines.push_back(c);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"SETDTR", "status", "CLRDTR", "status"}));
    EXPECT_GE(f.clock.reads, 302u);  // two waits of 150 ms on a 1 ms-per-read clock

    // Repeated on an open port, without opening it again.
    f.serial.calls.clear();
    ASSERT_EQ(InitSerialLines(f.program), 0);
    EXPECT_EQ(CountCalls(f.serial.calls, "SETDTR"), 1);
    EXPECT_EQ(f.serial.opens, 1);

    FakeProgram missing;
    missing.program.link.state.medium = Medium::Serial;
    missing.program.link.state.comDeviceName = "COM7";
    EXPECT_EQ(InitSerialLines(missing.program), 1);
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
