// Every window as accessibility tools see it: roles, names, tab order, and
// actions that run the program's handlers as a click does.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/support/gui_rig.h"
#include "qt_host.h"
#include "res/ids.h"
#include "res/locks_texts.h"
#include "res/speed_texts.h"
#include "res/templates.h"

namespace {

bool SameText(const kvr::Text& a, const kvr::Text& b) {
    return a.en == b.en && a.de == b.de;
}

QAccessibleInterface* Accessible(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

// Runs an accessibility action by its name, as a screen reader does.
void Act(QWidget* w, const QString& action) {
    QAccessibleInterface* iface = Accessible(w);
    QVERIFY(iface != nullptr);
    QAccessibleActionInterface* actions = iface->actionInterface();
    QVERIFY(actions != nullptr);
    QVERIFY2(actions->actionNames().contains(action), qPrintable(action));
    actions->doAction(action);
}

QAccessible::Role RoleOf(ControlKind kind) {
    using enum ControlKind;
    const std::map<ControlKind, QAccessible::Role> roles = {
        {Edit, QAccessible::EditableText}, {Radio, QAccessible::RadioButton},
        {CheckBox, QAccessible::CheckBox}, {ComboBox, QAccessible::ComboBox},
        {PushButton, QAccessible::Button}, {Static, QAccessible::StaticText}};
    const auto it = roles.find(kind);
    return it == roles.end() ? QAccessible::NoRole : it->second;
}

// What a control is called: its label, a two-line label as one line, or
// the name of a control without a label.
QString NameOf(const ControlDef& c, Language lang) {
    QString label = Q(Pick(lang, c.label));
    if (label.isEmpty()) return Q(Pick(lang, c.name));
    return label.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// The controls in the order the window shows them: group by group as the
// groups first appear (a run of controls outside any group counts as one),
// the buttons outside any group last.
std::vector<int> LayoutOrder(const kvr::res::DialogTemplate& t) {
    std::vector<std::vector<const ControlDef*>> sections;
    std::vector<const kvr::Text*> groups;
    std::vector<int> bottom;
    bool previousUngrouped = false;
    for (const ControlDef& c : t.controls) {
        if (!Present(c, t.language)) continue;
        const bool ungrouped = c.group.en.empty() && c.group.de.empty();
        if (ungrouped && c.kind == ControlKind::PushButton) {
            bottom.push_back(c.id);
            continue;
        }
        if (ungrouped) {
            if (!previousUngrouped) {
                sections.emplace_back();
                groups.push_back(nullptr);
            }
            sections.back().push_back(&c);
            previousUngrouped = true;
            continue;
        }
        previousUngrouped = false;
        std::size_t i = 0;
        while (i < groups.size() && (groups[i] == nullptr || !SameText(*groups[i], c.group))) ++i;
        if (i == groups.size()) {
            sections.emplace_back();
            groups.push_back(&c.group);
        }
        sections[i].push_back(&c);
    }
    std::vector<int> order;
    for (const auto& s : sections) {
        for (const ControlDef* c : s) {
            if (c->kind != ControlKind::Static) order.push_back(c->id);
        }
    }
    order.insert(order.end(), bottom.begin(), bottom.end());
    return order;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void everyTemplate_data() {
        QTest::addColumn<int>("templateId");
        const std::pair<const char*, int> templates[] = {
            {"main window, English", id::kMainWindowEn},
            {"main window, German", id::kMainWindowDe},
            {"lock functions, English", id::kLockTemplateEn},
            {"lock functions, German", id::kLockTemplateDe},
            {"RPM control, English", id::kRpmTemplateEn},
            {"RPM control, German", id::kRpmTemplateDe},
            {"rev counter, English", id::kRevTemplateEn},
            {"rev counter, German", id::kRevTemplateDe},
        };
        for (const auto& [name, templateId] : templates) QTest::newRow(name) << templateId;
    }
    // Roles and names of every control, tab order, and the actions: each runs
    // the control's command once; a radio button or check box changes its tick
    // as a click would.
    void everyTemplate() {
        QFETCH(int, templateId);
        const kvr::res::DialogTemplate* t = kvr::res::FindTemplate(templateId);
        QVERIFY(t != nullptr);
        const Language lang = t->language;
        QtHost host;
        std::vector<int> commands;
        auto window = host.OpenDialog(templateId, nullptr, [&](Window&, DialogEvent event, int id) {
            if (event == DialogEvent::Command) commands.push_back(id);
            return 0;
        });
        QVERIFY(window != nullptr);
        window->dialog()->show();

        std::map<QWidget*, int> ids;
        for (const ControlDef& c : t->controls) {
            if (!Present(c, lang)) continue;
            const QByteArray where = QByteArray::number(c.id);
            QWidget* w = window->control(c.id);
            if (w == nullptr && c.kind == ControlKind::Static) continue;  // a label without an id
            QVERIFY2(w != nullptr, where);
            ids[w] = c.id;
            QAccessibleInterface* iface = Accessible(w);
            QVERIFY2(iface != nullptr, where);
            QCOMPARE(iface->role(), RoleOf(c.kind));
            QCOMPARE(iface->text(QAccessible::Name), NameOf(c, lang));
            QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), where);

            w->setEnabled(true);
            commands.clear();
            switch (c.kind) {
                case ControlKind::ComboBox: {
                    // Named by its label whatever it shows; the entry is the value.
                    auto* list = qobject_cast<QComboBox*>(w);
                    list->addItem(QStringLiteral("entry"));
                    list->setCurrentIndex(0);
                    QCOMPARE(iface->text(QAccessible::Name), NameOf(c, lang));
                    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("entry"));
                    break;
                }
                case ControlKind::Radio:
                case ControlKind::CheckBox: {
                    const bool manual = (c.flags & kvr::res::kManualCheck) != 0;
                    const bool radio = c.kind == ControlKind::Radio;
                    auto* button = qobject_cast<QAbstractButton*>(w);
                    const bool before = button->isChecked();
                    Act(w, QAccessibleActionInterface::toggleAction());
                    QCOMPARE(commands, std::vector<int>{c.id});
                    const bool expected = manual ? before : (radio ? true : !before);
                    QCOMPARE(button->isChecked(), expected);
                    QCOMPARE(iface->state().checked != 0, expected);
                    break;
                }
                case ControlKind::PushButton:
                    Act(w, QAccessibleActionInterface::pressAction());
                    QTRY_COMPARE(commands, std::vector<int>{c.id});
                    break;
                case ControlKind::Edit:
                case ControlKind::Static:
                    break;
            }
        }

        // Tab goes through the controls in the order they are laid out.
        std::vector<int> tabOrder;
        QWidget* w = window->dialog();
        do {
            w = w->nextInFocusChain();
            auto it = ids.find(w);
            if (it != ids.end() && (w->focusPolicy() & Qt::TabFocus) != 0)
                tabOrder.push_back(it->second);
        } while (w != window->dialog());
        QCOMPARE(tabOrder, LayoutOrder(*t));
    }

    void actionsRunTheSameHandlersAsClicks_data() { AddLanguageRows(); }
    // The same choices made with the mouse, with the keyboard and through the
    // accessibility actions leave the window in the same state after every
    // step, states the program excludes included ("ignore" with "reduce power",
    // RPM control with over-temperature protection).
    void actionsRunTheSameHandlersAsClicks() {
        QFETCH(bool, german);
        const Language lang = german ? Language::German : Language::English;
        using Way = std::function<void(QWidget*)>;
        const Way ways[] = {
            [](QWidget* w) { ClickButton(w); },
            [](QWidget* w) {
                w->setFocus();
                QTest::keyClick(w, Qt::Key_Space);
            },
            [](QWidget* w) { Act(w, QAccessibleActionInterface::toggleAction()); },
        };
        std::vector<std::unique_ptr<GuiRig>> rigs;
        for (std::size_t i = 0; i < std::size(ways); ++i) {
            rigs.push_back(std::make_unique<GuiRig>(lang));
            rigs.back()->main->dialog()->show();
            rigs.back()->Click(id::kRead);
            QCOMPARE(rigs.back()->Text(id::kStatusLine), QStringLiteral("OK"));
        }
        const kvr::res::DialogTemplate* t =
            kvr::res::FindTemplate(kvr::res::MainWindowTemplateId(lang));
        auto snapshot = [&](GuiRig& r) {
            QStringList s;
            for (const ControlDef& c : t->controls) {
                QWidget* w = r.Control(c.id);
                if (w == nullptr) continue;
                auto* button = qobject_cast<QAbstractButton*>(w);
                s << QStringLiteral("%1:%2%3 %4")
                         .arg(c.id)
                         .arg(w->isEnabled() ? 'e' : '-')
                         .arg(button != nullptr && button->isChecked() ? 'x' : '-')
                         .arg(WidgetText(w));
            }
            s << QString::number(r.host.boxes.size());
            return s;
        };
        const int steps[] = {id::kLvIgnore,
                             id::kLvReducePower,
                             id::kBatteryFix,
                             id::kBatteryLipo,
                             id::kLvSwitchOff,
                             id::kRpmControl,
                             id::kOvertempProtection,
                             id::kRpmControl,
                             id::kBatteryNicd,
                             id::kFreq156,
                             id::kFreq78,
                             id::kTurbo,
                             id::kForwardReverse,
                             id::kLvIgnore};
        for (int step : steps) {
            const QByteArray where = QByteArray::number(step);
            for (std::size_t i = 0; i < rigs.size(); ++i) {
                QWidget* w = rigs[i]->Control(step);
                if (!w->isEnabled()) continue;  // none of the ways reaches it
                ways[i](w);
            }
            const QStringList byMouse = snapshot(*rigs[0]);
            QCOMPARE(snapshot(*rigs[1]), byMouse);
            QCOMPARE(snapshot(*rigs[2]), byMouse);
        }
        // The handlers ran: "ignore" at the end disabled and cleared the
        // battery choices, whichever way it was chosen.
        for (auto& r : rigs) {
            QVERIFY(r->main->IsChecked(id::kLvIgnore));
            QVERIFY(!r->main->IsChecked(id::kLvReducePower));
            for (int battery : {id::kBatteryNicd, id::kBatteryLipo, id::kBatteryFix}) {
                QVERIFY(!r->main->IsChecked(battery));
                QVERIFY(!r->main->IsEnabled(battery));
            }
        }
    }

    // A program-only radio button: the toggle action asks the program, which
    // refuses before any Read.
    void frequencyBeforeAnyReadStaysOff() {
        GuiRig r(Language::English);
        r.main->dialog()->show();
        Act(r.Control(id::kFreq156), QAccessibleActionInterface::toggleAction());
        QVERIFY(!r.main->IsChecked(id::kFreq156));
        QVERIFY(!r.main->IsChecked(id::kFreq78));
        QCOMPARE(r.host.boxes, OneBox("Read values first!", "Error!"));
    }

    void messageBoxesKeepTheirCaption() {
        QtHost host;
        const std::pair<std::string, QString> cases[] = {
            {"Error!", QStringLiteral("Error!")},
            {"Info:", QStringLiteral("Info:")},
            {"", QStringLiteral("KVR-Duza2 Setup")},
        };
        for (const auto& [caption, name] : cases) {
            auto box = host.MakeMessageBox(nullptr, "Datei nicht kompatibel!", caption,
                                           kvr::MessageButtons::Ok);
            QAccessibleInterface* iface = Accessible(box.get());
            QVERIFY(iface != nullptr);
            QCOMPARE(iface->text(QAccessible::Name), name);
            QCOMPARE(box->text(), QStringLiteral("Datei nicht kompatibel!"));
        }
    }

    // Alt and a menu's letter, then the item's letter; Alt and the letter of
    // the plain item Rev Counter.
    void menuCommandsFromTheKeyboard() {
        QtHost host;
        std::vector<int> commands;
        auto window =
            host.OpenDialog(id::kMainWindowEn, nullptr, [&](Window&, DialogEvent event, int id) {
                if (event == DialogEvent::Command) commands.push_back(id);
                return 0;
            });
        QWidget* dialog = window->dialog();
        dialog->show();
        QApplication::setActiveWindow(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));

        QTest::keyClick(dialog, Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(commands, std::vector<int>{id::kRevCounter});

        commands.clear();
        QTest::keyClick(dialog, Qt::Key_O, Qt::AltModifier);
        auto* options = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(options != nullptr);
        QTest::keyClick(options, Qt::Key_C);
        QTRY_COMPARE(commands, std::vector<int>{id::kControllerInfo});
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
