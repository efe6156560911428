#include "app/open_file.h"

#include <string>

namespace kvr {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::filesystem::path PathFromUtf8(std::string_view name) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

}  // namespace kvr
