// The commands of the main window: validation, the viewer and the editor, the HTML
// Configuration's load, save and reset with their questions, the log, dropped files, and the
// menu command handler. Each shows its own message boxes; a failure has been reported by the
// time it returns.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/shell.h"

namespace shell {

// Validates `document`, or the document picked in an open dialog when it is empty, and opens
// the viewer on the report (or asks first). True on success.
bool validate(Shell& shell, const std::string& document);

// The report file a validation of `document` writes: the output file, or the document's name
// with the VAL extension in place of its own. Nothing when that name would be too long.
std::optional<std::string> reportNameFor(const options::Options& options,
                                         const std::string& document);

// Starts `program` with `file` from the starting directory. True when it was started.
bool startProgram(Shell& shell, const std::string& program, const std::string& file,
                  bool maximized);

// Loading the HTML Configuration: the default file, or (with `ask`) one picked in an open
// dialog; `offerRepair` offers to mend the options of a moved installation when the default
// file cannot be opened.
enum LoadResult { kLoadFailed = 0, kLoaded = 1, kLoadCancelled = 2 };
int loadConfiguration(Shell& shell, bool ask, bool notify, bool offerRepair);

// Writes the HTML Configuration to `file` (asking first whether an older format should be
// brought up to date). True on success.
bool saveConfiguration(Shell& shell, const std::string& file, bool notify);
// Saves under a name picked in a save dialog, then offers to make it the default.
bool saveConfigurationAs(Shell& shell);

// Before loading over or resetting an unsaved HTML Configuration: saves it without asking when
// that is wanted, or asks. True when the action may go ahead.
enum class ConfigurationAction { Load, Reset };
bool unsavedConfigurationQuestion(Shell& shell, ConfigurationAction action);

// The menu's configuration commands.
void loadConfigurationCommand(Shell& shell);
void saveConfigurationCommand(Shell& shell);
void resetConfigurationCommand(Shell& shell);

// Files dropped on the main window, in drop order.
void dropFiles(Shell& shell, const std::vector<std::string>& files);

// Runs the menu command `id` (the ids of menu.h). False for an id that is no command.
bool runMenuCommand(Shell& shell, int id);

// The About box's text.
std::string aboutText();

}  // namespace shell
