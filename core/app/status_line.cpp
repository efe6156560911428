// The status line of the command's window: shown, ended, and blanked after an error.
#include "app/status_line.h"

#include "platform/window.h"
#include "res/app_texts.h"
#include "res/captions.h"
#include "res/ids.h"
#include "settings/settings_text.h"

namespace kvr {

namespace {
constexpr std::size_t kStatusPadding = 80;
}  // namespace

std::string WithPath(Program& p, std::string_view text) {
    std::string shown(text);
    const std::string chip = p.os.serial.FastPath();
    if (!chip.empty() && !text.empty()) shown += Fill(p.T(texts::kFastPathNote), {chip});
    return shown;
}

void ShowStatusText(Program& p) {
    std::string& text = p.app.statusText;
    std::size_t end = 0;
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x20) ++end;
    text.resize(end);
    text.append(kStatusPadding, ' ');
    if (p.app.statusWindow == nullptr) return;
    p.app.statusWindow->SetText(id::kStatusLine, text);
    p.app.statusWindow->Repaint();
}

void WindowStatus::Show(const std::string& text) {
    w_.SetText(id::kStatusLine, text);
}

void WindowStatus::Enable(bool enabled) {
    w_.Enable(id::kStatusLine, enabled);
}

void WindowStatus::Repaint() {
    w_.Repaint();
}

void EndStatus(StatusSink& status, std::string_view text) {
    status.Show(std::string(text));
    status.Enable(false);
    status.Repaint();
}

void EndStatus(Window& w, std::string_view text) {
    WindowStatus status(w);
    EndStatus(status, text);
}

void EndWithError(Program& p, StatusSink& status, const Text& message) {
    p.link.lastErrorText = std::string(p.T(message));
    p.app.statusText.assign(1, ' ');
    ShowStatusText(p);
    p.host.MessageBox(status.Owner(), p.link.lastErrorText, std::string(p.T(texts::kCaptionError)),
                      MessageButtons::Ok);
    status.Enable(false);
    status.Repaint();
}

void EndWithError(Program& p, Window& w, const Text& message) {
    WindowStatus status(w);
    EndWithError(p, status, message);
}

}  // namespace kvr
