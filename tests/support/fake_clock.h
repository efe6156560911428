#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace kvr::testing {

// A clock that moves only when read: the n-th read returns
// base + n * msNum / msDen milliseconds, so busy waits end after a known
// number of reads.
class FakeClock : public Clock {
  public:
    std::uint32_t TickCount() override {
        ++reads;
        return static_cast<std::uint32_t>(baseMs + reads * msNum / msDen);
    }
    std::uint64_t baseMs = 0;
    std::uint64_t msNum = 1;
    std::uint64_t msDen = 1;
    std::uint64_t reads = 0;
};

}  // namespace kvr::testing
