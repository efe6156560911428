// The main window's settings commands as values, for a front end without the window.
#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "app/shown_settings.h"
#include "app/status_sink.h"

namespace kvr {

// The settings form of one run as values: Read, Load, Write and the
// settings files as the main window runs them, with the same boxes (the
// host's) and status texts (to `status`). Each returns the window
// command's outcome.
class SettingsValues {
  public:
    SettingsValues(Program& p, StatusSink& status) : p_(p), status_(status) {}

    Outcome Read();
    Outcome Load(const std::string& path);
    Outcome Write(WriteMode mode);
    // The form after a Read, into a settings file.
    Outcome Save(const std::string& path);
    // The form as "name = value" lines, in file order.
    Outcome List(std::vector<std::string>& lines);
    // "name: file VALUE, controller VALUE" for each setting that differs.
    Outcome Compare(const std::string& path, std::vector<std::string>& differences);
    // The form's values as the settings files take them: each text as long
    // as the window's field gives it back.
    ShownSettings Shown() const;

  private:
    Program& p_;
    StatusSink& status_;
    ShownSettings form_;
};

}  // namespace kvr
