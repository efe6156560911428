#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "app/update_procedure.h"
#include "controller.h"
#include "file_builders.h"
#include "isp/flash_verify.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "sim_line_batch.h"
#include "sim_program.h"
#include "simulation.h"

namespace kvr {
namespace {

using namespace testing;

// A program whose port plays line sequences as batches when told to.
struct BatchRig : SimProgram {
    explicit BatchRig(bool batched)
        : SimProgram(SimOptions().On(sim::LinkKind::BitSerial).InFolder("COM2")),
          player(serial, sim.simClock()) {
        if (batched) serial.batch = &player;
    }
    // The device vanishes once the controller has taken `bytes` page bytes.
    void VanishAfterPageBytes(std::size_t bytes) {
        serial.onCall = [this, bytes](const std::string&) {
            if (ctl().TraceOf('Y').size() >= bytes) ctl().faults.serialVanishesAfterCalls = 0;
            return true;
        };
    }
    std::string Update(int bytes) {
        const std::string file = (dir->path() / "K6123_6124.upd").string();
        std::ofstream(file, std::ios::binary)
            << UpdateText(UpdateRecords(bytes, [](int a) { return (a * 37 + 5) & 0xFF; }));
        host.chosenFiles.push_back(file);
        const UpdateResult u = RunFirmwareUpdate(p, w);
        return Said(static_cast<int>(u.outcome), static_cast<int>(u.check.check),
                    u.check.differing);
    }
    std::string Said(int a, int b = 0, int c = 0) const {
        return std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " fault " +
               std::to_string(static_cast<int>(p.link.fault));
    }
    SimLineBatch player;
};

// The link's commands on both paths: the same bytes reach the controller and
// the same results come back; a device lost in the middle of a batch and an
// answer short of samples end with the usual fault, never with data.
TEST(LineBatchTest, CommandsGiveTheSameResultsCallByCallAndBatched) {
    const std::string lost = " fault " + std::to_string(static_cast<int>(LinkFault::Lost));
    struct Case {
        const char* name;
        std::function<std::string(BatchRig&)> run;
        std::string expected;
        bool batchOnly = false;
    };
    const Case cases[] = {
        {"probe",
         [](BatchRig& r) {
             const int found = ConnectLink(r.p);
             return r.Said(found, ProbeLink(r.p, 5, 5, 5));
         },
         "0 248 0 fault 0"},
        {"read a byte",
         [](BatchRig& r) {
             r.Set(12, 0xA7);
             ConnectLink(r.p);
             const int value = ReadControllerByte(r.p, 12);
             return r.Said(value, ConfirmReads(r.p));
         },
         "167 0 0 fault 0"},
        {"write a byte",
         [](BatchRig& r) {
             ConnectLink(r.p);
             const int written = WriteControllerByte(r.p, 12, 0x5C);
             return r.Said(written, r.Get(12));
         },
         "0 92 0 fault 0"},
        {"settings Read and Write",
         [](BatchRig& r) {
             const Outcome read = r.Read();
             r.w.SetText(id::kAcceleration, "7");
             const Outcome write = r.Write();
             return r.Said(static_cast<int>(read), static_cast<int>(write));
         },
         "0 0 0 fault 0"},
        {"update: page commands and the read-back", [](BatchRig& r) { return r.Update(150); },
         "0 0 0 fault 0"},
        {"flash read-back finds a changed byte",
         [](BatchRig& r) {
             std::map<int, FlashPage> pages;
             pages[1].fill(0xFF);
             pages[1][3] = 0x12;
             pages[2].fill(-1);
             pages[2][0] = 0xFF;
             const FlashReport f = VerifyFlash(r.p, pages, [](int) {});
             return r.Said(static_cast<int>(f.check), f.firstDifference, f.differing);
         },
         "1 67 1 fault 0"},
        {"device lost in the middle of a page",
         [](BatchRig& r) {
             r.VanishAfterPageBytes(20);
             return r.Update(100);
         },
         "3 0 0" + lost},
        {"an answer short of a sample",
         [](BatchRig& r) {
             r.Set(12, 0xFF);
             ConnectLink(r.p);
             r.player.missingSamples = 1;
             const int value = ReadControllerByte(r.p, 12);
             return r.Said(value, r.p.link.state.comOpen);
         },
         // The register reads as the last status word, not as the samples.
         "0 0 0" + lost, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig calls(false);
        BatchRig batched(true);
        const std::string batchedSaid = c.run(batched);
        EXPECT_EQ(batchedSaid, c.expected);
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
