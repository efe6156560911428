// Radio buttons, check boxes and lists that change one way however they are used, and the
// accessibility interface that names a list by its label.
#include "choice_controls.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace kvr::gui {
namespace {

// Qt names a list on this platform after the entry it shows, which tells a
// screen-reader user nothing about what the list is for. This one is named
// by its label and gives the entry as its value; the rest is as Qt has it.
class LabelledListAccessible : public QAccessibleWidget {
  public:
    explicit LabelledListAccessible(QComboBox* list)
        : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return List()->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.editable = List()->isEditable();
        s.expanded = List()->view() != nullptr && List()->view()->isVisible();
        return s;
    }

    int childCount() const override { return List()->isEditable() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(List()->view());
        if (index == 1 && List()->isEditable()) {
            return QAccessible::queryAccessibleInterface(List()->lineEdit());
        }
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) return -1;
        if (child->object() == List()->view()) return 0;
        if (List()->isEditable() && child->object() == List()->lineEdit()) return 1;
        return -1;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction() || actionName == pressAction()) {
            List()->showPopup();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

  private:
    QComboBox* List() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* ProgramInterfaces(const QString& key, QObject* object) {
    if (key == QLatin1String("QComboBox")) {
        if (auto* list = dynamic_cast<LabelledList*>(object)) {
            return new LabelledListAccessible(list);
        }
    }
    return nullptr;
}

}  // namespace

void InstallAccessibility() {
    // Installed once for the run; later factories are asked first.
    static const bool installed = [] {
        QAccessible::installFactory(&ProgramInterfaces);
        return true;
    }();
    (void)installed;
}

}  // namespace kvr::gui
