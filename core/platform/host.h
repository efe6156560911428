// The desktop of the seam: message boxes, dialogs, file choosers, the shell, the message pump.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/platform_family.h"

namespace kvr {

class Window;

enum class MessageButtons { Ok, OkCancel };
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// What a modal dialog's procedure is told.
enum class DialogEvent { Init, Command };
using DialogProc = std::function<int(Window& dialog, DialogEvent event, int id)>;

struct OpenFileRequest {
    std::string filterDescription;
    std::string filterPattern;
    std::string title;
    // The dialog accepts any typed name, also one that does not exist, and
    // leaves the check to the caller; otherwise it insists on an existing
    // file.
    bool anyName = false;
    // The dialog offers a Help button.
    bool helpButton = false;
    // Room for the chosen name in characters, its terminator included; a
    // longer name is not returned. 0: as long as the system allows.
    std::size_t nameRoom = 0;
};

struct SaveFileRequest {
    std::string filterDescription;
    std::string filterPattern;
    std::string title;
    // Appended to a chosen name that has no extension, without the dot.
    std::string defaultExtension;
};

// The desktop around the program: message boxes, modal dialogs, the file
// dialog, the shell, the message loop.
class Host {
  public:
    virtual ~Host() = default;

    // owner == nullptr: a box without owner window. Returns kIdOk or kIdCancel.
    virtual int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                           MessageButtons buttons) = 0;
    virtual void Beep() = 0;
    virtual PlatformFamily QueryPlatform() = 0;
    // Opens a document or address with the desktop's viewer; false when that
    // fails.
    virtual bool ShellOpen(const std::string& target) = 0;
    // Empty result: cancelled.
    virtual std::string ChooseOpenFile(const OpenFileRequest& request) = 0;
    // The file to write; the dialog has asked before replacing one. Empty
    // result: cancelled.
    virtual std::string ChooseSaveFile(const SaveFileRequest& request) = 0;
    // Dispatches the window messages that are pending, without waiting.
    virtual void PumpMessages() = 0;
    // A command runs (true) or has ended: the pointer shows that the
    // program is busy.
    virtual void SetBusy(bool busy) { (void)busy; }
    // Runs the dialog built from a template until its procedure ends it;
    // returns the value given to EndDialog.
    virtual int RunDialog(int templateId, Window* owner, const DialogProc& procedure) = 0;
    // One line on the error output.
    virtual void ErrorOutput(const std::string& line) = 0;
};

}  // namespace kvr
