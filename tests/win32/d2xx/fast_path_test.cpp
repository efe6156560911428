// The Windows command line program as a script runs it, beside the stand-in
// ftd2xx.dll whose chip is COM1: Read, Write and a verified update go
// through the chip's fast path, and each leaves the same bytes in the
// controller as the same command in-process on the plain path (the
// simulated serial port, call by call).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "controller.h"
#include "file_builders.h"
#include "test_program.h"

// The runs name only the options they set; GCC would warn of the rest.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace kvr::cli;
using kvr::testing::ReadFileBytes;
using kvr::testing::TempDir;
using kvr::testing::WriteFileBytes;
namespace fs = std::filesystem;

// The folder of this program, which holds kvrsetup-cli.exe and ftd2xx.dll.
fs::path ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(std::wstring(path, n)).parent_path();
}

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs the program in the current folder with its output in out.txt.
CliRun RunCli(const fs::path& program, const std::string& args) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileW(L"out.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = out;
    std::wstring line = L"\"" + program.wstring() + L"\" " + std::wstring(args.begin(), args.end());
    PROCESS_INFORMATION process{};
    CliRun r;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) r.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    r.out = ReadFileBytes("out.txt");
    return r;
}

TEST(FastPath, CliCommandsLeaveTheSameBytesAsOnThePlainPath) {
    TempDir dir;
    const fs::path program = ProgramFolder() / "kvrsetup-cli.exe";
    const std::string state = (dir.path() / "controller.bin").string();
    SetEnvironmentVariableA("KVR_FTD2XX_COM", "1");
    SetEnvironmentVariableA("KVR_FTD2XX_STATE", state.c_str());
    WriteFileBytes("X6123_6123.upd", kvr::testing::UpdateText(kvr::testing::UpdateRecords(
                                         130, [](int a) { return (a * 5 + 1) & 0xFF; })));
    // The settings as the plain path reads them, one changed.
    {
        std::ostringstream out, err;
        Session s({.simulate = true, .virtualTime = true, .port = "COM1", .output = "now.json"}, 0,
                  nullptr, out, err);
        ASSERT_EQ(RunRead(s), kExitOk) << err.str();
    }
    std::string settings = ReadFileBytes("now.json");
    const auto at = settings.find("\"acceleration\": 10,");
    ASSERT_NE(at, std::string::npos) << settings;
    WriteFileBytes("changed.json", settings.replace(at, 19, "\"acceleration\": 42,"));

    const struct {
        const char* args;
        int (*command)(Session&);
        Options plain;
    } cases[] = {
        {"read --port COM1", RunRead, {.port = "COM1"}},
        {"write changed.json --port COM1", RunWrite, {.port = "COM1", .file = "changed.json"}},
        {"update X6123_6123.upd --yes --port COM1",
         RunUpdate,
         {.port = "COM1", .file = "X6123_6123.upd", .yes = true}},
    };
    std::array<std::uint8_t, 256> memory{};
    std::vector<std::uint8_t> flash;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Options o = c.plain;
        o.simulate = o.virtualTime = true;
        std::ostringstream out, err;
        int plainStatus = -1;
        {
            Session s(o, 0, nullptr, out, err);
            kvr::sim::Controller& controller = s.simulation()->controller();
            if (!flash.empty()) controller.memory = memory, controller.flash = flash;
            plainStatus = c.command(s);
            memory = controller.memory;
            flash = controller.flash;
        }
        ASSERT_EQ(plainStatus, kExitOk) << err.str();

        const CliRun fast = RunCli(program, c.args);
        EXPECT_EQ(fast.status, plainStatus) << fast.out;
        EXPECT_NE(fast.out.find("port: FT232R fast path"), std::string::npos) << fast.out;
        // The stand-in keeps the parameter memory, then the flash, when the
        // program lets its chip go: only the fast path writes it.
        const std::string bytes = ReadFileBytes(state);
        ASSERT_EQ(bytes.size(), memory.size() + flash.size());
        EXPECT_TRUE(std::equal(memory.begin(), memory.end(), bytes.begin(),
                               [](std::uint8_t a, char b) { return a == std::uint8_t(b); }));
        EXPECT_TRUE(std::equal(flash.begin(), flash.end(), bytes.begin() + 256,
                               [](std::uint8_t a, char b) { return a == std::uint8_t(b); }));
    }
    EXPECT_EQ(flash[129], (129 * 5 + 1) & 0xFF);
    SetEnvironmentVariableA("KVR_FTD2XX_COM", nullptr);
    SetEnvironmentVariableA("KVR_FTD2XX_STATE", nullptr);
}

}  // namespace
