// The HTML Configuration's load, save, save as and reset, with their questions, and the repair
// of a moved installation.
#include "options/options_storage.h"
#include "platform/file_policy.h"
#include "shell/commands.h"
#include "shell_text.h"

namespace shell {
namespace {

using detail::fill;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

constexpr const char* kSuccessCaption = "Markwise: Success";
constexpr const char* kConfigFilter = "Markwise Config Files (*.cfg)";

// Reads the configuration file `file` into the model, with the messages of a failure.
int readConfiguration(Shell& shell, const std::string& file, bool notify, bool& couldNotOpen) {
    couldNotOpen = false;
    std::string bytes;
    if (platform::readRegularFile(shell.services().fileSystem, file, bytes)) {
        couldNotOpen = true;
        shell.say("Markwise: Error Opening HTML Configuration",
                  fill("There was an error opening the HTML Configuration file \"%s\". The "
                       "configuration could not be loaded.",
                       file));
        return kLoadFailed;
    }
    if (shell.configuration.loadBytes(bytes, file)) {
        shell.configurationReplaced();
        if (notify) {
            shell.say(kSuccessCaption, "The HTML Configuration has been successfully loaded.",
                      Icon::Information);
        }
        return kLoaded;
    }
    shell.say("Markwise: Corrupt HTML Configuration File",
              fill("The HTML Configuration file \"%s\" contains corrupt data, is not a "
                   "configuration file, or is for a different version of Zentrel Markwise. No "
                   "configuration could be loaded.",
                   file));
    shell.configuration.clear();
    shell.configuration.resetToBuiltins();
    shell.configurationReplaced();
    return kLoadFailed;
}

// The program directory followed by `name`, when that fits a path; else the directory alone.
std::string inProgramDirectory(const std::string& directory, const char* name) {
    std::string path = directory;
    if (path.size() + std::string_view(name).size() <= detail::kMaxPath) path += name;
    return path;
}

// Points the default configuration and output file at the program directory and loads again.
int repairMovedInstallation(Shell& shell) {
    const Answer answer = shell.say(
        "Markwise: Try to Correct Problem?",
        "You may have moved Zentrel Markwise into a another directory when you reinstalled the "
        "program. Markwise can try to automatically correct this problem and try to load the "
        "HTML Configuration file again. Would you like to try to correct the problem?",
        Icon::Question, Buttons::YesNo);
    if (answer != Answer::Yes) return kLoadFailed;
    const std::string& directory = shell.programDirectory();
    if (!directory.empty()) {
        options::Options& o = shell.options;
        // A repair that does not work changes nothing: the names the user gave stay.
        const std::string configurationBefore = o.DefaultConfigurationFilenameV25;
        const std::string outputBefore = o.OutputFilename;
        o.DefaultConfigurationFilenameV25 = inProgramDirectory(directory, "mkwise25.cfg");
        o.OutputFilename = inProgramDirectory(directory, "output.txt");
        if (loadConfiguration(shell, false, true, false) == kLoaded) {
            platform::SettingsStore& store = shell.services().settings;
            options::writeValue(store, "DefaultConfigurationFilenameV25",
                                o.DefaultConfigurationFilenameV25);
            options::writeValue(store, "OutputFilename", o.OutputFilename);
            shell.say(kSuccessCaption,
                      "The problem appears to have been fixed. The default configuration "
                      "filename and the output filename in the program options have been reset "
                      "to their default values.",
                      Icon::Information);
            return kLoaded;
        }
        o.DefaultConfigurationFilenameV25 = configurationBefore;
        o.OutputFilename = outputBefore;
    }
    shell.say("Markwise: Could Not Correct Problem",
              "The problem could not be corrected. You may want to try uninstalling Zentrel "
              "Markwise, and then reinstalling using the zensetup.exe program.");
    return kLoadFailed;
}

}  // namespace

int loadConfiguration(Shell& shell, bool ask, bool notify, bool offerRepair) {
    shell.enterStartingDirectory();
    std::string file = shell.options.DefaultConfigurationFilenameV25;
    if (ask) {
        platform::FileDialogRequest request;
        request.title = "Specify HTML Configuration File and Click Open";
        request.filters = {{kConfigFilter, "*.cfg"}};
        request.initialPath = file;
        request.mustExist = true;
        auto chosen = shell.ui().openFileDialog(request);
        if (!chosen || chosen->path.empty()) return kLoadCancelled;
        file = chosen->path;
    }
    bool couldNotOpen = false;
    const int result = readConfiguration(shell, file, notify, couldNotOpen);
    if (result == kLoadFailed && couldNotOpen && offerRepair && !ask) {
        return repairMovedInstallation(shell);
    }
    return result;
}

bool saveConfiguration(Shell& shell, const std::string& file, bool notify) {
    shell.enterStartingDirectory();
    platform::FileSystem& fs = shell.services().fileSystem;
    const std::string openError = fill(
        "There was an error opening the HTML Configuration file \"%s\". The HTML Configuration "
        "could not be saved.",
        file);
    // The whole file is written beside the old one and put in its place only when complete.
    platform::ReplacementFile out(fs);
    if (out.open(file)) {
        shell.say("Markwise: Error Opening HTML Configuration", openError);
        return false;
    }
    int upgrade = 0;
    if (!shell.configuration.isCurrentFormat()) {
        const Answer answer = shell.say(
            "Markwise: Update HTML Configuration File Format?",
            "Do you want to update the HTML Configuration file to the new format (recommended)? "
            "If you do, you will not be able to load it in older versions of Markwise.",
            Icon::Question, Buttons::YesNo);
        upgrade = answer == Answer::Yes ? 1 : 0;
    }
    out.write(shell.configuration.serialize(upgrade));
    // The file opened, so what failed is finishing it (a write, the close or putting it in
    // place): the old file stays as it was.
    if (out.commit()) {
        shell.say("Error", "There was an error closing the file.");
        return false;
    }
    shell.configuration.noteSaved(file, upgrade);
    if (notify) {
        shell.say(kSuccessCaption, "The HTML Configuration has been successfully saved.",
                  Icon::Information);
    }
    return true;
}

bool saveConfigurationAs(Shell& shell) {
    shell.enterStartingDirectory();
    platform::FileDialogRequest request;
    request.title = "Specify HTML Configuration File and Click Save";
    request.filters = {{kConfigFilter, "*.cfg"}};
    if (shell.configuration.isLoaded()) request.initialPath = shell.configuration.fileName();
    request.confirmOverwrite = true;
    request.defaultSuffix = "cfg";
    auto chosen = shell.ui().saveFileDialog(request);
    if (!chosen || chosen->path.empty()) return false;
    std::string file = chosen->path;
    if (detail::extensionDot(file) == std::string::npos) file += ".cfg";
    if (!saveConfiguration(shell, file, true)) return false;

    options::Options& o = shell.options;
    // Two names that differ only in case are two files here.
    if (file != o.DefaultConfigurationFilenameV25) {
        const Answer answer = shell.say(
            "Markwise: Change Default HTML Configuration File?",
            "Do you want to change the default HTML Configuration file in the program options to "
            "the file just saved? If so, Markwise will automatically load this configuration "
            "when next launched.",
            Icon::Question, Buttons::YesNo);
        if (answer == Answer::Yes && file.size() <= detail::kMaxPath) {
            o.DefaultConfigurationFilenameV25 = file;
            o.optionsSaved = 0;
        }
    }
    return true;
}

bool unsavedConfigurationQuestion(Shell& shell, ConfigurationAction action) {
    CfgStore& configuration = shell.configuration;
    if (configuration.isSaved()) return true;
    // Saved there without a notice when asked to; when that fails (its box said why), the
    // question is asked as without automatic saving.
    if (shell.options.AutoSaveHTMLConfiguration && configuration.isLoaded() &&
        saveConfiguration(shell, configuration.fileName(), false)) {
        return true;
    }
    const bool load = action == ConfigurationAction::Load;
    const Answer answer = shell.say(
        load ? "Markwise: Load HTML Configuration?" : "Markwise: Reset HTML Configuration?",
        load ? "The current HTML Configuration has not been saved. Do you wish to load a new "
               "configuration over the currently unsaved one?"
             : "The current HTML Configuration has not been saved. Do you wish to reset the "
               "configuration and lose all changes?",
        Icon::Question, Buttons::YesNo);
    return answer == Answer::Yes;
}

void loadConfigurationCommand(Shell& shell) {
    if (!unsavedConfigurationQuestion(shell, ConfigurationAction::Load)) return;
    loadConfiguration(shell, true, true, false);
}

void saveConfigurationCommand(Shell& shell) {
    if (shell.configuration.isLoaded()) {
        saveConfiguration(shell, shell.configuration.fileName(), true);
        return;
    }
    shell.say("Markwise: Cannot Save Configuration",
              "You must first load a valid configuration or use the Save Configuration As Menu "
              "Item instead.");
}

void resetConfigurationCommand(Shell& shell) {
    if (!unsavedConfigurationQuestion(shell, ConfigurationAction::Reset)) return;
    const bool emptied = shell.configuration.clear() != 0;
    shell.configuration.resetToBuiltins();
    shell.configurationReplaced();
    if (emptied) {
        shell.say("Markwise: HTML Configuration Reset", "The HTML Configuration has been reset.",
                  Icon::Information);
    } else {
        shell.say("Markwise: HTML Configuration Not Reset",
                  "An error occurred while resetting the HTML Configuration.");
    }
}

}  // namespace shell
