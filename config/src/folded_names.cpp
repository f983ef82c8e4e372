#include "config/folded_names.h"

#include "config/text_utils.h"

namespace config {

std::uint32_t FoldedNames::hashOf(std::string_view name) {
    // FNV-1a over the lower-cased bytes.
    std::uint32_t hash = 2166136261u;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(text::toLowerAscii(c));
        hash *= 16777619u;
    }
    return hash;
}

std::size_t FoldedNames::slotOf(std::string_view name, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t held = slots_[slot];
        if (held == 0) return slot;
        const Span& span = spans_[held - 1];
        if (span.hash != hash || span.length != name.size()) continue;
        const char* stored = bytes_.data() + span.offset;
        std::size_t i = 0;
        while (i < name.size() && stored[i] == text::toLowerAscii(name[i])) ++i;
        if (i == name.size()) return slot;
    }
}

int FoldedNames::find(std::string_view name) const {
    if (slots_.empty()) return -1;
    return static_cast<int>(slots_[slotOf(name, hashOf(name))]) - 1;
}

std::pair<int, bool> FoldedNames::insert(std::string_view name) {
    if ((spans_.size() + 1) * 2 > slots_.size()) grow();
    const std::uint32_t hash = hashOf(name);
    const std::size_t slot = slotOf(name, hash);
    if (slots_[slot] != 0) return {static_cast<int>(slots_[slot]) - 1, false};
    const auto offset = static_cast<std::uint32_t>(bytes_.size());
    for (char c : name) bytes_.push_back(text::toLowerAscii(c));
    spans_.push_back({offset, static_cast<std::uint32_t>(name.size()), hash});
    slots_[slot] = static_cast<std::uint32_t>(spans_.size());
    return {static_cast<int>(spans_.size()) - 1, true};
}

void FoldedNames::grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 64 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t number = 0; number < spans_.size(); ++number) {
        std::size_t slot = spans_[number].hash & mask;
        while (slots[slot] != 0) slot = (slot + 1) & mask;
        slots[slot] = static_cast<std::uint32_t>(number + 1);
    }
    slots_ = std::move(slots);
}

void FoldedNames::clear() {
    bytes_.clear();
    spans_.clear();
    slots_.clear();
}

}  // namespace config
