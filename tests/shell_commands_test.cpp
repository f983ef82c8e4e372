// The main window's commands through the fakes: validation and its file naming, the viewer
// decision, the configuration commands with every question answered both ways, the log,
// the menu toggles, dropped files, help and web pages.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "shell/commands.h"
#include "shell/help.h"
#include "shell/menu.h"
#include "fault_injection.h"
#include "shell_harness.h"

namespace fs = std::filesystem;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing_support::readFile;
using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kPage = "<html><body><p>Hello</p></body></html>\n";

struct Validation : ::testing::Test {
    ShellHarness h;
    void SetUp() override { h.writeConfiguration(); }
};

}  // namespace

TEST_F(Validation, ValFilesReplaceTheDocumentsExtensionOrAddOne) {
    h.shell.options.UseVALFilesInstead = 1;
    h.shell.options.DontViewIfUseVAL = 1;
    const struct {
        std::string document;
        std::string report;
    } cases[] = {
        {"page.htm", "page.val"},
        {"README", "README.val"},
        {"v1.2/index", "v1.2/index.val"},  // a dot in a folder name is no extension
        {"archive.tar.html", "archive.tar.val"},
    };
    fs::create_directories(h.file("v1.2"));
    for (const auto& c : cases) {
        h.dir.write(c.document, kPage);
        h.ui.clear();
        ASSERT_TRUE(shell::validate(h.shell, h.file(c.document))) << c.document;
        EXPECT_TRUE(fs::exists(h.file(c.report))) << c.report;
        ASSERT_EQ(h.ui.boxCount(), 1u);
        EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Validation Check Complete");
        EXPECT_EQ(h.ui.lastBox().text,
                  "Validation check complete. The file \"" + h.file(c.report) + "\" was created.");
        EXPECT_EQ(h.shell.options.lastOutputFilename, h.file(c.report));
    }
    EXPECT_TRUE(h.processes.starts.empty());

    // A new report of a read-only document can be written again: the user keeps reading and
    // writing it.
    const std::string readOnly = h.dir.write("fixed.htm", kPage);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_TRUE(shell::validate(h.shell, readOnly));
    ASSERT_TRUE(shell::validate(h.shell, readOnly));

    // A new report of a private document is private too, as it holds the document's lines; a
    // report there already keeps its bits.
    const std::string secret = h.dir.write("secret.htm", kPage);
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_TRUE(shell::validate(h.shell, secret));
    struct stat made {};
    ASSERT_EQ(::stat(h.file("secret.val").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0600u);
    ASSERT_EQ(::chmod(h.file("secret.val").c_str(), 0644), 0);
    ASSERT_TRUE(shell::validate(h.shell, secret));
    ASSERT_EQ(::stat(h.file("secret.val").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0644u);

    // A report named like its document is refused before anything is written.
    h.dir.write("old.val", kPage);
    h.ui.clear();
    EXPECT_FALSE(shell::validate(h.shell, h.file("old.val")));
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Filename Error");
    EXPECT_EQ(h.ui.lastBox().text, "The HTML document \"" + h.file("old.val") +
                                       "\" has the same filename as the output file. The HTML "
                                       "document could not be validated.");
    EXPECT_EQ(readFile(h.file("old.val")), kPage);
}

// The windowed program's runs depend on the options and the HTML Configuration alone: a
// markwise-disable comment of the document (markwise-check's) drops nothing.
TEST_F(Validation, MarkwiseDisableCommentsDropNothing) {
    h.shell.options.AllowDoubleQuoteInText = 0;
    const std::string page = h.dir.write("quote.htm", "<!-- markwise-disable mw94 -->\n\"a\"\n");
    ASSERT_TRUE(shell::validate(h.shell, page));
    const std::string report = readFile(h.shell.options.lastOutputFilename);
    EXPECT_NE(report.find("A quotation mark was found that is not within a tag."),
              std::string::npos)
        << report;
}

TEST_F(Validation, ANameTooLongForAReportGivesTheLengthErrorAndNoReport) {
    h.shell.options.UseVALFilesInstead = 1;
    const std::string name = h.folder() + std::string(250 - h.folder().size() - 4, 'a') + ".htm";
    ASSERT_EQ(name.size(), 250u);
    EXPECT_EQ(shell::reportNameFor(h.shell.options, name), std::nullopt);
    h.dir.write(fs::path(name).filename().string(), kPage);
    EXPECT_FALSE(shell::validate(h.shell, name));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Output Filename Exceeds Maximum Characters"});
    EXPECT_EQ(h.ui.lastBox().text,
              "Cannot open output file because the filename would exceed the maximum number of "
              "characters a filename may have.");
    EXPECT_FALSE(fs::exists(name.substr(0, name.size() - 3) + "val"));

    const std::string shorter = h.folder() + "short.htm";
    EXPECT_EQ(shell::reportNameFor(h.shell.options, shorter), h.folder() + "short.val");
    h.shell.options.UseVALFilesInstead = 0;
    EXPECT_EQ(shell::reportNameFor(h.shell.options, name), h.shell.options.OutputFilename);
}

TEST_F(Validation, TheViewerIsStartedAskedAboutOrLeftAlone) {
    h.dir.write("page.htm", kPage);
    const std::string output = h.shell.options.OutputFilename;
    // Always open the viewer: no question.
    ASSERT_TRUE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    ASSERT_EQ(h.processes.starts.size(), 1u);
    EXPECT_EQ(h.processes.starts[0].program, "xdg-open");
    EXPECT_EQ(h.processes.starts[0].file, output);
    EXPECT_FALSE(h.processes.starts[0].maximized);
    EXPECT_NE(readFile(output).find("page.htm"), std::string::npos);

    // Ask first: No leaves the viewer alone, Yes starts it (maximised when wanted).
    h.shell.options.AlwaysOpenViewer = 0;
    h.shell.options.MaximizeViewer = 1;
    h.ui.answerWith({Answer::No, Answer::Yes});
    ASSERT_TRUE(shell::validate(h.shell, "page.htm"));
    ASSERT_TRUE(shell::validate(h.shell, "page.htm"));
    ASSERT_EQ(h.ui.boxCount(), 2u);
    EXPECT_EQ(h.ui.boxes[0].caption, "Markwise: Open Viewer?");
    EXPECT_EQ(h.ui.boxes[0].text,
              "Validation check of \"page.htm\" is complete. Do you want to open the viewer with "
              "the results?");
    EXPECT_EQ(h.ui.boxes[0].buttons, Buttons::YesNo);
    EXPECT_EQ(h.ui.boxes[0].icon, Icon::Question);
    EXPECT_EQ(h.window.raised, 2);
    ASSERT_EQ(h.processes.starts.size(), 2u);
    EXPECT_TRUE(h.processes.starts[1].maximized);

    // A viewer that cannot be started is reported; the validation itself succeeded.
    h.shell.options.AlwaysOpenViewer = 1;
    h.processes.succeeds = false;
    h.ui.clear();
    EXPECT_TRUE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Starting Applicarion"});
    EXPECT_EQ(h.ui.lastBox().text, "There was an error starting the application 'xdg-open'.");

    // In command-line mode the completion notice for a VAL file is not shown.
    h.shell.options.UseVALFilesInstead = 1;
    h.shell.options.DontViewIfUseVAL = 1;
    h.shell.commandLineMode = true;
    h.ui.clear();
    EXPECT_TRUE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(fs::exists(h.file("page.val")));
    EXPECT_FALSE(h.ui.waitCursor);
}

TEST_F(Validation, FailuresBeforeTheRunAreReportedAndLeaveFilesAlone) {
    // A missing document (a quoted name keeps its quotes and does not exist).
    EXPECT_FALSE(shell::validate(h.shell, "\"page.htm\""));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Opening HTML Document"});
    EXPECT_EQ(h.ui.lastBox().text,
              "There was an error opening the HTML document \"\"page.htm\"\". The HTML document "
              "could not be validated.");

    // The output file is the document under another name.
    h.dir.write("output.txt", kPage);
    h.ui.clear();
    EXPECT_FALSE(shell::validate(h.shell, "./output.txt"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Filename Error"});
    EXPECT_EQ(readFile(h.file("output.txt")), kPage);

    // An output file that cannot be written.
    h.dir.write("page.htm", kPage);
    h.shell.options.OutputFilename = h.file("no-such-folder/out.txt");
    h.ui.clear();
    EXPECT_FALSE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Opening Output File"});
    EXPECT_EQ(h.ui.lastBox().text, "There was an error opening the output file \"" +
                                       h.file("no-such-folder/out.txt") +
                                       "\". The HTML document could not be validated.");

    // No active category: nothing can be validated.
    h.shell.configuration.resetToBuiltins();
    h.ui.clear();
    EXPECT_FALSE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: No Active Categories"});
    EXPECT_FALSE(h.ui.waitCursor);
}

// The log is appended to, never written over the document, the configuration or the settings:
// such a log is shown as one that cannot be opened, and the report is written all the same.
// The report is never the settings or the log.
TEST_F(Validation, TheReportAndTheLogNeverWriteOverTheRunsOtherFiles) {
    const std::string page = h.dir.write("page.htm", kPage);
    const std::string configuration = h.shell.configuration.fileName();
    const std::string configurationBytes = readFile(configuration);
    h.shell.options.UseVALFilesInstead = 1;
    h.shell.options.DontViewIfUseVAL = 1;
    h.shell.options.EnableLogging = 1;
    for (const std::string& log : {page, configuration}) {
        h.shell.options.LogFilename = log;
        h.ui.clear();
        ASSERT_TRUE(shell::validate(h.shell, page)) << log;
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening Log File",
                                         "Markwise: Validation Check Complete"}))
            << log;
        EXPECT_EQ(readFile(page), kPage);
        EXPECT_EQ(readFile(configuration), configurationBytes);
        EXPECT_EQ(readFile(h.file("page.val")).find("Log"), std::string::npos);
        EXPECT_NE(readFile(h.file("page.val")).find("Validating file"), std::string::npos);
    }
    // Neither the report nor the log is ever the program's own settings file.
    const char* previousHome = std::getenv("XDG_CONFIG_HOME");
    const std::string savedHome = previousHome != nullptr ? previousHome : "";
    ::setenv("XDG_CONFIG_HOME", h.file("config").c_str(), 1);
    fs::create_directories(h.file("config/markwise"));
    const std::string settings = h.dir.write("config/markwise/registry.ini", "[K]\nA=1\n");
    h.shell.options.LogFilename = settings;
    h.ui.clear();
    ASSERT_TRUE(shell::validate(h.shell, page));
    EXPECT_EQ(h.captions().front(), "Markwise: Error Opening Log File");
    h.shell.options.EnableLogging = 0;
    h.shell.options.UseVALFilesInstead = 0;
    h.shell.options.OutputFilename = settings;
    h.ui.clear();
    EXPECT_FALSE(shell::validate(h.shell, page));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Opening Output File"});
    EXPECT_EQ(readFile(settings), "[K]\nA=1\n");
    if (previousHome != nullptr) {
        ::setenv("XDG_CONFIG_HOME", savedHome.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    h.shell.options.EnableLogging = 1;
    h.shell.options.UseVALFilesInstead = 1;

    // A report named as the log would write over the log's earlier entries: it is refused.
    const std::string log = h.dir.write("page.val", "earlier entries\n");
    h.shell.options.LogFilename = log;
    h.ui.clear();
    EXPECT_FALSE(shell::validate(h.shell, page));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Opening Output File"});
    EXPECT_EQ(readFile(log), "earlier entries\n");
}

TEST_F(Validation, TheOpenDialogRemembersTheFilterAndTheDocument) {
    h.dir.write("page.htm", kPage);
    h.shell.options.optionsSaved = 1;
    // Cancelled: nothing happens, nothing is said.
    EXPECT_FALSE(shell::validate(h.shell, ""));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    ASSERT_EQ(h.ui.openRequests.size(), 1u);
    const platform::FileDialogRequest& request = h.ui.openRequests[0];
    EXPECT_EQ(request.title, "Specify HTML Document and Click Open to Validate");
    ASSERT_EQ(request.filters.size(), 3u);
    EXPECT_EQ(request.filters[0].label, "HTML Document (*.htm; *.html; *.shtm; *.shtml)");
    EXPECT_EQ(request.filters[0].patterns, "*.htm;*.html;*.shtm;*.shtml");
    EXPECT_EQ(request.filters[1].label, "Text Files (*.txt)");
    EXPECT_EQ(request.filters[2].label, "All Files (*.*)");
    EXPECT_TRUE(request.mustExist);
    EXPECT_EQ(request.filterIndex, 1);

    h.ui.openChooses(h.file("page.htm"), 3);
    ASSERT_TRUE(shell::validate(h.shell, ""));
    EXPECT_EQ(h.shell.options.LastOpenedHTMLFilename, h.file("page.htm"));
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
    EXPECT_FALSE(h.ui.waitCursor);
    EXPECT_EQ(h.ui.waitCursorChanges, (std::vector<bool>{true, false}));

    h.shell.options.optionsSaved = 1;
    EXPECT_FALSE(shell::validate(h.shell, ""));
    EXPECT_EQ(h.ui.openRequests.back().filterIndex, 3);
    EXPECT_EQ(h.ui.openRequests.back().initialPath, h.file("page.htm"));
    // A name that differs only in letter case is another file here: it is remembered, so that
    // Revalidate checks the document checked last.
    ASSERT_TRUE(shell::validate(h.shell, h.file("page.htm")));
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
    h.dir.write("PAGE.htm", kPage);
    ASSERT_TRUE(shell::validate(h.shell, h.file("PAGE.htm")));
    EXPECT_EQ(h.shell.options.LastOpenedHTMLFilename, h.file("PAGE.htm"));
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
}

TEST_F(Validation, RevalidateAndEditNeedAPreviousDocument) {
    const std::string noPrevious =
        "No previous validated filename. You must first specify the filename of an HTML "
        "document to validate by using the Validate HTML Document menu command (F2).";
    for (int id : {shell::command::kRevalidate, shell::command::kEditLastDocument}) {
        h.ui.clear();
        EXPECT_TRUE(shell::runMenuCommand(h.shell, id));
        ASSERT_EQ(h.ui.boxCount(), 1u);
        EXPECT_EQ(h.ui.lastBox().caption, "Markwise: No Previous Validated Filename");
        EXPECT_EQ(h.ui.lastBox().text, noPrevious);
        EXPECT_EQ(h.ui.lastBox().icon, Icon::Information);
    }
    h.dir.write("page.htm", kPage);
    h.shell.options.LastOpenedHTMLFilename = h.file("page.htm");
    h.shell.options.EditorFilename = "my-editor";
    h.ui.clear();
    shell::runMenuCommand(h.shell, shell::command::kEditLastDocument);
    ASSERT_EQ(h.processes.starts.size(), 1u);
    EXPECT_EQ(h.processes.starts[0].program, "my-editor");
    EXPECT_EQ(h.processes.starts[0].file, h.file("page.htm"));
    shell::runMenuCommand(h.shell, shell::command::kRevalidate);
    EXPECT_EQ(h.processes.starts.size(), 2u);  // the viewer, on the new report
    EXPECT_EQ(h.ui.boxCount(), 0u);
}

TEST(ConfigurationCommands, LoadReportsSuccessCorruptionAndMissingFiles) {
    ShellHarness h;
    const std::string good = h.writeConfiguration("good.cfg", false);
    h.dir.write("bad.cfg", "not a configuration");
    h.ui.openChooses(good);
    EXPECT_EQ(shell::loadConfiguration(h.shell, true, true, false), shell::kLoaded);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Success"});
    EXPECT_EQ(h.ui.lastBox().text, "The HTML Configuration has been successfully loaded.");
    EXPECT_EQ(std::string(h.shell.configuration.fileName()), good);
    EXPECT_EQ(h.ui.openRequests[0].title, "Specify HTML Configuration File and Click Open");
    EXPECT_EQ(h.ui.openRequests[0].filters[0].label, "Markwise Config Files (*.cfg)");
    EXPECT_EQ(h.ui.openRequests[0].initialPath, h.shell.options.DefaultConfigurationFilenameV25);
    EXPECT_NE(h.shell.options.DefaultConfigurationFilenameV25, good);  // not the default

    EXPECT_EQ(shell::loadConfiguration(h.shell, true, true, false), shell::kLoadCancelled);

    h.ui.clear();
    h.ui.openChooses(h.file("bad.cfg"));
    EXPECT_EQ(shell::loadConfiguration(h.shell, true, true, false), shell::kLoadFailed);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Corrupt HTML Configuration File"});
    EXPECT_EQ(h.ui.lastBox().text,
              "The HTML Configuration file \"" + h.file("bad.cfg") +
                  "\" contains corrupt data, is not a configuration file, or is for a different "
                  "version of Zentrel Markwise. No configuration could be loaded.");
    EXPECT_FALSE(h.shell.configuration.isLoaded());
    EXPECT_GT(h.shell.configuration.entryCount(Category), 0);  // the built-in entries

    // The default file missing, repair not offered: one message.
    h.ui.clear();
    EXPECT_EQ(shell::loadConfiguration(h.shell, false, false, false), shell::kLoadFailed);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Opening HTML Configuration"});
    EXPECT_EQ(h.ui.lastBox().text, "There was an error opening the HTML Configuration file \"" +
                                       h.shell.options.DefaultConfigurationFilenameV25 +
                                       "\". The configuration could not be loaded.");
}

TEST(ConfigurationCommands, RepairOfAMovedInstallation) {
    const std::string question = "Markwise: Try to Correct Problem?";
    {
        // Yes, and the program directory holds the configuration: fixed and stored.
        ShellHarness h;
        h.writeConfiguration("mkwise25.cfg", false);
        h.shell.options.DefaultConfigurationFilenameV25 = "/old/place/mkwise25.cfg";
        h.shell.options.OutputFilename = "/old/place/output.txt";
        h.ui.answerWith({Answer::Ok, Answer::Yes});
        EXPECT_EQ(shell::loadConfiguration(h.shell, false, false, true), shell::kLoaded);
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Configuration", question,
                                         "Markwise: Success", "Markwise: Success"}));
        EXPECT_EQ(h.ui.boxes[1].text,
                  "You may have moved Zentrel Markwise into a another directory when you "
                  "reinstalled the program. Markwise can try to automatically correct this "
                  "problem and try to load the HTML Configuration file again. Would you like to "
                  "try to correct the problem?");
        EXPECT_EQ(h.ui.boxes[3].text,
                  "The problem appears to have been fixed. The default configuration filename and "
                  "the output filename in the program options have been reset to their default "
                  "values.");
        EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25, h.file("mkwise25.cfg"));
        EXPECT_EQ(h.shell.options.OutputFilename, h.file("output.txt"));
        auto& stored = h.settings.user["SOFTWARE\\Brightfold\\Zentrel Markwise"];
        EXPECT_EQ(stored["DefaultConfigurationFilenameV25"], h.file("mkwise25.cfg"));
        EXPECT_EQ(stored["OutputFilename"], h.file("output.txt"));
    }
    {
        // Yes, but nothing to load there either.
        ShellHarness h;
        h.shell.options.DefaultConfigurationFilenameV25 = "/old/place/mkwise25.cfg";
        h.shell.options.OutputFilename = "/old/place/output.txt";
        h.ui.answerWith({Answer::Ok, Answer::Yes});
        EXPECT_EQ(shell::loadConfiguration(h.shell, false, false, true), shell::kLoadFailed);
        EXPECT_EQ(h.captions(),
                  (Strings{"Markwise: Error Opening HTML Configuration", question,
                           "Markwise: Error Opening HTML Configuration",
                           "Markwise: Could Not Correct Problem"}));
        EXPECT_EQ(h.ui.lastBox().text,
                  "The problem could not be corrected. You may want to try uninstalling Zentrel "
                  "Markwise, and then reinstalling using the zensetup.exe program.");
        EXPECT_TRUE(h.settings.writes.empty());
        // The failed attempt leaves the options as they were.
        EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25, "/old/place/mkwise25.cfg");
        EXPECT_EQ(h.shell.options.OutputFilename, "/old/place/output.txt");
    }
    {
        // No: nothing more.
        ShellHarness h;
        h.shell.options.DefaultConfigurationFilenameV25 = "/old/place/mkwise25.cfg";
        h.ui.answerWith({Answer::Ok, Answer::No});
        EXPECT_EQ(shell::loadConfiguration(h.shell, false, false, true), shell::kLoadFailed);
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Configuration", question}));
        EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25, "/old/place/mkwise25.cfg");
    }
}

TEST(ConfigurationCommands, SaveAskToUpdateOldFormatsAndNeedsABoundFile) {
    ShellHarness h;
    // The built-in configuration was never loaded or saved.
    h.shell.configuration.resetToBuiltins();
    shell::runMenuCommand(h.shell, shell::command::kSaveConfiguration);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Cannot Save Configuration"});
    EXPECT_EQ(h.ui.lastBox().text,
              "You must first load a valid configuration or use the Save Configuration As Menu "
              "Item instead.");

    // A configuration in the old format: Yes writes the new one, No keeps the old.
    const std::string path = h.dir.write("old.cfg", testing_support::validConfigurationBytes(1));
    ASSERT_TRUE(h.shell.configuration.loadBytes(readFile(path), path));
    ASSERT_FALSE(h.shell.configuration.isCurrentFormat());
    h.ui.clear();
    h.ui.answerWith({Answer::No});
    shell::runMenuCommand(h.shell, shell::command::kSaveConfiguration);
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Update HTML Configuration File Format?",
                                     "Markwise: Success"}));
    EXPECT_EQ(h.ui.boxes[0].text,
              "Do you want to update the HTML Configuration file to the new format "
              "(recommended)? If you do, you will not be able to load it in older versions of "
              "Markwise.");
    EXPECT_EQ(h.ui.boxes[1].text, "The HTML Configuration has been successfully saved.");
    EXPECT_FALSE(h.shell.configuration.isCurrentFormat());
    h.ui.answerWith({Answer::Yes});
    EXPECT_TRUE(shell::saveConfiguration(h.shell, path, false));
    EXPECT_TRUE(h.shell.configuration.isCurrentFormat());
    CfgStore written;
    ASSERT_TRUE(written.loadBytes(readFile(path), path));
    EXPECT_EQ(written.formatVersion(), 2);

    // A file that cannot be written.
    h.ui.clear();
    EXPECT_FALSE(shell::saveConfiguration(h.shell, h.file("missing/x.cfg"), true));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Error Opening HTML Configuration"});
    EXPECT_EQ(h.ui.lastBox().text, "There was an error opening the HTML Configuration file \"" +
                                       h.file("missing/x.cfg") +
                                       "\". The HTML Configuration could not be saved.");
}

// A save that opened its file but could not finish it (a full disk, a failed rename) says the
// file could not be closed, fails, and leaves the configuration file as it was.
TEST(ConfigurationCommands, ASaveThatCannotBeFinishedKeepsTheOldFile) {
    for (const platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Rename}) {
        testing_support::FaultyFileSystem faulty;
        ShellHarness h(nullptr, &faulty);
        const std::string path = h.writeConfiguration();
        const std::string before = readFile(path);
        h.shell.configuration.setNotes(0, "changed");
        faulty.failAt(op, 1, 28 /* ENOSPC */);
        h.ui.clear();
        EXPECT_FALSE(shell::saveConfiguration(h.shell, path, true));
        EXPECT_EQ(h.captions(), Strings{"Error"});
        EXPECT_EQ(h.ui.lastBox().text, "There was an error closing the file.");
        EXPECT_EQ(readFile(path), before);
        EXPECT_FALSE(h.shell.configuration.isSaved());
    }
}

TEST(ConfigurationCommands, SaveAsAddsTheExtensionAndOffersToChangeTheDefault) {
    for (Answer answer : {Answer::Yes, Answer::No}) {
        ShellHarness h;
        h.writeConfiguration();
        h.shell.options.optionsSaved = 1;
        EXPECT_FALSE(shell::saveConfigurationAs(h.shell));  // dialog cancelled
        EXPECT_EQ(h.ui.boxCount(), 0u);
        ASSERT_EQ(h.ui.saveRequests.size(), 1u);
        EXPECT_EQ(h.ui.saveRequests[0].title, "Specify HTML Configuration File and Click Save");
        EXPECT_TRUE(h.ui.saveRequests[0].confirmOverwrite);
        // The dialog adds the extension itself, so that it asks about the file to be written.
        EXPECT_EQ(h.ui.saveRequests[0].defaultSuffix, "cfg");
        EXPECT_EQ(h.ui.saveRequests[0].initialPath, h.file("mkwise25.cfg"));

        h.ui.saveChooses(h.file("site"));
        h.ui.answerWith({Answer::Ok, answer});
        ASSERT_TRUE(shell::saveConfigurationAs(h.shell));
        EXPECT_TRUE(fs::exists(h.file("site.cfg")));
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Success",
                                         "Markwise: Change Default HTML Configuration File?"}));
        EXPECT_EQ(h.ui.lastBox().text,
                  "Do you want to change the default HTML Configuration file in the program "
                  "options to the file just saved? If so, Markwise will automatically load this "
                  "configuration when next launched.");
        const bool yes = answer == Answer::Yes;
        EXPECT_EQ(h.shell.options.DefaultConfigurationFilenameV25,
                  yes ? h.file("site.cfg") : h.file("mkwise25.cfg"));
        EXPECT_EQ(h.shell.options.optionsSaved, yes ? 0 : 1);
    }
}

TEST(ConfigurationCommands, UnsavedChangesAreAskedAboutBeforeLoadAndReset) {
    const struct {
        int command;
        std::string caption;
        std::string text;
    } cases[] = {
        {shell::command::kLoadConfiguration, "Markwise: Load HTML Configuration?",
         "The current HTML Configuration has not been saved. Do you wish to load a new "
         "configuration over the currently unsaved one?"},
        {shell::command::kResetConfiguration, "Markwise: Reset HTML Configuration?",
         "The current HTML Configuration has not been saved. Do you wish to reset the "
         "configuration and lose all changes?"},
    };
    for (const auto& c : cases) {
        for (Answer answer : {Answer::No, Answer::Yes}) {
            ShellHarness h;
            h.writeConfiguration();
            h.shell.configuration.setNotes(0, "changed");
            ASSERT_FALSE(h.shell.configuration.isSaved());
            h.ui.answerWith({answer});
            shell::runMenuCommand(h.shell, c.command);
            ASSERT_GE(h.ui.boxCount(), 1u);
            EXPECT_EQ(h.ui.boxes[0].caption, c.caption);
            EXPECT_EQ(h.ui.boxes[0].text, c.text);
            const bool reset = c.command == shell::command::kResetConfiguration;
            if (answer == Answer::No) {
                EXPECT_EQ(h.ui.boxCount(), 1u);
                EXPECT_TRUE(h.ui.openRequests.empty());
            } else if (reset) {
                EXPECT_EQ(h.captions().back(), "Markwise: HTML Configuration Reset");
                EXPECT_EQ(h.ui.lastBox().text, "The HTML Configuration has been reset.");
                EXPECT_FALSE(h.shell.configuration.isLoaded());
            } else {
                EXPECT_EQ(h.ui.openRequests.size(), 1u);  // on to the open dialog
            }
        }
    }
    // Saved configurations, and automatic saving, ask nothing.
    ShellHarness h;
    const std::string path = h.writeConfiguration();
    EXPECT_TRUE(shell::unsavedConfigurationQuestion(h.shell, shell::ConfigurationAction::Load));
    h.shell.configuration.setNotes(0, "changed");
    h.shell.options.AutoSaveHTMLConfiguration = 1;
    EXPECT_TRUE(shell::unsavedConfigurationQuestion(h.shell, shell::ConfigurationAction::Reset));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(h.shell.configuration.isSaved());
    CfgStore written;
    ASSERT_TRUE(written.loadBytes(readFile(path), path));
    EXPECT_EQ(written.noteView(0), "changed");

    // An automatic save that fails is followed by the question: No keeps the changes unsaved.
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        testing_support::FaultyFileSystem faulty;
        ShellHarness failing(nullptr, &faulty);
        failing.writeConfiguration();
        failing.shell.configuration.setNotes(0, "changed");
        failing.shell.options.AutoSaveHTMLConfiguration = 1;
        faulty.failAt(platform::FileOp::Rename, 1);
        failing.ui.answerWith({Answer::Ok, answer});
        EXPECT_EQ(shell::unsavedConfigurationQuestion(failing.shell,
                                                      shell::ConfigurationAction::Load),
                  answer == Answer::Yes);
        EXPECT_EQ(failing.captions(), (Strings{"Error", "Markwise: Load HTML Configuration?"}));
        EXPECT_FALSE(failing.shell.configuration.isSaved());
    }
}

TEST(LogCommands, ViewAndDeleteTheLog) {
    ShellHarness h;
    const std::string noLog = "Markwise: No Log File on Disk";
    shell::runMenuCommand(h.shell, shell::command::kViewLog);
    shell::runMenuCommand(h.shell, shell::command::kDeleteLog);  // nothing to delete or ask
    EXPECT_EQ(h.captions(), (Strings{noLog}));
    EXPECT_EQ(h.ui.lastBox().text, "There is currently no log file on disk.");

    h.dir.write("log.txt", "run 1\n");
    h.ui.clear();
    shell::runMenuCommand(h.shell, shell::command::kViewLog);
    ASSERT_EQ(h.processes.starts.size(), 1u);
    EXPECT_EQ(h.processes.starts[0].file, h.file("log.txt"));

    h.ui.answerWith({Answer::No});
    shell::runMenuCommand(h.shell, shell::command::kDeleteLog);
    EXPECT_TRUE(fs::exists(h.file("log.txt")));
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Delete Log File?");
    EXPECT_EQ(h.ui.lastBox().text, "Are you sure you want to delete the log file?");
    h.ui.answerWith({Answer::Yes});
    shell::runMenuCommand(h.shell, shell::command::kDeleteLog);
    EXPECT_FALSE(fs::exists(h.file("log.txt")));
    EXPECT_EQ(h.ui.boxCount(), 2u);

    // A log that cannot be deleted (here: a folder of that name).
    fs::create_directories(h.file("log.txt"));
    h.ui.answerWith({Answer::Yes});
    shell::runMenuCommand(h.shell, shell::command::kDeleteLog);
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Error Deleting Log File");
    EXPECT_EQ(h.ui.lastBox().text,
              "An error occurred while attempting to delete the log file. The log file could not "
              "be deleted.");
}

TEST(MenuCommands, TogglesMarkTheOptionsUnsavedAndRefreshTheChecks) {
    ShellHarness h;
    options::Options& o = h.shell.options;
    const struct {
        int id;
        int options::Options::*field;
    } toggles[] = {
        {shell::command::kKeepWindowOnTop, &options::Options::KeepWindowOnTop},
        {shell::command::kEnableLogging, &options::Options::EnableLogging},
        {shell::command::kDefaultToolOnDropped, &options::Options::GiveDroppedFilesToTool},
        {shell::command::kValidatorOnDropped, &options::Options::GiveDroppedFilesToValidator},
    };
    for (const auto& t : toggles) {
        const int before = o.*t.field;
        o.optionsSaved = 1;
        EXPECT_EQ(shell::menuItemChecked(o, t.id), before == 1);
        shell::runMenuCommand(h.shell, t.id);
        EXPECT_EQ(o.*t.field, 1 - before);
        EXPECT_EQ(o.optionsSaved, 0);
        EXPECT_EQ(shell::menuItemChecked(o, t.id), before == 0);
    }
    EXPECT_EQ(h.window.onTop, std::vector<bool>{true});
    EXPECT_EQ(h.window.checkRefreshes, 4);

    o.optionsSaved = 1;
    shell::runMenuCommand(h.shell, shell::command::kFrench);
    EXPECT_EQ(o.Language, 1);
    EXPECT_EQ(o.optionsSaved, 0);
    EXPECT_TRUE(shell::menuItemChecked(o, shell::command::kFrench));
    EXPECT_FALSE(shell::menuItemChecked(o, shell::command::kEnglish));
    shell::runMenuCommand(h.shell, shell::command::kEnglish);
    EXPECT_EQ(o.Language, 0);

    // Options dialogs open at their pages; one that cannot open says so.
    h.window.optionsResults = {shell::kDialogOk, shell::kDialogCancel, shell::kDialogNotOpened};
    shell::runMenuCommand(h.shell, shell::command::kProgramOptions);
    shell::runMenuCommand(h.shell, shell::command::kValidatorOptions);
    shell::runMenuCommand(h.shell, shell::command::kLoggingOptions);
    EXPECT_EQ(h.window.optionsDialogs,
              (std::vector<shell::OptionsPage>{shell::OptionsPage::Program,
                                               shell::OptionsPage::Validator,
                                               shell::OptionsPage::Logging}));
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Dialog Box Error");
    EXPECT_EQ(h.ui.lastBox().text, "The dialog box could not be opened.");

    h.ui.clear();
    shell::runMenuCommand(h.shell, shell::command::kAbout);
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: About...");
    EXPECT_EQ(h.ui.lastBox().icon, Icon::Information);
    EXPECT_NE(h.ui.lastBox().text.find("Zentrel Markwise v2.55"), std::string::npos);
    shell::runMenuCommand(h.shell, shell::command::kExit);
    EXPECT_EQ(h.window.closeRequests, 1);
    EXPECT_FALSE(shell::runMenuCommand(h.shell, 4242));
}

TEST(MenuCommands, ToolsAskForTheirDocumentCleanAsksFirstAndTheEditorOpens) {
    ShellHarness h;
    for (int id : {shell::command::kLowercase, shell::command::kUppercase,
                   shell::command::kStripTags, shell::command::kTemplate,
                   shell::command::kConvertFormat}) {
        h.ui.clear();
        shell::runMenuCommand(h.shell, id);  // the dialog is cancelled: nothing else happens
        ASSERT_EQ(h.ui.openRequests.size(), 1u) << id;
        EXPECT_EQ(h.ui.openRequests[0].title,
                  "Specify HTML or Text Document and Click Open to Process");
        EXPECT_EQ(h.ui.boxCount(), 0u) << id;
    }
    h.ui.clear();
    shell::runMenuCommand(h.shell, shell::command::kCleanConfiguration);
    EXPECT_EQ(h.captions(), Strings{"Markwise: Clean Configuration?"});
    shell::runMenuCommand(h.shell, shell::command::kConfigurationEditor);
    EXPECT_EQ(h.window.editorDialogs, 1);
}

TEST(MenuTable, HoldsEveryCommandWithItsLabelAndKey) {
    const struct {
        int id;
        const char* label;
        const char* key;
    } items[] = {
        {102, "&Validate HTML Document...\tF2", "F2"},
        {3, "&Revalidate Last Document\tF12", "F12"},
        {6, "&Edit Last Document\tAlt-F12", "Alt+F12"},
        {101, "E&xit\tAlt-F4", "Alt+F4"},
        {103, "&Program Options...\tF4", "F4"},
        {11842, "&Validator Options...\tControl+F4", "Ctrl+F4"},
        {107, "&HTML Configuration Editor...\tF5", "F5"},
        {11856, "English", ""},
        {11857, "French", ""},
        {11855, "&Keep Window on Top\tAlt-F9", "Alt+F9"},
        {11854, "&Clean Configuration", ""},
        {9073, "&Reset Configuration", ""},
        {9070, "&Load Configuration...", ""},
        {9074, "&Save Configuration", ""},
        {9075, "Save Configuration &As...", ""},
        {11849, "&Enable Logging\tAlt-F5", "Alt+F5"},
        {11852, "&Logging Options...\tAlt-F8", "Alt+F8"},
        {11850, "&View Log\tAlt-F6", "Alt+F6"},
        {11851, "&Delete Log\tAlt-F7", "Alt+F7"},
        {108, "&Lowercase...\tF6", "F6"},
        {106, "&Uppercase...\tF7", "F7"},
        {111, "&Strip HTML Tags...\tF8", "F8"},
        {1, "&Template...\tF9", "F9"},
        {4, "&Convert Text File Format...\tF10", "F10"},
        {110, "&Help with Tools", ""},
        {8, "Use Default &Tool on Dropped Files\tAlt-F1", "Alt+F1"},
        {7, "Use &Validator on Dropped Files\tAlt-F2", "Alt+F2"},
        {9, "&Set Default Drag and Drop Tool...\tAlt-F3", "Alt+F3"},
        {11843, "&Zentrel Markwise Home Page", ""},
        {11845, "&Download Page", ""},
        {11844, "&Support Page", ""},
        {11846, "In &ZIP Format", ""},
        {11848, "&Uncompressed", ""},
        {11853, "O&nline Help Contents", ""},
        {104, "&Help Contents\tF1", "F1"},
        {105, "&About...\tF3", "F3"},
    };
    int count = 0;
    for (const auto& item : items) {
        const shell::MenuEntry* entry = shell::findMenuItem(item.id);
        ASSERT_NE(entry, nullptr) << item.id;
        EXPECT_EQ(entry->label, item.label);
        EXPECT_EQ(entry->key, item.key);
        ++count;
    }
    EXPECT_EQ(count, 36);
    Strings labels;
    for (const shell::TopMenu& menu : shell::menuBar()) labels.emplace_back(menu.label);
    EXPECT_EQ(labels, (Strings{"&File", "&Settings", "&Log", "&Tools", "&Drag and Drop", "Lin&ks",
                               "&Help"}));
    EXPECT_EQ(shell::menuBar()[1].entries[4].label, "Language Enhancements");
    EXPECT_EQ(shell::menuBar()[5].entries[4].label, "Download &Latest HTML Configuration");
}

TEST(DroppedFiles, ThreeFilesToTheValidatorWithNumberedTitlesAndPauses) {
    ShellHarness h;
    h.writeConfiguration();
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) h.dir.write(name, kPage);
    h.ui.title = "Zentrel Markwise v2.55";
    shell::dropFiles(h.shell, {h.file("a.htm"), h.file("b.htm"), h.file("c.htm")});
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(h.ui.titleChanges,
              (Strings{"[1<>3] a.htm", "[2<>3] b.htm", "[3<>3] c.htm", "Zentrel Markwise v2.55"}));
    EXPECT_EQ(h.window.pauses, (std::vector<int>{1500, 1500}));
    EXPECT_EQ(h.window.titlesAtPause, (Strings{"[1<>3] a.htm", "[2<>3] b.htm"}));
    EXPECT_EQ(h.processes.starts.size(), 3u);
    EXPECT_FALSE(h.shell.commandLineMode);
    EXPECT_FALSE(h.ui.waitCursor);
    EXPECT_EQ(h.window.raised, 1);

    // With VAL files there is nothing to wait for.
    h.shell.options.UseVALFilesInstead = 1;
    h.window.pauses.clear();
    shell::dropFiles(h.shell, {h.file("a.htm"), h.file("b.htm")});
    EXPECT_TRUE(h.window.pauses.empty());
    EXPECT_TRUE(fs::exists(h.file("b.val")));
}

TEST(DroppedFiles, FailuresAskWhetherToGoOn) {
    ShellHarness h;
    h.writeConfiguration();
    h.dir.write("c.htm", kPage);
    const std::string question = "Markwise: Error Using Validator on Dropped File(s)";
    // No after the first failure stops.
    shell::dropFiles(h.shell, {h.file("a.htm"), h.file("b.htm"), h.file("c.htm")});
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Document", question}));
    EXPECT_EQ(h.ui.lastBox().text, "An error occurred attempting to validate the document \"" +
                                       h.file("a.htm") +
                                       "\". Do you want to continue processing the rest of the "
                                       "dropped files?");
    // Yes goes on; the question comes after the last file too.
    h.ui.clear();
    h.ui.answerWith({Answer::Ok, Answer::Yes, Answer::Ok, Answer::Yes});
    shell::dropFiles(h.shell, {h.file("a.htm"), h.file("c.htm"), h.file("b.htm")});
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Document", question,
                                     "Markwise: Error Opening HTML Document", question}));

    // Neither the tool nor the validator chosen.
    h.shell.options.GiveDroppedFilesToValidator = 0;
    h.ui.clear();
    shell::dropFiles(h.shell, {h.file("c.htm")});
    EXPECT_EQ(h.captions(), Strings{"Markwise: Drag and Drop Action Not Specified"});
    EXPECT_EQ(h.ui.lastBox().icon, Icon::Information);

    // The tool: its dialog first; Cancel ends the drop, a dialog that cannot open says so.
    h.shell.options.GiveDroppedFilesToTool = 1;
    h.window.toolResults = {shell::kDialogCancel, shell::kDialogNotOpened, shell::kDialogOk};
    h.ui.clear();
    shell::dropFiles(h.shell, {h.file("c.htm")});
    EXPECT_EQ(h.ui.boxCount(), 0u);
    shell::dropFiles(h.shell, {h.file("c.htm")});
    EXPECT_EQ(h.captions(), Strings{"Markwise: Dialog Box Error"});
    // The tool fails on the first of two files: asked whether to go on, then the last file
    // fails without a question.
    h.ui.clear();
    h.ui.answerWith({Answer::Ok, Answer::Yes});
    shell::dropFiles(h.shell, {h.file("x.htm"), h.file("y.htm")});
    EXPECT_EQ(h.captions(),
              (Strings{"Markwise: Error Locating File", "Markwise: Error Using Tool on Dropped File(s)",
                       "Markwise: Error Locating File"}));
    EXPECT_EQ(h.ui.boxes[1].text, "An error occurred attempting to use the tool on the document \"" +
                                      h.file("x.htm") +
                                      "\". Do you want to continue processing the rest of the "
                                      "dropped files?");
    EXPECT_EQ(h.window.toolDialogs, 3);
}

// The box names the address while the message's format and the address together stay under
// 512 characters; from 512 on it shows the placeholder.
TEST(Help, ALongAddressIsReplacedFromFiveHundredAndTwelveCharactersOn) {
    ShellHarness h;
    h.browser.succeeds = false;
    const std::string format =
        "The operating system was unable to open the page \"%s\". You must have a web browser "
        "installed and an Internet connection to view this page.";
    const std::string prefix = "https://example.test/";
    for (const std::size_t total : {511u, 512u, 513u}) {
        const std::string address = prefix + std::string(total - format.size() - prefix.size(), 'x');
        h.ui.clear();
        EXPECT_FALSE(shell::openPage(h.shell, address));
        const std::string shown = total < 512 ? address : "[URL too long to print]";
        EXPECT_EQ(h.ui.lastBox().text,
                  "The operating system was unable to open the page \"" + shown +
                      "\". You must have a web browser installed and an Internet connection to "
                      "view this page.")
            << total;
    }
}

TEST(Help, PagesOpenAtTheirAnchorsAndFailuresAreShown) {
    ShellHarness h;
    fs::create_directories(h.file("help"));
    h.dir.write("help/options.html", "<html></html>");
    ASSERT_TRUE(shell::showHelp(h.shell, "validator options"));
    EXPECT_EQ(h.browser.opened,
              Strings{"file://" + h.file("help/options.html") + "#validator-options"});
    EXPECT_EQ(shell::helpPagePath("/opt/mw/", "tools menu"), "/opt/mw/help/tools.html");

    EXPECT_FALSE(shell::showHelp(h.shell, "tools menu"));  // that page is not installed
    EXPECT_EQ(h.captions(), Strings{"Markwise: Cannot Display Help"});
    EXPECT_EQ(h.ui.lastBox().text,
              "There was an error opening the help file \"tools.html\". Help cannot be "
              "displayed.");

    h.ui.clear();
    h.browser.succeeds = false;
    EXPECT_FALSE(shell::openPage(h.shell, "https://example.test/a"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Could Not Open URL"});
    EXPECT_EQ(h.ui.lastBox().text,
              "The operating system was unable to open the page \"https://example.test/a\". You "
              "must have a web browser installed and an Internet connection to view this page.");
    EXPECT_FALSE(shell::openPage(h.shell, "https://example.test/" + std::string(400, 'x')));
    EXPECT_NE(h.ui.lastBox().text.find("\"[URL too long to print]\""), std::string::npos);

    // The configuration downloads ask first.
    h.browser.succeeds = true;
    h.browser.opened.clear();
    h.ui.clear();
    h.ui.answerWith({Answer::No, Answer::Yes});
    shell::runMenuCommand(h.shell, shell::command::kConfigurationZip);
    shell::runMenuCommand(h.shell, shell::command::kConfigurationUncompressed);
    EXPECT_EQ(h.captions(), (Strings{"Markwise: Download Latest HTML Configuration File?",
                                     "Markwise: Download Latest HTML Configuration File?"}));
    EXPECT_EQ(h.browser.opened.size(), 1u);
    shell::runMenuCommand(h.shell, shell::command::kHomePage);
    shell::runMenuCommand(h.shell, shell::command::kDownloadPage);
    shell::runMenuCommand(h.shell, shell::command::kSupportPage);
    shell::runMenuCommand(h.shell, shell::command::kOnlineHelpContents);
    EXPECT_EQ(h.browser.opened.size(), 5u);
}

// The VAL file keeps the viewer away only when the option says so; the question about the
// viewer comes with the main window in front.
TEST_F(Validation, TheViewerDecisionForValFiles) {
    h.dir.write("page.htm", kPage);
    h.shell.options.UseVALFilesInstead = 1;
    h.shell.options.DontViewIfUseVAL = 0;
    ASSERT_TRUE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.ui.boxCount(), 0u);
    ASSERT_EQ(h.processes.starts.size(), 1u);
    // A relative name reaches the viewer as a path: no program reads it as an option, a
    // command or an address.
    EXPECT_EQ(h.processes.starts[0].file, "./page.val");
    for (const char* odd : {"-rf.htm", "+x.htm", "mailto:a.htm"}) {
        h.dir.write(odd, kPage);
        h.processes.starts.clear();
        ASSERT_TRUE(shell::validate(h.shell, odd)) << odd;
        ASSERT_EQ(h.processes.starts.size(), 1u);
        EXPECT_EQ(h.processes.starts[0].file.rfind("./", 0), 0u) << h.processes.starts[0].file;
    }

    h.shell.options.AlwaysOpenViewer = 0;
    h.ui.answerWith({Answer::No});
    ASSERT_TRUE(shell::validate(h.shell, "page.htm"));
    EXPECT_EQ(h.captions(), Strings{"Markwise: Open Viewer?"});
    EXPECT_TRUE(h.ui.lastBox().foreground);
    EXPECT_EQ(h.processes.starts.size(), 1u);

    // A report name of 255 characters still fits.
    h.shell.options.VALExtension = "abcdefghijk";
    const std::string stem = "/" + std::string(242, 'd') + ".";
    EXPECT_EQ(shell::reportNameFor(h.shell.options, stem + "htm"), stem + "abcdefghijk");
    EXPECT_EQ(shell::reportNameFor(h.shell.options, "/d" + stem + "htm"), std::nullopt);
}

// The repair needs the program directory; and a file that opens but is not a configuration is
// not a moved installation.
TEST(ConfigurationCommands, RepairNeedsTheProgramDirectoryAndAFileThatDoesNotOpen) {
    const std::string question = "Markwise: Try to Correct Problem?";
    {
        ShellHarness h;
        h.writeConfiguration("mkwise25.cfg", false);  // in the current directory
        shell::Shell unknown(h.shell.services(), h.window, "");
        ASSERT_EQ(unknown.programDirectory(), "");
        unknown.options.DefaultConfigurationFilenameV25 = "/old/place/mkwise25.cfg";
        h.ui.answerWith({Answer::Ok, Answer::Yes});
        EXPECT_EQ(shell::loadConfiguration(unknown, false, false, true), shell::kLoadFailed);
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Error Opening HTML Configuration", question,
                                         "Markwise: Could Not Correct Problem"}));
        EXPECT_EQ(unknown.options.DefaultConfigurationFilenameV25, "/old/place/mkwise25.cfg");
        EXPECT_TRUE(h.settings.writes.empty());
    }
    {
        ShellHarness h;
        h.dir.write("mkwise25.cfg", "not a configuration");
        EXPECT_EQ(shell::loadConfiguration(h.shell, false, false, true), shell::kLoadFailed);
        EXPECT_EQ(h.captions(), Strings{"Markwise: Corrupt HTML Configuration File"});
    }
}
