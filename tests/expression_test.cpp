// The template tool's expression language: tokenizer, evaluation of a line, FileContents and
// the error record.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/expression.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;
using tools::ErrorStore;

struct Result {
    std::string value;
    std::int32_t code;
    std::string text;
};

Result evaluate(const std::string& line) {
    StrStoreEx input{std::string_view(line)};
    ErrorStore errors;
    const StrStore value = tools::evaluateLine(input, errors);
    return {value.str(), errors.code(), errors.text().str()};
}

class ExpressionFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::path(::testing::TempDir()) / ("markwise-expression-" + std::to_string(stamp));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    // Writes a file and returns its path as it would be written in a literal.
    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST(Expression, EvaluatesLiteralsAndConcatenation) {
    struct Case {
        std::string line;
        std::string value;
    };
    const Case cases[] = {
        {R"("a" + "b" + "c")", "abc"},
        {R"(  "a"+"b")", "ab"},
        {R"("")", ""},
        {R"("one\ntwo")", "one\ntwo"},
        {R"("say \"word\"")", "say \"word\""},
        {R"("back\\" + "slash")", "back\\slash"},  // \\ does not protect the closing quote
        {R"("\q\+")", "q+"},
        {"\"caf\xC3\xA9\"", "caf\xC3\xA9"},
        {"\"a\0b\""s, "a\0b"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Result r = evaluate(c.line);
        EXPECT_EQ(r.code, 0) << r.text;
        EXPECT_EQ(r.value, c.value);
    }
}

TEST(Expression, ReportsTheFirstError) {
    struct Case {
        std::string line;
        std::int32_t code;
        std::string text;
    };
    const Case cases[] = {
        {R"(filecontents("x.txt"))", tools::kErrorUnknownFunction,
         "unknown function name \"filecontents\""},
        {"12", tools::kErrorUnknownFunction, "unknown function name \"12\""},
        {"Az09", tools::kErrorUnknownFunction, "unknown function name \"Az09\""},
        {"9.9e9", tools::kErrorUnknownFunction, "unknown function name \"9.9e9\""},
        {"-", tools::kErrorUnknownFunction, "unknown function name \"-\""},
        {R"("abc" "def")", tools::kErrorTextAtEndOfLine, "unrecognized text at end of line"},
        {R"("a" "+" "b")", tools::kErrorTextAtEndOfLine, "unrecognized text at end of line"},
        {R"("a\\"b")", tools::kErrorTextAtEndOfLine, "unrecognized text at end of line"},
        {R"("abc" )", tools::kErrorUnknownTokenType, "cannot determine token type"},
        {R"("a" +)", tools::kErrorUnknownTokenType, "cannot determine token type"},
        {"", tools::kErrorUnknownTokenType, "cannot determine token type"},
        {"\xC3\xA9", tools::kErrorUnknownTokenType, "cannot determine token type"},
        {R"("abc)", tools::kErrorMissingClosingQuote, "missing closing double quotation mark"},
        {R"("abc\")", tools::kErrorMissingClosingQuote, "missing closing double quotation mark"},
        {R"(FileContents "x")", tools::kErrorMissingOpeningParenthesis,
         "missing opening parenthesis for FileContents()"},
        {"FileContents", tools::kErrorUnknownTokenType, "cannot determine token type"},
        {R"(FileContents("")", tools::kErrorCannotOpenFile, "cannot open file \"\" for reading"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Result r = evaluate(c.line);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(r.value, "");
    }
}

TEST(Expression, DoesNothingOnceAnErrorIsSet) {
    StrStoreEx input(R"("a")");
    ErrorStore errors;
    errors.set(7, "earlier");
    EXPECT_EQ(tools::evaluateLine(input, errors).str(), "");
    EXPECT_EQ(tools::nextToken(input, errors).length(), 0);
    EXPECT_EQ(input.cursor(), 0);
    EXPECT_EQ(errors.code(), 7);
    EXPECT_EQ(errors.text().str(), "earlier");
}

TEST(Expression, LongAndDeeplyNestedLinesStayBounded) {
    std::string chain = R"("x")";
    for (int i = 0; i < 50000; ++i)
        chain += R"( + "x")";
    const Result r = evaluate(chain);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.value, std::string(50001, 'x'));

    std::string nested;
    for (int i = 0; i < 50000; ++i)
        nested += "FileContents(";
    EXPECT_EQ(evaluate(nested).code, tools::kErrorUnknownTokenType);
}

TEST(Tokenizer, ReadsTokensWithTheirFlags) {
    StrStoreEx input(R"( {ENGLISH: "Hi \"x\"" FRENCH:"" } -1.5e3x a1_)");
    ErrorStore errors;
    struct Expected {
        std::string text;
        int quoted;
    };
    const Expected expected[] = {{"{", 0},      {"ENGLISH", 0}, {":", 0}, {R"(Hi \"x\")", 1},
                                 {"FRENCH", 0}, {":", 0},       {"", 1},  {"}", 0},
                                 {"-1.5e3", 0}, {"x", 0},       {"a1", 0}};
    for (const Expected& e : expected) {
        const StrStoreEx token = tools::nextToken(input, errors);
        ASSERT_EQ(errors.code(), 0) << e.text;
        EXPECT_EQ(token.str(), e.text);
        EXPECT_EQ(token.flag(tools::kFlagQuoted), e.quoted) << e.text;
        EXPECT_EQ(token.flag(tools::kFlagEndOfInput), 0) << e.text;
    }
    EXPECT_EQ(input.flag(tools::kFlagEndOfInput), 0);
    // An underscore cannot start a token; the cursor stays at it.
    EXPECT_EQ(tools::nextToken(input, errors).length(), 0);
    EXPECT_EQ(errors.code(), tools::kErrorUnknownTokenType);
    EXPECT_EQ(input.cursor(), input.length() - 1);
}

TEST(Tokenizer, EndOfInputAndUnget) {
    StrStoreEx input("a )");
    ErrorStore errors;
    EXPECT_EQ(tools::nextToken(input, errors).str(), "a");
    const StrStoreEx last = tools::nextToken(input, errors);
    EXPECT_EQ(last.str(), ")");
    EXPECT_EQ(last.flag(tools::kFlagEndOfInput), 1);
    EXPECT_EQ(input.flag(tools::kFlagEndOfInput), 1);
    EXPECT_EQ(input.tokenStart(), 2);

    tools::ungetToken(input);
    EXPECT_EQ(input.cursor(), 2);
    EXPECT_EQ(input.flag(tools::kFlagEndOfInput), 0);

    // Ungetting again changes nothing, so the flag is left alone.
    input.setFlag(tools::kFlagEndOfInput, 1);
    tools::ungetToken(input);
    EXPECT_EQ(input.flag(tools::kFlagEndOfInput), 1);
    EXPECT_EQ(errors.code(), 0);
}

TEST(ErrorStoreDisplay, ShowsCodeAndTextUnlessTheTextIsTooLong) {
    ErrorStore errors;
    errors.set(tools::kErrorCannotReadFile, "cannot read file \"a\"");
    EXPECT_EQ(errors.display().str(), "98013003: cannot read file \"a\"");

    errors.set(5, std::string(1997, 'e'));
    EXPECT_EQ(errors.display().str(), "5: " + std::string(1997, 'e'));
    errors.set(5, std::string(1998, 'e'));
    EXPECT_EQ(errors.display().str(), "5: [error string too long to display]");

    errors.clear();
    EXPECT_EQ(errors.code(), 0);
    EXPECT_FALSE(errors.hasError());
    EXPECT_EQ(errors.text().length(), 0);
}

TEST_F(ExpressionFiles, FileContentsReadsBytesUpToTheFirstNul) {
    const std::string x = write("x.txt", "line 1\r\nline 2\n");
    EXPECT_EQ(evaluate("FileContents(\"" + x + "\") + \"!\"").value, "line 1\r\nline 2\n!");
    EXPECT_EQ(evaluate("\"<\" + FileContents ( \"" + x + "\" )").value, "<line 1\r\nline 2\n");

    const std::string nul = write("nul.bin", "ab\0cd"s);
    EXPECT_EQ(evaluate("FileContents(\"" + nul + "\")").value, "ab");

    const std::string empty = write("empty.txt", "");
    const Result r = evaluate("FileContents(\"" + empty + "\") + \"z\"");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.value, "z");

    // The argument is itself an expression, including another FileContents.
    const std::string inner = write("inner.txt", "inside");
    const std::string list = write("list.txt", inner);
    const std::string dirPrefix = path("");
    EXPECT_EQ(evaluate("FileContents(FileContents(\"" + list + "\")) + \"!\"").value, "inside!");
    EXPECT_EQ(evaluate("FileContents(\"" + dirPrefix + "\" + \"inner.txt\")").value, "inside");
}

TEST_F(ExpressionFiles, FileContentsErrors) {
    const std::string x = write("x.txt", "text");
    const std::string missing = path("missing.txt");
    struct Case {
        std::string line;
        std::int32_t code;
        std::string text;
    };
    const Case cases[] = {
        {"FileContents(\"" + missing + "\")", tools::kErrorCannotOpenFile,
         "cannot open file \"" + missing + "\" for reading"},
        // The file is read before the closing parenthesis is looked for.
        {"FileContents(\"" + missing + "\"", tools::kErrorCannotOpenFile,
         "cannot open file \"" + missing + "\" for reading"},
        {"FileContents(\"" + x + "\" \"y\")", tools::kErrorMissingClosingParenthesis,
         "missing closing parenthesis for FileContents()"},
        {"FileContents(\"" + x + "\"", tools::kErrorUnknownTokenType,
         "cannot determine token type"},
        // The tokenizer's error stays: the file is not looked for after it.
        {"FileContents(\"" + missing + "\" ", tools::kErrorUnknownTokenType,
         "cannot determine token type"},
        {"FileContents(\"" + dir_.string() + "\")", tools::kErrorCannotReadFile,
         "cannot read file \"" + dir_.string() + "\""},
        // A one-character name is a name like any other: the root folder is no file to read.
        {R"(FileContents("/"))", tools::kErrorCannotReadFile, "cannot read file \"/\""},
        {"FileContents(\"" + x + "\0.txt\")"s, tools::kErrorCannotOpenFile,
         "cannot open file \"" + x + "\0.txt\" for reading"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Result r = evaluate(c.line);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.text, c.text);
    }
}

}  // namespace
