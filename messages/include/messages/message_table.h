// What the message store needs to know about each message number: its kind, which line it
// refers to, the validator comments raised with it, how its arguments fill its text, and the
// catalogue text itself.
#pragma once

#include <array>
#include <span>

#include "messages/catalogue.h"

namespace messages {

enum class MessageClass { Error, Warning, Comment };

enum class LineRule {
    Current,  // the scanner's current line
    Tag,      // the line of the `<` of the tag in hand
    Given,    // the line passed as the integer argument
    None,     // validator comments
};

// How the raise's arguments fill the text's conversions, in order.
enum class ArgRule {
    None,
    Text1,
    Text1Text2,
    Value,
    ValueMinus1,
    Text1Text2Value,
    Text1Text1,
    Text2,
    Text1Value,
    Text1ValueText2,
    Text1Whole,  // text1 is the whole, composed text
};

struct MessageInfo {
    int number;
    MessageClass cls;
    LineRule line;
    ArgRule args;
    std::array<int, 2> comments;  // 0 where none
    Text text;
    bool oncePerName;
};

// The entry for `number`, or null when the catalogue has no such message.
const MessageInfo* findMessage(int number);

// Every entry, in the order of its number.
std::span<const MessageInfo> allMessages();

}  // namespace messages
