// The update file: the header test of the scrambled kind and the record
// reader that turns either kind into a text line. Choosing the file and
// telling the user what the test found are the app's.
#pragma once

#include <filesystem>
#include <optional>

#include "core_context.h"

namespace kvr {

// Opens path byte for byte for reading; null when it cannot be opened or is
// a folder.
UpdateFilePtr OpenUpdateFileForReading(const std::string& path);

enum class UpdateHeader {
    Sound,       // the scrambled file's checksum matches
    CannotOpen,  // the file could not be read (the update files are closed)
    WrongSum,    // the checksum does not match
};

// Tests path (its extension lowered to "upd" where that name exists). Seeds
// recordKey and expectedSum.
UpdateHeader TestUpdateHeader(CoreContext& p);

// 0 when line holds the next record, -1 at the end of the file. Reads the
// input stream opened by OpenUpdateInput, as the session's kind says.
int ReadUpdateRecord(CoreContext& p);

// Byte 4 of the file tells the kinds apart: ':' for text. A file too short to
// hold the first two words has no header and is taken as text. None when the
// file cannot be opened.
std::optional<UpdateFileKind> DetermineUpdateFileKind(CoreContext& p);

// Opens path as the input stream. The text reader translates CR LF itself,
// so both kinds open the file byte for byte. False when it cannot be opened.
bool OpenUpdateInput(CoreContext& p);

// Creates or empties "temp.tmp" in folder (the current directory when
// empty) for the scrambled reader. False when it cannot be opened.
bool OpenUpdateScratch(CoreContext& p, const std::filesystem::path& folder);

// Deletes "temp.tmp" in folder; false when it could not be deleted.
bool RemoveUpdateScratch(const std::filesystem::path& folder);

void CloseUpdateFiles(CoreContext& p);

}  // namespace kvr
