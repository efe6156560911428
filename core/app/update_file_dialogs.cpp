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

bool ChooseUpdateFile(Program& p) {
    OpenFileRequest request;
    request.filterDescription = std::string(p.T(texts::kUpdateFilter));
    request.filterPattern = std::string(p.T(texts::kUpdateFilter));
    request.title = std::string(p.T(texts::kUpdateDialogTitle));
    // A typed name that does not exist ends with the program's own message.
    request.anyName = true;
    request.helpButton = true;
    request.nameRoom = kUpdatePathSize;
    std::string chosen = p.host.ChooseOpenFile(request);
    if (chosen.empty()) return false;
    p.update.path = std::move(chosen);
    return true;
}

Outcome CheckUpdateHeader(Program& p) {
    switch (TestUpdateHeader(p)) {
        case UpdateHeader::Sound:
            return Outcome::Done;
        case UpdateHeader::CannotOpen:
            ShowBox(p, texts::kCannotOpenInputFile, texts::kCaptionErrorCaps);
            return Outcome::Refused;
        case UpdateHeader::WrongSum:
            break;
    }
    ShowBox(p, texts::kWrongFile, texts::kCaptionErrorColon);
    return Outcome::Refused;
}

}  // namespace kvr
