// Qt dialogs built from the template tables, with their menus.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "qt_window.h"
#include "res/templates.h"

namespace kvr::gui {

struct BuildOptions {
    // The text a menu item shows, given its id and the template's text
    // (UTF-8). Unset: the template's text.
    std::function<std::string(int id, std::string_view text)> menuText;
    // Appended to every dialog title.
    std::string titleSuffix;
    // True while a command runs: clicks then change no tick.
    std::function<bool()> inputLocked;
};

// Builds the dialog of a template with its menu, in the template's language,
// owned by parent (nullptr: a top-level window, centred on the screen).
DialogParts BuildDialog(const res::DialogTemplate& dialogTemplate, QWidget* parent,
                        const BuildOptions& options = {});

// The same, as a window ready to Start; nullptr for an unknown template.
std::unique_ptr<QtWindow> BuildWindow(int templateId, QWidget* parent,
                                      const BuildOptions& options = {});

}  // namespace kvr::gui
