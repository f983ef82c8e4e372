// The id values given in a document, each with the line of the tag that gave it first. The
// values are kept one after another in one buffer and found through an open-addressing table,
// so that a page of many ids costs no allocation per id.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class IdLines {
public:
    // The line recorded for `value`; when there is none, `line` is recorded and 0 returned.
    int firstLineOr(std::string_view value, int line);
    // Fetches the slot where `value` is looked for first into the cache, ahead of the look-up.
    void prefetch(std::string_view value) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[hashOf(value) & (slots_.size() - 1)]);
    }
    void clear();

private:
    struct Id {
        std::uint64_t hash;
        std::size_t offset;
        std::uint32_t length;
        int line;
    };
    static std::uint64_t hashOf(std::string_view value);
    void grow();

    std::string bytes_;
    std::vector<Id> ids_;
    std::vector<std::uint32_t> slots_;  // index + 1, 0 for an empty slot; at most half full
};

}  // namespace engine
