// The real Windows program in the test process: the main window built from
// its template and run by the real procedure on a thread of its own, a
// simulated controller on the virtual clock behind it. The test drives the
// real dialogs from its own thread by control id, as another program could
// (BM_CLICK, WM_SETTEXT, WM_GETTEXT, ...); every message box is recorded and
// answered when it opens.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/program.h"
#include "file_builders.h"
#include "simulation.h"
#include "test_program.h"
#include "ui_driver.h"
#include "win32_host.h"
#include "windows_api.h"

namespace kvr::testing {

// Devices of the machine to use instead of the simulated ones.
struct RealDevices {
    Clock* clock = nullptr;
    SerialDevice* serial = nullptr;
    PortIo* portIo = nullptr;
};

class Win32Rig : public InProcessUiDriver {
  public:
    // Starts the program of the language on a blsetup.cfg with the given
    // content (none when empty) and waits for its main window.
    explicit Win32Rig(Language lang, const std::string& config = ConfigFile(),
                      RealDevices real = {});
    ~Win32Rig();
    Win32Rig(const Win32Rig&) = delete;
    Win32Rig& operator=(const Win32Rig&) = delete;

    // Sends a message to a window of the program and waits until it has
    // been handled, the command it starts included.
    LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // The same on a thread of its own, for commands that open a dialog the
    // test then plays; the future is ready when the command has returned.
    std::future<LRESULT> Start(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // The shared words: the controls of the dialog being played, else of
    // the main window.
    std::string Title() override;
    std::string Text(int id) override { return Text(front_, id); }
    bool Checked(int id) override { return Checked(front_, id); }
    bool Enabled(int id) override { return Enabled(front_, id); }
    std::vector<std::string> ComboItems(int id) override { return ComboItems(front_, id); }
    int ComboSel(int id) override { return ComboSel(front_, id); }
    void Click(int id) override { Click(front_, id); }
    void Type(int id, const std::string& text) override { Type(front_, id, text); }
    std::string MainText(int id) override { return Text(main, id); }
    bool IsMain(const Window* window) override;
    bool MenuChecked(int id) override;
    bool MenuEnabled(int id) override;
    void Choose(int menuId) override { Send(main, WM_COMMAND, MAKEWPARAM(menuId, 0), 0); }
    bool End() override;
    bool PlayDialog(int command, bool menu, int templateId,
                    const std::function<void()>& play) override;
    bool DialogOpen() override { return IsWindow(front_) != FALSE; }
    bool DialogOverMain() override;
    // A dialog nobody plays would have kept the command from returning.
    bool NoDialogRan() override { return true; }
    void PickFiles(const std::vector<std::filesystem::path>& files) override;
    std::vector<std::string> FileDialogs() override { return fileDialogs_; }
    // Fills in a file dialog's name field, old style or new, and presses OK.
    static void PickInFileDialog(HWND dialog, const std::filesystem::path& file);
    std::vector<UiBox> Boxes() override;
    void Answer(int answer) override;
    sim::Controller& ctl() override { return sim.controller(); }
    Program& Prog() override { return program; }
    std::filesystem::path Folder() override { return dir.path(); }
    void Fail(const std::string& what, const char* file, int line) override;

    std::future<LRESULT> StartChoose(int menuId) {
        return Start(main, WM_COMMAND, MAKEWPARAM(menuId, 0), 0);
    }

    // Any dialog's controls.
    void Click(HWND dialog, int id);
    std::string Text(HWND dialog, int id);
    void SetText(HWND dialog, int id, const std::string& text);
    // Replaces a field's text key by key, as typing would.
    void Type(HWND dialog, int id, const std::string& text);
    bool Checked(HWND dialog, int id);
    bool Enabled(HWND dialog, int id);
    std::vector<std::string> ComboItems(HWND dialog, int id);
    int ComboSel(HWND dialog, int id);

    // Waits for a dialog of the template to open; nullptr after a time-out
    // or when the command that was to open it has ended.
    HWND WaitForDialog(int templateId, const std::future<LRESULT>* command = nullptr);
    // Waits until the program has ended.
    bool WaitForEnd();

    TempDir dir;
    sim::Simulation sim{sim::ClockKind::Virtual};
    win32::Win32Host host;
    Program program;
    HWND main = nullptr;
    DWORD uiThread = 0;

    // Called on the program's thread when a message box has opened.
    void OnBox(HWND box);
    // Runs on the program's thread after a box has been answered, while the
    // command that showed it is still running.
    std::function<void(const UiBox&)> onBox;

  private:
    std::mutex mutex_;
    std::vector<UiBox> boxes_;
    std::deque<int> answers_;
    std::thread ui_;
    std::promise<void> ended_;
    std::future<void> endedFuture_;
    bool endedSeen_ = false;
    HWND front_ = nullptr;
    std::deque<std::filesystem::path> picked_;
    std::vector<std::string> fileDialogs_;
};

}  // namespace kvr::testing
