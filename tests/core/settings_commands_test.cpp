// Read and Write of the settings on the simulated controller: the form, the wire, the refusals.
#include "app/settings_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_window.h"
#include "res/ids.h"
#include "sim_program.h"
#include "simulation.h"

namespace kvr {
namespace {

using sim::LinkKind;
using testing::FakeWindow;

// The simulated controller, the program and its main window, on a
// controller with every setting given.
struct Rig : testing::SimProgram {
    explicit Rig(Language lang = Language::English, LinkKind link = LinkKind::BitSerial)
        : SimProgram(testing::SimOptions().In(lang).On(link)) {
        LoadGoodController();
    }

    // 16 MHz, version 61.23, all features, governor on, reduce power with a
    // fixed threshold of 8.4 V.
    void LoadGoodController() {
        Set(VersionHigh, 0x61);
        Set(VersionLow, 0x23);
        Set(FeatureFlags, 0x1F);
        Set(RequiredLevel, 37);
        Set(ClockMhz, 16);
        SetTime(FullSpeedTimeLow, 4000);
        SetTime(NeutralTimeLow, 3000);
        SetTime(StopTimeLow, 2000);
        Set(OptionFlags, 0x20 | 0x10 | 0x08 | 0x01);
        Set(TimingCode, 8);
        Set(PwmCode, 10);
        Set(BrakeLevel, 0);
        Set(RpmPeriodHigh, 2);
        Set(RpmPeriodLow, 25);
        Set(LowVoltageMode, 2);
        Set(BatteryCode, 80);
        Set(LipoCells, 3);
        Set(OvertempMode, 1);
        Set(Acceleration, 25);
        Set(StartupPower, 10);
        Set(LogTransmitterFailure, 1);
        Set(LogOvertemperature, 2);
        Set(LogUndervoltage, 3);
        Set(LogExtra, 4);
        Set(RpmProportional, 2);
        Set(RpmIntegralCode, 4);
    }

    void SetTime(int lowAddress, int value) {
        Set(lowAddress, value & 0xFF);
        Set(lowAddress + 1, value >> 8);
    }
    int Time(int lowAddress) const { return Get(lowAddress + 1) * 256 + Get(lowAddress); }

    // Addresses read and (address, value) written on the wire, in order.
    // The bit-serial link reads each byte twice to vouch for it: one read.
    std::vector<int> Reads(std::uint64_t fromNs = 0, std::uint64_t toNs = UINT64_MAX) const {
        std::vector<int> addresses;
        const auto events = controller.TraceOf('U');
        for (std::size_t i = 0; i < events.size(); ++i) {
            const auto& e = events[i];
            if (e.timeNs >= fromNs && e.timeNs < toNs) addresses.push_back(e.address);
            if (e.via == sim::Via::BitSerial && i + 1 < events.size() &&
                events[i + 1].address == e.address) {
                ++i;
            }
        }
        return addresses;
    }
    // Reads before the first write and after the last one.
    std::vector<int> ReadsBeforeWrites() const {
        const auto writes = controller.TraceOf('V');
        return Reads(0, writes.empty() ? UINT64_MAX : writes.front().timeNs);
    }
    std::vector<int> ReadsAfterWrites() const {
        const auto writes = controller.TraceOf('V');
        return writes.empty() ? std::vector<int>{} : Reads(writes.back().timeNs);
    }
    void ClearWire() { controller.trace.clear(); }

    std::string Text(int control) { return w.controls[control].text; }
    bool Checked(int control) { return w.controls[control].checked; }
    bool Enabled(int control) { return w.controls[control].enabled; }
};

// ---------------------------------------------------------------- Read

TEST(ReadSettings, GoodControllerFillsEveryControl) {
    Rig r;
    r.Read();

    const std::vector<int> order = {12, 15, 32, 33, 31, 35, 30, 9,  8,  7,  6,  5,  4,  10,
                                    18, 16, 17, 27, 28, 11, 22, 21, 20, 14, 19, 23, 24, 25};
    EXPECT_EQ(r.Reads(), order);
    EXPECT_TRUE(r.Writes().empty());
    EXPECT_TRUE(r.host.boxes.empty());

    EXPECT_EQ(r.p.settings.versionWord, 0x6123);
    EXPECT_EQ(r.p.settings.versionText, "V 61.23-1F");
    EXPECT_EQ(r.Text(id::kVersionText), "V 61.23-1F");
    EXPECT_EQ(r.p.settings.features, 0x1F);
    EXPECT_EQ(r.p.settings.clockMhz, 16);
    EXPECT_EQ(r.p.settings.options, 0x39);
    EXPECT_EQ(r.p.settings.batteryCode, 80);

    const std::vector<std::pair<int, std::string>> texts = {
        {id::kFullSpeedTime, "2.00"}, {id::kNeutralTime, "1.50"},   {id::kStopTime, "1.00"},
        {id::kMaxFrequency, " 593"},  {id::kThresholdVolts, "8.4"}, {id::kAcceleration, " 25"},
        {id::kStartupPower, " 10"},   {id::kLogTransmitter, " 1"},  {id::kLogOvertemp, " 2"},
        {id::kLogUndervoltage, " 3"}, {id::kStatusLine, "OK"}};
    for (const auto& [control, text] : texts) EXPECT_EQ(r.Text(control), text) << control;

    const std::vector<std::pair<int, bool>> checks = {
        {id::kFreq78, true},          {id::kFreq156, false},           {id::kFreeWheeling, true},
        {id::kForwardReverse, false}, {id::kRpmLimit, true},           {id::kTurbo, false},
        {id::kRpmControl, true},      {id::kLvIgnore, false},          {id::kLvReducePower, true},
        {id::kLvSwitchOff, false},    {id::kBatteryNicd, false},       {id::kBatteryLipo, false},
        {id::kBatteryFix, true},      {id::kOvertempProtection, false}};
    for (const auto& [control, checked] : checks) {
        EXPECT_EQ(r.Checked(control), checked) << control;
    }
    EXPECT_EQ(r.w.ComboGetSel(id::kTimingList), 3);
    EXPECT_EQ(r.w.ComboGetSel(id::kBrakeList), 0);

    const std::vector<std::pair<int, bool>> enabled = {
        {id::kFreq156, true},        {id::kFreeWheeling, true}, {id::kForwardReverse, true},
        {id::kRpmControl, true},     {id::kWrite, true},        {id::kStatusLine, false},
        {id::kThresholdVolts, true}, {id::kLipoCells, false},   {id::kBatteryNicd, true}};
    for (const auto& [control, on] : enabled) EXPECT_EQ(r.Enabled(control), on) << control;
    EXPECT_EQ(r.host.beeps, 1);
    EXPECT_EQ(r.p.app.statusWindow, &r.w);
}

TEST(ReadSettings, BothLinksGiveTheSameForm) {
    Rig bits;
    Rig uart(Language::English, LinkKind::Uart);
    bits.Read();
    uart.Read();
    EXPECT_FALSE(bits.p.link.state.uartLink);
    EXPECT_TRUE(uart.p.link.state.uartLink);
    EXPECT_EQ(uart.Reads(), bits.Reads());
    EXPECT_TRUE(uart.host.boxes.empty());
    for (const auto& [control, state] : bits.w.controls) {
        EXPECT_EQ(uart.Text(control), state.text) << control;
        EXPECT_EQ(uart.Checked(control), state.checked) << control;
        EXPECT_EQ(uart.Enabled(control), state.enabled) << control;
        EXPECT_EQ(uart.w.ComboGetSel(control), state.selection) << control;
    }
}

TEST(ReadSettings, NoFeaturesDisableTheirControlsButKeepChecks) {
    Rig r;
    r.Set(FeatureFlags, 0x00);
    r.Set(OptionFlags, 0x14);
    r.Read();
    EXPECT_EQ(r.Text(id::kVersionText), "V 61.23-00");
    for (const int control :
         {id::kFreq156, id::kFreeWheeling, id::kForwardReverse, id::kRpmControl}) {
        EXPECT_FALSE(r.Enabled(control)) << control;
    }
    EXPECT_TRUE(r.Checked(id::kFreeWheeling));
    EXPECT_TRUE(r.Checked(id::kForwardReverse));
    EXPECT_FALSE(r.Checked(id::kRpmControl));
}

TEST(ReadSettings, GovernorOffAndLipoChangeTheWireOrder) {
    Rig r;
    r.Set(OptionFlags, 0x00);
    r.Set(BatteryCode, 0);
    r.Read();
    const std::vector<int> order = {12, 15, 32, 33, 31, 35, 30, 9,  8,  7,  6,  5,  4,
                                    10, 18, 16, 17, 22, 21, 36, 20, 14, 19, 23, 24, 25};
    EXPECT_EQ(r.Reads(), order);
    EXPECT_EQ(r.Text(id::kMaxFrequency), "    ");
    EXPECT_FALSE(r.Enabled(id::kMaxFrequency));
    EXPECT_EQ(r.Text(id::kLipoCells), " 3");
    EXPECT_TRUE(r.Enabled(id::kLipoCells));
    EXPECT_FALSE(r.Enabled(id::kThresholdVolts));
    EXPECT_TRUE(r.Checked(id::kBatteryLipo));
    EXPECT_EQ(r.p.settings.lipoCount, 0);  // Read leaves the typed count alone
}

TEST(ReadSettings, IgnoreModeWithFixedThreshold) {
    Rig r;
    r.Set(LowVoltageMode, 1);
    r.Read();
    EXPECT_TRUE(r.Checked(id::kLvIgnore));
    for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
        EXPECT_FALSE(r.Enabled(radio)) << radio;
    }
    EXPECT_TRUE(r.Checked(id::kBatteryFix));
    EXPECT_EQ(r.Text(id::kThresholdVolts), "8.4");
    EXPECT_TRUE(r.Enabled(id::kThresholdVolts));
}

TEST(ReadSettings, NicdAndUnknownLowVoltageMode) {
    Rig r;
    r.Set(LowVoltageMode, 7);
    r.Set(BatteryCode, 255);
    r.w.SetText(id::kThresholdVolts, "9.9");
    r.Read();
    EXPECT_FALSE(r.Checked(id::kLvIgnore));
    EXPECT_FALSE(r.Checked(id::kLvReducePower));
    EXPECT_FALSE(r.Checked(id::kLvSwitchOff));
    EXPECT_TRUE(r.Checked(id::kBatteryNicd));
    EXPECT_EQ(r.Text(id::kThresholdVolts), "");
    EXPECT_FALSE(r.Enabled(id::kThresholdVolts));
    EXPECT_FALSE(r.Enabled(id::kLipoCells));
}

TEST(ReadSettings, CodesSelectListEntriesAndRadios) {
    struct Case {
        int clock, pwm, timing, brake, overtemp;
        bool freq78, freq156;
        int timingIndex, brakeIndex;
        bool overtempOn;
    };
    const Case cases[] = {
        {16, 10, 1, 1, 3, true, false, 0, 1, true},
        {16, 9, 64, 3, 2, false, true, 5, 3, false},
        {8, 9, 32, 4, 1, true, false, 1, 0, false},
        {8, 10, 0, 5, 3, false, false, 1, -1, true},
        {12, 9, 16, 255, 0, false, false, 4, -1, false},
    };
    for (const Case& c : cases) {
        Rig r;
        r.Set(ClockMhz, c.clock);
        r.Set(PwmCode, c.pwm);
        r.Set(TimingCode, c.timing);
        r.Set(BrakeLevel, c.brake);
        r.Set(OvertempMode, c.overtemp);
        r.Read();
        const std::string where = "clock " + std::to_string(c.clock) + " pwm " +
                                  std::to_string(c.pwm) + " timing " + std::to_string(c.timing);
        EXPECT_EQ(r.Checked(id::kFreq78), c.freq78) << where;
        EXPECT_EQ(r.Checked(id::kFreq156), c.freq156) << where;
        EXPECT_EQ(r.w.ComboGetSel(id::kTimingList), c.timingIndex) << where;
        EXPECT_EQ(r.w.ComboGetSel(id::kBrakeList), c.brakeIndex) << where;
        EXPECT_EQ(r.Checked(id::kOvertempProtection), c.overtempOn) << where;
    }
}

TEST(ReadSettings, PeriodAt8Mhz) {
    Rig r;
    r.Set(ClockMhz, 8);
    r.Read();
    EXPECT_EQ(r.Text(id::kMaxFrequency), " 314");
}

TEST(ReadSettings, RefusedControllers) {
    struct Case {
        const char* name;
        int marker, high, low, required;
        std::string text;
        int versionWord;
        std::vector<int> order;
    };
    const std::string setUp = "Available after setup with RC!";
    const std::string other = "PC-Program not suitable,\nPlease download the compatible software !";
    const std::string newer = "Please download the latest version of this software!";
    const std::vector<Case> cases = {
        {"not set up", 101, 0x61, 0x23, 37, setUp, kVersionNotRead, {12}},
        {"blank", 102, 0xFF, 0xFF, 37, setUp, kVersionRefused, {12, 15, 32, 33}},
        {"other family", 102, 0x3F, 0x23, 37, other, kVersionRefused, {12, 15, 32, 33}},
        {"newer firmware", 102, 0x61, 0x23, 38, newer, kVersionRefused, {12, 15, 32, 33, 31, 35}},
    };
    for (const Case& c : cases) {
        Rig r;
        r.w.SetText(id::kVersionText, "old");
        r.Set(SetupMarker, c.marker);
        r.Set(VersionHigh, c.high);
        r.Set(VersionLow, c.low);
        r.Set(RequiredLevel, c.required);
        r.Read();
        EXPECT_EQ(r.Reads(), c.order) << c.name;
        EXPECT_EQ(r.host.boxes, testing::OneBox(c.text, "Error", &r.w)) << c.name;
        EXPECT_EQ(r.p.link.lastErrorText, c.text) << c.name;
        EXPECT_EQ(r.p.settings.versionWord, c.versionWord) << c.name;
        EXPECT_FALSE(r.Enabled(id::kWrite)) << c.name;
        EXPECT_FALSE(r.Enabled(id::kStatusLine)) << c.name;
        EXPECT_EQ(r.host.beeps, 0) << c.name;
        if (c.order.size() < 6) {
            EXPECT_EQ(r.Text(id::kVersionText), "old") << c.name;
        }
    }
}

TEST(ReadSettings, GermanRefusalText) {
    Rig r(Language::German);
    r.Set(SetupMarker, 0);
    r.Read();
    EXPECT_EQ(r.host.BoxTexts(),
              std::vector<std::string>{"Erst nach Setup mit Fernsteuerung verf\u00fcgbar!"});
}

TEST(ReadSettings, LaterFailureKeepsAGoodRead) {
    Rig r;
    r.Read();
    r.Set(SetupMarker, 101);
    r.Read();
    EXPECT_EQ(r.p.settings.versionWord, 0x6123);
    EXPECT_TRUE(r.Enabled(id::kWrite));
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"Available after setup with RC!"});
}

TEST(ReadSettings, NoSerialPort) {
    Rig r;
    r.p.link.state.medium = Medium::Parallel;
    r.w.SetText(id::kFullSpeedTime, "2.00");
    r.Read();
    EXPECT_EQ(r.host.boxes, testing::OneBox("  PORT ?", "ERROR!"));
    EXPECT_EQ(r.Text(id::kFullSpeedTime), "");
    EXPECT_TRUE(r.Reads().empty());
}

TEST(ReadSettings, PortThatCannotBeOpened) {
    Rig r;
    r.p.link.state.comDeviceName = "COM9";
    r.Read();
    EXPECT_FALSE(r.p.link.lastErrorText.empty());
    EXPECT_EQ(r.host.boxes, testing::OneBox(r.p.link.lastErrorText, "Error", &r.w));
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    EXPECT_TRUE(r.Reads().empty());
}

// A reply that never came is no setting: the link's message, nothing shown.
TEST(ReadSettings, UnansweredReadIsAReadError) {
    // A first run counts the bytes up to the first read's address byte;
    // the second loses exactly that byte, so the reply never comes.
    Rig trial(Language::English, LinkKind::Uart);
    trial.Set(SetupMarker, 101);
    trial.Read();
    ASSERT_EQ(trial.Reads(), std::vector<int>{12});
    ASSERT_TRUE(trial.p.link.state.uartLink);

    Rig r(Language::English, LinkKind::Uart);
    r.controller.faults.dropReceivedByte = trial.controller.uartBytes - 1;
    r.Read();
    EXPECT_TRUE(r.Reads().empty());
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"Read/write error!"});
    EXPECT_EQ(r.p.settings.versionWord, kVersionNotRead);
    EXPECT_FALSE(r.Enabled(id::kWrite));
    EXPECT_EQ(r.Text(id::kStatusLine), "");
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
}

TEST(ReadSettings, NoLinkEndsQuietly) {
    Rig r;
    r.controller.profile.silent = true;
    r.Read();
    EXPECT_TRUE(r.Reads().empty());
    for (const auto& box : r.host.boxes) EXPECT_NE(box.text, "Available after setup with RC!");
    EXPECT_EQ(r.p.settings.versionWord, kVersionNotRead);
    EXPECT_FALSE(r.Enabled(id::kWrite));
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    EXPECT_EQ(r.Text(id::kStatusLine), "");
}

// ---------------------------------------------------------------- Write

// These bytes set, a Read that leaves the form valid, then a clean wire.
Rig& ReadForWrite(Rig& r, std::initializer_list<std::pair<int, int>> bytes = {}) {
    for (const auto& [address, value] : bytes) r.Set(address, value);
    r.Read();
    EXPECT_TRUE(r.host.boxes.empty());
    r.ClearWire();
    return r;
}

// A rig read that way, ready to write.
struct ReadRig : Rig {
    explicit ReadRig(std::initializer_list<std::pair<int, int>> bytes = {},
                     Language lang = Language::English)
        : Rig(lang) {
        ReadForWrite(*this, bytes);
    }
};

TEST(WriteSettings, WritesEveryByteInOrder) {
    ReadRig r({{OptionFlags, 0x22}});  // quick start bit from the dialog, governor on
    r.w.SetText(id::kFullSpeedTime, "2.3");
    r.w.SetText(id::kStopTime, "1,0");
    r.w.SetText(id::kNeutralTime, "1.5");
    r.w.ComboSetSel(id::kTimingList, 2);
    r.w.SetCheck(id::kRpmLimit, true);
    r.w.SetText(id::kAcceleration, "7");
    r.w.SetText(id::kStartupPower, "50");
    r.w.SetText(id::kLogTransmitter, "255");
    r.Write();

    EXPECT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
    // Governor parameters are sane: no defaults, only the guard reads; then
    // the bytes a shifted write could hit (its values as addresses) are kept.
    const std::vector<int> before = r.ReadsBeforeWrites();
    ASSERT_GE(before.size(), 4u);
    EXPECT_EQ(std::vector<int>(before.begin(), before.begin() + 4),
              (std::vector<int>{37, 38, 27, 28}));
    EXPECT_EQ(std::vector<int>(before.begin() + 4, before.end()),
              (std::vector<int>{0xF7, 0xD0, 11, 0xB8, 0x2B, 0, 2, 80, 1, 50, 3, 255}));
    const std::vector<std::pair<int, int>> writes = {
        {9, 0x11},      {8, 0xF7},        {5, 2000 >> 8}, {4, 2000 & 0xFF},
        {7, 3000 >> 8}, {6, 3000 & 0xFF}, {18, 4},        {10, 0x02 | 0x01 | 0x08 | 0x20},
        {17, 0},        {14, 7},          {16, 10},       {22, 2},
        {21, 80},       {36, 0},          {20, 1},        {19, 50},
        {26, 3},        {23, 255},        {24, 2},        {25, 3}};
    EXPECT_EQ(r.Writes(), writes);
    // Then every written byte is read back, and every kept one.
    std::vector<int> verified;
    for (const auto& [address, value] : writes) verified.push_back(address);
    for (int kept : {0, 1, 2, 3, 11, 0x2B, 50, 80, 0xB8, 0xD0, 0xF7, 255}) verified.push_back(kept);
    EXPECT_EQ(r.ReadsAfterWrites(), verified);
    EXPECT_EQ(r.Get(FullSpeedTimeHigh) * 256 + r.Get(FullSpeedTimeLow), 4599);
    EXPECT_EQ(r.p.settings.options, 0x2B);
    EXPECT_EQ(r.Text(id::kStatusLine), "OK");
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    EXPECT_EQ(r.host.beeps, 2);
    EXPECT_FALSE(r.p.app.rpmControlInactive);

    // A second Write without Read sends the same bytes again.
    r.ClearWire();
    r.Write();
    EXPECT_EQ(r.Writes(), writes);
}

TEST(WriteSettings, OptionsFollowTheControls) {
    ReadRig r({{OptionFlags, 0x00}, {FeatureFlags, 0x1D}});
    r.w.ComboSetSel(id::kTimingList, 5);
    r.w.ComboSetSel(id::kBrakeList, 3);
    r.w.SetCheck(id::kForwardReverse, true);
    r.w.SetCheck(id::kFreeWheeling, true);
    r.w.SetCheck(id::kTurbo, true);
    r.w.SetCheck(id::kOvertempProtection, true);
    r.Write();
    ASSERT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
    EXPECT_EQ(r.Get(TimingCode), 64);
    EXPECT_EQ(r.Get(OptionFlags), 0x04 | 0x10 | 0x40 | 0x80);
    EXPECT_EQ(r.Get(BrakeLevel), 3);
    EXPECT_EQ(r.Get(OvertempMode), 3);
    EXPECT_EQ(r.Get(RpmControlMode), 2);
    EXPECT_FALSE(r.p.app.rpmControlInactive);   // a governor never used: no reminder
    for (const int guard : {37, 38, 27, 28}) {  // no governor guard reads
        const auto reads = r.ReadsBeforeWrites();
        EXPECT_EQ(std::count(reads.begin(), reads.end(), guard), 0) << guard;
    }
}

TEST(WriteSettings, GovernorSwitchedOffRaisesTheExitReminder) {
    ReadRig r({{OptionFlags, 0x20}});
    r.w.SetCheck(id::kRpmControl, false);
    r.Write();
    ASSERT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
    EXPECT_EQ(r.Get(RpmControlMode), 2);
    EXPECT_TRUE(r.p.app.rpmControlInactive);

    // Still off at the next Write: the reminder stays; switched on: it goes.
    r.Write();
    EXPECT_TRUE(r.p.app.rpmControlInactive);
    r.w.SetCheck(id::kRpmControl, true);
    r.Write();
    ASSERT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
    EXPECT_EQ(r.Get(RpmControlMode), 3);
    EXPECT_FALSE(r.p.app.rpmControlInactive);
}

TEST(WriteSettings, BatteryChoices) {
    struct Case {
        int lvRadio, batteryRadio;
        const char* cells;
        const char* volts;
        int lowVoltage, battery, lipo;
    };
    const Case cases[] = {
        {id::kLvReducePower, id::kBatteryNicd, "", "", 2, 255, 0},
        {id::kLvSwitchOff, id::kBatteryLipo, " 3", "", 3, 0, 3},
        {id::kLvReducePower, id::kBatteryFix, "", "5.51", 2, 52, 0},
        {id::kLvReducePower, id::kBatteryFix, "", "12", 2, 114, 0},
        {id::kLvReducePower, id::kBatteryFix, "", "5,6", 2, 53, 0},
        {id::kLvIgnore, 0, "", "", 1, 255, 0},
    };
    for (const Case& c : cases) {
        ReadRig r({{OptionFlags, 0x01}});
        HandleSettingsControl(r.p, r.w, c.lvRadio);
        if (c.batteryRadio != 0) {
            for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
                r.w.SetCheck(radio, radio == c.batteryRadio);
            }
            HandleSettingsControl(r.p, r.w, c.batteryRadio);
        }
        r.w.SetText(id::kLipoCells, c.cells);
        r.w.SetText(id::kThresholdVolts, c.volts);
        r.Write();
        ASSERT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
        EXPECT_EQ(r.Get(LowVoltageMode), c.lowVoltage) << c.volts;
        EXPECT_EQ(r.Get(BatteryCode), c.battery) << c.volts;
        EXPECT_EQ(r.Get(LipoCells), c.lipo) << c.volts;
    }
}

TEST(WriteSettings, IgnoreWithLipoKeepsTheCellCountRead) {
    ReadRig r({{OptionFlags, 0x01}, {LowVoltageMode, 1}, {BatteryCode, 0}, {LipoCells, 3}});
    ASSERT_TRUE(r.w.IsChecked(id::kLvIgnore));
    ASSERT_EQ(r.w.GetText(id::kLipoCells, 9), " 3");
    r.Write();
    ASSERT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
    EXPECT_EQ(r.Get(LowVoltageMode), 1);
    EXPECT_EQ(r.Get(BatteryCode), 0);
    EXPECT_EQ(r.Get(LipoCells), 3);  // not the 0 of a count never typed
}

struct Refusal {
    const char* name;
    std::function<void(Rig&)> change;
    std::string text;
    const char* status;  // status text afterwards; nullptr: as before
    bool statusEnabled;
};

TEST(WriteSettings, RefusalsInOrderWriteNothing) {
    const auto text = [](int control, const char* t) {
        return [control, t](Rig& r) { r.w.SetText(control, t); };
    };
    const std::vector<Refusal> cases = {
        {"full 2.31", text(id::kFullSpeedTime, "2.31"), "full speed 1.6 - 2.3ms !", nullptr, true},
        {"full 1.59", text(id::kFullSpeedTime, "1.59"), "full speed 1.6 - 2.3ms !", nullptr, true},
        {"full empty", text(id::kFullSpeedTime, ""), "full speed 1.6 - 2.3ms !", nullptr, true},
        {"stop 0.79", text(id::kStopTime, "0.79"), "Stop 0.8 - 1.43ms !", nullptr, true},
        {"stop 1.44", text(id::kStopTime, "1.44"), "Stop 0.8 - 1.43ms !", nullptr, true},
        {"neutral near full", text(id::kNeutralTime, "1.76"), "neutral-full speed >= 0.25ms !",
         nullptr, true},
        {"neutral near stop", text(id::kNeutralTime, "1.06"), "neutral-stop >= 0.07ms !", nullptr,
         true},
        {"no low voltage mode", [](Rig& r) { r.w.SetCheck(id::kLvReducePower, false); },
         "low voltage protection ?", "", false},
        {"no battery", [](Rig& r) { r.w.SetCheck(id::kBatteryFix, false); }, "voltage threshold?",
         "busy", false},
        {"lipo without count",
         [](Rig& r) {
             r.w.SetCheck(id::kBatteryFix, false);
             r.w.SetCheck(id::kBatteryLipo, true);
         },
         "number of Lipolys 2 - 4!", "busy", false},
        {"five lipos",
         [](Rig& r) {
             r.w.SetCheck(id::kBatteryFix, false);
             r.w.SetCheck(id::kBatteryLipo, true);
             r.w.SetText(id::kLipoCells, "5");
         },
         "number of Lipolys 2 - 4!", "busy", false},
        {"threshold 5.5", text(id::kThresholdVolts, "5.5"), "Limit: 5.6V - 12V!", "", false},
        {"threshold 12.01", text(id::kThresholdVolts, "12.01"), "Limit: 5.6V - 12V!", "", false},
        {"15.6 kHz at 8 MHz",
         [](Rig& r) {
             r.p.settings.clockMhz = 8;
             r.w.SetCheck(id::kFreq78, false);
             r.w.SetCheck(id::kFreq156, true);
         },
         "Frequency at 8 MHz not possible!", "", false},
        {"acceleration 0", text(id::kAcceleration, "0"), "control speed (1 - 50)", "", false},
        {"acceleration 51", text(id::kAcceleration, "51"), "control speed (1 - 50)", "", false},
        {"acceleration empty", text(id::kAcceleration, ""), "control speed (1 - 50)", "", false},
        {"no timing", [](Rig& r) { r.w.ComboSetSel(id::kTimingList, -1); }, "Timing?", "", false},
        {"no brake", [](Rig& r) { r.w.ComboSetSel(id::kBrakeList, -1); }, "EMF brake?", "", false},
        {"start-up 0", text(id::kStartupPower, "0"), "start-up power 1 - 50!", "", false},
        {"start-up 51", text(id::kStartupPower, "51"), "start-up power 1 - 50!", "", false},
        {"counter 256", text(id::kLogOvertemp, "256"), "log counters 0 - 255!", "", false},
        {"counter empty", text(id::kLogUndervoltage, ""), "log counters 0 - 255!", "", false},
        {"counter negative", text(id::kLogTransmitter, "-1"), "log counters 0 - 255!", "", false},
    };
    for (const Refusal& c : cases) {
        ReadRig r({{OptionFlags, 0x01}});  // governor off
        r.w.SetText(id::kStatusLine, "busy");
        r.w.Enable(id::kStatusLine, true);
        c.change(r);
        r.Write();
        EXPECT_EQ(r.host.boxes, testing::OneBox(c.text, "Error!", &r.w)) << c.name;
        EXPECT_TRUE(r.Writes().empty()) << c.name;
        EXPECT_TRUE(r.Reads().empty()) << c.name;
        EXPECT_EQ(r.Text(id::kStatusLine), c.status ? c.status : "busy") << c.name;
        EXPECT_EQ(r.Enabled(id::kStatusLine), c.statusEnabled) << c.name;
    }
}

TEST(WriteSettings, AcceptedLimits) {
    struct Case {
        const char *full, *neutral, *stop;
        int fullTime, neutralTime, stopTime;
    };
    const Case cases[] = {
        {"2.0", "1.75", "1.0", 4000, 3500, 2000},
        {"2.0", "1.069", "1.0", 4000, 2138, 2000},
        {"1.6", "1.35", "0.8", 3200, 2700, 1600},
        {"1,8", "1,5", "1.43", 3599, 3000, 2859},
    };
    for (const Case& c : cases) {
        ReadRig r({{OptionFlags, 0x01}});
        r.w.SetText(id::kFullSpeedTime, c.full);
        r.w.SetText(id::kNeutralTime, c.neutral);
        r.w.SetText(id::kStopTime, c.stop);
        r.Write();
        EXPECT_TRUE(r.host.boxes.empty()) << c.full << " " << c.neutral << " " << c.stop;
        EXPECT_EQ(r.Time(FullSpeedTimeLow), c.fullTime) << c.full;
        EXPECT_EQ(r.Time(NeutralTimeLow), c.neutralTime) << c.neutral;
        EXPECT_EQ(r.Time(StopTimeLow), c.stopTime) << c.stop;
    }
}

TEST(WriteSettings, GovernorDefaultsThenRefusals) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> change;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"switch off",
         [](Rig& r) {
             r.w.SetCheck(id::kLvReducePower, false);
             r.w.SetCheck(id::kLvSwitchOff, true);
         },
         "RPM control: undervoltage cut off not possible!"},
        {"overtemp", [](Rig& r) { r.w.SetCheck(id::kOvertempProtection, true); },
         "RPM control: overtemperature cut off not possible!"},
        {"reverse", [](Rig& r) { r.w.SetCheck(id::kForwardReverse, true); },
         "RPM control: forward/reverse not possible!"},
        {"turbo", [](Rig& r) { r.w.SetCheck(id::kTurbo, true); },
         "RPM control: Turbo not possible!"},
        {"soft brake", [](Rig& r) { r.w.ComboSetSel(id::kBrakeList, 3); },
         "RPM control: Brake not possible!"},
        {"no brake", [](Rig& r) { r.w.ComboSetSel(id::kBrakeList, -1); },
         "RPM control: Brake not possible!"},
    };
    for (const Case& c : cases) {
        ReadRig r;
        r.Set(RpmProportional, 11);
        r.Set(RpmIntegralCode, 200);
        r.Set(RpmPeriodHigh, 255);
        r.Set(RpmPeriodLow, 255);
        r.w.SetText(id::kStatusLine, "busy");
        c.change(r);
        r.Write();
        EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{c.text}) << c.name;
        // Each guard read, and around each pair of defaults the bytes its
        // values would hit when shifted, kept and read back with the pair.
        EXPECT_EQ(r.Reads(), (std::vector<int>{37, 3, 37, 38, 3, 38, 27, 2, 25, 27, 28, 2, 25, 28}))
            << c.name;
        const std::vector<std::pair<int, int>> defaults = {{37, 3}, {38, 3}, {27, 2}, {28, 25}};
        EXPECT_EQ(r.Writes(), defaults) << c.name;
        EXPECT_EQ(r.Text(id::kStatusLine), "busy") << c.name;
    }
}

TEST(WriteSettings, GateBeforeRead) {
    Rig r;
    r.Write();
    EXPECT_EQ(r.host.boxes, testing::OneBox("Read values first!", "Error!"));
    EXPECT_TRUE(r.Writes().empty());
    EXPECT_EQ(r.p.app.statusWindow, &r.w);
}

TEST(WriteSettings, RefusedControllerClosesTheGate) {
    Rig r;
    r.Read();
    r.Set(RequiredLevel, 38);
    r.Read();
    r.ClearWire();
    r.host.boxes.clear();
    r.Write();
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"Read values first!"});
    EXPECT_TRUE(r.Writes().empty());
}

TEST(WriteSettings, WriteErrorStopsAndResetsStatus) {
    ReadRig r;
    r.controller.faults.wrongEchoOnWrite = true;
    r.controller.faults.wrongEchoAddress = BrakeLevel;
    r.Write();
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"writing error!"});
    // It stops at the refused byte; what was sent is then written again.
    ASSERT_GE(r.Writes().size(), 9u);
    EXPECT_EQ(r.Writes()[8].first, BrakeLevel);
    EXPECT_EQ(r.Writes()[9].first, FullSpeedTimeHigh);
    EXPECT_EQ(r.Text(id::kStatusLine), "");
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
    EXPECT_EQ(r.host.beeps, 1);  // only the Read's
}

TEST(WriteSettings, FailedDefaultWriteEndsTheCommand) {
    ReadRig r;
    r.Set(RpmProportional, 11);
    r.controller.faults.wrongEchoOnWrite = true;
    r.controller.faults.wrongEchoAddress = RpmProportional;
    r.w.SetText(id::kStatusLine, "busy");
    r.w.Enable(id::kStatusLine, true);
    EXPECT_EQ(r.Write(), Outcome::Failed);  // a failed write, not a refusal
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"writing error!"});
    EXPECT_EQ(r.Reads().front(), 37);
    // The refused byte is written once more after the link is checked; the
    // kept byte at address 3 is still intact.
    EXPECT_EQ(r.Writes(), (std::vector<std::pair<int, int>>{{37, 3}, {37, 3}}));
    EXPECT_EQ(r.Text(id::kStatusLine), "");
    EXPECT_FALSE(r.Enabled(id::kStatusLine));
}

TEST(WriteSettings, LostLinkWritesNothing) {
    ReadRig r({{OptionFlags, 0x01}});
    r.controller.profile.silent = true;
    r.Write();
    EXPECT_TRUE(r.Writes().empty());
    EXPECT_FALSE(r.host.boxes.empty());
    EXPECT_NE(r.Text(id::kStatusLine), "OK");
    EXPECT_EQ(r.host.beeps, 1);  // only the Read's
}

TEST(WriteSettings, PwmCodeWithoutMatchingRadioKeepsTheCodeRead) {
    ReadRig r({{ClockMhz, 8}, {PwmCode, 10}, {OptionFlags, 0x01}});
    EXPECT_FALSE(r.Checked(id::kFreq78));
    EXPECT_FALSE(r.Checked(id::kFreq156));
    r.Write();
    ASSERT_TRUE(r.host.boxes.empty()) << r.host.boxes[0].text;
    EXPECT_EQ(r.Get(PwmCode), 10);
    HandleSettingsControl(r.p, r.w, id::kFreq78);
    r.Write();
    EXPECT_EQ(r.Get(PwmCode), 9);
}

TEST(WriteSettings, FourthCounterOnlyAfterReset) {
    ReadRig r({{OptionFlags, 0x01}});
    r.Write();
    for (const auto& [address, value] : r.Writes()) EXPECT_NE(address, LogExtra);
    EXPECT_EQ(r.Get(LogExtra), 4);

    HandleSettingsControl(r.p, r.w, id::kLogReset);
    r.ClearWire();
    r.Write();
    const auto writes = r.Writes();
    ASSERT_GE(writes.size(), 4u);
    const std::vector<std::pair<int, int>> tail(writes.end() - 4, writes.end());
    EXPECT_EQ(tail, (std::vector<std::pair<int, int>>{{23, 0}, {24, 0}, {25, 0}, {34, 0}}));

    // Without the feature the fourth counter is never touched.
    Rig plain;
    ReadForWrite(plain, {{OptionFlags, 0x01}, {FeatureFlags, 0x1D}});
    HandleSettingsControl(plain.p, plain.w, id::kLogReset);
    plain.Write();
    for (const auto& [address, value] : plain.Writes()) EXPECT_NE(address, LogExtra);
}

TEST(WriteSettings, RefusedLipoCountIsNotKept) {
    ReadRig r({{OptionFlags, 0x01}});
    r.w.SetCheck(id::kBatteryFix, false);
    r.w.SetCheck(id::kBatteryLipo, true);
    r.w.SetText(id::kLipoCells, "3");
    r.Write();
    EXPECT_EQ(r.p.settings.lipoCount, 3);
    r.w.SetText(id::kLipoCells, "999");
    r.Write();
    EXPECT_EQ(r.p.settings.lipoCount, 3);
    HandleSettingsControl(r.p, r.w, id::kBatteryNicd);
    r.w.SetCheck(id::kBatteryLipo, false);
    r.w.SetCheck(id::kBatteryNicd, true);
    r.ClearWire();
    r.Write();
    EXPECT_EQ(r.Get(LipoCells), 3);
    EXPECT_EQ(r.Get(BatteryCode), 255);
}

TEST(WriteSettings, GermanTexts) {
    ReadRig r({{OptionFlags, 0x01}}, Language::German);
    r.w.SetText(id::kThresholdVolts, "13");
    r.Write();
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"Wert 'Wert 'Schwelle' 5.6V - 12V!"});
    r.host.boxes.clear();
    r.w.SetText(id::kThresholdVolts, "8");
    r.Write();
    EXPECT_TRUE(r.host.boxes.empty());
    EXPECT_EQ(r.Text(id::kStatusLine), "OK");
}

// ---------------------------------------------------------------- Controls

TEST(SettingsControls, FrequencyRadiosNeedReadSettings) {
    for (const int radio : {id::kFreq78, id::kFreq156}) {
        Rig r;
        r.w.SetCheck(radio == id::kFreq78 ? id::kFreq156 : id::kFreq78, true);
        EXPECT_TRUE(HandleSettingsControl(r.p, r.w, radio));
        EXPECT_FALSE(r.Checked(id::kFreq78));
        EXPECT_FALSE(r.Checked(id::kFreq156));
        EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"Read values first!"});
        EXPECT_EQ(r.host.boxes[0].owner, nullptr);

        r.host.boxes.clear();
        ReadForWrite(r);
        HandleSettingsControl(r.p, r.w, radio);
        EXPECT_EQ(r.Checked(id::kFreq78), radio == id::kFreq78);
        EXPECT_EQ(r.Checked(id::kFreq156), radio == id::kFreq156);
        EXPECT_TRUE(r.host.boxes.empty());
    }
}

TEST(SettingsControls, LowVoltageRadios) {
    ReadRig r;
    HandleSettingsControl(r.p, r.w, id::kLvIgnore);
    EXPECT_TRUE(r.Checked(id::kLvIgnore));
    EXPECT_FALSE(r.Checked(id::kLvReducePower));
    EXPECT_EQ(r.p.settings.batteryCode, 255);
    EXPECT_EQ(r.Text(id::kThresholdVolts), "");
    for (const int control : {id::kThresholdVolts, id::kLipoCells, id::kBatteryNicd,
                              id::kBatteryLipo, id::kBatteryFix}) {
        EXPECT_FALSE(r.Enabled(control)) << control;
        EXPECT_FALSE(r.Checked(control)) << control;
    }
    for (const int mode : {id::kLvReducePower, id::kLvSwitchOff}) {
        HandleSettingsControl(r.p, r.w, mode);
        EXPECT_TRUE(r.Checked(mode));
        EXPECT_FALSE(r.Checked(id::kLvIgnore));
        for (const int radio : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
            EXPECT_TRUE(r.Enabled(radio)) << radio;
        }
        EXPECT_FALSE(r.Enabled(id::kThresholdVolts));
        EXPECT_FALSE(r.Enabled(id::kLipoCells));
    }
    EXPECT_FALSE(r.Checked(id::kLvReducePower));
}

TEST(SettingsControls, BatteryRadiosEnableTheirField) {
    struct Case {
        int radio;
        bool cellsOn, voltsOn;
        const char *cells, *volts;
    };
    const Case cases[] = {{id::kBatteryNicd, false, false, "", ""},
                          {id::kBatteryLipo, true, false, "3", ""},
                          {id::kBatteryFix, false, true, "", "8.4"}};
    for (const Case& c : cases) {
        Rig r;
        r.w.SetText(id::kLipoCells, "3");
        r.w.SetText(id::kThresholdVolts, "8.4");
        HandleSettingsControl(r.p, r.w, c.radio);
        EXPECT_EQ(r.Enabled(id::kLipoCells), c.cellsOn) << c.radio;
        EXPECT_EQ(r.Enabled(id::kThresholdVolts), c.voltsOn) << c.radio;
        EXPECT_EQ(r.Text(id::kLipoCells), c.cells) << c.radio;
        EXPECT_EQ(r.Text(id::kThresholdVolts), c.volts) << c.radio;
    }
}

TEST(SettingsControls, GovernorClearsExcludedOptions) {
    for (const bool on : {true, false}) {
        Rig r;
        r.w.SetCheck(id::kRpmControl, on);
        for (const int control :
             {id::kForwardReverse, id::kOvertempProtection, id::kLvSwitchOff, id::kTurbo}) {
            r.w.SetCheck(control, true);
        }
        HandleSettingsControl(r.p, r.w, id::kRpmControl);
        for (const int cleared : {id::kForwardReverse, id::kOvertempProtection, id::kLvSwitchOff,
                                  id::kLvIgnore, id::kLvReducePower}) {
            EXPECT_FALSE(r.Checked(cleared)) << cleared;
        }
        EXPECT_TRUE(r.Checked(id::kTurbo));
        EXPECT_EQ(r.Checked(id::kRpmControl), on);
    }
}

TEST(SettingsControls, LogReset) {
    Rig r;
    r.w.SetText(id::kLogTransmitter, " 5");
    HandleSettingsControl(r.p, r.w, id::kLogReset);
    EXPECT_EQ(r.BoxTexts(), std::vector<std::string>{"Read values first!"});
    EXPECT_EQ(r.Text(id::kLogTransmitter), "");
    EXPECT_FALSE(r.p.settings.logExtraCleared);

    r.host.boxes.clear();
    ReadForWrite(r);
    HandleSettingsControl(r.p, r.w, id::kLogReset);
    EXPECT_TRUE(r.host.boxes.empty());
    for (const int field : {id::kLogTransmitter, id::kLogOvertemp, id::kLogUndervoltage}) {
        EXPECT_EQ(r.Text(field), " 0") << field;
    }
    EXPECT_TRUE(r.Writes().empty());
    EXPECT_FALSE(HandleSettingsControl(r.p, r.w, id::kRead));
}

}  // namespace
}  // namespace kvr
