#include "config_view.h"

#include <algorithm>
#include <limits>

#include "config/text_utils.h"

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

}  // namespace

ConfigurationView::ConfigurationView(RunState& state) : cfg_(state.configuration) {
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
    for (int p = 0; p < cfg.entryCount(TagName); ++p) {
        const TagStore* tag = cfg.entry(TagName, ByPosition, p);
        const auto id = static_cast<std::size_t>(tag->id);
        foldedTags_[id] = state.openTags.fold(tag->name.view());
        foldedCount_ = std::max(foldedCount_, foldedTags_[id] + 1);
        tagTypes_[id] = tag->builtinType;
        const bool added =
            tagPositions_.try_emplace(text::toLowerAscii(tag->name.view()), p).second;
        if (added && text::isNamePattern(tag->name.view())) tagPatterns_.push_back(p);
    }
    tags_.resize(foldedTags_.size());

    attributes_.assign(static_cast<std::size_t>(cfg.idMap(Attribute).count()), {});
    for (int p = 0; p < cfg.entryCount(Attribute); ++p) {
        const TagStore* attribute = cfg.entry(Attribute, ByPosition, p);
        auto [it, added] = attributeNumbers_.try_emplace(
            text::toLowerAscii(attribute->name.view()),
            static_cast<int>(attributeNumbers_.size()));
        if (added && text::isNamePattern(attribute->name.view())) {
            attributePatterns_.emplace_back(attribute->name.view(), it->second);
        }
        AttributeFacts& facts = attributes_[static_cast<std::size_t>(attribute->id)];
        facts.name = it->second;
        facts.activity = activity(Attribute, attribute->id);
        facts.required = attribute->optionValue(0) == config::kAttributeRequired;
        facts.warnIfMissing = attribute->optionValue(1) == 1;
    }
}

const ConfigurationView::TagFacts& ConfigurationView::tag(int id) const {
    static const TagFacts kNoEntry;
    if (id < 0 || id >= static_cast<int>(tags_.size())) return kNoEntry;
    TagFacts& facts = tags_[static_cast<std::size_t>(id)];
    if (!facts.ready) {
        facts.ready = true;
        if (const TagStore* entry = cfg_->entry(TagName, ById, id)) workOut(*entry, facts);
    }
    return facts;
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
    }
    std::sort(facts.index.byName.begin(), facts.index.byName.end());

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
    facts.decisions.assign(foldedCount_, 0);
    for (std::uint32_t folded : order) {
        const bool valid = first[folded].first <= first[folded].second;
        range.names.emplace_back(folded, valid);
        facts.decisions[folded] = valid ? 1 : 2;
    }
}

const std::string& ConfigurationView::lowerCased(std::string_view name) {
    folding_.assign(name);
    for (char& c : folding_) c = text::toLowerAscii(c);
    return folding_;
}

int ConfigurationView::attributeNameOf(std::string_view name) {
    const std::string& lower = lowerCased(name);
    auto it = attributeNumbers_.find(lower);
    if (it != attributeNumbers_.end()) return it->second;
    if (attributePatterns_.empty()) return -1;
    auto [match, added] = attributePatternMatches_.try_emplace(lower, -1);
    if (added) {
        for (const auto& [pattern, number] : attributePatterns_) {
            if (text::matchesNamePattern(pattern, name)) {
                match->second = number;
                break;
            }
        }
    }
    return match->second;
}

ConfigurationView::TagLookup ConfigurationView::lookUpTag(std::string_view name) {
    TagLookup lookup;
    auto it = tagPositions_.find(lowerCased(name));
    // A name no entry has in this spelling may still collate equal to one (the collation
    // decides); the configuration's own look-up answers for it.
    lookup.first = it != tagPositions_.end() ? it->second : cfg_->findFirstPosition(TagName, name);
    if (lookup.first >= 0 || tagPatterns_.empty()) {
        lookup.entryName = name;
        return lookup;
    }
    auto [match, added] = tagPatternMatches_.try_emplace(lowerCased(name), -1);
    if (added) {
        for (int position : tagPatterns_) {
            if (text::matchesNamePattern(cfg_->entry(TagName, ByPosition, position)->name.view(),
                                         name)) {
                match->second = position;
                break;
            }
        }
    }
    lookup.first = match->second;
    lookup.pattern = lookup.first >= 0;
    lookup.entryName = lookup.pattern ? cfg_->entry(TagName, ByPosition, lookup.first)->name.view()
                                      : name;
    return lookup;
}

}  // namespace engine
