// The windowed program's side of the shell: the main window, its event loop and its dialogs.
#pragma once

#include <QEventLoop>
#include <memory>

#include "main_window.h"
#include "shell/shell.h"
#include "shell/startup.h"

namespace gui {

class QtFrontend : public shell::WindowPort, public shell::Frontend {
public:
    QtFrontend();
    ~QtFrontend() override;

    // The shell the menu and the dialogs work on.
    void setShell(shell::Shell* shell);
    MainWindow* window() const { return window_.get(); }

    // shell::WindowPort
    void bringToFront() override;
    void setKeepOnTop(bool onTop) override;
    void refreshMenuChecks() override;
    void requestClose() override;
    void pause(int milliseconds) override;
    int runOptionsDialog(shell::Shell& shell, shell::OptionsPage page) override;
    int runToolDialog(shell::Shell& shell) override;
    int runConfigurationEditor(shell::Shell& shell) override;

    // shell::Frontend
    bool createMainWindow() override;
    bool loadWaitCursor() override;
    void showMainWindow() override;
    int runEventLoop() override;

private:
    std::unique_ptr<MainWindow> window_;
    shell::Shell* shell_ = nullptr;
    QEventLoop* loop_ = nullptr;  // while the event loop runs
    bool closeRequested_ = false;
};

}  // namespace gui
