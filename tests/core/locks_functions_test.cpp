// The lock functions dialog on the simulated controller: Read, Write, refusals and templates.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_window.h"
#include "locks/lock_functions.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/templates.h"
#include "sim_program.h"
#include "simulation.h"
#include "template_labels.h"

namespace kvr {
namespace {

using namespace testing;

// The program on a simulated controller wired to COM2, with settings read.
struct Rig : SimProgram {
    explicit Rig(Language lang = Language::English)
        : SimProgram(SimOptions().In(lang).BareWindow()) {
        p.settings.versionWord = 0x6123;
        p.settings.clockMhz = 16;
    }

    // Runs the command; inside the dialog, plays the given commands in order
    // (a click on a disabled button does nothing).
    void Run(const std::vector<int>& commands, const BeforeCommand& beforeCommand = {}) {
        PlayDialog(commands, {id::kLockRcSetup, id::kLockTestProgram, id::kLockWrite},
                   beforeCommand, true);
        LockFunctionsCommand(p, w);
    }
};

TEST(LockChoices, OnlyBitsZeroAndOneChange) {
    // The lock byte read, RC set-up and test program ticked: the byte written.
    EXPECT_EQ(ApplyLockChoices(0xFF, false, false), 0xFF);
    EXPECT_EQ(ApplyLockChoices(0xFC, true, false), 0xFE);
    EXPECT_EQ(ApplyLockChoices(0x81, true, true), 0x80);
    EXPECT_EQ(ApplyLockChoices(0x00, false, false), 0x03);
    EXPECT_EQ(ApplyLockChoices(0x7F, true, true), 0x7C);
    EXPECT_EQ(ApplyLockChoices(0x1FF, false, false), 0xFF);
}

TEST(LockFunctions, ReadShowsTheLocksAndWriteSendsTheByte) {
    struct Case {
        int stored;
        bool rcTicked;    // after Read
        bool testTicked;  // after Read
        bool rcChoice;    // what the user leaves ticked before Write
        bool testChoice;
        int written;
    };
    const Case cases[] = {
        {0xFF, false, false, false, false, 0xFF},
        {0xFC, true, true, true, false, 0xFE},
        {0x81, false, true, true, true, 0x80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Rig r;
        r.ctl().memory[13] = static_cast<std::uint8_t>(c.stored);
        bool checkedAfterRead = false;
        r.Run({id::kLockRead, id::kLockWrite}, [&](FakeWindow& w, int command) {
            if (command != id::kLockWrite) return;
            EXPECT_EQ(w.controls[id::kLockRcSetup].checked, c.rcTicked);
            EXPECT_EQ(w.controls[id::kLockTestProgram].checked, c.testTicked);
            EXPECT_TRUE(w.controls[id::kLockRcSetup].enabled);
            EXPECT_TRUE(w.controls[id::kLockTestProgram].enabled);
            EXPECT_TRUE(w.controls[id::kLockWrite].enabled);
            w.controls[id::kLockRcSetup].checked = c.rcChoice;
            w.controls[id::kLockTestProgram].checked = c.testChoice;
            checkedAfterRead = true;
        });
        EXPECT_TRUE(checkedAfterRead);
        EXPECT_TRUE(r.host.boxes.empty()) << r.BoxTexts()[0];
        EXPECT_EQ(r.Writes(), (std::vector<std::pair<int, int>>{{13, c.written}}));
        EXPECT_EQ(r.ctl().memory[13], c.written);
        EXPECT_EQ(r.p.locks.lockByte, c.written);
        EXPECT_EQ(r.host.beeps, 2);
        EXPECT_EQ(r.w.controls[id::kStatusLine].text, "ok");
        EXPECT_FALSE(r.w.controls[id::kStatusLine].enabled);
        EXPECT_EQ(r.w.controls[id::kVersionText].text, "V 61.23-1F");
        EXPECT_EQ(r.host.dialogsRun, (std::vector<int>{1229}));
    }
}

TEST(LockFunctions, ReadRefusesControllersItCannotServe) {
    struct Case {
        int high;
        int low;
        int requiredLevel;
        const char* text;
        const char* textDe;
        const char* caption;
        int versionWord;  // afterwards
        const char* versionText;
    };
    const Case cases[] = {
        {0x60, 0x02, 0x25, "Funktion bei dieser Controllerversion nicht verf\u00fcgbar!",
         "Funktion bei dieser Controllerversion nicht verf\u00fcgbar!", "ERROR!", 0x6002,
         "V 60.02-1F"},
        {0x61, 0x23, 0x26, "Please download the latest version of this software!",
         "Bitte aktuelles Setup-Programm downloaden!", "", 0x6123, "V 61.23-1F"},
        {0xFF, 0xFF, 0x25, "Available after setup with RC!",
         "Erst nach Setup mit Fernsteuerung verf\u00fcgbar!", "ERROR!", 65535, ""},
        {0x51, 0x23, 0x25, "PC-Program not suitable,\nPlease download the compatible software !",
         "Bitte kompatibles Setup-Programm downloaden!", "ERROR!", 65535, ""},
    };
    for (const Case& c : cases) {
        for (Language lang : {Language::English, Language::German}) {
            SCOPED_TRACE(c.text);
            SCOPED_TRACE(lang == Language::German ? "German" : "English");
            Rig r(lang);
            r.ctl().memory[32] = static_cast<std::uint8_t>(c.high);
            r.ctl().memory[33] = static_cast<std::uint8_t>(c.low);
            r.ctl().memory[35] = static_cast<std::uint8_t>(c.requiredLevel);
            r.w.controls[id::kVersionText].text = "";
            r.Run({id::kLockRead, id::kLockWrite});
            EXPECT_EQ(r.host.boxes,
                      OneBox(lang == Language::German ? c.textDe : c.text, c.caption));
            EXPECT_EQ(r.p.settings.versionWord, c.versionWord);
            EXPECT_EQ(r.w.controls[id::kVersionText].text, c.versionText);
            // Write stays disabled: the user cannot reach it, and the lock byte
            // was never read.
            EXPECT_FALSE(r.lastDialog.controls[id::kLockWrite].enabled);
            EXPECT_TRUE(r.ctl().TraceOf('V').empty());
            for (const sim::WireEvent& e : r.ctl().TraceOf('U')) EXPECT_NE(e.address, 13);
            EXPECT_EQ(r.host.beeps, 0);
        }
    }
}

TEST(LockFunctions, ControlsStayEnabledAfterALaterRefusedRead) {
    Rig r;
    r.ctl().memory[13] = 0xFE;
    r.Run({id::kLockRead, id::kLockRead, id::kLockWrite}, [&](FakeWindow&, int command) {
        // The second Read finds a controller that was never set up.
        if (command == id::kLockRead && r.host.beeps == 1) {
            r.ctl().memory[32] = 0xFF;
            r.ctl().memory[33] = 0xFF;
        }
    });
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"Available after setup with RC!"}));
    for (int control : {id::kLockRcSetup, id::kLockTestProgram, id::kLockWrite}) {
        EXPECT_TRUE(r.lastDialog.controls[control].enabled) << control;
    }
    // Write still sends the byte of the first Read.
    EXPECT_EQ(r.Writes(), (std::vector<std::pair<int, int>>{{13, 0xFE}}));
    EXPECT_EQ(r.p.settings.versionWord, 65535);
}

// A main window that keeps every text its status line was given.
class StatusLog : public FakeWindow {
  public:
    void SetText(int id, const std::string& text) override {
        if (id == id::kStatusLine) statusTexts.push_back(text);
        FakeWindow::SetText(id, text);
    }
    std::vector<std::string> statusTexts;
};

TEST(LockFunctions, StatusLineUntilTheDialogOpens) {
    for (const auto& [lang, connecting] : {std::pair{Language::English, "connecting...."},
                                           std::pair{Language::German, "verbinden...."}}) {
        Rig r(lang);
        StatusLog main;
        std::vector<std::string> textsAtOpen;
        bool enabledAtOpen = true;
        r.host.dialogScript = [&](int, Window&, const DialogProc&) {
            textsAtOpen = main.statusTexts;
            enabledAtOpen = main.controls[id::kStatusLine].enabled;
            return 1;
        };
        LockFunctionsCommand(r.p, main);
        EXPECT_EQ(textsAtOpen, (std::vector<std::string>{connecting, " "}));
        EXPECT_FALSE(enabledAtOpen);
        EXPECT_EQ(r.p.app.statusWindow, &main);
    }
}

TEST(LockFunctions, RequiredLevel37IsAccepted) {
    Rig r;
    r.ctl().memory[35] = 37;
    r.Run({id::kLockRead});
    EXPECT_TRUE(r.host.boxes.empty());
    EXPECT_TRUE(r.lastDialog.controls[id::kLockWrite].enabled);
}

TEST(LockFunctions, FailedWriteShowsTheErrorTwice) {
    for (Language lang : {Language::English, Language::German}) {
        Rig r(lang);
        r.ctl().faults.wrongEchoOnWrite = true;
        r.Run({id::kLockRead, id::kLockWrite});
        const std::string text = lang == Language::German ? "Schreibfehler!" : "writing error!";
        ASSERT_EQ(r.host.boxes.size(), 2u);
        for (const auto& box : r.host.boxes) {
            EXPECT_EQ(box.text, text);
            EXPECT_EQ(box.caption, "Error!");
        }
        EXPECT_EQ(r.host.beeps, 1);  // Read only
    }
}

TEST(LockFunctions, GateAndPortFailureKeepTheDialogClosed) {
    {
        Rig r(Language::German);
        r.p.settings.versionWord = 50000;
        r.Run({});
        EXPECT_TRUE(r.host.dialogsRun.empty());
        EXPECT_EQ(r.host.boxes, OneBox("Zuerst Werte einlesen!", "Error!"));
    }
    {
        Rig r;
        r.p.link.state.comDeviceName.clear();
        r.Run({});
        EXPECT_TRUE(r.host.dialogsRun.empty());
        EXPECT_EQ(r.host.boxes, OneBox("Cannot open comport!", "Error", &r.w));
        EXPECT_EQ(r.w.controls[id::kStatusLine].text, " ");
        EXPECT_FALSE(r.w.controls[id::kStatusLine].enabled);
    }
}

TEST(LockFunctions, CloseBlanksTheStatusLineAndEndsTheDialog) {
    for (int command : {id::kOk, id::kEnd}) {
        Rig r(Language::German);
        r.Run({command, id::kLockRead});
        EXPECT_EQ(r.host.dialogsRun, (std::vector<int>{1230}));
        EXPECT_EQ(r.lastDialog.endResult, 1);
        EXPECT_EQ(r.w.controls[id::kStatusLine].text, " ");
        EXPECT_TRUE(r.ctl().TraceOf('U').empty());
    }
}

TEST(LockFunctions, TemplatesCarryTheControls) {
    for (const res::DialogTemplate* t :
         ExpectControlIds({1229, 1230}, {1206, 1207, 1204, 1205, 2})) {
        EXPECT_NE(t->controls[0].flags & res::kDisabled, 0u);
        EXPECT_NE(t->controls[3].flags & res::kDisabled, 0u);
        EXPECT_NE(t->controls[2].flags & res::kDefaultButton, 0u);
    }
}

TEST(LockFunctions, TemplateTextsInBothLanguages) {
    // The check boxes sit in the group; the buttons do not.
    constexpr Text kOptions{"Options", "Optionen"};
    const auto [en, de] =
        ExpectLabels(1229, 1230,
                     {{1206, {"lock RC-setup", "RC-Setup sperren"}, kOptions},
                      {1207, {"lock testprogram", "Testprogramm sperren"}, kOptions},
                      {1204, {"Read", "Lesen"}, {"", ""}},
                      {1205, {"Write", "Schreiben"}, {"", ""}},
                      {2, {"End", "Ende"}, {"", ""}}});
    ASSERT_TRUE(en != nullptr && de != nullptr);
    // x, y of Read, Write and End: a column right of the box.
    const std::pair<const res::DialogTemplate*, std::vector<int>> columns[] = {
        {en, {135, 18, 135, 38, 136, 65}}, {de, {136, 18, 135, 38, 136, 67}}};
    for (const auto& [t, expected] : columns) {
        ASSERT_EQ(t->groups.size(), 1u);
        EXPECT_EQ(Pick(t->language, t->groups[0]), Pick(t->language, kOptions));
        std::vector<int> buttons;
        for (int id : {1204, 1205, 2}) {
            const res::Placement* p = res::PlacementOf(*t, id);
            ASSERT_NE(p, nullptr) << id;
            buttons.insert(buttons.end(), {p->rect.x, p->rect.y});
        }
        EXPECT_EQ(buttons, expected);
    }
}

}  // namespace
}  // namespace kvr
