// The stable ids of the message kinds, the settings of the validator comments' advice, the
// markwise-disable comments, the list of messages on the help page, and when the limits are
// lifted.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../app/src/check_setup.h"
#include "messages/catalogue.h"
#include "messages/message_ids.h"
#include "messages/message_table.h"
#include "options/options.h"
#include "test_support.h"

namespace {

using messages::parseMessageId;

TEST(MessageIds, EveryKindHasAnIdThatReadsBackToItsNumber) {
    std::set<std::string> ids;
    for (const messages::CatalogueMessage& message : messages::catalogueMessages()) {
        EXPECT_EQ(message.id, messages::messageId(message.number));
        EXPECT_EQ(parseMessageId(message.id), message.number) << message.id;
        EXPECT_TRUE(ids.insert(message.id).second) << message.id;
        EXPECT_FALSE(message.text.empty()) << message.id;
    }
    // Every number of the catalogue, and the configuration's messages.
    EXPECT_EQ(ids.size(), messages::allMessages().size() + 1);
    EXPECT_TRUE(ids.contains("mw94") && ids.contains("mw304") && ids.contains("mw224"));
    EXPECT_TRUE(ids.contains("mwconfig"));
}

TEST(MessageIds, OnlyIdsOfTheCatalogueInOneSpellingAreRead) {
    EXPECT_EQ(parseMessageId("MW94"), 94);
    EXPECT_EQ(parseMessageId("MwConfig"), messages::kConfigurationMessageNumber);
    for (const char* wrong : {"mw70", "mw0", "mw094", "mw", "94", "mw94x", "mw-94", "mw 94",
                              "w94", "mw999999999999", ""}) {
        EXPECT_EQ(parseMessageId(wrong), std::nullopt) << wrong;
    }
    const messages::MessageIdList list = messages::parseMessageIdList(" mw94,mw54 ,, mw7 mw102");
    EXPECT_EQ(list.numbers, (std::vector<int>{94, 54, 102}));
    EXPECT_EQ(list.unknown, std::vector<std::string>{"mw7"});
}

// Each validator comment that sends the user to the options names a setting, and that
// setting takes the value it gives, as --set would.
TEST(MessageIds, AdviceThatNamesAnOptionGivesASettingThatExists) {
    for (const messages::MessageInfo& info : messages::allMessages()) {
        if (info.cls != messages::MessageClass::Comment) continue;
        const std::string_view text = messages::text(info.text, messages::Language::English);
        const bool namesAnOption = text.find("Validator Options") != std::string_view::npos;
        const std::optional<messages::OptionAdvice> advice = messages::adviceFor(info.number);
        EXPECT_EQ(advice.has_value(), namesAnOption) << info.number;
        if (!advice) continue;
        const options::OptionInfo* option = options::findOption(advice->setting);
        ASSERT_NE(option, nullptr) << advice->setting;
        EXPECT_EQ(option->group, options::OptionGroup::Validator) << advice->setting;
        options::Options options = options::defaultOptions("");
        EXPECT_EQ(options::setFromUser(options, *option, advice->value), std::nullopt)
            << advice->argument();
        // Doing what the advice says changes the option from its default, except for the
        // comment that asks to undo a choice of the user's (multi-line quotes, off by
        // default, which hide where a quote was left open).
        if (info.number != 205) {
            EXPECT_NE(std::to_string(option->defaultValue), advice->value) << advice->argument();
        }
    }
    EXPECT_EQ(messages::adviceFor(209)->argument(), "--set AllowDoubleQuoteInText=1");
    EXPECT_EQ(messages::adviceFor(207), std::nullopt);  // names no option
}

TEST(MessageIds, MarkwiseDisableCommentsAreRead) {
    struct Case {
        const char* comment;  // the text between "<" and ">"
        std::optional<std::vector<int>> numbers;
        bool nextLine = false;
    };
    const std::vector<Case> cases{
        {"!-- markwise-disable mw94 --", std::vector<int>{94}},
        {"!--markwise-disable mw94,mw54--", std::vector<int>{94, 54}},
        {"!-- markwise-disable-next-line mw102, mwconfig --", std::vector<int>{102, 0}, true},
        {"!-- markwise-disable mw94, nonsense --", std::vector<int>{94}},
        {"!-- markwise-disable mw9999, nonsense --", std::vector<int>{}},
        {"!-- markwise-disabled mw94 --", std::nullopt},
        {"!-- MARKWISE-DISABLE mw94 --", std::nullopt},
        {"!-- see markwise-disable mw94 --", std::nullopt},
        {"!DOCTYPE html", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comment);
        const auto directive = messages::parseInlineDirective(c.comment);
        ASSERT_EQ(directive.has_value(), c.numbers.has_value());
        if (!directive) continue;
        EXPECT_EQ(directive->numbers, *c.numbers);
        EXPECT_EQ(directive->nextLineOnly, c.nextLine);
    }
    // A comment that names no id drops every kind, as other checkers' comments of the kind do.
    std::vector<int> every;
    for (const auto& message : messages::catalogueMessages()) every.push_back(message.number);
    for (const char* bare : {"!-- markwise-disable --", "!--markwise-disable--",
                             "!-- markwise-disable-next-line \t --"}) {
        const auto directive = messages::parseInlineDirective(bare);
        ASSERT_TRUE(directive.has_value()) << bare;
        EXPECT_EQ(directive->numbers, every) << bare;
    }
}

TEST(MessageIds, TheHelpPageListsEveryKind) {
    const std::string page = "<p>before</p>\n<!-- message-list -->\n<div id=\"message-list\">"
                             "old</div>\n<!-- end of message-list -->\n<p>after</p>\n";
    const std::optional<std::string> filled = messages::fillMessageList(page);
    ASSERT_TRUE(filled.has_value());
    EXPECT_EQ(filled->find("old"), std::string::npos);
    EXPECT_TRUE(filled->starts_with("<p>before</p>\n<!-- message-list -->\n<div id=\"message-list\">"));
    EXPECT_TRUE(filled->ends_with("</div>\n<!-- end of message-list -->\n<p>after</p>\n"));
    EXPECT_EQ(messages::fillMessageList("<p>no markers</p>"), std::nullopt);

    // The page the build makes from the help's source.
    const std::string built =
        testing_support::readFile(std::string(MARKWISE_BUILT_HELP_DIR "/messages.html"));
    for (const messages::CatalogueMessage& message : messages::catalogueMessages()) {
        EXPECT_NE(built.find("<tr id=\"" + message.id + "\">"), std::string::npos) << message.id;
    }
    EXPECT_NE(built.find("--set AllowDoubleQuoteInText=1"), std::string::npos);
    EXPECT_NE(built.find("&lt;!--"), std::string::npos);  // texts are escaped
}

TEST(MessageIds, LimitsAreLiftedByAllAndByTheFormsAndSummaryUnlessALimitIsSet) {
    using app::CheckFormat;
    struct Case {
        bool all;
        CheckFormat format;
        bool summary;
        bool errorsSet;
        bool warningsSet;
        bool lifted;
    };
    const std::vector<Case> cases{
        {false, CheckFormat::Text, false, false, false, false},
        {false, CheckFormat::KeyValue, false, false, false, false},
        {true, CheckFormat::Text, false, false, false, true},
        {true, CheckFormat::KeyValue, false, true, true, true},
        {false, CheckFormat::Gnu, false, false, false, true},
        {false, CheckFormat::Json, false, false, false, true},
        {false, CheckFormat::Sarif, false, false, false, true},
        {false, CheckFormat::Gnu, false, true, false, false},
        {false, CheckFormat::Sarif, false, false, true, false},
        {true, CheckFormat::Json, false, true, false, true},
        // --summary passes or fails whole documents too.
        {false, CheckFormat::Text, true, false, false, true},
        {false, CheckFormat::Text, true, false, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::limitsLifted(c.all, c.format, c.summary, c.errorsSet, c.warningsSet),
                  c.lifted)
            << c.all << " " << static_cast<int>(c.format) << " " << c.summary << c.errorsSet
            << c.warningsSet;
    }
}

}  // namespace
