// What one run needs to know of the HTML Configuration, so that checking a tag costs no string
// work: the activity of every entry, the tag names as the open-tag stack folds them, the
// attribute names as small numbers, worked out when the run starts; and, for each tag entry,
// its attribute list with its flags, an index of that list, and its ranges reduced to what the
// range test asks, worked out the first time a run meets the entry (a document uses few of a
// large configuration's entries, and a run over a small document should not pay for all).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/folded_names.h"
#include "run_state.h"

namespace engine {

class ConfigurationView {
public:
    explicit ConfigurationView(RunState& state);

    // The activity of the entry of `kind` (tag name, attribute, attribute value, entity) with
    // `id`; an id that names no entry is inactive.
    RunState::Activity activity(int kind, int id) const {
        const auto& byId = activity_[static_cast<std::size_t>(kind)];
        return id >= 0 && id < static_cast<int>(byId.size()) ? byId[static_cast<std::size_t>(id)]
                                                              : RunState::Activity::Inactive;
    }

    // The open-tag stack's number for the name of the tag entry `id`; kNone for no entry.
    static constexpr std::uint32_t kNone = UINT32_MAX;
    std::uint32_t foldedTag(int id) const { return at(foldedTags_, id, kNone); }
    // Whether the attribute list of the tag entry `id` holds "(ignore all)".
    bool ignoresAll(int id) const { return tag(id).ignoresAll; }
    // The built-in type of the tag entry `id` (range words), -1 for no entry.
    int tagType(int id) const { return at(tagTypes_, id, -1); }

    // What placing a tag asks of each of its entries.
    struct PlacingFacts {
        std::int8_t closingRule = -1;   // the configured closing rule (option 0), -1 for none
        bool ignoreToClosing = false;   // option 1
        bool showsMessage = false;      // option 2, with a message to show
        bool warnIfNoAttributes = false;  // option 3
    };
    const PlacingFacts& placing(int id) const {
        static const PlacingFacts kNoEntry;
        return id >= 0 && id < static_cast<int>(placing_.size())
                   ? placing_[static_cast<std::size_t>(id)]
                   : kNoEntry;
    }

    // What the attribute checks ask of every attribute of a tag.
    struct AttributeFacts {
        int name = -1;  // the number of its name (without regard to case); -1: no entry
        RunState::Activity activity = RunState::Activity::Inactive;
        bool required = false;
        bool warnIfMissing = false;
        // Whether it shows its message when used (option 2) and when its value is invalid
        // (option 3), having one.
        bool showsMessage[2] = {false, false};
    };
    const AttributeFacts& attribute(int id) const {
        static const AttributeFacts kNoEntry;
        return id >= 0 && id < static_cast<int>(attributes_.size())
                   ? attributes_[static_cast<std::size_t>(id)]
                   : kNoEntry;
    }
    int attributeName(int id) const { return attribute(id).name; }
    // How many attribute names there are (numbers run from 0 below this).
    int attributeNameCount() const { return static_cast<int>(attributeNumbers_.size()); }

    // The attribute list of the tag entry `id`, in its order, without ids that name no entry.
    struct ListedAttribute {
        int id;
        AttributeFacts facts;
    };
    const std::vector<ListedAttribute>& attributesOf(int id) const { return tag(id).attributes; }
    // The number of a name as written in a tag; when no attribute entry has that name, the
    // number of the first attribute pattern, in position order, that it matches ("data-*");
    // -1 for neither.
    int attributeNameOf(std::string_view name) {
        if (name.size() > 8) return lookUpAttributeName(name);
        const std::uint64_t head = config::FoldedNames::headOf(name);
        RecentName& recent = recentAttributeNames_[static_cast<std::size_t>(
            ((head ^ name.size()) * 0x9E3779B97F4A7C15ULL) >> 58)];
        if (recent.length != name.size() || recent.head != head) {
            recent = {head, static_cast<std::uint32_t>(name.size()), lookUpAttributeName(name)};
        }
        return recent.number;
    }

    // Where in the attribute list of a tag entry the checks must look: the places of the
    // attributes that matter even when a tag does not carry them (required, warned about when
    // missing, of an undefined category), and every place by attribute name number.
    struct AttributeIndex {
        std::vector<int> always;                  // places, ascending
        std::vector<std::pair<int, int>> byName;  // (name number, place), ascending
        // The place of the attribute "*", which takes the names the list does not have
        // (AttributeChecker::takeByCatchAll()), or -1.
        int catchAll = -1;
    };
    const AttributeIndex& attributeIndex(int id) const { return tag(id).index; }
    // Whether no attribute of the list of the tag entry `id` matters when a tag does not
    // carry it, is of the category "(undefined)" or shows a message: then checking a tag
    // against the entry is checking each attribute it carries on its own.
    bool plainAttributes(int id) const { return tag(id).plainAttributes; }

    // The value list of the attribute entry `id`, in its order, without ids that name no entry
    // and with what the value checks read of each value.
    struct ListedValue {
        int id;
        int index;     // the place in the attribute's value list
        int position;  // the value entry's position, the order of the lists of valid values
        int builtinType;
        int quoting;   // the quotation code (option 0)
        bool caseSensitive;
        std::string_view name;
        RunState::Activity activity;  // of the value entry's category, as activity() gives it
    };
    const std::vector<ListedValue>& valuesOf(int id) const {
        if (id >= 0 && id < static_cast<int>(values_.size())) {
            const ValueFacts& facts = values_[static_cast<std::size_t>(id)];
            if (facts.ready) return facts.values;
        }
        return workOutValues(id);
    }

    // The valid and invalid ranges of a tag entry, reduced to what the range test asks.
    struct RangeFacts {
        bool hasValid = false;  // the valid range has elements
        // What the range words alone decide, without and with the first-tag condition met:
        // 0 nothing, 1 valid, 2 invalid.
        std::int8_t words[2] = {0, 0};
        // Each open-tag name that either range names, once, with whether an open tag of that
        // name makes the tag valid (its first place in the valid range comes no later than its
        // first place in the invalid range) or invalid.
        std::vector<std::pair<std::uint32_t, bool>> names;
        // What an open tag of each folded name decides, as decision() gives.
        std::vector<std::uint8_t> decisions;
        int decision(std::uint32_t folded) const {
            return folded < decisions.size() ? decisions[folded] : 0;
        }
    };
    const RangeFacts& range(int id) const { return tag(id).range; }

    // What an open tag of the folded name `folded` decides for the tag entry `id`: 0 nothing
    // (neither range names it), 1 valid, 2 invalid.
    int decision(int id, std::uint32_t folded) const { return range(id).decision(folded); }

    // Whether a tag of the folded name must hold at least one tag before its closing tag: an
    // active tag entry of the name says so (option slot 5).
    bool contentRequired(std::uint32_t folded) const {
        return folded < contentRequired_.size() && contentRequired_[folded] != 0;
    }

    // By folded name, whether any range of any tag entry names it (1) or not (0); names
    // folded after the view was made are past its end. An open tag of a name that no range
    // names never decides whether a tag may stand where it stands.
    const std::vector<std::uint8_t>& rangeNames() {
        if (rangeNamed_.empty()) workOutRangeNames();
        return rangeNamed_;
    }

    // The tag entries that a tag name stands for: the entries named `name` (without regard to
    // case, as CfgStore::findFirstPosition finds the first); when none is, the entries of the
    // first pattern, in position order, that the name matches ("*-*" for custom elements).
    // `folded` is the open-tag stack's number for the name. Worked out once per name and run.
    struct TagLookup {
        bool ready = false;
        int first = -1;        // the position of the first entry; -1 for no entry
        bool pattern = false;  // the entries were found through a pattern
        // The ids of the entries in position order, without those of an inactive category.
        std::vector<int> entries;
        // What the placing of a tag asks of the entries as a whole, so that the common tag
        // (one entry, active, nothing to show) is placed without looking at each: whether all
        // are of an active category, whether any shows a message when used, whether any
        // ignores all attributes, and whether every one has an empty always-list (nothing to
        // check on a tag without attributes).
        bool allActive = true;
        bool anyMessage = false;
        bool anyIgnoresAll = false;
        bool noneAlwaysChecked = true;
    };
    const TagLookup& lookUpTag(std::uint32_t folded, std::string_view name);
    // The look-up lookUpTag() made for the folded name (a reference to it may not outlive the
    // next lookUpTag(), as the list grows).
    const TagLookup& lookedUp(std::uint32_t folded) const { return tagLookups_[folded]; }

    // Which lengths the names of entities have, built in or of the configuration, by length up
    // to the longest: worked out at the first need, then kept with the configuration's other
    // facts, so that each document of a run does not read every entity name again.
    const std::vector<unsigned char>& entityNameLengths() const;

private:
    // What the checks ask of one tag entry, worked out on first use.
    struct TagFacts {
        bool ready = false;
        bool ignoresAll = false;
        bool plainAttributes = false;  // as plainAttributes() says
        std::vector<ListedAttribute> attributes;
        AttributeIndex index;
        RangeFacts range;
    };
    const TagFacts& tag(int id) const {
        if (id >= 0 && id < static_cast<int>(tags_.size())) {
            const TagFacts& facts = tags_[static_cast<std::size_t>(id)];
            if (facts.ready) return facts;
        }
        return firstUse(id);
    }
    const TagFacts& firstUse(int id) const;
    void workOut(const TagStore& entry, TagFacts& facts) const;

    template <typename T>
    static T at(const std::vector<T>& byId, int id, T none) {
        return id >= 0 && id < static_cast<int>(byId.size()) ? byId[static_cast<std::size_t>(id)]
                                                              : none;
    }

    const CfgStore* cfg_;
    std::array<std::vector<RunState::Activity>, Spare> activity_;
    std::vector<std::uint32_t> foldedTags_;
    void workOutRangeNames();
    std::vector<std::uint8_t> rangeNamed_;  // by folded name, worked out on first use
    std::vector<std::uint8_t> contentRequired_;  // by folded name; empty when no entry asks
    std::uint32_t foldedCount_ = 0;  // the folded names of tag entries: 0 to this - 1
    std::vector<int> tagTypes_;
    std::vector<PlacingFacts> placing_;  // by tag id
    std::vector<AttributeFacts> attributes_;
    config::FoldedNames attributeNumbers_;  // attribute name -> number
    std::vector<int> tagPositions_;         // by folded name: the first position, or -1
    // Names that are patterns, each once, in position order: tag patterns by the position of
    // their first entry, attribute patterns with their name number.
    std::vector<int> tagPatterns_;
    std::vector<std::pair<std::string_view, int>> attributePatterns_;
    int catchAllName_ = -1;  // the number of the attribute name "*", or -1
    // What the attribute patterns gave for names no entry has (-1: none matched), so that
    // each name of a document is matched against them once.
    config::FoldedNames unlistedAttributes_;
    std::vector<int> unlistedMatches_;  // by number in unlistedAttributes_
    int lookUpAttributeName(std::string_view name);
    // What attributeNameOf() gave the names of at most eight bytes met last, by their bytes
    // as written (the number of a name never changes): a page writes the same few attribute
    // names over and over, found here without folding or hashing them.
    struct RecentName {
        std::uint64_t head = 0;
        std::uint32_t length = UINT32_MAX;  // no name
        int number = -1;
    };
    std::array<RecentName, 64> recentAttributeNames_{};
    std::vector<TagLookup> tagLookups_;  // by folded name
    mutable std::vector<TagFacts> tags_;  // by tag id
    mutable std::vector<unsigned char> entityNameLengths_;
    // The value lists of attribute entries by id, worked out on first use.
    struct ValueFacts {
        bool ready = false;
        std::vector<ListedValue> values;
    };
    mutable std::vector<ValueFacts> values_;
    const std::vector<ListedValue>& workOutValues(int id) const;
};

}  // namespace engine
