#include "engine/validator.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "config_view.h"
#include "dispatch.h"
#include "entities.h"
#include "run_state.h"
#include "scanner.h"
#include "tag_handling.h"

namespace engine {

// The tag text buffer has room for the whole document and this much more, so that collecting
// a tag never reallocates.
constexpr std::size_t kTagBufferSlack = 1024;

struct Validator::Run {
    Run(const options::Options& options, messages::MessageStore& store, const platform::Clock& clock,
        const platform::Files& files, const CfgStore* configuration)
        : state(options, store, configuration), clock(clock), files(files) {}

    RunState state;
    // The view of the HTML Configuration, kept from run to run while the configuration does
    // not change: working it out costs more than checking a small page.
    std::unique_ptr<ConfigurationView> view;
    std::uint64_t viewChanges = 0;
    int viewNames = 0;  // the names folded when the view was made
    const platform::Clock& clock;
    const platform::Files& files;
    platform::FileSystem* fileSystem = &platform::systemFileSystem();
    std::optional<platform::FileError> logFailure;

    void checkHighAscii();
    void endChecks();
    void checkAndReport(const RunContext& context);
    ConfigurationView* configurationView();
};

// The names of tags met in documents are kept from run to run with those of the configuration,
// so that what the view works out for each name carries over; past this many more (a long run
// over documents with made-up names), they are forgotten and the view made again.
constexpr int kKeptDocumentNames = 1 << 16;

ConfigurationView* Validator::Run::configurationView() {
    if (state.configuration == nullptr) {
        if (state.openTags.nameCount() > kKeptDocumentNames) state.openTags.forgetNames();
        return nullptr;
    }
    const std::uint64_t changes = state.configuration->changeCount();
    if (view == nullptr || viewChanges != changes ||
        state.openTags.nameCount() > viewNames + kKeptDocumentNames) {
        // The view numbers tag names as the open-tag stack folds them: both start afresh.
        view.reset();
        state.openTags.forgetNames();
        view = std::make_unique<ConfigurationView>(state);
        viewChanges = changes;
        viewNames = state.openTags.nameCount();
    }
    return view.get();
}

Validator::Validator(const options::Options& options, messages::MessageStore& store,
                     const platform::Clock& clock, const platform::Files& files,
                     const CfgStore* configuration)
    : run_(std::make_unique<Run>(options, store, clock, files, configuration)) {}

Validator::~Validator() = default;

const messages::RunCounters& Validator::counters() const { return run_->state.counters; }

const std::optional<platform::FileError>& Validator::logFailure() const { return run_->logFailure; }

void Validator::setFileSystem(platform::FileSystem& fs) { run_->fileSystem = &fs; }

// Whether any byte of `text` is above 127, looking at eight bytes at a time.
static bool hasHighAscii(std::string_view text) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & kHighBits) return true;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) > 127) return true;
    }
    return false;
}

// Every line whose bytes include one above 127 gets one error, naming that line.
void Validator::Run::checkHighAscii() {
    const DocumentLines& document = state.document;
    for (std::size_t i = 0; i < document.count(); ++i) {
        inputlineclass line = document[i];
        if (!hasHighAscii(line.text)) continue;
        // At the first such byte.
        std::size_t at = 0;
        while (static_cast<unsigned char>(line.text[at]) <= 127) ++at;
        messages::MessageStore::Cause cause(
            state.store, {line.number, static_cast<std::int32_t>(at + 1)});
        state.store.raiseError(93, {}, {}, line.number);
    }
}

void Validator::Run::endChecks() {
    if (state.ignore.active) {
        state.store.raiseError(91, state.ignore.name, {}, state.ignore.tagLine);
    }
    state.openTags.forEachRequiredFromBottom([&](const OpenTagStack::Record& record) {
        messages::MessageStore::Cause cause(state.store, {record.lineOpened, record.columnOpened});
        state.store.raiseError(69, record.name, {}, record.lineOpened);
    });
}

// Writes the report header, scans the document, runs the end checks, then writes the report's
// body and the log entry.
void Validator::Run::checkAndReport(const RunContext& context) {
    const options::Options& options = state.options;
    messages::MessageStore& store = state.store;
    messages::RunCounters& counters = state.counters;
    messages::ReportSubject subject{context.documentName, state.document.byteSize(),
                                    context.reportName, &counters, &state.document,
                                    context.profileOptions, context.profileName, context.colour};
    messages::ReportWriter writer(options, store, subject, clock, files, context.owner);
    messages::TextOut out = context.reportSink != nullptr ? messages::TextOut(*context.reportSink)
                                                          : messages::TextOut(context.report);
    if (context.writeReport) writer.writeReportHeader(out);

    ConfigurationView* const view = configurationView();
    EntityChecker entities(state, view);
    TagHandling tags(state, view);
    TagDispatcher dispatcher(state, tags);
    Scanner scanner(state, entities, dispatcher);
    scanner.initialise();
    // A limit is reached only by a raise: the scan stops after each tag that raised something,
    // and the limits are looked at again then.
    bool limit = store.limitReached();
    while (!limit && scanner.scan()) limit = store.limitReached();

    counters.currentLine = state.lines.current;
    if (state.ignore.active) {
        counters.linesIgnored += state.lines.current - state.ignore.startLine;
    }
    if (options.CheckForHighASCII) checkHighAscii();
    endChecks();

    if (context.writeReport) {
        writer.writeStatistics(out);
        writer.writeMessageList(out);
        if (options.machineReadable) out.write("ENDOFFILE=YES\n");
        out.flush();
    }
    if (context.logEntry != nullptr) {
        *context.logEntry = writer.logEntry();
    } else {
        static const platform::WriteRules kNoRules;
        logFailure = writer.writeLog(
            *fileSystem, context.logRules != nullptr ? *context.logRules : kNoRules);
    }
}

int Validator::validateDocument(const RunContext& context) {
    RunState& state = run_->state;
    messages::MessageStore& store = state.store;

    state.reset();
    run_->logFailure.reset();
    state.owner = context.owner;
    state.shortcuts = context.shortcuts;
    state.computeCategoryActivity();
    store.resetRun();
    store.setLineRefs(&state.lines);

    const int failure =
        context.documentMapping  ? state.document.adopt(context.documentMapping->bytes(),
                                                        context.documentMapping)
        : context.documentBytes != nullptr ? state.document.adopt(std::move(*context.documentBytes))
                                           : state.document.read(context.document);
    if (failure != 0) {
        messages::showSeriousError(context.owner, failure);
        return 0;
    }
    messages::RunCounters& counters = state.counters;
    counters.linesInFile = static_cast<int>(state.document.count());

    try {
        state.tagText.reserve(static_cast<std::size_t>(state.document.byteSize()) +
                              kTagBufferSlack);
    } catch (const std::bad_alloc&) {
        store.raiseError(68);
        state.document.clear();
        return 0;
    }

    try {
        run_->checkAndReport(context);
    } catch (const std::bad_alloc&) {
        // Memory ran out part-way through the run: it ends as when the tag text buffer could
        // not be had, and what the run kept from run to run is made afresh next time, as it
        // may have been left half-changed.
        run_->view.reset();
        state.openTags.forgetNames();
        state.openTags.clear();
        state.tagText = TagText();
        state.document.clear();
        try {
            store.raiseError(68);
        } catch (const std::bad_alloc&) {
        }
        return 0;
    }

    state.openTags.clear();
    state.tagText.clear();
    state.tagText.shrink_to_fit();
    state.document.clear();
    return 1;
}

}  // namespace engine
