// A Win32 dialog of this front end, its controls addressed by id.
#pragma once

#include "platform/window.h"
#include "windows_api.h"

namespace kvr::win32 {

// One open dialog of this front end, its controls addressed by id with the
// dialog calls (SetDlgItemTextW, CheckDlgButton, the combo-box messages, ...).
class Win32Window : public Window {
  public:
    explicit Win32Window(HWND hwnd = nullptr) : hwnd_(hwnd) {}

    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND hwnd() const { return hwnd_; }

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
    void Repaint() override;
    void Show() override;
    void EndDialog(int result) override;

  private:
    HWND Item(int id) const { return hwnd_ == nullptr ? nullptr : GetDlgItem(hwnd_, id); }

    HWND hwnd_;
};

}  // namespace kvr::win32
