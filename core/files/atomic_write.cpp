// Replacing a file in one step through a temporary file beside it.
#include "files/atomic_write.h"

#include <cstdio>
#include <random>
#include <system_error>

#include "files/open_file.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;

// The file a name leads to. Empty for a loop of links.
fs::path FollowLinks(fs::path path) {
    constexpr int kMaxLinks = 40;
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) return {};
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return {};
}

// A file of our own next to the target, under a name nobody else uses: it
// is created only where no file of that name exists.
std::FILE* CreateTempBeside(const fs::path& target, fs::path& temp) {
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.kvrsetup-tmp", device());
        temp = target.parent_path() / ("." + target.filename().string() + suffix);
        if (std::FILE* file = CreateNewFile(temp)) return file;
        std::error_code ec;
        // A name that is free but cannot be created: the folder refuses.
        if (!fs::exists(fs::symlink_status(temp, ec))) return nullptr;
    }
    return nullptr;
}

}  // namespace

bool WriteFileReplacing(const fs::path& path, const std::string& content) {
    const fs::path target = FollowLinks(path);
    if (target.empty()) return false;
    const FileCheck existing = CheckRegularFile(target);
    if (existing != FileCheck::Regular && existing != FileCheck::Missing) return false;
    fs::path temp;
    std::FILE* file = CreateTempBeside(target, temp);
    if (file == nullptr) return false;
    bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    std::error_code ec;
    if (written && existing == FileCheck::Regular) {
        fs::permissions(temp, fs::status(target, ec).permissions(), ec);
    }
    if (written) fs::rename(temp, target, ec);
    if (!written || ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace kvr
