// Where each message points: the line of its report heading and the column, counted in bytes
// from 1, where its cause starts (the `<` of the tag, the `&` of the entity, the offending
// character, the first character of the attribute the message is about). Each case places the
// cause by hand and lists the messages of a run as "id@line:column".
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "engine/validator.h"
#include "messages/message_ids.h"
#include "messages/message_store.h"
#include "platform_testing/fake_clock.h"
#include "test_support.h"

namespace {

constexpr std::string_view kEntries = R"cfg(
category Test
  id 2
active Test

tag p
  category Test
  closing optional
  valid-in (everywhere)
  attributes id title
tag div
  category Test
  closing required
  valid-in (everywhere)
  attributes id title
tag img
  category Test
  closing none
  valid-in (everywhere)
  attributes src alt
attribute id
  category Test
  values "(string 4)"
attribute title
  category Test
  values "(string 4)"
attribute src
  category Test
  required yes
  values "(string 4)"
attribute alt
  category Test
  values "(string 4)"
)cfg";

const CfgStore& configuration() { return testing_support::sharedConfiguration(kEntries); }

// The messages of a run in the report's order as "id@line:column"; a validator comment, which
// has no line, as "id@(line:column)" with the place that occasioned it.
std::vector<std::string> places(std::string_view document, options::Options options,
                                const CfgStore* cfg = nullptr,
                                messages::StoreSettings settings = {}) {
    options.MaximumErrors = 9999;
    options.MaximumWarnings = 9999;
    messages::MessageStore store(options);
    store.configure(std::move(settings));
    EXPECT_EQ(testing_support::validateInto(store, document, options, cfg), 1);
    std::vector<std::string> result;
    for (const messages::MsgStore* record : store.records()) {
        const messages::Position at = record->location();
        const std::string where = std::to_string(at.line) + ":" + std::to_string(at.column);
        result.push_back(messages::messageId(record->number) + "@" +
                         (record->isComment() ? "(" + where + ")" : where));
    }
    return result;
}

struct Case {
    const char* document;
    std::vector<std::string> expected;
};

void expectPlaces(const std::vector<Case>& cases, const options::Options& options) {
    for (const Case& c : cases) EXPECT_EQ(places(c.document, options), c.expected) << c.document;
}

options::Options scanOptions() {
    options::Options options = testing_support::testOptions();
    options.ShowComments = 0;
    return options;
}

TEST(MessagePlaces, TextFindingsPointAtTheOffendingCharacter) {
    options::Options options = scanOptions();
    options.CheckForHighASCII = 1;
    expectPlaces(
        {
            {"ab\"cd", {"mw94@1:3"}},
            {"x\n  y > z", {"mw54@2:5"}},
            {"a &bogus; b", {"mw96@1:3"}},
            {"a &AMP; b", {"mw303@1:3"}},
            {"a & b", {"mw95@1:3"}},
            {"caf\xC3\xA9 ok", {"mw93@1:4"}},
            {"<b <i>", {"mw52@1:4"}},
            {"<!-- a > b -->", {"mw102@1:8"}},
            {"<!-- a\n  b < c -->", {"mw104@2:5"}},
        },
        options);
}

// An entity name longer than the built-in ones, in a configuration of its own.
constexpr std::string_view kLongEntity = R"cfg(
category Test
  id 2
active Test

entity abcdefghijklmnopqrstuvwxyz0123456789ABCD
  category Test
)cfg";

TEST(MessagePlaces, EveryAmpersandBeforeOneSemicolonIsCheckedOnItsOwn) {
    options::Options options = scanOptions();
    options.UnicodeNumericEntities = 1;
    options.HexadecimalEntities = 1;
    const CfgStore* cfg = &testing_support::sharedConfiguration(kLongEntity);
    const std::string name = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string zeros(200, '0');
    const struct {
        std::string document;
        std::vector<std::string> expected;
        bool scanOnly = false;  // the configuration knows no CFOUTPUT
    } cases[] = {
        // Each "&" is checked up to the one ";": the text before it is no name.
        {"a&b c&d &&e;", {"mw96@1:2", "mw96@1:6", "mw96@1:9", "mw96@1:10"}},
        {"x&y&z&", {"mw95@1:2", "mw95@1:4", "mw95@1:6"}},
        // Numeric entities of any length are read through; the texts before them are not.
        {"a&b &#" + zeros + "65; &#x" + zeros + "41;", {"mw96@1:2"}},
        {"&&#" + zeros + "1114111;", {"mw96@1:1", "mw96@1:2"}},
        {"<cfoutput>&##&##" + zeros + "65;</cfoutput>", {"mw96@1:11"}, true},
        {"<cfoutput>&###" + zeros + "65;</cfoutput>", {"mw96@1:11"}, true},
        // The configuration's name, longer than any built-in one, is still looked up.
        {"&" + name + "; &" + upper + "; &" + name + name + ";", {"mw303@1:44", "mw96@1:87"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(places(c.document, options, c.scanOnly ? nullptr : cfg), c.expected)
            << c.document;
    }
}

TEST(MessagePlaces, TheEndOfADocumentInsideATagPointsAtWhatWasLeftOpen) {
    options::Options options = scanOptions();
    expectPlaces(
        {
            // The open quote, at the end of its line and at the end of the document.
            {"<p title=\"x", {"mw62@1:10", "mw92@1:10"}},
            // A quote opened on an earlier line: the end of the last line.
            {"<p title=\"x\nmore", {"mw62@1:10", "mw62@2:5", "mw92@2:5"}},
            // The comment's `<` on the last line; else the end of the last line.
            {"text <!-- x", {"mw53@1:6"}},
            {"<!-- x\nyz", {"mw53@2:3"}},
        },
        options);
}

TEST(MessagePlaces, TagFindingsPointAtTheTagOrTheCharacterInIt) {
    options::Options options = scanOptions();
    const CfgStore* cfg = &configuration();
    const std::vector<Case> cases{
        {"  <blink>", {"mw65@1:3"}},
        {"< p>", {"mw71@1:2"}},
        {"<p >", {"mw76@1:3"}},
        {"<p bogus=\"1\">", {"mw85@1:4"}},
        {"<p\n  id=\"a\" bogus=\"1\">", {"mw85@1:1"}},  // the attribute is on another line
        {"<p title = \"x\">", {"mw61@1:10"}},
        {"<p title=\"x\"id=\"y\">", {"mw57@1:13"}},
        {"<p title=x\"y\">", {"mw63@1:11", "mw63@1:13"}},
        {"<p \"title\"=\"x\">", {"mw57@1:11", "mw59@1:4"}},
        {"<\"p\">", {"mw55@1:2"}},
        {"<p title=>", {"mw60@1:4"}},
        {"<p title=\"a\" title=\"b\">", {"mw103@1:14"}},
        {"<p ==x>", {"mw77@1:4"}},
        {"<img alt=\"x\">", {"mw79@1:1"}},
        {"x <div>\n</p>", {"mw69@1:3", "mw75@2:1"}},
        {"</ p>", {"mw73@1:3", "mw75@1:1"}},
        {"</p x>", {"mw72@1:5", "mw75@1:1"}},
        {"<div><p></div>\n<div>", {"mw69@2:1"}},
        {"<p><div></p>", {"mw74@1:9", "mw69@1:4"}},
        // Collapsed blocks: the place in the document, before the collapsing.
        {"<p title=\"<%= x %>\" bogus=1>", {"mw85@1:21"}},
        {"<p title=\"<? x ?>\" bogus=1>", {"mw85@1:20"}},
        {"<p title=\"<%= x %>\" id=\"<? y ?>\" bogus=1>", {"mw85@1:34"}},
    };
    for (const Case& c : cases) EXPECT_EQ(places(c.document, options, cfg), c.expected) << c.document;

    options.CheckDuplicateIds = 1;
    EXPECT_EQ(places("<p id=\"a\">\n <div  id=\"a\"></div>", options, cfg),
              std::vector<std::string>{"mw305@2:8"});
}

// A blank on either side of an attribute's "=" is reported at the "=", however many blanks
// there are and whatever ends the name before them; none where the option allows them.
TEST(MessagePlaces, BlanksAroundTheEqualSignAreReportedAtIt) {
    options::Options options = scanOptions();
    const CfgStore* cfg = &configuration();
    const std::vector<Case> cases{
        {"<p title =\"x\">", {"mw61@1:10"}},
        {"<p title\t=x>", {"mw61@1:10"}},
        {"<p title  =x>", {"mw61@1:11"}},
        {"<p title= \"x\">", {"mw61@1:9"}},
        {"<p title = x>", {"mw61@1:10"}},
        {"<p id=\"a\" title =x>", {"mw61@1:17"}},
        {"<p title=\"x\" id=a>", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(places(c.document, options, cfg), c.expected) << c.document;

    options.AllowSpacesAroundEqual = 1;
    EXPECT_EQ(places("<p title =\"x\" id= a>", options, cfg), std::vector<std::string>{});
}

// A tag text checked clean before is taken whole when it comes again: what follows it on the
// line, and a later tag that only starts like it, are read and placed as before.
TEST(MessagePlaces, TagsCheckedCleanBeforeKeepTheirPlaces) {
    options::Options options = scanOptions();
    const CfgStore* cfg = &configuration();
    const std::string same = "<p title=\"x\">";
    EXPECT_EQ(places(same + "a > " + same + "b > " + same + "c > <p title=\"x\" bogus=\"1\">d >",
                     options, cfg),
              (std::vector<std::string>{"mw54@1:16", "mw54@1:33", "mw54@1:50", "mw85@1:65",
                                        "mw54@1:77"}));
    // A `>` inside the quotes of a tag that starts as a known one: the tag ends after them.
    EXPECT_EQ(places(same + same + same + "<p title=\"x\" id=\"a>b\" bogus=1> >", options, cfg),
              (std::vector<std::string>{"mw85@1:62", "mw54@1:71"}));
}

// Tags left open keep where they were opened while the stack grows and shrinks: whatever ends
// the lines, however many tags are open, and for a tag written across lines.
TEST(MessagePlaces, TagsLeftOpenPointAtTheirOpeningTags) {
    options::Options options = scanOptions();
    options.CheckNesting = 1;
    const CfgStore* cfg = &configuration();
    EXPECT_EQ(places("<div>\r\n <div\r\n title=\"x\">\r  <div>\n", options, cfg),
              (std::vector<std::string>{"mw69@1:1", "mw69@2:2", "mw69@4:3"}));

    // Thousands of open tags, each indented by its number's last digit; every tenth is closed
    // again at once, and a closing tag of a tag below them all passes the rest.
    std::string deep = "<p>\n";
    std::vector<std::string> passed;
    std::vector<std::string> unclosed;
    constexpr int kTags = 4500;  // more than a block of the stack; within the error limit
    for (int i = 0; i < kTags; ++i) {
        const int line = i + 2;
        deep.append(static_cast<std::size_t>(i % 10), ' ').append("<div>");
        if (i % 10 == 9) {
            deep += "</div>";
        } else {
            passed.push_back("mw74@" + std::to_string(kTags + 2) + ":1");
            unclosed.push_back("mw69@" + std::to_string(line) + ":" + std::to_string(i % 10 + 1));
        }
        deep += "\n";
    }
    deep += "</p>";
    // In the report's order, by line.
    std::vector<std::string> expected = unclosed;
    expected.insert(expected.end(), passed.begin(), passed.end());
    EXPECT_EQ(places(deep, options, cfg), expected);
}

TEST(MessagePlaces, ValidatorCommentsStandAtThePlaceThatOccasionedThem) {
    options::Options options = testing_support::testOptions();
    EXPECT_EQ(places("ok\nab \"x", options),
              (std::vector<std::string>{"mw94@2:4", "mw209@(2:4)"}));
    EXPECT_EQ(places("x &#x41; y", options),
              (std::vector<std::string>{"mw96@1:3", "mw213@(1:3)"}));
}

}  // namespace

// An element that must hold a tag (content required) and holds none gets error 306 at its
// closing tag, whichever way the closing tag finds it; text, comments and a tag in a child do
// not change what counts, and elements left open or passed over by another closing tag are
// not judged.
TEST(MessagePlaces, ElementsThatMustHoldATagAreReportedAtTheirClosingTag) {
    constexpr std::string_view kContent = R"cfg(
category Test
  id 2
active Test
category Other
  id 3

tag ul
  category Test
  closing required
  content required
  valid-in (everywhere)
tag li
  category Test
  closing optional
  valid-in (everywhere)
tag tbody
  category Test
  closing optional
  content required
  valid-in (everywhere)
tag br
  category Test
  closing none
  valid-in (everywhere)
tag dl
  category Other
  closing required
  content required
  valid-in (everywhere)
tag div
  category Test
  closing required
  content may-be-empty
  valid-in (everywhere)
)cfg";
    const CfgStore* cfg = &testing_support::sharedConfiguration(kContent);
    options::Options options = scanOptions();
    const std::vector<Case> cases{
        {"<ul></ul>", {"mw306@1:5"}},
        {"<ul>\n  text &amp; <!-- c -->\n</UL>", {"mw306@3:1"}},
        {"<ul><li></li></ul>", {}},
        {"<ul><li>x</ul>", {}},           // the LI is passed over, not judged
        {"<ul><br></ul>", {}},            // a tag without a closing tag counts
        {"<ul><li><ul></ul></li></ul>", {"mw306@1:13"}},
        {"<tbody><div></div></tbody><tbody></tbody>", {"mw306@1:34"}},
        {"<div></div><tbody>", {}},       // left open at the end: not judged
        {"<div><ul></div>", {"mw74@1:10", "mw69@1:6"}},  // passed over: only the nesting error
        {"<ul><div></div></ul><ul></ul>", {"mw306@1:25"}},
    };
    for (const Case& c : cases) EXPECT_EQ(places(c.document, options, cfg), c.expected) << c.document;
    // An entry of an inactive category asks nothing.
    EXPECT_EQ(places("<dl></dl>", options, cfg), std::vector<std::string>{"mw66@1:1"});
}
