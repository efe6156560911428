#include "isp/flash_verify.h"

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

bool Gone(const Program& p) {
    return p.link.fault == LinkFault::Lost || p.link.fault == LinkFault::Driver;
}

// Read Program Memory for one byte address (a word's low or high byte).
// The chip echoes the instruction's first two bytes during the second and
// third: a read out of step is not taken for a value.
bool ReadFlashByte(Program& p, int address, int& value) {
    const int instruction = (address & 1) != 0 ? kReadProgramHigh : kReadProgramLow;
    const int word = address >> 1;
    const int word1 = (instruction << 8) | ((word >> 8) & 0xFF);
    p.link.exchange.in = 0;
    value = IspInstruction(p, word1, (word & 0xFF) << 8);
    const auto in = static_cast<std::uint32_t>(p.link.exchange.in);
    return ((in >> 16) & 0xFF) == static_cast<std::uint32_t>(instruction) &&
           ((in >> 8) & 0xFF) == static_cast<std::uint32_t>((word >> 8) & 0xFF);
}

FlashReport Compare(Program& p, const std::map<int, FlashPage>& pages,
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
        for (int offset = 0; offset < kFlashPageSize; ++offset) {
            if (bytes[static_cast<std::size_t>(offset)] < 0) continue;
            const int address = page * kFlashPageSize + offset;
            int value = 0;
            const bool inStep = ReadFlashByte(p, address, value);
            if (Gone(p)) return ended(FlashCheck::LinkLost);
            if (inStep && value == bytes[static_cast<std::size_t>(offset)]) continue;
            if (report.differing++ == 0) report.firstDifference = address;
        }
        ++done;
        progress(static_cast<int>(done * 100 / pages.size()));
    }
    return ended(report.differing == 0 ? FlashCheck::Same : FlashCheck::Differs);
}

}  // namespace

FlashReport VerifyFlash(Program& p, const std::map<int, FlashPage>& pages,
                        const std::function<void(int percent)>& progress) {
    const FlashReport result = Compare(p, pages, progress);
    // The controller starts again whatever the check found.
    if (!Gone(p)) SetResetHigh(p);
    return result;
}

}  // namespace kvr
