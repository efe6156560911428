// kvrsetup-cli: the setup tool's commands without a window, for scripts.
#include <CLI/CLI.hpp>
#include <cctype>
#include <clocale>
#include <functional>
#include <iostream>
#include <string>
#include <utility>

#include "commands.h"
#include "res/cli_help_texts.h"
#include "sim_profiles.h"
#include "terminal.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using kvr::cli::Options;
namespace texts = kvr::texts;

// --lang before the parser is built: its help is in that language.
kvr::Language LanguageOf(int argc, char** argv) {
    kvr::Language lang = kvr::Language::English;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--lang=de" ||
            (arg == "--lang" && i + 1 < argc && std::string(argv[i + 1]) == "de")) {
            lang = kvr::Language::German;
        } else if (arg == "--lang=en" ||
                   (arg == "--lang" && i + 1 < argc && std::string(argv[i + 1]) == "en")) {
            lang = kvr::Language::English;
        }
    }
    return lang;
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
    const kvr::Language language = LanguageOf(argc, argv);
    const auto T = [language](const kvr::Text& text) { return std::string(Pick(language, text)); };
    const auto addPort = [&](CLI::App* command) {
        command->add_option("--port", o.port, T(texts::kHelpPort))
            ->check(CLI::IsMember({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"},
                                  CLI::ignore_case));
    };
    const auto newCommand = [&](CLI::App& parent, const char* name, const kvr::Text& help) {
        CLI::App* command = parent.add_subcommand(name, T(help));
        command->group(T(texts::kHelpCommandsGroup));
        command->set_help_flag("-h,--help", T(texts::kHelpHelp));
        return command;
    };

    CLI::App app{T(texts::kHelpProgram)};
    app.option_defaults()->group(T(texts::kHelpOptionsGroup));
    app.set_help_flag("-h,--help", T(texts::kHelpHelp));
    for (const auto& [key, text] :
         {std::pair{"Usage", texts::kHelpUsage}, std::pair{"OPTIONS", texts::kHelpOptions},
          std::pair{"SUBCOMMAND", texts::kHelpSubcommand},
          std::pair{"REQUIRED", texts::kHelpRequired}}) {
        app.get_formatter()->label(key, T(text));
    }
    // At most one command; none only for --simulate=list.
    app.require_subcommand(0, 1);
    // Global options may also follow the command.
    app.fallthrough();
    std::string lang = "en";
    app.add_option("--lang", lang, T(texts::kHelpLang))->check(CLI::IsMember({"en", "de"}));
    // --simulate alone is the default profile; --simulate=NAME|FILE|list.
    CLI::Option* simulate =
        app.add_flag("--simulate{default}", o.simulateProfile, T(texts::kHelpSimulate));
    app.add_flag("--virtual-time", o.virtualTime, T(texts::kHelpVirtualTime));

    CLI::App* ports = newCommand(app, "ports", texts::kHelpPorts);

    CLI::App* read = newCommand(app, "read", texts::kHelpRead);
    addPort(read);
    read->add_option("-o,--output", o.output, T(texts::kHelpOutput));

    CLI::App* write = newCommand(app, "write", texts::kHelpWrite);
    write->add_option("FILE", o.file, T(texts::kHelpSettingsFile))->required();
    addPort(write);
    write->add_flag("--dry-run", o.dryRun, T(texts::kHelpDryRun));

    CLI::App* diff = newCommand(app, "diff", texts::kHelpDiff);
    diff->add_option("FILE", o.file, T(texts::kHelpSettingsFile))->required();
    addPort(diff);

    CLI::App* info = newCommand(app, "info", texts::kHelpInfo);
    addPort(info);

    CLI::App* update = newCommand(app, "update", texts::kHelpUpdate);
    update->add_option("FILE", o.file, T(texts::kHelpUpdateFile))->required();
    addPort(update);
    update->add_flag("--yes", o.yes, T(texts::kHelpYes));

    CLI::App* rev = newCommand(app, "rev", texts::kHelpRev);
    addPort(rev);
    rev->add_option("--poles", o.poles, T(texts::kHelpPoles));
    rev->add_option("--ratio", o.ratio, T(texts::kHelpRatio));
    rev->add_option("--seconds", o.seconds, T(texts::kHelpSeconds))->check(CLI::NonNegativeNumber);

    CLI::App* rpm = newCommand(app, "rpm", texts::kHelpRpm);
    addPort(rpm);
    rpm->add_option("--rotor-rpm", o.rotorRpm, T(texts::kHelpRotorRpm));
    rpm->add_option("--p", o.proportional, T(texts::kHelpP));
    rpm->add_option("--i", o.integral, T(texts::kHelpI));
    rpm->add_option("--poles", o.poles, T(texts::kHelpPoles));
    rpm->add_option("--ratio", o.ratio, T(texts::kHelpRatio));

    CLI::App* lock = newCommand(app, "lock", texts::kHelpLock);
    addPort(lock);
    lock->add_option("--rc-setup", o.rcSetup, T(texts::kHelpRcSetup))
        ->check(CLI::IsMember({"lock", "free"}));
    lock->add_option("--test-program", o.testProgram, T(texts::kHelpTestProgram))
        ->check(CLI::IsMember({"lock", "free"}));

    // The list of profiles needs no command.
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--simulate=list") {
            std::cout << kvr::sim::ProfileList();
            return kvr::cli::kExitOk;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kvr::cli::kExitOk : kvr::cli::kExitUsage;
    }
    o.simulate = simulate->count() > 0;
    if (o.simulate) {
        const kvr::sim::SimulateRequest request = kvr::sim::ParseSimulate(o.simulateProfile);
        if (request.kind != kvr::sim::SimulateRequest::Kind::Run) {
            std::cerr << request.text << '\n';
            return kvr::cli::kExitUsage;
        }
    }
    if (app.get_subcommands().empty()) {
        std::cerr << T(texts::kHelpNoCommand) << '\n';
        return kvr::cli::kExitUsage;
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
