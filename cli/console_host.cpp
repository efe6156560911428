// The command line's desktop: message boxes as lines, and the reporter's typed events.
#include "console_host.h"

#include "res/cli_texts.h"
#include "res/templates.h"

namespace kvr::cli {

void ApplyTemplate(WindowRecord& window, int templateId) {
    const res::DialogTemplate* t = res::FindTemplate(templateId);
    if (t == nullptr) return;
    for (const res::ControlDef& c : t->controls) {
        if (c.id != 0 && (c.flags & res::kDisabled) != 0) window.Enable(c.id, false);
    }
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
    if (!resultCaption.empty() && caption == resultCaption) {
        out_ << text;
        if (!text.empty() && text.back() != '\n') out_ << '\n';
        out_.flush();
        return kIdOk;
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
