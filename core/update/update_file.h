// The update file: choosing it, its name, the header test of the scrambled
// kind and the record reader that turns either kind into a text line.
#pragma once

#include "program.h"

namespace kvr {

// Opens path byte for byte for reading; null when it cannot be opened or is
// a folder.
UpdateFilePtr OpenUpdateFileForReading(const std::string& path);

// 1 when a file was chosen (stored in path), 0 when the user cancelled.
int ChooseUpdateFile(Program& p);

// 0 when the scrambled file's checksum matches, 1 otherwise (after its own
// message box). Seeds recordKey and expectedSum.
int CheckUpdateHeader(Program& p);

// 0 when line holds the next record, -1 at the end of the file. Reads the
// input stream opened by OpenUpdateInput, as the session's kind says.
int ReadUpdateRecord(Program& p);

// Byte 4 of the file tells the kinds apart: ':' for text. A file too short to
// hold the first two words has no header and is taken as text. 0 on success,
// 1 when the file cannot be opened.
int DetermineUpdateFileKind(Program& p, UpdateFileKind& kind);

// Opens path as the input stream. The text reader translates CR LF itself,
// so both kinds open the file byte for byte. 0 on success.
int OpenUpdateInput(Program& p);

// Creates or empties "temp.tmp" in the current directory for the scrambled
// reader. 0 on success.
int OpenUpdateScratch(Program& p);

// Deletes "temp.tmp"; false when it could not be deleted.
bool RemoveUpdateScratch(Program& p);

void CloseUpdateFiles(Program& p);

}  // namespace kvr
