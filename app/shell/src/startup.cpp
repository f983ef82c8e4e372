#include "shell/startup.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "options/options_storage.h"
#include "platform/file_policy.h"
#include "shell/commands.h"
#include "shell/tool_entry.h"

namespace shell {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// The editor form "-H": HomeSite's message window and message number.
constexpr const char* kHomeSiteClass = "TfHomeSiteMessageWindow";
constexpr int kHomeSiteMessage = 43;
constexpr int kUserMessageBase = 1024;

constexpr const char* kInstanceRunning =
    "An instance of Markwise is already running. Please close the currently running instance "
    "and then try again. The running instance will be brought to the foreground.";

bool blankOrTab(char c) { return c == ' ' || c == '\t'; }

// The default HTML Configuration as start-up loads it: no dialog, no notice, with the offer
// to repair a moved installation.
bool loadDefaultConfiguration(Shell& shell) {
    return loadConfiguration(shell, false, false, true) == kLoaded;
}

// -1 and -2 run only when no windowed instance is open.
bool otherInstanceTakesOver(Shell& shell) {
    if (!shell.otherInstanceFound) return false;
    restoreOtherInstance(shell, kInstanceRunning, "Markwise: Instance Already Running");
    return true;
}

bool programOptionsCommand(Shell& shell) {
    if (otherInstanceTakesOver(shell)) return true;
    shell.options.AutoSave = 1;  // in memory only: OK in the dialog saves the options
    if (shell.window().runOptionsDialog(shell, OptionsPage::Program) == kDialogNotOpened) {
        shell.dialogBoxError();
        return false;
    }
    return true;
}

bool configurationEditorCommand(Shell& shell) {
    if (otherInstanceTakesOver(shell)) return true;
    if (!loadDefaultConfiguration(shell)) return false;
    if (!openConfigurationEditor(shell)) return false;
    if (!shell.configuration.isSaved() && shell.configuration.isLoaded()) {
        saveConfiguration(shell, shell.configuration.fileName(), false);
    }
    if (!shell.options.optionsSaved) {
        options::saveOptions(shell.options, shell.services().settings, shell.ui(), false);
    }
    return true;
}

bool validateAndNotify(Shell& shell, const EditorTarget& target, const std::string& document) {
    if (!loadDefaultConfiguration(shell)) return false;
    options::Options& o = shell.options;
    o.AlwaysOpenViewer = 0;
    o.UseVALFilesInstead = 1;
    o.DontViewIfUseVAL = 1;
    o.machineReadable = 1;
    if (!validate(shell, document)) return false;
    // The editor gets the report's full path, also for a document named relatively.
    shell.enterStartingDirectory();
    const std::string report = platform::absoluteName(o.lastOutputFilename);
    if (shell.services().editors.notify(target.windowClass, target.message, report)) return true;
    shell.say("Markwise: Could Not Send Message to Window",
              "An error occurred attempting to notify the " + target.windowClass +
                  " Window that an HTML document has been validated.");
    return false;
}

}  // namespace

const char* const kUsageText =
    "Markwise could not determine what you want to do.\n\nMarkwise may be called in the "
    "following ways:\n\n<program name>\n to run program normally in a window\n\n<program name> "
    "<HTML document>\n to check HTML document for errors (validate)\n\n<program name> -L <HTML "
    "document>\n to use the lowercase tool on the HTML document\n\n<program name> -U <HTML "
    "document>\n to use the uppercase tool on the HTML document\n\n<program name> -S <HTML "
    "document>\n to use the strip HTML tags tool on the HTML document\n\n<program name> -T "
    "<HTML document>\n to use the template tool on the HTML document\n\n<program name> -C "
    "<text document>\n to use the convert text file format tool on the text document\n\nPlease "
    "see the help file for more detailed information.";

const char* const kGeneralErrorText =
    "There was some type of error performing the operation. Please make sure that the program "
    "is set-up properly and that you are supplying all necessary and valid information with "
    "the command line. See the help system for more detailed information.";

std::string commandLineText(const std::vector<std::string>& arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += ' ';
        text += arguments[i];
    }
    return text;
}

ParsedCommandLine parseCommandLine(const std::string& commandLine) {
    ParsedCommandLine parsed;
    if (commandLine.size() < 2 || commandLine[0] != '-') {
        parsed.argument = commandLine;
        return parsed;
    }
    std::size_t end = 0;
    while (end < commandLine.size() && !blankOrTab(commandLine[end])) ++end;
    parsed.word = commandLine.substr(0, end);
    while (end < commandLine.size() && blankOrTab(commandLine[end])) ++end;
    parsed.argument = commandLine.substr(end);
    const char letter = commandLine[1];
    parsed.option = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 32) : letter;
    return parsed;
}

std::optional<EditorTarget> parseEditorOption(const ParsedCommandLine& line) {
    // "-E,Class,Number": both fields lie inside the option word, split at commas. The first
    // field is the option itself, whose letters after the "E" are ignored as any option's are.
    std::string_view rest = line.word;
    const std::size_t optionEnd = rest.find(',');
    rest = optionEnd == std::string_view::npos ? std::string_view() : rest.substr(optionEnd + 1);
    const std::size_t comma = rest.find(',');
    const std::string_view windowClass = rest.substr(0, comma);
    std::string_view number =
        comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    number = number.substr(0, number.find(','));
    if (windowClass.empty() || number.empty()) return std::nullopt;
    // A number too large for the message saturates, as the stored number itself does.
    const std::int64_t message =
        std::int64_t{kUserMessageBase} + options::storedNumber(number);
    return EditorTarget{std::string(windowClass),
                        static_cast<int>(std::min<std::int64_t>(
                            message, std::numeric_limits<int>::max()))};
}

bool restoreOtherInstance(Shell& shell, const std::string& message, const std::string& caption) {
    if (!shell.otherInstanceFound && !shell.services().instances.anotherInstanceRunning()) {
        return false;
    }
    if (!message.empty() && !caption.empty()) shell.say(caption, message, Icon::Information);
    shell.services().instances.raiseAnotherInstance();
    return true;
}

bool dispatchCommandLine(Shell& shell, const std::string& commandLine) {
    const ParsedCommandLine line = parseCommandLine(commandLine);
    bool succeeded = false;
    switch (line.option) {
        case 0:
            succeeded = loadDefaultConfiguration(shell) && validate(shell, line.argument);
            break;
        case 'L': succeeded = runToolCommand(shell, kToolLowercase, line.argument); break;
        case 'U': succeeded = runToolCommand(shell, kToolUppercase, line.argument); break;
        case 'S': succeeded = runToolCommand(shell, kToolStripTags, line.argument); break;
        case 'T': succeeded = runToolCommand(shell, kToolTemplate, line.argument); break;
        case 'C': succeeded = runToolCommand(shell, kToolConvertFormat, line.argument); break;
        case '1': succeeded = programOptionsCommand(shell); break;
        case '2': succeeded = configurationEditorCommand(shell); break;
        case 'H':
            succeeded = validateAndNotify(
                shell, {kHomeSiteClass, kUserMessageBase + kHomeSiteMessage}, line.argument);
            break;
        case 'E':
            if (auto target = parseEditorOption(line)) {
                succeeded = validateAndNotify(shell, *target, line.argument);
            } else {
                shell.say("Markwise: Incomplete Command Line Arguments",
                          "A window name and a message to send to that window must be specified "
                          "on the command line.");
            }
            break;
        default:
            shell.say("Markwise: Invalid Command Line", kUsageText);
            return false;
    }
    if (!succeeded) shell.say("Markwise: Error", kGeneralErrorText);
    return succeeded;
}

bool exitProcedure(Shell& shell) {
    if (shell.exitDone) return true;
    CfgStore& configuration = shell.configuration;
    options::Options& o = shell.options;
    if (!configuration.isSaved()) {
        Answer answer = Answer::Yes;
        if (!o.AutoSaveHTMLConfiguration) {
            answer = shell.say("Markwise: Save HTML Configuration?",
                               "The HTML Configuration has not been saved. Do you want to save "
                               "the current configuration before exiting?",
                               Icon::Question, Buttons::YesNoCancel);
        }
        if (answer == Answer::Cancel) return false;
        if (answer == Answer::Yes) {
            const bool saved = o.AutoSaveHTMLConfiguration && configuration.isLoaded()
                                   ? saveConfiguration(shell, configuration.fileName(), false)
                                   : saveConfigurationAs(shell);
            if (!saved) return false;
        }
    }
    if (!o.optionsSaved) {
        Answer answer = Answer::Yes;
        if (!o.AutoSave) {
            answer = shell.say("Markwise: Save Options?",
                               "The program and/or validator options have not been saved. Do you "
                               "want to save the current options before exiting?",
                               Icon::Question, Buttons::YesNoCancel);
        }
        if (answer == Answer::Cancel) return false;
        if (answer == Answer::Yes) {
            options::saveOptions(o, shell.services().settings, shell.ui(), false);
        }
    }
    // Help pages are shown by the user's browser, which stays open on its own.
    shell.exitDone = true;
    return true;
}

int runProgram(Shell& shell, Frontend& frontend, const std::string& commandLine) {
    platform::InstanceChannel& instances = shell.services().instances;
    shell.startingDirectory = shell.services().files.currentDirectory();
    shell.otherInstanceFound = instances.anotherInstanceRunning();
    if (!commandLine.empty()) {
        shell.commandLineMode = true;
    } else if (shell.otherInstanceFound ||
               (!instances.listen() && instances.anotherInstanceRunning())) {
        // A second windowed start: the running instance comes to the front instead.
        instances.raiseAnotherInstance();
        return 1;
    }
    if (!frontend.createMainWindow()) return 0;
    if (!frontend.loadWaitCursor()) return 1;
    shell.ui().setWindowTitle(std::string(kProductName) + " v" + kVersion);
    options::setDefaults(shell.options, shell.programDirectory());
    options::loadOptions(shell.options, shell.services().settings, shell.ui());

    if (shell.commandLineMode) return dispatchCommandLine(shell, commandLine) ? 0 : 1;

    if (!loadDefaultConfiguration(shell) && !shell.configuration.resetToBuiltins()) return 0;
    frontend.showMainWindow();
    while (true) {
        const int code = frontend.runEventLoop();
        if (exitProcedure(shell)) return code;
    }
}

}  // namespace shell
