// The arithmetic of the speed tools: governor period, rotor speed and
// pulse counts to the four speeds they show (SpeedFigures).
#pragma once

#include "platform/reporter.h"

namespace kvr {

// The integer part of x, held within the range of int (NaN gives 0), so no
// value typed or stored can make a conversion overflow.
int TruncToInt(long double x);

// Pole count and gear ratio that the speeds can be divided by.
bool PoleCountUsable(int poleCount);
bool GearRatioUsable(float gearRatio);

// A stored governor period T at the controller's clock.
SpeedFigures PeriodFigures(int period, int clockMhz, int poleCount, float gearRatio);

// Calculate: the desired rotor speed R gives the motor speed (from the exact
// product R * ratio), the electrical rpm and the frequency F (both from the
// product rounded to single precision, with 1/120 as a 32-bit float).
// rotorRpm stays R.
SpeedFigures RotorSpeedFigures(int rotorRpm, float gearRatio, int poleCount);

// The rev counter: falling edges counted in one 2-second window.
SpeedFigures PulseFigures(int pulses, int poleCount, float gearRatio);

}  // namespace kvr
