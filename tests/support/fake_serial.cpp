// The recording serial device of the tests.
#include "fake_serial.h"

#include "serial_calls.h"

namespace kvr::testing {

bool FakeSerial::Let(const std::string& call) {
    if (recording) calls.push_back(call);
    return !onCall || onCall(call);
}

int FakeSerial::Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call;
    return n;
}

bool FakeSerial::Open(const std::string& name) {
    if (!Let("open " + name)) return false;
    if (inner_ != nullptr) return inner_->Open(name);
    if (open || present.count(name) == 0) return false;
    open = true;
    openName = name;
    ++opens;
    return true;
}

void FakeSerial::Close() {
    if (!Let("close")) return;
    if (inner_ != nullptr) return inner_->Close();
    if (open) ++closes;
    open = false;
}

bool FakeSerial::GetState(SerialConfig& c) {
    if (!Let("getstate")) return false;
    return inner_ != nullptr ? inner_->GetState(c) : Store(c, config, failGetState);
}

bool FakeSerial::SetState(const SerialConfig& c) {
    if (!Let(SetStateCall(c))) return false;
    return inner_ != nullptr ? inner_->SetState(c) : Store(config, c, failSetState);
}

bool FakeSerial::SetTimeouts(const SerialTimeouts& t) {
    if (!Let(TimeoutsCall(t))) return false;
    return inner_ != nullptr ? inner_->SetTimeouts(t) : Store(timeouts, t, failTimeouts);
}

bool FakeSerial::SetLine(LineFunction f) {
    if (recording) lines.push_back(f);
    if (!Let(LineName(f))) return false;
    if (inner_ != nullptr) return inner_->SetLine(f);
    return open;
}

bool FakeSerial::GetModemStatus(std::uint32_t& status) {
    if (!Let("status")) return false;
    return inner_ != nullptr ? inner_->GetModemStatus(status) : Store(status, modemStatus, false);
}

bool FakeSerial::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    if (!Let("read " + std::to_string(count))) return false;
    if (inner_ != nullptr) return inner_->Read(buffer, count, got);
    if (!open) return false;
    while (got < count && !input.empty()) {
        buffer[got++] = input.front();
        input.pop_front();
    }
    return true;
}

bool FakeSerial::Write(const std::uint8_t* buffer, std::size_t count, std::size_t& written) {
    written = 0;
    if (!Let("write " + std::to_string(count))) return false;
    if (inner_ != nullptr) return inner_->Write(buffer, count, written);
    if (!open) return false;
    output.insert(output.end(), buffer, buffer + count);
    written = count;
    return true;
}

}  // namespace kvr::testing
