// The speed tools' figures by name, for front ends that show them without the dialogs.
#pragma once

#include <string>

#include "res/language.h"

namespace kvr {

enum class SpeedTool { RevCounter, RpmControl };

// The figures the speed dialogs show, in their order.
enum class SpeedField { Hz, ElectricalRpm, MotorRpm, RotorRpm, Proportional, Integral };

// The label the tool's dialog shows for the field, on one line.
std::string SpeedFieldLabel(Language lang, SpeedTool tool, SpeedField field);

}  // namespace kvr
