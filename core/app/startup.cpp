// The one start-up of every front end: devices, program, configuration, main window.
#include "app/startup.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/build_version.h"
#include "app/command_gate.h"
#include "app/config_file.h"
#include "app/main_window.h"
#include "link/port_access.h"
#include "res/app_texts.h"
#include "res/cli_texts.h"

namespace kvr {
namespace {

Platform PlatformOf(Devices& devices, Host& host) {
    return Platform{devices.clock(), devices.serial(), devices.portIo(), host};
}

void WarnIfRpmControlInactive(Program& p) {
    if (!p.app.rpmControlInactive) return;
    p.host.MessageBox(nullptr, std::string(p.T(texts::kRpmControlInactive)),
                      std::string(p.T(texts::kCaptionWarningBang)), MessageButtons::Ok);
}

}  // namespace

std::string PortDeviceText(Language lang, bool simulated, const std::string& device) {
    if (simulated) return std::string(Pick(lang, texts::kCliSimulated));
    return device.empty() ? std::string(Pick(lang, texts::kCliNotPresent)) : device;
}

void BeginProgram(Program& p) {
    InitPortAccess(p, p.host.QueryPlatform());
}

std::optional<int> EnterProgram(Program& p) {
    std::error_code ec;
    p.app.startDirectory = std::filesystem::current_path(ec);
    if (ec) p.host.ErrorOutput("_getcwd error: " + ec.message());
    const std::optional<int> portItem = LoadPortSetting(p);
    ParkLines(p);
    return portItem;
}

void StartWithoutWindow(Program& p, StatusSink& status, int comPort) {
    BeginProgram(p);
    (void)EnterProgram(p);
    if (comPort >= 1 && comPort <= 8) OpenComPort(p, status, comPort);
}

void LeaveProgram(Program& p, bool savePort) {
    // One command, as the window's exit commands are; from the window its
    // own.
    const CommandScope command(p);
    ParkLines(p);
    if (savePort) {
        SavePortSetting(p);
        CloseSerialPort(p);
        WarnIfRpmControlInactive(p);
        return;
    }
    WarnIfRpmControlInactive(p);
    CloseSerialPort(p);
}

StartedProgram::StartedProgram(std::unique_ptr<Devices> devices, Host& host, Language lang)
    : devices_(std::move(devices)), program_(PlatformOf(*devices_, host), lang) {}

int RunWindowProgram(const FrontEnd& front, int argc, const char* const* argv) {
    if (!StartInUserFolder(front.host, argc, argv, front.userFolder, front.lang)) return 1;
    StartedProgram started(front.devices(), front.host, front.lang);
    return RunProgram(started.program());
}

std::string VersionLine(std::string_view program) {
    std::string line = std::string(program) + ' ' + std::string(build::kVersion);
    if (!build::kCommit.empty()) line += " (commit " + std::string(build::kCommit) + ')';
    return line;
}

std::optional<std::string> AskedVersion(std::string_view program, int argc,
                                        const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") return VersionLine(program);
    }
    return std::nullopt;
}

}  // namespace kvr
