// Governor period, rotor speed and pulse counts as the speed tools' figures.
#include "speed/speed_math.h"

#include <climits>
#include <cmath>

namespace kvr {

namespace {

// 1/120 as the 32-bit float the frequency is computed with (0x3C088889).
constexpr float kOneOver120 = 0.008333334f;

// One pulse per electrical revolution, counted for 2 s: pulses * 30 per min.
constexpr int kPulseWindowFactor = 30;

int DivideByPoles(long long twiceSpeed, int poleCount) {
    if (poleCount == 0) return 0;
    return TruncToInt(static_cast<long double>(twiceSpeed / poleCount));
}

int DivideByRatio(int speed, float gearRatio) {
    if (gearRatio == 0.0f) return 0;
    return TruncToInt(static_cast<long double>(speed) / static_cast<long double>(gearRatio));
}

}  // namespace

int TruncToInt(long double x) {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<long double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<long double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(x);
}

bool PoleCountUsable(int poleCount) {
    return poleCount > 0;
}

bool GearRatioUsable(float gearRatio) {
    return std::isfinite(gearRatio) && gearRatio > 0.0f;
}

SpeedFigures PeriodFigures(int period, int clockMhz, int poleCount, float gearRatio) {
    float f = 0.0f;
    if (clockMhz == 8) {
        f = static_cast<float>(174666 / (period + 19));
    } else {
        f = static_cast<float>(333900.0 / (period + 26.0));
    }
    const float e = f * 60.0f;
    SpeedFigures out;
    out.electricalRpm = TruncToInt(e);
    out.hz = out.electricalRpm / 60;
    out.motorRpm = DivideByPoles(2LL * out.electricalRpm, poleCount);
    const int r = DivideByRatio(out.electricalRpm, gearRatio);
    out.rotorRpm = DivideByPoles(2LL * r, poleCount);
    return out;
}

SpeedFigures RotorSpeedFigures(int rotorRpm, float gearRatio, int poleCount) {
    const long double exact = static_cast<long double>(rotorRpm) * gearRatio;
    const float m = static_cast<float>(exact);
    const long double poles = poleCount;
    SpeedFigures out;
    out.rotorRpm = rotorRpm;
    out.motorRpm = TruncToInt(exact);
    out.electricalRpm = TruncToInt(poles * m * 0.5L);
    out.hz = TruncToInt(poles * m * static_cast<long double>(kOneOver120));
    return out;
}

SpeedFigures PulseFigures(int pulses, int poleCount, float gearRatio) {
    SpeedFigures out;
    out.electricalRpm = TruncToInt(static_cast<long double>(pulses) * kPulseWindowFactor);
    out.hz = out.electricalRpm / 60;
    out.motorRpm = DivideByPoles(2LL * out.electricalRpm, poleCount);
    out.rotorRpm = DivideByRatio(out.motorRpm, gearRatio);
    return out;
}

}  // namespace kvr
