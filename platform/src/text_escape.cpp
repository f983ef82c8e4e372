#include "platform/text_escape.h"

namespace platform {

std::string escapeControlBytes(std::string_view text, std::string_view kept) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte == 0x7F) && kept.find(c) == std::string_view::npos) {
            escaped += "\\x";
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace platform
