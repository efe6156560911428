// The user's own folder: made, given the installed manuals, and entered at the start.
#include "app/user_folder.h"

#include <system_error>

#include "res/app_texts.h"
#include "res/captions.h"

namespace kvr {

namespace fs = std::filesystem;

bool UserFolderRequested(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == kUserFolderOption) return true;
    }
    return false;
}

namespace {

// A missing or unreadable installed document is no reason not to start:
// Help then says it is not found.
void PlaceDocument(const fs::path& document, const fs::path& folder, bool copy) {
    std::error_code ec;
    if (!fs::is_regular_file(document, ec)) return;
    const fs::path placed = folder / document.filename();
    const fs::file_status status = fs::symlink_status(placed, ec);
    if (copy) {
        if (fs::exists(status) && !fs::is_regular_file(status)) return;
        // A copy of another size, or older, is from an earlier installation.
        // It is removed first: MinGW's library does not overwrite a file
        // ("File exists"), whatever the copy options say.
        if (fs::exists(status)) {
            if (fs::file_size(placed, ec) == fs::file_size(document, ec) &&
                fs::last_write_time(placed, ec) >= fs::last_write_time(document, ec)) {
                return;
            }
            fs::remove(placed, ec);
        }
        fs::copy_file(document, placed, ec);
        return;
    }
    // A link left by an earlier installation somewhere else is renewed; a
    // file of the user's own stays.
    if (fs::is_symlink(status)) {
        if (fs::read_symlink(placed, ec) == document) return;
        fs::remove(placed, ec);
    } else if (fs::exists(status)) {
        return;
    }
    fs::create_symlink(document, placed, ec);
}

}  // namespace

std::string EnterUserFolder(const UserFolder& target, Language lang) {
    std::error_code ec;
    fs::create_directories(target.folder, ec);
    if (!ec) fs::current_path(target.folder, ec);
    if (ec) {
        const std::u8string name = target.folder.u8string();
        std::string text(Pick(lang, texts::kUserFolderError));
        text.replace(text.find("%1"), 2, std::string(name.begin(), name.end()));
        return text;
    }
    for (const fs::path& document : target.documents) {
        PlaceDocument(document, target.folder, target.copyDocuments);
    }
    return {};
}

bool StartInUserFolder(Host& host, int argc, const char* const* argv,
                       const std::function<UserFolder()>& target, Language lang) {
    if (!UserFolderRequested(argc, argv)) return true;
    const std::string problem = EnterUserFolder(target(), lang);
    if (problem.empty()) return true;
    host.MessageBox(nullptr, problem, std::string(Pick(lang, texts::kCaptionError)),
                    MessageButtons::Ok);
    return false;
}

}  // namespace kvr
