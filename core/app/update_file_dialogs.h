// The update file as the user meets it: the file chooser and the boxes of the header test.
#pragma once

#include "app/program.h"

namespace kvr {

// True when a file was chosen (stored in update.path), false when the user
// cancelled.
bool ChooseUpdateFile(Program& p);

// Done when the scrambled file's checksum matches; Refused otherwise, after
// its message box. Seeds recordKey and expectedSum.
Outcome CheckUpdateHeader(Program& p);

}  // namespace kvr
