// The update file's name: checked, cut after ".upd", and recorded in blsetup.cfg.
#pragma once

#include "app/program.h"

namespace kvr {

// True when the name can be used; false otherwise, with lastErrorText set
// when the name lacks ".upd" or blsetup.cfg cannot be opened (no message
// shown). Cuts path after ".upd", sets baseName and records the path in
// blsetup.cfg in the start directory.
bool CheckUpdateFileName(Program& p);

}  // namespace kvr
