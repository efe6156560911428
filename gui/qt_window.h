// A Qt dialog built from a template, its controls addressed by id.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

#include "platform/host.h"
#include "platform/window.h"

namespace kvr::gui {

// The QDialog a template becomes. Escape and the close button do not close
// it: they are handed to onCancel, and the procedure decides.
class TemplateDialog : public QDialog {
  public:
    using QDialog::QDialog;

    std::function<void()> onCancel;
    // Set while the program itself closes the dialog.
    bool closing = false;

    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

// What the builder made of a template: the dialog and its parts by id.
struct DialogParts {
    TemplateDialog* dialog = nullptr;
    std::map<int, QWidget*> controls;  // edits, buttons, combo boxes, static texts with an id
    std::map<int, QLabel*> labels;     // static labels of controls that have an id of their own
    std::map<int, QAction*> menuItems;
};

// A dialog whose controls are addressed by id. Owns its QDialog.
class QtWindow : public Window {
  public:
    explicit QtWindow(DialogParts parts);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    KVR_WINDOW_CONTROL_CALLS;
    void Repaint() override;
    void Show() override;
    void EndDialog(int result) override;

    // Wires every button, radio button, check box, combo box and menu item
    // to the procedure, Escape and the close button as command 2, and runs
    // the procedure's Init.
    void Start(const DialogProc& procedure);
    // Runs the dialog modally until EndDialog; returns its result. Returns
    // at once when the procedure ended the dialog already.
    int Exec();
    // Sends one command to the procedure, as a click would.
    void Command(int id);

    TemplateDialog* dialog() const { return dialog_; }
    QWidget* control(int id) const;
    QLabel* label(int id) const;
    QAction* menuItem(int id) const;
    std::optional<int> endResult() const { return endResult_; }

  private:
    void FinishIfEnded();

    QPointer<TemplateDialog> dialog_;
    std::map<int, QWidget*> controls_;
    std::map<int, QLabel*> labels_;
    std::map<int, QAction*> menuItems_;
    DialogProc procedure_;
    int depth_ = 0;  // commands running on this window (a pumped message may nest one)
    std::optional<int> endResult_;
    bool finished_ = false;
};

}  // namespace kvr::gui
