// The settings commands on an unseen record of the main window's form.
#include "app/settings_values.h"

#include "app/settings_file.h"
#include "app/status_line.h"
#include "platform/window_record.h"
#include "res/templates.h"

namespace kvr {

SettingsValues::SettingsValues(Program& p) : p_(p), form_(std::make_unique<WindowRecord>()) {
    // The controls as the main window opens them.
    for (const int control : res::DisabledControls(res::MainWindowTemplateId(p.lang))) {
        form_->Enable(control, false);
    }
    FillSettingsLists(p, *form_);
}

SettingsValues::~SettingsValues() {
    // The status line goes with the form.
    if (p_.app.statusWindow == form_.get()) p_.app.statusWindow = nullptr;
}

Outcome SettingsValues::Read() {
    return ReadSettings(p_, *form_);
}

Outcome SettingsValues::Load(const std::string& path) {
    return LoadSettingsFile(p_, *form_, path);
}

Outcome SettingsValues::Write(WriteMode mode) {
    WindowStatus status(*form_);
    return WriteSettings(p_, status, Shown().form, mode);
}

Outcome SettingsValues::Save(const std::string& path) {
    return SaveSettingsFile(p_, Shown(), path);
}

Outcome SettingsValues::List(std::vector<std::string>& lines) {
    return ListSettings(p_, Shown(), lines);
}

Outcome SettingsValues::Compare(const std::string& path, std::vector<std::string>& differences) {
    return CompareSettingsFile(p_, Shown(), path, differences);
}

ShownSettings SettingsValues::Shown() {
    ShownSettings shown = ShownSettingsOf(*form_);
    // The form is no one's window: boxes have no owner.
    shown.owner = nullptr;
    return shown;
}

}  // namespace kvr
