// The open-tag stack: every opening tag is pushed, matching closing tags remove their record,
// and the records left at the end of the document are checked for a required closing tag.
// Records are indexed by name, so that asking whether a tag is open never walks the stack, and
// names are kept once each, so that a deep stack costs a few bytes a record: eight, and eight
// more for a record whose closing tag is required.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "block_array.h"
#include "config/document_lines.h"
#include "config/folded_names.h"
#include "messages/message_store.h"

namespace engine {

enum ClosingRule : int { kClosingRequired = 0, kClosingOptional = 1, kClosingNone = 2 };

class OpenTagStack {
public:
    // A record whose closing tag is required (the only ones a message points at).
    struct Record {
        std::string_view name;  // as written in the document, cut to the tag-name field
        int closingRule;
        std::int32_t lineOpened;  // the line and column of the opening tag's `<`
        std::uint32_t folded;  // the name without regard to case, as from fold()
        std::int32_t columnOpened;
    };

    // The places pushed are places of `document`, the document being checked.
    explicit OpenTagStack(const DocumentLines& document) : document_(document) {}

    // Removes every record; the names folded so far keep their numbers.
    void clear();
    // Removes every record and forgets every name.
    void forgetNames();
    // `opened` is the place of the opening tag's `<`.
    void push(std::string_view name, int closingRule, messages::Position opened) {
        push(name, fold(name), closingRule, opened);
    }
    // The same for a name whose fold() is known. Inline: every opening tag is pushed.
    void push(std::string_view name, std::uint32_t folded, int closingRule,
              messages::Position opened) {
        // The spellings of a folded name are few, and the first is nearly always the one.
        std::uint32_t id = firstSpelling_[folded];
        if (id == kUnfolded || !names_[id].is(name)) id = spellingOf(name, folded);
        const auto place = static_cast<std::uint32_t>(entries_.size());
        if (closingRule == kClosingRequired) required_.push_back({place, offsetOf(opened)});
        // The live top holds a tag now.
        if (place != 0) entries_.back().packed |= kHeldTags;
        entries_.push_back({topOf_[folded], id << kSpellingShift |
                                                (static_cast<std::uint32_t>(closingRule) & 3u)});
        topOf_[folded] = place;
        ++live_;
        // The record below is the live top before this push.
        noteKey(place, isKey(folded) ? folded : place == 0 ? kUnfolded : knownKey(place - 1));
    }
    // True when a record with this name (compared without regard to case) is on the stack.
    bool isOpen(std::string_view name) const;
    std::size_t size() const { return live_; }
    // How many names (without regard to case) have been folded.
    int nameCount() const { return foldedIds_.size(); }

    // A number for the name without regard to case, the same for every spelling; names need
    // not be on the stack. Look-ups by this number need no string work.
    std::uint32_t fold(std::string_view name) {
        Recent& recent = recent_[slotOf(name)];
        if (recent.length == name.size() && recent.head == headIfShort(name)) return recent.folded;
        return foldAndRemember(name, recent);
    }
    // The number fold() gave the name, or kUnfolded when no spelling of it was folded yet.
    static constexpr std::uint32_t kUnfolded = UINT32_MAX;
    std::uint32_t foldedIfKnown(std::string_view name) const {
        const Recent& recent = recent_[slotOf(name)];
        if (recent.length == name.size() && recent.head == headIfShort(name)) return recent.folded;
        const int folded = foldedIds_.find(name);
        return folded < 0 ? kUnfolded : static_cast<std::uint32_t>(folded);
    }

    // The place of the topmost record with this name (without regard to case), or -1. Places
    // grow from the bottom of the stack to its top.
    long topmost(std::string_view name) const {
        const std::uint32_t folded = foldedIfKnown(name);
        return folded == kUnfolded ? -1 : topmostFolded(folded);
    }
    long topmostFolded(std::uint32_t folded) const {
        const std::uint32_t top = topOf_[folded];
        return top == kUnfolded ? -1 : static_cast<long>(top);
    }
    // The place of the next record down with the name of the record at `place` (a place
    // topmost() returned, or one this returned), or -1.
    long belowOfItsName(long place) const {
        const std::uint32_t below = entries_[static_cast<std::size_t>(place)].below;
        return below == kUnfolded ? -1 : static_cast<long>(below);
    }
    // The closing rule of the record at a place returned by topmost().
    int closingRuleAt(long place) const {
        return entries_[static_cast<std::size_t>(place)].closingRule();
    }

    // Calls `visit(record)` for the records with a required closing tag above `place`, from
    // the top downwards, while `visit` returns true.
    template <typename Visit>
    void forEachRequiredAbove(long place, Visit&& visit) const {
        required_.walkDown([&](const Required& required) {
            if (static_cast<long>(required.place) <= place) return true;
            const Entry& entry = entries_[required.place];
            return !entry.removed() && !visit(record(entry, required.offset));
        });
    }

    // How many records with a required closing tag stand above `place`.
    std::size_t countRequiredAbove(long place) const {
        std::size_t count = 0;
        required_.walkDown([&](const Required& required) {
            if (static_cast<long>(required.place) <= place) return true;
            if (!entries_[required.place].removed()) ++count;
            return false;
        });
        return count;
    }

    // The folded name of the topmost record (the top is never a removed record), or kUnfolded
    // for an empty stack.
    std::uint32_t topFolded() const {
        return entries_.empty() ? kUnfolded : names_[entries_.back().spelling()].folded;
    }

    // Calls `visit(folded)` with the folded name of each record from the top downwards until
    // it returns true. Looks at `steps` places at most (removed records count too): returns
    // false when they ran out before `visit` said stop or the bottom was reached.
    template <typename Visit>
    bool walkFromTop(std::size_t steps, Visit&& visit) const {
        bool ranOut = false;
        entries_.walkDown([&](const Entry& entry) {
            if (steps-- == 0) return ranOut = true;
            return !entry.removed() && visit(names_[entry.spelling()].folded);
        });
        return !ranOut;
    }

    // The folded name of the topmost record for which `counts(folded)` is true, looking at
    // `steps` places at most (removed records count too): kUnfolded when no record counts,
    // kTooDeep when the places ran out first.
    static constexpr std::uint32_t kTooDeep = UINT32_MAX - 1;

    // Key names: a byte per folded name, not zero for a key (the names that ranges name), or
    // null for none. The stack then knows its topmost key record as the records come and go,
    // without walking down to it. Kept until clear().
    void setKeyNames(const std::vector<std::uint8_t>* keyNames);
    // The folded name of the topmost live record whose name is a key, kUnfolded for none.
    // Known at once for the tops the stack has followed; otherwise looked for in `steps`
    // places at most, kTooDeep when they ran out first.
    std::uint32_t keyTop(std::size_t steps) {
        if (entries_.empty()) return kUnfolded;
        const std::uint32_t known = knownKey(entries_.size() - 1);
        return known != kTooDeep ? known : lookForKeyTop(steps);
    }
    template <typename Counts>
    std::uint32_t topmostThat(std::size_t steps, Counts&& counts) const {
        std::uint32_t found = kUnfolded;
        const bool walked = walkFromTop(steps, [&](std::uint32_t folded) {
            if (!counts(folded)) return false;
            found = folded;
            return true;
        });
        return walked ? found : kTooDeep;
    }

    // Removes the record at `place`, which must be the topmost record of its name.
    void remove(long place);
    // The record removed last: its folded name, and whether a tag was pushed while it was the
    // top (a tag opened inside it), which the elements that must not be empty ask.
    struct Removed {
        std::uint32_t folded = kUnfolded;
        bool heldTags = false;
    };
    const Removed& lastRemoved() const { return lastRemoved_; }
    // Removes the top record when it was written exactly as `name` and has a closing tag
    // (kClosingNone is left to the caller, which reports it): the closing tag most tags get.
    // Nothing stands above the top, so there is nothing else to tell. False when the top is
    // another name or spelling, or the stack is empty.
    bool removeTopIfWritten(std::string_view name) {
        if (entries_.empty()) return false;
        const Entry& top = entries_.back();
        if (top.closingRule() == kClosingNone || !names_[top.spelling()].is(name)) return false;
        removeTop();
        return true;
    }

    // Calls `visit(record)` for every record whose closing tag is required, from the bottom
    // (earliest opened) to the top.
    template <typename Visit>
    void forEachRequiredFromBottom(Visit&& visit) const {
        for (std::size_t i = 0; i < required_.size(); ++i) {
            const Required& required = required_[i];
            const Entry& entry = entries_[required.place];
            if (!entry.removed()) visit(record(entry, required.offset));
        }
    }

private:
    // Eight bytes a record, so that a document of many unclosed tags stays small: the
    // spelling, the closing rule and the removed and held-tags marks share one word, and where
    // the tag was opened is kept beside the place in required_ for the records that need it.
    static constexpr std::uint32_t kRemoved = 4u, kHeldTags = 8u, kSpellingShift = 4;
    struct Entry {
        std::uint32_t below;  // the next record down with the same folded name, or kUnfolded
        std::uint32_t packed;  // spelling << 4 | held tags << 3 | removed << 2 | closing rule
        std::uint32_t spelling() const { return packed >> kSpellingShift; }
        int closingRule() const { return static_cast<int>(packed & 3u); }
        bool removed() const { return (packed & kRemoved) != 0; }
        bool heldTags() const { return (packed & kHeldTags) != 0; }
    };
    struct Required {
        std::uint32_t place;
        std::uint32_t offset;  // of the opening tag's `<` in the document
    };
    struct Name {
        std::string written;
        std::uint32_t folded;  // index into topOf_
        std::uint32_t next;    // the next spelling of the same folded name, or kUnfolded
        std::uint64_t head;    // FoldedNames::headOf(written): a name of at most 8 bytes whole
        bool is(std::string_view name) const {
            if (written.size() != name.size()) return false;
            return name.size() <= 8 ? head == config::FoldedNames::headOf(name) : written == name;
        }
    };
    Record record(const Entry& entry, std::uint32_t offset) const {
        const Name& name = names_[entry.spelling()];
        const messages::Position opened = positionOf(offset);
        return {name.written, entry.closingRule(), opened.line, name.folded, opened.column};
    }
    std::uint32_t spellingOf(std::string_view name, std::uint32_t folded);
    std::uint32_t offsetOf(messages::Position position) const {
        const auto line = static_cast<std::size_t>(position.line);
        if (line < 1 || line > document_.count() || position.column < 1) return UINT32_MAX;
        return static_cast<std::uint32_t>(document_.startOf(line - 1) +
                                          static_cast<std::size_t>(position.column - 1));
    }
    messages::Position positionOf(std::uint32_t offset) const;

    const DocumentLines& document_;
    // Bottom first. Walking it from the top is what every placing does.
    BlockArray<Entry> entries_;
    std::size_t live_ = 0;
    std::vector<Name> names_;  // each spelling once
    config::FoldedNames foldedIds_;  // name without regard to case -> folded index
    // Per folded name: the first of its spellings in names_, and the place in entries_ of its
    // topmost live record (kUnfolded for none). Each record links to the one below it of the
    // same name, so the records of a name form a chain that costs nothing more per record.
    std::vector<std::uint32_t> firstSpelling_;
    std::vector<std::uint32_t> topOf_;
    // The positions of the records whose closing tag is required, ascending. A record removed
    // from below the top stays listed, marked removed in entries_, until the removed ones are
    // half the list: then the list is compacted, so walking it costs at most twice its live
    // records, as a sorted set would, without an allocation per record.
    BlockArray<Required> required_;
    // The names of at most eight bytes folded last, by their bytes as written: most tags of a
    // page are a few names written the same way each time, found here without hashing.
    struct Recent {
        std::uint64_t head = 0;
        std::uint32_t length = UINT32_MAX;  // no name
        std::uint32_t folded = 0;
    };
    static constexpr std::size_t kRecentSlots = 256;
    static std::uint64_t headIfShort(std::string_view name) {
        return config::FoldedNames::headOf(name);
    }
    static std::size_t slotOf(std::string_view name) {
        return static_cast<std::size_t>(
            ((headIfShort(name) ^ name.size()) * 0x9E3779B97F4A7C15ULL) >> 56);
    }
    std::uint32_t foldAndRemember(std::string_view name, Recent& recent);
    Recent recent_[kRecentSlots];

    // The key of each of the topmost places, in a ring indexed by place: a record's key is its
    // own name when that is a key, else the key of the place below it (a removed record is
    // passed over, as a walk from the top passes over it). A push works its key out from the
    // one below; a record removed from below the top works out again those above it, when
    // they fit in the ring. A slot whose place is not the one asked for knows nothing.
    struct KeySlot {
        std::uint32_t place = kUnfolded;
        std::uint32_t key = 0;
    };
    static constexpr std::size_t kKeySlots = 64;
    bool isKey(std::uint32_t folded) const {
        return keyNames_ != nullptr && folded < keyNames_->size() && (*keyNames_)[folded] != 0;
    }
    // The key known at `place`, or kTooDeep.
    std::uint32_t knownKey(std::size_t place) const {
        const KeySlot& slot = keys_[place & (kKeySlots - 1)];
        return slot.place == place ? slot.key : kTooDeep;
    }
    void noteKey(std::size_t place, std::uint32_t key) {
        keys_[place & (kKeySlots - 1)] =
            key == kTooDeep ? KeySlot{} : KeySlot{static_cast<std::uint32_t>(place), key};
    }
    void rekeyFrom(std::size_t place);
    // Removes the top record, which is live; the places below keep their keys.
    void removeTop();
    void dropRemovedRequired();
    std::uint32_t lookForKeyTop(std::size_t steps);
    const std::vector<std::uint8_t>* keyNames_ = nullptr;
    std::array<KeySlot, kKeySlots> keys_{};
    std::size_t requiredRemoved_ = 0;
    Removed lastRemoved_;
};

}  // namespace engine
