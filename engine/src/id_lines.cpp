#include "id_lines.h"

#include <cstring>

#include "config/slot_table.h"

namespace engine {

std::uint64_t IdLines::hashOf(std::string_view value) {
    // FNV-1a, finished so that every byte reaches the low bits that pick the slot.
    std::uint64_t hash = 14695981039346656037ULL;
    for (char c : value) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    return hash;
}

int IdLines::firstLineOr(std::string_view value, int line) {
    if ((ids_.size() + 1) * 2 > slots_.size()) grow();
    const std::uint64_t hash = hashOf(value);
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
        const Id& id = ids_[slots_[slot] - 1];
        if (id.hash == hash && id.length == value.size() &&
            std::memcmp(bytes_.data() + id.offset, value.data(), value.size()) == 0) {
            return id.line;
        }
    }
    ids_.push_back({hash, bytes_.size(), static_cast<std::uint32_t>(value.size()), line});
    bytes_.append(value);
    slots_[slot] = static_cast<std::uint32_t>(ids_.size());
    return 0;
}

void IdLines::grow() {
    slots_ = config::grownSlots(slots_, 256, ids_.size(),
                                [this](std::size_t index) { return ids_[index].hash; });
}

void IdLines::clear() {
    bytes_.clear();
    ids_.clear();
    slots_.clear();
}

}  // namespace engine
