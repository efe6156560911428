// The folder of the user's own that a program started from the desktop menu works in.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "res/language.h"

namespace kvr {

// Started from the desktop menu, a program works in a folder of the user's
// own (blsetup.cfg is kept there, Help looks for its document there); from
// a shell it keeps the current folder.
inline constexpr std::string_view kUserFolderOption = "--user-folder";

bool UserFolderRequested(int argc, const char* const* argv);

struct UserFolder {
    std::filesystem::path folder;
    // The installed manuals; each one present is put into the folder under
    // its own name, unless the user keeps a file of that name there.
    std::vector<std::filesystem::path> documents;
    // Windows: a copy (links need rights there), kept up to date with the
    // installed one. Elsewhere a symbolic link.
    bool copyDocuments = false;
};

// Creates the folder when needed, puts the documents into it and makes it
// the current folder. Returns an empty string, or the message to show when
// the folder cannot be made or entered (the current folder is unchanged).
std::string EnterUserFolder(const UserFolder& target, Language lang);

// A program's start: when the command line asks for it, enters the folder
// `target` names. False after the box that says why it could not; the
// program then ends.
bool StartInUserFolder(Host& host, int argc, const char* const* argv,
                       const std::function<UserFolder()>& target, Language lang);

}  // namespace kvr
