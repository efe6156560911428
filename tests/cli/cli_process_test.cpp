// The real kvrsetup-cli program, as a script runs it: its exit status, its
// standard output (not a terminal here) and its error output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/build_version.h"
#include "test_program.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace kvr::cli {
namespace {

using testing::TempDir;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

#if defined(KVR_CLI_PROGRAM) && !defined(_WIN32)

Result RunCli(const std::string& args) {
    const std::string command =
        std::string("'") + KVR_CLI_PROGRAM + "' " + args + " >out.txt 2>err.txt </dev/null";
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = testing::ReadFileBytes("out.txt");
    r.err = testing::ReadFileBytes("err.txt");
    return r;
}

constexpr const char* kSim = "--simulate --virtual-time ";

TEST(CliProgram, ExitStatusAndOutputOfEachKindOfRun) {
    TempDir dir;
    ASSERT_EQ(RunCli(std::string(kSim) + "read -o saved.json").status, 0);
    testing::WriteFileBytes("fast.json", R"({"format": "kvrsetup settings", "formatVersion": 1,
        "settings": {"acceleration": 51}})");
    testing::WriteFileBytes("X6123_6123.upd", "0000:0012\r\n0001:0034\r\n");
    testing::WriteFileBytes("huge.json", R"({"format": "kvrsetup settings", "formatVersion": 1,
        "settings": {"acceleration": 1e400}})");
    testing::WriteFileBytes("patched.json", R"({"faults": {"patchedFlashByte": 1}})");
    ASSERT_TRUE(testing::MakeAt("pipe.json", "<pipe>") && testing::MakeAt("X6124.upd", "<pipe>"));

    struct Case {
        std::string args;
        int status;
        std::string outHas;  // "" for an empty output
        std::string errHas;  // "" for an empty error output
    };
    const std::vector<Case> cases = {
        {"--help", 0, "Commands:\n  ports", ""},
        {"read --version", 0, "kvrsetup-cli " + std::string(build::kVersion), ""},
        {"--lang de update --help", 0, "Die Fragen des Updates mit OK beantworten", ""},
        {"write --help", 0, "--dry-run", ""},
        {"update --help", 0, "--yes", ""},
        {"rev --help", 0, "--seconds", ""},
        {"", 2, "", "A command is required"},
        {"--simulate=list", 0, "motor[:HZ]", ""},
        {"--simulate=no-such-profile read", 2, "", "no-such-profile"},
        {"read --port COM9", 2, "", "--port"},
        {"write", 2, "", "FILE is required"},
        {"read --bogus", 2, "", "bogus"},
        {std::string(kSim) + "read", 0, "acceleration = 10\n", ""},
        {std::string(kSim) + "--lang de read --port COM4", 0, "emfBrake = off\n", ""},
        {"--simulate=bit-serial --virtual-time info", 0, "Vendor Code: 1E\nPart Family: 93\n", ""},
        {std::string(kSim) + "diff saved.json", 0, "no differences\n", ""},
        {std::string(kSim) + "diff fast.json", 0, "acceleration: file 51, controller 10\n", ""},
        {std::string(kSim) + "write fast.json", 1, "", "Error!: control speed (1 - 50)\n"},
        {std::string(kSim) + "--lang de write fast.json", 1, "", "Error!: Softanlauf 1 - 50!\n"},
        {std::string(kSim) + "write missing.json", 1, "",
         "Error: Settings not loaded from / missing.json / The file cannot be opened. / "
         "Nothing was changed.\n"},
        // Files that would crash or hang a program end with one message.
        {std::string(kSim) + "write huge.json", 1, "",
         "Error: Settings not loaded from / huge.json / The file is damaged: a number is too "
         "large (line 2, column 42). / Nothing was changed.\n"},
        {std::string(kSim) + "diff pipe.json", 1, "",
         "/ This is not a file (a folder, a device or a pipe). /"},
        {"--simulate=pipe.json read", 2, "",
         "--simulate: 'pipe.json' is not a file (a device or a pipe)\n"},
        {"--simulate=huge.json read", 2, "", "number overflow parsing '1e400'"},
        {std::string(kSim) + "update X6124.upd", 1, "", "open error!\n"},
        {std::string(kSim) + "write saved.json --dry-run", 0,
         "OK: the controller would take these settings; nothing written\n", ""},
        {std::string(kSim) + "write saved.json", 0, "OK: settings written\n", ""},
        {std::string(kSim) + "update X6123_6123.upd", 1, "", "run it again with --yes"},
        {std::string(kSim) + "update X6123_6123.upd --yes", 0, "connected\nUpdate laeuft\n",
         "Warning!: Update starten? -> answered OK (--yes)\n"},
        // Written but not read back has its own status; a flash unlike the
        // file is named.
        {"--simulate=locked-chip --virtual-time update X6123_6123.upd --yes", 3, "\nOK\n",
         "Info: The update was written but not verified: / the chip's lock bits"},
        {std::string(kSim) + "update X6123_6123.upd --yes --no-verify", 3, "\nOK\n",
         "update: written, not verified (--no-verify)\n"},
        {"--simulate=patched.json --virtual-time update X6123_6123.upd --yes", 1, "verifying",
         "Read/write error!\nupdate: the flash differs from the file in 1 byte(s), the first at "
         "address 0x0001\n"},
        {"--simulate=bit-serial --virtual-time rev --seconds 2", 1, "",
         "Error!: only available, when test-pgm locked\n"},
        // The simulation profiles, as in the window programs.
        {"--simulate=list", 0, "\nmotor[:HZ] ", ""},
        {"--simulate=nosuch read", 2, "",
         "--simulate: no profile or file named 'nosuch' (--simulate=list shows the profiles)\n"},
        {"--simulate=uart --virtual-time info", 1, "", "ERROR!: no connection!\n"},
        {"--virtual-time read --simulate=old-firmware", 0, "controllerVersion = V 60.02-1F\n", ""},
        {"--simulate=motor --virtual-time rev --poles 14 --ratio 10 --seconds 4", 0,
         "el.Freq. Motorphase, Hz: 200; el. Freq. Motorphase, rpm: 12000;", "sec. time left: 9\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.outHas.empty()) {
            EXPECT_EQ(r.out, "");
        } else {
            EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
        }
        if (c.errHas.empty()) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
        }
        // Not a terminal: no carriage returns for a bar.
        EXPECT_EQ(r.out.find('\r'), std::string::npos);
    }
    // The port of one run is not saved; the update file is recorded with its
    // full path, as the window's file dialog gives it.
    const std::string cfg = testing::ReadFileBytes("blsetup.cfg");
    EXPECT_EQ(cfg.substr(0, 4), "COM2");
    EXPECT_EQ(cfg.substr(64, cfg.find('\0', 64) - 64), (dir.path() / "X6123_6123.upd").string());
}

TEST(CliProgram, ReadOutputIsASettingsFile) {
    TempDir dir;
    const Result r = RunCli(std::string(kSim) + "read -o s.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "settings saved to s.json\n");
    const std::string file = testing::ReadFileBytes("s.json");
    EXPECT_NE(file.find("\"format\": \"kvrsetup settings\""), std::string::npos) << file;
    EXPECT_NE(file.find("\"acceleration\": 10"), std::string::npos) << file;
}

#else

TEST(CliProgram, NeedsTheProgram) {
    GTEST_SKIP() << "kvrsetup-cli is not built here";
}

#endif

}  // namespace
}  // namespace kvr::cli
