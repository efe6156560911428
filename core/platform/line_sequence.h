// A run of the serial port's line changes, pauses and CTS samples, described
// as data so that a device can play it call by call or take it as one batch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/serial_device.h"

namespace kvr {

// The link's delay unit: 250 ms over the calibration count, about 6.8 us.
// A pause of n units is never shorter than n * kLineDelayUnitNs.
inline constexpr std::uint64_t kLineDelayUnitNs = 250ull * 1000000 / 37000;

struct LineStep {
    enum class Kind : std::uint8_t { Set, Delay, Sample };
    Kind kind = Kind::Delay;
    LineFunction line = LineFunction::ClrRts;  // Set: the line change
    std::uint32_t units = 0;                   // Delay: the pause in delay units
};

// Steps in the order they reach the lines. A Sample reads CTS after every
// earlier step has taken effect.
class LineSequence {
  public:
    void Set(LineFunction line) { steps_.push_back({LineStep::Kind::Set, line, 0}); }
    void Delay(std::uint32_t units) {
        steps_.push_back({LineStep::Kind::Delay, LineFunction::ClrRts, units});
    }
    void Sample() {
        steps_.push_back({LineStep::Kind::Sample, LineFunction::ClrRts, 0});
        ++samples_;
    }
    void Clear() {
        steps_.clear();
        samples_ = 0;
    }
    bool Empty() const { return steps_.empty(); }
    const std::vector<LineStep>& Steps() const { return steps_; }
    std::size_t Samples() const { return samples_; }

  private:
    std::vector<LineStep> steps_;
    std::size_t samples_ = 0;
};

// A serial device that takes a whole sequence at once (an adapter chip that
// drives its pins from a buffer of states).
class LineBatch {
  public:
    virtual ~LineBatch() = default;
    // Plays the steps in order, no pause shorter than asked; cts gets one
    // entry per Sample (true: CTS on). false: the device failed or fewer
    // samples came back than asked; then nothing in cts may be used.
    virtual bool Play(const LineSequence& sequence, std::vector<bool>& cts) = 0;
};

}  // namespace kvr
