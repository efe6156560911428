// A program on fakes or on the simulated controller, built in one line.
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

TempDir::TempDir(const std::filesystem::path& file, const std::string& bytes) : TempDir() {
    WriteFileBytes(file, bytes);
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

bool MakeAt(const std::filesystem::path& path, const std::string& what) {
    if (what == "<folder>") return std::filesystem::create_directory(path);
#ifdef _WIN32
    if (what == "<pipe>") return false;
#else
    if (what == "<pipe>") return mkfifo(path.c_str(), 0600) == 0;
#endif
    WriteFileBytes(path, what);
    return true;
}

#ifdef _WIN32
FullDisk::FullDisk(bool on) : works_(!on) {}
FullDisk::~FullDisk() = default;
#else
// A file size limit of 0 lets no write into a regular file through; the
// signal it sends stays ignored, so such a write fails with an error.
FullDisk::FullDisk(bool on) {
    if (!on) return;
    works_ = false;
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    savedLimit_ = limit.rlim_cur;
    std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 0;
    works_ = limited_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FullDisk::~FullDisk() {
    rlimit limit{};
    if (!limited_ || getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    limit.rlim_cur = static_cast<rlim_t>(savedLimit_);
    setrlimit(RLIMIT_FSIZE, &limit);
}
#endif

}  // namespace kvr::testing
