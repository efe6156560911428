// The programming mode: resets, retries, signatures and the flash read-back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

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

// Controller Info on chips and ports of every kind: its boxes, whether it
// got as far as the fuses, and the status line blank and disabled at the end.
TEST(Isp, ControllerInfoBoxes) {
    struct Case {
        const char* name;
        Language lang;
        std::function<void(IspBench&)> setUp;
        std::vector<ShownBox> boxes;
        bool fusesRead;
        bool ownedByMain = false;
    };
    const Case cases[] = {
        {"other bytes reach the box unjudged", Language::English,
         [](IspBench& b) {
             b.ctl().profile.signature = {0x1E, 0x94, 0x03};
             b.ctl().profile.fuseHigh = 0x00;
             b.ctl().profile.fuseLow = 0x3F;
             b.ctl().profile.lockBits = 0xFC;
         },
         OneBox("Vendor Code: 1E\nPart Family: 94\nPart Number: 03\n\nLockbits: FC\n"
                "Fuse HB: 00\nFuse LB: 3F\n",
                "Info:"),
         true},
        {"locked chip", Language::English,
         [](IspBench& b) {
             b.ctl().profile.signature = {0x00, 0x01, 0x02};
         },
         OneBox("no connection!", "ERROR!"), false},
        {"erased chip warns and connects",
         Language::German,
         [](IspBench& b) {
             b.ctl().profile.signature = {0xFF, 0xFF, 0xFF};
         },
         {{"Device Code erased!\n\n", "Warning:"},
          {"Vendor Code: FF\nPart Family: FF\nPart Number: FF\n\nLockbits: FF\nFuse HB: D9\n"
           "Fuse LB: E1\n",
           "Info:"}},
         true},
        {"no answer at all", Language::German, [](IspBench& b) { b.ctl().profile.silent = true; },
         OneBox("Keine Verbindung!", "ERROR!"), false},
        {"port that cannot be opened", Language::English,
         [](IspBench& b) { b.p.link.state.comDeviceName = ""; },
         OneBox("Cannot open comport!", "Error"), false, true},
        // A parallel port without its driver: one box for the whole command,
        // not one per port access, and the command ends.
        {"missing driver", Language::English,
         [](IspBench& b) {
             b.p.link.state.medium = Medium::Parallel;
             b.sim.simPortIo().driverPresent = false;
             b.p.link.state.driverModule = false;
         },
         OneBox("Error during driver access!", "Error"), false},
        // The device gone in the middle of reading the fuses: that is what
        // the box says, not a silent chip and not the fuses.
        {"device lost while reading the fuses", Language::English,
         [](IspBench& b) {
             b.serial.onCall = [&b](const std::string&) {
                 if (b.Instructions(0x5808) > 0) b.ctl().faults.serialVanishesAfterCalls = 0;
                 return true;
             };
         },
         OneBox("connection lost!", "Error"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IspBench b(c.lang);
        c.setUp(b);
        std::vector<ShownBox> boxes = c.boxes;
        if (c.ownedByMain) boxes[0].owner = &b.w;
        ControllerInfoCommand(b.p, b.w);
        EXPECT_EQ(b.host.boxes, boxes);
        EXPECT_EQ(b.Instructions(0x5808) > 0, c.fusesRead);
        EXPECT_EQ(b.w.controls[id::kStatusLine].text, " ");
        EXPECT_FALSE(b.w.controls[id::kStatusLine].enabled);
        if (std::string(c.name) == "missing driver") {
            EXPECT_EQ(b.w.endResult, 1);
            // The next command may say it again, once.
            ControllerInfoCommand(b.p, b.w);
            EXPECT_EQ(b.host.boxes.size(), 2u);
        }
    }
}

}  // namespace
}  // namespace kvr
