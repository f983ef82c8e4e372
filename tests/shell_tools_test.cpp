// The text tools and the template tool as the program runs them, through the fakes: from the
// Tools menu with the open dialog and the success notice, from the command line with the exit
// code, and on dropped files with the default tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/commands.h"
#include "shell/menu.h"
#include "shell/startup.h"
#include "shell/tool_entry.h"
#include "shell_harness.h"

namespace fs = std::filesystem;
using platform::Answer;
using platform::Icon;
using testing_support::readFile;
using testing_support::ShellHarness;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kUpper = "<P CLASS=\"Big\">Hello</P>\r\n<!-- <B> -->\r\n<A HREF=X>Go</A>";

class NoWindow : public shell::Frontend {
public:
    bool createMainWindow() override { return true; }
    bool loadWaitCursor() override { return true; }
    void showMainWindow() override {}
    int runEventLoop() override { return 0; }
};

}  // namespace

// A document name longer than the option holds is processed but not remembered.
TEST(ToolCommand, ADocumentNameTooLongToRememberIsNotRemembered) {
    ShellHarness h;
    std::string folder = h.folder();
    while (folder.size() < 260) folder.append(60, 'd').append("/");
    std::filesystem::create_directories(folder);
    const std::string page = folder + "page.htm";
    std::ofstream(page, std::ios::binary) << kUpper;
    h.shell.options.LastOpenedToolFilename = "kept.htm";
    h.shell.options.optionsSaved = 1;
    h.ui.openChooses(page);
    ASSERT_TRUE(shell::runMenuCommand(h.shell, shell::command::kLowercase));
    EXPECT_EQ(readFile(page), "<p class=\"Big\">Hello</p>\n<!-- <B> -->\n<a href=x>Go</a>\n");
    EXPECT_EQ(h.shell.options.LastOpenedToolFilename, "kept.htm");
    EXPECT_EQ(h.shell.options.optionsSaved, 1);
}

TEST(ToolCommand, TheMenuAsksForTheDocumentProcessesItAndRemembersIt) {
    ShellHarness h;
    const std::string page = h.dir.write("page.htm", kUpper);
    h.shell.options.LastOpenedToolFilename = h.file("earlier.html");
    h.shell.options.optionsSaved = 1;
    h.ui.openChooses(page);
    ASSERT_TRUE(shell::runMenuCommand(h.shell, shell::command::kLowercase));

    ASSERT_EQ(h.ui.openRequests.size(), 1u);
    const platform::FileDialogRequest& request = h.ui.openRequests[0];
    EXPECT_EQ(request.title, "Specify HTML or Text Document and Click Open to Process");
    EXPECT_EQ(request.initialPath, h.file("earlier.html"));
    ASSERT_EQ(request.filters.size(), 3u);
    EXPECT_EQ(request.filters[0].label, "HTML Document (*.htm; *.html; *.shtm; *.shtml)");
    EXPECT_EQ(request.filters[0].patterns, "*.htm;*.html;*.shtm;*.shtml");
    EXPECT_EQ(request.filters[1].label, "Text Files (*.txt)");
    EXPECT_EQ(request.filters[2].label, "All Files (*.*)");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(request.mustExist);

    EXPECT_EQ(readFile(page), "<p class=\"Big\">Hello</p>\n<!-- <B> -->\n<a href=x>Go</a>\n");
    EXPECT_EQ(readFile(h.file("page.bak")), kUpper);
    EXPECT_EQ(h.shell.options.LastOpenedToolFilename, page);
    EXPECT_EQ(h.shell.options.optionsSaved, 0);
    ASSERT_EQ(h.ui.boxCount(), 1u);
    EXPECT_EQ(h.ui.lastBox().caption, "Markwise: Success");
    EXPECT_EQ(h.ui.lastBox().text, "Processing was completed successfully. The original HTML "
                                   "document was renamed \"" + h.file("page.bak") + "\".");
    EXPECT_EQ(h.ui.lastBox().icon, Icon::Information);
    // The wait cursor from the moment the document was chosen until the command ended.
    EXPECT_EQ(h.ui.waitCursorChanges, (std::vector<bool>{true, false}));

    // Without backups the notice says so and no backup stays.
    h.ui.clear();
    h.shell.options.CreateBAKFiles = 0;
    h.ui.openChooses(page);
    shell::runMenuCommand(h.shell, shell::command::kUppercase);
    EXPECT_EQ(readFile(page), "<P CLASS=\"Big\">Hello</P>\n<!-- <B> -->\n<A HREF=X>Go</A>\n");
    EXPECT_FALSE(fs::exists(h.file("page.bak")));
    EXPECT_EQ(h.ui.lastBox().text,
              "Processing was completed successfully. Backup files are turned OFF.");
    EXPECT_EQ(h.ui.openRequests[0].initialPath, page);

    // A cancelled dialog ends the command without a word and without the wait cursor.
    h.ui.clear();
    shell::runMenuCommand(h.shell, shell::command::kStripTags);
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_TRUE(h.ui.waitCursorChanges.empty());
}

TEST(ToolCommand, ADocumentChosenByARelativeNameIsTakenFromTheStartingDirectory) {
    ShellHarness h;
    h.dir.write("page.htm", "a\r\nb");
    fs::create_directories(h.file("elsewhere"));
    h.files.setCurrentDirectory(h.file("elsewhere"));
    h.shell.options.ConvertToFileType = 0;
    h.ui.openChooses("page.htm");
    shell::runMenuCommand(h.shell, shell::command::kConvertFormat);
    EXPECT_EQ(readFile(h.file("page.htm")), "a\r\nb\r\n");
    EXPECT_FALSE(fs::exists(h.file("elsewhere/page.htm")));
}

TEST(ToolCommand, EveryToolOptionRunsItsToolOnTheArgument) {
    const std::string templateRegion =
        "<!-- TEMPLATESTART\nTEMPLATE=part.tpl\nNAME=Ann\n-->\nold\n<!-- TEMPLATEEND -->\n";
    const struct {
        const char* option;
        std::string document;
        std::string expected;
    } cases[] = {
        {"-L", "<B>X</B>", "<b>X</b>\n"},
        {"-l", "<B>X</B>", "<b>X</b>\n"},        // a lower-case letter works too
        {"-Lxyz", "<B>X</B>", "<b>X</b>\n"},     // and letters after it are ignored
        {"-u", "<b>x</b>\r\n", "<B>x</B>\n"},
        {"-S", "<p>One <b>two</b></p>\r<br>", "One two\n\n"},
        {"-T", templateRegion, "<!-- TEMPLATESTART\nTEMPLATE=part.tpl\nNAME=Ann\n-->\n"
                               "<p>Hello, Ann</p>\n<!-- TEMPLATEEND -->\n"},
        {"-c", "a\r\nb\rc", "a\nb\nc\n"},
        {"-C", templateRegion, templateRegion},  // converted, not filled in
    };
    for (const auto& c : cases) {
        ShellHarness h;
        h.dir.write("part.tpl", "<p>Hello, $\"NAME\"</p>\n");
        h.dir.write("my page.htm", c.document);
        h.shell.commandLineMode = true;
        h.shell.options.LastOpenedToolFilename = "kept.htm";
        h.shell.options.optionsSaved = 1;
        EXPECT_TRUE(shell::dispatchCommandLine(h.shell, std::string(c.option) + " my page.htm"))
            << c.option;
        EXPECT_EQ(readFile(h.file("my page.htm")), c.expected) << c.option;
        EXPECT_EQ(readFile(h.file("my page.bak")), c.document) << c.option;
        // No notice interrupts a command line, and nothing of it is remembered.
        EXPECT_EQ(h.ui.boxCount(), 0u) << c.option;
        EXPECT_TRUE(h.ui.openRequests.empty());
        EXPECT_EQ(h.shell.options.LastOpenedToolFilename, "kept.htm");
        EXPECT_EQ(h.shell.options.optionsSaved, 1);
    }
}

TEST(ToolCommand, TheExitCodeOfACommandLineIsTheToolsResult) {
    {
        ShellHarness h;
        h.dir.write("page.htm", "<B>x</B>\n");
        NoWindow frontend;
        EXPECT_EQ(shell::runProgram(h.shell, frontend, "-L page.htm"), 0);
        EXPECT_EQ(readFile(h.file("page.htm")), "<b>x</b>\n");
        EXPECT_EQ(h.ui.boxCount(), 0u);
    }
    {
        ShellHarness h;
        h.dir.write("page.bak", "the only copy\n");
        NoWindow frontend;
        EXPECT_EQ(shell::runProgram(h.shell, frontend, "-U page.bak"), 1);
        EXPECT_EQ(h.captions(), (Strings{"Markwise: Cannot Process .bak Files", "Markwise: Error"}));
        EXPECT_EQ(h.ui.boxes[0].text,
                  "The filename to process (page.bak) and the filename Markwise uses as a backup "
                  "file are identical. Markwise cannot continue with this operation.");
        EXPECT_EQ(readFile(h.file("page.bak")), "the only copy\n");
    }
}

TEST(DroppedFiles, TheDefaultToolRunsOnEachFileWithoutANotice) {
    ShellHarness h;
    h.writeConfiguration();
    h.dir.write("a.htm", "<P>One</P>\n");
    h.dir.write("b.htm", "<P>Two</P>\n");
    options::Options& o = h.shell.options;
    o.GiveDroppedFilesToTool = 1;
    o.GiveDroppedFilesToValidator = 0;
    o.ShowTOOLDBWhenFilesDropped = 0;
    o.DefaultDragAndDropTool = shell::kToolStripTags;
    o.CreateBAKFiles = 0;
    h.ui.title = "Zentrel Markwise v2.55";
    shell::dropFiles(h.shell, {h.file("a.htm"), h.file("b.htm")});
    EXPECT_EQ(h.ui.boxCount(), 0u);
    EXPECT_EQ(readFile(h.file("a.htm")), "One\n");
    EXPECT_EQ(readFile(h.file("b.htm")), "Two\n");
    EXPECT_FALSE(fs::exists(h.file("a.bak")));
    EXPECT_EQ(h.ui.titleChanges,
              (Strings{"[1<>2] a.htm", "[2<>2] b.htm", "Zentrel Markwise v2.55"}));
    EXPECT_TRUE(o.LastOpenedToolFilename.empty());
    EXPECT_FALSE(h.shell.commandLineMode);
    EXPECT_FALSE(h.ui.waitCursor);

    // The default-tool dialog comes first and its choice is the tool used; then the validator
    // checks the processed document.
    o.ShowTOOLDBWhenFilesDropped = 1;
    o.GiveDroppedFilesToValidator = 1;
    o.UseVALFilesInstead = 1;
    o.DontViewIfUseVAL = 1;
    h.window.toolDialog = [](shell::Shell& shell) {
        shell.options.DefaultDragAndDropTool = shell::kToolUppercase;
        return shell::kDialogOk;
    };
    h.ui.clear();
    shell::dropFiles(h.shell, {h.file("a.htm")});
    EXPECT_EQ(h.window.toolDialogs, 1);
    EXPECT_EQ(readFile(h.file("a.htm")), "One\n");  // no tag left to change
    h.dir.write("c.htm", "<p>three</p>\n");
    shell::dropFiles(h.shell, {h.file("c.htm")});
    EXPECT_EQ(readFile(h.file("c.htm")), "<P>three</P>\n");
    EXPECT_TRUE(fs::exists(h.file("c.val")));
    EXPECT_EQ(h.ui.boxCount(), 0u);
}
