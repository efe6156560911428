// The controller's parameter addresses, bits and version words, and the values commands share.
#pragma once

#include <string>

namespace kvr {

inline constexpr int kVersionNotRead = 50000;
inline constexpr int kVersionRefused = 65535;
// Valid version words lie in 0x6000..0x6FFF; anything above this has not
// been read or was refused.
inline constexpr int kVersionGateLimit = 40000;

inline constexpr int kSetupMarkerDone = 102;
inline constexpr int kVersionFamilyMask = 0xF000;
inline constexpr int kVersionFamily = 0x6000;

// Addresses of the controller's parameter memory. A 16-bit value has its
// high byte at the higher address, except the governor period.
enum ParamAddress : int {
    StopTimeLow = 4,
    StopTimeHigh = 5,
    NeutralTimeLow = 6,
    NeutralTimeHigh = 7,
    FullSpeedTimeLow = 8,
    FullSpeedTimeHigh = 9,
    OptionFlags = 10,
    RpmReserved = 11,  // read after the period; the value is not used
    SetupMarker = 12,
    LockFlags = 13,
    Acceleration = 14,
    OscCalibration = 15,
    PwmCode = 16,
    BrakeLevel = 17,
    TimingCode = 18,
    StartupPower = 19,
    OvertempMode = 20,
    BatteryCode = 21,
    LowVoltageMode = 22,
    LogTransmitterFailure = 23,
    LogOvertemperature = 24,
    LogUndervoltage = 25,
    RpmControlMode = 26,
    RpmPeriodHigh = 27,
    RpmPeriodLow = 28,
    ClockMhz = 30,
    FeatureFlags = 31,
    VersionHigh = 32,
    VersionLow = 33,
    LogExtra = 34,
    RequiredLevel = 35,
    LipoCells = 36,
    RpmProportional = 37,
    RpmIntegralCode = 38,
};

// Bits of OptionFlags.
inline constexpr int kOptFixedTiming = 0x01;
inline constexpr int kOptQuickStart = 0x02;
inline constexpr int kOptForwardReverse = 0x04;
inline constexpr int kOptRpmLimit = 0x08;
inline constexpr int kOptFreeWheeling = 0x10;
inline constexpr int kOptRpmControl = 0x20;
inline constexpr int kOptBrake = 0x40;
inline constexpr int kOptTurbo = 0x80;

// Bits of FeatureFlags.
inline constexpr int kFeatFreq156 = 0x01;
inline constexpr int kFeatLogExtra = 0x02;
inline constexpr int kFeatRpmControl = 0x04;
inline constexpr int kFeatForwardReverse = 0x08;
inline constexpr int kFeatFreeWheeling = 0x10;

// Values of OvertempMode, LowVoltageMode, BatteryCode and RpmControlMode.
inline constexpr int kOvertempOn = 3;
inline constexpr int kOvertempOff = 1;
inline constexpr int kLowVoltageIgnore = 1;
inline constexpr int kLowVoltageReduce = 2;
inline constexpr int kLowVoltageSwitchOff = 3;
inline constexpr int kBatteryNicd = 255;
inline constexpr int kBatteryLipo = 0;
inline constexpr int kRpmModeOn = 3;
inline constexpr int kRpmModeOff = 2;

// The controller values that several commands share; the settings
// themselves live in the main window's controls.
struct SettingsImage {
    int versionWord = kVersionNotRead;
    std::string versionText;
    int features = 0;
    int clockMhz = 0;
    int options = 0;
    int batteryCode = 0;
    int lipoCount = 0;
    // The switching-frequency code as last read; Write keeps it when the
    // radios do not name a code for this clock.
    int pwmCode = 0;
    // Reset cleared the log counters since the last Read; only then does
    // Write clear the fourth counter, which has no field of its own.
    bool logExtraCleared = false;
};

// Whether a Read has brought settings a command may build on.
inline bool SettingsWereRead(const SettingsImage& s) {
    return s.versionWord <= kVersionGateLimit;
}

}  // namespace kvr
