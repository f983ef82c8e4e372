// Start-up, the command dispatcher with every option, the editor notification, the single-
// instance rule and the exit procedure, through the fakes.
#include <gtest/gtest.h>

#include <filesystem>

#include "shell/startup.h"
#include "shell_harness.h"

namespace fs = std::filesystem;
using platform::Answer;
using platform::Buttons;
using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

const std::string kGeneralError = "Markwise: Error";
constexpr const char* kPage = "<html><body><p>Hello</p></body></html>\n";

class FakeFrontend : public shell::Frontend {
public:
    bool windowCreated = true;
    bool cursorLoaded = true;
    int shows = 0;
    int loops = 0;
    std::function<void(int)> duringLoop;  // called with the loop's number, from 1

    bool createMainWindow() override { return windowCreated; }
    bool loadWaitCursor() override { return cursorLoaded; }
    void showMainWindow() override { ++shows; }
    int runEventLoop() override {
        ++loops;
        if (duringLoop) duringLoop(loops);
        return 0;
    }
};

}  // namespace

TEST(CommandLine, TheArgumentsAreJoinedAndTakenApart) {
    EXPECT_EQ(shell::commandLineText({}), "");
    EXPECT_EQ(shell::commandLineText({"-E,Cls,12", "my page.htm"}), "-E,Cls,12 my page.htm");
    const struct {
        std::string line;
        char option;
        std::string word;
        std::string argument;
    } cases[] = {
        {"page.htm", 0, "", "page.htm"},
        {"my page.htm", 0, "", "my page.htm"},
        {"-", 0, "", "-"},
        {"-L page.htm", 'L', "-L", "page.htm"},
        {"-l page.htm", 'L', "-l", "page.htm"},
        {"-Lxyz \t my page.htm", 'L', "-Lxyz", "my page.htm"},
        {"-1", '1', "-1", ""},
        {"-e,Cls,12 doc", 'E', "-e,Cls,12", "doc"},
        {"-\"x", '"', "-\"x", ""},
    };
    for (const auto& c : cases) {
        const shell::ParsedCommandLine parsed = shell::parseCommandLine(c.line);
        EXPECT_EQ(parsed.option, c.option) << c.line;
        EXPECT_EQ(parsed.word, c.word) << c.line;
        EXPECT_EQ(parsed.argument, c.argument) << c.line;
    }
}

TEST(CommandLine, EditorFieldsLieInsideTheOptionWord) {
    const struct {
        std::string line;
        bool complete;
        std::string windowClass;
        int message;
    } cases[] = {
        {"-E,MyEditorClass,12 page.htm", true, "MyEditorClass", 1036},
        {"-E,Cls,0 page.htm", true, "Cls", 1024},
        {"-E,Cls,12,extra page.htm", true, "Cls", 1036},
        // Letters after the option letter are ignored, as for every option.
        {"-Exyz,Cls,12 page.htm", true, "Cls", 1036},
        {"-exyz,Cls,12 page.htm", true, "Cls", 1036},
        {"-Exyz page.htm", false, "", 0},
        {"-E,Cls,-24 page.htm", true, "Cls", 1000},
        // Past the largest message number the message saturates.
        {"-E,Cls,2147482623 page.htm", true, "Cls", 2147483647},
        {"-E,Cls,2147483647 page.htm", true, "Cls", 2147483647},
        {"-E,Cls,99999999999 page.htm", true, "Cls", 2147483647},
        {"-E MyEditorClass 12 page.htm", false, "", 0},
        {"-E,MyEditorClass 12 page.htm", false, "", 0},
        {"-E,MyEditorClass, page.htm", false, "", 0},
        {"-E,,12 page.htm", false, "", 0},
        {"-E", false, "", 0},
    };
    for (const auto& c : cases) {
        const auto target = shell::parseEditorOption(shell::parseCommandLine(c.line));
        ASSERT_EQ(target.has_value(), c.complete) << c.line;
        if (target) {
            EXPECT_EQ(target->windowClass, c.windowClass) << c.line;
            EXPECT_EQ(target->message, c.message) << c.line;
        }
    }
}

TEST(Dispatcher, ADocumentNameIsValidatedEvenWithAnotherInstanceOpen) {
    ShellHarness h;
    h.writeConfiguration("mkwise25.cfg", false);
    h.dir.write("my page.htm", kPage);
    h.shell.otherInstanceFound = true;
    h.shell.commandLineMode = true;
    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "my page.htm"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(h.processes.starts.size(), 1u);  // the viewer
    EXPECT_TRUE(fs::exists(h.file("output.txt")));
    EXPECT_EQ(h.shell.options.LastOpenedHTMLFilename, "my page.htm");

    // A name in quotes keeps them and cannot be opened: the error, then the general one.
    h.ui.clear();
    EXPECT_FALSE(shell::dispatchCommandLine(h.shell, "\"my page.htm\""));
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Document", kGeneralError}));
    EXPECT_EQ(h.ui.lastBox().text, shell::kGeneralErrorText);
}

TEST(Dispatcher, AnUnknownOptionShowsTheUsageTextAndNothingElse) {
    ShellHarness h;
    EXPECT_FALSE(shell::dispatchCommandLine(h.shell, "-Q page.htm"));
    ASSERT_EQ(h.ui.boxCount(), 1u);
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Invalid Command Line");
    const std::string& usage = h.ui.lastBox().text;
    EXPECT_EQ(usage.substr(0, 52), "Markwise could not determine what you want to do.\n\nM");
    EXPECT_NE(usage.find("\n\n<program name> -C <text document>\n to use the convert text file "
                         "format tool on the text document\n\nPlease see the help file for more "
                         "detailed information."),
              std::string::npos);
    EXPECT_EQ(usage.find("\\n"), std::string::npos);
}

TEST(Dispatcher, ToolOptionsHandTheArgumentToTheTool) {
    for (const char* option : {"-L", "-u", "-S", "-Txyz", "-C"}) {
        ShellHarness h;
        h.shell.commandLineMode = true;
        EXPECT_FALSE(shell::dispatchCommandLine(h.shell, std::string(option) + " a page.htm"));
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Locating File", kGeneralError})) << option;
        EXPECT_EQ(h.ui.boxes[0].text,
                  "There was an error trying to locate the file \"a page.htm\". Markwise cannot "
                  "continue with this operation.");
    }
}

TEST(Dispatcher, EditorFormsValidateIntoValFilesAndNotifyWithTheFullPath) {
    ShellHarness h;
    h.writeConfiguration("mkwise25.cfg", false);
    fs::create_directories(h.file("web"));
    h.dir.write("web/page.htm", kPage);
    h.shell.commandLineMode = true;
    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "-H web/page.htm"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(h.processes.starts.empty());
    ASSERT_EQ(h.editors.notices.size(), 1u);
    EXPECT_EQ(h.editors.notices[0].windowClass, "TfHomeSiteMessageWindow");
    EXPECT_EQ(h.editors.notices[0].message, 1067);
    EXPECT_EQ(h.editors.notices[0].reportPath, h.file("web/page.val"));
    const std::string report = testing_support::readFile(h.file("web/page.val"));
    EXPECT_NE(report.find("ENDOFFILE=YES"), std::string::npos);

    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "-E,MyEditorClass,12 " + h.file("web/page.htm")));
    EXPECT_EQ(h.editors.notices.back().windowClass, "MyEditorClass");
    EXPECT_EQ(h.editors.notices.back().message, 1036);

    // Nobody listening: the notify error, then the general one.
    h.editors.succeeds = false;
    EXPECT_FALSE(shell::dispatchCommandLine(h.shell, "-H web/page.htm"));
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Could Not Send Message to Window", kGeneralError}));
    EXPECT_EQ(h.ui.boxes[0].text,
              "An error occurred attempting to notify the TfHomeSiteMessageWindow Window that an "
              "HTML document has been validated.");

    // Fields missing.
    h.ui.clear();
    EXPECT_FALSE(shell::dispatchCommandLine(h.shell, "-E MyEditorClass 12 web/page.htm"));
    EXPECT_EQ(h.captions(),
              (Strings{"Markwise: Incomplete Command Line Arguments", kGeneralError}));
    EXPECT_EQ(h.ui.boxes[0].text,
              "A window name and a message to send to that window must be specified on the "
              "command line.");
}

TEST(Dispatcher, OptionsAndEditorOptionsDeferToARunningInstance) {
    for (const char* option : {"-1", "-2"}) {
        ShellHarness h;
        h.shell.otherInstanceFound = true;
        h.instances.otherRunning = true;
        EXPECT_TRUE(shell::dispatchCommandLine(h.shell, option));
        EXPECT_EQ(h.captions(), Strings{"Markwise: Instance Already Running"});
        EXPECT_EQ(h.ui.lastBox().text,
                  "An instance of Markwise is already running. Please close the currently "
                  "running instance and then try again. The running instance will be brought to "
                  "the foreground.");
        EXPECT_EQ(h.ui.lastBox().icon, platform::Icon::Information);
        EXPECT_EQ(h.instances.raisesSent, 1);
        EXPECT_TRUE(h.window.optionsDialogs.empty());
    }
}

TEST(Dispatcher, ProgramOptionsOpenOnTheProgramPageWithAutomaticSaving) {
    ShellHarness h;
    h.shell.options.AutoSave = 0;
    h.window.optionsResults = {shell::kDialogOk};
    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "-1"));
    EXPECT_EQ(h.window.optionsDialogs, std::vector<shell::OptionsPage>{shell::OptionsPage::Program});
    EXPECT_EQ(h.shell.options.AutoSave, 1);
    EXPECT_TRUE(h.settings.writes.empty());  // in memory only

    h.window.optionsResults = {shell::kDialogNotOpened};
    EXPECT_FALSE(shell::dispatchCommandLine(h.shell, "-1"));
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Dialog Box Error", kGeneralError}));

    // -2 loads the configuration and opens the editor.
    h.writeConfiguration("mkwise25.cfg", false);
    h.ui.clear();
    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "-2"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(h.window.editorDialogs, 1);
    EXPECT_TRUE(h.shell.configuration.isLoaded());
}

TEST(ExitProcedure, AsksAboutTheConfigurationThenTheOptions) {
    const std::string configQuestion = "Markwise: Save HTML Configuration?";
    const std::string optionsQuestion = "Markwise: Save Options?";
    struct Case {
        std::vector<Answer> answers;
        bool mayEnd;
        Strings captions;
        bool optionsStored;
    };
    const Case cases[] = {
        {{Answer::Cancel}, false, {configQuestion}, false},
        {{Answer::No, Answer::Cancel}, false, {configQuestion, optionsQuestion}, false},
        {{Answer::No, Answer::No}, true, {configQuestion, optionsQuestion}, false},
        {{Answer::No, Answer::Yes}, true, {configQuestion, optionsQuestion}, true},
        // Yes to the configuration: Save As, whose dialog is cancelled here.
        {{Answer::Yes}, false, {configQuestion}, false},
    };
    for (const Case& c : cases) {
        ShellHarness h;
        h.writeConfiguration();
        h.shell.configuration.setNotes(0, "changed");
        h.shell.options.optionsSaved = 0;
        h.shell.options.AutoSave = 0;
        for (Answer answer : c.answers) h.ui.answers.push_back(answer);
        EXPECT_EQ(shell::exitProcedure(h.shell), c.mayEnd);
        EXPECT_EQ(h.captions(), c.captions);
        EXPECT_EQ(h.ui.boxes[0].text,
                  "The HTML Configuration has not been saved. Do you want to save the current "
                  "configuration before exiting?");
        EXPECT_EQ(h.ui.boxes[0].buttons, Buttons::YesNoCancel);
        if (c.captions.size() > 1) {
            EXPECT_EQ(h.ui.boxes[1].text,
                      "The program and/or validator options have not been saved. Do you want to "
                      "save the current options before exiting?");
        }
        EXPECT_EQ(!h.settings.writes.empty(), c.optionsStored);
        EXPECT_EQ(h.shell.exitDone, c.mayEnd);
    }
}

TEST(ExitProcedure, AutomaticSavingAsksNothingAndASecondExitEndsAtOnce) {
    ShellHarness h;
    const std::string path = h.writeConfiguration();
    h.shell.configuration.setNotes(0, "changed");
    h.shell.options.AutoSaveHTMLConfiguration = 1;
    h.shell.options.optionsSaved = 0;
    h.shell.options.AutoSave = 1;
    EXPECT_TRUE(shell::exitProcedure(h.shell));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(h.shell.configuration.isSaved());
    EXPECT_EQ(h.settings.writes.size(), 57u);

    h.shell.configuration.setNotes(0, "again");
    EXPECT_TRUE(shell::exitProcedure(h.shell));
    EXPECT_FALSE(h.shell.configuration.isSaved());

    // A failing options save is reported but does not hold the exit up.
    ShellHarness failing;
    failing.shell.options.optionsSaved = 0;
    failing.settings.everyWriteFails = true;
    EXPECT_TRUE(shell::exitProcedure(failing.shell));
    EXPECT_EQ(failing.captions(), Strings{"Markwise: Error Saving Options to Registry"});
}

TEST(Startup, ASecondWindowedStartRaisesTheFirstAndEndsWithOne) {
    ShellHarness h;
    h.instances.otherRunning = true;
    FakeFrontend frontend;
    EXPECT_EQ(shell::runProgram(h.shell, frontend, ""), 1);
    EXPECT_EQ(h.instances.raisesSent, 1);
    EXPECT_EQ(frontend.shows, 0);
    EXPECT_EQ(h.settings.readCount, 0);
    EXPECT_EQ(h.ui.boxCount(), 0u);
}

TEST(Startup, ACommandLineRunsOneCommandWithoutTheWindow) {
    ShellHarness h;
    h.instances.otherRunning = true;  // command lines run beside a windowed instance
    h.writeConfiguration("mkwise25.cfg", false);
    h.dir.write("page.htm", kPage);
    FakeFrontend frontend;
    EXPECT_EQ(shell::runProgram(h.shell, frontend, "page.htm"), 0);
    EXPECT_TRUE(h.shell.commandLineMode);
    EXPECT_EQ(frontend.shows, 0);
    EXPECT_EQ(frontend.loops, 0);
    EXPECT_FALSE(h.instances.listening);
    EXPECT_EQ(h.ui.titleChanges, Strings{"Zentrel Markwise v2.55"});
    EXPECT_EQ(h.settings.user["SOFTWARE\\Brightfold\\Zentrel Markwise"]["Version"], "2.55");
    EXPECT_TRUE(fs::exists(h.file("output.txt")));

    ShellHarness failing;
    FakeFrontend other;
    EXPECT_EQ(shell::runProgram(failing.shell, other, "-X"), 1);
}

TEST(Startup, TheWindowedRunLoadsShowsLoopsAndAsksBeforeItEnds) {
    ShellHarness h;
    h.writeConfiguration("mkwise25.cfg", false);
    FakeFrontend frontend;
    // In the first loop the user changes the language; at the exit question they cancel once.
    frontend.duringLoop = [&](int loop) {
        if (loop == 1) {
            h.shell.options.Language = 1;
            h.shell.options.optionsSaved = 0;
            h.shell.options.AutoSave = 0;
            h.ui.answerWith({Answer::Cancel, Answer::Yes});
        }
    };
    EXPECT_EQ(shell::runProgram(h.shell, frontend, ""), 0);
    EXPECT_TRUE(h.instances.listening);
    EXPECT_EQ(frontend.shows, 1);
    EXPECT_EQ(frontend.loops, 2);
    EXPECT_TRUE(h.shell.configuration.isLoaded());
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Save Options?", "Markwise: Save Options?"}));
    EXPECT_EQ(h.settings.user["SOFTWARE\\Brightfold\\Zentrel Markwise"]["Language"], "1");
}

TEST(Startup, WithoutTheDefaultConfigurationTheBuiltInEntriesServe) {
    ShellHarness h;
    FakeFrontend frontend;
    EXPECT_EQ(shell::runProgram(h.shell, frontend, ""), 0);
    EXPECT_EQ(h.captions().front(), "Markwise: Error Opening HTML Configuration");
    EXPECT_FALSE(h.shell.configuration.isLoaded());
    EXPECT_GT(h.shell.configuration.entryCount(Category), 0);
    EXPECT_EQ(frontend.shows, 1);

    ShellHarness noWindow;
    FakeFrontend broken;
    broken.windowCreated = false;
    EXPECT_EQ(shell::runProgram(noWindow.shell, broken, ""), 0);
    ShellHarness noCursor;
    FakeFrontend cursorless;
    cursorless.cursorLoaded = false;
    EXPECT_EQ(shell::runProgram(noCursor.shell, cursorless, ""), 1);
}

// A program directory longer than a stored name may be counts as unknown: the default file
// names are the bare names, which the options can keep.
TEST(Startup, AProgramDirectoryTooLongToStoreCountsAsUnknown) {
    ShellHarness h;
    const std::string fits = "/" + std::string(253, 'p') + "/";
    shell::Shell near(h.shell.services(), h.window, fits);
    EXPECT_EQ(near.programDirectory(), fits);
    EXPECT_EQ(near.options.DefaultConfigurationFilenameV25, fits);  // the directory alone

    const std::string tooLong = "/" + std::string(254, 'p') + "/";
    shell::Shell far(h.shell.services(), h.window, tooLong);
    EXPECT_EQ(far.programDirectory(), "");
    EXPECT_EQ(far.options.DefaultConfigurationFilenameV25, "mkwise25.cfg");
    EXPECT_EQ(far.options.OutputFilename, "output.txt");
}

// The editor of -2 writes the HTML Configuration back only when it changed: an unchanged
// file in the old format stays as it is, without the question about updating its format.
TEST(Dispatcher, TheEditorOfMinusTwoLeavesAnUnchangedConfigurationAlone) {
    ShellHarness h;
    const std::string old = testing_support::validConfigurationBytes(1);
    const std::string file = h.dir.write("mkwise25.cfg", old);
    EXPECT_TRUE(shell::dispatchCommandLine(h.shell, "-2"));
    EXPECT_EQ(h.window.editorDialogs, 1);
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(testing_support::readFile(file), old);
}

TEST(Startup, RestoringAnotherInstanceNeedsOneAndShowsOnlyAWholeMessage) {
    ShellHarness h;
    EXPECT_FALSE(shell::restoreOtherInstance(h.shell, "Shown?", "Markwise: Caption"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(h.instances.raisesSent, 0);

    // Without a message, or without a caption, the other instance comes to the front unasked.
    h.instances.otherRunning = true;
    EXPECT_TRUE(shell::restoreOtherInstance(h.shell, "", "Markwise: Caption"));
    EXPECT_TRUE(shell::restoreOtherInstance(h.shell, "Shown?", ""));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(h.instances.raisesSent, 2);
    EXPECT_TRUE(shell::restoreOtherInstance(h.shell, "Shown.", "Markwise: Caption"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Caption"});
    EXPECT_EQ(h.ui.lastBox().icon, platform::Icon::Information);
}

// A document that cannot be validated is not announced to the editor.
TEST(Dispatcher, TheEditorIsNotNotifiedOfAFailedValidation) {
    ShellHarness h;
    h.writeConfiguration("mkwise25.cfg", false);
    h.shell.commandLineMode = true;
    for (const char* line : {"-H missing.htm", "-E,MyEditorClass,12 missing.htm"}) {
        h.ui.clear();
        EXPECT_FALSE(shell::dispatchCommandLine(h.shell, line)) << line;
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Document", kGeneralError}));
        EXPECT_TRUE(h.editors.notices.empty()) << line;
    }
}
