// Reading the firmware back through the chip's serial programming mode, as
// a programmer's verify does: the bit-serial boot loader itself has no
// read-back.
#pragma once

#include <array>
#include <functional>
#include <map>

#include "core_context.h"

namespace kvr {

inline constexpr int kFlashPageSize = 64;
// The bytes one page should hold, -1 where nothing was loaded.
using FlashPage = std::array<int, kFlashPageSize>;

enum class FlashCheck {
    Same,          // every loaded byte reads back as sent
    Differs,       // a byte differs, or a read was out of step
    Locked,        // the chip's lock bits forbid reading the flash
    NoConnection,  // the programming mode did not answer
    LinkLost,      // the device or the driver has gone (fault left)
};

// What the read-back found: where the flash first differs from what was
// sent and how many bytes differ (a read out of step counts as one).
struct FlashReport {
    FlashCheck check = FlashCheck::Same;
    int firstDifference = -1;  // byte address, -1 when none
    int differing = 0;
};

// Compares the pages (by page number) with the chip's flash, every loaded
// byte, so that a difference is reported with its extent; progress gets 0
// once the programming mode answers, then the share done in percent after
// each page. Leaves the chip released from reset.
FlashReport VerifyFlash(CoreContext& p, const std::map<int, FlashPage>& pages,
                        const std::function<void(int percent)>& progress);

}  // namespace kvr
