#include "sim_line_batch.h"

#include <algorithm>

namespace kvr::testing {

bool SimLineBatch::Play(const LineSequence& sequence, std::vector<bool>& cts) {
    ++plays;
    cts.clear();
    for (const LineStep& step : sequence.Steps()) {
        std::uint32_t status = 0;
        switch (step.kind) {
            case LineStep::Kind::Set:
                if (!lines_.SetLine(step.line)) return false;
                break;
            case LineStep::Kind::Delay:
                clock_.Spend(std::uint64_t{step.units} * kLineDelayUnitNs);
                break;
            case LineStep::Kind::Sample:
                if (!lines_.GetModemStatus(status)) return false;
                cts.push_back((status & kModemCtsOn) != 0);
                break;
        }
    }
    cts.resize(cts.size() - std::min(missingSamples, cts.size()));
    return true;
}

}  // namespace kvr::testing
