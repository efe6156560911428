// A dialog template as JSON for the page: menu, group boxes in columns, controls and texts.
#include "page_layout.h"

#include <nlohmann/json.hpp>
#include <vector>

#include "res/columns.h"
#include "res/ids.h"

namespace kvr::web {
namespace {

using nlohmann::json;
using res::ControlDef;
using res::ControlKind;

std::string Str(std::string_view s) {
    return std::string(s);
}

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Edit:
            return "edit";
        case ControlKind::Radio:
            return "radio";
        case ControlKind::CheckBox:
            return "check";
        case ControlKind::ComboBox:
            return "list";
        case ControlKind::PushButton:
            return "button";
        case ControlKind::Static:
            return "static";
    }
    return "static";
}

json Control(const ControlDef& c, Language lang) {
    return json{{"id", c.id},
                {"kind", KindName(c.kind)},
                {"label", Str(Pick(lang, c.label))},
                {"unit", Str(Pick(lang, c.unit))},
                {"name", Str(Pick(lang, c.name))},
                {"labelId", c.labelId},
                {"disabled", (c.flags & res::kDisabled) != 0},
                {"readOnly", (c.flags & res::kReadOnly) != 0},
                {"digitsOnly", (c.flags & res::kDigitsOnly) != 0},
                {"defaultButton", (c.flags & res::kDefaultButton) != 0},
                {"firstOfGroup", (c.flags & res::kFirstOfGroup) != 0},
                {"manual", (c.flags & res::kManualCheck) != 0},
                // What the status line says is announced, even from behind a dialog.
                {"live", c.id == id::kStatusLine}};
}

bool Greyed(const res::MenuItemDef& item, Language lang) {
    return lang == Language::German ? item.greyedDe : item.greyedEn;
}

json MenuItem(const res::MenuItemDef& item, Language lang, const LayoutOptions& options) {
    const std::string_view text = Pick(lang, item.text);
    json j{{"id", item.id},
           {"text", item.id != 0 && options.menuText ? options.menuText(item.id, text) : Str(text)},
           {"greyed", Greyed(item, lang)},
           {"absent", item.id != 0 && options.itemPresent && !options.itemPresent(item.id)},
           // The ports are one choice: ticking one clears the others.
           {"radio", item.id >= id::kPortLpt278 && item.id <= id::kPortCom8}};
    if (item.id == 0 || !item.items.empty()) {
        j["items"] = json::array();
        for (const res::MenuItemDef& sub : item.items) {
            j["items"].push_back(MenuItem(sub, lang, options));
            // The page words the chooser itself; it is no command of the program.
            if (sub.id != 0 && sub.id == options.portChooserAfter) {
                j["items"].push_back(
                    json{{"id", 0}, {"text", ""}, {"greyed", false}, {"chooser", true}});
            }
        }
    }
    return j;
}

// The rows a section takes, for evening out the columns: a field that
// belongs to a radio button shares its line.
int Rows(const res::ControlGroup& s) {
    int rows = s.boxed ? 1 : 0;
    for (std::size_t i = 0; i < s.controls.size(); ++i) {
        const ControlKind kind = s.controls[i]->kind;
        const bool sharesLine = i > 0 &&
                                (kind == ControlKind::Edit || kind == ControlKind::ComboBox) &&
                                s.controls[i - 1]->kind == ControlKind::Radio;
        const bool buttonRun = i > 0 && kind == ControlKind::PushButton &&
                               s.controls[i - 1]->kind == ControlKind::PushButton;
        if (!sharesLine && !buttonRun) ++rows;
    }
    return rows;
}

}  // namespace

std::string DescribeDialog(const res::DialogTemplate& t, const LayoutOptions& options) {
    const Language lang = t.language;
    json j{{"id", t.id},
           {"title", Str(t.title) + options.titleSuffix},
           {"menu", json::array()},
           {"columns", json::array()},
           {"buttons", json::array()}};
    if (t.menuId != 0) {
        if (const res::MenuDef* menu = res::FindMenu(t.menuId)) {
            for (const res::MenuItemDef& item : menu->bar) {
                j["menu"].push_back(MenuItem(item, menu->language, options));
            }
        }
    }
    std::vector<const ControlDef*> bottom;
    const std::vector<res::ControlGroup> sections = res::GroupControls(t, lang, bottom);
    std::vector<int> heights;
    for (const res::ControlGroup& s : sections) heights.push_back(Rows(s));
    const std::vector<std::size_t> starts =
        res::BalancedColumns(heights, res::ColumnCount(t, sections.size()));
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : sections.size();
        json column = json::array();
        for (std::size_t i = starts[k]; i < end; ++i) {
            json section{{"group", Str(Pick(lang, sections[i].group))},
                         {"boxed", sections[i].boxed},
                         {"controls", json::array()}};
            for (const ControlDef* c : sections[i].controls) {
                section["controls"].push_back(Control(*c, lang));
            }
            column.push_back(std::move(section));
        }
        j["columns"].push_back(std::move(column));
    }
    for (const ControlDef* c : bottom) j["buttons"].push_back(Control(*c, lang));
    return j.dump();
}

}  // namespace kvr::web
