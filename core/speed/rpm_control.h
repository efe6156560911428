// The RPM-control dialog: sets the governor's top speed from the desired
// rotor speed, and its P and I values.
#pragma once

#include "app/program.h"
#include "platform/host.h"
#include "platform/window.h"

namespace kvr {

// "Set Up" (id::kRpmSetUp) of the main window.
void RpmControlCommand(Program& p, Window& mainWindow);

// The dialog's procedure: id::kOk and id::kEnd close it; id::kRpmRead Read,
// id::kRpmWrite Write, id::kRpmCalculate Calculate, id::kSaveInput Save Input.
int RpmControlDialog(Program& p, Window& dialog, DialogEvent event, int id);

// Highest frequency Write accepts; the message names the rated 2500 Hz.
inline constexpr int kRpmMaxWriteHz = 2666;
// Lowest frequency a Calculate accepts.
inline constexpr int kRpmMinCalculatedHz = 166;

}  // namespace kvr
