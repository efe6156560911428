// The window calls on a Qt dialog's controls by id.
#include "qt_window.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "choice_controls.h"

namespace kvr::gui {

void TemplateDialog::reject() {
    if (closing) {
        QDialog::reject();
    } else if (onCancel) {
        onCancel();
    }
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
    if (closing) {
        event->accept();
        return;
    }
    // The procedure decides whether the window closes.
    event->ignore();
    if (onCancel) onCancel();
}

QtWindow::QtWindow(DialogParts parts)
    : dialog_(parts.dialog),
      controls_(std::move(parts.controls)),
      labels_(std::move(parts.labels)),
      menuItems_(std::move(parts.menuItems)) {}

QtWindow::~QtWindow() {
    // A parent dialog may have taken it along already.
    delete dialog_.data();
}

QWidget* QtWindow::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QLabel* QtWindow::label(int id) const {
    auto it = labels_.find(id);
    return it == labels_.end() ? nullptr : it->second;
}

QAction* QtWindow::menuItem(int id) const {
    auto it = menuItems_.find(id);
    return it == menuItems_.end() ? nullptr : it->second;
}

// A control the template does not have is left alone, and reads as empty,
// unticked and disabled.
void QtWindow::SetText(int id, const std::string& text) {
    const QString s = QString::fromUtf8(text);
    QWidget* w = control(id);
    if (w == nullptr) w = label(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(s);
        // Show the start of the text, not the blanks the status texts end in.
        edit->setCursorPosition(0);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setEditText(s);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(s);
    } else if (auto* text_label = qobject_cast<QLabel*>(w)) {
        text_label->setText(s);
    }
}

std::string QtWindow::GetText(int id, std::size_t maxChars) {
    QWidget* w = control(id);
    if (w == nullptr) w = label(id);
    QString s;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        s = edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        s = combo->currentText();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        s = button->text();
    } else if (auto* text_label = qobject_cast<QLabel*>(w)) {
        s = text_label->text();
    }
    // Count characters, not UTF-16 units, so no character is cut in half.
    const QList<uint> chars = s.toUcs4();
    const auto n = std::min<std::size_t>(maxChars, static_cast<std::size_t>(chars.size()));
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()),
                             static_cast<qsizetype>(n))
        .toStdString();
}

void QtWindow::SetCheck(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) {
        if (auto* tick = dynamic_cast<ProgramTick*>(button)) {
            tick->SetTick(checked);
        } else if (button->isCheckable()) {
            button->setChecked(checked);
        }
    }
}

bool QtWindow::IsChecked(int id) {
    auto* button = qobject_cast<QAbstractButton*>(control(id));
    return button != nullptr && button->isChecked();
}

void QtWindow::Enable(int id, bool enabled) {
    if (QWidget* w = control(id)) w->setEnabled(enabled);
}

bool QtWindow::IsEnabled(int id) {
    QWidget* w = control(id);
    // The control's own state, also while a modal child disables the window.
    return w != nullptr && dialog_ != nullptr && w->isEnabledTo(dialog_);
}

void QtWindow::ComboAdd(int id, const std::string& text) {
    if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
        // Adding the first item must not select it.
        const int before = combo->currentIndex();
        const QString edit = combo->currentText();
        combo->addItem(QString::fromUtf8(text));
        if (before == -1 && combo->currentIndex() != -1) {
            combo->setCurrentIndex(-1);
            combo->setEditText(edit);
        }
    }
}

void QtWindow::ComboSetSel(int id, int index) {
    if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    }
}

int QtWindow::ComboGetSel(int id) {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    return combo == nullptr ? -1 : combo->currentIndex();
}

void QtWindow::CheckMenuItem(int id, bool checked) {
    if (QAction* a = menuItem(id)) {
        a->setCheckable(true);
        a->setChecked(checked);
    }
}

bool QtWindow::IsMenuItemChecked(int id) {
    QAction* a = menuItem(id);
    return a != nullptr && a->isChecked();
}

void QtWindow::Repaint() {
    if (dialog_ == nullptr) return;
    // Paint what changed now, without running any other pending work: a
    // command is still in progress.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    if (dialog_->isVisible()) dialog_->repaint();
}

void QtWindow::Show() {
    if (dialog_ != nullptr) dialog_->show();
}

void QtWindow::EndDialog(int result) {
    endResult_ = result;
    FinishIfEnded();
}

void QtWindow::FinishIfEnded() {
    if (!endResult_ || depth_ > 0 || finished_ || dialog_ == nullptr) return;
    finished_ = true;
    dialog_->closing = true;
    dialog_->done(*endResult_);
}

void QtWindow::Command(int id) {
    if (!procedure_ || finished_) return;
    ++depth_;
    procedure_(*this, DialogEvent::Command, id);
    --depth_;
    FinishIfEnded();
}

void QtWindow::Start(const DialogProc& procedure) {
    procedure_ = procedure;
    for (const auto& [id, w] : controls_) {
        const int command = id;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            QObject::connect(button, &QAbstractButton::clicked, dialog_,
                             [this, command] { Command(command); });
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QObject::connect(combo, &QComboBox::activated, dialog_,
                             [this, command] { Command(command); });
        }
    }
    for (const auto& [id, a] : menuItems_) {
        const int command = id;
        QAction* action = a;
        QObject::connect(action, &QAction::triggered, dialog_, [this, action, command](bool on) {
            // Check marks are the program's: undo the toggle of a checkable item.
            if (action->isCheckable()) action->setChecked(!on);
            Command(command);
        });
    }
    if (dialog_ != nullptr) dialog_->onCancel = [this] { Command(kIdCancel); };

    ++depth_;
    procedure_(*this, DialogEvent::Init, 0);
    --depth_;
    FinishIfEnded();
}

int QtWindow::Exec() {
    if (finished_ || dialog_ == nullptr) return endResult_.value_or(0);
    const int result = dialog_->exec();
    return endResult_.value_or(result);
}

}  // namespace kvr::gui
