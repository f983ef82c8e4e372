// The prefix of each line the report lists.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace messages {

// The prefix of a listed line, its number right-aligned in four columns and ": ", for lines
// listed one after another: the number is counted up in place as text.
class LinePrefix {
public:
    explicit LinePrefix(long long number) {
        std::memset(text_, ' ', sizeof text_);
        char digits[24];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
        (void)ec;
        const auto count = static_cast<std::size_t>(end - digits);
        std::memcpy(text_ + kColon - count, digits, count);
        first_ = kColon - count;
        text_[kColon] = ':';
    }
    // The prefix's bytes, and at least 32 bytes readable from its start.
    const char* data() const { return text_ + std::min(first_, kColon - 4); }
    std::string_view view() const {
        const std::size_t start = std::min(first_, kColon - 4);
        return {text_ + start, kColon + 2 - start};
    }
    void next() {
        std::size_t at = kColon - 1;
        while (text_[at] == '9') text_[at--] = '0';
        if (text_[at] == ' ') {
            text_[at] = '1';
            first_ = at;
        } else {
            ++text_[at];
        }
    }

private:
    static constexpr std::size_t kColon = 24;
    char text_[kColon + 2 + 32];
    std::size_t first_;
};

}  // namespace messages
