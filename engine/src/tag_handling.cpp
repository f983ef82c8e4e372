#include "tag_handling.h"

#include "config/text_utils.h"

namespace engine {

// The name field of the tag entry table holds 79 characters and its terminator.
constexpr std::size_t kNameField = 80;

std::string_view leadingName(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text::isBlank(text[start])) ++start;
    if (start == text.size()) return {};
    std::string_view token;
    char c = text[start];
    if (c == '=') {
        token = text.substr(start, 1);
    } else if (c == '"' || c == '\'') {
        std::size_t close = text.find(c, start + 1);
        token = close == std::string_view::npos ? text.substr(start + 1)
                                                 : text.substr(start + 1, close - start - 1);
    } else {
        std::size_t end = start;
        while (end < text.size() && !text::isBlank(text[end]) && text[end] != '=') ++end;
        token = text.substr(start, end - start);
    }
    return text::cutToField(token, kNameField);
}

void TagHandling::openingTag(std::string_view text) {
    state_.openTags.push(leadingName(text), kClosingOptional, state_.lines.tag);
}

void TagHandling::closingTag(std::string_view) {}

}  // namespace engine
