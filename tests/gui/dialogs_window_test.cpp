// The commands that open a modal dialog or a box, once each through the
// real main window and the real dialogs, on a simulated controller.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "gui/support/gui_rig.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "settings/settings_image.h"

namespace {

bool Usable(QtWindow& d, int control) {
    QWidget* w = d.control(control);
    return w != nullptr && w->isEnabled();
}

// The speed fields of both speed dialogs: Hz, electrical rpm, motor, rotor.
QStringList SpeedFields(QtWindow& d) {
    return {Shown(d, id::kSpeedHz), Shown(d, id::kSpeedElectricalRpm), Shown(d, id::kSpeedMotorRpm),
            Shown(d, id::kSpeedRotorRpm)};
}

}  // namespace

class DialogsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void updateDeclinedWritesNothing_data();
    void updateDeclinedWritesNothing();
    void lockFunctionsReadTickWrite_data();
    void lockFunctionsReadTickWrite();
    void rpmSetUpReadCalculateWrite_data();
    void rpmSetUpReadCalculateWrite();

    // 200 pulses a second, 14 poles, ratio 10.00: 400 pulses in a window.
    void revCounterClosedDuringTheMeasurement() {
        GuiRig r(Language::English, ConfigFile("14", "10.00"));
        r.SetByte(kvr::LockFlags, 0xFD);  // test program locked
        r.ctl().profile.motorPulseHz = 200;

        QStringList countdown;
        QStringList figures;
        QString labelWhileMeasuring;
        bool buttonsWhileMeasuring = true;
        bool closeSent = false;
        int pumpsAfterClose = 0;
        bool played = false;
        r.host.script = [&](int, QtWindow& d) {
            QCOMPARE(d.dialog()->windowTitle(), QStringLiteral("Number of Revolutions"));
            QCOMPARE(Shown(d, id::kPoleCount), QStringLiteral("14"));
            QCOMPARE(Shown(d, id::kGearRatio), QStringLiteral("10.00"));
            r.host.onPump = [&] {
                if (closeSent) {
                    ++pumpsAfterClose;
                    return;
                }
                if (Shown(d, id::kRevRotorLabel) == QStringLiteral("sec. time left")) {
                    // The window is alive all through the countdown; each
                    // second left once.
                    const QString left = Shown(d, id::kSpeedRotorRpm);
                    if (!left.isEmpty() && (countdown.isEmpty() || countdown.back() != left))
                        countdown << left;
                    return;
                }
                // The pauses while the motor is released come first.
                if (Shown(d, id::kSpeedHz).isEmpty()) return;
                figures = SpeedFields(d);
                labelWhileMeasuring = Shown(d, id::kRevRotorLabel);
                buttonsWhileMeasuring = Usable(d, id::kRevReleaseMotor) || Usable(d, id::kOk) ||
                                        Usable(d, id::kSaveInput);
                // The person closes the window; the pump that follows delivers it.
                QCoreApplication::postEvent(d.dialog(), new QCloseEvent);
                closeSent = true;
            };
            // Polling costs far below the pulse rate keep the test fast.
            r.devices.simSerial().costs.lineNs = 20000;
            ClickButton(d.control(id::kRevReleaseMotor));
            r.host.onPump = nullptr;
            QCOMPARE(d.endResult(), std::optional<int>(1));
            QVERIFY(!d.dialog()->isVisible());
            // Stopped by the person: nothing measured stays on show.
            QCOMPARE(SpeedFields(d), (QStringList{" ", " ", " ", " "}));
            QCOMPARE(Shown(d, id::kRevRotorLabel), QStringLiteral("Prop revs, rpm"));
            played = true;
        };
        r.Choose(id::kRevCounter);
        QVERIFY(played);
        QCOMPARE(r.host.dialogsRun, std::vector<int>{kvr::id::kRevTemplateEn});
        QVERIFY(r.host.boxes.empty());
        // The motor spins up within the first two seconds of the countdown.
        QCOMPARE(countdown, QStringList{"9"});
        QCOMPARE(figures, (QStringList{"200", "12000", "1714", " 171"}));
        QCOMPARE(labelWhileMeasuring, QStringLiteral("Prop revs, rpm"));
        QVERIFY(!buttonsWhileMeasuring);
        QCOMPARE(pumpsAfterClose, 0);
        // The motor is no longer released.
        QVERIFY(!r.ctl().PinLevel(kvr::sim::Pin::Reset));
    }
    void controllerInfoShowsItsBox_data();
    void controllerInfoShowsItsBox();

    void updateFileIsSentAndDropsCommandsMeanwhile() {
        GuiRig r(Language::English);
        r.SetByte(kvr::LockFlags, 0xFE);  // RC set-up locked
        // Four pages: long enough for the transfer to show its progress and
        // let the window handle its messages.
        const auto records = UpdateRecords(4 * 64, [](int a) { return a * 37 + 11; });
        const std::vector<std::uint8_t> flash =
            FlashImage(records, kvr::sim::Controller::kPages * kvr::sim::Controller::kPageSize);
        const std::filesystem::path file = r.dir.path() / "K6123_6124.upd";
        WriteFileBytes(file, UpdateText(records));
        r.host.chosenFiles.push_back(file.string());

        // A click on Read while the pages go out must not reach the controller.
        bool clicked = false;
        std::size_t readsBefore = 0;
        std::size_t readsAfter = 0;
        r.host.onPump = [&] {
            if (clicked || !r.program.update.transferRunning) return;
            clicked = true;
            readsBefore = r.ctl().TraceOf('U').size();
            r.Click(id::kRead);
            readsAfter = r.ctl().TraceOf('U').size();
        };
        r.Choose(id::kOpenUpdateFile);
        r.host.onPump = nullptr;

        QCOMPARE(r.host.fileRequests.size(), std::size_t{1});
        const ShownBox question{"Update starten?", "Warning!", nullptr,
                                kvr::MessageButtons::OkCancel};
        QCOMPARE(r.host.boxes, std::vector<ShownBox>{question});

        QVERIFY(r.ctl().flash == flash);
        // The RC set-up is freed, and the settings must be read anew.
        QCOMPARE(r.Byte(kvr::LockFlags), 0xFF);
        QCOMPARE(r.program.settings.versionWord, kvr::kVersionRefused);
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
        QVERIFY(!r.Control(id::kStatusLine)->isEnabled());
        QVERIFY(!r.program.update.transferRunning);

        QVERIFY(clicked);
        QCOMPARE(readsAfter, readsBefore);
        QVERIFY(r.host.pumps > 0);
    }
};

// The cases both front ends share.
KVR_WINDOW_CASES(DialogsWindowTest, lockFunctionsReadTickWrite, "LockFunctions")
KVR_WINDOW_CASES(DialogsWindowTest, rpmSetUpReadCalculateWrite, "RpmSetUp")
KVR_WINDOW_CASES(DialogsWindowTest, controllerInfoShowsItsBox, "ControllerInfo")
KVR_WINDOW_CASES(DialogsWindowTest, updateDeclinedWritesNothing, "UpdateDeclined")

QTEST_MAIN(DialogsWindowTest)
#include "dialogs_window_test.moc"
