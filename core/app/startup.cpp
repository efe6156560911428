// The one start-up of every front end: devices, program, configuration, main window.
#include "app/startup.h"

#include <utility>

#include "app/build_version.h"
#include "app/main_window.h"

namespace kvr {
namespace {

Platform PlatformOf(Devices& devices, Host& host) {
    return Platform{devices.clock(), devices.serial(), devices.portIo(), host};
}

}  // namespace

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
