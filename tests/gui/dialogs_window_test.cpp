// The commands that open a modal dialog or a box, once each through the
// real main window and the real dialogs, on a simulated controller.
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "gui/support/gui_rig.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "settings/settings_image.h"

using kvr::Language;
using kvr::gui::QtWindow;
using kvr::testing::ClickButton;
using kvr::testing::ConfigFile;
using kvr::testing::GuiRig;
using kvr::testing::TypeInto;
namespace id = kvr::id;

namespace {

using Writes = std::vector<std::pair<int, int>>;

QString Shown(QtWindow& d, int control) {
    QWidget* w = d.control(control);
    if (w == nullptr) w = d.label(control);
    return kvr::testing::WidgetText(w);
}

bool Ticked(QtWindow& d, int control) {
    auto* button = qobject_cast<QAbstractButton*>(d.control(control));
    return button != nullptr && button->isChecked();
}

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
    void lockFunctionsReadTickWrite();
    void rpmSetUpReadCalculateWrite();
    void revCounterClosedDuringTheMeasurement();
    void controllerInfoShowsItsBox();
    void updateFileIsSentAndDropsCommandsMeanwhile();
};

void DialogsWindowTest::lockFunctionsReadTickWrite() {
    GuiRig r(Language::English);
    // Bit 7 set, RC set-up free, test program locked.
    r.SetByte(kvr::LockFlags, 0x81);
    r.Click(id::kRead);
    r.ctl().trace.clear();

    bool played = false;
    r.host.script = [&](int, QtWindow& d) {
        QCOMPARE(d.dialog()->windowTitle(), QStringLiteral("Lock Functions"));
        QCOMPARE(d.dialog()->parentWidget(), r.main->dialog());
        QVERIFY(!Usable(d, id::kLockRcSetup));
        QVERIFY(!Usable(d, id::kLockTestProgram));
        QVERIFY(!Usable(d, id::kLockWrite));

        ClickButton(d.control(id::kLockRead));
        QVERIFY(Usable(d, id::kLockRcSetup));
        QVERIFY(Usable(d, id::kLockWrite));
        QVERIFY(!Ticked(d, id::kLockRcSetup));
        QVERIFY(Ticked(d, id::kLockTestProgram));
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("ok"));

        ClickButton(d.control(id::kLockRcSetup));
        QVERIFY(Ticked(d, id::kLockRcSetup));
        ClickButton(d.control(id::kLockWrite));
        QVERIFY(!d.endResult().has_value());
        ClickButton(d.control(id::kEnd));
        played = true;
    };
    r.Choose(id::kLockFunctions);
    QVERIFY(played);
    QCOMPARE(r.host.dialogsRun, std::vector<int>{kvr::id::kLockTemplateEn});
    QCOMPARE(r.host.dialogsLeftOpen, 0);
    QVERIFY(r.host.boxes.empty());
    // Both locks now, bit 7 kept.
    QCOMPARE(r.Writes(), (Writes{{kvr::LockFlags, 0x80}}));
    QCOMPARE(r.Byte(kvr::LockFlags), 0x80);
    QCOMPARE(r.Text(id::kStatusLine), QStringLiteral(" "));
    QVERIFY(!r.Control(id::kStatusLine)->isEnabled());
}

// German, with the quick-start box; 10 poles and ratio 8.00 in the file.
void DialogsWindowTest::rpmSetUpReadCalculateWrite() {
    GuiRig r(Language::German, ConfigFile("10", "8.00"));
    r.Click(id::kRead);
    r.ctl().trace.clear();

    bool played = false;
    r.host.script = [&](int, QtWindow& d) {
        QCOMPARE(d.dialog()->windowTitle(), QStringLiteral("Drehzahlregelung"));
        QCOMPARE(Shown(d, id::kPoleCount), QStringLiteral("10"));
        QCOMPARE(Shown(d, id::kGearRatio), QStringLiteral("8.00"));
        QVERIFY(!Usable(d, id::kRpmWrite));
        QVERIFY(!Usable(d, id::kRpmCalculate));
        QVERIFY(Usable(d, id::kRpmQuickStart));

        // Stored period 537 at 16 MHz: 593 Hz, 35584 electrical rpm.
        ClickButton(d.control(id::kRpmRead));
        QCOMPARE(SpeedFields(d), (QStringList{" 593", "35584", "7116", " 889"}));
        QCOMPARE(Shown(d, id::kRpmProportional), QStringLiteral(" 3"));
        QCOMPARE(Shown(d, id::kRpmIntegral), QStringLiteral(" 3"));
        QVERIFY(!Ticked(d, id::kRpmQuickStart));
        QVERIFY(Usable(d, id::kRpmWrite));
        QVERIFY(Usable(d, id::kSpeedRotorRpm));

        TypeInto(d.control(id::kSpeedRotorRpm), "1500");
        ClickButton(d.control(id::kRpmCalculate));
        QCOMPARE(SpeedFields(d), (QStringList{"1000", "60000", "12000", "1500"}));

        ClickButton(d.control(id::kRpmQuickStart));
        TypeInto(d.control(id::kRpmProportional), "4");
        ClickButton(d.control(id::kRpmWrite));
        // What the controller holds now: period 307 is 1002 Hz.
        QCOMPARE(SpeedFields(d), (QStringList{"1002", "60162", "12032", "1504"}));
        ClickButton(d.control(id::kOk));
        played = true;
    };
    r.Click(id::kRpmSetUp);
    QVERIFY(played);
    QCOMPARE(r.host.dialogsRun, std::vector<int>{kvr::id::kRpmTemplateDe});
    QCOMPARE(r.host.dialogsLeftOpen, 0);
    QVERIFY(r.host.boxes.empty());
    // 333900 div 1000 - 26 = 307 = 1 * 256 + 51; I 3 is stored as 6 - 3.
    const Writes expected = {{kvr::RpmPeriodHigh, 1},
                             {kvr::RpmPeriodLow, 51},
                             {kvr::RpmProportional, 4},
                             {kvr::RpmIntegralCode, 3},
                             {kvr::OptionFlags, kvr::kOptFreeWheeling | kvr::kOptQuickStart}};
    QCOMPARE(r.Writes(), expected);
    QCOMPARE(r.Byte(kvr::OptionFlags), 0x12);
    QCOMPARE(r.program.settings.options, 0x12);
    // The main window's frequency stays blank until the next Read.
    QCOMPARE(r.Text(id::kMaxFrequency), QStringLiteral("   "));
}

// 200 pulses a second, 14 poles, ratio 10.00: 400 pulses in a window.
void DialogsWindowTest::revCounterClosedDuringTheMeasurement() {
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
            buttonsWhileMeasuring =
                Usable(d, id::kRevReleaseMotor) || Usable(d, id::kOk) || Usable(d, id::kSaveInput);
            // The person closes the window; the pump that follows delivers it.
            QCoreApplication::postEvent(d.dialog(), new QCloseEvent);
            closeSent = true;
        };
        // Polling costs far below the pulse rate keep the test fast.
        r.sim.simSerial().costs.lineNs = 20000;
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

void DialogsWindowTest::controllerInfoShowsItsBox() {
    GuiRig r(Language::German);
    r.Choose(id::kControllerInfo);
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    QCOMPARE(r.host.boxes[0].text,
             std::string("Vendor Code: 1E\nPart Family: 93\nPart Number: 07\n\nLockbits: FF\n"
                         "Fuse HB: D9\nFuse LB: E1\n"));
    QCOMPARE(r.host.boxes[0].caption, std::string("Info:"));
    QCOMPARE(r.host.boxes[0].owner, nullptr);
    QVERIFY(r.host.dialogsRun.empty());
    QCOMPARE(r.Text(id::kStatusLine), QStringLiteral(" "));
    QVERIFY(!r.Control(id::kStatusLine)->isEnabled());
}

void DialogsWindowTest::updateFileIsSentAndDropsCommandsMeanwhile() {
    GuiRig r(Language::English);
    r.SetByte(kvr::LockFlags, 0xFE);  // RC set-up locked
    // Four pages: long enough for the transfer to show its progress and
    // let the window handle its messages.
    const auto records = kvr::testing::UpdateRecords(4 * 64, [](int a) { return a * 37 + 11; });
    const std::vector<std::uint8_t> flash = kvr::testing::FlashImage(
        records, kvr::sim::Controller::kPages * kvr::sim::Controller::kPageSize);
    const std::filesystem::path file = r.dir.path() / "K6123_6124.upd";
    kvr::testing::WriteFileBytes(file, kvr::testing::UpdateText(records));
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
    QCOMPARE(r.host.boxes.size(), std::size_t{1});
    QCOMPARE(r.host.boxes[0].text, std::string("Update starten?"));
    QCOMPARE(r.host.boxes[0].caption, std::string("Warning!"));
    QCOMPARE(r.host.boxes[0].buttons, kvr::MessageButtons::OkCancel);

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

QTEST_MAIN(DialogsWindowTest)
#include "dialogs_window_test.moc"
