#pragma once

#include <memory>

#include "dialog_builder.h"
#include "platform/host.h"
#include "qt_window.h"

namespace kvr::gui {

// The desktop around the program, with Qt: message boxes, the dialogs built
// from the templates, the file dialog, the desktop's viewer.
class QtHost : public Host {
  public:
    explicit QtHost(BuildOptions options = {});

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    void Beep() override;
    // No direct port instructions on this platform.
    PlatformFamily QueryPlatform() override { return PlatformFamily::Nt; }
    bool ShellOpen(const std::string& target) override;
    std::string ChooseOpenFile(const OpenFileRequest& request) override;
    std::string ChooseSaveFile(const SaveFileRequest& request) override;
    void PumpMessages() override;
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override;
    void ErrorOutput(const std::string& line) override;

    // The first half of RunDialog: builds the dialog, wires it to the
    // procedure and runs the procedure's Init, but does not run the dialog.
    // nullptr for an unknown template.
    std::unique_ptr<QtWindow> OpenDialog(int templateId, Window* owner,
                                         const DialogProc& procedure);

    const BuildOptions& options() const { return options_; }

  private:
    BuildOptions options_;
};

// The QWidget behind a window of this front end; nullptr for others.
QWidget* WidgetOf(Window* window);

}  // namespace kvr::gui
