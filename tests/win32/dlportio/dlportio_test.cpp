// The parallel port through the port driver library: the program beside a
// test DLPORTIO.dll whose two entries reach a simulated controller's lines.
#include <gtest/gtest.h>

#include "res/ids.h"
#include "support/win32_rig.h"
#include "win32_platform.h"
#include "window_cases.h"

namespace {

using kvr::Language;
using kvr::testing::Win32Rig;
namespace id = kvr::id;

// With the library the parallel port is usable: a first start chooses it,
// and Controller Info reaches the chip over its lines.
TEST(DriverLibrary, FirstStartTakesTheParallelPortAndControllerInfoWorks) {
    kvr::win32::Win32Clock clock;
    kvr::win32::Win32PortIo driver;  // DLPORTIO.dll, found beside this program
    Win32Rig r(Language::English, "", {&clock, nullptr, &driver});
    ASSERT_NE(r.main, nullptr);
    EXPECT_EQ(kvr::testing::ReadFileBytes(r.dir.path() / "blsetup.cfg"), "0378");
    for (int port = id::kPortCom1; port <= id::kPortCom8; ++port) EXPECT_FALSE(r.MenuChecked(port));
    EXPECT_TRUE(r.program.link.state.driverAvailable);

    kvr::testing::ControllerInfoShowsItsBox(r);
}

// A library by that name without the entries: the access is refused with
// the driver message, and the window ends.
TEST(DriverLibrary, LibraryWithoutItsEntriesEndsTheWindow) {
    kvr::win32::Win32Clock clock;
    kvr::win32::Win32PortIo driver(L"no_entries.dll");
    Win32Rig r(Language::German, "0378", {&clock, nullptr, &driver});
    ASSERT_NE(r.main, nullptr);
    EXPECT_TRUE(r.program.link.state.driverAvailable);
    PostMessageW(r.main, WM_COMMAND, MAKEWPARAM(id::kControllerInfo, 0), 0);
    ASSERT_TRUE(r.WaitForEnd());
    const auto boxes = r.Boxes();
    ASSERT_FALSE(boxes.empty());
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, "Error during driver access!");
    }
}

}  // namespace
