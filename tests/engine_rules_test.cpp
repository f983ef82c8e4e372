// Rules of the validation run that the golden cases do not reach: each case is a small document
// and the messages it raises, as "mwNN@line" (a validator comment, which has no line, as
// "mwNNN"), with the message text where the text is the rule. Every document is checked with
// the shortcuts of a run and without them, and both must give the same messages.
#include <gtest/gtest.h>

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

tag SCRIPT
  category Test
  closing required
  ignore-to-closing yes
  valid-in (everywhere)
tag P
  category Test
  closing optional
  valid-in (everywhere)
  attributes ALIGN TITLE
tag B
  category Test
  closing required
  valid-in (everywhere)
# Two IMG entries list the required SRC, which shows a message when used.
tag IMG
  category Test
  closing none
  valid-in (everywhere)
  attributes SRC
tag IMG
  category Test
  closing none
  valid-in (everywhere)
  attributes SRC
# Two DD entries disagree on the closing tag: DD takes an optional one.
tag DD
  category Test
  closing required
  valid-in (everywhere)
tag DD
  category Test
  closing none
  valid-in (everywhere)
tag MIVA
  category Test
  closing none
  valid-in (everywhere)
  attributes TITLE
attribute SRC
  category Test
  required yes
  show-message yes
  message "SRC used."
  values "(string 4)"
attribute ALIGN
  category Test
  values left right
attribute TITLE
  category Test
  values "(string 4)"
value left
  category Test
  quotes may-double
  case insensitive
value right
  category Test
  quotes may-double
  case insensitive
)cfg";

const CfgStore& configuration() { return testing_support::sharedConfiguration(kEntries); }

// The messages of one run, in the report's order.
std::vector<std::string> runFindings(std::string_view document, const options::Options& options,
                                     bool shortcuts, bool withText) {
    messages::MessageStore store(options);
    platform::FakeClock clock;
    platform::SystemFiles files;
    engine::Validator validator(options, store, clock, files, &configuration());
    std::string bytes(document);
    struct Discard : messages::ByteSink {
        bool write(std::string_view) override { return true; }
    } report;
    engine::RunContext context{nullptr, nullptr, "t.html", "r.txt", nullptr};
    context.documentBytes = &bytes;
    context.reportSink = &report;
    context.shortcuts = shortcuts;
    EXPECT_EQ(validator.validateDocument(context), 1);
    std::vector<std::string> result;
    for (const messages::MsgStore* record : store.records()) {
        std::string finding = messages::messageId(record->number);
        if (!record->isComment()) finding += "@" + std::to_string(record->effectiveLine());
        if (withText) finding += " " + std::string(record->text.view());
        result.push_back(std::move(finding));
    }
    return result;
}

struct Case {
    const char* document;
    std::vector<std::string> expected;
};

void expectCases(const std::vector<Case>& cases, options::Options options, bool withText = false) {
    options.MaximumErrors = 9999;
    options.MaximumWarnings = 9999;
    for (const Case& c : cases) {
        EXPECT_EQ(runFindings(c.document, options, true, withText), c.expected) << c.document;
        EXPECT_EQ(runFindings(c.document, options, false, withText), c.expected)
            << c.document << " (without the shortcuts)";
    }
}

options::Options quietOptions() {
    options::Options options = testing_support::testOptions();
    options.ShowComments = 0;
    return options;
}

// Comments, server and processing blocks end only at their own terminators; quotes inside
// them open nothing.
TEST(EngineRules, BlocksEndAtTheirOwnTerminators) {
    expectCases(
        {
            // "<!-" begins no strict comment: its ">" ends it.
            {"<!-x>\n<B>x</B>\n", {"mw87@1"}},
            // "<#" begins no processing block.
            {"<#x>\n", {"mw65@1"}},
            {"<## a #> b ##>\n", {}},
            {"<!-- a -> b -->\n", {"mw102@1"}},
            {"<!-- it's -->\n<B>x</B>\n", {}},
            // A server block opened inside a tag ends at a "%>" after its "<%".
            {"<P TITLE=<%>%>>\n", {}},
        },
        quietOptions());
}

// While the text up to a closing tag is ignored, quotes inside tags are not followed and the
// findings of comments, quotes and unended tags are not raised.
TEST(EngineRules, IgnoredTextRaisesNothing) {
    expectCases(
        {
            {"<SCRIPT>\nif (a <b) return; // don't\n</SCRIPT>\n", {}},
            {"<SCRIPT>\n<!-- a < b > c -->\n</SCRIPT>\n", {}},
            {"<SCRIPT>\n<b &[x\n", {"mw69@1", "mw91@2"}},
            {"<SCRIPT>\n<b\n", {"mw69@1", "mw91@2"}},
        },
        quietOptions());
}

// The table of a tag: a tag named by a collapsed word accepts every attribute, and an
// attribute put in for a missing one is never taken as used (its message is not shown).
TEST(EngineRules, EntriesMarkedInTheTable) {
    expectCases(
        {
            {"<MIVA BOGUS=1 TITLE>\n", {}},
            {"<IMG>\n<IMG SRC=a>\n", {"mw79@1", "mwconfig@2"}},
            {"<DD>\n</DD>\n<DD>\n", {"mw100@1"}},
        },
        quietOptions());
}

// The form of a tag: a quoted tag name, and the unquoted token before an "=" that the reader
// takes only up to 511 characters. A token that ends the tag is no such token.
TEST(EngineRules, TokenForms) {
    const std::string name511(511, 'a');
    const std::string name512(512, 'a');
    const std::string long600(600, 'x');
    const std::string tag511 = "<P " + name511 + "=left>\n";
    const std::string tag512 = "<P " + name512 + "=left>\n";
    const std::string value600 = "<P TITLE=" + long600 + ">\n<P " + long600 + ">\n";
    expectCases(
        {
            {"<'P'>\n<\"P\">\n", {"mw55@1", "mw55@2"}},
            // Only an unquoted "=" stands where the value should.
            {"<P TITLE=\"=\">\n", {}},
            {tag511.c_str(), {"mw85@1"}},
            {tag512.c_str(), {"mw58@1"}},
            {value600.c_str(), {"mw85@2"}},
        },
        quietOptions());

    // "</ name>": the name after the blanks is cut to 78 characters, so that with its "/" it
    // fits a name of 79.
    const std::string name79(79, 'a');
    const std::string closing = "</ " + name79 + ">\n";
    const std::string joined = "/" + name79.substr(0, 78);
    expectCases({{closing.c_str(),
                  {"mw73@1 The '/' in the closing tag \"" + joined +
                       "\" is followed by one or more spaces.",
                   "mw75@1 The closing tag for \"" + joined.substr(1) +
                       "\" was found, but the tag was never opened or has been closed too "
                       "many times."}}},
                quietOptions(), true);
}

}  // namespace
