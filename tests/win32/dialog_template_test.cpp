// Every dialog template and menu as the Win32 front end builds it: the
// controls by id with their classes, styles and texts, the radio groups,
// the group boxes, and a layout in which nothing overlaps or sticks out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "res/templates.h"
#include "ui_driver.h"
#include "win32_host.h"
#include "win32_text.h"

namespace {

using kvr::Language;
using kvr::res::ControlDef;
using kvr::res::ControlKind;
using kvr::testing::Present;
namespace id = kvr::id;

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

bool IsGroupBox(HWND hwnd) {
    return ClassOf(hwnd) == L"Button" &&
           (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

std::string TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return kvr::win32::Utf8(text);
}

// A label's text as a static control shows it: lines end in CR LF.
std::string AsShown(std::string_view label) {
    std::string out;
    for (char c : label) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Opens the dialog of a template and hands it to a check before closing it.
void WithDialog(int templateId, const std::function<void(HWND)>& check) {
    kvr::win32::Win32Host host;
    const int result =
        host.RunDialog(templateId, nullptr, [&](kvr::Window& w, kvr::DialogEvent event, int) {
            if (event == kvr::DialogEvent::Init) {
                check(kvr::win32::HwndOf(&w));
                w.EndDialog(7);
            }
            return 1;
        });
    EXPECT_EQ(result, 7);
}

class EveryTemplate : public ::testing::TestWithParam<int> {};

TEST_P(EveryTemplate, ControlsByIdWithTheirKindsTextsAndGroups) {
    const kvr::res::DialogTemplate* t = kvr::res::FindTemplate(GetParam());
    ASSERT_NE(t, nullptr);
    const Language lang = t->language;
    WithDialog(t->id, [&](HWND dialog) {
        EXPECT_EQ(TextOf(dialog), std::string(t->title));
        EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & WS_MINIMIZEBOX, 0);
        HWND leader = nullptr;
        for (const ControlDef& c : t->controls) {
            const std::string where = std::to_string(c.id) + " " + std::string(c.label.en);
            if (c.id == 0) continue;
            HWND item = GetDlgItem(dialog, c.id);
            if (!Present(c, lang)) {
                EXPECT_EQ(item, nullptr) << where;
                continue;
            }
            ASSERT_NE(item, nullptr) << where;
            const LONG style = GetWindowLongW(item, GWL_STYLE);
            EXPECT_EQ((style & WS_DISABLED) != 0, (c.flags & kvr::res::kDisabled) != 0) << where;
            const std::string label(Pick(lang, c.label));
            const LONG type = style & BS_TYPEMASK;
            const bool manual = (c.flags & kvr::res::kManualCheck) != 0;
            switch (c.kind) {
                case ControlKind::Edit:
                    EXPECT_EQ(ClassOf(item), L"Edit") << where;
                    EXPECT_EQ((style & ES_READONLY) != 0, (c.flags & kvr::res::kReadOnly) != 0);
                    EXPECT_EQ((style & ES_NUMBER) != 0, (c.flags & kvr::res::kDigitsOnly) != 0);
                    break;
                case ControlKind::ComboBox:
                    EXPECT_EQ(ClassOf(item), L"ComboBox") << where;
                    EXPECT_EQ(style & 3, CBS_DROPDOWN) << where;
                    break;
                case ControlKind::Radio:
                    EXPECT_EQ(type, manual ? BS_RADIOBUTTON : BS_AUTORADIOBUTTON) << where;
                    EXPECT_EQ(TextOf(item), label) << where;
                    break;
                case ControlKind::CheckBox:
                    EXPECT_EQ(type, manual ? BS_CHECKBOX : BS_AUTOCHECKBOX) << where;
                    EXPECT_EQ(TextOf(item), label) << where;
                    break;
                case ControlKind::PushButton:
                    EXPECT_EQ(type, (c.flags & kvr::res::kDefaultButton) != 0 ? BS_DEFPUSHBUTTON
                                                                              : BS_PUSHBUTTON)
                        << where;
                    EXPECT_EQ(TextOf(item), label) << where;
                    break;
                case ControlKind::Static:
                    EXPECT_EQ(TextOf(item), AsShown(label)) << where;
                    break;
            }
            if (c.labelId != 0) {
                EXPECT_EQ(TextOf(GetDlgItem(dialog, c.labelId)), AsShown(label)) << where;
            }
            // A field without a label is named by a hidden static text just
            // before it, where accessibility tools look for its label.
            if (!kvr::res::IsEmpty(c.name)) {
                HWND name = GetWindow(item, GW_HWNDPREV);
                ASSERT_NE(name, nullptr) << where;
                EXPECT_EQ(ClassOf(name), L"Static") << where;
                EXPECT_EQ(TextOf(name), std::string(Pick(lang, c.name))) << where;
                EXPECT_EQ(GetWindowLongW(name, GWL_STYLE) & WS_VISIBLE, 0) << where;
            }
            // A radio button's group begins at the one marked first of group.
            if (c.kind == ControlKind::Radio) {
                if ((c.flags & kvr::res::kFirstOfGroup) != 0) leader = item;
                HWND start = item;
                while (start != nullptr && (GetWindowLongW(start, GWL_STYLE) & WS_GROUP) == 0) {
                    start = GetWindow(start, GW_HWNDPREV);
                }
                EXPECT_EQ(start, leader) << where;
            }
        }

        // The group boxes, each with its caption.
        std::vector<std::string> boxes;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsGroupBox(child)) boxes.push_back(TextOf(child));
        }
        std::vector<std::string> expected;
        for (const kvr::Text& g : t->groups) expected.emplace_back(Pick(lang, g));
        EXPECT_EQ(boxes, expected);
    });
}

// Nothing overlaps another control, and everything lies inside the window.
TEST_P(EveryTemplate, LayoutKeepsEveryControlApartAndInside) {
    WithDialog(GetParam(), [&](HWND dialog) {
        RECT client{};
        GetClientRect(dialog, &client);
        struct Placed {
            RECT r;
            std::string text;
        };
        std::vector<Placed> placed;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
            const std::string text =
                TextOf(child) + " (" + std::to_string(GetDlgCtrlID(child)) + ")";
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right &&
                        r.bottom <= client.bottom)
                << text;
            const bool box = IsGroupBox(child);
            // A combo box's rectangle includes its dropped-down list.
            if (ClassOf(child) == L"ComboBox") {
                RECT closed{};
                SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&closed));
                r.bottom = r.top +
                           static_cast<LONG>(
                               SendMessageW(child, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) +
                           6;
            }
            if (!box) placed.push_back({r, text});
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            for (std::size_t k = i + 1; k < placed.size(); ++k) {
                RECT overlap{};
                EXPECT_FALSE(IntersectRect(&overlap, &placed[i].r, &placed[k].r))
                    << placed[i].text << " and " << placed[k].text;
            }
        }
    });
}

// The window has the template's size, opens centred only where the template
// says so, and has each control and group box at the place it fixes.
TEST_P(EveryTemplate, SizeCentringAndPlacesOfTheTemplate) {
    const kvr::res::DialogTemplate* t = kvr::res::FindTemplate(GetParam());
    ASSERT_NE(t, nullptr);
    WithDialog(t->id, [&](HWND dialog) {
        // Dialog units to pixels, the corner and the size each, as the
        // dialog manager converts them.
        auto pixels = [&](const kvr::res::Rect& r) {
            RECT out{r.x, r.y, r.cx, r.cy};
            MapDialogRect(dialog, &out);
            return RECT{out.left, out.top, out.left + out.right, out.top + out.bottom};
        };
        RECT client{}, window{}, work{};
        GetClientRect(dialog, &client);
        const RECT size = pixels({0, 0, t->width, t->height});
        EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(size.right, size.bottom));
        GetWindowRect(dialog, &window);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_EQ(std::abs(window.left + window.right - work.left - work.right) <= 1 &&
                      std::abs(window.top + window.bottom - work.top - work.bottom) <= 1,
                  t->centred);
        for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr && !t->placements.empty();
             c = GetWindow(c, GW_HWNDNEXT)) {
            // A template that places controls places each, group boxes too.
            const auto* p =
                kvr::res::PlacementOf(*t, IsGroupBox(c) ? 0 : GetDlgCtrlID(c), TextOf(c));
            ASSERT_NE(p, nullptr) << TextOf(c);
            RECT r{};
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
            const RECT want = pixels(p->rect);
            EXPECT_TRUE(EqualRect(&r, &want)) << TextOf(c);
        }
    });
}

// Every text fits its control: no label, button or choice is cut off.
TEST_P(EveryTemplate, EveryTextFitsItsControl) {
    WithDialog(GetParam(), [&](HWND dialog) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const std::wstring cls = ClassOf(child);
            const LONG type = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
            if (cls != L"Static" && cls != L"Button") continue;
            if (cls == L"Button" && type == BS_GROUPBOX) continue;
            // A field's name for accessibility tools is never shown.
            if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;
            wchar_t text[256] = {};
            GetWindowTextW(child, text, 256);
            HDC dc = GetDC(child);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
            int widest = 0;
            for (const std::wstring_view line : {std::wstring_view(text)}) {
                std::size_t start = 0;
                while (start <= line.size()) {
                    std::size_t end = line.find(L'\r', start);
                    if (end == std::wstring_view::npos) end = line.size();
                    SIZE size{};
                    GetTextExtentPoint32W(dc, line.data() + start, static_cast<int>(end - start),
                                          &size);
                    widest = std::max(widest, static_cast<int>(size.cx));
                    start = end + 2;
                }
            }
            SelectObject(dc, old);
            ReleaseDC(child, dc);
            RECT r{};
            GetClientRect(child, &r);
            // Room for the mark of a check box or radio button, or a
            // button's frame.
            const int extra = cls == L"Static" ? 0 : (type <= BS_DEFPUSHBUTTON ? 6 : 18);
            EXPECT_LE(widest + extra, r.right) << kvr::win32::Utf8(text);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Win32, EveryTemplate,
                         ::testing::Values(id::kMainWindowEn, id::kMainWindowDe,
                                           id::kLockTemplateEn, id::kLockTemplateDe,
                                           id::kRpmTemplateEn, id::kRpmTemplateDe,
                                           id::kRevTemplateEn, id::kRevTemplateDe));

// The menu bar of each language: every item by its command id, with its
// text, and the German help document greyed.
TEST(Win32Menus, EveryItemByIdWithItsText) {
    for (const Language lang : {Language::English, Language::German}) {
        const kvr::res::DialogTemplate* t =
            kvr::res::FindTemplate(kvr::res::MainWindowTemplateId(lang));
        const kvr::res::MenuDef* menu = kvr::res::FindMenu(t->menuId);
        ASSERT_NE(menu, nullptr);
        WithDialog(t->id, [&](HWND dialog) {
            HMENU bar = GetMenu(dialog);
            ASSERT_NE(bar, nullptr);
            ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(menu->bar.size()));
            for (int i = 0; i < GetMenuItemCount(bar); ++i) {
                const kvr::res::MenuItemDef& item = menu->bar[static_cast<std::size_t>(i)];
                wchar_t text[64] = {};
                GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
                EXPECT_EQ(kvr::win32::Utf8(text), std::string(Pick(lang, item.text)));
                HMENU popup = GetSubMenu(bar, i);
                EXPECT_EQ(popup != nullptr, !item.items.empty());
                for (const kvr::res::MenuItemDef& sub : item.items) {
                    wchar_t subText[64] = {};
                    ASSERT_GT(
                        GetMenuStringW(bar, static_cast<UINT>(sub.id), subText, 64, MF_BYCOMMAND),
                        0)
                        << sub.id;
                    EXPECT_EQ(kvr::win32::Utf8(subText), std::string(Pick(lang, sub.text)));
                    const UINT state = GetMenuState(bar, static_cast<UINT>(sub.id), MF_BYCOMMAND);
                    const bool greyed = lang == Language::German ? sub.greyedDe : sub.greyedEn;
                    EXPECT_EQ((state & MF_GRAYED) != 0, greyed) << sub.id;
                    EXPECT_EQ(state & MF_CHECKED, 0u) << sub.id;
                }
            }
        });
    }
}

}  // namespace
