// No document is ever lost: a failure injected at every file-system call a tool run makes (each
// delete, link, rename, open, read, write, fsync, close, stat, permission change and folder
// listing, one at a time) leaves the document's original bytes under its own name, or, where the
// run succeeded or only the deletion of the backup failed, as the backup beside the processed
// document. No temporary file is left behind. The same holds on a file system without hard
// links, where the document is renamed to its backup for the run.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fault_injection.h"
#include "test_support.h"
#include "tools/text_tools.h"
#include "tools/tool_driver.h"

namespace {

namespace fs = std::filesystem;
using platform::FileOp;
using testing_support::FaultyFileSystem;
using testing_support::readFile;

struct Scenario {
    const char* name;
    int tool;
    int createBackups;
    bool olderBackup;  // a page.bak from an earlier run is there to be deleted first
};

constexpr FileOp kEveryKind[] = {FileOp::Open,   FileOp::Read,   FileOp::Write, FileOp::Fsync,
                                 FileOp::Close,  FileOp::Rename, FileOp::Unlink, FileOp::Stat,
                                 FileOp::Chmod,  FileOp::Lock,   FileOp::List,  FileOp::Link};

// A file system that gives no file a second name, as a FAT or some network file systems.
class WithoutHardLinks : public FaultyFileSystem {
  public:
    int link(const std::string&, const std::string&) override {
        errno = EPERM;
        return -1;
    }
};

const std::string kOriginal = "<HTML>\r\n<!-- TEMPLATESTART\r\nTEMPLATE=TEMPLATE_PATH\r\n"
                              "BODY:=FileContents(\"BODY_PATH\")\r\n-->\r\nold\r\n"
                              "<!-- TEMPLATEEND -->\r\n<P CLASS=\"A\">Text</P>";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class ToolFaults : public ::testing::Test {
  protected:
    // Sets up the folder afresh and runs the scenario with `faulty`; returns the tool's result.
    int runOnce(const Scenario& scenario, FaultyFileSystem& faulty) {
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry.path());
        templatePath_ = dir_.write("footer.tpl", "<p>$\"BODY\"</p>\n");
        bodyPath_ = dir_.write("body.txt", "body text");
        original_ = replaceAll(replaceAll(kOriginal, "TEMPLATE_PATH", templatePath_), "BODY_PATH",
                               bodyPath_);
        document_ = dir_.write("page.htm", original_);
        if (scenario.olderBackup) dir_.write("page.bak", "an older backup");

        options_.CreateBAKFiles = scenario.createBackups;
        return tools::runTool(contextFor(faulty), scenario.tool, document_);
    }

    // A command-line run through `faulty`, with the fixture's options and user interface.
    tools::ToolContext contextFor(FaultyFileSystem& faulty) {
        ui_.clear();
        tools::ToolContext context;
        context.ui = &ui_;
        context.options = &options_;
        context.files = &faulty;
        context.clock = &clock_;
        context.commandLineMode = true;
        return context;
    }

    // What the document becomes when nothing fails.
    std::string processed(const Scenario& scenario) {
        FaultyFileSystem clean;
        EXPECT_EQ(runOnce(scenario, clean), 1) << scenario.name;
        return readFile(document_);
    }

    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            found.insert(entry.path().filename().string());
        }
        return found;
    }

    testing_support::TempDir dir_;
    options::Options options_ = testing_support::testOptions();
    platform::FakeUserInterface ui_;
    platform::FakeClock clock_;
    std::string templatePath_;
    std::string bodyPath_;
    std::string original_;
    std::string document_;
};

TEST_F(ToolFaults, AFailureAtAnyStepNeverLosesTheDocument) {
    const Scenario scenarios[] = {
        {"lowercase, backups off, older backup", tools::kToolLowercase, 0, true},
        {"uppercase, backups on", tools::kToolUppercase, 1, false},
        {"strip, backups off", tools::kToolStrip, 0, false},
        {"template, backups off, older backup", tools::kToolTemplate, 0, true},
        {"convert, backups on, older backup", tools::kToolConvert, 1, true},
    };
    std::vector<std::string> injected;
    std::map<FileOp, int> injectedByKind;
    for (const bool hardLinks : {true, false}) {
        for (const Scenario& scenario : scenarios) {
            const std::string expected = processed(scenario);
            ASSERT_NE(expected, original_);
            for (const FileOp kind : kEveryKind) {
                for (int n = 1;; ++n) {
                    WithoutHardLinks withoutLinks;
                    FaultyFileSystem withLinks;
                    FaultyFileSystem& faulty = hardLinks ? withLinks : withoutLinks;
                    faulty.failAt(kind, n);
                    const int result = runOnce(scenario, faulty);
                    if (faulty.calls(kind) < n) break;  // every call of this kind has failed once

                    std::string step = std::string(scenario.name) +
                                       (hardLinks ? "" : ", without hard links") + ": " +
                                       std::string(testing_support::fileOpName(kind)) + " #" +
                                       std::to_string(n);
                    for (const FaultyFileSystem::Step& s : faulty.steps()) {
                        if (!s.failed || s.path.empty()) continue;
                        const std::string name = fs::path(s.path).filename().string();
                        step += " (" + (name.empty() ? std::string("the folder") : name) + ")";
                    }
                    injected.push_back(step);
                    ++injectedByKind[kind];
                    SCOPED_TRACE(step + "; calls: " + faulty.describe());

                    const bool documentThere = fs::exists(document_);
                    const bool backupThere = fs::exists(dir_.file("page.bak"));
                    const std::string document = documentThere ? readFile(document_) : "";
                    const std::string backup = backupThere ? readFile(dir_.file("page.bak")) : "";
                    if (result == 1) {
                        EXPECT_EQ(document, expected);
                        EXPECT_EQ(backupThere, scenario.createBackups == 1);
                        if (backupThere) {
                            EXPECT_EQ(backup, original_);
                        }
                    } else if (documentThere && document == expected) {
                        // Only the deletion of the backup after a finished run may fail this way.
                        EXPECT_EQ(scenario.createBackups, 0);
                        EXPECT_EQ(kind, FileOp::Unlink);
                        EXPECT_EQ(backup, original_);
                    } else {
                        EXPECT_TRUE(documentThere);
                        EXPECT_EQ(document, original_);
                        // An older backup is either still there or was deleted when the run began.
                        if (backupThere) {
                            EXPECT_EQ(backup, "an older backup");
                        }
                    }
                    std::set<std::string> allowed = {"page.htm", "footer.tpl", "body.txt"};
                    if (backupThere) allowed.insert("page.bak");
                    EXPECT_EQ(names(), allowed);
                }
            }
        }
    }

    // The steps injected at, for the record of this test's run.
    std::cout << "Injected a failure at " << injected.size() << " steps:\n";
    for (const std::string& step : injected) std::cout << "  " << step << "\n";

    // Every kind of step a run makes was failed: both deletions, both renames, the opens of the
    // backup, the temporary file and the template, reads, writes, the flush to disk and closes.
    for (const FileOp kind : {FileOp::Unlink, FileOp::Rename, FileOp::Open, FileOp::Read,
                              FileOp::Write, FileOp::Fsync, FileOp::Close, FileOp::Stat,
                              FileOp::Chmod}) {
        EXPECT_GT(injectedByKind[kind], 0) << testing_support::fileOpName(kind);
    }
    // The older backups (three scenarios) and the backups deleted after a run (three).
    EXPECT_GE(injectedByKind[FileOp::Unlink], 6);
    // The link that makes the backup; the rename that puts the processed text in place, and
    // without hard links the rename to the backup name as well.
    EXPECT_GE(injectedByKind[FileOp::Link], 5);
    EXPECT_GE(injectedByKind[FileOp::Rename], 5 + 2 * 5);
}

// Without hard links the document is renamed to its backup for the run; when even putting it
// back fails, the box names the backup that holds it.
TEST_F(ToolFaults, ADocumentThatCannotBePutBackIsNamedInABox) {
    WithoutHardLinks faulty;
    faulty.failAt(FileOp::Write, 1, 28 /* ENOSPC */);
    faulty.failAt(FileOp::Rename, 2);
    const std::string document = dir_.write("page.htm", "<B>original</B>");
    EXPECT_EQ(tools::runTool(contextFor(faulty), tools::kToolLowercase, document), 0);

    EXPECT_EQ(readFile(dir_.file("page.bak")), "<B>original</B>");
    EXPECT_EQ(names(), std::set<std::string>{"page.bak"});
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_EQ(ui_.boxes[0].caption, "Markwise: Error Writing Output File");
    EXPECT_EQ(ui_.boxes[0].text,
              "There was an error writing the output file. Markwise cannot continue with this "
              "operation.");
    EXPECT_EQ(ui_.boxes[1].caption, "Markwise: Error Renaming File");
    EXPECT_EQ(ui_.boxes[1].text, "There was an error trying to rename the file \"" +
                                    dir_.file("page.bak") +
                                    "\". Markwise cannot continue with this operation.");
}

// A run stopped at any moment (killed, or a machine that stops) leaves the document under its
// own name: all the while the new text is written, the document is there with its old bytes.
TEST_F(ToolFaults, TheDocumentKeepsItsNameWhileTheNewTextIsWritten) {
    class Watching : public FaultyFileSystem {
      public:
        explicit Watching(std::string document) : document_(std::move(document)) {}
        ssize_t write(int fd, const void* buffer, std::size_t size) override {
            seen.push_back(fs::exists(document_) ? readFile(document_) : "(missing)");
            return FaultyFileSystem::write(fd, buffer, size);
        }
        std::vector<std::string> seen;

      private:
        std::string document_;
    };
    Watching watching(dir_.file("page.htm"));
    const Scenario scenario{"lowercase, backups on", tools::kToolLowercase, 1, false};
    EXPECT_EQ(runOnce(scenario, watching), 1);
    ASSERT_FALSE(watching.seen.empty());
    for (const std::string& seen : watching.seen) EXPECT_EQ(seen, original_);
    EXPECT_EQ(readFile(dir_.file("page.bak")), original_);
    EXPECT_NE(readFile(document_), original_);
}

}  // namespace
