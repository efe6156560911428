// The tests' desktop: it records every box and dialog and answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"

namespace kvr::testing {

// The front of a script's list, taken off; `none` once the list is used up.
template <class T>
T TakeFront(std::deque<T>& list, T none = {}) {
    if (list.empty()) return none;
    T first = std::move(list.front());
    list.pop_front();
    return first;
}

struct ShownBox {
    std::string text;
    std::string caption;
    Window* owner = nullptr;
    MessageButtons buttons = MessageButtons::Ok;
    bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* os);

// The boxes after a single box with only OK.
inline std::vector<ShownBox> OneBox(std::string text, std::string caption,
                                    Window* owner = nullptr) {
    return {{std::move(text), std::move(caption), owner}};
}

// Records every box and answers questions from a script (OK when the
// script is empty).
class FakeHost : public Host {
  public:
    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    void Beep() override { ++beeps; }
    PlatformFamily QueryPlatform() override { return platform; }
    bool ShellOpen(const std::string& target) override;
    std::string ChooseOpenFile(const OpenFileRequest& request) override;
    std::string ChooseSaveFile(const SaveFileRequest& request) override;
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override;
    void ErrorOutput(const std::string& line) override { errorLines.push_back(line); }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const ShownBox& box : boxes) out.push_back(box.text);
        return out;
    }

    PlatformFamily platform = PlatformFamily::Nt;
    std::vector<ShownBox> boxes;
    std::deque<int> answers;
    int beeps = 0;
    int pumps = 0;
    std::vector<std::string> opened;
    bool shellSucceeds = true;
    std::deque<std::string> chosenFiles;
    std::vector<OpenFileRequest> fileRequests;
    std::deque<std::string> savedFiles;  // answers of the save dialog
    std::vector<SaveFileRequest> saveRequests;
    std::vector<int> dialogsRun;
    std::vector<std::string> errorLines;
    // Runs inside RunDialog with the dialog's window, to play the user.
    std::function<int(int templateId, Window& dialog, const DialogProc& procedure)> dialogScript;
    // Runs at every pump, to play the user between two steps of a command.
    std::function<void()> onPump;
};

}  // namespace kvr::testing
