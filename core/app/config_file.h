#pragma once

#include "program.h"

// blsetup.cfg: a fixed-offset record that every writer updates field by
// field, so each field survives the writes of the others.
namespace kvr {

inline constexpr const char* kConfigFileName = "blsetup.cfg";
inline constexpr long kConfigPortOffset = 0;
inline constexpr long kConfigLineEndOffset = 30;
inline constexpr long kConfigUpdatePathOffset = 64;
inline constexpr long kConfigPoleCountOffset = 256;
inline constexpr long kConfigGearRatioOffset = 260;

void LoadPortSetting(Program& p, Window& mainWindow);
void SavePortSetting(Program& p);
void SelectSerialPort(Program& p, Window& mainWindow, int n);
void LoadRpmSetup(Program& p);
void SaveRpmSetup(Program& p, Window& dialog);

}  // namespace kvr
