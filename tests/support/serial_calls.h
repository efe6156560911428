// How the recording serial devices name the calls they see.
#pragma once

#include <string>
#include <vector>

#include "platform/serial_device.h"

namespace kvr::testing {

// How the recording serial devices name a call: "open COM2", "close",
// "getstate", "setstate 19200" (" drop" when the lines are not kept),
// "timeouts 3/0/400", "SETRTS" and the other line names, "status",
// "read 20", "write 1".
const char* LineName(LineFunction f);
std::string SetStateCall(const SerialConfig& c);
std::string TimeoutsCall(const SerialTimeouts& t);
bool IsLineCall(const std::string& call);

// The calls keep takes, in order.
template <class Keep>
std::vector<std::string> Kept(const std::vector<std::string>& calls, Keep keep) {
    std::vector<std::string> kept;
    for (const std::string& c : calls) {
        if (keep(c)) kept.push_back(c);
    }
    return kept;
}

}  // namespace kvr::testing
