// Start-up, the command line and the exit procedure of the program `markwise`.
#pragma once

#include <string>
#include <vector>

#include "shell/shell.h"

namespace shell {

// What start-up needs of the front end besides the window: the windowed program creates a
// real window and runs its event loop; the tests script both.
class Frontend {
public:
    virtual ~Frontend() = default;
    // Creates the main window, hidden, titled "Markwise", with its two bitmaps. False when
    // that fails (the program then ends with 0).
    virtual bool createMainWindow() = 0;
    // Loads the wait cursor. False ends the program with 1.
    virtual bool loadWaitCursor() = 0;
    // Accepts dropped files, sets the menu's check marks and shows the window, kept on top or
    // not as the options say.
    virtual void showMainWindow() = 0;
    // Runs the event loop until the close request; returns its exit code.
    virtual int runEventLoop() = 0;
};

// The command-line text the program was given: the arguments after the program name, joined
// by single blanks. The option word is the first of them; a document name given as one
// argument keeps its blanks.
std::string commandLineText(const std::vector<std::string>& arguments);

// A command line taken apart: the option letter (upper-cased), or 0 for a document name; the
// option word; and the argument pointer, the text after the option word and the blanks or
// tabs that follow it (the whole line for a document name).
struct ParsedCommandLine {
    char option = 0;
    std::string word;
    std::string argument;
};
ParsedCommandLine parseCommandLine(const std::string& commandLine);

// The window class and message number of "-E,Class,Number"; nothing when either is missing.
struct EditorTarget {
    std::string windowClass;
    int message = 0;  // 1024 plus the number given
};
std::optional<EditorTarget> parseEditorOption(const ParsedCommandLine& line);

// Runs the one command of a command line. True when it succeeded; every outcome has been shown
// to the user in message boxes.
bool dispatchCommandLine(Shell& shell, const std::string& commandLine);

// Shows `message` (when given) and asks the other running instance to come to the front.
// False when there is no other instance.
bool restoreOtherInstance(Shell& shell, const std::string& message = {},
                          const std::string& caption = {});

// Asks to save an unsaved HTML Configuration and unsaved options before the program ends.
// True when it may end; false when the user cancelled.
bool exitProcedure(Shell& shell);

// The whole program: start-up in order, then either the one command of `commandLine` or the
// window and its event loop with the exit procedure. Returns the process exit code.
int runProgram(Shell& shell, Frontend& frontend, const std::string& commandLine);

// The texts of the command line.
extern const char* const kUsageText;
extern const char* const kGeneralErrorText;

}  // namespace shell
