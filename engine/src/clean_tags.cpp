#include "clean_tags.h"

#include <algorithm>
#include <cstring>

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
    return hash;
}

std::size_t CleanTags::slotOf(std::string_view text, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t held = slots_[slot];
        if (held == 0) return slot;
        const Tag& tag = tags_[held - 1];
        if (tag.hash == hash && tag.textLength == text.size() &&
            std::memcmp(bytes_.data() + tag.textOffset, text.data(), text.size()) == 0) {
            return slot;
        }
    }
}

const CleanTags::Tag* CleanTags::find(std::string_view text) const {
    if (tags_.empty() || text.size() > kMaxTextLength) return nullptr;
    const std::uint32_t held = slots_[slotOf(text, hashOf(text))];
    return held == 0 ? nullptr : &tags_[held - 1];
}

bool CleanTags::sameEntries(const Tag& tag, const std::vector<int>& entries) const {
    return tag.entryCount == entries.size() &&
           std::equal(entries.begin(), entries.end(), entries_.begin() + tag.entriesOffset);
}

void CleanTags::remember(std::string_view text, std::string_view name,
                         const std::vector<int>& entries) {
    if (text.size() > kMaxTextLength || tags_.size() >= kMaxTexts ||
        bytes_.size() + text.size() > kMaxBytes) {
        return;
    }
    if ((tags_.size() + 1) * 2 > slots_.size()) grow();
    const std::uint64_t hash = hashOf(text);
    const std::size_t slot = slotOf(text, hash);
    if (slots_[slot] != 0) return;
    tags_.push_back({static_cast<std::uint32_t>(bytes_.size()),
                     static_cast<std::uint32_t>(text.size()),
                     static_cast<std::uint32_t>(name.data() - text.data()),
                     static_cast<std::uint32_t>(name.size()),
                     static_cast<std::uint32_t>(entries_.size()),
                     static_cast<std::uint32_t>(entries.size()), hash});
    bytes_.append(text);
    entries_.insert(entries_.end(), entries.begin(), entries.end());
    slots_[slot] = static_cast<std::uint32_t>(tags_.size());
}

void CleanTags::grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 256 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t index = 0; index < tags_.size(); ++index) {
        std::size_t slot = tags_[index].hash & mask;
        while (slots[slot] != 0) slot = (slot + 1) & mask;
        slots[slot] = static_cast<std::uint32_t>(index + 1);
    }
    slots_ = std::move(slots);
}

}  // namespace engine
