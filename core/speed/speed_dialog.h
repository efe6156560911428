// What the two speed dialogs share.
#pragma once

#include <string>

#include "app/program.h"
#include "platform/window.h"
#include "speed/speed_math.h"

namespace kvr {

// Pole count "%2d" into id::kPoleCount, gear ratio "%1.2f" into id::kGearRatio.
void ShowMotorValues(Program& p, Window& dialog);

// False, after telling the user, when the pole count or the gear ratio in
// memory cannot be divided by (a file that could never be read).
bool MotorValuesUsable(Program& p);

// Init of both dialogs: the motor values of blsetup.cfg on show.
int InitSpeedDialog(Program& p, Window& dialog);

// Save Input of both dialogs: the typed motor values in force and stored;
// Refused after the message that says why not.
Outcome SaveMotorValues(Program& p, Window& dialog);

// A number in the given printf format.
std::string FormatNumber(const char* format, int value);

// A message box without owner, OK button.
void ShowError(Program& p, const Text& text, const Text& caption);

}  // namespace kvr
