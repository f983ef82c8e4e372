// The findings of one document as the forms for editors and CI services take them: one record
// per message with its type, id, line, column and one-line text, the run's statistics, and
// what the front end knows about the run (the document's name, the profile and its options).
// A DocumentFindings owns everything it holds, so that it can outlive the run and the store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "messages/message_ids.h"
#include "messages/message_store.h"
#include "messages/report.h"
#include "options/options.h"

namespace messages {

// The severity the forms for editors give a kind of message: "error" and "warning" for those,
// "note" for validator comments and configuration messages.
std::string_view severityName(MessageType type);

struct Finding {
    MessageType type = MessageType::Error;
    int number = 0;    // the catalogue number (kConfigurationMessageNumber for a message)
    int sequence = 0;  // the number within its kind in raise order, as MESSAGENUMBER gives it
    // The line and column where the cause starts. A validator comment has no line of its own
    // (hasLine is false): its position is the place that occasioned it.
    Position position;
    bool hasLine = true;
    std::string text;  // unwrapped, in the run's language
    std::optional<OptionAdvice> advice;

    std::string id() const { return messageId(number); }
};

struct FindingStatistics {
    int linesChecked = 0;
    int linesInFile = 0;
    int linesIgnored = 0;
    std::optional<int> characterEntities;  // counted when ValidateEntities is on
    int tagNames = 0;
    int closingTags = 0;
    std::optional<int> serverSections;  // counted when IgnoreActiveServer is on
    int htmlComments = 0;
    int validatorComments = 0;
    int messages = 0;
    int errors = 0;
    int warnings = 0;
    int firstErrorLine = 0;    // 0: none
    int firstWarningLine = 0;  // 0: none
    SilencedCounts silenced;
    bool stoppedAtLimit = false;  // the error or warning limit ended the scan
};

struct DocumentFindings {
    std::string name;          // as the front end names the document
    std::int64_t bytes = 0;
    std::string profile;       // the HTML Configuration the run used; empty for none
    std::vector<std::pair<std::string, std::string>> profileOptions;  // applied, in order
    FindingStatistics statistics;
    std::vector<Finding> findings;  // in the order of the report's message list
};

// The findings of the run that just ended in `store`, with `counters` and the options it ran
// under; the caller fills in the name, size and profile.
DocumentFindings collectFindings(const MessageStore& store, const RunCounters& counters,
                                 const options::Options& options);

// A message text on one line: control characters (line breaks, tabs) become blanks.
std::string oneLine(std::string_view text);

}  // namespace messages
