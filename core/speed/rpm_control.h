#pragma once

#include "platform/host.h"
#include "platform/window.h"
#include "program.h"

// The RPM-control dialog: sets the governor's top speed from the desired
// rotor speed, and its P and I values.
namespace kvr {

// "Set Up" (1210) of the main window.
void RpmControlCommand(Program& p, Window& mainWindow);

// The dialog's procedure: 1 and 2 close it; 1213 Read, 1214 Write, 1216
// Calculate, 1221 Save Input.
int RpmControlDialog(Program& p, Window& dialog, DialogEvent event, int id);

// Highest frequency Write accepts; the message names the rated 2500 Hz.
inline constexpr int kRpmMaxWriteHz = 2666;
// Lowest frequency a Calculate accepts.
inline constexpr int kRpmMinCalculatedHz = 166;

}  // namespace kvr
