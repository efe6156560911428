// The clock of the seam: the millisecond tick counter, a precise reading and a nap.
#pragma once

#include <cstdint>

namespace kvr {

// The millisecond tick counter all link timing is built on. Wraps like a
// 32-bit counter; callers compare with unsigned differences.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() = 0;
    // A steady reading in nanoseconds, for delays far below one tick; only
    // differences mean anything. Always 0 where the platform has none: the
    // delays then stay with port reads.
    virtual std::uint64_t PreciseNs() { return 0; }
    // Gives the processor away for about us microseconds. It may end early
    // or late: waits check the tick counter afterwards. Without a way to
    // sleep it returns at once and the caller spins.
    virtual void SleepUs(std::uint32_t us) { (void)us; }
};

}  // namespace kvr
