// The lock functions dialog: reads and writes the controller's RC-setup and
// test-program locks.
#pragma once

#include "app/program.h"
#include "platform/host.h"
#include "platform/window.h"

namespace kvr {

// "Lock Funktions" (id::kLockFunctions): gate, port set-up, then the dialog.
void LockFunctionsCommand(Program& p, Window& mainWindow);

// The dialog's procedure: id::kOk and id::kEnd close it, id::kLockRead reads,
// id::kLockWrite writes.
int LockFunctionsDialog(Program& p, Window& dialog, DialogEvent event, int id);

// lockByte with bits 0 and 1 set from the two check boxes (ticked = locked
// = bit clear); bits 2 to 7 stay as they are.
int ApplyLockChoices(int lockByte, bool lockRcSetup, bool lockTestProgram);

}  // namespace kvr
