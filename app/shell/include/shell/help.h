// Help pages and web pages: the help pages are HTML files in help/ beside the executable, one
// page and anchor for every keyword; web pages are the product's site. Both open in the
// user's browser.
#pragma once

#include <string>

#include "shell/shell.h"

namespace shell {

// Opens the help page of `keyword` at its anchor. True when the browser was started.
bool showHelp(Shell& shell, const std::string& keyword);

// The help page's path and the address opened for `keyword` (an unknown keyword opens the
// contents page).
std::string helpPagePath(const std::string& programDirectory, const std::string& keyword);

// Opens a web address. True on success.
bool openPage(Shell& shell, const std::string& address);

// Asks whether to download the latest HTML Configuration. True on Yes.
bool askToDownloadConfiguration(Shell& shell);

}  // namespace shell
