// The link's commands played call by call and as batches give the same results.
#include <gtest/gtest.h>

#include <functional>

#include "app/update_procedure.h"
#include "file_builders.h"
#include "isp/flash_verify.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "sim_line_batch.h"
#include "sim_program.h"

namespace kvr {
namespace {

using namespace testing;

// The bit-serial link on a port that plays line sequences as batches when
// told to; Said sums up results and the link's fault.
struct BatchRig : SimProgram {
    explicit BatchRig(bool batched)
        : SimProgram(SimOptions().On(sim::LinkKind::BitSerial).InFolder("COM2")),
          player(serial, sim.simClock()) {
        if (batched) serial.batch = &player;
    }
    // A braced list is evaluated in order.
    std::string Said(std::initializer_list<int> values) const {
        std::string said;
        for (int v : values) said += std::to_string(v) + " ";
        return said + "fault " + std::to_string(static_cast<int>(p.link.fault));
    }
    std::string Update(int bytes) {
        const std::string file = (dir->path() / "K6123_6124.upd").string();
        WriteFileBytes(file, UpdateText(UpdateRecords(bytes, [](int a) { return a * 37 + 5; })));
        host.chosenFiles.push_back(file);
        const UpdateResult u = RunFirmwareUpdate(p, w);
        return Said(
            {static_cast<int>(u.outcome), static_cast<int>(u.check.check), u.check.differing});
    }
    SimLineBatch player;
};

// The same results and the same bytes in the controller call by call and
// batched; a device lost in the middle of a batch, or an answer short of
// samples, ends with the usual fault (the register then reads as the last
// status word, never as the samples).
TEST(LineBatchTest, CommandsGiveTheSameResultsCallByCallAndBatched) {
    struct Case {
        const char* name;
        std::function<std::string(BatchRig&)> run;
        std::string expected;
        bool batchOnly = false;
    };
    const Case cases[] = {
        {"probe, read and write a byte",
         [](BatchRig& r) {
             r.Set(12, 0xA7);
             ReadRun run(r.p);
             return r.Said({ConnectLink(r.p), ProbeLink(r.p, 5, 5, 5), run.Read(12).value,
                            static_cast<int>(run.End()), WriteControllerByte(r.p, 13, 0x5C),
                            r.Get(13)});
         },
         "0 248 167 0 0 92 fault 0"},
        {"settings Read and Write",
         [](BatchRig& r) {
             const auto read = static_cast<int>(r.Read());
             r.w.SetText(id::kAcceleration, "7");
             return r.Said({read, static_cast<int>(r.Write())});
         },
         "0 0 fault 0"},
        {"update: page commands, read-back", [](BatchRig& r) { return r.Update(150); },
         "0 0 0 fault 0"},
        {"read-back finds a changed byte",
         [](BatchRig& r) {
             std::map<int, FlashPage> pages{{1, {}}};
             pages[1].fill(0xFF);
             pages[1][3] = 0x12;
             const FlashReport f = VerifyFlash(r.p, pages, [](int) {});
             return r.Said({static_cast<int>(f.check), f.firstDifference, f.differing});
         },
         "1 67 1 fault 0"},
        {"device lost in the middle of a page",
         [](BatchRig& r) {
             r.serial.onCall = [&r](const std::string&) {
                 if (r.ctl().TraceOf('Y').size() >= 20) r.ctl().faults.serialVanishesAfterCalls = 0;
                 return true;
             };
             return r.Update(100);
         },
         "3 0 0 fault 2"},
        {"an answer short of a sample",
         [](BatchRig& r) {
             r.Set(12, 0xFF);
             ConnectLink(r.p);
             r.player.missingSamples = 1;
             return r.Said({ReadControllerByte(r.p, 12).value, r.p.link.state.comOpen});
         },
         "0 0 fault 2", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig calls(false), batched(true);
        EXPECT_EQ(c.run(batched), c.expected);
        EXPECT_GT(batched.player.plays, 0);
        if (c.batchOnly) continue;
        EXPECT_EQ(c.run(calls), c.expected);
        EXPECT_EQ(batched.BoxTexts(), calls.BoxTexts());
        EXPECT_EQ(batched.ctl().memory, calls.ctl().memory);
        EXPECT_EQ(batched.ctl().flash, calls.ctl().flash);
    }
}

}  // namespace
}  // namespace kvr
