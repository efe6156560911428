// The status line of a command's window: its text, its end, and an end on an error.
#pragma once

#include <string>
#include <string_view>

#include "app/program.h"
#include "app/status_sink.h"
#include "platform/window.h"

namespace kvr {

// A status text of a command that has the port open, with the path that
// drives it named when it is an adapter chip's fast path.
std::string WithPath(Program& p, std::string_view text);

// Shows p.app.statusText in the status line of the command's window: up to
// the first control character, padded so that a shorter text covers a
// longer one.
void ShowStatusText(Program& p);

// The status line of a window as a command's sink.
class WindowStatus final : public StatusSink {
  public:
    explicit WindowStatus(Window& w) : w_(w) {}
    void Show(const std::string& text) override;
    void Enable(bool enabled) override;
    void Repaint() override;
    Window* Owner() override { return &w_; }

  private:
    Window& w_;
};

// A command is done with the status line: `text` stays on it (" " blanks
// it) and the line is greyed.
void EndStatus(StatusSink& status, std::string_view text);
void EndStatus(Window& w, std::string_view text);

// A command ends on `message`: kept as the link's last error text, shown in
// a box owned by the status line's window, the status line blank and greyed.
void EndWithError(Program& p, StatusSink& status, const Text& message);
void EndWithError(Program& p, Window& w, const Text& message);

}  // namespace kvr
