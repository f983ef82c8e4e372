#include "tag_handling.h"

#include <array>

#include "attributes.h"
#include "config/text_utils.h"
#include "placement.h"
#include "tag_reader.h"

namespace engine {

namespace {

bool isTemplate(std::string_view name) { return text::equalsIgnoreCase(name, "template"); }

}  // namespace

std::string_view leadingName(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text::isBlank(text[start])) ++start;
    if (start == text.size()) return {};
    std::string_view token;
    char c = text[start];
    if (c == '=') {
        token = text.substr(start, 1);
    } else if (c == '"' || c == '\'') {
        std::size_t close = text.find(c, start + 1);
        token = close == std::string_view::npos ? text.substr(start + 1)
                                                 : text.substr(start + 1, close - start - 1);
    } else {
        std::size_t end = start;
        while (end < text.size() && !text::isBlank(text[end]) && text[end] != '=') ++end;
        token = text.substr(start, end - start);
    }
    return text::cutToField(token, kTagNameField);
}

TagHandling::TagHandling(RunState& state, ConfigurationView* view)
    : state_(state), cleanTags_(static_cast<std::size_t>(state.document.byteSize())) {
    if (state.configuration != nullptr && view != nullptr) {
        reader_ = std::make_unique<TagReader>(state);
        placement_ = std::make_unique<Placement>(state, *view);
        checker_ = std::make_unique<AttributeChecker>(state, *reader_, *placement_);
        placement_->startDocument();
    }
}

TagHandling::~TagHandling() = default;

bool TagHandling::knows(std::string_view text) {
    if (!reader_) return false;
    known_ = cleanTags_.find(text);
    if (known_.tag != nullptr) {
        notKnown_ = {};
        return known_.tag->wholeOnLine;
    }
    notKnown_ = text;
    // A text of a pattern checked clean is taken whole as well where the scanner would read
    // it as it stands: its quotes are those of its values, closed at its end.
    if (!CleanTags::endsTakenWhole(text)) return false;
    lookUpPattern(text);
    return pattern_ != nullptr;
}

void TagHandling::lookUpPattern(std::string_view text) {
    if (text.data() == readFor_.data() && text.size() == readFor_.size()) return;
    readFor_ = text;
    readingHolds_ = CleanPatterns::read(text, reading_);
    pattern_ = readingHolds_ ? patterns_.find(reading_) : nullptr;
}

bool TagHandling::valuesAsBefore(std::string_view text, const CleanPatterns::Pattern& pattern,
                                 bool ownTemplate) {
    TagEntry& given = value_;
    for (std::size_t i = 0; i < reading_.count; ++i) {
        const CleanPatterns::Reading::Attribute& attribute = reading_.attributes[i];
        // Every other value stands in the pattern as it stood in the tag remembered.
        if (attribute.quoteKind == 0) continue;
        const int need = patterns_.need(pattern, i);
        if (need == AttributeChecker::kAnyValue ||
            (need == AttributeChecker::kAnyButEmpty && attribute.valueLength > 0)) {
            continue;
        }
        given.value = reading_.value(text, i);
        given.hasValue = true;
        given.quoteKind = attribute.quoteKind;
        given.valueError = 86;
        if (!checker_->acceptedAsBefore(given, patterns_.acceptingAttribute(pattern, i),
                                        patterns_.acceptingPlace(pattern, i))) {
            return false;
        }
    }
    if (pattern.idAttribute >= 0) {
        const auto i = static_cast<std::size_t>(pattern.idAttribute);
        const CleanPatterns::Reading::Attribute& attribute = reading_.attributes[i];
        given.hasValue = attribute.hasValue;
        given.value = attribute.hasValue ? reading_.value(text, i) : std::string_view();
        given.writtenValue =
            attribute.hasValue ? reading_.writtenValue(text, i) : std::string_view();
        given.offset = attribute.nameStart;
        checkDuplicateId(given, ownTemplate);
    }
    return true;
}

void TagHandling::openingTagRead(std::string_view text, bool emptyElement) {
    if (!reader_) {
        if (!emptyElement) {
            state_.openTags.push(leadingName(text), kClosingOptional,
                                 {state_.lines.tag, state_.lines.tagColumn});
        }
        return;
    }
    // Only tags with attributes are remembered: a bare name reads at once. A text the scanner
    // found unknown a moment ago (the same bytes of the document) is not looked up again.
    const bool bare = state_.shortcuts && isBareName(text);
    CleanTags::Found found{nullptr, 0};
    if (!bare && state_.shortcuts) {
        const bool lookedUp = text.data() == notKnown_.data() && text.size() == notKnown_.size();
        found = lookedUp ? CleanTags::Found{nullptr, known_.hash} : cleanTags_.find(text);
    }
    notKnown_ = {};
    openingTagFound(text, emptyElement, bare, found);
}

void TagHandling::openingTagFound(std::string_view text, bool emptyElement, bool bare,
                                  CleanTags::Found found) {
    messages::MessageStore& store = state_.store;
    // The tag is placed once, as soon as its name is known; what the placing raised is told
    // apart from what reading and checking the attributes raised.
    bool placed = false;
    std::uint64_t placingRaises = 0;
    auto place = [&](std::string_view name) {
        if (!placed) {
            placed = true;
            const std::uint64_t before = store.raisesAsked();
            placement_->place(name, emptyElement);
            if (!emptyElement) placement_->push(name);
            placingRaises = store.raisesAsked() - before;
        }
        return !placement_->ignoresAllAttributes();
    };
    auto checkable = [this] {
        return !placement_->skipped() && !placement_->ignoresAllAttributes();
    };

    const CleanTags::Tag* clean = found.tag;
    if (clean != nullptr) {
        place(cleanTags_.name(*clean, text));
        // Read and checked against the same entries before, it raises nothing again.
        if (checkable() && cleanTags_.sameEntries(*clean, placement_->candidates())) return;
    }
    // A new text of a pattern checked clean against the same entries raises nothing when the
    // same lists accept its quoted values.
    const bool patterned = clean == nullptr && state_.shortcuts && !bare;
    if (patterned) {
        lookUpPattern(text);
        readFor_ = {};  // the tag text's buffer holds the next tag's text
        if (pattern_ != nullptr) {
            const std::string_view name = text::cutToField(reading_.name(text), kTagNameField);
            place(name);
            if (checkable() && patterns_.sameEntries(*pattern_, placement_->candidates()) &&
                valuesAsBefore(text, *pattern_, !emptyElement && isTemplate(name))) {
                // The same text met again is then found whole, as a tag checked in full would be.
                if (pattern_->idAttribute < 0) {
                    cleanTags_.remember(text, found.hash, name, placement_->candidates());
                }
                return;
            }
        }
    }

    const std::uint64_t before = store.raisesAsked();
    const int entries = bare ? reader_->readBareTag(text, false, place)
                             : reader_->readTag(text, false, place);
    // The id is looked up after the check, whose messages come first; its slot is fetched
    // now, so that the check's work hides the wait for it.
    const int id = state_.options.CheckDuplicateIds ? idEntry() : -1;
    if (id > 0) {
        state_.idLines.prefetch(reader_->table()[static_cast<std::size_t>(id)].writtenValue);
    }
    if (entries > 0 && !(entries == 1 && state_.shortcuts && nothingAskedWithoutAttributes())) {
        checker_->check();
    }
    const bool carriesId = id > 0;
    if (carriesId) {
        checkDuplicateId(reader_->table()[static_cast<std::size_t>(id)],
                         placed && !emptyElement && isTemplate(reader_->tagName()));
    }
    if (patterned && entries > 1 && placed && checkable() &&
        store.raisesAsked() - before == placingRaises) {
        if (!carriesId) {
            cleanTags_.remember(text, found.hash, reader_->tagName(), placement_->candidates());
        }
        if (readingHolds_ && pattern_ == nullptr &&
            static_cast<int>(reading_.count) + 1 == entries && checker_->acceptedBy() != nullptr) {
            const int* accepted = checker_->acceptedBy();
            std::array<int, kMaxTableEntries> needs{};
            for (std::size_t i = 0; i < reading_.count; ++i) {
                needs[i] = checker_->valueNeed(accepted[2 * i], accepted[2 * i + 1],
                                               reading_.attributes[i].quoteKind);
            }
            patterns_.remember(reading_, placement_->candidates(), accepted, needs.data(),
                               carriesId ? id - 1 : -1);
        }
    }
}

// A bare name the scanner found ("<td>"): read, placed and pushed at once. It carries no
// attribute, so there is nothing to remember about it and no id; only what its entries ask of
// a tag without attributes is checked.
void TagHandling::openingBareTag(std::string_view text, bool emptyElement) {
    // The scanner's bare names are shorter than the name field: the name is the whole text.
    // The tag entry table is filled only for the check, which alone reads it.
    placement_->place(text, emptyElement);
    if (!emptyElement) placement_->push(text);
    if (!nothingAskedWithoutAttributes()) {
        reader_->readBareTag(text, false, {});
        checker_->check();
    }
}

// Whether the entries the tag was placed against ask nothing of a tag without attributes: no
// warning for the missing attributes, and none that must always be there (or the tag is not
// checked at all). Such a tag has nothing to check.
bool TagHandling::nothingAskedWithoutAttributes() const {
    return !placement_->warnIfNoAttributes() &&
           (placement_->skipped() || placement_->ignoresAllAttributes() ||
            (placement_->lookup() != nullptr && placement_->lookup()->noneAlwaysChecked));
}

// The place in the tag entry table of the tag's first id attribute, or -1.
int TagHandling::idEntry() const {
    const std::vector<TagEntry>& table = reader_->table();
    for (int i = 1; i < reader_->count(); ++i) {
        const TagEntry& entry = table[static_cast<std::size_t>(i)];
        if (!entry.inserted && text::equalsIgnoreCase(entry.name, "id")) return i;
    }
    return -1;
}

// The tag's first id attribute: a value that an earlier tag of the document gave already is
// reported with the line of that tag. The content of a TEMPLATE is a document fragment of its
// own, never shown as it stands: its ids are neither checked nor remembered (the TEMPLATE's
// own id is the page's).
void TagHandling::checkDuplicateId(const TagEntry& entry, bool ownTemplate) {
    if (!entry.hasValue || entry.value.empty()) return;
    OpenTagStack& open = state_.openTags;
    long templatePlace = open.topmostFolded(open.fold("template"));
    if (ownTemplate && templatePlace >= 0) {
        templatePlace = open.belowOfItsName(templatePlace);
    }
    if (templatePlace >= 0) return;
    // Two ids are the same only when they are whole: the message names the value as cut.
    const int first = state_.idLines.firstLineOr(entry.writtenValue, state_.lines.tag);
    if (first != 0) {
        messages::MessageStore::Cause cause(state_.store, state_.inTag(entry.offset));
        state_.store.raiseError(305, entry.value, {}, first);
    }
}

void TagHandling::closingTagRead(std::string_view text) {
    if (!reader_) {
        // Without an HTML Configuration nothing is placed, but a closing tag still ends the
        // nearest open tag of its name: whether a CFOUTPUT is open decides how entities read.
        const long place = state_.openTags.topmost(leadingName(text.substr(1)));
        if (place >= 0) state_.openTags.remove(place);
        return;
    }
    if (state_.shortcuts && closesByName(text) && isBareName(text)) {
        placement_->close(text.substr(1));
        return;
    }
    reader_->readTag(text, true, {});
    placement_->close(reader_->closingName());
}

}  // namespace engine
