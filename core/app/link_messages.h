// What the user is told when the link fails: the link records why, these
// say it, with the texts and captions the program has always used.
#pragma once

#include "app/program.h"
#include "link/verified_writes.h"

namespace kvr {

// Why ConnectLink found none, caption "ERROR" ("no KVR-Mega detected..." or
// the other model's text), or the port's own text (caption "Error"). A port
// that could not be opened or set up is said only when `port` is set, owned
// by the status window; a failed driver has been reported already.
void ShowConnectFailure(Program& p, bool port);
// ConnectLink for a command: every failure has its message. Done when
// connected; Failed after the message.
Outcome ConnectLinkChecked(Program& p);

// The one message for a link fault, caption "Error": "connection lost!" or
// "Read/write error!". A driver failure has been reported; nothing then.
void ShowLinkFault(Program& p, Window* owner);
// As WriteControllerByte, with the "writing error!" box on a mismatch (the
// lost-connection box when the device has gone). Done when written; Failed
// after the box.
Outcome WriteControllerByteChecked(Program& p, int address, int value);

// The one message for a run of writes that failed: "writing error!", the
// link's own ("connection lost!", "Read/write error!"), or why the
// controller could not be found again; none when written.
void ShowWriteFailure(Program& p, WriteOutcome outcome);

}  // namespace kvr
