// The opening tags of a document whose attributes were read and checked without a single
// raise, by their text and the tag entries they were checked against. Reading and checking a
// tag's attributes depends on nothing else (the options and the HTML Configuration stay the
// same for the whole document), so the same text checked against the same entries again
// raises nothing again and need not be read: pages repeat the same tags (`<td align="right">`,
// `<span class="note">`) thousands of times.
//
// Placing the tag against the open tags is never skipped: it depends on where the tag stands.
// The memory is bounded: past kMaxTexts texts or kMaxBytes bytes nothing more is remembered.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/text_utils.h"

namespace engine {

// Whether `entries` are the `count` tag entries at `held`, as a clean text or pattern keeps
// those it was checked against: one or two as a rule, compared in place rather than through a
// call to memcmp.
inline bool sameEntryIds(const std::vector<int>& entries, const int* held, std::size_t count) {
    if (count != entries.size()) return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (entries[i] != held[i]) return false;
    }
    return true;
}

class CleanTags {
public:
    // `documentBytes`, the size of the document, sizes the table of texts seen once: a small
    // page of a site needs few of its slots, and each document starts with them all empty.
    // The table is made when the first text is checked clean: a document whose tags carry no
    // attributes (a deep nesting of DIVs) needs none.
    explicit CleanTags(std::size_t documentBytes)
        : seenSlots_(
              std::clamp<std::size_t>(std::bit_ceil(documentBytes / 64 + 1), 64, kSeenSlots)) {}

    // A remembered tag: where its name stands in its text, and the entries it was checked
    // against.
    struct Tag {
        std::uint32_t textOffset;
        std::uint32_t textLength;
        std::uint32_t nameStart;
        std::uint32_t nameLength;
        std::uint32_t entriesOffset;
        std::uint32_t entryCount;
        std::uint64_t hash;
        // The scanner may take the text whole where the same bytes stand on a line before a
        // `>` (takenWhole()).
        bool wholeOnLine;
    };

    // Texts longer than this are not remembered: long tags seldom repeat.
    static constexpr std::size_t kMaxTextLength = 512;
    static constexpr std::size_t kMaxTexts = 1 << 14;
    static constexpr std::size_t kMaxBytes = 1 << 20;

    // The remembered tag with this text (null for none), and the text's hash for remember().
    struct Found {
        const Tag* tag;
        std::uint64_t hash;
    };
    Found find(std::string_view text) const;
    // Whether the text of an opening tag, found on a line between its `<` and the first `>`
    // after it, is read by the scanner and the dispatch as it stands: it starts with an ASCII
    // letter (no block, comment or closing tag), ends with neither a blank nor the "/" of an
    // empty element, and holds no "<" or "[" (no block, macro or new tag inside). The quotes
    // of such a text, remembered because a `>` right after it ended its tag, are closed at its
    // end, so the `>` after the same bytes ends the tag there too.
    static bool takenWhole(std::string_view text);
    // The same for a text known to hold no "<" or "[": its first and last characters.
    static bool endsTakenWhole(std::string_view text) {
        if (text.empty() || !text::isAsciiLetter(text.front())) return false;
        const char last = text.back();
        return !text::isBlank(last) && last != '/';
    }
    // The hash find() takes of a text.
    static std::uint64_t hashOf(std::string_view text);
    // The tag's name within its text.
    std::string_view name(const Tag& tag, std::string_view text) const {
        return text.substr(tag.nameStart, tag.nameLength);
    }
    // Whether the tag was checked against exactly these entries, in this order.
    bool sameEntries(const Tag& tag, const std::vector<int>& entries) const;
    // Remembers a tag that raised nothing; `name` is a view into `text`, `hash` what find()
    // gave. A text is remembered the second time it is checked clean: most texts met once
    // (links, ids) are never met again and would only crowd out those that repeat. Does
    // nothing when the memory is full or the text too long.
    void remember(std::string_view text, std::uint64_t hash, std::string_view name,
                  const std::vector<int>& entries);

private:
    // A slot holds part of its text's hash beside the tag's index, so that a probe reads the
    // text only when the hashes agree.
    struct Slot {
        std::uint32_t check;  // the hash's high half; 0 in an empty slot
        std::uint32_t index;
    };
    static std::uint32_t checkOf(std::uint64_t hash) {
        return static_cast<std::uint32_t>(hash >> 32) | 1u;
    }
    std::size_t slotOf(std::string_view text, std::uint64_t hash) const;
    void grow();

    std::string bytes_;           // the texts, one after another
    std::vector<int> entries_;    // the entry lists, one after another
    std::vector<Tag> tags_;
    // Open addressing with linear probing, at most half full.
    std::vector<Slot> slots_;
    // The texts checked clean once, by their hash alone (a later text with the same hash
    // counts as seen: it is then remembered a time early, which costs only room).
    static constexpr std::size_t kSeenSlots = 1 << 14;
    std::size_t seenSlots_;
    std::vector<std::uint32_t> seen_;  // empty until a text is checked clean
};

// The shapes of the opening tags whose attributes were checked without a single raise: the
// tag entries a tag was checked against and, for each attribute, its name as written and the
// form the tag reader gave it (a value or none, its quotes, what the reader settled already),
// with the attribute entry whose value list accepted its value at the first try and the value
// of that list that accepted it. The check of a tag depends on its values only through those
// lists (AttributeChecker::check()), so a later tag of the same shape whose values those same
// lists accept raises nothing either. Pages give links, anchors and form fields of one shape
// thousands of times, each with values of its own, which the memory of clean texts never meets
// twice.
//
// The memory is bounded: past kMaxShapes shapes or kMaxBytes bytes nothing more is remembered.
class CleanShapes {
public:
    static constexpr std::size_t kMaxShapes = 1 << 12;
    static constexpr std::size_t kMaxBytes = 1 << 18;

    // An attribute of a shape: its name as written and a byte for its form.
    struct Attribute {
        std::string_view name;
        std::uint8_t form;
    };

    // What was remembered for the shape of a tag checked against `entries` with `attributes`:
    // for each attribute the attribute entry and the place in its value list of the value that
    // accepted it, one after the other; or null.
    const int* find(const std::vector<int>& entries, const Attribute* attributes,
                    std::size_t count);
    // Remembers the shape find() was last asked for, with what find() is to give for it; a
    // shape found there stays as it was.
    void remember(const std::vector<int>& entries, const Attribute* attributes,
                  std::size_t count, const std::vector<int>& acceptedBy);

private:
    struct Shape {
        std::uint64_t hash;
        std::uint32_t entriesOffset;  // in ints_: the entries, then what find() gives
        std::uint32_t entryCount;
        std::uint32_t attributesOffset;  // in attributes_
        std::uint32_t attributeCount;
    };
    struct Stored {
        std::uint32_t nameOffset;  // in names_
        std::uint8_t nameLength;
        std::uint8_t form;
    };
    bool matches(const Shape& shape, const std::vector<int>& entries,
                 const Attribute* attributes, std::size_t count) const;

    std::uint64_t hash_ = 0;  // of the shape find() was last asked for
    bool found_ = false;      // whether find() found it
    std::size_t slot_ = 0;    // where find() stopped: the empty slot for a shape not found
    std::vector<int> ints_;
    std::vector<Stored> attributes_;
    std::string names_;
    std::vector<Shape> shapes_;
    std::vector<std::uint32_t> slots_;  // index + 1, 0 for an empty slot; at most half full
};

}  // namespace engine
