// Encodings between the controller's parameter bytes and the texts of the
// main window's fields.
#pragma once

#include <string>
#include <string_view>

namespace kvr {

// Fields are read with at most this many characters.
inline constexpr std::size_t kFieldChars = 9;

// A pulse time in units of 0.5 us shown in ms: "%1.2f".
std::string TimeToText(int value);

// A typed number: the first ',' becomes '.', then "%8f". Text that does not
// parse gives 0.
float ParseFieldNumber(std::string_view text);

// Milliseconds to pulse-time units, truncated; the product is formed in
// extended precision from the single-precision value, so typed 2.3 gives
// 4599. Saturates at the ends of the 16-bit range.
int MsToTime(float ms);

inline int HighByte(int value) {
    return (value >> 8) & 0xFF;
}
inline int LowByte(int value) {
    return value & 0xFF;
}

// Threshold code 1..254 as volts, "%1.1f" of ((code * 1000) div 95) * 0.01.
std::string ThresholdToText(int code);
// Volts accepted for a fixed threshold: above 5.5, at most 12.0.
bool ThresholdVoltsAccepted(float volts);
// volts * 9.5 rounded half up; only for accepted volts.
int VoltsToThreshold(float volts);

// The governor period T as whole Hz for the given clock.
int PeriodToFrequency(int period, int clockMhz);
// "%4d" of PeriodToFrequency.
std::string PeriodToText(int period, int clockMhz);
// Hz (1..2666) to the governor period, kept within 0..65535; a frequency
// below 1 gives the longest period.
int FrequencyToPeriod(int hz, int clockMhz);

// Acceleration, start-up power ("%3d") and counters ("%2d") as shown.
std::string SmallNumberText(int value, int width);
// "%3d" of the text; false when it does not parse.
bool ParseSmallNumber(std::string_view text, int& value);

// The timing list: index to code written, code read to index.
int TimingIndexToCode(int index);
int TimingCodeToIndex(int code);

// The brake list index that a stored BrakeLevel selects (out of range
// leaves the list without selection).
int BrakeLevelToIndex(int level);

// PwmCode for the checked radio and clock; -1 when no code applies.
int PwmCodeFor(bool freq78, bool freq156, int clockMhz);

// "V 61.23-1F" from the version and feature bytes; the feature part is
// left off when features < 0.
std::string VersionText(int versionHigh, int versionLow, int features);

}  // namespace kvr
