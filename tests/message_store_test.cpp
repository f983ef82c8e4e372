#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "options/options.h"
#include "messages/message_store.h"

namespace {

using messages::MessageStore;
using messages::MsgStore;

class MessageStoreTest : public ::testing::Test {
protected:
    MessageStoreTest() : options(options::defaultOptions("")), store(options, &lines) {}

    // Each record as "kind:sequence:line:text-start" in filing order.
    std::vector<std::string> listing() const {
        std::vector<std::string> result;
        for (const MsgStore* record : store.records()) {
            std::string text(record->text.view().substr(0, 12));
            result.push_back(std::to_string(record->kind) + ":" + std::to_string(record->sequence) +
                             ":" + std::to_string(record->effectiveLine()) + ":" + text);
        }
        return result;
    }

    std::string textOf(std::size_t index) const {
        return std::string(store.records().at(index)->text.view());
    }

    options::Options options;
    messages::LineRefs lines{10, 8};
    MessageStore store;
};

TEST_F(MessageStoreTest, ErrorLimitRecordsTerminationAsTheLastError) {
    options.MaximumErrors = 25;
    for (int i = 0; i < 100; ++i) {
        lines.current = i + 1;
        store.raiseError(54);
    }
    EXPECT_EQ(store.errors(), 25);
    const auto& records = store.records();
    int ordinary = 0;
    int terminations = 0;
    for (const MsgStore* record : records) {
        if (!record->isError()) continue;
        if (record->text.view().starts_with("Terminating validation due to too many errors"))
            ++terminations;
        else
            ++ordinary;
    }
    EXPECT_EQ(ordinary, 24);
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(store.comments(), 1);  // 210 with error 50
}

TEST_F(MessageStoreTest, ErrorLimitOfOneTurnsTheFirstErrorIntoTermination) {
    options.MaximumErrors = 1;
    EXPECT_FALSE(store.raiseError(94));
    EXPECT_EQ(store.errors(), 1);
    EXPECT_TRUE(textOf(0).starts_with("Terminating validation due to too many errors!"));
}

TEST_F(MessageStoreTest, WarningLimitRaisesErrorNinetyOnce) {
    options.MaximumWarnings = 25;
    int recorded = 0;
    for (int i = 0; i < 40; ++i) recorded += store.raiseWarning(102) ? 1 : 0;
    EXPECT_EQ(recorded, 24);
    EXPECT_EQ(store.warnings(), 24);
    EXPECT_EQ(store.errors(), 1);
    EXPECT_TRUE(store.warningsTerminated());
    // 208 with the warnings, 211 with error 90.
    EXPECT_EQ(store.comments(), 2);
}

TEST_F(MessageStoreTest, TerminationForWarningsPassesAFullErrorCount) {
    options.MaximumErrors = 2;
    options.MaximumWarnings = 1;
    store.raiseError(94);
    store.raiseError(94);  // becomes error 50
    EXPECT_EQ(store.errors(), 2);
    store.raiseWarning(102);  // error 90, exempt from the error limit
    EXPECT_EQ(store.errors(), 3);
    EXPECT_TRUE(store.warningsTerminated());

    // Error 90 may fill the count up to the limit: error 50 stands only for the error that
    // reaches the limit exactly, so an error after that is dropped without it.
    store.resetRun();
    store.raiseError(94);
    store.raiseWarning(102);  // error 90: the count is now at the limit
    EXPECT_EQ(store.errors(), 2);
    EXPECT_FALSE(store.raiseError(94));
    EXPECT_EQ(store.errors(), 2);
    for (const MsgStore* record : store.records()) {
        EXPECT_FALSE(record->text.view().starts_with("Terminating validation due to too many errors"));
    }
}

TEST_F(MessageStoreTest, SwitchesTurnWarningsAndCommentsOff) {
    options.EnableWarnings = 0;
    options.MaximumWarnings = 1;
    EXPECT_TRUE(store.raiseWarning(104));
    EXPECT_EQ(store.warnings(), 0);
    EXPECT_EQ(store.errors(), 0);  // no error 90 either

    options.ShowComments = 0;
    store.raiseError(87);
    EXPECT_EQ(store.errors(), 1);
    EXPECT_EQ(store.comments(), 0);
}

TEST_F(MessageStoreTest, PairedCommentsAreRecordedOncePerRun) {
    lines.tag = 3;
    store.raiseError(61);
    lines.tag = 9;
    store.raiseError(61);
    store.raiseError(300, "v", "a");
    EXPECT_EQ(store.comments(), 3);  // 202 once, 218 and 219
    std::vector<int> numbers;
    for (const MsgStore* record : store.records()) {
        if (record->isComment()) numbers.push_back(record->commentNumber);
    }
    EXPECT_EQ(numbers, (std::vector<int>{202, 218, 219}));
    store.resetRun();
    store.raiseError(61);
    EXPECT_EQ(store.comments(), 1);
}

TEST_F(MessageStoreTest, ConfigurationWarningsAreGivenOncePerNameAndNumber) {
    EXPECT_TRUE(store.raiseWarning(101, "table"));
    EXPECT_FALSE(store.raiseWarning(101, "table"));
    EXPECT_TRUE(store.raiseWarning(101, "TABLE"));  // names compare with case
    EXPECT_TRUE(store.raiseWarning(100, "table"));
    EXPECT_TRUE(store.raiseWarning(103, "align", "p", 2));
    EXPECT_TRUE(store.raiseWarning(103, "align", "p", 2));  // not a once-per-name warning
    EXPECT_EQ(store.warnings(), 5);

    // The names kept are cut to 98 characters from 100 on, and the whole name is compared
    // with them: a name of 99 characters is given once, one of 100 or more every time.
    const std::string name99(99, 'n');
    EXPECT_TRUE(store.raiseWarning(101, name99));
    EXPECT_FALSE(store.raiseWarning(101, name99));
    const std::string name100(100, 'n');
    EXPECT_TRUE(store.raiseWarning(101, name100));
    EXPECT_TRUE(store.raiseWarning(101, name100));
    EXPECT_TRUE(store.raiseWarning(101, name100 + "x"));  // shares the 98 characters kept
    EXPECT_EQ(store.warnings(), 9);

    // Characters, not bytes: 99 two-byte letters are a name of 99 characters.
    std::string accented99;
    for (int i = 0; i < 99; ++i) accented99 += "\xc3\xa9";
    EXPECT_TRUE(store.raiseWarning(101, accented99));
    EXPECT_FALSE(store.raiseWarning(101, accented99));
    EXPECT_TRUE(store.raiseWarning(101, accented99 + "\xc3\xa9"));
    EXPECT_TRUE(store.raiseWarning(101, accented99 + "\xc3\xa9"));
    EXPECT_EQ(store.warnings(), 12);

    // A name of 98 characters is the name kept for a longer one that begins with it.
    EXPECT_FALSE(store.raiseWarning(101, std::string(98, 'n')));
    // A warning without a name is not held to once per name.
    EXPECT_TRUE(store.raiseWarning(101, ""));
    EXPECT_TRUE(store.raiseWarning(101, ""));
    EXPECT_EQ(store.warnings(), 14);
}

TEST_F(MessageStoreTest, FilingOrdersByLineWithCommentsLast) {
    lines = {40, 40};
    store.raiseMessage("configured text");        // line 40 (tag line)
    lines = {12, 12};
    store.raiseWarning(102);                      // line 12, with comment 208
    lines = {40, 40};
    store.raiseError(54);                         // line 40
    lines = {2, 2};
    store.raiseError(94);                         // line 2, with comment 209
    EXPECT_EQ(listing(), (std::vector<std::string>{
                             "0:2:2:A quotation ", "3:1:12:Found the ch", "0:1:40:Found the ch",
                             "6:1:40:configured t", "5:1:-1:If you do no", "5:2:-1:If you want "}));
    EXPECT_EQ(store.firstLines(), (std::pair<int, int>{2, 12}));

    // The first lines are the smallest, whatever the order of the raises.
    lines = {5, 5};
    store.raiseWarning(104);
    lines = {30, 30};
    store.raiseWarning(104);
    store.raiseError(54);
    EXPECT_EQ(store.firstLines(), (std::pair<int, int>{2, 5}));
}

TEST_F(MessageStoreTest, LineReferencesFollowTheMessageKind) {
    lines = {7, 3};
    store.raiseError(52);            // current line
    store.raiseError(71);            // tag line
    store.raiseError(69, "table", {}, 2);  // opened in line 2
    store.raiseError(93, {}, {}, 5);       // the line with the character
    std::vector<std::pair<int, int>> refs;
    for (const MsgStore* record : store.records()) {
        if (record->isError()) refs.emplace_back(record->kind, record->effectiveLine());
    }
    EXPECT_EQ(refs, (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}, {0, 5}, {0, 7}}));
}

TEST_F(MessageStoreTest, ArgumentsFillTheTextsAsTheCatalogueSays) {
    store.raiseError(64, {}, {}, 50);
    store.raiseError(78, "br");
    store.raiseError(89, "ignored", "href");
    store.raiseError(74, "b", "i", 4);
    store.raiseWarning(103, "align", "p", 3);
    store.raiseComment(216, "tr");
    std::vector<std::string> texts;
    for (const MsgStore* record : store.records()) texts.emplace_back(record->text.view());
    EXPECT_EQ(texts, (std::vector<std::string>{
        "Too many attributes! Cannot check past first 49 attributes.",
        "The closing tag for \"br\" was found, but \"br\" cannot have a closing tag.",
        "The attribute \"href\" needs a value.",
        "The closing tag for \"b\" was found, but it should have been preceded by the closing "
        "tag for \"i\" which was opened in line 4 (nesting error).",
        "The attribute \"align\" appears 3 times in the tag name \"p\".",
        "You can ignore the nesting errors by turning off the option to check HTML tag nesting. "
        "This option is in Zentrel Markwise's Validator Options Dialog Box.",
        "The first tag name in the document was out of range. The document has been validated "
        "with the assumption that you are validating a block of HTML that belongs in a <tr> ... "
        "</tr> section."}));
}

TEST_F(MessageStoreTest, ComposedAndOverlongTextsAreReplaced) {
    store.raiseError(85, std::string(4095, 'a'));
    store.raiseError(86, std::string(4096, 'a'));
    store.raiseError(67, "td", std::string(2049, 'r'));
    store.raiseError(67, "td", " short");
    EXPECT_EQ(textOf(0).size(), 4095u);
    EXPECT_EQ(textOf(1), "[MESSAGE EXCEEDS MAXIMUM LENGTH]");
    EXPECT_EQ(textOf(2), "The tag name \"td\" was found, but is not valid due to its location "
                         "(range).");
    EXPECT_TRUE(textOf(3).ends_with("(range). short"));
}

TEST_F(MessageStoreTest, UnknownNumbersBecomeInternalErrors) {
    EXPECT_FALSE(store.raiseError(70));
    EXPECT_TRUE(store.raiseWarning(109));
    EXPECT_EQ(store.errors(), 2);
    EXPECT_EQ(store.warnings(), 0);
    EXPECT_EQ(textOf(0),
              "Internal error for error number 70. No case statement for error number.");
    EXPECT_EQ(textOf(1),
              "Internal error for warning number 109. No case statement for error number.");
    // Both are errors at the current line.
    for (const MsgStore* record : store.records()) {
        EXPECT_EQ(record->kind, messages::kErrorAtLine);
        EXPECT_EQ(record->effectiveLine(), 10);
    }
}

TEST_F(MessageStoreTest, ErrorFiftyThreeFollowsStrictComments) {
    store.raiseError(53);
    options.StrictComments = 0;
    store.raiseError(53);
    EXPECT_NE(textOf(0).find("'-->'"), std::string::npos);
    EXPECT_EQ(textOf(1).find("'-->'"), std::string::npos);
}

TEST_F(MessageStoreTest, MessagesKeepTheLanguageOfTheirRaise) {
    store.raiseError(65, "blink");
    options.Language = 1;
    store.raiseError(65, "blink");
    options.Language = 2;  // anything but 1 is English
    store.raiseError(65, "blink");
    EXPECT_EQ(textOf(0), "The tag name \"blink\" is not in the HTML Configuration.");
    EXPECT_EQ(textOf(1), "La balise \"blink\" n'est pas dans la configuration HTML.");
    EXPECT_EQ(textOf(2), textOf(0));
}

TEST(MessageStoreLanguage, TwoLanguageTextsSelectTheLanguage) {
    struct Case {
        const char* text;
        int language;
        const char* selected;
    };
    const Case cases[] = {
        {R"({ENGLISH: "Use ALT." FRENCH: "Utilisez ALT."})", 0, "Use ALT."},
        {R"({ENGLISH: "Use ALT." FRENCH: "Utilisez ALT."})", 1, "Utilisez ALT."},
        {R"({english: "Use ALT." french: "Utilisez ALT."})", 1, "Utilisez ALT."},
        {R"({ENGLISH: "Use ALT." FRENCH: ""})", 1, "Use ALT."},
        {R"({FRENCH: "Seulement"})", 0, ""},
        {R"({NOTE: "x" ENGLISH: "Kept \"quoted\""})", 0, R"(Kept \"quoted\")"},
        {"Plain text stays as it is.", 1, "Plain text stays as it is."},
        {R"("{" is quoted)", 0, R"("{" is quoted)"},
        {R"({ENGLISH "missing colon"})", 0, ""},
        {R"({} : "after the brace" ENGLISH: "ignored"})", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageStore::selectLanguage(c.text, c.language), c.selected) << c.text;
    }
}

TEST(MessageStoreRendering, HeadingsAreNumberedPerGroupWhileWriting) {
    options::Options options = options::defaultOptions("");
    messages::LineRefs lines{9, 9};
    MessageStore store(options, &lines);
    store.raiseError(94);
    lines = {2, 2};
    store.raiseError(71);
    store.raiseWarning(104);
    store.raiseWarning(107, "img", "alt");
    store.raiseMessage("configured");

    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    {
        messages::TextOut out(file);
        MsgStore none;
        store.writeMessage(none, out, messages::WriteMode::ResetCounters, 0);
        for (const MsgStore* record : store.records()) {
            store.writeMessage(*record, out, messages::WriteMode::Report, 200);
        }
        EXPECT_FALSE(store.writeMessage(*store.records()[0], out, messages::WriteMode::Report, 0));
        store.writeMessage(*store.records()[0], out, messages::WriteMode::MachineReadable, -1);
    }
    std::fclose(file);
    std::string text(data, size);
    std::free(data);
    EXPECT_NE(text.find("\nError number 1 for the tag beginning in line 2:\n"), std::string::npos);
    EXPECT_NE(text.find("\nWarning number 1 in line 2:\n"), std::string::npos);
    EXPECT_NE(text.find("\nWarning number 2 for the tag beginning in line 2:\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nMessage number 1 for the tag beginning in line 2:\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nError number 2 in line 9:\n"), std::string::npos);
    EXPECT_NE(text.find("\nComment number 1:\n"), std::string::npos);
    EXPECT_NE(text.find("MESSAGETYPE=ERROR\nMESSAGENUMBER=2\nLINENUMBER=2\nMESSAGE=Spaces found "
                        "after the character '<'."),
              std::string::npos);
}

TEST(MessageStoreRendering, MachineReadableTypeLinesNameOnlyTheProducedKinds) {
    options::Options options = options::defaultOptions("");
    options.Language = 1;
    MessageStore store(options);
    auto typeLine = [&](int kind) {
        MsgStore record;
        record.kind = kind;
        record.sequence = 1;
        record.line = 4;
        std::string text;
        {
            messages::TextOut out(text);
            store.writeMessage(record, out, messages::WriteMode::MachineReadable, -1);
        }
        return text.substr(0, text.find('\n'));
    };
    EXPECT_EQ(typeLine(0), "MESSAGETYPE=ERROR");
    EXPECT_EQ(typeLine(1), "MESSAGETYPE=ERROR");
    EXPECT_EQ(typeLine(3), "MESSAGETYPE=WARNING");
    EXPECT_EQ(typeLine(4), "MESSAGETYPE=WARNING");
    EXPECT_EQ(typeLine(5), "MESSAGETYPE=COMMENT");
    EXPECT_EQ(typeLine(6), "MESSAGETYPE=MESSAGE");
    // Kind 2 counts as an error but is never produced; the form's lines stay in English.
    EXPECT_EQ(typeLine(2), "INTERNAL PROGRAM ERROR-- contact author.");
    EXPECT_EQ(typeLine(-1), "INTERNAL PROGRAM ERROR-- contact author.");
}

// A configuration's message text may hold line breaks: in the machine-readable form they must
// not start lines of their own, which an editor would read as keys.
TEST(MessageStoreRendering, MachineReadableMessageKeepsItsTextOnOneLine) {
    options::Options options = options::defaultOptions("");
    messages::LineRefs lines{3, 3};
    MessageStore store(options, &lines);
    store.raiseMessage("First line.\nMESSAGETYPE=ERROR\r\nLINENUMBER=1\rtab\there \\x0A");
    ASSERT_EQ(store.records().size(), 1u);
    const MsgStore& record = *store.records()[0];
    std::string text;
    {
        messages::TextOut out(text);
        EXPECT_TRUE(store.writeMessage(record, out, messages::WriteMode::MachineReadable, -1));
    }
    EXPECT_EQ(text,
              "MESSAGETYPE=MESSAGE\nMESSAGENUMBER=1\nLINENUMBER=3\n"
              "MESSAGE=First line.\\x0AMESSAGETYPE=ERROR\\x0D\\x0ALINENUMBER=1\\x0Dtab\there "
              "\\x0A\n");
    // The record keeps the text itself, and its length, for the report and the log.
    EXPECT_EQ(record.text.view(), "First line.\nMESSAGETYPE=ERROR\r\nLINENUMBER=1\rtab\there \\x0A");
    EXPECT_EQ(store.maxTextLength(), 57u);
}

TEST(MessageStoreFiling, HundredThousandMessagesFileQuickly) {
    options::Options options = options::defaultOptions("");
    messages::LineRefs lines{1, 1};
    MessageStore store(options, &lines);
    for (int i = 0; i < 100000; ++i) {
        lines.tag = 100000 - i;  // each message lands before all earlier ones
        store.raiseMessage("configured");
    }
    const auto& records = store.records();
    ASSERT_EQ(records.size(), 100000u);
    EXPECT_EQ(records.front()->tagLine, 1);
    EXPECT_EQ(records.back()->tagLine, 100000);
}

}  // namespace
