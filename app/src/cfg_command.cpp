#include "app/cfg_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "app/command_help.h"
#include "app/profiles.h"
#include "command_support.h"
#include "config/cfg_store.h"
#include "config/maintenance.h"
#include "config/text_form.h"
#include "messages/report.h"
#include "platform/file_policy.h"

namespace app {
namespace {

constexpr std::string_view kProgram = "markwise-cfg";

const CommandHelp kHelp{
    "markwise-cfg",
    "read, write, compile and maintain HTML Configuration files",
    {"dump FILE", "build SOURCE... OUT", "copy IN OUT [--upgrade]", "builtins OUT", "check FILE",
     "clean IN OUT", "analyze FILE"},
    "Reads and writes HTML Configuration files and their text form.",
    {
        {"dump FILE", "prints the whole configuration as text on standard output", "FILE"},
        {"build SOURCE... OUT", "compiles a text into the configuration file OUT (format "
         "version 2 unless the text says otherwise); several SOURCE files are read in order as "
         "one text; mistakes are shown as SOURCE:LINE: message; OUT, the last name, is written "
         "only over a configuration file or a new or empty file", "FILE"},
        {"copy IN OUT", "loads IN and saves it as OUT, keeping the file's and each entry's "
         "format version; with --upgrade everything is saved in version 2; OUT may be IN", "FILE"},
        {"builtins OUT", "writes the built-in configuration to OUT", "FILE"},
        {"check FILE", "says whether FILE is a valid configuration, and if not, why", "FILE"},
        {"clean IN OUT", "loads IN, deletes the user-defined tag names, attributes, attribute "
         "values and entities in the category \"(undefined)\" and the user-defined attributes "
         "and attribute values that nothing lists, saves the rest as OUT in IN's format version "
         "and says how many of each kind were deleted; OUT may be IN", "FILE"},
        {"analyze FILE", "prints the seven consistency listings, one line each: entries in "
         "\"(undefined)\", tag names without a valid range or attributes, attributes and "
         "attribute values that nothing lists", "FILE"},
        {"--upgrade", "with copy: saves every entry in format version 2"},
        {"-h, --help", "shows this text"},
    },
    {
        {"Exit status", "0 on success, 1 when a configuration file is corrupt, a text has "
         "mistakes or a deletion failed while cleaning, 2 when the arguments are wrong or a file "
         "cannot be read or written."},
        {"Files", "A configuration file is written to a temporary file beside it and renamed "
         "over the old one only when every byte was written, so a failed write leaves the old "
         "file as it was. Only regular files are read and written."},
        {"See also", "markwise-check(1)"},
    },
};

struct Command {
    std::string_view name;
    std::size_t operands;
};

constexpr Command kCommands[] = {
    {"dump", 1},     {"build", 2}, {"copy", 2},   {"builtins", 1},
    {"check", 1},    {"clean", 2}, {"analyze", 1}};

struct Arguments {
    std::vector<std::string> operands;  // the command, then its files
    bool upgrade = false;
    bool help = false;
};

void say(std::FILE* err, std::string_view line) { detail::say(err, kProgram, line); }

std::optional<std::string> parse(std::span<const std::string> args, Arguments& parsed) {
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--upgrade") {
            parsed.upgrade = true;
        } else {
            return "unknown option '" + arg + "'";
        }
    }
    if (parsed.help) return std::nullopt;
    if (parsed.operands.empty()) return std::string("no command given");
    const std::string& name = parsed.operands[0];
    for (const Command& command : kCommands) {
        if (command.name != name) continue;
        const bool many = name == "build";  // build takes several sources
        if (parsed.operands.size() != command.operands + 1 &&
            !(many && parsed.operands.size() > command.operands + 1)) {
            return name + " takes " + (many ? "at least " : "") + std::to_string(command.operands) +
                   (command.operands == 1 ? " file" : " files");
        }
        if (parsed.upgrade && name != "copy") return std::string("--upgrade belongs to copy");
        return std::nullopt;
    }
    return "unknown command '" + name + "'";
}

// The whole file, or nothing after saying why it could not be read.
std::optional<std::string> readWhole(const std::string& path, CfgEnvironment& env) {
    std::string bytes;
    if (auto failure = platform::readRegularFile(*env.fileSystem, path, bytes)) {
        std::string message = failure->message();
        // A shipped profile named without its folder, from another folder than the programs'.
        if (path.find('/') == std::string::npos &&
            failure->cause.find(std::strerror(ENOENT)) != std::string::npos) {
            for (const ShippedProfile& profile : shippedProfiles()) {
                if (profile.file == path) {
                    message += " (a shipped profile: markwise-check --list-profiles shows where "
                               "it is)";
                    break;
                }
            }
        }
        say(env.err, message);
        return std::nullopt;
    }
    return bytes;
}

std::int32_t wordAt(std::string_view bytes, std::size_t at) {
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        raw |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return static_cast<std::int32_t>(raw);
}

// Why a file is no configuration file, with a hint when it is a text: an HTML document (its
// first character past blanks and a byte order mark a "<") or else the text form, most likely.
// A configuration file starts with its format version, 1 or 2 in four bytes.
std::string withTextHint(const std::string& reason, std::string_view bytes) {
    if (bytes.empty() || bytes.substr(0, 64).find('\0') != std::string_view::npos) return reason;
    std::string_view start = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
    while (!start.empty() && std::string_view(" \t\r\n").find(start.front()) != std::string_view::npos) {
        start.remove_prefix(1);
    }
    if (start.starts_with('<')) {
        return reason + " (this looks like an HTML document: markwise-check validates documents)";
    }
    return reason + " (this looks like the text form: make a configuration file of it with "
                    "markwise-cfg build)";
}

// Loads a configuration file; says why when it cannot be read (2) or is corrupt (1). A file
// that memory cannot hold is no corrupt one: that ends the command as running out of memory
// anywhere does ("out of memory", 2).
int load(const std::string& path, CfgStore& store, CfgEnvironment& env, std::string* bytesOut) {
    std::optional<std::string> bytes = readWhole(path, env);
    if (!bytes) return kCfgFailed;
    std::string reason;
    if (!store.loadBytes(*bytes, path, &reason)) {
        if (reason == CfgStore::kNoMemoryReason) throw std::bad_alloc();
        say(env.err, path + ": corrupt: " + withTextHint(reason, *bytes));
        return kCfgCorrupt;
    }
    if (bytesOut) *bytesOut = std::move(*bytes);
    return kCfgDone;
}

// Writes a configuration file safely; `inputs` are the files the command read, which it never
// overwrites.
int write(const std::string& path, std::string_view bytes, CfgEnvironment& env,
          std::span<const std::string> inputs = {}) {
    platform::WriteRules rules;
    for (const std::string& input : inputs) rules.protect(input, "read by this command");
    if (auto failure = platform::replaceFile(*env.fileSystem, path, bytes, rules)) {
        say(env.err, failure->message());
        return kCfgFailed;
    }
    return kCfgDone;
}

int dump(const std::string& path, CfgEnvironment& env) {
    CfgStore store;
    std::string bytes;
    if (int result = load(path, store, env, &bytes); result != kCfgDone) return result;
    // The loader sets both state flags; the text carries the ones the file holds, so that
    // building it gives the same bytes.
    store.setState(wordAt(bytes, 4), wordAt(bytes, 8), store.formatVersion());
    const std::string text = config::writeTextForm(store);
    std::fwrite(text.data(), 1, text.size(), env.out);
    return kCfgDone;
}


// Whether writing a configuration to `path` replaces nothing but a configuration: no file, an
// empty one, or one that starts as a configuration file of a known format version does.
bool replacesAConfiguration(const std::string& path, CfgEnvironment& env) {
    struct stat info {};
    if (env.fileSystem->stat(path, info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        return true;  // a new file, or one the writing policy refuses with its own reason
    }
    std::optional<std::string> bytes = readWhole(path, env);
    if (!bytes) return false;
    if (bytes->size() < 4) return false;
    const std::int32_t version = wordAt(*bytes, 0);
    return version == 1 || version == 2;
}

int build(std::span<const std::string> sourcePaths, const std::string& outPath,
          CfgEnvironment& env) {
    std::vector<std::string> texts;
    for (const std::string& path : sourcePaths) {
        std::optional<std::string> text = readWhole(path, env);
        if (!text) return kCfgFailed;
        // The text is the one a person edits: writing the configuration over it would lose it.
        if (detail::sameFile(path, outPath)) {
            say(env.err, outPath + ": the output file is a source text");
            return kCfgFailed;
        }
        texts.push_back(std::move(*text));
    }
    std::vector<config::TextSource> sources;
    for (std::size_t i = 0; i < texts.size(); ++i) sources.push_back({sourcePaths[i], texts[i]});
    CfgStore store;
    const std::vector<config::TextFormError> errors = config::readTextForm(sources, store);
    if (!errors.empty()) {
        for (const config::TextFormError& e : errors) {
            const std::string& path = sourcePaths[e.source];
            std::string where = path + (e.line > 0 ? ":" + std::to_string(e.line) : "");
            std::fprintf(env.err, "%s: %s\n", where.c_str(), e.message.c_str());
        }
        return kCfgCorrupt;
    }
    // The output file comes last: a file there that is not a configuration (a source text
    // whose output name was forgotten, say) is not replaced. What the writing policy refuses
    // is said first, as it says it.
    if (auto refused = platform::checkWritable(*env.fileSystem, outPath, {})) {
        say(env.err, refused->message());
        return kCfgFailed;
    }
    if (!replacesAConfiguration(outPath, env)) {
        say(env.err, outPath + ": is no HTML Configuration file; not replaced (the output file "
                               "is the last name given to build)");
        return kCfgFailed;
    }
    return write(outPath, store.serialize(0), env, sourcePaths);
}

std::string plural(int count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

int check(const std::string& path, CfgEnvironment& env) {
    std::optional<std::string> bytes = readWhole(path, env);
    if (!bytes) return kCfgFailed;
    CfgStore store;
    std::string reason;
    if (!store.loadBytes(*bytes, path, &reason)) {
        // A file that could not be held says nothing of whether it is valid.
        if (reason == CfgStore::kNoMemoryReason) throw std::bad_alloc();
        std::fprintf(env.out, "%s: corrupt: %s\n", path.c_str(),
                     withTextHint(reason, *bytes).c_str());
        return kCfgCorrupt;
    }
    std::fprintf(env.out,
                 "%s: valid HTML Configuration (format version %d, %s, %s, %s, %s, %s, %s)\n",
                 path.c_str(), store.formatVersion(),
                 plural(store.entryCount(TagName), "tag name", "tag names").c_str(),
                 plural(store.entryCount(Attribute), "attribute", "attributes").c_str(),
                 plural(store.entryCount(AttributeValue), "attribute value", "attribute values")
                     .c_str(),
                 plural(store.entryCount(Category), "category", "categories").c_str(),
                 plural(store.entryCount(Entity), "character entity", "character entities")
                     .c_str(),
                 plural(store.entryCount(Spare), "spare entry", "spare entries").c_str());
    return kCfgDone;
}

// Clean Configuration as after Yes: a failed deletion writes nothing.
int clean(const std::string& inPath, const std::string& outPath, CfgEnvironment& env) {
    std::unique_ptr<CfgStore> owned = env.newStore ? env.newStore() : std::make_unique<CfgStore>();
    CfgStore& store = *owned;
    if (int result = load(inPath, store, env, nullptr); result != kCfgDone) return result;
    const config::CleanResult result = config::cleanEntries(store);
    if (result.failed) {
        say(env.err, config::kCleanFailedText);
        return kCfgCorrupt;
    }
    // OUT may be IN: it has been read whole, and is replaced only by a complete file.
    if (int written = write(outPath, store.serialize(0), env); written != kCfgDone) return written;
    std::fprintf(env.out, "%s\n", config::cleanResultText(result).c_str());
    return kCfgDone;
}

// The seven listings, one line each: the title, then the labels or the all-clear text. Control
// bytes in a label (a downloaded configuration's names: bytes 1 to 31 and 127) are written as
// \xHH, as the console's messages write them, never handed to the terminal.
int analyze(const std::string& path, CfgEnvironment& env) {
    CfgStore store;
    if (int result = load(path, store, env, nullptr); result != kCfgDone) return result;
    for (const config::ListingInfo& info : config::allListings()) {
        std::string text =
            messages::escapeControlCharacters(config::listingText(store, info.listing));
        if (text.ends_with(' ')) text.pop_back();
        std::fprintf(env.out, "%.*s: %s\n", static_cast<int>(info.title.size()),
                     info.title.data(), text.c_str());
    }
    return kCfgDone;
}

}  // namespace

std::string_view cfgUsage() {
    static const std::string usage = usageText(kHelp);
    return usage;
}

const CommandHelp& cfgHelp() { return kHelp; }

namespace {

int runCommand(std::span<const std::string> args, CfgEnvironment& env) {
    Arguments parsed;
    if (auto problem = parse(args, parsed)) {
        say(env.err, *problem + " (see markwise-cfg --help)");
        return kCfgFailed;
    }
    if (parsed.help) {
        std::fwrite(cfgUsage().data(), 1, cfgUsage().size(), env.out);
        return kCfgDone;
    }
    const std::string& command = parsed.operands[0];
    const std::vector<std::string>& files = parsed.operands;
    // A configuration file is written to a file: "-" would be taken for standard output.
    const bool writes = command == "build" || command == "copy" || command == "builtins" ||
                        command == "clean";
    if (writes && files.back() == "-") {
        say(env.err, command + " writes a configuration file: name it (not '-') (see "
                               "markwise-cfg --help)");
        return kCfgFailed;
    }
    if (command == "dump") return dump(files[1], env);
    if (command == "build") {
        return build(std::span(files).subspan(1, files.size() - 2), files.back(), env);
    }
    if (command == "check") return check(files[1], env);
    if (command == "clean") return clean(files[1], files[2], env);
    if (command == "analyze") return analyze(files[1], env);
    CfgStore store;
    if (command == "builtins") {
        store.resetToBuiltins();
        return write(files[1], store.serialize(0), env);
    }
    // copy: saved as the program saves, in the model's versions unless upgrading.
    if (int result = load(files[1], store, env, nullptr); result != kCfgDone) return result;
    // OUT may be IN (an upgrade in place): it has been read whole, and is replaced only by a
    // complete file.
    return write(files[2], store.serialize(parsed.upgrade ? 1 : 0), env);
}

}  // namespace

// What a command prints (a text, a verdict, counts, listings) is part of its result: output
// that could not be written fails the command, whatever it did besides.
int runCfgCommand(std::span<const std::string> args, CfgEnvironment& env) {
    int result = kCfgFailed;
    try {
        result = runCommand(args, env);
    } catch (const std::bad_alloc&) {
        // Nothing was written: a configuration is replaced only by a complete file.
        say(env.err, "out of memory");
        return kCfgFailed;
    }
    if (std::fflush(env.out) != 0 || std::ferror(env.out)) {
        say(env.err, "standard output: the text could not be written");
        return result == kCfgDone ? kCfgFailed : result;
    }
    return result;
}

}  // namespace app
