// What the serial programming connection keeps between commands.
#pragma once

#include <cstdint>
#include <string>

namespace kvr {

// What the serial programming connection keeps between commands.
struct IspState {
    std::uint16_t ispEchoWord = 0;  // bits 8-15 = 0x53: the chip is in step
    bool ispAnswered = false;       // a chip has answered before: skip the second-stage retries
    std::string ispStatusText;      // the signature block
    std::uint8_t fuseHigh = 0;
    std::uint8_t fuseLow = 0;
    std::uint8_t lockBits = 0;
};

}  // namespace kvr
