#pragma once

#include <span>
#include <string_view>

#include "res/language.h"

// Dialog templates and menus as data. The front end builds its windows from
// these tables; the core and the tests address controls by the same ids.
namespace kvr::res {

// Static: a text of its own (no field), addressed by its id when it has one
// (0 for none).
enum class ControlKind { Edit, Radio, CheckBox, ComboBox, PushButton, Static };

enum ControlFlag : unsigned {
    kNone = 0,
    kDisabled = 1u << 0,  // disabled in the template
    kReadOnly = 1u << 1,
    kDigitsOnly = 1u << 2,
    kDefaultButton = 1u << 3,
    kFirstOfGroup = 1u << 4,  // starts a new radio group
    kGermanOnly = 1u << 5,    // only in the German template
    kEnglishOnly = 1u << 6,
    // A radio or check box whose state only the program sets: a click sends
    // the command and changes nothing by itself.
    kManualCheck = 1u << 7,
};

struct ControlDef {
    int id;
    ControlKind kind;
    // The static text before the control ("" for none) and the unit after it;
    // a '\n' in a label separates two static texts stacked above each other.
    Text label;
    Text unit;
    // Caption of the group box the control sits in ("" for none).
    Text group;
    unsigned flags = kNone;
    int labelId = 0;  // id of the static label where it has one (1236, 1195)
    // What accessibility tools call a control without a label ("" for one
    // that has a label).
    Text name = {"", ""};
};

// Whether a text is empty in both languages, and whether two texts are one.
constexpr bool IsEmpty(const Text& t) {
    return t.en.empty() && t.de.empty();
}
constexpr bool SameText(const Text& a, const Text& b) {
    return a.en == b.en && a.de == b.de;
}

// Whether a control is built in the given language's window.
constexpr bool PresentIn(const ControlDef& c, Language lang) {
    if ((c.flags & kGermanOnly) != 0 && lang != Language::German) return false;
    if ((c.flags & kEnglishOnly) != 0 && lang != Language::English) return false;
    return true;
}

struct DialogTemplate {
    int id;
    Language language;
    std::string_view title;
    int width;  // dialog units
    int height;
    std::string_view font;
    int pointSize;
    int menuId;  // 0: no menu
    std::span<const ControlDef> controls;
    std::span<const Text> groups;  // group boxes in their order of appearance
};

struct MenuItemDef {
    int id;     // 0 for a popup
    Text text;  // a popup's title or an item's text
    bool greyedEn = false;
    bool greyedDe = false;
    std::span<const MenuItemDef> items = {};  // a popup's items
};

struct MenuDef {
    int id;
    Language language;
    std::span<const MenuItemDef> bar;
};

// The tables of each window, one source file per window next to
// templates.cpp, which lists them all.
extern const DialogTemplate kMainWindowEnTemplate;
extern const DialogTemplate kMainWindowDeTemplate;
extern const MenuDef kMainMenuEn;
extern const MenuDef kMainMenuDe;

// Every template and menu of the program, by id; nullptr when unknown.
const DialogTemplate* FindTemplate(int id);
const MenuDef* FindMenu(int id);

// The ids the program uses for its windows in one language.
int MainWindowTemplateId(Language lang);

}  // namespace kvr::res
