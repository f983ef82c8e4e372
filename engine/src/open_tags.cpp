#include "open_tags.h"

#include "config/text_utils.h"

namespace engine {

void OpenTagStack::clear() {
    entries_ = {};
    names_.clear();
    nameIds_.clear();
    foldedIds_.clear();
    byFoldedName_.clear();
    required_.clear();
    live_ = 0;
}

std::uint32_t OpenTagStack::fold(std::string_view name) {
    auto [folded, added] = foldedIds_.try_emplace(text::toLowerAscii(name),
                                                  static_cast<std::uint32_t>(byFoldedName_.size()));
    if (added) byFoldedName_.emplace_back();
    return folded->second;
}

void OpenTagStack::push(std::string_view name, int closingRule, messages::Position opened) {
    auto it = nameIds_.find(name);
    if (it == nameIds_.end()) {
        const std::uint32_t folded = fold(name);
        it = nameIds_.emplace(std::string(name), static_cast<std::uint32_t>(names_.size())).first;
        names_.push_back({std::string(name), folded});
    }
    const std::uint32_t id = it->second;
    const auto place = static_cast<std::uint32_t>(entries_.size());
    byFoldedName_[names_[id].folded].push_back(place);
    if (closingRule == kClosingRequired) required_.insert(place);
    entries_.push_back(
        {id, opened.line, opened.column, static_cast<std::int8_t>(closingRule), false});
    ++live_;
}

long OpenTagStack::topmost(std::string_view name) const {
    auto it = foldedIds_.find(text::toLowerAscii(name));
    if (it == foldedIds_.end() || byFoldedName_[it->second].empty()) return -1;
    return static_cast<long>(byFoldedName_[it->second].back());
}

void OpenTagStack::remove(long place) {
    Entry& entry = entries_[static_cast<std::size_t>(place)];
    std::vector<std::uint32_t>& places = byFoldedName_[names_[entry.name].folded];
    if (!places.empty() && static_cast<long>(places.back()) == place) places.pop_back();
    required_.erase(static_cast<std::uint32_t>(place));
    entry.removed = true;
    --live_;
    // Records removed from the top leave no trace, so a well-nested document keeps the stack
    // as small as its nesting.
    while (!entries_.empty() && entries_.back().removed) entries_.pop_back();
}

bool OpenTagStack::isOpen(std::string_view name) const {
    auto it = foldedIds_.find(text::toLowerAscii(name));
    return it != foldedIds_.end() && !byFoldedName_[it->second].empty();
}

}  // namespace engine
