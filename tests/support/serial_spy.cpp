#include "serial_spy.h"

#include "serial_calls.h"

namespace kvr::testing {

bool SerialSpy::Let(const std::string& call) {
    if (recording) calls.push_back(call);
    return !onCall || onCall(call);
}

bool SerialSpy::Open(const std::string& name) {
    return Let("open " + name) && inner_.Open(name);
}

void SerialSpy::Close() {
    if (Let("close")) inner_.Close();
}

bool SerialSpy::GetState(SerialConfig& c) {
    return Let("getstate") && inner_.GetState(c);
}

bool SerialSpy::SetState(const SerialConfig& c) {
    return Let(SetStateCall(c)) && inner_.SetState(c);
}

bool SerialSpy::SetTimeouts(const SerialTimeouts& t) {
    return Let(TimeoutsCall(t)) && inner_.SetTimeouts(t);
}

bool SerialSpy::SetLine(LineFunction f) {
    if (recording) lines.push_back(f);
    return Let(LineName(f)) && inner_.SetLine(f);
}

bool SerialSpy::GetModemStatus(std::uint32_t& s) {
    return Let("status") && inner_.GetModemStatus(s);
}

bool SerialSpy::Read(std::uint8_t* b, std::size_t n, std::size_t& got) {
    got = 0;
    return Let("read " + std::to_string(n)) && inner_.Read(b, n, got);
}

bool SerialSpy::Write(const std::uint8_t* b, std::size_t n, std::size_t& written) {
    written = 0;
    return Let("write " + std::to_string(n)) && inner_.Write(b, n, written);
}

int SerialSpy::Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call;
    return n;
}

}  // namespace kvr::testing
