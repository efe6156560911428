// The app's reporter: the command window's status line and boxes, its message pump in pauses.
#include "app/app_reporter.h"

#include <string>

#include "app/command_gate.h"
#include "app/program.h"
#include "app/status_line.h"
#include "platform/window.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "res/isp_texts.h"
#include "res/link_texts.h"
#include "res/update_texts.h"
#include "settings/settings_text.h"

namespace kvr {

std::uint32_t AppReporter::PauseInterval() const {
    return p_.app.commandRunning ? kPumpIntervalMs : 0;
}

void AppReporter::Pause(std::uint32_t now) {
    PumpInPause(p_, now);
}

void AppReporter::Status(std::string_view text) {
    // Which path drives the port: an FTDI chip's bit-bang is named.
    p_.app.statusText = WithPath(p_, text);
    ShowStatusText(p_);
}

void AppReporter::ClearStatus(bool disable) {
    Window* w = p_.app.statusWindow;
    if (w == nullptr) return;
    w->SetText(id::kStatusLine, " ");
    if (disable) w->Enable(id::kStatusLine, false);
    w->Repaint();
}

void AppReporter::Progress(int percent) {
    Window* w = p_.app.statusWindow;
    if (w == nullptr) return;
    w->SetText(id::kStatusLine, std::to_string(percent) + "%");
    w->Repaint();
}

void AppReporter::CheckProgress(int percent) {
    Window* w = p_.app.statusWindow;
    if (w == nullptr) return;
    w->SetText(id::kStatusLine,
               Fill(p_.T(texts::kUpdateVerifyingPercent), {std::to_string(percent)}));
    w->Repaint();
}

void AppReporter::DriverFailed() {
    p_.host.MessageBox(nullptr, std::string(p_.T(texts::kDriverAccessError)),
                       std::string(p_.T(texts::kCaptionError)), MessageButtons::Ok);
    if (p_.app.statusWindow != nullptr) p_.app.statusWindow->EndDialog(1);
}

void AppReporter::ChipErased() {
    p_.host.MessageBox(nullptr, std::string(p_.T(texts::kIspDeviceErased)),
                       std::string(p_.T(texts::kCaptionWarningColon)), MessageButtons::Ok);
}

}  // namespace kvr
