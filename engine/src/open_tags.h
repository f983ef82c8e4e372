// The open-tag stack: every opening tag is pushed, matching closing tags remove their record,
// and the records left at the end of the document are checked for a required closing tag.
// Records are indexed by name, so that asking whether a tag is open never walks the stack.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace engine {

enum ClosingRule : int { kClosingRequired = 0, kClosingOptional = 1, kClosingNone = 2 };

class OpenTagStack {
public:
    struct Record {
        std::string_view name;  // as written in the document, cut to the tag-name field
        int closingRule;
        std::int32_t lineOpened;
    };

    void clear();
    void push(std::string_view name, int closingRule, std::int32_t lineOpened);
    // True when a record with this name (compared without regard to case) is on the stack.
    bool isOpen(std::string_view name) const;
    std::size_t size() const { return live_; }

    // Calls `visit(record)` for every record from the bottom (earliest opened) to the top.
    template <typename Visit>
    void forEachFromBottom(Visit&& visit) const {
        for (const Entry& entry : entries_) {
            if (!entry.removed) visit(record(entry));
        }
    }

private:
    struct Entry {
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
        std::int32_t lineOpened;
        std::int8_t closingRule;
        bool removed;
    };
    Record record(const Entry& entry) const {
        return {std::string_view(names_).substr(entry.nameOffset, entry.nameLength),
                entry.closingRule, entry.lineOpened};
    }

    std::string names_;           // the names of all records, one after another
    std::vector<Entry> entries_;  // bottom first
    std::size_t live_ = 0;
    // Lower-cased name -> positions in entries_ of the live records with that name, ascending.
    std::unordered_map<std::string, std::vector<std::uint32_t>> byName_;
};

}  // namespace engine
