#include "test_program.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

namespace kvr::testing {

TempDir::TempDir() : previous_(std::filesystem::current_path()) {
    std::random_device rd;
    for (;;) {
        path_ = std::filesystem::temp_directory_path() /
                ("kvrsetup-test-" + std::to_string(rd()) + std::to_string(rd()));
        if (std::filesystem::create_directory(path_)) break;
    }
    std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool MakePipe(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    return mkfifo(path.c_str(), 0600) == 0;
#endif
}

#ifdef _WIN32
FullDisk::FullDisk() = default;
FullDisk::~FullDisk() = default;
#else
// A file size limit of 0 lets no write into a regular file through; the
// signal it would send is ignored, so the write fails with an error.
FullDisk::FullDisk() {
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    savedLimit_ = limit.rlim_cur;
    savedSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 0;
    works_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FullDisk::~FullDisk() {
    if (!works_) return;
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(savedLimit_);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, savedSignal_);
}
#endif

}  // namespace kvr::testing
