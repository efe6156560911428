#include "adapter_wiring.h"

#include <algorithm>

namespace kvr::sim {

void AdapterWiring::Drive(bool& line, Pin pin, bool level, std::uint64_t nowNs) {
    line = level;
    ctl_.SetPin(pin, level, nowNs);
}

bool AdapterWiring::SetLine(LineFunction function, std::uint64_t nowNs) {
    using F = LineFunction;
    switch (function) {
        case F::SetRts:
        case F::ClrRts:
            Drive(rts_, kRtsPin, function == F::SetRts, nowNs);
            return true;
        case F::SetDtr:
        case F::ClrDtr:
            Drive(dtr_, kDtrPin, function == F::SetDtr, nowNs);
            return true;
        case F::SetBreak:
        case F::ClrBreak:
            Drive(break_, kBreakPin, function == F::SetBreak, nowNs);
            return true;
    }
    return false;
}

std::uint64_t AdapterWiring::Send(const std::uint8_t* bytes, std::size_t count, std::uint32_t baud,
                                  std::uint64_t nowNs) {
    const std::uint64_t byteNs = baud == 0 ? 1000000 : 10ull * 1000000000ull / baud;
    for (std::size_t i = 0; i < count; ++i) {
        txFreeNs_ = std::max(nowNs, txFreeNs_) + byteNs;
        if (!break_) ctl_.UartReceive(bytes[i], baud, txFreeNs_);
    }
    return std::max(nowNs, txFreeNs_);
}

bool AdapterWiring::Receive(std::uint64_t horizonNs, TimedByte& next) {
    if (!ctl_.PeekUart(horizonNs, next)) return false;
    ctl_.PopUart();
    return true;
}

void AdapterWiring::Unplugged(std::uint64_t nowNs) {
    break_ = false;
    ctl_.SetPin(kBreakPin, true, nowNs);
}

}  // namespace kvr::sim
