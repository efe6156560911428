// Names of serial calls as the recording devices write them.
#include "serial_calls.h"

#include <utility>

namespace kvr::testing {

const char* LineName(LineFunction f) {
    using enum LineFunction;
    const std::pair<LineFunction, const char*> names[] = {
        {SetRts, "SETRTS"}, {ClrRts, "CLRRTS"},     {SetDtr, "SETDTR"},
        {ClrDtr, "CLRDTR"}, {SetBreak, "SETBREAK"}, {ClrBreak, "CLRBREAK"}};
    for (const auto& [function, name] : names) {
        if (function == f) return name;
    }
    return "?";
}

std::string SetStateCall(const SerialConfig& c) {
    return "setstate " + std::to_string(c.baudRate) + (c.keepLines ? "" : " drop");
}

std::string TimeoutsCall(const SerialTimeouts& t) {
    return "timeouts " + std::to_string(t.readIntervalMs) + "/" +
           std::to_string(t.readTotalMultiplierMs) + "/" + std::to_string(t.readTotalConstantMs);
}

bool IsLineCall(const std::string& call) {
    return call.size() > 3 && (call.compare(0, 3, "SET") == 0 || call.compare(0, 3, "CLR") == 0);
}

}  // namespace kvr::testing
