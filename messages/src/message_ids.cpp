#include "messages/message_ids.h"

#include <array>
#include <charconv>

#include "config/text_utils.h"
#include "messages/catalogue.h"
#include "messages/message_table.h"

namespace messages {
namespace {

struct AdviceRow {
    int comment;
    OptionAdvice advice;
};

// Each validator comment that names an option of the Validator Options, with the setting and
// value that do what the comment advises.
constexpr std::array kAdvice{
    AdviceRow{200, {"CheckNesting", "0"}},
    AdviceRow{201, {"AllowMultiLineQuotes", "1"}},
    AdviceRow{202, {"AllowSpacesAroundEqual", "1"}},
    AdviceRow{203, {"StrictComments", "0"}},
    // "You may be able to find where the problem is by not allowing multi-line quotes."
    AdviceRow{205, {"AllowMultiLineQuotes", "0"}},
    AdviceRow{206, {"CheckForHighASCII", "0"}},
    AdviceRow{208, {"EnableCommentWarnings", "0"}},
    AdviceRow{209, {"AllowDoubleQuoteInText", "1"}},
    AdviceRow{210, {"MaximumErrors", "9999"}},
    AdviceRow{211, {"MaximumWarnings", "9999"}},
    AdviceRow{212, {"CollapseASPInTags", "0"}},
    AdviceRow{213, {"HexadecimalEntities", "1"}},
    AdviceRow{214, {"UnicodeNumericEntities", "1"}},
    AdviceRow{215, {"EnableMissingAttributeWarnings", "0"}},
    AdviceRow{218, {"IgnoreQuoteRequirements", "1"}},
    AdviceRow{219, {"QuotesEquivalent", "1"}},
    AdviceRow{221, {"AllowSpaces2", "1"}},
    AdviceRow{222, {"FirstTagAnywhere", "1"}},
};

constexpr std::string_view kPrefix = "mw";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text::isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && text::isBlank(text.back())) text.remove_suffix(1);
    return text;
}

MessageType typeOfClass(MessageClass cls) {
    switch (cls) {
        case MessageClass::Error: return MessageType::Error;
        case MessageClass::Warning: return MessageType::Warning;
        case MessageClass::Comment: break;
    }
    return MessageType::Comment;
}

// The English text that stands for a kind in lists.
std::string_view listedText(const MessageInfo& info) {
    switch (info.number) {
        case 53: return text(Text::Error53Strict, Language::English);
        case 85: return text(Text::Invalid85Start, Language::English);
        case 86: return text(Text::Invalid86Start, Language::English);
        default: return text(info.text, Language::English);
    }
}

}  // namespace

std::string messageId(int number) {
    if (number == kConfigurationMessageNumber) return std::string(kConfigurationMessageId);
    return std::string(kPrefix) + std::to_string(number);
}

std::optional<int> parseMessageId(std::string_view id) {
    if (text::equalsIgnoreCase(id, kConfigurationMessageId)) return kConfigurationMessageNumber;
    if (id.size() <= kPrefix.size() || !text::startsWithIgnoreCase(id, kPrefix)) return std::nullopt;
    std::string_view digits = id.substr(kPrefix.size());
    if (digits.front() < '1' || digits.front() > '9') return std::nullopt;  // one spelling only
    int number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    if (findMessage(number) == nullptr) return std::nullopt;
    return number;
}

MessageIdList parseMessageIdList(std::string_view list) {
    MessageIdList result;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(", \t", start);
        if (end == std::string_view::npos) end = list.size();
        std::string_view word = list.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (std::optional<int> number = parseMessageId(word)) {
            result.numbers.push_back(*number);
        } else {
            result.unknown.emplace_back(word);
        }
    }
    return result;
}

std::string OptionAdvice::argument() const {
    return "--set " + std::string(setting) + "=" + std::string(value);
}

std::optional<OptionAdvice> adviceFor(int commentNumber) {
    for (const AdviceRow& row : kAdvice) {
        if (row.comment == commentNumber) return row.advice;
    }
    return std::nullopt;
}

std::string_view typeName(MessageType type) {
    switch (type) {
        case MessageType::Error: return "error";
        case MessageType::Warning: return "warning";
        case MessageType::Comment: return "comment";
        case MessageType::Message: return "message";
    }
    return "error";
}

MessageType typeOf(const MsgStore& record) {
    if (record.isWarning()) return MessageType::Warning;
    if (record.isComment()) return MessageType::Comment;
    if (record.isMessage()) return MessageType::Message;
    return MessageType::Error;
}

const std::vector<CatalogueMessage>& catalogueMessages() {
    static const std::vector<CatalogueMessage> list = [] {
        std::vector<CatalogueMessage> all;
        for (const MessageInfo& info : allMessages()) {
            all.push_back({info.number, messageId(info.number), typeOfClass(info.cls),
                           listedText(info), adviceFor(info.number)});
        }
        all.push_back({kConfigurationMessageNumber, std::string(kConfigurationMessageId),
                       MessageType::Message,
                       "A message that the HTML Configuration attaches to a tag name or an "
                       "attribute, shown when it is used or its value is not valid.",
                       std::nullopt});
        return all;
    }();
    return list;
}

std::optional<InlineDirective> parseInlineDirective(std::string_view commentText) {
    std::string_view body = trimmed(commentText);
    if (!body.starts_with("!--")) return std::nullopt;
    body.remove_prefix(3);
    body = trimmed(body);
    if (body.ends_with("--")) body.remove_suffix(2);
    body = trimmed(body);

    constexpr std::string_view kRest = "markwise-disable";
    constexpr std::string_view kNextLine = "markwise-disable-next-line";
    std::size_t wordEnd = body.find_first_of(" \t");
    std::string_view word = body.substr(0, wordEnd);
    InlineDirective directive;
    if (word == kNextLine) {
        directive.nextLineOnly = true;
    } else if (word != kRest) {
        return std::nullopt;
    }
    const std::string_view list =
        wordEnd == std::string_view::npos ? std::string_view() : trimmed(body.substr(wordEnd));
    if (list.empty()) {
        // No id at all, as in other checkers' comments of the kind: every kind of message.
        for (const CatalogueMessage& message : catalogueMessages()) {
            directive.numbers.push_back(message.number);
        }
    } else {
        // A list of ids that are all unknown (misspelt) drops nothing.
        directive.numbers = parseMessageIdList(list).numbers;
    }
    return directive;
}

}  // namespace messages
