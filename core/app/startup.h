// The one start-up of every front end: the program on the devices it runs on.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/program.h"
#include "app/status_sink.h"
#include "app/user_folder.h"
#include "platform/devices.h"
#include "platform/host.h"
#include "res/language.h"

namespace kvr {

// The program state on the devices it runs on; the two live and end
// together.
class StartedProgram {
  public:
    StartedProgram(std::unique_ptr<Devices> devices, Host& host, Language lang);
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    Program& program() { return program_; }
    Devices& devices() { return *devices_; }

  private:
    std::unique_ptr<Devices> devices_;
    Program program_;
};

// The first step of every start, before the main window or the command
// line's port: how this platform reaches the parallel port.
void BeginProgram(Program& p);

// The main window's start without the window: the start folder noted,
// blsetup.cfg's port in force, the lines at rest. Returns the Port menu item
// of that port to tick; none for a name that is no port.
std::optional<int> EnterProgram(Program& p);

// A program without a window on its devices: BeginProgram, EnterProgram, and
// for this run COMn (comPort 1..8; 0 keeps blsetup.cfg's port) opened as the
// Port menu would.
void StartWithoutWindow(Program& p, StatusSink& status, int comPort);

// The program's end: the lines at rest and the port closed, with a reminder
// of a governor left off. savePort: blsetup.cfg records the port in force
// first, as "End" does.
void LeaveProgram(Program& p, bool savePort);

// What stands behind COMn, as the Port menu and the command line's port
// list say it: "(simulated)", the device, or "(not present)" without one.
std::string PortDeviceText(Language lang, bool simulated, const std::string& device);

// What a window program hands its start-up: the pieces only it can make.
struct FrontEnd {
    Language lang;
    Host& host;
    // Where the user's own folder is, for --user-folder.
    std::function<UserFolder()> userFolder;
    // The devices to run on: the platform's own or a simulation's.
    std::function<std::unique_ptr<Devices>()> devices;
};

// A window program's start: enters the user's folder when the command line
// asks for it, makes the devices, builds the program and runs its main
// window until it closes. Returns the program's exit status: 1 when the
// folder could not be entered (after the box that says why).
int RunWindowProgram(const FrontEnd& front, int argc, const char* const* argv);

// What every program answers --version with: "PROGRAM VERSION", and
// " (commit ID)" when the build knows its commit.
std::string VersionLine(std::string_view program);

// A window program's --version, looked for before the desktop is reached
// (it needs none): the version line when the command line asks for it.
std::optional<std::string> AskedVersion(std::string_view program, int argc,
                                        const char* const* argv);

}  // namespace kvr
