// The conversions between parameter bytes and field texts, and the scanf-like number readers.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/conversions.h"
#include "settings/number_text.h"
#include "settings/settings_text.h"

namespace kvr {
namespace {

struct TimeCase {
    const char* typed;
    int stored;
};

TEST(SettingsConversions, TypedTimeIsTruncatedFromSinglePrecision) {
    const TimeCase cases[] = {
        {"2.3", 4599},  // 2.3f lies just below 2.3
        {"1,5", 3000},  // decimal comma
        {"1.6", 3200}, {"2.0", 4000},   {"1.43", 2859}, {"1.4", 2799},
        {"0.8", 1600}, {" 1.8", 3599},  {"1,8", 3599},  {"", 0},
        {"abc", 0},    {"1.5ms", 3000}, {"-1", 0},      {"1.234567891", 2469},
    };
    for (const TimeCase& c : cases) {
        EXPECT_EQ(MsToTime(ParseFieldNumber(c.typed)), c.stored) << c.typed;
    }
}

TEST(SettingsConversions, StoredTimeShowsAsMilliseconds) {
    const std::pair<int, const char*> cases[] = {
        {4599, "2.30"}, {3000, "1.50"}, {0, "0.00"}, {2859, "1.43"}, {65535, "32.77"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(TimeToText(value), text) << value;
}

TEST(SettingsConversions, TimeBytes) {
    EXPECT_EQ(HighByte(4599), 0x11);
    EXPECT_EQ(LowByte(4599), 0xF7);
}

TEST(SettingsConversions, ThresholdBothWays) {
    EXPECT_EQ(ThresholdToText(53), "5.6");
    EXPECT_EQ(ThresholdToText(76), "8.0");
    EXPECT_EQ(ThresholdToText(114), "12.0");
    const std::pair<const char*, int> typed[] = {
        {"5.6", 53}, {"12", 114}, {"5.51", 52}, {"8,0", 76}, {"8.4", 80}};
    for (const auto& [text, code] : typed) {
        const float volts = ParseFieldNumber(text);
        EXPECT_TRUE(ThresholdVoltsAccepted(volts)) << text;
        EXPECT_EQ(VoltsToThreshold(volts), code) << text;
    }
    for (const char* refused : {"5.5", "12.01", "0", "", "x"}) {
        EXPECT_FALSE(ThresholdVoltsAccepted(ParseFieldNumber(refused))) << refused;
    }
}

TEST(SettingsConversions, PeriodAndFrequency) {
    EXPECT_EQ(PeriodToText(537, 16), " 593");
    EXPECT_EQ(PeriodToText(537, 8), " 314");
    EXPECT_EQ(PeriodToFrequency(0, 8), 174666 / 19);
    EXPECT_EQ(PeriodToText(65535, 16), "   5");
    EXPECT_EQ(FrequencyToPeriod(314, 8), 174666 / 314 - 19);
    EXPECT_EQ(FrequencyToPeriod(593, 16), 333900 / 593 - 26);
    EXPECT_EQ(FrequencyToPeriod(0, 16), 65535);  // no division by zero
    EXPECT_EQ(FrequencyToPeriod(100000, 8), 0);  // never below zero
}

TEST(SettingsConversions, ListsAndCodes) {
    const int codes[] = {1, 2, 4, 8, 16, 64};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(TimingIndexToCode(i), codes[i]);
        EXPECT_EQ(TimingCodeToIndex(codes[i]), i);
    }
    EXPECT_EQ(TimingIndexToCode(-1), -1);
    EXPECT_EQ(TimingIndexToCode(6), -1);
    for (const int other : {0, 32, 3, 255}) EXPECT_EQ(TimingCodeToIndex(other), 1);
    EXPECT_EQ(BrakeLevelToIndex(4), 0);
    EXPECT_EQ(BrakeLevelToIndex(2), 2);
    EXPECT_EQ(BrakeLevelToIndex(5), 5);
    EXPECT_EQ(PwmCodeFor(true, false, 8), 9);
    EXPECT_EQ(PwmCodeFor(true, false, 16), 10);
    EXPECT_EQ(PwmCodeFor(false, true, 16), 9);
    EXPECT_EQ(PwmCodeFor(false, true, 8), -1);
    EXPECT_EQ(PwmCodeFor(false, false, 16), -1);
    EXPECT_EQ(PwmCodeFor(true, false, 12), -1);
    EXPECT_EQ(VersionText(0x61, 0x23, 0x1F), "V 61.23-1F");
    EXPECT_EQ(VersionText(0x6A, 0x05, 0x00), "V 6A.05-00");
    EXPECT_EQ(SmallNumberText(7, 3), "  7");
    EXPECT_EQ(SmallNumberText(7, 2), " 7");
}

// What the readers take from a text, or none; a text they refuse is no
// number for a settings file either.
std::optional<int> Int(const char* text, int width) {
    int value = -999;
    if (ScanInt(text, width, value)) return value;
    EXPECT_FALSE(WholeInteger(text)) << text;
    return std::nullopt;
}
std::optional<float> Float(const char* text) {
    float value = -999.0f;
    if (ScanFloat(text, 8, value)) return value;
    EXPECT_FALSE(WholeNumber(text)) << text;
    return std::nullopt;
}

TEST(NumberText, ScanIntFollowsWidthAndBlanks) {
    EXPECT_EQ(Int(" 25", 3), 25);
    EXPECT_EQ(Int("1234", 3), 123);
    EXPECT_EQ(Int("-5", 3), -5);
    EXPECT_EQ(Int("+7", 3), 7);
    EXPECT_EQ(Int("", 3), std::nullopt);
    EXPECT_EQ(Int("   ", 3), std::nullopt);
    EXPECT_EQ(Int("x1", 3), std::nullopt);
    EXPECT_EQ(Int("-", 3), std::nullopt);
    EXPECT_EQ(Int("12x", 3), 12);
    EXPECT_EQ(Int("  12345678", 8), 12345678);
    EXPECT_EQ(Int("123456789", 8), 12345678);
    EXPECT_EQ(Int("-1234567", 8), -1234567);
    EXPECT_EQ(Int("\t9", 2), 9);
    EXPECT_EQ(Int("+-042", 8), std::nullopt);  // one sign only
}

TEST(NumberText, ScanFloatFollowsWidthAndBlanks) {
    EXPECT_EQ(Float("2.3"), 2.3f);
    EXPECT_EQ(Float("  1.5"), 1.5f);
    EXPECT_EQ(Float("-0.25"), -0.25f);
    EXPECT_EQ(Float(".5"), 0.5f);
    EXPECT_EQ(Float("5."), 5.0f);
    EXPECT_EQ(Float("1e2"), 100.0f);
    EXPECT_EQ(Float("2e"), 2.0f);
    EXPECT_EQ(Float("123456789"), 12345678.0f);
    EXPECT_EQ(Float("1.2345678"), 1.234567f);
    EXPECT_EQ(Float(""), std::nullopt);
    EXPECT_EQ(Float("."), std::nullopt);
    EXPECT_EQ(Float("nan"), std::nullopt);
    EXPECT_EQ(Float("inf"), std::nullopt);
    EXPECT_EQ(Float("1,5"), 1.0f);
    EXPECT_EQ(Float("1e99"), 3.40282347e38f);
    EXPECT_EQ(Float("+3"), 3.0f);
    EXPECT_EQ(Float("+-1,5"), std::nullopt);
}

}  // namespace
}  // namespace kvr
