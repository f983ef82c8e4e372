// The application shell: the one object that holds the running program's state (the options
// record, the HTML Configuration, the starting directory, the modes) and reaches the platform
// through its ports. The front ends (the windowed program, the console, the tests) make one
// and hand it the window it runs in.
#pragma once

#include <memory>
#include <string>

#include "config/cfg_store.h"
#include "config/editor.h"
#include "options/options.h"
#include "platform/clock.h"
#include "platform/editor_notifier.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/ui.h"

namespace shell {

class Shell;

// The product as the window title and the About box name it.
inline constexpr const char* kProductName = "Zentrel Markwise";
inline constexpr const char* kVersion = "2.55";
inline constexpr const char* kInitialTitle = "Markwise";

// The pages of the options dialog, in the order of its tabs.
enum class OptionsPage { Program = 0, Validator = 1, Logging = 2 };

// Results of a dialog: ended with OK (1), with Cancel (2), or it could not be opened.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kDialogNotOpened = -1;

// The platform's services, as the shell reaches them.
struct Services {
    platform::UserInterface& ui;
    platform::SettingsStore& settings;
    platform::ProcessStarter& processes;
    platform::UrlOpener& browser;
    platform::EditorNotifier& editors;
    platform::InstanceChannel& instances;
    platform::Files& files;
    platform::FileSystem& fileSystem;
    const platform::Clock& clock;
};

// What the shell asks of the window it runs in. The windowed program shows a real window; a
// command-line run without a display and the tests have a window that is never shown.
class WindowPort {
public:
    virtual ~WindowPort() = default;

    // Brings the main window to the front (before a question about a finished validation, and
    // when files are dropped).
    virtual void bringToFront() = 0;
    // Keeps the window above the others, or lets it go back among them.
    virtual void setKeepOnTop(bool onTop) = 0;
    // Sets the check marks of the menu from the options record.
    virtual void refreshMenuChecks() = 0;
    // The close request: the message loop ends and the exit procedure runs.
    virtual void requestClose() = 0;
    // Waits `milliseconds` while the window keeps painting (between dropped files).
    virtual void pause(int milliseconds) = 0;

    // The options dialog opened at `page`, and the default-tool dialog; kDialogOk,
    // kDialogCancel, or kDialogNotOpened when there is no way to show them.
    virtual int runOptionsDialog(Shell& shell, OptionsPage page) = 0;
    virtual int runToolDialog(Shell& shell) = 0;
    // The HTML Configuration editor "DBCONFIG" over the shell's configurationEditor(), until it
    // closes: kDialogOk, or kDialogNotOpened when there is no way to show it.
    virtual int runConfigurationEditor(Shell& shell) = 0;
};

class Shell {
public:
    // `programDirectory` ends with "/" (or is empty when unknown); one longer than 255
    // characters counts as unknown.
    Shell(const Services& services, WindowPort& window, std::string programDirectory);
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    platform::UserInterface& ui() { return services_.ui; }
    const Services& services() const { return services_; }
    WindowPort& window() { return window_; }

    options::Options options;
    CfgStore configuration;

    const std::string& programDirectory() const { return programDirectory_; }
    // The current directory at start-up; every file dialog, file open and program start makes
    // it current again, so relative names in the options are taken from there.
    std::string startingDirectory;
    void enterStartingDirectory();

    // 1 for a process started with a command line, and while dropped files are processed:
    // success notices that would interrupt a batch are not shown then.
    bool commandLineMode = false;
    bool processingDroppedFiles = false;
    // Another windowed instance was found at start-up.
    bool otherInstanceFound = false;
    // The exit procedure has completed; a second request to exit succeeds at once.
    bool exitDone = false;
    // The validate command's open dialog keeps the user's filter for the life of the process.
    int validateFilterIndex = 1;
    // The options dialog's tab when it last closed.
    OptionsPage lastOptionsPage = OptionsPage::Program;
    // Whether the wait cursor is showing (WindowControl puts back what it found).
    bool waitCursorShown = false;

    // A message box owned by the main window.
    platform::Answer say(const std::string& caption, const std::string& text,
                         platform::Icon icon = platform::Icon::Error,
                         platform::Buttons buttons = platform::Buttons::Ok, bool foreground = false);

    // "The dialog box could not be opened." (caption "Markwise: Dialog Box Error").
    void dialogBoxError();

    // The HTML Configuration editor's logic over `configuration`. What it keeps (the entries
    // being configured, the selected rows, the range view) lasts from one opening of the editor
    // to the next.
    config::EditorController& configurationEditor();
    // The configuration was loaded or reset: the editor lets go of what it kept, since ids now
    // name other entries.
    void configurationReplaced();

private:
    Services services_;
    WindowPort& window_;
    std::string programDirectory_;
    std::unique_ptr<config::EditorShell> editorPort_;
    std::unique_ptr<config::EditorController> editor_;
};

}  // namespace shell
