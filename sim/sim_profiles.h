#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "controller.h"
#include "res/language.h"
#include "simulation.h"

// The controllers --simulate offers: named profiles and profile files. Every
// front end (the windows on each platform, the command line) reads the
// --simulate value through ParseSimulate, so the names, the file format and
// the messages are the same everywhere.
namespace kvr::sim {

// Everything a simulated controller starts with.
struct Setup {
    Profile profile;
    Faults faults;
    std::array<std::uint8_t, 256> memory = Controller::DefaultMemory(16);
};

// The pulse rate of the motor profile without a rate of its own.
inline constexpr std::uint32_t kDefaultMotorPulseHz = 200;

struct SimulateRequest {
    enum class Kind {
        Run,    // start on `setup`
        List,   // print `text` (the profiles, one line each) and end
        Error,  // print `text` and end without starting
    };
    Kind kind = Kind::Run;
    Setup setup;
    std::string name;  // the profile's name, or the file's path
    std::string text;
};

// The value of the last --simulate on a command line: "" for a bare
// --simulate, the text after "--simulate=", nothing without one.
std::optional<std::string> SimulateArgument(int argc, const char* const* argv);

// The option as the messages name it; the page has its own (?simulate).
inline constexpr std::string_view kSimulateOption = "--simulate";

// Reads the value of --simulate: empty or a profile's name (see
// ProfileList), "list", or the path of a profile file (JSON).
SimulateRequest ParseSimulate(std::string_view value, std::string_view option = kSimulateOption);

// One line per named profile: its name and what it simulates.
std::string ProfileList();

// Reads a profile file's text; `source` names it in messages. Kind Error
// with a message that says what is wrong and where.
SimulateRequest ReadProfileFile(const std::string& json, const std::string& source,
                                std::string_view option = kSimulateOption);

// Puts the controller into the setup's state.
void ApplySetup(const Setup& setup, Controller& controller);

// The simulated controller a program runs on with --simulate: the setup
// applied and, as on a current PC, no parallel-port driver, so the program
// starts on a serial port exactly as it does without simulation.
std::unique_ptr<Simulation> StartSimulation(const Setup& setup, ClockKind clock);

// What a window's title says of the simulation, in the window's language:
// " [simulated]" for the default profile, " [simulated: NAME]" for another
// one.
std::string SimulatedTitleSuffix(const SimulateRequest& request, Language lang);

// A window program's --simulate option, read before the desktop is reached:
// the list and a wrong profile need none.
struct SimulateChoice {
    bool simulated = false;
    SimulateRequest request;
    // Set when the program ends here, after `tell` has shown the list (0) or
    // the error (2).
    std::optional<int> exitStatus;
};
using TellFunction = std::function<void(const std::string& text, bool error)>;
SimulateChoice ReadSimulateOption(int argc, const char* const* argv, const TellFunction& tell,
                                  std::string_view option = kSimulateOption);

// Makes the devices a program runs on, when called: the simulation on
// `setup` and `clock` when simulated, else the platform's own from `real`.
using DevicesMaker = std::function<std::unique_ptr<Devices>()>;
DevicesMaker ChooseDevices(bool simulated, const Setup& setup, ClockKind clock, DevicesMaker real);
// A window program's: the simulation runs on the real clock.
DevicesMaker ChooseDevices(const SimulateChoice& choice, DevicesMaker real);

}  // namespace kvr::sim
