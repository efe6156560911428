// In-memory dialog templates and menus built from the template tables, for the Win32 calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "res/templates.h"
#include "windows_api.h"

namespace kvr::win32 {

struct BuildOptions {
    // Appended to every dialog title.
    std::string titleSuffix;
};

// An in-memory dialog template (DLGTEMPLATE and its items) built from a
// template table: the same ids as every other front end, the texts of the
// template's language, the template's size and centring, its places where it
// fixes them and else positions of our own, in dialog units. The buffer is
// what DialogBoxIndirectParamW takes.
class DialogTemplateBuffer {
  public:
    DialogTemplateBuffer(const res::DialogTemplate& dialogTemplate, const BuildOptions& options);
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    std::vector<WORD> words_;
};

// The menu bar of a menu table; the caller owns the handle (a window frees
// the menu it has when it is destroyed).
HMENU BuildMenu(const res::MenuDef& menu);

}  // namespace kvr::win32
