// The real main window, built from its templates, on the offscreen platform.
#include "app/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QValidator>
#include <vector>

#include "app/program.h"
#include "gui/support/gui_rig.h"
#include "qt_host.h"
#include "res/ids.h"
#include "res/templates.h"

namespace {

// A template's window on a plain host; keeps every call the window makes to
// its procedure.
struct Recorder {
    explicit Recorder(int templateId = kvr::id::kMainWindowEn, kvr::gui::BuildOptions options = {})
        : host(std::move(options)), window(host.OpenDialog(templateId, nullptr, Proc())) {}

    kvr::DialogProc Proc() {
        return [this](Window& w, DialogEvent event, int id) {
            calls.emplace_back(event, id);
            if (event == DialogEvent::Command && onCommand) onCommand(w, id);
            return 0;
        };
    }
    std::vector<int> Commands() const {
        std::vector<int> ids;
        for (const auto& [event, id] : calls) {
            if (event == DialogEvent::Command) ids.push_back(id);
        }
        return ids;
    }
    // Shows the window; false when it never reached the screen.
    bool Show() {
        window->dialog()->show();
        return QTest::qWaitForWindowExposed(window->dialog());
    }

    std::vector<std::pair<DialogEvent, int>> calls;
    std::function<void(Window&, int)> onCommand;
    QtHost host;
    std::unique_ptr<QtWindow> window;
};

QGroupBox* GroupOf(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
        if (auto* box = qobject_cast<QGroupBox*>(p)) return box;
    }
    return nullptr;
}

QLabel* BuddyLabel(QtWindow& window, QWidget* field) {
    for (QLabel* label : window.dialog()->findChildren<QLabel*>()) {
        if (label->buddy() == field) return label;
    }
    return nullptr;
}

bool HasLabel(QWidget* inside, const QString& text) {
    for (QLabel* label : inside->findChildren<QLabel*>()) {
        if (label->text() == text) return true;
    }
    return false;
}

// A menu text as shown, and its access key (the letter after '&', lower
// case; empty for none).
QString WithoutAccessKey(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("&(?=[^&])")));
}
QString AccessKey(const QString& text) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("&([^&])")).match(text);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

}  // namespace

namespace {

// The core's own procedure on the real window, with recording fakes for
// everything else.
struct RealProgram : FakeProgram {
    std::unique_ptr<QtWindow> window;

    explicit RealProgram(Language lang) : FakeProgram(lang) {
        window = kvr::gui::BuildWindow(kvr::res::MainWindowTemplateId(lang), nullptr);
        window->Start([this](Window& w, DialogEvent event, int id) {
            return kvr::MainWindowProc(program, w, event, id);
        });
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void buildsEveryControlOfTheTemplate_data() {
        QTest::addColumn<int>("templateId");
        QTest::newRow("English") << kvr::id::kMainWindowEn;
        QTest::newRow("German") << kvr::id::kMainWindowDe;
    }
    void buildsEveryControlOfTheTemplate() {
        QFETCH(int, templateId);
        const kvr::res::DialogTemplate* t = kvr::res::FindTemplate(templateId);
        QVERIFY(t != nullptr);
        const Language lang = t->language;
        Recorder recorder(templateId);
        auto& window = recorder.window;
        QVERIFY(window != nullptr);
        QCOMPARE(window->dialog()->windowTitle(), QStringLiteral("KVR-Duza2  Setup "));
        QCOMPARE(recorder.calls.size(), std::size_t{1});
        QCOMPARE(recorder.calls[0].first, DialogEvent::Init);

        QStringList boxTitles;
        for (QGroupBox* box : window->dialog()->findChildren<QGroupBox*>())
            boxTitles << box->title();
        QCOMPARE(boxTitles.size(), static_cast<qsizetype>(t->groups.size()));
        for (const kvr::Text& g : t->groups)
            QVERIFY2(boxTitles.contains(Q(Pick(lang, g))), Q(g.en).toUtf8());

        for (const ControlDef& c : t->controls) {
            const QByteArray where = QByteArray::number(c.id);
            QWidget* w = window->control(c.id);
            if (!Present(c, lang)) {
                QVERIFY2(w == nullptr, where);
                continue;
            }
            QVERIFY2(w != nullptr, where);
            const QString label = Q(Pick(lang, c.label));
            switch (c.kind) {
                case ControlKind::Edit:
                    QVERIFY2(qobject_cast<QLineEdit*>(w) != nullptr, where);
                    break;
                case ControlKind::ComboBox: {
                    auto* combo = qobject_cast<QComboBox*>(w);
                    QVERIFY2(combo != nullptr, where);
                    QVERIFY(combo->isEditable());
                    QCOMPARE(combo->count(), 0);
                    QCOMPARE(combo->currentIndex(), -1);
                    break;
                }
                case ControlKind::Radio:
                case ControlKind::CheckBox:
                case ControlKind::PushButton:
                case ControlKind::Static:
                    QVERIFY2(w->inherits(c.kind == ControlKind::Radio      ? "QRadioButton"
                                         : c.kind == ControlKind::CheckBox ? "QCheckBox"
                                         : c.kind == ControlKind::Static   ? "QLabel"
                                                                           : "QPushButton"),
                             where);
                    QCOMPARE(WidgetText(w), label);
                    break;
            }
            if (c.kind == ControlKind::Edit || c.kind == ControlKind::ComboBox) {
                QLabel* buddy = BuddyLabel(*window, w);
                if (label.isEmpty()) {
                    QVERIFY2(buddy == nullptr, where);
                } else {
                    QVERIFY2(buddy != nullptr, where);
                    QCOMPARE(buddy->text(), label);
                    if (c.labelId != 0) QCOMPARE(window->label(c.labelId), buddy);
                }
            }
            QGroupBox* box = GroupOf(w);
            const QString group = Q(Pick(lang, c.group));
            if (group.isEmpty()) {
                QVERIFY2(box == nullptr, where);
            } else {
                QVERIFY2(box != nullptr, where);
                QCOMPARE(box->title(), group);
                const QString unit = Q(Pick(lang, c.unit));
                if (!unit.isEmpty()) QVERIFY2(HasLabel(box, unit), where);
            }
        }
    }

    void buildsTheMenu_data() {
        QTest::addColumn<int>("templateId");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<bool>("helpFileEnabled");
        // The port menu lists COM1 to COM8.
        QStringList ports;
        for (int n = 1; n <= 8; ++n) ports << QStringLiteral("COM%1").arg(n);
        QTest::newRow("English") << kvr::id::kMainWindowEn
                                 << QStringList{"File", "Port", "Options", "Rev Counter", "Help"}
                                 << QStringList{"Open Update File", "Save Settings...",
                                                "Load Settings..."} +
                                        ports +
                                        QStringList{"Lock Funktions",       "Controller Info",
                                                    "Rev Counter",          "Help File",
                                                    "Internet Servicepage", "About..."}
                                 << true;
        QTest::newRow("German")
            << kvr::id::kMainWindowDe
            << QStringList{"Datei", "Port", "Optionen", "Drehzahl messen", "Hilfe"}
            << QStringList{QStringLiteral("Update-Datei öffnen"), "Einstellungen speichern...",
                           "Einstellungen laden..."} +
                   ports + QStringList{"Sperrfunktionen",       "Prozessor-Info",
                                       "Drehzahl messen",       "Hilfe-Datei",
                                       "Internet Serviceseite", QStringLiteral("Über...")}
            << false;
    }
    void buildsTheMenu() {
        QFETCH(int, templateId);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, items);
        QFETCH(bool, helpFileEnabled);
        Recorder recorder(templateId);
        auto& window = recorder.window;
        QVERIFY(window != nullptr);
        auto* bar = window->dialog()->findChild<QMenuBar*>();
        QVERIFY(bar != nullptr);

        QStringList shownTitles;
        QStringList shownItems;
        std::vector<QAction*> actions;
        // Every menu and every item has an access key of its own in its menu,
        // so each command can be chosen from the keyboard.
        QStringList barKeys;
        for (QAction* top : bar->actions()) {
            shownTitles << WithoutAccessKey(top->text());
            barKeys << AccessKey(top->text());
            if (QMenu* menu = top->menu()) {
                QStringList itemKeys;
                for (QAction* a : menu->actions()) {
                    shownItems << WithoutAccessKey(a->text());
                    itemKeys << AccessKey(a->text());
                    actions.push_back(a);
                }
                QVERIFY(!itemKeys.contains(QString()));
                QCOMPARE(itemKeys.removeDuplicates(), 0);
            } else {
                shownItems << WithoutAccessKey(top->text());
                actions.push_back(top);
            }
        }
        QVERIFY(!barKeys.contains(QString()));
        QCOMPARE(barKeys.removeDuplicates(), 0);
        QCOMPARE(shownTitles, titles);
        QCOMPARE(shownItems, items);

        const std::vector<int> ids = {1147, 1301, 1302, 1155, 1156, 1157, 1158, 1159, 1160,
                                      1161, 1162, 1202, 1225, 1244, 1104, 1197, 1151};
        QCOMPARE(actions.size(), ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i) {
            QCOMPARE(window->menuItem(ids[i]), actions[i]);
            QCOMPARE(actions[i]->isEnabled(),
                     ids[i] == kvr::id::kHelpFile ? helpFileEnabled : true);
            QVERIFY(!actions[i]->isChecked());
        }
    }

    void initialStateOfTheTemplate() {
        Recorder recorder;
        auto& window = recorder.window;
        QVERIFY(window != nullptr);
        QVERIFY(!window->IsEnabled(kvr::id::kWrite));
        QVERIFY(!window->IsEnabled(kvr::id::kMaxFrequency));
        QVERIFY(window->IsEnabled(kvr::id::kRead));
        QVERIFY(window->IsEnabled(kvr::id::kStatusLine));  // the procedure disables it
        QVERIFY(qobject_cast<QLineEdit*>(window->control(kvr::id::kVersionText))->isReadOnly());
        QVERIFY(!qobject_cast<QLineEdit*>(window->control(kvr::id::kStopTime))->isReadOnly());
        QVERIFY(qobject_cast<QPushButton*>(window->control(kvr::id::kEnd))->isDefault());
        QVERIFY(!qobject_cast<QPushButton*>(window->control(kvr::id::kRead))->isDefault());

        // Digits only where the template says so.
        for (int id : {kvr::id::kAcceleration, kvr::id::kStartupPower}) {
            auto* edit = qobject_cast<QLineEdit*>(window->control(id));
            QVERIFY(edit->validator() != nullptr);
            edit->clear();
            edit->setFocus();
            QTest::keyClicks(edit, "1a2,5");
            QCOMPARE(edit->text(), QStringLiteral("125"));
        }
        auto* free = qobject_cast<QLineEdit*>(window->control(kvr::id::kFullSpeedTime));
        QTest::keyClicks(free, "1,5");
        QCOMPARE(free->text(), QStringLiteral("1,5"));
    }

    void radioButtonsFollowTheirKind() {
        Recorder recorder;
        auto& window = recorder.window;
        QtWindow& w = *window;
        window->dialog()->show();
        auto click = [&](int id) { ClickButton(w.control(id)); };

        // Automatic radios: a click ticks the one and clears its group only.
        w.SetCheck(kvr::id::kBatteryLipo, true);
        click(kvr::id::kLvIgnore);
        click(kvr::id::kLvSwitchOff);
        QVERIFY(w.IsChecked(kvr::id::kLvSwitchOff));
        QVERIFY(!w.IsChecked(kvr::id::kLvIgnore));
        QVERIFY(!w.IsChecked(kvr::id::kLvReducePower));
        QVERIFY(w.IsChecked(kvr::id::kBatteryLipo));
        click(kvr::id::kLvSwitchOff);  // a second click keeps it ticked
        QVERIFY(w.IsChecked(kvr::id::kLvSwitchOff));
        // The program may clear a group completely.
        w.SetCheck(kvr::id::kLvSwitchOff, false);
        QVERIFY(!w.IsChecked(kvr::id::kLvSwitchOff));

        // The frequency radios change only when the program sets them.
        click(kvr::id::kFreq78);
        QVERIFY(!w.IsChecked(kvr::id::kFreq78));
        w.SetCheck(kvr::id::kFreq156, true);
        click(kvr::id::kFreq78);
        QVERIFY(!w.IsChecked(kvr::id::kFreq78));
        QVERIFY(w.IsChecked(kvr::id::kFreq156));
        w.SetCheck(kvr::id::kFreq78, true);
        w.SetCheck(kvr::id::kFreq156, false);
        click(kvr::id::kFreq78);
        QVERIFY(w.IsChecked(kvr::id::kFreq78));

        // Automatic check box.
        click(kvr::id::kRpmControl);
        QVERIFY(w.IsChecked(kvr::id::kRpmControl));

        const std::vector<int> expected = {1168, 1170, 1170, 1138, 1138, 1138, 1175};
        QCOMPARE(recorder.Commands(), expected);
    }

    void clicksAndMenuItemsReachTheProcedure() {
        Recorder recorder(kvr::id::kMainWindowDe);
        auto& window = recorder.window;
        QVERIFY(recorder.Show());

        window->Enable(kvr::id::kWrite, true);
        for (int id : {kvr::id::kRead, kvr::id::kWrite, kvr::id::kRpmSetUp, kvr::id::kLogReset,
                       kvr::id::kOvertempProtection, kvr::id::kBatteryNicd}) {
            ClickButton(window->control(id));
        }
        // A disabled button sends nothing.
        window->Enable(kvr::id::kWrite, false);
        QTest::mouseClick(qobject_cast<QAbstractButton*>(window->control(kvr::id::kWrite)),
                          Qt::LeftButton);

        auto* brake = qobject_cast<QComboBox*>(window->control(kvr::id::kBrakeList));
        window->ComboAdd(kvr::id::kBrakeList, "aus");
        window->ComboAdd(kvr::id::kBrakeList, "hart");
        emit brake->activated(1);

        for (int id : {kvr::id::kPortCom1 + 2, kvr::id::kAbout, kvr::id::kRevCounter,
                       kvr::id::kLockFunctions, kvr::id::kSaveSettings, kvr::id::kLoadSettings}) {
            window->menuItem(id)->trigger();
        }
        // The greyed help file item cannot be chosen.
        window->menuItem(kvr::id::kHelpFile)->trigger();

        const std::vector<int> expected = {1149, 1150, 1210, 1183, 1191, 1232, 1146,
                                           1157, 1151, 1244, 1202, 1301, 1302};
        QCOMPARE(recorder.Commands(), expected);
        QVERIFY(!window->endResult().has_value());
    }

    void escapeAndCloseSendEnd() {
        Recorder recorder;
        auto& window = recorder.window;
        QVERIFY(recorder.Show());
        QTest::keyClick(window->dialog(), Qt::Key_Escape);
        window->dialog()->close();
        // The procedure did not end the dialog, so it stays open.
        QVERIFY(window->dialog()->isVisible());
        QCOMPARE(recorder.Commands(), (std::vector<int>{2, 2}));
    }

    void endDialogWaitsForTheCommand() {
        Recorder recorder;
        bool visibleAfterEnd = false;
        recorder.onCommand = [&](Window& w, int id) {
            if (id != kvr::id::kEnd) return;
            w.EndDialog(7);
            // Still open while the command runs.
            visibleAfterEnd =
                qobject_cast<QWidget*>(dynamic_cast<QtWindow&>(w).dialog())->isVisible();
        };
        auto& window = recorder.window;
        window->dialog()->show();
        QTest::mouseClick(qobject_cast<QAbstractButton*>(window->control(kvr::id::kEnd)),
                          Qt::LeftButton);
        QVERIFY(visibleAfterEnd);
        QCOMPARE(window->endResult(), std::optional<int>(7));
        QVERIFY(!window->dialog()->isVisible());
        QCOMPARE(window->dialog()->result(), 7);
        // An ended dialog takes no more commands.
        window->Command(kvr::id::kRead);
        QCOMPARE(recorder.Commands(), (std::vector<int>{2}));
    }

    void runDialogEndedInInitDoesNotBlock() {
        QtHost host;
        std::vector<int> seen;
        const int result = host.RunDialog(kvr::id::kMainWindowDe, nullptr,
                                          [&](Window& w, DialogEvent event, int id) {
                                              seen.push_back(id);
                                              if (event == DialogEvent::Init) w.EndDialog(5);
                                              return 1;
                                          });
        QCOMPARE(result, 5);
        QCOMPARE(seen, (std::vector<int>{0}));
        QCOMPARE(host.RunDialog(4711, nullptr, [](Window&, DialogEvent, int) { return 0; }), -1);
    }

    void portItemsShowTheirDevice() {
        kvr::gui::BuildOptions options;
        options.menuText = [](int id, std::string_view text) {
            std::string s(text);
            if (id == kvr::id::kPortCom1 + 2) s += "\t/dev/ttyUSB0";
            return s;
        };
        Recorder recorder(kvr::id::kMainWindowEn, options);
        auto& window = recorder.window;
        QAction* com3 = window->menuItem(kvr::id::kPortCom1 + 2);
        QVERIFY(com3 != nullptr);
        QCOMPARE(com3->text(), QStringLiteral("COM&3\t/dev/ttyUSB0"));
        QCOMPARE(window->menuItem(kvr::id::kPortCom1)->text(), QStringLiteral("COM&1"));
        com3->trigger();
        QCOMPARE(recorder.Commands(), (std::vector<int>{kvr::id::kPortCom1 + 2}));
    }

    void realProcedureFillsTheWindow_data() {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("brake");
        QTest::newRow("English") << false << QStringList{"off", "hard", "medium", "soft"};
        QTest::newRow("German") << true << QStringList{"aus", "hart", "mittel", "weich"};
    }
    void realProcedureFillsTheWindow() {
        QFETCH(bool, german);
        QFETCH(QStringList, brake);
        const TempDir dir;

        RealProgram r(german ? Language::German : Language::English);
        QtWindow& w = *r.window;

        auto items = [&](int id) {
            QStringList list;
            auto* combo = qobject_cast<QComboBox*>(w.control(id));
            for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
            return list;
        };
        const QStringList timing{QStringLiteral(" 0°"),   QStringLiteral(" 7,5°"),
                                 QStringLiteral("15,0°"), QStringLiteral("22,5°"),
                                 QStringLiteral("30,0°"), QStringLiteral("auto")};
        QCOMPARE(items(kvr::id::kTimingList), timing);
        QCOMPARE(items(kvr::id::kBrakeList), brake);
        QCOMPARE(w.ComboGetSel(kvr::id::kTimingList), -1);
        QCOMPARE(w.ComboGetSel(kvr::id::kBrakeList), -1);
        QVERIFY(!w.IsEnabled(kvr::id::kStatusLine));
        QVERIFY(!w.IsEnabled(kvr::id::kWrite));
        QVERIFY(w.dialog()->isVisible());
        // A new configuration on this platform chooses COM2.
        QVERIFY(w.IsMenuItemChecked(kvr::id::kPortCom1 + 1));
        QVERIFY(w.menuItem(kvr::id::kPortCom1 + 1)->isChecked());
        QVERIFY(!w.menuItem(kvr::id::kPortCom1)->isChecked());
        QCOMPARE(ReadFileBytes("blsetup.cfg"), std::string("COM2"));

        // Escape is "End": the port name is saved and the window ends with 1.
        QTest::keyClick(w.dialog(), Qt::Key_Escape);
        QCOMPARE(w.endResult(), std::optional<int>(1));
        QVERIFY(!w.dialog()->isVisible());
        QVERIFY(r.host.boxes.empty());
    }

    void realProcedureReportsAFailedPortOwnedByTheWindow() {
        const TempDir dir;

        RealProgram r(Language::English);
        QtWindow& w = *r.window;
        QVERIFY(w.IsMenuItemChecked(kvr::id::kPortCom1 + 1));

        // COM3 is not there: the box is owned by the main window, the choice stays.
        w.menuItem(kvr::id::kPortCom1 + 2)->trigger();
        QCOMPARE(r.host.boxes, OneBox("Cannot open comport!", "Error", &w));
        QVERIFY(w.menuItem(kvr::id::kPortCom1 + 2)->isChecked());
        QVERIFY(!w.menuItem(kvr::id::kPortCom1 + 1)->isChecked());
        QVERIFY(!w.IsEnabled(kvr::id::kStatusLine));

        // Choosing it again keeps it ticked: a click does not toggle the mark.
        w.menuItem(kvr::id::kPortCom1 + 2)->trigger();
        QVERIFY(w.menuItem(kvr::id::kPortCom1 + 2)->isChecked());

        QTest::mouseClick(qobject_cast<QAbstractButton*>(w.control(kvr::id::kEnd)), Qt::LeftButton);
        QCOMPARE(w.endResult(), std::optional<int>(1));
        QCOMPARE(ReadFileBytes("blsetup.cfg"), std::string("COM3"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
