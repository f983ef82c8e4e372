// The tag reader: turns the text of one tag into the tag entry table (the tag name, then each
// attribute with its value and quoting) and raises the errors of form: quotes, equal signs,
// blanks around "=", too many attributes, quoted names, and for closing tags blanks after the
// "/" and extra text.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "config/text_utils.h"

#include "run_state.h"

namespace engine {

// Field sizes of the tag entry table, terminators included.
constexpr std::size_t kTagNameField = 80;
constexpr std::size_t kTagValueField = 256;
// An unquoted token that ends at "=" is copied into a buffer of this many characters (a UTF-8
// letter counting as one, as in every other length of a name).
constexpr std::size_t kTokenBuffer = 512;
// The table holds the tag name and at most 49 attributes.
constexpr int kMaxTableEntries = 50;

// The name and value are views of the tag text (or, for an inserted entry, of the
// configuration's name), valid while the tag is handled.
struct TagEntry {
    std::string_view name;
    std::string_view value;
    // The value as written, before the cut to the value field: ids are told apart whole.
    std::string_view writtenValue;
    bool hasValue = false;
    int quoteKind = 0;  // 0 unquoted, 1 single quotes, 2 double quotes
    bool nameAccepted = false;
    bool valueAccepted = false;
    int nameError = 85;
    int valueError = 86;
    bool inserted = false;  // added for a missing attribute, not read from the tag
    // The value lists tried, as (attribute id, count): the first `count` values of the
    // attribute's list (those of an active category) were tried. Error 86 lists them.
    std::vector<std::pair<int, int>> triedValues;
    // The attribute entry whose value list accepted the value when it was the first list
    // tried, and the place in that list of the value that accepted it; -1 for none.
    int acceptedAtFirstTry = -1;
    int acceptedPlace = -1;
    // Where the entry's name token starts in the tag text (its quote, when quoted) and where
    // it ends; the messages about the entry point there.
    std::size_t offset = 0;
    std::size_t nameEnd = 0;
};

// What readTag() calls with the tag name of an opening tag: a reference to a callable that
// outlives the call, so that handing it over never allocates (as a std::function holding a
// larger closure would, once per tag).
class PlaceName {
public:
    PlaceName() = default;
    template <typename F>
    PlaceName(F& callable)  // NOLINT: converts from any callable, as a function reference does
        : object_(&callable), call_([](void* object, std::string_view name) {
              return (*static_cast<F*>(object))(name);
          }) {}
    bool operator()(std::string_view name) const { return call_(object_, name); }
    explicit operator bool() const { return call_ != nullptr; }

private:
    void* object_ = nullptr;
    bool (*call_)(void*, std::string_view) = nullptr;
};

// The characters an unquoted token stops at: the blanks and "=" that end it, and the quotes
// that are reported inside it.
inline constexpr std::array<bool, 256> kTokenStops = [] {
    std::array<bool, 256> table{};
    for (char c : std::string_view(" \t=\"'")) table[static_cast<unsigned char>(c)] = true;
    return table;
}();
inline bool isTokenStop(char c) { return kTokenStops[static_cast<unsigned char>(c)]; }

// One attribute of a plain opening tag: where its name and its value stand in the tag text.
struct PlainAttribute {
    std::size_t nameStart;
    std::size_t nameEnd;
    std::size_t valueStart;  // inside the quotes of a quoted value
    std::size_t valueEnd;
    int quoteKind;  // 0 unquoted, 1 single quotes, 2 double quotes
    bool hasValue;
};

// The attributes of a plain opening tag from `pos` on, each handed to `take` in order: each one a
// name, alone or with "=" and a value right after it, quoted or not, the attributes apart by
// blanks, at most kMaxTableEntries - 1 of them. That is what TagReader::readTag() reads without
// a single error. False (after `take` has seen some of them) for anything else, which the
// general reading is left to read its own way.
template <typename Take>
bool walkPlainAttributes(std::string_view line, std::size_t pos, Take&& take) {
    const std::size_t size = line.size();
    const char* const text = line.data();
    int count = 0;
    while (true) {
        while (pos < size && text::isBlank(text[pos])) ++pos;
        if (pos == size) return true;
        if (isTokenStop(text[pos]) || count + 1 == kMaxTableEntries) return false;
        PlainAttribute attribute{pos, pos, 0, 0, 0, false};
        while (pos < size && !isTokenStop(text[pos])) ++pos;
        attribute.nameEnd = pos;
        ++count;
        if (pos == size || text::isBlank(text[pos])) {
            // No value: unless an "=" follows the blanks, which readTag() reports.
            std::size_t next = pos;
            while (next < size && text::isBlank(text[next])) ++next;
            if (next < size && text[next] == '=') return false;
            take(attribute);
            continue;
        }
        // The name stopped at "=" or a quote: a name that may hold kTokenBuffer characters or
        // more before the "=", or a quote inside the name, is left to readTag().
        if (text[pos] != '=' || pos - attribute.nameStart >= kTokenBuffer) return false;
        ++pos;
        if (pos == size) return false;
        const char first = text[pos];
        if (first == '"' || first == '\'') {
            const void* close = std::memchr(text + pos + 1, first, size - pos - 1);
            if (close == nullptr) return false;
            attribute.valueStart = pos + 1;
            attribute.valueEnd = static_cast<std::size_t>(static_cast<const char*>(close) - text);
            attribute.quoteKind = first == '"' ? 2 : 1;
            pos = attribute.valueEnd + 1;
        } else {
            if (isTokenStop(first)) return false;  // a blank, "=" or quote right after the "="
            attribute.valueStart = pos;
            while (pos < size && !isTokenStop(text[pos])) ++pos;
            attribute.valueEnd = pos;
        }
        // The value ends the text or a blank follows it.
        if (pos < size && !text::isBlank(text[pos])) return false;
        attribute.hasValue = true;
        take(attribute);
    }
}

// Whether a tag text is a bare name ("td", "/td", "br"): not empty, with no blank, "=" or
// quote, so that it reads as one token with nothing to report about its form.
bool isBareName(std::string_view text);

class TagReader {
public:
    explicit TagReader(RunState& state) : state_(state) {}

    // Reads a tag text into the table. For an opening tag `place` is called with the tag
    // name right after it is read; it returns false when the tag's attributes are not to be
    // read (the tag ignores them all). Returns the number of entries.
    int readTag(std::string_view text, bool closing, PlaceName place);
    // The same for a text isBareName() accepts; `place` may be empty (the caller places the
    // name itself).
    int readBareTag(std::string_view text, bool closing, PlaceName place);

    // The name a closing tag closes: the table's name without its "/", after the errors of
    // blanks and extra text. Empty (error 88 raised) when there is no name.
    // The view is valid until the next tag is read.
    std::string_view closingName();

    // Marks the collapsed words "MIVA" and "ASP" (with CollapseASPInTags) as accepted; when
    // the tag name is one, every entry.
    void acceptCollapsedWords();

    // Warning 103 for every attribute named more than once.
    void reportDuplicates();

    std::vector<TagEntry>& table() { return table_; }
    int count() const { return count_; }
    std::string_view tagName() const { return table_[0].name; }

    // Adds an entry for a missing attribute, accepted, while the table has room; `name` must
    // outlive the tag's handling (a configuration name).
    void insertAccepted(std::string_view name);

private:
    struct Token {
        std::string_view text;
        int quoteKind = 0;
        bool space = false;
        bool present = false;
        std::size_t start = 0;  // the token's first character in the text (its quote)
        std::size_t end = 0;    // after its last character (its closing quote)
    };
    Token nextToken();
    bool readPlainAttributes(std::size_t pos);
    TagEntry& startEntry();
    static TagEntry& clearEntry(TagEntry& entry);
    // Raises an error whose cause starts at `offset` of the tag text.
    void raiseAt(std::size_t offset, int number, std::string_view text1 = {}, int value = 0);

    RunState& state_;
    std::vector<TagEntry> table_ = std::vector<TagEntry>(kMaxTableEntries);
    int count_ = 0;
    std::string_view text_;
    std::size_t pos_ = 0;
    std::string closing_;  // the name closingName() gives
};

}  // namespace engine
