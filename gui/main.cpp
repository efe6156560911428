// kvrsetup: the English (KVR_GERMAN 0) or German (KVR_GERMAN 1) build.
// With --simulate[=PROFILE|FILE] it runs on a simulated controller in real
// time; --simulate=list names the profiles.
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/user_folder.h"
#include "qt_host.h"
#include "qt_platform.h"
#include "res/app_texts.h"
#include "serial_ports.h"
#include "sim_profiles.h"

#ifndef KVR_GERMAN
#define KVR_GERMAN 0
#endif

namespace {

constexpr kvr::Language kLanguage = KVR_GERMAN ? kvr::Language::German : kvr::Language::English;
constexpr const char* kProgram = KVR_GERMAN ? "kvrsetup-de" : "kvrsetup-en";

// The desktop entries' folder: $XDG_CONFIG_HOME/kvrsetup, with links to the
// manuals installed beside the program (../share/kvrsetup).
kvr::UserFolder DesktopUserFolder() {
    kvr::UserFolder target;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    target.folder = std::filesystem::path(config.toStdString()) / "kvrsetup";
    const QDir shared(QCoreApplication::applicationDirPath() +
                      QStringLiteral("/../share/kvrsetup"));
    for (const kvr::Language lang : {kvr::Language::English, kvr::Language::German}) {
        const std::string_view name = kvr::Pick(lang, kvr::texts::kHelpDocument);
        const QString path = shared.absoluteFilePath(QString::fromUtf8(name.data(), name.size()));
        target.documents.emplace_back(QDir::cleanPath(path).toStdString());
    }
    return target;
}

}  // namespace

int main(int argc, char** argv) {
    // Before the desktop is reached: the version, the list and a wrong
    // profile need none.
    if (const std::optional<std::string> version = kvr::AskedVersion(kProgram, argc, argv)) {
        std::printf("%s\n", version->c_str());
        return 0;
    }
    const kvr::sim::SimulateChoice simulate =
        kvr::sim::ReadSimulateOption(argc, argv, [](const std::string& text, bool error) {
            if (error) {
                std::fprintf(stderr, "%s\n", text.c_str());
            } else {
                std::fputs(text.c_str(), stdout);
            }
        });
    if (simulate.exitStatus) return *simulate.exitStatus;
    const bool simulated = simulate.simulated;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvrsetup"));
    // Qt takes the desktop's locale for the C library too; numbers in
    // fields and in blsetup.cfg always use a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    // Qt's own buttons and dialogs in the build's language.
    QTranslator qtTexts;
    const QLocale locale(kLanguage == kvr::Language::German ? QLocale::German : QLocale::English);
    if (qtTexts.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    kvr::gui::BuildOptions options;
    options.menuText = [simulated](int id, std::string_view text) {
        return kvr::PortItemText(kLanguage, id, text, simulated, kvr::gui::DeviceForCom);
    };
    if (simulated)
        options.titleSuffix = kvr::sim::SimulatedTitleSuffix(simulate.request, kLanguage);
    kvr::gui::QtHost host(options);

    const auto devices = [] { return std::make_unique<kvr::gui::QtDevices>(); };
    return kvr::RunWindowProgram(
        {kLanguage, host, DesktopUserFolder, kvr::sim::ChooseDevices(simulate, devices)}, argc,
        argv);
}
