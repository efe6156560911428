// Parameter bytes to field texts and back: times, thresholds, governor period, lists, PWM.
#include "settings/conversions.h"

#include <cmath>
#include <cstdio>

#include "settings/number_text.h"

namespace kvr {
namespace {

std::string Format(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string FormatInt(const char* format, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

constexpr int kTimingCodes[] = {1, 2, 4, 8, 16, 64};
constexpr int kTimingDefaultIndex = 1;

}  // namespace

std::string TimeToText(int value) {
    return Format("%1.2f", value * 0.0005);
}

float ParseFieldNumber(std::string_view text) {
    std::string copy(text.substr(0, kFieldChars));
    const std::size_t comma = copy.find(',');
    if (comma != std::string::npos) copy[comma] = '.';
    float number = 0.0f;
    if (!ScanFloat(copy, 8, number)) return 0.0f;
    return number;
}

int MsToTime(float ms) {
    const long double product =
        static_cast<long double>(ms) * 5000.0L * static_cast<long double>(0.4);
    if (!(product > 0.0L)) return 0;
    if (product >= 65535.0L) return 65535;
    return static_cast<int>(product);
}

std::string ThresholdToText(int code) {
    const int q = (code * 1000) / 95;
    return Format("%1.1f", q * 0.01);
}

bool ThresholdVoltsAccepted(float volts) {
    return volts > 5.5f && volts <= 12.0f;
}

int VoltsToThreshold(float volts) {
    const long double x = static_cast<long double>(volts) * 9.5L;
    const long double whole = std::floor(x);
    int code = static_cast<int>(whole);
    if (x - whole >= 0.5L) ++code;
    return code;
}

int PeriodToFrequency(int period, int clockMhz) {
    int hz = 0;
    if (clockMhz == 8) {
        hz = 174666 / (period + 19);
    } else {
        hz = static_cast<int>(333900.0 / (period + 26));
    }
    return (hz * 60) / 60;
}

std::string PeriodToText(int period, int clockMhz) {
    return FormatInt("%4d", PeriodToFrequency(period, clockMhz));
}

int FrequencyToPeriod(int hz, int clockMhz) {
    if (hz < 1) return 65535;
    const int period = clockMhz == 8 ? 174666 / hz - 19 : 333900 / hz - 26;
    if (period < 0) return 0;
    if (period > 65535) return 65535;
    return period;
}

std::string SmallNumberText(int value, int width) {
    return FormatInt(width == 3 ? "%3d" : "%2d", value);
}

bool ParseSmallNumber(std::string_view text, int& value) {
    return ScanInt(text, 3, value);
}

int TimingIndexToCode(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kTimingCodes))) return -1;
    return kTimingCodes[index];
}

int TimingCodeToIndex(int code) {
    for (int i = 0; i < static_cast<int>(std::size(kTimingCodes)); ++i) {
        if (kTimingCodes[i] == code) return i;
    }
    return kTimingDefaultIndex;
}

int BrakeLevelToIndex(int level) {
    return level == 4 ? 0 : level;
}

int PwmCodeFor(bool freq78, bool freq156, int clockMhz) {
    if (freq78 && clockMhz == 8) return 9;
    if (freq78 && clockMhz == 16) return 10;
    if (freq156 && clockMhz == 16) return 9;
    return -1;
}

std::string VersionText(int versionHigh, int versionLow, int features) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "V %02X.%02X", versionHigh & 0xFF, versionLow & 0xFF);
    std::string text = buffer;
    if (features >= 0) {
        std::snprintf(buffer, sizeof buffer, "-%02X", features & 0xFF);
        text += buffer;
    }
    return text;
}

}  // namespace kvr
