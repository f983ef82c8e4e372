#include "messages/findings.h"

#include <algorithm>

namespace messages {

std::string_view severityName(MessageType type) {
    switch (type) {
        case MessageType::Error: return "error";
        case MessageType::Warning: return "warning";
        case MessageType::Comment:
        case MessageType::Message: break;
    }
    return "note";
}

std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return line;
}

DocumentFindings collectFindings(const MessageStore& store, const RunCounters& counters,
                                 const options::Options& options) {
    DocumentFindings document;
    FindingStatistics& statistics = document.statistics;
    statistics.linesChecked = counters.linesChecked();
    statistics.linesInFile = counters.linesInFile;
    statistics.linesIgnored = counters.linesIgnored;
    if (options.ValidateEntities) statistics.characterEntities = counters.entities;
    statistics.tagNames = counters.tagNames;
    statistics.closingTags = counters.closingTags;
    if (options.IgnoreActiveServer) statistics.serverSections = counters.serverSections;
    statistics.htmlComments = counters.htmlComments;
    statistics.validatorComments = store.comments();
    statistics.messages = store.messages();
    statistics.errors = store.errors();
    statistics.warnings = store.warnings();
    std::tie(statistics.firstErrorLine, statistics.firstWarningLine) = store.firstLines();
    statistics.silenced = store.silenced();
    statistics.stoppedAtLimit = store.limitReached();

    const auto& records = store.records();
    document.findings.reserve(records.size());
    for (const MsgStore* record : records) {
        Finding finding;
        finding.type = typeOf(*record);
        finding.number = record->number;
        finding.sequence = record->sequence;
        finding.position = record->location();
        if (finding.position.line > 0) finding.position.column = std::max(finding.position.column, 1);
        finding.hasLine = !record->isComment();
        finding.text = record->text.view();
        if (record->isComment()) finding.advice = adviceFor(record->number);
        document.findings.push_back(std::move(finding));
    }
    return document;
}

}  // namespace messages
