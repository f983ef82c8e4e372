// The document scanner: walks the lines character by character, raises the findings of the
// text between tags, and collects each tag's text (lines of a tag joined by one space) up to
// the `>` that ends it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dispatch.h"
#include "entities.h"
#include "run_state.h"

namespace engine {

class Scanner {
public:
    // Bare tags ("<td>", "</td>") are handed to `dispatcher` as soon as they are read, and
    // the scanner goes on, as long as nothing has been raised since nextTag() was called.
    Scanner(RunState& state, EntityChecker& entities, TagDispatcher& dispatcher)
        : state_(state), entities_(entities), dispatcher_(dispatcher) {}

    // Puts the read position at the start of the first line.
    void initialise();

    // Collects the next tag into the run's tag text. Returns false at the end of the document
    // (also when it ends inside a tag, after the finding has been raised). Bare tags met on the
    // way are dispatched here; a bare tag that raised something ends the call, already
    // dispatched (dispatched() says so), so that the limits are looked at.
    bool nextTag();
    bool dispatched() const { return dispatched_; }

private:
    enum class BlockMode { None, Comment, Server, ProcessingQuestion, ProcessingHash };
    enum class TagEnd { Complete, Restart, EndOfDocument };

    bool nextLine();
    bool textPhase();
    bool takeBareTag();
    void beginTag();
    void startTag();
    TagEnd tagPhase();
    bool at(std::string_view text) const { return line_.substr(pos_).starts_with(text); }

    RunState& state_;
    EntityChecker& entities_;
    TagDispatcher& dispatcher_;
    std::uint64_t raisesSeen_ = 0;  // what the store had asked when nextTag() was called
    bool dispatched_ = false;
    std::size_t lineIndex_ = 0;
    std::string_view line_;
    std::size_t pos_ = 0;
    BlockMode block_ = BlockMode::None;
    bool tagTaken_ = false;  // textPhase() took a whole bare tag: no tag phase for it
};

}  // namespace engine
