// markwise-cfg: HTML Configuration files from the command line, and their text form.
//
//   markwise-cfg dump FILE                 prints the whole configuration as text
//   markwise-cfg build SOURCE OUT          compiles a text into a configuration file
//   markwise-cfg copy IN OUT [--upgrade]   loads and saves a configuration file
//   markwise-cfg builtins OUT              writes the built-in configuration
//   markwise-cfg check FILE                says whether FILE is a valid configuration
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/files.h"

namespace app {

// Exit codes.
constexpr int kCfgDone = 0;     // the command did what was asked; check: the file is valid
constexpr int kCfgCorrupt = 1;  // a configuration file is corrupt, or a source text has mistakes
constexpr int kCfgFailed = 2;   // the arguments are wrong, or a file could not be read or written

struct CfgEnvironment {
    std::FILE* out;  // standard output
    std::FILE* err;  // standard error
    platform::Files& files;
    // Every file is read and written through this (the real file system unless a test sets
    // another).
    platform::FileSystem* fileSystem = &platform::systemFileSystem();
};

// Runs the command with the arguments that follow the program name.
int runCfgCommand(std::span<const std::string> args, CfgEnvironment& env);

// The usage text printed by --help.
std::string_view cfgUsage();

}  // namespace app
