// The command line's desktop and windows: boxes as lines, answers from flags, files named
// on the command line, and the reporter the commands read their results from.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_reporter.h"
#include "app/status_sink.h"
#include "platform/host.h"
#include "platform/window_record.h"
#include "res/language.h"

namespace kvr::cli {

// A window of the command line: the record of its controls, and a word to
// the command whenever a text changes.
class ConsoleWindow : public WindowRecord {
  public:
    void SetText(int id, const std::string& text) override {
        WindowRecord::SetText(id, text);
        if (onText) onText(id, text);
    }

    std::function<void(int id, const std::string& text)> onText;
};

// Gives a window of the command line the initial states of its template.
void ApplyTemplate(WindowRecord& window, int templateId);

// "caption: text" on one line: a trailing colon of the caption is not
// doubled, the text's line ends become " / ", an empty caption leaves the
// text alone.
std::string BoxLine(const std::string& caption, const std::string& text);

// The desktop of the command line: every message box is a line on the error
// output, a question is answered by a flag, the file dialogs return the
// file named on the command line, a dialog is played by the command.
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
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override;
    void ErrorOutput(const std::string& line) override { err_ << line << std::endl; }

    // Questions are answered OK; otherwise Cancel.
    bool yes = false;
    std::string openFile;
    std::string saveFile;
    std::function<void()> onPump;
    // Plays the user in a modal dialog after its Init; returns the dialog's
    // result. Without one the dialog closes at once.
    std::function<int(int templateId, ConsoleWindow& dialog, const DialogProc& procedure)>
        dialogScript;

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

// The window programs' reporter, with the typed events the commands read
// instead of the window's texts: how each dialog step ended, the update's
// progress, the speed measurement.
class ConsoleReporter : public AppReporter {
  public:
    explicit ConsoleReporter(Program& p) : AppReporter(p), p_(p) {}
    void Status(std::string_view text) override;
    void Progress(int percent) override;
    void CheckProgress(int percent) override;
    void StepEnded(int control, Outcome outcome) override { steps_.push_back({control, outcome}); }
    void Countdown(int secondsLeft) override;
    void Measured(const SpeedFigures& speed) override;

    // Presses the dialog's button and returns how its step ended: Refused
    // when the dialog did not take it.
    Outcome Press(Window& dialog, const DialogProc& procedure, int button);

    // The status texts as the status line would show them.
    std::function<void(const std::string& text)> onStatus;
    std::function<void(int percent)> onProgress;
    std::function<void(int secondsLeft)> onCountdown;
    std::function<void(const SpeedFigures& speed)> onMeasured;

  private:
    Program& p_;
    struct Step {
        int control;
        Outcome outcome;
    };
    std::vector<Step> steps_;
};

}  // namespace kvr::cli
