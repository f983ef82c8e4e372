#include "tools/text_tools.h"

#include <array>
#include <cstring>

namespace tools {
namespace {

// Byte tables for ASCII case conversion; every other byte maps to itself.
struct CaseTables {
    std::array<char, 256> lower{};
    std::array<char, 256> upper{};
    constexpr CaseTables() {
        for (int i = 0; i < 256; ++i) {
            lower[static_cast<std::size_t>(i)] = static_cast<char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
            upper[static_cast<std::size_t>(i)] = static_cast<char>(i >= 'a' && i <= 'z' ? i - 32 : i);
        }
    }
};
constexpr CaseTables kCase;

// The position of `c` in text[from, length), or length.
std::size_t find(const char* text, std::size_t from, std::size_t length, char c) {
    if (from >= length) return length;
    const void* found = std::memchr(text + from, c, length - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text) : length;
}

// The position of "-->" in text[from, length), or length.
std::size_t findCommentEnd(const char* text, std::size_t from, std::size_t length) {
    while (from + 3 <= length) {
        const std::size_t dash = find(text, from, length - 2, '-');
        if (dash + 3 > length) break;
        if (text[dash + 1] == '-' && text[dash + 2] == '>') return dash;
        from = dash + 1;
    }
    return length;
}

bool isQuote(char c) { return c == '"' || c == '\''; }

bool commentStartsAt(const char* text, std::size_t at, std::size_t length) {
    return at + 3 < length && text[at + 1] == '!' && text[at + 2] == '-' && text[at + 3] == '-';
}

}  // namespace

std::string_view lineEnd(int fileType) {
    switch (fileType) {
        case 0: return "\r\n";
        case 1: return "\r";
        default: return "\n";
    }
}

std::string backupName(std::string_view document) {
    const std::size_t slash = document.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = document.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot >= nameStart;
    std::string backup(hasExtension ? document.substr(0, dot) : document);
    backup += ".bak";
    return backup;
}

// ---------------------------------------------------------------------------------------------
// Case conversion

CaseConverter::CaseConverter(bool upper) : upper_(upper) {}

void CaseConverter::reset() {
    inTag_ = false;
    converting_ = false;
    openQuote_ = 'x';
    inComment_ = false;
    inDeclaration_ = false;
}

void CaseConverter::convertLine(char* text, std::size_t length) {
    const std::array<char, 256>& table = upper_ ? kCase.upper : kCase.lower;
    std::size_t i = 0;
    while (i < length) {
        if (inComment_) {
            const std::size_t end = findCommentEnd(text, i, length);
            if (end == length) return;
            inComment_ = false;
            i = end + 3;
        } else if (inDeclaration_) {
            const std::size_t end = find(text, i, length, '>');
            if (end == length) return;
            inDeclaration_ = false;
            i = end + 1;
        } else if (inTag_ && !converting_) {
            // A quoted value: passed over up to the quote that opened it.
            const std::size_t end = find(text, i, length, openQuote_);
            if (end == length) return;
            converting_ = true;
            openQuote_ = 'x';
            i = end + 1;
        } else if (inTag_) {
            for (; i < length; ++i) {
                const char c = text[i];
                if (c == '>') {
                    inTag_ = false;
                    ++i;
                    break;
                }
                if (isQuote(c)) {
                    converting_ = false;
                    openQuote_ = c;
                    ++i;
                    break;
                }
                text[i] = table[static_cast<unsigned char>(c)];
            }
        } else {
            const std::size_t open = find(text, i, length, '<');
            if (open == length) return;
            if (commentStartsAt(text, open, length)) {
                inComment_ = true;
                i = open + 4;
            } else if (open + 1 < length && text[open + 1] == '!') {
                inDeclaration_ = true;
                i = open + 2;
            } else {
                inTag_ = true;
                converting_ = true;
                i = open + 1;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Strip

void TagStripper::reset() {
    tagOpen_ = false;
    inComment_ = false;
    insideQuotes_ = false;
    openQuote_ = 'x';
}

// The kept text is moved down to the write position as the line is read. Nothing of an open tag
// is kept, so ending a tag, cutting the line at its start, or dropping it for a new "<" never
// has to take back what was written.
std::size_t TagStripper::stripLine(char* text, std::size_t length) {
    std::size_t read = 0;
    std::size_t write = 0;
    while (read < length) {
        if (!tagOpen_) {
            const std::size_t open = find(text, read, length, '<');
            if (write != read) std::memmove(text + write, text + read, open - read);
            write += open - read;
            read = open;
            if (open == length) break;
            tagOpen_ = true;
            if (commentStartsAt(text, open, length)) {
                inComment_ = true;
                read = open + 4;
            } else {
                read = open + 1;
            }
        } else if (inComment_) {
            // Only "-->" ends a comment; its ">" then ends the tag that "<!--" opened.
            const std::size_t end = findCommentEnd(text, read, length);
            if (end == length) break;
            inComment_ = false;
            read = end + 2;
        } else if (insideQuotes_) {
            const std::size_t end = find(text, read, length, openQuote_);
            if (end == length) break;
            insideQuotes_ = false;
            openQuote_ = 'x';
            read = end + 1;
        } else {
            for (; read < length; ++read) {
                const char c = text[read];
                if (isQuote(c)) {
                    insideQuotes_ = true;
                    openQuote_ = c;
                    ++read;
                    break;
                }
                if (c == '>') {
                    tagOpen_ = false;
                    ++read;
                    break;
                }
                if (c == '<') {
                    // A new tag before this one ended: what this one held is dropped and the
                    // "<" is read again as the start of the new tag.
                    tagOpen_ = false;
                    break;
                }
            }
        }
    }
    return write;
}

}  // namespace tools
