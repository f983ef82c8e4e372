// The message store: where every finding of a validation run goes. The engine raises
// messages by catalogue number; the store applies the enable switches and the error and
// warning limits, adds the paired validator comments, formats the text in the current language
// and files a `MsgStore` record in the sorted message list.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "options/options.h"
#include "config/strstore.h"
#include "messages/text_out.h"

namespace messages {

// Kind codes of a record.
enum MsgKind : std::int32_t {
    kErrorAtLine = 0,
    kErrorAtTag = 1,
    kWarningAtLine = 3,
    kWarningAtTag = 4,
    kValidatorComment = 5,
    kConfigurationMessage = 6,
};

// One raised message.
struct MsgStore {
    std::int32_t line = -1;           // the document line it refers to, or -1
    std::int32_t tagLine = -1;        // the line of the tag's `<`, or -1
    std::int32_t sequence = -1;       // 1-based number within its kind, in raise order
    std::int32_t commentNumber = -1;  // catalogue number of a validator comment
    std::uint32_t textLength = 0;     // characters in the text
    std::int32_t kind = -1;
    StrStore text;

    std::int32_t effectiveLine() const { return line != -1 ? line : tagLine; }
    bool isError() const { return kind >= 0 && kind < 3; }
    bool isWarning() const { return kind == kWarningAtLine || kind == kWarningAtTag; }
    bool isComment() const { return kind == kValidatorComment; }
    bool isMessage() const { return kind == kConfigurationMessage; }
};

// The two line references a raise reads: the scanner's current line and the line on which the
// `<` of the tag in hand stood. The validation run owns them and keeps them up to date.
struct LineRefs {
    std::int32_t current = 0;
    std::int32_t tag = 0;
};

// `writeMessage` modes.
enum class WriteMode { Report = 1, MachineReadable = 2, ResetCounters = 3 };

class MessageStore {
public:
    // The store reads the options at every raise; `lines` may be null (line 0 is used then).
    explicit MessageStore(const options::Options& options, const LineRefs* lines = nullptr);

    void setLineRefs(const LineRefs* lines) { lines_ = lines; }
    const options::Options& options() const { return *options_; }

    // Empties the message list and the list of configuration warnings given, resets the four
    // counters, the warnings-terminated flag and the first lines: the start of a run.
    void resetRun();

    // Raise operations. Texts are the string arguments, `value` the integer argument, as the
    // message's catalogue entry uses them.
    bool raiseError(int number, std::string_view text1 = {}, std::string_view text2 = {},
                    int value = 0);
    bool raiseWarning(int number, std::string_view text1 = {}, std::string_view text2 = {},
                      int value = 0);
    bool raiseComment(int number, std::string_view text = {});
    bool raiseMessage(std::string_view text);

    void resetFirstLines();
    // First error line and first warning line; 0 means none.
    std::pair<int, int> firstLines() const { return {firstErrorLine_, firstWarningLine_}; }

    int errors() const { return errors_; }
    int warnings() const { return warnings_; }
    int comments() const { return comments_; }
    int messages() const { return messages_; }
    bool warningsTerminated() const { return warningsTerminated_; }

    // The message list in its filing order: errors, warnings and messages by line, on one line
    // errors and warnings before messages, ties in raise order; validator comments last.
    const std::vector<const MsgStore*>& records() const;
    // The greatest text length of all records (0 when there are none).
    std::uint32_t maxTextLength() const { return maxTextLength_; }

    // Writes one record: `Report` as a report block wrapped to `width`, `MachineReadable` as
    // KEY=VALUE lines; `ResetCounters` restarts the heading numbers and writes nothing.
    // Returns false when writing failed.
    bool writeMessage(const MsgStore& record, TextOut& out, WriteMode mode, int width);

    // Selects the language of a text that may carry both, in the form
    // {ENGLISH: "..." FRENCH: "..."}; any other text is returned unchanged.
    static std::string selectLanguage(std::string_view text, int language);

private:
    std::int32_t currentLine() const { return lines_ ? lines_->current : 0; }
    std::int32_t tagLine() const { return lines_ ? lines_->tag : 0; }
    void file(MsgStore record, std::string_view text);

    const options::Options* options_;
    const LineRefs* lines_;

    std::vector<MsgStore> list_;  // in raise order
    mutable std::vector<const MsgStore*> sorted_;
    mutable bool sortedValid_ = true;
    std::uint32_t maxTextLength_ = 0;

    int errors_ = 0;
    int warnings_ = 0;
    int comments_ = 0;
    int messages_ = 0;
    int firstErrorLine_ = 0;
    int firstWarningLine_ = 0;
    bool warningsTerminated_ = false;
    std::set<int> commentsGiven_;
    std::set<std::pair<std::string, int>> configurationWarningsGiven_;

    // Heading numbers while a listing is written.
    int renderedErrors_ = 0;
    int renderedWarnings_ = 0;
    int renderedComments_ = 0;
    int renderedMessages_ = 0;
};

}  // namespace messages
