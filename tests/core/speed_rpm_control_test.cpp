// The RPM-control dialog on the simulated controller: Read, Calculate, Write and templates.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_window.h"
#include "file_builders.h"
#include "res/ids.h"
#include "res/speed_texts.h"
#include "res/templates.h"
#include "sim_program.h"
#include "simulation.h"
#include "speed/rpm_control.h"
#include "template_labels.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

using Writes = std::vector<std::pair<int, int>>;

// One step the user takes inside the dialog.
struct Step {
    int command;
    std::function<void(FakeWindow&)> before;  // typing into fields
};

// The program on a simulated controller at COM2, settings read.
struct Rig : SimProgram {
    explicit Rig(Language lang = Language::English, int clockMhz = 8,
                 const std::string& config = ConfigFile())
        : SimProgram(SimOptions().In(lang).BareWindow().StatusInWindow().InFolder(config)) {
        p.settings.versionWord = 0x6123;
        p.settings.clockMhz = clockMhz;
        ctl().memory = sim::Controller::DefaultMemory(clockMhz);
    }

    void Run(const std::vector<Step>& steps) {
        std::vector<int> commands;
        for (const Step& s : steps) commands.push_back(s.command);
        PlayDialog(commands, {1212, 1215, 1219, 1218, 1216, 1214, 1239, 1240},
                   [&steps, next = std::size_t{0}](FakeWindow& w, int) mutable {
                       const Step& s = steps[next++];
                       if (s.before) s.before(w);
                   });
        RpmControlCommand(p, w);
    }

    // A controller that holds no top speed yet.
    void NoTopSpeed() {
        Set(27, 0xFF);
        Set(28, 0xFF);
    }
    std::string Field(int id) { return lastDialog.controls[id].text; }
    bool Enabled(int id) { return lastDialog.controls[id].enabled; }
};

Step Click(int command) {
    return Step{command, {}};
}

Step Type(int command, int field, std::string text) {
    return Step{command, [field, text](FakeWindow& w) { w.controls[field].text = text; }};
}

TEST(RpmControl, ReadShowsTheStoredTopSpeed) {
    Rig r;
    r.ctl().memory[37] = 4;
    r.ctl().memory[38] = 1;  // I = 5
    r.ctl().memory[10] = 0x12;
    r.Run({Click(id::kRpmRead)});
    EXPECT_EQ(r.host.dialogsRun, (std::vector<int>{1228}));
    EXPECT_TRUE(r.host.boxes.empty());
    const std::vector<std::pair<int, std::string>> fields = {
        {1212, " 314"}, {1215, "18840"}, {1219, "2691"},         {1218, " 269"},
        {1239, " 4"},   {1240, " 5"},    {id::kPoleCount, "14"}, {id::kGearRatio, "10.00"}};
    for (const auto& [field, text] : fields) EXPECT_EQ(r.Field(field), text) << field;
    for (int id : {1216, 1214, 1218, 1239, 1240}) EXPECT_TRUE(r.Enabled(id)) << id;
    EXPECT_TRUE(r.lastDialog.controls[id::kRpmQuickStart].checked);
    EXPECT_EQ(r.p.settings.options, 0x12);
    EXPECT_EQ(r.host.beeps, 1);
    EXPECT_TRUE(r.Writes().empty());
    // The main window's frequency field was blanked for the dialog.
    EXPECT_EQ(r.w.controls[id::kMaxFrequency].text, "   ");
    EXPECT_FALSE(r.w.controls[id::kStatusLine].enabled);
}

TEST(RpmControl, ControllerWithoutTopSpeedAsksForARotorSpeed) {
    Rig r;
    r.NoTopSpeed();
    r.Run({Click(id::kRpmRead)});
    const std::vector<std::pair<int, std::string>> fields = {
        {1218, "???"}, {1239, " 3"}, {1240, " 3"}, {1212, "  "}};
    for (const auto& [field, text] : fields) EXPECT_EQ(r.Field(field), text) << field;
    for (int id : {1216, 1218, 1239, 1240}) EXPECT_TRUE(r.Enabled(id)) << id;
    EXPECT_FALSE(r.Enabled(1214));
    EXPECT_EQ(r.host.beeps, 0);
}

// The governor switched on, and set up but switched off: the program
// reminds of it at the exit.
TEST(RpmControl, CalculateAndWriteStoreThePeriod) {
    for (const int stored : {0x32, 0x12}) {
        SCOPED_TRACE(stored);
        const int options = stored & ~0x02;
        Rig r(Language::English, 16, ConfigFile("10", "8.00"));
        r.ctl().memory[10] = static_cast<std::uint8_t>(stored);
        r.Run({Click(id::kRpmRead), Type(id::kRpmCalculate, 1218, "1500"),
               Type(id::kRpmWrite, 1240, " 2")});
        EXPECT_TRUE(r.host.boxes.empty()) << r.BoxTexts()[0];
        // Options: the English build clears the quick-start bit.
        EXPECT_EQ(r.Writes(), (Writes{{27, 1}, {28, 51}, {37, 3}, {38, 4}, {10, options}}));
        EXPECT_EQ(r.ctl().memory[10], options);
        EXPECT_EQ(r.p.settings.options, options);
        // The fields show what the controller holds now: 333900 / 333.
        EXPECT_EQ(r.Field(1212), "1002");
        EXPECT_EQ(r.Field(1215), "60162");
        EXPECT_EQ(r.host.beeps, 3);
        EXPECT_EQ(r.p.app.rpmControlInactive, (stored & 0x20) == 0);
    }
}

TEST(RpmControl, CalculateShowsMotorSpeedAndFrequency) {
    struct Case {
        const char* poles;
        const char* ratio;
        const char* rotor;
        const char* motor;
        const char* erpm;
        const char* hz;
        bool accepted;
    };
    const Case cases[] = {
        {"10", "8.00", "1500", "12000", "60000", "1000", true},
        {" 2", "1.00", " 100", " 100", " 100", "   1", false},
        {"14", "10.00", "119", "1190", "8330", " 138", false},
        {"14", "10.00", "143", "1430", "10010", " 166", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotor);
        Rig r(Language::English, 8, ConfigFile(c.poles, c.ratio));
        r.NoTopSpeed();
        r.Run({Click(id::kRpmRead), Type(id::kRpmCalculate, 1218, c.rotor)});
        EXPECT_EQ(r.Field(1219), c.motor);
        EXPECT_EQ(r.Field(1215), c.erpm);
        EXPECT_EQ(r.Field(1212), c.hz);
        EXPECT_EQ(r.Enabled(1214), c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(r.host.boxes.empty());
        } else {
            EXPECT_EQ(r.host.boxes, OneBox("min. 166 Hz", "Error!"));
        }
    }
}

TEST(RpmControl, WriteChecksFrequencyAndGovernorValues) {
    struct Case {
        const char* hz;
        const char* p;
        const char* i;
        const char* message;  // nullptr: all written
        Writes writes;
    };
    // 8 MHz: T = 174666 / F - 19.
    const Case cases[] = {
        {"2600", " 3", " 3", nullptr, {{27, 0}, {28, 48}, {37, 3}, {38, 3}, {10, 0x10}}},
        {"2666", " 5", " 1", nullptr, {{27, 0}, {28, 46}, {37, 5}, {38, 5}, {10, 0x10}}},
        {"2667", " 3", " 3", "max. 2500 Hz", {}},
        {" 200", " 0", " 3", "P: 1 - 5 !", {{27, 3}, {28, 86}}},
        {" 200", " 6", " 3", "P: 1 - 5 !", {{27, 3}, {28, 86}}},
        {" 200", "  ", " 3", "P: 1 - 5 !", {{27, 3}, {28, 86}}},
        {" 200", " 1", " 0", "I: 1 - 5 !", {{27, 3}, {28, 86}, {37, 1}}},
        {" 200", " 1", "x", "I: 1 - 5 !", {{27, 3}, {28, 86}, {37, 1}}},
        // No frequency at all, or one whose period would not fit two bytes:
        // nothing is written.
        {"   0", " 3", " 3", "min. 166 Hz", {}},
        {"  -5", " 3", " 3", "min. 166 Hz", {}},
        {"   2", " 3", " 3", "min. 166 Hz", {}},
        {"", " 3", " 3", "min. 166 Hz", {}},
        // The smallest frequency whose period fits: 174666 / 3 - 19 = 58203.
        {"   3", " 3", " 3", nullptr, {{27, 227}, {28, 91}, {37, 3}, {38, 3}, {10, 0x10}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.hz) + "/" + c.p + "/" + c.i);
        Rig r;
        const std::string hz = c.hz, pv = c.p, iv = c.i;
        r.Run({Click(id::kRpmRead), Step{id::kRpmWrite, [&](FakeWindow& w) {
                                             w.controls[1212].text = hz;
                                             w.controls[1239].text = pv;
                                             w.controls[1240].text = iv;
                                         }}});
        EXPECT_EQ(r.Writes(), c.writes);
        if (c.message == nullptr) {
            EXPECT_TRUE(r.host.boxes.empty()) << r.BoxTexts()[0];
        } else {
            EXPECT_EQ(r.host.boxes, OneBox(c.message, "Error!"));
        }
    }
}

TEST(RpmControl, QuickStartOptionFollowsTheGermanCheckBox) {
    struct Case {
        Language lang;
        bool ticked;
        int stored;
        int written;
    };
    const Case cases[] = {
        {Language::German, true, 0x10, 0x12},
        {Language::German, false, 0x12, 0x10},
        {Language::English, true, 0x12, 0x10},
        {Language::English, false, 0x10, 0x10},
    };
    for (const Case& c : cases) {
        Rig r(c.lang);
        r.ctl().memory[10] = static_cast<std::uint8_t>(c.stored);
        r.Run({Click(id::kRpmRead), Step{id::kRpmWrite, [&](FakeWindow& w) {
                                             w.controls[id::kRpmQuickStart].checked = c.ticked;
                                         }}});
        ASSERT_FALSE(r.Writes().empty());
        EXPECT_EQ(r.Writes().back(), std::make_pair(10, c.written));
        EXPECT_EQ(r.ctl().memory[10], c.written);
        EXPECT_EQ(r.host.dialogsRun.at(0), c.lang == Language::German ? 1231 : 1228);
    }
}

TEST(RpmControl, UnconfirmedWriteStopsWithTheErrorTwice) {
    Rig r(Language::German);
    r.ctl().faults.wrongEchoOnWrite = true;
    r.ctl().faults.wrongEchoAddress = 28;
    r.Run({Click(id::kRpmRead), Click(id::kRpmWrite)});
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"Schreibfehler!", "Schreibfehler!"}));
    const Writes writes = r.Writes();
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[1].first, 28);
    EXPECT_EQ(writes.back().first, 28);
}

TEST(RpmControl, RotorFieldWithoutNumberIsRefused) {
    Rig r;
    r.NoTopSpeed();
    r.Run({Click(id::kRpmRead), Click(id::kRpmCalculate)});
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"min. 166 Hz"}));
    EXPECT_FALSE(r.Enabled(1214));
    EXPECT_EQ(r.Field(1212), " ");
}

TEST(RpmControl, MotorValuesThatCannotBeReadStopEveryStep) {
    // A folder where the file should be: it cannot be opened.
    Rig r(Language::English, 8, "<folder>");
    r.Run({Click(id::kRpmRead)});
    EXPECT_EQ(r.BoxTexts(),
              (std::vector<std::string>{"open error 'blsetup.cfg'", "open error 'blsetup.cfg'",
                                        "Polzahl: Wert nicht zul\u00e4ssig!"}));
    EXPECT_TRUE(r.ctl().TraceOf('U').empty());
}

TEST(RpmControl, GateAndStatusWindow) {
    {
        Rig r;
        r.p.settings.versionWord = 65535;
        r.Run({});
        EXPECT_TRUE(r.host.dialogsRun.empty());
        EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"Read values first!"}));
    }
    {
        Rig r;
        r.Run({Click(id::kRpmRead), Type(id::kRpmCalculate, 1218, "300"), Click(id::kOk)});
        EXPECT_EQ(r.lastDialog.endResult, 1);
        // The dialog was the status window while it was open; it is gone.
        EXPECT_EQ(r.p.app.statusWindow, &r.w);
    }
}

TEST(RpmControl, TemplateTextsInBothLanguages) {
    constexpr Text kMax{"Max. Values", "Drehzahl bei Vollausschlag"};
    constexpr Text kMotor{"Motor-Gearbox", "Motor-Getriebeeinheit"};
    constexpr Text kController{"Controller", "Prozessor"};
    constexpr Text kPi{"P/I - Control", "P/I - Regler"};
    ExpectLabels(
        1228, 1231,
        {
            {1212, {"elec. freq. motorphase, Hz", "el.Freq. Motorphase, Hz"}, kMax},
            {1215, {"elec. freq. motorphase, RPM", "el. Freq. Motorphase,  U/min "}, kMax},
            {1219, {"motor-RPM ", "Motor-Drehzahl,  U/min"}, kMax},
            {1218, {"desired rotorspeed, RPM", "gew\u00fcnschte\nRotor-Drehzahl,  U/min"}, kMax},
            {1216, {"Calculate", "Berechnen"}, kMax},
            {1176, {"number of poles", "Polzahl"}, kMotor},
            {1220, {"gearbox ratio 1:", "Getriebe-Untersetzung 1 :"}, kMotor},
            {1221, {"Save Input", "Werte \u00fcbernehmen"}, kMotor},
            {1241, {"", "Schnellstart nach Autorotation m\u00f6gl."}, {"", ""}},
            {1213, {"Read", "Lesen"}, kController},
            {1214, {"Write", "Schreiben"}, kController},
            {1239, {"P-Value", "P-Glied"}, kPi},
            {1240, {"I-Value", "I-Glied"}, kPi},
            {1, {"Done", "Ende"}, {"", ""}},
        });
}

TEST(RpmControl, TemplatesCarryTheControls) {
    const res::DialogTemplate* en = res::FindTemplate(1228);
    ASSERT_NE(en, nullptr);
    std::set<int> missing = {1212, 1215, 1219, 1218, 1216, 1176, 1220,
                             1221, 1213, 1214, 1239, 1240, 1241, 1};
    const std::set<int> disabled = {1212, 1215, 1219, 1218, 1216, 1214, 1239, 1240};
    for (const res::ControlDef& c : en->controls) {
        if (missing.erase(c.id) == 0) continue;
        EXPECT_EQ((c.flags & res::kDisabled) != 0, disabled.count(c.id) == 1) << c.id;
        EXPECT_TRUE(c.id != 1241 || (c.flags & res::kGermanOnly) != 0);
        EXPECT_TRUE(c.id != 1213 || (c.flags & res::kDefaultButton) != 0);
    }
    EXPECT_EQ(missing, std::set<int>{});
}

}  // namespace
}  // namespace kvr
