// DLGTEMPLATE buffers and menus built from the template tables: measured texts, laid-out
// group boxes in columns.
#include "dialog_template.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "res/columns.h"
#include "win32_text.h"

namespace kvr::win32 {
namespace {

using res::ControlDef;
using res::ControlKind;

// The predefined window classes of dialog items.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboBoxClass = 0x0085;
constexpr WORD kNoId = 0xFFFF;

// Sizes in dialog units: a character averages 4 units wide, a line of the
// dialog font is 8 high.
constexpr int kMargin = 7;
constexpr int kColumnGap = 6;
constexpr int kGap = 4;
constexpr int kLineHeight = 8;
constexpr int kEditHeight = 12;
constexpr int kButtonHeight = 14;
constexpr int kCheckHeight = 10;
constexpr int kBoxTop = 11;
constexpr int kBoxSide = 7;
constexpr int kBoxBottom = 6;
constexpr int kComboDropHeight = 90;

using res::IsEmpty;
using res::PresentIn;
using res::SameText;

// Widths of texts in dialog units, measured in the dialog's font and
// converted as the dialog manager converts its units (a unit is a quarter
// of the font's average character width).
class TextMeasure {
  public:
    TextMeasure(std::string_view font, int pointSize) : dc_(GetDC(nullptr)) {
        const int height = -MulDiv(pointSize, GetDeviceCaps(dc_, LOGPIXELSY), 72);
        font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, Wide(font).c_str());
        old_ = SelectObject(dc_, font_);
        const std::wstring letters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size{};
        GetTextExtentPoint32W(dc_, letters.c_str(), static_cast<int>(letters.size()), &size);
        baseX_ = std::max(1, static_cast<int>((size.cx / 26 + 1) / 2));
    }
    ~TextMeasure() {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        ReleaseDC(nullptr, dc_);
    }
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    // The widest line of a text that may hold '\n', with a little room at
    // the end.
    int Width(std::string_view s) const {
        int widest = 0;
        std::size_t start = 0;
        while (start <= s.size()) {
            const std::size_t end = std::min(s.find('\n', start), s.size());
            const std::wstring line = Wide(s.substr(start, end - start));
            SIZE size{};
            GetTextExtentPoint32W(dc_, line.c_str(), static_cast<int>(line.size()), &size);
            widest = std::max(widest, static_cast<int>(size.cx));
            start = end + 1;
        }
        return (widest * 4 + baseX_ - 1) / baseX_ + 2;
    }

  private:
    HDC dc_;
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int baseX_ = 1;
};

int Lines(std::string_view s) {
    return 1 + static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

// Static texts break lines at CR LF.
std::wstring StaticText(std::string_view s) {
    std::wstring out;
    for (wchar_t c : Wide(s)) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

struct Item {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    WORD id = kNoId;
    WORD windowClass = kStaticClass;
    std::wstring text;
    bool fill = false;  // takes the width of its column
};

// Controls that share a group box, or a run of controls outside any box.
struct Section : res::ControlGroup {
    std::vector<Item> items;  // positions relative to the section
    int width = 0;
    int height = 0;
};

class Layout {
  public:
    Layout(const res::DialogTemplate& t, const BuildOptions& options)
        : t_(t), lang_(t.language), options_(options), measure_(t.font, t.pointSize) {}

    std::vector<WORD> Build() {
        if (!t_.placements.empty()) return Write(PlacedItems(), t_.width, t_.height);
        std::vector<const ControlDef*> bottom;
        std::vector<Section> sections = Sections(bottom);
        for (Section& s : sections) Place(s);

        // The sections top to bottom in columns: as many as the template's
        // width suggests, the tallest column as short as possible, where
        // that fits the template's size; else the arrangement that fits it,
        // or overshoots it least.
        const std::size_t n = sections.size();
        std::vector<int> heights;
        for (const Section& s : sections) heights.push_back(s.height);
        std::vector<std::vector<std::size_t>> candidates = {
            res::BalancedColumns(heights, res::ColumnCount(t_, n))};
        // Every split into one, two or three columns.
        for (std::size_t a = 1; a <= n; ++a) {
            for (std::size_t b = a; b <= n; ++b) {
                std::vector<std::size_t> starts = {0};
                if (a < n) starts.push_back(a);
                if (b > a && b < n) starts.push_back(b);
                candidates.push_back(starts);
            }
        }
        Arrangement best = Arrange(sections, candidates.front(), bottom);
        for (const std::vector<std::size_t>& starts : candidates) {
            Arrangement a = Arrange(sections, starts, bottom);
            if (a.Overshoot(t_) < best.Overshoot(t_)) best = std::move(a);
        }
        return Write(best.items, best.width, best.height);
    }

  private:
    struct Arrangement {
        std::vector<Item> items;
        int width = 0;
        int height = 0;
        // How far the window reaches past the template's size (it is never
        // smaller).
        int Overshoot(const res::DialogTemplate& t) const {
            return width - t.width + height - t.height;
        }
    };

    // The sections in columns that begin at `starts`, and the dialog's own
    // buttons in one row at the bottom right, under the columns it spans;
    // the window at least the template's size.
    Arrangement Arrange(const std::vector<Section>& sections,
                        const std::vector<std::size_t>& starts,
                        const std::vector<const ControlDef*>& bottom) const {
        Arrangement out;
        std::vector<std::pair<int, int>> columns;  // right edge, bottom
        int x = kMargin;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : sections.size();
            int width = 0;
            for (std::size_t i = starts[k]; i < end; ++i)
                width = std::max(width, sections[i].width);
            int y = kMargin;
            for (std::size_t i = starts[k]; i < end; ++i) {
                const Section& s = sections[i];
                if (s.boxed) out.items.push_back(GroupBox(s.group, {x, y, width, s.height}));
                for (Item item : s.items) {
                    item.x += x;
                    item.y += y;
                    if (item.fill) item.cx = width - 2 * Inner(s);
                    out.items.push_back(item);
                }
                y += s.height + kGap;
            }
            columns.emplace_back(x + width, y - kGap);
            x += width + kColumnGap;
        }
        std::vector<Item> row;
        int rowWidth = 0;
        for (const ControlDef* c : bottom) {
            row.push_back(Button(*c));
            rowWidth += row.back().cx + (row.size() > 1 ? kGap : 0);
        }
        const int columnsRight = columns.empty() ? kMargin : columns.back().first;
        out.width =
            std::max({columnsRight + kMargin, 2 * kMargin + 60, t_.width, rowWidth + 2 * kMargin});
        out.height = t_.height;
        int rowTop = 0;
        for (const auto& [right, columnBottom] : columns) {
            out.height = std::max(out.height, columnBottom + kMargin);
            if (right > out.width - kMargin - rowWidth)
                rowTop = std::max(rowTop, columnBottom + kGap + 2);
        }
        if (row.empty()) return out;
        out.height = std::max(out.height, rowTop + kButtonHeight + kMargin);
        int rowX = out.width - kMargin - rowWidth;
        for (Item& b : row) {
            b.x = rowX;
            b.y = out.height - kMargin - kButtonHeight;
            rowX += b.cx + kGap;
            out.items.push_back(b);
        }
        return out;
    }

    std::string_view T(const Text& text) const { return Pick(lang_, text); }

    static Item At(Item item, const res::Rect& r) {
        item.x = r.x;
        item.y = r.y;
        item.cx = r.cx;
        item.cy = r.cy;
        return item;
    }

    Item GroupBox(const Text& caption, const res::Rect& r) const {
        Item box;
        box.style = WS_CHILD | WS_VISIBLE | BS_GROUPBOX | WS_GROUP;
        box.windowClass = kButtonClass;
        box.text = Wide(T(caption));
        return At(box, r);
    }

    // A window whose template fixes every place: the group boxes, then the
    // controls in their order, each where the template puts it.
    std::vector<Item> PlacedItems() const {
        std::vector<Item> items;
        for (const Text& g : t_.groups) {
            if (const res::Placement* p = res::PlacementOf(t_, 0, T(g)))
                items.push_back(GroupBox(g, p->rect));
        }
        for (const ControlDef& c : t_.controls) {
            const res::Placement* p = res::PlacementOf(t_, c.id);
            if (!PresentIn(c, lang_) || p == nullptr) continue;
            switch (c.kind) {
                case ControlKind::PushButton:
                    items.push_back(At(Button(c), p->rect));
                    break;
                case ControlKind::Radio:
                case ControlKind::CheckBox:
                    items.push_back(At(Choice(c), p->rect));
                    break;
                case ControlKind::Edit:
                case ControlKind::ComboBox:
                    items.push_back(At(Field(c), p->rect));
                    break;
                case ControlKind::Static:
                    items.push_back(At(Label(c.label, c.id), p->rect));
                    break;
            }
        }
        return items;
    }

    static int Inner(const Section& s) { return s.boxed ? kBoxSide : 0; }

    std::vector<Section> Sections(std::vector<const ControlDef*>& bottom) const {
        std::vector<Section> sections;
        for (res::ControlGroup& g : res::GroupControls(t_, lang_, bottom)) {
            sections.push_back(Section{std::move(g), {}, 0, 0});
        }
        return sections;
    }

    static bool IsField(const ControlDef& c) {
        return c.kind == ControlKind::Edit || c.kind == ControlKind::ComboBox;
    }

    static DWORD Common(const ControlDef& c) {
        DWORD style = WS_CHILD | WS_VISIBLE;
        if ((c.flags & res::kDisabled) != 0) style |= WS_DISABLED;
        return style;
    }

    Item Label(const Text& text, int id) const {
        Item label;
        label.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
        label.id = id != 0 ? static_cast<WORD>(id) : kNoId;
        label.text = StaticText(T(text));
        label.cx = measure_.Width(T(text));
        label.cy = Lines(T(text)) * kLineHeight;
        return label;
    }

    Item Field(const ControlDef& c) const {
        Item f;
        f.id = static_cast<WORD>(c.id);
        f.cy = kEditHeight;
        if (c.kind == ControlKind::ComboBox) {
            // An editable drop-down list in the order the items come.
            f.windowClass = kComboBoxClass;
            f.style = Common(c) | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
            f.cx = 48;
            return f;
        }
        f.windowClass = kEditClass;
        f.style = Common(c) | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
        if ((c.flags & res::kReadOnly) != 0) f.style |= ES_READONLY;
        if ((c.flags & res::kDigitsOnly) != 0) f.style |= ES_NUMBER;
        f.cx = (c.flags & res::kReadOnly) != 0 ? 56 : 36;
        return f;
    }

    Item Button(const ControlDef& c) const {
        Item b;
        b.windowClass = kButtonClass;
        b.id = static_cast<WORD>(c.id);
        b.style = Common(c) | WS_TABSTOP | WS_GROUP |
                  ((c.flags & res::kDefaultButton) != 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        b.text = Wide(T(c.label));
        b.cx = std::max(50, measure_.Width(T(c.label)) + 10);
        b.cy = kButtonHeight;
        return b;
    }

    Item Choice(const ControlDef& c) const {
        Item b;
        b.windowClass = kButtonClass;
        b.id = static_cast<WORD>(c.id);
        const bool manual = (c.flags & res::kManualCheck) != 0;
        b.style = Common(c);
        if (c.kind == ControlKind::Radio) {
            // A group of radio buttons runs from one marked first of group
            // to the next; the program may set any of them.
            b.style |= manual ? BS_RADIOBUTTON : BS_AUTORADIOBUTTON;
            if ((c.flags & res::kFirstOfGroup) != 0) b.style |= WS_GROUP | WS_TABSTOP;
        } else {
            b.style |= (manual ? BS_CHECKBOX : BS_AUTOCHECKBOX) | WS_GROUP | WS_TABSTOP;
        }
        b.text = Wide(T(c.label));
        b.cx = measure_.Width(T(c.label)) + 14;
        b.cy = kCheckHeight;
        return b;
    }

    // Where a section's next line goes, and how far its lines reach.
    struct Cursor {
        int left = 0;
        int y = 0;
        int right = 0;  // widest line so far
        // Fields with a label line up in one column after the widest label.
        int labelColumn = 0;
        bool seenRadio = false;
    };

    // Places a section's controls, line by line, relative to its corner.
    void Place(Section& s) const {
        Cursor at{Inner(s), s.boxed ? kBoxTop : 0, Inner(s), 0, false};
        for (const ControlDef* c : s.controls) {
            if (IsField(*c) && !IsEmpty(c->label)) {
                at.labelColumn = std::max(at.labelColumn, measure_.Width(T(c->label)));
            }
        }
        for (std::size_t i = 0; i < s.controls.size(); ++i) {
            const ControlDef& c = *s.controls[i];
            switch (c.kind) {
                case ControlKind::PushButton:
                    i = PlaceButtons(s, at, i);
                    break;
                case ControlKind::Radio:
                case ControlKind::CheckBox:
                    i = PlaceChoice(s, at, i);
                    break;
                case ControlKind::Edit:
                case ControlKind::ComboBox:
                    PlaceField(s, at, c);
                    break;
                case ControlKind::Static:
                    PlaceStatic(s, at, c);
                    break;
            }
        }
        if (s.boxed) {
            at.right = std::max(at.right, at.left + measure_.Width(T(s.group)) + 4);
            s.width = at.right + kBoxSide;
            s.height = at.y - 3 + kBoxBottom;
        } else {
            s.width = at.right;
            s.height = std::max(0, at.y - 3);
        }
    }

    // A run of push buttons on one line, from control i on; returns the
    // index of the last one.
    std::size_t PlaceButtons(Section& s, Cursor& at, std::size_t i) const {
        int x = at.left;
        for (; i < s.controls.size() && s.controls[i]->kind == ControlKind::PushButton; ++i) {
            Item b = Button(*s.controls[i]);
            b.x = x;
            b.y = at.y;
            x += b.cx + kGap;
            s.items.push_back(b);
        }
        at.right = std::max(at.right, x - kGap);
        at.y += kButtonHeight + kGap;
        return i - 1;
    }

    // A radio button or check box, with the field that belongs to a radio
    // button on its line; returns the index of the last control placed.
    std::size_t PlaceChoice(Section& s, Cursor& at, std::size_t i) const {
        const ControlDef& c = *s.controls[i];
        const bool radio = c.kind == ControlKind::Radio;
        if (radio && (c.flags & res::kFirstOfGroup) != 0 && at.seenRadio) at.y += 3;
        at.seenRadio = at.seenRadio || radio;
        Item b = Choice(c);
        b.x = at.left;
        const ControlDef* next = i + 1 < s.controls.size() ? s.controls[i + 1] : nullptr;
        if (!radio || next == nullptr || !IsField(*next)) {
            b.y = at.y;
            s.items.push_back(b);
            at.right = std::max(at.right, at.left + b.cx);
            at.y += kCheckHeight + 3;
            return i;
        }
        // The field that belongs to this choice, on its line, in the radio
        // button's group.
        b.y = at.y + (kEditHeight - kCheckHeight) / 2;
        s.items.push_back(b);
        int x = at.left + b.cx + 2;
        if (!IsEmpty(next->label)) {
            Item label = Label(next->label, next->labelId);
            label.x = x;
            label.y = at.y + 2;
            s.items.push_back(label);
            x += label.cx + 2;
        }
        Item f = Field(*next);
        f.style &= ~static_cast<DWORD>(WS_GROUP);
        at.right = std::max(at.right, PlaceFieldAndUnit(s, f, *next, x, at.y));
        at.y += kEditHeight + 3;
        return i + 1;
    }

    // A field at x with its unit after it; returns where the line ends.
    int PlaceFieldAndUnit(Section& s, Item f, const ControlDef& c, int x, int y) const {
        f.x = x;
        f.y = y;
        s.items.push_back(f);
        x += f.cx;
        if (!IsEmpty(c.unit)) {
            Item unit = Label(c.unit, 0);
            unit.x = x + 3;
            unit.y = y + 2;
            s.items.push_back(unit);
            x = unit.x + unit.cx;
        }
        return x;
    }

    // An edit field or combo box with its label and unit, or on its own.
    void PlaceField(Section& s, Cursor& at, const ControlDef& c) const {
        Item f = Field(c);
        f.style |= WS_GROUP;
        if (IsEmpty(c.label) && IsEmpty(c.unit)) {
            PlaceLoneField(s, at, c, f);
            return;
        }
        int lineHeight = kEditHeight;
        int x = at.left;
        if (!IsEmpty(c.label)) {
            Item label = Label(c.label, c.labelId);
            label.x = at.left;
            label.y = at.y + 2;
            lineHeight = std::max(lineHeight, label.cy + 2);
            s.items.push_back(label);
            x = at.left + at.labelColumn + 3;
        }
        if (f.windowClass == kComboBoxClass) f.cy = kComboDropHeight;
        at.right = std::max(at.right, PlaceFieldAndUnit(s, f, c, x, at.y));
        at.y += lineHeight + 3;
    }

    // A field on its own (the status line): the whole width.
    void PlaceLoneField(Section& s, Cursor& at, const ControlDef& c, Item f) const {
        // Accessibility tools name a field after the static text before it:
        // a hidden one carries the name of a field without a label.
        if (!IsEmpty(c.name)) {
            Item name = Label(c.name, 0);
            name.style &= ~static_cast<DWORD>(WS_VISIBLE);
            name.x = at.left;
            name.y = at.y;
            name.cx = 0;
            name.cy = 0;
            s.items.push_back(name);
        }
        f.x = at.left;
        f.y = at.y;
        f.cx = std::max(f.cx, 100);
        f.fill = true;
        s.items.push_back(f);
        at.right = std::max(at.right, at.left + f.cx);
        at.y += kEditHeight + kGap;
    }

    void PlaceStatic(Section& s, Cursor& at, const ControlDef& c) const {
        Item label = Label(c.label, c.id);
        if ((c.flags & res::kDisabled) != 0) label.style |= WS_DISABLED;
        label.style |= WS_GROUP;
        label.x = at.left;
        label.y = at.y;
        s.items.push_back(label);
        at.right = std::max(at.right, at.left + label.cx);
        at.y += label.cy + 3;
    }

    // DLGTEMPLATE, then each DLGITEMTEMPLATE on a DWORD boundary.
    std::vector<WORD> Write(const std::vector<Item>& items, int width, int height) const {
        std::vector<WORD> w;
        auto dword = [&w](DWORD v) {
            w.push_back(LOWORD(v));
            w.push_back(HIWORD(v));
        };
        auto text = [&w](const std::wstring& s) {
            for (wchar_t c : s) w.push_back(static_cast<WORD>(c));
            w.push_back(0);
        };
        auto align = [&w] {
            if (w.size() % 2 != 0) w.push_back(0);
        };
        dword(DS_SETFONT | DS_MODALFRAME | (t_.centred ? DS_CENTER : 0) | WS_POPUP | WS_CAPTION |
              WS_SYSMENU);
        dword(0);
        w.push_back(static_cast<WORD>(items.size()));
        w.push_back(0);
        w.push_back(0);
        w.push_back(static_cast<WORD>(width));
        w.push_back(static_cast<WORD>(height));
        w.push_back(0);  // no menu: the window gets its menu when it opens
        w.push_back(0);  // the standard dialog class
        text(Wide(std::string(t_.title) + options_.titleSuffix));
        w.push_back(static_cast<WORD>(t_.pointSize));
        text(Wide(t_.font));
        for (const Item& item : items) {
            align();
            dword(item.style);
            dword(0);
            w.push_back(static_cast<WORD>(item.x));
            w.push_back(static_cast<WORD>(item.y));
            w.push_back(static_cast<WORD>(item.cx));
            w.push_back(static_cast<WORD>(item.cy));
            w.push_back(item.id);
            w.push_back(0xFFFF);
            w.push_back(item.windowClass);
            text(item.text);
            w.push_back(0);  // no creation data
        }
        return w;
    }

    const res::DialogTemplate& t_;
    Language lang_;
    const BuildOptions& options_;
    TextMeasure measure_;
};

}  // namespace

DialogTemplateBuffer::DialogTemplateBuffer(const res::DialogTemplate& dialogTemplate,
                                           const BuildOptions& options)
    : words_(Layout(dialogTemplate, options).Build()) {}

HMENU BuildMenu(const res::MenuDef& menu) {
    HMENU bar = CreateMenu();
    auto flags = [&menu](const res::MenuItemDef& item) -> UINT {
        const bool greyed = menu.language == Language::German ? item.greyedDe : item.greyedEn;
        return MF_STRING | (greyed ? MF_GRAYED : MF_ENABLED);
    };
    for (const res::MenuItemDef& item : menu.bar) {
        const std::wstring text = Wide(Pick(menu.language, item.text));
        if (item.id == 0 || !item.items.empty()) {
            HMENU popup = CreatePopupMenu();
            for (const res::MenuItemDef& sub : item.items) {
                AppendMenuW(popup, flags(sub), static_cast<UINT_PTR>(sub.id),
                            Wide(Pick(menu.language, sub.text)).c_str());
            }
            AppendMenuW(bar, flags(item) | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                        text.c_str());
        } else {
            AppendMenuW(bar, flags(item), static_cast<UINT_PTR>(item.id), text.c_str());
        }
    }
    return bar;
}

}  // namespace kvr::win32
