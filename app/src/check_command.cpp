#include "app/check_command.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "app/check_inputs.h"
#include "app/ordered_parallel.h"
#include "app/profiles.h"
#include "app/project_settings.h"
#include "check_arguments.h"
#include "check_setup.h"
#include "command_support.h"
#include "config/document_lines.h"
#include "config/text_utils.h"
#include "engine/validator.h"
#include "messages/catalogue.h"
#include "messages/findings_writer.h"
#include "messages/message_ids.h"
#include "messages/message_store.h"
#include "messages/report.h"
#include "messages/text_out.h"
#include "platform/file_policy.h"

namespace app {
namespace {

constexpr std::string_view kProgram = "markwise-check";
constexpr std::string_view kVersionLine = "markwise-check (Zentrel Markwise) 2.55\n";
// With several workers, how far they may run ahead of the output: the results of finished
// documents wait for an earlier, larger one while the workers go on, up to this many
// documents a worker and this many bytes of reports and findings in all.
constexpr std::size_t kResultsWaitingPerWorker = 64;
constexpr std::size_t kResultBytesWaiting = std::size_t{64} << 20;

void say(std::FILE* err, std::string_view line) { detail::say(err, kProgram, line); }

void print(std::FILE* out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

// Whether the run's output has failed (a closed pipe, a full disk), with the cause of its first
// failure. Once it has, no further document is checked: its report could go nowhere.
class OutputHealth {
public:
    void fail(int error) {
        int none = 0;
        error_.compare_exchange_strong(none, error != 0 ? error : EIO);
    }
    bool failed() const { return error_.load() != 0; }
    int error() const { return error_.load(); }

private:
    std::atomic<int> error_{0};
};

// Where a report goes as the engine writes it.
class ReplacementSink : public messages::ByteSink {
public:
    ReplacementSink(platform::ReplacementFile& file, OutputHealth& health)
        : file_(file), health_(health) {}
    bool write(std::string_view bytes) override {
        if (file_.write(bytes)) return true;
        health_.fail(errno);
        return false;
    }

private:
    platform::ReplacementFile& file_;
    OutputHealth& health_;
};

class FileSink : public messages::ByteSink {
public:
    FileSink(std::FILE* file, OutputHealth& health) : file_(file), health_(health) {}
    bool write(std::string_view bytes) override {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return true;
        health_.fail(errno);
        return false;
    }

private:
    std::FILE* file_;
    OutputHealth& health_;
};

// The user interface of markwise-check's runs: the boxes of the engine go to the terminal, but
// for its serious-error box, the windowed program's way of telling an internal failure (a
// report that cannot be written, a document whose lines memory cannot hold): markwise-check
// says each such failure in its own line, naming the file and the cause.
class CheckUserInterface : public platform::UserInterface {
public:
    explicit CheckUserInterface(platform::UserInterface& ui) : ui_(ui) {}

    platform::Answer messageBox(const std::string& caption, const std::string& text,
                                platform::Icon icon, platform::Buttons buttons,
                                bool foreground) override {
        if (caption == messages::kSeriousErrorCaption) return platform::cautiousAnswer(buttons);
        return ui_.messageBox(caption, text, icon, buttons, foreground);
    }
    std::optional<platform::FileDialogResult> openFileDialog(
        const platform::FileDialogRequest& request) override {
        return ui_.openFileDialog(request);
    }
    std::optional<platform::FileDialogResult> saveFileDialog(
        const platform::FileDialogRequest& request) override {
        return ui_.saveFileDialog(request);
    }
    void setWaitCursor(bool on) override { ui_.setWaitCursor(on); }
    std::string windowTitle() const override { return ui_.windowTitle(); }
    void setWindowTitle(const std::string& title) override { ui_.setWindowTitle(title); }

private:
    platform::UserInterface& ui_;
};

// With several jobs the reports are written in the documents' order. The document whose turn
// it is (every earlier one handed on) writes its report straight to the output; the others
// gather theirs in memory, and write what they gathered and go on straight once their turn
// comes while they are checked, or leave it to be written whole when it comes after. A large
// report is then neither held whole nor copied each time its memory grows.
class ReportTurns {
public:
    // Called once the document before `index` has been handed on, whatever became of it.
    void passTo(std::size_t index) {
        std::lock_guard lock(mutex_);
        turn_ = index;
    }
    bool isTurnOf(std::size_t index) {
        std::lock_guard lock(mutex_);
        return turn_ == index;
    }

private:
    std::mutex mutex_;
    std::size_t turn_ = 0;
};

class TurnSink : public messages::ByteSink {
public:
    TurnSink(ReportTurns& turns, std::size_t index, messages::ByteSink& out, std::string& gathered)
        : turns_(turns), index_(index), out_(out), gathered_(gathered) {}
    bool write(std::string_view bytes) override {
        if (!straight_) {
            if (!turns_.isTurnOf(index_)) {
                gathered_.append(bytes);
                return true;
            }
            straight_ = true;
            if (!gathered_.empty()) {
                const bool written = out_.write(gathered_);
                std::string().swap(gathered_);
                if (!written) return false;
            }
        }
        return out_.write(bytes);
    }

private:
    ReportTurns& turns_;
    std::size_t index_;
    messages::ByteSink& out_;
    std::string& gathered_;
    bool straight_ = false;
};

class DiscardingSink : public messages::ByteSink {
public:
    bool write(std::string_view) override { return true; }
};

// A message box the engine showed while checking a document on a worker thread, shown again on
// the main thread when that document's turn comes.
struct ShownBox {
    std::string caption;
    std::string text;
    platform::Icon icon;
    platform::Buttons buttons;
};

class DeferredUserInterface : public platform::UserInterface {
public:
    std::vector<ShownBox> boxes;

    platform::Answer messageBox(const std::string& caption, const std::string& text,
                                platform::Icon icon, platform::Buttons buttons, bool) override {
        boxes.push_back({caption, text, icon, buttons});
        return platform::cautiousAnswer(buttons);
    }
    std::optional<platform::FileDialogResult> openFileDialog(const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<platform::FileDialogResult> saveFileDialog(const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    void setWaitCursor(bool) override {}
    std::string windowTitle() const override { return {}; }
    void setWindowTitle(const std::string&) override {}
};

// A validator for one configuration, kept by a worker for every document checked against it.
struct Engine {
    Engine(const CheckSetup& setup, CheckEnvironment& env)
        : store(setup.options),
          validator(setup.options, store, env.clock, env.files, setup.configuration.get()) {
        store.configure(setup.storeSettings);
    }
    messages::MessageStore store;
    engine::Validator validator;
};

// The configurations a command left to the system at exit: still reachable from here, so that
// a leak checker does not count them. Stored where the compiler must write it: a variable
// nothing reads may be left out.
CheckSetups* volatile setupsLeftAtExit = nullptr;

struct Worker {
    std::map<const CheckSetup*, std::unique_ptr<Engine>> engines;
    DeferredUserInterface ui;
};

// What checking one document gave, handed from a worker to the main thread.
struct DocumentResult {
    std::vector<std::string> problems;  // lines for standard error
    const CheckSetup* setup = nullptr;
    bool checked = false;
    bool cutShort = false;  // the mapped file shrank during the check
    bool skipped = false;   // not checked, as the output had failed before its turn
    std::string report;    // when reports are gathered in memory (what was left to gather)
    std::string logEntry;  // when logging is on
    std::vector<ShownBox> boxes;
    int errors = 0;
    int warnings = 0;
    bool stoppedAtLimit = false;  // MaximumErrors or MaximumWarnings ended the check
    std::optional<messages::DocumentFindings> findings;  // for the gnu, json and sarif forms
};

std::string counted(int count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text + " ";
}

std::string valueRange(const options::OptionInfo& info) {
    switch (info.type) {
        case options::OptionType::OnOff: return "0 or 1";
        case options::OptionType::Integer:
            return std::to_string(info.minimum) + " to " + std::to_string(info.maximum);
        case options::OptionType::Text:
            return "text, up to " + std::to_string(info.textSize - 1) + " bytes";
    }
    return {};
}

void listOptions(const CheckSetup& setup, bool byDoctype, std::FILE* out) {
    // The values column holds the widest range, "-2147483648 to 2147483647".
    constexpr std::size_t kValuesWidth = 25;
    std::string text = padded("NAME", 32) + padded("VALUES", kValuesWidth) + padded("DEFAULT", 10) +
                       padded("VALUE", 10) + "FROM\n";
    for (const options::OptionInfo& info : options::optionTable()) {
        std::string defaultValue = info.type == options::OptionType::Text
                                       ? std::string(info.inProgramDirectory ? "(program folder)/" : "") +
                                             info.defaultText
                                       : std::to_string(info.defaultValue);
        auto origin = setup.origins.find(info.name);
        const std::string value =
            messages::escapeControlCharacters(options::storedValue(setup.options, info));
        text += padded(info.name, 32) + padded(valueRange(info), kValuesWidth) + padded(defaultValue, 10) +
                padded(value, 10) +
                (origin == setup.origins.end() ? std::string("default")
                                               : messages::escapeControlCharacters(origin->second)) +
                "\n";
    }
    if (byDoctype) {
        text += "\nWith --profile auto each document gets the options of the profile its DOCTYPE "
                "names; shown here: those of " +
                std::string(setup.profile->name) + ".\n";
    }
    print(out, text);
}

// Every kind of message: its id, its kind and its English text, with the setting that a
// validator comment's advice is about.
void listMessages(std::FILE* out) {
    std::string text;
    for (const messages::CatalogueMessage& message : messages::catalogueMessages()) {
        text += padded(message.id, 8) + padded(std::string(messages::typeName(message.type)), 7) +
                std::string(message.text);
        if (message.advice) text += " (" + message.advice->argument() + ")";
        text += "\n";
    }
    print(out, text);
}

std::optional<messages::FindingsFormat> findingsFormatOf(CheckFormat format) {
    switch (format) {
        case CheckFormat::Gnu: return messages::FindingsFormat::Gnu;
        case CheckFormat::Json: return messages::FindingsFormat::Json;
        case CheckFormat::Sarif: return messages::FindingsFormat::Sarif;
        case CheckFormat::Text:
        case CheckFormat::KeyValue: break;
    }
    return std::nullopt;
}

// Colours go to a terminal: with auto, when standard output is one, NO_COLOR is not set and
// the terminal is not a dumb one; with always, to standard output whatever it is. Never into
// a file of --output.
bool useColour(ColourChoice choice, bool toOutputFile, std::FILE* out) {
    if (toOutputFile || choice == ColourChoice::Never) return false;
    if (choice == ColourChoice::Always) return true;
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && *noColour != '\0') return false;
    const char* term = std::getenv("TERM");
    if (term != nullptr && std::string_view(term) == "dumb") return false;
    return ::isatty(::fileno(out)) == 1;
}

// "--output -", "--output /dev/stdout" and any other name of the file standard output goes to
// already mean standard output itself: replacing that file would throw away what it held
// before the run (a log that the output is appended to) and lose what is written to it after.
bool namesStandardOutput(platform::FileSystem& fs, const std::string& name, std::FILE* out) {
    if (name == "-") return true;
    const int fd = ::fileno(out);
    return fd >= 0 && platform::sameFile(fs, name, "/proc/self/fd/" + std::to_string(fd));
}

// Editors do not show a UTF-8 byte order mark: the columns of the first line are counted
// from the character after it, as they see the line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
void columnsAfterByteOrderMark(messages::DocumentFindings& findings) {
    constexpr auto kMarkSize = static_cast<std::int32_t>(kByteOrderMark.size());
    for (messages::Finding& finding : findings.findings) {
        messages::Position& at = finding.position;
        if (at.line == 1 && at.column > 0) at.column = std::max(1, at.column - kMarkSize);
    }
}

void listProfiles(const std::string& programDirectory, std::FILE* out) {
    std::string text;
    for (const ShippedProfile& profile : shippedProfiles()) {
        std::optional<std::string> path = locateProfile(profile, programDirectory);
        text += padded(std::string(profile.name), 22) + padded(std::string(profile.description), 34) +
                (path ? *path : "(not installed: " + std::string(profile.file) + ")") + "\n";
    }
    print(out, text);
}

}  // namespace

const CommandHelp& checkCommandHelp() { return checkHelp(); }

std::string_view checkUsage() {
    static const std::string usage = usageText(checkHelp());
    return usage;
}

int runCheckCommand(std::span<const std::string> args, CheckEnvironment& env) {
    CheckArguments parsed;
    if (auto problem = parseCheckArguments(args, parsed)) {
        say(env.err, *problem + " (see markwise-check --help)");
        return kCheckFailed;
    }
    if (parsed.output && namesStandardOutput(*env.fileSystem, *parsed.output, env.out)) {
        parsed.output.reset();
    }
    // What a listing prints is its whole result: output that could not be written fails it.
    auto listed = [&env] {
        if (std::fflush(env.out) != 0 || std::ferror(env.out)) {
            say(env.err, "standard output: the text could not be written");
            return kCheckFailed;
        }
        return kCheckClean;
    };
    if (parsed.help) {
        print(env.out, checkUsage());
        return listed();
    }
    if (parsed.version) {
        print(env.out, kVersionLine);
        return listed();
    }
    if (parsed.listProfiles) {
        listProfiles(env.programDirectory, env.out);
        return listed();
    }
    if (parsed.listMessages) {
        listMessages(env.out);
        return listed();
    }
    platform::FileSystem& fs = *env.fileSystem;

    // The project's settings: the file named by --settings, or the nearest .markwise.ini.
    std::optional<ProjectSettings> project;
    std::optional<std::string> projectPath;
    if (!parsed.noSettings) {
        std::optional<std::string>& path = projectPath;
        path = parsed.settingsFile;
        if (!path) {
            std::vector<std::string> passedOver;
            path = findProjectSettings(".", &passedOver);
            for (const std::string& line : passedOver) say(env.err, line);
        }
        if (path) {
            project.emplace();
            if (auto problem = readProjectSettings(fs, *path, *project)) {
                say(env.err, *problem);
                return kCheckFailed;
            }
            // A --set of the log's name, or logging switched off, leaves the project's log
            // unused.
            const auto lastSet = [&parsed](std::string_view name) -> std::optional<std::string> {
                std::optional<std::string> value;
                for (const std::string& setting : parsed.settings) {
                    const std::size_t eq = setting.find('=');
                    if (eq != std::string::npos &&
                        text::equalsIgnoreCase(std::string_view(setting).substr(0, eq), name)) {
                        value = setting.substr(eq + 1);
                    }
                }
                return value;
            };
            // Logging as it ends up: the project's last EnableLogging, then the command line's.
            std::optional<std::string> logging;
            for (const ProjectSetting& setting : project->options) {
                if (text::equalsIgnoreCase(setting.name, "EnableLogging")) logging = setting.value;
            }
            if (auto set = lastSet("EnableLogging")) logging = set;
            const bool logUnused = lastSet("LogFilename") || logging != "1";
            if (!parsed.settingsFile && !logUnused) {
                if (auto problem = logOutsideTheProject(*project)) {
                    say(env.err, *problem);
                    return kCheckFailed;
                }
            }
        }
    }

    struct ReleaseSetups {
        bool leave;
        void operator()(CheckSetups* loaded) const {
            if (leave) {
                setupsLeftAtExit = loaded;
            } else {
                delete loaded;
            }
        }
    };
    const std::unique_ptr<CheckSetups, ReleaseSetups> ownedSetups(
        new CheckSetups(parsed, project ? &*project : nullptr, env.programDirectory, fs),
        ReleaseSetups{env.leaveConfigurationsAtExit});
    CheckSetups& setups = *ownedSetups;
    if (auto problem = setups.prepare()) {
        say(env.err, *problem);
        return kCheckFailed;
    }
    std::string setupProblem;
    const CheckSetup* representative = setups.representative(setupProblem);
    if (representative == nullptr) {
        say(env.err, setupProblem);
        return kCheckFailed;
    }
    if (parsed.listOptions) {
        listOptions(*representative, setups.chosenByDoctype(), env.out);
        return listed();
    }

    InputRequest request;
    request.operands = parsed.operands;
    request.extensions = parsed.extensions;
    request.filesFrom = parsed.filesFrom;
    request.nulSeparated = parsed.nulSeparated;
    request.stdinName = parsed.stdinName;
    std::vector<CheckInput> inputs;
    std::vector<std::string> inputProblems;
    if (auto problem = gatherInputs(request, fs, inputs, inputProblems)) {
        say(env.err, *problem);
        return kCheckFailed;
    }
    for (const std::string& problem : inputProblems) say(env.err, problem);
    bool failed = !inputProblems.empty();
    if (inputs.empty()) {
        if (failed) return kCheckFailed;
        if (!request.operands.empty() && !request.filesFrom) {
            // Every name given was a folder (a file or "-" is always a document).
            std::string endings;
            for (std::size_t i = 0; i < request.extensions.size(); ++i) {
                if (i > 0) endings += i + 1 == request.extensions.size() ? " or " : ", ";
                endings += "." + request.extensions[i];
            }
            say(env.err, "no document to validate: the folders given hold no file ending in " +
                             endings + " (--ext names other endings)");
        } else {
            say(env.err, "no document to validate (see markwise-check --help)");
        }
        return kCheckFailed;
    }

    // What the report and the log must never overwrite: the documents, the configuration, and
    // each other. The log is a program option, the same for every profile.
    const options::Options& programOptions = representative->options;
    platform::WriteRules reportRules;
    platform::WriteRules logRules;
    for (const CheckInput& input : inputs) {
        if (input.standardInput) continue;
        reportRules.protect(input.name, "a document this command checks");
        logRules.protect(input.name, "a document this command checks");
    }
    if (!representative->configPath.empty()) {
        reportRules.protect(representative->configPath, "the HTML Configuration of this command");
        logRules.protect(representative->configPath, "the HTML Configuration of this command");
    }
    // The other files the command reads: the list of names, the project's settings, a
    // document or a list given on standard input (which may be a file), and with profiles
    // chosen by DOCTYPE every profile, since each is loaded when a document first asks for it.
    auto protectRead = [&](const std::string& path, const std::string& role) {
        reportRules.protect(path, role);
        logRules.protect(path, role);
    };
    if (parsed.filesFrom && *parsed.filesFrom != "-") {
        protectRead(*parsed.filesFrom, "the list of documents of this command");
    }
    if (projectPath) protectRead(*projectPath, "the settings of this command");
    const bool readsStandardInput =
        (parsed.filesFrom && *parsed.filesFrom == "-") ||
        std::any_of(inputs.begin(), inputs.end(),
                    [](const CheckInput& input) { return input.standardInput; });
    if (readsStandardInput) {
        protectRead("/proc/self/fd/0", "what this command reads from standard input");
    }
    if (setups.chosenByDoctype()) {
        for (const ShippedProfile& profile : shippedProfiles()) {
            if (auto path = locateProfile(profile, env.programDirectory)) {
                protectRead(*path, "a profile of this command");
            }
        }
    }
    const bool logging = programOptions.EnableLogging != 0;
    if (logging) reportRules.protect(programOptions.LogFilename, "the log of this command");
    if (parsed.output) logRules.protect(*parsed.output, "the report of this command");
    // A log that is one of the command's other files stops the command before anything is
    // written. A log that cannot be written for any other reason (a folder, a read-only file)
    // is said once and left out: the reports are written all the same, and the command fails.
    bool appendingLog = logging;
    if (logging) {
        if (auto refused = platform::checkWritable(fs, programOptions.LogFilename, logRules,
                                                   "not written")) {
            say(env.err, "the log " + refused->message());
            if (!platform::checkWritable(fs, programOptions.LogFilename, {}, "not written")) {
                return kCheckFailed;
            }
            appendingLog = false;
            failed = true;
        }
    }

    platform::ReplacementFile outputFile(fs);
    OutputHealth health;
    ReplacementSink outputSink(outputFile, health);
    FileSink standardOutput(env.out, health);
    CheckUserInterface owner(env.ui);
    DiscardingSink nowhere;
    // The log names where the reports went, in the log's language.
    std::string reportName = messages::languageFromSetting(programOptions.Language) ==
                                     messages::Language::French
                                 ? "(sortie standard)"
                                 : "(standard output)";
    if (parsed.output && !parsed.summary) {
        if (auto refused = outputFile.open(*parsed.output, reportRules)) {
            say(env.err, refused->message());
            return kCheckFailed;
        }
        reportName = *parsed.output;
    }
    messages::ByteSink& finalSink = parsed.summary ? static_cast<messages::ByteSink&>(nowhere)
                                    : parsed.output ? static_cast<messages::ByteSink&>(outputSink)
                                                    : static_cast<messages::ByteSink&>(standardOutput);
    const bool colour = !parsed.summary && useColour(parsed.colour, parsed.output.has_value(), env.out);

    // The forms for editors and CI services are written from each document's findings, in the
    // documents' order, inside the run's frame; the report the engine writes is dropped.
    const std::optional<messages::FindingsFormat> findingsFormat = findingsFormatOf(parsed.format);
    std::unique_ptr<messages::FindingsWriter> writer;
    std::optional<messages::TextOut> findingsOut;
    if (findingsFormat) {
        writer = messages::makeFindingsWriter(*findingsFormat, {colour});
        findingsOut.emplace(finalSink);
        writer->begin(*findingsOut);
    }

    // With one job every document is checked and written in turn, straight to the output; with
    // more, a report goes straight to the output when its turn comes (TurnSink), so that the
    // output is the same.
    unsigned jobs = parsed.jobs != 0 ? parsed.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, inputs.size()));
    std::vector<Worker> workers(jobs);

    ReportTurns turns;
    auto check = [&](std::size_t index, unsigned self) {
        DocumentResult result;
        if (health.failed()) {
            result.skipped = true;
            return result;
        }
        const CheckInput& input = inputs[index];
        std::string bytes;
        std::shared_ptr<const platform::MappedFile> mapped;
        std::optional<platform::FileError> failure =
            input.standardInput
                ? platform::readDescriptor(fs, STDIN_FILENO, input.name, bytes,
                                           DocumentLines::kMaximumSize)
                : platform::readOrMapRegularFile(fs, input.name, bytes, mapped,
                                                 DocumentLines::kMaximumSize);
        if (failure) {
            result.problems.push_back(failure->message());
            return result;
        }
        const std::string_view documentBytes = mapped ? mapped->bytes() : std::string_view(bytes);
        const std::size_t documentSize = documentBytes.size();
        // Asked now: the check takes the bytes over.
        const bool byteOrderMark = documentBytes.starts_with(kByteOrderMark);
        if (const std::optional<std::string_view> wide = wideEncodingOf(documentBytes)) {
            result.problems.push_back(
                input.name + ": is in " + std::string(*wide) +
                "; markwise-check reads UTF-8, ASCII and 8-bit character sets: convert it first "
                "(iconv -f " + std::string(*wide) + " -t UTF-8)");
            return result;
        }
        std::string problem;
        result.setup = setups.forDocument(documentBytes, problem);
        if (result.setup == nullptr) {
            result.problems.push_back(input.name + ": " + problem);
            return result;
        }
        Worker& worker = workers[self];
        std::unique_ptr<Engine>& engine = worker.engines[result.setup];
        if (!engine) {
            engine = std::make_unique<Engine>(*result.setup, env);
            engine->validator.setFileSystem(fs);
        }
        TurnSink gathering(turns, index, finalSink, result.report);
        engine::RunContext context{nullptr, nullptr, input.name, reportName,
                                   jobs == 1 ? static_cast<platform::UserInterface*>(&owner)
                                             : &worker.ui};
        context.documentBytes = &bytes;
        context.documentMapping = mapped;
        context.reportSink = findingsFormat || parsed.summary ? static_cast<messages::ByteSink*>(&nowhere)
                             : jobs == 1                      ? &finalSink
                                                              : &gathering;
        context.colour = colour;
        context.writeReport = !findingsFormat && !parsed.summary;
        context.profileOptions = result.setup->profileOptions;
        if (result.setup->profile != nullptr && (parsed.profile || setups.chosenByDoctype() ||
                                                 (project && project->profile))) {
            context.profileName = std::string(result.setup->profile->name) + " (" +
                                  std::string(messages::languageFromSetting(
                                                  result.setup->options.Language) ==
                                                          messages::Language::French
                                                  ? result.setup->profile->frenchDescription
                                                  : result.setup->profile->description) +
                                  ")";
        }
        context.logEntry = &result.logEntry;
        if (!engine->validator.validateDocument(context)) {
            result.problems.push_back(input.name + ": could not be held in memory");
        } else {
            result.checked = true;
            result.errors = engine->store.errors();
            result.warnings = engine->store.warnings();
            result.stoppedAtLimit = engine->store.limitReached();
            if (findingsFormat) {
                const CheckSetup& setup = *result.setup;
                result.findings = messages::collectFindings(
                    engine->store, engine->validator.counters(), setup.options);
                result.findings->name = input.name;
                result.findings->bytes = static_cast<std::int64_t>(documentSize);
                result.findings->profile =
                    setup.profile != nullptr ? std::string(setup.profile->name) : setup.configPath;
                result.findings->profileOptions = setup.profileOptionList;
                if (byteOrderMark) columnsAfterByteOrderMark(*result.findings);
            }
        }
        if (mapped && mapped->changed()) {
            // The bytes past the file's new end were read as zeros: the report is of no file.
            result.cutShort = true;
            result.problems.push_back(input.name +
                                      ": was cut short while it was being checked; its report "
                                      "does not describe it");
        }
        result.boxes = std::move(worker.ui.boxes);
        worker.ui.boxes.clear();
        return result;
    };

    int result = kCheckClean;
    int reports = 0;
    long long warningsInAll = 0;
    std::set<const CheckSetup*> warned;
    auto emit = [&](std::size_t index, DocumentResult& done) {
        if (done.skipped) {
            failed = true;
            return;
        }
        for (const ShownBox& box : done.boxes) {
            owner.messageBox(box.caption, box.text, box.icon, box.buttons, false);
        }
        if (done.setup != nullptr && warned.insert(done.setup).second) {
            for (const std::string& warning : done.setup->warnings) say(env.err, warning);
        }
        for (const std::string& problem : done.problems) say(env.err, problem);
        if (!done.checked) {
            failed = true;
            return;
        }
        if (done.cutShort) failed = true;
        ++reports;
        warningsInAll += done.warnings;
        if (done.findings) {
            writer->document(*findingsOut, *done.findings);
        } else if (jobs > 1 && !parsed.summary) {
            // Empty when the report went straight to the output.
            finalSink.write(done.report);
        }
        if (parsed.summary) {
            // A document fails with errors, or with more warnings than --max-warnings allows
            // the whole run: it alone makes the exit status 1.
            const bool documentFailed =
                done.errors > 0 || (parsed.maxWarnings && done.warnings > *parsed.maxWarnings);
            // One line a document, also for a name that holds a line feed or a tab.
            print(env.out, messages::escapeControlCharacters(inputs[index].name) + ": " +
                               counted(done.errors, "error", "errors") + ", " +
                               counted(done.warnings, "warning", "warnings") + ": " +
                               (documentFailed ? "failed" : "passed") +
                               (done.stoppedAtLimit ? " (the check stopped at its limit)" : "") +
                               "\n");
        }
        if (appendingLog && !done.logEntry.empty()) {
            if (auto failure = platform::appendToFile(fs, programOptions.LogFilename, done.logEntry,
                                                      logRules)) {
                say(env.err, "the log " + failure->message());
                failed = true;
            }
        }
        if (done.errors > 0 && result == kCheckClean) result = kCheckErrors;
    };
    // Memory stays bounded: one document per worker being checked, and the results waiting
    // for their turn within the limits above.
    AheadLimits<DocumentResult> limits;
    limits.items = std::size_t{jobs} * kResultsWaitingPerWorker;
    limits.bytes = kResultBytesWaiting;
    limits.weigh = [](const DocumentResult& done) {
        std::size_t weight = done.report.size() + done.logEntry.size();
        if (done.findings) {
            for (const messages::Finding& finding : done.findings->findings) {
                weight += sizeof finding + finding.text.size();
            }
        }
        return weight;
    };
    orderedParallel<DocumentResult>(inputs.size(), jobs, limits, check,
                                    [&](std::size_t index, DocumentResult& done) {
                                        emit(index, done);
                                        turns.passTo(index + 1);
                                    });
    if (writer) {
        writer->end(*findingsOut);
        findingsOut->flush();
    }
    // More warnings than --max-warnings allows fail the run as errors do; the user is told
    // why, as no report or summary line says it for the run as a whole.
    if (parsed.maxWarnings && warningsInAll > *parsed.maxWarnings) {
        say(env.err, std::to_string(warningsInAll) + (warningsInAll == 1 ? " warning" : " warnings") +
                         " in all, more than --max-warnings " + std::to_string(*parsed.maxWarnings) +
                         " allows");
        if (result == kCheckClean) result = kCheckErrors;
    }

    // A report file is replaced only by reports: when no document could be read, the old one
    // stays as it was.
    if (parsed.output && !parsed.summary) {
        if (reports == 0) {
            outputFile.abandon();
        } else if (auto failure = outputFile.commit()) {
            say(env.err, failure->message());
            return kCheckFailed;
        }
    }
    if (std::fflush(env.out) != 0 || std::ferror(env.out) ||
        (health.failed() && !parsed.output)) {
        if (!health.failed()) health.fail(errno);
        say(env.err, std::string("standard output: the report could not be written: ") +
                         std::strerror(health.error()));
        return kCheckFailed;
    }
    return failed ? kCheckFailed : result;
}

}  // namespace app
