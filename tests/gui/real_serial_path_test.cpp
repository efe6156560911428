// The production serial path end to end: the real main window with the real
// clock and QtSerialDevice on COM2, which KVRSETUP_COM2 points at the device
// of the modem-line library (libkvrmodem.so, preloaded by CTest): every line
// change and status read is a real ioctl, the UART bytes go over a
// pseudo-terminal, and the simulated controller answers on the real clock.
#include <dlfcn.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "gui/support/gui_rig.h"
#include "modem_preload.h"
#include "qt_platform.h"
#include "qt_serial_device.h"
#include "res/ids.h"
#include "res/speed_texts.h"
#include "serial_ports.h"
#include "settings/settings_image.h"

namespace {

// The library's control entries, found in the process it was preloaded in.
struct Modem {
    KvrModemStatsFn stats = Find<KvrModemStatsFn>("kvr_modem_stats");
    KvrModemVoidFn resetStats = Find<KvrModemVoidFn>("kvr_modem_reset_stats");
    KvrModemVoidFn vanish = Find<KvrModemVoidFn>("kvr_modem_vanish");
    KvrModemVoidFn replug = Find<KvrModemVoidFn>("kvr_modem_replug");
    KvrModemSetFn set = Find<KvrModemSetFn>("kvr_modem_set");
    KvrModemGetFn memory = Find<KvrModemGetFn>("kvr_modem_memory");
    KvrModemFlashFn flash = Find<KvrModemFlashFn>("kvr_modem_flash");
    KvrModemTextFn trace = Find<KvrModemTextFn>("kvr_modem_trace");

    bool Loaded() const {
        return stats && resetStats && vanish && replug && set && memory && flash && trace;
    }
    KvrModemStats Stats() const {
        KvrModemStats s{};
        stats(&s);
        return s;
    }
    std::string Trace() const {
        std::string text(trace(nullptr, 0) + 1, '\0');
        text.resize(trace(text.data(), text.size()));
        return text;
    }

  private:
    template <typename F>
    static F Find(const char* name) {
        return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
};

std::string Device() {
    const char* d = std::getenv("KVR_MODEM_DEVICE");
    return d != nullptr ? d : "";
}

// The program as it starts without --simulate, blsetup.cfg naming COM2.
struct RealPathRig : WindowRig<kvr::gui::QtDevices> {
    explicit RealPathRig(Language lang)
        : WindowRig(lang, ConfigFile("14", "10.00"), Options(lang)) {}

    static kvr::gui::BuildOptions Options(Language lang) {
        kvr::gui::BuildOptions options;
        options.menuText = [lang](int control, std::string_view text) {
            return kvr::PortItemText(lang, control, text, false, kvr::gui::DeviceForCom);
        };
        return options;
    }
    std::string Boxes() const {
        std::string s;
        for (const auto& b : host.boxes) s += "[" + b.caption + ": " + b.text + "] ";
        return s;
    }
};

// A text update file of the given pages and the flash it should leave.
std::vector<std::uint8_t> WriteUpdate(const std::filesystem::path& file, int pages) {
    const auto records = UpdateRecords(pages * 64, [](int a) { return a * 53 + 7; });
    WriteFileBytes(file, UpdateText(records));
    return FlashImage(records, kvr::sim::Controller::kPages * kvr::sim::Controller::kPageSize);
}

}  // namespace

class RealSerialPathTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY2(modem_.Loaded(), "run with LD_PRELOAD=libkvrmodem.so (ctest does)");
        QVERIFY(!Device().empty());
        QCOMPARE(kvr::gui::DeviceForCom(2), Device());
    }
    void init() {
        modem_.replug();
        modem_.set(kKvrModemVanishAfter, -1);
        modem_.set(kKvrModemLatencyNs, 0);
    }

    // A COM number named in the environment maps to exactly that path; the
    // others take the devices found, leaving out the named ones.
    void namedDevicesTakeTheirComNumbers() {
        const std::string saved = Device();
        unsetenv("KVRSETUP_COM2");
        std::vector<std::string> found;
        for (int n = 1; n <= 8; ++n) found.push_back(kvr::gui::DeviceForCom(n));
        setenv("KVRSETUP_COM2", "/tmp/kvr-named-tty", 1);
        QCOMPARE(kvr::gui::DeviceForCom(2), std::string("/tmp/kvr-named-tty"));
        QCOMPARE(kvr::gui::DeviceForCom(1), found[0]);
        QCOMPARE(kvr::gui::DeviceForCom(3), found[1]);
        QCOMPARE(kvr::PortItemText(Language::English, id::kPortCom1 + 1, "COM2", false,
                                   kvr::gui::DeviceForCom),
                 std::string("COM2\t/tmp/kvr-named-tty"));
        QCOMPARE(kvr::PortItemText(Language::German, id::kPortCom1 + 1, "COM2", true,
                                   kvr::gui::DeviceForCom),
                 std::string("COM2\t(simuliert)"));
        QCOMPARE(kvr::PortItemText(Language::English, id::kAbout, "About", false,
                                   kvr::gui::DeviceForCom),
                 std::string("About"));
        if (found[7].empty()) {
            QCOMPARE(kvr::PortItemText(Language::English, id::kPortCom8, "COM8", false,
                                       kvr::gui::DeviceForCom),
                     std::string("COM8\t(not present)"));
        }
        if (!found[0].empty()) {
            // A device found is named for COM5: it leaves the free numbers.
            setenv("KVRSETUP_COM5", found[0].c_str(), 1);
            QCOMPARE(kvr::gui::DeviceForCom(5), found[0]);
            QCOMPARE(kvr::gui::DeviceForCom(1), found[1]);
            unsetenv("KVRSETUP_COM5");
        }
        setenv("KVRSETUP_COM2", saved.c_str(), 1);
        QCOMPARE(kvr::gui::DeviceForCom(2), saved);
    }

    // The command-line program, a production program of its own, over the
    // same device (in a process of its own, with its own simulated chip).
    void commandLineProgramOverTheDevice() {
#ifndef KVR_CLI_PROGRAM
        QSKIP("kvrsetup-cli is not built (CLI11 missing)");
#else
        QProcess p;
        p.start(QStringLiteral(KVR_CLI_PROGRAM), {"info", "--port", "COM2"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput().toStdString(), ControllerInfoText());

        // Its wire trace and counts, written at exit even when a program
        // around it (with the library loaded too) ends after it.
        const TempDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KVR_MODEM_TRACE", QString::fromStdString((dir.path() / "trace").string()));
        env.insert("KVR_MODEM_STATS", QString::fromStdString((dir.path() / "stats").string()));
        p.setProcessEnvironment(env);
        p.start("timeout", {"60", KVR_CLI_PROGRAM, "read", "--port", "COM2"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const std::string trace = ReadFileBytes(dir.path() / "trace");
        QVERIFY2(trace.find("bit read 0C -> 66\n") != std::string::npos, trace.c_str());
        // Each byte is read twice; the probe follows each run of reads, not
        // each byte (a probe is two 0xFE, one line each when answered).
        const auto count = [&trace](const std::string& what) {
            long n = 0;
            for (std::size_t at = trace.find(what); at != std::string::npos;
                 at = trace.find(what, at + 1)) {
                ++n;
            }
            return n;
        };
        QVERIFY2(count("bit read ") >= 40 && count("bit probe ") <= 10, trace.c_str());
        const std::string stats = ReadFileBytes(dir.path() / "stats");
        QVERIFY2(stats.starts_with("line_changes ") && !stats.starts_with("line_changes 0\n"),
                 stats.c_str());
#endif
    }

    void portMenuShowsTheNamedDevice() {
        RealPathRig r(Language::English);
        // Without the menu's access-key mark.
        QCOMPARE(r.main->menuItem(id::kPortCom1 + 1)->text().remove(QLatin1Char('&')),
                 QString::fromStdString("COM2\t" + Device()));
        QVERIFY(r.program.link.state.comDeviceName == "COM2");
    }

    // Detection finds the controller's link (bit-serial; the UART link when
    // CTest runs this case on the profile "uart"); Read fills the
    // window from the controller and Write stores a typed value, all through
    // real system calls on the device.
    void readAndWriteOverTheLink() {
        const char* profile = std::getenv("KVR_MODEM_PROFILE");
        const bool uart = profile != nullptr && std::string(profile) == "uart";
        RealPathRig r(Language::English);
        modem_.resetStats();
        r.Click(id::kRead);
        QVERIFY2(r.host.boxes.empty(), r.Boxes().c_str());
        QCOMPARE(r.program.link.state.bitBangLink, !uart);
        QCOMPARE(r.program.link.state.uartLink, uart);
        QCOMPARE(r.Text(id::kVersionText), QStringLiteral("V 61.23-1F"));
        QCOMPARE(r.Text(id::kAcceleration), QStringLiteral(" 10"));
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
        const KvrModemStats s = modem_.Stats();
        if (uart) {
            QVERIFY(s.writes > 40);
            QVERIFY(s.reads > 10);
        } else {
            QVERIFY(s.lineChanges > 1000);
            // Every byte read is sampled bit by bit; pauses may be on the clock.
            QVERIFY(s.statusReads > 300);
        }

        TypeInto(r.main->control(id::kAcceleration), "23");
        r.Click(id::kWrite);
        QVERIFY2(r.host.boxes.empty(), r.Boxes().c_str());
        QCOMPARE(modem_.memory(kvr::Acceleration), 23);
        QCOMPARE(modem_.memory(kvr::StartupPower), 10);
        QVERIFY(modem_.Trace().find(uart ? "uart write" : "bit write") != std::string::npos);
    }

    void controllerInfoThroughProgrammingMode() {
        RealPathRig r(Language::English);
        r.Choose(id::kControllerInfo);
        QCOMPARE(r.host.boxes, OneBox(ControllerInfoText(), "Info:"));
    }

    // avrdude's serial bit-bang programmer on the same wiring reads the same
    // chip: its signature, fuses and lock byte must be what Controller Info
    // shows.
    void avrdudeReadsWhatControllerInfoShows() {
        const QString avrdude = QStandardPaths::findExecutable(QStringLiteral("avrdude"));
        if (avrdude.isEmpty()) QSKIP("avrdude is not installed (scripts/deps.sh test)");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // avrdude itself is not built with the sanitizers.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(avrdude, {"-C", "+" + QStringLiteral(KVR_AVRDUDE_CONF), "-c", "kvr-portix", "-P",
                          QString::fromStdString(Device()), "-p", "m8", "-U", "lfuse:r:-:h", "-U",
                          "hfuse:r:-:h", "-U", "lock:r:-:h"});
        QVERIFY(p.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(p.readAll());
        QVERIFY2(p.exitCode() == 0, qPrintable(out));
        const QRegularExpression signature(QStringLiteral("device signature = 0x([0-9a-f]{6})"));
        const auto sig = signature.match(out);
        QVERIFY2(sig.hasMatch(), qPrintable(out));
        QStringList bytes;
        for (const QString& line : out.split('\n')) {
            if (QRegularExpression(QStringLiteral("^0x[0-9a-f]{1,2}$"))
                    .match(line.trimmed())
                    .hasMatch())
                bytes << line.trimmed().mid(2).rightJustified(2, '0').toUpper();
        }
        QCOMPARE(bytes.size(), 3);  // fuse low, fuse high, lock
        const QString s = sig.captured(1).toUpper();
        const QString fromAvrdude =
            QStringLiteral(
                "Vendor Code: %1\nPart Family: %2\nPart Number: %3\n\n"
                "Lockbits: %4\nFuse HB: %5\nFuse LB: %6\n")
                .arg(s.mid(0, 2), s.mid(2, 2), s.mid(4, 2), bytes[2], bytes[1], bytes[0]);

        RealPathRig r(Language::English);
        r.Choose(id::kControllerInfo);
        QCOMPARE(r.host.boxes.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(r.host.boxes[0].text), fromAvrdude);
    }

    void firmwareUpdateOverTheBitSerialLink() {
        RealPathRig r(Language::English);
        const auto file = r.dir.path() / "K6123_6124.upd";
        const std::vector<std::uint8_t> expected = WriteUpdate(file, 2);
        r.host.chosenFiles.push_back(file.string());
        r.Choose(id::kOpenUpdateFile);
        QCOMPARE(r.host.boxes.size(), std::size_t{1});
        QCOMPARE(r.host.boxes[0].text, std::string("Update starten?"));
        std::vector<std::uint8_t> flash(expected.size());
        QCOMPARE(modem_.flash(flash.data(), flash.size()), expected.size());
        QVERIFY(flash == expected);
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
        QVERIFY(r.program.link.state.bitBangLink);
    }

    // 10 pulses a second: 20 pulses in a window of two seconds, 10 Hz. The
    // count polls the line on the real clock, so a slow rate keeps a busy
    // machine from hiding pulses; the window may catch one more or less.
    void revCounterMeasuresTheMotor() {
        RealPathRig r(Language::English);
        modem_.set(kKvrModemMemory + static_cast<int>(kvr::LockFlags), 0xFD);
        modem_.set(kKvrModemMotorHz, 10);
        modem_.set(kKvrModemMotorSpinUpMs, 300);
        QString hz;
        bool played = false;
        r.host.script = [&](int, kvr::gui::QtWindow& d) {
            bool closeSent = false;
            r.host.onPump = [&] {
                if (closeSent || Shown(d, id::kRevRotorLabel) == QStringLiteral("sec. time left"))
                    return;
                // The window is also served before the first window's figures.
                hz = Shown(d, id::kSpeedHz).trimmed();
                if (hz.isEmpty()) return;
                QCoreApplication::postEvent(d.dialog(), new QCloseEvent);
                closeSent = true;
            };
            ClickButton(d.control(id::kRevReleaseMotor));
            r.host.onPump = nullptr;
            played = true;
        };
        r.Choose(id::kRevCounter);
        modem_.set(kKvrModemMotorHz, 0);
        QVERIFY(played);
        QVERIFY2(r.host.boxes.empty(), r.Boxes().c_str());
        QVERIFY2(hz.toInt() >= 9 && hz.toInt() <= 11, qPrintable(hz));
    }

    // The adapter is pulled out in the middle of a Read: the command ends
    // with a message, without hanging and without "OK"; once it is back the
    // next Read works.
    void deviceVanishingMidCommand() {
        RealPathRig r(Language::English);
        // Well inside the Read: its detection and reads take some 6,000 calls.
        modem_.set(kKvrModemVanishAfter, 3000);
        QElapsedTimer t;
        t.start();
        r.Click(id::kRead);
        QVERIFY(t.elapsed() < 30000);
        QVERIFY2(r.host.boxes.size() == 1, r.Boxes().c_str());
        QVERIFY(r.Text(id::kStatusLine) != QStringLiteral("OK"));
        QVERIFY(!r.main->IsEnabled(id::kWrite));

        r.host.boxes.clear();
        modem_.replug();
        r.Click(id::kRead);
        QVERIFY2(r.host.boxes.empty(), r.Boxes().c_str());
        QCOMPARE(r.Text(id::kVersionText), QStringLiteral("V 61.23-1F"));
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
    }

  private:
    static std::string ControllerInfoText() {
        return "Vendor Code: 1E\nPart Family: 93\nPart Number: 07\n\nLockbits: FF\nFuse HB: D9\n"
               "Fuse LB: E1\n";
    }
    Modem modem_;
};

QTEST_MAIN(RealSerialPathTest)
#include "real_serial_path_test.moc"
