// The command line's commands: their options, exit statuses and the session they run in.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "app/program.h"
#include "app/startup.h"
#include "console_host.h"
#include "devices.h"
#include "sim_profiles.h"
#include "simulation.h"

namespace kvr::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// update: every page went in, but the flash was not read back (lock bits,
// no programming mode, or --no-verify).
inline constexpr int kExitNotVerified = 3;

struct Options {
    Language lang = Language::English;
    bool simulate = false;
    bool virtualTime = false;     // the simulation on its virtual clock
    bool noFastPath = false;      // no FTDI bit-bang: the port call by call
    std::string simulateProfile;  // --simulate=NAME|FILE; empty for the default controller
    std::string port;             // "COM1".."COM8"; empty: blsetup.cfg's choice
    std::string file;             // the settings or update file of the command
    std::string output;           // read -o
    bool dryRun = false;
    bool yes = false;
    bool noVerify = false;  // update: no read-back of the flash
    std::string poles;      // rev: as typed, checked like the dialog's field
    std::string ratio;
    int seconds = 0;
    bool progressBar = false;  // update: a bar (a terminal) or percentage lines
    std::string rotorRpm;      // rpm: as typed into the dialog's fields
    std::string proportional;
    std::string integral;
    std::string rcSetup;  // lock: "lock", "free" or empty
    std::string testProgram;
};

// One run of the program: the platform and the program state, started as
// the window programs start and ended without saving, so blsetup.cfg keeps
// its port however --port chose.
class Session {
  public:
    Session(const Options& options, int argc, char** argv, std::ostream& out, std::ostream& err);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Program& p() { return started_->program(); }
    ConsoleHost& host() { return host_; }
    ConsoleReporter& reporter() { return *reporter_; }
    const Options& options() const { return options_; }
    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }
    // Says which chip's fast path serves the port; empty when none does.
    std::string FastPathNote();
    // The device behind COMn as the Port menu names it.
    std::string DeviceText(int n);
    // The simulated controller; null on real ports.
    sim::Simulation* simulation() { return dynamic_cast<sim::Simulation*>(&started_->devices()); }

  private:
    Options options_;
    std::ostream& out_;
    std::ostream& err_;
    ConsoleHost host_;
    std::optional<StartedProgram> started_;
    std::optional<ConsoleReporter> reporter_;
};

int RunPorts(Session& s);
int RunRead(Session& s);
int RunWrite(Session& s);
int RunDiff(Session& s);
int RunInfo(Session& s);
int RunUpdate(Session& s);
int RunRev(Session& s);
int RunRpm(Session& s);
int RunLock(Session& s);

}  // namespace kvr::cli
