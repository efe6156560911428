// The main window's own commands: opening, the ports, the two exits, About and Help.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include "res/ids.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

const std::string kCfg = "blsetup.cfg";

// The main window opened in a fresh current folder, holding this
// blsetup.cfg when given.
struct OpenWindow {
    explicit OpenWindow(Language lang = Language::English, const std::string& cfg = "") : f(lang) {
        if (!cfg.empty()) WriteFileBytes(kCfg, cfg);
        EXPECT_EQ(MainWindowProc(f.program, main, DialogEvent::Init, 0), 1);
    }
    int Command(int id) { return MainWindowProc(f.program, main, DialogEvent::Command, id); }
    TempDir dir;
    FakeProgram f;
    FakeWindow main;
};

TEST(MainWindow, OpeningFillsListsAndParksTheLines) {
    for (Language lang : {Language::English, Language::German}) {
        OpenWindow w(lang);
        EXPECT_TRUE(w.main.shown);
        EXPECT_FALSE(w.main.controls[id::kStatusLine].enabled);
        EXPECT_EQ(w.f.program.app.startDirectory, w.dir.path());
        EXPECT_EQ(ReadFileBytes(kCfg), "COM2");
        EXPECT_TRUE(w.main.menuChecks[1156]);
        EXPECT_EQ(w.main.controls[id::kTimingList].items,
                  (std::vector<std::string>{" 0\u00b0", " 7,5\u00b0", "15,0\u00b0", "22,5\u00b0",
                                            "30,0\u00b0", "auto"}));
        EXPECT_EQ(w.main.controls[id::kBrakeList].items,
                  lang == Language::English
                      ? (std::vector<std::string>{"off", "hard", "medium", "soft"})
                      : (std::vector<std::string>{"aus", "hart", "mittel", "weich"}));
        EXPECT_EQ(w.main.controls[id::kTimingList].selection, -1);
        EXPECT_EQ(w.main.controls[id::kBrakeList].selection, -1);
        // Park: the data-out pulse, then reset low, data out high, clock high.
        const auto& calls = w.f.serial.calls;
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
                  (std::vector<std::string>{"CLRBREAK", "SETDTR", "SETRTS"}));
        EXPECT_TRUE(w.f.program.link.state.comOpen);
        EXPECT_TRUE(w.f.host.boxes.empty());
    }
}

TEST(MainWindow, OpeningWithAMissingPortIsSilent) {
    OpenWindow w(Language::English, "COM6");
    EXPECT_TRUE(w.main.menuChecks[1160]);
    EXPECT_FALSE(w.f.program.link.state.comOpen);
    EXPECT_TRUE(w.f.host.boxes.empty());
}

TEST(MainWindow, EndSavesThePortNameOnlyAndClosesThePort) {
    const std::string rest = std::string(252, '\0') + std::string(" 2\0\0", 4) + "1.00";
    OpenWindow w(Language::English, "COM1" + rest);
    // Choosing a port that does not exist reports it, and the choice stays.
    EXPECT_EQ(w.Command(1157), 0);
    EXPECT_EQ(w.f.host.boxes, OneBox("Cannot open comport!", "Error", &w.main));
    EXPECT_TRUE(w.main.menuChecks[1157]);
    EXPECT_FALSE(w.main.menuChecks[1155]);
    EXPECT_FALSE(w.main.controls[id::kStatusLine].enabled);
    EXPECT_EQ(ReadFileBytes(kCfg), "COM1" + rest);

    EXPECT_EQ(w.Command(id::kEnd), 1);
    EXPECT_EQ(w.main.endResult, 1);
    EXPECT_EQ(ReadFileBytes(kCfg), "COM3" + rest);
    EXPECT_FALSE(w.f.program.link.state.comOpen);
}

TEST(MainWindow, ChoosingAPresentPortOpensItAndReplacesTheOpenOne) {
    OpenWindow w;
    ASSERT_TRUE(w.f.program.link.state.comOpen);
    EXPECT_EQ(w.Command(1155), 0);
    EXPECT_TRUE(w.f.host.boxes.empty());
    EXPECT_EQ(w.f.serial.openName, "COM1");
    EXPECT_EQ(w.f.serial.closes, 1);
    EXPECT_TRUE(w.main.menuChecks[1155]);
    EXPECT_FALSE(w.main.menuChecks[1156]);
    EXPECT_EQ(w.f.program.link.state.comDeviceName, "COM1");
}

TEST(MainWindow, OkExitsWithoutTouchingTheFile) {
    OpenWindow w(Language::English, "COM1");
    w.Command(1157);
    EXPECT_EQ(w.Command(id::kOk), 1);
    EXPECT_EQ(w.main.endResult, 1);
    EXPECT_EQ(ReadFileBytes(kCfg), "COM1");
}

TEST(MainWindow, EndAfterTheFileWasDeletedWritesNothing) {
    OpenWindow w;
    std::filesystem::remove(kCfg);
    EXPECT_EQ(w.Command(id::kEnd), 1);
    EXPECT_EQ(w.main.endResult, 1);
    EXPECT_FALSE(std::filesystem::exists(kCfg));
}

TEST(MainWindow, EndWritesIntoTheStartDirectory) {
    OpenWindow w;
    w.Command(1155);
    std::filesystem::create_directory("other");
    std::filesystem::current_path("other");
    w.Command(id::kEnd);
    EXPECT_EQ(ReadFileBytes(w.dir.path() / kCfg), "COM1");
    EXPECT_FALSE(std::filesystem::exists(w.dir.path() / "other" / kCfg));
}

TEST(MainWindow, InactiveGovernorWarningOnBothExits) {
    for (int command : {id::kOk, id::kEnd}) {
        for (Language lang : {Language::English, Language::German}) {
            OpenWindow w(lang);
            w.f.program.app.rpmControlInactive = true;
            w.Command(command);
            EXPECT_EQ(w.f.host.boxes, OneBox(lang == Language::English
                                                 ? "RPM control not active!"
                                                 : "Hinweis: Drehzahlregelung derzeit inaktiv!",
                                             "Warning!"));
        }
    }
}

TEST(MainWindow, AboutShowsTheVersionInHex) {
    for (Language lang : {Language::English, Language::German}) {
        OpenWindow w(lang);
        EXPECT_EQ(w.Command(id::kAbout), 0);
        ASSERT_EQ(w.f.host.boxes.size(), 1u);
        const std::string& text = w.f.host.boxes[0].text;
        EXPECT_EQ(w.f.host.boxes[0].caption, "KVR Setup");
        EXPECT_EQ(w.f.host.boxes[0].owner, nullptr);
        const std::string tail = "\n\nVersion:   25";
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

TEST(MainWindow, HelpDocumentOpensWhenPresent) {
    for (Language lang : {Language::English, Language::German}) {
        const std::string doc =
            lang == Language::English ? "pc-setup-english.pdf" : "pc-setup-deutsch.pdf";
        OpenWindow w(lang);
        MakeAt(doc, "<pipe>");  // no document, and never waited on
        w.Command(id::kHelpFile);
        EXPECT_EQ(w.f.host.boxes, OneBox(doc + " not found!", "Error"));
        EXPECT_TRUE(w.f.host.opened.empty());
        std::filesystem::remove(doc);

        WriteFileBytes(doc, "%PDF");
        w.f.host.shellSucceeds = false;  // no viewer: silent
        w.Command(id::kHelpFile);
        EXPECT_EQ(w.f.host.boxes.size(), 1u);
        EXPECT_EQ(w.f.host.opened, std::vector<std::string>{doc});
    }
}

TEST(MainWindow, ServicePageAndIdsWithoutCommand) {
    OpenWindow w;
    EXPECT_EQ(w.Command(id::kServicePage), 0);
    ASSERT_EQ(w.f.host.opened.size(), 1u);
    EXPECT_EQ(w.f.host.opened[0].rfind("https://", 0), 0u);

    const auto callsBefore = w.f.serial.calls.size();
    for (int quiet : {id::kMaxFrequency, id::kVersionText, id::kStatusLine, 1135, 0, 9999}) {
        EXPECT_EQ(w.Command(quiet), 0);
    }
    EXPECT_TRUE(w.f.host.boxes.empty());
    EXPECT_EQ(w.f.serial.calls.size(), callsBefore);
    EXPECT_FALSE(w.main.endResult.has_value());
}

TEST(MainWindow, RunProgramRunsTheMainWindowOfTheLanguage) {
    for (Language lang : {Language::English, Language::German}) {
        TempDir dir;
        FakeProgram f(lang);
        f.portIo.driverPresent = true;
        EXPECT_EQ(RunProgram(f.program), 0);
        EXPECT_TRUE(f.program.link.state.driverAvailable);
        EXPECT_EQ(
            f.host.dialogsRun,
            std::vector<int>{lang == Language::English ? id::kMainWindowEn : id::kMainWindowDe});
        EXPECT_EQ(ReadFileBytes(kCfg), "0378");
    }
}

}  // namespace
}  // namespace kvr
