#include "fake_serial.h"

#include "serial_calls.h"

namespace kvr::testing {

bool FakeSerial::Open(const std::string& name) {
    calls.push_back("open " + name);
    if (open || present.count(name) == 0) return false;
    open = true;
    openName = name;
    ++opens;
    return true;
}

void FakeSerial::Close() {
    calls.push_back("close");
    if (open) ++closes;
    open = false;
}

bool FakeSerial::GetState(SerialConfig& c) {
    calls.push_back("getstate");
    if (!open || failGetState) return false;
    c = config;
    return true;
}

bool FakeSerial::SetState(const SerialConfig& c) {
    calls.push_back(SetStateCall(c));
    if (!open || failSetState) return false;
    config = c;
    return true;
}

bool FakeSerial::SetTimeouts(const SerialTimeouts& t) {
    calls.push_back(TimeoutsCall(t));
    if (!open || failTimeouts) return false;
    timeouts = t;
    return true;
}

bool FakeSerial::SetLine(LineFunction f) {
    calls.push_back(LineName(f));
    return open;
}

bool FakeSerial::GetModemStatus(std::uint32_t& status) {
    calls.push_back("status");
    if (!open) return false;
    status = modemStatus;
    return true;
}

bool FakeSerial::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    calls.push_back("read " + std::to_string(count));
    got = 0;
    if (!open) return false;
    while (got < count && !input.empty()) {
        buffer[got++] = input.front();
        input.pop_front();
    }
    return true;
}

bool FakeSerial::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    calls.push_back("write " + std::to_string(count));
    written = 0;
    if (!open) return false;
    output.insert(output.end(), buffer, buffer + count);
    written = count;
    return true;
}

}  // namespace kvr::testing
