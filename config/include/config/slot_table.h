// The slots of the open-addressing tables of names and texts (linear probing): each used slot
// holds an entry's index + 1, an empty one 0. The tables keep their slots at most half full and
// make them anew, twice as many, as they grow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace config {

// Slots for the `count` entries whose hashes `hashOf(index)` gives: twice as many as `slots`
// holds now, or `initial` for a table without slots yet.
template <typename HashOf>
std::vector<std::uint32_t> grownSlots(const std::vector<std::uint32_t>& slots,
                                      std::size_t initial, std::size_t count, HashOf&& hashOf) {
    std::vector<std::uint32_t> grown(slots.empty() ? initial : slots.size() * 2, 0);
    const std::size_t mask = grown.size() - 1;
    for (std::size_t index = 0; index < count; ++index) {
        std::size_t slot = static_cast<std::size_t>(hashOf(index)) & mask;
        while (grown[slot] != 0) slot = (slot + 1) & mask;
        grown[slot] = static_cast<std::uint32_t>(index + 1);
    }
    return grown;
}

}  // namespace config
