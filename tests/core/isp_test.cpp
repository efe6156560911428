// The programming mode: resets, retries, signatures and the flash read-back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/controller_info.h"
#include "controller.h"
#include "fake_host.h"
#include "isp/isp_connect.h"
#include "res/ids.h"
#include "sim_devices.h"
#include "sim_program.h"
#include "simulation.h"

namespace kvr {
namespace {

using namespace testing;

struct IspBench : SimProgram {
    explicit IspBench(Language lang = Language::English)
        : SimProgram(SimOptions().In(lang).BareWindow().StatusInWindow()) {
        serial.recording = true;
    }
    long ClockRises() const {
        return std::count(serial.lines.begin(), serial.lines.end(), LineFunction::SetRts);
    }
    long Instructions(int word1) {
        long n = 0;
        for (const auto& e : ctl().TraceOf('I')) n += e.address == word1;
        return n;
    }
};

std::string Block(const std::string& vendor, const std::string& family, const std::string& part) {
    return "Vendor Code: " + vendor + "\nPart Family: " + family + "\nPart Number: " + part +
           "\nEcho 53 received";
}

TEST(Isp, ControllerInfoShowsSignatureLockAndFuses) {
    for (Language lang : {Language::English, Language::German}) {
        IspBench b(lang);
        ControllerInfoCommand(b.p, b.w);
        const std::string expected =
            "Vendor Code: 1E\nPart Family: 93\nPart Number: 07\n\nLockbits: FF\nFuse HB: D9\n"
            "Fuse LB: E1\n";
        EXPECT_EQ(expected.size(), 86u);
        EXPECT_EQ(b.host.boxes, OneBox(expected, "Info:"));
        EXPECT_EQ(b.w.controls[id::kStatusLine].text, " ");
        EXPECT_FALSE(b.w.controls[id::kStatusLine].enabled);

        // Read in the order fuse high, fuse low, lock, after one signature read.
        std::vector<int> tail;
        for (const auto& e : b.ctl().TraceOf('I')) tail.push_back(e.address);
        ASSERT_GE(tail.size(), 7u);
        EXPECT_EQ(std::vector<int>(tail.end() - 3, tail.end()),
                  (std::vector<int>{0x5808, 0x5000, 0x5800}));
        EXPECT_EQ(b.Instructions(0x3000), 3);
        EXPECT_EQ(b.Instructions(0xAC53), 1);
    }
}

TEST(Isp, OtherBytesReachTheBoxUnjudged) {
    IspBench b;
    b.ctl().profile.signature = {0x1E, 0x94, 0x03};
    b.ctl().profile.fuseHigh = 0x00;
    b.ctl().profile.fuseLow = 0x3F;
    b.ctl().profile.lockBits = 0xFC;
    ControllerInfoCommand(b.p, b.w);
    EXPECT_EQ(b.host.boxes,
              OneBox("Vendor Code: 1E\nPart Family: 94\nPart Number: 03\n\nLockbits: FC\n"
                     "Fuse HB: 00\nFuse LB: 3F\n",
                     "Info:"));
}

TEST(Isp, FamilyJudgement) {
    struct Case {
        std::uint8_t family;
        int result;
        std::string error;  // the text before the signature block
    };
    const Case cases[] = {
        {0x8F, 1, "Unknown Device Code!\n\n"},
        {0x90, 0, ""},
        {0x93, 0, ""},
        {0x94, 0, ""},
        {0x95, 1, "Unknown Device Code!\n\n"},
        {0x00, 1, "Unknown Device Code!\n\n"},
    };
    for (const Case& c : cases) {
        IspBench b;
        b.ctl().profile.signature = {0x1E, c.family, 0x07};
        b.p.link.lastErrorText = "untouched";
        EXPECT_EQ(ConnectIsp(b.p), c.result) << int(c.family);
        char family[3];
        std::snprintf(family, sizeof family, "%02X", c.family);
        const std::string block = Block("1E", family, "07");
        EXPECT_EQ(b.p.isp.ispStatusText, block);
        EXPECT_EQ(b.p.isp.ispStatusText.size(), 64u);
        EXPECT_EQ(b.p.link.lastErrorText, c.result == 0 ? "untouched" : c.error + block);
        EXPECT_EQ(b.p.isp.ispAnswered, c.result == 0);
        EXPECT_TRUE(b.host.boxes.empty());
        if (c.result == 0) {
            EXPECT_EQ(b.Instructions(0x3000), 3) << "accepted at the first stage";
        }
    }
}

TEST(Isp, LockedChip) {
    IspBench b;
    b.ctl().profile.signature = {0x00, 0x01, 0x02};
    EXPECT_EQ(ConnectIsp(b.p), kIspLocked);
    EXPECT_EQ(b.p.link.lastErrorText, "Device locked!\n\n" + Block("00", "01", "02"));
    EXPECT_TRUE(b.p.isp.ispAnswered);

    IspBench info;
    info.ctl().profile.signature = {0x00, 0x01, 0x02};
    ControllerInfoCommand(info.p, info.w);
    EXPECT_EQ(info.host.boxes, OneBox("no connection!", "ERROR!"));
    EXPECT_EQ(info.Instructions(0x5808), 0);
}

TEST(Isp, ErasedChipWarnsAndConnects) {
    IspBench b(Language::German);
    b.ctl().profile.signature = {0xFF, 0xFF, 0xFF};
    ControllerInfoCommand(b.p, b.w);
    ASSERT_EQ(b.host.boxes.size(), 2u);
    EXPECT_EQ(b.host.boxes[0].text, "Device Code erased!\n\n");
    EXPECT_EQ(b.host.boxes[0].caption, "Warning:");
    EXPECT_EQ(b.host.boxes[1].caption, "Info:");
    EXPECT_EQ(b.host.boxes[1].text.substr(0, 48),
              "Vendor Code: FF\nPart Family: FF\nPart Number: FF\n");
    EXPECT_TRUE(b.p.isp.ispAnswered);
}

TEST(Isp, LockedReadingThenAnotherFamilyIsUnknown) {
    IspBench b;
    b.ctl().profile.signature = {0x00, 0x01, 0x02};
    b.serial.onCall = [&b](const std::string&) {
        if (b.Instructions(0x3000) >= 6) b.ctl().profile.signature = {0x1E, 0x93, 0x07};
        return true;
    };
    EXPECT_EQ(ConnectIsp(b.p), kIspFailed);
    EXPECT_EQ(b.p.link.lastErrorText, "Unknown Device Code!\n\n" + Block("1E", "93", "07"));
    EXPECT_FALSE(b.p.isp.ispAnswered);
}

TEST(Isp, NoAnswerAtAllGivesUpAfterAllStages) {
    IspBench b;
    b.ctl().profile.silent = true;
    b.p.isp.ispAnswered = true;
    EXPECT_EQ(ConnectIsp(b.p), kIspFailed);
    EXPECT_EQ(b.p.link.lastErrorText, "No Connection!\n\n");
    EXPECT_FALSE(b.p.isp.ispAnswered);
    // A Programming Enable is 32 clock cycles, a retry adds one pulse. Only
    // the third stage retried: 1 + 1 + (1 + 35) instructions, 35 pulses.
    EXPECT_EQ(b.ClockRises(), 38 * 32 + 35);

    IspBench fresh;
    fresh.ctl().profile.silent = true;
    EXPECT_EQ(ConnectIsp(fresh.p), kIspFailed);
    // Both stages retried: 73 instructions, 70 pulses.
    EXPECT_EQ(fresh.ClockRises(), 73 * 32 + 70);

    IspBench info(Language::German);
    info.ctl().profile.silent = true;
    ControllerInfoCommand(info.p, info.w);
    EXPECT_EQ(info.host.boxes, OneBox("Keine Verbindung!", "ERROR!"));
}

TEST(Isp, ChipOutOfStepComesIntoStepByTheRetryClockPulses) {
    for (bool answeredBefore : {false, true}) {
        IspBench b;
        b.ctl().faults.ispSkewBits = 3;
        b.p.isp.ispAnswered = answeredBefore;
        EXPECT_EQ(ConnectIsp(b.p), kIspConnected) << answeredBefore;
        EXPECT_EQ(b.p.isp.ispStatusText, Block("1E", "93", "07"));
        EXPECT_TRUE(b.p.isp.ispAnswered);
        const long rises = b.ClockRises();
        EXPECT_GT(rises, 3 * 32 + 32) << "needed the retry loop";
        if (!answeredBefore) {
            IspBench again;
            again.ctl().faults.ispSkewBits = 3;
            again.p.isp.ispAnswered = true;
            ASSERT_EQ(ConnectIsp(again.p), kIspConnected);
            // A chip seen before gets its retries only in the third stage:
            // one Programming Enable more.
            EXPECT_EQ(again.ClockRises(), rises + 32);
        }
    }
}

TEST(Isp, PortThatCannotBeOpened) {
    IspBench b;
    b.p.link.state.comDeviceName = "";
    ControllerInfoCommand(b.p, b.w);
    EXPECT_EQ(b.host.boxes, OneBox("Cannot open comport!", "Error", &b.w));
    EXPECT_FALSE(b.w.controls[id::kStatusLine].enabled);
    EXPECT_EQ(b.w.controls[id::kStatusLine].text, " ");
}

}  // namespace
}  // namespace kvr

namespace kvr {
namespace {

// A parallel port without its driver: one box for the whole command, not
// one per port access, and the command ends.
TEST(Isp, MissingDriverShowsOneBoxAndEndsTheCommand) {
    IspBench b;
    b.p.link.state.medium = Medium::Parallel;
    b.sim.simPortIo().driverPresent = false;
    b.p.link.state.driverModule = false;
    ControllerInfoCommand(b.p, b.w);
    EXPECT_EQ(b.host.BoxTexts(), std::vector<std::string>{"Error during driver access!"});
    EXPECT_EQ(b.w.endResult, 1);
    EXPECT_EQ(b.w.controls[id::kStatusLine].text, " ");
    EXPECT_FALSE(b.w.controls[id::kStatusLine].enabled);

    // The next command may say it again, once.
    ControllerInfoCommand(b.p, b.w);
    EXPECT_EQ(b.host.boxes.size(), 2u);
}

// The device gone in the middle of reading the fuses: that is what the
// box says, not a silent chip and not the fuses.
TEST(Isp, DeviceLostWhileReadingTheFusesIsSaid) {
    IspBench b;
    b.serial.onCall = [&b](const std::string&) {
        if (b.Instructions(0x5808) > 0) b.ctl().faults.serialVanishesAfterCalls = 0;
        return true;
    };
    ControllerInfoCommand(b.p, b.w);
    EXPECT_EQ(b.host.BoxTexts(), std::vector<std::string>{"connection lost!"});
    EXPECT_EQ(b.w.controls[id::kStatusLine].text, " ");
}

}  // namespace
}  // namespace kvr
