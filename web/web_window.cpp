// The window calls on a dialog of the page, each handed to site/page.js.
#include "web_window.h"

#include <emscripten.h>

#include <cstdlib>
#include <string>

// The page's side of each call: site/page.js.
// clang-format off
EM_JS(void, kvr_close_dialog, (int h), { KvrPage.closeDialog(h); });
EM_JS(void, kvr_show, (int h), { KvrPage.show(h); });
EM_JS(void, kvr_set_text, (int h, int id, const char* text), {
    KvrPage.setText(h, id, UTF8ToString(text));
});
EM_JS(char*, kvr_get_text, (int h, int id), { return KvrPage.cString(KvrPage.getText(h, id)); });
EM_JS(void, kvr_set_check, (int h, int id, int on), { KvrPage.setCheck(h, id, on != 0); });
EM_JS(int, kvr_is_checked, (int h, int id), { return KvrPage.isChecked(h, id) ? 1 : 0; });
EM_JS(void, kvr_enable, (int h, int id, int on), { KvrPage.enable(h, id, on != 0); });
EM_JS(int, kvr_is_enabled, (int h, int id), { return KvrPage.isEnabled(h, id) ? 1 : 0; });
EM_JS(void, kvr_combo_add, (int h, int id, const char* text), {
    KvrPage.comboAdd(h, id, UTF8ToString(text));
});
EM_JS(void, kvr_combo_set_sel, (int h, int id, int index), { KvrPage.comboSetSel(h, id, index); });
EM_JS(int, kvr_combo_get_sel, (int h, int id), { return KvrPage.comboGetSel(h, id); });
EM_JS(void, kvr_check_menu, (int h, int id, int on), { KvrPage.checkMenu(h, id, on != 0); });
EM_JS(int, kvr_is_menu_checked, (int h, int id), { return KvrPage.isMenuChecked(h, id) ? 1 : 0; });
// clang-format on

namespace kvr::web {

std::string FirstChars(const std::string& text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that starts a character, not one that continues it.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars) return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

WebWindow::~WebWindow() {
    kvr_close_dialog(handle_);
}

void WebWindow::SetText(int id, const std::string& text) {
    kvr_set_text(handle_, id, text.c_str());
}

std::string WebWindow::GetText(int id, std::size_t maxChars) {
    char* text = kvr_get_text(handle_, id);
    std::string s(text);
    std::free(text);
    return FirstChars(s, maxChars);
}

void WebWindow::SetCheck(int id, bool checked) {
    kvr_set_check(handle_, id, checked ? 1 : 0);
}

bool WebWindow::IsChecked(int id) {
    return kvr_is_checked(handle_, id) != 0;
}

void WebWindow::Enable(int id, bool enabled) {
    kvr_enable(handle_, id, enabled ? 1 : 0);
}

bool WebWindow::IsEnabled(int id) {
    return kvr_is_enabled(handle_, id) != 0;
}

void WebWindow::ComboAdd(int id, const std::string& text) {
    kvr_combo_add(handle_, id, text.c_str());
}

void WebWindow::ComboSetSel(int id, int index) {
    kvr_combo_set_sel(handle_, id, index);
}

int WebWindow::ComboGetSel(int id) {
    return kvr_combo_get_sel(handle_, id);
}

void WebWindow::CheckMenuItem(int id, bool checked) {
    kvr_check_menu(handle_, id, checked ? 1 : 0);
}

bool WebWindow::IsMenuItemChecked(int id) {
    return kvr_is_menu_checked(handle_, id) != 0;
}

void WebWindow::Show() {
    kvr_show(handle_);
}

}  // namespace kvr::web
