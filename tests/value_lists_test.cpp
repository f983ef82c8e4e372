// Attribute value lists. An HTML Configuration written by a newer release may hold attribute
// values of a built-in type this program does not know: such a value never matches, and the
// box that asks for a newer program is shown once per program run, however many validators
// meet one. Error 86 lists each value tried, once per value entry. Values of the category
// "(undefined)" are reported as the tag's attribute list reaches them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "test_support.h"

namespace {

// "aa" tries a value type this program does not know first, "cc" the last type it knows. "bb"
// lists two value entries of the same built-in type, and two ordinary values that differ only
// in a blank.
constexpr std::string_view kEntries = R"cfg(
category Core
  id 2
active Core

tag x
  category Core
  closing none
  valid-in (everywhere)
  attributes aa bb cc
attribute aa
  category Core
  values "(future)" foo
attribute bb
  category Core
  values "(count)" "(number)" one "one "
attribute cc
  category Core
  values "(relative width)"
value "(future)"
  builtin 21
  category (all)
  quotes may-either
  case insensitive
value foo
  category Core
  quotes may-either
  case insensitive
value "(count)"
  builtin 1
  category (all)
  quotes may-either
value "(number)"
  builtin 1
  category (all)
  quotes may-either
value one
  category Core
  quotes may-either
value "one "
  category Core
  quotes may-either
)cfg";

// Checks `document` with a validator of its own; returns the errors of the run, and their
// texts in `texts` when given.
int errorsOfRun(const std::string& document, platform::FakeUserInterface& ui,
                std::vector<std::string>* texts = nullptr,
                std::string_view entries = kEntries) {
    options::Options options = testing_support::testOptions();
    messages::MessageStore store(options);
    EXPECT_EQ(testing_support::validateInto(store, document, options,
                                            &testing_support::sharedConfiguration(entries), &ui),
              1);
    if (texts != nullptr) {
        for (const messages::MsgStore* record : store.records()) {
            texts->emplace_back(record->text.view());
        }
    }
    return store.errors();
}

TEST(NewerValueTypes, TheBoxIsShownOncePerProgramRun) {
    engine::showNewerValueTypeBoxAgain();
    platform::FakeUserInterface ui;
    // The last type this program knows is no newer one.
    EXPECT_EQ(errorsOfRun("<x cc=\"2*\">", ui), 0);
    EXPECT_EQ(ui.boxCount(), 0u);
    // The unknown type is tried first and matches nothing; "foo" after it still does.
    EXPECT_EQ(errorsOfRun("<x aa=\"foo\">", ui), 0);
    ASSERT_EQ(ui.boxCount(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "Markwise: Need To Update Executable");
    EXPECT_EQ(ui.boxes[0].text,
              "The HTML Configuration file that you are using is for a newer version of Zentrel "
              "Validator. It contains references to built-in attribute values that do not "
              "exist in this version. You need to update the executable mkwise.exe.");
    EXPECT_EQ(errorsOfRun("<x aa=\"bar\">", ui), 1);  // error 86

    // A second validator in the same program (the next Validate command, another worker)
    // shows it no more.
    platform::FakeUserInterface later;
    EXPECT_EQ(errorsOfRun("<x aa=\"foo\">\n<x aa=\"bar\">", later), 1);
    EXPECT_EQ(later.boxCount(), 0u);
    EXPECT_EQ(ui.boxCount(), 1u);
}

TEST(ValueLists, AnInvalidValueListsEveryValueTriedEvenWhereTwoReadTheSame) {
    platform::FakeUserInterface ui;
    std::vector<std::string> texts;
    EXPECT_EQ(errorsOfRun("<x bb=\"two\">", ui, &texts), 1);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0],
              "The attribute \"bb\" has an invalid attribute value \"two\". This attribute must "
              "have one of the following values: a positive integer, a positive integer, "
              "\"one\", or \"one \".");
}

// "p" lists aa before bb; each starts its values with one of the category "(undefined)".
constexpr std::string_view kUndefinedValues = R"cfg(
category Core
  id 2
active Core

tag p
  category Core
  closing none
  valid-in (everywhere)
  attributes aa bb
attribute aa
  category Core
  values u1 x
attribute bb
  category Core
  values u2 y
value u1
  category (undefined)
  quotes may-either
value u2
  category (undefined)
  quotes may-either
value x
  category Core
  quotes may-either
value y
  category Core
  quotes may-either
)cfg";

TEST(ValueLists, UndefinedValuesAreReportedInTheOrderOfTheAttributeList) {
    platform::FakeUserInterface ui;
    // The tag writes bb first; the attribute list tries aa first, and so warns about u1 first.
    // Each value of "(undefined)" is reported once, however often it is met.
    std::vector<std::string> texts;
    EXPECT_EQ(errorsOfRun("<p bb=y aa=x>\n<p aa=x bb=y>", ui, &texts, kUndefinedValues), 0);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "\"u1\" is assigned to an undefined category and is being treated as "
                         "inactive.",
                         "\"u2\" is assigned to an undefined category and is being treated as "
                         "inactive."}));
}

}  // namespace
