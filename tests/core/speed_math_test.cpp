// The speed tools' arithmetic: periods, rotor speeds and pulses as speeds, usable motor values.
#include "speed/speed_math.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>

namespace kvr {
namespace {

// Hz, electrical rpm, motor and rotor speed: one row of figures, each case
// on a line that names its inputs.
using Row = std::array<int, 4>;
Row Figures(const SpeedFigures& s) {
    return {s.hz, s.electricalRpm, s.motorRpm, s.rotorRpm};
}

// A stored period at a clock, with poles and a gear ratio.
TEST(SpeedMath, StoredPeriodAsSpeeds) {
    EXPECT_EQ(Figures(PeriodFigures(537, 8, 14, 10.0f)), (Row{314, 18840, 2691, 269}));
    // 333900 / 563 = 593.07 Hz: E keeps the fraction (35584), id::kSpeedHz shows 593.
    EXPECT_EQ(Figures(PeriodFigures(537, 16, 14, 10.0f)), (Row{593, 35584, 5083, 508}));
    EXPECT_EQ(Figures(PeriodFigures(307, 16, 10, 8.0f)), (Row{1002, 60162, 12032, 1504}));
    // The longest period at 8 MHz.
    EXPECT_EQ(Figures(PeriodFigures(65535, 8, 2, 1.0f)), (Row{2, 120, 120, 120}));
    // A pole count of 0 never divides.
    EXPECT_EQ(Figures(PeriodFigures(537, 8, 0, 10.0f)), (Row{314, 18840, 0, 0}));
}

// A rotor speed with a gear ratio and poles; the rotor speed stays.
TEST(SpeedMath, RotorSpeedAsFrequency) {
    EXPECT_EQ(Figures(RotorSpeedFigures(1500, 8.0f, 10)), (Row{1000, 60000, 12000, 1500}));
    EXPECT_EQ(Figures(RotorSpeedFigures(100, 1.0f, 2)), (Row{1, 100, 100, 100}));
    // 1/120 as a float lies just above 1/120, so exact multiples stay
    // whole instead of falling to the integer below.
    EXPECT_EQ(Figures(RotorSpeedFigures(1200, 1.0f, 12)), (Row{120, 7200, 1200, 1200}));
    EXPECT_EQ(Figures(RotorSpeedFigures(200, 10.0f, 14)), (Row{233, 14000, 2000, 200}));
    // The motor speed is the exact product; M is rounded to a float.
    EXPECT_EQ(Figures(RotorSpeedFigures(3, 1.1f, 2)), (Row{0, 3, 3, 3}));
    EXPECT_EQ(Figures(RotorSpeedFigures(0, 8.0f, 10)), (Row{0, 0, 0, 0}));
    EXPECT_EQ(Figures(RotorSpeedFigures(-100, 8.0f, 10)), (Row{-66, -4000, -800, -100}));
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

// Pulses in a measurement window, with poles and a gear ratio.
TEST(SpeedMath, PulsesAsSpeeds) {
    EXPECT_EQ(Figures(PulseFigures(400, 14, 10.0f)), (Row{200, 12000, 1714, 171}));
    EXPECT_EQ(Figures(PulseFigures(1, 14, 10.0f)), (Row{0, 30, 4, 0}));
    EXPECT_EQ(Figures(PulseFigures(2, 2, 1.0f)), (Row{1, 60, 60, 60}));
    EXPECT_EQ(Figures(PulseFigures(400, 0, 10.0f)), (Row{200, 12000, 0, 0}));
    EXPECT_EQ(Figures(PulseFigures(400, 14, 0.0f)), (Row{200, 12000, 1714, 0}));
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
