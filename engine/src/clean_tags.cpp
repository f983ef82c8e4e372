#include "clean_tags.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "config/slot_table.h"
#include "config/text_utils.h"

namespace engine {

// Sixteen bytes at a time in two lanes of eight, each word mixed into its lane by an exclusive
// or and a multiplication by an odd constant (which loses nothing of what the lane held): the
// two lanes' multiplications run side by side. The last sixteen (or eight) bytes are read
// overlapping those before them, so no byte outside the text is read.
std::uint64_t CleanTags::hashOf(std::string_view text) {
    constexpr std::uint64_t kFirst = 0x9E3779B97F4A7C15ULL;
    constexpr std::uint64_t kSecond = 0xC2B2AE3D27D4EB4FULL;
    const char* p = text.data();
    std::size_t n = text.size();
    auto word = [](const char* at) {
        std::uint64_t value;
        std::memcpy(&value, at, 8);
        return value;
    };
    std::uint64_t a = n * kFirst;
    std::uint64_t b = ~n;
    if (n >= 16) {
        for (; n > 16; p += 16, n -= 16) {
            a = (a ^ word(p)) * kFirst;
            b = (b ^ word(p + 8)) * kSecond;
        }
        a = (a ^ word(p + n - 16)) * kFirst;
        b = (b ^ word(p + n - 8)) * kSecond;
    } else if (n >= 8) {
        a = (a ^ word(p)) * kFirst;
        b = (b ^ word(p + n - 8)) * kSecond;
    } else {
        std::uint64_t value = 0;
        if (n > 0) std::memcpy(&value, p, n);
        a = (a ^ value) * kFirst;
    }
    // A product carries a change in a high byte only upwards: the finish spreads every bit
    // over the low ones that pick the slot, as texts often differ in one digit of a word.
    std::uint64_t hash = a ^ std::rotl(b, 31);
    hash ^= hash >> 32;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 29;
    return hash;
}

std::size_t CleanTags::slotOf(std::string_view text, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t check = checkOf(hash);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot& held = slots_[slot];
        if (held.check == 0) return slot;
        if (held.check != check) continue;
        const Tag& tag = tags_[held.index];
        if (tag.textLength == text.size() &&
            std::memcmp(bytes_.data() + tag.textOffset, text.data(), text.size()) == 0) {
            return slot;
        }
    }
}

CleanTags::Found CleanTags::find(std::string_view text) const {
    if (text.size() > kMaxTextLength) return {nullptr, 0};
    const std::uint64_t hash = hashOf(text);
    // Most texts are met once: remember() looks at their seen slot after the tag has been read
    // and checked, by when the slot is in the cache.
    if (!seen_.empty()) __builtin_prefetch(&seen_[hash & (seen_.size() - 1)]);
    if (tags_.empty()) return {nullptr, hash};
    const Slot& held = slots_[slotOf(text, hash)];
    return {held.check == 0 ? nullptr : &tags_[held.index], hash};
}

bool CleanTags::takenWhole(std::string_view text) {
    return endsTakenWhole(text) && std::memchr(text.data(), '<', text.size()) == nullptr &&
           std::memchr(text.data(), '[', text.size()) == nullptr;
}

bool CleanTags::sameEntries(const Tag& tag, const std::vector<int>& entries) const {
    return sameEntryIds(entries, entries_.data() + tag.entriesOffset, tag.entryCount);
}

void CleanTags::remember(std::string_view text, std::uint64_t hash, std::string_view name,
                         const std::vector<int>& entries) {
    if (text.size() > kMaxTextLength || tags_.size() >= kMaxTexts ||
        bytes_.size() + text.size() > kMaxBytes) {
        return;
    }
    if (seen_.empty()) seen_.assign(seenSlots_, 0);
    std::uint32_t& seen = seen_[hash & (seen_.size() - 1)];
    if (seen != checkOf(hash)) {
        seen = checkOf(hash);
        return;
    }
    if ((tags_.size() + 1) * 2 > slots_.size()) grow();
    const std::size_t slot = slotOf(text, hash);
    if (slots_[slot].check != 0) return;
    tags_.push_back({static_cast<std::uint32_t>(bytes_.size()),
                     static_cast<std::uint32_t>(text.size()),
                     static_cast<std::uint32_t>(name.data() - text.data()),
                     static_cast<std::uint32_t>(name.size()),
                     static_cast<std::uint32_t>(entries_.size()),
                     static_cast<std::uint32_t>(entries.size()), hash, takenWhole(text)});
    bytes_.append(text);
    entries_.insert(entries_.end(), entries.begin(), entries.end());
    slots_[slot] = {checkOf(hash), static_cast<std::uint32_t>(tags_.size() - 1)};
}

void CleanTags::grow() {
    std::vector<Slot> slots(slots_.empty() ? 256 : slots_.size() * 2, Slot{0, 0});
    const std::size_t mask = slots.size() - 1;
    for (std::size_t index = 0; index < tags_.size(); ++index) {
        std::size_t slot = tags_[index].hash & mask;
        while (slots[slot].check != 0) slot = (slot + 1) & mask;
        slots[slot] = {checkOf(tags_[index].hash), static_cast<std::uint32_t>(index)};
    }
    slots_ = std::move(slots);
}

namespace {

// Up to eight bytes of a name in one word, with its length: names of up to eight bytes whole,
// longer ones by their first and last eight (a hash only has to tell most shapes apart).
std::uint64_t nameWord(std::string_view name) {
    const char* p = name.data();
    const std::size_t n = name.size();
    std::uint64_t word = 0;
    if (n >= 8) {
        std::uint64_t last;
        std::memcpy(&word, p, 8);
        std::memcpy(&last, p + n - 8, 8);
        word ^= std::rotl(last, 23);
    } else if (n >= 4) {
        std::uint32_t first;
        std::uint32_t last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        word = first | std::uint64_t{last} << 32;
    } else if (n > 0) {
        word = static_cast<unsigned char>(p[0]) |
               static_cast<std::uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
               static_cast<std::uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16;
    }
    return word ^ static_cast<std::uint64_t>(n) << 56;
}

}  // namespace

const int* CleanShapes::find(const std::vector<int>& entries, const Attribute* attributes,
                             std::size_t count) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    auto take = [](std::uint64_t hash, std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        return hash ^ (hash >> 29);
    };
    std::uint64_t hash = (entries.size() << 8 | count) * kMultiplier;
    for (int entry : entries) hash = take(hash, static_cast<std::uint32_t>(entry));
    for (std::size_t i = 0; i < count; ++i) {
        hash = take(hash, nameWord(attributes[i].name) ^ std::uint64_t{attributes[i].form} << 48);
    }
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash_ = hash ^ (hash >> 33);
    found_ = false;
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (slot_ = hash_ & mask; slots_[slot_] != 0; slot_ = (slot_ + 1) & mask) {
        const Shape& shape = shapes_[slots_[slot_] - 1];
        if (shape.hash == hash_ && matches(shape, entries, attributes, count)) {
            found_ = true;
            return ints_.data() + shape.entriesOffset + shape.entryCount;
        }
    }
    return nullptr;
}

bool CleanShapes::matches(const Shape& shape, const std::vector<int>& entries,
                          const Attribute* attributes, std::size_t count) const {
    if (shape.entryCount != entries.size() || shape.attributeCount != count) return false;
    const int* held = ints_.data() + shape.entriesOffset;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (held[i] != entries[i]) return false;
    }
    const Stored* stored = attributes_.data() + shape.attributesOffset;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = attributes[i].name;
        if (stored[i].form != attributes[i].form || stored[i].nameLength != name.size() ||
            std::memcmp(names_.data() + stored[i].nameOffset, name.data(), name.size()) != 0) {
            return false;
        }
    }
    return true;
}

void CleanShapes::remember(const std::vector<int>& entries, const Attribute* attributes,
                           std::size_t count, const std::vector<int>& acceptedBy) {
    if (found_) return;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (attributes[i].name.size() > UINT8_MAX) return;
        bytes += attributes[i].name.size();
    }
    if (shapes_.size() >= kMaxShapes || names_.size() + bytes > kMaxBytes) return;
    if ((shapes_.size() + 1) * 2 > slots_.size()) {
        slots_ = config::grownSlots(slots_, 256, shapes_.size(),
                                    [this](std::size_t index) { return shapes_[index].hash; });
        // The slot find() stopped at was one of the old slots.
        const std::size_t mask = slots_.size() - 1;
        slot_ = hash_ & mask;
        while (slots_[slot_] != 0) slot_ = (slot_ + 1) & mask;
    }
    shapes_.push_back({hash_, static_cast<std::uint32_t>(ints_.size()),
                       static_cast<std::uint32_t>(entries.size()),
                       static_cast<std::uint32_t>(attributes_.size()),
                       static_cast<std::uint32_t>(count)});
    ints_.insert(ints_.end(), entries.begin(), entries.end());
    ints_.insert(ints_.end(), acceptedBy.begin(), acceptedBy.end());
    for (std::size_t i = 0; i < count; ++i) {
        attributes_.push_back({static_cast<std::uint32_t>(names_.size()),
                               static_cast<std::uint8_t>(attributes[i].name.size()),
                               attributes[i].form});
        names_.append(attributes[i].name);
    }
    slots_[slot_] = static_cast<std::uint32_t>(shapes_.size());
}

}  // namespace engine
