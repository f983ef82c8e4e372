// Clean Configuration and the HTML Configuration editor as the program runs them, through the
// fakes: the main window's help, boxes and configuration commands behind the editor's buttons,
// the editor letting go of its entries when the configuration is loaded or reset, and -2
// saving what the editor changed.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/editor.h"
#include "engine/entity_tables.h"
#include "shell/commands.h"
#include "shell/menu.h"
#include "shell/startup.h"
#include "shell_harness.h"

namespace fs = std::filesystem;
using config::EditorButton;
using config::EditorList;
using config::EditorPage;
using config::EditorText;
using platform::Answer;
using platform::Icon;
using testing_support::readFile;
using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

// Makes a user-defined tag name through the editor, as a user would; returns its row.
int newTag(config::EditorController& editor, const std::string& name) {
    editor.selectPage(EditorPage::TagNames);
    editor.typeText(EditorText::Name, name);
    editor.press(EditorButton::New);
    return editor.selectedRow(EditorList::TagNames);
}

}  // namespace

TEST(CleanConfiguration, TheMenuAsksThenCleansAndCounts) {
    ShellHarness h;
    h.writeConfiguration();
    config::EditorController& editor = h.shell.configurationEditor();
    newTag(editor, "BLINK");
    const int before = h.shell.configuration.entryCount(TagName);

    h.ui.answerWith({Answer::No});
    shell::runMenuCommand(h.shell, shell::command::kCleanConfiguration);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Clean Configuration?"});
    EXPECT_EQ(h.ui.lastBox().icon, Icon::Question);
    EXPECT_EQ(h.shell.configuration.entryCount(TagName), before);

    h.ui.clear();
    h.ui.answerWith({Answer::Yes});
    shell::runMenuCommand(h.shell, shell::command::kCleanConfiguration);
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Clean Configuration?", "Markwise: Cleaning Results"}));
    EXPECT_EQ(h.ui.lastBox().text,
              "1 tag names deleted, 0 attributes deleted, 0 attribute values deleted, and 0 "
              "entities deleted.");
    EXPECT_EQ(h.ui.lastBox().icon, Icon::Information);
    EXPECT_EQ(h.shell.configuration.entryCount(TagName), before - 1);
}

TEST(EditorPort, HelpBoxesAndEntityTablesComeFromTheProgram) {
    ShellHarness h;
    fs::create_directories(h.file("help"));
    h.dir.write("help/editor.html", "<html></html>");
    config::EditorController& editor = h.shell.configurationEditor();
    EXPECT_EQ(&editor, &h.shell.configurationEditor());  // one for the life of the program
    editor.open();
    const struct {
        EditorPage page;
        const char* anchor;
    } pages[] = {
        {EditorPage::TagNames, "#tag-names-editor"},
        {EditorPage::Attributes, "#attributes-editor"},
        {EditorPage::AttributeValues, "#attribute-values-editor"},
        {EditorPage::Categories, "#html-categories-editor"},
        {EditorPage::Entities, "#character-entities-editor"},
        {EditorPage::Notes, "#html-configuration-notes-editor"},
    };
    for (const auto& p : pages) {
        editor.selectPage(p.page);
        editor.press(EditorButton::Help);
        EXPECT_EQ(h.browser.opened.back(), "file://" + h.file("help/editor.html") + p.anchor);
    }
    EXPECT_EQ(h.ui.boxCount(), 0u);

    for (int table = 0; table < 3; ++table) {
        const auto names = engine::builtinEntityTable(table);
        const auto list = static_cast<EditorList>(static_cast<int>(EditorList::Html20Entities) + table);
        ASSERT_EQ(editor.rowCount(list), static_cast<int>(names.size()));
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(editor.rowText(list, 0), std::string(names[0]));
    }

    // The boxes of the editor are the program's own.
    editor.selectPage(EditorPage::TagNames);
    editor.press(EditorButton::Delete);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Must Select Entry"});
}

TEST(EditorPort, SaveConfigSavesToTheFileOrSaysWhyNot) {
    ShellHarness h;
    config::EditorController& editor = h.shell.configurationEditor();
    editor.open();
    // The built-in configuration belongs to no file.
    editor.press(EditorButton::SaveConfig);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Cannot Save Configuration"});
    EXPECT_EQ(h.ui.lastBox().text,
              "You must first load a valid configuration or use the Save Config As Button "
              "instead.");

    const std::string file = h.writeConfiguration();
    newTag(editor, "BLINK");
    ASSERT_FALSE(h.shell.configuration.isSaved());
    h.ui.clear();
    editor.press(EditorButton::SaveConfig);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Success"});
    EXPECT_EQ(h.ui.lastBox().text, "The HTML Configuration has been successfully saved.");
    EXPECT_TRUE(h.shell.configuration.isSaved());
    EXPECT_NE(readFile(file).find("BLINK"), std::string::npos);

    // Save Config As: the save dialog of the main window's command.
    h.ui.clear();
    h.ui.saveChooses(h.file("copy"));
    h.ui.answerWith({Answer::Ok, Answer::No});
    editor.press(EditorButton::SaveConfigAs);
    ASSERT_EQ(h.ui.saveRequests.size(), 1u);
    EXPECT_EQ(h.ui.saveRequests[0].title, "Specify HTML Configuration File and Click Save");
    EXPECT_TRUE(fs::exists(h.file("copy.cfg")));

    // Close with automatic saving: saved to its file without a word.
    newTag(editor, "MARQUEE");
    h.shell.options.AutoSaveHTMLConfiguration = 1;
    h.ui.clear();
    EXPECT_TRUE(editor.press(EditorButton::Close).closed);
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(h.shell.configuration.isSaved());
    EXPECT_NE(readFile(h.shell.configuration.fileName()).find("MARQUEE"), std::string::npos);
}

TEST(EditorPort, LoadingOrResettingTheConfigurationLetsGoOfTheEditorsEntries) {
    ShellHarness h;
    const std::string file = h.writeConfiguration();
    config::EditorController& editor = h.shell.configurationEditor();
    editor.open();
    const int row = newTag(editor, "BLINK");
    editor.selectRow(EditorList::TagBeingConfigured, row);
    ASSERT_EQ(editor.selectedRow(EditorList::TagBeingConfigured), row);

    // Load Config: the unsaved-changes question, the open dialog, the loaded file.
    h.ui.answerWith({Answer::Yes});
    h.ui.openChooses(file);
    const config::EditorUpdate update = editor.press(EditorButton::LoadConfig);
    EXPECT_TRUE(update.pageChanged);
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Load HTML Configuration?", "Markwise: Success"}));
    EXPECT_EQ(h.ui.openRequests.at(0).title, "Specify HTML Configuration File and Click Open");
    EXPECT_EQ(editor.selectedRow(EditorList::TagBeingConfigured), -1);
    EXPECT_EQ(editor.selectedRow(EditorList::TagNames), -1);

    // The menu's reset and load, while the editor is closed, do the same.
    for (int command : {shell::command::kResetConfiguration, shell::command::kLoadConfiguration}) {
        const int again = newTag(editor, "BLINK");
        editor.selectRow(EditorList::TagBeingConfigured, again);
        editor.press(EditorButton::Close);
        h.ui.clear();
        h.ui.answerWith({Answer::Yes});
        h.ui.openChooses(file);
        shell::runMenuCommand(h.shell, command);
        editor.open();
        EXPECT_EQ(editor.selectedRow(EditorList::TagBeingConfigured), -1) << command;
        EXPECT_EQ(editor.text(EditorText::TagMessageWhenUsed), "") << command;
    }
}

TEST(EditorPort, TheEditorOfMinusTwoSavesConfigurationAndOptionsWhenItCloses) {
    ShellHarness h;
    const std::string file = h.writeConfiguration("mkwise25.cfg", false);
    h.shell.options.optionsSaved = 0;
    h.window.editorDialog = [](shell::Shell& shell) {
        config::EditorController& editor = shell.configurationEditor();
        editor.open();
        newTag(editor, "BLINK");
        editor.press(EditorButton::Close);
        return shell::kDialogOk;
    };
    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "-2"));
    EXPECT_EQ(h.window.editorDialogs, 1);
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(h.shell.configuration.isSaved());
    EXPECT_NE(readFile(file).find("BLINK"), std::string::npos);
    EXPECT_FALSE(h.settings.writes.empty());
    EXPECT_EQ(h.shell.options.optionsSaved, 1);

    // A window that cannot show the editor: the dialog-box error, then the general one.
    h.window.editorDialog = nullptr;
    h.window.editorResults = {shell::kDialogNotOpened};
    EXPECT_FALSE(shell::dispatchCommandLine(h.shell, "-2"));
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Dialog Box Error", "Markwise: Error"}));
}
