// kvrsetup for Windows: the English (KVR_GERMAN 0) or German (KVR_GERMAN 1)
// build. With --simulate[=PROFILE|FILE] it runs on a simulated controller in
// real time; --simulate=list names the profiles.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/startup.h"
#include "app/user_folder.h"
#include "files/open_file.h"
#include "res/app_texts.h"
#include "sim_profiles.h"
#include "win32_host.h"
#include "win32_platform.h"
#include "win32_text.h"
#include "windows_api.h"

#ifndef KVR_GERMAN
#define KVR_GERMAN 0
#endif

namespace {

constexpr kvr::Language kLanguage = KVR_GERMAN ? kvr::Language::German : kvr::Language::English;
constexpr const char* kProgram = KVR_GERMAN ? "kvrsetup-de" : "kvrsetup-en";

// A window program has no console of its own: the text goes where its output
// was sent, else to the console it was started from, else into a box.
void Tell(const std::string& text, bool error) {
    std::string line = text;
    if (line.empty() || line.back() != '\n') line += '\n';
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN &&
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (std::FILE* out = _wfopen(L"CONOUT$", L"w")) {
            std::fputs(text.c_str(), out);
            if (!text.empty() && text.back() != '\n') std::fputc('\n', out);
            std::fclose(out);
            return;
        }
    }
    ::MessageBoxW(nullptr, kvr::win32::Wide(text).c_str(), L"kvrsetup",
                  MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

// The Start-menu shortcuts' folder: %APPDATA%\kvrsetup, with copies of the
// manuals installed beside the program.
kvr::UserFolder ShortcutUserFolder() {
    kvr::UserFolder target;
    const wchar_t* appData = _wgetenv(L"APPDATA");
    target.folder = std::filesystem::path(appData != nullptr ? appData : L".") / L"kvrsetup";
    std::wstring program(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), MAX_PATH);
    program.resize(length);
    const std::filesystem::path installed = std::filesystem::path(program).parent_path();
    for (const kvr::Language lang : {kvr::Language::English, kvr::Language::German}) {
        target.documents.push_back(installed /
                                   kvr::PathFromUtf8(kvr::Pick(lang, kvr::texts::kHelpDocument)));
    }
    target.copyDocuments = true;
    return target;
}

}  // namespace

int main(int argc, char** argv) {
    // Like the list of profiles: on the output or console it was started
    // from, else in a box.
    if (const std::optional<std::string> version = kvr::AskedVersion(kProgram, argc, argv)) {
        Tell(*version, false);
        return 0;
    }
    const kvr::sim::SimulateChoice simulate = kvr::sim::ReadSimulateOption(argc, argv, Tell);
    if (simulate.exitStatus) return *simulate.exitStatus;

    // The controls of the current common controls (see the manifest).
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    kvr::win32::BuildOptions options;
    if (simulate.simulated)
        options.titleSuffix = kvr::sim::SimulatedTitleSuffix(simulate.request, kLanguage);
    kvr::win32::Win32Host host(options);

    const auto devices = [] { return std::make_unique<kvr::win32::Win32Devices>(); };
    return kvr::RunWindowProgram(
        {kLanguage, host, ShortcutUserFolder, kvr::sim::ChooseDevices(simulate, devices)}, argc,
        argv);
}
