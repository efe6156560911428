// blsetup.cfg: a fixed-offset record that every writer updates field by
// field, so each field survives the writes of the others.
#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>

#include "app/program.h"
#include "app/status_sink.h"
#include "platform/reporter.h"

namespace kvr {

class SpeedView;

inline constexpr const char* kConfigFileName = "blsetup.cfg";
inline constexpr long kConfigPortOffset = 0;
inline constexpr long kConfigLineEndOffset = 30;
inline constexpr long kConfigUpdatePathOffset = 64;
inline constexpr long kConfigPoleCountOffset = 256;
inline constexpr long kConfigGearRatioOffset = 260;

// blsetup.cfg's port put in force (the file made where there is none).
// Returns the Port menu item of that port; none for a name that is no port.
std::optional<int> LoadPortSetting(Program& p);
// The same, with the item checked in the main window's menu.
void LoadPortSetting(Program& p, Window& mainWindow);
void SavePortSetting(Program& p);
// COMn in force and opened; a port that cannot be opened is said in a box
// owned by the status line's window.
void OpenComPort(Program& p, StatusSink& status, int n);
// The Port menu's COMn: the item checked, then OpenComPort.
void SelectSerialPort(Program& p, Window& mainWindow, int n);
// Done when the motor values were read and stored back; Failed after a
// message box (the file cannot be opened: the values are unchanged; it
// cannot be written: the values are the ones read).
Outcome LoadRpmSetup(Program& p);
// Done when the dialog's values were stored and are in force. After a
// message box, with the values in force unchanged: Refused for values no
// motor has, Failed for a file that did not take them (shown again then).
Outcome SaveRpmSetup(Program& p, SpeedView& fields);
Outcome SaveRpmSetup(Program& p, Window& dialog);

struct ConfigField {
    long offset;
    std::string_view bytes;
};
enum class ConfigWrite { Done, CannotOpen, Failed };
// Writes the fields into the existing file in the start directory, each at
// its offset; endAfterLast ends the file after the last one. Failed when any
// byte may not have reached the file.
ConfigWrite WriteConfigFields(Program& p, std::initializer_list<ConfigField> fields,
                              bool endAfterLast = false);

}  // namespace kvr
