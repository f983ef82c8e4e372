// Clean Configuration and the consistency listings, driven through the recording user
// interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfg_test_models.h"
#include "config/maintenance.h"
#include "platform_testing/fake_ui.h"

namespace {

using platform::Answer;
using platform::Buttons;
using platform::FakeUserInterface;
using platform::Icon;
using testing_support::addEntry;
using testing_support::addToList;
using testing_support::FailingCfgStore;

constexpr int kAll = 0;
constexpr int kUndefined = 1;

std::vector<std::string> names(const CfgStore& store, int kind) {
    std::vector<std::string> out;
    for (int p = 0; p < store.entryCount(kind); ++p) out.push_back(store.entryName(kind, ByPosition, p));
    return out;
}

// The built-in entries and, in "Basic" (active) or "(undefined)":
//   tag names AA and AB (both undefined, next to each other), KEEP (Basic, valid in AA);
//   attributes ONLYUNDEF (Basic, used only by AA), SHARED (Basic, used by AA and KEEP),
//   UNUSED (Basic, used by none), LOOSE (undefined, used by KEEP);
//   values v1 (Basic, used only by ONLYUNDEF), v2 (Basic, used by SHARED), v3 (undefined,
//   used by SHARED), v4 (Basic, used only by LOOSE);
//   entities e1 (undefined), e2 (Basic).
struct Sample {
    int basic, aa, ab, keep, onlyUndef, shared, unused, loose, v1, v2, v3, v4, e1, e2;
};

template <typename Store>
Sample buildSample(Store& store) {
    store.resetToBuiltins();
    Sample s{};
    s.basic = addEntry(store, Category, "Basic", -1);
    store.activateCategory(s.basic, store.orderOf(Category));
    s.aa = addEntry(store, TagName, "AA", kUndefined);
    s.ab = addEntry(store, TagName, "AB", kUndefined);
    s.keep = addEntry(store, TagName, "KEEP", s.basic);
    s.onlyUndef = addEntry(store, Attribute, "ONLYUNDEF", s.basic);
    s.shared = addEntry(store, Attribute, "SHARED", s.basic);
    s.unused = addEntry(store, Attribute, "UNUSED", s.basic);
    s.loose = addEntry(store, Attribute, "LOOSE", kUndefined);
    s.v1 = addEntry(store, AttributeValue, "v1", s.basic);
    s.v2 = addEntry(store, AttributeValue, "v2", s.basic);
    s.v3 = addEntry(store, AttributeValue, "v3", kUndefined);
    s.v4 = addEntry(store, AttributeValue, "v4", s.basic);
    s.e1 = addEntry(store, Entity, "e1", kUndefined);
    s.e2 = addEntry(store, Entity, "e2", s.basic);
    addToList(store, TagName, s.keep, 0, s.aa, TagName);
    addToList(store, TagName, s.aa, 2, s.onlyUndef, Attribute);
    addToList(store, TagName, s.aa, 2, s.shared, Attribute);
    addToList(store, TagName, s.keep, 2, s.shared, Attribute);
    addToList(store, TagName, s.keep, 2, s.loose, Attribute);
    addToList(store, Attribute, s.onlyUndef, 0, s.v1, AttributeValue);
    addToList(store, Attribute, s.shared, 0, s.v2, AttributeValue);
    addToList(store, Attribute, s.shared, 0, s.v3, AttributeValue);
    addToList(store, Attribute, s.loose, 0, s.v4, AttributeValue);
    store.markSaved();
    return s;
}

TEST(CleanConfiguration, AsksFirstAndAfterAResetDeletesNothing) {
    CfgStore store;
    store.resetToBuiltins();
    FakeUserInterface ui;
    ui.answerWith({Answer::Yes});
    EXPECT_EQ(config::cleanConfiguration(store, ui), 1);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].caption, "Markwise: Clean Configuration?");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Question);
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(ui.boxes[0].text.starts_with(
        "This function will remove all nonbuilt-in tag names, attributes, attribute values, and "
        "entities that are assigned to an undefined category. It will also remove"));
    EXPECT_TRUE(ui.boxes[0].text.ends_with(
        "maximize its performance by eliminating unnecessary entries. Are you sure you wish to "
        "clean the HTML Configuration?"));
    EXPECT_EQ(ui.boxes[1].caption, "Markwise: Cleaning Results");
    EXPECT_EQ(ui.boxes[1].icon, Icon::Information);
    EXPECT_EQ(ui.boxes[1].text,
              "0 tag names deleted, 0 attributes deleted, 0 attribute values deleted, and 0 "
              "entities deleted.");
    EXPECT_EQ(store.isSaved(), 1);
    EXPECT_EQ(store.entryCount(AttributeValue), 23) << "built-in values used by no attribute stay";
}

TEST(CleanConfiguration, NoChangesNothing) {
    CfgStore store;
    buildSample(store);
    FakeUserInterface ui;  // answers No
    EXPECT_EQ(config::cleanConfiguration(store, ui), 0);
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(store.isSaved(), 1);
    EXPECT_EQ(store.entryCount(TagName), 5);
}

TEST(CleanConfiguration, DeletesWhatCanNoLongerTakePartAndWhatOnlyThatUsed) {
    CfgStore store;
    const Sample s = buildSample(store);
    FakeUserInterface ui;
    ui.answerWith({Answer::Yes});
    EXPECT_EQ(config::cleanConfiguration(store, ui), 1);
    EXPECT_EQ(ui.lastBox().text,
              "2 tag names deleted, 3 attributes deleted, 3 attribute values deleted, and 1 "
              "entities deleted.");
    EXPECT_EQ(store.isSaved(), 0);
    // AA and AB sat next to each other: both went.
    EXPECT_EQ(names(store, TagName), (std::vector<std::string>{"(everywhere)", "(first tag)", "KEEP"}));
    // ONLYUNDEF was used only by AA; UNUSED by nothing; LOOSE was undefined.
    EXPECT_EQ(names(store, Attribute), (std::vector<std::string>{"(ignore all)", "SHARED"}));
    // v1 only by ONLYUNDEF, v4 only by LOOSE, v3 undefined; v2 stays with SHARED.
    EXPECT_EQ(store.positionOf(AttributeValue, s.v1), -1);
    EXPECT_EQ(store.positionOf(AttributeValue, s.v3), -1);
    EXPECT_EQ(store.positionOf(AttributeValue, s.v4), -1);
    EXPECT_GE(store.positionOf(AttributeValue, s.v2), 0);
    EXPECT_EQ(store.entryCount(AttributeValue), 24);
    EXPECT_EQ(names(store, Entity).back(), "e2");
    EXPECT_EQ(store.entryCount(Entity), 5);
    // The cascades: KEEP lost AA from its range and LOOSE from its attributes; SHARED lost v3.
    EXPECT_EQ(store.listCount(TagName, ById, s.keep, 0), 0);
    EXPECT_EQ(store.listCount(TagName, ById, s.keep, 2), 1);
    EXPECT_EQ(store.listCount(Attribute, ById, s.shared, 0), 1);
    EXPECT_EQ(store.entryCount(Category), 3) << "categories are never cleaned";
}

TEST(CleanConfiguration, BuiltInEntriesAreNeverDeleted) {
    CfgStore store;
    store.resetToBuiltins();
    for (int kind : {TagName, Attribute, AttributeValue, Entity}) {
        store.setCategoryOf(kind, ByPosition, 0, kUndefined);
    }
    const config::CleanResult result = config::cleanEntries(store);
    EXPECT_EQ(config::cleanResultText(result),
              "0 tag names deleted, 0 attributes deleted, 0 attribute values deleted, and 0 "
              "entities deleted.");
    EXPECT_EQ(store.entryCount(TagName), 2);
    EXPECT_EQ(store.entryCount(Attribute), 1);
}

// A category that a file (or a careless caller) put into "(undefined)" is still a category:
// cleaning keeps it, and with it the entries that belong to it.
TEST(CleanConfiguration, NeverDeletesACategory) {
    CfgStore store;
    const Sample s = buildSample(store);
    ASSERT_EQ(store.setCategoryOf(Category, ById, s.basic, kUndefined), 1);
    const config::CleanResult result = config::cleanEntries(store);
    EXPECT_EQ(store.entryCount(Category), 3);
    EXPECT_EQ(store.isCategoryActive(s.basic), 1);
    EXPECT_EQ(store.categoryOf(TagName, ById, s.keep), s.basic);
    EXPECT_EQ(store.categoryOf(Entity, ById, s.e2), s.basic);
    EXPECT_EQ(config::cleanResultText(result),
              "2 tag names deleted, 3 attributes deleted, 3 attribute values deleted, and 1 "
              "entities deleted.");
}

TEST(CleanConfiguration, FollowsADeletedCategory) {
    CfgStore store;
    const Sample s = buildSample(store);
    addEntry(store, AttributeValue, "(builtin in basic)", s.basic, 4);
    ASSERT_EQ(store.deleteEntry(Category, ById, s.basic), 1);
    EXPECT_EQ(store.activeCategoryCount(), 0);
    EXPECT_EQ(store.categoryOf(TagName, ById, s.keep), kUndefined);
    EXPECT_EQ(store.categoryOf(AttributeValue, ByPosition,
                               store.findFirstPosition(AttributeValue, "(builtin in basic)")),
              kAll);
    const config::CleanResult result = config::cleanEntries(store);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(store.entryCount(TagName), 2);
    EXPECT_EQ(store.entryCount(Attribute), 1);
    EXPECT_EQ(store.entryCount(AttributeValue), 24);
    EXPECT_EQ(store.entryCount(Entity), 4);
    EXPECT_EQ(config::cleanResultText(result),
              "3 tag names deleted, 4 attributes deleted, 4 attribute values deleted, and 2 "
              "entities deleted.");
}

TEST(CleanConfiguration, AFailedDeletionStopsItsStepKeepsWhatWasDoneAndIsReported) {
    struct Case {
        int failingKind;
        int tagNames, attributes, attributeValues, entities;
        std::vector<std::string> attributesLeft;
    };
    const Case cases[] = {
        // Step 2 stops at AA; steps 3 and 4 still run: UNUSED is unassigned (ONLYUNDEF is
        // still used by AA), no value is unassigned.
        {TagName, 0, 1, 0, 0, {"(ignore all)", "LOOSE", "ONLYUNDEF", "SHARED"}},
        // Step 2 deletes AA and AB and stops at LOOSE; step 3 stops at its first deletion; in
        // step 4 every value is still listed (v1 by ONLYUNDEF, which stayed).
        {Attribute, 2, 0, 0, 0, {"(ignore all)", "LOOSE", "ONLYUNDEF", "SHARED", "UNUSED"}},
        // Values fail: step 2 stops at v3; step 3 runs; step 4 stops at once.
        {AttributeValue, 2, 3, 0, 0, {"(ignore all)", "SHARED"}},
    };
    for (const Case& c : cases) {
        FailingCfgStore store;
        buildSample(store);
        store.failing = {FailingCfgStore::Delete};
        store.failDeleteOfKind = c.failingKind;
        FakeUserInterface ui;
        ui.answerWith({Answer::Yes});
        EXPECT_EQ(config::cleanConfiguration(store, ui), 0);
        EXPECT_EQ(ui.lastBox().caption, "Markwise: Cleaning Results");
        EXPECT_EQ(ui.lastBox().text, "A serious error has occurred and the cleaning has failed.");
        EXPECT_EQ(ui.lastBox().icon, Icon::Error);
        EXPECT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(store.entryCount(TagName), 5 - c.tagNames) << c.failingKind;
        EXPECT_EQ(names(store, Attribute), c.attributesLeft) << c.failingKind;
        EXPECT_EQ(store.entryCount(AttributeValue), 27 - c.attributeValues) << c.failingKind;
        EXPECT_EQ(store.entryCount(Entity), 6 - c.entities) << c.failingKind;
    }
}

TEST(ConsistencyListings, NameTheEntriesOrSayAllClear) {
    CfgStore store;
    store.resetToBuiltins();
    const std::vector<std::string> clear = {
        "All tag names have been assigned to a category.",
        "(everywhere) (000) (first tag) (001) ",
        "(everywhere) (000) (first tag) (001) ",
        "(ignore all) (000) ",
        "All attributes have been assigned to a category.",
        "",  // every built-in value, checked below
        "All attribute values have been assigned to a category.",
    };
    for (int i = 0; i < config::kListingCount; ++i) {
        const config::Listing listing = config::allListings()[static_cast<std::size_t>(i)].listing;
        if (!clear[static_cast<std::size_t>(i)].empty()) {
            EXPECT_EQ(config::listingText(store, listing), clear[static_cast<std::size_t>(i)]) << i;
        }
    }
    EXPECT_TRUE(config::listingText(store, config::Listing::AttributeValuesNotAssigned)
                    .starts_with("(neg integer) (000) (percent) (001) (zero) (002) "));

    const Sample s = buildSample(store);
    // ZZ takes UNUSED's id, lower than AAA's, but sorts after it: unassigned listings go by id,
    // the others by position.
    store.deleteEntry(Attribute, ById, s.unused);
    const int zz = addEntry(store, Attribute, "ZZ", kUndefined);
    const int aa = addEntry(store, Attribute, "AAA", s.basic);
    ASSERT_LT(zz, aa);
    addToList(store, TagName, s.keep, 0, s.keep, TagName);
    const std::vector<std::string> expected = {
        "AA (002) AB (003) ",
        "(everywhere) (000) (first tag) (001) AA (002) AB (003) ",
        "(everywhere) (000) (first tag) (001) AB (003) ",
        "(ignore all) (000) ZZ (003) AAA (005) ",
        "LOOSE (004) ZZ (003) ",
        "",
        "v3 (025) ",
    };
    for (int i = 0; i < config::kListingCount; ++i) {
        if (expected[static_cast<std::size_t>(i)].empty()) continue;
        const config::Listing listing = config::allListings()[static_cast<std::size_t>(i)].listing;
        EXPECT_EQ(config::listingText(store, listing), expected[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(config::listingIds(store, config::Listing::AttributeValuesNotAssigned).size(), 23u)
        << "built-in values used by no attribute are listed";
}

TEST(ConsistencyListings, AnalyzeShowsOneBoxPerListingOfItsPage) {
    CfgStore store;
    store.resetToBuiltins();
    struct Case {
        config::AnalyzeGroup group;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {config::AnalyzeGroup::TagNames,
         {"Tag Names With Undefined Categories", "Tag Names With No Specified Valid Range",
          "Tag Names With No Attributes"}},
        {config::AnalyzeGroup::Attributes,
         {"Attributes Not Assigned to Any Tag Name", "Attributes With Undefined Categories"}},
        {config::AnalyzeGroup::AttributeValues,
         {"Attribute Values Not Assigned to Any Attribute",
          "Attribute Values With Undefined Categories"}},
    };
    for (const Case& c : cases) {
        FakeUserInterface ui;
        config::showListings(store, ui, c.group);
        ASSERT_EQ(ui.boxes.size(), c.captions.size());
        for (std::size_t i = 0; i < c.captions.size(); ++i) {
            EXPECT_EQ(ui.boxes[i].caption, c.captions[i]);
            EXPECT_EQ(ui.boxes[i].icon, Icon::Information);
            EXPECT_EQ(ui.boxes[i].buttons, Buttons::Ok);
        }
    }
    EXPECT_EQ(store.isSaved(), 1) << "listings change nothing";
}

TEST(ConsistencyListings, IdsInListsThatNoEntryHasArePassedOver) {
    CfgStore store;
    store.resetToBuiltins();
    const int tag = addEntry(store, TagName, "T", kUndefined);
    const int attribute = addEntry(store, Attribute, "A", kUndefined);
    for (int id : {-7, 998, 999, 5000, 0}) {
        store.listInsert(TagName, ById, tag, 2, id, {});
        store.listInsert(Attribute, ById, attribute, 0, id, {});
    }
    EXPECT_EQ(config::unassignedAttributes(store), std::vector<int>{attribute});
    EXPECT_EQ(config::unassignedAttributeValues(store).size(), 22u) << "all but id 0";
    const config::CleanResult result = config::cleanEntries(store);
    EXPECT_EQ(result.tagNames, 1);
    EXPECT_EQ(result.attributes, 1);
    EXPECT_FALSE(result.failed);
}

}  // namespace
