#include "open_tags.h"

#include "config/text_utils.h"

namespace engine {

void OpenTagStack::clear() {
    entries_ = {};
    names_.clear();
    nameIds_.clear();
    foldedIds_.clear();
    byFoldedName_.clear();
    live_ = 0;
}

void OpenTagStack::push(std::string_view name, int closingRule, std::int32_t lineOpened) {
    auto [it, added] = nameIds_.try_emplace(std::string(name), 0);
    if (added) {
        auto [folded, newFolded] = foldedIds_.try_emplace(
            text::toLowerAscii(name), static_cast<std::uint32_t>(byFoldedName_.size()));
        if (newFolded) byFoldedName_.emplace_back();
        it->second = static_cast<std::uint32_t>(names_.size());
        names_.push_back({std::string(name), folded->second});
    }
    const std::uint32_t id = it->second;
    byFoldedName_[names_[id].folded].push_back(static_cast<std::uint32_t>(entries_.size()));
    entries_.push_back({id, lineOpened, static_cast<std::int8_t>(closingRule), false});
    ++live_;
}

bool OpenTagStack::isOpen(std::string_view name) const {
    auto it = foldedIds_.find(text::toLowerAscii(name));
    return it != foldedIds_.end() && !byFoldedName_[it->second].empty();
}

}  // namespace engine
