// The real main window with the real procedure on a simulated controller,
// on the virtual clock. Header only: every GUI test program includes it.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "controller.h"
#include "fake_host.h"
#include "file_builders.h"
#include "link/port_access.h"
#include "program.h"
#include "qt_host.h"
#include "res/templates.h"
#include "sim_devices.h"
#include "simulation.h"
#include "test_program.h"

namespace kvr::testing {

// The Qt host with the person left out: message boxes are recorded and
// answered from a script, the file dialog is answered from a list, and a
// modal dialog is built for real and then played by a script on its widgets
// instead of running its own loop.
class PlayingHost : public gui::QtHost {
  public:
    using DialogScript = std::function<void(int templateId, gui::QtWindow& dialog)>;
    using QtHost::QtHost;

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   MessageButtons buttons) override {
        boxes.push_back(ShownBox{text, caption, owner, buttons});
        if (buttons == MessageButtons::Ok || answers.empty()) return kIdOk;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Beep() override { ++beeps; }
    bool ShellOpen(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    std::string ChooseOpenFile(const OpenFileRequest& request) override {
        fileRequests.push_back(request);
        if (chosenFiles.empty()) return {};
        std::string file = chosenFiles.front();
        chosenFiles.pop_front();
        return file;
    }
    std::string ChooseSaveFile(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (savedFiles.empty()) return {};
        std::string file = savedFiles.front();
        savedFiles.pop_front();
        return file;
    }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
        QtHost::PumpMessages();
    }
    int RunDialog(int templateId, Window* owner, const DialogProc& procedure) override {
        dialogsRun.push_back(templateId);
        std::unique_ptr<gui::QtWindow> dialog = OpenDialog(templateId, owner, procedure);
        if (dialog == nullptr) return -1;
        dialog->dialog()->show();
        if (script) script(templateId, *dialog);
        // A dialog the script left open would block a person: count it.
        if (!dialog->endResult().has_value()) ++dialogsLeftOpen;
        return dialog->endResult().value_or(-1);
    }

    std::vector<ShownBox> boxes;
    std::deque<int> answers;
    int beeps = 0;
    int pumps = 0;
    std::vector<std::string> opened;
    std::deque<std::string> chosenFiles;
    std::vector<OpenFileRequest> fileRequests;
    std::deque<std::string> savedFiles;
    std::vector<SaveFileRequest> saveRequests;
    std::vector<int> dialogsRun;
    int dialogsLeftOpen = 0;
    DialogScript script;
    // Runs at every pump, before the pending window messages are handled.
    std::function<void()> onPump;
};

// Clicks a button where a person would: on a check box's or radio button's
// mark, in the middle of a push button.
inline void ClickButton(QWidget* w) {
    auto* button = qobject_cast<QAbstractButton*>(w);
    QVERIFY(button != nullptr);
    const bool mark = qobject_cast<QPushButton*>(button) == nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      mark ? QPoint(6, button->height() / 2) : button->rect().center());
}

// Replaces a field's text by typing, as a person would.
inline void TypeInto(QWidget* w, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(w);
    QVERIFY(edit != nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline QString WidgetText(QWidget* w) {
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return QStringLiteral("<no text>");
}

// The program as it starts: port access prepared, the main window of the
// language built from its template and opened by the real procedure, in a
// fresh current directory that holds the given blsetup.cfg.
struct GuiRig {
    // On the real clock the commands take as long as they would for a
    // person.
    explicit GuiRig(Language lang, const std::string& config = ConfigFile(),
                    sim::ClockKind clock = sim::ClockKind::Virtual)
        : sim(clock), program({sim.clock(), sim.serial(), sim.portIo(), host}, lang) {
        WriteFileBytes(dir.path() / "blsetup.cfg", config);
        InitPortAccess(program);
        main = gui::BuildWindow(res::MainWindowTemplateId(lang), nullptr, host.options());
        main->Start([this](Window& w, DialogEvent event, int id) {
            return MainWindowProc(program, w, event, id);
        });
    }
    ~GuiRig() {
        // The window goes before the program it reports to.
        main.reset();
    }
    GuiRig(const GuiRig&) = delete;
    GuiRig& operator=(const GuiRig&) = delete;

    sim::Controller& ctl() { return sim.controller(); }
    int Byte(int address) { return ctl().memory[static_cast<std::size_t>(address)]; }
    void SetByte(int address, int value) {
        ctl().memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    }
    std::vector<std::pair<int, int>> Writes() {
        std::vector<std::pair<int, int>> out;
        for (const sim::WireEvent& e : ctl().TraceOf('V')) out.emplace_back(e.address, e.value);
        return out;
    }
    QWidget* Control(int id) { return main->control(id); }
    QString Text(int id) { return WidgetText(main->control(id)); }
    void Click(int id) { ClickButton(main->control(id)); }
    void Choose(int menuId) { main->menuItem(menuId)->trigger(); }

    TempDir dir;
    sim::Simulation sim;
    PlayingHost host;
    Program program;
    std::unique_ptr<gui::QtWindow> main;
};

}  // namespace kvr::testing
