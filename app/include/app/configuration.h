// Loading the HTML Configuration for a run of the program, with the messages the user sees
// when that fails.
#pragma once

#include <string>

#include "config/cfg_store.h"
#include "platform/file_system.h"

namespace app {

enum class ConfigurationLoad { Loaded, CannotOpen, Corrupt };

// Loads the configuration file at `path` into `configuration`. On failure the configuration
// is left with its built-in entries, and `reason` (when given) says exactly why: the file is a
// folder or cannot be opened, or what in its data is wrong.
ConfigurationLoad loadConfiguration(const std::string& path, CfgStore& configuration,
                                    std::string* reason = nullptr,
                                    platform::FileSystem& fs = platform::systemFileSystem());

// "There was an error opening the HTML Configuration file ..." or "The HTML Configuration
// file ... contains corrupt data, ...", for a failed load of `path`.
std::string configurationLoadMessage(ConfigurationLoad result, const std::string& path);

// The message for a configuration without any active category, with which nothing can be
// validated.
extern const char* const kNoActiveCategoriesMessage;

}  // namespace app
