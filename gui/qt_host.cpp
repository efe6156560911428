// The Qt front end's desktop, and the input it drops while a command pumps messages.
#include "qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <iostream>

#include "res/templates.h"

namespace kvr::gui {

QWidget* WidgetOf(Window* window) {
    auto* w = dynamic_cast<QtWindow*>(window);
    return w == nullptr ? nullptr : w->dialog();
}

// Drops mouse and keyboard input while the host pumps inside a command.
class QtHost::InputFilter : public QObject {
  public:
    explicit InputFilter(const bool& pumping) : pumping_(pumping) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (pumping_ && IsUserInput(event->type())) return true;
        return QObject::eventFilter(watched, event);
    }

  private:
    static bool IsUserInput(QEvent::Type type) {
        switch (type) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::InputMethod:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
                return true;
            default:
                return false;
        }
    }

    const bool& pumping_;
};

QString ProgramName() {
    // The main window's title, without its extra blanks.
    const res::DialogTemplate* main =
        res::FindTemplate(res::MainWindowTemplateId(Language::English));
    return QString::fromUtf8(main->title.data(), static_cast<qsizetype>(main->title.size()))
        .simplified();
}

QtHost::QtHost(BuildOptions options)
    : options_(std::move(options)), inputFilter_(std::make_unique<InputFilter>(pumping_)) {
    if (!options_.inputLocked) options_.inputLocked = [this] { return busy_; };
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(inputFilter_.get());
    }
}

QtHost::~QtHost() {
    if (busy_) QApplication::restoreOverrideCursor();
}

std::unique_ptr<QMessageBox> QtHost::MakeMessageBox(Window* owner, const std::string& text,
                                                    const std::string& caption,
                                                    MessageButtons buttons) const {
    // Without an owner the box is still modal to the whole program, so no
    // second command can start while it is open.
    auto box = std::make_unique<QMessageBox>(WidgetOf(owner));
    box->setIcon(QMessageBox::NoIcon);
    box->setTextFormat(Qt::PlainText);
    box->setWindowTitle(caption.empty() ? ProgramName() : QString::fromStdString(caption));
    box->setText(QString::fromStdString(text));
    if (buttons == MessageButtons::OkCancel) {
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

int QtHost::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                       MessageButtons buttons) {
    std::unique_ptr<QMessageBox> box = MakeMessageBox(owner, text, caption, buttons);
    // The box waits for the user: the ordinary pointer over it.
    if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box->exec();
    if (busy_) QApplication::restoreOverrideCursor();
    return box->clickedButton() == box->button(QMessageBox::Ok) ? kIdOk : kIdCancel;
}

void QtHost::SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtHost::Beep() {
    QApplication::beep();
}

bool QtHost::ShellOpen(const std::string& target) {
    const QString s = QString::fromStdString(target);
    // An address opens in the browser, anything else is a file here.
    QUrl url;
    if (s.contains(QLatin1String("://"))) {
        url = QUrl(s);
    } else if (s.startsWith(QLatin1String("www."))) {
        url = QUrl::fromUserInput(s);
    } else {
        url = QUrl::fromLocalFile(QDir::current().absoluteFilePath(s));
    }
    return QDesktopServices::openUrl(url);
}

std::string QtHost::ChooseOpenFile(const OpenFileRequest& request) {
    // Several patterns are separated by ';' in the request, by blanks here.
    QString pattern = QString::fromStdString(request.filterPattern);
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString filter =
        QString::fromStdString(request.filterDescription) + QStringLiteral(" (") + pattern + ')';
    if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QFileDialog dialog(nullptr, QString::fromStdString(request.title), QDir::currentPath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist goes to the caller, which reports it.
    dialog.setFileMode(request.anyName ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (busy_) QApplication::restoreOverrideCursor();
    return chosen ? dialog.selectedFiles().constFirst().toStdString() : std::string();
}

std::string QtHost::ChooseSaveFile(const SaveFileRequest& request) {
    QString pattern = QString::fromStdString(request.filterPattern);
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString filter =
        QString::fromStdString(request.filterDescription) + QStringLiteral(" (") + pattern + ')';
    // The dialog asks before it replaces a file.
    QFileDialog dialog(nullptr, QString::fromStdString(request.title), QDir::currentPath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

void QtHost::PumpMessages() {
    const bool was = pumping_;
    pumping_ = true;
    QCoreApplication::processEvents();
    pumping_ = was;
}

std::unique_ptr<QtWindow> QtHost::OpenDialog(int templateId, Window* owner,
                                             const DialogProc& procedure) {
    std::unique_ptr<QtWindow> window = BuildWindow(templateId, WidgetOf(owner), options_);
    if (window != nullptr) window->Start(procedure);
    return window;
}

int QtHost::RunDialog(int templateId, Window* owner, const DialogProc& procedure) {
    std::unique_ptr<QtWindow> window = OpenDialog(templateId, owner, procedure);
    if (window == nullptr) {
        ErrorOutput("no dialog template " + std::to_string(templateId));
        return -1;
    }
    return window->Exec();
}

void QtHost::ErrorOutput(const std::string& line) {
    std::cerr << line << std::endl;
}

}  // namespace kvr::gui
