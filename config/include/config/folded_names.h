// A table of names compared without regard to ASCII case, each given a small number in the
// order it was added. Looking a name up folds its case while hashing and comparing, so that a
// look-up builds no string and allocates nothing; the engine uses it for the tag and attribute
// names of a document, looked up several times per tag.
//
// Names are read eight bytes at a time and folded eight at a time; a name of at most eight
// bytes (nearly every tag and attribute name) is then one number, which is hashed and
// compared in a few instructions.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace config {

class FoldedNames {
public:
    // The number of `name` (any spelling), or -1 when it was never added.
    int find(std::string_view name) const {
        if (slots_.empty()) return -1;
        const Key key = keyOf(name);
        return static_cast<int>(slots_[slotOf(name, key)]) - 1;
    }
    // The number of `name`, added when it is new; `second` is true when it was added.
    std::pair<int, bool> insert(std::string_view name) {
        if ((spans_.size() + 1) * 2 > slots_.size()) grow();
        const Key key = keyOf(name);
        const std::size_t slot = slotOf(name, key);
        if (slots_[slot] != 0) return {static_cast<int>(slots_[slot]) - 1, false};
        return {add(name, key, slot), true};
    }
    // The name with the number `number`, lower-cased.
    std::string_view name(int number) const {
        const Span& span = spans_[static_cast<std::size_t>(number)];
        return std::string_view(bytes_).substr(span.offset, span.length);
    }
    int size() const { return static_cast<int>(spans_.size()); }
    void clear();

    // The eight bytes of `word` with the ASCII capitals made small letters; other bytes,
    // those above 127 among them, stay as they are.
    static std::uint64_t foldWord(std::uint64_t word) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
        constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
        const std::uint64_t low = word & kLow7;
        const std::uint64_t atLeastA = low + 0x3F3F3F3F3F3F3F3FULL;  // bit 7 set from 'A' on
        const std::uint64_t pastZ = low + 0x2525252525252525ULL;     // bit 7 set from '[' on
        const std::uint64_t capital = atLeastA & ~pastZ & ~word & kHigh;
        return word | (capital >> 2);
    }

    // The first min(size, 8) bytes of `name` as a number, byte 0 lowest, zero-padded; loads
    // that overlap read no byte outside the name.
    static std::uint64_t headOf(std::string_view name) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(name.data());
        const std::size_t n = name.size();
        if (n >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            return word;
        }
        if (n >= 4) {
            std::uint32_t low;
            std::uint32_t high;
            std::memcpy(&low, p, 4);
            std::memcpy(&high, p + n - 4, 4);
            return low | static_cast<std::uint64_t>(high) << ((n - 4) * 8);
        }
        if (n == 0) return 0;
        return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[n / 2]) << (n / 2 * 8) |
               static_cast<std::uint64_t>(p[n - 1]) << ((n - 1) * 8);
    }
private:
    struct Key {
        std::uint64_t head;  // the first eight bytes folded, zero-padded
        std::uint32_t hash;
    };
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t hash;
        std::uint64_t head;
    };

    static std::uint32_t mix(std::uint64_t value) {
        value *= 0x9E3779B97F4A7C15ULL;
        return static_cast<std::uint32_t>(value >> 32);
    }
    static Key keyOf(std::string_view name) {
        const std::uint64_t head = foldWord(headOf(name));
        if (name.size() <= 8) return {head, mix(head ^ name.size())};
        return {head, longHash(name, head)};
    }
    static std::uint32_t longHash(std::string_view name, std::uint64_t head);
    // Whether the stored name of `span` is `name` without regard to case; the heads are equal.
    bool sameTail(const Span& span, std::string_view name) const;

    // The slot that holds `name`, or the empty slot where it belongs.
    std::size_t slotOf(std::string_view name, const Key& key) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = key.hash & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t held = slots_[slot];
            if (held == 0) return slot;
            const Span& span = spans_[held - 1];
            if (span.head != key.head || span.length != name.size()) continue;
            if (name.size() <= 8 || sameTail(span, name)) return slot;
        }
    }
    int add(std::string_view name, const Key& key, std::size_t slot);
    void grow();

    std::string bytes_;        // every name, lower-cased, one after another
    std::vector<Span> spans_;  // by number
    // Open addressing with linear probing: number + 1 in each used slot, 0 in an empty one.
    // The table is kept at most half full, so that a probe ends after a few slots.
    std::vector<std::uint32_t> slots_;
};

}  // namespace config
