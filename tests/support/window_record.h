// A window without a screen: the plain record of control states the tests and benchmarks use.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace kvr {

// A window without a screen: a plain record of control states. The tests
// and the benchmarks play the user on it.
class WindowRecord : public Window {
  public:
    struct Control {
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::vector<std::string> items;
        int selection = -1;
    };

    void SetText(int id, const std::string& text) override { controls[id].text = text; }
    std::string GetText(int id, std::size_t maxChars) override {
        return controls[id].text.substr(0, maxChars);
    }
    void SetCheck(int id, bool checked) override { controls[id].checked = checked; }
    bool IsChecked(int id) override { return controls[id].checked; }
    void Enable(int id, bool enabled) override { controls[id].enabled = enabled; }
    bool IsEnabled(int id) override { return controls[id].enabled; }
    void ComboAdd(int id, const std::string& text) override { controls[id].items.push_back(text); }
    void ComboSetSel(int id, int index) override {
        Control& c = controls[id];
        c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
    }
    int ComboGetSel(int id) override { return controls[id].selection; }
    void CheckMenuItem(int id, bool checked) override { menuChecks[id] = checked; }
    bool IsMenuItemChecked(int id) override { return menuChecks[id]; }
    void Repaint() override { ++repaints; }
    void Show() override { shown = true; }
    void EndDialog(int result) override { endResult = result; }

    std::map<int, Control> controls;
    std::map<int, bool> menuChecks;
    int repaints = 0;
    bool shown = false;
    std::optional<int> endResult;
};

}  // namespace kvr
