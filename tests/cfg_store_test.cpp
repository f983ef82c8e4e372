#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/cfg_store.h"

namespace {

int add(CfgStore& cfg, int kind, const std::string& name, int id = -1, int category = -1,
        int type = 0) {
    EntryRecord record = EntryRecord::named(name);
    record.id = id;
    record.categoryId = category;
    record.builtinType = type;
    return cfg.addEntry(kind, record);
}

std::vector<std::string> names(const CfgStore& cfg, int kind) {
    std::vector<std::string> result;
    for (int p = 0; p < cfg.entryCount(kind); ++p) result.emplace_back(cfg.entryName(kind, ByPosition, p));
    return result;
}

TEST(Collation, OrdersPunctuationDigitsLettersWithoutRegardToCase) {
    std::vector<std::string> sorted = {"(all)", "1st", "9", "a", "A-B", "ab", "AC", "b'c", "bc",
                                       "z", "\xc3\xa9t\xc3\xa9"};
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        EXPECT_LT(config::collateNames(sorted[i], sorted[i + 1]), 0)
            << sorted[i] << " / " << sorted[i + 1];
        EXPECT_GT(config::collateNames(sorted[i + 1], sorted[i]), 0);
    }
    EXPECT_EQ(config::collateNames("Table", "TABLE"), 0);
    EXPECT_NE(config::collateNames("a-b", "ab"), 0);  // the hyphen decides last
    EXPECT_LT(config::collateNames("abc", "ab-d"), 0);  // but not before the letters do
    // The apostrophe is passed over like the hyphen: o'b sorts as ob, after oa.
    EXPECT_GT(config::collateNames("o'b", "oa"), 0);
    EXPECT_GT(config::collateNames("o-b", "oa"), 0);
}

TEST(CfgStore, BuiltinsAreTheBuiltinTable) {
    CfgStore cfg;
    ASSERT_EQ(cfg.resetToBuiltins(), 1);
    EXPECT_EQ(cfg.entryCount(TagName), 2);
    EXPECT_EQ(cfg.entryCount(Category), 2);
    EXPECT_EQ(cfg.entryCount(Attribute), 1);
    EXPECT_EQ(cfg.entryCount(AttributeValue), 23);
    EXPECT_EQ(cfg.entryCount(Entity), 4);
    EXPECT_EQ(cfg.entryCount(Spare), 0);
    EXPECT_EQ(cfg.activeCategoryCount(), 0);
    EXPECT_EQ(cfg.isSaved(), 1);
    EXPECT_EQ(cfg.isLoaded(), 0);

    EXPECT_STREQ(cfg.entryName(AttributeValue, ById, 12), "(int offset -6 to +6)");
    EXPECT_EQ(cfg.builtinType(AttributeValue, ById, 12), 15);
    EXPECT_EQ(cfg.option(AttributeValue, ById, 12, 0), 0);
    EXPECT_EQ(cfg.option(AttributeValue, ById, 12, 1), 6);
    EXPECT_EQ(cfg.option(AttributeValue, ById, 12, 4), 0);
    EXPECT_EQ(cfg.option(AttributeValue, ById, 12, 2), -1);
    EXPECT_EQ(cfg.categoryOf(AttributeValue, ById, 12), 0);
    EXPECT_EQ(cfg.option(Attribute, ById, 0, 0), 4);
    EXPECT_EQ(cfg.categoryOf(Category, ById, 1), -1);
    EXPECT_EQ(cfg.builtinType(Category, ById, 1), 2);
    EXPECT_EQ(names(cfg, Entity), (std::vector<std::string>{
                                      "(HTML 2.0 entities)", "(math, greek entities)",
                                      "(numeric entities)", "(special entities)"}));
    EXPECT_STREQ(cfg.displayLabel(TagName, ById, 1), "(first tag) (001)");

    // Every built-in entry: its name, id, type, option slots 0 and 1 (4 is 0, the rest
    // unset) and category.
    struct Row {
        int kind;
        const char* name;
        int id, type, option0, option1, category;
    };
    const Row rows[] = {
        {TagName, "(everywhere)", 0, 1, -1, -1, 0},
        {TagName, "(first tag)", 1, 2, -1, -1, 0},
        {Category, "(all)", 0, 1, -1, -1, -1},
        {Category, "(undefined)", 1, 2, -1, -1, -1},
        {Attribute, "(ignore all)", 0, 1, 4, -1, 0},
        {AttributeValue, "(neg integer)", 0, 2, 0, 6, 0},
        {AttributeValue, "(percent)", 1, 7, 1, 6, 0},
        {AttributeValue, "(zero)", 2, 3, 1, 6, 0},
        {AttributeValue, "(integer offset)", 3, 6, 0, 6, 0},
        {AttributeValue, "(pos integer)", 4, 1, 1, 6, 0},
        {AttributeValue, "(six digit HEX)", 5, 5, 1, 6, 0},
        {AttributeValue, "(string)", 6, 4, 0, 6, 0},
        {AttributeValue, "(no value)", 7, 8, 1, 6, 0},
        {AttributeValue, "(ignore value)", 8, 9, 1, 6, 0},
        {AttributeValue, "(string 2)", 9, 4, 1, 6, 0},
        {AttributeValue, "(null string)", 10, 10, 0, 6, 0},
        {AttributeValue, "(alphanum string)", 11, 11, 1, 6, 0},
        {AttributeValue, "(int offset -6 to +6)", 12, 15, 0, 6, 0},
        {AttributeValue, "(16 color names)", 13, 12, 1, 6, 0},
        {AttributeValue, "(integers 1 to 7)", 14, 14, 1, 6, 0},
        {AttributeValue, "(Netscape color names)", 15, 13, 1, 6, 0},
        {AttributeValue, "(string 3)", 16, 4, 9, 6, 0},
        {AttributeValue, "(string 4)", 17, 4, 7, 6, 0},
        {AttributeValue, "(CF six digit HEX)", 18, 16, 0, 6, 0},
        {AttributeValue, "(Cold Fusion variable)", 19, 17, 0, 6, 0},
        {AttributeValue, "(single character)", 20, 18, 0, 6, 0},
        {AttributeValue, "(single alphanum char)", 21, 19, 1, 6, 0},
        {AttributeValue, "(relative width)", 22, 20, 0, 6, 0},
        {Entity, "(HTML 2.0 entities)", 0, 2, -1, -1, 0},
        {Entity, "(math, greek entities)", 1, 3, -1, -1, 0},
        {Entity, "(numeric entities)", 2, 1, -1, -1, 0},
        {Entity, "(special entities)", 3, 4, -1, -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(cfg.entryName(row.kind, ById, row.id), row.name);
        EXPECT_EQ(cfg.builtinType(row.kind, ById, row.id), row.type);
        EXPECT_EQ(cfg.categoryOf(row.kind, ById, row.id), row.category);
        EXPECT_EQ(cfg.option(row.kind, ById, row.id, 0), row.option0);
        EXPECT_EQ(cfg.option(row.kind, ById, row.id, 1), row.option1);
        EXPECT_EQ(cfg.option(row.kind, ById, row.id, 2), -1);
        EXPECT_EQ(cfg.option(row.kind, ById, row.id, 3), -1);
        EXPECT_EQ(cfg.option(row.kind, ById, row.id, 4), 0);
    }
    EXPECT_EQ(cfg.isSaved(), 1);
}

TEST(CfgStore, LookUpFindsTheFirstOfEqualNames) {
    CfgStore cfg;
    add(cfg, TagName, "TABLE", 5);
    add(cfg, TagName, "table", 2);
    add(cfg, TagName, "TD", 3);
    EXPECT_EQ(cfg.findFirstId(TagName, "Table"), 2);
    EXPECT_EQ(cfg.findFirstPosition(TagName, "TABLE"), 0);
    EXPECT_EQ(cfg.findFirstId(TagName, "td"), 3);
    EXPECT_EQ(cfg.findFirstId(TagName, "tab"), -1);
    EXPECT_EQ(cfg.findFirstId(9, "td"), -1);
    EXPECT_STREQ(cfg.displayLabel(TagName, ById, 5), "TABLE (005)");
}

TEST(CfgStore, AddingAndDeletingKeepsTheIdMap) {
    CfgStore cfg;
    EXPECT_EQ(add(cfg, Attribute, "HREF"), 0);
    EXPECT_EQ(add(cfg, Attribute, "NAME"), 1);
    EXPECT_EQ(add(cfg, Attribute, "SRC"), 2);
    EXPECT_EQ(add(cfg, Attribute, "TYPE"), 3);
    EXPECT_EQ(add(cfg, Attribute, "ALT"), 4);  // sorts first: every position moves
    for (int id = 0; id < 5; ++id) {
        EXPECT_EQ(cfg.entryId(Attribute, ByPosition, cfg.positionOf(Attribute, id)), id);
    }
    EXPECT_EQ(cfg.positionOf(Attribute, 4), 0);
    ASSERT_EQ(cfg.deleteEntry(Attribute, ById, 3), 1);
    EXPECT_EQ(cfg.positionOf(Attribute, 3), -1);
    EXPECT_EQ(add(cfg, Attribute, "WIDTH"), 3);  // the lowest free id comes back
    EXPECT_EQ(add(cfg, Attribute, "X", 1), -1);  // an explicit id must be free
    EXPECT_EQ(cfg.deleteEntry(Spare, ByPosition, 0), 0);
    EXPECT_EQ(cfg.deleteEntry(Attribute, ByPosition, 99), 0);
}

TEST(CfgStore, IdsStayBelowTheLimit) {
    CfgStore cfg;
    for (int i = 0; i < config::kMaxEntries; ++i) {
        ASSERT_EQ(add(cfg, Entity, "e" + std::to_string(i)), i);
    }
    EXPECT_EQ(add(cfg, Entity, "one-too-many"), -1);
    EXPECT_EQ(cfg.entryCount(Entity), config::kMaxEntries);
}

TEST(CfgStore, DeletionCascades) {
    CfgStore cfg;
    cfg.resetToBuiltins();
    int strict = add(cfg, Category, "Strict");
    int table = add(cfg, TagName, "TABLE", -1, strict);
    int tr = add(cfg, TagName, "TR", -1, strict);
    int align = add(cfg, Attribute, "ALIGN", -1, strict);
    int left = add(cfg, AttributeValue, "left", -1, strict);
    cfg.listInsert(TagName, ById, tr, 0, table, cfg.orderOf(TagName));
    cfg.listInsert(TagName, ById, tr, 1, tr, cfg.orderOf(TagName));
    cfg.listInsert(TagName, ById, tr, 1, table, cfg.orderOf(TagName));  // in both ranges
    cfg.listInsert(TagName, ById, tr, 2, align, cfg.orderOf(Attribute));
    cfg.listInsert(Attribute, ById, align, 0, left, cfg.orderOf(AttributeValue));
    cfg.activateCategory(strict, cfg.orderOf(Category));
    cfg.setCategoryOf(AttributeValue, ById, 7, strict);  // a built-in value

    ASSERT_EQ(cfg.deleteEntry(TagName, ById, table), 1);
    EXPECT_EQ(cfg.listCount(TagName, ById, tr, 0), 0);
    EXPECT_EQ(cfg.listCount(TagName, ById, tr, 1), 1);  // gone from the invalid range too
    EXPECT_EQ(cfg.listContains(TagName, ById, tr, 1, table), 0);
    EXPECT_EQ(cfg.listContains(TagName, ById, tr, 1, tr), 1);  // other ids stay
    EXPECT_EQ(cfg.listCount(TagName, ById, tr, 2), 1);  // attribute lists are not touched

    ASSERT_EQ(cfg.deleteEntry(AttributeValue, ById, left), 1);
    EXPECT_EQ(cfg.listCount(Attribute, ById, align, 0), 0);
    ASSERT_EQ(cfg.deleteEntry(Attribute, ById, align), 1);
    EXPECT_EQ(cfg.listCount(TagName, ById, tr, 2), 0);

    ASSERT_EQ(cfg.deleteEntry(Category, ById, strict), 1);
    EXPECT_EQ(cfg.isCategoryActive(strict), 0);
    EXPECT_EQ(cfg.categoryOf(TagName, ById, tr), 1);          // to "(undefined)"
    EXPECT_EQ(cfg.categoryOf(AttributeValue, ById, 7), 0);    // a built-in one to "(all)"
}

TEST(CfgStore, SettersReportBadAddressesAndKeepSavedState) {
    CfgStore cfg;
    int id = add(cfg, TagName, "P");
    cfg.markSaved();
    EXPECT_EQ(cfg.option(TagName, ById, id, 50), -1);
    EXPECT_EQ(cfg.setOption(TagName, ById, id, 2, -1), 0);
    EXPECT_EQ(cfg.setOption(TagName, ById, id, 50, 1), 0);
    EXPECT_EQ(cfg.setOption(TagName, ById, 77, 0, 1), -1);
    EXPECT_EQ(cfg.setCategoryOf(TagName, ById, id, -3), 0);
    EXPECT_EQ(cfg.setEntryText(TagName, ById, id, 0, ""), 1);  // unchanged
    EXPECT_EQ(cfg.setNotes(5, "x"), 0);
    EXPECT_EQ(cfg.entryText(TagName, ById, id, 2), nullptr);
    EXPECT_EQ(cfg.entryName(6, ByPosition, 0), nullptr);
    EXPECT_EQ(cfg.isSaved(), 1);

    // Slot 50 is outside the option slots even when a file gave an entry a longer array.
    TagStore longer;
    ASSERT_EQ(longer.options.set(50, 7, true, -1), 1);
    EXPECT_EQ(longer.optionValue(50), -1);
    EXPECT_EQ(longer.setOptionValue(50, 1), 0);

    // Reading an unset slot beyond the option array grows it.
    EXPECT_EQ(cfg.option(TagName, ById, id, 7), -1);
    EXPECT_EQ(cfg.entry(TagName, ById, id)->options.count(), 8);
    EXPECT_EQ(cfg.isSaved(), 1);

    EXPECT_EQ(cfg.setOption(TagName, ById, id, 9, 1), 1);
    EXPECT_EQ(cfg.isSaved(), 0);
    EXPECT_EQ(cfg.markSaved(), 0);
    EXPECT_EQ(cfg.setEntryText(TagName, ById, id, 0, "Use CSS."), 1);
    EXPECT_EQ(cfg.isSaved(), 0);
}

TEST(CfgStore, SaveAndLoadRoundTrip) {
    CfgStore cfg;
    cfg.resetToBuiltins();
    int cat = add(cfg, Category, "HTML 4.01");
    cfg.activateCategory(cat, cfg.orderOf(Category));
    int p = add(cfg, TagName, "P", -1, cat);
    cfg.setOption(TagName, ById, p, 0, config::kClosingOptional);
    cfg.setOption(TagName, ById, p, 12, 3);
    cfg.setEntryText(TagName, ById, p, 0, "{ENGLISH: \"Paragraph\"}");
    cfg.setNotes(0, "notes");
    std::string bytes = cfg.serialize(0);

    CfgStore loaded;
    ASSERT_EQ(loaded.loadBytes(bytes, "x.cfg"), 1);
    EXPECT_EQ(loaded.isLoaded(), 1);
    EXPECT_STREQ(loaded.fileName(), "x.cfg");
    EXPECT_EQ(loaded.option(TagName, ById, p, 12), 3);
    EXPECT_STREQ(loaded.entryText(TagName, ById, p, 0), "{ENGLISH: \"Paragraph\"}");
    EXPECT_STREQ(loaded.notes(0), "notes");
    EXPECT_EQ(loaded.isCategoryActive(cat), 1);
    loaded.setState(cfg.isLoaded(), cfg.isSaved(), cfg.formatVersion());
    EXPECT_EQ(loaded.serialize(0), bytes);

    CfgStore corrupt;
    EXPECT_EQ(corrupt.loadBytes(bytes.substr(0, bytes.size() - 1), "x.cfg"), 0);
    EXPECT_EQ(corrupt.entryCount(TagName), 0);
    EXPECT_STREQ(corrupt.fileName(), config::kNoFileName);
}

}  // namespace
