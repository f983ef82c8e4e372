#include "clean_tags.h"

#include <algorithm>
#include <cstring>

#include "config/text_utils.h"

namespace engine {

// Eight bytes at a time, multiplied and rotated; the last word is read overlapping the one
// before it, so no byte outside the text is read.
std::uint64_t CleanTags::hashOf(std::string_view text) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    std::uint64_t hash = text.size() * kMultiplier;
    const char* p = text.data();
    std::size_t n = text.size();
    auto take = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    };
    if (n >= 8) {
        for (; n > 8; p += 8, n -= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            take(word);
        }
        std::uint64_t word;
        std::memcpy(&word, p + n - 8, 8);
        take(word);
    } else {
        std::uint64_t word = 0;
        if (n > 0) std::memcpy(&word, p, n);
        take(word);
    }
    // The product carries a change in a high byte only upwards: the finish spreads every bit
    // over the low ones that pick the slot, as texts often differ in one digit of a word.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ULL;
    hash ^= hash >> 33;
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
    if (text.empty() || !text::isAsciiLetter(text.front())) return false;
    const char last = text.back();
    return !text::isBlank(last) && last != '/' &&
           text.find_first_of("<[") == std::string_view::npos;
}

bool CleanTags::sameEntries(const Tag& tag, const std::vector<int>& entries) const {
    return tag.entryCount == entries.size() &&
           std::equal(entries.begin(), entries.end(), entries_.begin() + tag.entriesOffset);
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

}  // namespace engine
