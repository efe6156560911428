// The update file's name: checked, cut after ".upd", and recorded in blsetup.cfg.
#pragma once

#include "app/program.h"

namespace kvr {

// 0 on success; 1 on failure, with lastErrorText set when the name lacks
// ".upd" or blsetup.cfg cannot be opened. Cuts path after ".upd", sets
// baseName and records the path in blsetup.cfg in the start directory.
int CheckUpdateFileName(Program& p);

}  // namespace kvr
