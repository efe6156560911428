// The template and the menu of an id, among all the program's windows.
#include "res/templates.h"

#include "res/ids.h"

namespace kvr::res {

// The lock functions' and the speed tools' windows (lock_dialogs.cpp,
// speed_dialogs.cpp).
extern const DialogTemplate kLockFunctionsEnTemplate;
extern const DialogTemplate kLockFunctionsDeTemplate;
extern const DialogTemplate kRpmControlEnTemplate;
extern const DialogTemplate kRpmControlDeTemplate;
extern const DialogTemplate kRevCounterEnTemplate;
extern const DialogTemplate kRevCounterDeTemplate;

namespace {

// Every window of the program. A new window's tables live in a source file
// of their own next to this one; list them here.
constexpr const DialogTemplate* kTemplates[] = {
    &kMainWindowEnTemplate,    &kMainWindowDeTemplate, &kLockFunctionsEnTemplate,
    &kLockFunctionsDeTemplate, &kRpmControlEnTemplate, &kRpmControlDeTemplate,
    &kRevCounterEnTemplate,    &kRevCounterDeTemplate,
};

constexpr const MenuDef* kMenus[] = {
    &kMainMenuEn,
    &kMainMenuDe,
};

}  // namespace

const Placement* PlacementOf(const DialogTemplate& t, int id, std::string_view group) {
    for (const Placement& p : t.placements) {
        if (p.id == id && (id != 0 || p.group == group)) return &p;
    }
    return nullptr;
}

const DialogTemplate* FindTemplate(int id) {
    for (const DialogTemplate* t : kTemplates) {
        if (t->id == id) return t;
    }
    return nullptr;
}

const MenuDef* FindMenu(int id) {
    for (const MenuDef* m : kMenus) {
        if (m->id == id) return m;
    }
    return nullptr;
}

int MainWindowTemplateId(Language lang) {
    return lang == Language::German ? id::kMainWindowDe : id::kMainWindowEn;
}

std::vector<int> DisabledControls(int templateId) {
    std::vector<int> disabled;
    if (const DialogTemplate* t = FindTemplate(templateId)) {
        for (const ControlDef& c : t->controls) {
            if (c.id != 0 && (c.flags & kDisabled) != 0) disabled.push_back(c.id);
        }
    }
    return disabled;
}

std::string ControlLabel(Language lang, int templateId, int control) {
    if (const DialogTemplate* t = FindTemplate(templateId)) {
        for (const ControlDef& c : t->controls) {
            if (c.id != control) continue;
            std::string label(Pick(lang, c.label));
            for (char& ch : label) {
                if (ch == '\n') ch = ' ';
            }
            return label;
        }
    }
    return std::to_string(control);
}

}  // namespace kvr::res
