#include "open_tags.h"

#include <algorithm>

namespace engine {

void OpenTagStack::clear() {
    entries_.clear();
    keyNames_ = nullptr;
    keys_.fill(KeySlot{});
    std::fill(topOf_.begin(), topOf_.end(), kUnfolded);
    required_.clear();
    requiredRemoved_ = 0;
    live_ = 0;
}

void OpenTagStack::forgetNames() {
    clear();
    names_.clear();
    foldedIds_.clear();
    firstSpelling_.clear();
    topOf_.clear();
    std::fill(std::begin(recent_), std::end(recent_), Recent{});
}

// Where a tag was opened is kept as its offset in the document (offsetOf()), the line and
// column worked out again only for the records a message names.
messages::Position OpenTagStack::positionOf(std::uint32_t offset) const {
    if (offset == UINT32_MAX || document_.empty()) return {0, 0};
    const std::size_t index = document_.lineIndexAt(offset);
    return {static_cast<std::int32_t>(index + 1),
            static_cast<std::int32_t>(offset - document_.startOf(index) + 1)};
}

std::uint32_t OpenTagStack::foldAndRemember(std::string_view name, Recent& recent) {
    const auto [folded, added] = foldedIds_.insert(name);
    if (added) {
        topOf_.push_back(kUnfolded);
        firstSpelling_.push_back(kUnfolded);
    }
    if (name.size() <= 8) {
        recent = {headIfShort(name), static_cast<std::uint32_t>(name.size()),
                  static_cast<std::uint32_t>(folded)};
    }
    return static_cast<std::uint32_t>(folded);
}

// The spelling of a folded name other than its first, or a new one: kept out of push(), which
// seldom needs it.
[[gnu::noinline]] std::uint32_t OpenTagStack::spellingOf(std::string_view name,
                                                         std::uint32_t folded) {
    std::uint32_t id = firstSpelling_[folded];
    while (id != kUnfolded && !names_[id].is(name)) id = names_[id].next;
    if (id != kUnfolded) return id;
    id = static_cast<std::uint32_t>(names_.size());
    names_.push_back({std::string(name), folded, firstSpelling_[folded],
                      config::FoldedNames::headOf(name)});
    firstSpelling_[folded] = id;
    return id;
}

void OpenTagStack::setKeyNames(const std::vector<std::uint8_t>* keyNames) {
    keyNames_ = keyNames;
    keys_.fill(KeySlot{});
}

// The top's key when the stack did not follow it: looked for, and kept when found.
std::uint32_t OpenTagStack::lookForKeyTop(std::size_t steps) {
    const std::uint32_t found =
        topmostThat(steps, [this](std::uint32_t folded) { return isKey(folded); });
    noteKey(entries_.size() - 1, found);
    return found;
}

// After the record at `place` was removed from below the top: when its name is a key, the
// places from it up to the next live key record took their key from it, and take the key
// below it now; above that record nothing changed. Past the ring every key is forgotten, so
// that a removal costs at most as many steps as the ring has slots.
void OpenTagStack::rekeyFrom(std::size_t place) {
    if (!isKey(names_[entries_[place].spelling()].folded)) return;
    const std::size_t top = entries_.size() - 1;
    if (top - place >= kKeySlots) {
        keys_.fill(KeySlot{});
        return;
    }
    const std::uint32_t key = place == 0 ? kUnfolded : knownKey(place - 1);
    noteKey(place, key);
    for (std::size_t at = place + 1; at <= top; ++at) {
        const Entry& entry = entries_[at];
        if (!entry.removed() && isKey(names_[entry.spelling()].folded)) break;
        noteKey(at, key);
    }
}

void OpenTagStack::remove(long place) {
    const auto at = static_cast<std::size_t>(place);
    // Most closing tags close the topmost record.
    if (at + 1 == entries_.size()) {
        removeTop();
        return;
    }
    Entry& entry = entries_[at];
    const std::uint32_t folded = names_[entry.spelling()].folded;
    lastRemoved_ = {folded, entry.heldTags()};
    std::uint32_t& top = topOf_[folded];
    if (top == at) top = entry.below;
    entry.packed |= kRemoved;
    --live_;
    if (entry.closingRule() == kClosingRequired) {
        if (required_.back().place == at) {
            required_.pop_back();
        } else {
            ++requiredRemoved_;
        }
        dropRemovedRequired();
    }
    // A record removed from below the top stays, marked, until the records above it go; the
    // places that took their key from it take another.
    rekeyFrom(at);
}

// Records removed from the top leave no trace, so a well-nested document keeps the stack as
// small as its nesting; the keys of the places below stay as they were.
void OpenTagStack::removeTop() {
    const Entry entry = entries_.back();
    const std::uint32_t folded = names_[entry.spelling()].folded;
    lastRemoved_ = {folded, entry.heldTags()};
    topOf_[folded] = entry.below;
    --live_;
    entries_.pop_back();
    // A live record with a required closing tag is the last of the list when it is the top.
    if (entry.closingRule() == kClosingRequired) {
        required_.pop_back();
        dropRemovedRequired();
    }
    while (!entries_.empty() && entries_.back().removed()) entries_.pop_back();
}

// The removed records at the end of the list leave it; when the removed ones left inside it
// are half of it, they leave it too.
void OpenTagStack::dropRemovedRequired() {
    while (requiredRemoved_ > 0 && !required_.empty() &&
           entries_[required_.back().place].removed()) {
        required_.pop_back();
        --requiredRemoved_;
    }
    if (requiredRemoved_ * 2 > required_.size()) {
        required_.eraseIf([this](const Required& at) { return entries_[at.place].removed(); });
        requiredRemoved_ = 0;
    }
}

bool OpenTagStack::isOpen(std::string_view name) const { return topmost(name) >= 0; }

}  // namespace engine
