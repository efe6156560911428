// The conversions between parameter bytes and field texts, and the scanf-like number readers.
#include <gtest/gtest.h>

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

struct IntCase {
    const char* text;
    int width;
    bool ok;
    int value;
};

TEST(NumberText, ScanIntFollowsWidthAndBlanks) {
    const IntCase cases[] = {
        {" 25", 3, true, 25},
        {"1234", 3, true, 123},
        {"-5", 3, true, -5},
        {"+7", 3, true, 7},
        {"", 3, false, 0},
        {"   ", 3, false, 0},
        {"x1", 3, false, 0},
        {"-", 3, false, 0},
        {"12x", 3, true, 12},
        {"  12345678", 8, true, 12345678},
        {"123456789", 8, true, 12345678},
        {"-1234567", 8, true, -1234567},
        {"\t9", 2, true, 9},
        {"+-042", 8, false, 0},  // one sign only
    };
    for (const IntCase& c : cases) {
        int value = -999;
        EXPECT_EQ(ScanInt(c.text, c.width, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        } else {
            // Nor does a settings file take the text for a number.
            EXPECT_FALSE(WholeInteger(c.text)) << c.text;
        }
    }
}

struct FloatCase {
    const char* text;
    bool ok;
    float value;
};

TEST(NumberText, ScanFloatFollowsWidthAndBlanks) {
    const FloatCase cases[] = {
        {"2.3", true, 2.3f},
        {"  1.5", true, 1.5f},
        {"-0.25", true, -0.25f},
        {".5", true, 0.5f},
        {"5.", true, 5.0f},
        {"1e2", true, 100.0f},
        {"2e", true, 2.0f},
        {"123456789", true, 12345678.0f},
        {"1.2345678", true, 1.234567f},
        {"", false, 0.0f},
        {".", false, 0.0f},
        {"nan", false, 0.0f},
        {"inf", false, 0.0f},
        {"1,5", true, 1.0f},
        {"1e99", true, 3.40282347e38f},
        {"+3", true, 3.0f},
        {"+-1,5", false, 0.0f},
    };
    for (const FloatCase& c : cases) {
        float value = -999.0f;
        EXPECT_EQ(ScanFloat(c.text, 8, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        } else {
            EXPECT_FALSE(WholeNumber(c.text)) << c.text;
        }
    }
}

}  // namespace
}  // namespace kvr
