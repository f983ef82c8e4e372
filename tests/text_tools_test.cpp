// The text tools' line transforms (lowercase, uppercase, strip), their state across lines, the
// line splitting and line ends they share, and the backup name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/text_tools.h"
#include "tools/tool_io.h"

namespace {

using Lines = std::vector<std::string>;

// Runs the lines of one file through a converter.
Lines convert(bool upper, Lines lines) {
    tools::CaseConverter converter(upper);
    converter.reset();
    for (std::string& line : lines) converter.convertLine(line.data(), line.size());
    return lines;
}

Lines strip(Lines lines) {
    tools::TagStripper stripper;
    stripper.reset();
    for (std::string& line : lines) line.resize(stripper.stripLine(line.data(), line.size()));
    return lines;
}

struct Case {
    const char* name;
    Lines in;
    Lines out;
};

TEST(CaseConversion, LowercasesMarkupOutsideQuotedValuesCommentsAndDeclarations) {
    const Case cases[] = {
        {"tag name, attributes and unquoted value",
         {R"(<A HREF="Page.HTM" TARGET=_TOP>Text STAYS</A>)"},
         {R"(<a href="Page.HTM" target=_top>Text STAYS</a>)"}},
        {"single quotes", {"<IMG SRC='A.GIF' ALT=\"It's\">"}, {"<img src='A.GIF' alt=\"It's\">"}},
        {"other quote inside a quoted value is text",
         {"<P TITLE=\"a 'B' c\" CLASS='X \"Y\" Z' ID=Q>"},
         {"<p title=\"a 'B' c\" class='X \"Y\" Z' id=q>"}},
        {"> inside a quoted value does not end the tag",
         {"<A TITLE=\"A>B\" HREF=X>Y"}, {"<a title=\"A>B\" href=x>Y"}},
        {"comment kept, also with a > inside", {"<!-- KEEP <B> THIS --><B>X</B>"},
         {"<!-- KEEP <B> THIS --><b>X</b>"}},
        {"declaration kept", {"<!DOCTYPE HTML PUBLIC \"X\"><HTML>"},
         {"<!DOCTYPE HTML PUBLIC \"X\"><html>"}},
        {"<!-> is a declaration, not a comment", {"<!-> <B>"}, {"<!-> <b>"}},
        {"<!--> does not end the comment it opens", {"<!--> <B> --> <I>"}, {"<!--> <B> --> <i>"}},
        {"<!---> does not end the comment it opens", {"<!---> <B> --> <I>"},
         {"<!---> <B> --> <i>"}},
        {"text outside tags", {"ABC > DEF \"GHI\""}, {"ABC > DEF \"GHI\""}},
        {"high bytes pass through", {"<P CLASS=\xC3\x89T\xC3\x89>\xC3\x89"},
         {"<p class=\xC3\x89t\xC3\x89>\xC3\x89"}},
        {"server and processing blocks are tags", {"<?PHP ECHO \"A\"; ?><%= X %>"},
         {"<?php echo \"A\"; ?><%= x %>"}},
        {"a tag over two lines", {"<TABLE", "  BORDER=1 WIDTH=\"50%\">TD"},
         {"<table", "  border=1 width=\"50%\">TD"}},
        {"a quoted value over two lines", {"<A HREF=\"ONE", "TWO\" NAME=X>Z"},
         {"<a href=\"ONE", "TWO\" name=x>Z"}},
        {"a comment over lines", {"<!-- ONE", "<B>TWO</B>", "--> <B>"},
         {"<!-- ONE", "<B>TWO</B>", "--> <b>"}},
        {"--> split over lines does not end a comment", {"<!-- A --", "> <B>", "--><B>"},
         {"<!-- A --", "> <B>", "--><b>"}},
        {"a declaration over lines", {"<!DOCTYPE", "HTML><B>"}, {"<!DOCTYPE", "HTML><b>"}},
        {"< at the end of a line opens a tag", {"X <", "B>Y"}, {"X <", "b>Y"}},
        {"<! at the end of a line opens a declaration", {"X <!", "B>Y<B>"}, {"X <!", "B>Y<b>"}},
        {"empty lines", {"", "<B>", ""}, {"", "<b>", ""}},
        {"an empty comment ends at the line's end", {"<!---->", "<B>"}, {"<!---->", "<b>"}},
        {"-- without > does not end a comment", {"<!-- -- <B> --> <I>"},
         {"<!-- -- <B> --> <i>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(convert(false, c.in), c.out);
    }
}

TEST(CaseConversion, UppercasesTheSameParts) {
    EXPECT_EQ(convert(true, {R"(<a href="page.htm" target=_top>text</a><!-- c -->)"}),
              Lines{R"(<A HREF="page.htm" TARGET=_TOP>text</A><!-- c -->)"});
    // The whole alphabet, its ends included, and nothing else.
    EXPECT_EQ(convert(true, {"<az AZ @[`{ 09>"}), Lines{"<AZ AZ @[`{ 09>"});
    EXPECT_EQ(convert(false, {"<AZ az @[`{ 09>"}), Lines{"<az az @[`{ 09>"});
}

TEST(CaseConversion, ResetStartsOutsideEveryTag) {
    tools::CaseConverter converter(false);
    converter.reset();
    std::string open = "<A HREF=\"X";
    converter.convertLine(open.data(), open.size());
    converter.reset();
    std::string next = "TEXT <B>";
    converter.convertLine(next.data(), next.size());
    EXPECT_EQ(next, "TEXT <b>");
}

TEST(CaseConversion, LooksNoFurtherThanTheLinesEnd) {
    // A line "<!-" whose buffer goes on with "-" opens a declaration, not a comment.
    tools::CaseConverter converter(false);
    converter.reset();
    std::string first = "<!--";
    converter.convertLine(first.data(), 3);
    std::string next = "> <B>";
    converter.convertLine(next.data(), next.size());
    EXPECT_EQ(next, "> <b>");
}

TEST(Strip, RemovesTagsAndCommentsWithWhatTheyHold) {
    const Case cases[] = {
        {"paragraph", {"<p>Some text</p>"}, {"Some text"}},
        {"> in a quoted value", {R"(<a title="a>b" href='c>d'>link</a> after)"},
         {"link after"}},
        {"other quote inside a quoted value", {"<a title=\"it's > here\">x</a>"}, {"x"}},
        {"lone > outside a tag stays", {"a > b <b>c</b>"}, {"a > b c"}},
        {"quotes outside tags are text", {"say \"<b>hi</b>\""}, {"say \"hi\""}},
        {"< before the tag ended drops the unfinished tag", {"a<b c<i>d</i>e"}, {"ade"}},
        {"comment with tags and > inside", {"x<!-- <b> a > b -->y"}, {"xy"}},
        {"comment over three lines", {"<!-- one", "two", "three -->"}, {"", "", ""}},
        {"text around a comment over lines", {"before<!-- one", "two", "three -->after"},
         {"before", "", "after"}},
        {"tag over two lines", {"a<table", "border=1>b"}, {"a", "b"}},
        {"quoted value over lines with >", {"<a href=\"x>", "y>\" name=z>text"}, {"", "text"}},
        {"text after an unfinished tag goes with it at the next <",
         {"a<b", "c <i>d"}, {"a", "d"}},
        {"--> split over lines does not end a comment", {"<!-- a --", ">b", "-->c"},
         {"", "", "c"}},
        {"quotes in a comment do not count", {"<!-- \" -->x<b>y"}, {"xy"}},
        {"<!--> does not end the comment", {"<!-->x-->y"}, {"y"}},
        {"empty lines stay", {"", "<br>", ""}, {"", "", ""}},
        {"a tag open at the end of the document", {"text <b"}, {"text "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(strip(c.in), c.out);
    }
}

TEST(Strip, ManyTagsOnOneLongLineTakeLinearTime) {
    std::string line;
    for (int i = 0; i < 200000; ++i) line += "<b>x</b><i unfinished ";
    line += "<p>";
    tools::TagStripper stripper;
    stripper.reset();
    line.resize(stripper.stripLine(line.data(), line.size()));
    EXPECT_EQ(line, std::string(200000, 'x'));
}

TEST(TextLines, SplitsAsTheDocumentReaderDoes) {
    struct Split {
        std::string bytes;
        Lines lines;
    };
    const Split cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\n\n", {"", ""}},
        {"a\r\r\nb\r", {"a", "", "b"}},
        {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const Split& c : cases) {
        tools::TextLines text(c.bytes);
        tools::TextLine line;
        Lines got;
        std::int64_t expectedNumber = 0;
        while (text.next(line)) {
            got.emplace_back(line.view());
            EXPECT_EQ(line.number, ++expectedNumber);
        }
        EXPECT_EQ(got, c.lines) << testing::PrintToString(c.bytes);
    }
}

TEST(ToolText, LineEndsAndBackupNames) {
    EXPECT_EQ(tools::lineEnd(0), "\r\n");
    EXPECT_EQ(tools::lineEnd(1), "\r");
    EXPECT_EQ(tools::lineEnd(2), "\n");
    EXPECT_EQ(tools::lineEnd(7), "\n");

    const std::pair<const char*, const char*> names[] = {
        {"page.htm", "page.bak"},
        {"page.html", "page.bak"},
        {"/web/site/page.shtml", "/web/site/page.bak"},
        {"README", "README.bak"},
        {"dir.d/README", "dir.d/README.bak"},
        {"/web/v1.2/README", "/web/v1.2/README.bak"},
        {".profile", ".bak"},
        {"archive.tar.gz", "archive.tar.bak"},
        {"page.", "page.bak"},
        {"page.bak", "page.bak"},
        {"my page.htm", "my page.bak"},
    };
    for (const auto& [document, backup] : names) EXPECT_EQ(tools::backupName(document), backup);
}

// The output keeps the first failure of its sink and drops what follows.
TEST(ToolOutput, BuffersAndKeepsTheFirstFailure) {
    struct Sink : tools::OutputSink {
        std::string bytes;
        int puts = 0;
        int failFrom = 1000;
        bool put(std::string_view piece) override {
            if (++puts >= failFrom) return false;
            bytes.append(piece);
            return true;
        }
    };
    Sink sink;
    {
        tools::ToolOutput output(sink);
        output.writeLine("one", "\n");
        EXPECT_EQ(sink.puts, 0);
        const std::string large(tools::ToolOutput::kBufferSize + 5, 'x');
        output.write(large);
        output.write("end");
        EXPECT_TRUE(output.flush());
        EXPECT_EQ(sink.bytes, "one\n" + large + "end");
    }
    Sink failing;
    failing.failFrom = 1;
    tools::ToolOutput output(failing);
    output.write("lost");
    EXPECT_FALSE(output.flush());
    EXPECT_TRUE(output.failed());
    output.write("more");
    EXPECT_FALSE(output.flush());
    EXPECT_EQ(failing.puts, 1);
}

}  // namespace
