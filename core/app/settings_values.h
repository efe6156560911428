// The main window's settings commands for a front end without the window, returning values.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/shown_settings.h"

namespace kvr {

class WindowRecord;

// The settings form of one run: Read, Load, Write and the settings files as
// the main window runs them, on a record of the form's controls that no one
// sees. Each returns the window command's outcome; messages are the host's
// boxes.
class SettingsValues {
  public:
    // Not copied: the program's status line may point at its form.
    explicit SettingsValues(Program& p);
    ~SettingsValues();

    Outcome Read();
    Outcome Load(const std::string& path);
    Outcome Write(WriteMode mode);
    // The form after a Read, into a settings file.
    Outcome Save(const std::string& path);
    // The form as "name = value" lines, in file order.
    Outcome List(std::vector<std::string>& lines);
    // "name: file VALUE, controller VALUE" for each setting that differs.
    Outcome Compare(const std::string& path, std::vector<std::string>& differences);
    // The form's values as the settings files take them.
    ShownSettings Shown();

  private:
    Program& p_;
    std::unique_ptr<WindowRecord> form_;
    // The last Read's values, until a Load changes the form.
    std::optional<ShownSettings> read_;
};

}  // namespace kvr
