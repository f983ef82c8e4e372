#include "clean_patterns.h"

#include <algorithm>
#include <cstring>

#include "clean_tags.h"
#include "config/slot_table.h"
#include "config/text_utils.h"

namespace engine {
std::string_view CleanPatterns::Reading::value(std::string_view text, std::size_t i) const {
    const Attribute& attribute = attributes[i];
    return text::cutToField(text.substr(attribute.valueStart, attribute.valueLength),
                            kTagValueField);
}

// Read as TagReader::readTag() reads a plain opening tag: the name, then the attributes that
// its readPlainAttributes() reads (walkPlainAttributes()). Whatever they would leave to the
// general reading is no pattern.
bool CleanPatterns::read(std::string_view text, Reading& reading) {
    const std::size_t size = text.size();
    if (size > kMaxTextLength) return false;
    const char* const p = text.data();
    std::size_t start = 0;
    while (start < size && text::isBlank(p[start])) ++start;
    std::size_t end = start;
    while (end < size && !isTokenStop(p[end])) ++end;
    // A name, then a blank: a text that is one name is a bare tag.
    if (end == start || end == size || !text::isBlank(p[end])) return false;
    reading.nameStart = static_cast<std::uint32_t>(start);
    reading.nameEnd = static_cast<std::uint32_t>(end);
    char* const pattern = reading.bytes.data();
    std::size_t length = 0;
    std::size_t kept = 0;  // the text from here on is the pattern's
    std::size_t count = 0;
    const bool plain = walkPlainAttributes(text, end, [&](const PlainAttribute& plain) {
        Reading::Attribute& attribute = reading.attributes[count++];
        attribute.nameStart = static_cast<std::uint32_t>(plain.nameStart);
        attribute.valueStart = static_cast<std::uint32_t>(plain.valueStart);
        attribute.valueLength = static_cast<std::uint32_t>(plain.valueEnd - plain.valueStart);
        attribute.quoteKind = static_cast<std::uint8_t>(plain.quoteKind);
        attribute.hasValue = plain.hasValue;
        if (plain.quoteKind != 0) {
            // The pattern keeps both quotes and leaves out what stands between them.
            std::memcpy(pattern + length, p + kept, plain.valueStart - kept);
            length += plain.valueStart - kept;
            kept = plain.valueEnd;
        }
    });
    if (!plain || count == 0) return false;
    std::memcpy(pattern + length, p + kept, size - kept);
    length += size - kept;
    reading.length = static_cast<std::uint32_t>(length);
    reading.count = static_cast<std::uint32_t>(count);
    reading.hash = CleanTags::hashOf(reading.pattern());
    return true;
}

std::size_t CleanPatterns::slotOf(const Reading& reading) const {
    const std::size_t mask = slots_.size() - 1;
    const std::string_view pattern = reading.pattern();
    for (std::size_t slot = reading.hash & mask;; slot = (slot + 1) & mask) {
        if (slots_[slot] == 0) return slot;
        const Pattern& held = patterns_[slots_[slot] - 1];
        if (held.hash == reading.hash && held.patternLength == pattern.size() &&
            std::memcmp(bytes_.data() + held.patternOffset, pattern.data(), pattern.size()) == 0) {
            return slot;
        }
    }
}

const CleanPatterns::Pattern* CleanPatterns::find(const Reading& reading) const {
    if (patterns_.empty()) return nullptr;
    const std::uint32_t held = slots_[slotOf(reading)];
    return held == 0 ? nullptr : &patterns_[held - 1];
}

bool CleanPatterns::sameEntries(const Pattern& pattern, const std::vector<int>& entries) const {
    return sameEntryIds(entries, ints_.data() + pattern.entriesOffset, pattern.entryCount);
}

void CleanPatterns::remember(const Reading& reading, const std::vector<int>& entries,
                             const int* acceptedBy, const int* needs, int idAttribute) {
    if (patterns_.size() >= kMaxPatterns || bytes_.size() + reading.length > kMaxBytes) {
        return;
    }
    if ((patterns_.size() + 1) * 2 > slots_.size()) {
        slots_ = config::grownSlots(slots_, 256, patterns_.size(),
                                    [this](std::size_t index) { return patterns_[index].hash; });
    }
    const std::size_t slot = slotOf(reading);
    if (slots_[slot] != 0) return;
    patterns_.push_back({reading.hash, static_cast<std::uint32_t>(bytes_.size()),
                         reading.length,
                         static_cast<std::uint32_t>(ints_.size()),
                         static_cast<std::uint32_t>(entries.size()), idAttribute});
    bytes_.append(reading.pattern());
    ints_.insert(ints_.end(), entries.begin(), entries.end());
    for (std::size_t i = 0; i < reading.count; ++i) {
        ints_.insert(ints_.end(), {acceptedBy[2 * i], acceptedBy[2 * i + 1], needs[i]});
    }
    slots_[slot] = static_cast<std::uint32_t>(patterns_.size());
}

}  // namespace engine
