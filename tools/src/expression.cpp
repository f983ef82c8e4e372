#include "tools/expression.h"

#include "platform/file_policy.h"

#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace tools {

namespace {

constexpr std::string_view kFunctionFileContents = "FileContents";
constexpr std::string_view kForFileContents = " for FileContents()";

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSingleCharacterToken(char c) {
    return c == '(' || c == ')' || c == '+' || c == ':' || c == '{' || c == '}';
}

// An operator token is never a string literal: "+" in quotes is text, not concatenation.
bool isOperator(const StrStoreEx& token, std::string_view op) {
    return token.flag(kFlagQuoted) == 0 && token.equals(op);
}

std::string quoted(std::string_view before, std::string_view name, std::string_view after) {
    std::string text;
    text.reserve(before.size() + name.size() + after.size() + 2);
    text.append(before).append("\"").append(name).append("\"").append(after);
    return text;
}

void setFileError(ErrorStore& errors, std::int32_t code, const StrStore& name) {
    if (code == kErrorCannotOpenFile) {
        errors.set(code, quoted("cannot open file ", name.view(), " for reading"));
    } else {
        errors.set(code, quoted("cannot read file ", name.view(), ""));
    }
}

// The bytes of the file `name` up to its first NUL byte, read whole in byte mode (line ends stay
// as they are). Only a regular file is read: a folder, a FIFO or a device cannot be read whole,
// and a FIFO would wait for a writer for ever.
bool readFileContents(const StrStore& name, ErrorStore& errors, StrStore& value,
                      platform::FileSystem& files) {
    if (name.length() == 0) {
        setFileError(errors, kErrorCannotOpenFile, name);
        return false;
    }
    platform::FileError why;
    bool notRegular = false;
    const int fd = platform::openRegularFile(files, name.str(), why, &notRegular);
    if (fd < 0) {
        setFileError(errors, notRegular ? kErrorCannotReadFile : kErrorCannotOpenFile, name);
        return false;
    }
    std::string bytes;
    const bool read = !platform::readDescriptor(files, fd, name.str(), bytes);
    files.close(fd);
    std::string_view kept(bytes);
    kept = kept.substr(0, kept.find('\0'));
    // A text longer than a StrStore may hold is a file that cannot be read as a value.
    if (!read || kept.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
        !value.assign(kept)) {
        setFileError(errors, kErrorCannotReadFile, name);
        return false;
    }
    return true;
}

// Adds one part to the value being built; a value too long to hold is reported as a read
// error of the file that made it so (only file contents can grow a value that far).
bool appendToValue(StrStore& value, const StrStore& part, const StrStore& lastFile,
                   ErrorStore& errors) {
    if (value.append(part)) return true;
    setFileError(errors, kErrorCannotReadFile, lastFile);
    return false;
}

// Reads the parenthesis of a FileContents call; anything else is the given error. A tokenizer
// error stays the one reported.
bool expectParenthesis(StrStoreEx& input, ErrorStore& errors, std::string_view parenthesis,
                       std::int32_t code, std::string_view missing) {
    const StrStoreEx token = nextToken(input, errors);
    if (errors.hasError()) return false;
    if (isOperator(token, parenthesis)) return true;
    errors.set(code, std::string(missing).append(kForFileContents));
    return false;
}

// Evaluates one expression at the input's cursor:
//   expression := primary [ "+" expression ]
//   primary    := string-literal | "FileContents" "(" expression ")"
// An expression ends after a primary when the input has ended or the next token is not "+"
// (that token is put back). Concatenation is associative, so each expression's value is built
// left to right; an open FileContents call keeps its argument's value on an explicit stack, so
// deeply nested calls cannot exhaust the program stack.
StrStore evaluateExpression(StrStoreEx& input, ErrorStore& errors, platform::FileSystem& files) {
    std::vector<StrStore> values(1);
    StrStore lastFile;

    // Every round reads its primary's token, which is never put back, so there are at most as
    // many rounds as bytes in the input.
    const std::int32_t maxRounds = input.length() + 1;
    std::int32_t round = 0;
    bool complete = false;
    while (!complete && !errors.hasError()) {
        if (++round > maxRounds) {
            errors.set(kErrorNoTokenType, "internal parsing error, no tokentype");
            break;
        }

        // The primary.
        StrStoreEx token = nextToken(input, errors);
        if (errors.hasError()) break;
        if (token.flag(kFlagQuoted)) {
            // A literal never ends in a lone backslash (the tokenizer pairs them): a failure
            // here is memory that ran out, which no value of the expression can stand for.
            if (token.unescape() < 0) throw std::bad_alloc();
            if (!appendToValue(values.back(), token, lastFile, errors)) break;
        } else if (token.equals(kFunctionFileContents)) {
            if (!expectParenthesis(input, errors, "(", kErrorMissingOpeningParenthesis,
                                   "missing opening parenthesis")) {
                break;
            }
            values.emplace_back();  // the argument's value
            continue;
        } else {
            errors.set(kErrorUnknownFunction, quoted("unknown function name ", token.view(), ""));
            break;
        }

        // After a primary: "+" goes on with the same expression. Anything else ends it; an
        // ended FileContents argument completes the call, whose value is in turn a primary of
        // the enclosing expression.
        for (;;) {
            if (!input.flag(kFlagEndOfInput)) {
                const StrStoreEx next = nextToken(input, errors);
                if (!errors.hasError() && isOperator(next, "+")) break;
                ungetToken(input);
                if (errors.hasError()) break;
            }
            if (values.size() == 1) {
                complete = true;
                break;
            }
            const StrStore name = std::move(values.back());
            values.pop_back();
            StrStore contents;
            if (!readFileContents(name, errors, contents, files)) break;
            lastFile = name;
            if (!expectParenthesis(input, errors, ")", kErrorMissingClosingParenthesis,
                                   "missing closing parenthesis")) {
                break;
            }
            if (!appendToValue(values.back(), contents, lastFile, errors)) break;
        }
    }
    if (errors.hasError()) return StrStore();
    return std::move(values.front());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ErrorStore

void ErrorStore::set(std::int32_t code, std::string_view text) {
    code_ = code;
    if (!text_.assign(text)) text_.clear();
}

void ErrorStore::clear() {
    code_ = kErrorNone;
    text_.clear();
}

StrStore ErrorStore::display() const {
    StrStore shown;
    shown.appendInt(code_);
    shown.append(": ");
    if (text_.length() >= kMaxDisplayedText) {
        shown.append("[error string too long to display]");
    } else {
        shown.append(text_);
    }
    return shown;
}

// ---------------------------------------------------------------------------------------------
// Tokenizer

StrStoreEx nextToken(StrStoreEx& input, ErrorStore& errors) {
    StrStoreEx token;
    if (errors.hasError()) return token;

    input.skipSpaces();
    input.setTokenStart(-1);
    const std::string_view text = input.view();
    const std::int32_t end = input.length();
    const std::int32_t start = input.cursor();
    if (start < 0 || start >= end) {
        errors.set(kErrorUnknownTokenType, "cannot determine token type");
        return token;
    }

    const char first = text[static_cast<std::size_t>(start)];
    std::int32_t pos = start + 1;  // just after the token when it is complete
    std::int32_t textFrom = start;
    std::int32_t textLength = 0;
    bool isLiteral = false;

    if (first == '"') {
        isLiteral = true;
        // A backslash takes the byte after it into the literal, so \" does not close it while
        // in \\" the second backslash is taken by the first and the quote closes.
        while (pos < end && text[static_cast<std::size_t>(pos)] != '"') {
            if (text[static_cast<std::size_t>(pos)] == '\\') ++pos;
            ++pos;
        }
        if (pos >= end) {
            errors.set(kErrorMissingClosingQuote, "missing closing double quotation mark");
            return token;
        }
        textFrom = start + 1;
        textLength = pos - textFrom;
        ++pos;  // past the closing quote
    } else if (isSingleCharacterToken(first)) {
        textLength = 1;
    } else if (isAsciiLetter(first)) {
        while (pos < end && (isAsciiLetter(text[static_cast<std::size_t>(pos)]) ||
                             isAsciiDigit(text[static_cast<std::size_t>(pos)]))) {
            ++pos;
        }
        textLength = pos - start;
    } else if (isAsciiDigit(first) || first == '-') {
        while (pos < end) {
            const char c = text[static_cast<std::size_t>(pos)];
            if (!isAsciiDigit(c) && c != '.' && c != 'e' && c != 'E') break;
            ++pos;
        }
        textLength = pos - start;
    } else {
        errors.set(kErrorUnknownTokenType, "cannot determine token type");
        return token;
    }

    // A token that cannot be held is memory that ran out, not a token of another text.
    if (!token.assign(text.substr(static_cast<std::size_t>(textFrom),
                                  static_cast<std::size_t>(textLength)))) {
        throw std::bad_alloc();
    }
    if (isLiteral) token.setFlag(kFlagQuoted, 1);
    input.setCursor(pos);
    if (pos == end) {
        token.setFlag(kFlagEndOfInput, 1);
        input.setFlag(kFlagEndOfInput, 1);
    }
    return token;
}

void ungetToken(StrStoreEx& input) {
    if (input.cursor() == input.tokenStart()) return;
    input.rewind();
    input.setFlag(kFlagEndOfInput, 0);
}

StrStore evaluateLine(StrStoreEx& input, ErrorStore& errors, platform::FileSystem& files) {
    if (errors.hasError()) return StrStore();
    StrStore value = evaluateExpression(input, errors, files);
    if (errors.hasError()) return StrStore();
    if (!input.flag(kFlagEndOfInput)) {
        errors.set(kErrorTextAtEndOfLine, "unrecognized text at end of line");
        return StrStore();
    }
    return value;
}

}  // namespace tools
