// The HTML Configuration editor "DBCONFIG" offscreen: its pages and their controls, New and
// Delete, "->" and "<-", Enter's two meanings, a double-click, a refused change set back, the
// notes kept across tabs, and a list of 999 entries changed by one row.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <set>

#include "cfg_test_models.h"
#include "editor_form.h"
#include "shell_harness.h"

using config::EditorButton;
using config::EditorList;
using config::EditorText;
using config::EditorToggle;
using platform::Answer;
using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

std::string text(const QString& s) { return s.toStdString(); }

// Every static text, button, check box, radio button and group title on the page shown.
std::set<std::string> captionsOn(QWidget* page) {
    std::set<std::string> found;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) found.insert(text(label->text()));
    }
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        found.insert(text(button->text()));
    }
    for (QGroupBox* box : page->findChildren<QGroupBox*>()) found.insert(text(box->title()));
    return found;
}

int rowStartingWith(QListWidget* list, const std::string& prefix) {
    for (int row = 0; row < list->count(); ++row) {
        if (text(list->item(row)->text()).rfind(prefix, 0) == 0) return row;
    }
    return -1;
}

// Chooses a row of a combo box as a user does.
void choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void clickRow(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void doubleClickRow(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

struct Editor : ::testing::Test {
    ShellHarness h;
    void SetUp() override {
        h.writeConfiguration();
        h.shell.configuration.markSaved();
    }
};

}  // namespace

TEST_F(Editor, HasSixPagesEachAFormNamedAfterItsTemplateWithItsControls) {
    gui::EditorForm form(h.shell.configurationEditor());
    EXPECT_EQ(text(form.objectName()), "DBCONFIG");
    EXPECT_EQ(text(form.windowTitle()), "Zentrel Markwise HTML Configuration Editor");
    ASSERT_EQ(form.tabs()->count(), 6);
    Strings tabs;
    for (int i = 0; i < 6; ++i) tabs.push_back(text(form.tabs()->tabText(i)));
    EXPECT_EQ(tabs, (Strings{"Tag Names", "Attributes", "Attribute Values", "Categories",
                             "Entities", "Notes"}));
    Strings buttons;
    for (const char* name : {"close", "loadConfig", "saveConfig", "saveConfigAs", "help"}) {
        QPushButton* button = form.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        buttons.push_back(text(button->text()));
    }
    EXPECT_EQ(buttons,
              (Strings{"&Close", "Load Con&fig", "&Save Config", "Sa&ve Config As", "&Help"}));

    const struct {
        const char* name;
        std::set<std::string> captions;
    } pages[] = {
        {"DIALOGBOX2",
         {"Tag names:", "->", "<-", "Tag range:", "Ne&w Tag", "De&lete Tag", "Range View",
          "Vali&d", "Inv&alid", "Analyze", "Tag Name Being Configured", "Tag Name Category",
          "Closing Tag", "&No closing tag", "&Optional", "&Required closing tag",
          "I&gnore to closing tag", "Warn if &tag has no attributes",
          "Dis&play message when used", "&Message When Used"}},
        {"DBATTRIBUTES",
         {"Attributes:", "->", "<-", "Tag attributes:", "New A&ttribute", "Delete Attri&bute",
          "Attribute category:", "Attributes for:", "Ed&it Attribute Values", "Analyze",
          "Tag Name Being Configured", "Re&quired attribute", "&Warn if missing",
          "&Display message when used", "Dis&p. msg when doesn't validate", "M&essage When Used",
          "Message When Doesn't Validate"}},
        {"DIALOGBOX3",
         {"Attribute values:", "->", "<-", "Attribute's attribute values:", "Ne&w Value",
          "De&lete Value", "Attribute value category:", "Values for:", "Next Attribute",
          "Prev. Attribute", "Analyze", "Attribute Being Configured", "Allowable Quotation",
          "&Must be double quoted", "M&ay be double quoted", "Ca&nnot be quoted",
          "M&ust be single quoted", "Mus&t be single or double quoted",
          "Ma&y be single or double quoted", "Case sensitive"}},
        {"DIALOGBOX4",
         {"Categories:", "->", "<-", "Active categories:", "Ne&w Category", "De&lete Category",
          "Clean HTML Configuration"}},
        {"DIALOGBOX5",
         {"Character entities:", "Ne&w Entity", "De&lete Entity", "Entity category:",
          "HTML 2.0 Entities", "Math, Greek, Symbols", "Special Entities"}},
        {"DBCONFIGNOTES", {"HTML Configuration &Notes"}},
    };
    for (int i = 0; i < 6; ++i) {
        form.tabs()->setCurrentIndex(i);
        ASSERT_NE(form.page(), nullptr);
        EXPECT_EQ(text(form.page()->objectName()), pages[i].name);
        const std::set<std::string> shown = captionsOn(form.page());
        for (const std::string& caption : pages[i].captions) {
            EXPECT_TRUE(shown.count(caption)) << pages[i].name << ": " << caption;
        }
        // A page is made when its tab is chosen; the one before it is gone.
        EXPECT_EQ(form.findChildren<QWidget*>(pages[(i + 5) % 6].name).size(), 0u) << i;
    }
    form.tabs()->setCurrentIndex(4);
    EXPECT_GT(form.list(EditorList::Html20Entities)->count(), 90);
    EXPECT_EQ(form.list(EditorList::Html20Entities)->item(0)->text().toStdString(),
              h.shell.configurationEditor().rowText(EditorList::Html20Entities, 0));
}

TEST_F(Editor, EnterInTheNameBoxPressesNewAndDeleteAsksFirst) {
    gui::EditorForm form(h.shell.configurationEditor());
    form.show();
    QListWidget* tags = form.list(EditorList::TagNames);
    QComboBox* configured = form.combo(EditorList::TagBeingConfigured);
    const int before = tags->count();
    ASSERT_EQ(configured->count(), before);

    form.nameBox()->setFocus();
    QTest::keyClicks(form.nameBox(), "img");
    QTest::keyClick(form.nameBox(), Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(tags->count(), before + 1);
    EXPECT_EQ(configured->count(), before + 1);
    const int row = rowStartingWith(tags, "IMG (");
    ASSERT_GE(row, 0);
    EXPECT_EQ(tags->currentRow(), row);
    EXPECT_TRUE(tags->item(row)->isSelected());
    // The name is selected, ready for the next one.
    EXPECT_EQ(text(form.nameBox()->selectedText()), "img");
    EXPECT_EQ(h.ui.boxCount(), 0u);

    // Delete asks; No keeps the tag, Yes deletes it.
    const std::string label = text(tags->item(row)->text());
    h.ui.answerWith({Answer::No, Answer::Yes});
    form.button(EditorButton::Delete)->click();
    EXPECT_EQ(tags->count(), before + 1);
    form.button(EditorButton::Delete)->click();
    EXPECT_EQ(tags->count(), before);
    EXPECT_EQ(configured->count(), before);
    ASSERT_EQ(h.ui.boxCount(), 2u);
    EXPECT_EQ(h.ui.boxes[1].caption, "Markwise: Delete Tag Name?");
    EXPECT_EQ(h.ui.boxes[1].text, "Are you sure you want to delete the tag name \"" + label +
                                      "\"? The tag name and all its settings will no longer "
                                      "exist if deleted.");
    EXPECT_EQ(h.ui.boxes[1].buttons, platform::Buttons::YesNo);

    // Enter anywhere but the name box closes the editor.
    tags->setFocus();
    QTest::keyClick(tags, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(Editor, ArrowsAndDoubleClicksMoveTagsInAndOutOfTheRange) {
    gui::EditorForm form(h.shell.configurationEditor());
    form.show();
    form.nameBox()->setFocus();
    QTest::keyClicks(form.nameBox(), "Card");
    QTest::keyClick(form.nameBox(), Qt::Key_Return);
    QListWidget* tags = form.list(EditorList::TagNames);
    QListWidget* range = form.list(EditorList::TagRange);
    const int card = rowStartingWith(tags, "Card (");
    ASSERT_GE(card, 0);  // a name in mixed case is kept as typed
    choose(form.combo(EditorList::TagBeingConfigured), card);
    EXPECT_EQ(range->count(), 0);

    // "->" adds the tag selected on the left; a second time it is refused.
    const int everywhere = rowStartingWith(tags, "(everywhere)");
    ASSERT_GE(everywhere, 0);
    clickRow(tags, everywhere);
    EXPECT_EQ(text(form.nameBox()->text()), "(everywhere)");
    form.button(EditorButton::Add)->click();
    ASSERT_EQ(range->count(), 1);
    EXPECT_EQ(text(range->item(0)->text()), text(tags->item(everywhere)->text()));
    form.button(EditorButton::Add)->click();
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Tag Name Already Specifies Valid Range");
    EXPECT_EQ(range->count(), 1);

    // A double-click on the range removes the row, on the left adds it (to the invalid range
    // once that view is chosen).
    doubleClickRow(range, 0);
    EXPECT_EQ(range->count(), 0);
    form.toggle(EditorToggle::RangeInvalid)->click();
    EXPECT_TRUE(form.toggle(EditorToggle::RangeInvalid)->isChecked());
    EXPECT_FALSE(form.toggle(EditorToggle::RangeValid)->isChecked());
    doubleClickRow(tags, card);
    ASSERT_EQ(range->count(), 1);
    EXPECT_EQ(text(range->item(0)->text()), text(tags->item(card)->text()));
    clickRow(range, 0);
    form.button(EditorButton::Remove)->click();
    EXPECT_EQ(range->count(), 0);
}

TEST_F(Editor, ARefusedChangeIsSetBackAndTypedTextsAreKeptAcrossTabs) {
    gui::EditorForm form(h.shell.configurationEditor());
    form.show();
    QListWidget* tags = form.list(EditorList::TagNames);
    const int builtin = rowStartingWith(tags, "(everywhere)");
    choose(form.combo(EditorList::TagBeingConfigured), builtin);
    QAbstractButton* ignore = form.toggle(EditorToggle::IgnoreToClosingTag);
    ignore->click();
    EXPECT_FALSE(ignore->isChecked());
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Cannot Perform Operation");
    EXPECT_TRUE(h.shell.configuration.isSaved());

    // Notes typed on their page reach the configuration when another tab is chosen.
    form.tabs()->setCurrentIndex(5);
    QPlainTextEdit* notes = form.textBox(EditorText::Notes);
    ASSERT_NE(notes, nullptr);
    notes->setFocus();
    QTest::keyClicks(notes, "Site rules");
    QTest::keyClick(notes, Qt::Key_Return);  // a line break in the notes, not Close
    QTest::keyClicks(notes, "v2");
    EXPECT_TRUE(form.isVisible());
    form.tabs()->setCurrentIndex(0);
    EXPECT_EQ(std::string(h.shell.configuration.noteView(0)), "Site rules\nv2");
    EXPECT_FALSE(h.shell.configuration.isSaved());

    // "Ed&it Attribute Values" turns to the Attribute Values page.
    form.tabs()->setCurrentIndex(1);
    form.button(EditorButton::EditAttributeValues)->click();
    EXPECT_EQ(form.tabs()->currentIndex(), 2);
    EXPECT_EQ(text(form.page()->objectName()), "DIALOGBOX3");
}

TEST_F(Editor, AListOf999EntriesChangesByOneRow) {
    CfgStore& store = h.shell.configuration;
    const int undefined = store.entryId(Category, ByPosition, 0);
    for (int n = store.entryCount(TagName); n < 998; ++n) {
        testing_support::addEntry(store, TagName, "T" + std::to_string(n), undefined);
    }
    gui::EditorForm form(h.shell.configurationEditor());
    form.show();
    QListWidget* tags = form.list(EditorList::TagNames);
    ASSERT_EQ(tags->count(), 998);
    QListWidgetItem* first = tags->item(0);
    QListWidgetItem* last = tags->item(997);

    form.nameBox()->setFocus();
    QTest::keyClicks(form.nameBox(), "ZZZ");
    QTest::keyClick(form.nameBox(), Qt::Key_Return);
    ASSERT_EQ(tags->count(), 999);
    EXPECT_EQ(form.combo(EditorList::TagBeingConfigured)->count(), 999);
    // The rows that were there are the same items: only the new one was put in.
    EXPECT_EQ(tags->item(0), first);
    EXPECT_EQ(tags->item(tags->row(last)), last);
    EXPECT_GE(tags->row(last), 997);

    // The limit.
    QTest::keyClicks(form.nameBox(), "MORE");
    QTest::keyClick(form.nameBox(), Qt::Key_Return);
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Limit Reached");
    EXPECT_EQ(h.ui.lastBox().text, "There is a limit of 999 entries.");
    EXPECT_EQ(tags->count(), 999);

    // Deleting one takes out one row.
    h.ui.answerWith({Answer::Yes});
    const int zzz = rowStartingWith(tags, "ZZZ (");
    clickRow(tags, zzz);
    form.button(EditorButton::Delete)->click();
    EXPECT_EQ(tags->count(), 998);
    EXPECT_EQ(tags->item(0), first);
    EXPECT_EQ(tags->item(997), last);
}
