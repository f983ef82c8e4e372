// What is done with an opening or a closing tag once the dispatch has recognised it. With an
// HTML Configuration the tag is read into its entries, placed against the open tags, and its
// attributes and values checked; a closing tag closes its match. Without one, an opening tag
// is only pushed on the open-tag stack (optional closing tag) under the name it is written with.
#pragma once

#include <memory>
#include <string_view>

#include "clean_patterns.h"
#include "clean_tags.h"
#include "placement.h"
#include "run_state.h"
#include "tag_reader.h"

namespace engine {

class AttributeChecker;
class ConfigurationView;

class TagHandling {
public:
    // `view` is the run's view of the HTML Configuration, null when there is none.
    TagHandling(RunState& state, ConfigurationView* view);
    ~TagHandling();

    // `text` is the whole tag text (collapsed), from its first character. An empty element
    // (written "<br/>") is placed and checked but never waits for a closing tag.
    // `bare`: the scanner found the text to be a bare name (isBareName() holds).
    void openingTag(std::string_view text, bool emptyElement = false, bool bare = false) {
        if (bare && reader_) {
            openingBareTag(text, emptyElement);
        } else {
            openingTagRead(text, emptyElement);
        }
    }
    void closingTag(std::string_view text, bool bare = false) {
        // "</td>": a bare name that fits the name field closes the name after its "/", with
        // nothing about its form to report.
        if (bare && reader_ && closesByName(text)) {
            placement_->close(text.substr(1));
        } else {
            closingTagRead(text);
        }
    }

    // Whether `text`, the text of an opening tag on a line up to the first `>` after its `<`,
    // is remembered as checked clean and may be taken whole (CleanTags::takenWhole()): the
    // scanner then hands it to openingKnownTag() without reading it further. The scanner
    // hands only texts that start with an ASCII letter and hold no "<" or "[" (it stops at
    // them).
    bool knows(std::string_view text);
    // The tag whose text knows() has just accepted.
    void openingKnownTag(std::string_view text) {
        openingTagFound(text, false, false, known_);
    }

private:
    void openingBareTag(std::string_view text, bool emptyElement);
    // Any other opening tag, or every one without an HTML Configuration.
    void openingTagRead(std::string_view text, bool emptyElement);
    // The same once the text has been looked up among the tags remembered clean.
    void openingTagFound(std::string_view text, bool emptyElement, bool bare,
                         CleanTags::Found found);
    // Any other closing tag, or every one without an HTML Configuration.
    void closingTagRead(std::string_view text);
    // A closing tag that fits the name field ("/" and at least one character): its name,
    // when bare, is matched as it stands.
    static bool closesByName(std::string_view text) {
        return text.size() >= 2 && text.size() < kTagNameField;
    }
    bool nothingAskedWithoutAttributes() const;
    int idEntry() const;
    // `ownTemplate`: the tag is a TEMPLATE, pushed on the open tags.
    void checkDuplicateId(const TagEntry& entry, bool ownTemplate);
    // Reads `text` for its pattern and looks the pattern up, unless that was done for the
    // same text a moment ago.
    void lookUpPattern(std::string_view text);
    // Whether the values of the tag whose pattern was found are accepted as the values of the
    // tag it was remembered from; then the tag's id is checked as well.
    bool valuesAsBefore(std::string_view text, const CleanPatterns::Pattern& pattern,
                        bool ownTemplate);

    RunState& state_;
    std::unique_ptr<TagReader> reader_;
    std::unique_ptr<Placement> placement_;
    std::unique_ptr<AttributeChecker> checker_;
    CleanTags cleanTags_;  // of the document in hand
    // What knows() found last; when it found nothing, the text it looked up, so that the tag's
    // handling, handed the same text, does not look it up again.
    CleanTags::Found known_{nullptr, 0};
    std::string_view notKnown_;
    // The patterns of the document in hand, and the last text read for one: what the reading
    // gave and the pattern found (null for none).
    CleanPatterns patterns_;
    CleanPatterns::Reading reading_;
    std::string_view readFor_;
    bool readingHolds_ = false;
    const CleanPatterns::Pattern* pattern_ = nullptr;
    TagEntry value_;  // a value of a tag taken by its pattern, as the reader would give it
};

// The tag name of a tag text: its first token, read as the tag reader reads tokens (after
// spaces and tabs: a quoted text, "=", or a run of characters up to a blank or "="), cut to
// the 80-character name field.
std::string_view leadingName(std::string_view text);

}  // namespace engine
