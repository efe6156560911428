// What the link keeps: the port and line state, the shift registers, the faults found.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/line_sequence.h"

namespace kvr {

enum class Medium { Parallel = 0, Serial = 1 };

// The program-wide link record.
struct LinkState {
    Medium medium = Medium::Parallel;
    std::string comDeviceName;  // "COM1" to "COM8", empty until chosen
    bool comOpen = false;       // the serial device is open and configured
    std::uint16_t lptBase = 0x378;
    std::uint32_t lptLatch = 0;  // last value written to the data register
    std::uint32_t lptInput = 0;  // last 16 bits read at lptBase
    bool directPortIo = false;
    bool driverModule = false;  // the driver library was loaded
    bool driverAvailable = false;
    std::uint32_t loopsPerTick = 0;
    bool linesInitialised = false;
    bool uartLink = false;
    bool bitBangLink = false;
};

// The bit-serial shift registers.
struct ExchangeWord {
    std::int32_t out = 0;
    std::int32_t in = 0;
};

inline constexpr std::size_t kRxBufferSize = 80;

// Work on the receive register, done in order once the samples it takes
// are known.
enum class RegisterStep : std::uint8_t {
    Clear,     // in = 0
    Shift,     // shift the next sample in
    Drop,      // the next sample is not used
    MaskByte,  // in &= 0xFF
    Keep,      // append in to keptRegisters
};

// Line steps a batching device has not yet played, and the register work
// that waits for their samples.
struct PendingLines {
    LineSequence lines;
    std::vector<RegisterStep> work;
};

// A line level as the link last set it; unknown after opening, after a
// failed change and after settings that drop the lines.
enum class LineLevel : std::int8_t { Unknown = -1, Low = 0, High = 1 };

// What the link could not vouch for since the command connected. Ordered:
// a later fault never hides a worse one.
enum class LinkFault {
    None,
    NoReply,  // a reply or an echo was missing, short or wrong
    Lost,     // a call on the serial port failed: the device is gone
    Driver,   // the parallel-port driver failed; its message has been shown
};

// Why ConnectLink found no link, for the app layer to say.
enum class ConnectFailure {
    None,
    Port,          // the port could not be opened or set up (lastErrorText)
    Lines,         // the lines could not be prepared for a restart (lastErrorText)
    NoController,  // nothing answered
    OtherModel,    // another model of the family answered
};

// Everything the link keeps between calls.
struct LinkData {
    LinkState state;
    ExchangeWord exchange;
    std::array<std::uint8_t, kRxBufferSize> rxBuffer{};
    std::string lastErrorText;      // left by a failing link operation, never cleared
    std::uint32_t modemStatus = 0;  // last status word; kept when a read fails
    // How long one status read of the open port takes (0: not timed since
    // it was opened). A port whose read takes longer than a delay unit gets
    // its delay units from the precise clock instead of from more reads.
    std::uint64_t statusReadNs = 0;
    bool clockDelays = false;
    LinkFault fault = LinkFault::None;
    // Why the last ConnectLink found no link.
    ConnectFailure connectFailure = ConnectFailure::None;
    PendingLines pending;
    // Registers kept by RegisterStep::Keep, for the caller to take.
    std::vector<std::int32_t> keptRegisters;
    // RTS (clock), DTR (data out), break (reset).
    std::array<LineLevel, 3> lineLevels{LineLevel::Unknown, LineLevel::Unknown, LineLevel::Unknown};
};

}  // namespace kvr
