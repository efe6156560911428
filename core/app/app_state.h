// What the application shell keeps for the whole run: start folder, windows, status, port.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "res/program_version.h"

namespace kvr {

class Window;

// Program-wide values of the application shell.
struct AppState {
    std::filesystem::path startDirectory;
    Window* mainWindow = nullptr;
    Window* statusWindow = nullptr;  // where status texts go; null until a command sets it
    std::string statusText;
    std::string portName;  // "COM1".."COM8" or "0278", "0378", "03BC"
    int poleCount = 0;
    float gearRatio = 0.0f;
    // Raised while a governor that was in use or was just set up is switched
    // off; the exit commands then remind the user.
    bool rpmControlInactive = false;
    // A command of a window is running (CommandScope): others are refused,
    // and its pauses pump window messages.
    bool commandRunning = false;
    std::optional<std::uint32_t> lastPumpTick;  // none until the command's first pause
};

}  // namespace kvr
