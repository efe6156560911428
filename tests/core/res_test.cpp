// The templates and the menu as data: every control with its texts and state, no id used twice.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "res/ids.h"
#include "res/templates.h"

namespace kvr::res {
namespace {

const ControlDef* FindControl(const DialogTemplate& t, int id) {
    for (const ControlDef& c : t.controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

struct ExpectedControl {
    int id;
    ControlKind kind;
    Text label;
    Text unit;
    unsigned flags;
    int labelId;
};

// The controls of one group box, in order.
struct ExpectedGroup {
    Text group;
    std::vector<ExpectedControl> controls;
};

constexpr Text kNo{"", ""};
constexpr Text kSoft{"Actual Software", "Aktuelle Software"};
constexpr Text kLv{"Low Voltage Protection", "Unterspannungsbehandlung/ Schwelle"};
constexpr Text kRc{"RC Signal", "Empfangs-Impuls"};
constexpr Text kMotor{"Motor Control", "Motor-Steuerung"};
constexpr Text kRpm{"RPM Control", "Drehzahlregelung"};
constexpr Text kLog{"Log File", "Log-Datei"};
constexpr Text kOther{"Other Features", "Diverse Features"};
constexpr Text kFreq{"Controller Frequency", "Schaltfrequenz"};
constexpr Text kMem{"Memory", "Aktueller Speicher"};
constexpr Text kMs{"ms", "ms"};

using K = ControlKind;

// Every control of the main window, both languages, group by group. The two
// lists (id::kTimingList, id::kBrakeList) have no items in the template: the
// window fills them when it opens.
const std::vector<ExpectedGroup> kExpected = {
    {kSoft, {{1145, K::Edit, {"Version/Typ", "Version/Typ"}, kNo, kReadOnly, 0}}},
    {kLv,
     {{1168, K::Radio, {"ignore", "ignorieren"}, kNo, kFirstOfGroup, 0},
      {1171, K::Radio, {"reduce power", "abregeln"}, kNo, 0, 0},
      {1170, K::Radio, {"switch off", "abschalten"}, kNo, 0, 0},
      {1232, K::Radio, {"NICD/MH", "NICD/MH"}, kNo, kFirstOfGroup, 0},
      {1233, K::Radio, {"LIPOs:", "LIPOs:"}, kNo, 0, 0},
      {1234, K::Radio, {"FIX:", "FIX:"}, kNo, 0, 0},
      {1237, K::Edit, {"Anz.", "Anz."}, kNo, 0, 1236},
      {1194, K::Edit, {"Volt", "Volt"}, kNo, 0, 1195}}},
    {kRc,
     {{1135, K::Edit, {"full speed", "Vollg."}, kMs, 0, 0},
      {1166, K::Edit, {"neutral", "Neut."}, kMs, 0, 0},
      {1134, K::Edit, {"stop/ret.", "Stopp\nretour"}, kMs, 0, 0}}},
    {kMotor,
     {{1142, K::Edit, {"acceleration (1 - 50)", "Beschleunigung (1 - 50)"}, kNo, kDigitsOnly, 0},
      {1164, K::Edit, {"startup-power (1 - 50)", "Anlauf-Leistung (1 - 50)"}, kNo, kDigitsOnly, 0},
      {1146, K::ComboBox, {"EMF brake", "EMK-Bremse"}, kNo, 0, 0},
      {1140, K::ComboBox, {"commutation\ntiming", "Kommutierungs-\nTiming"}, kNo, 0, 0}}},
    {kRpm,
     {{1175, K::CheckBox, {"active RPM control", "Regelung aktiv"}, kNo, 0, 0},
      {1212, K::Edit, {"max. frequency", "max. Freq."}, {"Hz", "Hz"}, kDisabled, 0},
      {1210, K::PushButton, {"Set Up", "Einstellungen"}, kNo, 0, 0}}},
    {kOther,
     {{1191, K::CheckBox, {"overtemp. protection", "Übertemp-Schutz"}, kNo, 0, 0},
      {1188, K::CheckBox, {"RPM-limit", "Drehzahlbegrenzung"}, kNo, 0, 0},
      {1137, K::CheckBox, {"active free wheeling", "Aktiver Freilauf"}, kNo, 0, 0},
      {1169, K::CheckBox, {"forward / reverse (car)", "Vor/Rueckw. (Car)"}, kNo, 0, 0},
      {1243, K::CheckBox, {"Turbo / max. Power", "Turbo f. max. Leistung"}, kNo, 0, 0}}},
    {kLog,
     {{1177, K::Edit, {"transmitter failure", "Senderausf."}, kNo, 0, 0},
      {1178, K::Edit, {"overtemperature", "Übertemp."}, kNo, 0, 0},
      {1179, K::Edit, {"undervoltage", "Unterspg."}, kNo, 0, 0},
      {1183, K::PushButton, {"Reset", "Reset"}, kNo, 0, 0}}},
    {kFreq,
     {{1138, K::Radio, {"7,8 kHz", "7,8 kHz"}, kNo, kFirstOfGroup | kManualCheck, 0},
      {1139, K::Radio, {"15,6 kHz", "15,6 kHz"}, kNo, kManualCheck, 0}}},
    {kMem,
     {{1149, K::PushButton, {"Read", "Lesen"}, kNo, 0, 0},
      {1150, K::PushButton, {"Write", "Schreiben"}, kNo, kDisabled, 0},
      {1044, K::Edit, kNo, kNo, 0, 0}}},
    {kNo, {{2, K::PushButton, {"End", "Ende"}, kNo, kDefaultButton, 0}}},
};

class MainWindowTemplate : public ::testing::TestWithParam<int> {};

TEST_P(MainWindowTemplate, HoldsEveryControlWithItsTextsAndState) {
    const DialogTemplate* t = FindTemplate(GetParam());
    ASSERT_NE(t, nullptr);
    std::set<int> ids;
    for (const ControlDef& c : t->controls) {
        EXPECT_TRUE(ids.insert(c.id).second) << "twice: " << c.id;
    }
    std::size_t count = 0;
    for (const ExpectedGroup& g : kExpected) {
        for (const ExpectedControl& e : g.controls) {
            SCOPED_TRACE(e.id);
            ++count;
            const ControlDef* c = FindControl(*t, e.id);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->kind, e.kind);
            EXPECT_EQ(c->label.en, e.label.en);
            EXPECT_EQ(c->label.de, e.label.de);
            EXPECT_EQ(c->unit.en, e.unit.en);
            EXPECT_EQ(c->unit.de, e.unit.de);
            EXPECT_EQ(c->group.en, g.group.en);
            EXPECT_EQ(c->group.de, g.group.de);
            EXPECT_EQ(c->flags, e.flags);
            EXPECT_EQ(c->labelId, e.labelId);
        }
    }
    EXPECT_EQ(t->controls.size(), count);
}

TEST_P(MainWindowTemplate, ListsTheGroupBoxesInTheOrderTheControlsUseThem) {
    const DialogTemplate* t = FindTemplate(GetParam());
    ASSERT_NE(t, nullptr);
    const std::vector<std::string> expected = {"Actual Software", "Low Voltage Protection",
                                               "RC Signal",       "Motor Control",
                                               "RPM Control",     "Log File",
                                               "Other Features",  "Controller Frequency",
                                               "Memory"};
    std::vector<std::string> groups;
    for (const Text& g : t->groups) groups.emplace_back(g.en);
    EXPECT_EQ(groups, expected);
    // The front end lays the groups out in the order of their controls.
    std::vector<std::string> used;
    for (const ControlDef& c : t->controls) {
        if (!c.group.en.empty() && (used.empty() || used.back() != c.group.en)) {
            used.emplace_back(c.group.en);
        }
    }
    EXPECT_EQ(used, expected);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, MainWindowTemplate,
                         ::testing::Values(id::kMainWindowEn, id::kMainWindowDe));

// Every window's header; the main windows' with their menus.
TEST(Templates, HeaderOfEachWindow) {
    struct Row {
        int id;
        Language lang;
        const char* title;
        int width;
        int height;
        int menu;
    };
    const Row rows[] = {
        {1226, Language::English, "KVR-Duza2  Setup ", 454, 255, 157},
        {1227, Language::German, "KVR-Duza2  Setup ", 432, 244, 156},
        {1229, Language::English, "Lock Functions", 208, 90, 0},
        {1230, Language::German, "KVR-Setup", 208, 95, 0},
        {1228, Language::English, "RPM-Control", 426, 188, 0},
        {1231, Language::German, "Drehzahlregelung", 427, 182, 0},
        {1247, Language::English, "Number of Revolutions", 342, 135, 0},
        {1245, Language::German, "Drehzahl-Messung", 342, 135, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const DialogTemplate* t = FindTemplate(row.id);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->id, row.id);
        EXPECT_EQ(t->language, row.lang);
        EXPECT_EQ(t->title, row.title);
        EXPECT_EQ(t->font, "MS Sans Serif");
        EXPECT_EQ(t->pointSize, 8);
        EXPECT_EQ(t->width, row.width);
        EXPECT_EQ(t->height, row.height);
        EXPECT_EQ(t->menuId, row.menu);
        if (row.menu == 0) continue;
        EXPECT_EQ(MainWindowTemplateId(row.lang), row.id);
        const MenuDef* m = FindMenu(row.menu);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->language, row.lang);
    }
}

TEST(Templates, UnknownIdsFindNothing) {
    EXPECT_EQ(FindTemplate(0), nullptr);
    EXPECT_EQ(FindTemplate(1225), nullptr);
    EXPECT_EQ(FindMenu(155), nullptr);
    EXPECT_EQ(FindMenu(1226), nullptr);
}

struct ExpectedItem {
    std::string popupEn;  // "" for an item on the bar itself
    int id;
    std::string en;
    std::string de;
    bool greyedDe;
    bool operator==(const ExpectedItem&) const = default;
};

void PrintTo(const ExpectedItem& i, std::ostream* os) {
    *os << i.popupEn << "/" << i.id << " \"" << i.en << "\" \"" << i.de << "\""
        << (i.greyedDe ? " greyed" : "");
}

TEST(MainMenu, ItemsIdsTextsAndGreyedHelpFile) {
    const std::vector<ExpectedItem> expected = {
        {"File", 1147, "Open Update File", "Update-Datei öffnen", false},
        {"File", 1301, "Save Settings...", "Einstellungen speichern...", false},
        {"File", 1302, "Load Settings...", "Einstellungen laden...", false},
        {"Port", 1155, "COM1", "COM1", false},
        {"Port", 1156, "COM2", "COM2", false},
        {"Port", 1157, "COM3", "COM3", false},
        {"Port", 1158, "COM4", "COM4", false},
        {"Port", 1159, "COM5", "COM5", false},
        {"Port", 1160, "COM6", "COM6", false},
        {"Port", 1161, "COM7", "COM7", false},
        {"Port", 1162, "COM8", "COM8", false},
        {"Options", 1202, "Lock Funktions", "Sperrfunktionen", false},
        {"Options", 1225, "Controller Info", "Prozessor-Info", false},
        {"", 1244, "Rev Counter", "Drehzahl messen", false},
        {"Help", 1104, "Help File", "Hilfe-Datei", true},
        {"Help", 1197, "Internet Servicepage", "Internet Serviceseite", false},
        {"Help", 1151, "About...", "Über...", false},
    };
    const std::vector<std::pair<std::string, std::string>> bar = {
        {"File", "Datei"},
        {"Port", "Port"},
        {"Options", "Optionen"},
        {"Rev Counter", "Drehzahl messen"},
        {"Help", "Hilfe"}};
    for (int menuId : {157, 156}) {
        SCOPED_TRACE(menuId);
        const MenuDef* m = FindMenu(menuId);
        ASSERT_NE(m, nullptr);
        std::vector<std::pair<std::string, std::string>> titles;
        std::vector<ExpectedItem> items;
        for (const MenuItemDef& top : m->bar) {
            titles.emplace_back(top.text.en, top.text.de);
            EXPECT_FALSE(top.greyedEn);
            if (top.items.empty()) {
                items.push_back(
                    {"", top.id, std::string(top.text.en), std::string(top.text.de), top.greyedDe});
                continue;
            }
            EXPECT_EQ(top.id, 0);
            EXPECT_FALSE(top.greyedDe);
            for (const MenuItemDef& item : top.items) {
                EXPECT_FALSE(item.greyedEn) << item.id;
                EXPECT_TRUE(item.items.empty());
                items.push_back({std::string(top.text.en), item.id, std::string(item.text.en),
                                 std::string(item.text.de), item.greyedDe});
            }
        }
        EXPECT_EQ(titles, bar);
        EXPECT_EQ(items, expected);
    }
}

TEST(MainMenu, UmlautsAreUtf8) {
    const MenuDef* m = FindMenu(156);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->bar[0].items[0].text.de,
              "Update-Datei \xC3\xB6"
              "ffnen");
    EXPECT_EQ(m->bar[4].items[2].text.de,
              "\xC3\x9C"
              "ber...");
}

// A menu command with the id of a control would run when that control
// notifies its window.
TEST(MainMenu, CommandIdsCollideWithNoControlOrWindow) {
    std::set<int> taken;
    for (int templateId : {1226, 1227, 1228, 1229, 1230, 1231, 1245, 1247}) {
        const DialogTemplate* t = FindTemplate(templateId);
        ASSERT_NE(t, nullptr) << templateId;
        taken.insert(templateId);
        for (const ControlDef& c : t->controls) {
            taken.insert(c.id);
            if (c.labelId != 0) taken.insert(c.labelId);
        }
    }
    const MenuDef* m = FindMenu(157);
    ASSERT_NE(m, nullptr);
    std::set<int> commands;
    for (const MenuItemDef& top : m->bar) {
        if (top.id != 0) {
            EXPECT_TRUE(commands.insert(top.id).second) << top.id;
        }
        for (const MenuItemDef& item : top.items) {
            EXPECT_TRUE(commands.insert(item.id).second) << item.id;
        }
    }
    for (const int id : {id::kSaveSettings, id::kLoadSettings}) {
        EXPECT_EQ(taken.count(id), 0u) << id;
        EXPECT_EQ(commands.count(id), 1u) << id;
    }
}

}  // namespace
}  // namespace kvr::res
