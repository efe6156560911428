// The page's desktop: dialogs as DOM, message boxes, files, all through site/page.js.
#pragma once

#include <functional>
#include <string>

#include "page_layout.h"
#include "platform/host.h"

namespace kvr::web {

// The desktop around the program, in the page: every dialog built from its
// template as DOM, message boxes as modal dialogs, files through the page's
// file input and downloads. The program runs as one task that awaits the
// page's events: a dialog waits for the next command of its own controls,
// and clicks that come while a command runs are dropped.
class WebHost : public Host {
  public:
    explicit WebHost(LayoutOptions options) : options_(std::move(options)) {}

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    void Beep() override;
    // No direct port instructions in a browser.
    PlatformFamily QueryPlatform() override { return PlatformFamily::Nt; }
    bool ShellOpen(const std::string& target) override;
    // The file the user picks is copied into the program's file system,
    // under its own name in the current folder.
    std::string ChooseOpenFile(const OpenFileRequest& request) override;
    // The name the user gives; once the command has written the file, the
    // page hands it to the browser as a download.
    std::string ChooseSaveFile(const SaveFileRequest& request) override;
    // Lets the page run: paint, and drop the clicks that came meanwhile.
    void PumpMessages() override;
    void SetBusy(bool busy) override;
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override;
    void ErrorOutput(const std::string& line) override;

  private:
    // After each command: the files the page keeps or hands out.
    void AfterCommand();

    LayoutOptions options_;
    std::string pendingDownload_;
};

}  // namespace kvr::web
