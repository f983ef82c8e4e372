// The validation report (header, statistics, message list with or without the document's
// lines), its machine-readable KEY=VALUE form, and the log entry appended after each run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/options.h"
#include "config/document_lines.h"
#include "messages/catalogue.h"
#include "messages/message_store.h"
#include "messages/text_out.h"
#include "platform/clock.h"
#include "platform/file_policy.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace messages {

// The counters of one validation run.
struct RunCounters {
    int currentLine = 0;
    int linesInFile = 0;
    int linesIgnored = 0;
    int entities = 0;
    int tagNames = 0;
    int closingTags = 0;
    int htmlComments = 0;
    int prologues = 0;
    int serverSections = 0;

    int linesChecked() const { return currentLine - linesIgnored; }
};

// What the writers read about the run in hand.
struct ReportSubject {
    std::string documentPath;
    std::int64_t documentSize = 0;
    std::string reportPath;
    const RunCounters* counters = nullptr;
    const DocumentLines* lines = nullptr;
    // The profile options the run applies ("Name=value, Name=value"), for the line the header
    // gives them; empty when the configuration carries none or they were not applied.
    std::string profileOptions{};
    std::string profileName{};
    // The report goes to a terminal: each message's heading in the colour of its kind.
    bool colour = false;
};

// A file name as the machine-readable form and the log write it: control characters (a line
// feed, a carriage return, a tab...) as \xHH, so that a name can never start a line of its own.
std::string escapeControlCharacters(std::string_view name);

// The serious-error box for an internal failure with its number. Nothing is shown without an
// owner.
void showSeriousError(platform::UserInterface* owner, int number);
// The caption of that box.
inline constexpr std::string_view kSeriousErrorCaption = "Markwise: SERIOUS ERROR";

class ReportWriter {
public:
    ReportWriter(const options::Options& options, MessageStore& store, const ReportSubject& subject,
                 const platform::Clock& clock, const platform::Files& files,
                 platform::UserInterface* owner);

    // The three parts of the report, in the machine-readable form when the options ask for it.
    bool writeReportHeader(TextOut& out);
    bool writeStatistics(TextOut& out);
    bool writeMessageList(TextOut& out);

    // Writes a newline and then the document lines `first` to `last`, each as its number in
    // four columns, ": " and its text. Returns false when line `first` does not exist.
    bool writeDocumentLines(TextOut& out, int first, int last);

    // Appends the run's entry to the log file when logging is on, with one locked write, never
    // to a file `rules` protects. Returns why that failed (the user has been told).
    std::optional<platform::FileError> writeLog(platform::FileSystem& fs,
                                                const platform::WriteRules& rules);

    // The run's log entry as writeLog appends it; empty when logging is off.
    std::string logEntry();

private:
    void writeLogEntry(TextOut& out, Language language);
    std::string dateText(std::time_t when) const;
    std::string timeText(std::time_t when) const;

    const options::Options& options_;
    MessageStore& store_;
    const ReportSubject& subject_;
    const platform::Clock& clock_;
    const platform::Files& files_;
    platform::UserInterface* owner_;
};

}  // namespace messages
