#include "open_tags.h"

#include "config/text_utils.h"

namespace engine {

void OpenTagStack::clear() {
    names_.clear();
    names_.shrink_to_fit();
    entries_.clear();
    entries_.shrink_to_fit();
    byName_.clear();
    live_ = 0;
}

void OpenTagStack::push(std::string_view name, int closingRule, std::int32_t lineOpened) {
    Entry entry{static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(name.size()),
                lineOpened, static_cast<std::int8_t>(closingRule), false};
    names_.append(name);
    byName_[text::toLowerAscii(name)].push_back(static_cast<std::uint32_t>(entries_.size()));
    entries_.push_back(entry);
    ++live_;
}

bool OpenTagStack::isOpen(std::string_view name) const {
    auto it = byName_.find(text::toLowerAscii(name));
    return it != byName_.end() && !it->second.empty();
}

}  // namespace engine
