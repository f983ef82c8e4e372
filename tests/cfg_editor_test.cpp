// The HTML Configuration editor's logic, driven as a view would drive it, with the recording
// user interface answering its boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "cfg_test_models.h"
#include "config/editor.h"
#include "engine/entity_tables.h"
#include "platform_testing/fake_ui.h"

namespace {

using config::EditorButton;
using config::EditorList;
using config::EditorPage;
using config::EditorText;
using config::EditorToggle;
using config::EditorUpdate;
using config::ListChange;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::addEntry;
using testing_support::addToList;
using testing_support::FailingCfgStore;

constexpr int kUndefined = 1;

class FakeShell : public config::EditorShell {
public:
    std::vector<std::string> help;
    std::vector<int> seriousErrors;
    bool autoSave = false;
    bool mayLoad = true;
    int loadResult = 1;
    int loads = 0;
    std::vector<bool> saves;  // notify of each save
    int savesAs = 0;
    CfgStore* store = nullptr;  // reset to built-ins by a load

    void showHelp(std::string_view keyword) override { help.emplace_back(keyword); }
    void showSeriousError(int number) override { seriousErrors.push_back(number); }
    bool autoSaveConfiguration() const override { return autoSave; }
    bool mayLoadConfiguration() override { return mayLoad; }
    int loadConfiguration() override {
        ++loads;
        if (loadResult != 2 && store) store->resetToBuiltins();
        return loadResult;
    }
    bool saveConfiguration(bool notify) override {
        saves.push_back(notify);
        return true;
    }
    bool saveConfigurationAs() override {
        ++savesAs;
        return true;
    }
    std::span<const std::string_view> builtinEntityNames(int table) const override {
        static constexpr std::string_view kTables[3][2] = {
            {"amp", "lt"}, {"alpha", "beta"}, {"ndash", "mdash"}};
        return kTables[table];
    }
};

class Editor : public ::testing::Test {
protected:
    Editor() {
        store.resetToBuiltins();
        basic = addEntry(store, Category, "Basic", -1);
        table = addEntry(store, TagName, "TABLE", basic);
        tr = addEntry(store, TagName, "TR", basic);
        align = addEntry(store, Attribute, "ALIGN", basic);
        left = addEntry(store, AttributeValue, "left", basic);
        nbsp = addEntry(store, Entity, "nbsp", basic);
        store.markSaved();
        shell.store = &store;
        editor.open();
    }

    int rowOf(EditorList list, const std::string& text) const {
        for (int row = 0; row < editor.rowCount(list); ++row) {
            if (editor.rowText(list, row) == text) return row;
        }
        ADD_FAILURE() << "no row " << text;
        return -1;
    }
    EditorUpdate select(EditorList list, const std::string& text) {
        return editor.selectRow(list, rowOf(list, text));
    }
    std::vector<std::string> rows(EditorList list) const {
        std::vector<std::string> out;
        for (int row = 0; row < editor.rowCount(list); ++row) out.push_back(editor.rowText(list, row));
        return out;
    }
    EditorUpdate create(EditorPage page, const std::string& name) {
        editor.selectPage(page);
        editor.typeText(EditorText::Name, name);
        return editor.press(EditorButton::New);
    }
    // The last box shown, as "caption | text".
    std::string lastBox() const {
        return ui.boxes.empty() ? "" : ui.lastBox().caption + " | " + ui.lastBox().text;
    }

    FailingCfgStore store;
    platform::FakeUserInterface ui;
    FakeShell shell;
    config::EditorController editor{store, ui, shell};
    int basic, table, tr, align, left, nbsp;
};

TEST_F(Editor, PagesHaveTheirTabsAndHelpKeywords) {
    const std::array<std::pair<std::string, std::string>, 6> expected = {{
        {"Tag Names", "tag names editor"},
        {"Attributes", "attributes editor"},
        {"Attribute Values", "attribute values editor"},
        {"Categories", "html categories editor"},
        {"Entities", "character entities editor"},
        {"Notes", "html configuration notes editor"},
    }};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const config::EditorPageInfo& info = config::editorPages()[i];
        EXPECT_EQ(info.tab, expected[i].first);
        EXPECT_TRUE(editor.selectPage(info.page).pageChanged || info.page == EditorPage::TagNames);
        editor.press(EditorButton::Help);
        EXPECT_EQ(shell.help.back(), expected[i].second);
    }
    EXPECT_EQ(config::kEditorCaption, "Zentrel Markwise HTML Configuration Editor");
}

TEST_F(Editor, NewNamesOfTagsAndAttributesInOneCaseBecomeUpperCase) {
    struct Case {
        EditorPage page;
        int kind;
        std::string typed, stored;
    };
    const Case cases[] = {
        {EditorPage::TagNames, TagName, "img", "IMG"},
        {EditorPage::TagNames, TagName, "Img", "Img"},
        {EditorPage::TagNames, TagName, "IMG", "IMG"},
        {EditorPage::TagNames, TagName, "h1", "H1"},
        {EditorPage::TagNames, TagName, "cf:loop", "CF:LOOP"},
        // Letters of Western European text count too.
        {EditorPage::TagNames, TagName, "\xC3\xA9lan", "\xC3\x89LAN"},            // élan: ÉLAN
        {EditorPage::TagNames, TagName, "\xC3\x89lan", "\xC3\x89lan"},            // Élan is kept
        {EditorPage::TagNames, TagName, "stra\xC3\x9F" "e", "STRA\xC3\x9F" "E"},  // ß has no capital
        {EditorPage::Attributes, Attribute, "\xC5\x93uvre\xC3\xBF",
         "\xC5\x92UVRE\xC5\xB8"},  // œuvreÿ: ŒUVREŸ
        {EditorPage::Attributes, Attribute, "href", "HREF"},
        {EditorPage::Attributes, Attribute, "onClick", "onClick"},
        {EditorPage::AttributeValues, AttributeValue, "center", "center"},
        {EditorPage::Entities, Entity, "eacute", "eacute"},
        {EditorPage::Categories, Category, "HTML 4 strict", "HTML 4 strict"},
    };
    for (const Case& c : cases) {
        const int before = store.entryCount(c.kind);
        EditorUpdate update = create(c.page, c.typed);
        ASSERT_EQ(store.entryCount(c.kind), before + 1) << c.typed << " " << lastBox();
        EXPECT_TRUE(update.selectNameText);
        EXPECT_GE(store.findFirstPosition(c.kind, c.stored), 0);
        bool exact = false;
        for (int p = 0; p < store.entryCount(c.kind); ++p) {
            exact = exact || std::string(store.entryName(c.kind, ByPosition, p)) == c.stored;
        }
        EXPECT_TRUE(exact) << c.typed;
    }
    EXPECT_TRUE(ui.boxes.empty()) << lastBox();
}

TEST_F(Editor, NewEntriesStartWithTheirKindsSettingsInUndefined) {
    create(EditorPage::TagNames, "IMG");
    create(EditorPage::Attributes, "SRC");
    create(EditorPage::AttributeValues, "top");
    create(EditorPage::Entities, "copy");
    create(EditorPage::Categories, "Extra");
    auto entry = [this](int kind, const char* name) {
        return store.entry(kind, ByPosition, store.findFirstPosition(kind, name));
    };
    const TagStore* img = entry(TagName, "IMG");
    EXPECT_EQ(img->categoryOf, kUndefined);
    EXPECT_EQ(img->builtinType, 0);
    EXPECT_EQ(img->options.values(), (std::vector<std::int32_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ(img->formatVersion, 2);
    const TagStore* src = entry(Attribute, "SRC");
    EXPECT_EQ(src->options.values(), (std::vector<std::int32_t>{4, -1, -1, -1, 0}));
    EXPECT_EQ(src->categoryOf, kUndefined);
    const TagStore* top = entry(AttributeValue, "top");
    EXPECT_EQ(top->options.values(), (std::vector<std::int32_t>{1, 6, -1, -1, 0}));
    EXPECT_EQ(top->categoryOf, kUndefined);
    EXPECT_EQ(entry(Entity, "copy")->categoryOf, kUndefined);
    EXPECT_EQ(entry(Category, "Extra")->categoryOf, -1);
    EXPECT_EQ(entry(Category, "Extra")->builtinType, 0);
}

// New entries go to category id 1 whatever that category is, as a deleted category's entries
// do: here a user's category took the id after "(undefined)" was dropped and added again.
TEST_F(Editor, NewEntriesGoToCategoryIdOne) {
    ASSERT_EQ(store.deleteEntry(Category, ById, kUndefined), 1);
    ASSERT_EQ(addEntry(store, Category, "Legacy", -1), 1);
    ASSERT_GT(addEntry(store, Category, "(undefined)", -1, config::kBuiltinUndefined), 1);
    editor.open();
    create(EditorPage::TagNames, "IMG");
    EXPECT_EQ(store.categoryOf(TagName, ById, store.findFirstId(TagName, "IMG")), 1);
}

TEST_F(Editor, NewRefusesEmptyNamesAndBlanksExceptInCategories) {
    struct Case {
        EditorPage page;
        std::string typed;
        std::string box;
    };
    const std::string empty = "Markwise: Specify a String | You must specify a string.";
    const std::string blank = "Markwise: Invalid String | You may not use spaces for this entry.";
    const Case cases[] = {
        {EditorPage::TagNames, "", empty},         {EditorPage::Categories, "", empty},
        {EditorPage::TagNames, "A B", blank},      {EditorPage::Attributes, "A\tB", blank},
        {EditorPage::AttributeValues, " x", blank}, {EditorPage::Entities, "x ", blank},
    };
    for (const Case& c : cases) {
        ui.clear();
        const bool saved = store.isSaved();
        create(c.page, c.typed);
        EXPECT_EQ(lastBox(), c.box) << c.typed;
        EXPECT_EQ(store.isSaved(), saved);
    }
}

TEST_F(Editor, NewTakesAtMost79CharactersAndRepeatsNamesWithANewId) {
    create(EditorPage::TagNames, std::string(100, 'Q'));
    EXPECT_GE(store.findFirstPosition(TagName, std::string(79, 'Q')), 0);
    create(EditorPage::TagNames, "table");
    const int first = store.findFirstPosition(TagName, "TABLE");
    EXPECT_EQ(store.entryName(TagName, ByPosition, first + 1), std::string("TABLE"));
    EXPECT_NE(store.entryId(TagName, ByPosition, first + 1), table);
    // A name of characters of several bytes is cut between characters.
    std::string wide;
    for (int i = 0; i < 79; ++i) wide += "\xC3\xA9";
    create(EditorPage::Entities, wide);
    const char* stored = store.entryName(Entity, ByPosition, store.entryCount(Entity) - 1);
    EXPECT_EQ(std::string(stored), wide.substr(0, 82));
}

TEST_F(Editor, NewIsRefusedAtTheLimitOf999Entries) {
    for (int i = store.entryCount(Entity); i < 999; ++i) {
        ASSERT_GE(addEntry(store, Entity, "e" + std::to_string(i), basic), 0);
    }
    create(EditorPage::Entities, "one-too-many");
    EXPECT_EQ(lastBox(), "Markwise: Limit Reached | There is a limit of 999 entries.");
    EXPECT_EQ(store.entryCount(Entity), 999);
}

TEST_F(Editor, ANewEntryIsOneRowInsertedAndSelected) {
    EditorUpdate update = create(EditorPage::TagNames, "TD");
    const int row = store.findFirstPosition(TagName, "TD");
    int inserted = 0;
    for (const ListChange& change : update.lists) {
        EXPECT_NE(change.kind, ListChange::Kind::Reset);
        if (change.list == EditorList::TagNames || change.list == EditorList::TagBeingConfigured) {
            EXPECT_EQ(change.kind, ListChange::Kind::Inserted);
            EXPECT_EQ(change.row, row);
            ++inserted;
        }
    }
    EXPECT_EQ(inserted, 2);
    EXPECT_EQ(editor.selectedRow(EditorList::TagNames), row);
    EXPECT_EQ(editor.rowText(EditorList::TagNames, row), "TD (004)");

    // A selection below the new row moves down with its entry.
    select(EditorList::TagNames, "TR (003)");
    create(EditorPage::TagNames, "A");
    EXPECT_EQ(editor.rowText(EditorList::TagNames, editor.selectedRow(EditorList::TagNames)),
              "A (005)");
    select(EditorList::Categories, "Basic (002)");
    editor.selectPage(EditorPage::Categories);
    editor.typeText(EditorText::Name, "(aaa)");
    editor.press(EditorButton::New);
    EXPECT_EQ(editor.rowText(EditorList::Categories, editor.selectedRow(EditorList::Categories)),
              "(aaa) (003)");
}

TEST_F(Editor, ActionsNeedASelectedRowOfTheirList) {
    struct Case {
        EditorPage page;
        EditorButton button;
        std::string list;
    };
    const Case cases[] = {
        {EditorPage::TagNames, EditorButton::Add, "Tag Names"},
        {EditorPage::TagNames, EditorButton::Remove, "Tag Valid in Range"},
        {EditorPage::TagNames, EditorButton::Delete, "Tag Names"},
        {EditorPage::Attributes, EditorButton::Add, "Attributes"},
        {EditorPage::Attributes, EditorButton::Remove, "Tag Attributes"},
        {EditorPage::Attributes, EditorButton::Delete, "Attributes"},
        {EditorPage::AttributeValues, EditorButton::Add, "Attribute Values"},
        {EditorPage::AttributeValues, EditorButton::Remove, "Attribute's Attribute Values"},
        {EditorPage::AttributeValues, EditorButton::Delete, "Attribute Values"},
        {EditorPage::Categories, EditorButton::Add, "Categories"},
        {EditorPage::Categories, EditorButton::Remove, "Active Categories"},
        {EditorPage::Categories, EditorButton::Delete, "Categories"},
        {EditorPage::Entities, EditorButton::Delete, "Character Entities"},
    };
    for (const Case& c : cases) {
        ui.clear();
        editor.selectPage(c.page);
        editor.press(c.button);
        ASSERT_EQ(ui.boxes.size(), 1u) << c.list;
        EXPECT_EQ(lastBox(), "Markwise: Must Select Entry | You must first select an entry from the " +
                                 c.list + " List Box.");
    }
    EXPECT_EQ(store.isSaved(), 1);
}

TEST_F(Editor, DeleteAsksTheKindsQuestionAndRefusesBuiltInEntries) {
    struct Case {
        EditorPage page;
        EditorList list;
        std::string row;
        std::string caption;
        std::string text;
    };
    const Case cases[] = {
        {EditorPage::TagNames, EditorList::TagNames, "TR (003)", "Markwise: Delete Tag Name?",
         "Are you sure you want to delete the tag name \"TR (003)\"? The tag name and all its "
         "settings will no longer exist if deleted."},
        {EditorPage::Attributes, EditorList::Attributes, "ALIGN (001)",
         "Markwise: Delete Attribute?",
         "Are you sure you want to delete the attribute \"ALIGN (001)\"? All references to this "
         "attribute will no longer exist if deleted."},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)",
         "Markwise: Delete Attribute Value?",
         "Are you sure you want to delete the attribute value\"left (023)\"? All references to "
         "this attribute will no longer exist if deleted."},
        {EditorPage::Categories, EditorList::Categories, "Basic (002)",
         "Markwise: Delete Tag Category?",
         "Are you sure you want to delete the tag category named \"Basic (002)\"? All references "
         "to this category will no longer exist if deleted."},
        {EditorPage::Entities, EditorList::Entities, "nbsp (004)",
         "Markwise: Delete Character Entity?",
         "Are you sure you want to delete the character entity \"nbsp (004)\"?"},
    };
    for (const Case& c : cases) {
        editor.selectPage(c.page);
        select(c.list, c.row);
        const int count = editor.rowCount(c.list);
        ui.clear();
        editor.press(EditorButton::Delete);  // No
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].caption, c.caption);
        EXPECT_EQ(ui.boxes[0].text, c.text);
        EXPECT_EQ(ui.boxes[0].icon, Icon::Question);
        EXPECT_EQ(ui.boxes[0].buttons, Buttons::YesNo);
        EXPECT_EQ(editor.rowCount(c.list), count);

        ui.answerWith({Answer::Yes});
        EditorUpdate update = editor.press(EditorButton::Delete);
        EXPECT_EQ(editor.rowCount(c.list), count - 1) << c.row;
        EXPECT_EQ(editor.selectedRow(c.list), -1);
        bool removed = false;
        for (const ListChange& change : update.lists) {
            removed = removed || (change.list == c.list && change.kind == ListChange::Kind::Removed);
        }
        EXPECT_TRUE(removed) << c.row;

        // The first row of every kind is a built-in entry.
        editor.selectRow(c.list, 0);
        ui.clear();
        editor.press(EditorButton::Delete);
        EXPECT_EQ(lastBox(), "Markwise: Cannot Perform Operation | You cannot perform this "
                             "operation with a built-in entry.");
    }
    EXPECT_TRUE(shell.seriousErrors.empty());
}

TEST_F(Editor, DeletingTheTagBeingConfiguredLetsGoOfItAndItsTypedText) {
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    addToList(store, TagName, tr, 0, table, TagName);
    editor.typeText(EditorText::TagMessageWhenUsed, "typed");
    select(EditorList::TagNames, "TABLE (002)");
    ui.answerWith({Answer::Yes});
    editor.press(EditorButton::Delete);
    EXPECT_EQ(editor.selectedRow(EditorList::TagBeingConfigured), -1);
    EXPECT_FALSE(editor.isEnabled(EditorText::TagMessageWhenUsed));
    EXPECT_EQ(editor.text(EditorText::TagMessageWhenUsed), "");
    EXPECT_EQ(editor.label(config::EditorLabel::AttributesFor), "");
    EXPECT_EQ(store.listCount(TagName, ById, tr, 0), 0) << "the cascade";
    editor.selectPage(EditorPage::Attributes);  // commits nothing anywhere
    EXPECT_TRUE(shell.seriousErrors.empty());
}

TEST_F(Editor, SettingsOfMissingOrBuiltInEntriesAreRefusedAndSetBack) {
    struct Case {
        EditorPage page;
        EditorList configuredList;  // where the entry is chosen
        std::string builtin;
        std::string noneBox;
        std::string builtinBox;  // empty: the built-in entry may be changed
        EditorToggle toggle;
    };
    const std::string cannot = "Markwise: Cannot Perform Operation | ";
    const Case cases[] = {
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "(everywhere) (000)",
         "Markwise: Select Tag Name to be Configured | You must first select a tag name to be "
         "configured.",
         cannot + "You cannot perform this operation with a built-in tag name. You must change "
                  "the tag name being configured to a user defined tag name.",
         EditorToggle::IgnoreToClosingTag},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "(first tag) (001)", "", "",
         EditorToggle::OptionalClosingTag},
        {EditorPage::Attributes, EditorList::Attributes, "(ignore all) (000)",
         "Markwise: Select Attribute | You must first select an attribute (this is not an "
         "attribute value).",
         cannot + "You cannot perform this operation with a built-in attribute.",
         EditorToggle::RequiredAttribute},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "(zero) (002)",
         "Markwise: Select Attribute Value | You must first select an attribute value.",
         cannot + "You cannot perform this operation with a built-in attribute value.",
         EditorToggle::CaseSensitive},
        {EditorPage::Entities, EditorList::Entities, "(numeric entities) (002)",
         "Markwise: Select Character Entity | You must first select a character entity.",
         cannot + "You cannot perform this operation with a built-in character entity.",
         EditorToggle::CaseSensitive /* entities have no options */},
    };
    for (const Case& c : cases) {
        if (c.noneBox.empty()) {
            // (first tag): the closing radio of a built-in tag.
            select(c.configuredList, c.builtin);
            ui.clear();
            editor.setChecked(c.toggle, true);
            EXPECT_EQ(ui.boxes.size(), 1u);
            EXPECT_FALSE(editor.isChecked(c.toggle));
            continue;
        }
        editor.selectPage(c.page);
        editor.selectRow(c.configuredList, -1);
        ui.clear();
        editor.selectRow(EditorList::CategoryChoice, rowOf(EditorList::CategoryChoice, "Basic (002)"));
        EXPECT_EQ(lastBox(), c.noneBox);
        EXPECT_EQ(editor.selectedRow(EditorList::CategoryChoice), -1);

        select(c.configuredList, c.builtin);
        const int category = editor.selectedRow(EditorList::CategoryChoice);
        ui.clear();
        editor.selectRow(EditorList::CategoryChoice, rowOf(EditorList::CategoryChoice, "Basic (002)"));
        if (c.page == EditorPage::AttributeValues) {
            EXPECT_TRUE(ui.boxes.empty()) << "a built-in value may change its category";
            EXPECT_EQ(editor.rowText(EditorList::CategoryChoice,
                                     editor.selectedRow(EditorList::CategoryChoice)),
                      "Basic (002)");
        } else {
            EXPECT_EQ(lastBox(), c.builtinBox);
            EXPECT_EQ(editor.selectedRow(EditorList::CategoryChoice), category) << "set back";
        }
        if (c.page != EditorPage::Entities) {
            ui.clear();
            const bool checked = editor.isChecked(c.toggle);
            editor.setChecked(c.toggle, !checked);
            EXPECT_EQ(lastBox(), c.builtinBox);
            EXPECT_EQ(editor.isChecked(c.toggle), checked) << "set back";
        }
    }
    // A built-in value's quotation may change.
    ui.clear();
    editor.selectPage(EditorPage::AttributeValues);
    select(EditorList::AttributeValues, "(zero) (002)");
    editor.setChecked(EditorToggle::CannotBeQuoted, true);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(store.option(AttributeValue, ById, 2, 0), 2);
}

TEST_F(Editor, TogglesSetTheirOptionSlots) {
    struct Case {
        EditorPage page;
        EditorList list;
        std::string row;
        int kind, id;
        EditorToggle toggle;
        bool on;
        int slot, value;
    };
    const Case cases[] = {
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::NoClosingTag, true, 0, 2},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::OptionalClosingTag, true, 0, 1},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::RequiredClosingTag, true, 0, 0},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::IgnoreToClosingTag, true, 1, 1},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::WarnIfTagHasNoAttributes, true, 3, 1},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::TagDisplayMessageWhenUsed, true, 2, 1},
        {EditorPage::TagNames, EditorList::TagBeingConfigured, "TR (003)", TagName, 3,
         EditorToggle::TagDisplayMessageWhenUsed, false, 2, 0},
        {EditorPage::Attributes, EditorList::Attributes, "ALIGN (001)", Attribute, 1,
         EditorToggle::RequiredAttribute, true, 0, 3},
        {EditorPage::Attributes, EditorList::Attributes, "ALIGN (001)", Attribute, 1,
         EditorToggle::RequiredAttribute, false, 0, 4},
        {EditorPage::Attributes, EditorList::Attributes, "ALIGN (001)", Attribute, 1,
         EditorToggle::WarnIfMissing, true, 1, 1},
        {EditorPage::Attributes, EditorList::Attributes, "ALIGN (001)", Attribute, 1,
         EditorToggle::AttributeDisplayMessageWhenUsed, true, 2, 1},
        {EditorPage::Attributes, EditorList::Attributes, "ALIGN (001)", Attribute, 1,
         EditorToggle::AttributeDisplayMessageWhenInvalid, true, 3, 1},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::MustBeDoubleQuoted, true, 0, 0},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::MayBeDoubleQuoted, true, 0, 1},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::CannotBeQuoted, true, 0, 2},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::MustBeSingleQuoted, true, 0, 8},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::MustBeSingleOrDoubleQuoted, true, 0, 9},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::MayBeSingleOrDoubleQuoted, true, 0, 7},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::CaseSensitive, true, 1, 5},
        {EditorPage::AttributeValues, EditorList::AttributeValues, "left (023)", AttributeValue,
         23, EditorToggle::CaseSensitive, false, 1, 6},
    };
    for (const Case& c : cases) {
        editor.selectPage(c.page);
        select(c.list, c.row);
        editor.setChecked(c.toggle, c.on);
        EXPECT_EQ(store.option(c.kind, ById, c.id, c.slot), c.value) << c.row << c.slot;
        EXPECT_EQ(editor.isChecked(c.toggle), c.on);
    }
    EXPECT_TRUE(ui.boxes.empty()) << lastBox();
    EXPECT_TRUE(editor.isChecked(EditorToggle::MayBeSingleOrDoubleQuoted));
    EXPECT_FALSE(editor.isChecked(EditorToggle::MustBeDoubleQuoted));
}

TEST_F(Editor, RangesTakeTagNamesInPositionOrderOnceInEitherRange) {
    select(EditorList::TagBeingConfigured, "TR (003)");
    const std::string valid = "Markwise: Tag Name Already Specifies Valid Range | That tag name "
                              "is already specified for the valid range of the tag being "
                              "configured.";
    const std::string invalid = "Markwise: Tag Name Already Specifies Invalid Range | That tag "
                                "name is already spacified for the invalid range of the tag "
                                "being configured.";
    select(EditorList::TagNames, "TR (003)");
    editor.press(EditorButton::Add);
    select(EditorList::TagNames, "TABLE (002)");
    EditorUpdate update = editor.press(EditorButton::Add);
    ASSERT_EQ(update.lists.size(), 1u);
    EXPECT_EQ(update.lists[0].list, EditorList::TagRange);
    EXPECT_EQ(update.lists[0].kind, ListChange::Kind::Inserted);
    EXPECT_EQ(update.lists[0].row, 0);
    select(EditorList::TagNames, "(everywhere) (000)");
    editor.press(EditorButton::Add);
    EXPECT_EQ(rows(EditorList::TagRange),
              (std::vector<std::string>{"(everywhere) (000)", "TABLE (002)", "TR (003)"}));
    EXPECT_TRUE(ui.boxes.empty());

    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), valid);
    editor.setChecked(EditorToggle::RangeInvalid, true);
    EXPECT_TRUE(rows(EditorList::TagRange).empty());
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), valid) << "whichever view is shown";
    select(EditorList::TagNames, "(first tag) (001)");
    editor.press(EditorButton::Add);
    editor.setChecked(EditorToggle::RangeValid, true);
    ui.clear();
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), invalid);
    EXPECT_EQ(store.listCount(TagName, ById, tr, 0), 3);
    EXPECT_EQ(store.listCount(TagName, ById, tr, 1), 1);

    // "<-" takes the selected row of the range shown.
    select(EditorList::TagRange, "TABLE (002)");
    update = editor.press(EditorButton::Remove);
    ASSERT_EQ(update.lists.size(), 1u);
    EXPECT_EQ(update.lists[0].kind, ListChange::Kind::Removed);
    EXPECT_EQ(update.lists[0].row, 1);
    EXPECT_EQ(rows(EditorList::TagRange),
              (std::vector<std::string>{"(everywhere) (000)", "TR (003)"}));

    // A built-in tag's ranges do not change.
    select(EditorList::TagBeingConfigured, "(everywhere) (000)");
    ui.clear();
    editor.press(EditorButton::Add);
    EXPECT_TRUE(lastBox().starts_with("Markwise: Cannot Perform Operation | You cannot perform "
                                      "this operation with a built-in tag name."));
    editor.selectRow(EditorList::TagBeingConfigured, -1);
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), "Markwise: Select Tag Name to be Configured | You must first select a "
                         "tag name to be configured.");
}

TEST_F(Editor, TagAttributesAndAttributeValues) {
    editor.selectPage(EditorPage::Attributes);
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    EXPECT_EQ(editor.label(config::EditorLabel::AttributesFor), "TABLE (002)");
    select(EditorList::Attributes, "ALIGN (001)");
    editor.press(EditorButton::Add);
    select(EditorList::Attributes, "(ignore all) (000)");
    editor.press(EditorButton::Add);
    EXPECT_EQ(rows(EditorList::TagAttributes),
              (std::vector<std::string>{"(ignore all) (000)", "ALIGN (001)"}));
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), "Markwise: Attribute Already In Tag Attributes List | That attribute has "
                         "already been added.");
    select(EditorList::TagAttributes, "(ignore all) (000)");
    editor.press(EditorButton::Remove);
    EXPECT_EQ(store.listCount(TagName, ById, table, 2), 1);

    // Edit Attribute Values shows the attribute being configured.
    select(EditorList::Attributes, "ALIGN (001)");
    EXPECT_TRUE(editor.press(EditorButton::EditAttributeValues).pageChanged);
    EXPECT_EQ(editor.page(), EditorPage::AttributeValues);
    EXPECT_EQ(editor.label(config::EditorLabel::ValuesFor), "ALIGN (001)");
    EXPECT_EQ(editor.selectedRow(EditorList::AttributeBeingConfigured),
              rowOf(EditorList::AttributeBeingConfigured, "ALIGN (001)"));
    select(EditorList::AttributeValues, "left (023)");
    editor.press(EditorButton::Add);
    select(EditorList::AttributeValues, "(zero) (002)");
    editor.press(EditorButton::Add);
    EXPECT_EQ(rows(EditorList::AttributeValueList),
              (std::vector<std::string>{"(zero) (002)", "left (023)"}));
    ui.clear();
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), "Markwise: Attribute Value Already In Value List | That attribute value "
                         "has already been added.");
    select(EditorList::AttributeValueList, "left (023)");
    editor.press(EditorButton::Remove);
    EXPECT_EQ(rows(EditorList::AttributeValueList), (std::vector<std::string>{"(zero) (002)"}));

    // A built-in attribute takes no values; without an attribute nothing is added.
    select(EditorList::AttributeBeingConfigured, "(ignore all) (000)");
    ui.clear();
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), "Markwise: Cannot Perform Operation | You cannot perform this operation "
                         "with a built-in attribute.");
    editor.selectRow(EditorList::AttributeBeingConfigured, -1);
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), "Markwise: Select Attribute | You must first select an attribute (this "
                         "is not an attribute value).");
    EXPECT_TRUE(shell.seriousErrors.empty());
}

TEST_F(Editor, NextAndPrevAttributeWalkTheUserDefinedAttributesAroundTheEnd) {
    editor.selectPage(EditorPage::AttributeValues);
    auto current = [this] {
        const int row = editor.selectedRow(EditorList::AttributeBeingConfigured);
        return row < 0 ? std::string("-") : editor.rowText(EditorList::AttributeBeingConfigured, row);
    };
    // Only ALIGN is user-defined.
    editor.press(EditorButton::NextAttribute);
    EXPECT_EQ(current(), "ALIGN (001)");
    editor.press(EditorButton::NextAttribute);
    EXPECT_EQ(current(), "ALIGN (001)");
    addEntry(store, Attribute, "WIDTH", basic);
    addEntry(store, Attribute, "BORDER", basic);
    editor.open();
    editor.selectPage(EditorPage::AttributeValues);
    const std::vector<std::string> forward = {"BORDER (003)", "WIDTH (002)", "ALIGN (001)",
                                              "BORDER (003)"};
    for (const std::string& expected : forward) {
        editor.press(EditorButton::NextAttribute);
        EXPECT_EQ(current(), expected);
    }
    editor.press(EditorButton::PrevAttribute);
    EXPECT_EQ(current(), "ALIGN (001)");
    editor.press(EditorButton::PrevAttribute);
    EXPECT_EQ(current(), "WIDTH (002)");
    // Starting from a built-in attribute, and from none.
    select(EditorList::AttributeBeingConfigured, "(ignore all) (000)");
    editor.press(EditorButton::PrevAttribute);
    EXPECT_EQ(current(), "WIDTH (002)");
    editor.selectRow(EditorList::AttributeBeingConfigured, -1);
    editor.press(EditorButton::PrevAttribute);
    EXPECT_EQ(current(), "WIDTH (002)");
}

TEST_F(Editor, WithOnlyBuiltInAttributesNextAttributeLeavesTheSelection) {
    store.resetToBuiltins();
    editor.configurationReplaced();
    editor.open();
    editor.selectPage(EditorPage::AttributeValues);
    select(EditorList::AttributeBeingConfigured, "(ignore all) (000)");
    editor.press(EditorButton::NextAttribute);
    EXPECT_EQ(editor.selectedRow(EditorList::AttributeBeingConfigured), 0);
    editor.selectRow(EditorList::AttributeBeingConfigured, -1);
    editor.press(EditorButton::PrevAttribute);
    EXPECT_EQ(editor.selectedRow(EditorList::AttributeBeingConfigured), -1);
}

TEST_F(Editor, CategoriesAreActivatedOnceAndBuiltInOnesNever) {
    editor.selectPage(EditorPage::Categories);
    const std::string cannot = "Markwise: Cannot Perform Operation | You cannot perform this "
                               "operation with a built-in entry.";
    select(EditorList::Categories, "(all) (000)");
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), cannot);
    select(EditorList::Categories, "(undefined) (001)");
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), cannot);
    EXPECT_EQ(store.activeCategoryCount(), 0);

    const int extra = addEntry(store, Category, "Another", -1);
    select(EditorList::Categories, "Basic (002)");
    editor.press(EditorButton::Add);
    select(EditorList::Categories, "Another (003)");
    editor.doubleClick(EditorList::Categories, rowOf(EditorList::Categories, "Another (003)"));
    EXPECT_EQ(rows(EditorList::ActiveCategories),
              (std::vector<std::string>{"Another (003)", "Basic (002)"}));
    ui.clear();
    editor.press(EditorButton::Add);
    EXPECT_EQ(lastBox(), "Markwise: Category is Already Active | The category Another (003) is "
                         "already in the Active Categories Listbox.");
    editor.doubleClick(EditorList::ActiveCategories, 0);
    EXPECT_EQ(store.isCategoryActive(extra), 0);
    EXPECT_EQ(store.isCategoryActive(basic), 1);

    // Deleting a category moves its entries to "(undefined)" and leaves the active list.
    select(EditorList::Categories, "Basic (002)");
    ui.answerWith({Answer::Yes});
    editor.press(EditorButton::Delete);
    EXPECT_TRUE(rows(EditorList::ActiveCategories).empty());
    EXPECT_EQ(store.categoryOf(TagName, ById, table), kUndefined);
    editor.selectPage(EditorPage::TagNames);
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    EXPECT_EQ(editor.rowText(EditorList::CategoryChoice,
                             editor.selectedRow(EditorList::CategoryChoice)),
              "(undefined) (001)");
}

TEST_F(Editor, CleanHtmlConfigurationCleansAndTheListsFollow) {
    const int loose = addEntry(store, TagName, "LOOSE", kUndefined);
    editor.open();
    select(EditorList::TagBeingConfigured, "LOOSE (004)");
    editor.selectPage(EditorPage::Categories);
    ui.answerWith({Answer::Yes});
    EditorUpdate update = editor.press(EditorButton::CleanConfiguration);
    EXPECT_EQ(ui.boxes[0].caption, "Markwise: Clean Configuration?");
    EXPECT_EQ(lastBox(), "Markwise: Cleaning Results | 1 tag names deleted, 1 attributes deleted, "
                         "1 attribute values deleted, and 0 entities deleted.");
    EXPECT_EQ(store.positionOf(TagName, loose), -1);
    EXPECT_TRUE(update.changed(EditorList::TagNames));
    EXPECT_EQ(editor.selectedRow(EditorList::TagBeingConfigured), -1);
    EXPECT_EQ(rows(EditorList::TagNames).size(), 4u);
}

TEST_F(Editor, EntitiesShowTheirNameAndCategoryAndTheBuiltInTables) {
    editor.selectPage(EditorPage::Entities);
    select(EditorList::Entities, "nbsp (004)");
    EXPECT_EQ(editor.text(EditorText::Name), "nbsp");
    EXPECT_EQ(editor.rowText(EditorList::CategoryChoice,
                             editor.selectedRow(EditorList::CategoryChoice)),
              "Basic (002)");
    editor.selectRow(EditorList::CategoryChoice, rowOf(EditorList::CategoryChoice, "(all) (000)"));
    EXPECT_EQ(store.categoryOf(Entity, ById, nbsp), 0);
    EXPECT_EQ(rows(EditorList::Html20Entities), (std::vector<std::string>{"amp", "lt"}));
    EXPECT_EQ(rows(EditorList::MathGreekEntities), (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(rows(EditorList::SpecialEntities), (std::vector<std::string>{"ndash", "mdash"}));
    // Selecting a tag name copies its name too.
    editor.selectPage(EditorPage::TagNames);
    select(EditorList::TagNames, "TR (003)");
    EXPECT_EQ(editor.text(EditorText::Name), "TR");
}

TEST_F(Editor, TypedTextsAreWrittenWhenTheirPageOrEntryIsLeft) {
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    editor.typeText(EditorText::TagMessageWhenUsed, "tables are for data");
    EXPECT_EQ(std::string(store.entryText(TagName, ById, table, 0)), "");
    EXPECT_EQ(editor.text(EditorText::TagMessageWhenUsed), "tables are for data");
    select(EditorList::TagBeingConfigured, "TR (003)");
    EXPECT_EQ(std::string(store.entryText(TagName, ById, table, 0)), "tables are for data");
    EXPECT_EQ(editor.text(EditorText::TagMessageWhenUsed), "");
    editor.typeText(EditorText::TagMessageWhenUsed, "rows");
    editor.selectPage(EditorPage::Attributes);
    EXPECT_EQ(std::string(store.entryText(TagName, ById, tr, 0)), "rows");

    select(EditorList::Attributes, "ALIGN (001)");
    editor.typeText(EditorText::AttributeMessageWhenUsed, "used");
    editor.typeText(EditorText::AttributeMessageWhenInvalid, "invalid");
    select(EditorList::Attributes, "(ignore all) (000)");  // texts of built-ins are editable
    EXPECT_EQ(std::string(store.entryText(Attribute, ById, align, 0)), "used");
    EXPECT_EQ(std::string(store.entryText(Attribute, ById, align, 1)), "invalid");
    editor.typeText(EditorText::AttributeMessageWhenInvalid, "never");
    editor.selectPage(EditorPage::Notes);
    EXPECT_EQ(std::string(store.entryText(Attribute, ById, 0, 1)), "never");

    editor.typeText(EditorText::Notes, std::string(70000, 'n'));
    editor.selectPage(EditorPage::TagNames);
    EXPECT_EQ(store.noteView(0).size(), 63999u);

    // Texts are cut, between characters, to what a configuration file holds: 63999 characters
    // of two bytes are more than that.
    const std::string twoBytes = "\xC3\xA9";
    std::string notes;
    for (int i = 0; i < 63999; ++i) notes += twoBytes;
    editor.selectPage(EditorPage::Notes);
    editor.typeText(EditorText::Notes, notes);
    editor.selectPage(EditorPage::TagNames);
    EXPECT_EQ(store.noteView(0), notes.substr(0, config::kMaxTextBytes));
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    editor.typeText(EditorText::TagMessageWhenUsed, "a" + notes);
    editor.selectPage(EditorPage::Categories);
    EXPECT_EQ(std::string(store.entryText(TagName, ById, table, 0)),
              ("a" + notes).substr(0, config::kMaxTextBytes - 1));
    store.setNotes(0, std::string(63999, 'n'));
    store.setEntryText(TagName, ById, table, 0, "tables are for data");
    editor.selectPage(EditorPage::TagNames);

    // A text typed the same as the stored one leaves the configuration saved.
    store.markSaved();
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    editor.typeText(EditorText::TagMessageWhenUsed, "tables are for data");
    editor.selectPage(EditorPage::Notes);
    editor.typeText(EditorText::Notes, std::string(63999, 'n'));
    editor.selectPage(EditorPage::Categories);
    EXPECT_EQ(store.isSaved(), 1);
}

TEST_F(Editor, DialogButtons) {
    // Close writes the page's texts; it saves only with automatic saving and a bound file.
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    editor.typeText(EditorText::TagMessageWhenUsed, "x");
    EXPECT_TRUE(editor.press(EditorButton::Close).closed);
    EXPECT_EQ(std::string(store.entryText(TagName, ById, table, 0)), "x");
    EXPECT_TRUE(shell.saves.empty());
    shell.autoSave = true;
    editor.press(EditorButton::Close);
    EXPECT_TRUE(shell.saves.empty()) << "no file is bound";
    store.noteSaved("rules.cfg", 0);
    editor.press(EditorButton::Close);
    EXPECT_EQ(shell.saves, std::vector<bool>{false});

    // Save Config needs a bound file.
    shell.saves.clear();
    editor.press(EditorButton::SaveConfig);
    EXPECT_EQ(shell.saves, std::vector<bool>{true});
    store.resetToBuiltins();
    editor.configurationReplaced();
    editor.open();
    editor.press(EditorButton::SaveConfig);
    EXPECT_EQ(lastBox(), "Markwise: Cannot Save Configuration | You must first load a valid "
                         "configuration or use the Save Config As Button instead.");
    EXPECT_EQ(shell.saves.size(), 1u);
    editor.press(EditorButton::SaveConfigAs);
    EXPECT_EQ(shell.savesAs, 1);

    // Enter presses New in the name box, else Close.
    editor.selectPage(EditorPage::Entities);
    editor.typeText(EditorText::Name, "shy");
    EXPECT_FALSE(editor.pressEnter(true).closed);
    EXPECT_GE(store.findFirstPosition(Entity, "shy"), 0);
    EXPECT_TRUE(editor.pressEnter(false).closed);
}

TEST_F(Editor, LoadConfigRebuildsThePageAndForgetsTheSelections) {
    editor.selectPage(EditorPage::Attributes);
    select(EditorList::TagBeingConfigured, "TABLE (002)");
    select(EditorList::Attributes, "ALIGN (001)");
    editor.typeText(EditorText::AttributeMessageWhenUsed, "kept before the question");

    shell.mayLoad = false;
    EditorUpdate update = editor.press(EditorButton::LoadConfig);
    EXPECT_FALSE(update.pageChanged);
    EXPECT_EQ(shell.loads, 0);
    EXPECT_EQ(std::string(store.entryText(Attribute, ById, align, 0)), "kept before the question");

    shell.mayLoad = true;
    shell.loadResult = 2;  // the file dialog is cancelled
    update = editor.press(EditorButton::LoadConfig);
    EXPECT_TRUE(update.pageChanged);
    EXPECT_EQ(editor.page(), EditorPage::Attributes);
    EXPECT_EQ(editor.label(config::EditorLabel::AttributesFor), "TABLE (002)");

    shell.loadResult = 1;
    update = editor.press(EditorButton::LoadConfig);
    EXPECT_TRUE(update.pageChanged);
    EXPECT_EQ(editor.page(), EditorPage::TagNames);
    for (EditorList list : {EditorList::TagBeingConfigured, EditorList::Attributes,
                            EditorList::AttributeValues, EditorList::TagNames}) {
        EXPECT_EQ(editor.selectedRow(list), -1);
    }
    EXPECT_EQ(editor.rowCount(EditorList::TagNames), 2);
    EXPECT_EQ(editor.rangeView(), 1);
}

TEST_F(Editor, WhatIsSelectedLastsFromOneOpeningToTheNext) {
    select(EditorList::TagBeingConfigured, "TR (003)");
    select(EditorList::TagNames, "TABLE (002)");
    editor.setChecked(EditorToggle::RangeInvalid, true);
    editor.selectPage(EditorPage::Attributes);
    select(EditorList::Attributes, "ALIGN (001)");
    editor.press(EditorButton::Close);

    EXPECT_TRUE(editor.open().pageChanged);
    EXPECT_EQ(editor.page(), EditorPage::TagNames);
    EXPECT_EQ(editor.rowText(EditorList::TagBeingConfigured,
                             editor.selectedRow(EditorList::TagBeingConfigured)),
              "TR (003)");
    EXPECT_EQ(editor.rowText(EditorList::TagNames, editor.selectedRow(EditorList::TagNames)),
              "TABLE (002)");
    EXPECT_TRUE(editor.isChecked(EditorToggle::RangeInvalid));
    editor.press(EditorButton::Close);

    // Entries deleted while the dialog is closed (by Clean Configuration from the main menu)
    // are let go; the other selections follow their entries.
    const int aaa = addEntry(store, TagName, "AAA", basic);
    editor.open();
    editor.press(EditorButton::Close);
    store.deleteEntry(TagName, ById, tr);
    store.deleteEntry(TagName, ById, aaa);
    editor.open();
    EXPECT_EQ(editor.selectedRow(EditorList::TagBeingConfigured), -1);
    EXPECT_EQ(editor.rowText(EditorList::TagNames, editor.selectedRow(EditorList::TagNames)),
              "TABLE (002)");

    editor.configurationReplaced();
    editor.open();
    EXPECT_EQ(editor.selectedRow(EditorList::TagNames), -1);
    EXPECT_EQ(editor.selectedRow(EditorList::Attributes), -1);
    EXPECT_TRUE(editor.isChecked(EditorToggle::RangeValid));
}

TEST_F(Editor, DoubleClicksPressTheArrows) {
    select(EditorList::TagBeingConfigured, "TR (003)");
    editor.doubleClick(EditorList::TagNames, rowOf(EditorList::TagNames, "TABLE (002)"));
    EXPECT_EQ(rows(EditorList::TagRange), (std::vector<std::string>{"TABLE (002)"}));
    editor.doubleClick(EditorList::TagRange, 0);
    EXPECT_TRUE(rows(EditorList::TagRange).empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Editor, AFailedModelOperationShowsTheSeriousErrorWithItsNumber) {
    select(EditorList::TagBeingConfigured, "TR (003)");
    select(EditorList::TagNames, "TABLE (002)");
    editor.press(EditorButton::Add);
    editor.selectPage(EditorPage::Attributes);
    select(EditorList::Attributes, "ALIGN (001)");
    editor.press(EditorButton::Add);
    editor.selectPage(EditorPage::AttributeValues);
    select(EditorList::AttributeValues, "left (023)");
    editor.press(EditorButton::Add);
    ASSERT_TRUE(shell.seriousErrors.empty());

    struct Case {
        EditorPage page;
        FailingCfgStore::Operation failing;
        std::function<void()> act;
        int number;
    };
    auto pressYes = [this](EditorButton button) {
        return [this, button] {
            ui.answerWith({Answer::Yes});
            editor.press(button);
        };
    };
    auto typeAndNew = [this](const char* name) {
        return [this, name] {
            editor.typeText(EditorText::Name, name);
            editor.press(EditorButton::New);
        };
    };
    const std::vector<Case> cases = {
        {EditorPage::Categories, FailingCfgStore::Add, typeAndNew("More"), 2},
        {EditorPage::TagNames, FailingCfgStore::Add, typeAndNew("TD"), 3},
        {EditorPage::Attributes, FailingCfgStore::Add, typeAndNew("SRC"), 4},
        {EditorPage::AttributeValues, FailingCfgStore::Add, typeAndNew("top"), 5},
        {EditorPage::Entities, FailingCfgStore::Add, typeAndNew("copy"), 15},
        {EditorPage::TagNames, FailingCfgStore::ListInsert,
         [&] {
             select(EditorList::TagNames, "TR (003)");
             editor.press(EditorButton::Add);
         },
         9},
        {EditorPage::Attributes, FailingCfgStore::ListInsert,
         [&] {
             select(EditorList::TagBeingConfigured, "TABLE (002)");
             editor.press(EditorButton::Add);
         },
         10},
        {EditorPage::AttributeValues, FailingCfgStore::ListInsert,
         [&] {
             select(EditorList::AttributeValues, "(zero) (002)");
             editor.press(EditorButton::Add);
         },
         11},
        {EditorPage::TagNames, FailingCfgStore::ListRemove,
         [&] {
             select(EditorList::TagBeingConfigured, "TR (003)");
             editor.selectRow(EditorList::TagRange, 0);
             editor.press(EditorButton::Remove);
         },
         12},
        {EditorPage::Attributes, FailingCfgStore::ListRemove,
         [&] {
             select(EditorList::TagBeingConfigured, "TR (003)");
             editor.selectRow(EditorList::TagAttributes, 0);
             editor.press(EditorButton::Remove);
         },
         13},
        {EditorPage::AttributeValues, FailingCfgStore::ListRemove,
         [&] {
             select(EditorList::AttributeBeingConfigured, "ALIGN (001)");
             editor.selectRow(EditorList::AttributeValueList, 0);
             editor.press(EditorButton::Remove);
         },
         14},
        {EditorPage::TagNames, FailingCfgStore::Delete, pressYes(EditorButton::Delete), 6},
        {EditorPage::Attributes, FailingCfgStore::Delete, pressYes(EditorButton::Delete), 7},
        {EditorPage::AttributeValues, FailingCfgStore::Delete,
         [&] {
             select(EditorList::AttributeValues, "left (023)");
             pressYes(EditorButton::Delete)();
         },
         8},
        {EditorPage::Categories, FailingCfgStore::Delete,
         [&] {
             select(EditorList::Categories, "Basic (002)");
             pressYes(EditorButton::Delete)();
         },
         1},
        {EditorPage::Entities, FailingCfgStore::Delete,
         [&] {
             select(EditorList::Entities, "nbsp (004)");
             pressYes(EditorButton::Delete)();
         },
         16},
    };
    for (const Case& c : cases) {
        editor.selectPage(c.page);
        store.failing = {c.failing};
        shell.seriousErrors.clear();
        c.act();
        store.failing.clear();
        EXPECT_EQ(shell.seriousErrors, std::vector<int>{c.number}) << c.number << " " << lastBox();
    }
    // The editor carries on: the lists still show the model.
    EXPECT_EQ(rows(EditorList::AttributeValueList), (std::vector<std::string>{"left (023)"}));
}

TEST_F(Editor, AListOfALoadedFileMayNameAnIdNoEntryHas) {
    store.listInsert(TagName, ById, tr, 0, 17, {});
    select(EditorList::TagBeingConfigured, "TR (003)");
    EXPECT_EQ(rows(EditorList::TagRange), (std::vector<std::string>{"(missing entry) (017)"}));
    editor.selectRow(EditorList::TagRange, 0);
    editor.press(EditorButton::Remove);
    EXPECT_TRUE(rows(EditorList::TagRange).empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Editor, OneRowChangesInALongListAreReportedAsRows) {
    for (int i = 0; i < 990; ++i) addEntry(store, TagName, "T" + std::to_string(i), basic);
    editor.open();
    select(EditorList::TagNames, "T500 (504)");
    ui.answerWith({Answer::Yes});
    EditorUpdate update = editor.press(EditorButton::Delete);
    for (const ListChange& change : update.lists) {
        EXPECT_EQ(change.kind, ListChange::Kind::Removed);
    }
    EXPECT_TRUE(update.changed(EditorList::TagNames));
    EXPECT_FALSE(update.changed(EditorList::Attributes));
}

TEST(EditorEntityTables, TheEnginesThreeTablesOfBuiltInNames) {
    struct Case {
        int table;
        std::size_t size;
        std::string_view first, member;
    };
    const Case cases[] = {{0, 100, "Aacute", "nbsp"}, {1, 123, "alefsym", "Omega"},
                          {2, 31, "amp", "ndash"}};
    for (const Case& c : cases) {
        std::span<const std::string_view> names = engine::builtinEntityTable(c.table);
        ASSERT_EQ(names.size(), c.size);
        EXPECT_EQ(names[0], c.first);
        EXPECT_NE(std::find(names.begin(), names.end(), c.member), names.end());
    }
    EXPECT_TRUE(engine::builtinEntityTable(3).empty());
}

}  // namespace
