// The tests' clock, moving only when read.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"

namespace kvr::testing {

// A clock that moves only when read: the n-th read returns
// base + n * msNum / msDen milliseconds, so busy waits end after a known
// number of reads. Sleeps are recorded; with sleepAdvances they also move
// the clock on by the time asked for.
class FakeClock : public Clock {
  public:
    std::uint32_t TickCount() override {
        ++reads;
        lastTick = static_cast<std::uint32_t>(baseMs + reads * msNum / msDen + sleptUs / 1000);
        return lastTick;
    }
    // Moves preciseStepNs per reading, plus what sleeps added.
    std::uint64_t PreciseNs() override {
        ++preciseReads;
        preciseNs += preciseStepNs;
        return preciseNs + sleptUs * 1000;
    }
    void SleepUs(std::uint32_t us) override {
        sleeps.push_back(us);
        if (sleepAdvances) sleptUs += us;
    }
    std::uint64_t baseMs = 0;
    std::uint64_t msNum = 1;
    std::uint64_t msDen = 1;
    std::uint64_t reads = 0;
    std::uint32_t lastTick = 0;
    std::uint64_t preciseNs = 0;
    std::uint64_t preciseStepNs = 1000;
    std::uint64_t preciseReads = 0;
    bool sleepAdvances = false;
    std::uint64_t sleptUs = 0;
    std::vector<std::uint32_t> sleeps;
};

}  // namespace kvr::testing
