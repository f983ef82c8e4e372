#include "config_view.h"

#include "config/text_utils.h"

namespace engine {

ConfigurationView::ConfigurationView(RunState& state) {
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
    ignoresAll_.assign(foldedTags_.size(), 0);
    tagTypes_.assign(foldedTags_.size(), -1);
    for (int p = 0; p < cfg.entryCount(TagName); ++p) {
        const TagStore* tag = cfg.entry(TagName, ByPosition, p);
        const auto id = static_cast<std::size_t>(tag->id);
        foldedTags_[id] = state.openTags.fold(tag->name.view());
        tagTypes_[id] = tag->builtinType;
        for (int attribute : tag->lists[2].values()) {
            if (cfg.builtinType(Attribute, ById, attribute) == config::kBuiltinIgnoreAll) {
                ignoresAll_[id] = 1;
            }
        }
    }

    attributes_.assign(static_cast<std::size_t>(cfg.idMap(Attribute).count()), {});
    for (int p = 0; p < cfg.entryCount(Attribute); ++p) {
        const TagStore* attribute = cfg.entry(Attribute, ByPosition, p);
        auto [it, added] = attributeNumbers_.try_emplace(
            text::toLowerAscii(attribute->name.view()),
            static_cast<int>(attributeNumbers_.size()));
        AttributeFacts& facts = attributes_[static_cast<std::size_t>(attribute->id)];
        facts.name = it->second;
        facts.activity = activity(Attribute, attribute->id);
        facts.required = attribute->optionValue(0) == config::kAttributeRequired;
        facts.warnIfMissing = attribute->optionValue(1) == 1;
    }

    tagAttributes_.resize(foldedTags_.size());
    for (int p = 0; p < cfg.entryCount(TagName); ++p) {
        const TagStore* tag = cfg.entry(TagName, ByPosition, p);
        auto& listed = tagAttributes_[static_cast<std::size_t>(tag->id)];
        for (int attribute : tag->lists[2].values()) {
            if (this->attribute(attribute).name >= 0) {
                listed.push_back({attribute, this->attribute(attribute)});
            }
        }
    }
}

int ConfigurationView::attributeNameOf(std::string_view name) {
    folding_.assign(name);
    for (char& c : folding_) c = text::toLowerAscii(c);
    auto it = attributeNumbers_.find(folding_);
    return it == attributeNumbers_.end() ? -1 : it->second;
}

}  // namespace engine
