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

#include "file_builders.h"
#include "program.h"
#include "simulation.h"
#include "test_program.h"
#include "win32_host.h"
#include "windows_api.h"

namespace kvr::testing {

struct SeenBox {
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool okCancel = false;
};

// Devices of the machine to use instead of the simulated ones.
struct RealDevices {
    Clock* clock = nullptr;
    SerialDevice* serial = nullptr;
    PortIo* portIo = nullptr;
};

class Win32Rig {
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

    // The main window's controls and menu.
    void Click(int id) { Click(main, id); }
    void Choose(int menuId) { Send(main, WM_COMMAND, MAKEWPARAM(menuId, 0), 0); }
    std::future<LRESULT> StartChoose(int menuId) {
        return Start(main, WM_COMMAND, MAKEWPARAM(menuId, 0), 0);
    }
    std::string Text(int id) { return Text(main, id); }
    bool Checked(int id) { return Checked(main, id); }
    bool Enabled(int id) { return Enabled(main, id); }
    bool MenuChecked(int id);

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

    // The message boxes shown so far, and the answers to give to boxes with
    // OK and Cancel (OK when none is left).
    std::vector<SeenBox> Boxes();
    void Answer(int id);

    sim::Controller& ctl() { return sim.controller(); }
    int Byte(int address);
    std::vector<std::pair<int, int>> Writes();

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
    std::function<void(const SeenBox&)> onBox;

  private:
    std::mutex mutex_;
    std::vector<SeenBox> boxes_;
    std::deque<int> answers_;
    std::thread ui_;
    std::promise<void> ended_;
    std::future<void> endedFuture_;
    bool endedSeen_ = false;
};

}  // namespace kvr::testing
