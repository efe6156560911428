// The Win32 front end's desktop: message boxes, dialogs from templates, file dialog, shell.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "dialog_template.h"
#include "platform/host.h"
#include "win32_window.h"
#include "windows_api.h"

namespace kvr::win32 {

// Window properties of the dialogs this front end opens: the template id, so
// that tools and tests can find a dialog among a thread's windows.
inline constexpr wchar_t kTemplateProperty[] = L"kvrsetup.template";

// The desktop around the program, with the Win32 calls: message boxes,
// modal dialogs from the templates, the common file dialog, the shell.
class Win32Host : public Host {
  public:
    explicit Win32Host(BuildOptions options = {});

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    void Beep() override;
    PlatformFamily QueryPlatform() override;
    bool ShellOpen(const std::string& target) override;
    std::string ChooseOpenFile(const OpenFileRequest& request) override;
    std::string ChooseSaveFile(const SaveFileRequest& request) override;
    void PumpMessages() override;
    // The wait pointer over the program's windows while a command runs;
    // their keys and clicks wait until it has ended.
    void SetBusy(bool busy) override;
    bool busy() const { return busy_; }
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override;
    void ErrorOutput(const std::string& line) override;

    // Tests only: called with a file dialog once it is ready, so that a
    // test can fill in a name and press Open or Save as a person would.
    std::function<void(HWND fileDialog)> fileDialogHook;

  private:
    // What the common file dialog is opened with.
    struct FileDialog {
        std::string filterDescription;
        std::string filterPattern;
        std::string title;
        std::string defaultExtension;
        DWORD flags = 0;
        // Long enough for a path in the system's long form.
        std::size_t nameRoom = 32768;
    };

    bool busy_ = false;
    // The common file dialog, to open (true) or to save.
    std::string ChooseFile(bool open, const FileDialog& dialog);

    BuildOptions options_;
};

// The dialog window behind a window of this front end; nullptr for others.
HWND HwndOf(Window* window);

}  // namespace kvr::win32
