// The FTDI fast path against the serial port: the same commands and faults, bytes and boxes.
//
// The real libftdi1 driver runs over the stand-in library and the simulated
// chip, the reference over the simulated serial port.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ftdi/ftdi_serial.h"
#include "ftdi_chip_model.h"
#include "libftdi_chip.h"
#include "libftdi_standin.h"
#include "path_cases.h"
#include "sim_devices.h"
#include "sim_line_batch.h"

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
        : prog(PathOptions(link).Through([this, ftdi, type](sim::Simulation& s) -> SerialDevice& {
              return ftdi ? rig.emplace(s, type).port : s.serial();
          })) {}
    ~PathProgram() {
        // The port is closed while the simulation it drives is still there.
        if (rig) rig->port.Close();
    }
    std::optional<FtdiRig> rig;
    SimProgram prog;
};

// On the Portix2 wiring in bit-bang, on the UART wiring through the chip's
// UART with the port's read time-outs.
TEST(FtdiPath, EveryCommandLeavesWhatThePortsOwnCallsLeave) {
    for (const PathCase& c : PathCases()) {
        SCOPED_TRACE(c.name);
        PathProgram plain(false, FtdiType::Ft232r, c.link);
        const PathResult ref = RunOn(plain.prog, c.run);
        EXPECT_EQ(ref.said, c.expected);
        EXPECT_EQ(ref.status.find("fast"), std::string::npos);
        for (FtdiType type : {FtdiType::Ft232r, FtdiType::Ft2232h}) {
            PathProgram fast(true, type, c.link);
            const PathResult r = RunOn(fast.prog, c.run);
            ExpectSame(r, ref);
            // The chip served the command, and the status line named it.
            EXPECT_EQ(fast.prog.sim.simSerial().calls(), 0);
            EXPECT_EQ(r.status.find(fast.rig->chip.sheet().model) != std::string::npos, c.command)
                << r.status;
        }
    }
}

TEST(FtdiPath, FaultsEndAsOnTheSerialPortAndTheNextCommandWorks) {
    const PathCase& read = PathCases()[1];
    PathProgram plain(false);
    const PathResult ref = RunOn(plain.prog, read.run);
    // The link's and the port's messages, as the fault table has them.
    const std::string lost =
        "|connection lost!|Read/write error!|no connection!|Cannot open "
        "comport!|Kann TIMEOUTS nicht schreiben.|Kann COM-Port Einstellung "
        "nicht lesen.|Kann COM-Port Einstellung nicht schreiben.|";
    // Faults strike halfway through the chip's calls of a sound Read.
    long half = 0;
    {
        PathProgram clean(true);
        EXPECT_EQ(RunOn(clean.prog, read.run).said, read.expected);
        half = clean.rig->chip.calls() / 2;
    }
    // The first two may end the command; with the last three the serial
    // port serves it call by call and the status line names no chip.
    const std::string faults[] = {"pulled out", "short read", "inverted pins", "fast path off",
                                  "environment"};
    for (int i = 0; i < 5; ++i) {
        const std::string& f = faults[i];
        SCOPED_TRACE(f);
        PathProgram fast(true);
        sim::FtdiChipModel& chip = fast.rig->chip;
        if (f == "pulled out") {
            // Midway through the command, and mid-batch where it plays any;
            // the tty goes with it.
            chip.faults.pulledOutAfterCalls = half;
            fast.prog.ctl().faults.serialVanishesAfterCalls = 0;
        }
        if (f == "short read") chip.faults.shortReadAfterCalls = half;
        if (f == "inverted pins") chip.faults.eepromInvert = ftdi_pin::kRts;
        if (f == "fast path off") fast.rig->port.SetFastPath(false);
        if (f == "environment") {
            setenv("KVR_NO_FAST_PATH", "1", 1);
            fast.rig->port.SetFastPath(!FastPathOffByEnvironment());
            unsetenv("KVR_NO_FAST_PATH");
        }
        PathResult r = RunOn(fast.prog, read.run);
        // A short read is a lost chip, never data: the command ends with a
        // message, or it found the link again and did its work in full.
        if (f == "short read") {
            EXPECT_EQ(chip.faults.shortReadAfterCalls, -1);
        }
        if (f == "pulled out") {
            EXPECT_NE(r.said, read.expected);
        }
        if (i < 2 && r.said != read.expected) {
            ASSERT_EQ(r.boxes.size(), 1u);
            EXPECT_NE(lost.find("|" + r.boxes[0] + "|"), std::string::npos) << r.boxes[0];
            fast.prog.sim.simClock().Spend(2000000000ull);
            chip.Replug();
            fast.prog.sim.simSerial().Replug();
            r = RunOn(fast.prog, read.run);
        }
        EXPECT_EQ(r.said, read.expected);
        EXPECT_EQ(r.window, ref.window);
        EXPECT_EQ(r.boxes, ref.boxes);
        EXPECT_EQ(fast.prog.sim.simSerial().IsOpen(), i >= 2);
        EXPECT_EQ(r.status.find("fast path") == std::string::npos, i >= 2) << r.status;
        // Where the fast path is off, the chip is not even opened.
        if (i > 2) {
            EXPECT_EQ(chip.calls(), 0);
        }
    }
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
    // The reference: the same sequence call by call on the serial port.
    sim::Simulation plain(sim::ClockKind::Virtual);
    ASSERT_TRUE(plain.serial().Open("COM2"));
    std::vector<bool> ref;
    ASSERT_TRUE(SimLineBatch(plain.serial(), plain.simClock()).Play(Probe(), ref));

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
