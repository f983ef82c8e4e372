#include "tag_text_map.h"

#include <algorithm>

namespace engine {

// Each look-up is a binary search, in the segments and in each pass's edits, so that a long
// tag that raises a message at many of its characters costs no more than its length.
messages::Position TagTextMap::position(std::size_t offset) const {
    // Undo the collapsing, the last pass first. The passes follow each other in `edits_`, and
    // the edits of a pass stand from left to right.
    std::size_t at = offset;
    auto end = edits_.end();
    while (end != edits_.begin()) {
        const int pass = std::prev(end)->pass;
        const auto begin = std::partition_point(edits_.begin(), end,
                                                [pass](const Edit& e) { return e.pass < pass; });
        // The last edit of the pass that starts at or before `at`.
        const auto after = std::partition_point(
            begin, end, [at](const Edit& e) { return e.newStart <= at; });
        if (after != begin) {
            const Edit& before = *std::prev(after);
            if (at < before.newStart + before.newLength) {
                at = before.oldStart;
            } else {
                at = at - (before.newStart + before.newLength) +
                     (before.oldStart + before.oldLength);
            }
        }
        end = begin;
    }
    if (!started_) return {};
    const auto next = std::partition_point(segments_.begin(), segments_.end(),
                                           [at](const Segment& s) { return s.offset <= at; });
    const Segment& segment = next == segments_.begin() ? first_ : *std::prev(next);
    return {segment.line, segment.column + static_cast<std::int32_t>(at - segment.offset)};
}

}  // namespace engine
