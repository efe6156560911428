// A dialog template described as JSON for the page to build.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "res/templates.h"

namespace kvr::web {

struct LayoutOptions {
    // The text a menu item shows, given its id and the template's text.
    // Unset: the template's text.
    std::function<std::string(int id, std::string_view text)> menuText;
    // Whether a menu item stands for something there; an absent one is
    // shown only while it is checked. Unset: every item is there.
    std::function<bool(int id)> itemPresent;
    // The menu item after which the page offers the browser's port chooser
    // (0: nowhere).
    int portChooserAfter = 0;
    // Appended to the dialog's title.
    std::string titleSuffix;
};

// A dialog template as the page builds it: title, menu bar, group boxes in
// their columns and the bottom row of buttons, each control with its id,
// kind, texts in the template's language and flags. JSON text.
std::string DescribeDialog(const res::DialogTemplate& t, const LayoutOptions& options);

}  // namespace kvr::web
