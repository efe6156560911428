// The rev counter on the simulated controller: measuring, stopping, refusals and templates.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/program.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_serial.h"
#include "fake_window.h"
#include "file_builders.h"
#include "res/ids.h"
#include "res/speed_texts.h"
#include "res/templates.h"
#include "sim_devices.h"
#include "sim_program.h"
#include "simulation.h"
#include "speed/rev_counter.h"
#include "template_labels.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

// The program on a simulated controller at COM2 whose test program is
// locked, with 14 poles and ratio 10.00 in blsetup.cfg.
struct Rig : SimProgram {
    explicit Rig(Language lang = Language::English)
        : SimProgram(SimOptions().In(lang).BareWindow().InFolder()) {
        ctl().memory[13] = 0xFD;
    }

    // Runs the command; inside the dialog, clicks the given buttons.
    void Run(const std::vector<int>& clicks) {
        PlayDialog(clicks, {}, [this](FakeWindow&, int) {
            // The polling costs of the line reads stay far below the pulse
            // rates used here; cheaper reads keep the test fast.
            sim.simSerial().costs.lineNs = 20000;
        });
        RevCounterCommand(p, w);
    }

    std::string Text(int id) { return openDialog != nullptr ? openDialog->controls[id].text : ""; }
};

struct Shown {
    std::string hz, erpm, motor, rotor, label;
    bool releaseEnabled;
};

TEST(RevCounter, MeasuresUntilAWindowWithoutPulses) {
    Rig r;
    r.ctl().profile.motorPulseHz = 200;
    std::vector<Shown> shown;
    int countdownPumps = 0;
    r.host.onPump = [&] {
        // The window stays alive while the motor spins up during the first
        // seconds of the countdown.
        if (r.Text(1248) == "sec. time left") ++countdownPumps;
        // Between two measurement windows.
        if (r.Text(1248) != "Prop revs, rpm") return;
        shown.push_back({r.Text(1212), r.Text(1215), r.Text(1219), r.Text(1218), r.Text(1248),
                         r.openDialog->controls[1246].enabled});
        // The motor stops after two windows.
        if (shown.size() == 2) r.ctl().profile.motorPulseHz = 0;
    };
    r.Run({id::kRevReleaseMotor});
    EXPECT_EQ(r.host.dialogsRun, (std::vector<int>{1247}));
    EXPECT_TRUE(r.host.boxes.empty());
    EXPECT_GT(countdownPumps, 1);
    ASSERT_EQ(shown.size(), 2u);
    for (const Shown& s : shown) {
        EXPECT_EQ(s.hz, "200");
        EXPECT_EQ(s.erpm, "12000");
        EXPECT_EQ(s.motor, "1714");
        EXPECT_EQ(s.rotor, " 171");
        EXPECT_EQ(s.label, "Prop revs, rpm");
        EXPECT_FALSE(s.releaseEnabled);
    }
    // The empty window ended it: fields blank, buttons back, motor stopped.
    for (int id : {1212, 1215, 1219, 1218}) EXPECT_EQ(r.lastDialog.controls[id].text, " ") << id;
    for (int id : {1246, 1, 1221}) EXPECT_TRUE(r.lastDialog.controls[id].enabled) << id;
    EXPECT_FALSE(r.ctl().PinLevel(sim::Pin::Reset));
    EXPECT_EQ(r.host.beeps, 1);
    EXPECT_FALSE(r.lastDialog.endResult.has_value());
}

// The adapter pulled out while the motor runs: the pulses of a cut window
// are no speed; nothing measured stays on show, and the box says why.
TEST(RevCounter, AdapterPulledOutWhileMeasuring) {
    for (const bool inCountdown : {true, false}) {
        SCOPED_TRACE(inCountdown ? "countdown" : "measurement");
        Rig r;
        r.ctl().profile.motorPulseHz = 200;
        int windows = 0;
        r.host.onPump = [&] {
            if (r.Text(1248) == "sec. time left") {
                if (inCountdown) r.ctl().faults.serialVanishesAfterCalls = 0;
                return;
            }
            if (++windows == 1) r.ctl().faults.serialVanishesAfterCalls = 0;
        };
        r.Run({id::kRevReleaseMotor});
        EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"connection lost!"});
        for (int id : {1212, 1215, 1219, 1218})
            EXPECT_EQ(r.lastDialog.controls[id].text, " ") << id;
        EXPECT_TRUE(r.lastDialog.controls[id::kRevReleaseMotor].enabled);
    }
}

TEST(RevCounter, CountdownRunsOutWithoutPulses) {
    Rig r(Language::German);
    std::vector<std::string> seconds;
    std::vector<std::string> labels;
    r.host.onPump = [&] {
        // The release sequence's pauses come first.
        if (r.Text(1248).empty()) return;
        // Each second left once, as the window shows it between pumps.
        const std::string left = r.Text(1218);
        if (!left.empty() && (seconds.empty() || seconds.back() != left)) seconds.push_back(left);
        labels.push_back(r.Text(1248));
        // The motor is released while the countdown runs.
        EXPECT_TRUE(r.ctl().PinLevel(sim::Pin::Reset));
    };
    r.Run({id::kRevReleaseMotor});
    EXPECT_EQ(r.host.dialogsRun, (std::vector<int>{1245}));
    EXPECT_EQ(seconds, (std::vector<std::string>{"9", "8", "7", "6", "5", "4", "3", "2", "1"}));
    for (const std::string& l : labels) EXPECT_EQ(l, "Sek. Restzeit");
    EXPECT_EQ(r.lastDialog.controls[1218].text, " ");
    EXPECT_EQ(r.lastDialog.controls[1248].text, "Prop-Drehzahl,  U/min");
    for (int id : {1246, 1, 1221}) EXPECT_TRUE(r.lastDialog.controls[id].enabled) << id;
    EXPECT_FALSE(r.ctl().PinLevel(sim::Pin::Reset));
    EXPECT_EQ(r.host.beeps, 1);
}

TEST(RevCounter, ReleaseSequenceOnTheLines) {
    using L = LineFunction;
    Rig r;
    const int restarts = r.ctl().restarts;
    r.PlayDialog({id::kRevReleaseMotor}, {}, [&](FakeWindow&, int) { r.serial.recording = true; });
    RevCounterCommand(r.p, r.w);
    // Port set-up pulse; reset low, clock and data out high, reset high with
    // them (data out, high already, is not set again): the firmware
    // restarts with the motor released; after the countdown, reset low again.
    EXPECT_EQ(r.serial.lines, (std::vector<L>{L::SetDtr, L::ClrDtr, L::ClrBreak, L::SetRts,
                                              L::SetDtr, L::SetBreak, L::ClrBreak}));
    EXPECT_EQ(r.ctl().restarts, restarts + 1);
}

TEST(RevCounter, ClosingTheWindowStopsTheMeasurement) {
    // While the motor is released, during the countdown, between two
    // measurement windows.
    for (const std::string stopWhen : {"", "sec. time left", "Prop revs, rpm"}) {
        SCOPED_TRACE(stopWhen);
        Rig r;
        r.ctl().profile.motorPulseHz = 200;
        r.ctl().profile.motorSpinUpMs = 2500;
        bool stopped = false;
        int pumpsAfterStop = 0;
        r.host.onPump = [&] {
            if (stopped) {
                // The release sequence ends as it began; then nothing more.
                if (!r.Text(1248).empty()) ++pumpsAfterStop;
            } else if (r.Text(1248) == stopWhen) {
                stopped = true;
                (*r.openDialogProc)(*r.openDialog, DialogEvent::Command, id::kEnd);
            }
        };
        r.Run({id::kRevReleaseMotor});
        EXPECT_TRUE(stopped);
        EXPECT_EQ(pumpsAfterStop, 0);
        EXPECT_EQ(r.lastDialog.endResult, 1);
        EXPECT_FALSE(r.ctl().PinLevel(sim::Pin::Reset));
        for (int id : {1212, 1215, 1219, 1218})
            EXPECT_EQ(r.lastDialog.controls[id].text, " ") << id;
        EXPECT_EQ(r.lastDialog.controls[1248].text, "Prop revs, rpm");
        EXPECT_EQ(r.host.beeps, 0);
    }
}

TEST(RevCounter, RefusedWhereItCannotMeasure) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> setUp;
        std::vector<std::string> boxes;
        const char* caption = "Error!";
        Language lang = Language::English;
    };
    const auto uart = [](Rig& r) { r.ctl().profile.link = sim::LinkKind::Uart; };
    const Case cases[] = {
        {"uart", uart, {"Available only via Portix2"}},
        {"uart, German", uart, {"Nur \u00fcber Portix2 m\u00f6glich"}, "Error!", Language::German},
        {"test program free",
         [](Rig& r) { r.ctl().memory[13] = 0xFF; },
         {"only available, when test-pgm locked"}},
        {"test program free, other bits clear",
         [](Rig& r) { r.ctl().memory[13] = 0x02; },
         {"only available, when test-pgm locked"}},
        {"parallel port",
         [](Rig& r) {
             r.p.link.state.medium = Medium::Parallel;
             r.p.link.state.directPortIo = true;
             r.p.link.state.comDeviceName.clear();
         },
         // The link needs the serial port too; its text, as everywhere.
         {"Cannot open comport!"},
         "Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(c.lang);
        c.setUp(r);
        r.w.controls[id::kStatusLine].enabled = true;
        r.Run({});
        EXPECT_TRUE(r.host.dialogsRun.empty());
        EXPECT_EQ(r.BoxTexts(), c.boxes);
        for (const auto& b : r.host.boxes) {
            EXPECT_EQ(b.caption, c.caption);
            if (c.caption == std::string("Error!")) {
                EXPECT_EQ(b.owner, nullptr);
            }
        }
        if (!c.boxes.empty()) {
            EXPECT_EQ(r.w.controls[id::kStatusLine].text, " ");
            EXPECT_FALSE(r.w.controls[id::kStatusLine].enabled);
        }
    }
}

TEST(RevCounter, PortLostBeforeReleaseClosesTheDialog) {
    Rig r;
    r.PlayDialog({id::kRevReleaseMotor}, {}, [&](FakeWindow&, int) {
        r.p.link.state.comOpen = false;
        r.p.link.state.comDeviceName.clear();
    });
    RevCounterCommand(r.p, r.w);
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"adapter?"}));
    EXPECT_EQ(r.lastDialog.endResult, 1);
    EXPECT_EQ(r.host.pumps, 0);
}

TEST(RevCounter, RefusedPoleCountNeverReleasesTheMotor) {
    Rig r;
    // No file: the motor values were never loaded and are 0.
    std::filesystem::remove(r.dir->path() / "blsetup.cfg");
    std::filesystem::create_directory(r.dir->path() / "blsetup.cfg");
    const int restarts = r.ctl().restarts;
    r.Run({id::kRevReleaseMotor});
    EXPECT_EQ(r.BoxTexts(), (std::vector<std::string>{"open error 'blsetup.cfg'",
                                                      "Polzahl: Wert nicht zul\u00e4ssig!"}));
    EXPECT_EQ(r.ctl().restarts, restarts);
    EXPECT_EQ(r.host.pumps, 0);
    EXPECT_TRUE(r.lastDialog.controls[1246].enabled);
}

TEST(RevCounter, OpeningShowsTheMotorValues) {
    Rig r;
    r.Run({id::kOk});
    EXPECT_EQ(r.lastDialog.controls[id::kPoleCount].text, "14");
    EXPECT_EQ(r.lastDialog.controls[id::kGearRatio].text, "10.00");
    EXPECT_EQ(r.lastDialog.endResult, 1);
    EXPECT_EQ(r.p.locks.lockByte, 0xFD);
}

TEST(RevCounter, TemplateTextsInBothLanguages) {
    constexpr Text kRevs{"Revs", "Aktuelle Drehzahl"};
    constexpr Text kMotor{"Motor-Gearbox", "Motor-Getriebeeinheit"};
    const auto [t1247, t1245] = ExpectLabels(
        1247, 1245,
        {
            {1212, {"el.Freq. Motorphase, Hz", "el.Freq. Motorphase, Hz"}, kRevs},
            {1215, {"el. Freq. Motorphase, rpm", "el. Freq. Motorphase,  U/min "}, kRevs},
            {1219, {"Motor revs, rpm", "Motor-Drehzahl,  U/min"}, kRevs},
            {1218, {"Prop revs, rpm", "Prop-Drehzahl,  U/min"}, kRevs},
            {1176, {"number of poles", "Polzahl"}, kMotor},
            {1220, {"gearbox ratio 1:", "Getriebe-Untersetzung 1 :"}, kMotor},
            {1221, {"Save Input", "Werte \u00fcbernehmen"}, kMotor},
            {1246, {"Release Motor", "Motor-Freigabe"}, {"", ""}},
            {1, {"Done", "Ende"}, {"", ""}},
        });
    ASSERT_TRUE(t1247 != nullptr && t1245 != nullptr);
    // Only Done is the default button.
    for (const res::ControlDef& c : t1247->controls) {
        EXPECT_EQ((c.flags & res::kDefaultButton) != 0, c.id == 1) << c.id;
    }
}

TEST(RevCounter, TemplatesCarryTheControls) {
    for (const res::DialogTemplate* t :
         ExpectControlIds({1247, 1245}, {1212, 1215, 1219, 1218, 1176, 1220, 1221, 1246, 1})) {
        EXPECT_EQ(t->controls[3].labelId, 1248);
    }
}

}  // namespace
}  // namespace kvr
