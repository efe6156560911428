// The window stays alive while a command talks to the controller: its
// timers run, its status line changes, and every other command is refused.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "gui/support/gui_rig.h"
#include "res/ids.h"

class ResponsiveWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // A Read on the real clock over the UART link (about a second). While it
    // shows "reading....." it detects the link, with pauses of 5 and 20 ms.
    void timersRunAndOtherCommandsAreRefusedDuringARead() {
        GuiRig r(Language::English, ConfigFile("14", "10.00"), kvr::sim::ClockKind::Real);
        r.ctl().profile.link = kvr::sim::LinkKind::Uart;
        r.main->dialog()->show();

        int ticks = 0;
        QStringList statusSeen;
        bool busyPointer = false;
        bool triedOthers = false;
        std::size_t traceBefore = 0;
        std::size_t traceAfter = 0;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            statusSeen << r.Text(id::kStatusLine).trimmed();
            const QCursor* cursor = QApplication::overrideCursor();
            busyPointer = busyPointer || (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
            if (triedOthers || statusSeen.back() != QStringLiteral("reading.....")) return;
            // In the middle of the Read, while it looks for the controller:
            // Write, Controller Info, Lock Functions, End, closing the window,
            // each as a person or a tool would send it.
            triedOthers = true;
            traceBefore = r.ctl().trace.size();
            qobject_cast<QPushButton*>(r.Control(id::kWrite))->click();
            r.main->menuItem(id::kControllerInfo)->trigger();
            r.main->menuItem(id::kLockFunctions)->trigger();
            qobject_cast<QPushButton*>(r.Control(id::kEnd))->click();
            QCloseEvent close;
            QApplication::sendEvent(r.main->dialog(), &close);
            traceAfter = r.ctl().trace.size();
        });
        timer.start();
        r.Click(id::kRead);
        timer.stop();

        QVERIFY(ticks > 0);
        QVERIFY(statusSeen.contains(QStringLiteral("reading.....")));
        QVERIFY(busyPointer);
        QVERIFY(triedOthers);
        // Nothing of the refused commands reached the controller or the user,
        // and the Read went on after them.
        QCOMPARE(traceAfter, traceBefore);
        QVERIFY(r.ctl().TraceOf('U').size() > 20);
        QVERIFY(r.host.boxes.empty());
        QVERIFY(r.host.dialogsRun.empty());
        QVERIFY(!r.main->endResult().has_value());
        QVERIFY(r.main->dialog()->isVisible());
        // The Read itself ended as always, and the pointer is back.
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
        QVERIFY(r.main->IsEnabled(id::kWrite));
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // With the command over, End is a command again.
        qobject_cast<QPushButton*>(r.Control(id::kEnd))->click();
        QCOMPARE(r.main->endResult(), std::optional<int>(1));
    }

    // Clicks and keys that arrive while a command pumps are dropped: no tick
    // changes, no field takes a key.
    void inputDuringACommandChangesNothing() {
        GuiRig r(Language::English);
        r.main->dialog()->show();
        r.Click(id::kRead);
        QVERIFY(r.Text(id::kStatusLine) == QStringLiteral("OK"));
        const bool turboBefore = r.main->IsChecked(id::kTurbo);
        const QString fullSpeedBefore = r.Text(id::kFullSpeedTime);

        bool acted = false;
        r.host.onPump = [&] {
            if (acted) return;
            acted = true;
            // Delivered by the pump that follows.
            QWidget* turbo = r.Control(id::kTurbo);
            QWidget* field = r.Control(id::kFullSpeedTime);
            const QPoint mark(6, turbo->height() / 2);
            QCoreApplication::postEvent(
                turbo, new QMouseEvent(QEvent::MouseButtonPress, mark, turbo->mapToGlobal(mark),
                                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(
                turbo, new QMouseEvent(QEvent::MouseButtonRelease, mark, turbo->mapToGlobal(mark),
                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
            QCoreApplication::postEvent(field, new QKeyEvent(QEvent::KeyPress, Qt::Key_9,
                                                             Qt::NoModifier, QStringLiteral("9")));
        };
        // The Write rewrites what Read showed.
        r.Click(id::kWrite);
        r.host.onPump = nullptr;
        QCoreApplication::processEvents();

        QVERIFY(acted);
        QCOMPARE(r.main->IsChecked(id::kTurbo), turboBefore);
        QCOMPARE(r.Text(id::kFullSpeedTime), fullSpeedBefore);
        QCOMPARE(r.Text(id::kStatusLine), QStringLiteral("OK"));
    }
};

QTEST_MAIN(ResponsiveWindowTest)
#include "responsive_window_test.moc"
