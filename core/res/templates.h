// Dialog templates and menus as data. The front end builds its windows from
// these tables; the core and the tests address controls by the same ids.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "res/language.h"

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

// A rectangle in dialog units.
struct Rect {
    int x, y, cx, cy;
};

// A place a template fixes: of the control with the id, or (id 0) of the
// group box with the caption, in the template's language. A template that
// fixes places fixes them for all its controls and group boxes, and its
// controls carry their texts themselves (buttons, check boxes); elsewhere
// each front end lays the window out its own way.
struct Placement {
    int id;
    Rect rect;
    std::string_view group = {};
};

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
    // Centred on the screen when it opens; else at the top left of its
    // owner's client area.
    bool centred = true;
    std::span<const Placement> placements = {};
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

// The place a template fixes for a control, or for the group box with the
// caption (id 0); nullptr where it fixes none.
const Placement* PlacementOf(const DialogTemplate& t, int id, std::string_view group = {});

// Every template and menu of the program, by id; nullptr when unknown.
const DialogTemplate* FindTemplate(int id);
const MenuDef* FindMenu(int id);

// The ids the program uses for its windows in one language.
int MainWindowTemplateId(Language lang);

// The controls a template disables when its window opens.
std::vector<int> DisabledControls(int templateId);

// The label a template shows before a control, on one line: stacked texts
// joined by a blank. The id as a number where the template has no such
// control.
std::string ControlLabel(Language lang, int templateId, int control);

}  // namespace kvr::res
