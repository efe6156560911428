// The Win32 front end's desktop: the dialogs' window procedure, message boxes, file dialogs.
#include "win32_host.h"

#include <cstdio>
#include <vector>

#include "res/templates.h"
#include "win32_text.h"

namespace kvr::win32 {

namespace {

// What a dialog's window procedure needs: the procedure of the program, the
// window it addresses, the menu the dialog gets when it opens.
struct DialogContext {
    const Win32Host* host = nullptr;
    const DialogProc* procedure = nullptr;
    const res::DialogTemplate* dialogTemplate = nullptr;
    Win32Window window;
};

// Gives the dialog its menu bar and keeps its client area as the template
// laid it out.
void AttachMenu(HWND hwnd, const res::DialogTemplate& t) {
    if (t.menuId == 0) return;
    const res::MenuDef* menu = res::FindMenu(t.menuId);
    if (menu == nullptr) return;
    RECT client{};
    GetClientRect(hwnd, &client);
    SetMenu(hwnd, BuildMenu(*menu));
    RECT frame = client;
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // Centred again at its new size, as the template asks.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + std::max(0L, (work.right - work.left - width) / 2);
    const int y = work.top + std::max(0L, (work.bottom - work.top - height) / 2);
    SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Which WM_COMMAND messages are commands of the program: menu items, the
// dialog's own Escape and close (IDCANCEL), button clicks and a choice made
// in a combo box's list. Other notifications (an edit's changes) carry no
// command.
bool IsCommand(WPARAM wParam, LPARAM lParam) {
    if (lParam == 0) return true;
    const WORD code = HIWORD(wParam);
    if (code == BN_CLICKED) return true;
    if (code == CBN_SELENDOK) {
        wchar_t name[16] = {};
        GetClassNameW(reinterpret_cast<HWND>(lParam), name, 16);
        return lstrcmpiW(name, L"ComboBox") == 0;
    }
    return false;
}

bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message > WM_MOUSEMOVE && message <= WM_MOUSELAST) ||
           (message >= WM_NCLBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK);
}

INT_PTR CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            context = reinterpret_cast<DialogContext*>(lParam);
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            SetPropW(hwnd, kTemplateProperty,
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(context->dialogTemplate->id)));
            context->window.Attach(hwnd);
            AttachMenu(hwnd, *context->dialogTemplate);
            return (*context->procedure)(context->window, DialogEvent::Init, 0) != 0 ? TRUE : FALSE;
        }
        case WM_COMMAND:
            if (context == nullptr || !IsCommand(wParam, lParam)) return FALSE;
            (*context->procedure)(context->window, DialogEvent::Command, LOWORD(wParam));
            return TRUE;
        case WM_SETCURSOR:
            if (context == nullptr || !context->host->busy()) return FALSE;
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_DESTROY:
            RemovePropW(hwnd, kTemplateProperty);
            return FALSE;
        default:
            return FALSE;
    }
}

UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        SetWindowLongPtrW(hook, DWLP_USER, static_cast<LONG_PTR>(ofn->lCustData));
        return 0;
    }
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == CDN_INITDONE) {
            auto* host = reinterpret_cast<Win32Host*>(GetWindowLongPtrW(hook, DWLP_USER));
            if (host != nullptr && host->fileDialogHook) host->fileDialogHook(GetParent(hook));
        }
    }
    return 0;
}

}  // namespace

HWND HwndOf(Window* window) {
    auto* w = dynamic_cast<Win32Window*>(window);
    return w == nullptr ? nullptr : w->hwnd();
}

Win32Host::Win32Host(BuildOptions options) : options_(std::move(options)) {}

int Win32Host::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                          MessageButtons buttons) {
    HWND ownerHwnd = HwndOf(owner);
    UINT type = buttons == MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK;
    // Without an owner the box is still modal to the whole program, so no
    // second command can start while it is open.
    if (ownerHwnd == nullptr) type |= MB_TASKMODAL;
    const int answer = ::MessageBoxW(ownerHwnd, Wide(text).c_str(), Wide(caption).c_str(),
                                     type | MB_SETFOREGROUND);
    return answer == IDOK ? kIdOk : kIdCancel;
}

void Win32Host::Beep() {
    MessageBeep(0);
}

PlatformFamily Win32Host::QueryPlatform() {
    // The extended record first, the basic one if that is refused.
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    DWORD platform = 0;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
        platform = extended.dwPlatformId;
    } else {
        OSVERSIONINFOW basic{};
        basic.dwOSVersionInfoSize = sizeof basic;
        if (!GetVersionExW(&basic)) return PlatformFamily::Unknown;
        platform = basic.dwPlatformId;
    }
    if (platform == VER_PLATFORM_WIN32_WINDOWS) return PlatformFamily::Win9x;
    if (platform == VER_PLATFORM_WIN32_NT) return PlatformFamily::Nt;
    return PlatformFamily::Unknown;
}

bool Win32Host::ShellOpen(const std::string& target) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", Wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string Win32Host::ChooseOpenFile(const OpenFileRequest& request) {
    FileDialog d;
    d.filterDescription = request.filterDescription;
    d.filterPattern = request.filterPattern;
    d.title = request.title;
    d.flags = OFN_EXPLORER;
    if (!request.anyName) d.flags |= OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    if (request.helpButton) d.flags |= OFN_SHOWHELP;
    if (request.nameRoom != 0) d.nameRoom = request.nameRoom;
    return ChooseFile(true, d);
}

std::string Win32Host::ChooseSaveFile(const SaveFileRequest& request) {
    FileDialog d;
    d.filterDescription = request.filterDescription;
    d.filterPattern = request.filterPattern;
    d.title = request.title;
    d.defaultExtension = request.defaultExtension;
    d.flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return ChooseFile(false, d);
}

std::string Win32Host::ChooseFile(bool open, const FileDialog& d) {
    // Several patterns are separated by ';' in the request, as here.
    std::wstring filter = Wide(d.filterDescription);
    filter += L'\0';
    filter += Wide(d.filterPattern);
    filter += L'\0';
    filter += L'\0';
    const std::wstring wideTitle = Wide(d.title);
    const std::wstring extension = Wide(d.defaultExtension);
    std::vector<wchar_t> file(d.nameRoom, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = wideTitle.empty() ? nullptr : wideTitle.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The dialog may change the current directory; the program changes back
    // into its start directory wherever it needs to.
    ofn.Flags = d.flags;
    if (fileDialogHook) {
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = FileDialogHook;
        ofn.lCustData = reinterpret_cast<LPARAM>(this);
    }
    const BOOL chosen = open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    return chosen ? Utf8(file.data()) : std::string();
}

void Win32Host::SetBusy(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Win32Host::PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        // A command runs: the window repaints and answers, but keys and
        // clicks are dropped, so that no field or tick changes under the
        // command and no title-bar drag or menu holds it up.
        if (busy_ && IsUserInput(msg.message)) continue;
        // Keys for a dialog go through the dialog manager, as in its own loop.
        HWND root = msg.hwnd == nullptr ? nullptr : GetAncestor(msg.hwnd, GA_ROOT);
        if (root != nullptr && GetPropW(root, kTemplateProperty) != nullptr &&
            IsDialogMessageW(root, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int Win32Host::RunDialog(int templateId, Window* owner, const DialogProc& procedure) {
    const res::DialogTemplate* t = res::FindTemplate(templateId);
    if (t == nullptr) {
        ErrorOutput("no dialog template " + std::to_string(templateId));
        return -1;
    }
    const DialogTemplateBuffer buffer(*t, options_);
    DialogContext context;
    context.host = this;
    context.procedure = &procedure;
    context.dialogTemplate = t;
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), buffer.get(), HwndOf(owner),
                                DialogProcedure, reinterpret_cast<LPARAM>(&context));
    return static_cast<int>(result);
}

void Win32Host::ErrorOutput(const std::string& line) {
    // A window program has no console: the line goes to whatever took its
    // error output, and to a debugger.
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    OutputDebugStringW(Wide(line + "\n").c_str());
}

}  // namespace kvr::win32
