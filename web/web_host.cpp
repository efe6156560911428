// The page's desktop: dialogs, boxes, files and pauses, each a call into site/page.js.
#include "web_host.h"

#include <emscripten.h>

#include <cstdlib>

#include "res/templates.h"
#include "web_window.h"

// The page's side of each call: site/page.js.
// clang-format off
EM_JS(int, kvr_open_dialog, (const char* description), {
    return KvrPage.openDialog(JSON.parse(UTF8ToString(description)));
});
EM_ASYNC_JS(int, kvr_next_command, (int h), { return await KvrPage.nextCommand(h); });
EM_ASYNC_JS(int, kvr_message_box, (const char* text, const char* caption, int okCancel, int owner), {
    return await KvrPage.messageBox(UTF8ToString(text), UTF8ToString(caption), okCancel != 0, owner);
});
EM_ASYNC_JS(char*, kvr_choose_open_file, (const char* title, const char* pattern), {
    return KvrPage.cString(await KvrPage.chooseOpenFile(UTF8ToString(title), UTF8ToString(pattern)));
});
EM_ASYNC_JS(char*, kvr_choose_save_file, (const char* title, const char* extension), {
    return KvrPage.cString(
        await KvrPage.chooseSaveFile(UTF8ToString(title), UTF8ToString(extension)));
});
EM_ASYNC_JS(void, kvr_yield, (), { await KvrPage.yieldToBrowser(); });
EM_JS(void, kvr_set_busy, (int busy), { KvrPage.setBusy(busy != 0); });
EM_JS(void, kvr_beep, (), { KvrPage.beep(); });
EM_JS(int, kvr_shell_open, (const char* target), {
    return KvrPage.shellOpen(UTF8ToString(target)) ? 1 : 0;
});
EM_JS(void, kvr_error_output, (const char* line), { console.error(UTF8ToString(line)); });
EM_JS(void, kvr_after_command, (const char* download), {
    KvrPage.afterCommand(UTF8ToString(download));
});
// clang-format on

namespace kvr::web {
namespace {

// What KvrPage.messageBox resolves with for OK (Cancel and Escape give 2).
constexpr int kPageOk = 1;

// The page's handle of a window, 0 for none.
int Handle(Window* window) {
    const auto* page = dynamic_cast<WebWindow*>(window);
    return page != nullptr ? page->handle() : 0;
}

std::string TakeString(char* text) {
    std::string s(text);
    std::free(text);
    return s;
}

}  // namespace

int WebHost::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                        MessageButtons buttons) {
    // Every box is modal to the whole page, so no second command can start
    // while it is open. A page can show an empty caption, so it does.
    const int answer = kvr_message_box(text.c_str(), caption.c_str(),
                                       buttons == MessageButtons::OkCancel ? 1 : 0, Handle(owner));
    return answer == kPageOk ? kIdOk : kIdCancel;
}

void WebHost::Beep() {
    kvr_beep();
}

bool WebHost::ShellOpen(const std::string& target) {
    return kvr_shell_open(target.c_str()) != 0;
}

std::string WebHost::ChooseOpenFile(const OpenFileRequest& request) {
    std::string name =
        TakeString(kvr_choose_open_file(request.title.c_str(), request.filterPattern.c_str()));
    if (request.nameRoom != 0 && name.size() + 1 > request.nameRoom) return {};
    return name;
}

std::string WebHost::ChooseSaveFile(const SaveFileRequest& request) {
    std::string name =
        TakeString(kvr_choose_save_file(request.title.c_str(), request.defaultExtension.c_str()));
    pendingDownload_ = name;
    return name;
}

void WebHost::PumpMessages() {
    kvr_yield();
}

void WebHost::SetBusy(bool busy) {
    kvr_set_busy(busy ? 1 : 0);
}

void WebHost::AfterCommand() {
    kvr_after_command(pendingDownload_.c_str());
    pendingDownload_.clear();
}

int WebHost::RunDialog(int templateId, Window* /*owner*/, const DialogProc& procedure) {
    const res::DialogTemplate* t = res::FindTemplate(templateId);
    if (t == nullptr) {
        ErrorOutput("no dialog template " + std::to_string(templateId));
        return -1;
    }
    WebWindow window(kvr_open_dialog(DescribeDialog(*t, options_).c_str()));
    procedure(window, DialogEvent::Init, 0);
    while (!window.endResult()) {
        const int id = kvr_next_command(window.handle());
        procedure(window, DialogEvent::Command, id);
        AfterCommand();
    }
    return *window.endResult();
}

void WebHost::ErrorOutput(const std::string& line) {
    kvr_error_output(line.c_str());
}

}  // namespace kvr::web
