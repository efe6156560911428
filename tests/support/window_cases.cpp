// The window behaviours every window front end runs through its UI driver.
#include "window_cases.h"

#include "file_builders.h"
#include "platform/host.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "settings/settings_image.h"
#include "test_program.h"

namespace kvr::testing {

namespace {

namespace id = kvr::id;
using Strings = std::vector<std::string>;
using Writes = std::vector<std::pair<int, int>>;

// What get gives for each control, in order.
template <class Get>
auto Each(const std::vector<int>& controls, Get get) {
    std::vector<decltype(get(0))> out;
    for (int c : controls) out.push_back(get(c));
    return out;
}

bool German(UiDriver& ui) {
    return ui.Lang() == Language::German;
}

// The controller as it comes: 16 MHz, version 61.23 with every feature, the
// governor off, reduce power with 3 LiPo cells.
void ReadFillsTheWindow(UiDriver& ui) {
    const bool german = German(ui);
    UI_EQ(ui, ui.Title(), "KVR-Duza2  Setup ");
    // The port of the file is ticked, and only it.
    for (int port = id::kPortCom1; port <= id::kPortCom8; ++port)
        UI_EQ(ui, ui.MenuChecked(port), port == id::kPortCom1 + 1);
    // Umlauts and the degree sign reach the controls.
    UI_EQ(ui, ui.Text(id::kOvertempProtection),
          german ? "\u00dcbertemp-Schutz" : "overtemp. protection");
    UI_EQ(ui, ui.ComboItems(id::kTimingList),
          (Strings{" 0\u00b0", " 7,5\u00b0", "15,0\u00b0", "22,5\u00b0", "30,0\u00b0", "auto"}));
    UI_EQ(ui, ui.ComboItems(id::kBrakeList),
          german ? Strings{"aus", "hart", "mittel", "weich"}
                 : Strings{"off", "hard", "medium", "soft"});
    UI_EQ(ui, ui.ComboSel(id::kTimingList), -1);
    UI_EQ(ui, ui.ComboSel(id::kBrakeList), -1);
    UI_FALSE(ui, ui.Enabled(id::kStatusLine));
    UI_FALSE(ui, ui.Enabled(id::kWrite));
    // The German help document does not exist: its item is greyed.
    UI_EQ(ui, ui.MenuEnabled(id::kHelpFile), !german);

    ui.Click(id::kRead);
    UI_TRUE(ui, ui.Boxes().empty());
    const std::vector<int> texts = {id::kVersionText,    id::kFullSpeedTime, id::kNeutralTime,
                                    id::kStopTime,       id::kAcceleration,  id::kStartupPower,
                                    id::kLogTransmitter, id::kLogOvertemp,   id::kLogUndervoltage,
                                    id::kLipoCells,      id::kStatusLine,    id::kTimingList,
                                    id::kBrakeList};
    UI_EQ(ui, Each(texts, [&](int c) { return ui.Text(c); }),
          (Strings{"V 61.23-1F", "1.90", "1.50", "1.10", " 10", " 10", " 2", " 0", " 1", " 3", "OK",
                   "auto", german ? "aus" : "off"}));
    UI_EQ(ui, ui.ComboSel(id::kTimingList), 5);
    UI_EQ(ui, ui.ComboSel(id::kBrakeList), 0);
    // Nothing is offered beside the values, not even an empty choice.
    UI_EQ(ui, ui.ComboItems(id::kTimingList).size(), 6u);
    UI_EQ(ui, ui.ComboItems(id::kBrakeList).size(), 4u);
    const std::vector<int> checks = {
        id::kFreq78,         id::kFreq156,           id::kFreeWheeling,
        id::kForwardReverse, id::kRpmLimit,          id::kTurbo,
        id::kRpmControl,     id::kLvIgnore,          id::kLvReducePower,
        id::kLvSwitchOff,    id::kBatteryNicd,       id::kBatteryLipo,
        id::kBatteryFix,     id::kOvertempProtection};
    UI_EQ(ui, Each(checks, [&](int c) { return ui.Checked(c); }),
          (std::vector<bool>{true, false, true, false, false, false, false, false, true, false,
                             false, true, false, true}));
    const std::vector<int> enabled = {id::kWrite,          id::kStatusLine,   id::kLipoCells,
                                      id::kThresholdVolts, id::kMaxFrequency, id::kRpmControl};
    UI_EQ(ui, Each(enabled, [&](int c) { return ui.Enabled(c); }),
          (std::vector<bool>{true, false, true, false, false, true}));
    if (Program* p = ui.Inside()) UI_TRUE(ui, ui.IsMain(p->app.statusWindow));
    UI_TRUE(ui, ui.Writes().empty());
}

// Typed fields and clicks after a Read reach the controller; the switch-off
// click tries a radio group beside another.
void TypedFieldsAreWritten(UiDriver& ui, const std::string& fullSpeed, bool switchOff) {
    ui.Click(id::kRead);
    UI_TRUE(ui, ui.Enabled(id::kWrite));
    // Digits only: the letter does not arrive.
    ui.Type(id::kAcceleration, "2x3");
    UI_EQ(ui, ui.Text(id::kAcceleration), "23");
    ui.Type(id::kFullSpeedTime, fullSpeed);
    ui.Click(id::kTurbo);
    UI_TRUE(ui, ui.Checked(id::kTurbo));
    if (switchOff) {
        ui.Click(id::kLvSwitchOff);
        UI_TRUE(ui, ui.Checked(id::kLvSwitchOff));
        UI_FALSE(ui, ui.Checked(id::kLvReducePower));
        UI_TRUE(ui, ui.Checked(id::kBatteryLipo));
    }
    ui.ForgetWire();
    ui.Click(id::kWrite);
    UI_TRUE(ui, ui.Boxes().empty());

    UI_EQ(ui, ui.Byte(kvr::Acceleration), 23);
    // 2.25 ms in half microseconds: 4500 = 0x1194.
    UI_EQ(ui, ui.Byte(kvr::FullSpeedTimeHigh), 0x11);
    UI_EQ(ui, ui.Byte(kvr::FullSpeedTimeLow), 0x94);
    // Free wheeling and automatic timing as read, turbo added.
    UI_EQ(ui, ui.Byte(kvr::OptionFlags), kvr::kOptFreeWheeling | kvr::kOptTurbo);
    UI_EQ(ui, ui.Byte(kvr::LowVoltageMode), switchOff ? kvr::kLowVoltageSwitchOff : 2);
    // The fields left alone keep their values.
    UI_EQ(ui, ui.Byte(kvr::StopTimeHigh) * 256 + ui.Byte(kvr::StopTimeLow), 2200);
    UI_EQ(ui, ui.Byte(kvr::NeutralTimeHigh) * 256 + ui.Byte(kvr::NeutralTimeLow), 3000);
    UI_EQ(ui, ui.Byte(kvr::StartupPower), 10);
    UI_EQ(ui, ui.Byte(kvr::LipoCells), 3);
    UI_EQ(ui, ui.Byte(kvr::BatteryCode), 0);
    UI_EQ(ui, ui.Byte(kvr::TimingCode), 64);
    const Writes writes = ui.Writes();
    if (UI_FALSE(ui, writes.empty()))
        UI_EQ(ui, writes.front(), (std::pair<int, int>{kvr::FullSpeedTimeHigh, 0x11}));
    UI_FALSE(ui, ui.Enabled(id::kStatusLine));
    UI_TRUE(ui, ui.Enabled(id::kWrite));
}

// Another port, then End: the choice is saved, the rest of the file kept.
void ChosenPortIsSavedAtEnd(UiDriver& ui) {
    ui.Choose(id::kPortCom1 + 2);
    UI_TRUE(ui, ui.MenuChecked(id::kPortCom1 + 2));
    UI_FALSE(ui, ui.MenuChecked(id::kPortCom1 + 1));
    if (!UI_TRUE(ui, ui.End())) return;
    UI_EQ(ui, ReadFileBytes(ui.Folder() / "blsetup.cfg"), ConfigFile("14", "10.00", "COM3"));
    UI_TRUE(ui, ui.Boxes().empty());
}

// The lock functions dialog, its own window owned by the main window.
void LockFunctionsReadTickWrite(UiDriver& ui) {
    const bool german = German(ui);
    ui.SetByte(kvr::LockFlags, 0x81);  // bit 7 set, RC set-up free, test program locked
    ui.Click(id::kRead);
    ui.ForgetWire();
    bool played = false;
    const int templateId = german ? id::kLockTemplateDe : id::kLockTemplateEn;
    UI_TRUE(ui, ui.PlayDialog(id::kLockFunctions, true, templateId, [&] {
        UI_EQ(ui, ui.Title(), german ? "KVR-Setup" : "Lock Functions");
        UI_TRUE(ui, ui.DialogOverMain());
        UI_FALSE(ui, ui.Enabled(id::kLockRcSetup));
        UI_FALSE(ui, ui.Enabled(id::kLockTestProgram));
        UI_FALSE(ui, ui.Enabled(id::kLockWrite));
        ui.Click(id::kLockRead);
        UI_TRUE(ui, ui.Enabled(id::kLockRcSetup));
        UI_TRUE(ui, ui.Enabled(id::kLockWrite));
        UI_FALSE(ui, ui.Checked(id::kLockRcSetup));
        UI_TRUE(ui, ui.Checked(id::kLockTestProgram));
        UI_EQ(ui, ui.Text(id::kLockRcSetup), german ? "RC-Setup sperren" : "lock RC-setup");
        UI_EQ(ui, ui.MainText(id::kStatusLine), "ok");
        ui.Click(id::kLockRcSetup);
        UI_TRUE(ui, ui.Checked(id::kLockRcSetup));
        ui.Click(id::kLockWrite);
        UI_TRUE(ui, ui.DialogOpen());
        ui.Click(id::kEnd);
        played = true;
    }));
    UI_TRUE(ui, played);
    UI_TRUE(ui, ui.Boxes().empty());
    // Both locks now, bit 7 kept.
    UI_EQ(ui, ui.Writes(), (Writes{{kvr::LockFlags, 0x80}}));
    UI_EQ(ui, ui.Byte(kvr::LockFlags), 0x80);
    UI_EQ(ui, ui.Text(id::kStatusLine), " ");
    UI_FALSE(ui, ui.Enabled(id::kStatusLine));
}

// German, with the quick-start box; 10 poles and ratio 8.00 in the file.
void RpmSetUpReadCalculateWrite(UiDriver& ui) {
    ui.Click(id::kRead);
    ui.ForgetWire();
    auto speeds = [&] {
        return Strings{ui.Text(id::kSpeedHz), ui.Text(id::kSpeedElectricalRpm),
                       ui.Text(id::kSpeedMotorRpm), ui.Text(id::kSpeedRotorRpm)};
    };
    bool played = false;
    UI_TRUE(ui, ui.PlayDialog(id::kRpmSetUp, false, id::kRpmTemplateDe, [&] {
        UI_EQ(ui, ui.Title(), "Drehzahlregelung");
        UI_EQ(ui, ui.Text(id::kPoleCount), "10");
        UI_EQ(ui, ui.Text(id::kGearRatio), "8.00");
        UI_FALSE(ui, ui.Enabled(id::kRpmWrite));
        UI_FALSE(ui, ui.Enabled(id::kRpmCalculate));
        UI_TRUE(ui, ui.Enabled(id::kRpmQuickStart));
        UI_EQ(ui, ui.Text(id::kRpmQuickStart), "Schnellstart nach Autorotation m\u00f6gl.");

        // Stored period 537 at 16 MHz: 593 Hz, 35584 electrical rpm.
        ui.Click(id::kRpmRead);
        UI_EQ(ui, speeds(), (Strings{" 593", "35584", "7116", " 889"}));
        UI_EQ(ui, ui.Text(id::kRpmProportional), " 3");
        UI_EQ(ui, ui.Text(id::kRpmIntegral), " 3");
        UI_FALSE(ui, ui.Checked(id::kRpmQuickStart));
        UI_TRUE(ui, ui.Enabled(id::kRpmWrite));
        UI_TRUE(ui, ui.Enabled(id::kSpeedRotorRpm));

        ui.Type(id::kSpeedRotorRpm, "1500");
        ui.Click(id::kRpmCalculate);
        UI_EQ(ui, speeds(), (Strings{"1000", "60000", "12000", "1500"}));
        ui.Click(id::kRpmQuickStart);
        ui.Type(id::kRpmProportional, "4");
        ui.Click(id::kRpmWrite);
        // What the controller holds now: period 307 is 1002 Hz.
        UI_EQ(ui, speeds(), (Strings{"1002", "60162", "12032", "1504"}));
        ui.Click(id::kOk);
        played = true;
    }));
    UI_TRUE(ui, played);
    UI_TRUE(ui, ui.Boxes().empty());
    // 333900 div 1000 - 26 = 307 = 1 * 256 + 51; I 3 is stored as 6 - 3.
    UI_EQ(ui, ui.Writes(),
          (Writes{{kvr::RpmPeriodHigh, 1},
                  {kvr::RpmPeriodLow, 51},
                  {kvr::RpmProportional, 4},
                  {kvr::RpmIntegralCode, 3},
                  {kvr::OptionFlags, kvr::kOptFreeWheeling | kvr::kOptQuickStart}}));
    UI_EQ(ui, ui.Byte(kvr::OptionFlags), 0x12);
    if (Program* p = ui.Inside()) UI_EQ(ui, p->settings.options, 0x12);
    // The main window's frequency stays blank until the next Read.
    UI_EQ(ui, ui.Text(id::kMaxFrequency), "   ");
}

// English, 10 poles and ratio 8.00: the top frequency Write takes, and the
// figures of the period stored, each product held in single precision.
void RpmSetUpTopSpeedWrittenAndShown(UiDriver& ui) {
    ui.Click(id::kRead);
    UI_TRUE(ui, ui.PlayDialog(id::kRpmSetUp, false, id::kRpmTemplateEn, [&] {
        ui.Click(id::kRpmRead);
        ui.Type(id::kSpeedRotorRpm, "3999");
        ui.Click(id::kRpmCalculate);
        UI_EQ(ui, ui.Text(id::kSpeedHz), "2666");
        ui.Click(id::kRpmWrite);
        // Period 333900 div 2666 - 26 = 99: 2671.2 Hz, times 60 is 160272.
        UI_EQ(ui, ui.Byte(kvr::RpmPeriodLow), 99);
        UI_EQ(ui, ui.Text(id::kSpeedElectricalRpm), "160272");
        UI_EQ(ui, ui.Text(id::kSpeedRotorRpm), "4006");
        ui.Click(id::kOk);
    }));
    UI_TRUE(ui, ui.Boxes().empty());
}

// Save, change, Load and Write through the menu and the file dialogs.
void SettingsFileThroughTheMenu(UiDriver& ui) {
    const std::filesystem::path file = ui.Folder() / "regler.json";
    ui.PickFiles({file, file});
    ui.Choose(id::kSaveSettings);  // before a Read: refused
    const std::vector<UiBox> boxes = ui.Boxes();
    if (!UI_EQ(ui, boxes.size(), 1u)) return;
    UI_EQ(ui, boxes[0].text, "Zuerst Werte einlesen!");
    UI_TRUE(ui, ui.FileDialogs().empty());

    ui.Click(id::kRead);
    ui.Choose(id::kSaveSettings);
    UI_EQ(ui, ui.FileDialogs(), Strings{"Einstellungen speichern"});
    UI_TRUE(ui, std::filesystem::exists(file));

    ui.Type(id::kAcceleration, "44");
    ui.Click(id::kTurbo);
    ui.Click(id::kLvSwitchOff);
    ui.Choose(id::kLoadSettings);
    UI_EQ(ui, ui.FileDialogs().size(), 2u);
    UI_EQ(ui, ui.Boxes().size(), 1u);
    UI_EQ(ui, ui.Text(id::kAcceleration), " 10");
    UI_FALSE(ui, ui.Checked(id::kTurbo));
    UI_TRUE(ui, ui.Checked(id::kLvReducePower));
    UI_FALSE(ui, ui.Checked(id::kLvSwitchOff));
    // Loading only fills the window.
    UI_TRUE(ui, ui.Writes().empty());

    ui.SetByte(kvr::Acceleration, 30);
    ui.Click(id::kWrite);
    UI_EQ(ui, ui.Boxes().size(), 1u);
    UI_EQ(ui, ui.Byte(kvr::Acceleration), 10);
}

// The frequency radios after a Read of a controller of this clock: 15,6 kHz
// chosen, then Write sends its code, or on 8 MHz refuses with its box.
void FrequencyIsChosenAndWritten(UiDriver& ui, int clockMhz) {
    ui.SetByte(kvr::ClockMhz, clockMhz);
    ui.SetByte(kvr::PwmCode, clockMhz == 8 ? 9 : 10);
    ui.Click(id::kRead);
    UI_TRUE(ui, ui.Checked(id::kFreq78));
    ui.Click(id::kFreq156);
    UI_TRUE(ui, ui.Checked(id::kFreq156));
    UI_FALSE(ui, ui.Checked(id::kFreq78));
    ui.ForgetWire();
    ui.Click(id::kWrite);
    const std::vector<UiBox> boxes = ui.Boxes();
    if (clockMhz == 8) {
        if (UI_EQ(ui, boxes.size(), 1u))
            UI_EQ(ui, boxes[0].text,
                  German(ui) ? "Takt-Frequenz bei 8MHz nicht m\u00f6glich!"
                             : "Frequency at 8 MHz not possible!");
        UI_TRUE(ui, ui.Writes().empty());
        UI_EQ(ui, ui.Byte(kvr::PwmCode), 9);
    } else {
        UI_TRUE(ui, boxes.empty());
        UI_EQ(ui, ui.Byte(kvr::PwmCode), 9);
    }
}

// An update file that is refused or a question answered with Cancel: the
// flash is not touched, and the status line ends blank and greyed.
struct DeclinedUpdate {
    std::string file;
    bool setUp;
    std::string caption;
    std::string text;
};

void DeclinedUpdateWritesNothing(UiDriver& ui, const DeclinedUpdate& c) {
    // Never set up, as it comes erased: no version to check the file by.
    if (!c.setUp) {
        for (const int address : {kvr::SetupMarker, kvr::VersionHigh, kvr::VersionLow})
            ui.SetByte(address, 0xFF);
    }
    const std::filesystem::path file = ui.Folder() / c.file;
    WriteFileBytes(file, UpdateText(UpdateRecords(100, [](int a) { return a * 7; })));
    const std::vector<std::uint8_t> flash = ui.Flash();
    ui.PickFiles({file});
    ui.Answer(kIdCancel);
    ui.ForgetWire();
    ui.Choose(id::kOpenUpdateFile);
    const std::vector<UiBox> boxes = ui.Boxes();
    if (UI_EQ(ui, boxes.size(), 1u)) {
        UI_EQ(ui, boxes[0].caption, c.caption);
        UI_EQ(ui, boxes[0].text, c.text);
    }
    UI_EQ(ui, ui.PageCommands(), 0);
    UI_TRUE(ui, ui.Flash() == flash);
    UI_EQ(ui, ui.Text(id::kStatusLine), " ");
    UI_FALSE(ui, ui.Enabled(id::kStatusLine));
}

std::vector<WindowCase> DeclinedUpdates() {
    const std::string noSetUp =
        "Kompatibilit\u00e4t nicht \u00fcberpr\u00fcfbar, da kein RC-Setup gemacht wurde.\n"
        "Es wird dringend empfohlen ein Setup zu machen.\nUpdate trotzdem ohne Setup starten?";
    const std::vector<std::pair<std::string, DeclinedUpdate>> table = {
        {"Cancelled", {"X6123_6123.upd", true, "Warning!", "Update starten?"}},
        {"CancelledNotSetUp", {"X6123_6123.upd", false, "Warning!", noSetUp}},
        // The refusal's box has no caption, and shows none.
        {"NotCompatible", {"X1234_1234.upd", true, "", "Datei nicht kompatibel!"}},
    };
    std::vector<WindowCase> cases;
    for (const auto& [name, c] : table) {
        for (const Language lang : {Language::English, Language::German}) {
            cases.push_back(
                {"UpdateDeclined" + name + (lang == Language::German ? "German" : "English"), lang,
                 ConfigFile(), [c](UiDriver& ui) { DeclinedUpdateWritesNothing(ui, c); }});
        }
    }
    return cases;
}

}  // namespace

void ControllerInfoShowsItsBox(UiDriver& ui) {
    ui.Choose(id::kControllerInfo);
    const std::vector<UiBox> boxes = ui.Boxes();
    if (!UI_EQ(ui, boxes.size(), 1u)) return;
    UI_EQ(ui, boxes[0].caption, "Info:");
    UI_EQ(ui, boxes[0].text,
          "Vendor Code: 1E\nPart Family: 93\nPart Number: 07\n\nLockbits: FF\n"
          "Fuse HB: D9\nFuse LB: E1\n");
    UI_TRUE(ui, boxes[0].owner == BoxOwner::None);
    UI_TRUE(ui, ui.NoDialogRan());
    UI_EQ(ui, ui.Text(id::kStatusLine), " ");
    UI_FALSE(ui, ui.Enabled(id::kStatusLine));
}

const std::vector<WindowCase>& WindowCases() {
    constexpr Language En = Language::English;
    constexpr Language De = Language::German;
    static const std::vector<WindowCase> cases = [] {
        std::vector<WindowCase> all = {
            {"ReadFillsTheWindowEnglish", En, ConfigFile(), ReadFillsTheWindow},
            {"ReadFillsTheWindowGerman", De, ConfigFile(), ReadFillsTheWindow},
            {"TypedFieldsAreWrittenEnglish", En, ConfigFile(),
             [](UiDriver& ui) { TypedFieldsAreWritten(ui, "2.25", false); }},
            {"TypedFieldsAreWrittenCommaEnglish", En, ConfigFile(),
             [](UiDriver& ui) { TypedFieldsAreWritten(ui, "2,25", true); }},
            {"TypedFieldsAreWrittenCommaGerman", De, ConfigFile(),
             [](UiDriver& ui) { TypedFieldsAreWritten(ui, "2,25", true); }},
            {"ChosenPortIsSavedAtEndEnglish", En, ConfigFile(), ChosenPortIsSavedAtEnd},
            {"ChosenPortIsSavedAtEndGerman", De, ConfigFile(), ChosenPortIsSavedAtEnd},
            {"ControllerInfoShowsItsBoxEnglish", En, ConfigFile(), ControllerInfoShowsItsBox},
            {"ControllerInfoShowsItsBoxGerman", De, ConfigFile(), ControllerInfoShowsItsBox},
            {"LockFunctionsReadTickWriteEnglish", En, ConfigFile(), LockFunctionsReadTickWrite},
            {"LockFunctionsReadTickWriteGerman", De, ConfigFile(), LockFunctionsReadTickWrite},
            {"SettingsFileThroughTheMenuGerman", De, ConfigFile(), SettingsFileThroughTheMenu},
            {"RpmSetUpReadCalculateWriteGerman", De, ConfigFile("10", "8.00"),
             RpmSetUpReadCalculateWrite},
            {"RpmSetUpTopSpeedWrittenAndShownEnglish", En, ConfigFile("10", "8.00"),
             RpmSetUpTopSpeedWrittenAndShown},
            {"FrequencyChosen16MhzEnglish", En, ConfigFile(),
             [](UiDriver& ui) { FrequencyIsChosenAndWritten(ui, 16); }},
            {"FrequencyChosen8MhzEnglish", En, ConfigFile(),
             [](UiDriver& ui) { FrequencyIsChosenAndWritten(ui, 8); }},
            {"FrequencyChosen8MhzGerman", De, ConfigFile(),
             [](UiDriver& ui) { FrequencyIsChosenAndWritten(ui, 8); }},
        };
        for (WindowCase& c : DeclinedUpdates()) all.push_back(std::move(c));
        return all;
    }();
    return cases;
}

}  // namespace kvr::testing
