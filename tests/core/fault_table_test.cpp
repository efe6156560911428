// Every command against every fault of the line, on the simulated
// controller and the virtual clock. A command either does its work exactly
// as on a sound line, or it ends with one clear message and a blank status
// line, showing and storing nothing it could not vouch for; once the fault
// is gone (the adapter plugged in again), the same command works.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/controller_info.h"
#include "app/program.h"
#include "app/settings_commands.h"
#include "app/update_procedure.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_window.h"
#include "file_builders.h"
#include "locks/lock_functions.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "settings/settings_image.h"
#include "sim_devices.h"
#include "sim_program.h"
#include "simulation.h"
#include "speed/rev_counter.h"
#include "speed/rpm_control.h"
#include "test_program.h"

namespace kvr {
namespace {

using sim::LinkKind;
using namespace testing;

enum class Cmd { Read, Write, Update, Info, LockRead, LockWrite, RpmRead, RpmWrite, RevCounter };
enum class Fault {
    VanishEarly,
    VanishMiddle,
    VanishLate,
    Silent,
    DropReceivedEarly,
    DropReceivedLate,
    DropSentEarly,
    DropSentLate,
    Noise,
    WrongEcho,
};

const char* Name(Cmd c) {
    static const char* const names[] = {"Read",      "Write",   "Update",   "Info",      "LockRead",
                                        "LockWrite", "RpmRead", "RpmWrite", "RevCounter"};
    return names[static_cast<int>(c)];
}

const char* Name(Fault f) {
    static const char* const names[] = {
        "vanish early", "vanish middle", "vanish late",  "silent", "drop rx early",
        "drop rx late", "drop tx early", "drop tx late", "noise",  "wrong echo"};
    return names[static_cast<int>(f)];
}

// The messages a failing command may end with: the link's, the port's and
// the protocol's own. A judgement of an invented value ("Available after
// setup with RC!") is no such message.
const std::set<std::string> kClearMessages = {
    "connection lost!",
    "Read/write error!",
    "no connection!",
    // The link detection's last probe has no pause: a byte the firmware
    // missed there comes back as the probe itself, the answer of another
    // model.
    "no KVR-Mega detected, this device is not supported!",
    "writing error!",
    "Cannot open comport!",
    "Kann TIMEOUTS nicht schreiben.",
    "Read/write error - code1!",
    "Kann COM-Port Einstellung nicht lesen.",
    "Kann COM-Port Einstellung nicht schreiben.",
};

// What the command did in the step under test, counted from its start.
struct StepCounts {
    long calls = 0;
    long received = 0;
    long sent = 0;
};

const std::string kUpdateFile = "0040:0001\n0041:0002\n0080:0003\n00C5:0004\n";

// One program with its controller and windows, set up for one command.
struct Scenario : SimProgram {
    Scenario(LinkKind link, Cmd cmd) : SimProgram(SimOptions().On(link).InFolder()), cmd(cmd) {
        ctl().memory[13] = 0xFD;  // test program locked: the rev counter may run
        // Commands that need read settings start after a sound Read.
        if (cmd != Cmd::Read && cmd != Cmd::Update && cmd != Cmd::Info) {
            ReadSettings(p, w);
            EXPECT_TRUE(host.boxes.empty()) << host.boxes[0].text;
        }
        if (cmd == Cmd::Write) {
            w.SetText(id::kFullSpeedTime, "2.0");
            w.SetText(id::kAcceleration, "7");
            w.SetText(id::kLogTransmitter, "9");
        }
        host.boxes.clear();
        host.beeps = 0;
        ctl().trace.clear();
        before = ctl().memory;
    }

    sim::SimSerial& serial() { return sim.simSerial(); }

    // Runs the command; arm() is called right before the step under test.
    void Run(const std::function<void()>& arm) {
        result = -1;
        host.boxes.clear();
        host.dialogsRun.clear();
        // Inside a dialog the step under test is its Read or its Write; the
        // template disables the lock dialog's choices until a Read.
        const bool lock = cmd == Cmd::LockRead || cmd == Cmd::LockWrite;
        const std::vector<int> commands =
            cmd == Cmd::LockRead    ? std::vector<int>{id::kLockRead}
            : cmd == Cmd::LockWrite ? std::vector<int>{id::kLockRead, id::kLockWrite}
            : cmd == Cmd::RpmRead   ? std::vector<int>{id::kRpmRead}
            : cmd == Cmd::RpmWrite
                ? std::vector<int>{id::kRpmRead, id::kRpmCalculate, id::kRpmWrite}
                : std::vector<int>{};
        PlayDialog(
            commands,
            lock ? std::vector<int>{id::kLockRcSetup, id::kLockTestProgram, id::kLockWrite}
                 : std::vector<int>{},
            [&](FakeWindow& d, int command) {
                if (command == id::kLockWrite) d.SetCheck(id::kLockRcSetup, true);
                if (command == id::kRpmCalculate) d.SetText(id::kSpeedRotorRpm, "1500");
                if (!commands.empty() && command == commands.back()) Mark(arm);
            },
            true);
        switch (cmd) {
            case Cmd::Read:
                Mark(arm);
                result = ReadSettings(p, w) == Outcome::Done ? 0 : 1;
                break;
            case Cmd::Write:
                Mark(arm);
                result = WriteSettings(p, w) == Outcome::Done ? 0 : 1;
                break;
            case Cmd::Update:
                WriteFileBytes(dir->path() / "K6123_6123.upd", kUpdateFile);
                host.chosenFiles.push_back((dir->path() / "K6123_6123.upd").string());
                Mark(arm);
                result = RunFirmwareUpdate(p, w).outcome == Outcome::Done ? 0 : 1;
                break;
            case Cmd::Info:
                Mark(arm);
                result = ControllerInfoCommand(p, w) == Outcome::Done ? 0 : 1;
                break;
            case Cmd::LockRead:
            case Cmd::LockWrite:
                p.settings.versionWord = std::min(p.settings.versionWord, 0x6123);
                LockFunctionsCommand(p, w);
                break;
            case Cmd::RpmRead:
            case Cmd::RpmWrite:
                p.settings.versionWord = std::min(p.settings.versionWord, 0x6123);
                RpmControlCommand(p, w);
                break;
            case Cmd::RevCounter:
                Mark(arm);
                RevCounterCommand(p, w);
                break;
        }
        counts.calls = serial().calls() - mark.calls;
        counts.received = ctl().bytesReceived() - mark.received;
        counts.sent = ctl().bytesSent() - mark.sent;
    }

    void Mark(const std::function<void()>& arm) {
        mark = {serial().calls(), ctl().bytesReceived(), ctl().bytesSent()};
        if (arm) arm();
    }

    // Every message box of the command but its question and its result.
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto& b : host.boxes) {
            if (b.text == "Update starten?" || b.caption == "Info:") continue;
            out.push_back(b.text);
        }
        return out;
    }

    std::string StatusText() { return w.controls[id::kStatusLine].text; }

    // The window's controls as text, for comparing two runs.
    static std::string Dump(const FakeWindow& w) {
        std::ostringstream out;
        for (const auto& [control, c] : w.controls) {
            out << control << " '" << c.text << "' " << c.checked << c.enabled << " " << c.selection
                << "\n";
        }
        return out.str();
    }

    // Plugging the adapter in again takes a person a while: the firmware has
    // long given up any command cut short.
    void ClearFaults() {
        sim.simClock().Spend(2000000000ull);
        serial().Replug();
        ctl().faults = sim::Faults{};
        ctl().profile.silent = false;
    }

    Cmd cmd;
    std::array<std::uint8_t, 256> before{};
    StepCounts mark;
    StepCounts counts;
    // What the command reported (0 done, 1 not); -1 for commands that
    // report nothing.
    int result = -1;
};

// What a sound line gives: the reference for the faulty and the retried run.
struct Reference {
    std::string window;
    std::string dialog;
    std::array<std::uint8_t, 256> memory{};
    std::vector<std::uint8_t> flash;
    std::vector<std::string> boxes;
    StepCounts counts;
};

Reference Clean(LinkKind link, Cmd cmd) {
    Scenario s(link, cmd);
    s.Run({});
    EXPECT_TRUE(s.Errors().empty()) << Name(cmd) << ": " << s.Errors()[0];
    Reference r;
    r.window = Scenario::Dump(s.w);
    r.dialog = Scenario::Dump(s.lastDialog);
    r.memory = s.ctl().memory;
    r.flash = s.ctl().flash;
    for (const auto& b : s.host.boxes) r.boxes.push_back(b.text);
    r.counts = s.counts;
    return r;
}

void Arm(Scenario& s, Fault f, const StepCounts& clean) {
    sim::Faults& faults = s.ctl().faults;
    const StepCounts& at = s.mark;
    switch (f) {
        case Fault::VanishEarly:
        case Fault::VanishMiddle:
        case Fault::VanishLate: {
            const double share = f == Fault::VanishEarly    ? 0.1
                                 : f == Fault::VanishMiddle ? 0.5
                                                            : 0.9;
            faults.serialVanishesAfterCalls =
                at.calls + static_cast<long>(static_cast<double>(clean.calls) * share);
            break;
        }
        case Fault::Silent:
            s.ctl().profile.silent = true;
            break;
        case Fault::DropReceivedEarly:
        case Fault::DropReceivedLate:
            faults.dropReceivedByte =
                at.received +
                (f == Fault::DropReceivedEarly ? clean.received / 4 : clean.received * 3 / 4);
            break;
        case Fault::DropSentEarly:
        case Fault::DropSentLate:
            faults.dropSentByte =
                at.sent + (f == Fault::DropSentEarly ? clean.sent / 4 : clean.sent * 3 / 4);
            break;
        case Fault::Noise:
            faults.uartNoise = true;
            break;
        case Fault::WrongEcho:
            faults.wrongEchoOnWrite = true;
            break;
    }
}

// The command's work as the sound line did it.
void ExpectSameWork(Scenario& s, const Reference& ref, const std::string& where) {
    SCOPED_TRACE(where);
    switch (s.cmd) {
        case Cmd::Read:
            EXPECT_EQ(Scenario::Dump(s.w), ref.window);
            break;
        case Cmd::Write:
        case Cmd::LockWrite:
        case Cmd::RpmWrite:
            // Every byte: one a missed command byte sent elsewhere is put
            // back.
            for (std::size_t a = 0; a < s.ctl().memory.size(); ++a) {
                EXPECT_EQ(int(s.ctl().memory[a]), int(ref.memory[a])) << "address " << a;
            }
            break;
        case Cmd::Update: {
            // The file's pages, read back on either wiring. A page a lost
            // select byte sent elsewhere is no part of the firmware.
            const auto page = [](const std::vector<std::uint8_t>& f, std::size_t n) {
                const auto at = f.begin() + static_cast<long>(n * sim::Controller::kPageSize);
                return std::vector<std::uint8_t>(at, at + sim::Controller::kPageSize);
            };
            for (std::size_t n : {1, 2, 3}) EXPECT_EQ(page(s.ctl().flash, n), page(ref.flash, n));
            EXPECT_EQ(s.StatusText(), "OK");
            break;
        }
        case Cmd::Info:
            ASSERT_FALSE(s.host.boxes.empty());
            EXPECT_EQ(s.host.boxes.back().text, ref.boxes.back());
            break;
        case Cmd::LockRead:
        case Cmd::RpmRead:
            EXPECT_EQ(Scenario::Dump(s.lastDialog), ref.dialog);
            break;
        case Cmd::RevCounter:
            EXPECT_EQ(s.host.dialogsRun.size(), 1u);
            break;
    }
}

// Nothing the command could not vouch for is shown or stored.
void ExpectNothingWrong(Scenario& s, const Reference& ref, LinkKind link, Fault f) {
    // A controller that stores another value than it was sent (the wrong
    // echo) is reported; what it holds then is its own doing.
    const auto oldOrNew = [&](std::initializer_list<int> addresses) {
        if (f == Fault::WrongEcho) return;
        for (int a : addresses) {
            const auto i = static_cast<std::size_t>(a);
            EXPECT_TRUE(s.ctl().memory[i] == s.before[i] || s.ctl().memory[i] == ref.memory[i])
                << "address " << a << " holds " << int(s.ctl().memory[i]);
        }
    };
    switch (s.cmd) {
        case Cmd::Read:
            for (int field :
                 {id::kFullSpeedTime, id::kNeutralTime, id::kStopTime, id::kAcceleration,
                  id::kStartupPower, id::kLogTransmitter, id::kVersionText, id::kMaxFrequency}) {
                EXPECT_EQ(s.w.controls[field].text, "") << field;
            }
            EXPECT_FALSE(s.w.controls[id::kWrite].enabled);
            EXPECT_GT(s.p.settings.versionWord, kVersionGateLimit);
            break;
        case Cmd::Write:
        case Cmd::LockWrite:
        case Cmd::RpmWrite:
            // A byte a missed command byte turned into another write has
            // been put back: every byte holds what it held or what was sent.
            for (int a = 0; a < 256; ++a) oldOrNew({a});
            break;
        case Cmd::Update:
            // The UART echoes vouch for every page byte; the bit-serial boot
            // loader has no read-back, so a byte it missed cannot be seen.
            if (link == LinkKind::Uart ||
                (f != Fault::DropReceivedEarly && f != Fault::DropReceivedLate)) {
                for (std::size_t page = 0; page < sim::Controller::kPages; ++page) {
                    const auto at = static_cast<long>(page * sim::Controller::kPageSize);
                    const std::vector<std::uint8_t> got(
                        s.ctl().flash.begin() + at,
                        s.ctl().flash.begin() + at + sim::Controller::kPageSize);
                    const std::vector<std::uint8_t> want(
                        ref.flash.begin() + at,
                        ref.flash.begin() + at + sim::Controller::kPageSize);
                    const std::vector<std::uint8_t> erased(sim::Controller::kPageSize, 0xFF);
                    EXPECT_TRUE(got == want || got == erased) << "page " << page;
                }
            }
            EXPECT_GT(s.p.settings.versionWord, kVersionGateLimit);
            break;
        case Cmd::LockRead:
            EXPECT_FALSE(s.lastDialog.controls[id::kLockWrite].enabled);
            break;
        case Cmd::RpmRead:
            EXPECT_EQ(s.lastDialog.controls[id::kRpmProportional].text, "");
            EXPECT_EQ(s.lastDialog.controls[id::kRpmIntegral].text, "");
            break;
        case Cmd::Info:
        case Cmd::RevCounter:
            EXPECT_TRUE(s.host.dialogsRun.empty());
            for (const auto& b : s.host.boxes) EXPECT_NE(b.caption, "Info:");
            break;
    }
}

TEST(FaultTable, EveryCommandEndsHonestlyAndWorksAgain) {
    const std::vector<Cmd> uartCommands = {Cmd::Read,     Cmd::Write,     Cmd::Update,
                                           Cmd::LockRead, Cmd::LockWrite, Cmd::RpmRead,
                                           Cmd::RpmWrite};
    const std::vector<Cmd> bitCommands = {Cmd::Read,    Cmd::Write,    Cmd::Update,
                                          Cmd::Info,    Cmd::LockRead, Cmd::LockWrite,
                                          Cmd::RpmRead, Cmd::RpmWrite, Cmd::RevCounter};
    const std::vector<Fault> uartFaults = {
        Fault::VanishEarly,   Fault::VanishMiddle,      Fault::VanishLate,
        Fault::Silent,        Fault::DropReceivedEarly, Fault::DropReceivedLate,
        Fault::DropSentEarly, Fault::DropSentLate,      Fault::Noise,
        Fault::WrongEcho};
    const std::vector<Fault> bitFaults = {
        Fault::VanishEarly,       Fault::VanishMiddle,     Fault::VanishLate, Fault::Silent,
        Fault::DropReceivedEarly, Fault::DropReceivedLate, Fault::WrongEcho};
    int failedRows = 0;
    int rows = 0;
    int failed = 0;
    for (const LinkKind link : {LinkKind::Uart, LinkKind::BitSerial}) {
        const bool uart = link == LinkKind::Uart;
        for (const Cmd cmd : uart ? uartCommands : bitCommands) {
            const Reference ref = Clean(link, cmd);
            std::vector<std::pair<Fault, long>> faults;
            for (const Fault fault : uart ? uartFaults : bitFaults) faults.emplace_back(fault, -1);
            // And the firmware missing a byte at every position of the
            // command; on the UART also the PC missing one of the replies.
            for (long at = 0; at < ref.counts.received; ++at) {
                faults.emplace_back(Fault::DropReceivedEarly, at);
            }
            for (long at = 0; uart && at < ref.counts.sent; ++at) {
                faults.emplace_back(Fault::DropSentEarly, at);
            }
            for (const auto& [fault, position] : faults) {
                const std::string row = std::string(uart ? "uart " : "bit ") + Name(cmd) + " / " +
                                        Name(fault) +
                                        (position < 0 ? "" : " at " + std::to_string(position));
                SCOPED_TRACE(row);
                Scenario s(link, cmd);
                s.Run([&, fault = fault, position = position] {
                    Arm(s, fault, ref.counts);
                    if (position >= 0 && fault == Fault::DropSentEarly) {
                        s.ctl().faults.dropSentByte = s.mark.sent + position;
                    } else if (position >= 0) {
                        s.ctl().faults.dropReceivedByte = s.mark.received + position;
                    }
                });
                const std::vector<std::string> errors = s.Errors();
                if (position < 0) ++rows;
                if (errors.empty()) {
                    // The fault did not touch what the command relies on.
                    ExpectSameWork(s, ref, "untouched");
                    EXPECT_NE(s.result, 1);
                } else {
                    if (position < 0) ++failed;
                    // One message (a dialog's own second box repeats the same text).
                    for (const std::string& e : errors) {
                        EXPECT_EQ(e, errors[0]);
                        EXPECT_EQ(kClearMessages.count(e), 1u) << e;
                    }
                    // The RPM dialog's Write works with the dialog as its
                    // status window; the main window's line is the Read's.
                    if (cmd != Cmd::RpmWrite) {
                        EXPECT_TRUE(s.StatusText() == " " || s.StatusText() == "")
                            << "'" << s.StatusText() << "'";
                    }
                    EXPECT_FALSE(s.w.controls[id::kStatusLine].enabled);
                    ExpectNothingWrong(s, ref, link, fault);
                    // A script sees the failure too.
                    EXPECT_NE(s.result, 0);
                }
                // The fault gone, the same command works.
                s.ClearFaults();
                s.Run({});
                EXPECT_TRUE(s.Errors().empty()) << s.Errors()[0];
                ExpectSameWork(s, ref, "after the fault");
                EXPECT_NE(s.result, 1);
                if (::testing::Test::HasFailure() && ++failedRows > 10) return;
            }
        }
    }
    // The faults are real: most rows of the table (the sweep aside) end
    // with a message.
    EXPECT_GT(failed * 4, rows * 3) << failed << " of " << rows;
}

}  // namespace
}  // namespace kvr
