#include "messages/report.h"

#include <charconv>
#include <cstring>
#include <cstdio>
#include <memory>

#include "messages/catalogue.h"
#include "messages/format.h"
#include "messages/line_prefix.h"
#include "platform/text_escape.h"

namespace messages {
namespace {

constexpr std::string_view kProgramLine = "Zentrel Markwise v2.55\n";
constexpr std::string_view kSeparator =
    "\n--------------------------------------------------\n";

constexpr std::string_view kSeriousErrorText =
    "A serious error (number %d) has occured. Please write down the error number and the exact "
    "steps that you took in order to reach this error and email the author with a description "
    "on how to reproduce the error so that it can be corrected. Reload Markwise as soon as "
    "possible, saving your work if possible. Do not ignore this error and continue normally.";

void writeKey(TextOut& out, std::string_view key, long long value) {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    out.write(key);
    out.put('=');
    out.write(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    out.put('\n');
}

void writeKey(TextOut& out, std::string_view key, std::string_view value) {
    out.write(key);
    out.put('=');
    out.write(value);
    out.put('\n');
}

}  // namespace

std::string escapeControlCharacters(std::string_view name) {
    return platform::escapeControlBytes(name);
}

namespace {

double percent(int part, int whole) { return static_cast<double>(part) / whole * 100.0; }

}  // namespace

void showSeriousError(platform::UserInterface* owner, int number) {
    if (owner == nullptr) return;
    owner->messageBox(std::string(kSeriousErrorCaption), format(kSeriousErrorText, {number}),
                      platform::Icon::Error, platform::Buttons::Ok);
}

ReportWriter::ReportWriter(const options::Options& options, MessageStore& store,
                           const ReportSubject& subject, const platform::Clock& clock,
                           const platform::Files& files, platform::UserInterface* owner)
    : options_(options),
      store_(store),
      subject_(subject),
      clock_(clock),
      files_(files),
      owner_(owner) {}

std::string ReportWriter::dateText(std::time_t when) const {
    std::optional<std::string> date = clock_.longDate(when);
    if (date) return *date;
    return std::string(text(Text::ReportDateError, languageFromSetting(options_.Language)));
}

std::string ReportWriter::timeText(std::time_t when) const {
    std::optional<std::string> time = clock_.defaultTime(when);
    if (time) return *time;
    return std::string(text(Text::ReportTimeError, languageFromSetting(options_.Language)));
}

bool ReportWriter::writeReportHeader(TextOut& out) {
    if (options_.machineReadable) {
        writeKey(out, "VALIDATOR", "Zentrel Markwise");
        writeKey(out, "VERSION", "2.55");
        writeKey(out, "FILENAME", escapeControlCharacters(subject_.documentPath));
        writeKey(out, "BYTESIZE", subject_.documentSize);
        return true;
    }
    Language language = languageFromSetting(options_.Language);
    out.write(kSeparator);
    out.put('\n');
    out.write(kProgramLine);
    out.write(format(text(Text::ReportValidatingFile, language),
                     {subject_.documentPath, static_cast<long long>(subject_.documentSize)}));
    out.put('\n');

    if (std::optional<std::time_t> written = files_.lastWriteTime(subject_.documentPath)) {
        std::optional<std::string> date = clock_.longDate(*written);
        std::optional<std::string> time = clock_.defaultTime(*written);
        if (date && time) out.write(format(text(Text::ReportFileDate, language), {*date, *time}));
    }
    std::time_t now = clock_.now();
    out.write(format(text(Text::ReportValidatedOn, language), {dateText(now), timeText(now)}));
    out.put('\n');
    // The profile chosen by name and the options it set, on lines of their own after the
    // header's (a report without them is laid out as it always was).
    if (!subject_.profileName.empty()) {
        wrapText(out, format(text(Text::ReportProfile, language), {subject_.profileName}),
                 options_.LineLength);
    }
    if (!subject_.profileOptions.empty()) {
        wrapText(out, format(text(Text::ReportProfileOptions, language), {subject_.profileOptions}),
                 options_.LineLength);
    }
    out.put('\n');
    return true;
}

bool ReportWriter::writeStatistics(TextOut& out) {
    const RunCounters& counters = *subject_.counters;
    auto [firstError, firstWarning] = store_.firstLines();

    if (options_.machineReadable) {
        writeKey(out, "LINESCHECKED", counters.linesChecked());
        if (counters.linesInFile > 0) {
            writeKey(out, "PERCENTLINESCHECKED",
                     format("%4.1f", {percent(counters.linesChecked(), counters.linesInFile)}));
        }
        writeKey(out, "LINESINFILE", counters.linesInFile);
        writeKey(out, "LINESIGNORED", counters.linesIgnored);
        if (options_.ValidateEntities) writeKey(out, "NUMBEROFENTITIES", counters.entities);
        writeKey(out, "NUMBEROFTAGNAMES", counters.tagNames);
        writeKey(out, "NUMBEROFCLOSINGTAGS", counters.closingTags);
        if (counters.tagNames > 0) {
            writeKey(out, "PERCENTCLOSED",
                     format("%4.1f", {percent(counters.closingTags, counters.tagNames)}));
        }
        if (options_.IgnoreActiveServer) writeKey(out, "SERVERSECTIONS", counters.serverSections);
        writeKey(out, "NUMBEROFHTMLCOMMENTS", counters.htmlComments);
        writeKey(out, "NUMBEROFVALIDATORCOMMENTS", store_.comments());
        writeKey(out, "NUMBEROFMESSAGES", store_.messages());
        writeKey(out, "NUMBEROFERRORS", store_.errors());
        writeKey(out, "NUMBEROFWARNINGS", store_.warnings());
        writeKey(out, "MAXMESSAGECHARS", static_cast<long long>(store_.maxTextLength()));
        return true;
    }

    Language language = languageFromSetting(options_.Language);
    auto line = [&](Text id, std::initializer_list<FormatArg> args) {
        out.write(format(text(id, language), args));
    };
    if (store_.errors() == 0 && store_.warnings() == 0) line(Text::StatsNoErrors, {});
    line(Text::StatsLinesChecked, {counters.linesChecked()});
    line(Text::StatsLinesInFile, {counters.linesInFile});
    if (counters.linesInFile > 0) {
        line(Text::StatsPercentChecked, {percent(counters.linesChecked(), counters.linesInFile)});
    } else {
        out.put('\n');
    }
    line(Text::StatsLinesIgnored, {counters.linesIgnored});
    if (options_.ValidateEntities) line(Text::StatsEntities, {counters.entities});
    line(Text::StatsTagNames, {counters.tagNames});
    line(Text::StatsClosingTags, {counters.closingTags});
    if (counters.tagNames > 0) {
        line(Text::StatsPercentClosed, {percent(counters.closingTags, counters.tagNames)});
    } else {
        out.put('\n');
    }
    if (options_.IgnoreActiveServer) line(Text::StatsServerSections, {counters.serverSections});
    line(Text::StatsHtmlComments, {counters.htmlComments});
    line(Text::StatsValidatorComments, {store_.comments()});
    line(Text::StatsMessages, {store_.messages()});
    line(Text::StatsErrors, {store_.errors()});
    if (firstError > 0) line(Text::StatsFirstInLine, {firstError});
    line(Text::StatsWarnings, {store_.warnings()});
    if (firstWarning > 0) line(Text::StatsFirstInLine, {firstWarning});
    out.put('\n');
    out.write(kSeparator);
    return true;
}

bool ReportWriter::writeMessageList(TextOut& out) {
    const std::vector<const MsgStore*>& records = store_.records();
    if (options_.machineReadable) {
        for (const MsgStore* record : records) {
            if (!store_.writeMessage(*record, out, WriteMode::MachineReadable, -1)) {
                showSeriousError(owner_, 17);
                // The output itself failed (a full disk): said once, not for every message.
                if (!out.ok()) break;
            }
        }
        return true;
    }

    const int linesInFile = subject_.counters->linesInFile;
    const bool interleave = options_.IncludeHTMLInOutput && !options_.MessagesAtBottom;
    int printed = 0;
    if (options_.IncludeHTMLInOutput && options_.MessagesAtBottom) {
        writeDocumentLines(out, 1, linesInFile);
        out.write(kSeparator);
    }
    store_.writeMessage(MsgStore{}, out, WriteMode::ResetCounters, 0);
    for (const MsgStore* record : records) {
        if (interleave) {
            if (!record->isComment()) {
                int line = record->effectiveLine();
                if (line > printed) {
                    writeDocumentLines(out, printed + 1, line);
                    printed = line;
                }
            } else if (printed < linesInFile) {
                writeDocumentLines(out, printed + 1, linesInFile);
                printed = linesInFile;
            }
        }
        if (!store_.writeMessage(*record, out, WriteMode::Report, options_.LineLength,
                                 subject_.colour)) {
            showSeriousError(owner_, 18);
            // The output itself failed (a full disk): said once, not for every message.
            if (!out.ok()) break;
        }
    }
    if (interleave && printed < linesInFile) writeDocumentLines(out, printed + 1, linesInFile);
    out.write(kSeparator);
    return true;
}

bool ReportWriter::writeDocumentLines(TextOut& out, int first, int last) {
    out.put('\n');
    const DocumentLines& lines = *subject_.lines;
    const long long count = static_cast<long long>(lines.count());
    if (first < 1 || first > count) return false;
    long long end = std::min<long long>(last, count);
    LinePrefix prefix(first);
    const std::string_view bytes = lines.bytes();
    // Most lines are copied in pieces of a fixed size into the output's slack, their prefix
    // in 16 and 4 bytes and their text in 128: no copy's length depends on the line's.
    constexpr std::size_t kShortLine = 128;
    for (long long n = first; n <= end; ++n, prefix.next()) {
        const std::string_view text = lines[static_cast<std::size_t>(n - 1)].text;
        const std::size_t head = prefix.headSize();
        const std::size_t size = head + 4 + text.size() + 1;
        char* at;
        if (text.size() <= kShortLine && head <= LinePrefix::kHeadBytes &&
            static_cast<std::size_t>(text.data() - bytes.data()) + kShortLine <= bytes.size() &&
            (at = out.room(size)) != nullptr) {
            std::memcpy(at, prefix.head(), LinePrefix::kHeadBytes);
            std::memcpy(at + head, prefix.tail(), 4);
            at += head + 4;
            for (std::size_t i = 0; i < kShortLine; i += 16) std::memcpy(at + i, text.data() + i, 16);
            at[text.size()] = '\n';
            out.keep(size);
        } else {
            out.writeLine(prefix.view(), text);
        }
    }
    return true;
}

std::optional<platform::FileError> ReportWriter::writeLog(platform::FileSystem& fs,
                                                         const platform::WriteRules& rules) {
    if (!options_.EnableLogging) return std::nullopt;
    Language language = languageFromSetting(options_.Language);
    // The entry is built whole and appended with one write under a lock, so that runs logging
    // to the same file at the same time never mix their entries.
    std::optional<platform::FileError> failure =
        platform::appendToFile(fs, options_.LogFilename, logEntry(), rules);
    if (failure && owner_ != nullptr) {
        owner_->messageBox(std::string(text(Text::LogOpenErrorCaption, language)),
                           std::string(text(Text::LogOpenErrorText, language)),
                           platform::Icon::Error, platform::Buttons::Ok, true);
    }
    return failure;
}

std::string ReportWriter::logEntry() {
    std::string entry;
    if (!options_.EnableLogging) return entry;
    {
        TextOut out(entry);
        writeLogEntry(out, languageFromSetting(options_.Language));
    }
    return entry;
}

void ReportWriter::writeLogEntry(TextOut& out, Language language) {
    auto line = [&](Text id, std::initializer_list<FormatArg> args) {
        out.write(format(text(id, language), args));
    };

    out.write(kSeparator);
    out.put('\n');
    if (store_.errors() > 0 || store_.warnings() > 0) line(Text::LogContainsErrors, {});
    std::time_t now = clock_.now();
    line(Text::LogValDate, {dateText(now)});
    line(Text::LogValTime, {timeText(now)});
    line(Text::LogDocument, {escapeControlCharacters(subject_.documentPath)});
    if (std::optional<std::time_t> written = files_.lastWriteTime(subject_.documentPath)) {
        std::optional<std::string> date = clock_.longDate(*written);
        std::optional<std::string> time = clock_.defaultTime(*written);
        if (date && time) line(Text::LogDocDateTime, {*date, *time});
    }
    line(Text::LogOutput, {escapeControlCharacters(subject_.reportPath)});
    line(Text::LogBytes, {static_cast<long long>(subject_.documentSize)});
    line(Text::LogErrors, {store_.errors()});
    line(Text::LogWarnings, {store_.warnings()});
    line(Text::LogComments, {store_.comments()});
    line(Text::LogMessages, {store_.messages()});

    if (options_.LogErrors || options_.LogWarnings) {
        store_.writeMessage(MsgStore{}, out, WriteMode::ResetCounters, 0);
        int last = 0;
        for (const MsgStore* record : store_.records()) {
            bool logged = (record->isError() && options_.LogErrors) ||
                          (record->isWarning() && options_.LogWarnings);
            if (!logged) continue;
            int line = record->effectiveLine();
            if (options_.LogIncludeHTML && line != last) {
                writeDocumentLines(out, line, line);
                last = line;
            }
            store_.writeMessage(*record, out, WriteMode::Report, options_.LineLength);
        }
    }
}

}  // namespace messages
