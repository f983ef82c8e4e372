// markwise: the windowed HTML document checker, and its command line.
//
//   markwise                      the window
//   markwise DOCUMENT             validates the document
//   markwise -L|-U|-S|-T|-C DOC   a text tool on the document
//   markwise -1 | -2              the program options, the HTML Configuration editor
//   markwise -E,CLASS,N DOC       validates for an editor and tells it where the report is
//   markwise -H DOC               the same for HomeSite (class TfHomeSiteMessageWindow, 43)
//
// A command line uses Qt message boxes when a display answers; the console otherwise, with
// MARKWISE_UI=console, or on Qt's offscreen and minimal platforms, where no one sees a box.
// The exit code is 0 when the command succeeded, 1 when it failed.
#include <QApplication>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/editor_notifier.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/signals.h"
#include "platform_console/console_ui.h"
#include "platform_qt/qt_ui.h"
#include "display.h"
#include "qt_frontend.h"
#include "shell/console_window.h"
#include "shell/shell.h"
#include "shell/startup.h"

namespace {

// Qt's offscreen and minimal platforms draw for no one: a message box there could never be
// answered, and a command line would wait for it for ever.
bool platformUnseen() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform) return false;
    const std::string name = std::string(platform).substr(0, std::string(platform).find(':'));
    return name == "offscreen" || name == "minimal";
}

bool consoleForced() {
    const char* ui = std::getenv("MARKWISE_UI");
    return ui && std::string(ui) == "console";
}

int run(int argc, char** argv) {
    platform::ignoreFileSizeSignal();
    const std::string commandLine =
        shell::commandLineText(std::vector<std::string>(argv + 1, argv + argc));

    platform::SystemFiles files;
    platform::SystemClock clock;
    platform::IniSettingsStore settings(files, platform::userSettingsFile(),
                                        platform::systemSettingsFile());
    platform::PosixProcessStarter processes;
    const std::string sockets = platform::socketFolder().value_or("");
    platform::UnixInstanceChannel instances(sockets);
    platform::UnixEditorNotifier editors(sockets);
    const std::string programDirectory = platform::programDirectory();

    // Asked before Qt starts: Qt would end the process at once on a display that does not answer.
    const std::optional<std::string> qtPlatform =
        consoleForced() ? std::nullopt : gui::reachablePlatform();
    if (!qtPlatform || (!commandLine.empty() && platformUnseen())) {
        if (commandLine.empty()) {
            // The window cannot be shown here; a running one can still come to the front.
            if (instances.raiseAnotherInstance()) return 1;
            std::fputs(consoleForced()
                           ? "markwise: MARKWISE_UI=console shows no window; give a document or "
                             "an option to run one command on the console\n"
                           : "markwise: the window needs a display, and none is available; give "
                             "a document or an option to run one command without it\n",
                       stderr);
            return 1;
        }
        platform::ConsoleUserInterface ui;
        platform::XdgUrlOpener browser(processes);
        shell::ConsoleWindow window;
        shell::Shell shell({ui, settings, processes, browser, editors, instances, files,
                            platform::systemFileSystem(), clock},
                           window, programDirectory);
        return shell::runProgram(shell, window, commandLine);
    }

    // Qt sees no arguments but the platform to use, where only one answers: every word of the
    // command line is the program's own.
    std::string platformOption = "-platform";
    std::string platformName = *qtPlatform;
    std::vector<char*> qtArgv{argv[0]};
    if (!platformName.empty()) {
        qtArgv.push_back(platformOption.data());
        qtArgv.push_back(platformName.data());
    }
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication application(qtArgc, qtArgv.data());
    QApplication::setApplicationName("markwise");
    QApplication::setDesktopFileName("markwise");
    QApplication::setQuitOnLastWindowClosed(false);

    gui::QtFrontend frontend;
    platform::QtUserInterface ui([&frontend] { return static_cast<QWidget*>(frontend.window()); });
    platform::QtUrlOpener browser;
    shell::Shell shell({ui, settings, processes, browser, editors, instances, files,
                        platform::systemFileSystem(), clock},
                       frontend, programDirectory);
    frontend.setShell(&shell);
    return shell::runProgram(shell, frontend, commandLine);
}

}  // namespace

int main(int argc, char** argv) {
    // Dates and times in the report header and the log follow the user's locale.
    std::setlocale(LC_TIME, "");
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // What a command could not hold and did not report itself: its files are as the
        // command's own failure leaves them (the temporary ones removed on the way out).
        std::fputs("markwise: out of memory\n", stderr);
        return 1;
    }
}
