// The update file's chooser and the boxes of its header test.
#include "app/update_file_dialogs.h"

#include <string>

#include "res/update_texts.h"
#include "update/update_file.h"

namespace kvr {

namespace {

void ShowBox(Program& p, const Text& text, const Text& caption) {
    p.host.MessageBox(nullptr, std::string(p.T(text)), std::string(p.T(caption)),
                      MessageButtons::Ok);
}

}  // namespace

int ChooseUpdateFile(Program& p) {
    OpenFileRequest request;
    request.filterDescription = std::string(p.T(texts::kUpdateFilter));
    request.filterPattern = std::string(p.T(texts::kUpdateFilter));
    request.title = std::string(p.T(texts::kUpdateDialogTitle));
    // A typed name that does not exist ends with the program's own message.
    request.anyName = true;
    request.helpButton = true;
    request.nameRoom = kUpdatePathSize;
    std::string chosen = p.host.ChooseOpenFile(request);
    if (chosen.empty()) return 0;
    p.update.path = std::move(chosen);
    return 1;
}

int CheckUpdateHeader(Program& p) {
    switch (TestUpdateHeader(p)) {
        case UpdateHeader::Sound:
            return 0;
        case UpdateHeader::CannotOpen:
            ShowBox(p, texts::kCannotOpenInputFile, texts::kCaptionErrorCaps);
            return 1;
        case UpdateHeader::WrongSum:
            break;
    }
    ShowBox(p, texts::kWrongFile, texts::kCaptionErrorColon);
    return 1;
}

}  // namespace kvr
