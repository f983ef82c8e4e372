#include "app/check_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "app/configuration.h"
#include "options/options.h"
#include "command_support.h"
#include "engine/validator.h"
#include "messages/message_store.h"

namespace app {
namespace {

constexpr std::string_view kProgram = "markwise-check";

constexpr std::string_view kUsage =
    "Usage: markwise-check [--config FILE | --scan-only] [--no-profile-options]\n"
    "                      [--set NAME=VALUE]... [--format text|kv] [--output FILE]\n"
    "                      DOCUMENT...\n"
    "\n"
    "Validates each HTML document in turn and writes its report to standard output.\n"
    "\n"
    "  --config FILE       the HTML Configuration file to validate against; without it,\n"
    "                      the file named by the option DefaultConfigurationFilenameV25\n"
    "                      (mkwise25.cfg beside the program: today's HTML). Beside it are\n"
    "                      the other profiles: mkwise-html401-strict.cfg,\n"
    "                      mkwise-html401-transitional.cfg, mkwise-html401-frameset.cfg,\n"
    "                      mkwise-html32.cfg and mkwise-html20.cfg\n"
    "  --scan-only         checks only what needs no HTML Configuration: comments, quotes,\n"
    "                      server blocks, character entities of the built-in tables and the\n"
    "                      lines; tag names and attributes are not looked up\n"
    "  --no-profile-options\n"
    "                      ignores the validator options that the HTML Configuration's\n"
    "                      profile carries (without it they apply after the defaults and\n"
    "                      before --set, and the report names them)\n"
    "  --set NAME=VALUE    sets one option by its settings name, e.g. --set CheckNesting=0,\n"
    "                      --set MaximumErrors=50, --set Language=1 (French); may be repeated.\n"
    "                      Validator options of today's HTML, all 0 (off) by default and on in\n"
    "                      its profile: AllowEmptyElementSlash (a \"/\" before the \">\" of a\n"
    "                      tag marks an empty element: <br/>), AllowGreaterThanInText,\n"
    "                      AllowBareAmpersand (an \"&\" before a blank or the line's end),\n"
    "                      CheckDuplicateIds (an id value used twice is an error)\n"
    "  --format text|kv    the report as text (the default), or as KEY=VALUE lines ending\n"
    "                      with ENDOFFILE=YES\n"
    "  --output FILE       writes the reports to FILE instead of standard output\n"
    "  --help              shows this text\n"
    "\n"
    "Exit status: 0 when no document had errors, 1 when any had, 2 when a document could\n"
    "not be read or the arguments are wrong.\n";

struct Arguments {
    std::vector<std::string> documents;
    std::vector<std::string> settings;
    std::optional<std::string> config;
    std::optional<std::string> output;
    bool scanOnly = false;
    bool noProfileOptions = false;
    bool machineReadable = false;
    bool help = false;
};

void say(std::FILE* err, std::string_view line) { detail::say(err, kProgram, line); }

// Parses the arguments; returns the problem with them, if any.
std::optional<std::string> parse(std::span<const std::string> args, Arguments& parsed) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.documents.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (arg == "--scan-only") {
            parsed.scanOnly = true;
            continue;
        }
        if (arg == "--no-profile-options") {
            parsed.noProfileOptions = true;
            continue;
        }
        // Options that take a value: "--name value" or "--name=value".
        std::string name = arg;
        std::optional<std::string> value;
        if (std::size_t eq = arg.find('='); eq != std::string::npos && arg.starts_with("--")) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name != "--config" && name != "--set" && name != "--format" && name != "--output") {
            return "unknown option '" + arg + "'";
        }
        if (!value) {
            if (i + 1 >= args.size()) return "option '" + name + "' needs a value";
            value = args[++i];
        }
        if (name == "--config") {
            parsed.config = *value;
        } else if (name == "--set") {
            parsed.settings.push_back(*value);
        } else if (name == "--format") {
            if (*value == "text") {
                parsed.machineReadable = false;
            } else if (*value == "kv") {
                parsed.machineReadable = true;
            } else {
                return "--format must be text or kv, not '" + *value + "'";
            }
        } else {
            parsed.output = *value;
        }
    }
    if (parsed.scanOnly && parsed.config) return std::string("--scan-only and --config exclude each other");
    return std::nullopt;
}

std::optional<std::string> applySettings(const std::vector<std::string>& settings,
                                         options::Options& options) {
    for (const std::string& setting : settings) {
        std::size_t eq = setting.find('=');
        if (eq == std::string::npos) {
            return "--set takes NAME=VALUE, not '" + setting + "'";
        }
        std::string name = setting.substr(0, eq);
        const options::OptionInfo* info = options::findOption(name);
        if (info == nullptr) return "--set: there is no option named '" + name + "'";
        if (auto problem = options::setFromUser(options, *info, std::string_view(setting).substr(eq + 1))) {
            return std::string("--set: ") + info->name + " " + *problem;
        }
    }
    return std::nullopt;
}

using detail::File;

}  // namespace

std::string_view checkUsage() { return kUsage; }

int runCheckCommand(std::span<const std::string> args, CheckEnvironment& env) {
    Arguments parsed;
    if (auto problem = parse(args, parsed)) {
        say(env.err, *problem + " (see markwise-check --help)");
        return kCheckFailed;
    }
    if (parsed.help) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), env.out);
        return kCheckClean;
    }

    options::Options options = options::defaultOptions(env.programDirectory);
    if (auto problem = applySettings(parsed.settings, options)) {
        say(env.err, *problem);
        return kCheckFailed;
    }
    options.machineReadable = parsed.machineReadable ? 1 : 0;
    if (parsed.documents.empty()) {
        say(env.err, "no document to validate (see markwise-check --help)");
        return kCheckFailed;
    }
    // The HTML Configuration: the file named by --config, which must load, or the default
    // one, in whose place the built-in entries serve when it cannot be loaded. A scan-only
    // run has none and checks what needs none (the scanner's findings, the character
    // entities of the built-in tables).
    std::unique_ptr<CfgStore> configuration;
    std::string profileOptions;
    if (!parsed.scanOnly) {
        configuration = std::make_unique<CfgStore>();
        const std::string& path = parsed.config ? *parsed.config
                                                : options.DefaultConfigurationFilenameV25;
        ConfigurationLoad loaded = loadConfiguration(path, *configuration);
        if (loaded != ConfigurationLoad::Loaded) {
            say(env.err, configurationLoadMessage(loaded, path));
            if (parsed.config) return kCheckFailed;
            say(env.err, "Validating with the built-in entries of the HTML Configuration.");
        }
        if (configuration->activeCategoryCount() == 0) {
            say(env.err, path + ": " + kNoActiveCategoriesMessage);
            return kCheckFailed;
        }
        // The options of the configuration's profile: after the defaults, before --set.
        if (!parsed.noProfileOptions) {
            AppliedProfileOptions profile =
                applyProfileOptions(*configuration, parsed.settings, options);
            for (const std::string& problem : profile.problems) {
                say(env.err, path + ": profile options, " + problem + " (passed over)");
            }
            profileOptions = options::describeProfileOptions(profile.applied);
        }
    }

    std::FILE* report = env.out;
    File outputFile;
    std::string reportName = "(standard output)";
    if (parsed.output) {
        for (const std::string& document : parsed.documents) {
            if (detail::sameFile(document, *parsed.output)) {
                say(env.err, *parsed.output + ": the output file is also a document to validate");
                return kCheckFailed;
            }
        }
        outputFile.reset(std::fopen(parsed.output->c_str(), "w"));
        if (!outputFile) {
            say(env.err, *parsed.output + ": cannot open for writing: " + std::strerror(errno));
            return kCheckFailed;
        }
        report = outputFile.get();
        reportName = *parsed.output;
    }
    messages::MessageStore store(options);
    engine::Validator validator(options, store, env.clock, env.files, configuration.get());
    int result = kCheckClean;
    for (const std::string& document : parsed.documents) {
        File input = detail::openForReading(document, env.err, kProgram);
        if (!input) {
            result = kCheckFailed;
            continue;
        }
        options.lastOutputFilename = reportName;
        engine::RunContext context{input.get(), report, document, reportName, &env.ui,
                                   profileOptions};
        if (!validator.validateDocument(context)) {
            say(env.err, document + ": could not be read");
            result = kCheckFailed;
            continue;
        }
        if (store.errors() > 0 && result == kCheckClean) result = kCheckErrors;
    }

    bool written = std::fflush(report) == 0 && !std::ferror(report);
    if (outputFile) written = std::fclose(outputFile.release()) == 0 && written;
    if (!written) {
        say(env.err, (parsed.output ? *parsed.output : std::string("standard output")) +
                         ": the report could not be written");
        return kCheckFailed;
    }
    return result;
}

}  // namespace app
