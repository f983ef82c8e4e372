// The options dialog and the default-tool dialog, driven through their controllers with a
// recorded form.
#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include "shell/options_dialog.h"
#include "shell_harness.h"

using platform::Answer;
using shell::OptionsPage;
using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

// A form that holds the visible page's field texts as a user would have typed them.
class RecordedForm : public shell::OptionsDialogView {
public:
    std::vector<OptionsPage> shown;
    std::map<std::string, std::string, std::less<>> fields;
    std::vector<std::string> selected;

    void showPage(OptionsPage page, const options::Options& working) override {
        shown.push_back(page);
        fields.clear();
        for (const shell::TextFieldInfo& field : shell::textFields(page)) {
            const options::OptionInfo* info = options::findOption(field.option);
            fields[std::string(field.option)] = options::storedValue(working, *info);
        }
    }
    std::string fieldText(std::string_view option) const override {
        auto found = fields.find(option);
        return found == fields.end() ? std::string() : found->second;
    }
    void setFieldText(std::string_view option, const std::string& text) override {
        fields[std::string(option)] = text;
    }
    void selectField(std::string_view option) override { selected.emplace_back(option); }
};

struct OptionsDialog : ::testing::Test {
    ShellHarness h;
    RecordedForm form;
    shell::OptionsDialogController dialog{h.shell, form};
    void SetUp() override {
        h.writeConfiguration();  // the default configuration exists
        h.shell.options.optionsSaved = 1;
        h.shell.options.AutoSave = 0;
    }
};

}  // namespace

TEST_F(OptionsDialog, NumberFieldsAreHeldWithinTheirLimitsWithoutAMessage) {
    const struct {
        const char* option;
        const char* typed;
        int stored;
    } cases[] = {
        {"MaximumErrors", "0", 1},         {"MaximumErrors", "12345", 9999},
        {"MaximumErrors", "250", 250},     {"MaximumWarnings", "-4", 1},
        {"MaximumWarnings", "abc", 1},     {"LineLength", "5", 20},
        {"LineLength", "1000", 999},       {"LineLength", " 80 cols", 80},
        {"MaximumErrors", "00000000000000000012", 1},  // only 19 characters are read
        {"MaximumErrors", "99999999999999999999", 9999},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell::clampedNumber(c.option, c.typed), c.stored) << c.option << " " << c.typed;
        dialog.open(OptionsPage::Validator);
        form.fields[c.option] = c.typed;
        ASSERT_TRUE(dialog.ok());
        const options::OptionInfo* info = options::findOption(c.option);
        EXPECT_EQ(h.shell.options.*info->intField, c.stored) << c.option << " " << c.typed;
    }
    EXPECT_EQ(h.ui.boxCount(), 0u);
}

TEST_F(OptionsDialog, CancelDropsTheWorkingCopies) {
    const options::Options before = h.shell.options;
    dialog.open(OptionsPage::Program);
    dialog.checkBoxClicked("UseVALFilesInstead", true);
    dialog.radioClicked("Language", 1);
    form.fields["OutputFilename"] = "/elsewhere/out.txt";
    dialog.selectTab(OptionsPage::Validator);
    dialog.checkBoxClicked("CheckNesting", false);
    form.fields["MaximumErrors"] = "3";
    dialog.selectTab(OptionsPage::Logging);
    EXPECT_TRUE(dialog.changed());
    EXPECT_EQ(dialog.working().CheckNesting, 0);
    EXPECT_EQ(dialog.working().MaximumErrors, 3);
    EXPECT_EQ(dialog.working().OutputFilename, "/elsewhere/out.txt");
    dialog.cancel();
    EXPECT_EQ(h.shell.options.UseVALFilesInstead, before.UseVALFilesInstead);
    EXPECT_EQ(h.shell.options.Language, 0);
    EXPECT_EQ(h.shell.options.CheckNesting, 1);
    EXPECT_EQ(h.shell.options.MaximumErrors, 25);
    EXPECT_EQ(h.shell.options.OutputFilename, before.OutputFilename);
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
    EXPECT_EQ(h.shell.lastOptionsPage, OptionsPage::Logging);
    EXPECT_EQ(form.shown, (std::vector<OptionsPage>{OptionsPage::Program, OptionsPage::Validator,
                                                    OptionsPage::Logging}));
}

TEST_F(OptionsDialog, OkCopiesTheChangesAndMarksThemUnsaved) {
    dialog.open(OptionsPage::Program);
    EXPECT_FALSE(dialog.changed());
    dialog.radioClicked("ConvertToFileType", 2);  // the value it has: no change
    EXPECT_FALSE(dialog.changed());
    dialog.radioClicked("ConvertToFileType", 0);
    EXPECT_TRUE(dialog.changed());
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.ConvertToFileType, 0);
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
    EXPECT_TRUE(h.settings.writes.empty());  // no automatic save

    // Typed changes count as changes too; a field holding what the record holds does not.
    for (const char* typed : {"25", "30"}) {
        h.shell.options.optionsSaved = 1;
        dialog.open(OptionsPage::Validator);
        form.fields["MaximumWarnings"] = typed;
        dialog.ok();
        EXPECT_EQ(h.shell.options.optionsSaved, std::string(typed) == "25" ? 1 : 0) << typed;
    }

    // A file name that differs only in case names another file: a change.
    h.shell.options.optionsSaved = 1;
    dialog.open(OptionsPage::Program);
    std::string upper = h.shell.options.OutputFilename;
    upper.back() = static_cast<char>(std::toupper(static_cast<unsigned char>(upper.back())));
    form.fields["OutputFilename"] = upper;
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.OutputFilename, upper);
    EXPECT_EQ(h.shell.options.optionsSaved, 0);

    // With automatic saving the options are stored at once, without a notice.
    h.shell.options.AutoSave = 1;
    dialog.open(OptionsPage::Logging);
    dialog.checkBoxClicked("EnableLogging", true);
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
    EXPECT_EQ(h.settings.user["SOFTWARE\\Brightfold\\Zentrel Markwise"]["EnableLogging"], "1");
    EXPECT_EQ(h.ui.boxCount(), 0u);
}

TEST_F(OptionsDialog, SaveKeepsTheDialogOpenAndOkAfterItChangesNothing) {
    dialog.open(OptionsPage::Program);
    dialog.checkBoxClicked("MaximizeViewer", true);
    form.fields["ViewerFilename"] = "my-viewer";
    dialog.save();
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Success");
    EXPECT_EQ(h.ui.lastBox().text, "The options have been successfully saved.");
    EXPECT_EQ(h.shell.options.ViewerFilename, "my-viewer");
    EXPECT_EQ(h.shell.options.MaximizeViewer, 1);
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
    EXPECT_FALSE(dialog.changed());
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
}

TEST_F(OptionsDialog, AFailedSaveLeavesTheChangedRecordUnsaved) {
    h.settings.everyWriteFails = true;
    // Nothing changed: the failure is reported and the flag stays as it was.
    dialog.open(OptionsPage::Program);
    dialog.save();
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Error Saving Options to Registry");
    EXPECT_EQ(h.shell.options.optionsSaved, 1);

    // A typed change that the store did not take is still unsaved after Cancel, and after OK.
    for (bool ok : {false, true}) {
        h.shell.options.optionsSaved = 1;
        dialog.open(OptionsPage::Validator);
        form.fields["MaximumErrors"] = ok ? "40" : "30";
        dialog.save();
        EXPECT_EQ(h.shell.options.MaximumErrors, ok ? 40 : 30);
        EXPECT_EQ(h.shell.options.optionsSaved, 0) << ok;
        if (ok) {
            ASSERT_TRUE(dialog.ok());
        } else {
            dialog.cancel();
        }
        EXPECT_EQ(h.shell.options.optionsSaved, 0) << ok;
    }
}

TEST_F(OptionsDialog, AMissingDefaultConfigurationIsPointedOutOnOk) {
    const std::string notice =
        "The default configuration file cannot be found. Make sure that a valid filename with "
        "path information is entered for the default configuration file if the program options "
        "are saved. This is to ensure that the configuration will be available the next time "
        "Markwise is restarted.";
    dialog.open(OptionsPage::Program);
    form.fields["DefaultConfigurationFilenameV25"] = "/no/such.cfg";
    dialog.selectTab(OptionsPage::Logging);
    // OK in the notice: back on the Program page with the field selected, nothing copied.
    h.ui.answerWith({Answer::Ok});
    EXPECT_FALSE(dialog.ok());
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Notice");
    EXPECT_EQ(h.ui.lastBox().text, notice);
    EXPECT_EQ(h.ui.lastBox().buttons, platform::Buttons::OkCancel);
    EXPECT_EQ(dialog.page(), OptionsPage::Program);
    EXPECT_EQ(form.shown.back(), OptionsPage::Program);
    EXPECT_EQ(form.selected, Strings{"DefaultConfigurationFilenameV25"});
    EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25, h.file("mkwise25.cfg"));
    // Cancel in the notice goes on: the name is taken, the load question is not asked.
    h.ui.answerWith({Answer::Cancel});
    EXPECT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25, "/no/such.cfg");
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
    EXPECT_EQ(h.ui.boxCount(), 2u);
}

TEST_F(OptionsDialog, ANewDefaultConfigurationCanBeLoadedAtOnce) {
    const std::string other = h.writeConfiguration("other.cfg", false);
    for (Answer answer : {Answer::No, Answer::Yes}) {
        h.ui.clear();
        h.shell.options.DefaultConfigurationFilenameV25 = h.file("mkwise25.cfg");
        dialog.open(OptionsPage::Program);
        form.fields["DefaultConfigurationFilenameV25"] = other;
        h.ui.answerWith({answer});
        ASSERT_TRUE(dialog.ok());
        ASSERT_GE(h.ui.boxCount(), 1u);
        EXPECT_EQ(h.ui.boxes[0].caption, "Markwise: Load HTML Configuration File Now?");
        EXPECT_EQ(h.ui.boxes[0].text,
                  "The default HTML Configuration file has changed. Do you want to load it now?");
        EXPECT_EQ(std::string(h.shell.configuration.fileName()),
                  answer == Answer::Yes ? other : h.file("mkwise25.cfg"));
        if (answer == Answer::Yes) {
            EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Success");
        }
    }
    // The same name is no change; a name that differs only in letter case is another file here.
    h.ui.clear();
    h.shell.options.DefaultConfigurationFilenameV25 = other;
    h.shell.options.optionsSaved = 1;
    dialog.open(OptionsPage::Program);
    form.fields["DefaultConfigurationFilenameV25"] = other;
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
    EXPECT_EQ(h.ui.boxCount(), 0u);

    std::string upper = other;
    upper.replace(upper.size() - 9, 9, "OTHER.CFG");
    const std::string otherCase = h.writeConfiguration("OTHER.CFG", false);
    ASSERT_EQ(otherCase, upper);
    dialog.open(OptionsPage::Program);
    form.fields["DefaultConfigurationFilenameV25"] = upper;
    h.ui.answerWith({Answer::No});
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25, upper);
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
    ASSERT_GE(h.ui.boxCount(), 1u);
    EXPECT_EQ(h.ui.boxes[0].caption, "Markwise: Load HTML Configuration File Now?");
}

TEST_F(OptionsDialog, BrowseButtonsUseTheirDialogsAndMarkAChange) {
    const struct {
        const char* option;
        const char* title;
        const char* firstFilter;
        bool save;
        std::size_t filters;
    } cases[] = {
        {"DefaultConfigurationFilenameV25", "Specify Configuration File and Click Open",
         "Markwise Config Files (*.cfg)", false, 1},
        {"OutputFilename", "Specify Output File and Click Save", "Markwise Output Files (*.txt)",
         true, 1},
        {"ViewerFilename", "Specify Output Viewer Program and Click Open", "Application (*.exe)",
         false, 2},
        {"EditorFilename", "Specify Document Editor Program and Click Open",
         "Application (*.exe)", false, 2},
        {"LogFilename", "Specify Log File and Click Save", "Text Document (*.txt)", true, 2},
    };
    for (const auto& c : cases) {
        const OptionsPage page =
            std::string(c.option) == "LogFilename" ? OptionsPage::Logging : OptionsPage::Program;
        dialog.open(page);
        // Cancelled: nothing changes.
        dialog.browse(c.option);
        EXPECT_FALSE(dialog.changed());
        const platform::FileDialogRequest& request =
            c.save ? h.ui.saveRequests.back() : h.ui.openRequests.back();
        EXPECT_EQ(request.title, c.title);
        EXPECT_EQ(request.filters.size(), c.filters);
        EXPECT_EQ(request.filters[0].label, c.firstFilter);
        EXPECT_EQ(request.mustExist, !c.save);
        EXPECT_EQ(request.initialPath, form.fieldText(c.option));
        if (c.filters == 2) {
            EXPECT_EQ(request.filters[1].label, "All Files (*.*)");
        }

        if (c.save) {
            h.ui.saveChooses("/picked/file");
        } else {
            h.ui.openChooses("/picked/file");
        }
        dialog.browse(c.option);
        EXPECT_TRUE(dialog.changed()) << c.option;
        EXPECT_EQ(form.fieldText(c.option), "/picked/file");
        dialog.cancel();
    }
}

TEST_F(OptionsDialog, HelpOpensThePageOfTheVisibleTab) {
    std::filesystem::create_directories(h.file("help"));
    h.dir.write("help/options.html", "");
    dialog.open(OptionsPage::Validator);
    dialog.help();
    dialog.selectTab(OptionsPage::Logging);
    dialog.help();
    ASSERT_EQ(h.browser.opened.size(), 2u);
    EXPECT_NE(h.browser.opened[0].find("#validator-options"), std::string::npos);
    EXPECT_NE(h.browser.opened[1].find("#logging-options"), std::string::npos);
}

TEST_F(OptionsDialog, ThePagesShowTheDesignedControls) {
    Strings tabs;
    for (const shell::PageInfo& page : shell::optionsPages()) tabs.emplace_back(page.tab);
    EXPECT_EQ(tabs, (Strings{"Program", "Validator", "Logging"}));
    EXPECT_EQ(shell::pageInfo(OptionsPage::Program).name, "DIALOGBOX1GENERAL");
    EXPECT_EQ(shell::pageInfo(OptionsPage::Validator).name, "DIALOGBOX1VALIDATOR");
    EXPECT_EQ(shell::pageInfo(OptionsPage::Logging).name, "DIALOGBOXLOGGING");
    EXPECT_EQ(shell::checkBoxes(OptionsPage::Program).size(), 7u);
    // The program's 23 validator check boxes, then those of today's HTML.
    const auto validator = shell::checkBoxes(OptionsPage::Validator);
    ASSERT_EQ(validator.size(), 27u);
    EXPECT_EQ(validator[0].label, "Check HTML tag &nesting");
    EXPECT_EQ(validator[22].label, "(first tag) can be anywhere");
    EXPECT_EQ(validator[23].label, "Accept XML-style empty tags <br/>");
    EXPECT_EQ(validator[26].option, "CheckDuplicateIds");
    EXPECT_EQ(shell::checkBoxes(OptionsPage::Logging).size(), 4u);
    // Every control names an option of the right kind.
    for (const shell::PageInfo& page : shell::optionsPages()) {
        for (const shell::CheckBoxInfo& box : shell::checkBoxes(page.page)) {
            const options::OptionInfo* info = options::findOption(box.option);
            ASSERT_NE(info, nullptr) << box.option;
            EXPECT_EQ(info->type, options::OptionType::OnOff) << box.option;
        }
        for (const shell::TextFieldInfo& field : shell::textFields(page.page)) {
            ASSERT_NE(options::findOption(field.option), nullptr) << field.option;
        }
    }
    EXPECT_EQ(shell::radioGroups(OptionsPage::Program)[0].caption,
              "Convert Text File Format Tool Converts To");
    EXPECT_EQ(shell::radioGroups(OptionsPage::Program)[0].buttons[2].label, "UNi&X (LF)");
    EXPECT_EQ(shell::radioGroups(OptionsPage::Program)[1].caption, "Language Enhancements");
}

TEST(ToolDialog, RadioButtonsAndTheCheckBoxActAtOnceAndCancelPutsThemBack) {
    ShellHarness h;
    options::Options& o = h.shell.options;
    o.optionsSaved = 1;
    shell::ToolDialogController dialog(h.shell);
    dialog.open();
    EXPECT_EQ(dialog.selectedTool(), 2);
    EXPECT_FALSE(dialog.dontShowChecked());
    dialog.toolClicked(4);
    dialog.dontShowClicked(true);
    EXPECT_EQ(o.DefaultDragAndDropTool, 4);
    EXPECT_EQ(o.ShowTOOLDBWhenFilesDropped, 0);
    EXPECT_EQ(o.optionsSaved, 0);
    EXPECT_EQ(dialog.cancel(), shell::kDialogCancel);
    EXPECT_EQ(o.DefaultDragAndDropTool, 2);
    EXPECT_EQ(o.ShowTOOLDBWhenFilesDropped, 1);
    EXPECT_EQ(o.optionsSaved, 1);

    dialog.open();
    dialog.toolClicked(5);
    EXPECT_EQ(dialog.ok(), shell::kDialogOk);
    EXPECT_EQ(o.DefaultDragAndDropTool, 5);
    EXPECT_EQ(o.optionsSaved, 0);

    Strings labels;
    for (const shell::RadioInfo& button : shell::toolButtons()) labels.emplace_back(button.label);
    EXPECT_EQ(labels, (Strings{"&Lowercase", "&Uppercase", "&Strip HTML Tags", "&Template",
                               "&Convert File Format"}));
}

// A file name is read back as at most 255 bytes, and never cut inside a character.
TEST_F(OptionsDialog, ALongFileNameIsCutBeforeACharacterItCannotHoldWhole) {
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "\xC3\xA9";
    dialog.open(OptionsPage::Program);
    form.fields["ViewerFilename"] = "ab" + accents;
    ASSERT_TRUE(dialog.ok());
    EXPECT_EQ(h.shell.options.ViewerFilename, "ab" + accents.substr(0, 252));
}
