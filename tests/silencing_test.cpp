// Silencing: the kinds of message a store is told to drop and the document's markwise-disable
// comments leave no trace in any form or count but their own count; the limits still end a
// scan when their termination message is dropped, and are gone when lifted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/validator.h"
#include "messages/message_ids.h"
#include "messages/message_store.h"
#include "platform_testing/fake_clock.h"
#include "test_support.h"

namespace {

struct Outcome {
    std::vector<std::string> records;  // "id@line" in the report's order
    int errors = 0;
    int warnings = 0;
    int comments = 0;
    messages::SilencedCounts silenced;
    bool limitReached = false;
};

Outcome run(std::string_view document, messages::StoreSettings settings = {},
        options::Options options = testing_support::testOptions()) {
    messages::MessageStore store(options);
    store.configure(std::move(settings));
    testing_support::validate(document, options, &store);
    Outcome result;
    for (const messages::MsgStore* record : store.records()) {
        result.records.push_back(messages::messageId(record->number) + "@" +
                                 std::to_string(record->location().line));
    }
    result.errors = store.errors();
    result.warnings = store.warnings();
    result.comments = store.comments();
    result.silenced = store.silenced();
    result.limitReached = store.limitReached();
    return result;
}

using Records = std::vector<std::string>;

TEST(Silencing, DisabledKindsLeaveNoTraceButTheirCount) {
    const std::string document = "a \"b\n<!-- x > y -->\nc \"d\n";
    const Outcome all = run(document);
    EXPECT_EQ(all.records, (Records{"mw94@1", "mw102@2", "mw94@3", "mw209@1", "mw208@2"}));

    const Outcome dropped = run(document, {.disabled = {94}});
    // The paired comment goes with the message it explains.
    EXPECT_EQ(dropped.records, (Records{"mw102@2", "mw208@2"}));
    EXPECT_EQ(dropped.errors, 0);
    EXPECT_EQ(dropped.comments, 1);
    EXPECT_EQ(dropped.silenced.errors, 2);
    EXPECT_EQ(dropped.silenced.total(), 2);

    // A comment can be dropped alone.
    const Outcome comment = run(document, {.disabled = {209}});
    EXPECT_EQ(comment.records, (Records{"mw94@1", "mw102@2", "mw94@3", "mw208@2"}));
    EXPECT_EQ(comment.silenced.comments, 1);
    EXPECT_EQ(comment.errors, 2);
}

TEST(Silencing, DocumentCommentsDropKindsFromTheirPlaceOrOnTheNextLine) {
    const std::string document =
        "a \"b\n"                                     // 1
        "<!-- markwise-disable mw94, mw54 --> \"c\n"  // 2: after the comment, dropped
        "d \" > e\n"                                  // 3
        "<!-- markwise-disable-next-line mw102 -->\n"  // 4
        "<!-- f > g -->\n"                             // 5: dropped
        "<!-- h > i -->\n";                            // 6
    const Outcome heeded = run(document);
    EXPECT_EQ(heeded.records, (Records{"mw94@1", "mw102@6", "mw209@1", "mw208@6"}));
    EXPECT_EQ(heeded.silenced.errors, 3);
    EXPECT_EQ(heeded.silenced.warnings, 1);

    const Outcome ignored = run(document, {.inlineDirectives = false});
    EXPECT_EQ(ignored.records, (Records{"mw94@1", "mw94@2", "mw94@3", "mw54@3", "mw102@5",
                                        "mw102@6", "mw209@1", "mw208@5"}));
    EXPECT_EQ(ignored.silenced.total(), 0);

    // A comment drops nothing that stands before it.
    EXPECT_EQ(run("x \"y\n<!-- markwise-disable mw94 -->\n").records,
              (Records{"mw94@1", "mw209@1"}));
}

TEST(Silencing, ADroppedTerminationStillEndsTheScan) {
    options::Options options = testing_support::testOptions();
    options.MaximumErrors = 3;
    std::string document;
    for (int i = 0; i < 10; ++i) document += "x > y\n";
    const Outcome limited = run(document, {.disabled = {50}}, options);
    // Comment 210 goes with the termination it explains.
    EXPECT_EQ(limited.records, (Records{"mw54@1", "mw54@2"}));
    EXPECT_TRUE(limited.limitReached);
    EXPECT_EQ(limited.errors, 2);
    EXPECT_EQ(limited.silenced.errors, 1);
}

TEST(Silencing, LiftedLimitsCheckTheWholeDocument) {
    options::Options options = testing_support::testOptions();
    std::string document;
    for (int i = 0; i < 40; ++i) document += "x > y\n";
    for (int i = 0; i < 40; ++i) document += "<!-- a > b -->\n";
    const Outcome limited = run(document, {}, options);
    EXPECT_EQ(limited.errors, 25);
    EXPECT_EQ(limited.warnings, 1);  // the scan ended after the first tag
    EXPECT_TRUE(limited.limitReached);

    const Outcome whole = run(document, {.unlimitedErrors = true, .unlimitedWarnings = true}, options);
    EXPECT_EQ(whole.errors, 40);
    EXPECT_EQ(whole.warnings, 40);
    EXPECT_FALSE(whole.limitReached);
    EXPECT_EQ(whole.records.back(), "mw208@41");

    // Lifted limits still stop at the store's ceiling, as a limit of the options does.
    const Outcome ceiling = run(document, {.unlimitedErrors = true, .unlimitedWarnings = true,
                                           .liftedLimit = 30}, options);
    EXPECT_EQ(ceiling.errors, 30);
    EXPECT_TRUE(ceiling.limitReached);
    EXPECT_EQ(ceiling.records[29], "mw50@30");
    std::string warnings;
    for (int i = 0; i < 40; ++i) warnings += "<!-- a > b -->\n";
    const Outcome warningCeiling = run(warnings, {.unlimitedErrors = true,
                                                  .unlimitedWarnings = true, .liftedLimit = 30},
                                       options);
    EXPECT_EQ(warningCeiling.warnings, 29);
    EXPECT_EQ(warningCeiling.errors, 1);  // error 90
    EXPECT_TRUE(warningCeiling.limitReached);
}

// A limit below 1, from a settings file edited by hand, is taken as 1: the first error or
// warning ends the run with its termination message, and a faulty page never reads as clean.
TEST(Silencing, LimitsBelowOneAreTakenAsOne) {
    const std::string document = "x > y\n<!-- a > b -->\nx > y\n";
    for (int limit : {0, -5}) {
        options::Options options = testing_support::testOptions();
        options.MaximumErrors = limit;
        const Outcome errors = run(document, {}, options);
        EXPECT_EQ(errors.records.front(), "mw50@1") << limit;
        EXPECT_EQ(errors.errors, 1);
        EXPECT_TRUE(errors.limitReached);

        options = testing_support::testOptions();
        options.MaximumWarnings = limit;
        const Outcome warnings = run("<!-- a > b -->\nx > y\n", {}, options);
        EXPECT_EQ(warnings.records.front(), "mw90@1") << limit;
        EXPECT_EQ(warnings.warnings, 0);
        EXPECT_TRUE(warnings.limitReached);
    }
}

// Nesting errors dropped by the settings are counted as often as they would be raised: once
// for every tag with a required closing tag that a closing tag passes over.
TEST(Silencing, DroppedNestingErrorsAreCountedForEveryTagPassedOver) {
    constexpr std::string_view kNesting = R"cfg(
category Test
  id 2
active Test

tag div
  category Test
  closing required
  valid-in (everywhere)
tag b
  category Test
  closing required
  valid-in (everywhere)
tag br
  category Test
  closing none
  valid-in (everywhere)
)cfg";
    const CfgStore& cfg = testing_support::sharedConfiguration(kNesting);
    options::Options options = testing_support::testOptions();
    auto run = [&](messages::StoreSettings settings,
                   std::string bytes =
                       "<div>\n<div><b><br><b>\n</div>\n<b>\n</div>\n</b></b></b>\n") {
        messages::MessageStore store(options);
        store.configure(std::move(settings));
        EXPECT_EQ(testing_support::validate(bytes, options, &store, "t.html", &cfg).returned, 1);
        int nesting = 0;
        for (const messages::MsgStore* record : store.records()) nesting += record->number == 74;
        return std::make_pair(nesting, store.silenced().errors);
    };
    const auto [raised, none] = run({.unlimitedErrors = true, .unlimitedWarnings = true});
    EXPECT_EQ(raised, 5);  // the tags passed over stay open, and are passed over again
    EXPECT_EQ(none, 0);
    const auto [shown, dropped] =
        run({.disabled = {74}, .unlimitedErrors = true, .unlimitedWarnings = true});
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(dropped, raised);

    // Once the error limit is reached (here by the closing tag's own text), the tags passed
    // over stop at the first, dropped or not.
    options.MaximumErrors = 1;
    EXPECT_EQ(run({.disabled = {74}}, "<div><b><b>\n</div x>\n").second, 1);
    options.MaximumErrors = 25;
    EXPECT_EQ(run({.disabled = {74}}, "<div><b><b>\n</div x>\n").second, 2);

    // Without the nesting check there is no nesting error to drop.
    options.CheckNesting = 0;
    EXPECT_EQ(run({.disabled = {74}}).second, 0);
}

// Tens of thousands of markwise-disable comments: each still drops its kinds from its place
// on, or on the line after it, and no other.
TEST(Silencing, ManyDisableCommentsEachApplyFromTheirPlaceOrOnTheirLine) {
    std::string document;
    for (int i = 0; i < 20000; ++i) document += "<!-- markwise-disable mw52 -->\n";
    document += "x > y\n<!-- markwise-disable mw54 -->\nx > y\n";
    document += "<!-- markwise-disable-next-line mw94 -->\na \"b\nc \"d\n";
    const Outcome outcome = run(document, {.unlimitedErrors = true, .unlimitedWarnings = true});
    EXPECT_EQ(outcome.records, (Records{"mw54@20001", "mw94@20006", "mw209@20006"}));
    EXPECT_EQ(outcome.silenced.errors, 2);
}

TEST(Silencing, ConfigurationMessagesAndOncePerNameWarningsAreCountedAsShown) {
    messages::LineRefs lines{5, 5, 1, {}};
    options::Options options = testing_support::testOptions();
    messages::MessageStore store(options, &lines);
    store.configure({.disabled = {messages::kConfigurationMessageNumber, 101}});
    store.raiseMessage("Use CSS.");
    store.raiseWarning(101, "blink");
    store.raiseWarning(101, "blink");
    store.raiseWarning(101, "marquee");
    EXPECT_TRUE(store.records().empty());
    EXPECT_EQ(store.messages(), 0);
    EXPECT_EQ(store.silenced().messages, 1);
    EXPECT_EQ(store.silenced().warnings, 2);
}

class SilencingCommand : public ::testing::Test {
protected:
    testing_support::ProgramRun check(std::vector<std::string> args) {
        args.insert(args.begin(), {"--scan-only"});
        return testing_support::runProgram(MARKWISE_CHECK_EXE, dir.path(), args);
    }
    testing_support::TempDir dir;
};

TEST_F(SilencingCommand, DisableFromTheCommandLineAndTheProjectSettings) {
    dir.write("page.html", "a \"b\" > c\n<!-- markwise-disable mw54 -->\nd > e\n");
    auto gnuIds = [](const std::string& out) {
        std::vector<std::string> ids;
        for (std::size_t at = out.find('['); at != std::string::npos; at = out.find('[', at + 1)) {
            ids.push_back(out.substr(at + 1, out.find(']', at) - at - 1));
        }
        return ids;
    };
    EXPECT_EQ(gnuIds(check({"--no-settings", "--format", "gnu", "page.html"}).out),
              (std::vector<std::string>{"mw94", "mw54", "mw209"}));
    EXPECT_EQ(gnuIds(check({"--no-settings", "--format", "gnu", "--no-inline-config",
                            "page.html"}).out),
              (std::vector<std::string>{"mw94", "mw54", "mw54", "mw209"}));
    const auto disabled = check({"--no-settings", "--format", "kv", "--disable", "mw94",
                                 "--disable=mw209,mw54", "page.html"});
    EXPECT_EQ(disabled.exitCode, 0) << disabled.err;
    EXPECT_NE(disabled.out.find("NUMBEROFERRORS=0\n"), std::string::npos);
    EXPECT_EQ(disabled.out.find("MESSAGETYPE="), std::string::npos);

    dir.write(".markwise.ini", "# the project\ndisable = mw94, mw209\n");
    const auto project = check({"--format", "gnu", "page.html"});
    EXPECT_EQ(gnuIds(project.out), std::vector<std::string>{"mw54"});

    dir.write(".markwise.ini", "disable=mw94\ndisable=mw9x\n");
    const auto wrong = check({"page.html"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.err.find(".markwise.ini:2: disable: there is no message with the id 'mw9x'"),
              std::string::npos)
        << wrong.err;
    const auto wrongOption = check({"--no-settings", "--disable", "mw70", "page.html"});
    EXPECT_EQ(wrongOption.exitCode, 2);
    EXPECT_NE(wrongOption.err.find("--disable: there is no message with the id 'mw70'"),
              std::string::npos);
}

TEST_F(SilencingCommand, TheNewFormsCheckWholeDocumentsUnlessALimitIsSet) {
    std::string document;
    for (int i = 0; i < 30; ++i) document += "x > y\n";
    dir.write("page.html", document);
    auto errorLines = [](const std::string& out) {
        int count = 0;
        for (std::size_t at = out.find(": error: "); at != std::string::npos;
             at = out.find(": error: ", at + 1)) {
            ++count;
        }
        return count;
    };
    EXPECT_EQ(errorLines(check({"--no-settings", "--format", "gnu", "page.html"}).out), 30);
    EXPECT_EQ(errorLines(check({"--no-settings", "--format", "gnu", "--set", "MaximumErrors=10",
                                "page.html"}).out),
              10);
    const auto kv = check({"--no-settings", "--format", "kv", "page.html"}).out;
    EXPECT_NE(kv.find("NUMBEROFERRORS=25\n"), std::string::npos);
    const auto all = check({"--no-settings", "--format", "kv", "--all", "page.html"}).out;
    EXPECT_NE(all.find("NUMBEROFERRORS=30\n"), std::string::npos);
}

TEST_F(SilencingCommand, MaxWarningsTurnsTooManyWarningsIntoAFailure) {
    dir.write("a.html", "<!-- a > b -->\n");
    dir.write("b.html", "<!-- c > d -->\n");
    EXPECT_EQ(check({"--no-settings", "a.html", "b.html"}).exitCode, 0);
    EXPECT_EQ(check({"--no-settings", "--max-warnings", "2", "a.html", "b.html"}).exitCode, 0);
    EXPECT_EQ(check({"--no-settings", "--max-warnings=1", "a.html", "b.html"}).exitCode, 1);
    EXPECT_EQ(check({"--no-settings", "--max-warnings", "-1", "a.html"}).exitCode, 2);
}

TEST_F(SilencingCommand, ColoursOnlyWhereAsked) {
    dir.write("page.html", "x > y\n");
    const auto always = check({"--no-settings", "--format", "gnu", "--color", "always", "page.html"});
    EXPECT_NE(always.out.find("\033[1;31merror:\033[0m"), std::string::npos);
    EXPECT_NE(always.out.find("[\033[1;31mmw54\033[0m]"), std::string::npos);
    const auto text = check({"--no-settings", "--color=always", "page.html"});
    EXPECT_NE(text.out.find("\033[1;31mError number 1 in line 1:\033[0m\n"), std::string::npos);
    // A pipe, a file: none.
    EXPECT_EQ(check({"--no-settings", "--format", "gnu", "page.html"}).out.find('\033'),
              std::string::npos);
    check({"--no-settings", "--color", "always", "--output", "out.txt", "page.html"});
    EXPECT_EQ(testing_support::readFile(dir.file("out.txt")).find('\033'), std::string::npos);
    EXPECT_EQ(check({"--no-settings", "--color", "sometimes", "page.html"}).exitCode, 2);
}

TEST_F(SilencingCommand, ListMessagesGivesEveryIdWithItsText) {
    const auto list = check({"--list-messages"});
    EXPECT_EQ(list.exitCode, 0);
    std::size_t lines = 0;
    for (char c : list.out) lines += c == '\n' ? 1 : 0;
    EXPECT_EQ(lines, messages::catalogueMessages().size());
    EXPECT_NE(list.out.find("mw94     error   A quotation mark was found that is not within a tag."),
              std::string::npos)
        << list.out.substr(0, 400);
    EXPECT_NE(list.out.find("(--set AllowDoubleQuoteInText=1)\n"), std::string::npos);
    EXPECT_NE(list.out.find("mwconfig message"), std::string::npos);
}

}  // namespace
