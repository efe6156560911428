// The command line's desktop: boxes as lines, answers from flags, files named on the
// command line, its status line, and the reporter whose events it prints.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "app/app_reporter.h"
#include "app/status_sink.h"
#include "platform/host.h"
#include "res/language.h"

namespace kvr::cli {

// "caption: text" on one line: a trailing colon of the caption is not
// doubled, the text's line ends become " / ", an empty caption leaves the
// text alone.
std::string BoxLine(const std::string& caption, const std::string& text);

// The desktop of the command line: every message box is a line on the error
// output, a question is answered by a flag, the file dialogs return the
// file named on the command line. No dialog opens: the commands call the
// value parts instead.
class ConsoleHost : public Host {
  public:
    ConsoleHost(Language lang, std::ostream& err) : lang_(lang), err_(err) {}

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    void Beep() override {}
    PlatformFamily QueryPlatform() override { return PlatformFamily::Nt; }
    bool ShellOpen(const std::string&) override { return false; }
    std::string ChooseOpenFile(const OpenFileRequest&) override { return openFile; }
    std::string ChooseSaveFile(const SaveFileRequest&) override { return saveFile; }
    void PumpMessages() override {
        if (onPump) onPump();
    }
    int RunDialog(int, Window*, const DialogProc&) override { return 0; }
    void ErrorOutput(const std::string& line) override { err_ << line << std::endl; }

    // Questions are answered OK; otherwise Cancel.
    bool yes = false;
    std::string openFile;
    std::string saveFile;
    std::function<void()> onPump;

  private:
    Language lang_;
    std::ostream& err_;
};

// A command's status line on the command line: its texts to whoever wants
// them, no window to own the boxes.
class ConsoleStatus final : public StatusSink {
  public:
    void Show(const std::string& text) override {
        if (onText) onText(text);
    }
    void Enable(bool) override {}
    void Repaint() override {}
    Window* Owner() override { return nullptr; }

    std::function<void(const std::string& text)> onText;
};

// The window programs' reporter, with the typed events the commands print:
// the status texts, the update's progress, the speed measurement.
class ConsoleReporter : public AppReporter {
  public:
    explicit ConsoleReporter(Program& p) : AppReporter(p), p_(p) {}
    void Status(std::string_view text) override;
    void Progress(int percent) override;
    void CheckProgress(int percent) override;
    void Countdown(int secondsLeft) override;
    void Measured(const SpeedFigures& speed) override;

    // The status texts as the status line would show them.
    std::function<void(const std::string& text)> onStatus;
    std::function<void(int percent)> onProgress;
    std::function<void(int secondsLeft)> onCountdown;
    std::function<void(const SpeedFigures& speed)> onMeasured;

  private:
    Program& p_;
};

}  // namespace kvr::cli
