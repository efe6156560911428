// The Windows program's real dialogs, driven by control id from another
// thread, with a simulated controller on the virtual clock behind them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "controller.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "settings/settings_image.h"
#include "support/win32_rig.h"
#include "win32_platform.h"

namespace {

using kvr::Language;
using kvr::testing::ConfigFile;
using kvr::testing::Win32Rig;
namespace id = kvr::id;
using Writes = std::vector<std::pair<int, int>>;

std::string Listed(const std::vector<kvr::testing::SeenBox>& boxes) {
    std::string out;
    for (const auto& b : boxes) out += "[" + b.caption + "] " + b.text + "\n";
    return out;
}

class BothLanguages : public ::testing::TestWithParam<Language> {};

// Start-up from blsetup.cfg, a Read that fills the window, a typed change
// written to the controller, and End saving the port.
TEST_P(BothLanguages, StartReadWriteEnd) {
    const bool german = GetParam() == Language::German;
    Win32Rig r(GetParam());
    ASSERT_NE(r.main, nullptr);

    wchar_t title[64] = {};
    GetWindowTextW(r.main, title, 64);
    EXPECT_EQ(std::wstring(title), L"KVR-Duza2  Setup ");
    // The port of the file is ticked, and only it.
    for (int port = id::kPortCom1; port <= id::kPortCom8; ++port) {
        EXPECT_EQ(r.MenuChecked(port), port == id::kPortCom1 + 1) << port;
    }
    // Texts reach the controls as UTF-16: umlauts and the degree sign.
    EXPECT_EQ(r.Text(id::kOvertempProtection),
              german ? "\u00dcbertemp-Schutz" : "overtemp. protection");
    EXPECT_EQ(r.ComboItems(r.main, id::kTimingList),
              (std::vector<std::string>{" 0\u00b0", " 7,5\u00b0", "15,0\u00b0", "22,5\u00b0",
                                        "30,0\u00b0", "auto"}));
    EXPECT_EQ(r.ComboItems(r.main, id::kBrakeList),
              german ? (std::vector<std::string>{"aus", "hart", "mittel", "weich"})
                     : (std::vector<std::string>{"off", "hard", "medium", "soft"}));
    EXPECT_EQ(r.ComboSel(r.main, id::kTimingList), -1);
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    EXPECT_FALSE(r.Enabled(id::kWrite));
    // The German help document does not exist: its item is greyed.
    EXPECT_EQ((GetMenuState(GetMenu(r.main), id::kHelpFile, MF_BYCOMMAND) & MF_GRAYED) != 0,
              german);

    r.Click(id::kRead);
    EXPECT_TRUE(r.Boxes().empty());
    const std::vector<std::pair<int, std::string>> texts = {
        {id::kVersionText, "V 61.23-1F"}, {id::kFullSpeedTime, "1.90"},
        {id::kNeutralTime, "1.50"},       {id::kStopTime, "1.10"},
        {id::kAcceleration, " 10"},       {id::kStartupPower, " 10"},
        {id::kLogTransmitter, " 2"},      {id::kLogOvertemp, " 0"},
        {id::kLogUndervoltage, " 1"},     {id::kLipoCells, " 3"},
        {id::kStatusLine, "OK"},
    };
    for (const auto& [control, text] : texts) EXPECT_EQ(r.Text(control), text) << control;
    EXPECT_EQ(r.ComboSel(r.main, id::kTimingList), 5);
    EXPECT_EQ(r.ComboSel(r.main, id::kBrakeList), 0);
    const std::vector<std::pair<int, bool>> checks = {{id::kFreq78, true},
                                                      {id::kFreq156, false},
                                                      {id::kFreeWheeling, true},
                                                      {id::kForwardReverse, false},
                                                      {id::kTurbo, false},
                                                      {id::kLvReducePower, true},
                                                      {id::kLvIgnore, false},
                                                      {id::kBatteryLipo, true},
                                                      {id::kBatteryNicd, false},
                                                      {id::kBatteryFix, false},
                                                      {id::kOvertempProtection, true}};
    for (const auto& [control, checked] : checks) EXPECT_EQ(r.Checked(control), checked) << control;
    EXPECT_TRUE(r.Enabled(id::kWrite));
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    EXPECT_FALSE(r.Enabled(id::kThresholdVolts));

    // Digits only: the letter does not arrive.
    r.Type(r.main, id::kAcceleration, "2x3");
    EXPECT_EQ(r.Text(id::kAcceleration), "23");
    r.Type(r.main, id::kFullSpeedTime, "2,25");
    r.Click(id::kTurbo);
    EXPECT_TRUE(r.Checked(id::kTurbo));
    // A click on a radio button of the other group leaves this one alone.
    r.Click(id::kLvSwitchOff);
    EXPECT_TRUE(r.Checked(id::kLvSwitchOff));
    EXPECT_FALSE(r.Checked(id::kLvReducePower));
    EXPECT_TRUE(r.Checked(id::kBatteryLipo));
    r.ctl().trace.clear();
    r.Click(id::kWrite);
    EXPECT_TRUE(r.Boxes().empty());
    EXPECT_EQ(r.Byte(kvr::Acceleration), 23);
    // 2.25 ms in half microseconds: 4500 = 0x1194.
    EXPECT_EQ(r.Byte(kvr::FullSpeedTimeHigh), 0x11);
    EXPECT_EQ(r.Byte(kvr::FullSpeedTimeLow), 0x94);
    EXPECT_EQ(r.Byte(kvr::OptionFlags), kvr::kOptFreeWheeling | kvr::kOptTurbo);
    EXPECT_EQ(r.Byte(kvr::LowVoltageMode), kvr::kLowVoltageSwitchOff);
    EXPECT_FALSE(r.Writes().empty());

    // Another port, then End: the choice is saved, the rest of the file kept.
    r.Choose(id::kPortCom1 + 2);
    EXPECT_TRUE(r.MenuChecked(id::kPortCom1 + 2));
    EXPECT_FALSE(r.MenuChecked(id::kPortCom1 + 1));
    PostMessageW(r.main, WM_COMMAND, MAKEWPARAM(id::kEnd, BN_CLICKED), 0);
    ASSERT_TRUE(r.WaitForEnd());
    std::string expected = ConfigFile("14", "10.00");
    expected.replace(0, 4, "COM3");
    EXPECT_EQ(kvr::testing::ReadFileBytes(r.dir.path() / "blsetup.cfg"), expected);
    EXPECT_TRUE(r.Boxes().empty());
}

// A first start writes the default port: COM2 without the driver library
// (the real library calls, with a name that is not there).
TEST_P(BothLanguages, FirstStartWithoutDriverLibraryChoosesCom2) {
    kvr::win32::Win32PortIo noDriver(L"no-such-DLPORTIO.dll");
    Win32Rig r(GetParam(), "", {nullptr, nullptr, &noDriver});
    ASSERT_NE(r.main, nullptr);
    EXPECT_TRUE(r.MenuChecked(id::kPortCom1 + 1));
    EXPECT_EQ(kvr::testing::ReadFileBytes(r.dir.path() / "blsetup.cfg"), "COM2");
    // Escape and the close box end the window like End.
    PostMessageW(r.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(r.WaitForEnd());
}

TEST_P(BothLanguages, ControllerInfoShowsItsBox) {
    Win32Rig r(GetParam());
    ASSERT_NE(r.main, nullptr);
    r.Choose(id::kControllerInfo);
    const auto boxes = r.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Info:");
    EXPECT_EQ(boxes[0].text,
              "Vendor Code: 1E\nPart Family: 93\nPart Number: 07\n\nLockbits: FF\n"
              "Fuse HB: D9\nFuse LB: E1\n");
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(r.Text(id::kStatusLine).find_first_not_of(' '), std::string::npos);
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
}

// The lock functions dialog, its own window owned by the main window.
TEST_P(BothLanguages, LockFunctionsReadTickWrite) {
    const bool german = GetParam() == Language::German;
    Win32Rig r(GetParam());
    ASSERT_NE(r.main, nullptr);
    r.ctl().memory[kvr::LockFlags] = 0x81;  // RC set-up free, test program locked
    r.Click(id::kRead);
    r.ctl().trace.clear();

    auto command = r.StartChoose(id::kLockFunctions);
    HWND d = r.WaitForDialog(german ? id::kLockTemplateDe : id::kLockTemplateEn, &command);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(GetWindow(d, GW_OWNER), r.main);
    EXPECT_FALSE(IsWindowEnabled(r.main));
    EXPECT_FALSE(r.Enabled(d, id::kLockRcSetup));
    EXPECT_FALSE(r.Enabled(d, id::kLockWrite));
    r.Click(d, id::kLockRead);
    EXPECT_TRUE(r.Enabled(d, id::kLockRcSetup));
    EXPECT_TRUE(r.Enabled(d, id::kLockWrite));
    EXPECT_FALSE(r.Checked(d, id::kLockRcSetup));
    EXPECT_TRUE(r.Checked(d, id::kLockTestProgram));
    EXPECT_EQ(r.Text(d, id::kLockRcSetup), german ? "RC-Setup sperren" : "lock RC-setup");
    r.Click(d, id::kLockRcSetup);
    EXPECT_TRUE(r.Checked(d, id::kLockRcSetup));
    r.Click(d, id::kLockWrite);
    EXPECT_TRUE(IsWindow(d));
    r.Click(d, id::kEnd);
    command.wait();
    EXPECT_FALSE(IsWindow(d));
    EXPECT_TRUE(IsWindowEnabled(r.main));
    EXPECT_TRUE(r.Boxes().empty());
    EXPECT_EQ(r.Writes(), (Writes{{kvr::LockFlags, 0x80}}));
}

INSTANTIATE_TEST_SUITE_P(Win32, BothLanguages,
                         ::testing::Values(Language::English, Language::German),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return info.param == Language::German ? "German" : "English";
                         });

// German, with the quick-start box; 10 poles and ratio 8.00 in the file.
TEST(Win32Dialogs, RpmSetUpReadCalculateWrite) {
    Win32Rig r(Language::German, ConfigFile("10", "8.00"));
    ASSERT_NE(r.main, nullptr);
    r.Click(id::kRead);
    r.ctl().trace.clear();

    auto command = r.Start(GetDlgItem(r.main, id::kRpmSetUp), BM_CLICK);
    HWND d = r.WaitForDialog(id::kRpmTemplateDe, &command);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(r.Text(d, id::kPoleCount), "10");
    EXPECT_EQ(r.Text(d, id::kGearRatio), "8.00");
    EXPECT_FALSE(r.Enabled(d, id::kRpmWrite));
    EXPECT_EQ(r.Text(d, id::kRpmQuickStart), "Schnellstart nach Autorotation m\u00f6gl.");

    r.Click(d, id::kRpmRead);
    const std::vector<int> speeds = {id::kSpeedHz, id::kSpeedElectricalRpm, id::kSpeedMotorRpm,
                                     id::kSpeedRotorRpm};
    auto shown = [&] {
        std::vector<std::string> out;
        for (int s : speeds) out.push_back(r.Text(d, s));
        return out;
    };
    EXPECT_EQ(shown(), (std::vector<std::string>{" 593", "35584", "7116", " 889"}));
    EXPECT_TRUE(r.Enabled(d, id::kRpmWrite));
    r.Type(d, id::kSpeedRotorRpm, "1500");
    r.Click(d, id::kRpmCalculate);
    EXPECT_EQ(shown(), (std::vector<std::string>{"1000", "60000", "12000", "1500"}));
    r.Click(d, id::kRpmQuickStart);
    r.Type(d, id::kRpmProportional, "4");
    r.Click(d, id::kRpmWrite);
    EXPECT_EQ(shown(), (std::vector<std::string>{"1002", "60162", "12032", "1504"}));
    r.Click(d, id::kOk);
    command.wait();
    EXPECT_TRUE(r.Boxes().empty());
    const Writes expected = {{kvr::RpmPeriodHigh, 1},
                             {kvr::RpmPeriodLow, 51},
                             {kvr::RpmProportional, 4},
                             {kvr::RpmIntegralCode, 3},
                             {kvr::OptionFlags, kvr::kOptFreeWheeling | kvr::kOptQuickStart}};
    EXPECT_EQ(r.Writes(), expected);
}

// The rev counter opens with the motor values of the file and closes.
TEST(Win32Dialogs, RevCounterShowsTheMotorValues) {
    Win32Rig r(Language::English, ConfigFile("14", "10.00"));
    ASSERT_NE(r.main, nullptr);
    r.ctl().memory[kvr::LockFlags] = 0xFD;  // test program locked
    auto command = r.StartChoose(id::kRevCounter);
    HWND d = r.WaitForDialog(id::kRevTemplateEn, &command);
    ASSERT_NE(d, nullptr) << Listed(r.Boxes());
    wchar_t title[64] = {};
    GetWindowTextW(d, title, 64);
    EXPECT_EQ(std::wstring(title), L"Number of Revolutions");
    EXPECT_EQ(r.Text(d, id::kPoleCount), "14");
    EXPECT_EQ(r.Text(d, id::kGearRatio), "10.00");
    // A refused pole count: the German message in both builds.
    r.SetText(d, id::kPoleCount, "7");
    r.Click(d, id::kSaveInput);
    r.Click(d, id::kOk);
    command.wait();
    const auto boxes = r.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error!");
    EXPECT_EQ(boxes[0].text, "Polzahl: nur gerade Werte m\u00f6glich!");
}

// The update file is chosen in the real file dialog, which the test fills
// in; the pages reach the controller's flash.
TEST(Win32Dialogs, FirmwareUpdateThroughTheFileDialog) {
    Win32Rig r(Language::English);
    ASSERT_NE(r.main, nullptr);
    r.ctl().memory[kvr::LockFlags] = 0xFE;  // RC set-up locked
    const auto records = kvr::testing::UpdateRecords(4 * 64, [](int a) { return a * 37 + 11; });
    const std::vector<std::uint8_t> flash = kvr::testing::FlashImage(
        records, kvr::sim::Controller::kPages * kvr::sim::Controller::kPageSize);
    const std::filesystem::path file = r.dir.path() / "K6123_6124.upd";
    kvr::testing::WriteFileBytes(file, kvr::testing::UpdateText(records));

    int dialogsSeen = 0;
    r.host.fileDialogHook = [&](HWND dialog) {
        ++dialogsSeen;
        const std::wstring name = file.wstring();
        // The name field of the dialog, old style or new.
        for (int field : {edt1, cmb13}) {
            SendMessageW(dialog, CDM_SETCONTROLTEXT, static_cast<WPARAM>(field),
                         reinterpret_cast<LPARAM>(name.c_str()));
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    r.Answer(IDOK);
    r.Choose(id::kOpenUpdateFile);
    EXPECT_EQ(dialogsSeen, 1);
    const auto boxes = r.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << Listed(boxes);
    EXPECT_EQ(boxes[0].text, "Update starten?");
    EXPECT_EQ(boxes[0].caption, "Warning!");
    EXPECT_TRUE(boxes[0].okCancel);
    EXPECT_TRUE(r.ctl().flash == flash);
    EXPECT_EQ(r.Byte(kvr::LockFlags), 0xFF);
    EXPECT_EQ(r.Text(id::kStatusLine), "OK");
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    // The chosen path is kept in blsetup.cfg after a line end.
    const std::string config = kvr::testing::ReadFileBytes(r.dir.path() / "blsetup.cfg");
    ASSERT_GE(config.size(), 64 + file.string().size());
    EXPECT_EQ(config.substr(30, 2), "\r\n");
    EXPECT_EQ(config.substr(64, file.string().size()), file.string());
}

// The update's file dialog takes a typed name that does not exist, which
// the program then reports itself, and offers Help.
TEST(Win32Dialogs, UpdateFileDialogTakesAnyNameAndOffersHelp) {
    Win32Rig r(Language::English);
    ASSERT_NE(r.main, nullptr);
    const std::string config = kvr::testing::ReadFileBytes(r.dir.path() / "blsetup.cfg");
    bool help = false;
    r.host.fileDialogHook = [&](HWND dialog) {
        // The dialog is not on screen yet: the button's own style tells.
        help = (GetWindowLongW(GetDlgItem(dialog, pshHelp), GWL_STYLE) & WS_VISIBLE) != 0;
        const std::wstring name = (r.dir.path() / "missing.upd").wstring();
        for (int field : {edt1, cmb13}) {
            SendMessageW(dialog, CDM_SETCONTROLTEXT, static_cast<WPARAM>(field),
                         reinterpret_cast<LPARAM>(name.c_str()));
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    r.Choose(id::kOpenUpdateFile);
    EXPECT_TRUE(help);
    const auto boxes = r.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << Listed(boxes);
    EXPECT_EQ(boxes[0].text, "open error!");
    EXPECT_EQ(kvr::testing::ReadFileBytes(r.dir.path() / "blsetup.cfg"), config);
}

// A person's clicks while the pages go out wait until the command has
// ended: a tick box does not change under the running update.
TEST(Win32Dialogs, ClicksDuringTheUpdateAreDropped) {
    Win32Rig r(Language::English);
    ASSERT_NE(r.main, nullptr);
    r.Click(id::kRead);
    ASSERT_FALSE(r.Checked(id::kTurbo));
    const std::filesystem::path file = r.dir.path() / "K6123_6124.upd";
    kvr::testing::WriteFileBytes(file, kvr::testing::UpdateText(kvr::testing::UpdateRecords(
                                           4 * 64, [](int a) { return a; })));
    r.host.fileDialogHook = [&](HWND dialog) {
        const std::wstring name = file.wstring();
        for (int field : {edt1, cmb13}) {
            SendMessageW(dialog, CDM_SETCONTROLTEXT, static_cast<WPARAM>(field),
                         reinterpret_cast<LPARAM>(name.c_str()));
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    r.Answer(IDOK);
    // Right after "Update starten?" is answered the person clicks the tick
    // box; the transfer's pauses must not deliver the click.
    bool clicked = false;
    r.onBox = [&](const kvr::testing::SeenBox&) {
        HWND turbo = GetDlgItem(r.main, id::kTurbo);
        PostMessageW(turbo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        PostMessageW(turbo, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        clicked = true;
    };
    r.Choose(id::kOpenUpdateFile);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(r.Text(id::kStatusLine), "OK") << Listed(r.Boxes());
    EXPECT_FALSE(r.Checked(id::kTurbo));
}

// Save and Load settings through the real save and open dialogs.
TEST(Win32Dialogs, SettingsFileThroughTheSaveAndOpenDialogs) {
    Win32Rig r(Language::German);
    ASSERT_NE(r.main, nullptr);
    const std::filesystem::path file = r.dir.path() / "regler.json";
    int dialogsSeen = 0;
    r.host.fileDialogHook = [&](HWND dialog) {
        ++dialogsSeen;
        const std::wstring name = file.wstring();
        for (int field : {edt1, cmb13}) {
            SendMessageW(dialog, CDM_SETCONTROLTEXT, static_cast<WPARAM>(field),
                         reinterpret_cast<LPARAM>(name.c_str()));
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    r.Click(id::kRead);
    r.Choose(id::kSaveSettings);
    EXPECT_EQ(dialogsSeen, 1);
    EXPECT_TRUE(r.Boxes().empty()) << Listed(r.Boxes());
    ASSERT_TRUE(std::filesystem::exists(file));

    r.Type(r.main, id::kAcceleration, "44");
    r.Click(id::kTurbo);
    r.Choose(id::kLoadSettings);
    EXPECT_EQ(dialogsSeen, 2);
    EXPECT_EQ(r.Text(id::kAcceleration), " 10");
    EXPECT_FALSE(r.Checked(id::kTurbo));
    // Loading only fills the window.
    EXPECT_TRUE(r.Writes().empty());
}

}  // namespace
