// A table of names compared without regard to ASCII case, each given a small number in the
// order it was added. Looking a name up folds its case while hashing and comparing, so that a
// look-up builds no string and allocates nothing; the engine uses it for the tag and attribute
// names of a document, looked up once per tag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace config {

class FoldedNames {
public:
    // The number of `name` (any spelling), or -1 when it was never added.
    int find(std::string_view name) const;
    // The number of `name`, added when it is new; `second` is true when it was added.
    std::pair<int, bool> insert(std::string_view name);
    // The name with the number `number`, lower-cased.
    std::string_view name(int number) const {
        const Span& span = spans_[static_cast<std::size_t>(number)];
        return std::string_view(bytes_).substr(span.offset, span.length);
    }
    int size() const { return static_cast<int>(spans_.size()); }
    void clear();

private:
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t hash;
    };
    static std::uint32_t hashOf(std::string_view name);
    // The slot that holds `name`, or the empty slot where it belongs.
    std::size_t slotOf(std::string_view name, std::uint32_t hash) const;
    void grow();

    std::string bytes_;        // every name, lower-cased, one after another
    std::vector<Span> spans_;  // by number
    // Open addressing with linear probing: number + 1 in each used slot, 0 in an empty one.
    // The table is kept at most half full, so that a probe ends after a few slots.
    std::vector<std::uint32_t> slots_;
};

}  // namespace config
