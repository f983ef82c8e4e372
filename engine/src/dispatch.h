// Tag dispatch: what happens to each tag text the scanner returns. Server blocks, processing
// blocks and Miva macros inside the tag are collapsed first; then the tag is recognised as a
// prologue identifier, an HTML comment, a server section, a processing block, a closing tag or
// an opening tag, and counted and handed on.
#pragma once

#include <string>
#include <string_view>

#include "run_state.h"
#include "tag_handling.h"

namespace engine {

// Removes the empty-element mark "/" from the end of an opening tag's text, with the blanks
// before it; returns whether there was one.
bool removeEmptyElementMark(std::string_view& text);

class TagDispatcher {
public:
    TagDispatcher(RunState& state, TagHandling& tags) : state_(state), tags_(tags) {}

    void dispatch();
    // The bare tag the scanner has just taken (RunState::bareTag).
    void dispatchBare() {
        state_.bareTag = false;
        const std::string_view text = state_.tagView;
        handOn(text, text.front() == '/', false, true);
    }

    // Whether the tag handling knows the text of an opening tag as one remembered clean that
    // may be taken whole (TagHandling::knows()).
    bool knows(std::string_view text) { return tags_.knows(text); }
    // The tag the scanner has just taken whole after knows() accepted its text
    // (RunState::tagView): an opening tag with nothing about its form to report, counted and
    // handed on as dispatch() would.
    void dispatchKnown() {
        ++state_.counters.tagNames;
        tags_.openingKnownTag(state_.tagView);
    }

    // Collapses the blocks inside a tag text in place (never lengthening it); a text without
    // "<" or "&" has none.
    void collapseBlocks(TagText& text);

private:
    bool endsIgnoring(std::string_view text, std::size_t first) const;
    // Counts the closing (`closing`) or opening tag and hands it to the tag handling.
    void handOn(std::string_view text, bool closing, bool emptyElement, bool bare);
    void heedDirective(std::string_view comment);

    RunState& state_;
    TagHandling& tags_;
};

}  // namespace engine
