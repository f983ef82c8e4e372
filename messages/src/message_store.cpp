#include "messages/message_store.h"

#include <algorithm>
#include <limits>

#include "config/text_utils.h"
#include "messages/catalogue.h"
#include "messages/format.h"
#include "messages/message_table.h"
#include "messages/terminal_colour.h"
#include "tools/expression.h"

namespace messages {
namespace {

// A composed text (errors 85 and 86) of this many characters or more is replaced.
constexpr std::size_t kComposedLimit = 4096;
// The range description of error 67 longer than this is left out.
constexpr std::size_t kRangeLimit = 2048;
// Texts are formatted into a working buffer of 4096 characters: a longer text is cut.
constexpr std::size_t kMaxTextCharacters = 4095;
// Names of the configuration warnings already given are kept whole below 100 characters,
// longer ones as their first 98.
constexpr std::size_t kGivenNameLimit = 100;

Language currentLanguage(const options::Options& options) {
    return languageFromSetting(options.Language);
}

// The catalogue text of a message, its arguments substituted as its entry says.
std::string formatMessage(const MessageInfo& info, const options::Options& options,
                          std::string_view text1, std::string_view text2, int value) {
    Language language = currentLanguage(options);
    if (info.args == ArgRule::Text1Whole) {
        if (text::characterCount(text1) >= kComposedLimit) {
            return std::string(messages::text(Text::MessageTooLong, language));
        }
        return std::string(text1);
    }
    Text id = info.text;
    if (info.number == 53 && options.StrictComments) id = Text::Error53Strict;
    std::string_view pattern = messages::text(id, language);
    if (info.number == 67 && text::characterCount(text2) > kRangeLimit) text2 = {};
    switch (info.args) {
        case ArgRule::None: return std::string(pattern);  // may hold a literal '%'
        case ArgRule::Text1: return format(pattern, {text1});
        case ArgRule::Text1Text2: return format(pattern, {text1, text2});
        case ArgRule::Value: return format(pattern, {value});
        case ArgRule::ValueMinus1: return format(pattern, {value - 1});
        case ArgRule::Text1Text2Value: return format(pattern, {text1, text2, value});
        case ArgRule::Text1Text1: return format(pattern, {text1, text1});
        case ArgRule::Text2: return format(pattern, {text2});
        case ArgRule::Text1Value: return format(pattern, {text1, value});
        case ArgRule::Text1ValueText2: return format(pattern, {text1, value, text2});
        case ArgRule::Text1Whole: break;
    }
    return std::string(pattern);
}

// The filing order as a key: validator comments after everything else; the rest by effective
// line, and on one line configuration messages after errors and warnings.
struct FilingKey {
    int comment;
    std::int64_t line;
    int message;
    auto operator<=>(const FilingKey&) const = default;
};

FilingKey filingKey(const MsgStore& record) {
    if (record.isComment()) return {1, 0, 0};
    return {0, record.effectiveLine(), record.isMessage() ? 1 : 0};
}

std::string_view colourOf(const MsgStore& record) {
    if (record.isError()) return colour::kError;
    if (record.isWarning()) return colour::kWarning;
    return colour::kNote;
}

// The heading wrapped as ever, each of its lines in the colour of its kind; the colour codes
// take no room in the line.
bool writeColouredHeading(TextOut& out, std::string_view heading, int width,
                          std::string_view lineColour) {
    std::string wrapped;
    {
        TextOut memory(wrapped);
        if (!wrapText(memory, heading, width)) return false;
    }
    std::size_t start = 0;
    while (start < wrapped.size()) {
        std::size_t end = wrapped.find('\n', start);
        if (end == std::string::npos) end = wrapped.size();
        out.write(lineColour);
        out.write(std::string_view(wrapped).substr(start, end - start));
        out.write(colour::kReset);
        out.put('\n');
        start = end + 1;
    }
    return true;
}

void writeKeyLine(TextOut& out, std::string_view key, std::string_view value) {
    out.write(key);
    out.put('=');
    out.write(value);
    out.put('\n');
}

// The text of a message as its MESSAGE line carries it: a line feed or carriage return (a
// configuration's message texts may hold them) is written as \x0A or \x0D, so that the text
// stays on its one line and no part of it can be read as a key of its own. Every other byte,
// a tab among them, is written as it is.
std::string oneLineText(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        if (c == '\n') {
            line += "\\x0A";
        } else if (c == '\r') {
            line += "\\x0D";
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace

MessageStore::MessageStore(const options::Options& options, const LineRefs* lines)
    : options_(&options), lines_(lines) {}

void MessageStore::configure(StoreSettings settings) {
    settings_ = std::move(settings);
    disabled_.fill(false);
    for (int number : settings_.disabled) {
        if (number >= 0 && number < static_cast<int>(disabled_.size())) {
            disabled_[static_cast<std::size_t>(number)] = true;
        }
    }
}

void MessageStore::resetRun() {
    list_.clear();
    sorted_.clear();
    sortedValid_ = true;
    maxTextLength_ = 0;
    errors_ = warnings_ = comments_ = messages_ = 0;
    warningsTerminated_ = false;
    errorsTerminated_ = false;
    commentsGiven_.clear();
    configurationWarningsGiven_.clear();
    disabledFrom_.clear();
    disabledOnLine_.clear();
    silenced_ = {};
    commentsSilenced_.clear();
    configurationWarningsSilenced_.clear();
    cause_ = {};
    resetFirstLines();
}

void MessageStore::resetFirstLines() {
    firstErrorLine_ = 0;
    firstWarningLine_ = 0;
}

// A limit below 1 (a settings file edited by hand: "0", "-5", a word) is taken as 1, the
// least the options dialog lets one choose: a run that checked nothing would report a
// document full of errors as clean.
int MessageStore::errorLimit() const {
    return settings_.unlimitedErrors ? settings_.liftedLimit
                                     : std::max(options_->MaximumErrors, 1);
}

int MessageStore::warningLimit() const {
    return settings_.unlimitedWarnings ? settings_.liftedLimit
                                       : std::max(options_->MaximumWarnings, 1);
}

bool MessageStore::errorLimitReached() const {
    return errorsTerminated_ || errors_ >= errorLimit();
}

bool MessageStore::limitReached() const {
    return warningsTerminated_ || errorLimitReached() || warnings_ >= warningLimit();
}

// The cause of the raise in hand when it lies on the record's line; else the tag's `<` for the
// kinds reported at the tag line, or where the scanner last ended something on that line (a
// tag's `>`, the end of the document); else the tag's `<` when on that line; else the line's
// start.
std::int32_t MessageStore::columnOn(std::int32_t line, bool atTag) const {
    if (cause_.line == line && cause_.column > 0) return cause_.column;
    if (lines_ == nullptr) return 1;
    const bool onTagLine = line == lines_->tag && lines_->tagColumn > 0;
    if (onTagLine && (atTag || lines_->ended.line != line)) return lines_->tagColumn;
    if (lines_->ended.line == line && lines_->ended.column > 0) return lines_->ended.column;
    return 1;
}

Position MessageStore::occasionHere() const {
    if (cause_.line > 0) return {cause_.line, std::max(cause_.column, 1)};
    if (lines_ == nullptr) return {};
    if (lines_->tag > 0) return {lines_->tag, std::max(lines_->tagColumn, 1)};
    return {lines_->current, columnOn(lines_->current, false)};
}

namespace {

std::uint64_t lineKey(std::int32_t line, int number) {
    return std::uint64_t{static_cast<std::uint32_t>(line)} << 32 |
           static_cast<std::uint32_t>(number);
}

}  // namespace

void MessageStore::addInlineDirective(const InlineDirective& directive, Position at,
                                      int nextLine) {
    if (!settings_.inlineDirectives || directive.numbers.empty()) return;
    for (int number : directive.numbers) {
        if (directive.nextLineOnly && nextLine != 0) {
            disabledOnLine_.insert(lineKey(nextLine, number));
            continue;
        }
        // A comment for the next line with no line after it drops the kind everywhere.
        const Position from = directive.nextLineOnly ? Position{} : at;
        auto [place, added] = disabledFrom_.try_emplace(number, from);
        if (!added) place->second = std::min(place->second, from);
    }
}

void MessageStore::countSilencedErrors(std::size_t count) {
    raisesAsked_ += count;
    const std::size_t room = static_cast<std::size_t>(std::numeric_limits<int>::max() -
                                                      silenced_.errors);
    silenced_.errors += static_cast<int>(std::min(count, room));
}

bool MessageStore::silences(int number, Position where) const {
    if (disabled(number)) return true;
    if (!disabledFrom_.empty()) {
        auto found = disabledFrom_.find(number);
        if (found != disabledFrom_.end() && where >= found->second) return true;
    }
    return !disabledOnLine_.empty() && disabledOnLine_.contains(lineKey(where.line, number));
}

bool MessageStore::raiseError(int number, std::string_view text1, std::string_view text2,
                              int value) {
    ++raisesAsked_;
    const options::Options& options = *options_;
    const MessageInfo* info = findMessage(number);
    const bool known = info != nullptr && info->cls == MessageClass::Error;

    // Where the record goes: error 69 names the line on which the unclosed tag was opened,
    // error 93 the line holding the high-ASCII character.
    MsgStore record;
    record.number = number;
    LineRule rule = known ? info->line : LineRule::Current;
    if (rule == LineRule::Tag || (rule == LineRule::Given && number == 69)) {
        record.kind = kErrorAtTag;
        record.tagLine = rule == LineRule::Tag ? tagLine() : value;
    } else {
        record.kind = kErrorAtLine;
        record.line = rule == LineRule::Given ? value : currentLine();
    }
    record.column = columnOn(record.effectiveLine(), record.kind == kErrorAtTag);
    const Position where = record.location();

    if (silences(number, where)) {
        // A disabled termination message still ends the scan.
        if (number == 50) errorsTerminated_ = true;
        if (number == 90) warningsTerminated_ = true;
        ++silenced_.errors;
        return false;
    }
    if (errors_ + 1 >= errorLimit() && number != 50 && number != 90) {
        if (errors_ + 1 == errorLimit() && !errorsTerminated_) raiseError(50);
        errorsTerminated_ = true;
        return false;
    }

    if (!known) {
        ++errors_;
        record.sequence = errors_;
        file(std::move(record),
             format(text(Text::InternalErrorNumber, currentLanguage(options)), {number}));
        return false;
    }

    for (int comment : info->comments) {
        if (comment != 0) raiseCommentAt(comment, {}, where);
    }
    std::string formatted = formatMessage(*info, options, text1, text2, value);

    ++errors_;
    record.sequence = errors_;
    if (number == 90) warningsTerminated_ = true;
    file(std::move(record), formatted);
    return true;
}

bool MessageStore::raiseWarning(int number, std::string_view text1, std::string_view text2,
                                int value) {
    ++raisesAsked_;
    const options::Options& options = *options_;
    if (!options.EnableWarnings) return true;

    const MessageInfo* info = findMessage(number);
    const bool known = info != nullptr && info->cls == MessageClass::Warning;
    MsgStore record;
    record.number = number;
    if (known && info->line == LineRule::Tag) {
        record.kind = kWarningAtTag;
        record.tagLine = tagLine();
    } else {
        // A warning number the catalogue does not know is reported as an error.
        record.kind = known ? kWarningAtLine : kErrorAtLine;
        record.line = currentLine();
    }
    record.column = columnOn(record.effectiveLine(), record.kind == kWarningAtTag);
    const Position where = record.location();

    const bool oncePerName = info != nullptr && info->oncePerName && !text1.empty();
    // Whether the name is new to `given`, which keeps each name given (its first 98
    // characters from 100 on). The whole name is compared with the names kept, so a name of
    // 100 characters or more never matches one and is warned about each time it comes.
    auto firstTime = [&](std::set<std::pair<std::string, int>>& given) {
        // Characters, not bytes: a name of 50 two-byte letters is a short name.
        const bool longName =
            text1.size() >= kGivenNameLimit && text::characterCount(text1) >= kGivenNameLimit;
        const bool added =
            given.emplace(std::string(longName ? text::firstCharacters(text1, 98) : text1), number)
                .second;
        return added || longName;
    };
    if (silences(number, where)) {
        // Counted as often as it would have been shown: once per name for those warnings.
        if (!oncePerName || firstTime(configurationWarningsSilenced_)) {
            ++(known ? silenced_.warnings : silenced_.errors);
        }
        return true;
    }
    if (warnings_ + 1 >= warningLimit()) {
        if (!warningsTerminated_) raiseError(90);
        return false;
    }
    if (oncePerName && !firstTime(configurationWarningsGiven_)) {
        return false;
    }

    if (!known) {
        ++errors_;
        record.sequence = errors_;
        file(std::move(record),
             format(text(Text::InternalWarningNumber, currentLanguage(options)), {number}));
        return true;
    }

    for (int comment : info->comments) {
        if (comment != 0) raiseCommentAt(comment, {}, where);
    }
    std::string formatted = formatMessage(*info, options, text1, text2, value);

    ++warnings_;
    record.sequence = warnings_;
    file(std::move(record), formatted);
    return true;
}

bool MessageStore::raiseComment(int number, std::string_view argument) {
    return raiseCommentAt(number, argument, occasionHere());
}

bool MessageStore::raiseCommentAt(int number, std::string_view argument, Position occasion) {
    ++raisesAsked_;
    if (!options_->ShowComments) return true;
    const MessageInfo* info = findMessage(number);
    // Only the validator comments of the catalogue are recorded, each once per run.
    if (info == nullptr || info->cls != MessageClass::Comment) return true;
    if (commentsGiven_.contains(number)) return true;
    if (silences(number, occasion)) {
        if (commentsSilenced_.insert(number).second) ++silenced_.comments;
        return true;
    }
    commentsGiven_.insert(number);

    ++comments_;
    MsgStore record;
    record.sequence = comments_;
    record.commentNumber = number;
    record.number = number;
    record.kind = kValidatorComment;
    record.occasion = occasion;
    file(std::move(record), formatMessage(*info, *options_, argument, {}, 0));
    return true;
}

bool MessageStore::raiseMessage(std::string_view message) {
    ++raisesAsked_;
    MsgStore record;
    record.tagLine = tagLine();
    record.number = kConfigurationMessageNumber;
    record.column = columnOn(record.tagLine, true);
    if (silences(kConfigurationMessageNumber, record.location())) {
        ++silenced_.messages;
        return true;
    }
    ++messages_;
    record.sequence = messages_;
    record.kind = kConfigurationMessage;
    file(std::move(record), message);
    return true;
}

std::string MessageStore::selectLanguage(std::string_view message, int language) {
    StrStoreEx input(message);
    tools::ErrorStore errors;
    StrStoreEx first = tools::nextToken(input, errors);
    // Only an unquoted "{" opens the two-language form, so that a quoted argument at the
    // start of a text is never taken for it.
    if (errors.code() != 0 || first.flag(0) != 0 || !first.equals("{")) {
        return std::string(message);
    }

    std::string english;
    std::string selected;
    while (true) {
        StrStoreEx name = tools::nextToken(input, errors);
        if (errors.code() != 0 || (name.flag(0) == 0 && name.equals("}"))) break;
        StrStoreEx colon = tools::nextToken(input, errors);
        if (errors.code() != 0 || colon.flag(0) != 0 || !colon.equals(":")) break;
        StrStoreEx value = tools::nextToken(input, errors);
        if (errors.code() != 0) break;
        if (name.equalsIgnoreCase("ENGLISH")) {
            english = value.str();
            if (language != 1) {
                selected = english;
                break;
            }
        } else if (name.equalsIgnoreCase("FRENCH") && language == 1) {
            selected = value.str();
            break;
        }
    }
    return selected.empty() ? english : selected;
}

void MessageStore::file(MsgStore record, std::string_view raw) {
    std::string prepared = selectLanguage(raw, options_->Language);
    std::string_view kept = text::firstCharacters(prepared, kMaxTextCharacters);
    record.textLength = static_cast<std::uint32_t>(text::characterCount(kept));
    record.text.assign(kept);
    maxTextLength_ = std::max(maxTextLength_, record.textLength);

    int line = record.effectiveLine();
    if (record.isError() && (firstErrorLine_ == 0 || line < firstErrorLine_)) {
        firstErrorLine_ = line;
    } else if (record.isWarning() && (firstWarningLine_ == 0 || line < firstWarningLine_)) {
        firstWarningLine_ = line;
    }
    list_.push_back(std::move(record));
    sortedValid_ = false;
}

const std::vector<const MsgStore*>& MessageStore::records() const {
    if (!sortedValid_) {
        sorted_.clear();
        sorted_.reserve(list_.size());
        for (const MsgStore& record : list_) sorted_.push_back(&record);
        std::stable_sort(sorted_.begin(), sorted_.end(), [](const MsgStore* a, const MsgStore* b) {
            return filingKey(*a) < filingKey(*b);
        });
        sortedValid_ = true;
    }
    return sorted_;
}

bool MessageStore::writeMessage(const MsgStore& record, TextOut& out, WriteMode mode,
                                int width, bool colour) {
    Language language = currentLanguage(*options_);
    switch (mode) {
        case WriteMode::ResetCounters:
            renderedErrors_ = renderedWarnings_ = renderedComments_ = renderedMessages_ = 0;
            return true;

        case WriteMode::Report: {
            std::string heading;
            switch (record.kind) {
                case kErrorAtLine:
                    heading = format(text(Text::HeadingError, language),
                                     {++renderedErrors_, record.line});
                    break;
                case kErrorAtTag:
                    heading = format(text(Text::HeadingErrorTag, language),
                                     {++renderedErrors_, record.tagLine});
                    break;
                case kWarningAtLine:
                    heading = format(text(Text::HeadingWarning, language),
                                     {++renderedWarnings_, record.line});
                    break;
                case kWarningAtTag:
                    heading = format(text(Text::HeadingWarningTag, language),
                                     {++renderedWarnings_, record.tagLine});
                    break;
                case kValidatorComment:
                    heading = format(text(Text::HeadingComment, language), {++renderedComments_});
                    break;
                case kConfigurationMessage:
                    heading = format(text(Text::HeadingMessageTag, language),
                                     {++renderedMessages_, record.tagLine});
                    break;
                default:
                    heading = text(Text::HeadingInternal, language);
                    break;
            }
            out.put('\n');
            if (colour) {
                if (!writeColouredHeading(out, heading, width, colourOf(record))) return false;
            } else if (!wrapText(out, heading, width)) {
                return false;
            }
            if (!wrapText(out, record.text.view(), width)) return false;
            return out.ok();
        }

        case WriteMode::MachineReadable: {
            // The type line names the kinds that are produced; any other kind (2 among them,
            // though it counts as an error) is a fault of the program, written in English like
            // every key of the form.
            std::string_view type;
            switch (record.kind) {
                case kErrorAtLine:
                case kErrorAtTag: type = "MESSAGETYPE=ERROR"; break;
                case kWarningAtLine:
                case kWarningAtTag: type = "MESSAGETYPE=WARNING"; break;
                case kValidatorComment: type = "MESSAGETYPE=COMMENT"; break;
                case kConfigurationMessage: type = "MESSAGETYPE=MESSAGE"; break;
                default: type = text(Text::HeadingInternal, Language::English); break;
            }
            out.write(type);
            out.put('\n');
            writeKeyLine(out, "MESSAGENUMBER", std::to_string(record.sequence));
            if (!record.isComment()) {
                writeKeyLine(out, "LINENUMBER", std::to_string(record.effectiveLine()));
            }
            writeKeyLine(out, "MESSAGE", oneLineText(record.text.view()));
            return out.ok();
        }
    }
    return false;
}

}  // namespace messages
