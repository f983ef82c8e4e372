// Loading the HTML Configuration for a run of the program, with the messages the user sees
// when that fails.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "platform/file_system.h"
#include "options/options.h"
#include "options/profile_options.h"

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

// What applying a configuration's profile options did.
struct AppliedProfileOptions {
    std::vector<options::ProfileSetting> applied;  // in the order applied
    std::vector<std::string> problems;             // lines of the note that were passed over
};

// Applies the profile options that `configuration` carries (its note 1) to `options`, which
// hold the defaults and the user's settings: an option that one of `userSettings` ("NAME=VALUE",
// as --set takes them) names keeps the user's value. Lines of the note that are not a validator
// option's "Name=value" are passed over and described in `problems`.
AppliedProfileOptions applyProfileOptions(const CfgStore& configuration,
                                          std::span<const std::string> userSettings,
                                          options::Options& options);

// The message for a configuration without any active category, with which nothing can be
// validated.
extern const char* const kNoActiveCategoriesMessage;

}  // namespace app
