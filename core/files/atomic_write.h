// Files replaced whole, in one step.
#pragma once

#include <filesystem>
#include <string>

namespace kvr {

// Replaces the file at path with content in one step: a temporary file next
// to the target is written and renamed over it, so a crash or a full disk
// leaves either the old file or the new one. A symbolic link is written
// through to its target and kept; the new file keeps who may read the old
// one. False when the file could not be replaced (the old one unchanged).
bool WriteFileReplacing(const std::filesystem::path& path, const std::string& content);

}  // namespace kvr
