// The window seam over Qt widgets, the builder's rules on a small template of
// its own, and the host's boxes.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <vector>

#include "gui/support/gui_rig.h"
#include "qt_host.h"
#include "qt_platform.h"
#include "res/templates.h"

using kvr::Text;

namespace {

using K = ControlKind;
constexpr Text kNo{"", ""};
constexpr Text kBox{"Values", "Werte"};

// One control of every kind and flag the builder knows.
constexpr ControlDef kControls[] = {
    {10, K::Edit, {"name", "Name"}, {"V", "V"}, kBox, kvr::res::kNone, 11},
    {12, K::Edit, {"two\nlines", "zwei\nZeilen"}, kNo, kBox, kvr::res::kDigitsOnly},
    {13, K::ComboBox, {"list", "Liste"}, kNo, kBox},
    {14, K::Static, {"shown text", "gezeigter Text"}, kNo, kBox},
    {15, K::CheckBox, {"english only", ""}, kNo, kBox, kvr::res::kEnglishOnly},
    {16, K::CheckBox, {"", "nur deutsch"}, kNo, kNo, kvr::res::kGermanOnly},
    {17, K::CheckBox, {"set by program", "vom Programm"}, kNo, kNo, kvr::res::kManualCheck},
    {18, K::Edit, kNo, kNo, kNo, kvr::res::kReadOnly | kvr::res::kDisabled},
    {1, K::PushButton, {"Done", "Ende"}, kNo, kNo, kvr::res::kDefaultButton},
};
constexpr Text kGroups[] = {kBox};

constexpr kvr::res::DialogTemplate kEnglish{
    900, Language::English, "Test", 200, 100, "MS Sans Serif", 8, 0, kControls, kGroups};
constexpr kvr::res::DialogTemplate kGerman{
    901, Language::German, "Test", 200, 100, "MS Sans Serif", 8, 0, kControls, kGroups};

std::unique_ptr<QtWindow> Build(const kvr::res::DialogTemplate& t) {
    return std::make_unique<QtWindow>(kvr::gui::BuildDialog(t, nullptr));
}

}  // namespace

class QtWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void builderFollowsTheFlags_data() { AddLanguageRows(); }
    void builderFollowsTheFlags() {
        QFETCH(bool, german);
        auto w = Build(german ? kGerman : kEnglish);
        QCOMPARE(w->control(15) != nullptr, !german);
        QCOMPARE(w->control(16) != nullptr, german);
        QCOMPARE(w->dialog()->findChild<QGroupBox*>()->title(),
                 german ? QStringLiteral("Werte") : QStringLiteral("Values"));
        QCOMPARE(w->label(11)->text(), german ? QStringLiteral("Name") : QStringLiteral("name"));
        QCOMPARE(qobject_cast<QLabel*>(w->control(14))->text(),
                 german ? QStringLiteral("gezeigter Text") : QStringLiteral("shown text"));
        auto* readOnly = qobject_cast<QLineEdit*>(w->control(18));
        QVERIFY(readOnly->isReadOnly());
        QVERIFY(!w->IsEnabled(18));
        QVERIFY(w->IsEnabled(10));
        QVERIFY(qobject_cast<QPushButton*>(w->control(1))->isDefault());
        QVERIFY(qobject_cast<QLineEdit*>(w->control(12))->validator() != nullptr);
        QVERIFY(qobject_cast<QLineEdit*>(w->control(10))->validator() == nullptr);
    }

    void textsInAndOut() {
        auto w = Build(kEnglish);
        w->SetText(10, "Übertemp. 4,5");
        QCOMPARE(w->GetText(10, 9), std::string("Übertemp."));  // characters, not bytes
        QCOMPARE(w->GetText(10, 100), std::string("Übertemp. 4,5"));
        QCOMPARE(w->GetText(10, 0), std::string());

        // A status text ends in blanks; the field still shows its start.
        w->SetText(18, "connecting...." + std::string(80, ' '));
        QCOMPARE(qobject_cast<QLineEdit*>(w->control(18))->cursorPosition(), 0);

        // The static label of a field and a static text take texts by id.
        w->SetText(11, "sec. time left");
        QCOMPARE(w->label(11)->text(), QStringLiteral("sec. time left"));
        QCOMPARE(w->GetText(11, 20), std::string("sec. time left"));
        w->SetText(14, "other");
        QCOMPARE(w->GetText(14, 9), std::string("other"));
        w->SetText(1, "Close");
        QCOMPARE(qobject_cast<QPushButton*>(w->control(1))->text(), QStringLiteral("Close"));
    }

    void unknownIdsAreLeftAlone() {
        auto w = Build(kEnglish);
        w->SetText(999, "x");
        w->SetCheck(16, true);  // German only: not in this window
        w->Enable(999, true);
        w->ComboAdd(999, "x");
        w->ComboSetSel(999, 0);
        w->CheckMenuItem(999, true);
        QCOMPARE(w->GetText(999, 9), std::string());
        QVERIFY(!w->IsChecked(16));
        QVERIFY(!w->IsEnabled(999));
        QCOMPARE(w->ComboGetSel(999), -1);
        QVERIFY(!w->IsMenuItemChecked(999));
        // A field is no check box.
        w->SetCheck(10, true);
        QVERIFY(!w->IsChecked(10));
    }

    void comboSelection() {
        auto w = Build(kEnglish);
        auto* combo = qobject_cast<QComboBox*>(w->control(13));
        w->ComboAdd(13, " 7,5°");
        w->ComboAdd(13, "auto");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(w->ComboGetSel(13), -1);  // adding selects nothing
        QCOMPARE(combo->itemText(0), QStringLiteral(" 7,5°"));
        struct Row {
            int set;
            int expected;
        };
        for (const Row& row : {Row{1, 1}, Row{0, 0}, Row{2, -1}, Row{1, 1}, Row{-1, -1}}) {
            w->ComboSetSel(13, row.set);
            QCOMPARE(w->ComboGetSel(13), row.expected);
        }
        w->ComboSetSel(13, 1);
        QCOMPARE(w->GetText(13, 9), std::string("auto"));
    }

    void checksAndEnabling() {
        auto w = Build(kEnglish);
        w->SetCheck(15, true);
        QVERIFY(w->IsChecked(15));
        w->SetCheck(15, false);
        QVERIFY(!w->IsChecked(15));
        w->Enable(10, false);
        QVERIFY(!w->IsEnabled(10));
        QVERIFY(!w->control(10)->isEnabled());
        w->Enable(10, true);
        // A control keeps its own state while a modal child disables the window.
        w->dialog()->setEnabled(false);
        QVERIFY(w->IsEnabled(10));
        QVERIFY(!w->IsEnabled(18));
    }

    void manualCheckBoxIgnoresClicks() {
        auto w = Build(kEnglish);
        std::vector<int> commands;
        w->Start([&](Window&, DialogEvent event, int id) {
            if (event == DialogEvent::Command) commands.push_back(id);
            return 0;
        });
        qobject_cast<QAbstractButton*>(w->control(17))->click();
        QVERIFY(!w->IsChecked(17));
        w->SetCheck(17, true);
        qobject_cast<QAbstractButton*>(w->control(17))->click();
        QVERIFY(w->IsChecked(17));
        qobject_cast<QAbstractButton*>(w->control(15))->click();
        QVERIFY(w->IsChecked(15));
        QCOMPARE(commands, (std::vector<int>{17, 17, 15}));
    }

    void repaintRunsNoOtherWork() {
        auto w = Build(kEnglish);
        w->Show();
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        QMetaObject::invokeMethod(
            w->dialog(), [&] { ran = true; }, Qt::QueuedConnection);
        w->SetText(10, "painted");
        w->Repaint();
        QVERIFY(!ran);
        QCoreApplication::processEvents();
        QVERIFY(ran);
    }

    void messageBoxAnswers_data() {
        QTest::addColumn<bool>("okCancel");
        QTest::addColumn<bool>("pressCancel");
        QTest::addColumn<int>("expected");
        QTest::newRow("OK box") << false << false << kvr::kIdOk;
        QTest::newRow("OK of OK/Cancel") << true << false << kvr::kIdOk;
        QTest::newRow("Cancel of OK/Cancel") << true << true << kvr::kIdCancel;
    }
    void messageBoxAnswers() {
        QFETCH(bool, okCancel);
        QFETCH(bool, pressCancel);
        QFETCH(int, expected);
        QtHost host;
        auto owner = Build(kEnglish);
        owner->Show();
        QString seenText;
        QString seenCaption;
        QWidget* seenParent = nullptr;
        int buttons = 0;
        // Plays the user once the box runs; Escape answers a box still open.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seenText = box->text();
            seenCaption = box->windowTitle();
            seenParent = box->parentWidget();
            buttons = static_cast<int>(box->buttons().size());
            box->button(pressCancel ? QMessageBox::Cancel : QMessageBox::Ok)->click();
        });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        safety.start(5000);
        const int answer =
            host.MessageBox(owner.get(), "Cannot open comport!\n\nline", "Error",
                            okCancel ? kvr::MessageButtons::OkCancel : kvr::MessageButtons::Ok);
        QCOMPARE(answer, expected);
        QCOMPARE(seenText, QStringLiteral("Cannot open comport!\n\nline"));
        QCOMPARE(seenCaption, QStringLiteral("Error"));
        QCOMPARE(seenParent, static_cast<QWidget*>(owner->dialog()));
        QCOMPARE(buttons, okCancel ? 2 : 1);
    }

    void platformObjects() {
        // The steady clock's milliseconds, cut to 32 bits.
        auto steadyMs = [] {
            return static_cast<std::uint32_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count());
        };
        kvr::gui::QtClock clock;
        const std::uint32_t before = steadyMs();
        const std::uint32_t tick = clock.TickCount();
        const std::uint32_t after = steadyMs();
        QVERIFY(static_cast<std::uint32_t>(tick - before) <=
                static_cast<std::uint32_t>(after - before));

        kvr::NoPortIo io;
        std::uint32_t value = 7;
        QVERIFY(!io.LoadDriver());
        QVERIFY(!io.DriverWritePortUshort(0x378, 1));
        QVERIFY(!io.DriverReadPortUlong(0x379, value));
        QtHost host;
        QCOMPARE(host.QueryPlatform(), kvr::PlatformFamily::Nt);
    }
};

QTEST_MAIN(QtWindowTest)
#include "qt_window_test.moc"
