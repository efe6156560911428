// "Controller Info": the chip's signature, fuse and lock bytes read in programming mode.
#include "app/controller_info.h"

#include <cstdio>

#include "app/link_messages.h"
#include "app/status_line.h"
#include "isp/isp_connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "platform/window.h"
#include "res/connect_texts.h"
#include "res/isp_texts.h"
#include "res/link_texts.h"

namespace kvr {

namespace {

// Where the signature block's echo line begins; the box shows the fuse and
// lock lines in its place.
constexpr std::size_t kEchoLineStart = 48;

std::string Hex2(int value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", value & 0xFF);
    return buf;
}

}  // namespace

ChipInfo ReadChipInfo(Program& p, StatusSink& status) {
    p.app.statusWindow = status.Owner();
    status.Enable(true);
    if (!InitSerialLines(p)) {
        p.host.MessageBox(status.Owner(), p.link.lastErrorText,
                          std::string(p.T(texts::kCaptionError)), MessageButtons::Ok);
        EndStatus(status, " ");
        return {};
    }
    EndStatus(status, " ");
    status.Show(std::string(p.T(texts::kConnecting)));

    const int connected = ConnectIsp(p);
    // A device that went away, or a driver that failed, is told as such
    // (the driver once, by itself), not as a silent chip.
    if (connected != kIspConnected && LinkFaulty(p) && p.link.fault != LinkFault::NoReply) {
        ShowLinkFault(p, nullptr);
        EndStatus(status, " ");
        return {};
    }
    if (connected != kIspConnected) {
        p.host.MessageBox(nullptr, std::string(p.T(texts::kLinkNoConnection)),
                          std::string(p.T(texts::kCaptionErrorCaps)), MessageButtons::Ok);
        EndStatus(status, " ");
        return {};
    }
    p.isp.fuseHigh = static_cast<std::uint8_t>(IspInstruction(p, 0x5808, 0x0000));
    p.isp.fuseLow = static_cast<std::uint8_t>(IspInstruction(p, 0x5000, 0x0000));
    p.isp.lockBits = static_cast<std::uint8_t>(IspInstruction(p, 0x5800, 0x0000));
    if (LinkFaulty(p)) {
        ShowLinkFault(p, nullptr);
        EndStatus(status, " ");
        return {};
    }

    std::string& text = p.isp.ispStatusText;
    text.resize(kEchoLineStart, ' ');
    text += "\nLockbits: " + Hex2(p.isp.lockBits) + "\nFuse HB: " + Hex2(p.isp.fuseHigh) +
            "\nFuse LB: " + Hex2(p.isp.fuseLow) + "\n";

    EndStatus(status, " ");
    return {Outcome::Done, text};
}

Outcome ControllerInfoCommand(Program& p, Window& w) {
    WindowStatus status(w);
    const ChipInfo info = ReadChipInfo(p, status);
    if (info.outcome != Outcome::Done) return info.outcome;
    p.host.MessageBox(nullptr, info.text, std::string(p.T(texts::kCaptionInfo)),
                      MessageButtons::Ok);
    return Outcome::Done;
}

}  // namespace kvr
