// The stable ids of the message kinds: "mw" and the catalogue number ("mw79"), never
// renumbered, and "mwconfig" for the messages an HTML Configuration attaches to its entries.
// Beside them: the settings that the validator comments' advice is about, the list of every
// kind with its English text, and the document's own markwise-disable comments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "messages/message_store.h"

namespace messages {

inline constexpr std::string_view kConfigurationMessageId = "mwconfig";

// The id of a catalogue number; kConfigurationMessageNumber gives "mwconfig".
std::string messageId(int number);

// The catalogue number of an id ("mw79", "MW79", "mwconfig"), when the catalogue has it.
std::optional<int> parseMessageId(std::string_view id);

// A list of ids separated by commas and blanks, as --disable and the markwise-disable comments
// take them: the numbers of the known ones in the order given, and the words that are none.
struct MessageIdList {
    std::vector<int> numbers;
    std::vector<std::string> unknown;
};
MessageIdList parseMessageIdList(std::string_view text);

// The setting a validator comment's advice names, with the value that does what it says, as
// `--set NAME=VALUE` takes them.
struct OptionAdvice {
    std::string_view setting;
    std::string_view value;
    std::string argument() const;  // "--set NAME=VALUE"
};
std::optional<OptionAdvice> adviceFor(int commentNumber);

// The kind of a message in the words the new forms use: "error", "warning", "comment" or
// "message".
enum class MessageType { Error, Warning, Comment, Message };
std::string_view typeName(MessageType type);
MessageType typeOf(const MsgStore& record);

// One kind of message of the catalogue.
struct CatalogueMessage {
    int number;
    std::string id;
    MessageType type;
    std::string_view text;  // the English text (for 53, the one with StrictComments on; for
                            // 85 and 86, how the composed text begins)
    std::optional<OptionAdvice> advice;
};

// Every kind of message in the order of its number, then configuration messages.
const std::vector<CatalogueMessage>& catalogueMessages();

// The directive of an HTML comment's text (what stands between "<" and ">": "!-- markwise-
// disable mw94, mw54 --"), when it is one: "markwise-disable" drops the kinds for the rest of
// the document, "markwise-disable-next-line" on the next line only. Ids the catalogue does not
// know are passed over; a comment that names no id at all drops every kind.
std::optional<InlineDirective> parseInlineDirective(std::string_view commentText);

}  // namespace messages

namespace messages {

// The help page's list of every kind of message: an element with the id "message-list"
// holding a table of ids (each row's id is the message id, so that "messages.html#mw94"
// leads to it), kinds, English texts and the settings of the advice.
std::string messageListHtml();

// `page` with the element between the comments "<!-- message-list -->" and
// "<!-- end of message-list -->" replaced by messageListHtml(); nothing when a marker is
// missing.
std::optional<std::string> fillMessageList(std::string_view page);

}  // namespace messages
