// The document scanner: walks the lines character by character, raises the findings of the
// text between tags, collects each tag's text (lines of a tag joined by one space) up to the
// `>` that ends it, and hands the tag to the dispatch.
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
    // Each tag read is handed to `dispatcher`; a bare one ("<td>", "</td>") without leaving
    // the text between tags.
    Scanner(RunState& state, EntityChecker& entities, TagDispatcher& dispatcher)
        : state_(state), entities_(entities), dispatcher_(dispatcher) {}

    // Puts the read position at the start of the first line.
    void initialise();

    // Reads the document on from where it stands, collecting each tag into the run's tag text
    // and handing it to the dispatch, until a tag has been dispatched with something raised
    // since the call (in it or in the text before it): returns true then, so that the limits
    // are looked at. Returns false at the end of the document (also when it ends inside a tag,
    // after the finding has been raised).
    bool scan();

private:
    enum class BlockMode { None, Comment, Server, ProcessingQuestion, ProcessingHash };
    enum class TagEnd { Complete, Restart, EndOfDocument };

    bool nextLine();
    bool textPhase();
    bool takeBareTag();
    bool takeKnownTag();
    void beginTag();
    void startTag();
    TagEnd tagPhase();
    TagEnd endTagAt(std::size_t segment, std::size_t end);
    std::size_t semicolonFrom(std::size_t from);
    bool startsNoReference(std::size_t amp) const;
    bool at(std::string_view text) const { return line_.substr(pos_).starts_with(text); }

    RunState& state_;
    EntityChecker& entities_;
    TagDispatcher& dispatcher_;
    std::uint64_t raisesSeen_ = 0;  // what the store had asked when scan() was called
    std::size_t lineIndex_ = 0;
    std::string_view line_;
    std::size_t pos_ = 0;
    BlockMode block_ = BlockMode::None;
    bool bareTagRaised_ = false;  // textPhase() ended at a bare tag it dispatched
    // The last search for the ";" that ends an entity: on which line, from where, and what
    // it found.
    struct Semicolon {
        std::size_t line = static_cast<std::size_t>(-1);
        std::size_t from = 0;
        std::size_t found = 0;
    };
    Semicolon semicolon_;
};

}  // namespace engine
