// The help of a command-line program kept as data, so that its --help text, its manual page
// and its shell completion come from one source and cannot disagree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

struct HelpOption {
    std::string_view flags;  // "--config FILE", "-j, --jobs N"
    std::string_view text;   // what it does; may hold several sentences
    // The words the option's value may take, for completion ("auto html5 ..."), or "FILE",
    // "DIR" for names; empty for an option without a value.
    std::string_view completion = {};
};

struct HelpSection {
    std::string_view title;  // "Exit status"
    std::string_view text;   // paragraphs separated by blank lines
};

struct CommandHelp {
    std::string_view program;                // "markwise-check"
    std::string_view purpose;                // "validate HTML documents"
    std::vector<std::string_view> synopsis;  // the forms of the command line
    std::string_view description;            // paragraphs separated by blank lines
    std::vector<HelpOption> options;
    std::vector<HelpSection> sections;       // after the options
};

// The text --help prints: the synopsis, the description, the options in two columns, the
// sections; lines at most 90 characters.
std::string usageText(const CommandHelp& help);

// The manual page in roff (man(7)), section 1, dated `date` ("2026-12-08").
std::string manPage(const CommandHelp& help, std::string_view version, std::string_view date);

// A bash completion function for the program: option names, and for an option's value its
// completion words or file names.
std::string bashCompletion(const CommandHelp& help);

}  // namespace app
