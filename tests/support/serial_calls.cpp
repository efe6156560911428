#include "serial_calls.h"

namespace kvr::testing {

const char* LineName(LineFunction f) {
    switch (f) {
        case LineFunction::SetRts:
            return "SETRTS";
        case LineFunction::ClrRts:
            return "CLRRTS";
        case LineFunction::SetDtr:
            return "SETDTR";
        case LineFunction::ClrDtr:
            return "CLRDTR";
        case LineFunction::SetBreak:
            return "SETBREAK";
        case LineFunction::ClrBreak:
            return "CLRBREAK";
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
