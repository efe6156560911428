// The real serial path: QSerialPort on a pseudo-terminal, with the simulated
// controller's UART side on the master end.

#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/settings_commands.h"
#include "app/update_procedure.h"
#include "controller.h"
#include "fake_host.h"
#include "fake_port_io.h"
#include "fake_window.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/port_access.h"
#include "pty_controller.h"
#include "qt_serial_device.h"
#include "res/ids.h"
#include "serial_ports.h"
#include "settings/settings_image.h"
#include "sim_clock.h"
#include "test_program.h"

namespace {

using kvr::testing::PtyController;

// Acts the times-th time the status line shows the text: the moment to
// pull the adapter out.
std::function<void(const std::string&)> OnStatus(std::string text, int times,
                                                 std::function<void()> act) {
    return [=, seen = 0](const std::string& shown) mutable {
        if (shown == text && ++seen == times) act();
    };
}

// The program on the real serial device at a pseudo-terminal.
struct PtyProgram {
    explicit PtyProgram(const std::string& device) {
        p.link.state.medium = kvr::Medium::Serial;
        p.link.state.comDeviceName = device;
        p.app.startDirectory = dir.path();
        for (const char* e : {" 0", " 7,5", "15,0", "22,5", "30,0", "auto"}) {
            window.ComboAdd(kvr::id::kTimingList, e);
        }
        for (const char* e : {"off", "hard", "medium", "soft"}) {
            window.ComboAdd(kvr::id::kBrakeList, e);
        }
        window.Enable(kvr::id::kWrite, false);
    }
    bool OneBoxOf(std::initializer_list<const char*> texts) const {
        if (host.boxes.size() != 1) return false;
        for (const char* t : texts) {
            if (host.boxes[0].text == t) return true;
        }
        return false;
    }
    kvr::testing::TempDir dir;
    kvr::sim::RealClock clock;
    kvr::gui::QtSerialDevice serial;
    kvr::testing::FakePortIo portIo;
    kvr::testing::FakeHost host;
    kvr::testing::FakeWindow window;
    kvr::Program p{{clock, serial, portIo, host}, kvr::Language::English};
};

kvr::sim::Profile UartProfile() {
    kvr::sim::Profile profile;
    profile.link = kvr::sim::LinkKind::Uart;
    return profile;
}

}  // namespace

class SerialPtyTest : public QObject {
    Q_OBJECT

  private slots:
    void findsTheUartLinkAndReadsAByte() {
        PtyController pty(UartProfile());
        QVERIFY(!pty.slavePath().empty());
        PtyProgram r(pty.slavePath());

        QCOMPARE(kvr::ConnectLink(r.p), 0);
        QVERIFY(r.p.link.state.uartLink);
        QVERIFY(!r.p.link.state.bitBangLink);
        QVERIFY(r.host.boxes.empty());
        QCOMPARE(kvr::ReadControllerByte(r.p, 12).value, 102);
        QCOMPARE(kvr::ReadControllerByte(r.p, 32).value, 0x61);
        QCOMPARE(kvr::WriteControllerByte(r.p, 14, 20), 0);
        pty.Stop();
        QCOMPARE(int(pty.controller().memory[14]), 20);
    }

    void silentLineReadsSpacesWithinTheTimeOut() {
        PtyController pty(UartProfile());
        pty.controller().profile.silent = true;
        kvr::gui::QtSerialDevice serial;
        QVERIFY(serial.Open(pty.slavePath()));
        QVERIFY(serial.SetState(kvr::UartLinkConfig()));
        QVERIFY(serial.SetTimeouts(kvr::SerialTimeouts{3, 0, 50}));
        std::uint8_t buf[4] = {' ', ' ', ' ', ' '};
        std::size_t got = 99;
        QElapsedTimer t;
        t.start();
        QVERIFY(serial.Read(buf, 3, got));
        QCOMPARE(got, std::size_t{0});
        QVERIFY(t.elapsed() < 2000);  // it ends; how fast is not judged
    }

    void vanishedDeviceFailsWithoutHanging() {
        PtyController pty(UartProfile());
        PtyProgram r(pty.slavePath());
        kvr::gui::QtSerialDevice& serial = r.serial;
        QCOMPARE(kvr::ConnectLink(r.p), 0);
        pty.Stop();
        pty.CloseMaster();

        std::uint8_t buf[20];
        std::size_t got = 7;
        std::size_t written = 7;
        const std::uint8_t b = 0x55;
        QVERIFY(!serial.Read(buf, 20, got));
        QCOMPARE(got, std::size_t{0});
        QVERIFY(!serial.Write(&b, 1, written));
        QCOMPARE(written, std::size_t{0});
        std::uint32_t status = 0;
        QVERIFY(!serial.GetModemStatus(status));
        // A command on the lost device takes the no-answer path.
        QCOMPARE(kvr::ReadControllerByte(r.p, 12).value, 0x20);
        QCOMPARE(kvr::WriteControllerByte(r.p, 12, 5), 1);
    }

    // Pulled out while the parameter bytes come in: one clear message,
    // nothing shown, Write stays off; plugged in again, Read works.
    void unplugDuringReadShowsNothingAndTheNextReadWorks() {
        auto pty = std::make_unique<PtyController>(UartProfile());
        PtyProgram r(pty->slavePath());
        // The second "reading.....": the link is up, the bytes follow.
        r.window.onStatus = OnStatus("reading.....", 2, [&] {
            pty->Stop();
            pty->CloseMaster();
        });
        kvr::ReadSettings(r.p, r.window);
        QVERIFY(r.OneBoxOf({"connection lost!", "Read/write error!"}));
        for (int field : {kvr::id::kFullSpeedTime, kvr::id::kAcceleration, kvr::id::kVersionText,
                          kvr::id::kLogTransmitter}) {
            QCOMPARE(r.window.controls[field].text, std::string());
        }
        QVERIFY(!r.window.controls[kvr::id::kWrite].enabled);
        QVERIFY(r.p.settings.versionWord > kvr::kVersionGateLimit);
        QCOMPARE(r.window.controls[kvr::id::kStatusLine].text, std::string());
        QVERIFY(!r.window.controls[kvr::id::kStatusLine].enabled);

        // The adapter back (a new device node): the next Read goes through.
        pty = std::make_unique<PtyController>(UartProfile());
        r.p.link.state.comDeviceName = pty->slavePath();
        r.host.boxes.clear();
        r.window.onStatus = nullptr;
        kvr::ReadSettings(r.p, r.window);
        QVERIFY(r.host.boxes.empty());
        QCOMPARE(r.window.controls[kvr::id::kStatusLine].text, std::string("OK"));
        QVERIFY(r.window.controls[kvr::id::kWrite].enabled);
        QCOMPARE(r.window.controls[kvr::id::kVersionText].text, std::string("V 61.23-1F"));
    }

    // Pulled out during the transfer: the update ends with one message and
    // a blank status line, and never says "OK".
    void unplugDuringUpdateEndsWithOneMessage() {
        PtyController pty(UartProfile());
        PtyProgram r(pty.slavePath());
        kvr::testing::WriteFileBytes(r.dir.path() / "blsetup.cfg", "COM2");
        const auto file = r.dir.path() / "K6123_6123.upd";
        kvr::testing::WriteFileBytes(file, "0040:0001\n0041:0002\n0080:0003\n");
        r.host.chosenFiles.push_back(file.string());
        r.window.onStatus = OnStatus("Update laeuft", 1, [&] {
            pty.Stop();
            pty.CloseMaster();
        });
        kvr::RunFirmwareUpdate(r.p, r.window);
        std::vector<std::string> errors;
        for (const auto& b : r.host.boxes) {
            if (b.text != "Update starten?") errors.push_back(b.text);
        }
        QCOMPARE(errors.size(), std::size_t{1});
        QVERIFY(errors[0] == "connection lost!" || errors[0] == "Read/write error!");
        QCOMPARE(r.window.controls[kvr::id::kStatusLine].text, std::string(" "));
        QVERIFY(!r.window.controls[kvr::id::kStatusLine].enabled);
        QCOMPARE(r.p.settings.versionWord, kvr::kVersionRefused);
        QVERIFY(!r.p.link.state.comOpen);  // a lost device is let go
    }

    void unknownNamesDoNotOpen() {
        kvr::gui::QtSerialDevice serial;
        QVERIFY(!serial.Open(""));
        QVERIFY(!serial.Open("COM9"));
        QVERIFY(!serial.Open("/dev/does-not-exist"));
        QVERIFY(!serial.IsOpen());
        std::uint32_t status = 0;
        QVERIFY(!serial.GetModemStatus(status));
        QVERIFY(!serial.SetLine(kvr::LineFunction::SetRts));
        QCOMPARE(kvr::gui::DeviceForCom(0), std::string());
        QCOMPARE(kvr::gui::DeviceForCom(9), std::string());
    }

    void comNamesMapOntoPresentDevicesInOrder() {
        const char* const groups[] = {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"};
        int lastGroup = 0;
        bool ended = false;
        for (int n = 1; n <= 8; ++n) {
            const std::string path = kvr::gui::DeviceForCom(n);
            if (path.empty()) {
                ended = true;
                continue;
            }
            QVERIFY2(!ended, "no gaps between the COM numbers");
            QVERIFY(QFile::exists(QString::fromStdString(path)));
            int group = -1;
            for (int g = 0; g < 3; ++g) {
                if (path.rfind(groups[g], 0) == 0) group = g;
            }
            QVERIFY(group >= lastGroup);
            lastGroup = group;
        }
    }
};

QTEST_GUILESS_MAIN(SerialPtyTest)
#include "serial_pty_test.moc"
