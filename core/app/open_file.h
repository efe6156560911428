#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace kvr {

// fopen for a path of any characters: on Windows the narrow fopen would take
// the name in the ANSI code page, so a folder with an umlaut would not open.
// Narrow names given as std::string are UTF-8 throughout the program.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// A path from a UTF-8 name (on Windows a plain string would be read in the
// ANSI code page).
std::filesystem::path PathFromUtf8(std::string_view name);

}  // namespace kvr
