// A shell wired to fakes of every port, in a temporary program directory, for the tests of
// the shell's commands, dialogs and start-up.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_services.h"
#include "platform_testing/fake_ui.h"
#include "shell/shell.h"
#include "test_support.h"

namespace testing_support {

class FakeWindow : public shell::WindowPort {
public:
    int raised = 0;
    std::vector<bool> onTop;
    int checkRefreshes = 0;
    int closeRequests = 0;
    std::vector<int> pauses;
    std::vector<std::string> titlesAtPause;  // the window title each pause saw
    platform::UserInterface* ui = nullptr;

    // The dialogs: a script of results, or a function that plays the user's part.
    std::vector<shell::OptionsPage> optionsDialogs;
    int toolDialogs = 0;
    std::deque<int> optionsResults;
    std::deque<int> toolResults;
    std::function<int(shell::Shell&, shell::OptionsPage)> optionsDialog;
    std::function<int(shell::Shell&)> toolDialog;
    // The HTML Configuration editor: how often it opened, and what plays the user's part.
    int editorDialogs = 0;
    std::deque<int> editorResults;
    std::function<int(shell::Shell&)> editorDialog;

    void bringToFront() override { ++raised; }
    void setKeepOnTop(bool top) override { onTop.push_back(top); }
    void refreshMenuChecks() override { ++checkRefreshes; }
    void requestClose() override { ++closeRequests; }
    void pause(int milliseconds) override {
        pauses.push_back(milliseconds);
        if (ui) titlesAtPause.push_back(ui->windowTitle());
    }
    int runOptionsDialog(shell::Shell& shell, shell::OptionsPage page) override {
        optionsDialogs.push_back(page);
        if (optionsDialog) return optionsDialog(shell, page);
        return take(optionsResults);
    }
    int runToolDialog(shell::Shell& shell) override {
        ++toolDialogs;
        if (toolDialog) return toolDialog(shell);
        return take(toolResults);
    }
    int runConfigurationEditor(shell::Shell& shell) override {
        ++editorDialogs;
        if (editorDialog) return editorDialog(shell);
        return editorResults.empty() ? shell::kDialogOk : take(editorResults);
    }

private:
    static int take(std::deque<int>& results) {
        if (results.empty()) return shell::kDialogCancel;
        const int result = results.front();
        results.pop_front();
        return result;
    }
};

// The shell of one test: program directory and starting directory are a fresh temporary
// folder, which is also the current directory until the harness goes.
struct ShellHarness {
    // The shell's window is `port` when given (the real main window in the Qt tests), else the
    // recording FakeWindow.
    // `fileSystem` replaces the system's file calls (a FaultyFileSystem) when given.
    explicit ShellHarness(shell::WindowPort* port = nullptr,
                          platform::FileSystem* fileSystem = nullptr);
    ~ShellHarness();

    TempDir dir;
    platform::FakeUserInterface ui;
    platform::FakeSettingsStore settings;
    platform::FakeProcessStarter processes;
    platform::FakeUrlOpener browser;
    platform::FakeEditorNotifier editors;
    platform::FakeInstanceChannel instances;
    platform::SystemFiles files;
    platform::FakeClock clock;
    FakeWindow window;
    shell::Shell shell;
    std::string previousDirectory;

    // The folder with a final "/".
    std::string folder() const { return dir.path().string() + "/"; }
    std::string file(const std::string& name) const { return dir.file(name); }
    // Writes a valid configuration file (the built-in entries, one category active) and
    // returns its path; loads it into the shell when `load` is set.
    std::string writeConfiguration(const std::string& name = "mkwise25.cfg", bool load = true);
    // Captions of the boxes shown, in order.
    std::vector<std::string> captions() const;
};

// The bytes of a valid configuration file: the built-in entries with one category active.
std::string validConfigurationBytes(int formatVersion = 2);

}  // namespace testing_support
