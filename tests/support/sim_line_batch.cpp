// Plays line sequences onto the simulated controller for the batching test device.
#include "sim_line_batch.h"

#include <algorithm>

namespace kvr::testing {

bool SimLineBatch::Play(const LineSequence& sequence, std::vector<bool>& cts) {
    ++plays;
    cts.clear();
    for (const LineStep& step : sequence.Steps()) {
        std::uint32_t status = 0;
        if (step.kind == LineStep::Kind::Delay) {
            clock_.Spend(std::uint64_t{step.units} * kLineDelayUnitNs);
        } else if (step.kind == LineStep::Kind::Set ? !lines_.SetLine(step.line)
                                                    : !lines_.GetModemStatus(status)) {
            return false;
        } else if (step.kind == LineStep::Kind::Sample) {
            cts.push_back((status & kModemCtsOn) != 0);
        }
    }
    cts.resize(cts.size() - std::min(missingSamples, cts.size()));
    return true;
}

}  // namespace kvr::testing
