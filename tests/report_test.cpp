#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "messages/report.h"
#include "messages/text_out.h"
#include "test_support.h"

namespace {

using testing_support::TempDir;
using testing_support::testOptions;
using testing_support::validate;

std::string wrapped(std::string_view text, int width) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    {
        messages::TextOut out(file);
        messages::wrapText(out, text, width);
    }
    std::fclose(file);
    std::string result(data, size);
    std::free(data);
    return result;
}

// The report from the statistics on: the header carries dates and the document's path.
std::string fromStatistics(const std::string& report) {
    std::size_t start = report.find("\n\n", report.find("File validated on"));
    return report.substr(start + 2);
}

TEST(WordWrap, BreaksAtTheLastBlankWithinTheWidth) {
    struct Case {
        const char* text;
        int width;
        const char* expected;
    };
    const Case cases[] = {
        {"", 20, ""},
        {"abcde", 5, "abcde\n"},                    // exactly the width: one line
        {"abc def", 6, "abc\ndef\n"},               // one more: broken at the blank
        {"abcde fgh", 5, "abcde\nfgh\n"},           // the blank just past the width
        {"abcdefghij", 4, "abcd\nefgh\nij\n"},      // no blank: split
        {"abcd ", 4, "abcd\n"},                     // a blank at the break ends the text
        {"ab\tcd ef", 5, "ab\tcd\nef\n"},          // the blank at the width
        {" abcdefgh", 4, "\nabcd\nefgh\n"},         // a blank only at the start
        {"caf\xc3\xa9 cr\xc3\xa8me", 4, "caf\xc3\xa9\ncr\xc3\xa8m\ne\n"},  // é counts as one
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wrapped(c.text, c.width), c.expected) << c.text << " / " << c.width;
    }
}

TEST(WordWrap, RefusesAWidthBelowOne) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    {
        messages::TextOut out(file);
        EXPECT_FALSE(messages::wrapText(out, "text", 0));
        EXPECT_TRUE(messages::wrapText(out, "", 1));
    }
    std::fclose(file);
    EXPECT_EQ(size, 0u);
    std::free(data);
}

TEST(Report, EmptyDocumentHasAZeroStatisticsBlock) {
    options::Options options = testOptions();
    auto result = validate("", options);
    EXPECT_EQ(result.returned, 1);
    EXPECT_EQ(fromStatistics(result.report),
              "No errors or warnings were detected!\n\n"
              "     Number of lines checked: 0\n"
              "Number of lines in HTML file: 0\n"
              "     Number of lines ignored: 0\n"
              "Number of character entities: 0\n"
              "         Number of tag names: 0\n"
              "      Number of closing tags: 0\n"
              "Number of <% ... %> sections: 0\n"
              "     Number of HTML comments: 0\n\n"
              "Number of validator comments: 0\n"
              "          Number of messages: 0\n"
              "            Number of errors: 0\n"
              "          Number of warnings: 0\n"
              "\n--------------------------------------------------\n"
              "\n--------------------------------------------------\n");
}

TEST(Report, HeaderNamesTheDocumentAndTheDates) {
    options::Options options = testOptions();
    auto result = validate("<p>\n", options, nullptr, "page.html");
    EXPECT_TRUE(result.report.starts_with(
        "\n--------------------------------------------------\n\n"
        "Zentrel Markwise v2.55\n"
        "Validating file \"page.html\" (4 bytes).\n"
        "File validated on Tuesday, December 08, 2026 at 03:46:51.\n\n"))
        << result.report;
}

TEST(Report, MessagesAreInterleavedWithTheDocumentLines) {
    options::Options options = testOptions();
    options.LineLength = 999;
    const char* document = "<p>\nline \"2\n<p>\n<b>x</b>\ny > z\n<i>\n";
    auto result = validate(document, options);
    std::string body = fromStatistics(result.report);
    body = body.substr(body.find("-\n") + 2);
    EXPECT_EQ(body,
              "\n   1: <p>\n   2: line \"2\n"
              "\nError number 1 in line 2:\n"
              "A quotation mark was found that is not within a tag. The character entity &quot; "
              "should be used instead of the quotation character.\n"
              "\n   3: <p>\n   4: <b>x</b>\n   5: y > z\n"
              "\nError number 2 in line 5:\n"
              "Found the character '>' with no previous character '<' to open the tag. The "
              "character '<' must appear before each '>' to open a tag. If you actually want to "
              "use this character in the text portion of your document, you should use the "
              "character entity &gt;.\n"
              "\n   6: <i>\n"
              "\nComment number 1:\n"
              "If you want to use the actual double quote character in the text of your HTML "
              "documents and do not want Markwise to generate errors about using double quotes, "
              "you can allow double quotes in the text of your HTML documents by turning on the "
              "option to allow them. This option is in Zentrel Markwise's Validator Options "
              "Dialog Box.\n"
              "\n--------------------------------------------------\n");
}

TEST(Report, MessagesAtTheBottomFollowAllLines) {
    options::Options options = testOptions();
    options.MessagesAtBottom = 1;
    options.ShowComments = 0;
    auto result = validate("a > b\nc\n", options);
    std::string body = fromStatistics(result.report);
    body = body.substr(body.find("-\n") + 2);
    EXPECT_TRUE(body.starts_with("\n   1: a > b\n   2: c\n"
                                 "\n--------------------------------------------------\n"
                                 "\nError number 1 in line 1:\n"))
        << body;

    options.IncludeHTMLInOutput = 0;
    body = fromStatistics(validate("a > b\nc\n", options).report);
    body = body.substr(body.find("-\n") + 2);
    EXPECT_TRUE(body.starts_with("\nError number 1 in line 1:\n")) << body;
}

// Listed lines are numbered by counting up in place: every number across the widths of one
// to five digits, the runs of lines between messages starting anywhere.
TEST(Report, ListedLinesAreNumberedAcrossEveryWidth) {
    options::Options options = testOptions();
    options.ShowComments = 0;
    std::string document;
    for (int line = 1; line <= 10001; ++line) document += line % 997 == 0 ? "a > b\n" : "x\n";
    const std::string report = validate(document, options).report;
    std::size_t at = 0;
    for (int line = 1; line <= 10001; ++line) {
        std::string number = std::to_string(line);
        if (number.size() < 4) number.insert(0, 4 - number.size(), ' ');
        const std::string listed =
            "\n" + number + ": " + (line % 997 == 0 ? "a > b" : "x") + "\n";
        at = report.find(listed, at);
        ASSERT_NE(at, std::string::npos) << line;
    }
}

TEST(Report, StatisticsShowPercentagesAndFirstLines) {
    options::Options options = testOptions();
    options.ValidateEntities = 0;
    options.IgnoreActiveServer = 0;
    auto result = validate("<a>\n<b>\n</b>\n\"\n<!-- x > -->\n", options);
    std::string statistics = fromStatistics(result.report);
    statistics = statistics.substr(0, statistics.find("\n-"));
    EXPECT_EQ(statistics,
              "     Number of lines checked: 5\n"
              "Number of lines in HTML file: 5 (100.0% of lines checked)\n"
              "     Number of lines ignored: 0\n"
              "         Number of tag names: 2\n"
              "      Number of closing tags: 1 (50.0% of tag names closed)\n"
              "     Number of HTML comments: 1\n\n"
              "Number of validator comments: 2\n"
              "          Number of messages: 0\n"
              "            Number of errors: 1 (first in line 4)\n"
              "          Number of warnings: 1 (first in line 5)\n");
}

// The all-clear line stands only when there are neither errors nor warnings.
TEST(Report, AWarningAloneTakesAwayTheAllClearLine) {
    auto result = validate("<!-- < -->\n", testOptions());
    EXPECT_TRUE(fromStatistics(result.report).starts_with("     Number of lines checked: 1\n"))
        << result.report;
}

// A name's control characters, DEL among them, are written as \xHH; other bytes stay.
TEST(Report, ControlCharactersInNamesAreEscaped) {
    EXPECT_EQ(messages::escapeControlCharacters("a\nb\tc\x7f" "d\x1f\xc3\xa9 e"),
              "a\\x0Ab\\x09c\\x7Fd\\x1F\xc3\xa9 e");
}

// The writers driven directly: a document of three lines, one error on line 2 and its
// comment, the file's time known or not, and a clock whose formatting can fail.
class ReportWriterTest : public ::testing::Test {
protected:
    struct KnownFiles : platform::Files {
        std::optional<std::time_t> written;
        bool exists(const std::string&) const override { return true; }
        bool remove(const std::string&) override { return false; }
        bool rename(const std::string&, const std::string&) override { return false; }
        std::optional<std::time_t> lastWriteTime(const std::string&) const override {
            return written;
        }
        std::string currentDirectory() const override { return "/"; }
        bool setCurrentDirectory(const std::string&) override { return false; }
        bool replaceFile(const std::string&, std::string_view, unsigned) override {
            return false;
        }
    };

    ReportWriterTest()
        : options(testOptions()),
          refs{2, 2},
          store(options, &refs),
          document(DocumentLines::fromBytes("one\ntwo \"\nthree\n")) {
        files.written = 1000;
        counters.currentLine = 3;
        counters.linesInFile = 3;
        subject.documentPath = "page.html";
        subject.documentSize = 16;
        subject.counters = &counters;
        subject.lines = &document;
        store.resetRun();
        store.raiseError(94);
    }

    std::string written(const std::function<void(messages::ReportWriter&, messages::TextOut&)>& write) {
        std::string bytes;
        {
            messages::TextOut out(bytes);
            messages::ReportWriter writer(options, store, subject, clock, files, &ui);
            write(writer, out);
        }
        return bytes;
    }

    options::Options options;
    messages::LineRefs refs;
    messages::MessageStore store;
    DocumentLines document;
    messages::RunCounters counters;
    messages::ReportSubject subject;
    platform::FakeClock clock;
    KnownFiles files;
    platform::FakeUserInterface ui;
};

TEST_F(ReportWriterTest, HeaderSaysWhenTheDateOrTimeCannotBeFormatted) {
    auto header = [&] {
        return written([](auto& writer, auto& out) { writer.writeReportHeader(out); });
    };
    const std::string start =
        "\n--------------------------------------------------\n\n"
        "Zentrel Markwise v2.55\nValidating file \"page.html\" (16 bytes).\n";
    EXPECT_EQ(header(), start +
                            "File date is Tuesday, December 08, 2026 at 03:46:51.\n"
                            "File validated on Tuesday, December 08, 2026 at 03:46:51.\n\n");

    // The file's date is left out when any part of it fails; the run's date names the failure.
    clock.longDateText.clear();
    EXPECT_EQ(header(), start +
                            "File validated on error getting date or in date format at "
                            "03:46:51.\n\n");
    clock.longDateText = "Tuesday, December 08, 2026";
    clock.timeText.clear();
    EXPECT_EQ(header(), start +
                            "File validated on Tuesday, December 08, 2026 at error getting time "
                            "or in time format.\n\n");

    // A file whose time cannot be read has no date line.
    clock.timeText = "03:46:51";
    files.written.reset();
    EXPECT_EQ(header(), start + "File validated on Tuesday, December 08, 2026 at 03:46:51.\n\n");
}

TEST_F(ReportWriterTest, AMessageThatCannotBeWrappedIsReportedAndTheListGoesOn) {
    options.LineLength = 0;
    const std::string list =
        written([](auto& writer, auto& out) { writer.writeMessageList(out); });
    // The error and its comment: each leaves its newline, and the listing around them stays.
    EXPECT_EQ(list,
              "\n   1: one\n   2: two \"\n\n"
              "\n   3: three\n\n"
              "\n--------------------------------------------------\n");
    ASSERT_EQ(ui.boxCount(), 2u);
    for (const auto& box : ui.boxes) {
        EXPECT_EQ(box.caption, "Markwise: SERIOUS ERROR");
        EXPECT_NE(box.text.find("(number 18)"), std::string::npos) << box.text;
    }
}

// An output that fails (a full disk) is said once, with the number of the form being written:
// 17 for the machine-readable form, 18 for the report.
TEST_F(ReportWriterTest, AFailedOutputIsReportedOnceWithTheNumberOfItsForm) {
    struct FailingSink : messages::ByteSink {
        bool write(std::string_view) override { return false; }
    };
    FailingSink sink;
    for (int machineReadable : {1, 0}) {
        ui.boxes.clear();
        options.machineReadable = machineReadable;
        {
            messages::TextOut out(sink);
            out.write(std::string((1u << 20) + 1, 'x'));  // straight to the sink, which fails
            messages::ReportWriter writer(options, store, subject, clock, files, &ui);
            writer.writeMessageList(out);
        }
        ASSERT_EQ(ui.boxCount(), 1u) << machineReadable;
        EXPECT_EQ(ui.boxes[0].caption, "Markwise: SERIOUS ERROR");
        EXPECT_NE(ui.boxes[0].text.find(machineReadable ? "(number 17)" : "(number 18)"),
                  std::string::npos)
            << ui.boxes[0].text;
    }
}

TEST_F(ReportWriterTest, DocumentLinesFailOnlyWhenTheFirstLineIsMissing) {
    auto lines = [&](int first, int last, bool expected) {
        return written([&](auto& writer, auto& out) {
            EXPECT_EQ(writer.writeDocumentLines(out, first, last), expected) << first;
        });
    };
    EXPECT_EQ(lines(2, 9, true), "\n   2: two \"\n   3: three\n");
    EXPECT_EQ(lines(3, 2, true), "\n");  // an empty range
    EXPECT_EQ(lines(0, 2, false), "\n");
    EXPECT_EQ(lines(4, 4, false), "\n");
}

// Lines are listed through the output's buffer in pieces of a fixed size where they are short
// and far enough from the document's end: every length around that size, every line end, a
// last line without one and lines near the document's end list the same bytes as the lines
// themselves, across the buffer's flushes.
TEST_F(ReportWriterTest, ListedLinesAreTheLinesWhateverTheirLengthOrPlace) {
    struct Collect : messages::ByteSink {
        std::string bytes;
        bool write(std::string_view more) override {
            bytes.append(more);
            return true;
        }
    };
    std::string bytes;
    std::vector<std::string> texts;
    unsigned seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const char* const ends[] = {"\n", "\r\n", "\r"};
    while (bytes.size() < (std::size_t{5} << 19)) {
        const std::size_t length = texts.size() % 3 == 0 ? 120 + next() % 20 : next() % 300;
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + next() % 26);
        bytes += text;
        // An empty line after a CR ends with a CR too: an LF would join the CR as one end.
        const bool afterReturn = !bytes.empty() && bytes.back() == '\r';
        bytes += afterReturn && text.empty() ? "\r" : ends[next() % 3];
        texts.push_back(text);
    }
    for (const std::size_t last : {std::size_t{0}, std::size_t{1}, std::size_t{127}, std::size_t{200}}) {
        std::string whole = bytes;
        std::vector<std::string> lines = texts;
        lines.push_back(std::string(last, 'z'));
        whole += lines.back();
        if (last == 0) lines.pop_back();
        document = DocumentLines::fromBytes(whole);
        ASSERT_EQ(document.count(), lines.size());
        const int count = static_cast<int>(lines.size());
        for (const int first : {1, count - 40}) {
            Collect sink;
            {
                messages::TextOut out(sink);
                messages::ReportWriter writer(options, store, subject, clock, files, &ui);
                out.write("x");  // the buffer is never aligned on a line
                ASSERT_TRUE(writer.writeDocumentLines(out, first, count));
            }
            std::string expected = "x\n";
            for (int n = first; n <= count; ++n) {
                std::string number = std::to_string(n);
                if (number.size() < 4) number.insert(0, 4 - number.size(), ' ');
                expected += number + ": " + lines[static_cast<std::size_t>(n - 1)] + "\n";
            }
            ASSERT_EQ(sink.bytes.size(), expected.size()) << last << " from " << first;
            EXPECT_TRUE(sink.bytes == expected) << last << " from " << first;
        }
    }
}

TEST(Report, MachineReadableFormHasNoLayout) {
    options::Options options = testOptions();
    options.machineReadable = 1;
    auto result = validate("<p>\n\"\n", options, nullptr, "doc.html");
    EXPECT_EQ(result.report,
              "VALIDATOR=Zentrel Markwise\nVERSION=2.55\nFILENAME=doc.html\nBYTESIZE=6\n"
              "LINESCHECKED=2\nPERCENTLINESCHECKED=100.0\nLINESINFILE=2\nLINESIGNORED=0\n"
              "NUMBEROFENTITIES=0\nNUMBEROFTAGNAMES=1\nNUMBEROFCLOSINGTAGS=0\n"
              "PERCENTCLOSED= 0.0\nSERVERSECTIONS=0\nNUMBEROFHTMLCOMMENTS=0\n"
              "NUMBEROFVALIDATORCOMMENTS=1\nNUMBEROFMESSAGES=0\nNUMBEROFERRORS=1\n"
              "NUMBEROFWARNINGS=0\nMAXMESSAGECHARS=328\n"
              "MESSAGETYPE=ERROR\nMESSAGENUMBER=1\nLINENUMBER=2\n"
              "MESSAGE=A quotation mark was found that is not within a tag. The character "
              "entity &quot; should be used instead of the quotation character.\n"
              "MESSAGETYPE=COMMENT\nMESSAGENUMBER=1\n"
              "MESSAGE=If you want to use the actual double quote character in the text of your "
              "HTML documents and do not want Markwise to generate errors about using double "
              "quotes, you can allow double quotes in the text of your HTML documents by turning "
              "on the option to allow them. This option is in Zentrel Markwise's Validator "
              "Options Dialog Box.\n"
              "ENDOFFILE=YES\n");
}

TEST(Log, AppendsAnEntryWithTheLoggedMessages) {
    TempDir dir;
    options::Options options = testOptions();
    options.EnableLogging = 1;
    options.LogErrors = 1;
    options.LogFilename = dir.file("log.txt");
    options.LineLength = 999;
    options.machineReadable = 1;  // the log keeps its own layout
    const char* document = "a > b > c\n\"\n<!-- < -->\n";
    validate(document, options, nullptr, "doc.html");
    std::string log = testing_support::readFile(options.LogFilename);
    EXPECT_EQ(log,
              "\n--------------------------------------------------\n\n"
              "*** This document contains errors and/or warnings. ***\n\n"
              "Val Date: Tuesday, December 08, 2026\n"
              "Val Time: 03:46:51\n"
              "Document: doc.html\n"
              "  Output: report.txt\n"
              "   Bytes: 23\n"
              "  Errors: 3\n"
              "Warnings: 1\n"
              "Comments: 2\n"
              "Messages: 0\n"
              "\n   1: a > b > c\n"
              "\nError number 1 in line 1:\n"
              "Found the character '>' with no previous character '<' to open the tag. The "
              "character '<' must appear before each '>' to open a tag. If you actually want to "
              "use this character in the text portion of your document, you should use the "
              "character entity &gt;.\n"
              "\nError number 2 in line 1:\n"
              "Found the character '>' with no previous character '<' to open the tag. The "
              "character '<' must appear before each '>' to open a tag. If you actually want to "
              "use this character in the text portion of your document, you should use the "
              "character entity &gt;.\n"
              "\n   2: \"\n"
              "\nError number 3 in line 2:\n"
              "A quotation mark was found that is not within a tag. The character entity &quot; "
              "should be used instead of the quotation character.\n");

    // A second run appends; a clean run has no "***" line.
    validate("<p>\n", options, nullptr, "clean.html");
    std::string second = testing_support::readFile(options.LogFilename).substr(log.size());
    EXPECT_TRUE(second.starts_with("\n--------------------------------------------------\n\n"
                                   "Val Date: "))
        << second;
}

TEST(Log, NothingIsWrittenWhileLoggingIsOff) {
    TempDir dir;
    options::Options options = testOptions();
    options.EnableLogging = 0;
    options.LogErrors = 1;
    options.LogFilename = dir.file("log.txt");
    auto result = validate("a > b\n", options);
    EXPECT_EQ(result.returned, 1);
    EXPECT_FALSE(std::filesystem::exists(options.LogFilename));
    EXPECT_EQ(result.ui.boxCount(), 0u);
}

TEST(Log, AnUnopenableLogIsReportedOnce) {
    options::Options options = testOptions();
    options.EnableLogging = 1;
    options.LogFilename = "/nonexistent-folder/log.txt";
    auto result = validate("<p>\n", options);
    EXPECT_EQ(result.returned, 1);
    ASSERT_EQ(result.ui.boxes.size(), 1u);
    EXPECT_EQ(result.ui.boxes[0].caption, "Markwise: Error Opening Log File");
    EXPECT_EQ(result.ui.boxes[0].text,
              "An error occurred while attempting to open the log file. The log entries will "
              "not be written.");
}

TEST(Log, FrenchLogUsesTheFrenchLines) {
    TempDir dir;
    options::Options options = testOptions();
    options.EnableLogging = 1;
    options.Language = 1;
    options.LogFilename = dir.file("log.txt");
    validate("<p>\n", options, nullptr, "doc.html");
    std::string log = testing_support::readFile(options.LogFilename);
    EXPECT_EQ(log.find("Val Date"), std::string::npos) << log;
    EXPECT_NE(log.find("doc.html"), std::string::npos);
}

}  // namespace
