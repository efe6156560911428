// The simulated controller's boot loader: restarts into boot mode, pages, and whole updates.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/update_procedure.h"
#include "controller.h"
#include "file_builders.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "res/ids.h"
#include "sim_program.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPage = sim::Controller::kPageSize;

std::string Wiring(const ::testing::TestParamInfo<sim::LinkKind>& info) {
    return info.param == sim::LinkKind::Uart ? "Uart" : "BitSerial";
}

// A program connected to the simulated controller over the link its
// wiring gives, without any restart on the way.
class BootModeTest : public ::testing::TestWithParam<sim::LinkKind>, public testing::SimProgram {
  protected:
    BootModeTest() : SimProgram(testing::SimOptions().On(GetParam()).BareWindow()) {}
    void SetUp() override {
        ASSERT_EQ(ConnectLink(p), 0);
        ASSERT_EQ(ctl().restarts, 0);
        ctl().trace.clear();
    }
    bool Uart() const { return GetParam() == sim::LinkKind::Uart; }
    // The update's restart: reset low, clock low, 100 ms, reset high, then
    // the time it gives the controller to start.
    void RestartLikeTheUpdate() {
        SetResetLow(p);
        SetClockLow(p);
        WaitMs(p, 100);
        SetResetHigh(p);
        WaitMs(p, 1000);
        // The update connects again at once; on the UART wiring that
        // reopens the port, which ends the break on the data wire.
        ASSERT_EQ(ConnectLink(p), 0);
    }
    // Selects the page, loads two bytes and commits it; the commit's result.
    int SendPage(int page, std::uint8_t first, std::uint8_t last) {
        SelectPage(p, page);
        LoadPageByte(p, 0, first);
        LoadPageByte(p, 63, last);
        return CommitPage(p, page);
    }
    Bytes PageOf(int page) {
        const auto begin = ctl().flash.begin() + static_cast<long>(page * kPage);
        return Bytes(begin, begin + static_cast<long>(kPage));
    }
    static Bytes Page(std::uint8_t first, std::uint8_t last) {
        Bytes page(kPage, 0xFF);
        page.front() = first;
        page.back() = last;
        return page;
    }
};

TEST_P(BootModeTest, FirmwareNeverRestartedIgnoresPageCommands) {
    EXPECT_FALSE(ctl().BootMode());
    // Page 5 is neither the echo of '3' (bit-serial) nor a space (UART), so
    // only a real answer could confirm it.
    EXPECT_EQ(SendPage(5, 0x12, 0x34), 1);
    EXPECT_EQ(PageOf(5), Bytes(kPage, 0xFF));
    EXPECT_EQ(ctl().ignoredPageCommands, 4);  // select, two loads, commit
    EXPECT_TRUE(ctl().TraceOf('W').empty());
    EXPECT_TRUE(ctl().TraceOf('X').empty());
    // Skipped whole: the command after them is understood.
    EXPECT_EQ(ReadControllerByte(p, 32).value, 0x61);
    EXPECT_EQ(ctl().TraceOf('U').size(), Uart() ? 1u : 2u);  // bit-serial reads twice
}

TEST_P(BootModeTest, RestartThroughTheResetLineEntersBootMode) {
    RestartLikeTheUpdate();
    EXPECT_EQ(ctl().restarts, 1);
    EXPECT_TRUE(ctl().BootMode());
    ASSERT_EQ(ConnectLink(p), 0);
    EXPECT_EQ(p.link.state.uartLink, Uart());
    EXPECT_EQ(SendPage(5, 0x12, 0x34), 0);
    EXPECT_EQ(p.link.exchange.in & 0xFF, 5) << "answered with the page it took";
    EXPECT_EQ(PageOf(5), Page(0x12, 0x34));
    EXPECT_EQ(ctl().ignoredPageCommands, 0);
    EXPECT_EQ(ctl().TraceOf('X').size(), 1u);
}

TEST_P(BootModeTest, BootModeKeepsTheLinkAndTheParameterCommands) {
    ctl().memory[13] = 0xFE;
    RestartLikeTheUpdate();
    ASSERT_EQ(ConnectLink(p), 0);
    EXPECT_TRUE(host.boxes.empty());
    // The update's version reads and its final lock-byte write.
    EXPECT_EQ(ReadControllerByte(p, 32).value, 0x61);
    EXPECT_EQ(ReadControllerByte(p, 33).value, 0x23);
    const int lock = ReadControllerByte(p, 13).value;
    EXPECT_EQ(lock, 0xFE);
    EXPECT_EQ(WriteControllerByte(p, 13, lock | 1), 0);
    EXPECT_EQ(ctl().memory[13], 0xFF);
    EXPECT_TRUE(ctl().BootMode());
}

TEST_P(BootModeTest, CommitAnswersThePageTakenNotThePageAsked) {
    RestartLikeTheUpdate();
    SelectPage(p, 4);
    LoadPageByte(p, 1, 0x77);
    EXPECT_EQ(CommitPage(p, 6), 1);
    EXPECT_EQ(p.link.exchange.in & 0xFF, 4);
    EXPECT_EQ(ctl().flash[4 * kPage + 1], 0x77);
    EXPECT_EQ(ctl().flash[6 * kPage + 1], 0xFF);
}

TEST_P(BootModeTest, RestartDropsAHalfLoadedPage) {
    RestartLikeTheUpdate();
    SelectPage(p, 2);
    LoadPageByte(p, 0, 0x55);
    RestartLikeTheUpdate();
    EXPECT_TRUE(ctl().BootMode());
    // The boot loader starts afresh: page 0, erased buffer.
    EXPECT_EQ(CommitPage(p, 2), 1);
    EXPECT_EQ(p.link.exchange.in & 0xFF, 0);
    EXPECT_EQ(PageOf(0), Bytes(kPage, 0xFF));
    EXPECT_EQ(PageOf(2), Bytes(kPage, 0xFF));
}

TEST_P(BootModeTest, LostCommitLeavesBootModeForAnotherTry) {
    RestartLikeTheUpdate();
    ctl().faults.lostCommitPage = 3;
    EXPECT_EQ(SendPage(3, 0x01, 0x02), 1);
    EXPECT_EQ(PageOf(3), Bytes(kPage, 0xFF));
    EXPECT_TRUE(ctl().TraceOf('X').empty());
    EXPECT_TRUE(ctl().BootMode());
    ctl().faults.lostCommitPage = -1;
    EXPECT_EQ(SendPage(3, 0x01, 0x02), 0);
    EXPECT_EQ(PageOf(3), Page(0x01, 0x02));
}

INSTANTIATE_TEST_SUITE_P(Wirings, BootModeTest,
                         ::testing::Values(sim::LinkKind::Uart, sim::LinkKind::BitSerial), Wiring);

struct RestartCase {
    const char* what;
    bool clock;    // when reset goes high
    bool dataOut;  // when reset goes high
    bool boot;
};

TEST(SimBootTest, MotorReleaseIsTheOneRestartWithoutBootMode) {
    const RestartCase cases[] = {
        {"update: clock low, data out low", false, false, true},
        {"detection: clock low, data out high", false, true, true},
        {"clock high only", true, false, true},
        {"motor release: both high", true, true, false},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Controller ctl;
        std::uint64_t now = 0;
        ctl.SetPin(sim::Pin::Reset, false, now);
        ctl.SetPin(sim::Pin::Clock, c.clock, now);
        ctl.SetPin(sim::Pin::DataOut, c.dataOut, now);
        now += 100000000;
        ctl.SetPin(sim::Pin::Reset, true, now);
        EXPECT_EQ(ctl.BootMode(), c.boot);
        EXPECT_EQ(ctl.restarts, 1);
    }
}

TEST(SimBootTest, LinkDetectionRestartDoesNoHarm) {
    testing::SimProgram r(testing::SimOptions().BareWindow());
    Program& p = r.p;
    sim::Controller& ctl = r.ctl();
    ctl.profile.runningAtStart = false;
    const auto memory = ctl.memory;
    ASSERT_EQ(ConnectLink(p), 0);
    EXPECT_EQ(ctl.restarts, 1);
    EXPECT_TRUE(p.link.state.bitBangLink);
    // Everything a settings command does still works, and nothing stored
    // has changed.
    EXPECT_EQ(ReadControllerByte(p, 12).value, 102);
    EXPECT_EQ(WriteControllerByte(p, 14, 12), 0);
    EXPECT_EQ(ctl.memory[14], 12);
    ctl.memory[14] = memory[14];
    EXPECT_EQ(ctl.memory, memory);
    EXPECT_EQ(ctl.flash, Bytes(sim::Controller::kPages * kPage, 0xFF));
    EXPECT_TRUE(r.host.boxes.empty());
    // A second detection finds it with the quick probe, no new restart.
    ASSERT_EQ(ConnectLink(p), 0);
    EXPECT_EQ(ctl.restarts, 1);
}

TEST(SimBootTest, UartWiringRestartsOnTheRiseOfTheResetLineOnly) {
    testing::SimProgram r(testing::SimOptions().BareWindow().On(sim::LinkKind::Uart));
    Program& p = r.p;
    sim::Controller& ctl = r.ctl();
    ctl.profile.startupMs = 50;
    ASSERT_EQ(ConnectLink(p), 0);
    EXPECT_TRUE(p.link.state.uartLink);
    // Held low (as the lines rest between commands) the chip runs on.
    SetResetLow(p);
    WaitMs(p, 100);
    EXPECT_EQ(ReadControllerByte(p, 33).value, 0x23);
    EXPECT_EQ(ctl.restarts, 0);
    EXPECT_FALSE(ctl.BootMode());
    SetResetHigh(p);
    EXPECT_EQ(ctl.restarts, 1);
    EXPECT_TRUE(ctl.BootMode());
    // The data wire is held in break: nothing gets through, not even the
    // echo.
    const long received = ctl.bytesReceived();
    EXPECT_EQ(ReadControllerByte(p, 32).value, 0x20);
    EXPECT_EQ(ctl.bytesReceived(), received);
    EXPECT_EQ(p.link.fault, LinkFault::NoReply);
    // Break ended (a low level holds nothing here), the started firmware
    // answers.
    SetResetLow(p);
    ClearLinkFault(p);
    EXPECT_EQ(ReadControllerByte(p, 32).value, 0x61);
    EXPECT_EQ(ctl.bytesReceived(), received + 2);
    EXPECT_EQ(p.link.fault, LinkFault::None);
}

// ---- The whole update against the boot loader ---------------------------

class BootUpdateTest : public ::testing::TestWithParam<sim::LinkKind>, public testing::SimProgram {
  protected:
    BootUpdateTest()
        : SimProgram(testing::SimOptions().On(GetParam()).BareWindow().InFolder("COM2")) {}
    // Three pages, 0 to 2, every fourth byte.
    int Update(UpdateOptions options = {}) {
        const auto records = testing::UpdateRecords(
            3 * 16, [](int a) { return a * 5 + 1; }, 4);
        image = testing::FlashImage(records, sim::Controller::kPages * kPage);
        const fs::path file = dir->path() / "K6123_6124.upd";
        std::ofstream(file, std::ios::binary) << testing::UpdateText(records);
        host.chosenFiles.push_back(file.string());
        result = RunFirmwareUpdate(p, w, options);
        return result.outcome == Outcome::Done ? 0 : 1;
    }

    Bytes image;
    UpdateResult result;
};

TEST_P(BootUpdateTest, FailedTransferStaysInBootModeAndANewUpdateWorks) {
    sim::Controller& ctl = sim.controller();
    ctl.faults.lostCommitPage = 1;
    Update();
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"Update starten?", "Read/write error - code1!"}));
    EXPECT_TRUE(ctl.BootMode());
    EXPECT_EQ(ctl.restarts, 1);
    EXPECT_NE(ctl.flash, image);

    ctl.faults.lostCommitPage = -1;
    host.boxes.clear();
    Update();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Update starten?"});
    EXPECT_EQ(ctl.flash, image);
    EXPECT_EQ(w.controls[id::kStatusLine].text, "OK");
    // On the Portix2 wiring the read-back's reset pulse and its release at
    // the end restart the chip twice more.
    EXPECT_EQ(ctl.restarts, GetParam() == sim::LinkKind::BitSerial ? 4 : 2);
}

TEST_P(BootUpdateTest, LostLastCommitEndsWithReadWriteError) {
    sim::Controller& ctl = sim.controller();
    ctl.faults.lostCommitPage = 2;
    Update();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Update starten?", "Read/write error!"}));
    // Pages 0 and 1 are in; the lost one is still erased.
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 2 * kPage, ctl.flash.begin()));
    EXPECT_EQ(Bytes(ctl.flash.begin() + 2 * kPage, ctl.flash.begin() + 3 * kPage),
              Bytes(kPage, 0xFF));
    EXPECT_TRUE(ctl.BootMode());
}

// On the Portix2 wiring the flash is read back through the programming
// mode, after the firmware's second and the lock byte's plain write; "OK"
// is the last word of a good update, also of one that could not be read.
TEST_P(BootUpdateTest, ReadBackOnThePortix2Wiring) {
    if (GetParam() != sim::LinkKind::BitSerial) {
        // The UART echoes every byte: no programming mode is needed there.
        EXPECT_EQ(Update(), 0);
        EXPECT_EQ(sim.controller().flash, image);
        EXPECT_TRUE(sim.controller().TraceOf('I').empty());
        EXPECT_FALSE(result.notVerified);
        return;
    }
    const std::string locked =
        "The update was written but not verified:\nthe chip's lock bits forbid reading its flash.";
    const std::string noIsp =
        "The update was written but not verified:\nthe chip's programming mode did not answer.";
    struct Case {
        const char* name;
        std::function<void(sim::Controller&)> set;
        bool verify;
        std::vector<testing::ShownBox> boxes;  // after the question
        std::string status;                    // at the end
        bool done, notVerified;
        int firstDifference, differing;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"sound", [](sim::Controller&) {}, true, {}, "OK", true, false, -1, 0},
        {"lock bits forbid reading", [](sim::Controller& c) { c.profile.lockBits = 0xFC; }, true,
         {{locked, "Info:"}}, "OK", true, true, -1, 0},
        {"no programming mode", [](sim::Controller& c) { c.profile.ispPresent = false; }, true,
         {{noIsp, "Warning!"}}, " ", false, true, -1, 0},
        {"a patched byte", [](sim::Controller& c) { c.faults.patchedFlashByte = 0x44; }, true,
         {{"Read/write error!", ""}}, " ", false, false, 0x44, 1},
        {"a patched byte, not read back",
         [](sim::Controller& c) { c.faults.patchedFlashByte = 0x44; }, false, {}, "OK", true, true,
         -1, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.boxes.clear();
        w.statusHistory.clear();
        sim::Controller& ctl = sim.controller();
        c.set(ctl);
        ctl.trace.clear();
        EXPECT_EQ(Update({.verify = c.verify}), c.done ? 0 : 1);
        std::vector<testing::ShownBox> boxes = {
            {"Update starten?", "Warning!", nullptr, MessageButtons::OkCancel}};
        boxes.insert(boxes.end(), c.boxes.begin(), c.boxes.end());
        EXPECT_EQ(host.boxes, boxes);
        EXPECT_EQ(w.controls[id::kStatusLine].text, c.status);
        EXPECT_EQ(result.notVerified, c.notVerified);
        EXPECT_EQ(result.check.firstDifference, c.firstDifference);
        EXPECT_EQ(result.check.differing, c.differing);
        // The lock byte goes back with one plain write, a second after the
        // last commit and before the read-back; nothing restarts the chip
        // in between.
        const auto commits = ctl.TraceOf('X');
        const auto writes = ctl.TraceOf('V');
        ASSERT_FALSE(commits.empty());
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].address, LockFlags);
        EXPECT_GE(writes[0].timeNs - commits.back().timeNs, 1000u * 1000 * 1000);
        const auto isp = ctl.TraceOf('I');
        EXPECT_EQ(isp.empty(), !c.verify || !ctl.profile.ispPresent);
        if (!isp.empty()) {
            EXPECT_GT(isp.front().timeNs, writes[0].timeNs);
        }
        if (c.done && !c.notVerified) {
            // Read Program Memory for every byte the file holds, and
            // "verifying...." shown after the programming mode answered.
            long reads = 0;
            for (const auto& e : isp) {
                if ((e.address >> 8) == 0x20 || (e.address >> 8) == 0x28) ++reads;
            }
            EXPECT_EQ(reads, 48);
            const std::vector<std::string>& h = w.statusHistory;
            ASSERT_GE(h.size(), 2u);
            EXPECT_EQ(std::vector<std::string>(h.end() - 2, h.end()),
                      (std::vector<std::string>{"verifying....", "OK"}));
        }
        ctl.profile = sim::Profile{};
        ctl.faults = sim::Faults{};
    }
}

INSTANTIATE_TEST_SUITE_P(Wirings, BootUpdateTest,
                         ::testing::Values(sim::LinkKind::Uart, sim::LinkKind::BitSerial), Wiring);

}  // namespace
}  // namespace kvr
