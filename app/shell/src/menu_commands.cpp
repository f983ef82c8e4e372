// The menu command handler, the log commands, the menu toggles and dropped files.
#include "app/help_topics.h"
#include "shell/commands.h"
#include "shell/help.h"
#include "shell/menu.h"
#include "shell/tool_entry.h"
#include "shell/window_control.h"
#include "shell_text.h"

namespace shell {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// Between two dropped files validated into the one output file, so that the viewer of the
// first report has a moment before the next run replaces it.
constexpr int kDropPauseMs = 1500;

bool noPreviousDocument(Shell& shell) {
    if (!shell.options.LastOpenedHTMLFilename.empty()) return false;
    shell.say("Markwise: No Previous Validated Filename",
              "No previous validated filename. You must first specify the filename of an HTML "
              "document to validate by using the Validate HTML Document menu command (F2).",
              Icon::Information);
    return true;
}

bool logExists(Shell& shell) {
    shell.enterStartingDirectory();
    return shell.services().files.exists(shell.options.LogFilename);
}

void viewLog(Shell& shell) {
    if (!logExists(shell)) {
        shell.say("Markwise: No Log File on Disk", "There is currently no log file on disk.",
                  Icon::Information);
        return;
    }
    startProgram(shell, shell.options.ViewerFilename, shell.options.LogFilename,
                 shell.options.MaximizeViewer != 0);
}

void deleteLog(Shell& shell) {
    // Without a log there is nothing to delete and nothing to ask.
    if (!logExists(shell)) return;
    if (shell.say("Markwise: Delete Log File?", "Are you sure you want to delete the log file?",
                  Icon::Question, Buttons::YesNo) != Answer::Yes) {
        return;
    }
    if (!shell.services().files.remove(shell.options.LogFilename)) {
        shell.say("Markwise: Error Deleting Log File",
                  "An error occurred while attempting to delete the log file. The log file could "
                  "not be deleted.");
    }
}

// A menu toggle of an on/off option: the options are no longer saved.
void toggle(Shell& shell, int options::Options::*field) {
    shell.options.*field = shell.options.*field ? 0 : 1;
    shell.options.optionsSaved = 0;
    shell.window().refreshMenuChecks();
}

void setLanguage(Shell& shell, int language) {
    shell.options.Language = language;
    shell.options.optionsSaved = 0;
    shell.window().refreshMenuChecks();
}

void optionsDialog(Shell& shell, OptionsPage page) {
    if (shell.window().runOptionsDialog(shell, page) == kDialogNotOpened) shell.dialogBoxError();
    shell.window().refreshMenuChecks();
}

void toolDialog(Shell& shell) {
    if (shell.window().runToolDialog(shell) == kDialogNotOpened) shell.dialogBoxError();
}

void downloadConfiguration(Shell& shell, std::string_view address) {
    if (askToDownloadConfiguration(shell)) openPage(shell, std::string(address));
}

}  // namespace

std::string aboutText() {
    return std::string(kProductName) + " v" + kVersion +
           "\n\nChecks HTML documents against the HTML Configuration, a rule set you can "
           "edit, and writes a numbered report of every error, warning and comment.";
}

bool runMenuCommand(Shell& shell, int id) {
    using namespace command;
    options::Options& o = shell.options;
    switch (id) {
        case kValidate: validate(shell, ""); return true;
        case kRevalidate:
            if (!noPreviousDocument(shell)) validate(shell, o.LastOpenedHTMLFilename);
            return true;
        case kEditLastDocument:
            if (!noPreviousDocument(shell)) {
                startProgram(shell, o.EditorFilename, o.LastOpenedHTMLFilename,
                             o.MaximizeViewer != 0);
            }
            return true;
        case kExit: shell.window().requestClose(); return true;
        case kProgramOptions: optionsDialog(shell, OptionsPage::Program); return true;
        case kValidatorOptions: optionsDialog(shell, OptionsPage::Validator); return true;
        case kLoggingOptions: optionsDialog(shell, OptionsPage::Logging); return true;
        case kConfigurationEditor: openConfigurationEditor(shell); return true;
        case kEnglish: setLanguage(shell, 0); return true;
        case kFrench: setLanguage(shell, 1); return true;
        case kKeepWindowOnTop:
            toggle(shell, &options::Options::KeepWindowOnTop);
            shell.window().setKeepOnTop(o.KeepWindowOnTop != 0);
            return true;
        case kCleanConfiguration: runCleanConfiguration(shell); return true;
        case kResetConfiguration: resetConfigurationCommand(shell); return true;
        case kLoadConfiguration: loadConfigurationCommand(shell); return true;
        case kSaveConfiguration: saveConfigurationCommand(shell); return true;
        case kSaveConfigurationAs: saveConfigurationAs(shell); return true;
        case kEnableLogging: toggle(shell, &options::Options::EnableLogging); return true;
        case kViewLog: viewLog(shell); return true;
        case kDeleteLog: deleteLog(shell); return true;
        case kLowercase: runToolCommand(shell, kToolLowercase, ""); return true;
        case kUppercase: runToolCommand(shell, kToolUppercase, ""); return true;
        case kStripTags: runToolCommand(shell, kToolStripTags, ""); return true;
        case kTemplate: runToolCommand(shell, kToolTemplate, ""); return true;
        case kConvertFormat: runToolCommand(shell, kToolConvertFormat, ""); return true;
        case kHelpWithTools: showHelp(shell, "tools menu"); return true;
        case kDefaultToolOnDropped: toggle(shell, &options::Options::GiveDroppedFilesToTool); return true;
        case kValidatorOnDropped:
            toggle(shell, &options::Options::GiveDroppedFilesToValidator);
            return true;
        case kSetDefaultTool: toolDialog(shell); return true;
        case kHomePage: openPage(shell, std::string(app::web::kHomePage)); return true;
        case kDownloadPage: openPage(shell, std::string(app::web::kDownloadPage)); return true;
        case kSupportPage: openPage(shell, std::string(app::web::kSupportPage)); return true;
        case kConfigurationZip: downloadConfiguration(shell, app::web::kLatestConfigurationZip); return true;
        case kConfigurationUncompressed:
            downloadConfiguration(shell, app::web::kLatestConfiguration);
            return true;
        case kOnlineHelpContents: openPage(shell, std::string(app::web::kOnlineHelpContents)); return true;
        case kHelpContents: showHelp(shell, "table of contents"); return true;
        case kAbout: shell.say("Markwise: About...", aboutText(), Icon::Information); return true;
        default: return false;
    }
}

void dropFiles(Shell& shell, const std::vector<std::string>& files) {
    WindowControl control(shell, WindowControl::CursorAndTitle);
    shell.window().bringToFront();
    const options::Options& o = shell.options;
    if (files.empty()) return;

    if (!o.GiveDroppedFilesToTool && !o.GiveDroppedFilesToValidator) {
        shell.say("Markwise: Drag and Drop Action Not Specified",
                  "You must first choose whether you want to use the dragged and dropped file(s) "
                  "with the validator, the default tool, or both. You can choose this from the "
                  "Drag and Drop Pull Down Menu.",
                  Icon::Information);
        return;
    }
    if (o.GiveDroppedFilesToTool && o.ShowTOOLDBWhenFilesDropped) {
        const int result = shell.window().runToolDialog(shell);
        if (result == kDialogNotOpened) {
            shell.dialogBoxError();
            return;
        }
        if (result != kDialogOk) return;
    }

    const bool wasCommandLineMode = shell.commandLineMode;
    shell.commandLineMode = true;
    shell.processingDroppedFiles = true;
    control.setWaitCursor(true);
    const std::size_t count = files.size();
    for (std::size_t k = 1; k <= count; ++k) {
        const std::string& file = files[k - 1];
        control.setTitle("[" + std::to_string(k) + "<>" + std::to_string(count) + "] " +
                         std::string(detail::baseName(file)));
        const bool last = k == count;
        if (o.GiveDroppedFilesToTool && !runToolCommand(shell, o.DefaultDragAndDropTool, file) &&
            !last) {
            const Answer answer = shell.say(
                "Markwise: Error Using Tool on Dropped File(s)",
                detail::fill("An error occurred attempting to use the tool on the document "
                             "\"%s\". Do you want to continue processing the rest of the "
                             "dropped files?",
                             file),
                Icon::Question, Buttons::YesNo);
            if (answer == Answer::No) break;
        }
        if (o.GiveDroppedFilesToValidator) {
            if (!validate(shell, file)) {
                const Answer answer = shell.say(
                    "Markwise: Error Using Validator on Dropped File(s)",
                    detail::fill("An error occurred attempting to validate the document \"%s\". "
                                 "Do you want to continue processing the rest of the dropped "
                                 "files?",
                                 file),
                    Icon::Question, Buttons::YesNo);
                if (answer == Answer::No) break;
            }
            if (!o.UseVALFilesInstead && !last) shell.window().pause(kDropPauseMs);
        }
    }
    shell.commandLineMode = wasCommandLineMode;
    shell.processingDroppedFiles = false;
}

}  // namespace shell
