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

    KVR_WINDOW_CONTROL_CALLS;
    void Repaint() override;
    void Show() override;
    void EndDialog(int result) override;

  private:
    HWND Item(int id) const { return hwnd_ == nullptr ? nullptr : GetDlgItem(hwnd_, id); }

    HWND hwnd_;
};

}  // namespace kvr::win32
