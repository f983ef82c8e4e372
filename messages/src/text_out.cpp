#include "messages/text_out.h"

#include <vector>

#include "config/text_utils.h"

namespace messages {

bool wrapText(TextOut& out, std::string_view text, int width) {
    if (width < 1) return false;
    if (text.empty()) return true;

    // Byte offsets of the characters of the text, so that breaks fall between characters.
    std::vector<std::size_t> starts;
    starts.reserve(text.size() + 1);
    for (std::size_t pos = 0; pos < text.size(); pos += text::characterLength(text, pos)) {
        starts.push_back(pos);
    }
    const std::size_t count = starts.size();
    starts.push_back(text.size());
    const std::size_t w = static_cast<std::size_t>(width);

    std::size_t start = 0;  // index of the first character of the remaining text
    while (start < count) {
        if (count - start <= w) {
            out.write(text.substr(starts[start]));
            out.put('\n');
            break;
        }
        std::size_t blank = start + w;
        while (blank > start && !text::isBlank(text[starts[blank]])) --blank;
        if (text::isBlank(text[starts[blank]])) {
            out.write(text.substr(starts[start], starts[blank] - starts[start]));
            out.put('\n');
            start = blank + 1;
        } else {
            out.write(text.substr(starts[start], starts[start + w] - starts[start]));
            out.put('\n');
            start += w;
        }
    }
    return true;
}

}  // namespace messages
