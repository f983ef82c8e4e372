// Tag placement and nesting: whether an opening tag is known and active in the HTML
// Configuration, whether it may stand where it stands (its valid and invalid ranges against
// the tags now open), its closing-tag rule and ignore-to-closing-tag switch, the messages of
// its configuration; and, for closing tags, the match on the open-tag stack.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "config_view.h"
#include "run_state.h"

namespace engine {

class Placement {
public:
    // `view` is the run's view of the HTML Configuration.
    Placement(RunState& state, ConfigurationView& view);

    // Resets what lives for one document.
    void startDocument();

    // Decides about the opening tag `name` (the tag name as written); sets the results below.
    // An empty element (written "<br/>") never starts ignoring the text up to its closing tag.
    void place(std::string_view name, bool emptyElement = false) {
        skipped_ = false;
        emptyElement_ = emptyElement;
        closingRule_ = kClosingOptional;
        warnIfNoAttributes_ = false;
        candidates_.clear();
        excluded_.clear();
        looked_ = false;
        keyTop_ = OpenTagStack::kTooDeep;
        // Past the first tag, a name placed before under the same open tag is placed as it was.
        if (state_.counters.tagNames != 1 && !placed_.empty() && state_.shortcuts) {
            folded_ = state_.openTags.fold(name);
            keyTop_ = state_.openTags.keyTop(kKeyPlaces);
            if (keyTop_ != OpenTagStack::kTooDeep && takeRemembered()) return;
        }
        placeAfresh(name);
    }
    // Pushes the tag just placed (the name given to place()) on the open-tag stack.
    void push(std::string_view name) {
        state_.openTags.push(name, folded_, closingRule_,
                             {state_.lines.tag, state_.lines.tagColumn});
    }
    // Matches a closing tag (its name without "/") against the open tags.
    void close(std::string_view name) {
        // Most closing tags close the tag on top as it was written.
        if (!name.empty() && state_.openTags.removeTopIfWritten(name)) {
            checkContent(name);
            return;
        }
        closeBelowTop(name);
    }

    bool skipped() const { return skipped_; }
    bool warnIfNoAttributes() const { return warnIfNoAttributes_; }
    // True when an attribute list of a candidate entry holds the built-in "(ignore all)".
    bool ignoresAllAttributes() const { return ignoresAll_; }
    // The active tag entries of the tag's name that may stand here, leading entry first.
    const std::vector<int>& candidates() const { return candidates_; }
    // What the entries of the tag's name share (null when the name has none).
    const ConfigurationView::TagLookup* lookup() const {
        return looked_ ? &view_.lookedUp(folded_) : nullptr;
    }

    // Whether the entry of `kind` with `id` takes part; an entry of the category
    // "(undefined)" raises warning 101 with its name.
    bool isActive(int kind, int id);

    ConfigurationView& view() { return view_; }

private:
    enum class Range { Valid, Invalid, Undecided };

    // After a closing tag removed its record: an element that must hold a tag and held none
    // (<ul></ul>) gets error 306.
    void checkContent(std::string_view name) {
        const OpenTagStack::Removed& removed = state_.openTags.lastRemoved();
        if (!removed.heldTags && view_.contentRequired(removed.folded)) raiseEmpty(name);
    }
    void raiseEmpty(std::string_view name);

    // The placings of the common tag (a few entries of active categories, nothing to show, no
    // ignoring, each entry allowed or refused by its range words or by the topmost open tag
    // whose name some range names, nothing raised) do not change within a document once the
    // name and that open tag are known: they are remembered by both, and the next such tag is
    // placed without looking at its entries again. Open tags whose names no range names (an
    // IMG, a BR) never decide, so they are passed over in finding that open tag.
    static constexpr std::size_t kPlacedIds = 4;
    struct Placed {
        std::uint32_t folded = UINT32_MAX;  // the tag's name; UINT32_MAX: an empty slot
        std::uint32_t top = 0;  // that open tag, or kUnfolded for none on the stack
        int ids[kPlacedIds] = {};           // the candidates, leading entry first
        std::uint8_t count = 0;
        std::int8_t closingRule = 0;
        bool warnIfNoAttributes = false;
        bool ignoresAll = false;
    };
    // At most this many, fewer for a small document (each document starts with them empty).
    static constexpr int kPlacedSlotBits = 10;
    std::size_t placedSlot(std::uint32_t folded, std::uint32_t top) const {
        return static_cast<std::size_t>(
            ((std::uint64_t{folded} << 32 | top) * 0x9E3779B97F4A7C15ULL) >> placedShift_);
    }

    // What was remembered for the name under the open tag keyTop_, when anything was.
    bool takeRemembered() {
        const Placed& known = placed_[placedSlot(folded_, keyTop_)];
        if (known.folded != folded_ || known.top != keyTop_) return false;
        looked_ = true;
        if (known.count == 1) {
            candidates_.push_back(known.ids[0]);
        } else {
            candidates_.assign(known.ids, known.ids + known.count);
        }
        closingRule_ = known.closingRule;
        warnIfNoAttributes_ = known.warnIfNoAttributes;
        ignoresAll_ = known.ignoresAll;
        return true;
    }
    void placeAfresh(std::string_view name);
    void closeBelowTop(std::string_view name);
    void placeCandidates(std::string_view name, bool rerun);
    void takeCandidates(const std::vector<int>& entries);
    void takeLeadingEntry(std::string_view name, bool pattern);
    // `nearby` is set when the range words or the open tag just above decided.
    Range rangeOf(int id, bool* nearby = nullptr) const;
    int closingRuleOf(int id) const;
    void showMessagesWhenUsed();
    void outOfRange(std::string_view name, bool rerun, bool anyInvalid);

    RunState& state_;
    const CfgStore& cfg_;
    ConfigurationView& view_;
    bool ignoresAll_ = false;
    std::vector<int> candidates_;
    std::vector<int> excluded_;
    std::unordered_set<int> messagesShown_;  // tag entries whose message was shown
    bool looked_ = false;  // the name placed has entries, looked up under folded_
    std::uint32_t folded_ = 0;  // the open-tag stack's number for the name just placed
    bool skipped_ = false;
    bool emptyElement_ = false;
    int closingRule_ = 1;
    bool warnIfNoAttributes_ = false;
    std::vector<Placed> placed_;
    int placedShift_ = 64 - kPlacedSlotBits;
    // The topmost open tag whose name some range names, for the tag being placed: kUnfolded
    // for none, OpenTagStack::kTooDeep when not known (not looked for, or the stack changed).
    std::uint32_t keyTop_ = 0;
    // Places looked at for it, at most, when the stack does not know it.
    static constexpr std::size_t kKeyPlaces = 8;
    bool placedNearby_ = false;  // the last placeCandidates() placed a tag that can be remembered
};

// Joins names as a list: "a", "a and b", "a, b, and c" (with "or" for any-of lists).
std::string joinList(const std::vector<std::string>& items, std::string_view joiner);

}  // namespace engine
