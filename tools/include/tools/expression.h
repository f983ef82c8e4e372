// The expression language of the template tool: one line of text whose value is a text. It has
// string literals, concatenation with "+" and one function, FileContents("file name"). The
// tokenizer is also used by the message store to read two-language texts such as
// {ENGLISH: "..." FRENCH: "..."}.
//
// The input is a StrStoreEx: its cursor is the read position, its token start the start of the
// last token read, and flag kFlagEndOfInput is set once a token ends exactly at the end of the
// text. Errors are recorded in an ErrorStore, never thrown; every step looks at the error code
// first and does nothing once it is set, so the first error of an evaluation is the one kept.
// Memory that runs out is no error of the text: a token that cannot be held throws
// std::bad_alloc, so that no other value stands for it.
#pragma once

#include <cstdint>
#include <string_view>

#include "config/strstore.h"
#include "platform/file_system.h"

namespace tools {

// Error codes of an evaluation (0 = no error).
inline constexpr std::int32_t kErrorNone = 0;
inline constexpr std::int32_t kErrorUnknownFunction = 98012901;
inline constexpr std::int32_t kErrorMissingOpeningParenthesis = 98012902;
inline constexpr std::int32_t kErrorMissingClosingParenthesis = 98012903;
inline constexpr std::int32_t kErrorMissingClosingQuote = 98012904;
inline constexpr std::int32_t kErrorUnknownTokenType = 98012905;
inline constexpr std::int32_t kErrorCannotOpenFile = 98013001;
inline constexpr std::int32_t kErrorNoTokenType =
    98013002;  // reserved: the tokenizer has no such state
inline constexpr std::int32_t kErrorCannotReadFile = 98013003;
inline constexpr std::int32_t kErrorTextAtEndOfLine = 98013102;

// Flag numbers. On a token: kFlagQuoted marks a string literal, kFlagEndOfInput a token that
// ended exactly at the end of the input. On the input: kFlagEndOfInput, the end was reached.
inline constexpr int kFlagQuoted = 0;
inline constexpr int kFlagEndOfInput = 1;

// The error of one evaluation: a code (0 = none) and a message text.
class ErrorStore {
  public:
    // Texts of this length or longer are not shown by display().
    static constexpr std::int32_t kMaxDisplayedText = 1998;

    std::int32_t code() const { return code_; }
    const StrStore& text() const { return text_; }
    bool hasError() const { return code_ != kErrorNone; }

    // Replaces code and text. Callers set an error only while none is set, which keeps the
    // first one.
    void set(std::int32_t code, std::string_view text);
    void clear();

    // "code: text", or "code: [error string too long to display]" when the text has
    // kMaxDisplayedText characters or more.
    StrStore display() const;

  private:
    std::int32_t code_ = kErrorNone;
    StrStore text_;
};

// Reads the next token at the input's cursor. A string literal's token holds the characters
// between the quotes as written (escapes unresolved) and has kFlagQuoted set. On an error the
// token is empty and the cursor stays at the token start.
StrStoreEx nextToken(StrStoreEx& input, ErrorStore& errors);

// Moves the cursor back to the start of the last token read; clears the input's end-of-input
// flag when the cursor moved.
void ungetToken(StrStoreEx& input);

// The value of a whole line: one expression and nothing after it. The value is empty when an
// error is set. FileContents reads its file through `files`.
StrStore evaluateLine(StrStoreEx& input, ErrorStore& errors,
                      platform::FileSystem& files = platform::systemFileSystem());

}  // namespace tools
