// kvrsetup in the browser. The page chooses the language and passes
// ?simulate[=PROFILE] on as --simulate[=PROFILE].
#include <emscripten.h>

#include <memory>
#include <string>

#include "app/startup.h"
#include "sim_profiles.h"
#include "web_devices.h"
#include "web_host.h"

// clang-format off
EM_JS(int, kvr_page_is_german, (), { return KvrPage.language() === "de" ? 1 : 0; });
EM_JS(void, kvr_page_tell, (const char* text, int error), {
    KvrPage.tell(UTF8ToString(text), error != 0);
});
EM_JS(void, kvr_page_ended, (int status), { KvrPage.ended(status); });
// clang-format on

int main(int argc, char** argv) {
    const kvr::sim::SimulateChoice simulate = kvr::sim::ReadSimulateOption(
        argc, argv,
        [](const std::string& text, bool error) { kvr_page_tell(text.c_str(), error ? 1 : 0); });
    if (simulate.exitStatus) return *simulate.exitStatus;
    const kvr::Language lang =
        kvr_page_is_german() != 0 ? kvr::Language::German : kvr::Language::English;

    kvr::web::LayoutOptions options;
    if (simulate.simulated) options.titleSuffix = kvr::sim::SimulatedTitleSuffix(simulate.request);
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
