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
#include "window_cases.h"

namespace {

using kvr::Language;
using kvr::testing::ConfigFile;
using kvr::testing::Win32Rig;
namespace id = kvr::id;
using Writes = std::vector<std::pair<int, int>>;

std::string Listed(const std::vector<kvr::testing::UiBox>& boxes) {
    std::string out;
    for (const auto& b : boxes) out += "[" + b.caption + "] " + b.text + "\n";
    return out;
}

class BothLanguages : public ::testing::TestWithParam<Language> {};

// The window cases the Qt front end runs too.
class WindowCases : public ::testing::TestWithParam<kvr::testing::WindowCase> {};

TEST_P(WindowCases, Run) {
    Win32Rig r(GetParam().lang, GetParam().config);
    ASSERT_NE(r.main, nullptr);
    GetParam().run(r);
}

INSTANTIATE_TEST_SUITE_P(Win32, WindowCases, ::testing::ValuesIn(kvr::testing::WindowCases()),
                         [](const ::testing::TestParamInfo<kvr::testing::WindowCase>& info) {
                             return info.param.name;
                         });

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

INSTANTIATE_TEST_SUITE_P(Win32, BothLanguages,
                         ::testing::Values(Language::English, Language::German),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return info.param == Language::German ? "German" : "English";
                         });

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
        Win32Rig::PickInFileDialog(dialog, file);
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
        Win32Rig::PickInFileDialog(dialog, r.dir.path() / "missing.upd");
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
    r.host.fileDialogHook = [&](HWND dialog) { Win32Rig::PickInFileDialog(dialog, file); };
    r.Answer(IDOK);
    // Right after "Update starten?" is answered the person clicks the tick
    // box; the transfer's pauses must not deliver the click.
    bool clicked = false;
    r.onBox = [&](const kvr::testing::UiBox&) {
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

}  // namespace
