// kvrsetup-cli: the setup tool's commands without a window, for scripts.
#include <CLI/CLI.hpp>
#include <cctype>
#include <clocale>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
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

using Translate = std::function<std::string(const kvr::Text&)>;
using Command = std::pair<CLI::App*, std::function<int(kvr::cli::Session&)>>;

// The options every command takes, and the help's own texts. Returns the
// --simulate option.
CLI::Option* AddGlobalOptions(CLI::App& app, Options& o, std::string& lang, const Translate& T) {
    app.option_defaults()->group(T(texts::kHelpOptionsGroup));
    app.set_help_flag("-h,--help", T(texts::kHelpHelp));
    app.set_version_flag("--version", kvr::VersionLine("kvrsetup-cli"), T(texts::kHelpVersion));
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
    app.add_option("--lang", lang, T(texts::kHelpLang))->check(CLI::IsMember({"en", "de"}));
    // --simulate alone is the default profile; --simulate=NAME|FILE|list.
    CLI::Option* simulate =
        app.add_flag("--simulate{default}", o.simulateProfile, T(texts::kHelpSimulate));
    app.add_flag("--virtual-time", o.virtualTime, T(texts::kHelpVirtualTime));
    app.add_flag("--no-fast-path", o.noFastPath, T(texts::kHelpNoFastPath));
    return simulate;
}

// The commands, each with the function that runs it.
std::vector<Command> AddCommands(CLI::App& app, Options& o, const Translate& T) {
    const auto addPort = [&](CLI::App* command) {
        command->add_option("--port", o.port, T(texts::kHelpPort))
            ->check(CLI::IsMember({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"},
                                  CLI::ignore_case));
    };
    const auto newCommand = [&](const char* name, const kvr::Text& help, bool port) {
        CLI::App* command = app.add_subcommand(name, T(help));
        command->group(T(texts::kHelpCommandsGroup));
        command->set_help_flag("-h,--help", T(texts::kHelpHelp));
        if (port) addPort(command);
        return command;
    };

    CLI::App* ports = newCommand("ports", texts::kHelpPorts, false);

    CLI::App* read = newCommand("read", texts::kHelpRead, true);
    read->add_option("-o,--output", o.output, T(texts::kHelpOutput));

    CLI::App* write = newCommand("write", texts::kHelpWrite, false);
    write->add_option("FILE", o.file, T(texts::kHelpSettingsFile))->required();
    addPort(write);
    write->add_flag("--dry-run", o.dryRun, T(texts::kHelpDryRun));

    CLI::App* diff = newCommand("diff", texts::kHelpDiff, false);
    diff->add_option("FILE", o.file, T(texts::kHelpSettingsFile))->required();
    addPort(diff);

    CLI::App* info = newCommand("info", texts::kHelpInfo, true);

    CLI::App* update = newCommand("update", texts::kHelpUpdate, false);
    update->add_option("FILE", o.file, T(texts::kHelpUpdateFile))->required();
    addPort(update);
    update->add_flag("--yes", o.yes, T(texts::kHelpYes));
    update->add_flag("--no-verify", o.noVerify, T(texts::kHelpNoVerify));

    CLI::App* rev = newCommand("rev", texts::kHelpRev, true);
    rev->add_option("--poles", o.poles, T(texts::kHelpPoles));
    rev->add_option("--ratio", o.ratio, T(texts::kHelpRatio));
    rev->add_option("--seconds", o.seconds, T(texts::kHelpSeconds))->check(CLI::NonNegativeNumber);

    CLI::App* rpm = newCommand("rpm", texts::kHelpRpm, true);
    rpm->add_option("--rotor-rpm", o.rotorRpm, T(texts::kHelpRotorRpm));
    rpm->add_option("--p", o.proportional, T(texts::kHelpP));
    rpm->add_option("--i", o.integral, T(texts::kHelpI));
    rpm->add_option("--poles", o.poles, T(texts::kHelpPoles));
    rpm->add_option("--ratio", o.ratio, T(texts::kHelpRatio));

    CLI::App* lock = newCommand("lock", texts::kHelpLock, true);
    lock->add_option("--rc-setup", o.rcSetup, T(texts::kHelpRcSetup))
        ->check(CLI::IsMember({"lock", "free"}));
    lock->add_option("--test-program", o.testProgram, T(texts::kHelpTestProgram))
        ->check(CLI::IsMember({"lock", "free"}));

    return {
        {ports, kvr::cli::RunPorts}, {read, kvr::cli::RunRead}, {write, kvr::cli::RunWrite},
        {diff, kvr::cli::RunDiff},   {info, kvr::cli::RunInfo}, {update, kvr::cli::RunUpdate},
        {rev, kvr::cli::RunRev},     {rpm, kvr::cli::RunRpm},   {lock, kvr::cli::RunLock},
    };
}

// The checks the parser cannot make. Empty, or the line to show.
std::string CheckOptions(const CLI::App& app, Options& o, const Translate& T) {
    if (o.simulate) {
        const kvr::sim::SimulateRequest request = kvr::sim::ParseSimulate(o.simulateProfile);
        if (request.kind != kvr::sim::SimulateRequest::Kind::Run) return request.text;
    }
    if (app.get_subcommands().empty()) return T(texts::kHelpNoCommand);
    return {};
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
    const Translate T = [language](const kvr::Text& text) {
        return std::string(Pick(language, text));
    };
    CLI::App app{T(texts::kHelpProgram)};
    std::string lang = "en";
    CLI::Option* simulate = AddGlobalOptions(app, o, lang, T);
    const std::vector<Command> commands = AddCommands(app, o, T);

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
    if (const std::string problem = CheckOptions(app, o, T); !problem.empty()) {
        std::cerr << problem << '\n';
        return kvr::cli::kExitUsage;
    }
    o.progressBar = kvr::cli::IsTerminal(stdout);
    o.lang = lang == "de" ? kvr::Language::German : kvr::Language::English;
    for (char& c : o.port) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    for (const auto& [command, run] : commands) {
        if (!command->parsed()) continue;
        kvr::cli::Session session(o, argc, argv, std::cout, std::cerr);
        const int code = run(session);
        // Which way the lines went, beside the output rather than in it.
        if (const std::string note = session.FastPathNote(); !note.empty()) {
            std::cerr << note << '\n';
        }
        return code;
    }
    return kvr::cli::kExitUsage;
}
