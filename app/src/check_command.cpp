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
#include "messages/text_out.h"
#include "platform/file_policy.h"

namespace app {
namespace {

constexpr std::string_view kProgram = "markwise-check";

constexpr std::string_view kUsage =
    "Usage: markwise-check [--config FILE | --scan-only] [--set NAME=VALUE]...\n"
    "                      [--format text|kv] [--output FILE] DOCUMENT...\n"
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
    "  --set NAME=VALUE    sets one option by its settings name, e.g. --set CheckNesting=0,\n"
    "                      --set MaximumErrors=50, --set Language=1 (French); may be repeated\n"
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

// The report file of --output as the validation writes it.
class ReplacementSink : public messages::ByteSink {
public:
    explicit ReplacementSink(platform::ReplacementFile& file) : file_(file) {}
    bool write(std::string_view bytes) override { return file_.write(bytes); }

private:
    platform::ReplacementFile& file_;
};

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
    // The HTML Configuration: the file named by --config, or the default one; either must
    // load, since the built-in entries activate no category and check nothing. A scan-only run
    // has none and checks what needs none (the scanner's findings, the character entities of
    // the built-in tables).
    platform::FileSystem& fs = *env.fileSystem;
    std::unique_ptr<CfgStore> configuration;
    std::string configPath;
    if (!parsed.scanOnly) {
        configuration = std::make_unique<CfgStore>();
        configPath = parsed.config ? *parsed.config : options.DefaultConfigurationFilenameV25;
        std::string reason;
        ConfigurationLoad loaded = loadConfiguration(configPath, *configuration, &reason, fs);
        if (loaded != ConfigurationLoad::Loaded) {
            // One line: the program's own message, the exact cause, and for the default file
            // what the user can do instead.
            std::string line = configurationLoadMessage(loaded, configPath) + " Cause: " + reason + ".";
            if (!parsed.config) {
                line += " Name a configuration with --config FILE, or check without one with "
                        "--scan-only.";
            }
            say(env.err, line);
            return kCheckFailed;
        }
        if (configuration->activeCategoryCount() == 0) {
            say(env.err, configPath + ": " + kNoActiveCategoriesMessage);
            return kCheckFailed;
        }
    }

    // What the report and the log must never overwrite: the documents, the configuration, and
    // each other.
    platform::WriteRules reportRules;
    platform::WriteRules logRules;
    for (const std::string& document : parsed.documents) {
        reportRules.protect(document, "a document this command checks");
        logRules.protect(document, "a document this command checks");
    }
    if (!configPath.empty()) {
        reportRules.protect(configPath, "the HTML Configuration of this command");
        logRules.protect(configPath, "the HTML Configuration of this command");
    }
    if (options.EnableLogging) reportRules.protect(options.LogFilename, "the log of this command");
    if (parsed.output) logRules.protect(*parsed.output, "the report of this command");
    if (options.EnableLogging) {
        if (auto refused = platform::checkWritable(fs, options.LogFilename, logRules, "not written")) {
            say(env.err, "the log " + refused->message());
            return kCheckFailed;
        }
    }

    platform::ReplacementFile outputFile(fs);
    ReplacementSink outputSink(outputFile);
    std::string reportName = "(standard output)";
    if (parsed.output) {
        if (auto refused = outputFile.open(*parsed.output, reportRules)) {
            say(env.err, refused->message());
            return kCheckFailed;
        }
        reportName = *parsed.output;
    }
    messages::MessageStore store(options);
    engine::Validator validator(options, store, env.clock, env.files, configuration.get());
    validator.setFileSystem(fs);
    int result = kCheckClean;
    bool failed = false;
    int reports = 0;
    for (const std::string& document : parsed.documents) {
        std::string bytes;
        if (auto failure = platform::readRegularFile(fs, document, bytes,
                                                     DocumentLines::kMaximumSize)) {
            say(env.err, failure->message());
            failed = true;
            continue;
        }
        options.lastOutputFilename = reportName;
        engine::RunContext context{nullptr, env.out, document, reportName, &env.ui};
        context.documentBytes = &bytes;
        if (parsed.output) context.reportSink = &outputSink;
        context.logRules = &logRules;
        if (!validator.validateDocument(context)) {
            say(env.err, document + ": could not be held in memory");
            failed = true;
            continue;
        }
        ++reports;
        if (const auto& logFailure = validator.logFailure()) {
            say(env.err, "the log " + logFailure->message());
            failed = true;
        }
        if (store.errors() > 0 && result == kCheckClean) result = kCheckErrors;
    }

    // A report file is replaced only by reports: when no document could be read, the old one
    // stays as it was.
    if (parsed.output && reports == 0) {
        outputFile.abandon();
    } else if (parsed.output) {
        if (auto failure = outputFile.commit()) {
            say(env.err, failure->message());
            return kCheckFailed;
        }
    } else if (std::fflush(env.out) != 0 || std::ferror(env.out)) {
        say(env.err, "standard output: the report could not be written");
        return kCheckFailed;
    }
    return failed ? kCheckFailed : result;
}

}  // namespace app
