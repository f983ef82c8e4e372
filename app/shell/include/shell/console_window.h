// The window of a command-line run without a display: never shown, it only owns the message
// boxes, which the console port writes to standard error. Dialogs cannot be opened there.
#pragma once

#include <chrono>
#include <thread>

#include "shell/shell.h"
#include "shell/startup.h"

namespace shell {

class ConsoleWindow : public WindowPort, public Frontend {
public:
    void bringToFront() override {}
    void setKeepOnTop(bool) override {}
    void refreshMenuChecks() override {}
    void requestClose() override {}
    void pause(int milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    int runOptionsDialog(Shell&, OptionsPage) override { return kDialogNotOpened; }
    int runToolDialog(Shell&) override { return kDialogNotOpened; }
    int runConfigurationEditor(Shell&) override { return kDialogNotOpened; }

    bool createMainWindow() override { return true; }
    bool loadWaitCursor() override { return true; }
    void showMainWindow() override {}
    int runEventLoop() override { return 0; }
};

}  // namespace shell
