// Parameter writes read back, and bytes a lost command byte may have hit repaired.
#include "link/verified_writes.h"

#include <algorithm>
#include <map>
#include <utility>

#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"

namespace kvr {

namespace {

constexpr int kWriteCommand = 'V';

bool Gone(const CoreContext& p) {
    return p.link.fault == LinkFault::Lost || p.link.fault == LinkFault::Driver;
}

// Addresses a single lost byte of the write (address, value) could store
// into, other than the address itself: with the address lost, `value`
// becomes the address (and 0x00 the value); with the command byte lost and
// a value that reads as the write command, 0x00 becomes the address and the
// probe's 0xFE the value.
std::vector<int> ShiftTargets(const ByteWrite& w) {
    std::vector<int> out{w.value};
    if (w.value == kWriteCommand) out.push_back(0x00);
    return out;
}

using Expectation = std::vector<std::pair<int, int>>;

// Reads every address and compares; false on a difference or a fault.
bool Holds(CoreContext& p, const Expectation& expected) {
    ReadRun run(p);
    bool same = true;
    for (const auto& [address, value] : expected) {
        const ByteRead read = run.Read(address);
        if ((read.value & 0xFF) != value) same = false;
        if (!read.Arrived()) return false;
    }
    return run.End() == LinkFault::None && same;
}

// What the run left in the controller when it ended after `sent` writes:
// the last value of each written address in the order written, then the
// kept bytes.
Expectation Expected(const std::vector<ByteWrite>& writes, std::size_t sent,
                     const std::map<int, int>& kept) {
    Expectation out;
    for (std::size_t i = 0; i < sent; ++i) {
        const auto same = [&](const std::pair<int, int>& e) {
            return e.first == writes[i].address;
        };
        const auto at = std::find_if(out.begin(), out.end(), same);
        if (at == out.end()) {
            out.emplace_back(writes[i].address, writes[i].value);
        } else {
            at->second = writes[i].value;
        }
    }
    out.insert(out.end(), kept.begin(), kept.end());
    return out;
}

// The bit-serial run: keep, write, read back, repair.
WriteOutcome BitSerialRun(CoreContext& p, const std::vector<ByteWrite>& writes,
                          std::size_t& attempted) {
    std::map<int, int> kept;
    ReadRun keeping(p);
    for (const ByteWrite& w : writes) {
        for (const int address : ShiftTargets(w)) {
            const bool written =
                std::any_of(writes.begin(), writes.end(),
                            [address](const ByteWrite& x) { return x.address == address; });
            // A written address is checked by its own read-back.
            if (!written && kept.count(address) == 0) {
                kept[address] = keeping.Read(address).value & 0xFF;
            }
        }
    }
    if (keeping.End() != LinkFault::None)
        return Gone(p) ? WriteOutcome::LinkLost : WriteOutcome::ReadBackFailed;

    bool failed = false;
    for (const ByteWrite& w : writes) {
        ++attempted;
        if (WriteControllerByte(p, w.address, w.value) != 0) {
            failed = true;
            break;
        }
    }
    const Expectation expected = Expected(writes, attempted, kept);
    if (!failed && Holds(p, expected)) return WriteOutcome::Written;
    if (Gone(p)) return WriteOutcome::LinkLost;

    // Out of step or a byte wrong: find the controller again, put back
    // what a shifted command may have hit and write again what was sent.
    if (ConnectLink(p) != 0) return WriteOutcome::Unreachable;
    for (const auto& [address, value] : expected) {
        // A kept byte is written only when it has changed; one that reads
        // otherwise is written without the probe.
        ReadRun check(p);
        const bool intact = kept.count(address) != 0 &&
                            (check.Read(address).value & 0xFF) == value &&
                            check.End() == LinkFault::None;
        if (intact) continue;
        if (WriteControllerByte(p, address, value) != 0) break;
    }
    return Gone(p) ? WriteOutcome::LinkLost : WriteOutcome::NotWritten;
}

// On the UART link every command byte comes back as an echo, so a byte the
// firmware missed shows at the write itself.
WriteOutcome UartRun(CoreContext& p, const std::vector<ByteWrite>& writes, std::size_t& attempted) {
    for (const ByteWrite& w : writes) {
        ++attempted;
        if (WriteControllerByte(p, w.address, w.value) != 0) {
            return Gone(p) ? WriteOutcome::LinkLost : WriteOutcome::NotWritten;
        }
    }
    // A later write to the same address counts.
    for (const auto& [address, value] : Expected(writes, writes.size(), {})) {
        // Each UART reply vouches for itself.
        const ByteRead stored = ReadControllerByte(p, address);
        if (!stored.Arrived())
            return Gone(p) ? WriteOutcome::LinkLost : WriteOutcome::ReadBackFailed;
        if ((stored.value & 0xFF) != value) return WriteOutcome::NotWritten;
    }
    return WriteOutcome::Written;
}

}  // namespace

WriteOutcome WriteControllerBytes(CoreContext& p, const std::vector<ByteWrite>& writes,
                                  std::size_t* attempted) {
    std::size_t sent = 0;
    const WriteOutcome outcome =
        p.link.state.uartLink ? UartRun(p, writes, sent) : BitSerialRun(p, writes, sent);
    if (attempted != nullptr) *attempted = sent;
    return outcome;
}

}  // namespace kvr
