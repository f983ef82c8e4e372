// Where the text tools, Clean Configuration and the HTML Configuration editor join the shell.
#pragma once

#include <string>

#include "shell/shell.h"

namespace shell {

// The tools by number, as the options and the command line name them.
inline constexpr int kToolLowercase = 1;
inline constexpr int kToolUppercase = 2;
inline constexpr int kToolStripTags = 3;
inline constexpr int kToolTemplate = 4;
inline constexpr int kToolConvertFormat = 5;

// Runs tool `tool` on `document`, or on a document picked in an open dialog when it is empty.
// True on success.
bool runToolCommand(Shell& shell, int tool, const std::string& document);

// Cleans the HTML Configuration. True on success.
bool runCleanConfiguration(Shell& shell);

// Opens the HTML Configuration editor "DBCONFIG" and returns when it closes. False when it
// could not be opened (the user has been told why).
bool openConfigurationEditor(Shell& shell);

}  // namespace shell
