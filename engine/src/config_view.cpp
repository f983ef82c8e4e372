#include "config_view.h"

#include <algorithm>
#include <limits>

#include "config/text_utils.h"
#include "entities.h"

namespace engine {

namespace {

// What the range words of one entry decide, the first-tag condition met or not, in the order
// the range test reads them: element j of the valid range before element j of the invalid.
std::int8_t rangeWords(const TagStore& tag, const std::vector<int>& types, bool firstTag) {
    auto satisfied = [&](int element) {
        const int type = element >= 0 && element < static_cast<int>(types.size())
                             ? types[static_cast<std::size_t>(element)]
                             : -1;
        return type == config::kBuiltinEverywhere || (type == config::kBuiltinFirstTag && firstTag);
    };
    const IntStore& valid = tag.lists[0];
    const IntStore& invalid = tag.lists[1];
    for (int j = 0; j < std::max(valid.count(), invalid.count()); ++j) {
        if (j < valid.count() && satisfied(valid.valueAt(j))) return 1;
        if (j < invalid.count() && satisfied(invalid.valueAt(j))) return 2;
    }
    return 0;
}

// The characters of a name pattern that match themselves: all but the "*".
std::size_t literalCharacters(std::string_view pattern) {
    return pattern.size() - static_cast<std::size_t>(std::count(pattern.begin(), pattern.end(), '*'));
}

}  // namespace

ConfigurationView::ConfigurationView(RunState& state)
    : cfg_(state.configuration) {
    const CfgStore& cfg = *state.configuration;
    for (int kind = TagName; kind < Spare; ++kind) {
        auto& byId = activity_[static_cast<std::size_t>(kind)];
        byId.assign(static_cast<std::size_t>(cfg.idMap(kind).count()),
                    RunState::Activity::Inactive);
        for (int p = 0; p < cfg.entryCount(kind); ++p) {
            const int id = cfg.entryId(kind, ByPosition, p);
            byId[static_cast<std::size_t>(id)] = state.activityOf(kind, id);
        }
    }

    foldedTags_.assign(static_cast<std::size_t>(cfg.idMap(TagName).count()), kNone);
    tagTypes_.assign(foldedTags_.size(), -1);
    placing_.assign(foldedTags_.size(), {});
    for (int p = 0; p < cfg.entryCount(TagName); ++p) {
        const TagStore* tag = cfg.entry(TagName, ByPosition, p);
        const auto id = static_cast<std::size_t>(tag->id);
        const std::uint32_t folded = state.openTags.fold(tag->name.view());
        foldedTags_[id] = folded;
        foldedCount_ = std::max(foldedCount_, folded + 1);
        tagTypes_[id] = tag->builtinType;
        PlacingFacts& placing = placing_[id];
        const int rule = tag->optionValue(0);
        placing.closingRule = static_cast<std::int8_t>(rule >= 0 && rule <= 2 ? rule : -1);
        placing.ignoreToClosing = tag->optionValue(1) == 1;
        placing.showsMessage = tag->optionValue(2) == 1 && !tag->texts[config::MessageWhenUsed].view().empty();
        placing.warnIfNoAttributes = tag->optionValue(3) == 1;
        if (tag->optionValue(config::kTagContentSlot) == config::kContentRequired &&
            activity(TagName, tag->id) == RunState::Activity::Active) {
            if (contentRequired_.size() <= folded) contentRequired_.resize(folded + 1, 0);
            contentRequired_[folded] = 1;
        }
        if (tagPositions_.size() <= folded) tagPositions_.resize(folded + 1, -1);
        const bool added = tagPositions_[folded] < 0;
        if (added) tagPositions_[folded] = p;
        if (added && text::isNamePattern(tag->name.view())) tagPatterns_.push_back(p);
    }
    tags_.resize(foldedTags_.size());

    attributes_.assign(static_cast<std::size_t>(cfg.idMap(Attribute).count()), {});
    values_.resize(attributes_.size());
    for (int p = 0; p < cfg.entryCount(Attribute); ++p) {
        const TagStore* attribute = cfg.entry(Attribute, ByPosition, p);
        const auto [number, added] = attributeNumbers_.insert(attribute->name.view());
        if (added && text::isNamePattern(attribute->name.view())) {
            attributePatterns_.emplace_back(attribute->name.view(), number);
            if (attribute->name.view() == "*") catchAllName_ = number;
        }
        AttributeFacts& facts = attributes_[static_cast<std::size_t>(attribute->id)];
        facts.name = number;
        facts.activity = activity(Attribute, attribute->id);
        facts.required = attribute->optionValue(0) == config::kAttributeRequired;
        facts.warnIfMissing = attribute->optionValue(1) == 1;
        for (int slot = 0; slot < 2; ++slot) {
            facts.showsMessage[slot] =
                attribute->optionValue(2 + slot) == 1 && !attribute->texts[slot].view().empty();
        }
    }
    // The most particular pattern first: the one with the most characters besides "*" (so a
    // catch-all "*" comes after "data-*"), and among equals the configuration's order.
    std::stable_sort(attributePatterns_.begin(), attributePatterns_.end(),
                     [](const auto& a, const auto& b) {
                         return literalCharacters(a.first) > literalCharacters(b.first);
                     });
}

const ConfigurationView::TagFacts& ConfigurationView::firstUse(int id) const {
    static const TagFacts kNoEntry;
    if (id < 0 || id >= static_cast<int>(tags_.size())) return kNoEntry;
    TagFacts& facts = tags_[static_cast<std::size_t>(id)];
    if (!facts.ready) {
        facts.ready = true;
        if (const TagStore* entry = cfg_->entry(TagName, ById, id)) workOut(*entry, facts);
    }
    return facts;
}

const std::vector<ConfigurationView::ListedValue>& ConfigurationView::workOutValues(int id) const {
    static const std::vector<ListedValue> kNone;
    if (id < 0 || id >= static_cast<int>(values_.size())) return kNone;
    ValueFacts& facts = values_[static_cast<std::size_t>(id)];
    if (facts.ready) return facts.values;
    facts.ready = true;
    const TagStore* attribute = cfg_->entry(Attribute, ById, id);
    if (attribute == nullptr) return facts.values;
    const IntStore& list = attribute->lists[0];
    for (int i = 0; i < list.count(); ++i) {
        const int value = list.valueAt(i);
        const TagStore* entry = cfg_->entry(AttributeValue, ById, value);
        if (entry == nullptr) continue;
        facts.values.push_back({value, i, cfg_->positionOf(AttributeValue, value),
                                entry->builtinType, entry->optionValue(0),
                                entry->optionValue(1) == config::kCaseSensitive,
                                entry->name.view(), activity(AttributeValue, value)});
    }
    return facts.values;
}

void ConfigurationView::workOut(const TagStore& entry, TagFacts& facts) const {
    for (int attribute : entry.lists[2].values()) {
        if (cfg_->builtinType(Attribute, ById, attribute) == config::kBuiltinIgnoreAll) {
            facts.ignoresAll = true;
        }
        const AttributeFacts& listed = this->attribute(attribute);
        if (listed.name < 0) continue;
        const int place = static_cast<int>(facts.attributes.size());
        facts.attributes.push_back({attribute, listed});
        if (listed.required || listed.warnIfMissing ||
            listed.activity == RunState::Activity::Undefined) {
            facts.index.always.push_back(place);
        }
        facts.index.byName.emplace_back(listed.name, place);
        if (listed.name == catchAllName_ && facts.index.catchAll < 0) facts.index.catchAll = place;
    }
    std::sort(facts.index.byName.begin(), facts.index.byName.end());
    facts.plainAttributes =
        facts.index.always.empty() &&
        std::none_of(facts.attributes.begin(), facts.attributes.end(),
                     [](const ListedAttribute& listed) {
                         return listed.facts.showsMessage[0] || listed.facts.showsMessage[1];
                     });

    RangeFacts& range = facts.range;
    range.hasValid = entry.lists[0].count() > 0;
    range.words[0] = rangeWords(entry, tagTypes_, false);
    range.words[1] = rangeWords(entry, tagTypes_, true);
    // The first place of each name in each range; a name in neither list never decides.
    constexpr int kAbsent = std::numeric_limits<int>::max();
    std::vector<std::pair<int, int>> first(foldedCount_, {kAbsent, kAbsent});
    std::vector<std::uint32_t> order;
    for (int which = 0; which < 2; ++which) {
        const IntStore& list = entry.lists[which];
        for (int j = 0; j < list.count(); ++j) {
            const std::uint32_t folded = foldedTag(list.valueAt(j));
            if (folded == kNone) continue;  // names no entry any more
            auto& [valid, invalid] = first[folded];
            if (valid == kAbsent && invalid == kAbsent) order.push_back(folded);
            int& at = which == 0 ? valid : invalid;
            at = std::min(at, j);
        }
    }
    range.decisions.assign(foldedCount_, 0);
    for (std::uint32_t folded : order) {
        const bool valid = first[folded].first <= first[folded].second;
        range.names.emplace_back(folded, valid);
        range.decisions[folded] = valid ? 1 : 2;
    }
}

void ConfigurationView::workOutRangeNames() {
    // One more slot than there are names, so that the list is never empty once worked out.
    rangeNamed_.assign(static_cast<std::size_t>(foldedCount_) + 1, 0);
    const CfgStore& cfg = *cfg_;
    for (int p = 0; p < cfg.entryCount(TagName); ++p) {
        const TagStore* entry = cfg.entry(TagName, ByPosition, p);
        for (int which = 0; which < 2; ++which) {
            for (int element : entry->lists[which].values()) {
                const std::uint32_t folded = foldedTag(element);
                if (folded != kNone && folded < rangeNamed_.size()) rangeNamed_[folded] = 1;
            }
        }
    }
}

int ConfigurationView::lookUpAttributeName(std::string_view name) {
    const int number = attributeNumbers_.find(name);
    if (number >= 0 || attributePatterns_.empty()) return number;
    // The names the configuration does not list are remembered from document to document with
    // what their patterns gave; past this many (a long run over pages of made-up names) they
    // are forgotten, so that the memory follows the largest document, not all of them.
    constexpr int kKeptUnlistedNames = 1 << 16;
    if (unlistedAttributes_.size() >= kKeptUnlistedNames) {
        unlistedAttributes_.clear();
        unlistedMatches_.clear();
    }
    const auto [unlisted, added] = unlistedAttributes_.insert(name);
    if (added) {
        int match = -1;
        for (const auto& [pattern, patternNumber] : attributePatterns_) {
            if (text::matchesNamePattern(pattern, name)) {
                match = patternNumber;
                break;
            }
        }
        unlistedMatches_.push_back(match);
    }
    return unlistedMatches_[static_cast<std::size_t>(unlisted)];
}

const ConfigurationView::TagLookup& ConfigurationView::lookUpTag(std::uint32_t folded,
                                                                 std::string_view name) {
    if (tagLookups_.size() <= folded) tagLookups_.resize(folded + 1);
    TagLookup& lookup = tagLookups_[folded];
    if (lookup.ready) return lookup;
    lookup.ready = true;
    const CfgStore& cfg = *cfg_;
    // A name no entry has in this spelling may still collate equal to one (the collation
    // decides); the configuration's own look-up answers for it.
    lookup.first = folded < tagPositions_.size() && tagPositions_[folded] >= 0
                       ? tagPositions_[folded]
                       : cfg.findFirstPosition(TagName, name);
    std::string_view entryName = name;
    if (lookup.first < 0) {
        for (int position : tagPatterns_) {
            if (text::matchesNamePattern(cfg.entry(TagName, ByPosition, position)->name.view(),
                                         name)) {
                lookup.first = position;
                lookup.pattern = true;
                entryName = cfg.entry(TagName, ByPosition, position)->name.view();
                break;
            }
        }
    }
    if (lookup.first < 0) return lookup;
    for (int p = lookup.first; p < cfg.entryCount(TagName); ++p) {
        const TagStore* entry = cfg.entry(TagName, ByPosition, p);
        if (!text::equalsIgnoreCase(entry->name.view(), entryName)) break;
        const RunState::Activity entryActivity = activity(TagName, entry->id);
        if (entryActivity == RunState::Activity::Inactive) continue;
        lookup.entries.push_back(entry->id);
        lookup.allActive = lookup.allActive && entryActivity == RunState::Activity::Active;
        lookup.anyMessage = lookup.anyMessage || placing(entry->id).showsMessage;
        lookup.anyIgnoresAll = lookup.anyIgnoresAll || ignoresAll(entry->id);
        lookup.noneAlwaysChecked =
            lookup.noneAlwaysChecked && attributeIndex(entry->id).always.empty();
    }
    return lookup;
}

const std::vector<unsigned char>& ConfigurationView::entityNameLengths() const {
    if (entityNameLengths_.empty()) entityNameLengths_ = engine::entityNameLengths(cfg_);
    return entityNameLengths_;
}

}  // namespace engine
