// The main window: its start, the procedure that runs each command, and the Port menu.
#include "app/main_window.h"

#include <cstdio>

#include "app/command_gate.h"
#include "app/config_file.h"
#include "app/controller_info.h"
#include "app/settings_commands.h"
#include "app/settings_file.h"
#include "app/startup.h"
#include "app/update_procedure.h"
#include "files/open_file.h"
#include "link/port_access.h"
#include "locks/lock_functions.h"
#include "platform/window.h"
#include "res/app_texts.h"
#include "res/ids.h"
#include "res/link_texts.h"
#include "res/templates.h"
#include "speed/rev_counter.h"
#include "speed/rpm_control.h"

namespace kvr {

namespace {

int OnInit(Program& p, Window& w) {
    p.app.mainWindow = &w;
    w.Enable(id::kStatusLine, false);
    if (const std::optional<int> portItem = EnterProgram(p)) w.CheckMenuItem(*portItem, true);
    FillSettingsLists(p, w);
    w.Show();
    return 1;
}

void Exit(Program& p, Window& w, bool savePort) {
    LeaveProgram(p, savePort);
    w.EndDialog(1);
}

void OpenHelpDocument(Program& p) {
    const std::string name(p.T(texts::kHelpDocument));
    // Looked at, not opened: a pipe of that name would hang the program.
    if (CheckRegularFile(name) == FileCheck::Regular) {
        (void)p.host.ShellOpen(name);
        return;
    }
    p.host.MessageBox(nullptr, std::string(p.T(texts::kHelpDocumentMissing)),
                      std::string(p.T(texts::kCaptionError)), MessageButtons::Ok);
}

void ShowAbout(Program& p) {
    char version[16];
    std::snprintf(version, sizeof version, "%4x", static_cast<unsigned>(kProgramVersion));
    p.host.MessageBox(nullptr, std::string(p.T(texts::kAboutCredits)) + "Version: " + version,
                      std::string(p.T(texts::kAboutCaption)), MessageButtons::Ok);
}

// The main window's commands by menu or button id.
struct Command {
    int id;
    void (*run)(Program& p, Window& w);
};

constexpr Command kCommands[] = {
    {id::kHelpFile, [](Program& p, Window&) { OpenHelpDocument(p); }},
    {id::kAbout, [](Program& p, Window&) { ShowAbout(p); }},
    {id::kServicePage,
     [](Program& p, Window&) { (void)p.host.ShellOpen(std::string(texts::kServicePageAddress)); }},
    {id::kOpenUpdateFile, [](Program& p, Window& w) { (void)RunFirmwareUpdate(p, w); }},
    {id::kRead, [](Program& p, Window& w) { (void)ReadSettings(p, w); }},
    {id::kWrite, [](Program& p, Window& w) { (void)WriteSettings(p, w); }},
    {id::kSaveSettings, SaveSettingsCommand},
    {id::kLoadSettings, LoadSettingsCommand},
    {id::kLockFunctions, LockFunctionsCommand},
    {id::kRpmSetUp, RpmControlCommand},
    {id::kControllerInfo, [](Program& p, Window& w) { (void)ControllerInfoCommand(p, w); }},
    {id::kRevCounter, RevCounterCommand},
};

}  // namespace

std::string PortItemText(Language lang, int id, std::string_view text, bool simulated,
                         const std::function<std::string(int n)>& deviceForCom) {
    if (id < id::kPortCom1 || id > id::kPortCom8) return std::string(text);
    const std::string device = simulated ? std::string() : deviceForCom(id - id::kPortCom1 + 1);
    return std::string(text) + "\t" + PortDeviceText(lang, simulated, device);
}

void ParkLines(Program& p) {
    (void)InitSerialLines(p);
    SetResetLow(p);
    SetDataOutHigh(p);
    SetClockHigh(p);
    PlayLines(p);
}

int MainWindowProc(Program& p, Window& w, DialogEvent event, int commandId) {
    if (event == DialogEvent::Init) return OnInit(p, w);
    // The firmware transfer keeps the window alive; nothing else may reach
    // the controller, or end the program, until it is done.
    if (p.update.transferRunning) return 0;
    const CommandScope command(p);
    if (command.refused()) return 0;

    if (commandId >= id::kPortCom1 && commandId <= id::kPortCom8) {
        SelectSerialPort(p, w, commandId - id::kPortCom1 + 1);
        return 0;
    }
    if (commandId == id::kOk || commandId == id::kEnd) {
        Exit(p, w, commandId == id::kEnd);
        return 1;
    }
    for (const Command& command : kCommands) {
        if (command.id != commandId) continue;
        command.run(p, w);
        return 0;
    }
    // Ids without a command of their own, such as an edit's notifications,
    // do nothing.
    (void)HandleSettingsControl(p, w, commandId);
    return 0;
}

int RunProgram(Program& p) {
    BeginProgram(p);
    p.host.RunDialog(res::MainWindowTemplateId(p.lang), nullptr,
                     [&p](Window& w, DialogEvent event, int commandId) {
                         return MainWindowProc(p, w, event, commandId);
                     });
    return 0;
}

}  // namespace kvr
