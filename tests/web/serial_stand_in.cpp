// The simulated controller behind a stand-in for a browser's serial port:
// the page's tests drive it from JavaScript (serial_stand_in.js) with the
// browser's own clock, so the page's serial device runs as on a real
// adapter.
#include <emscripten.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "adapter_wiring.h"
#include "sim_profiles.h"

namespace {

struct StandIn {
    kvr::sim::Controller controller;
    kvr::sim::AdapterWiring wiring{controller};
};

std::uint64_t Ns(double ns) {
    return ns > 0 ? static_cast<std::uint64_t>(ns) : 0;
}

StandIn& Of(void* standIn) {
    return *static_cast<StandIn*>(standIn);
}

}  // namespace

extern "C" {

// A controller on the named profile (as --simulate=NAME); null for a name
// that is none.
EMSCRIPTEN_KEEPALIVE void* kvr_stand_in_create(const char* profile) {
    const kvr::sim::SimulateRequest request = kvr::sim::ParseSimulate(profile);
    if (request.kind != kvr::sim::SimulateRequest::Kind::Run) return nullptr;
    auto standIn = std::make_unique<StandIn>();
    kvr::sim::ApplySetup(request.setup, standIn->controller);
    return standIn.release();
}

EMSCRIPTEN_KEEPALIVE void kvr_stand_in_destroy(void* standIn) {
    delete static_cast<StandIn*>(standIn);
}

// which: 0 request to send, 1 data terminal ready, 2 break.
EMSCRIPTEN_KEEPALIVE void kvr_stand_in_line(void* standIn, int which, int on, double nowNs) {
    using F = kvr::LineFunction;
    constexpr F kOn[] = {F::SetRts, F::SetDtr, F::SetBreak};
    constexpr F kOff[] = {F::ClrRts, F::ClrDtr, F::ClrBreak};
    if (which < 0 || which > 2) return;
    Of(standIn).wiring.SetLine(on != 0 ? kOn[which] : kOff[which], Ns(nowNs));
}

EMSCRIPTEN_KEEPALIVE int kvr_stand_in_cts(void* standIn, double nowNs) {
    return Of(standIn).wiring.Cts(Ns(nowNs)) ? 1 : 0;
}

// Returns when the byte has left.
EMSCRIPTEN_KEEPALIVE double kvr_stand_in_send(void* standIn, int byte, int baud, double nowNs) {
    const auto b = static_cast<std::uint8_t>(byte);
    return static_cast<double>(
        Of(standIn).wiring.Send(&b, 1, static_cast<std::uint32_t>(baud), Ns(nowNs)));
}

// The next byte that has arrived by horizonNs, or -1.
EMSCRIPTEN_KEEPALIVE int kvr_stand_in_receive(void* standIn, double horizonNs) {
    kvr::sim::TimedByte next;
    return Of(standIn).wiring.Receive(Ns(horizonNs), next) ? next.byte : -1;
}

// When the next byte for the PC arrives; -1 when none is on its way.
EMSCRIPTEN_KEEPALIVE double kvr_stand_in_next_arrival(void* standIn) {
    kvr::sim::TimedByte next;
    if (!Of(standIn).controller.PeekUart(UINT64_MAX, next)) return -1;
    return static_cast<double>(next.arrivalNs);
}

// What the controller decoded, one exchange a line, for a test's message;
// the caller frees it.
EMSCRIPTEN_KEEPALIVE char* kvr_stand_in_trace(void* standIn) {
    const std::string text = Of(standIn).controller.TraceText();
    return strdup(text.c_str());
}

// The controller's memory and flash, for the window cases' checks and
// set-ups.
EMSCRIPTEN_KEEPALIVE int kvr_stand_in_byte(void* standIn, int address) {
    return Of(standIn).controller.memory.at(static_cast<std::size_t>(address));
}

EMSCRIPTEN_KEEPALIVE void kvr_stand_in_set_byte(void* standIn, int address, int value) {
    Of(standIn).controller.memory.at(static_cast<std::size_t>(address)) =
        static_cast<std::uint8_t>(value);
}

EMSCRIPTEN_KEEPALIVE int kvr_stand_in_flash_size(void* standIn) {
    return static_cast<int>(Of(standIn).controller.flash.size());
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* kvr_stand_in_flash(void* standIn) {
    return Of(standIn).controller.flash.data();
}

// The decoded exchanges of one command ('V', 'W', ...) as "address value"
// lines; the caller frees it.
EMSCRIPTEN_KEEPALIVE char* kvr_stand_in_exchanges(void* standIn, int command) {
    std::string text;
    for (const kvr::sim::WireEvent& e : Of(standIn).controller.TraceOf(static_cast<char>(command)))
        text += std::to_string(e.address) + " " + std::to_string(e.value) + "\n";
    return strdup(text.c_str());
}

EMSCRIPTEN_KEEPALIVE void kvr_stand_in_forget_exchanges(void* standIn) {
    Of(standIn).controller.trace.clear();
}

EMSCRIPTEN_KEEPALIVE void kvr_stand_in_unplugged(void* standIn, double nowNs) {
    Of(standIn).wiring.Unplugged(Ns(nowNs));
}
}
