// The update file as the user meets it: the file chooser and the boxes of the header test.
#pragma once

#include "app/program.h"

namespace kvr {

// 1 when a file was chosen (stored in update.path), 0 when the user cancelled.
int ChooseUpdateFile(Program& p);

// 0 when the scrambled file's checksum matches, 1 otherwise after its
// message box. Seeds recordKey and expectedSum.
int CheckUpdateHeader(Program& p);

}  // namespace kvr
