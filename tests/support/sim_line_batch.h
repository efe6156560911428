// A batching serial device for the tests: each line sequence is played onto
// the simulated controller's lines, pauses on the virtual clock.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/line_sequence.h"
#include "sim_clock.h"

namespace kvr::testing {

class SimLineBatch : public LineBatch {
  public:
    // lines: the device the steps are played on (its line and status calls).
    SimLineBatch(SerialDevice& lines, sim::SimClock& clock) : lines_(lines), clock_(clock) {}
    bool Play(const LineSequence& sequence, std::vector<bool>& cts) override;

    // Samples left out of every answer, as a short read from a chip would.
    std::size_t missingSamples = 0;
    int plays = 0;

  private:
    SerialDevice& lines_;
    sim::SimClock& clock_;
};

}  // namespace kvr::testing
