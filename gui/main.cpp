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
#include "app/user_folder.h"
#include "qt_host.h"
#include "qt_platform.h"
#include "qt_serial_device.h"
#include "res/app_texts.h"
#include "res/captions.h"
#include "res/ids.h"
#include "serial_ports.h"
#include "sim_devices.h"
#include "sim_profiles.h"
#include "simulation.h"

#ifndef KVR_GERMAN
#define KVR_GERMAN 0
#endif

namespace {

constexpr kvr::Language kLanguage = KVR_GERMAN ? kvr::Language::German : kvr::Language::English;

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
    // Before the desktop is reached: the list and a wrong profile need none.
    const std::optional<std::string> simulateValue = kvr::sim::SimulateArgument(argc, argv);
    const bool simulated = simulateValue.has_value();
    kvr::sim::SimulateRequest request;
    if (simulated) {
        request = kvr::sim::ParseSimulate(*simulateValue);
        if (request.kind == kvr::sim::SimulateRequest::Kind::List) {
            std::fputs(request.text.c_str(), stdout);
            return 0;
        }
        if (request.kind == kvr::sim::SimulateRequest::Kind::Error) {
            std::fprintf(stderr, "%s\n", request.text.c_str());
            return 2;
        }
    }

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
        return kvr::gui::PortItemText(id, text, simulated, kLanguage);
    };
    if (simulated) {
        options.titleSuffix = kvr::sim::SimulatedTitleSuffix(request);
    }
    kvr::gui::QtHost host(options);

    if (!kvr::StartInUserFolder(host, argc, argv, DesktopUserFolder, kLanguage)) return 1;

    std::unique_ptr<kvr::sim::Simulation> simulation;
    std::optional<kvr::gui::QtClock> clock;
    std::optional<kvr::gui::QtSerialDevice> serial;
    std::optional<kvr::gui::NoPortIo> portIo;
    if (simulated) {
        simulation = kvr::sim::StartSimulation(request.setup, kvr::sim::ClockKind::Real);
    } else {
        clock.emplace();
        serial.emplace();
        portIo.emplace();
    }
    const kvr::Platform platform{
        simulated ? simulation->clock() : static_cast<kvr::Clock&>(*clock),
        simulated ? simulation->serial() : static_cast<kvr::SerialDevice&>(*serial),
        simulated ? simulation->portIo() : static_cast<kvr::PortIo&>(*portIo),
        host,
    };
    kvr::Program program(platform, kLanguage);
    return kvr::RunProgram(program);
}
