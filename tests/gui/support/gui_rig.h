// The real main window with the real procedure on a simulated controller,
// on the virtual clock. Header only: every GUI test program includes it.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "app/startup.h"
#include "controller.h"
#include "fake_host.h"
#include "file_builders.h"
#include "qt_host.h"
#include "res/ids.h"
#include "res/templates.h"
#include "sim_devices.h"
#include "simulation.h"
#include "test_program.h"
#include "ui_driver.h"
#include "window_cases.h"

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
        return buttons == MessageButtons::Ok ? kIdOk : TakeFront(answers, kIdOk);
    }
    void Beep() override { ++beeps; }
    bool ShellOpen(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    std::string ChooseOpenFile(const OpenFileRequest& request) override {
        fileRequests.push_back(request);
        fileDialogTitles.push_back(request.title);
        return TakeFront(chosenFiles.empty() ? pickedFiles : chosenFiles);
    }
    std::string ChooseSaveFile(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        fileDialogTitles.push_back(request.title);
        return TakeFront(savedFiles.empty() ? pickedFiles : savedFiles);
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
    // Answers of either file dialog, after their own lists; every title.
    std::deque<std::string> pickedFiles;
    std::vector<std::string> fileDialogTitles;
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
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    return QStringLiteral("<no text>");
}

// A control's text, or its label's.
inline QString Shown(gui::QtWindow& w, int id) {
    QWidget* widget = w.control(id);
    return WidgetText(widget != nullptr ? widget : w.label(id));
}

inline QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The program as it starts on the given devices: port access prepared, the
// main window of the language built from its template and opened by the
// real procedure, in a fresh current directory that holds the given
// blsetup.cfg.
template <class DevicesType>
struct WindowRig {
    template <class... DeviceArgs>
    WindowRig(Language lang, const std::string& config, gui::BuildOptions options,
              DeviceArgs&&... deviceArgs)
        : devices(std::forward<DeviceArgs>(deviceArgs)...),
          host(std::move(options)),
          program({devices.clock(), devices.serial(), devices.portIo(), host}, lang) {
        WriteFileBytes(dir.path() / "blsetup.cfg", config);
        BeginProgram(program);
        main = gui::BuildWindow(res::MainWindowTemplateId(lang), nullptr, host.options());
        main->Start([this](Window& w, DialogEvent event, int id) {
            return MainWindowProc(program, w, event, id);
        });
    }
    ~WindowRig() {
        // The window goes before the program it reports to.
        main.reset();
    }
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    QWidget* Control(int id) { return main->control(id); }
    QString Text(int id) { return WidgetText(main->control(id)); }
    void Click(int id) { ClickButton(main->control(id)); }
    void Choose(int menuId) { main->menuItem(menuId)->trigger(); }

    TempDir dir;
    DevicesType devices;
    PlayingHost host;
    Program program;
    std::unique_ptr<gui::QtWindow> main;
};

// The window on a simulated controller. On the real clock the commands take
// as long as they would for a person.
struct GuiRig : WindowRig<sim::Simulation> {
    explicit GuiRig(Language lang, const std::string& config = ConfigFile(),
                    sim::ClockKind clock = sim::ClockKind::Virtual)
        : WindowRig(lang, config, {}, clock) {}

    sim::Controller& ctl() { return devices.controller(); }
    int Byte(int address) { return ctl().memory[static_cast<std::size_t>(address)]; }
    void SetByte(int address, int value) {
        ctl().memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    }
    std::vector<std::pair<int, int>> Writes() { return ValueWrites(ctl()); }
};

// The shared window cases' words on the rig: the dialog being played is the
// one the host's script was given.
class QtUi : public InProcessUiDriver {
  public:
    explicit QtUi(GuiRig& rig) : r_(rig), front_(rig.main.get()) {}

    std::string Title() override { return front_->dialog()->windowTitle().toStdString(); }
    std::string Text(int id) override { return Shown(*front_, id).toStdString(); }
    bool Checked(int id) override {
        auto* button = qobject_cast<QAbstractButton*>(front_->control(id));
        return button != nullptr && button->isChecked();
    }
    bool Enabled(int id) override {
        QWidget* w = front_->control(id);
        return w != nullptr && w->isEnabled();
    }
    std::vector<std::string> ComboItems(int id) override {
        std::vector<std::string> items;
        auto* combo = qobject_cast<QComboBox*>(front_->control(id));
        for (int i = 0; combo != nullptr && i < combo->count(); ++i)
            items.push_back(combo->itemText(i).toStdString());
        return items;
    }
    int ComboSel(int id) override { return front_->ComboGetSel(id); }
    void Click(int id) override { ClickButton(front_->control(id)); }
    void Type(int id, const std::string& text) override {
        TypeInto(front_->control(id), QString::fromStdString(text));
    }
    std::string MainText(int id) override { return Shown(*r_.main, id).toStdString(); }
    bool IsMain(const Window* window) override { return window == r_.main.get(); }
    bool MenuChecked(int id) override { return r_.main->menuItem(id)->isChecked(); }
    bool MenuEnabled(int id) override { return r_.main->menuItem(id)->isEnabled(); }
    void Choose(int menuId) override { r_.Choose(menuId); }
    bool End() override {
        r_.Click(id::kEnd);
        return r_.main->endResult().has_value();
    }
    bool PlayDialog(int command, bool menu, int templateId,
                    const std::function<void()>& play) override {
        const std::size_t run = r_.host.dialogsRun.size();
        const int leftOpen = r_.host.dialogsLeftOpen;
        r_.host.script = [&](int, gui::QtWindow& dialog) {
            front_ = &dialog;
            play();
            front_ = r_.main.get();
        };
        menu ? r_.Choose(command) : r_.Click(command);
        r_.host.script = nullptr;
        return r_.host.dialogsRun.size() == run + 1 && r_.host.dialogsRun.back() == templateId &&
               r_.host.dialogsLeftOpen == leftOpen;
    }
    bool DialogOpen() override { return !front_->endResult().has_value(); }
    bool DialogOverMain() override { return front_->dialog()->parentWidget() == r_.main->dialog(); }
    bool NoDialogRan() override { return r_.host.dialogsRun.empty(); }
    void PickFiles(const std::vector<std::filesystem::path>& files) override {
        for (const auto& f : files) r_.host.pickedFiles.push_back(f.string());
        r_.host.fileDialogTitles.clear();
    }
    std::vector<std::string> FileDialogs() override { return r_.host.fileDialogTitles; }
    std::vector<UiBox> Boxes() override {
        std::vector<UiBox> boxes;
        for (const ShownBox& b : r_.host.boxes) {
            const BoxOwner owner = b.owner == nullptr         ? BoxOwner::None
                                   : b.owner == r_.main.get() ? BoxOwner::MainWindow
                                                              : BoxOwner::Other;
            boxes.push_back({b.caption, b.text, owner, b.buttons == MessageButtons::OkCancel});
        }
        return boxes;
    }
    void Answer(int answer) override { r_.host.answers.push_back(answer); }
    sim::Controller& ctl() override { return r_.ctl(); }
    Program& Prog() override { return r_.program; }
    std::filesystem::path Folder() override { return r_.dir.path(); }
    void Fail(const std::string& what, const char* file, int line) override {
        QTest::qFail(what.c_str(), file, line);
    }

  private:
    GuiRig& r_;
    gui::QtWindow* front_;
};

// A QtTest row for each shared window case whose name starts with the prefix;
// RunWindowCase runs the row's case.
inline void AddWindowCaseRows(std::string_view prefix) {
    QTest::addColumn<int>("windowCase");
    const std::vector<WindowCase>& cases = WindowCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].name.starts_with(prefix))
            QTest::newRow(cases[i].name.c_str()) << static_cast<int>(i);
    }
}
// A QtTest row for each language: "german", false for English.
inline void AddLanguageRows() {
    QTest::addColumn<bool>("german");
    QTest::newRow("English") << false;
    QTest::newRow("German") << true;
}

inline void RunWindowCase() {
    QFETCH(int, windowCase);
    const WindowCase& c = WindowCases()[static_cast<std::size_t>(windowCase)];
    GuiRig rig(c.lang, c.config);
    QtUi ui(rig);
    c.run(ui);
}

}  // namespace kvr::testing

// A QtTest function, with its rows, for the shared window cases whose names
// start with the prefix.
#define KVR_WINDOW_CASES(TestClass, function, prefix) \
    void TestClass::function##_data() {               \
        kvr::testing::AddWindowCaseRows(prefix);      \
    }                                                 \
    void TestClass::function() {                      \
        kvr::testing::RunWindowCase();                \
    }

// The names the GUI test programs use unqualified.
namespace id = kvr::id;
using kvr::DialogEvent;
using kvr::Language;
using kvr::Window;
using kvr::gui::QtHost;
using kvr::gui::QtWindow;
using kvr::res::ControlDef;
using kvr::res::ControlKind;
using namespace kvr::testing;
