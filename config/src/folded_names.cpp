#include "config/folded_names.h"

#include "config/text_utils.h"

namespace config {

// Names past eight bytes (rare): every further byte folded into the hash of the head.
std::uint32_t FoldedNames::longHash(std::string_view name, std::uint64_t head) {
    std::uint64_t hash = head ^ (name.size() * 0x100000001B3ULL);
    for (std::size_t i = 8; i < name.size(); ++i) {
        hash = (hash ^ static_cast<unsigned char>(text::toLowerAscii(name[i]))) *
               0x100000001B3ULL;
    }
    return mix(hash);
}

bool FoldedNames::sameTail(const Span& span, std::string_view name) const {
    const char* stored = bytes_.data() + span.offset;
    for (std::size_t i = 8; i < name.size(); ++i) {
        if (stored[i] != text::toLowerAscii(name[i])) return false;
    }
    return true;
}

int FoldedNames::add(std::string_view name, const Key& key, std::size_t slot) {
    const auto offset = static_cast<std::uint32_t>(bytes_.size());
    for (char c : name) bytes_.push_back(text::toLowerAscii(c));
    spans_.push_back({offset, static_cast<std::uint32_t>(name.size()), key.hash, key.head});
    slots_[slot] = static_cast<std::uint32_t>(spans_.size());
    return static_cast<int>(spans_.size()) - 1;
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
