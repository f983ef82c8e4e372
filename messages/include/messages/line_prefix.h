// The prefix of each line the report lists.
#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace messages {

// The prefix of a listed line, its number right-aligned in four columns and ": ", for lines
// listed one after another. It is kept in two pieces: the head, the number without its last
// two digits (two columns at least), which changes once every hundred lines; and the tail,
// those two digits and ": ", taken from a table. Counting up writes nothing but a counter, so
// that a writer copying the prefix right after never reads bytes just written.
class LinePrefix {
public:
    // Bytes readable from head(): a writer may copy that many and keep headSize() when it is
    // no more (any line number is).
    static constexpr std::size_t kHeadBytes = 16;

    explicit LinePrefix(long long number) : number_(number) { startHundred(); }

    // The whole prefix, put together.
    std::string_view view() {
        std::memcpy(text_, head_, sizeof head_);
        std::memcpy(text_ + headSize_, tail(), 4);
        return {text_, headSize_ + 4};
    }
    const char* head() const { return head_; }
    std::size_t headSize() const { return headSize_; }
    // Four bytes: the last two digits (a blank for a number below ten) and ": ".
    const char* tail() const {
        return number_ < 10 ? kTails[100 + lastTwo_].data() : kTails[lastTwo_].data();
    }
    void next() {
        ++number_;
        if (++lastTwo_ == 100) startHundred();
    }

private:
    // "00: " to "99: ", then " 0: " to " 9: " for the numbers below ten.
    static constexpr std::array<std::array<char, 4>, 110> kTails = [] {
        std::array<std::array<char, 4>, 110> tails{};
        for (int i = 0; i < 110; ++i) {
            const int value = i % 100;
            tails[static_cast<std::size_t>(i)] = {
                i >= 100 ? ' ' : static_cast<char>('0' + value / 10),
                static_cast<char>('0' + value % 10), ':', ' '};
        }
        return tails;
    }();

    void startHundred() {
        lastTwo_ = static_cast<int>(number_ % 100);
        const long long hundreds = number_ / 100;
        std::memset(head_, ' ', sizeof head_);
        if (hundreds == 0) {
            headSize_ = 2;
            return;
        }
        char digits[24];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, hundreds);
        (void)ec;
        const auto count = static_cast<std::size_t>(end - digits);
        headSize_ = std::max<std::size_t>(count, 2);
        std::memcpy(head_ + headSize_ - count, digits, count);
    }

    long long number_;
    int lastTwo_ = 0;
    std::size_t headSize_ = 2;
    char head_[kHeadBytes + 16];
    char text_[sizeof head_ + 4];
};

}  // namespace messages
