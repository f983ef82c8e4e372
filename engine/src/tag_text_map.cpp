#include "tag_text_map.h"

namespace engine {

messages::Position TagTextMap::position(std::size_t offset) const {
    // Undo the collapsing, the last pass first.
    std::size_t at = offset;
    for (std::size_t end = edits_.size(); end > 0;) {
        const int pass = edits_[end - 1].pass;
        std::size_t begin = end;
        while (begin > 0 && edits_[begin - 1].pass == pass) --begin;
        // The last edit of the pass that starts at or before `at`.
        const Edit* before = nullptr;
        for (std::size_t i = begin; i < end && edits_[i].newStart <= at; ++i) before = &edits_[i];
        if (before != nullptr) {
            if (at < before->newStart + before->newLength) {
                at = before->oldStart;
            } else {
                at = at - (before->newStart + before->newLength) +
                     (before->oldStart + before->oldLength);
            }
        }
        end = begin;
    }
    if (!started_) return {};
    const Segment* segment = &first_;
    for (const Segment& next : segments_) {
        if (next.offset > at) break;
        segment = &next;
    }
    return {segment->line,
            segment->column + static_cast<std::int32_t>(at - segment->offset)};
}

}  // namespace engine
