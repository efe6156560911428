// The lock functions as values: the locks read and written, and their names.
#pragma once

#include <string>

#include "app/program.h"
#include "app/status_sink.h"
#include "res/language.h"

namespace kvr {

enum class LockBox { RcSetup, TestProgram };

// The prelude of "Lock Funktions": settings read first, the port set up,
// with the status line saying so. Done when the dialog may open; otherwise
// after its message.
Outcome OpenLockFunctions(Program& p, StatusSink& status);

// "Read": the controller checked and its LockFlags read (ticked = locked).
// Done when read; Refused or Failed after the message.
struct LocksRead {
    Outcome outcome = Outcome::Failed;
    bool rcSetupLocked = false;
    bool testProgramLocked = false;
};
LocksRead ReadLocks(Program& p);

// "Write": the two locks as chosen, the other bits of the byte as read.
// Done when written; Failed after the message.
Outcome WriteLocks(Program& p, bool lockRcSetup, bool lockTestProgram);

// The label the lock functions' dialog shows for the lock, on one line.
std::string LockLabel(Language lang, LockBox box);

}  // namespace kvr
