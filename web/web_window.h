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

    void SetText(int id, const std::string& text) override;
    std::string GetText(int id, std::size_t maxChars) override;
    void SetCheck(int id, bool checked) override;
    bool IsChecked(int id) override;
    void Enable(int id, bool enabled) override;
    bool IsEnabled(int id) override;
    void ComboAdd(int id, const std::string& text) override;
    void ComboSetSel(int id, int index) override;
    int ComboGetSel(int id) override;
    void CheckMenuItem(int id, bool checked) override;
    bool IsMenuItemChecked(int id) override;
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
