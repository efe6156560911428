// The Windows program on a thread of its own, driven by control id; its boxes recorded and
// answered.
#include "win32_rig.h"

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "controller.h"
#include "fake_host.h"
#include "link/port_access.h"
#include "res/ids.h"
#include "res/templates.h"
#include "win32_text.h"
#include "win32_window.h"

namespace kvr::testing {

namespace {

using namespace std::chrono_literals;
constexpr UINT kSendTimeoutMs = 60000;

// The rig of the program's thread, for the hook that sees its boxes.
thread_local Win32Rig* tRig = nullptr;

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// A message box: a window of its own (not the file dialog's inner part), a
// dialog that is none of the program's templates and has no field (the file
// dialog has).
bool IsMessageBox(HWND hwnd) {
    return ClassOf(hwnd) == L"#32770" && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) == 0 &&
           GetPropW(hwnd, win32::kTemplateProperty) == nullptr &&
           FindWindowExW(hwnd, nullptr, L"Edit", nullptr) == nullptr &&
           FindWindowExW(hwnd, nullptr, L"ComboBox", nullptr) == nullptr;
}

LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && tRig != nullptr) {
        const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (m->message == WM_INITDIALOG && IsMessageBox(m->hwnd)) tRig->OnBox(m->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return win32::Utf8(text);
}

struct Found {
    int templateId;
    HWND hwnd = nullptr;
};

BOOL CALLBACK FindTemplateWindow(HWND hwnd, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    if (reinterpret_cast<INT_PTR>(GetPropW(hwnd, win32::kTemplateProperty)) == found->templateId &&
        IsWindowVisible(hwnd)) {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CloseDialogs(HWND hwnd, LPARAM main) {
    if (GetPropW(hwnd, win32::kTemplateProperty) != nullptr && hwnd != reinterpret_cast<HWND>(main))
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    return TRUE;
}

}  // namespace

Win32Rig::Win32Rig(Language lang, const std::string& config, RealDevices real)
    : program({real.clock != nullptr ? *real.clock : sim.clock(),
               real.serial != nullptr ? *real.serial : sim.serial(),
               real.portIo != nullptr ? *real.portIo : sim.portIo(), host},
              lang),
      endedFuture_(ended_.get_future()) {
    if (!config.empty()) WriteFileBytes(dir.path() / "blsetup.cfg", config);
    std::promise<DWORD> started;
    std::future<DWORD> threadId = started.get_future();
    ui_ = std::thread([this, &started] {
        tRig = this;
        HHOOK hook =
            SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
        started.set_value(GetCurrentThreadId());
        RunProgram(program);
        UnhookWindowsHookEx(hook);
        tRig = nullptr;
        ended_.set_value();
    });
    uiThread = threadId.get();
    main = WaitForDialog(res::MainWindowTemplateId(lang));
    EXPECT_NE(main, nullptr) << "the main window did not open";
    // The window has opened: its Init has run.
    if (main != nullptr) Send(main, WM_NULL);
    front_ = main;
}

Win32Rig::~Win32Rig() {
    if (!endedSeen_ && endedFuture_.wait_for(0s) != std::future_status::ready) {
        // A test that stopped half-way: close what is open, the main window
        // without saving.
        EnumThreadWindows(uiThread, CloseDialogs, reinterpret_cast<LPARAM>(main));
        if (main != nullptr) PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    }
    if (endedFuture_.wait_for(30s) != std::future_status::ready) {
        ADD_FAILURE() << "the program did not end";
        std::_Exit(1);
    }
    ui_.join();
}

LRESULT Win32Rig::Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    const LRESULT ok =
        SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
    EXPECT_NE(ok, 0) << "message " << message << " not handled in time";
    return static_cast<LRESULT>(result);
}

std::future<LRESULT> Win32Rig::Start(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return std::async(std::launch::async,
                      [=, this] { return Send(hwnd, message, wParam, lParam); });
}

std::string Win32Rig::Title() {
    return WindowText(front_);
}

bool Win32Rig::IsMain(const Window* window) {
    const auto* w = dynamic_cast<const win32::Win32Window*>(window);
    return w != nullptr && w->hwnd() == main;
}

bool Win32Rig::MenuChecked(int id) {
    const UINT state = GetMenuState(GetMenu(main), static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

bool Win32Rig::MenuEnabled(int id) {
    const UINT state = GetMenuState(GetMenu(main), static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_GRAYED) == 0;
}

bool Win32Rig::End() {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(id::kEnd, BN_CLICKED), 0);
    return WaitForEnd();
}

bool Win32Rig::PlayDialog(int command, bool menu, int templateId,
                          const std::function<void()>& play) {
    std::future<LRESULT> done =
        menu ? StartChoose(command) : Start(GetDlgItem(main, command), BM_CLICK);
    HWND dialog = WaitForDialog(templateId, &done);
    if (dialog != nullptr) {
        front_ = dialog;
        play();
        front_ = main;
        // A play that stopped half-way leaves the dialog open.
        if (done.wait_for(30s) != std::future_status::ready)
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
    done.wait();
    return dialog != nullptr && !IsWindow(dialog) && IsWindowEnabled(main);
}

void Win32Rig::PickFiles(const std::vector<std::filesystem::path>& files) {
    picked_.assign(files.begin(), files.end());
    fileDialogs_.clear();
    host.fileDialogHook = [this](HWND dialog) {
        fileDialogs_.push_back(WindowText(dialog));
        if (picked_.empty()) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        PickInFileDialog(dialog, picked_.front());
        picked_.pop_front();
    };
}

void Win32Rig::PickInFileDialog(HWND dialog, const std::filesystem::path& file) {
    const std::wstring name = file.wstring();
    for (int field : {edt1, cmb13}) {
        SendMessageW(dialog, CDM_SETCONTROLTEXT, static_cast<WPARAM>(field),
                     reinterpret_cast<LPARAM>(name.c_str()));
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

bool Win32Rig::DialogOverMain() {
    return GetWindow(front_, GW_OWNER) == main && !IsWindowEnabled(main);
}

void Win32Rig::Fail(const std::string& what, const char* file, int line) {
    ADD_FAILURE_AT(file, line) << what;
}

void Win32Rig::Click(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    ASSERT_NE(item, nullptr) << "no control " << id;
    Send(item, BM_CLICK);
}

std::string Win32Rig::Text(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) return "<no control>";
    wchar_t buffer[512] = {};
    Send(item, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return win32::Utf8(buffer);
}

void Win32Rig::SetText(HWND dialog, int id, const std::string& text) {
    const std::wstring w = win32::Wide(text);
    Send(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void Win32Rig::Type(HWND dialog, int id, const std::string& text) {
    HWND item = GetDlgItem(dialog, id);
    Send(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : win32::Wide(text)) Send(item, WM_CHAR, c, 1);
}

bool Win32Rig::Checked(HWND dialog, int id) {
    return Send(GetDlgItem(dialog, id), BM_GETCHECK) == BST_CHECKED;
}

bool Win32Rig::Enabled(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item != nullptr && (GetWindowLongW(item, GWL_STYLE) & WS_DISABLED) == 0;
}

std::vector<std::string> Win32Rig::ComboItems(HWND dialog, int id) {
    HWND combo = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    const auto n = Send(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buffer[128] = {};
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.push_back(win32::Utf8(buffer));
    }
    return items;
}

int Win32Rig::ComboSel(HWND dialog, int id) {
    return static_cast<int>(Send(GetDlgItem(dialog, id), CB_GETCURSEL));
}

HWND Win32Rig::WaitForDialog(int templateId, const std::future<LRESULT>* command) {
    for (int i = 0; i < 3000; ++i) {
        Found found{templateId};
        EnumThreadWindows(uiThread, FindTemplateWindow, reinterpret_cast<LPARAM>(&found));
        if (found.hwnd != nullptr) return found.hwnd;
        if (endedFuture_.wait_for(0s) == std::future_status::ready) return nullptr;
        if (command != nullptr && command->wait_for(0s) == std::future_status::ready)
            return nullptr;
        std::this_thread::sleep_for(10ms);
    }
    return nullptr;
}

bool Win32Rig::WaitForEnd() {
    endedSeen_ = endedFuture_.wait_for(30s) == std::future_status::ready;
    return endedSeen_;
}

std::vector<UiBox> Win32Rig::Boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void Win32Rig::Answer(int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(id);
}

void Win32Rig::OnBox(HWND box) {
    UiBox seen;
    seen.caption = WindowText(box);
    const HWND owner = GetWindow(box, GW_OWNER);
    seen.owner = owner == nullptr ? BoxOwner::None
                 : owner == main  ? BoxOwner::MainWindow
                                  : BoxOwner::Other;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring cls = ClassOf(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (cls == L"Static" && (style & SS_TYPEMASK) != SS_ICON) {
            const std::string text = WindowText(child);
            if (!text.empty()) seen.text += text;
        }
        if (cls == L"Button" && GetDlgCtrlID(child) == IDCANCEL && (style & WS_VISIBLE) != 0)
            seen.okCancel = true;
    }
    int answer = IDOK;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (seen.okCancel) answer = TakeFront(answers_, IDOK);
        boxes_.push_back(seen);
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    if (onBox) onBox(seen);
}

}  // namespace kvr::testing
