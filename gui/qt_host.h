// The Qt front end's desktop: message boxes, dialogs from templates, file dialogs, viewer.
#pragma once

#include <QMessageBox>
#include <QObject>
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
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    void Beep() override;
    // No direct port instructions on this platform.
    PlatformFamily QueryPlatform() override { return PlatformFamily::Nt; }
    bool ShellOpen(const std::string& target) override;
    std::string ChooseOpenFile(const OpenFileRequest& request) override;
    std::string ChooseSaveFile(const SaveFileRequest& request) override;
    // Handles what is pending for the windows: painting, timers, the
    // desktop's and accessibility tools' requests. Mouse and keyboard input
    // that arrives meanwhile is dropped: a command runs.
    void PumpMessages() override;
    // The busy pointer; clicks change no tick meanwhile.
    void SetBusy(bool busy) override;
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override;
    void ErrorOutput(const std::string& line) override;

    // The first half of RunDialog: builds the dialog, wires it to the
    // procedure and runs the procedure's Init, but does not run the dialog.
    // nullptr for an unknown template.
    std::unique_ptr<QtWindow> OpenDialog(int templateId, Window* owner,
                                         const DialogProc& procedure);

    // The box MessageBox shows, not yet shown. An empty caption gives the
    // program's name, so the box is never named after its text alone.
    std::unique_ptr<QMessageBox> MakeMessageBox(Window* owner, const std::string& text,
                                                const std::string& caption,
                                                MessageButtons buttons) const;

    const BuildOptions& options() const { return options_; }
    bool busy() const { return busy_; }

  private:
    class InputFilter;

    BuildOptions options_;
    bool busy_ = false;
    bool pumping_ = false;
    std::unique_ptr<InputFilter> inputFilter_;
};

// The program's name, as message boxes without a caption show it.
QString ProgramName();

// The QWidget behind a window of this front end; nullptr for others.
QWidget* WidgetOf(Window* window);

}  // namespace kvr::gui
