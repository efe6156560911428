#pragma once

#include <cstdint>

namespace kvr {

// The millisecond tick counter all link timing is built on. Wraps like a
// 32-bit counter; callers compare with unsigned differences.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() = 0;
};

}  // namespace kvr
