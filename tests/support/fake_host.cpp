#include "fake_host.h"

#include "fake_window.h"

namespace kvr::testing {

int FakeHost::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                         MessageButtons buttons) {
    boxes.push_back(ShownBox{text, caption, owner, buttons});
    if (buttons == MessageButtons::Ok || answers.empty()) return kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakeHost::ShellOpen(const std::string& target) {
    opened.push_back(target);
    return shellSucceeds;
}

std::string FakeHost::ChooseOpenFile(const OpenFileRequest& request) {
    fileRequests.push_back(request);
    if (chosenFiles.empty()) return {};
    std::string file = chosenFiles.front();
    chosenFiles.pop_front();
    return file;
}

std::string FakeHost::ChooseSaveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    if (savedFiles.empty()) return {};
    std::string file = savedFiles.front();
    savedFiles.pop_front();
    return file;
}

int FakeHost::RunDialog(int templateId, Window* owner, const DialogProc& procedure) {
    (void)owner;
    dialogsRun.push_back(templateId);
    FakeWindow dialog;
    if (dialogScript) return dialogScript(templateId, dialog, procedure);
    procedure(dialog, DialogEvent::Init, 0);
    return dialog.endResult.value_or(0);
}

}  // namespace kvr::testing
