// A run of parameter writes vouched for as a whole, each byte read back.
#pragma once

#include <cstddef>
#include <vector>

#include "core_context.h"

// A run of parameter writes the link vouches for as a whole: every byte is
// read back, and on the bit-serial link no byte a lost command byte could
// have hit stays damaged.
namespace kvr {

struct ByteWrite {
    int address = 0;
    int value = 0;
};

enum class WriteOutcome {
    Written,         // every byte holds what was written, nothing else changed
    NotWritten,      // a write or its read-back did not hold; link in step again
    ReadBackFailed,  // a read-back reply did not arrive (fault left)
    LinkLost,        // the device or the driver has gone (fault left)
    Unreachable,     // the controller could not be found again (connectFailure)
};

// Writes in order and reads everything back. On the bit-serial link a byte
// the firmware missed shifts the command: the value becomes the address and
// the 0x00 that fetches the echo the value, so the bytes such a shift would
// hit are kept first. After a failure the link is brought back into step,
// those bytes are restored and the bytes written so far written again.
// `attempted` (may be null) receives how many writes were sent.
WriteOutcome WriteControllerBytes(CoreContext& p, const std::vector<ByteWrite>& writes,
                                  std::size_t* attempted = nullptr);

}  // namespace kvr
