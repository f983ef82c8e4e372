// The message store: where every finding of a validation run goes. The engine raises
// messages by catalogue number; the store applies the enable switches and the error and
// warning limits, adds the paired validator comments, formats the text in the current language
// and files a `MsgStore` record in the sorted message list.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
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

// A place in the document: a line from 1 and a column counted in bytes from 1, as compilers
// count them. 0 stands for "not known".
struct Position {
    std::int32_t line = 0;
    std::int32_t column = 0;
    auto operator<=>(const Position&) const = default;
};

// The catalogue number that configuration messages are disabled by: they have none of their
// own.
constexpr int kConfigurationMessageNumber = 0;

// One raised message.
struct MsgStore {
    std::int32_t line = -1;           // the document line it refers to, or -1
    std::int32_t tagLine = -1;        // the line of the tag's `<`, or -1
    std::int32_t sequence = -1;       // 1-based number within its kind, in raise order
    std::int32_t commentNumber = -1;  // catalogue number of a validator comment
    std::uint32_t textLength = 0;     // characters in the text
    std::int32_t kind = -1;
    StrStore text;
    // Beside the record's own fields: the catalogue number it was raised with (0 for a
    // configuration message), the column on the effective line where its cause starts (0 for
    // a validator comment, which has no line), and where a validator comment was occasioned:
    // the place of the message it came with, or of the construct in hand when it was raised.
    std::int32_t number = 0;
    std::int32_t column = 0;
    Position occasion;

    std::int32_t effectiveLine() const { return line != -1 ? line : tagLine; }
    // Where the record points: its effective line and column, or a comment's occasion.
    Position location() const {
        return isComment() ? occasion : Position{effectiveLine(), column};
    }
    bool isError() const { return kind >= 0 && kind < 3; }
    bool isWarning() const { return kind == kWarningAtLine || kind == kWarningAtTag; }
    bool isComment() const { return kind == kValidatorComment; }
    bool isMessage() const { return kind == kConfigurationMessage; }
};

// The line references a raise reads: the scanner's current line and the line on which the `<`
// of the tag in hand stood, with that `<`'s column, and the place where the scanner last ended
// something (a tag's `>`, the end of the document). The validation run owns them and keeps
// them up to date.
struct LineRefs {
    std::int32_t current = 0;
    std::int32_t tag = 0;
    std::int32_t tagColumn = 0;
    Position ended{};
};

// The error and warning limits that stand when the options' limits are lifted: a document
// whose nesting errors grow with the square of its tags (every closing tag passing over all
// the tags still open above its own) would otherwise be kept in memory message by message
// until the memory ran out.
constexpr int kLiftedLimit = 1'000'000;

// How a store treats what it is given, beyond the options: message kinds dropped by their
// catalogue numbers (kConfigurationMessageNumber for configuration messages), whether the
// document's own markwise-disable comments are heeded, and whether the options' error and
// warning limits apply (kLiftedLimit when not). The same for every run of the store.
struct StoreSettings {
    std::set<int> disabled{};
    bool inlineDirectives = true;
    bool unlimitedErrors = false;
    bool unlimitedWarnings = false;
    int liftedLimit = kLiftedLimit;
};

// A markwise-disable comment of the document: the message kinds it drops, from the place of
// the comment to the end of the document or on one line only.
struct InlineDirective {
    std::vector<int> numbers;
    bool nextLineOnly = false;
};

// Messages dropped by the disabled kinds and the document's comments, by kind. They are in no
// other count and in no form of the report.
struct SilencedCounts {
    int errors = 0;
    int warnings = 0;
    int comments = 0;
    int messages = 0;
    int total() const { return errors + warnings + comments + messages; }
};

// `writeMessage` modes.
enum class WriteMode { Report = 1, MachineReadable = 2, ResetCounters = 3 };

class MessageStore {
public:
    // The store reads the options at every raise; `lines` may be null (line 0 is used then).
    explicit MessageStore(const options::Options& options, const LineRefs* lines = nullptr);

    void setLineRefs(const LineRefs* lines) { lines_ = lines; }
    const options::Options& options() const { return *options_; }

    // Disabled kinds, inline comments and limits for every run from now on.
    void configure(StoreSettings settings);
    const StoreSettings& settings() const { return settings_; }

    // While a Cause is alive, the messages raised point at `where` when their line is its
    // line; otherwise at the tag's `<` or where the scanner last ended something. Causes nest.
    class Cause {
    public:
        Cause(MessageStore& store, Position where) : store_(store), saved_(store.cause_) {
            store.cause_ = where;
        }
        ~Cause() { store_.cause_ = saved_; }
        Cause(const Cause&) = delete;
        Cause& operator=(const Cause&) = delete;

    private:
        MessageStore& store_;
        Position saved_;
    };

    // A markwise-disable comment found at `at` (its `<`); a next-line comment drops the kinds
    // on `nextLine`. Passed over when the settings do not heed such comments.
    void addInlineDirective(const InlineDirective& directive, Position at, int nextLine);

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
    // How many raises were asked for in this run, recorded or not (limits, silencing, options
    // that drop a kind): a stretch of checking that leaves it unchanged raised nothing at all,
    // wherever it ran.
    std::uint64_t raisesAsked() const { return raisesAsked_; }

    void resetFirstLines();
    // First error line and first warning line; 0 means none.
    std::pair<int, int> firstLines() const { return {firstErrorLine_, firstWarningLine_}; }

    int errors() const { return errors_; }
    int warnings() const { return warnings_; }
    int comments() const { return comments_; }
    int messages() const { return messages_; }
    bool warningsTerminated() const { return warningsTerminated_; }
    // True once a limit ends the scan: the error count reached its limit, the warning limit
    // raised error 90, or a limit was reached while its termination message is disabled.
    bool limitReached() const;
    // True once the error limit ends the scan.
    bool errorLimitReached() const;
    const SilencedCounts& silenced() const { return silenced_; }
    // Whether the settings drop every message of this catalogue number, wherever raised.
    bool disabled(int number) const {
        return number >= 0 && number < static_cast<int>(disabled_.size()) &&
               disabled_[static_cast<std::size_t>(number)];
    }
    // Counts `count` errors of a kind the settings drop, raised where nothing else is done
    // for them (the count stops at the largest int).
    void countSilencedErrors(std::size_t count);

    // The message list in its filing order: errors, warnings and messages by line, on one line
    // errors and warnings before messages, ties in raise order; validator comments last.
    const std::vector<const MsgStore*>& records() const;
    // The greatest text length of all records (0 when there are none).
    std::uint32_t maxTextLength() const { return maxTextLength_; }

    // Writes one record: `Report` as a report block wrapped to `width`, `MachineReadable` as
    // KEY=VALUE lines; `ResetCounters` restarts the heading numbers and writes nothing.
    // `colour` marks a report block's heading with the terminal colour of its kind.
    // Returns false when writing failed.
    bool writeMessage(const MsgStore& record, TextOut& out, WriteMode mode, int width,
                      bool colour = false);

    // Selects the language of a text that may carry both, in the form
    // {ENGLISH: "..." FRENCH: "..."}; any other text is returned unchanged.
    static std::string selectLanguage(std::string_view text, int language);

private:
    std::int32_t currentLine() const { return lines_ ? lines_->current : 0; }
    std::int32_t tagLine() const { return lines_ ? lines_->tag : 0; }
    // The column of a record on line `line`; `atTag` for the kinds reported at the tag line.
    std::int32_t columnOn(std::int32_t line, bool atTag) const;
    // Where a validator comment raised now, outside any other message, was occasioned.
    Position occasionHere() const;
    // Whether a message of `number` at `where` is dropped (and counted as such).
    bool silences(int number, Position where) const;
    int errorLimit() const;
    int warningLimit() const;
    bool raiseCommentAt(int number, std::string_view text, Position occasion);
    void file(MsgStore record, std::string_view text);

    const options::Options* options_;
    const LineRefs* lines_;
    StoreSettings settings_;
    std::array<bool, 512> disabled_{};  // by catalogue number, from the settings
    Position cause_;

    // The document's markwise-disable comments, kept so that each raise looks them up in
    // constant time however many there are: for each kind, the earliest place from which it
    // is dropped to the end of the document; and each kind dropped on one line only, keyed
    // by the line and the kind.
    std::unordered_map<int, Position> disabledFrom_;
    std::unordered_set<std::uint64_t> disabledOnLine_;
    SilencedCounts silenced_;
    bool errorsTerminated_ = false;
    std::set<int> commentsSilenced_;
    std::set<std::pair<std::string, int>> configurationWarningsSilenced_;

    std::vector<MsgStore> list_;  // in raise order
    mutable std::vector<const MsgStore*> sorted_;
    mutable bool sortedValid_ = true;
    std::uint32_t maxTextLength_ = 0;

    int errors_ = 0;
    std::uint64_t raisesAsked_ = 0;
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
