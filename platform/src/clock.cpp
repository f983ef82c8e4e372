#include "platform/clock.h"

#include <array>
#include <cwchar>

namespace platform {
namespace {

// Appends the UTF-8 form of one character; what is no character (a lone surrogate, a value
// past U+10FFFF) becomes U+FFFD.
void appendUtf8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Formats `when` as local time with the strftime `picture` under the process's LC_TIME locale,
// in UTF-8 whatever the locale's own character set: the names of days and months are taken as
// characters (wcsftime) and encoded here, so that "février" under a Latin-1 locale does not
// put a Latin-1 byte among the UTF-8 texts of a report or log.
std::optional<std::string> formatLocal(std::time_t when, const wchar_t* picture) {
    std::tm local{};
    if (!localtime_r(&when, &local)) return std::nullopt;
    std::array<wchar_t, 512> text{};
    const std::size_t length = std::wcsftime(text.data(), text.size(), picture, &local);
    // Neither picture can yield an empty text, so 0 means the text did not fit or failed.
    if (length == 0) return std::nullopt;
    std::string utf8;
    utf8.reserve(length);
    for (std::size_t i = 0; i < length; ++i) appendUtf8(utf8, static_cast<char32_t>(text[i]));
    return utf8;
}

}  // namespace

std::time_t SystemClock::now() const { return std::time(nullptr); }

std::optional<std::string> SystemClock::longDate(std::time_t when) const {
    return formatLocal(when, L"%A, %B %d, %Y");
}

std::optional<std::string> SystemClock::defaultTime(std::time_t when) const {
    return formatLocal(when, L"%X");
}

}  // namespace platform
