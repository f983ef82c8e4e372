// StrStore: one owned byte string, the string type behind every text of Markwise (names in the
// HTML Configuration, message texts, template lines). StrStoreEx adds the cursor pair and the
// three flags that the expression tokenizer uses to scan a line.
//
// Operations return 1 on success and 0 on failure unless they say otherwise. A failed change
// leaves the old value in place. Lengths are signed 32-bit; a change that would make a string
// longer than that fails. Strings are binary-safe: appendBytes may bring in NUL bytes, and
// text() then ends at the first of them while view() and str() hold every byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class StrStore {
  public:
    StrStore() = default;
    // Copies the text; when the copy cannot be allocated the new string is empty.
    StrStore(const StrStore& other);
    // The concatenation of two strings (empty when it cannot be allocated).
    StrStore(const StrStore& first, const StrStore& second);
    explicit StrStore(std::string_view text);
    StrStore(StrStore&& other) noexcept = default;
    // Assignment keeps the old value when the copy cannot be allocated.
    StrStore& operator=(const StrStore& other);
    StrStore& operator=(StrStore&& other) noexcept = default;
    ~StrStore() = default;

    // Replace the text. A null text fails.
    int assign(const char* text);
    int assign(std::string_view text);
    int assign(const StrStore& other);

    // Append a text. A null text fails.
    int append(const char* text);
    int append(std::string_view text);
    int append(const StrStore& other);
    // Appends the first n bytes at p: n < 0 fails, n = 0 succeeds without change.
    int appendBytes(const void* p, std::int32_t n);
    // Appends the decimal form of n ("%d").
    int appendInt(std::int32_t n);

    // Becomes the empty string; always 1.
    int clear();

    // The text, never null; ends at the first NUL byte when the string holds one.
    const char* text() const { return text_.c_str(); }
    std::int32_t length() const { return static_cast<std::int32_t>(text_.size()); }
    // The byte at pos; 0 when pos < 0 or pos > length (pos = length gives the terminator).
    char charAt(std::int32_t pos) const;

    std::string_view view() const { return text_; }
    const std::string& str() const { return text_; }

    // Replaces every non-overlapping occurrence of `find`, scanning from the start; ASCII
    // case folding when not caseSensitive. Returns the number of replacements; -1 when `find`
    // or `replacement` is null or the result cannot be built (string unchanged). An empty
    // `find` matches nothing: 0, no change.
    int replaceAll(const char* find, const char* replacement, bool caseSensitive);
    int replaceAll(std::string_view find, std::string_view replacement, bool caseSensitive);

    // Resolves backslash escapes: \" gives ", \\ gives \, \n gives a line feed, a backslash
    // before any other byte gives that byte. Returns the number of pairs resolved; -1 when the
    // last byte is a lone backslash (string unchanged).
    int unescape();

  private:
    std::string text_;
};

// A string with a cursor (position 0), a token start (position 1) and three flags whose
// meaning belongs to the expression tokenizer. Copying copies text, positions and flags.
class StrStoreEx : public StrStore {
  public:
    StrStoreEx() = default;
    explicit StrStoreEx(std::string_view text) : StrStore(text) {}
    explicit StrStoreEx(const StrStore& text) : StrStore(text) {}

    // Byte comparison and ASCII case-folding comparison of the whole text; 1/0. Null is unequal.
    int equals(const char* text) const;
    int equals(std::string_view text) const;
    int equalsIgnoreCase(const char* text) const;
    int equalsIgnoreCase(std::string_view text) const;

    std::int32_t cursor() const { return positions_[0]; }
    std::int32_t tokenStart() const { return positions_[1]; }
    // Fails unless 0 <= pos <= length.
    int setCursor(std::int32_t pos);
    // Sets the token start to pos, or to the cursor when pos < 0.
    int setTokenStart(std::int32_t pos);
    // Moves the cursor back to the token start.
    int rewind();
    // Advances the cursor over space, tab, line feed, vertical tab, form feed and carriage
    // return; returns the number of bytes skipped.
    int skipSpaces();

    // Flags 0..2; flag(i) is -1 and setFlag fails for any other i.
    std::int32_t flag(int i) const;
    int setFlag(int i, std::int32_t value);

    // The bytes from `from` through `to` inclusive, clipped to the text; empty when the range
    // holds nothing. Positions and flags of the result are 0.
    StrStoreEx substring(std::int32_t from, std::int32_t to) const;

    // Empty text, both positions 0, all flags 0.
    int reset();

  private:
    std::array<std::int32_t, 2> positions_{};
    std::array<std::int32_t, 3> flags_{};
};
