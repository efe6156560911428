// Opening files by UTF-8 path on every platform, and reading only regular files.
#include "files/open_file.h"

#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace kvr {

namespace fs = std::filesystem;

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

fs::path PathFromUtf8(std::string_view name) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

FileCheck CheckRegularFile(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    switch (status.type()) {
        case fs::file_type::regular:
            return FileCheck::Regular;
        case fs::file_type::not_found:
            return FileCheck::Missing;
        case fs::file_type::directory:
            return FileCheck::Folder;
        case fs::file_type::none:
        case fs::file_type::unknown:
            // No status at all (a folder on the way that may not be
            // searched, say): nothing that can be opened.
            return ec ? FileCheck::Unreadable : FileCheck::NotAFile;
        default:
            return FileCheck::NotAFile;
    }
}

std::FILE* OpenRegularFile(const fs::path& path, const char* mode, FileCheck* check) {
    FileCheck found = CheckRegularFile(path);
    std::FILE* file = nullptr;
    if (found == FileCheck::Regular) {
        file = OpenFile(path, mode);
        if (file == nullptr) found = FileCheck::Unreadable;
    }
    if (check != nullptr) *check = found;
    return file;
}

FileCheck ReadRegularFile(const fs::path& path, std::uintmax_t maxBytes, std::string& bytes) {
    FileCheck check = FileCheck::Regular;
    std::FILE* file = OpenRegularFile(path, "rb", &check);
    if (file == nullptr) return check;
    // Read one byte more than allowed: a file that grew since it was looked
    // at is still caught.
    bytes.clear();
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (bytes.size() > maxBytes) return FileCheck::TooLarge;
    return failed ? FileCheck::Unreadable : FileCheck::Regular;
}

std::FILE* CreateNewFile(const fs::path& path) {
#ifdef _WIN32
    // The runtime's fopen knows no exclusive mode; its open does.
    const int fd =
        _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

}  // namespace kvr
