// The words a window case drives either front end's real windows with, by
// control id, so that a case is written once and run on both (Qt and Win32).
// Each front end's rig implements them and reports failures to its own test
// framework.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "controller.h"
#include "res/templates.h"

namespace kvr::testing {

// Whether the window of the language has the control.
inline bool Present(const res::ControlDef& c, Language lang) {
    if ((c.flags & res::kGermanOnly) != 0) return lang == Language::German;
    if ((c.flags & res::kEnglishOnly) != 0) return lang == Language::English;
    return true;
}

// The values the controller was sent, in order: (address, value).
inline std::vector<std::pair<int, int>> ValueWrites(sim::Controller& ctl) {
    std::vector<std::pair<int, int>> out;
    for (const sim::WireEvent& e : ctl.TraceOf('V')) out.emplace_back(e.address, e.value);
    return out;
}

enum class BoxOwner { None, MainWindow, Other };

struct UiBox {
    std::string caption;
    std::string text;
    BoxOwner owner = BoxOwner::None;
    bool okCancel = false;
};

class UiDriver {
  public:
    virtual ~UiDriver() = default;

    // The controls of the window in front: the main window, or the dialog
    // being played.
    virtual std::string Title() = 0;
    virtual std::string Text(int id) = 0;
    virtual bool Checked(int id) = 0;
    virtual bool Enabled(int id) = 0;
    virtual std::vector<std::string> ComboItems(int id) = 0;
    virtual int ComboSel(int id) = 0;
    virtual void Click(int id) = 0;
    // Replaces a field's text key by key, as typing would.
    virtual void Type(int id, const std::string& text) = 0;

    // The main window's own controls and menu, and End.
    virtual std::string MainText(int id) = 0;
    virtual bool IsMain(const Window* window) = 0;
    virtual bool MenuChecked(int id) = 0;
    virtual bool MenuEnabled(int id) = 0;
    virtual void Choose(int menuId) = 0;
    // Ends the program from the main window; true once it has ended.
    virtual bool End() = 0;

    // Runs a main window command (a menu item, or else a button) that opens
    // the dialog of the template, plays it and waits for the command; true
    // when that dialog opened and has closed again.
    virtual bool PlayDialog(int command, bool menu, int templateId,
                            const std::function<void()>& play) = 0;
    // While playing: the dialog has not ended, and it is owned by the main
    // window and keeps it from input.
    virtual bool DialogOpen() = 0;
    virtual bool DialogOverMain() = 0;
    // No dialog has run.
    virtual bool NoDialogRan() = 0;

    // The file dialogs that open next take these files, one each; the
    // titles of the file dialogs seen since.
    virtual void PickFiles(const std::vector<std::filesystem::path>& files) = 0;
    virtual std::vector<std::string> FileDialogs() = 0;

    // The message boxes so far, and the answers to boxes with OK and Cancel.
    virtual std::vector<UiBox> Boxes() = 0;
    virtual void Answer(int answer) = 0;

    // The controller behind the port: its memory and flash, and what reached
    // it since ForgetWire: the values written (address, value) and the
    // flash page commands (select, load, commit).
    virtual int Byte(int address) = 0;
    virtual void SetByte(int address, int value) = 0;
    virtual std::vector<std::uint8_t> Flash() = 0;
    virtual std::vector<std::pair<int, int>> Writes() = 0;
    virtual int PageCommands() = 0;
    virtual void ForgetWire() = 0;

    virtual Language Lang() = 0;
    // The program's own state, where the front end's test can see it (not
    // through a browser): null where it cannot.
    virtual Program* Inside() = 0;
    virtual std::filesystem::path Folder() = 0;
    virtual void Fail(const std::string& what, const char* file, int line) = 0;
};

// A driver whose program and simulated controller run in the test itself.
class InProcessUiDriver : public UiDriver {
  public:
    virtual sim::Controller& ctl() = 0;
    virtual Program& Prog() = 0;

    int Byte(int address) override { return ctl().memory[static_cast<std::size_t>(address)]; }
    void SetByte(int address, int value) override {
        ctl().memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    }
    std::vector<std::uint8_t> Flash() override { return ctl().flash; }
    std::vector<std::pair<int, int>> Writes() override { return ValueWrites(ctl()); }
    int PageCommands() override {
        return static_cast<int>(ctl().TraceOf('W').size() + ctl().TraceOf('Y').size() +
                                ctl().TraceOf('X').size());
    }
    void ForgetWire() override { ctl().trace.clear(); }
    Language Lang() override { return Prog().lang; }
    Program* Inside() override { return &Prog(); }
};

template <class T>
std::string Shown(const T& v) {
    if constexpr (requires(std::ostream & o) { o << v; }) {
        std::ostringstream s;
        s << v;
        return s.str();
    } else if constexpr (requires { v.first; }) {
        return "{" + Shown(v.first) + "," + Shown(v.second) + "}";
    } else {
        std::string s = "{";
        for (const auto& e : v) s += Shown(e) + "|";
        return s + "}";
    }
}

template <class A, class B>
bool ExpectEq(UiDriver& ui, const A& actual, const B& expected, const char* what, const char* file,
              int line) {
    if (actual == expected) return true;
    ui.Fail(std::string(what) + " is " + Shown(actual) + ", expected " + Shown(expected), file,
            line);
    return false;
}

}  // namespace kvr::testing

// Checks of a window case; false when the check failed.
#define UI_EQ(ui, actual, ...) \
    ::kvr::testing::ExpectEq(ui, actual, __VA_ARGS__, #actual, __FILE__, __LINE__)
#define UI_TRUE(ui, condition) UI_EQ(ui, static_cast<bool>(condition), true)
#define UI_FALSE(ui, condition) UI_EQ(ui, static_cast<bool>(condition), false)
