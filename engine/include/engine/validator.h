// One validation run: reads a document, scans it under the validator options, files every
// finding in the message store and writes the report, its machine-readable form and the log.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "options/options.h"
#include "config/cfg_store.h"
#include "messages/message_store.h"
#include "messages/report.h"
#include "platform/clock.h"
#include "platform/file_policy.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace engine {

// What the shell hands to a run.
struct RunContext {
    std::FILE* document = nullptr;  // open for reading, bytes unchanged (unless documentBytes)
    std::FILE* report = nullptr;    // open for writing (unless reportSink)
    std::string documentName;
    std::string reportName;
    platform::UserInterface* owner = nullptr;  // owns the serious-error boxes; may be null
    // The document already read whole; the run takes the bytes over instead of reading
    // `document`.
    std::string* documentBytes = nullptr;
    // The document mapped into memory (it then takes the place of `documentBytes`).
    std::shared_ptr<const platform::MappedFile> documentMapping{};
    // Where the report goes instead of `report`.
    messages::ByteSink* reportSink = nullptr;
    // Files the log must never be: the command's documents, configuration and report.
    const platform::WriteRules* logRules = nullptr;
    // The profile options applied to the run's options, as the report header names them
    // ("Name=value, Name=value"); empty for none.
    std::string profileOptions{};
    // The profile the run checks against, as the report header names it ("html5 (today's
    // HTML, the living standard)"); empty when the configuration was not chosen by name.
    std::string profileName{};
    // When set, the run's log entry (when logging is on) is built here instead of appended to
    // the log, so that the caller can append entries of runs made side by side in their order.
    std::string* logEntry = nullptr;
    // The report goes to a terminal: its message headings are coloured by kind.
    bool colour = false;
    // False when the caller makes a form of its own from the message store after the run
    // (the forms for editors and CI services): the run then writes no report at all.
    bool writeReport = true;
    // False reads every tag the general way: no bare tag taken at the scanner, no tag text or
    // tag shape remembered as checked clean, no plain tag read at once. The findings and the
    // report are the same bytes either way; the tests compare the two.
    bool shortcuts = true;
};

// The box that says the HTML Configuration holds value types of a newer release is shown once
// per program run; after this call the next run that meets one shows it again (for tests).
void showNewerValueTypeBoxAgain();

class Validator {
public:
    // `configuration` is the HTML Configuration the documents are checked against; it is only
    // read, and must not change while a run is in progress.
    Validator(const options::Options& options, messages::MessageStore& store,
              const platform::Clock& clock, const platform::Files& files,
              const CfgStore* configuration = nullptr);
    ~Validator();
    Validator(const Validator&) = delete;
    Validator& operator=(const Validator&) = delete;

    // Returns 1 when the run completed and the report was written, 0 when the document could
    // not be read or memory could not be had (error 68 raised; no report is written, or the
    // report stops where memory ran out).
    int validateDocument(const RunContext& context);

    // The counters of the last run.
    const messages::RunCounters& counters() const;

    // Why the last run's log entry could not be written, when it could not.
    const std::optional<platform::FileError>& logFailure() const;

    // The file system the log is written through (the real one unless a test sets another).
    void setFileSystem(platform::FileSystem& fs);

private:
    struct Run;
    std::unique_ptr<Run> run_;
};

}  // namespace engine
