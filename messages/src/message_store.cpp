#include "messages/message_store.h"

#include <algorithm>

#include "config/text_utils.h"
#include "messages/catalogue.h"
#include "messages/format.h"
#include "messages/message_table.h"
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

void writeKeyLine(TextOut& out, std::string_view key, std::string_view value) {
    out.write(key);
    out.put('=');
    out.write(value);
    out.put('\n');
}

}  // namespace

MessageStore::MessageStore(const options::Options& options, const LineRefs* lines)
    : options_(&options), lines_(lines) {}

void MessageStore::resetRun() {
    list_.clear();
    sorted_.clear();
    sortedValid_ = true;
    maxTextLength_ = 0;
    errors_ = warnings_ = comments_ = messages_ = 0;
    warningsTerminated_ = false;
    commentsGiven_.clear();
    configurationWarningsGiven_.clear();
    resetFirstLines();
}

void MessageStore::resetFirstLines() {
    firstErrorLine_ = 0;
    firstWarningLine_ = 0;
}

bool MessageStore::raiseError(int number, std::string_view text1, std::string_view text2,
                              int value) {
    const options::Options& options = *options_;
    if (errors_ + 1 >= options.MaximumErrors && number != 50 && number != 90) {
        if (errors_ + 1 == options.MaximumErrors) raiseError(50);
        return false;
    }

    const MessageInfo* info = findMessage(number);
    MsgStore record;
    if (info == nullptr || info->cls != MessageClass::Error) {
        ++errors_;
        record.kind = kErrorAtLine;
        record.line = currentLine();
        record.sequence = errors_;
        file(std::move(record),
             format(text(Text::InternalErrorNumber, currentLanguage(options)), {number}));
        return false;
    }

    for (int comment : info->comments) {
        if (comment != 0) raiseComment(comment);
    }
    std::string formatted = formatMessage(*info, options, text1, text2, value);

    ++errors_;
    switch (info->line) {
        case LineRule::Current:
            record.kind = kErrorAtLine;
            record.line = currentLine();
            break;
        case LineRule::Tag:
            record.kind = kErrorAtTag;
            record.tagLine = tagLine();
            break;
        case LineRule::Given:
            // Error 69 names the line on which the unclosed tag was opened; error 93 the line
            // holding the high-ASCII character.
            if (number == 69) {
                record.kind = kErrorAtTag;
                record.tagLine = value;
            } else {
                record.kind = kErrorAtLine;
                record.line = value;
            }
            break;
        case LineRule::None:
            record.kind = kErrorAtLine;
            record.line = currentLine();
            break;
    }
    record.sequence = errors_;
    if (number == 90) warningsTerminated_ = true;
    file(std::move(record), formatted);
    return true;
}

bool MessageStore::raiseWarning(int number, std::string_view text1, std::string_view text2,
                                int value) {
    const options::Options& options = *options_;
    if (!options.EnableWarnings) return true;
    if (warnings_ + 1 >= options.MaximumWarnings) {
        if (!warningsTerminated_) raiseError(90);
        return false;
    }

    const MessageInfo* info = findMessage(number);
    if (info != nullptr && info->oncePerName && !text1.empty()) {
        std::string name(text1.size() < kGivenNameLimit ? text1 : text1.substr(0, 98));
        if (!configurationWarningsGiven_.emplace(std::move(name), number).second) return false;
    }

    MsgStore record;
    if (info == nullptr || info->cls != MessageClass::Warning) {
        // A warning number the catalogue does not know is reported as an error.
        ++errors_;
        record.kind = kErrorAtLine;
        record.line = currentLine();
        record.sequence = errors_;
        file(std::move(record),
             format(text(Text::InternalWarningNumber, currentLanguage(options)), {number}));
        return true;
    }

    for (int comment : info->comments) {
        if (comment != 0) raiseComment(comment);
    }
    std::string formatted = formatMessage(*info, options, text1, text2, value);

    ++warnings_;
    if (info->line == LineRule::Tag) {
        record.kind = kWarningAtTag;
        record.tagLine = tagLine();
    } else {
        record.kind = kWarningAtLine;
        record.line = currentLine();
    }
    record.sequence = warnings_;
    file(std::move(record), formatted);
    return true;
}

bool MessageStore::raiseComment(int number, std::string_view argument) {
    if (!options_->ShowComments) return true;
    const MessageInfo* info = findMessage(number);
    // Only the validator comments of the catalogue are recorded, each once per run.
    if (info == nullptr || info->cls != MessageClass::Comment) return true;
    if (!commentsGiven_.insert(number).second) return true;

    ++comments_;
    MsgStore record;
    record.sequence = comments_;
    record.commentNumber = number;
    record.kind = kValidatorComment;
    file(std::move(record), formatMessage(*info, *options_, argument, {}, 0));
    return true;
}

bool MessageStore::raiseMessage(std::string_view message) {
    ++messages_;
    MsgStore record;
    record.tagLine = tagLine();
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
                                int width) {
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
            if (!wrapText(out, heading, width)) return false;
            if (!wrapText(out, record.text.view(), width)) return false;
            return out.ok();
        }

        case WriteMode::MachineReadable: {
            std::string_view type;
            if (record.isError()) {
                type = "MESSAGETYPE=ERROR";
            } else if (record.isWarning()) {
                type = "MESSAGETYPE=WARNING";
            } else if (record.isComment()) {
                type = "MESSAGETYPE=COMMENT";
            } else if (record.isMessage()) {
                type = "MESSAGETYPE=MESSAGE";
            } else {
                type = text(Text::HeadingInternal, language);
            }
            out.write(type);
            out.put('\n');
            writeKeyLine(out, "MESSAGENUMBER", std::to_string(record.sequence));
            if (!record.isComment()) {
                writeKeyLine(out, "LINENUMBER", std::to_string(record.effectiveLine()));
            }
            writeKeyLine(out, "MESSAGE", record.text.view());
            return out.ok();
        }
    }
    return false;
}

}  // namespace messages
