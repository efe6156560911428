// The link's commands played call by call and as batches give the same results.
#include <gtest/gtest.h>

#include "link/connect.h"
#include "link/exchange.h"
#include "path_cases.h"
#include "sim_line_batch.h"

namespace kvr {
namespace {

using namespace testing;

// The bit-serial link on a port that plays line sequences as batches when
// told to.
struct BatchRig : SimProgram {
    explicit BatchRig(bool batched)
        : SimProgram(PathOptions(sim::LinkKind::BitSerial)), player(serial, sim.simClock()) {
        if (batched) serial.batch = &player;
    }
    SimLineBatch player;
};

// The same results and the same bytes in the controller call by call and
// batched; a device lost in the middle of a batch, or an answer short of
// samples, ends with the usual fault (the register then reads as the last
// status word, never as the samples).
TEST(LineBatchTest, CommandsGiveTheSameResultsCallByCallAndBatched) {
    std::vector<PathCase> cases;
    for (const PathCase& c : PathCases()) {
        if (c.link == sim::LinkKind::BitSerial) cases.push_back(c);
    }
    cases.push_back({"device lost in the middle of a page", sim::LinkKind::BitSerial,
                     [](SimProgram& s) {
                         s.serial.onCall = [&s](const std::string&) {
                             if (s.ctl().TraceOf('Y').size() >= 20)
                                 s.ctl().faults.serialVanishesAfterCalls = 0;
                             return true;
                         };
                         return Update(s, 100);
                     },
                     "3 0 0 fault 2"});
    // Batched only: call by call every sample is read.
    const PathCase shortAnswer{
        "an answer short of a sample", sim::LinkKind::BitSerial,
        [](SimProgram& s) {
            s.Set(12, 0xFF);
            ConnectLink(s.p);
            static_cast<BatchRig&>(s).player.missingSamples = 1;
            return Said(s, {ReadControllerByte(s.p, 12).value, s.p.link.state.comOpen});
        },
        "0 0 fault 2"};
    cases.push_back(shortAnswer);
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig calls(false), batched(true);
        const PathResult r = RunOn(batched, c.run);
        EXPECT_EQ(r.said, c.expected);
        EXPECT_GT(batched.player.plays, 0);
        if (c.name != shortAnswer.name) ExpectSame(r, RunOn(calls, c.run));
    }
}

}  // namespace
}  // namespace kvr
