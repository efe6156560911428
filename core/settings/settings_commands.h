#pragma once

#include "platform/window.h"
#include "program.h"

// The settings commands of the main window.
namespace kvr {

// "Read" (1149): connects, checks the controller and fills the settings
// controls.
void ReadSettings(Program& p, Window& mainWindow);

// "Write" (1150): validates the settings controls and stores them in the
// controller.
void WriteSettings(Program& p, Window& mainWindow);

// The controls 1138, 1139, 1168, 1170, 1171, 1175, 1183, 1232, 1233 and
// 1234. Returns false for any other id.
bool HandleSettingsControl(Program& p, Window& mainWindow, int id);

}  // namespace kvr
