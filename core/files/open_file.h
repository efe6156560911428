// Opening files by path on every platform, and only regular files where a reader wants one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kvr {

// fopen for a path of any characters: on Windows the narrow fopen would take
// the name in the ANSI code page, so a folder with an umlaut would not open.
// Narrow names given as std::string are UTF-8 throughout the program.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// A path from a UTF-8 name (on Windows a plain string would be read in the
// ANSI code page).
std::filesystem::path PathFromUtf8(std::string_view name);

// What a reader finds at a path. Only a regular file is ever opened: a pipe
// or a device would block the reader or never end, a folder holds nothing.
enum class FileCheck {
    Regular,
    Missing,
    Folder,
    NotAFile,    // a pipe, a device, a socket
    TooLarge,    // ReadRegularFile only
    Unreadable,  // there, but it cannot be opened or read
};

// What path names (links followed), before anything opens it.
FileCheck CheckRegularFile(const std::filesystem::path& path);

// OpenFile for a regular file only; null for anything else, with the reason
// in *check when given.
std::FILE* OpenRegularFile(const std::filesystem::path& path, const char* mode,
                           FileCheck* check = nullptr);

// The whole of a regular file of at most maxBytes into bytes.
FileCheck ReadRegularFile(const std::filesystem::path& path, std::uintmax_t maxBytes,
                          std::string& bytes);

// Creates path for writing only when no file of that name exists: null when
// the name is taken (or cannot be created), so nobody's file is overwritten.
std::FILE* CreateNewFile(const std::filesystem::path& path);

}  // namespace kvr
