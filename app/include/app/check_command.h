// markwise-check: batch validation of documents, each report to standard output or a file.
//
//   markwise-check [--config FILE] [--set NAME=VALUE]... [--format text|kv] [--output FILE]
//                  DOCUMENT...
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "app/command_help.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace app {

// Exit codes.
constexpr int kCheckClean = 0;      // no document had errors
constexpr int kCheckErrors = 1;     // a document had errors
constexpr int kCheckFailed = 2;     // a document could not be read, or the arguments are wrong

struct CheckEnvironment {
    std::FILE* out;  // standard output
    std::FILE* err;  // standard error
    platform::UserInterface& ui;
    const platform::Clock& clock;
    platform::Files& files;
    std::string programDirectory;
    // Every file is read and written through this (the real file system unless a test sets
    // another).
    platform::FileSystem* fileSystem = &platform::systemFileSystem();
    // The loaded configurations are left to the system when the command ends: a program that
    // exits next frees their thousands of small blocks for nothing (a quarter of a shipped
    // profile's loading time). They stay reachable, so that a leak checker does not count
    // them. Off wherever the command runs inside a longer-lived process.
    bool leaveConfigurationsAtExit = false;
};

// Runs the command with the arguments that follow the program name.
int runCheckCommand(std::span<const std::string> args, CheckEnvironment& env);

// The usage text printed by --help.
std::string_view checkUsage();

// markwise-check's help as data: the source of --help, the manual page and the completion.
const CommandHelp& checkCommandHelp();

}  // namespace app
