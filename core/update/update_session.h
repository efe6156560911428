// The firmware update's state for the whole run: its files and how far the transfer is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kvr {

enum class UpdateFileKind { Text = 0, Scrambled = 1 };

struct UpdateFileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};
using UpdateFilePtr = std::unique_ptr<std::FILE, UpdateFileCloser>;

// Room of the fixed-size fields, terminator included.
inline constexpr std::size_t kUpdatePathSize = 260;
inline constexpr std::size_t kUpdateBaseNameSize = 108;
inline constexpr std::size_t kUpdateLineSize = 80;

// The firmware update's state; lives for the whole run.
struct UpdateSession {
    std::string path;
    std::string baseName;  // at most kUpdateBaseNameSize - 1 characters
    UpdateFileKind kind = UpdateFileKind::Text;
    std::uint32_t recordKey = 0;
    std::uint32_t expectedSum = 0;
    std::string line;  // at most kUpdateLineSize - 1 characters
    UpdateFilePtr input;
    UpdateFilePtr scratch;  // "temp.tmp", scrambled files only

    int recordTotal = 0;
    int recordsSent = 0;
    int currentPage = -1;
    bool pageOpen = false;
    std::uint32_t startTick = 0;
    // Set while the transfer runs and pumps window messages: the window's
    // commands must not reach the controller meanwhile.
    bool transferRunning = false;
};

}  // namespace kvr
