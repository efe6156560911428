// A program's start before its desktop: --simulate, --version, the devices and the user folder.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "fake_host.h"
#include "res/templates.h"
#include "sim_profiles.h"
#include "simulation.h"
#include "test_program.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// What a window program's --simulate option leads to before the desktop.
struct SimulateCase {
    std::vector<const char*> argv;
    bool simulated;
    int exitStatus;  // -1: the program goes on
    int told;        // lines shown: 0 or 1
    bool toldAsError;
};

TEST(Startup, TheSimulateOptionBeforeTheDesktop) {
    const SimulateCase cases[] = {
        {{"kvrsetup-en"}, false, -1, 0, false},
        {{"kvrsetup-en", "--simulate"}, true, -1, 0, false},
        {{"kvrsetup-en", "--simulate=uart"}, true, -1, 0, false},
        {{"kvrsetup-en", "--simulate=list"}, true, 0, 1, false},
        {{"kvrsetup-en", "--simulate=no-such-profile"}, true, 2, 1, true},
    };
    for (const SimulateCase& c : cases) {
        SCOPED_TRACE(c.argv.back());
        int told = 0;
        bool asError = false;
        const sim::SimulateChoice choice = sim::ReadSimulateOption(
            static_cast<int>(c.argv.size()), c.argv.data(), [&](const std::string&, bool error) {
                ++told;
                asError = error;
            });
        EXPECT_EQ(choice.simulated, c.simulated);
        EXPECT_EQ(choice.exitStatus.value_or(-1), c.exitStatus);
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(asError, c.toldAsError);
    }
}

TEST(Startup, TheVersionOptionBeforeTheDesktop) {
    const std::regex line("kvrsetup-de [0-9]+\\.[0-9]+( \\(commit [0-9a-f]+\\))?");
    const std::vector<std::vector<const char*>> asks = {{"kvrsetup-de", "--version"},
                                                        {"kvrsetup-de", "--simulate", "--version"}};
    for (const std::vector<const char*>& argv : asks) {
        const std::optional<std::string> answer =
            AskedVersion("kvrsetup-de", static_cast<int>(argv.size()), argv.data());
        ASSERT_TRUE(answer.has_value());
        EXPECT_TRUE(std::regex_match(*answer, line)) << *answer;
    }
    const char* const plain[] = {"kvrsetup-de", "--simulate=--version"};
    EXPECT_EQ(AskedVersion("kvrsetup-de", 2, plain), std::nullopt);
}

// Devices that count how often they were made.
struct CountedDevices : sim::Simulation {
    explicit CountedDevices(int& made) : Simulation(sim::ClockKind::Virtual) { ++made; }
};

TEST(Startup, TheRealDevicesOnlyWithoutSimulation) {
    for (const bool simulated : {false, true}) {
        int made = 0;
        const sim::DevicesMaker maker =
            sim::ChooseDevices(simulated, sim::Setup{}, sim::ClockKind::Virtual,
                               [&made] { return std::make_unique<CountedDevices>(made); });
        const std::unique_ptr<Devices> devices = maker();
        ASSERT_NE(devices, nullptr);
        EXPECT_EQ(made, simulated ? 0 : 1);
        EXPECT_EQ(devices->DeviceForCom(2), "COM2");
    }
}

TEST(Startup, AWindowProgramRunsItsMainWindowOnTheDevicesMadeOnce) {
    TempDir dir;
    FakeHost host;
    int made = 0;
    const char* const argv[] = {"kvrsetup-en"};
    const FrontEnd front{Language::English, host, [] { return UserFolder{}; },
                         [&made] { return std::make_unique<CountedDevices>(made); }};
    EXPECT_EQ(RunWindowProgram(front, 1, argv), 0);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(host.dialogsRun, std::vector<int>{res::MainWindowTemplateId(Language::English)});
}

TEST(Startup, AUserFolderThatCannotBeEnteredEndsTheProgramBeforeTheDevices) {
    TempDir dir;
    WriteFileBytes(dir.path() / "config", "a file in the way");
    FakeHost host;
    int made = 0;
    const char* const argv[] = {"kvrsetup-en", "--user-folder"};
    const FrontEnd front{Language::English, host,
                         [&dir] {
                             return UserFolder{dir.path() / "config" / "kvrsetup", {}, false};
                         },
                         [&made] { return std::make_unique<CountedDevices>(made); }};
    EXPECT_EQ(RunWindowProgram(front, 2, argv), 1);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_TRUE(host.dialogsRun.empty());
}

}  // namespace
}  // namespace kvr
