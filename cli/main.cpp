// kvrsetup-cli: the setup tool's commands without a window, for scripts.
#include <CLI/CLI.hpp>
#include <cctype>
#include <clocale>
#include <functional>
#include <iostream>
#include <string>

#include "commands.h"
#include "terminal.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using kvr::cli::Options;

constexpr const char* kPortHelp =
    "COM1..COM8: the port for this run; blsetup.cfg keeps its own choice";

void AddPort(CLI::App* command, Options& o) {
    command->add_option("--port", o.port, kPortHelp)
        ->check(CLI::IsMember({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"},
                              CLI::ignore_case));
}

}  // namespace

int main(int argc, char** argv) {
    // Numbers in files and fields always use a decimal point.
    std::setlocale(LC_NUMERIC, "C");
#ifdef _WIN32
    // The texts are UTF-8.
    SetConsoleOutputCP(CP_UTF8);
#endif

    Options o;
    CLI::App app{
        "kvrsetup-cli: reads and writes the settings of a KVR-Duza2 speed controller, updates "
        "its firmware and shows its chip's bytes, from the command line.\n"
        "Every message of the window programs is one line \"caption: text\" on standard "
        "error. Exit status: 0 done, 1 refused or failed, 2 wrong command line."};
    app.require_subcommand(1);
    // Global options may also follow the command.
    app.fallthrough();
    std::string lang = "en";
    app.add_option("--lang", lang, "Language of the messages: en or de")
        ->check(CLI::IsMember({"en", "de"}));
    app.add_flag("--simulate", o.simulate,
                 "Run on the built-in simulated controller, in real time, instead of a real port");
    app.add_flag("--virtual-time", o.virtualTime,
                 "With --simulate: the simulated controller's clock runs only as the program "
                 "works, so every command ends at once (for tests)");

    CLI::App* ports = app.add_subcommand("ports", "List COM1..COM8 and the device each one opens");

    CLI::App* read = app.add_subcommand(
        "read", "Read the controller's settings and print them as name = value lines");
    AddPort(read, o);
    read->add_option("-o,--output", o.output,
                     "Write the settings to this settings file instead (JSON)");

    CLI::App* write = app.add_subcommand(
        "write",
        "Read the controller, load a settings file into the form and Write it, with the "
        "window's checks and messages");
    write->add_option("FILE", o.file, "Settings file (JSON)")->required();
    AddPort(write, o);
    write->add_flag("--dry-run", o.dryRun, "Only check the settings; write nothing");

    CLI::App* diff = app.add_subcommand(
        "diff", "Print the settings whose value in the file differs from the controller");
    diff->add_option("FILE", o.file, "Settings file (JSON)")->required();
    AddPort(diff, o);

    CLI::App* info = app.add_subcommand(
        "info", "Print the chip's signature, fuse and lock bytes (Controller Info)");
    AddPort(info, o);

    CLI::App* update = app.add_subcommand(
        "update",
        "Update the controller's firmware from an update file. Without --yes it only checks "
        "the file and stops before it touches the controller.");
    update->add_option("FILE", o.file, "Update file (*.upd)")->required();
    AddPort(update, o);
    update->add_flag("--yes", o.yes, "Answer the update's questions with OK and run it");

    CLI::App* rev = app.add_subcommand(
        "rev",
        "Release the motor and print its speed for every 2-second measurement window "
        "(Portix2 adapter, test program locked)");
    AddPort(rev, o);
    rev->add_option("--poles", o.poles,
                    "Motor pole count, stored in blsetup.cfg like the dialog's Save Input");
    rev->add_option("--ratio", o.ratio,
                    "Gearbox ratio 1:R, stored in blsetup.cfg like the dialog's Save Input");
    rev->add_option("--seconds", o.seconds,
                    "Stop measuring after this many seconds (0: until the motor stops)")
        ->check(CLI::NonNegativeNumber);

    CLI::App* rpm = app.add_subcommand(
        "rpm",
        "Show the speed governor's set-up; with --rotor-rpm, --p or --i, calculate and write it "
        "as the RPM-control dialog does (settings are read first)");
    AddPort(rpm, o);
    rpm->add_option("--rotor-rpm", o.rotorRpm, "Desired rotor (propeller) speed, rpm");
    rpm->add_option("--p", o.proportional, "Governor P value, 1 - 5");
    rpm->add_option("--i", o.integral, "Governor I value, 1 - 5");
    rpm->add_option("--poles", o.poles,
                    "Motor pole count, stored in blsetup.cfg like the dialog's Save Input");
    rpm->add_option("--ratio", o.ratio,
                    "Gearbox ratio 1:R, stored in blsetup.cfg like the dialog's Save Input");

    CLI::App* lock = app.add_subcommand(
        "lock", "Show the controller's RC-setup and test-program locks, or change them");
    AddPort(lock, o);
    lock->add_option("--rc-setup", o.rcSetup, "lock or free the RC set-up")
        ->check(CLI::IsMember({"lock", "free"}));
    lock->add_option("--test-program", o.testProgram, "lock or free the test program")
        ->check(CLI::IsMember({"lock", "free"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kvr::cli::kExitOk : kvr::cli::kExitUsage;
    }
    o.progressBar = kvr::cli::IsTerminal(stdout);
    o.lang = lang == "de" ? kvr::Language::German : kvr::Language::English;
    for (char& c : o.port) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    const std::pair<CLI::App*, std::function<int(kvr::cli::Session&)>> commands[] = {
        {ports, kvr::cli::RunPorts}, {read, kvr::cli::RunRead}, {write, kvr::cli::RunWrite},
        {diff, kvr::cli::RunDiff},   {info, kvr::cli::RunInfo}, {update, kvr::cli::RunUpdate},
        {rev, kvr::cli::RunRev},     {rpm, kvr::cli::RunRpm},   {lock, kvr::cli::RunLock},
    };
    for (const auto& [command, run] : commands) {
        if (!command->parsed()) continue;
        kvr::cli::Session session(o, argc, argv, std::cout, std::cerr);
        return run(session);
    }
    return kvr::cli::kExitUsage;
}
