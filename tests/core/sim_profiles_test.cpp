// The named and file profiles of --simulate: each starts and behaves as it says.
#include "sim_profiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_window.h"
#include "link/port_access.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "sim_devices.h"
#include "simulation.h"
#include "test_program.h"

namespace kvr {
namespace {

using sim::SimulateRequest;
using testing::FakeWindow;

// The program as it starts with --simulate=NAME, on the virtual clock: no
// parallel-port driver, a fresh folder, the main window opened by its own
// procedure.
struct ProfileRig {
    explicit ProfileRig(const std::string& value)
        : request(sim::ParseSimulate(value)),
          p({sim.clock(), sim.serial(), sim.portIo(), host}, Language::English) {
        sim.simPortIo().driverPresent = false;
        sim::ApplySetup(request.setup, sim.controller());
        // As the template has them.
        w.Enable(id::kWrite, false);
        w.Enable(id::kMaxFrequency, false);
        InitPortAccess(p, p.host.QueryPlatform());
        MainWindowProc(p, w, DialogEvent::Init, 0);
    }
    int Command(int id) { return MainWindowProc(p, w, DialogEvent::Command, id); }
    std::string Text(int id) { return w.controls[id].text; }

    testing::TempDir dir;
    SimulateRequest request;
    sim::Simulation sim{sim::ClockKind::Virtual};
    testing::FakeHost host;
    Program p;
    FakeWindow w;
};

struct ProfileCase {
    std::string value;
    // What the first Read shows: the version ("V ..."), or the box it
    // refuses with; none when empty.
    std::string firstRead;
    std::function<void(ProfileRig&)> check;
};

void ReadsAs(ProfileRig& r, const std::string& version) {
    r.Command(id::kRead);
    EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{});
    EXPECT_EQ(r.Text(id::kStatusLine).substr(0, 2), "OK");
    EXPECT_EQ(r.Text(id::kVersionText), version);
    EXPECT_TRUE(r.w.controls[id::kWrite].enabled);
}

void ReadRefused(ProfileRig& r, const std::string& box) {
    r.Command(id::kRead);
    EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{box});
    EXPECT_FALSE(r.w.controls[id::kWrite].enabled);
}

// The first Controller Info box, up to its first line end.
std::string InfoBox(ProfileRig& r) {
    r.Command(id::kControllerInfo);
    if (r.host.boxes.empty()) return "<no box>";
    const std::string& text = r.host.boxes.front().text;
    return text.substr(0, text.find('\n'));
}

const std::vector<ProfileCase>& Cases() {
    static const std::vector<ProfileCase> cases = {
        {"default", "V 61.23-1F", [](ProfileRig& r) { EXPECT_TRUE(r.p.link.state.bitBangLink); }},
        {"uart", "V 61.23-1F",
         [](ProfileRig& r) {
             EXPECT_TRUE(r.p.link.state.uartLink);
             // The programming mode is out of reach on this wiring.
             EXPECT_EQ(InfoBox(r), "no connection!");
         }},
        {"bit-serial", "V 61.23-1F",
         [](ProfileRig& r) {
             EXPECT_TRUE(r.p.link.state.bitBangLink);
             EXPECT_EQ(InfoBox(r), "Vendor Code: 1E");
         }},
        {"8mhz", "V 61.23-1F",
         [](ProfileRig& r) {
             EXPECT_EQ(r.p.settings.clockMhz, 8);
             EXPECT_TRUE(r.w.controls[id::kFreq78].checked);
         }},
        {"blank", "Available after setup with RC!",
         [](ProfileRig& r) {
             // Nothing in the parameter memory, the version bytes included.
             EXPECT_EQ(r.sim.controller().memory[32], 0xFF);
         }},
        {"not-set-up", "Available after setup with RC!",
         [](ProfileRig& r) { EXPECT_EQ(r.sim.controller().memory[32], 0x61); }},
        {"other-model", "no KVR-Mega detected, this device is not supported!", {}},
        {"locked-chip", "",
         [](ProfileRig& r) {
             // The programming mode answers as a locked chip does; Controller
             // Info then finds no controller it can show.
             EXPECT_EQ(InfoBox(r), "no connection!");
             EXPECT_TRUE(r.p.isp.ispAnswered);
             EXPECT_EQ(r.p.link.lastErrorText.substr(0, 14), "Device locked!");
         }},
        {"erased-chip", "", [](ProfileRig& r) { EXPECT_EQ(InfoBox(r), "Device Code erased!"); }},
        {"old-firmware", "V 60.02-1F",
         [](ProfileRig& r) {
             r.host.dialogScript = [](int, Window& dialog, const DialogProc& proc) {
                 proc(dialog, DialogEvent::Init, 0);
                 proc(dialog, DialogEvent::Command, id::kLockRead);
                 return 1;
             };
             r.Command(id::kLockFunctions);
             EXPECT_EQ(r.host.BoxTexts(),
                       std::vector<std::string>{std::string(texts::kLockNotAvailable.en)});
         }},
        {"newer-firmware", "Please download the latest version of this software!", {}},
        {"motor:300", "",
         [](ProfileRig& r) {
             std::string hz;
             r.host.dialogScript = [&](int, Window& dialog, const DialogProc& proc) {
                 auto& w = static_cast<FakeWindow&>(dialog);
                 proc(dialog, DialogEvent::Init, 0);
                 r.sim.simSerial().costs.lineNs = 20000;
                 // Between the first two measurement windows: note, stop.
                 r.host.onPump = [&] {
                     if (!hz.empty() || w.controls[id::kSpeedHz].text.empty()) return;
                     hz = w.controls[id::kSpeedHz].text;
                     proc(dialog, DialogEvent::Command, id::kOk);
                 };
                 proc(dialog, DialogEvent::Command, id::kRevReleaseMotor);
                 r.host.onPump = nullptr;
                 return 1;
             };
             r.Command(id::kRevCounter);
             EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{});
             EXPECT_EQ(hz, "300");
         }},
        {"flaky", "",
         [](ProfileRig& r) {
             // Sooner or later a Read does not come out as on a sound line.
             bool failed = false;
             for (int i = 0; i < 5 && !failed; ++i) {
                 r.host.boxes.clear();
                 r.Command(id::kRead);
                 failed = !r.host.boxes.empty() || r.Text(id::kVersionText) != "V 61.23-1F" ||
                          r.Text(id::kAcceleration) != " 10";
             }
             EXPECT_TRUE(failed);
         }},
        {"falls-silent", "V 61.23-1F",
         [](ProfileRig& r) {
             ReadsAs(r, "V 61.23-1F");
             // Then for good.
             for (int i = 0; i < 2; ++i) {
                 r.host.boxes.clear();
                 r.Command(id::kRead);
                 EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{"no connection!"});
             }
         }},
        {"silent", "no connection!", {}},
    };
    return cases;
}

// Every named profile starts (the main window opens on COM2) and behaves
// as its name says.
TEST(SimProfiles, EachNamedProfileBehavesAsNamed) {
    for (const ProfileCase& c : Cases()) {
        SCOPED_TRACE(c.value);
        ProfileRig r(c.value);
        ASSERT_EQ(r.request.kind, SimulateRequest::Kind::Run) << r.request.text;
        EXPECT_EQ(r.p.app.portName, "COM2");
        EXPECT_EQ(r.host.BoxTexts(), std::vector<std::string>{});
        if (c.firstRead.starts_with("V ")) {
            ReadsAs(r, c.firstRead);
        } else if (!c.firstRead.empty()) {
            ReadRefused(r, c.firstRead);
        }
        if (c.check) c.check(r);
    }
}

// The list names every profile, one line each, and each has its case above.
TEST(SimProfiles, ListNamesEveryProfileOnce) {
    const SimulateRequest list = sim::ParseSimulate("list");
    ASSERT_EQ(list.kind, SimulateRequest::Kind::List);
    EXPECT_EQ(list.text, sim::ProfileList());
    std::set<std::string> tested;
    for (const ProfileCase& c : Cases()) tested.insert(c.value.substr(0, c.value.find(':')));
    std::istringstream lines(list.text);
    std::string line;
    std::set<std::string> listed;
    while (std::getline(lines, line)) {
        std::string name = line.substr(0, line.find(' '));
        name = name.substr(0, name.find('['));
        EXPECT_TRUE(listed.insert(name).second) << name;
        EXPECT_TRUE(tested.count(name) == 1) << name << " has no case";
        EXPECT_GT(line.size(), name.size() + 10) << "no description: " << line;
    }
    EXPECT_EQ(listed, tested);
    EXPECT_EQ(sim::ParseSimulate("").name, "default");
    EXPECT_EQ(sim::ParseSimulate("motor").setup.profile.motorPulseHz, sim::kDefaultMotorPulseHz);
}

TEST(SimProfiles, TheLastSimulateOnTheCommandLineCounts) {
    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {{"prog"}, std::nullopt},
        {{"prog", "--simulate"}, ""},
        {{"prog", "--simulate=flaky"}, "flaky"},
        {{"prog", "--simulate", "--simulate=motor:300"}, "motor:300"},
        {{"prog", "--simulate=", "x"}, ""},
        {{"prog", "--simulated", "--simulate-x"}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
        EXPECT_EQ(sim::SimulateArgument(static_cast<int>(argv.size()), argv.data()), c.value)
            << c.args.back();
    }
}

TEST(SimProfiles, WrongValuesAreRefusedWithAMessage) {
    const std::pair<std::string, std::string> cases[] = {
        {"nosuch",
         "--simulate: no profile or file named 'nosuch' (--simulate=list shows the "
         "profiles)"},
        {"motor:0", "--simulate: motor:0: the pulse rate must be a whole number from 1 to 2000"},
        {"motor:fast",
         "--simulate: motor:fast: the pulse rate must be a whole number from 1 to 2000"},
        {"flaky:3", "--simulate: flaky:3: the profile flaky takes no value"},
    };
    for (const auto& [value, message] : cases) {
        const SimulateRequest r = sim::ParseSimulate(value);
        EXPECT_EQ(r.kind, SimulateRequest::Kind::Error) << value;
        EXPECT_EQ(r.text, message);
    }
    // The web page names its own query, in the start and in the advice.
    EXPECT_EQ(sim::ParseSimulate("nosuch", "?simulate").text,
              "?simulate: no profile or file named 'nosuch' (?simulate=list shows the profiles)");
    EXPECT_EQ(sim::ReadProfileFile(R"({"base": "nosuch"})", "'p.json'", "?simulate").text,
              "?simulate: 'p.json': base must name a profile (?simulate=list shows them)");
    // Files that are no profile are refused before anything waits on them.
    testing::TempDir dir("big.json", "{}" + std::string(1 << 20, ' '));
    const std::pair<std::string, std::string> files[] = {
        {dir.path().string(), "is a folder"},
        {"pipe.json", "is not a file (a device or a pipe)"},
        {"big.json", "is too large for a profile file (over 1 MiB)"},
    };
    for (const auto& [path, message] : files) {
        if (path == "pipe.json" && !testing::MakeAt(path, "<pipe>")) continue;
        EXPECT_EQ(sim::ParseSimulate(path).text, "--simulate: '" + path + "' " + message);
    }
}

// The title's word for the simulation is the window's language's.
TEST(SimProfiles, TitleSaysSimulatedInTheWindowsLanguage) {
    const std::tuple<std::string, Language, std::string> cases[] = {
        {"", Language::English, " [simulated]"},
        {"", Language::German, " [simuliert]"},
        {"8mhz", Language::English, " [simulated: 8mhz]"},
        {"8mhz", Language::German, " [simuliert: 8mhz]"},
    };
    for (const auto& [value, lang, suffix] : cases)
        EXPECT_EQ(sim::SimulatedTitleSuffix(sim::ParseSimulate(value), lang), suffix);
}

// A profile file: a named profile to start from, then the parameter memory,
// the profile's and the faults' fields.
TEST(SimProfiles, FileSetsEveryKindOfField) {
    testing::TempDir dir;
    testing::WriteFileBytes(dir.path() / "p.json", R"({
        "base": "bit-serial",
        "clockMhz": 8,
        "memory": {"13": 253, "0x20": 96},
        "profile": {"signature": ["0x1E", "0x94", 3], "motorPulseHz": 150, "startupMs": 80},
        "faults": {"wrongEchoOnWrite": true, "wrongEchoAddress": 14, "dropEverySentByte": 7}
    })");
    const SimulateRequest r = sim::ParseSimulate((dir.path() / "p.json").string());
    ASSERT_EQ(r.kind, SimulateRequest::Kind::Run) << r.text;
    EXPECT_EQ(r.name, (dir.path() / "p.json").string());
    const sim::Setup& s = r.setup;
    EXPECT_EQ(s.profile.link, sim::LinkKind::BitSerial);
    EXPECT_EQ(s.memory[30], 8);
    EXPECT_EQ(s.memory[13], 253);
    EXPECT_EQ(s.memory[0x20], 96);
    EXPECT_EQ(s.memory[12], 102);  // the rest as an 8 MHz controller set up
    EXPECT_EQ(s.profile.signature, (std::array<std::uint8_t, 3>{0x1E, 0x94, 3}));
    EXPECT_EQ(s.profile.motorPulseHz, 150u);
    EXPECT_EQ(s.profile.startupMs, 80u);
    EXPECT_EQ(s.profile.fuseLow, 0xE1);
    EXPECT_TRUE(s.faults.wrongEchoOnWrite);
    EXPECT_EQ(s.faults.wrongEchoAddress, 14);
    EXPECT_EQ(s.faults.dropEverySentByte, 7);
    EXPECT_EQ(s.faults.dropSentByte, -1);
}

TEST(SimProfiles, FileFaultsAreReportedWithTheirPlace) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"profile": {"link": "usb"}})", R"(profile.link must be "uart" or "bit-serial")"},
        {R"({"profile": {"lnik": "uart"}})", "unknown field profile.lnik"},
        {R"({"faults": {"dropSentByte": "three"}})", "faults.dropSentByte must be a whole number"},
        {R"({"profile": {"lockBits": 256}})", "profile.lockBits must be from 0 to 255"},
        {R"({"profile": {"silent": 1}})", "profile.silent must be true or false"},
        {R"({"profile": {"signature": [1, 2]}})",
         "profile.signature must be a list of three bytes"},
        {R"({"memory": {"256": 1}})", R"(memory: address "256" is not from 0 to 255)"},
        {R"({"memory": {"12": -1}})", "memory.12 must be from 0 to 255"},
        {R"({"profile": {"signature": [1, "0x1G", 3]}})",
         "profile.signature[1] must be a whole number"},
        {R"({"faults": {"lostCommitPage": 18446744073709551615}})",
         "faults.lostCommitPage must be from -1 to 255"},
        {R"({"profile": {"startupMs": 1.5}})", "profile.startupMs must be a whole number"},
        {R"({"base": "nosuch"})", "base must name a profile (--simulate=list shows them)"},
        {R"({"clockMhz": 12})", "clockMhz must be 8 or 16"},
        {R"({"colour": "red"})", "unknown field colour"},
        {R"([1, 2])", "the file must be a JSON object"},
    };
    for (const auto& [json, message] : cases) {
        const SimulateRequest r = sim::ReadProfileFile(json, "'p.json'");
        EXPECT_EQ(r.kind, SimulateRequest::Kind::Error) << json;
        EXPECT_EQ(r.text, "--simulate: 'p.json': " + message) << json;
    }
    const std::pair<std::string, std::string> broken[] = {
        {"{\"profile\": ", "line 1"},
        {R"({"faults": {"dropSentByte": 1e400}})", "number overflow parsing '1e400'"},
    };
    for (const auto& [json, detail] : broken) {
        const SimulateRequest r = sim::ReadProfileFile(json, "'p.json'");
        EXPECT_EQ(r.kind, SimulateRequest::Kind::Error);
        EXPECT_NE(r.text.find("--simulate: 'p.json' is not a profile file: "), std::string::npos);
        EXPECT_NE(r.text.find(detail), std::string::npos) << r.text;
    }
}

}  // namespace
}  // namespace kvr
