// Programs for the tests: on recording fakes or on the simulated controller.
#pragma once

#include <filesystem>
#include <string>

#include "app/program.h"
#include "fake_clock.h"
#include "fake_host.h"
#include "fake_port_io.h"
#include "fake_serial.h"
#include "fake_window.h"

namespace kvr::testing {

// A program on recording fakes.
struct FakeProgram {
    explicit FakeProgram(Language lang = Language::English)
        : program({clock, serial, portIo, host}, lang) {}
    FakeClock clock;
    FakeSerial serial;
    FakePortIo portIo;
    FakeHost host;
    Program program;
};

// A fresh empty folder that is the current directory for the lifetime of
// the object.
class TempDir {
  public:
    TempDir();
    // The folder holding this one file.
    TempDir(const std::filesystem::path& file, const std::string& bytes);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// Puts at path what a test case names: "<folder>", "<pipe>" (false where
// the system has none), or else a file of these bytes.
bool MakeAt(const std::filesystem::path& path, const std::string& what);

// While it lives (when on) every write into a regular file fails, as on a
// full disk; Works() is false where the system cannot do that.
class FullDisk {
  public:
    explicit FullDisk(bool on = true);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
    bool Works() const { return works_; }

  private:
    bool works_ = true;
    bool limited_ = false;
    unsigned long long savedLimit_ = 0;
};

}  // namespace kvr::testing
