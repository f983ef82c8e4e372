// WindowControl: one per long operation (a validation, a tool run, a drop). It sets the wait
// cursor once the operation really starts and, when it goes, puts back the cursor it found and,
// in mode 2, the window title.
#pragma once

#include <string>

#include "shell/shell.h"

namespace shell {

class WindowControl {
public:
    enum Mode { CursorOnly = 1, CursorAndTitle = 2 };

    WindowControl(Shell& shell, Mode mode);
    ~WindowControl();
    WindowControl(const WindowControl&) = delete;
    WindowControl& operator=(const WindowControl&) = delete;

    // Shows the wait cursor (or takes it away), when that changes anything.
    void setWaitCursor(bool on);
    // Replaces the main window's title.
    void setTitle(const std::string& title);

private:
    Shell& shell_;
    Mode mode_;
    bool cursorAtStart_;
    std::string titleAtStart_;  // up to 511 bytes
};

}  // namespace shell
