// Today's HTML without false alarms: the empty-element mark of <br/>, ">" and a bare "&" in
// text, name patterns with "*" in the HTML Configuration ("data-*", "*-*"), and duplicate id
// values. Each case validates a document in memory against a small configuration written in
// the text form, and lists the errors and warnings as "E<line>:<text>" or "W<line>:<text>".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "config/text_utils.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform_testing/fake_clock.h"
#include "test_support.h"

namespace {

// Entries behind the built-in ones. "q*z" and "qa*" are patterns that "qaz" both matches;
// "q*z" comes first in position order. x-exact and data-exact are exact entries that win over
// the patterns; x-inactive is exact but of an inactive category.
constexpr std::string_view kEntries = R"cfg(
category Test
  id 2
category Off
  id 3
active Test

tag p
  category Test
  closing optional
  valid-in (everywhere)
  attributes id title data-*
tag br
  category Test
  closing none
  valid-in (everywhere)
tag div
  category Test
  closing required
  valid-in (everywhere)
  attributes id title data-* data-exact
tag circle
  category Test
  closing required
  valid-in (everywhere)
  attributes r
tag script
  category Test
  closing required
  ignore-to-closing yes
  valid-in (everywhere)
  attributes src
tag *-*
  category Test
  closing required
  valid-in (everywhere)
  attributes id data-*
tag q*z
  category Test
  closing required
  valid-in (everywhere)
tag qa*
  category Test
  closing none
  valid-in (everywhere)
tag x-exact
  category Test
  closing none
  valid-in (everywhere)
tag x-inactive
  category Off
  closing none
  valid-in (everywhere)

attribute id
  category Test
  values "(string 4)"
attribute title
  category Test
  values "(string 4)"
attribute src
  category Test
  values "(string 4)"
attribute r
  category Test
  values "(string 4)"
attribute data-*
  category Test
  values "(string 4)" "(no value)"
attribute data-exact
  category Test
  values "(string 4)"
)cfg";

const CfgStore& configuration() { return testing_support::sharedConfiguration(kEntries); }

options::Options html5Options() {
    options::Options options = testing_support::testOptions();
    options.AllowEmptyElementSlash = 1;
    options.AllowGreaterThanInText = 1;
    options.AllowBareAmpersand = 1;
    options.CheckDuplicateIds = 1;
    options.MaximumErrors = 9999;
    return options;
}

// The errors and warnings of a run of `validator` (its options machine-readable) in report
// order, each as "E<line>:<text>".
std::vector<std::string> faultsOfRun(engine::Validator& validator, std::string bytes) {
    std::FILE* input = fmemopen(bytes.data(), bytes.size(), "rb");
    char* reportData = nullptr;
    std::size_t reportSize = 0;
    std::FILE* report = open_memstream(&reportData, &reportSize);
    engine::RunContext context{input, report, "test.html", "report.txt", nullptr};
    EXPECT_EQ(validator.validateDocument(context), 1);
    std::fclose(report);
    std::fclose(input);
    std::string kv(reportData, reportSize);
    std::free(reportData);
    return testing_support::kvFaults(kv);
}

// The same of one run with `options` against `cfg`.
std::vector<std::string> findings(std::string_view document, options::Options options,
                                  const CfgStore* cfg = &configuration()) {
    options.machineReadable = 1;
    messages::MessageStore store(options);
    platform::FakeClock clock;
    platform::SystemFiles files;
    engine::Validator validator(options, store, clock, files, cfg);
    return faultsOfRun(validator, std::string(document));
}

struct Case {
    const char* document;
    std::vector<std::string> expected;
};

void expectCases(const std::vector<Case>& cases, const options::Options& options) {
    for (const Case& c : cases) {
        EXPECT_EQ(findings(c.document, options), c.expected) << c.document;
    }
}

TEST(EmptyElementMark, SlashBeforeTheEndOfATagMarksAnEmptyElement) {
    const std::string neverClosed = "E1:The tag name \"div\" must be closed but the closing tag was not found.";
    expectCases(
        {
            {"<br/>", {}},
            {"<br />", {}},
            {"<br\t/>", {}},
            {"<p title=\"x\"/>", {}},
            {"<p title='x' />", {}},
            {"<p data-flag/>", {}},
            // A required closing tag is not waited for, and nothing above it is passed over.
            {"<div/>", {}},
            {"<div title=\"a\"/>text", {}},
            {"<div><circle r=\"1\"/></div>", {}},
            {"<div><circle r=\"1\"></div>",
             {"E1:The closing tag for \"div\" was found, but it should have been preceded by the "
              "closing tag for \"circle\" which was opened in line 1 (nesting error).",
              "E1:The tag name \"circle\" must be closed but the closing tag was not found."}},
            {"<my-widget id=\"w\"/>", {}},
            // An empty element is not open, so its closing tag closes nothing.
            {"<br/></br>",
             {"E1:The closing tag for \"br\" was found, but the tag was never opened or has been "
              "closed too many times."}},
            // After an unquoted value the "/" is the value's, as browsers read it.
            {"<div title=a/>", {neverClosed}},
            {"<div title = a/>", {"E1:Spaces found around the character '='.", neverClosed}},
            // Not right before the ">": not the mark.
            {"<br/ >",
             {"E1:Spaces found before the character '>'. Text should immediately end with the "
              "character '>'.",
              "E1:The tag name \"br/\" is not in the HTML Configuration."}},
            // An empty element never starts ignoring the text up to its closing tag.
            {"<script src=\"x.js\"/><zz>",
             {"E1:The tag name \"zz\" is not in the HTML Configuration."}},
        },
        html5Options());
}

TEST(EmptyElementMark, OffByDefaultTheSlashIsReadAsBefore) {
    const options::Options options = testing_support::testOptions();
    EXPECT_EQ(options.AllowEmptyElementSlash, 0);
    expectCases(
        {
            {"<br/>", {"E1:The tag name \"br/\" is not in the HTML Configuration."}},
            {"<p title=\"x\"/>",
             {"E1:A quoted string cannot be immediately followed by text. It must be followed by "
              "a space or the end of the line.",
              "E1:The attribute \"/\" is not valid for the tag name \"p\". The valid attributes "
              "for this tag name are: data-*, id, and title."}},
            {"<div/>", {"E1:The tag name \"div/\" is not in the HTML Configuration."}},
        },
        options);
}

TEST(TextOfTodaysHtml, GreaterThanAndBareAmpersand) {
    const std::string strayGreaterThan =
        "E1:Found the character '>' with no previous character '<' to open the tag. The "
        "character '<' must appear before each '>' to open a tag. If you actually want to use "
        "this character in the text portion of your document, you should use the character "
        "entity &gt;.";
    const std::string noSemicolon =
        "E1:Reached the end of a line attempting to get a character entity. Found an ampersand "
        "'&' but could not find a following semicolon ';'.";
    options::Options on = html5Options();
    expectCases(
        {
            {"1 > 0", {}},
            {"Fish & chips", {}},
            {"Fish &\tchips", {}},
            {"Fish &", {}},
            {"Fish & chips; peas", {}},
            {"Fish &amp; chips", {}},
            // An "&" before letters and digits that neither end at a ";" nor spell an
            // entity's name starts no reference; one that does is read and checked.
            {"Fish &chips", {}},
            {"Q&A, (&), R&D, see ?a=1&b=2 &amp; more", {}},
            {"R&D &amp; more", {}},
            {"Fish &zz; chips",
             {"E1:The character entity \"&zz;\" is not valid for the HTML Configuration."}},
            {"&copy 2025", {noSemicolon}},
            {"&Copy 2025", {noSemicolon}},
            {"&#38 and", {noSemicolon}},
            // A name that today's HTML reads without its ";" starts a reference even with
            // more letters and digits after it: browsers show "&current=2" as a currency
            // sign and "t=2". Its case counts: "&Copy2025" and "&Region" start none.
            {"see ?a=1&current=2", {noSemicolon}},
            {"&copy2025", {noSemicolon}},
            {"&notify", {noSemicolon}},
            {"&nbsp50", {noSemicolon}},
            {"&COPYright", {noSemicolon}},
            {"&Copy2025 &Region &order", {}},
        },
        on);
    options::Options off = testing_support::testOptions();
    expectCases(
        {
            {"1 > 0", {strayGreaterThan}},
            {"Fish & chips", {noSemicolon}},
            {"Fish & chips; peas",
             {"E1:The character entity \"& chips;\" is not valid for the HTML Configuration."}},
        },
        off);
}

TEST(NamePatterns, PatternsStandForNamesNoEntryHas) {
    const options::Options options = html5Options();
    expectCases(
        {
            // data-* on the tags that list it, with or without a value.
            {"<p data-role=\"note\" data-x data-long-name='1'>", {}},
            {"<p DATA-Role=\"note\">", {}},
            // "*" stands for one character at least.
            {"<p data-=\"x\">",
             {"E1:The attribute \"data-\" is not valid for the tag name \"p\". The valid "
              "attributes for this tag name are: data-*, id, and title."}},
            // An exact entry wins: data-exact is div's only.
            {"<div data-exact=\"1\"></div>", {}},
            {"<p data-exact=\"1\">",
             {"E1:The attribute \"data-exact\" is not valid for the tag name \"p\". The valid "
              "attributes for this tag name are: data-*, id, and title."}},
            // Custom elements through "*-*", closed by the name they are written with.
            {"<my-widget id=\"a\" data-state=\"open\"><p>x</p></my-widget>", {}},
            {"<My-Widget></my-widget>", {}},
            {"<my-widget>",
             {"E1:The tag name \"my-widget\" must be closed but the closing tag was not found."}},
            {"<mywidget>", {"E1:The tag name \"mywidget\" is not in the HTML Configuration."}},
            {"<-b>", {"E1:The tag name \"-b\" is not in the HTML Configuration."}},
            // Patterns are tried in position order: "q*z" (closing required) before "qa*" (no
            // closing tag); "qab" matches only "qa*".
            {"<qaz>", {"E1:The tag name \"qaz\" must be closed but the closing tag was not found."}},
            {"<qab>", {}},
            // An exact entry wins, even one whose category is not active.
            {"<x-exact>", {}},
            {"<x-inactive>",
             {"E1:The tag name \"x-inactive\" was found but its category is not active."}},
        },
        options);
}

// Attribute patterns are tried the most particular first: "*", which only the custom element
// lists, comes after "data-*" and "aria-x*" whatever their places in the configuration, so
// that the other tags keep their lists. A tag that lists "*" takes every name besides those
// of its list, also names that other entries have, by the values of "*".
TEST(NamePatterns, AttributePatternsAreTriedTheMostParticularFirst) {
    constexpr std::string_view kCatchAll = R"cfg(
category Test
  id 2
active Test
tag p
  category Test
  closing optional
  valid-in (everywhere)
  attributes id data-* aria-x* title
tag *-*
  category Test
  closing required
  valid-in (everywhere)
  attributes id data-* *
attribute id
  category Test
  values "(string 4)"
attribute *
  category Test
  values "(string 4)" "(no value)"
attribute data-*
  category Test
  values "(string 4)" "(no value)"
attribute aria-x*
  category Test
  values yes
attribute title
  category Test
  values yes
value yes
  category Test
)cfg";
    const CfgStore* cfg = &testing_support::sharedConfiguration(kCatchAll);
    const options::Options options = html5Options();
    const std::string notForP =
        "The valid attributes for this tag name are: aria-x*, data-*, id, and title.";
    const std::vector<Case> cases{
        {"<p data-role=\"note\" aria-xy=\"yes\">", {}},
        {"<my-gallery images=\"3\" autoplay data-x=\"1\"></my-gallery>", {}},
        // "aria-xy" is aria-x*'s and "title" has an entry, neither of which the custom element
        // lists: "*" takes them, with its own values.
        {"<my-gallery aria-xy=\"no\" title=\"Gallery\"></my-gallery>", {}},
        {"<p title=\"Gallery\">",
         {"E1:The attribute \"title\" has an invalid attribute value \"Gallery\". This "
          "attribute must have the following value: \"yes\"."}},
        {"<p images=\"3\">",
         {"E1:The attribute \"images\" is not valid for the tag name \"p\". " + notForP}},
        // "aria-xz" is aria-x*'s, whose values are checked wherever it stands.
        {"<p aria-xz=\"no\">",
         {"E1:The attribute \"aria-xz\" has an invalid attribute value \"no\". This attribute "
          "must have the following value: \"yes\"."}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findings(c.document, options, cfg), c.expected) << c.document;
    }
}

// The names no entry has are remembered from document to document up to a bound, then
// forgotten: a run over pages of many made-up names keeps the memory of one page, and the
// patterns still stand for the names met after.
TEST(NamePatterns, ManyUnlistedNamesAreForgottenAndStillMatched) {
    options::Options options = html5Options();
    options.machineReadable = 1;
    messages::MessageStore store(options);
    platform::FakeClock clock;
    platform::SystemFiles files;
    engine::Validator validator(options, store, clock, files, &configuration());
    auto run = [&](std::string bytes) { return faultsOfRun(validator, std::move(bytes)); };
    std::string many;
    for (int tag = 0; tag < 1750; ++tag) {
        many += "<p";
        for (int i = 0; i < 40; ++i) many += " data-" + std::to_string(tag * 40 + i);
        many += ">\n";
    }
    EXPECT_EQ(run(many), std::vector<std::string>{});
    EXPECT_EQ(run("<p data-role=\"note\" data-7>\n<p bogus-x>\n"),
              std::vector<std::string>{"E2:The attribute \"bogus-x\" is not valid for the tag "
                                       "name \"p\". The valid attributes for this tag name are: "
                                       "data-*, id, and title."});
}

TEST(NamePatterns, MatchingStandsForOneOrMoreCharacters) {
    struct Match {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Match cases[] = {
        {"data-*", "data-x", true},     {"data-*", "DATA-X", true},    {"data-*", "data-", false},
        {"data-*", "data", false},      {"*-*", "a-b", true},          {"*-*", "a-b-c", true},
        {"*-*", "-b", false},           {"*-*", "a-", false},          {"*-*", "ab", false},
        {"*", "x", true},               {"*", "", false},              {"a*b*c", "axxbyyc", true},
        {"a*b*c", "abc", false},        {"a*b*c", "axbxbxc", true},    {"x", "x", true},
        {"*b", "bb", true},             {"*b", "b", false},            {"**", "ab", true},
        {"**", "a", false},
    };
    for (const Match& c : cases) {
        EXPECT_EQ(text::matchesNamePattern(c.pattern, c.name), c.matches)
            << c.pattern << " against " << c.name;
    }
}

TEST(DuplicateIds, AnIdValueGivenTwiceNamesTheLineOfItsFirstUse) {
    const options::Options options = html5Options();
    expectCases(
        {
            {"<p id=\"a\">\n<div id=\"b\"></div>\n<p id=\"a\">",
             {"E3:The id value \"a\" was already used in line 1. An id value may be used only "
              "once in a document."}},
            // Values compare with regard to case; attribute names without.
            {"<p id=\"a\"><p id=\"A\">", {}},
            {"<p ID=\"a\">\n\n<p Id=a>",
             {"E3:The id value \"a\" was already used in line 1. An id value may be used only "
              "once in a document."}},
            // Every later use is reported with the first line; unknown tags count too.
            {"<zz id=\"a\">\n<p id=\"a\">\n<p id=\"a\">",
             {"E1:The tag name \"zz\" is not in the HTML Configuration.",
              "E2:The id value \"a\" was already used in line 1. An id value may be used only "
              "once in a document.",
              "E3:The id value \"a\" was already used in line 1. An id value may be used only "
              "once in a document."}},
            // Empty values and ids without a value are not id values.
            {"<p id=\"\"><p id=\"\"><p id><p id>",
             {"E1:The attribute \"id\" has an invalid attribute value \"\". This attribute must "
              "have the following value: a string.",
              "E1:The attribute \"id\" has an invalid attribute value \"\". This attribute must "
              "have the following value: a string.",
              "E1:The attribute \"id\" needs a value.", "E1:The attribute \"id\" needs a value."}},
        },
        options);

    options::Options off = options;
    off.CheckDuplicateIds = 0;
    EXPECT_EQ(findings("<p id=\"a\"><p id=\"a\">", off), std::vector<std::string>{});

    options::Options french = options;
    french.Language = 1;
    EXPECT_EQ(findings("<p id=\"a\">\n<p id=\"a\">", french),
              std::vector<std::string>{
                  "E2:La valeur d'id \"a\" a déjà été utilisée à la ligne 1. Une valeur d'id ne "
                  "peut être utilisée qu'une seule fois dans un document."});
}

TEST(DuplicateIds, EveryRepeatOfManyIdsIsFoundOnce) {
    std::string document;
    for (int i = 0; i < 3000; ++i) document += "<p id=\"id" + std::to_string(i) + "\">\n";
    for (int i = 0; i < 3000; ++i) document += "<p id=\"id" + std::to_string(i) + "\">\n";
    const std::vector<std::string> found = findings(document, html5Options());
    ASSERT_EQ(found.size(), 3000u);
    EXPECT_EQ(found.front(), "E3001:The id value \"id0\" was already used in line 1. An id value "
                             "may be used only once in a document.");
    EXPECT_EQ(found.back(), "E6000:The id value \"id2999\" was already used in line 3000. An id "
                            "value may be used only once in a document.");
}

}  // namespace
