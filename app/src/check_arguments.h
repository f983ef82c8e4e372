// markwise-check's command line: what it accepts, and its help.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/command_help.h"

namespace app {

// The text report, its KEY=VALUE form, and the forms for editors and CI services.
enum class CheckFormat { Text, KeyValue, Gnu, Json, Sarif };

enum class ColourChoice { Auto, Always, Never };

struct CheckArguments {
    std::vector<std::string> operands;  // documents, folders, "-"
    std::vector<std::string> settings;  // --set NAME=VALUE, in order
    std::optional<std::string> config;
    std::optional<std::string> profile;  // a shipped profile's name, or "auto"
    std::optional<std::string> output;
    std::optional<std::string> settingsFile;
    std::optional<std::string> filesFrom;
    std::vector<std::string> extensions = {"htm", "html", "shtm", "shtml"};
    std::string stdinName = "-";
    CheckFormat format = CheckFormat::Text;
    std::vector<std::string> disable;  // --disable ID[,ID...], in order
    std::optional<int> maxWarnings;    // --max-warnings N
    ColourChoice colour = ColourChoice::Auto;
    unsigned jobs = 0;  // 0: one per processor
    bool nulSeparated = false;
    bool noSettings = false;
    bool scanOnly = false;
    bool noProfileOptions = false;
    bool quiet = false;
    bool summary = false;
    bool help = false;
    bool version = false;
    bool listProfiles = false;
    bool listOptions = false;
    bool listMessages = false;
    bool noInlineConfig = false;
    bool all = false;
};

// Reads the arguments that follow the program name; returns what is wrong with them, if anything.
std::optional<std::string> parseCheckArguments(std::span<const std::string> args,
                                               CheckArguments& parsed);

// markwise-check's help: the source of --help, the manual page and the shell completion.
const CommandHelp& checkHelp();

}  // namespace app
