#pragma once

#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace kvr::sim {

// The time base of the simulated controller, in nanoseconds. The program
// reads it as a millisecond tick counter; the simulated devices charge their
// own duration to it and wait on it for replies.
class SimClock : public Clock {
  public:
    virtual std::uint64_t NowNs() = 0;
    // The cost of one device call (a port access, a status read).
    virtual void Spend(std::uint64_t ns) = 0;
    // Blocks until the given time (a UART reply, the end of a read time-out).
    virtual void WaitUntil(std::uint64_t ns) = 0;
};

// Advances only as the program works: every tick read and every device call
// costs a little time, so busy waits end after a known amount of work and a
// whole command runs in milliseconds, the same way every time.
class VirtualClock : public SimClock {
  public:
    explicit VirtualClock(std::uint64_t startNs = 0) : nowNs_(startNs) {}

    std::uint32_t TickCount() override;
    std::uint64_t PreciseNs() override;
    // Sleeping moves the clock on by the time asked for.
    void SleepUs(std::uint32_t us) override;
    std::uint64_t NowNs() override { return nowNs_; }
    void Spend(std::uint64_t ns) override { nowNs_ += ns; }
    void WaitUntil(std::uint64_t ns) override {
        if (ns > nowNs_) nowNs_ = ns;
    }

    // Cost of one tick read.
    std::uint64_t tickReadNs = 1000;
    // Tick reads so far: lets a caller see how much waiting the program did.
    std::uint64_t tickReads = 0;
    // Time given away in sleeps so far.
    std::uint64_t sleptNs = 0;

  private:
    std::uint64_t nowNs_;
};

// The steady clock of the machine, for a person trying the program.
class RealClock : public SimClock {
  public:
    RealClock();

    std::uint32_t TickCount() override;
    std::uint64_t PreciseNs() override { return NowNs(); }
    void SleepUs(std::uint32_t us) override;
    std::uint64_t NowNs() override;
    void Spend(std::uint64_t) override {}
    void WaitUntil(std::uint64_t ns) override;

  private:
    std::chrono::steady_clock::time_point origin_;
};

}  // namespace kvr::sim
