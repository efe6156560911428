// The command line's commands in-process, on the simulated controller's
// virtual clock, where the wire can be watched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "controller.h"
#include "file_builders.h"
#include "simulation.h"
#include "test_program.h"

// The runs name only the options they set; GCC would warn of the rest.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kvr::cli {

// Only the simulated controller runs in these tests.
std::unique_ptr<Devices> OpenDevices(int, char**, bool) {
    return nullptr;
}

namespace {

using testing::TempDir;

struct CliRun {
    explicit CliRun(Options o) : options(std::move(o)) {
        options.simulate = true;
        options.virtualTime = true;
    }
    // Runs the command on a fresh session; prepare sets the controller up.
    int operator()(int (*command)(Session&),
                   const std::function<void(sim::Controller&)>& prepare = {}) {
        Session session(options, 0, nullptr, out, err);
        sim::Controller& controller = session.simulation()->controller();
        if (prepare) prepare(controller);
        controller.trace.clear();
        const int status = command(session);
        trace = controller.trace;
        memory = controller.memory;
        flash = controller.flash;
        return status;
    }
    std::vector<sim::WireEvent> Of(char command) const {
        std::vector<sim::WireEvent> events;
        for (const auto& e : trace) {
            if (e.command == command) events.push_back(e);
        }
        return events;
    }

    Options options;
    std::ostringstream out;
    std::ostringstream err;
    std::vector<sim::WireEvent> trace;
    std::array<std::uint8_t, 256> memory{};
    std::vector<std::uint8_t> flash;
};

// A text update file for the simulated controller's version 61.23.
std::string UpdateFile(int records) {
    return testing::UpdateText(testing::UpdateRecords(records, [](int a) { return a * 7; }));
}

TEST(CliConsole, MessageBoxesBecomeOneLine) {
    const std::pair<std::pair<std::string, std::string>, std::string> cases[] = {
        {{"Error!", "control speed (1 - 50)"}, "Error!: control speed (1 - 50)"},
        {{"Info:", "a\nb\n\nc\n"}, "Info: a / b / c"},
        {{"ERROR:", "wrong file!"}, "ERROR: wrong file!"},
        {{"", "Datei nicht kompatibel!"}, "Datei nicht kompatibel!"},
        {{"Error", "PC-Program not suitable,\r\nPlease download"},
         "Error: PC-Program not suitable, / Please download"},
    };
    for (const auto& [box, line] : cases) EXPECT_EQ(BoxLine(box.first, box.second), line);
}

TEST(CliUpdate, WithoutYesStopsBeforeTheController) {
    TempDir dir("X6123_6123.upd", UpdateFile(100));
    CliRun run({.file = "X6123_6123.upd"});
    EXPECT_EQ(run(RunUpdate), kExitFailed);
    EXPECT_TRUE(run.trace.empty()) << "the update touched the controller";
    EXPECT_EQ(run.out.str(), "");
    EXPECT_EQ(run.err.str(),
              "update: not started, nothing was sent. The update asks \"Update starten?\" first; "
              "run it again with --yes to answer OK.\n");

    // A file the update would refuse is refused now, with the update's text.
    testing::WriteFileBytes("notes.txt", UpdateFile(3));
    CliRun wrongName({.file = "notes.txt"});
    EXPECT_EQ(wrongName(RunUpdate), kExitFailed);
    EXPECT_EQ(wrongName.err.str(), "Error: Open Error!\n");
    EXPECT_TRUE(wrongName.trace.empty());
}

TEST(CliUpdate, WithYesSendsEveryPageAndCountsInLines) {
    TempDir dir;
    const int records = 3000;
    testing::WriteFileBytes("X6123_6123.upd", UpdateFile(records));
    CliRun run({.file = "X6123_6123.upd", .yes = true});
    ASSERT_EQ(run(RunUpdate), kExitOk) << run.err.str();
    for (int i = 0; i < records; ++i) {
        ASSERT_EQ(run.flash[static_cast<std::size_t>(i)], (i * 7) & 0xFF) << i;
    }
    // The question is answered on the error output; the progress is one
    // line per percent, rising, for the transfer and then for the read-back
    // of the flash, ending at OK.
    EXPECT_NE(run.err.str().find("Warning!: Update starten? -> answered OK (--yes)"),
              std::string::npos)
        << run.err.str();
    std::istringstream lines(run.out.str());
    std::vector<std::string> shown;
    for (std::string line; std::getline(lines, line);) shown.push_back(line);
    ASSERT_GE(shown.size(), 5u) << run.out.str();
    EXPECT_EQ(shown.front(), "X6123_6123.upd");
    EXPECT_EQ(shown.back(), "OK");
    int last = -1;
    int percentLines = 0;
    for (const std::string& line : shown) {
        if (line == "verifying....") last = -1;
        if (line.empty() || line.back() != '%') continue;
        const int percent = std::stoi(line);
        EXPECT_GT(percent, last) << line;
        last = percent;
        ++percentLines;
    }
    EXPECT_GE(percentLines, 2);
    EXPECT_LE(last, 100);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "verifying...."), shown.end());
    EXPECT_EQ(run.out.str().find('\r'), std::string::npos);
}

TEST(CliUpdate, ProgressBarOnATerminal) {
    TempDir dir("X6123_6123.upd", UpdateFile(3000));
    CliRun run({.file = "X6123_6123.upd", .yes = true, .progressBar = true});
    ASSERT_EQ(run(RunUpdate), kExitOk);
    const std::string out = run.out.str();
    EXPECT_NE(out.find("\r[#"), std::string::npos) << out;
    EXPECT_NE(out.find("] "), std::string::npos);
    EXPECT_NE(out.find("%\nOK\n"), std::string::npos) << out;
}

TEST(CliWrite, RefusedFileNeverReachesTheController) {
    TempDir dir("f.json", R"({"format": "kvrsetup settings", "formatVersion": 1,
        "settings": {"startupPower": 0}})");
    for (const bool dryRun : {false, true}) {
        CliRun run({.file = "f.json", .dryRun = dryRun});
        EXPECT_EQ(run(RunWrite), kExitFailed);
        EXPECT_TRUE(run.Of('V').empty());
        const std::string err = run.err.str();
        EXPECT_NE(err.find("Error!: start-up power 1 - 50!\n"), std::string::npos) << err;
        EXPECT_EQ(run.out.str(), "");
    }
}

TEST(CliWrite, DryRunChecksWithoutWritingAndWriteStores) {
    TempDir dir("f.json", R"({"format": "kvrsetup settings", "formatVersion": 1,
        "settings": {"acceleration": 42}})");
    Options o{.file = "f.json", .dryRun = true};
    CliRun dry(o);
    EXPECT_EQ(dry(RunWrite), kExitOk);
    EXPECT_TRUE(dry.Of('V').empty());
    EXPECT_EQ(dry.memory[Acceleration], 10);
    EXPECT_EQ(dry.out.str(), "OK: the controller would take these settings; nothing written\n");

    o.dryRun = false;
    CliRun write(o);
    EXPECT_EQ(write(RunWrite), kExitOk);
    EXPECT_EQ(write.memory[Acceleration], 42);
    EXPECT_EQ(write.out.str(), "OK: settings written\n");
}

TEST(CliRead, PortChosenForOneRunOnly) {
    TempDir dir("blsetup.cfg", "COM2");
    CliRun run({.port = "COM5"});
    EXPECT_EQ(run(RunPorts), kExitOk);
    EXPECT_NE(run.out.str().find("COM5\t(simulated)\t(blsetup.cfg)\n"), std::string::npos)
        << run.out.str();
    EXPECT_EQ(testing::ReadFileBytes("blsetup.cfg"), "COM2");
}

TEST(CliRev, RefusalsEndWithStatusOne) {
    TempDir dir("blsetup.cfg", "COM2");
    struct Case {
        const char* what;
        Options options;
        std::function<void(sim::Controller&)> prepare;
        const char* err;
    };
    const Options bitSerial{.simulateProfile = "bit-serial"};
    const Case cases[] = {
        {"test program free", bitSerial, {}, "Error!: only available, when test-pgm locked\n"},
        {"UART link", {.simulateProfile = "uart"}, {}, "Error!: Available only via Portix2\n"},
        {"odd pole count",
         {.simulateProfile = "motor", .poles = "13", .ratio = "1.00"},
         {},
         "Error!: Polzahl: nur gerade Werte m\u00f6glich!\n"},
        {"no motor", bitSerial, [](sim::Controller& c) { c.memory[LockFlags] = 0xFD; },
         "sec. time left: 9\nsec. time left: 8\nsec. time left: 7\nsec. time left: 6\n"
         "sec. time left: 5\nsec. time left: 4\nsec. time left: 3\nsec. time left: 2\n"
         "sec. time left: 1\nsec. time left: 0\nrev: no pulses from the motor within 10 s\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CliRun run(c.options);
        EXPECT_EQ(run(RunRev, c.prepare), kExitFailed);
        EXPECT_EQ(run.err.str(), c.err);
        EXPECT_EQ(run.out.str(), "");
    }
}

// The "motor" profile: Portix2 adapter, test program locked, 200 pulses a
// second once released.
TEST(CliRev, FourFiguresPerWindowUntilTheTimeIsUp) {
    TempDir dir("blsetup.cfg", "COM2");
    CliRun run({.simulateProfile = "motor", .poles = "14", .ratio = "10", .seconds = 5});
    EXPECT_EQ(run(RunRev), kExitOk) << run.err.str();
    // 400 pulses in 2 s with 14 poles and ratio 10: 200 Hz, 12000, 1714, 171.
    const std::string line =
        "el.Freq. Motorphase, Hz: 200; el. Freq. Motorphase, rpm: 12000; Motor revs, rpm: "
        "1714; Prop revs, rpm: 171\n";
    const std::string out = run.out.str();
    EXPECT_GE(out.size(), 2 * line.size()) << out;
    EXPECT_EQ(out.substr(0, line.size()), line) << out;
}

TEST(CliLock, ShowsAndChangesTheLocks) {
    TempDir dir;
    CliRun run({.testProgram = "lock"});
    EXPECT_EQ(run(RunLock), kExitOk) << run.err.str();
    EXPECT_EQ(run.memory[LockFlags], 0xFD);
    EXPECT_EQ(run.out.str(), "lock RC-setup: off\nlock testprogram: on\n");
}

TEST(CliRpm, CalculatesAndWritesTheGovernor) {
    TempDir dir("blsetup.cfg", "COM2");
    Options o{
        .poles = "10", .ratio = "8.00", .rotorRpm = "1500", .proportional = "4", .integral = "2"};
    CliRun run(o);
    EXPECT_EQ(run(RunRpm), kExitOk) << run.err.str();
    // 1500 rpm behind 1:8 with 10 poles is 1000 Hz: T = 333900 div 1000 - 26.
    EXPECT_EQ(run.memory[RpmPeriodHigh] * 256 + run.memory[RpmPeriodLow], 307);
    EXPECT_EQ(run.memory[RpmProportional], 4);
    EXPECT_EQ(run.memory[RpmIntegralCode], 6 - 2);
    EXPECT_NE(run.out.str().find("P-Value: 4\nI-Value: 2\n"), std::string::npos) << run.out.str();

    // Refused by the dialog's own checks: nothing written.
    o.proportional = "6";
    CliRun refused(o);
    EXPECT_EQ(refused(RunRpm), kExitFailed);
    EXPECT_NE(refused.err.str().find("Error!: P: 1 - 5 !\n"), std::string::npos);
    EXPECT_EQ(refused.out.str(), "");
    EXPECT_EQ(refused.memory[RpmProportional], 3);

    // Pole count and ratio that blsetup.cfg does not take are not used: no
    // governor period from the values stored before.
    o.proportional.clear();
    o.poles = "14";
    o.ratio = "10";
    o.rotorRpm = "15000";
    CliRun fullDisk(o);
    testing::FullDisk disk;
    if (!disk.Works()) return;
    EXPECT_EQ(fullDisk(RunRpm), kExitFailed);
    EXPECT_EQ(fullDisk.err.str(),
              "Error!: write error 'blsetup.cfg' (disk full?): the values were not stored\n");
    EXPECT_TRUE(fullDisk.Of('V').empty());
}

// How each dialog step ended decides the status and the message.
TEST(CliDialogs, StepOutcomesDecideTheStatus) {
    TempDir dir;
    const auto period = [](int value) {
        return [value](sim::Controller& c) {
            c.memory[RpmPeriodHigh] = static_cast<std::uint8_t>(value >> 8);
            c.memory[RpmPeriodLow] = static_cast<std::uint8_t>(value & 0xFF);
        };
    };
    const auto badEcho = [](sim::Controller& c) {
        c.faults.wrongEchoOnWrite = true;
        c.faults.wrongEchoAddress = LockFlags;
    };
    struct Case {
        const char* what;
        int (*command)(Session&);
        std::string Options::*option;
        const char* value;
        std::function<void(sim::Controller&)> prepare;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"governor read", RunRpm, &Options::integral, "", period(307), kExitOk, ""},
        {"governor not set up", RunRpm, &Options::integral, "", period(0xFFFF), kExitFailed,
         "rpm: the controller holds no top speed yet; give one with --rotor-rpm\n"},
        {"governor without speed", RunRpm, &Options::integral, "2", period(0xFFFF), kExitFailed,
         "rpm: without a stored top speed, --rotor-rpm is needed\n"},
        {"lock not echoed", RunLock, &Options::testProgram, "lock", badEcho, kExitFailed,
         "lock: the locks were not written\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Options o;
        o.*c.option = c.value;
        CliRun run(o);
        EXPECT_EQ(run(c.command, c.prepare), c.status) << run.err.str();
        const std::string err = run.err.str();
        EXPECT_EQ(err.substr(err.size() - std::min(err.size(), std::strlen(c.err))), c.err);
        EXPECT_EQ(run.out.str().empty(), c.status != kExitOk);
    }
}

}  // namespace
}  // namespace kvr::cli
