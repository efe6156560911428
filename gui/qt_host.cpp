#include "qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <iostream>

namespace kvr::gui {

QWidget* WidgetOf(Window* window) {
    auto* w = dynamic_cast<QtWindow*>(window);
    return w == nullptr ? nullptr : w->dialog();
}

QtHost::QtHost(BuildOptions options) : options_(std::move(options)) {}

int QtHost::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                       MessageButtons buttons) {
    // Without an owner the box is still modal to the whole program, so no
    // second command can start while it is open.
    QMessageBox box(WidgetOf(owner));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    if (buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok) ? kIdOk : kIdCancel;
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
    return QFileDialog::getOpenFileName(nullptr, QString::fromStdString(request.title),
                                        QDir::currentPath(), filter)
        .toStdString();
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
    QCoreApplication::processEvents();
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
