// The patterns of the opening tags checked clean: a tag's text with what stands between the
// quotes of its values left out (`a href=""`). Pages give thousands of links, anchors and
// font colours of one pattern, each with a value of its own, that the memory of clean texts
// (CleanTags) never meets twice.
//
// A pattern fixes everything the tag reader makes of a plain tag but the quoted values:
// the name, and each attribute's name, its "=", its quotes and any value written otherwise.
// Against the same tag entries that is the shape of the tag (CleanShapes), whose check depends
// on the values only through the value lists that accepted them: a later tag of the pattern
// whose quoted values the same lists accept raises nothing, and needs neither the reader nor
// the full check. Only a duplicate id, which depends on the whole document, is still looked
// for.
//
// The memory is bounded: past kMaxPatterns patterns or kMaxBytes bytes nothing more is
// remembered.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clean_tags.h"
#include "tag_reader.h"

namespace engine {

class CleanPatterns {
public:
    static constexpr std::size_t kMaxPatterns = 1 << 12;
    static constexpr std::size_t kMaxBytes = 1 << 18;
    // Longer texts are not read for a pattern, as they are not remembered whole.
    static constexpr std::size_t kMaxTextLength = CleanTags::kMaxTextLength;

    // A tag text read for its pattern, as TagReader::readTag() reads a plain opening tag.
    struct Reading {
        struct Attribute {
            std::uint32_t nameStart;
            std::uint32_t valueStart;
            std::uint32_t valueLength;
            std::uint8_t quoteKind;  // 0 unquoted, 1 single quotes, 2 double quotes
            bool hasValue;
        };
        std::uint32_t nameStart = 0;
        std::uint32_t nameEnd = 0;
        std::uint32_t count = 0;  // attributes
        std::array<Attribute, kMaxTableEntries - 1> attributes{};
        // The text without the characters between its values' quotes.
        std::array<char, kMaxTextLength> bytes;
        std::uint32_t length = 0;
        std::uint64_t hash = 0;

        std::string_view pattern() const { return {bytes.data(), length}; }

        std::string_view name(std::string_view text) const {
            return text.substr(nameStart, nameEnd - nameStart);
        }
        // The value of attribute `i` as the tag reader gives it (cut to the value field).
        std::string_view value(std::string_view text, std::size_t i) const;
        // The same before the cut to the value field.
        std::string_view writtenValue(std::string_view text, std::size_t i) const {
            return text.substr(attributes[i].valueStart, attributes[i].valueLength);
        }
    };
    // Reads `text` into `reading`: true for a tag name followed by at least one attribute, all
    // of them read by the tag reader without a single error at once (TagReader's plain
    // attributes); false for anything else.
    static bool read(std::string_view text, Reading& reading);

    // What is remembered of a pattern: the entries its tag was checked against and, for each
    // attribute, the attribute entry and the place in its value list that accepted the value
    // (as CleanShapes gives them), and the attribute that is the tag's id, if any.
    struct Pattern {
        std::uint64_t hash;
        std::uint32_t patternOffset;
        std::uint32_t patternLength;
        std::uint32_t entriesOffset;  // in ints_: the entries, then three ints an attribute
        std::uint32_t entryCount;
        std::int32_t idAttribute;  // the index of the id in the reading, or -1
    };
    const Pattern* find(const Reading& reading) const;
    bool sameEntries(const Pattern& pattern, const std::vector<int>& entries) const;
    // For attribute `i`: the attribute entry and the place in its value list, and what that
    // value asks of a value in the attribute's quotes (AttributeChecker::ValueNeed).
    int acceptingAttribute(const Pattern& pattern, std::size_t i) const {
        return ints_[pattern.entriesOffset + pattern.entryCount + 3 * i];
    }
    int acceptingPlace(const Pattern& pattern, std::size_t i) const {
        return ints_[pattern.entriesOffset + pattern.entryCount + 3 * i + 1];
    }
    int need(const Pattern& pattern, std::size_t i) const {
        return ints_[pattern.entriesOffset + pattern.entryCount + 3 * i + 2];
    }
    // Remembers the pattern of a tag checked clean against `entries`; `acceptedBy` holds two
    // ints for each attribute of the reading, `needs` one. A pattern remembered already stays
    // as it was.
    void remember(const Reading& reading, const std::vector<int>& entries, const int* acceptedBy,
                  const int* needs, int idAttribute);

private:
    std::size_t slotOf(const Reading& reading) const;

    std::string bytes_;       // the patterns, one after another
    std::vector<int> ints_;   // entries, accepting lists and needs, one pattern after another
    std::vector<Pattern> patterns_;
    std::vector<std::uint32_t> slots_;  // index + 1, 0 for an empty slot; at most half full
};

}  // namespace engine
