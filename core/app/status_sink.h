// Where a command shows how far it is: its window's status line, or a front end's own.
#pragma once

#include <string>

namespace kvr {

class Window;

// A command's status line as its value part sees it. The window programs
// show it in the command's window; the command line prints what it wants
// of it.
class StatusSink {
  public:
    virtual ~StatusSink() = default;
    virtual void Show(const std::string& text) = 0;
    virtual void Enable(bool enabled) = 0;
    virtual void Repaint() = 0;
    // The window that owns the command's boxes and takes the reporter's
    // status texts; null where there is none.
    virtual Window* Owner() = 0;
};

}  // namespace kvr
