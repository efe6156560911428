// The command line's desktop: message boxes as lines, and the reporter's typed events.
#include "console_host.h"

#include "program.h"
#include "res/cli_texts.h"
#include "res/templates.h"

namespace kvr::cli {

void ApplyTemplate(WindowRecord& window, int templateId) {
    for (const int control : res::DisabledControls(templateId)) window.Enable(control, false);
}

std::string BoxLine(const std::string& caption, const std::string& text) {
    std::string head = caption;
    if (!head.empty() && head.back() == ':') head.pop_back();
    std::string body;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            if (!body.empty()) body += " / ";
            body.append(text, start, end - start);
        }
        start = end + 1;
    }
    return head.empty() ? body : head + ": " + body;
}

int ConsoleHost::MessageBox(Window*, const std::string& text, const std::string& caption,
                            MessageButtons buttons) {
    if (buttons == MessageButtons::OkCancel) {
        const int answer = yes ? kIdOk : kIdCancel;
        err_ << BoxLine(caption, text) << " -> "
             << Pick(lang_, yes ? texts::kCliAnsweredOk : texts::kCliAnsweredCancel) << std::endl;
        return answer;
    }
    err_ << BoxLine(caption, text) << std::endl;
    return kIdOk;
}

int ConsoleHost::RunDialog(int templateId, Window*, const DialogProc& procedure) {
    ConsoleWindow dialog;
    ApplyTemplate(dialog, templateId);
    procedure(dialog, DialogEvent::Init, 0);
    if (dialog.endResult) return *dialog.endResult;
    if (!dialogScript) return 0;
    return dialogScript(templateId, dialog, procedure);
}

void ConsoleReporter::Status(std::string_view text) {
    AppReporter::Status(text);
    if (onStatus) onStatus(p_.app.statusText);
}

void ConsoleReporter::Progress(int percent) {
    if (onProgress) {
        onProgress(percent);
    } else {
        AppReporter::Progress(percent);
    }
}

void ConsoleReporter::CheckProgress(int percent) {
    if (onProgress) {
        onProgress(percent);
    } else {
        AppReporter::CheckProgress(percent);
    }
}

void ConsoleReporter::Countdown(int secondsLeft) {
    if (onCountdown) onCountdown(secondsLeft);
}

void ConsoleReporter::Measured(const SpeedFigures& speed) {
    if (onMeasured) onMeasured(speed);
}

Outcome ConsoleReporter::Press(Window& dialog, const DialogProc& procedure, int button) {
    steps_.clear();
    procedure(dialog, DialogEvent::Command, button);
    for (const Step& step : steps_) {
        if (step.control == button) return step.outcome;
    }
    return Outcome::Refused;
}

}  // namespace kvr::cli
