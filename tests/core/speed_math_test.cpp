// The speed tools' arithmetic: periods, rotor speeds and pulses as speeds, usable motor values.
#include "speed/speed_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace kvr {
namespace {

void ExpectFigures(const SpeedFigures& s, int hz, int erpm, int motor, int rotor) {
    EXPECT_EQ(s.hz, hz);
    EXPECT_EQ(s.electricalRpm, erpm);
    EXPECT_EQ(s.motorRpm, motor);
    EXPECT_EQ(s.rotorRpm, rotor);
}

TEST(SpeedMath, StoredPeriodAsSpeeds) {
    struct Case {
        int period;
        int clockMhz;
        int poles;
        float ratio;
        int hz, erpm, motor, rotor;
    };
    const Case cases[] = {
        {537, 8, 14, 10.0f, 314, 18840, 2691, 269},
        // 333900 / 563 = 593.07 Hz: E keeps the fraction (35584), id::kSpeedHz shows 593.
        {537, 16, 14, 10.0f, 593, 35584, 5083, 508},
        {307, 16, 10, 8.0f, 1002, 60162, 12032, 1504},
        // The longest period at 8 MHz.
        {65535, 8, 2, 1.0f, 2, 120, 120, 120},
        // A pole count of 0 never divides.
        {537, 8, 0, 10.0f, 314, 18840, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        ExpectFigures(PeriodFigures(c.period, c.clockMhz, c.poles, c.ratio), c.hz, c.erpm, c.motor,
                      c.rotor);
    }
}

TEST(SpeedMath, RotorSpeedAsFrequency) {
    struct Case {
        int rotor;
        float ratio;
        int poles;
        int hz, erpm, motor;
    };
    const Case cases[] = {
        {1500, 8.0f, 10, 1000, 60000, 12000},
        {100, 1.0f, 2, 1, 100, 100},
        // 1/120 as a float lies just above 1/120, so exact multiples stay
        // whole instead of falling to the integer below.
        {1200, 1.0f, 12, 120, 7200, 1200},
        {200, 10.0f, 14, 233, 14000, 2000},
        // The motor speed is the exact product; M is rounded to a float.
        {3, 1.1f, 2, 0, 3, 3},
        {0, 8.0f, 10, 0, 0, 0},
        {-100, 8.0f, 10, -66, -4000, -800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotor);
        ExpectFigures(RotorSpeedFigures(c.rotor, c.ratio, c.poles), c.hz, c.erpm, c.motor, c.rotor);
    }
}

TEST(SpeedMath, HugeInputsSaturateInsteadOfOverflowing) {
    const SpeedFigures s = RotorSpeedFigures(99999999, 99999999.0f, 98);
    EXPECT_EQ(s.motorRpm, INT_MAX);
    EXPECT_EQ(s.hz, INT_MAX);
    EXPECT_EQ(TruncToInt(-1e30L), INT_MIN);
    EXPECT_EQ(TruncToInt(std::nanl("")), 0);
    EXPECT_EQ(TruncToInt(-2.9L), -2);
    EXPECT_EQ(PeriodFigures(537, 8, 14, 1e-30f).rotorRpm, INT_MAX / 7);
}

TEST(SpeedMath, PulsesAsSpeeds) {
    struct Case {
        int pulses;
        int poles;
        float ratio;
        int hz, erpm, motor, rotor;
    };
    const Case cases[] = {
        {400, 14, 10.0f, 200, 12000, 1714, 171},
        {1, 14, 10.0f, 0, 30, 4, 0},
        {2, 2, 1.0f, 1, 60, 60, 60},
        {400, 0, 10.0f, 200, 12000, 0, 0},
        {400, 14, 0.0f, 200, 12000, 1714, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pulses);
        ExpectFigures(PulseFigures(c.pulses, c.poles, c.ratio), c.hz, c.erpm, c.motor, c.rotor);
    }
}

TEST(SpeedMath, UsableMotorValues) {
    EXPECT_TRUE(PoleCountUsable(2));
    EXPECT_FALSE(PoleCountUsable(0));
    EXPECT_FALSE(PoleCountUsable(-2));
    EXPECT_TRUE(GearRatioUsable(0.5f));
    for (const float bad : {0.0f, -1.0f, INFINITY, NAN}) EXPECT_FALSE(GearRatioUsable(bad)) << bad;
}

}  // namespace
}  // namespace kvr
