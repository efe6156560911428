// Settings files on the simulated controller: Save, Load, List and Compare, and refused files.
#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/settings_commands.h"
#include "res/ids.h"
#include "sim_program.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

// Settings on controller A: every value Write stores differs from the
// simulated controller's defaults.
void LoadControllerA(SimProgram& r, bool governor) {
    r.Set(FullSpeedTimeLow, 4000 & 0xFF);
    r.Set(FullSpeedTimeHigh, 4000 >> 8);
    r.Set(NeutralTimeLow, 3200 & 0xFF);
    r.Set(NeutralTimeHigh, 3200 >> 8);
    r.Set(StopTimeLow, 2000 & 0xFF);
    r.Set(StopTimeHigh, 2000 >> 8);
    r.Set(TimingCode, 8);
    r.Set(PwmCode, 9);  // 15.6 kHz at 16 MHz
    r.Set(OvertempMode, 1);
    r.Set(Acceleration, 25);
    r.Set(StartupPower, 12);
    r.Set(LogTransmitterFailure, 5);
    r.Set(LogOvertemperature, 6);
    r.Set(LogUndervoltage, 7);
    if (governor) {
        // The governor excludes the brake, turbo and the cut-offs.
        r.Set(OptionFlags, kOptFixedTiming | kOptRpmLimit | kOptRpmControl);
        r.Set(BrakeLevel, 0);
        r.Set(LowVoltageMode, kLowVoltageReduce);
        r.Set(BatteryCode, 80);  // fixed 8.4 V
    } else {
        r.Set(OptionFlags, kOptFixedTiming | kOptRpmLimit | kOptBrake | kOptTurbo);
        r.Set(BrakeLevel, 2);
        r.Set(LowVoltageMode, kLowVoltageSwitchOff);
        r.Set(BatteryCode, kBatteryLipo);
        r.Set(LipoCells, 4);
    }
}

// A controller with the simulator's values, read, in a fresh current folder.
struct ReadRig : TempDir, SimProgram {
    explicit ReadRig(Language lang = Language::English) : SimProgram(lang) {
        EXPECT_EQ(Read(), Outcome::Done);
    }
};

std::vector<std::string> Listing(SimProgram& r) {
    std::vector<std::string> lines;
    EXPECT_EQ(ListSettings(r.p, r.w, lines), Outcome::Done);
    return lines;
}

// The file as the program wrote it.
nlohmann::json ReadJson(const std::filesystem::path& file) {
    return nlohmann::json::parse(ReadFileBytes(file));
}

void WriteJson(const std::filesystem::path& file, const nlohmann::json& doc) {
    WriteFileBytes(file, doc.dump(2));
}

TEST(SettingsFile, RoundTripCarriesEverySettingToAnotherController) {
    for (const bool governor : {false, true}) {
        SCOPED_TRACE(governor ? "governor on, fixed threshold" : "switch off, LiPo");
        TempDir dir;
        SimProgram a;
        LoadControllerA(a, governor);
        ASSERT_EQ(a.Read(), Outcome::Done);
        ASSERT_EQ(SaveSettingsFile(a.p, a.w, "a.json"), Outcome::Done);
        EXPECT_TRUE(a.host.boxes.empty());

        // A second controller with the simulator's own, different values.
        SimProgram b;
        ASSERT_EQ(b.Read(), Outcome::Done);
        ASSERT_NE(Listing(b), Listing(a));
        b.controller.trace.clear();
        ASSERT_EQ(LoadSettingsFile(b.p, b.w, "a.json"), Outcome::Done);
        EXPECT_TRUE(b.controller.trace.empty()) << "Load talked to the controller";
        EXPECT_TRUE(b.host.boxes.empty());
        ASSERT_EQ(b.Write(), Outcome::Done);
        EXPECT_TRUE(b.host.boxes.empty());

        // Read again by a fresh program: the form equals the first one.
        SimProgram check;
        check.controller.memory = b.controller.memory;
        ASSERT_EQ(check.Read(), Outcome::Done);
        EXPECT_EQ(Listing(check), Listing(a));
        for (int address : {4, 5, 6, 7, 8, 9, 10, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25}) {
            EXPECT_EQ(b.Get(address), a.Get(address)) << "address " << address;
        }
        if (!governor) {
            EXPECT_EQ(b.Get(LipoCells), 4);
        }
    }
}

TEST(SettingsFile, SavedFileNamesEveryControlAndItsOrigin) {
    TempDir dir;
    SimProgram r;
    LoadControllerA(r, false);
    ASSERT_EQ(r.Read(), Outcome::Done);
    ASSERT_EQ(SaveSettingsFile(r.p, r.w, "s.json"), Outcome::Done);
    const nlohmann::json doc = ReadJson("s.json");
    EXPECT_EQ(doc["format"], "kvrsetup settings");
    EXPECT_EQ(doc["formatVersion"], 1);
    EXPECT_EQ(doc["programVersion"], "25");
    EXPECT_EQ(doc["controllerVersion"], "V 61.23-1F");
    EXPECT_TRUE(std::regex_match(doc["saved"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    EXPECT_TRUE(doc["maxFrequencyHz"].is_null());  // governor off
    const nlohmann::json expected = {
        {"fullSpeedMs", 2.0},
        {"neutralMs", 1.6},
        {"stopMs", 1.0},
        {"acceleration", 25},
        {"startupPower", 12},
        {"emfBrake", "medium"},
        {"timing", "22.5"},
        {"rpmControl", false},
        {"overtempProtection", false},
        {"rpmLimit", true},
        {"freeWheeling", false},
        {"forwardReverse", false},
        {"turbo", true},
        {"lowVoltage", "switchOff"},
        {"battery", "lipo"},
        {"lipoCells", 4},
        {"thresholdVolts", nullptr},
        {"frequency", "15.6kHz"},
        {"logTransmitterFailure", 5},
        {"logOvertemperature", 6},
        {"logUndervoltage", 7},
    };
    EXPECT_EQ(doc["settings"], expected);
    // Nothing is left beside the file.
    EXPECT_FALSE(std::filesystem::exists("s.json.tmp"));
}

TEST(SettingsFile, SaveAndLoadWaitForARead) {
    TempDir dir;
    SimProgram r;
    EXPECT_EQ(SaveSettingsFile(r.p, r.w, "s.json"), Outcome::Failed);
    EXPECT_FALSE(std::filesystem::exists("s.json"));
    WriteFileBytes("l.json", R"({"format": "kvrsetup settings", "formatVersion": 1,
        "settings": {"acceleration": 30}})");
    EXPECT_EQ(LoadSettingsFile(r.p, r.w, "l.json"), Outcome::Refused);
    EXPECT_EQ(r.w.controls[id::kAcceleration].text, "");
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"Read values first!", "Read values first!"}));
    EXPECT_TRUE(r.controller.trace.empty());
}

TEST(SettingsFile, DamagedOrForeignFilesChangeNothing) {
    const std::string good = R"("format": "kvrsetup settings", "formatVersion": 1)";
    struct Case {
        const char* what;
        std::string content;  // empty: no file at all
        const char* reason;
    };
    const Case cases[] = {
        {"missing file", "", "The file cannot be opened."},
        {"not JSON", "{" + good + ",\n \"settings\": {\"acceleration\": 30,",
         "The file is damaged: it is not JSON (line 2, column 34)."},
        {"empty file", " ", "The file is damaged: it is not JSON (line 1, column 2)."},
        {"foreign JSON", R"({"name": "my model", "channels": 8})",
         "This is not a kvrsetup settings file."},
        {"a list", "[1, 2, 3]", "This is not a kvrsetup settings file."},
        {"newer format", R"({"format": "kvrsetup settings", "formatVersion": 2, "settings": {}})",
         "The file was made by a newer kvrsetup (format 2)."},
        {"unknown name", "{" + good + R"(, "settings": {"acceleration": 30, "boost": true}})",
         "Unknown name \"boost\" in the file."},
        {"unknown outer name", "{" + good + R"(, "owner": "me", "settings": {}})",
         "Unknown name \"owner\" in the file."},
        {"text for a number",
         "{" + good + R"(, "settings": {"acceleration": 30, "fullSpeedMs": "fast"}})",
         "\"fullSpeedMs\" must be a number or null."},
        {"fraction for a count", "{" + good + R"(, "settings": {"acceleration": 2.5}})",
         "\"acceleration\" must be a whole number or null."},
        {"number for a box", "{" + good + R"(, "settings": {"turbo": 1}})",
         "\"turbo\" must be true or false."},
        {"settings not a group", "{" + good + R"(, "settings": [30]})",
         "\"settings\" must be a group of names and values { }."},
        {"time beyond 16 bits", "{" + good + R"(, "settings": {"stopMs": 40}})",
         "\"stopMs\" is out of range: 40 (allowed 0 - 32.76)."},
        {"negative count", "{" + good + R"(, "settings": {"logUndervoltage": -1}})",
         "\"logUndervoltage\" is out of range: -1 (allowed 0 - 255)."},
        {"count beyond a byte", "{" + good + R"(, "settings": {"acceleration": 256}})",
         "\"acceleration\" is out of range: 256 (allowed 0 - 255)."},
        {"no such list entry", "{" + good + R"(, "settings": {"emfBrake": "extreme"}})",
         "\"emfBrake\" must be one of off, hard, medium, soft, not \"extreme\"."},
        {"no such radio", "{" + good + R"(, "settings": {"battery": "lead"}})",
         "\"battery\" must be one of nicd, lipo, fixed, not \"lead\"."},
        {"number beyond any double", "{" + good + R"(, "settings": {"acceleration": 1e400}})",
         "The file is damaged: a number is too large (line 1, column 86)."},
        {"over 1 MiB", "{" + good + ", \"settings\": {}}" + std::string(1 << 20, ' '),
         "The file is too large for a settings file (over 1 MiB)."},
        {"pipe", "<pipe>", "This is not a file (a folder, a device or a pipe)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadRig r;
        if (!c.content.empty() && !MakeAt("f.json", c.content)) continue;
        const auto controls = r.w.controls;
        const SettingsImage image = r.p.settings;
        r.controller.trace.clear();

        EXPECT_EQ(LoadSettingsFile(r.p, r.w, "f.json"), Outcome::Refused);
        EXPECT_EQ(r.host.boxes, OneBox("Settings not loaded from\nf.json\n" +
                                           std::string(c.reason) + "\nNothing was changed.",
                                       "Error", &r.w));
        for (const auto& [control, state] : controls) {
            EXPECT_EQ(r.w.controls[control].text, state.text) << control;
            EXPECT_EQ(r.w.controls[control].checked, state.checked) << control;
            EXPECT_EQ(r.w.controls[control].selection, state.selection) << control;
            EXPECT_EQ(r.w.controls[control].enabled, state.enabled) << control;
        }
        EXPECT_EQ(r.p.settings.batteryCode, image.batteryCode);
        EXPECT_TRUE(r.controller.trace.empty());
    }
}

TEST(SettingsFile, GermanRefusal) {
    ReadRig r(Language::German);
    WriteFileBytes("f.json", "{ nein");
    EXPECT_EQ(LoadSettingsFile(r.p, r.w, "f.json"), Outcome::Refused);
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{
                                "Einstellungen nicht geladen aus\nf.json\nDie Datei ist "
                                "besch\u00e4digt: kein JSON (Zeile 1, Spalte 4).\nEs wurde nichts "
                                "ge\u00e4ndert."}));
}

// A loaded value reaches the controller only through Write's checks, with
// Write's own texts.
TEST(SettingsFile, LoadedValuesPassWritesChecks) {
    struct Case {
        const char* settings;
        const char* refusal;
        int editable = 0;  // the battery's field the load leaves editable
    };
    const Case cases[] = {
        {R"("acceleration": 51)", "control speed (1 - 50)"},
        {R"("fullSpeedMs": 2.31)", "full speed 1.6 - 2.3ms !"},
        {R"("lowVoltage": null)", "low voltage protection ?"},
        {R"("battery": "lipo", "lipoCells": 5)", "number of Lipolys 2 - 4!", id::kLipoCells},
        {R"("battery": "fixed", "thresholdVolts": 5.5)", "Limit: 5.6V - 12V!", id::kThresholdVolts},
        {R"("timing": null)", "Timing?"},
        {R"("emfBrake": "soft", "rpmControl": true)", "RPM control: Brake not possible!"},
        {R"("rpmControl": true, "forwardReverse": true)",
         "RPM control: forward/reverse not possible!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        ReadRig r;
        WriteFileBytes("f.json", std::string(R"({"format": "kvrsetup settings",)") +
                                     R"("formatVersion": 1, "settings": {)" + c.settings + "}}");
        ASSERT_EQ(LoadSettingsFile(r.p, r.w, "f.json"), Outcome::Done);
        if (c.editable != 0) {
            EXPECT_TRUE(r.w.IsEnabled(c.editable));
            EXPECT_EQ(r.w.IsEnabled(id::kLipoCells), c.editable == id::kLipoCells);
        }
        // Names left out of this file are reported; that box comes first.
        const std::size_t before = r.host.boxes.size();
        EXPECT_EQ(r.Write(), Outcome::Refused);
        ASSERT_EQ(r.host.boxes.size(), before + 1);
        EXPECT_EQ(r.host.boxes.back().text, c.refusal);
        EXPECT_EQ(r.host.boxes.back().caption, "Error!");
        // Only the governor's erased defaults may go out before a refusal;
        // the simulated controller has none.
        EXPECT_TRUE(r.Writes().empty());
    }
}

TEST(SettingsFile, ValidateOnlyNeverTalksToTheController) {
    TempDir dir;
    SimProgram r;
    r.Set(RpmProportional, 0xFF);  // erased: a real Write would store defaults
    ASSERT_EQ(r.Read(), Outcome::Done);
    r.w.SetCheck(id::kRpmControl, true);
    HandleSettingsControl(r.p, r.w, id::kRpmControl);
    r.controller.trace.clear();
    const SettingsImage image = r.p.settings;
    EXPECT_EQ(WriteSettings(r.p, r.w, WriteMode::ValidateOnly), Outcome::Done);
    EXPECT_TRUE(r.controller.trace.empty());
    EXPECT_TRUE(r.host.boxes.empty());
    EXPECT_EQ(r.p.settings.lipoCount, image.lipoCount);

    r.w.SetText(id::kStartupPower, "0");
    EXPECT_EQ(WriteSettings(r.p, r.w, WriteMode::ValidateOnly), Outcome::Refused);
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"start-up power 1 - 50!"}));
    EXPECT_TRUE(r.controller.trace.empty());
}

TEST(SettingsFile, OtherFeatureSetLoadsWhatAppliesAndSaysWhatNot) {
    TempDir dir;
    SimProgram a;
    a.Set(OptionFlags, kOptFreeWheeling | kOptForwardReverse | kOptFixedTiming);
    a.Set(PwmCode, 9);  // 15.6 kHz
    a.Set(Acceleration, 33);
    ASSERT_EQ(a.Read(), Outcome::Done);
    ASSERT_EQ(SaveSettingsFile(a.p, a.w, "a.json"), Outcome::Done);
    nlohmann::json doc = ReadJson("a.json");
    doc["settings"].erase("turbo");
    WriteJson("a.json", doc);

    SimProgram b;
    b.Set(FeatureFlags, 0x00);
    b.Set(VersionLow, 0x20);
    b.Set(OptionFlags, 0x00);
    ASSERT_EQ(b.Read(), Outcome::Done);
    b.w.SetCheck(id::kTurbo, true);  // typed before the load, kept
    ASSERT_EQ(LoadSettingsFile(b.p, b.w, "a.json"), Outcome::Done);
    EXPECT_EQ(b.BoxTexts(),
              (std::vector<std::string>{
                  "Settings loaded from\na.json\n"
                  "The file was made for controller V 61.23-1F, this one is V 61.20-00.\n"
                  "Left out, this controller does not have it: active free wheeling, "
                  "forward / reverse (car), 15,6 kHz\n"
                  "Not in the file, kept as read: turbo"}));
    EXPECT_EQ(b.host.boxes[0].caption, "Warning:");
    EXPECT_FALSE(b.w.IsChecked(id::kFreeWheeling));
    EXPECT_FALSE(b.w.IsChecked(id::kForwardReverse));
    EXPECT_FALSE(b.w.IsChecked(id::kFreq156));
    EXPECT_TRUE(b.w.IsChecked(id::kTurbo));
    EXPECT_EQ(b.w.controls[id::kAcceleration].text, " 33");
}

TEST(SettingsFile, FieldWithoutANumberIsNotSaved) {
    ReadRig r;
    r.w.SetText(id::kNeutralTime, "1.5x");
    EXPECT_EQ(SaveSettingsFile(r.p, r.w, "s.json"), Outcome::Failed);
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"Not saved: the field \"neutral\" holds "
                                                      "\"1.5x\", which is not a number."}));
    EXPECT_FALSE(std::filesystem::exists("s.json"));

    // A decimal comma is a number, as Write reads it.
    r.w.SetText(id::kNeutralTime, "1,45");
    ASSERT_EQ(SaveSettingsFile(r.p, r.w, "s.json"), Outcome::Done);
    EXPECT_EQ(ReadJson("s.json")["settings"]["neutralMs"], 1.45);
}

// Save replaces the file a name leads to (through a link: its target) in one
// step, by a temporary file of its own: no other file is touched, and the
// earlier file stays whole when anything fails.
TEST(SettingsFile, SaveReplacesOnlyItsTarget) {
    const std::string failed =
        "Cannot write the settings file\ns.json\nAny earlier file of that name is unchanged.";
    const std::pair<std::string, std::string> cases[] = {
        {"earlier", ""}, {"<link>", ""}, {"<folder>", failed}, {"<full disk>", failed}};
    for (const auto& [target, box] : cases) {
        ReadRig r;
        WriteFileBytes("s.json.tmp", "mine");
        WriteFileBytes("t.json", "earlier");
        std::error_code ec;
        if (target == "<link>") std::filesystem::create_symlink("t.json", "s.json", ec);
        if (ec) continue;  // no links here
        if (target != "<link>") MakeAt("s.json", target == "<folder>" ? target : "earlier");
        Outcome result = Outcome::Done;
        {
            FullDisk full(target == "<full disk>");
            if (!full.Works()) continue;
            result = SaveSettingsFile(r.p, r.w, "s.json");
        }
        EXPECT_EQ(result, box.empty() ? Outcome::Done : Outcome::Failed) << target;
        EXPECT_EQ(r.BoxTexts(), box.empty() ? std::vector<std::string>{} : std::vector{box});
        const std::string kept =
            target == "<folder>" ? "" : ReadFileBytes(target == "<link>" ? "t.json" : "s.json");
        EXPECT_TRUE(target == "<folder>" || (kept == "earlier") != box.empty()) << target;
        EXPECT_EQ(std::filesystem::is_symlink("s.json"), target == "<link>");
        EXPECT_EQ(ReadFileBytes("s.json.tmp"), "mine");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 3);  // none left
    }
}

TEST(SettingsFile, MenuItemsAskForTheFile) {
    ReadRig r;
    r.host.savedFiles.push_back("menu.json");
    MainWindowProc(r.p, r.w, DialogEvent::Command, id::kSaveSettings);
    ASSERT_EQ(r.host.saveRequests.size(), 1u);
    EXPECT_EQ(r.host.saveRequests[0].title, "Save settings");
    EXPECT_EQ(r.host.saveRequests[0].filterPattern, "*.json");
    EXPECT_EQ(r.host.saveRequests[0].defaultExtension, "json");
    ASSERT_TRUE(std::filesystem::exists("menu.json"));

    r.w.SetText(id::kAcceleration, "1");
    MainWindowProc(r.p, r.w, DialogEvent::Command, id::kLoadSettings);  // cancelled
    EXPECT_EQ(r.w.controls[id::kAcceleration].text, "1");
    r.host.chosenFiles.push_back("menu.json");
    MainWindowProc(r.p, r.w, DialogEvent::Command, id::kLoadSettings);
    ASSERT_EQ(r.host.fileRequests.size(), 2u);
    EXPECT_EQ(r.host.fileRequests[1].title, "Load settings");
    EXPECT_EQ(r.w.controls[id::kAcceleration].text, " 10");
    EXPECT_TRUE(r.host.boxes.empty());
}

TEST(SettingsFile, CompareNamesEachDifference) {
    ReadRig r;
    ASSERT_EQ(SaveSettingsFile(r.p, r.w, "s.json"), Outcome::Done);
    std::vector<std::string> differences;
    ASSERT_EQ(CompareSettingsFile(r.p, r.w, "s.json", differences), Outcome::Done);
    EXPECT_TRUE(differences.empty());

    r.Set(Acceleration, 40);
    r.Set(BrakeLevel, 3);
    ASSERT_EQ(r.Read(), Outcome::Done);
    ASSERT_EQ(CompareSettingsFile(r.p, r.w, "s.json", differences), Outcome::Done);
    EXPECT_EQ(differences, (std::vector<std::string>{"acceleration: file 10, controller 40",
                                                     "emfBrake: file off, controller soft"}));
}

}  // namespace
}  // namespace kvr
