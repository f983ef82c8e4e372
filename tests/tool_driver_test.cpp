// The tools driver on real files: each tool in place, backups kept or deleted, every
// preparation failure with its box and the document as it was, restoring after a failed run,
// the success notice and the file dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "fault_injection.h"
#include "platform/file_policy.h"
#include "test_support.h"
#include "tools/text_tools.h"
#include "tools/tool_driver.h"

namespace {

namespace fs = std::filesystem;
using platform::Icon;
using testing_support::readFile;
using testing_support::TempDir;

class ToolDriver : public ::testing::Test {
  protected:
    ToolDriver() : options_(testing_support::testOptions()) {
        context_.ui = &ui_;
        context_.options = &options_;
        context_.files = &platform::systemFileSystem();
        context_.helpers = &helpers_;
        context_.clock = &clock_;
        context_.commandLineMode = true;
    }

    int run(int tool, const std::string& document) {
        return tools::runTool(context_, tool, document);
    }

    // The names in the folder, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    void expectOnlyBox(const std::string& caption, const std::string& text,
                       Icon icon = Icon::Error) {
        ASSERT_EQ(ui_.boxes.size(), 1u);
        EXPECT_EQ(ui_.boxes[0].caption, caption);
        EXPECT_EQ(ui_.boxes[0].text, text);
        EXPECT_EQ(ui_.boxes[0].icon, icon);
    }

    TempDir dir_;
    options::Options options_;
    platform::FakeUserInterface ui_;
    platform::FakeClock clock_;
    platform::SystemFiles helpers_;
    tools::ToolContext context_;
};

TEST_F(ToolDriver, RunsEachToolInPlaceAndKeepsTheBackup) {
    const std::string mixed = "<P CLASS=\"Big\">One</P>\r\n<!-- <B> -->\r<A\nHREF='X'>Two</A>";
    struct Case {
        int tool;
        int fileType;
        int convertTo;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {tools::kToolLowercase, 2, 0, mixed,
         "<p class=\"Big\">One</p>\n<!-- <B> -->\n<a\nhref='X'>Two</a>\n"},
        {tools::kToolUppercase, 0, 2, "<p class=x>y</p>\n",
         "<P CLASS=X>y</P>\r\n"},
        {tools::kToolStrip, 1, 2, mixed, "One\r\r\rTwo\r"},
        {tools::kToolConvert, 0, 2, "a\r\nb\rc\nd", "a\nb\nc\nd\n"},
        {tools::kToolConvert, 2, 0, "a\nb", "a\r\nb\r\n"},
        {tools::kToolConvert, 2, 1, "a\r\n\r\n", "a\r\r"},
        {tools::kToolTemplate, 0, 2, "no\nregion", "no\r\nregion\r\n"},
        {tools::kToolLowercase, 2, 2, "", ""},
        {tools::kToolStrip, 2, 2, "\n\n", "\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tool " << c.tool << " on " << testing::PrintToString(c.in));
        const std::string document = dir_.write("page.htm", c.in);
        options_.FileType = c.fileType;
        options_.ConvertToFileType = c.convertTo;
        EXPECT_EQ(run(c.tool, document), 1);
        EXPECT_EQ(readFile(document), c.out);
        EXPECT_EQ(readFile(dir_.file("page.bak")), c.in);
        EXPECT_EQ(names(), (std::vector<std::string>{"page.bak", "page.htm"}));
        EXPECT_TRUE(ui_.boxes.empty());
    }
}

TEST_F(ToolDriver, DeletesTheBackupWhenBackupsAreOff) {
    options_.CreateBAKFiles = 0;
    const std::string document = dir_.write("page.html", "<B>x</B>");
    dir_.write("page.bak", "an older backup");
    EXPECT_EQ(run(tools::kToolLowercase, document), 1);
    EXPECT_EQ(readFile(document), "<b>x</b>\n");
    EXPECT_EQ(names(), std::vector<std::string>{"page.html"});
}

TEST_F(ToolDriver, PageHtmAndPageHtmlShareOneBackup) {
    const std::string htm = dir_.write("page.htm", "HTM");
    const std::string html = dir_.write("page.html", "HTML");
    EXPECT_EQ(run(tools::kToolConvert, htm), 1);
    EXPECT_EQ(readFile(dir_.file("page.bak")), "HTM");
    EXPECT_EQ(run(tools::kToolConvert, html), 1);
    EXPECT_EQ(readFile(dir_.file("page.bak")), "HTML");
}

// An old backup that is only another name of the document's file (a hard link, as a run killed
// before its new text was in place leaves it, or a symbolic link to it) goes like any old
// backup; the document is processed and the new backup holds its old text.
TEST_F(ToolDriver, AnOldBackupThatIsAnotherNameOfTheDocumentIsReplaced) {
    const std::string document = dir_.write("page.htm", "<B>x</B>");
    fs::create_hard_link(document, dir_.file("page.bak"));
    EXPECT_EQ(run(tools::kToolLowercase, document), 1);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(readFile(document), "<b>x</b>\n");
    EXPECT_EQ(readFile(dir_.file("page.bak")), "<B>x</B>");
    EXPECT_FALSE(fs::equivalent(document, dir_.file("page.bak")));

    const std::string other = dir_.write("other.htm", "<I>y</I>");
    fs::create_symlink("other.htm", dir_.file("other.bak"));
    EXPECT_EQ(run(tools::kToolUppercase, other), 1);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(readFile(other), "<I>y</I>\n");
    EXPECT_FALSE(fs::is_symlink(dir_.file("other.bak")));
    EXPECT_EQ(readFile(dir_.file("other.bak")), "<I>y</I>");
}

TEST_F(ToolDriver, KeepsThePermissionBits) {
    const std::string document = dir_.write("page.htm", "<B>");
    ASSERT_EQ(::chmod(document.c_str(), 0640), 0);
    EXPECT_EQ(run(tools::kToolLowercase, document), 1);
    struct stat info {};
    ASSERT_EQ(::stat(document.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

namespace {

volatile std::sig_atomic_t interruptsSeen = 0;
extern "C" void countInterrupt(int) { interruptsSeen = interruptsSeen + 1; }

// A file system on which the user presses Ctrl-C while the new text is being written.
class InterruptedWhileWriting : public testing_support::FaultyFileSystem {
public:
    ssize_t write(int fd, const void* buffer, std::size_t size) override {
        if (!interrupted_) {
            interrupted_ = true;
            std::raise(SIGINT);
        }
        return FaultyFileSystem::write(fd, buffer, size);
    }

private:
    bool interrupted_ = false;
};

}  // namespace

// An interrupt while a tool writes the new text stops the run: the document stays as it was,
// with no backup beside it and no box, and the signal is handled once the run is over.
TEST_F(ToolDriver, AnInterruptWhileWritingLeavesTheDocumentAsItWas) {
    struct sigaction counting {};
    counting.sa_handler = countInterrupt;
    sigemptyset(&counting.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGINT, &counting, &previous), 0);
    interruptsSeen = 0;
    const std::string page = dir_.write("page.htm", "<P CLASS=A>text</P>\n");
    InterruptedWhileWriting interrupted;
    context_.files = &interrupted;
    EXPECT_EQ(run(tools::kToolLowercase, page), 0);
    context_.files = &platform::systemFileSystem();
    ::sigaction(SIGINT, &previous, nullptr);
    EXPECT_EQ(interruptsSeen, 1);
    EXPECT_EQ(readFile(page), "<P CLASS=A>text</P>\n");
    EXPECT_EQ(names(), std::vector<std::string>{"page.htm"});
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(ToolDriver, EveryPreparationFailureLeavesTheDocumentAsItWas) {
    // The document is its own backup name.
    const std::string bak = dir_.write("page.bak", "backup");
    EXPECT_EQ(run(tools::kToolStrip, bak), 0);
    expectOnlyBox("Markwise: Cannot Process .bak Files",
                  "The filename to process (" + bak +
                      ") and the filename Markwise uses as a backup file are identical. Markwise "
                      "cannot continue with this operation.");
    EXPECT_EQ(readFile(bak), "backup");

    // The same, ignoring case.
    ui_.clear();
    const std::string upper = dir_.write("OLD.BAK", "B");
    EXPECT_EQ(run(tools::kToolStrip, upper), 0);
    EXPECT_EQ(ui_.boxes.at(0).caption, "Markwise: Cannot Process .bak Files");

    // The document is a link to its own backup name: deleting the backup would take it.
    ui_.clear();
    const std::string data = dir_.write("linked.bak", "the only copy");
    fs::create_symlink(data, dir_.file("linked.htm"));
    EXPECT_EQ(run(tools::kToolLowercase, dir_.file("linked.htm")), 0);
    EXPECT_EQ(ui_.boxes.at(0).caption, "Markwise: Cannot Process .bak Files");
    EXPECT_EQ(readFile(dir_.file("linked.htm")), "the only copy");

    // A name of the backup's form that is a link to another document is refused too, by the
    // name given: the link stays a link and the document it leads to is untouched.
    ui_.clear();
    const std::string target = dir_.write("y.html", "<P>");
    fs::create_symlink("y.html", dir_.file("Y.BAK"));
    EXPECT_EQ(run(tools::kToolLowercase, dir_.file("Y.BAK")), 0);
    expectOnlyBox("Markwise: Cannot Process .bak Files",
                  "The filename to process (" + dir_.file("Y.BAK") +
                      ") and the filename Markwise uses as a backup file are identical. Markwise "
                      "cannot continue with this operation.");
    EXPECT_TRUE(fs::is_symlink(dir_.file("Y.BAK")));
    EXPECT_EQ(readFile(target), "<P>");

    // The backup name is a folder, which cannot be deleted.
    ui_.clear();
    fs::create_directory(dir_.file("site.bak"));
    const std::string site = dir_.write("site.htm", "<B>");
    EXPECT_EQ(run(tools::kToolLowercase, site), 0);
    expectOnlyBox("Markwise: Error Deleting File",
                  "An error occurred while attempting to delete the backup file \"" +
                      dir_.file("site.bak") +
                      "\". Markwise cannot continue with this operation.");
    EXPECT_EQ(readFile(site), "<B>");

    // The document does not exist: the backup of another document of the same base name
    // stays.
    ui_.clear();
    const std::string missing = dir_.file("missing.htm");
    const std::string otherBackup = dir_.write("missing.bak", "backup of missing.html");
    EXPECT_EQ(run(tools::kToolLowercase, missing), 0);
    expectOnlyBox("Markwise: Error Locating File",
                  "There was an error trying to locate the file \"" + missing +
                      "\". Markwise cannot continue with this operation.");
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(readFile(otherBackup), "backup of missing.html");

    // No name at all (a tool option without a document): the file ".bak" is none of its
    // business.
    ui_.clear();
    const std::string previous = helpers_.currentDirectory();
    context_.startingDirectory = dir_.path().string();
    const std::string hidden = dir_.write(".bak", "someone's file");
    EXPECT_EQ(run(tools::kToolLowercase, ""), 0);
    expectOnlyBox("Markwise: Error Locating File",
                  "There was an error trying to locate the file \"\". Markwise cannot continue "
                  "with this operation.");
    EXPECT_EQ(readFile(hidden), "someone's file");
    context_.startingDirectory.clear();
    helpers_.setCurrentDirectory(previous);

    // The document is a folder or a FIFO: no text to read; nothing is renamed or deleted.
    for (const char* name : {"folder", "fifo"}) {
        ui_.clear();
        const std::string document = dir_.file(std::string(name) + ".htm");
        if (std::string(name) == "folder") {
            fs::create_directory(document);
        } else {
            ASSERT_EQ(::mkfifo(document.c_str(), 0600), 0);
        }
        const std::string backup = dir_.write(std::string(name) + ".bak", "an older backup");
        EXPECT_EQ(run(tools::kToolLowercase, document), 0);
        expectOnlyBox("Markwise: Error Opening Input File",
                      "There was an error opening the input file to be processed. Markwise "
                      "cannot continue with this operation.");
        EXPECT_EQ(fs::status(document).type(), std::string(name) == "folder"
                                                   ? fs::file_type::directory
                                                   : fs::file_type::fifo);
        EXPECT_EQ(readFile(backup), "an older backup");
    }
}

TEST_F(ToolDriver, AReadOnlyDocumentIsNotRewritten) {
    const std::string document = dir_.write("page.htm", "<B>");
    ASSERT_EQ(::chmod(document.c_str(), 0444), 0);
    EXPECT_EQ(run(tools::kToolLowercase, document), 0);
    expectOnlyBox("Markwise: Error Opening Output File",
                  "There was an error opening the output file. Markwise cannot continue with this "
                  "operation.");
    EXPECT_EQ(readFile(document), "<B>");
    EXPECT_EQ(names(), std::vector<std::string>{"page.htm"});
}

// A document given by a symbolic link: the file the link leads to is rewritten, with its backup
// beside it, and the link stays a link.
TEST_F(ToolDriver, ADocumentGivenByALinkRewritesTheFileItLeadsTo) {
    fs::create_directory(dir_.file("real"));
    const std::string target = dir_.write("real/page.htm", "<B>Text</B>");
    fs::create_symlink(target, dir_.file("page.htm"));
    EXPECT_EQ(run(tools::kToolLowercase, dir_.file("page.htm")), 1);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_TRUE(fs::is_symlink(dir_.file("page.htm")));
    EXPECT_EQ(fs::read_symlink(dir_.file("page.htm")), fs::path(target));
    EXPECT_EQ(readFile(target), "<b>Text</b>\n");
    EXPECT_EQ(readFile(dir_.file("real/page.bak")), "<B>Text</B>");
    EXPECT_EQ(names(), (std::vector<std::string>{"page.htm", "real"}));

    // A link that leads nowhere is no document.
    fs::create_symlink(dir_.file("gone.htm"), dir_.file("dangling.htm"));
    EXPECT_EQ(run(tools::kToolLowercase, dir_.file("dangling.htm")), 0);
    EXPECT_EQ(ui_.boxes.at(0).caption, "Markwise: Error Locating File");
    EXPECT_TRUE(fs::is_symlink(dir_.file("dangling.htm")));
}

// The template tool knows the document by the name it was given, also when that name is a
// link to the file rewritten.
TEST_F(ToolDriver, TheTemplateToolNamesTheDocumentAsItWasGiven) {
    const std::string tpl = dir_.write("name.tpl", "$\"CURRENTFILE\"");
    fs::create_directory(dir_.file("real"));
    const std::string target = dir_.write(
        "real/page.htm", "<!-- TEMPLATESTART\nTEMPLATE=" + tpl + "\n-->\n<!-- TEMPLATEEND -->\n");
    fs::create_symlink(target, dir_.file("page.htm"));
    EXPECT_EQ(run(tools::kToolTemplate, dir_.file("page.htm")), 1);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(readFile(target), "<!-- TEMPLATESTART\nTEMPLATE=" + tpl + "\n-->\n" +
                                    dir_.file("page.htm") + "\n<!-- TEMPLATEEND -->\n");
}

TEST_F(ToolDriver, AFailedTemplateRunPutsTheDocumentBack) {
    const std::string original = "<!-- TEMPLATESTART\nTEMPLATE=" + dir_.file("none.tpl") +
                                 "\n-->\nold\n<!-- TEMPLATEEND -->\n";
    const std::string document = dir_.write("page.htm", original);
    dir_.write("page.bak", "older");
    EXPECT_EQ(run(tools::kToolTemplate, document), 0);
    EXPECT_EQ(ui_.boxes.at(0).caption, "Markwise: Cannot Open Template File");
    EXPECT_EQ(readFile(document), original);
    // The older backup went when the run began; no temporary file is left.
    EXPECT_EQ(names(), std::vector<std::string>{"page.htm"});
}

TEST_F(ToolDriver, AnUnknownToolTouchesNothing) {
    const std::string document = dir_.write("page.htm", "x");
    dir_.write("page.bak", "older");
    EXPECT_EQ(run(6, document), 0);
    EXPECT_EQ(run(0, document), 0);
    EXPECT_EQ(readFile(dir_.file("page.bak")), "older");
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(ToolDriver, FromTheMenuTheDialogChoosesAndTheSuccessIsShown) {
    context_.commandLineMode = false;
    options_.LastOpenedToolFilename = "/earlier/page.htm";
    options_.optionsSaved = 1;
    const std::string document = dir_.write("page.htm", "<B>");
    ui_.openChooses(document);
    EXPECT_EQ(run(tools::kToolLowercase, "ignored"), 1);

    ASSERT_EQ(ui_.openRequests.size(), 1u);
    const platform::FileDialogRequest& request = ui_.openRequests[0];
    EXPECT_EQ(request.title, "Specify HTML or Text Document and Click Open to Process");
    EXPECT_EQ(request.initialPath, "/earlier/page.htm");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(request.mustExist);
    ASSERT_EQ(request.filters.size(), 3u);
    EXPECT_EQ(request.filters[0].label, "HTML Document (*.htm; *.html; *.shtm; *.shtml)");
    EXPECT_EQ(request.filters[0].patterns, "*.htm;*.html;*.shtm;*.shtml");
    EXPECT_EQ(request.filters[1].label, "Text Files (*.txt)");
    EXPECT_EQ(request.filters[1].patterns, "*.txt");
    EXPECT_EQ(request.filters[2].label, "All Files (*.*)");
    EXPECT_EQ(request.filters[2].patterns, "*.*");

    expectOnlyBox("Markwise: Success",
                  "Processing was completed successfully. The original HTML document was renamed "
                  "\"" + dir_.file("page.bak") + "\".",
                  Icon::Information);
    EXPECT_EQ(options_.LastOpenedToolFilename, document);
    EXPECT_EQ(options_.optionsSaved, 0);
    EXPECT_EQ(ui_.waitCursorChanges, (std::vector<bool>{true, false}));

    // Backups off; the same name again leaves the options saved.
    ui_.clear();
    options_.CreateBAKFiles = 0;
    options_.optionsSaved = 1;
    ui_.openChooses(document);
    EXPECT_EQ(run(tools::kToolUppercase, ""), 1);
    expectOnlyBox("Markwise: Success",
                  "Processing was completed successfully. Backup files are turned OFF.",
                  Icon::Information);
    EXPECT_EQ(options_.optionsSaved, 1);
    EXPECT_EQ(readFile(document), "<B>\n");
}

TEST_F(ToolDriver, TheCallersWaitCursorShowsOnceTheDocumentIsChosen) {
    context_.commandLineMode = false;
    int shown = 0;
    context_.showWaitCursor = [&] {
        EXPECT_EQ(ui_.openRequests.size(), 1u);
        ++shown;
    };
    ui_.openChooses(dir_.write("page.htm", "x"));
    EXPECT_EQ(run(tools::kToolConvert, ""), 1);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(ui_.waitCursorChanges.empty());
}

TEST_F(ToolDriver, ACancelledDialogEndsTheRunSilently) {
    context_.commandLineMode = false;
    EXPECT_EQ(run(tools::kToolStrip, ""), 0);
    EXPECT_EQ(ui_.openRequests.size(), 1u);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_TRUE(ui_.waitCursorChanges.empty());
}

TEST_F(ToolDriver, NoSuccessNoticeInCommandLineMode) {
    const std::string document = dir_.write("page.htm", "x");
    options_.LastOpenedToolFilename = "";
    EXPECT_EQ(run(tools::kToolConvert, document), 1);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_TRUE(ui_.openRequests.empty());
    EXPECT_EQ(options_.LastOpenedToolFilename, "");
}

TEST_F(ToolDriver, RelativeNamesAreTakenFromTheStartingDirectory) {
    const fs::path before = fs::current_path();
    dir_.write("page.htm", "<B>");
    context_.startingDirectory = dir_.path().string();
    EXPECT_EQ(run(tools::kToolLowercase, "page.htm"), 1);
    fs::current_path(before);
    EXPECT_EQ(readFile(dir_.file("page.htm")), "<b>\n");
    EXPECT_EQ(readFile(dir_.file("page.bak")), "<B>");
}

}  // namespace
