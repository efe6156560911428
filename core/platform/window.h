// The controls of one dialog of the seam, addressed by id.
#pragma once

#include <cstddef>
#include <string>

namespace kvr {

// The controls of one open dialog, addressed by id. Texts are UTF-8.
class Window {
  public:
    virtual ~Window() = default;

    virtual void SetText(int id, const std::string& text) = 0;
    // At most maxChars characters of the control's text.
    virtual std::string GetText(int id, std::size_t maxChars) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsEnabled(int id) = 0;

    virtual void ComboAdd(int id, const std::string& text) = 0;
    // An index outside the list leaves no selection.
    virtual void ComboSetSel(int id, int index) = 0;
    // -1 when nothing is selected.
    virtual int ComboGetSel(int id) = 0;

    virtual void CheckMenuItem(int id, bool checked) = 0;
    virtual bool IsMenuItemChecked(int id) = 0;

    // Paint pending changes now: commands run on the window's own thread.
    virtual void Repaint() = 0;
    virtual void Show() = 0;
    // Closes a modal dialog with the given result once the current command
    // has returned.
    virtual void EndDialog(int result) = 0;
};

// The control calls every front end's window serves through its toolkit,
// declared once for those classes; Repaint, Show and EndDialog, where front
// ends differ most, each declares itself.
#define KVR_WINDOW_CONTROL_CALLS                                \
    void SetText(int id, const std::string& text) override;     \
    std::string GetText(int id, std::size_t maxChars) override; \
    void SetCheck(int id, bool checked) override;               \
    bool IsChecked(int id) override;                            \
    void Enable(int id, bool enabled) override;                 \
    bool IsEnabled(int id) override;                            \
    void ComboAdd(int id, const std::string& text) override;    \
    void ComboSetSel(int id, int index) override;               \
    int ComboGetSel(int id) override;                           \
    void CheckMenuItem(int id, bool checked) override;          \
    bool IsMenuItemChecked(int id) override

}  // namespace kvr
