// The command line's desktop: message boxes as lines, and the reporter's typed events.
#include "console_host.h"

#include "app/program.h"
#include "res/cli_texts.h"

namespace kvr::cli {

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

}  // namespace kvr::cli
