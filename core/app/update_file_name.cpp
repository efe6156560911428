// The update file's name: checked for ".upd", cut after it, and recorded in blsetup.cfg.
#include "app/update_file_name.h"

#include <cctype>
#include <string_view>

#include "app/config_file.h"
#include "res/update_texts.h"
#include "update/update_file.h"

namespace kvr {

namespace {

constexpr std::string_view kExtension = ".upd";
// The extension is looked for at positions 1 to 250 of the path.
constexpr std::size_t kExtensionFirst = 1;
constexpr std::size_t kExtensionLast = 250;
constexpr std::size_t kConfigPathBlanks = 20;
// The path, its NUL and the blanks must end before the motor values.
constexpr std::size_t kConfigPathMax =
    static_cast<std::size_t>(kConfigPoleCountOffset - kConfigUpdatePathOffset) - 1 -
    kConfigPathBlanks;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

bool CheckUpdateFileName(Program& p) {
    UpdateSession& s = p.update;
    if (s.path.empty()) return false;
    if (!OpenUpdateFileForReading(s.path)) return false;

    std::size_t match = std::string::npos;
    for (std::size_t i = kExtensionFirst;
         i <= kExtensionLast && i + kExtension.size() <= s.path.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < kExtension.size() && same; ++k) {
            same = std::tolower(static_cast<unsigned char>(s.path[i + k])) == kExtension[k];
        }
        if (same) {
            match = i;
            break;
        }
    }
    if (match == std::string::npos) {
        p.link.lastErrorText = std::string(p.T(texts::kUpdateNameError));
        return false;
    }
    s.path.resize(match + kExtension.size());
    std::size_t nameStart = 0;
    for (std::size_t i = match; i > 0; --i) {
        if (IsSeparator(s.path[i - 1])) {
            nameStart = i;
            break;
        }
    }
    s.baseName = s.path.substr(nameStart, kUpdateBaseNameSize - 1);

    // A path too long for its field is not written, not even in part: a cut
    // path could name another file. The field then names none.
    const std::string_view field =
        s.path.size() <= kConfigPathMax ? std::string_view(s.path) : std::string_view();
    const std::string tail = std::string(1, '\0') + std::string(kConfigPathBlanks, ' ');
    // WriteConfigFields changes back into the start directory first: the file
    // dialog may have changed the current one.
    switch (
        WriteConfigFields(p, {{kConfigLineEndOffset, "\r\n"},
                              {kConfigUpdatePathOffset, field},
                              {kConfigUpdatePathOffset + static_cast<long>(field.size()), tail}})) {
        case ConfigWrite::Done:
            return true;
        case ConfigWrite::CannotOpen:
            p.link.lastErrorText = std::string(p.T(texts::kUpdateConfigError));
            return false;
        case ConfigWrite::Failed:
            p.link.lastErrorText = std::string(p.T(texts::kUpdateConfigWriteError));
            return false;
    }
    return false;
}

}  // namespace kvr
