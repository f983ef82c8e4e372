// The document scanner and tag dispatch, seen through the machine-readable report: each case
// lists the messages a document raises as "number-of-kind@line" codes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../config/src/line_ends.h"
#include "config/document_lines.h"
#include "test_support.h"

namespace {

using testing_support::testOptions;
using testing_support::validate;

// The messages of a run, in report order, as TYPE:line:first words of the text.
std::vector<std::string> findings(std::string_view document, options::Options options) {
    options.machineReadable = 1;
    std::istringstream report(validate(document, options).report);
    std::vector<std::string> result;
    std::string line;
    std::string type;
    std::string lineNumber;
    while (std::getline(report, line)) {
        if (line.starts_with("MESSAGETYPE=")) {
            type = line.substr(12);
            lineNumber = "-";
        } else if (line.starts_with("LINENUMBER=")) {
            lineNumber = line.substr(11);
        } else if (line.starts_with("MESSAGE=") && type != "COMMENT") {
            result.push_back(type.substr(0, 1) + lineNumber + ":" + line.substr(8, 24));
        }
    }
    return result;
}

// The expected findings cut as findings() cuts them.
std::vector<std::string> shortened(std::vector<std::string> expected) {
    for (std::string& finding : expected) {
        finding = finding.substr(0, finding.find(':') + 25);
    }
    return expected;
}

// A counter of the run, as the machine-readable statistics give it.
std::string statistic(std::string_view document, options::Options options, const std::string& key) {
    std::string body = testing_support::kvBody(document, options);
    std::size_t at = body.find("\n" + key + "=");
    if (at == std::string::npos) at = body.find(key + "=") == 0 ? 0 : std::string::npos;
    if (at == std::string::npos) return "(absent)";
    std::size_t start = body.find('=', at) + 1;
    return body.substr(start, body.find('\n', start) - start);
}

TEST(DocumentLines, SplitAtEveryKindOfLineEnd) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\n\n", {"", ""}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        DocumentLines document = DocumentLines::fromBytes(c.bytes);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < document.count(); ++i) {
            inputlineclass line = document[i];
            lines.emplace_back(line.text);
            EXPECT_EQ(line.number, static_cast<int>(lines.size()));
        }
        EXPECT_EQ(lines, c.lines);
    }
}

// Line ends are found sixteen bytes at a time: documents of random mixes of LF, CR and CR LF,
// of LF alone, and of LF with one CR anywhere, with line ends on both sides of every
// sixteen-byte boundary, split as a byte-at-a-time reading of the rule does (LF, CR or CR LF
// ends a line; a last line needs no end).
TEST(DocumentLines, RandomLineEndsSplitAsTheRuleSays) {
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const std::size_t length = next() % 300;
        const int kind = round % 3;  // 0: any mix, 1: LF alone, 2: LF and one CR
        for (std::size_t i = 0; i < length; ++i) {
            unsigned pick = next() % 8;
            if (kind != 0 && pick == 1) pick = 2;
            bytes.push_back(pick == 0 ? '\n' : pick == 1 ? '\r' : static_cast<char>('a' + pick));
        }
        if (kind == 2 && !bytes.empty()) bytes[next() % bytes.size()] = '\r';
        std::vector<std::string> expected;
        for (std::size_t start = 0; start < bytes.size();) {
            std::size_t end = start;
            while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
            expected.push_back(bytes.substr(start, end - start));
            if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
                bytes[end + 1] == '\n') {
                ++end;
            }
            start = end + 1;
        }
        DocumentLines document = DocumentLines::fromBytes(bytes);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < document.count(); ++i) lines.emplace_back(document[i].text);
        ASSERT_EQ(lines, expected) << round;
    }
}

// The line starts found 64 bytes at a time, sixteen and (where the processor has AVX2)
// thirty-two bytes a step: documents of thousands of lines (more than one batch of starts)
// with LF, CR and CR LF placed on both sides of every block boundary, blocks of line feeds
// alone, blocks of many line ends, and a CR LF split between two blocks, against a
// byte-at-a-time reading of the rule.
TEST(DocumentLines, LineStartsFoundBlockByBlockFollowTheRule) {
    auto rule = [](const std::string& bytes) {
        std::vector<std::uint32_t> starts;
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            if (bytes[at] != '\n' && bytes[at] != '\r') continue;
            std::size_t end = at;
            if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') ++end;
            if (end + 1 < bytes.size()) starts.push_back(static_cast<std::uint32_t>(end + 1));
            at = end;
        }
        return starts;
    };
    auto found = [](const std::string& bytes, bool wide) {
        std::vector<std::uint32_t> starts;
        config::LineStartFinder finder(
            bytes.data(), bytes.size(),
            [](void* context, const std::uint32_t* batch, std::size_t count) {
                auto& into = *static_cast<std::vector<std::uint32_t>*>(context);
                into.insert(into.end(), batch, batch + count);
            },
            &starts);
        finder.run(wide);
        return starts;
    };
    std::uint32_t seed = 2026;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    std::vector<std::string> documents;
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        const std::size_t length = next() % 4000;
        const int kind = round % 4;  // any mix, LF alone, LF and one CR, dense line ends
        for (std::size_t i = 0; i < length; ++i) {
            const unsigned pick = next() % (kind == 3 ? 3 : 40);
            char c = static_cast<char>('a' + next() % 26);
            if (pick == 0) c = '\n';
            if (pick == 1) c = kind == 0 || kind == 3 ? '\r' : '\n';
            bytes.push_back(c);
        }
        if (kind == 2 && !bytes.empty()) bytes[next() % bytes.size()] = '\r';
        documents.push_back(bytes);
    }
    // Line ends at and around each block boundary, a CR LF across one, the last byte a CR.
    for (std::size_t at : {62, 63, 64, 65, 127, 128, 191}) {
        for (const char* end : {"\n", "\r", "\r\n", "\n\r"}) {
            std::string bytes(256, 'x');
            bytes.replace(at, std::string(end).size(), end);
            documents.push_back(bytes);
            documents.push_back(bytes.substr(0, at + 1));
            documents.push_back(bytes.substr(0, at + 2));
        }
    }
    documents.push_back(std::string(5000, '\n'));     // five batches of starts
    documents.push_back(std::string(3001, '\r') + "\n");
    std::string crlf;
    for (int i = 0; i < 3000; ++i) crlf += "ab\r\n";
    documents.push_back(crlf);
    for (const std::string& bytes : documents) {
        const std::vector<std::uint32_t> expected = rule(bytes);
        ASSERT_EQ(found(bytes, false), expected) << bytes.size();
        ASSERT_EQ(found(bytes, true), expected) << bytes.size();
        DocumentLines document = DocumentLines::fromBytes(bytes);
        ASSERT_EQ(document.count(), bytes.empty() ? 0 : expected.size() + 1);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(document.startOf(i + 1), expected[i]);
        }
    }
}

TEST(Scanner, TextFindings) {
    struct Case {
        const char* document;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"say \"hi\" and \"bye\"\n", {"E1:A quotation mark was found th"}},
        {"\"a\n\"b\n", {"E1:A quotation mark was found th", "E2:A quotation mark was found th"}},
        {"1 > 0\n", {"E1:Found the character '>' with"}},
        {"fish & chips\n", {"E1:Reached the end of a line att"}},
        {"&[macro]; & [x\n", {"E1:Reached the end of a line att"}},
        {"&amp;&lang;&lArr;&#65;&#160;&#9;\n", {}},
        {"&AMP;\n", {"E1:The character entity \"&AMP;\" "}},
        // "##" reads as "#" only while a CFOUTPUT is open, checked without a configuration too.
        {"<cfoutput>&##38;</cfoutput>\n", {}},
        {"<CFOUTPUT>x</cfoutput>&##38;\n", {"E1:The character entity \"&##38;\""}},
        {"&#10;&#128;&;\n",
         {"E1:The character entity \"&#10;\" ", "E1:The character entity \"&#128;\""}},
        {"caf\xe9\nok\n\xff\xfe\n", {"E1:High ASCII characters found. ", "E3:High ASCII charac"
                                                                          "ters found. "}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findings(c.document, testOptions()), shortened(c.expected)) << c.document;
    }
}

TEST(Scanner, TagFindings) {
    struct Case {
        const char* document;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"<b <i>x</i>\n", {"E1:Found the character '<' whil"}},
        {"<!-- a > b -->\n", {"W1:Found the character '>' in a"}},
        {"<!-- a < b -->\n", {"W1:Found the character '<' in a"}},
        {"<!-- x\n", {"E1:Reached the end of the docume"}},
        {"<a href=\"x\n", {"E1:Reached the end of the line b", "E1:Reached the end of the docume"}},
        {"<a href=\"x\ny\">\n", {"E1:Reached the end of the line b"}},
        {"< >\n", {"E1:Spaces found after the charac", "E1:An empty < > block was found "}},
        {"<>\n", {"E1:An empty < > block was found "}},
        {"< p>\n<p >\n", {"E1:Spaces found after the charac", "E2:Spaces found before the chara"}},
        {"<!DOCTYPE a>\n<!doctype b>\n<p>\n<!DOCTYPE c>\n",
         {"E2:Found an extra prologue identi", "E4:Comments must begin with '<!-"}},
        {"<! x>\n", {"E1:Comments must begin with '<!-"}},
        {"<?php echo '>' ?>\n<## x > ##>\n<% if a > b %>\n", {}},
        {"<a href=\"<% =x %>\" title='<? y ?>' alt=&[z]>\n", {}},
        {"<p title=\"a > b\">\n", {}},
        {"<p title=\"it's\">\n", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findings(c.document, testOptions()), shortened(c.expected)) << c.document;
    }
}

TEST(Scanner, SwitchesChangeTheFindings) {
    options::Options options = testOptions();
    options.AllowDoubleQuoteInText = 1;
    options.AllowSpaces2 = 1;
    options.AllowMultiLineQuotes = 1;
    options.EnableCommentWarnings = 0;
    options.StrictComments = 0;
    options.ValidateEntities = 0;
    options.CheckForHighASCII = 0;
    EXPECT_EQ(findings("\"< p >\n<a href=\"x\ny\">\n<!-- > < -->\n<! x>\n&x \xff\n", options),
              std::vector<std::string>{});

    options = testOptions();
    options.HexadecimalEntities = 1;
    options.UnicodeNumericEntities = 1;
    EXPECT_EQ(findings("&#x41;&#8364;&#xffff;\n", options), std::vector<std::string>{});
    EXPECT_EQ(findings("&#X41;&#65536;\n", options),
              shortened({"E1:The character entity \"&#X41;\"",
                                        "E1:The character entity \"&#65536;"}));
}

TEST(Scanner, ServerBlocksAreCountedAndCollapsed) {
    options::Options options = testOptions();
    EXPECT_EQ(statistic("<% x %>\n<a href=\"<%=y%>\">\n", options, "SERVERSECTIONS"), "2");
    EXPECT_EQ(statistic("<% x %>\n<a href=\"<%=y%>\">\n", options, "NUMBEROFTAGNAMES"), "1");
    EXPECT_EQ(statistic("<a href=\"<%=y%>\">\n", options, "NUMBEROFVALIDATORCOMMENTS"), "1");
    options.CollapseASPInTags = 0;
    EXPECT_EQ(statistic("<a href=\"<%=y%>\">\n", options, "NUMBEROFVALIDATORCOMMENTS"), "0");
    options.IgnoreActiveServer = 0;
    EXPECT_EQ(statistic("<% x %>\n", options, "SERVERSECTIONS"), "(absent)");
    EXPECT_EQ(statistic("<% x %>\n", options, "NUMBEROFTAGNAMES"), "1");
}

TEST(Scanner, CountersOfARun) {
    options::Options options = testOptions();
    const char* document = "<!DOCTYPE html>\n<html>\n<!-- c -->\n<p>a &amp; b</p>\n</html>";
    EXPECT_EQ(statistic(document, options, "LINESINFILE"), "5");
    EXPECT_EQ(statistic(document, options, "LINESCHECKED"), "5");
    EXPECT_EQ(statistic(document, options, "NUMBEROFTAGNAMES"), "2");
    EXPECT_EQ(statistic(document, options, "NUMBEROFCLOSINGTAGS"), "2");
    EXPECT_EQ(statistic(document, options, "PERCENTCLOSED"), "100.0");
    EXPECT_EQ(statistic(document, options, "NUMBEROFHTMLCOMMENTS"), "1");
    EXPECT_EQ(statistic(document, options, "NUMBEROFENTITIES"), "1");
}

TEST(Scanner, LimitsEndTheScan) {
    options::Options options = testOptions();
    options.MaximumErrors = 3;
    std::string document;
    for (int i = 0; i < 10; ++i) document += "<p> > </p>\n";
    auto result = findings(document, options);
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[2], "E3:Terminating validation d");
    // The scan stopped at the next tag after the limit.
    EXPECT_EQ(statistic(document, options, "LINESCHECKED"), "3");
}

TEST(Scanner, NulBytesAreOrdinaryCharacters) {
    options::Options options = testOptions();
    std::string document("a\0 > b\n", 7);
    EXPECT_EQ(findings(document, options), shortened({"E1:Found the character '>' with"}));
}

TEST(Scanner, UnreadableDocumentWritesNoReport) {
    options::Options options = testOptions();
    messages::MessageStore store(options);
    platform::FakeClock clock;
    platform::SystemFiles files;
    platform::FakeUserInterface ui;
    engine::Validator validator(options, store, clock, files);
    std::FILE* report = std::tmpfile();
    // A directory opens but cannot be read.
    std::FILE* input = std::fopen("/", "rb");
    ASSERT_NE(input, nullptr);
    engine::RunContext context{input, report, "/", "report", &ui};
    EXPECT_EQ(validator.validateDocument(context), 0);
    EXPECT_EQ(std::ftell(report), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Markwise: SERIOUS ERROR");
    std::fclose(input);
    std::fclose(report);
}

}  // namespace
