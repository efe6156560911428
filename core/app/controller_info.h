// The main window's command that shows the chip's signature, fuse and lock bytes.
#pragma once

#include <string>

#include "app/program.h"
#include "app/status_sink.h"

namespace kvr {

// What "Controller Info" read: `text` is what its box shows (also left in
// p.isp.ispStatusText), set when `outcome` is Done.
struct ChipInfo {
    Outcome outcome = Outcome::Failed;
    std::string text;
};

// The chip's signature, fuse and lock bytes read in programming mode, the
// status line ended. Failed when the command ended early, after its message.
ChipInfo ReadChipInfo(Program& p, StatusSink& status);

// "Controller Info": signature, fuse and lock bytes in one box (left in
// p.isp.ispStatusText). Done when the box shows the chip's bytes; Failed
// when the command ended early, after its message.
Outcome ControllerInfoCommand(Program& p, Window& mainWindow);

}  // namespace kvr
