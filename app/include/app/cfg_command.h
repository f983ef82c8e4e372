// markwise-cfg: HTML Configuration files from the command line, and their text form.
//
//   markwise-cfg dump FILE                 prints the whole configuration as text
//   markwise-cfg build SOURCE... OUT       compiles a text into a configuration file
//   markwise-cfg copy IN OUT [--upgrade]   loads and saves a configuration file
//   markwise-cfg builtins OUT              writes the built-in configuration
//   markwise-cfg check FILE                says whether FILE is a valid configuration
//   markwise-cfg clean IN OUT              Clean Configuration: saves IN without the entries
//                                          that can no longer take part in a validation
//   markwise-cfg analyze FILE              prints the seven consistency listings
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "app/command_help.h"
#include "config/cfg_store.h"
#include "platform/files.h"

namespace app {

// Exit codes.
constexpr int kCfgDone = 0;     // the command did what was asked; check: the file is valid
constexpr int kCfgCorrupt = 1;  // a configuration file is corrupt, a source text has mistakes,
                                // or a deletion failed while cleaning
constexpr int kCfgFailed = 2;   // the arguments are wrong, or a file could not be read or written

struct CfgEnvironment {
    std::FILE* out;  // standard output
    std::FILE* err;  // standard error
    platform::Files& files;
    // Every file is read and written through this (the real file system unless a test sets
    // another).
    platform::FileSystem* fileSystem = &platform::systemFileSystem();
    // Makes the model that clean works on; a plain CfgStore when empty.
    std::function<std::unique_ptr<CfgStore>()> newStore = {};
};

// Runs the command with the arguments that follow the program name.
int runCfgCommand(std::span<const std::string> args, CfgEnvironment& env);

// The usage text printed by --help.
std::string_view cfgUsage();

// markwise-cfg's help as data: the source of --help, the manual page and the completion.
const CommandHelp& cfgHelp();

}  // namespace app
