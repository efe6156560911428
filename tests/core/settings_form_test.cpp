// The settings form: its byte writes, and the one set of checks Write, Save and Load share.
#include "settings/settings_form.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/settings_commands.h"
#include "app/settings_file.h"
#include "app/settings_form_io.h"
#include "res/ids.h"
#include "sim_program.h"
#include "test_program.h"

namespace kvr {
namespace {

using namespace testing;

std::vector<std::pair<int, int>> Pairs(const std::vector<ByteWrite>& writes) {
    std::vector<std::pair<int, int>> pairs;
    for (const ByteWrite& w : writes) pairs.emplace_back(w.address, w.value);
    return pairs;
}

// A form Write takes: 2.0/1.5/1.0 ms, automatic timing, no brake, low
// voltage ignored, 7.8 kHz, counters cleared; a 16 MHz controller with a
// NiCd battery read.
struct FormCase {
    const char* name;
    std::function<void(SettingsForm&, SettingsImage&)> change;
    std::map<int, int> changed;  // address -> value that differs from the base
    std::size_t count = 20;
};

SettingsForm BaseForm() {
    SettingsForm f;
    f[Field::FullSpeed].text = "2.0";
    f[Field::Neutral].text = "1.5";
    f[Field::Stop].text = "1.0";
    f[Field::Acceleration].text = " 10";
    f[Field::StartupPower].text = "  5";
    f[Field::Brake].selected = 0;
    f[Field::Timing].selected = 5;
    f[Field::LowVoltage].radios = 1U << kLvChoiceIgnore;
    f[Field::Frequency].radios = 1U << kFreqChoice78;
    for (const Field c : {Field::LogTransmitter, Field::LogOvertemp, Field::LogUndervoltage}) {
        f[c].text = " 0";
    }
    return f;
}

SettingsImage BaseImage() {
    SettingsImage s;
    s.versionWord = 0x6123;
    s.clockMhz = 16;
    s.batteryCode = kBatteryNicd;
    return s;
}

const std::vector<std::pair<int, int>> kBaseWrites = {
    {FullSpeedTimeHigh, 0x0F},
    {FullSpeedTimeLow, 0xA0},
    {StopTimeHigh, 0x07},
    {StopTimeLow, 0xD0},
    {NeutralTimeHigh, 0x0B},
    {NeutralTimeLow, 0xB8},
    {TimingCode, 64},
    {OptionFlags, 0},
    {BrakeLevel, 0},
    {Acceleration, 10},
    {PwmCode, 10},
    {LowVoltageMode, kLowVoltageIgnore},
    {BatteryCode, 255},
    {LipoCells, 0},
    {OvertempMode, kOvertempOff},
    {StartupPower, 5},
    {RpmControlMode, kRpmModeOff},
    {LogTransmitterFailure, 0},
    {LogOvertemperature, 0},
    {LogUndervoltage, 0},
};

TEST(SettingsEncoding, FormToByteWrites) {
    const FormCase cases[] = {
        {"base", [](SettingsForm&, SettingsImage&) {}, {}},
        {"limits",
         [](SettingsForm& f, SettingsImage&) {
             f[Field::FullSpeed].text = "2.3";  // 4599: the product is truncated
             f[Field::Neutral].text = "1.9";
             f[Field::Stop].text = "0.8";
             f[Field::Acceleration].text = "50";
             f[Field::StartupPower].text = "1";
             f[Field::LogTransmitter].text = "255";
             f[Field::LogOvertemp].text = "255";
         },
         {{FullSpeedTimeHigh, 0x11},
          {FullSpeedTimeLow, 0xF7},
          {NeutralTimeHigh, 0x0E},
          {NeutralTimeLow, 0xD7},
          {StopTimeHigh, 0x06},
          {StopTimeLow, 0x40},
          {Acceleration, 50},
          {StartupPower, 1},
          {LogTransmitterFailure, 255},
          {LogOvertemperature, 255}}},
        {"every option; quick start kept from the controller",
         [](SettingsForm& f, SettingsImage& s) {
             s.options = kOptQuickStart | kOptRpmControl;
             f[Field::Timing].selected = 0;
             f[Field::Brake].selected = 3;
             for (const Field box : {Field::ForwardReverse, Field::RpmLimit, Field::FreeWheeling,
                                     Field::Turbo, Field::Overtemp}) {
                 f[box].checked = true;
             }
         },
         {{TimingCode, 1}, {OptionFlags, 0xDF}, {BrakeLevel, 3}, {OvertempMode, kOvertempOn}}},
        {"governor",
         [](SettingsForm& f, SettingsImage&) { f[Field::RpmControl].checked = true; },
         {{OptionFlags, kOptRpmControl}, {RpmControlMode, kRpmModeOn}}},
        {"LiPo with four cells",
         [](SettingsForm& f, SettingsImage&) {
             f[Field::LowVoltage].radios = 1U << kLvChoiceReduce;
             f[Field::Battery].radios = 1U << kBatteryChoiceLipo;
             f[Field::LipoCells].text = " 4";
         },
         {{LowVoltageMode, kLowVoltageReduce}, {BatteryCode, kBatteryLipo}, {LipoCells, 4}}},
        {"fixed threshold at its upper limit",
         [](SettingsForm& f, SettingsImage&) {
             f[Field::LowVoltage].radios = 1U << kLvChoiceSwitchOff;
             f[Field::Battery].radios = 1U << kBatteryChoiceFixed;
             f[Field::Threshold].text = "12,0";
         },
         {{LowVoltageMode, kLowVoltageSwitchOff}, {BatteryCode, 114}}},
        {"fixed threshold just above its lower limit",
         [](SettingsForm& f, SettingsImage&) {
             f[Field::LowVoltage].radios = 1U << kLvChoiceReduce;
             f[Field::Battery].radios = 1U << kBatteryChoiceFixed;
             f[Field::Threshold].text = "5.6";
         },
         {{LowVoltageMode, kLowVoltageReduce}, {BatteryCode, 53}}},
        {"ignored low voltage keeps the LiPo read with the count shown",
         [](SettingsForm& f, SettingsImage& s) {
             s.batteryCode = kBatteryLipo;
             s.lipoCount = 3;
             f[Field::LipoCells].text = " 2";
         },
         {{BatteryCode, kBatteryLipo}, {LipoCells, 2}}},
        {"7.8 kHz at 8 MHz",
         [](SettingsForm&, SettingsImage& s) { s.clockMhz = 8; },
         {{PwmCode, 9}}},
        {"no frequency radio keeps the code read",
         [](SettingsForm& f, SettingsImage& s) {
             f[Field::Frequency].radios = 0;
             s.pwmCode = 0x107;
         },
         {{PwmCode, 7}}},
        {"a counter is read as three characters",
         [](SettingsForm& f, SettingsImage&) { f[Field::LogUndervoltage].text = "12345"; },
         {{LogUndervoltage, 123}}},
        {"fourth counter only after Reset",
         [](SettingsForm&, SettingsImage& s) {
             s.features = kFeatLogExtra;
             s.logExtraCleared = true;
         },
         {},
         21},
        {"fourth counter kept without Reset",
         [](SettingsForm&, SettingsImage& s) { s.features = kFeatLogExtra; },
         {}},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsForm form = BaseForm();
        SettingsImage image = BaseImage();
        c.change(form, image);
        const CheckedSettings checked = CheckSettings(form, image);
        ASSERT_EQ(checked.refusal, Refusal::None);
        const std::vector<std::pair<int, int>> writes =
            Pairs(EncodeSettings(form, checked, image).writes);
        ASSERT_EQ(writes.size(), c.count);
        for (std::size_t i = 0; i < kBaseWrites.size(); ++i) {
            const auto [address, base] = kBaseWrites[i];
            const auto changed = c.changed.find(address);
            EXPECT_EQ(writes[i].first, address) << "write " << i;
            EXPECT_EQ(writes[i].second, changed == c.changed.end() ? base : changed->second)
                << "address " << address;
        }
        if (c.count > kBaseWrites.size()) {
            EXPECT_EQ(writes.back(), std::make_pair(static_cast<int>(LogExtra), 0));
        }
    }
}

// An edit of the main window: a text typed, or (no text) a radio or box
// clicked on.
struct Edit {
    int control;
    const char* text = nullptr;
};

void Apply(SimProgram& r, const std::vector<Edit>& edits) {
    for (const Edit& e : edits) {
        if (e.text != nullptr) {
            r.w.SetText(e.control, e.text);
        } else {
            // A radio's group has one button on, as in a real window.
            for (const Field group : {Field::LowVoltage, Field::Battery, Field::Frequency}) {
                const std::size_t n = FieldOf(group).choices.size();
                for (int i = 0; i < static_cast<int>(n); ++i) {
                    if (RadioOf(group, i) != e.control) continue;
                    for (int j = 0; j < static_cast<int>(n); ++j) {
                        r.w.SetCheck(RadioOf(group, j), false);
                    }
                }
            }
            r.w.SetCheck(e.control, true);
            HandleSettingsControl(r.p, r.w, e.control);
        }
    }
}

// Write, Save and Load share one set of checks: a form Write refuses is
// refused for the same reason after a file carried it to another
// controller, and one it takes gives the same bytes there.
TEST(SettingsValidation, WriteSaveAndLoadAgree) {
    const struct {
        const char* name;
        std::vector<Edit> edits;
        Refusal expected;
    } cases[] = {
        {"as read", {}, Refusal::None},
        {"full speed at its limit", {{id::kFullSpeedTime, "2.3"}}, Refusal::None},
        {"full speed above it", {{id::kFullSpeedTime, "2.31"}}, Refusal::FullSpeedRange},
        {"stop below its limit", {{id::kStopTime, "0.79"}}, Refusal::StopRange},
        {"neutral too near full speed", {{id::kNeutralTime, "1.9"}}, Refusal::NeutralFullSpeed},
        {"acceleration at 50", {{id::kAcceleration, "50"}}, Refusal::None},
        {"acceleration at 51", {{id::kAcceleration, "51"}}, Refusal::AccelerationRange},
        {"start-up power 0", {{id::kStartupPower, "0"}}, Refusal::StartupPowerRange},
        {"counter at 255", {{id::kLogTransmitter, "255"}}, Refusal::None},
        {"counter at 256", {{id::kLogOvertemp, "256"}}, Refusal::LogCounterRange},
        {"LiPo with five cells",
         {{id::kLvReducePower}, {id::kBatteryLipo}, {id::kLipoCells, "5"}},
         Refusal::LipoCountRange},
        {"fixed threshold at 12 V",
         {{id::kLvSwitchOff}, {id::kBatteryFix}, {id::kThresholdVolts, "12"}},
         Refusal::None},
        {"fixed threshold above 12 V",
         {{id::kLvSwitchOff}, {id::kBatteryFix}, {id::kThresholdVolts, "12.1"}},
         Refusal::ThresholdRange},
        {"governor with turbo", {{id::kRpmControl}, {id::kTurbo}}, Refusal::RpmNoTurbo},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        SimProgram a;
        ASSERT_EQ(a.Read(), Outcome::Done);
        Apply(a, c.edits);
        const CheckedSettings typed = CheckSettings(ReadForm(a.w), a.p.settings);
        EXPECT_EQ(typed.refusal, c.expected);
        EXPECT_EQ(WriteSettings(a.p, a.w, WriteMode::ValidateOnly) == Outcome::Done,
                  c.expected == Refusal::None);
        if (SaveSettingsFile(a.p, a.w, "s.json") != Outcome::Done) {
            // Only a value no file may hold keeps a form from being saved.
            EXPECT_NE(c.expected, Refusal::None);
            continue;
        }
        SimProgram b;
        ASSERT_EQ(b.Read(), Outcome::Done);
        ASSERT_EQ(LoadSettingsFile(b.p, b.w, "s.json"), Outcome::Done);
        const SettingsForm loadedForm = ReadForm(b.w);
        const CheckedSettings loaded = CheckSettings(loadedForm, b.p.settings);
        EXPECT_EQ(loaded.refusal, c.expected);
        EXPECT_EQ(WriteSettings(b.p, b.w, WriteMode::ValidateOnly) == Outcome::Done,
                  c.expected == Refusal::None);
        if (c.expected != Refusal::None) continue;
        EXPECT_EQ(Pairs(EncodeSettings(ReadForm(a.w), typed, a.p.settings).writes),
                  Pairs(EncodeSettings(loadedForm, loaded, b.p.settings).writes));
    }
}

}  // namespace
}  // namespace kvr
