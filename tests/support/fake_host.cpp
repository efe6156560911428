// The tests' desktop: boxes recorded, questions and file dialogs answered from a script.
#include "fake_host.h"

#include "fake_window.h"

namespace kvr::testing {

void PrintTo(const ShownBox& box, std::ostream* os) {
    *os << "{\"" << box.text << "\", \"" << box.caption << "\", owner " << box.owner
        << (box.buttons == MessageButtons::Ok ? ", OK}" : ", OK/Cancel}");
}

int FakeHost::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                         MessageButtons buttons) {
    boxes.push_back(ShownBox{text, caption, owner, buttons});
    return buttons == MessageButtons::Ok ? kIdOk : TakeFront(answers, kIdOk);
}

bool FakeHost::ShellOpen(const std::string& target) {
    opened.push_back(target);
    return shellSucceeds;
}

std::string FakeHost::ChooseOpenFile(const OpenFileRequest& request) {
    fileRequests.push_back(request);
    return TakeFront(chosenFiles);
}

std::string FakeHost::ChooseSaveFile(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    return TakeFront(savedFiles);
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
