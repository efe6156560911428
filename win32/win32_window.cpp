// The window calls on a Win32 dialog's controls by id.
#include "win32_window.h"

#include <string>

#include "win32_text.h"

namespace kvr::win32 {

// A control the dialog does not have is left alone, and reads as empty,
// unticked and disabled.
void Win32Window::SetText(int id, const std::string& text) {
    if (HWND item = Item(id)) SetWindowTextW(item, Wide(text).c_str());
}

std::string Win32Window::GetText(int id, std::size_t maxChars) {
    HWND item = Item(id);
    if (item == nullptr) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    // Count characters, not UTF-16 units, so no character is cut in half.
    std::size_t units = 0;
    for (std::size_t chars = 0; units < text.size() && chars < maxChars; ++chars) {
        const bool pair = text[units] >= 0xD800 && text[units] <= 0xDBFF && units + 1 < text.size();
        units += pair ? 2 : 1;
    }
    text.resize(units);
    return Utf8(text);
}

void Win32Window::SetCheck(int id, bool checked) {
    if (hwnd_ != nullptr) CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32Window::IsChecked(int id) {
    return hwnd_ != nullptr && IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Win32Window::Enable(int id, bool enabled) {
    if (HWND item = Item(id)) EnableWindow(item, enabled ? TRUE : FALSE);
}

bool Win32Window::IsEnabled(int id) {
    // The control's own state, also while a modal child disables the window.
    HWND item = Item(id);
    return item != nullptr && (GetWindowLongW(item, GWL_STYLE) & WS_DISABLED) == 0;
}

void Win32Window::ComboAdd(int id, const std::string& text) {
    if (HWND item = Item(id)) {
        const std::wstring w = Wide(text);
        SendMessageW(item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    }
}

void Win32Window::ComboSetSel(int id, int index) {
    if (HWND item = Item(id)) {
        const auto count = static_cast<int>(SendMessageW(item, CB_GETCOUNT, 0, 0));
        SendMessageW(item, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
    }
}

int Win32Window::ComboGetSel(int id) {
    HWND item = Item(id);
    return item == nullptr ? -1 : static_cast<int>(SendMessageW(item, CB_GETCURSEL, 0, 0));
}

void Win32Window::CheckMenuItem(int id, bool checked) {
    if (HMENU menu = hwnd_ == nullptr ? nullptr : GetMenu(hwnd_)) {
        ::CheckMenuItem(menu, static_cast<UINT>(id),
                        MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

bool Win32Window::IsMenuItemChecked(int id) {
    HMENU menu = hwnd_ == nullptr ? nullptr : GetMenu(hwnd_);
    if (menu == nullptr) return false;
    const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void Win32Window::Repaint() {
    // Paint what changed now, the controls included: a command is running
    // and no message loop will do it.
    if (hwnd_ != nullptr) RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Window::Show() {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, SW_SHOW);
}

void Win32Window::EndDialog(int result) {
    // The dialog closes once the current command has returned to its loop.
    if (hwnd_ != nullptr) ::EndDialog(hwnd_, result);
}

}  // namespace kvr::win32
