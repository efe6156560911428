// kvrsetup in the browser. The page chooses the language and passes
// ?simulate[=PROFILE] on as --simulate[=PROFILE].
#include <emscripten.h>

#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "sim_profiles.h"
#include "web_devices.h"
#include "web_host.h"
#include "web_serial.h"

// clang-format off
EM_JS(int, kvr_page_is_german, (), { return KvrPage.language() === "de" ? 1 : 0; });
EM_JS(void, kvr_page_tell, (const char* text, int error), {
    KvrPage.tell(UTF8ToString(text), error != 0);
});
// The manual is a file of the site: the program's file system gets a
// stand-in of that name when the site has it, so Help finds it and opens it
// in a new tab.
EM_ASYNC_JS(void, kvr_page_find_manual, (const char* name), {
    await KvrPage.findManual(UTF8ToString(name));
});
EM_JS(void, kvr_page_ended, (int status), { KvrPage.ended(status); });
// clang-format on

int main(int argc, char** argv) {
    // The page's messages name its query, ?simulate, as the user gives it.
    const kvr::sim::SimulateChoice simulate = kvr::sim::ReadSimulateOption(
        argc, argv,
        [](const std::string& text, bool error) { kvr_page_tell(text.c_str(), error ? 1 : 0); },
        "?simulate");
    if (simulate.exitStatus) return *simulate.exitStatus;
    const kvr::Language lang =
        kvr_page_is_german() != 0 ? kvr::Language::German : kvr::Language::English;
    kvr_page_find_manual(std::string(kvr::Pick(lang, kvr::texts::kHelpDocument)).c_str());

    kvr::web::LayoutOptions options;
    // The Port menu says what each COMn is, as in the window programs.
    options.menuText = [&simulate, lang](int id, std::string_view text) {
        return kvr::PortItemText(lang, id, text, simulate.simulated, kvr::web::BrowserPortName);
    };
    if (simulate.simulated) {
        options.titleSuffix = kvr::sim::SimulatedTitleSuffix(simulate.request, lang);
    } else {
        // Only the ports this site may use, and the browser's chooser for one more.
        options.itemPresent = [](int id) {
            using kvr::id::kPortCom1;
            if (id < kPortCom1 || id > kvr::id::kPortCom8) return true;
            return !kvr::web::BrowserPortName(id - kPortCom1 + 1).empty();
        };
        options.portChooserAfter = kvr::id::kPortCom8;
    }
    kvr::web::WebHost host(options);
    // The page is its own folder: --user-folder means nothing here.
    const auto folder = [] { return kvr::UserFolder{}; };
    // The simulated controller runs on the clock that advances as the
    // program works: the page shares its thread with the browser, and on the
    // wall clock the controller would see the program fall silent mid-byte
    // whenever the browser paints.
    const kvr::sim::DevicesMaker devices =
        kvr::sim::ChooseDevices(simulate.simulated, simulate.request.setup,
                                kvr::sim::ClockKind::Virtual, kvr::web::MakeBrowserDevices);
    const int status = kvr::RunWindowProgram({lang, host, folder, devices}, argc, argv);
    kvr_page_ended(status);
    return status;
}
