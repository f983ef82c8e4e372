// Small text helpers shared by the whole program: ASCII case folding and counting and cutting
// text by characters, where a valid UTF-8 sequence is one character and any other byte is one
// character of its own (documents may hold bytes of any encoding).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

constexpr char toLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
constexpr char toUpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
    }
    return true;
}
bool startsWithIgnoreCase(std::string_view s, std::string_view prefix);
std::string toLowerAscii(std::string_view s);

// Whether `name` matches the name pattern `pattern`, where each "*" stands for one or more
// characters and every other character matches itself without regard to ASCII case
// ("data-*" matches "data-role", "*-*" matches "my-widget"). The cost is bounded by the product
// of the two lengths, whatever the text.
bool matchesNamePattern(std::string_view pattern, std::string_view name);

// Whether a configuration name is a pattern: it holds a "*".
inline bool isNamePattern(std::string_view name) { return name.find('*') != std::string_view::npos; }

// The length in bytes of the character that starts at `pos` (1 for an invalid byte).
std::size_t characterLength(std::string_view s, std::size_t pos);

// The number of characters in `s`.
std::size_t characterCount(std::string_view s);

// The first `count` characters of `s` (all of it when it is shorter).
std::string_view firstCharacters(std::string_view s, std::size_t count);

// The longest start of `s` of at most `maxBytes` bytes that ends between two characters.
std::string_view firstBytes(std::string_view s, std::size_t maxBytes);

// Cuts a name for a field of `fieldSize` characters including its terminator: a name that fits
// (at most fieldSize - 1 characters) is kept whole, a longer one is cut to fieldSize - 2
// characters. A text shorter than the field in bytes fits whatever its characters: that case,
// every name of an ordinary tag, costs one comparison.
std::string_view cutLongToField(std::string_view s, std::size_t fieldSize);
inline std::string_view cutToField(std::string_view s, std::size_t fieldSize) {
    return s.size() < fieldSize ? s : cutLongToField(s, fieldSize);
}

}  // namespace text
