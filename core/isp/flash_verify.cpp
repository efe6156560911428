// The flash read back page by page through the programming mode and compared with the update.
#include "isp/flash_verify.h"

#include <vector>

#include "isp/isp_connect.h"
#include "link/exchange.h"
#include "link/port_access.h"

namespace kvr {

namespace {

constexpr int kReadProgramLow = 0x20;
constexpr int kReadProgramHigh = 0x28;
constexpr int kReadLockBits = 0x5800;
// Lock bits LB1 and LB2 both programmed (0): no reading, no programming.
constexpr int kLockModeMask = 0x03;

bool Gone(const CoreContext& p) {
    return p.link.fault == LinkFault::Lost || p.link.fault == LinkFault::Driver;
}

// Read Program Memory for one byte address (a word's low or high byte),
// left pending; the register it leaves is kept (keptRegisters).
void SendFlashRead(CoreContext& p, int address) {
    const int instruction = (address & 1) != 0 ? kReadProgramHigh : kReadProgramLow;
    const int word = address >> 1;
    RegisterWork(p, RegisterStep::Clear);
    SendIspInstruction(p, (instruction << 8) | ((word >> 8) & 0xFF), (word & 0xFF) << 8);
    RegisterWork(p, RegisterStep::Keep);
}

// The chip echoes the instruction's first two bytes during the second and
// third: a read out of step is not taken for a value.
bool FlashByteInStep(int address, std::int32_t reg, int& value) {
    const int instruction = (address & 1) != 0 ? kReadProgramHigh : kReadProgramLow;
    const int word = address >> 1;
    const auto in = static_cast<std::uint32_t>(reg);
    value = static_cast<int>(in & 0xFF);
    return ((in >> 16) & 0xFF) == static_cast<std::uint32_t>(instruction) &&
           ((in >> 8) & 0xFF) == static_cast<std::uint32_t>((word >> 8) & 0xFF);
}

FlashReport Compare(CoreContext& p, const std::map<int, FlashPage>& pages,
                    const std::function<void(int percent)>& progress) {
    FlashReport report;
    const auto ended = [&report](FlashCheck check) {
        report.check = check;
        return report;
    };
    const int connected = ConnectIsp(p);
    // A port that can no longer be opened is a device that has gone.
    if (connected != kIspConnected && !p.link.state.comOpen) NoteLinkFault(p, LinkFault::Lost);
    if (Gone(p)) return ended(FlashCheck::LinkLost);
    if (connected == kIspLocked) return ended(FlashCheck::Locked);
    if (connected != kIspConnected) return ended(FlashCheck::NoConnection);
    if ((IspInstruction(p, kReadLockBits, 0x0000) & kLockModeMask) == 0) {
        return ended(FlashCheck::Locked);
    }
    progress(0);
    std::size_t done = 0;
    for (const auto& [page, bytes] : pages) {
        // A page's reads depend on nothing that comes back: on a batching
        // device they go as one batch and are judged after it.
        std::vector<int> offsets;
        p.link.keptRegisters.clear();
        for (int offset = 0; offset < kFlashPageSize; ++offset) {
            if (bytes[static_cast<std::size_t>(offset)] < 0) continue;
            SendFlashRead(p, page * kFlashPageSize + offset);
            offsets.push_back(offset);
            if (Gone(p)) return ended(FlashCheck::LinkLost);
        }
        PlayLines(p);
        if (Gone(p) || p.link.keptRegisters.size() != offsets.size()) {
            return ended(FlashCheck::LinkLost);
        }
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const int offset = offsets[i];
            const int address = page * kFlashPageSize + offset;
            int value = 0;
            const bool inStep = FlashByteInStep(address, p.link.keptRegisters[i], value);
            if (inStep && value == bytes[static_cast<std::size_t>(offset)]) continue;
            if (report.differing++ == 0) report.firstDifference = address;
        }
        ++done;
        progress(static_cast<int>(done * 100 / pages.size()));
    }
    return ended(report.differing == 0 ? FlashCheck::Same : FlashCheck::Differs);
}

}  // namespace

FlashReport VerifyFlash(CoreContext& p, const std::map<int, FlashPage>& pages,
                        const std::function<void(int percent)>& progress) {
    const FlashReport result = Compare(p, pages, progress);
    // The controller starts again whatever the check found.
    if (!Gone(p)) {
        SetResetHigh(p);
        PlayLines(p);
    }
    p.link.keptRegisters.clear();
    return result;
}

}  // namespace kvr
