// A dialog of the page, its controls addressed by id.
#pragma once

#include <optional>

#include "platform/window.h"

namespace kvr::web {

// A dialog of the page, addressed by the handle the page gave it; every
// call goes to the page's DOM.
class WebWindow : public Window {
  public:
    explicit WebWindow(int handle) : handle_(handle) {}
    ~WebWindow() override;
    WebWindow(const WebWindow&) = delete;
    WebWindow& operator=(const WebWindow&) = delete;

    KVR_WINDOW_CONTROL_CALLS;
    // The page paints when the program next yields.
    void Repaint() override {}
    void Show() override;
    void EndDialog(int result) override { endResult_ = result; }

    int handle() const { return handle_; }
    const std::optional<int>& endResult() const { return endResult_; }

  private:
    int handle_;
    std::optional<int> endResult_;
};

// The first maxChars characters of a UTF-8 text.
std::string FirstChars(const std::string& text, std::size_t maxChars);

}  // namespace kvr::web
