// The FTDI fast path against the serial port: the same commands and faults, bytes and boxes.
//
// The real libftdi1 driver runs over the stand-in library and the simulated
// chip, the reference over the simulated serial port.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/update_procedure.h"
#include "ftdi/ftdi_serial.h"
#include "ftdi_chip_model.h"
#include "libftdi_chip.h"
#include "libftdi_standin.h"
#include "locks/lock_functions.h"
#include "sim_devices.h"
#include "sim_program.h"

namespace kvr {
namespace {

using sim::FtdiType;
using sim::LinkKind;
using namespace testing;
namespace fs = std::filesystem;

// A tty of a USB device's interface as sysfs shows it (device address 7,
// vendor 0403).
void MakeUsbTty(const fs::path& sysfs, const std::string& tty, int interface,
                const std::string& product) {
    const fs::path usb = sysfs / "devices" / "usb1" / "1-1";
    const std::string name = "1-1:1." + std::to_string(interface);
    fs::create_directories(usb / name / tty);
    fs::create_directories(sysfs / "class" / "tty" / tty);
    fs::create_directory_symlink(usb / name / tty, sysfs / "class" / "tty" / tty / "device");
    for (const auto& [file, text] :
         {std::pair{usb / "busnum", std::string("1")}, std::pair{usb / "devnum", std::string("7")},
          std::pair{usb / "idVendor", std::string("0403")}, std::pair{usb / "idProduct", product},
          std::pair{usb / name / "bInterfaceNumber", "0" + std::to_string(interface)}}) {
        WriteFileBytes(file, text + "\n");
    }
}

// A USB serial adapter on COM2, its chip on the stand-in library, and the
// fast path over both.
struct FtdiRig {
    FtdiRig(sim::Simulation& s, FtdiType type)
        : chip(s.simClock(), s.controller(), type),
          driver(sysfs.path().string()),
          port(s.simSerial(), driver, s.clock()) {
        std::ostringstream product;
        product << std::hex << chip.sheet().productId;
        MakeUsbTty(sysfs.path(), "COM2", 0, product.str());
        kvr_libftdi_standin_attach(&chip);
    }
    ~FtdiRig() { kvr_libftdi_standin_attach(nullptr); }

    TempDir sysfs;
    sim::FtdiChipModel chip;
    LibftdiChip driver;
    FtdiSerial port;
};

// A program on a wiring, through the chip or the serial port.
struct PathProgram {
    explicit PathProgram(bool ftdi, FtdiType type = FtdiType::Ft232r,
                         LinkKind link = LinkKind::BitSerial)
        : prog(Options(ftdi, type, link)) {
        prog.ctl().memory[13] = 0xFD;
    }
    ~PathProgram() {
        // The port is closed while the simulation it drives is still there.
        if (rig) rig->port.Close();
    }
    SimOptions Options(bool ftdi, FtdiType type, LinkKind link) {
        SimOptions o = SimOptions().On(link).InFolder().StatusInWindow();
        if (ftdi) {
            o.port = [this, type](sim::Simulation& s) -> SerialDevice& {
                rig.emplace(s, type);
                return rig->port;
            };
        }
        return o;
    }

    std::optional<FtdiRig> rig;
    SimProgram prog;
};

enum class Cmd { Read, Write, Update, LockWrite };

// What a command left: the window, the controller's bytes, the boxes.
struct Result {
    bool done = false;
    std::string window;
    std::vector<std::uint8_t> memory;
    std::vector<std::uint8_t> flash;
    std::vector<std::string> boxes;
    std::string status;  // the status line's texts while it ran
};

std::string Dump(const FakeWindow& w) {
    std::ostringstream out;
    for (const auto& [control, c] : w.controls) {
        if (control != id::kStatusLine)
            out << control << " '" << c.text << "' " << c.enabled << "\n";
    }
    return out.str();
}

Result RunCommand(SimProgram& s, Cmd cmd) {
    s.host.boxes.clear();
    bool done = false;
    switch (cmd) {
        case Cmd::Read:
            done = s.Read() == Outcome::Done;
            break;
        case Cmd::Write:
            s.w.SetText(id::kAcceleration, "7");
            done = s.Write() == Outcome::Done;
            break;
        case Cmd::Update: {
            const fs::path file = s.dir->path() / "K6123_6123.upd";
            WriteFileBytes(file, "0040:0001\n0041:0002\n0080:0003\n00C5:0004\n");
            s.host.chosenFiles.push_back(file.string());
            done = RunFirmwareUpdate(s.p, s.w).outcome == Outcome::Done;
            break;
        }
        case Cmd::LockWrite:
            s.p.settings.versionWord = std::min(s.p.settings.versionWord, 0x6123);
            s.PlayDialog({id::kLockRead, id::kLockWrite},
                         {id::kLockRcSetup, id::kLockTestProgram, id::kLockWrite},
                         [](FakeWindow& d, int c) {
                             if (c == id::kLockWrite) d.SetCheck(id::kLockRcSetup, true);
                         });
            LockFunctionsCommand(s.p, s.w);
            done = s.Get(13) != 0xFD;
            break;
    }
    Result r;
    r.done = done;
    r.window = Dump(s.w);
    r.memory.assign(s.ctl().memory.begin(), s.ctl().memory.end());
    r.flash = s.ctl().flash;
    r.boxes = s.BoxTexts();
    for (const std::string& text : s.w.statusHistory) r.status += text + "|";
    return r;
}

// Commands other than Read start on read settings, as a person works.
Result Prepared(PathProgram& run, Cmd cmd) {
    if (cmd != Cmd::Read && cmd != Cmd::Update) {
        EXPECT_TRUE(RunCommand(run.prog, Cmd::Read).done);
    }
    return RunCommand(run.prog, cmd);
}

// On the Portix2 wiring in bit-bang, on the UART wiring through the chip's
// UART with the port's read time-outs.
TEST(FtdiPath, EveryCommandLeavesWhatThePortsOwnCallsLeave) {
    for (auto [cmd, link] : {std::pair{Cmd::Read, LinkKind::BitSerial},
                             {Cmd::Write, LinkKind::BitSerial},
                             {Cmd::Update, LinkKind::BitSerial},
                             {Cmd::LockWrite, LinkKind::BitSerial},
                             {Cmd::Read, LinkKind::Uart},
                             {Cmd::Write, LinkKind::Uart},
                             {Cmd::Update, LinkKind::Uart}}) {
        SCOPED_TRACE(static_cast<int>(cmd) + 10 * static_cast<int>(link));
        PathProgram plain(false, FtdiType::Ft232r, link);
        const Result ref = Prepared(plain, cmd);
        EXPECT_TRUE(ref.done);
        for (FtdiType type : {FtdiType::Ft232r, FtdiType::Ft2232h}) {
            PathProgram fast(true, type, link);
            const Result r = Prepared(fast, cmd);
            EXPECT_TRUE(r.done) << r.status;
            EXPECT_EQ(r.window, ref.window);
            EXPECT_EQ(r.memory, ref.memory);
            EXPECT_EQ(r.flash, ref.flash);
            EXPECT_EQ(r.boxes, ref.boxes);
            // The chip served the command and the status line named it.
            EXPECT_EQ(fast.prog.sim.simSerial().calls(), 0);
            EXPECT_NE(r.status.find(fast.rig->chip.sheet().model), std::string::npos) << r.status;
            EXPECT_EQ(ref.status.find("fast"), std::string::npos);
        }
    }
}

enum class Case { PulledOut, ShortRead, InvertedPins, FastPathOff, Environment };

TEST(FtdiPath, FaultsEndAsOnTheSerialPortAndTheNextCommandWorks) {
    PathProgram plain(false);
    const Result ref = RunCommand(plain.prog, Cmd::Read);
    // The link's and the port's messages, as the fault table has them.
    const std::vector<std::string> lost = {"connection lost!",
                                           "Read/write error!",
                                           "no connection!",
                                           "Cannot open comport!",
                                           "Kann TIMEOUTS nicht schreiben.",
                                           "Kann COM-Port Einstellung nicht lesen.",
                                           "Kann COM-Port Einstellung nicht schreiben."};
    // Faults strike halfway through the chip's calls of a sound Read.
    long half = 0;
    {
        PathProgram clean(true);
        EXPECT_TRUE(RunCommand(clean.prog, Cmd::Read).done);
        half = clean.rig->chip.calls() / 2;
    }
    for (Case c : {Case::PulledOut, Case::ShortRead, Case::InvertedPins, Case::FastPathOff,
                   Case::Environment}) {
        SCOPED_TRACE(static_cast<int>(c));
        PathProgram fast(true);
        sim::FtdiChipModel& chip = fast.rig->chip;
        bool fails = false;
        switch (c) {
            case Case::PulledOut:
                // Midway through the command, and mid-batch where it plays any.
                chip.faults.pulledOutAfterCalls = half;
                // The tty went with it.
                fast.prog.ctl().faults.serialVanishesAfterCalls = 0;
                fails = true;
                break;
            case Case::ShortRead:
                chip.faults.shortReadAfterCalls = half;
                break;
            case Case::InvertedPins:
                chip.faults.eepromInvert = ftdi_pin::kRts;
                break;
            case Case::FastPathOff:
                fast.rig->port.SetFastPath(false);
                break;
            case Case::Environment:
                setenv("KVR_NO_FAST_PATH", "1", 1);
                fast.rig->port.SetFastPath(!FastPathOffByEnvironment());
                unsetenv("KVR_NO_FAST_PATH");
                break;
        }
        Result r = RunCommand(fast.prog, Cmd::Read);
        // A short read is a lost chip, never data: the command ends with a
        // message, or it found the link again and did its work in full.
        if (c == Case::ShortRead) {
            EXPECT_EQ(chip.faults.shortReadAfterCalls, -1) << "no batch was read back";
            fails = !r.done;
        }
        if (fails) {
            EXPECT_FALSE(r.done);
            ASSERT_EQ(r.boxes.size(), 1u);
            EXPECT_NE(std::find(lost.begin(), lost.end(), r.boxes[0]), lost.end()) << r.boxes[0];
            fast.prog.sim.simClock().Spend(2000000000ull);
            chip.Replug();
            fast.prog.sim.simSerial().Replug();
            r = RunCommand(fast.prog, Cmd::Read);
        }
        EXPECT_TRUE(r.done);
        EXPECT_EQ(r.window, ref.window);
        EXPECT_EQ(r.boxes, ref.boxes);
        // Without the fast path the serial port served the command, and the
        // status line named no chip.
        const bool callByCall =
            c == Case::InvertedPins || c == Case::FastPathOff || c == Case::Environment;
        EXPECT_EQ(fast.prog.sim.simSerial().IsOpen(), callByCall);
        EXPECT_EQ(r.status.find("fast path") == std::string::npos, callByCall) << r.status;
        if (c != Case::InvertedPins && callByCall) {
            EXPECT_EQ(chip.calls(), 0);
        }
    }
}

// Plays a sequence call by call on the serial port, as the link does
// without a batch player.
std::vector<bool> PlayCallByCall(sim::Simulation& s, const LineSequence& sequence) {
    std::vector<bool> cts;
    for (const LineStep& step : sequence.Steps()) {
        if (step.kind == LineStep::Kind::Set) {
            EXPECT_TRUE(s.serial().SetLine(step.line));
        }
        if (step.kind == LineStep::Kind::Delay) {
            s.simClock().WaitUntil(s.simClock().NowNs() + step.units * kLineDelayUnitNs);
        }
        if (step.kind == LineStep::Kind::Sample) {
            std::uint32_t status = 0;
            EXPECT_TRUE(s.serial().GetModemStatus(status));
            cts.push_back(status != 0);
        }
    }
    return cts;
}

// The controller out of reset, then the bit-serial probe: two bytes 0xFE,
// each bit with data, clock up, data up again, CTS sampled, clock down.
LineSequence Probe() {
    LineSequence q;
    q.Set(LineFunction::SetBreak);
    q.Delay(30000);
    for (int byte = 0; byte < 2; ++byte) {
        q.Delay(800);
        for (int bit = 7; bit >= 0; --bit) {
            q.Set((0xFE >> bit) & 1 ? LineFunction::SetDtr : LineFunction::ClrDtr);
            q.Delay(2);
            q.Set(LineFunction::SetRts);
            q.Delay(2);
            q.Set(LineFunction::SetDtr);
            q.Delay(2);
            q.Sample();
            q.Delay(2);
            q.Set(LineFunction::ClrRts);
            q.Delay(2);
        }
    }
    return q;
}

TEST(FtdiPath, BatchesSampleWhatCallByCallSamplesAndALostChipIsNeverData) {
    sim::Simulation plain(sim::ClockKind::Virtual);
    ASSERT_TRUE(plain.serial().Open("COM2"));
    const std::vector<bool> ref = PlayCallByCall(plain, Probe());

    sim::Simulation s(sim::ClockKind::Virtual);
    FtdiRig rig(s, FtdiType::Ft232r);
    ASSERT_TRUE(rig.port.Open("COM2"));
    ASSERT_NE(rig.port.Batch(), nullptr);
    std::vector<bool> cts;
    ASSERT_TRUE(rig.port.Batch()->Play(Probe(), cts));
    EXPECT_EQ(cts, ref);
    // The controller answered the probe (0xF8 during the second byte).
    int answer = 0;
    for (std::size_t i = 8; i < cts.size(); ++i) answer = answer * 2 + (cts[i] ? 1 : 0);
    EXPECT_EQ(answer, 0xF8);
    EXPECT_EQ(s.controller().TraceText(), plain.controller().TraceText());

    // A byte short, or the chip gone mid-batch: false, and the port stays
    // failed until it is opened anew.
    for (bool pulled : {false, true}) {
        if (pulled) {
            rig.chip.faults.pulledOutAfterCalls = rig.chip.calls() + 20;
        } else {
            rig.chip.faults.shortReadAfterCalls = rig.chip.calls();
        }
        EXPECT_FALSE(rig.port.Batch()->Play(Probe(), cts));
        std::uint32_t status = 0;
        EXPECT_FALSE(rig.port.GetModemStatus(status));
        rig.port.Close();
        EXPECT_TRUE(kvr_libftdi_standin_tty_back());
        rig.chip.Replug();
        ASSERT_TRUE(rig.port.Open("COM2"));
        ASSERT_NE(rig.port.Batch(), nullptr);
    }
    rig.port.Close();
}

// Which chip and interface a port is: through a link to the tty, on the
// second interface of a dual chip; a tty that is no USB interface is none.
TEST(FtdiPath, SysfsTellsTheChipBehindAPort) {
    TempDir root;
    MakeUsbTty(root.path() / "sys", "ttyUSB1", 1, "6010");
    fs::create_directories(root.path() / "sys" / "class" / "tty" / "ttyS0" / "device");
    fs::create_directories(root.path() / "dev" / "serial");
    WriteFileBytes(root.path() / "dev" / "ttyUSB1", "");
    fs::create_symlink(root.path() / "dev" / "ttyUSB1", root.path() / "dev" / "serial" / "by-id");
    UsbSerialLocation at;
    ASSERT_TRUE(FindUsbSerial((root.path() / "sys").string(),
                              (root.path() / "dev" / "serial" / "by-id").string(), at));
    EXPECT_EQ(at.bus, 1);
    EXPECT_EQ(at.address, 7);
    EXPECT_EQ(at.vendor, 0x0403);
    EXPECT_EQ(at.product, 0x6010);
    EXPECT_EQ(at.interface, 1);
    EXPECT_FALSE(FindUsbSerial((root.path() / "sys").string(), "/dev/ttyS0", at));
    EXPECT_FALSE(FindUsbSerial((root.path() / "sys").string(), "/dev/ttyUSB9", at));
}

}  // namespace
}  // namespace kvr
