// The messages for a link that failed, and the checked connect and writes that show them.
#include "app/link_messages.h"

#include "link/connect.h"
#include "link/exchange.h"
#include "res/connect_texts.h"
#include "res/link_texts.h"

namespace kvr {

namespace {

void Box(Program& p, Window* owner, const std::string& text, const Text& caption) {
    p.host.MessageBox(owner, text, std::string(p.T(caption)), MessageButtons::Ok);
}

}  // namespace

void ShowConnectFailure(Program& p, bool port) {
    switch (p.link.connectFailure) {
        case ConnectFailure::None:
            return;
        case ConnectFailure::Port:
            if (port) Box(p, p.app.statusWindow, p.link.lastErrorText, texts::kCaptionError);
            return;
        case ConnectFailure::Lines:
            Box(p, nullptr, p.link.lastErrorText, texts::kCaptionError);
            return;
        case ConnectFailure::NoController:
            Box(p, nullptr, std::string(p.T(texts::kLinkNoConnection)), texts::kCaptionErrorCaps);
            return;
        case ConnectFailure::OtherModel:
            Box(p, nullptr, std::string(p.T(texts::kLinkOtherModel)), texts::kCaptionErrorCaps);
            return;
    }
}

Outcome ConnectLinkChecked(Program& p) {
    if (ConnectLink(p) == 0) return Outcome::Done;
    ShowConnectFailure(p, true);
    return Outcome::Failed;
}

void ShowLinkFault(Program& p, Window* owner) {
    switch (p.link.fault) {
        case LinkFault::NoReply:
            Box(p, owner, std::string(p.T(texts::kLinkNoReply)), texts::kCaptionError);
            return;
        case LinkFault::Lost:
            Box(p, owner, std::string(p.T(texts::kLinkLost)), texts::kCaptionError);
            return;
        case LinkFault::None:
        case LinkFault::Driver:
            return;
    }
}

Outcome WriteControllerByteChecked(Program& p, int address, int value) {
    if (WriteControllerByte(p, address, value) == 0) return Outcome::Done;
    // A device that has gone is named as such; a driver failure has been
    // reported already.
    if (p.link.fault == LinkFault::Lost || p.link.fault == LinkFault::Driver) {
        ShowLinkFault(p, nullptr);
        return Outcome::Failed;
    }
    Box(p, nullptr, std::string(p.T(texts::kWritingError)), texts::kCaptionErrorBang);
    return Outcome::Failed;
}

void ShowWriteFailure(Program& p, WriteOutcome outcome) {
    switch (outcome) {
        case WriteOutcome::Written:
            return;
        case WriteOutcome::Unreachable:
            ShowConnectFailure(p, false);
            return;
        case WriteOutcome::LinkLost:
        case WriteOutcome::ReadBackFailed:
            ShowLinkFault(p, nullptr);
            return;
        case WriteOutcome::NotWritten:
            Box(p, nullptr, std::string(p.T(texts::kWritingError)), texts::kCaptionErrorBang);
            return;
    }
}

}  // namespace kvr
