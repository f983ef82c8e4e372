#include "config/text_utils.h"

namespace text {

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

std::string toLowerAscii(std::string_view s) {
    std::string result(s);
    for (char& c : result) c = toLowerAscii(c);
    return result;
}

std::size_t characterLength(std::string_view s, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 1;
    }
    if (pos + length > s.size()) return 1;
    if (byte(pos + 1) < low || byte(pos + 1) > high) return 1;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) return 1;
    }
    return length;
}

std::size_t characterCount(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < s.size(); pos += characterLength(s, pos)) ++count;
    return count;
}

std::string_view firstCharacters(std::string_view s, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < s.size(); ++n) pos += characterLength(s, pos);
    return s.substr(0, pos);
}

std::string_view firstBytes(std::string_view s, std::size_t maxBytes) {
    if (s.size() <= maxBytes) return s;
    std::size_t end = maxBytes;
    // Back over the continuation bytes of a character that the cut would split.
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    return s.substr(0, end);
}

std::string_view cutLongToField(std::string_view s, std::size_t fieldSize) {
    std::string_view kept = firstCharacters(s, fieldSize - 1);
    if (kept.size() == s.size()) return s;
    return firstCharacters(s, fieldSize - 2);
}

bool matchesNamePattern(std::string_view pattern, std::string_view name) {
    constexpr std::size_t kNone = std::string_view::npos;
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = kNone;   // the pattern position of the last "*" met
    std::size_t starEnd = 0;    // where the text that "*" took so far ends
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            // A "*" takes one character at least; on a mismatch later it takes one more.
            star = p++;
            starEnd = ++n;
        } else if (p < pattern.size() && toLowerAscii(pattern[p]) == toLowerAscii(name[n])) {
            ++p;
            ++n;
        } else if (star != kNone) {
            p = star + 1;
            n = ++starEnd;
        } else {
            return false;
        }
    }
    return p == pattern.size();
}

}  // namespace text
