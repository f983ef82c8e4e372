#include "config/folded_names.h"

#include "config/slot_table.h"
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
    slots_ = grownSlots(slots_, 64, spans_.size(),
                        [this](std::size_t number) { return spans_[number].hash; });
}

void FoldedNames::clear() {
    bytes_.clear();
    spans_.clear();
    slots_.clear();
}

}  // namespace config
