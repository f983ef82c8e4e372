#include "check_arguments.h"

#include <charconv>

#include "app/check_inputs.h"

namespace app {
namespace {

const CommandHelp kHelp{
    "markwise-check",
    "check HTML documents against an HTML Configuration",
    {"[OPTION]... DOCUMENT|FOLDER|-...", "[OPTION]... --files-from FILE"},
    "Checks each HTML document in turn (its tags, attributes, values, character entities, "
    "comments, quoting, server blocks and nesting) and writes its report to standard output. "
    "A folder is walked for HTML files in sorted order, hidden ones passed over; \"-\" reads "
    "standard input.\n\n"
    "Options start at their defaults; then come the options the profile carries, then the "
    "project's settings file (.markwise.ini in the current folder or the nearest one above it), "
    "then --set. Options are named by their settings names: markwise-check --list-options shows "
    "every one with its values and where its value came from.",
    {
        {"--profile NAME", "checks against a shipped profile: html5 (today's HTML, the "
         "default), html401-strict, html401-transitional, html401-frameset, html32, html20; "
         "\"auto\" chooses for each document from its DOCTYPE (none or <!DOCTYPE html>: html5; "
         "XHTML 1.0 Strict, Transitional and Frameset: the HTML 4.01 profile of the same name)",
         "auto html5 html401-strict html401-transitional html401-frameset html32 html20"},
        {"--list-profiles", "lists the shipped profiles and the files they are read from"},
        {"--config FILE", "checks against an HTML Configuration file of your own instead of a "
         "profile", "FILE"},
        {"--scan-only", "checks only what needs no HTML Configuration: comments, quotes, server "
         "blocks, character entities of the built-in tables and the lines; tag names and "
         "attributes are not looked up"},
        {"--no-profile-options", "ignores the validator options the profile carries"},
        {"--set NAME=VALUE", "sets one option by its settings name, e.g. --set CheckNesting=0, "
         "--set MaximumErrors=50, --set Language=1 (French); may be repeated. The options only "
         "the windowed program uses (its report file and .val files, the viewer, the editor, the "
         "tools, drag and drop) are accepted and change nothing here", "NONE"},
        {"--settings FILE", "reads the project's settings from FILE instead of the nearest "
         ".markwise.ini", "FILE"},
        {"--no-settings", "reads no project settings file"},
        {"--list-options", "prints every option: its settings name, its values, its default, "
         "the value it has now and where that came from"},
        {"--format FORMAT", "text: the report (the default); kv: KEY=VALUE lines ending with "
         "ENDOFFILE=YES; gnu: one line per message, FILE:LINE:COL: error|warning|note: TEXT "
         "[ID], for editors; json: one JSON document for the run; sarif: SARIF 2.1.0 for "
         "code-scanning services. gnu, json and sarif check whole documents (as --all) unless "
         "MaximumErrors or MaximumWarnings is set", "text kv gnu json sarif"},
        {"--list-messages", "lists every kind of message: its id (mw and its number, e.g. "
         "mw94), its kind and its English text"},
        {"--disable ID[,ID...]", "drops those kinds of message from every form and every count; "
         "may be repeated. In a document, <!-- markwise-disable ID[,ID...] --> drops them for "
         "the rest of it, <!-- markwise-disable-next-line ID[,ID...] --> on the next line; "
         "without an id, every kind",
         "NONE"},
        {"--no-inline-config", "ignores the markwise-disable comments of the documents"},
        {"--all", "no error or warning limit: the whole of every document is checked (up to a "
                  "million errors and a million warnings)"},
        {"--max-warnings N", "more than N warnings in all make the exit status 1, as errors do",
         "NONE"},
        {"--color WHEN", "colours the severity and the id of each message (gnu form) and the "
         "message headings (text report): auto (on a terminal, unless NO_COLOR is set or TERM "
         "is dumb), always (also into a pipe), never; never into --output files",
         "auto always never"},
        {"--output FILE", "writes the reports to FILE instead of standard output; FILE is "
         "replaced when every document has been checked. - or the file standard output goes "
         "to (/dev/stdout) means standard output", "FILE"},
        {"--quiet", "the text report without the document's lines, and every form without "
         "validator comments"},
        {"--summary", "one line per document instead of its report: its name, its errors and "
         "warnings, and \"failed\" (errors, or more warnings than --max-warnings allows) or "
         "\"passed\"; not with --output FILE, nor with a --format other than text"},
        {"--ext LIST", "the extensions of the files taken from a folder, separated by commas "
         "(default htm,html,shtm,shtml)", "NONE"},
        {"--files-from FILE", "also checks the documents named in FILE (\"-\": standard input), "
         "one name per line", "FILE"},
        {"-0, --null", "the names in --files-from end with a NUL byte instead of a line end "
         "(find -print0, git ls-files -z)"},
        {"--stdin-filename NAME", "the name under which standard input is reported (default "
         "\"-\")", "NONE"},
        {"-j, --jobs N", "checks N documents at a time (default: one per processor); the "
         "output, the log and the exit status are the same for every N", "NONE"},
        {"--version", "prints the version"},
        {"-h, --help", "shows this text"},
    },
    {
        {"Exit status", "0 when no document had errors, 1 when any had (or, with --max-warnings "
         "N, when there were more than N warnings in all), 2 when a document or the "
         "configuration could not be read, a report or a log entry could not be written, or the "
         "arguments are wrong (with one line on standard error naming the file and the "
         "cause)."},
        {"Environment", "NO_COLOR: when set and not empty, --color auto writes no colours.\n\n"
                        "TERM: when dumb, --color auto writes no colours either."},
        {"Files", ".markwise.ini: the project's settings, one NAME=VALUE a line (profile=, "
         "disable= with message ids as --disable takes them, and the options by their settings "
         "names; lines starting with # or ; are "
         "comments; \\\\, \\n and \\r in a value stand for a backslash and the line breaks).\n\n"
         "The profiles (mkwise25.cfg, mkwise-html401-strict.cfg, ...) are read from the "
         "program's folder or the installation's share/markwise folder."},
        {"See also", "markwise-cfg(1)"},
    },
};

struct OptionSpec {
    std::string_view name;
    bool takesValue;
};

constexpr OptionSpec kOptions[] = {
    {"--config", true},        {"--profile", true},       {"--set", true},
    {"--format", true},        {"--output", true},        {"--settings", true},
    {"--ext", true},           {"--files-from", true},    {"--stdin-filename", true},
    {"--jobs", true},          {"--scan-only", false},    {"--no-profile-options", false},
    {"--no-settings", false},  {"--quiet", false},        {"--summary", false},
    {"--null", false},         {"--help", false},         {"--version", false},
    {"--list-profiles", false}, {"--list-options", false},
    {"--list-messages", false}, {"--disable", true},      {"--no-inline-config", false},
    {"--all", false},          {"--max-warnings", true},  {"--color", true},
};

const OptionSpec* findSpec(std::string_view name) {
    for (const OptionSpec& option : kOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

std::optional<std::string> parseJobs(const std::string& text, unsigned& jobs) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 1024) {
        return "--jobs takes a number from 1 to 1024, not '" + text + "'";
    }
    jobs = value;
    return std::nullopt;
}

std::optional<std::string> apply(std::string_view name, const std::string& value,
                                 CheckArguments& parsed) {
    if (name == "--config") {
        parsed.config = value;
    } else if (name == "--profile") {
        parsed.profile = value;
    } else if (name == "--set") {
        parsed.settings.push_back(value);
    } else if (name == "--format") {
        if (value == "text") {
            parsed.format = CheckFormat::Text;
        } else if (value == "kv") {
            parsed.format = CheckFormat::KeyValue;
        } else if (value == "gnu") {
            parsed.format = CheckFormat::Gnu;
        } else if (value == "json") {
            parsed.format = CheckFormat::Json;
        } else if (value == "sarif") {
            parsed.format = CheckFormat::Sarif;
        } else {
            return "--format must be text, kv, gnu, json or sarif, not '" + value + "'";
        }
    } else if (name == "--disable") {
        parsed.disable.push_back(value);
    } else if (name == "--max-warnings") {
        int number = 0;
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || end != value.data() + value.size() || number < 0) {
            return "--max-warnings takes a number of warnings from 0 on, not '" + value + "'";
        }
        parsed.maxWarnings = number;
    } else if (name == "--color") {
        if (value == "auto") {
            parsed.colour = ColourChoice::Auto;
        } else if (value == "always") {
            parsed.colour = ColourChoice::Always;
        } else if (value == "never") {
            parsed.colour = ColourChoice::Never;
        } else {
            return "--color must be auto, always or never, not '" + value + "'";
        }
    } else if (name == "--list-messages") {
        parsed.listMessages = true;
    } else if (name == "--no-inline-config") {
        parsed.noInlineConfig = true;
    } else if (name == "--all") {
        parsed.all = true;
    } else if (name == "--output") {
        parsed.output = value;
    } else if (name == "--settings") {
        parsed.settingsFile = value;
    } else if (name == "--ext") {
        return parseExtensions(value, parsed.extensions);
    } else if (name == "--files-from") {
        // A second list would silently take the place of the first, whose documents would
        // then go unchecked.
        if (parsed.filesFrom) return std::string("--files-from is given once: join the lists");
        parsed.filesFrom = value;
    } else if (name == "--stdin-filename") {
        parsed.stdinName = value;
    } else if (name == "--jobs") {
        return parseJobs(value, parsed.jobs);
    } else if (name == "--scan-only") {
        parsed.scanOnly = true;
    } else if (name == "--no-profile-options") {
        parsed.noProfileOptions = true;
    } else if (name == "--no-settings") {
        parsed.noSettings = true;
    } else if (name == "--quiet") {
        parsed.quiet = true;
    } else if (name == "--summary") {
        parsed.summary = true;
    } else if (name == "--null") {
        parsed.nulSeparated = true;
    } else if (name == "--help") {
        parsed.help = true;
    } else if (name == "--version") {
        parsed.version = true;
    } else if (name == "--list-profiles") {
        parsed.listProfiles = true;
    } else if (name == "--list-options") {
        parsed.listOptions = true;
    }
    return std::nullopt;
}

}  // namespace

const CommandHelp& checkHelp() { return kHelp; }

std::optional<std::string> parseCheckArguments(std::span<const std::string> args,
                                               CheckArguments& parsed) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Short forms: -h, -0, -j N and -jN.
        std::string name = arg;
        std::optional<std::string> value;
        if (arg == "-h") {
            name = "--help";
        } else if (arg == "-0") {
            name = "--null";
        } else if (arg.starts_with("-j")) {
            name = "--jobs";
            if (arg.size() > 2) value = arg.substr(2);
        } else if (std::size_t eq = arg.find('='); eq != std::string::npos && arg.starts_with("--")) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const OptionSpec* option = findSpec(name);
        if (option == nullptr) return "unknown option '" + arg + "'";
        if (option->takesValue && !value) {
            if (i + 1 >= args.size()) return "option '" + name + "' needs a value";
            value = args[++i];
        }
        if (!option->takesValue && value) return "option '" + name + "' takes no value";
        if (auto problem = apply(name, value.value_or(""), parsed)) return problem;
    }
    if (parsed.scanOnly && (parsed.config || parsed.profile)) {
        return std::string("--scan-only checks without a configuration: it excludes --config and "
                           "--profile");
    }
    if (parsed.config && parsed.profile) {
        return std::string("--config and --profile exclude each other");
    }
    if (parsed.summary && parsed.format != CheckFormat::Text) {
        return std::string("--summary replaces the reports: it excludes --format");
    }
    if (parsed.summary && parsed.output && *parsed.output != "-") {
        return std::string("--summary prints its lines on standard output: it excludes --output");
    }
    return std::nullopt;
}

}  // namespace app
