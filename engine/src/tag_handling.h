// What is done with an opening or a closing tag once the dispatch has recognised it. For now
// an opening tag is pushed on the open-tag stack with an optional closing tag under the name it
// is written with, and nothing more is checked for closing tags; the tag reader, the placement
// and nesting checks and the attribute checks take over here.
#pragma once

#include <string_view>

#include "run_state.h"

namespace engine {

class TagHandling {
public:
    explicit TagHandling(RunState& state) : state_(state) {}

    // `text` is the whole tag text (collapsed), from its first character.
    void openingTag(std::string_view text);
    void closingTag(std::string_view text);

private:
    RunState& state_;
};

// The tag name of a tag text: its first token, read as the tag reader reads tokens (after
// spaces and tabs: a quoted text, "=", or a run of characters up to a blank or "="), cut to
// the 80-character name field.
std::string_view leadingName(std::string_view text);

}  // namespace engine
