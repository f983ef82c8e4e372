// Where the text of the tag in hand came from. The scanner joins the lines of a tag with one
// blank and the dispatch collapses the blocks inside it, so a place in the tag text is not a
// place in the document; this map gives it back, for the messages that point at a character
// of the tag. It costs one entry per line of the tag and one per collapsed block, and is read
// only when such a message is raised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "messages/message_store.h"

namespace engine {

class TagTextMap {
public:
    // The tag's text begins at `column` of `line` (the character after the `<`).
    void start(std::int32_t line, std::int32_t column) {
        first_ = {0, line, column};
        started_ = true;
        // Most tags stand on one line and collapse nothing: nothing else to clear.
        if (!segments_.empty()) segments_.clear();
        if (!edits_.empty()) edits_.clear();
    }
    // The text from `offset` on comes from the start of `line`.
    void continueOnLine(std::size_t offset, std::int32_t line) {
        segments_.push_back({offset, line, 1});
    }
    // In collapsing pass `pass`, the `oldLength` characters at `oldStart` became the
    // `newLength` characters at `newStart`. Passes are numbered in the order they run, and the
    // edits of a pass are given from left to right.
    void collapsed(int pass, std::size_t newStart, std::size_t newLength, std::size_t oldStart,
                   std::size_t oldLength) {
        edits_.push_back({pass, newStart, newLength, oldStart, oldLength});
    }

    // The place in the document of the character at `offset` of the tag text as it stands now.
    // A character inside a collapsed block's word is placed at the block's start.
    messages::Position position(std::size_t offset) const;

private:
    struct Segment {
        std::size_t offset;
        std::int32_t line;
        std::int32_t column;
    };
    struct Edit {
        int pass;
        std::size_t newStart;
        std::size_t newLength;
        std::size_t oldStart;
        std::size_t oldLength;
    };
    Segment first_{};
    bool started_ = false;
    std::vector<Segment> segments_;  // the lines after the first
    std::vector<Edit> edits_;
};

}  // namespace engine
