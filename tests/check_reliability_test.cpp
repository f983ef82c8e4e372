// markwise-check as a careless or hostile user runs it: it never destroys a file, never hangs,
// and says exactly what is wrong.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/check_command.h"
#include "fault_injection.h"
#include "platform/file_policy.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "test_support.h"

namespace {

using platform::FileOp;
using testing_support::FaultyFileSystem;
using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::TempDir;

const std::string kProfile = std::string(MARKWISE_PROFILE_DIR "/mkwise25.cfg");
const std::string kPage = "<!DOCTYPE html>\n<html lang=\"en\"><head><title>T</title></head>\n"
                          "<body><p>Fine</p></body></html>\n";

class CheckReliability : public ::testing::Test {
protected:
    ProgramRun run(std::vector<std::string> args, int timeoutSeconds = 20) {
        return testing_support::runProgram(MARKWISE_CHECK_EXE, dir.path(), args, timeoutSeconds);
    }
    ProgramRun withProfile(std::vector<std::string> args) {
        args.insert(args.begin(), {"--config", kProfile});
        return run(args);
    }

    // markwise-check run in this process, every file call going through `fs`.
    using InProcess = testing_support::InProcessCheck;
    InProcess runWith(platform::FileSystem& fs, const std::vector<std::string>& args) {
        return testing_support::checkInProcess(args, "", fs);
    }

    TempDir dir;
};

TEST_F(CheckReliability, NeverWritesOverItsOwnInputs) {
    dir.write("doc.html", kPage);
    const std::string configuration = readFile(kProfile);
    dir.write("my.cfg", configuration);
    dir.write("keep.log", "earlier entries\n");
    dir.write("list.txt", "doc.html\n");
    dir.write("project.ini", "LineLength=70\n");

    struct Case {
        std::vector<std::string> args;
        std::string expected;  // on standard error
    };
    const std::vector<Case> cases = {
        {{"--config", "my.cfg", "--output", "my.cfg", "doc.html"},
         "markwise-check: my.cfg: is also the HTML Configuration of this command; not replaced\n"},
        {{"--config", "my.cfg", "--output", "doc.html", "doc.html"},
         "markwise-check: doc.html: is also a document this command checks; not replaced\n"},
        {{"--config", "my.cfg", "--output", "keep.log", "--set", "EnableLogging=1", "--set",
          "LogFilename=keep.log", "doc.html"},
         "markwise-check: the log keep.log: is also the report of this command; not written\n"},
        {{"--config", "my.cfg", "--set", "EnableLogging=1", "--set", "LogFilename=doc.html",
          "doc.html"},
         "markwise-check: the log doc.html: is also a document this command checks; not written\n"},
        {{"--config", "my.cfg", "--set", "EnableLogging=1", "--set", "LogFilename=my.cfg",
          "doc.html"},
         "markwise-check: the log my.cfg: is also the HTML Configuration of this command; not "
         "written\n"},
        // A document that does not exist yet is its own report's name: nothing is created.
        {{"--config", "my.cfg", "--output", "new.html", "new.html"},
         "markwise-check: new.html: is also a document this command checks; not replaced\n"},
        {{"--config", "my.cfg", "--output", "./sub/../new.html", "new.html"},
         "markwise-check: ./sub/../new.html: is also a document this command checks; not "
         "replaced\n"},
        // The other files it reads: the list of documents and the project's settings.
        {{"--config", "my.cfg", "--files-from", "list.txt", "--output", "list.txt"},
         "markwise-check: list.txt: is also the list of documents of this command; not "
         "replaced\n"},
        {{"--config", "my.cfg", "--files-from", "list.txt", "--set", "EnableLogging=1", "--set",
          "LogFilename=list.txt"},
         "markwise-check: the log list.txt: is also the list of documents of this command; not "
         "written\n"},
        {{"--config", "my.cfg", "--settings", "project.ini", "--output", "project.ini",
          "doc.html"},
         "markwise-check: project.ini: is also the settings of this command; not replaced\n"},
    };
    for (const Case& c : cases) {
        ProgramRun outcome = run(c.args);
        EXPECT_EQ(outcome.exitCode, 2) << c.args[3];
        EXPECT_EQ(outcome.err, c.expected);
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(readFile(dir.file("doc.html")), kPage);
    EXPECT_EQ(readFile(dir.file("my.cfg")), configuration);
    EXPECT_EQ(readFile(dir.file("keep.log")), "earlier entries\n");
    EXPECT_EQ(readFile(dir.file("list.txt")), "doc.html\n");
    EXPECT_EQ(readFile(dir.file("project.ini")), "LineLength=70\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.html")));

    // A document read from standard input that is a file.
    ProgramRun piped = testing_support::runProgram(
        "/bin/bash", dir.path(),
        {"-c", "exec \"$0\" --config my.cfg - --output doc.html < doc.html",
         MARKWISE_CHECK_EXE});
    EXPECT_EQ(piped.exitCode, 2);
    EXPECT_EQ(piped.err, "markwise-check: doc.html: is also what this command reads from "
                         "standard input; not replaced\n");
    EXPECT_EQ(readFile(dir.file("doc.html")), kPage);

    // With profiles chosen by DOCTYPE, every profile, each loaded when a document asks for it.
    const std::string profiles = dir.file("profiles");
    std::filesystem::create_directory(profiles);
    for (const auto& entry : std::filesystem::directory_iterator(MARKWISE_PROFILE_DIR)) {
        if (entry.path().extension() == ".cfg") {
            std::filesystem::copy_file(entry.path(), profiles / entry.path().filename());
        }
    }
    const std::string strict = profiles + "/mkwise-html401-strict.cfg";
    const std::string strictBytes = readFile(strict);
    const std::string page = dir.write(
        "strict.html", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<p>x</p>\n");
    InProcess automatic = testing_support::checkInProcess(
        {"--profile", "auto", page, "--output", strict}, profiles + "/",
        platform::systemFileSystem());
    EXPECT_EQ(automatic.exitCode, 2);
    EXPECT_EQ(automatic.err, "markwise-check: " + strict +
                                 ": is also a profile of this command; not replaced\n");
    EXPECT_EQ(readFile(strict), strictBytes);
}

TEST_F(CheckReliability, ReplacesOnlyRegularWritableReports) {
    dir.write("doc.html", kPage);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink("/dev/null", dir.file("null"));
    dir.write("locked.txt", "kept");
    ::chmod(dir.file("locked.txt").c_str(), 0444);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"fifo", "fifo: is a FIFO (named pipe), not a regular file; not replaced"},
        {"folder", "folder: is a directory; not replaced"},
        {"null", "null: is a character device, not a regular file; not replaced"},
        {"locked.txt", "locked.txt: is read-only; not replaced"},
    };
    for (const auto& [target, message] : cases) {
        ProgramRun outcome = withProfile({"--output", target, "doc.html"});
        EXPECT_EQ(outcome.exitCode, 2) << target;
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.err, "markwise-check: " + message + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")));
    EXPECT_EQ(readFile(dir.file("locked.txt")), "kept");

    // A report that can be written keeps the bits of the file it replaces.
    dir.write("report.txt", "old");
    ::chmod(dir.file("report.txt").c_str(), 0640);
    EXPECT_EQ(withProfile({"--output", "report.txt", "doc.html"}).exitCode, 0);
    struct stat info {};
    ::stat(dir.file("report.txt").c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(readFile(dir.file("report.txt")).find("No errors or warnings"), std::string::npos);
}

TEST_F(CheckReliability, ReadsOnlyRegularFilesAndNeverWaits) {
    dir.write("doc.html", kPage);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"--config", kProfile, "fifo"},
         "markwise-check: fifo: is a FIFO (named pipe), not a regular file\n"},
        {{"--config", "fifo", "doc.html"},
         "markwise-check: There was an error opening the HTML Configuration file \"fifo\". The "
         "configuration could not be loaded. Cause: is a FIFO (named pipe), not a regular file.\n"},
        {{"--config", kProfile, "/dev/zero"},
         "markwise-check: /dev/zero: is a character device, not a regular file\n"},
        {{"--config", ".", "doc.html"},
         "markwise-check: There was an error opening the HTML Configuration file \".\". The "
         "configuration could not be loaded. Cause: is a directory.\n"},
    };
    for (const Case& c : cases) {
        ProgramRun outcome = run(c.args, 10);
        EXPECT_FALSE(outcome.timedOut) << c.args.back();
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.err, c.expected);
    }

    // A document too large to be checked is named with its size, not an internal error.
    const std::string huge = dir.file("huge.html");
    {
        const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 5'000'000'000LL), 0);  // sparse: takes no room
        ::close(fd);
    }
    ProgramRun outcome = withProfile({"huge.html"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, "markwise-check: huge.html: is 5000000000 bytes long, more than the "
                           "4294967295 bytes Markwise can check\n");
    EXPECT_EQ(outcome.err.find("SERIOUS"), std::string::npos);

    // Files under /proc report no size but have contents, which are checked.
    outcome = run({"--scan-only", "/proc/self/status"});
    EXPECT_NE(outcome.out.find("Name:"), std::string::npos);
}

TEST_F(CheckReliability, NamesWithControlCharactersCannotForgeLines) {
    const std::string evil = "ev\nFILENAME=evil\nENDOFFILE=YES\nil.html";
    dir.write(evil, kPage);
    ProgramRun outcome = withProfile({"--format", "kv", "--set", "EnableLogging=1", "--set",
                                      "LogFilename=log.txt", evil});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_NE(outcome.out.find("FILENAME=ev\\x0AFILENAME=evil\\x0AENDOFFILE=YES\\x0Ail.html\n"),
              std::string::npos);
    EXPECT_EQ(outcome.out.find("\nFILENAME=evil\n"), std::string::npos);
    const std::string log = readFile(dir.file("log.txt"));
    EXPECT_NE(log.find("ev\\x0AFILENAME=evil\\x0AENDOFFILE=YES\\x0Ail.html\n"), std::string::npos);
    EXPECT_EQ(log.find("\nFILENAME=evil"), std::string::npos);
}

TEST_F(CheckReliability, WithoutALoadableDefaultConfigurationItStopsAndSaysWhatToDo) {
    dir.write("doc.html", kPage);
    ProgramRun outcome = run({"--set", "DefaultConfigurationFilenameV25=gone/mkwise25.cfg", "doc.html"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err,
              "markwise-check: There was an error opening the HTML Configuration file "
              "\"gone/mkwise25.cfg\". The configuration could not be loaded. Cause: cannot open: No "
              "such file or directory. Name a configuration with --config FILE, or check without "
              "one with --scan-only.\n");
    EXPECT_EQ(outcome.out, "");
}

// A log entry that cannot be written is reported with the file and the cause and makes the run
// fail, while the report is still written; a fault at any step of the append is caught.
TEST_F(CheckReliability, AFailedLogWriteIsReportedAndFailsTheRun) {
    const std::string doc = dir.write("doc.html", kPage);
    const std::string log = dir.write("log.txt", "earlier\n");
    const std::vector<std::string> args = {"--config", kProfile, "--set", "EnableLogging=1",
                                           "--set", "LogFilename=" + log, doc};
    // The append is the run's last call of each of these kinds: a clean run counts them.
    FaultyFileSystem probe;
    ASSERT_EQ(runWith(probe, args).exitCode, 0);
    for (FileOp op : {FileOp::Open, FileOp::Lock, FileOp::Write, FileOp::Close}) {
        FaultyFileSystem faulty;
        faulty.failAt(op, probe.calls(op), ENOSPC);
        InProcess result = runWith(faulty, args);
        SCOPED_TRACE(testing_support::fileOpName(op));
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find("the log " + log + ": cannot"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
        EXPECT_NE(result.out.find("No errors or warnings"), std::string::npos);
    }
    std::filesystem::remove(log);
    std::filesystem::create_directory(log);
    // A log that cannot be opened is said once; the report is written all the same.
    InProcess folder = runWith(platform::systemFileSystem(), args);
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_EQ(folder.err, "markwise-check: the log " + log + ": is a directory; not written\n");
    EXPECT_NE(folder.out.find("No errors or warnings"), std::string::npos) << folder.out;
}

// Past the user's file size limit (ulimit -f) a write fails with "File too large" instead of
// ending the program without a word: a log entry that fits only in part is taken back, and a
// report that does not fit leaves the old one and no temporary file.
TEST_F(CheckReliability, TheFileSizeLimitIsAFailedWriteNotAKill) {
    const std::string doc = dir.write("doc.html", kPage);
    const std::string earlier(4000, 'x');
    const std::string log = dir.write("log.txt", earlier);
    auto limited = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"-c", "ulimit -f 4 && exec \"$0\" \"$@\"", MARKWISE_CHECK_EXE,
                                   "--config", kProfile});
        return testing_support::runProgram("/bin/bash", dir.path(), args);
    };
    ProgramRun logged =
        limited({"--set", "EnableLogging=1", "--set", "LogFilename=" + log, doc});
    EXPECT_EQ(logged.exitCode, 2);
    EXPECT_NE(logged.err.find("the log " + log + ": cannot write: File too large"),
              std::string::npos)
        << logged.err;
    EXPECT_NE(logged.out.find("No errors or warnings"), std::string::npos);
    EXPECT_EQ(readFile(log), earlier);

    const std::string report = dir.write("report.txt", "the previous report\n");
    std::string big = "<p>";
    for (int i = 0; i < 2000; ++i) big += "a &bogus; b\n";
    const std::string faulty = dir.write("big.html", big);
    ProgramRun reported = limited({"--all", "--output", report, faulty});
    EXPECT_EQ(reported.exitCode, 2);
    EXPECT_NE(reported.err.find(report + ": cannot write: File too large"), std::string::npos)
        << reported.err.substr(0, 500);
    EXPECT_EQ(readFile(report), "the previous report\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.html", "doc.html", "log.txt", "report.txt"}));
}

// A document whose lines cannot be held within the user's limit on memory (ulimit -v) is named
// on standard error with the cause, as any document that cannot be checked; the windowed
// program's serious-error box is not shown on the terminal. (Programs built with the address
// sanitizer reserve more address space than any such limit leaves.)
TEST_F(CheckReliability, ADocumentTooLargeForTheMemoryLimitIsNamedWithoutASeriousError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limits leave";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limits leave";
#endif
#endif
    std::string lines;
    lines.reserve(27'000'000);
    for (int i = 0; i < 3'000'000; ++i) lines += "<p>x</p>\n";
    const std::string big = dir.write("big.html", lines);
    int heldBack = 0;
    for (int kilobytes = 16000; kilobytes <= 120000; kilobytes += 4000) {
        const std::vector<std::string> args = {
            "-c", "ulimit -v " + std::to_string(kilobytes) + " && exec \"$0\" \"$@\"",
            MARKWISE_CHECK_EXE, "--config", kProfile, "-j", "1", "--summary", big};
        const ProgramRun run = testing_support::runProgram("/bin/bash", dir.path(), args);
        EXPECT_EQ(run.err.find("SERIOUS ERROR"), std::string::npos) << kilobytes << ": " << run.err;
        if (run.err.find(big + ": could not be held in memory") != std::string::npos) {
            EXPECT_EQ(run.exitCode, 2);
            ++heldBack;
        }
    }
    EXPECT_GT(heldBack, 0);
}

// Every listing, and a report to standard output, fails when standard output cannot be
// written.
TEST_F(CheckReliability, OutputThatCannotBeWrittenFailsEveryListing) {
    const std::string doc = dir.write("doc.html", kPage);
    platform::FakeUserInterface ui;
    platform::FakeClock clock;
    platform::SystemFiles files;
    const std::vector<std::vector<std::string>> commands = {
        {"--help"}, {"--version"}, {"--list-messages"}, {"--list-profiles"},
        {"--config", kProfile, "--list-options"}, {"--config", kProfile, doc}};
    for (const std::vector<std::string>& args : commands) {
        std::FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        std::FILE* err = std::tmpfile();
        app::CheckEnvironment env{full, err, ui, clock, files, MARKWISE_PROFILE_DIR};
        EXPECT_EQ(app::runCheckCommand(args, env), 2) << args.back();
        std::string said(512, '\0');
        std::rewind(err);
        said.resize(std::fread(said.data(), 1, said.size(), err));
        EXPECT_NE(said.find("markwise-check: standard output: the "), std::string::npos)
            << args.back() << ": " << said;
        std::fclose(full);
        std::fclose(err);
    }
}

// When the report's output fails (a full disk, a closed pipe), markwise-check says once which
// output failed and why and shows no serious-error box for it, with one job or several; with
// one job it checks no further document (with several, another worker may already have).
TEST_F(CheckReliability, AnOutputThatFailsIsSaidOnceWithItsCauseAndEndsTheRun) {
    std::string errors;
    for (int i = 0; i < 3000; ++i) errors += "<zz>x \"y</b>\n";
    const std::string page = dir.write("errors.html", errors);
    const std::string log = dir.file("log.txt");
    for (const char* jobs : {"1", "2"}) {
        for (const char* format : {"text", "kv", "json"}) {
            SCOPED_TRACE(std::string(jobs) + " jobs, " + format);
            std::filesystem::remove(log);
            std::FILE* full = std::fopen("/dev/full", "w");
            ASSERT_NE(full, nullptr);
            std::FILE* err = std::tmpfile();
            platform::FakeUserInterface ui;
            platform::FakeClock clock;
            platform::SystemFiles files;
            app::CheckEnvironment env{full, err, ui, clock, files, MARKWISE_PROFILE_DIR};
            const std::vector<std::string> args = {
                "--config", kProfile, "--all", "-j", jobs, "--format", format,
                "--set", "EnableLogging=1", "--set", "LogFilename=" + log,
                page, page, page, page, page, page, page, page};
            ASSERT_EQ(app::runCheckCommand(args, env), 2);
            std::string said(4096, '\0');
            std::rewind(err);
            said.resize(std::fread(said.data(), 1, said.size(), err));
            EXPECT_EQ(said,
                      "markwise-check: standard output: the report could not be written: No space "
                      "left on device\n");
            EXPECT_EQ(ui.boxCount(), 0u);
            std::fclose(full);
            std::fclose(err);
            // The document whose report failed is logged; none after it is checked. (The forms
            // for editors are gathered before they are written: their failure shows later.)
            if (std::string(format) == "json") continue;
            const std::string logged = readFile(log);
            std::size_t entries = 0;
            for (std::size_t at = logged.find(page); at != std::string::npos;
                 at = logged.find(page, at + 1)) {
                ++entries;
            }
            // With one job, the first document alone; with two, the other worker may have
            // checked others before the failure was known.
            EXPECT_GE(entries, 1u);
            if (std::string(jobs) == "1") {
                EXPECT_EQ(entries, 1u) << logged;
            }
        }
    }
}

TEST_F(CheckReliability, AReportWriteThatFailsAnywhereLeavesTheOldReport) {
    const std::string doc = dir.write("doc.html", kPage);
    const std::string report = dir.write("report.txt", "the previous report\n");
    const std::vector<std::string> args = {"--config", kProfile, "--output", report, doc};
    FaultyFileSystem probe;
    ASSERT_EQ(runWith(probe, args).exitCode, 0);
    const std::string written = readFile(report);
    int failures = 0;
    for (int n = 1; n <= probe.totalCalls(); ++n) {
        dir.write("report.txt", "the previous report\n");
        FaultyFileSystem faulty;
        faulty.failCall(n, EIO);
        InProcess result = runWith(faulty, args);
        const std::string now = readFile(report);
        SCOPED_TRACE(faulty.describe());
        if (result.exitCode == 2) {
            ++failures;
            EXPECT_EQ(now, "the previous report\n");
            EXPECT_NE(result.err.find("Input/output error"), std::string::npos) << result.err;
        } else {
            EXPECT_EQ(result.exitCode, 0);
            EXPECT_EQ(now, written);
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            EXPECT_EQ(entry.path().filename().string().find(".markwise-tmp"), std::string::npos);
        }
    }
    EXPECT_GT(failures, 5);
}

// The real file system, whose mapped files can be cut short right after they are mapped, as
// an editor saving a shorter page over the one being checked would.
class MappingFileSystem : public FaultyFileSystem {
public:
    // Called from several workers at once: the names and the count are kept under a lock.
    int open(const std::string& path, int flags, mode_t mode = 0) override {
        const int fd = FaultyFileSystem::open(path, flags, mode);
        const std::lock_guard<std::mutex> lock(names_lock_);
        if (fd >= 0) names_[fd] = path;
        return fd;
    }
    const char* mapReadOnly(int fd, std::size_t size) override {
        const char* address = platform::systemFileSystem().mapReadOnly(fd, size);
        if (address != nullptr) {
            const std::lock_guard<std::mutex> lock(names_lock_);
            ++maps;
            if (names_[fd] == cut) (void)::truncate(cut.c_str(), cutTo);
        }
        return address;
    }
    void unmap(const char* address, std::size_t size) override {
        platform::systemFileSystem().unmap(address, size);
    }

    int maps = 0;      // the documents and configurations mapped
    std::string cut;   // the file cut short to `cutTo` bytes right after it is mapped
    off_t cutTo = 0;

private:
    std::mutex names_lock_;
    std::map<int, std::string> names_;
};

TEST_F(CheckReliability, LargeDocumentsAreMappedAndOneCutShortMeanwhileFailsTheRun) {
    std::string text = "<!DOCTYPE html>\n<html lang=\"en\"><head><title>T</title></head><body>\n";
    for (int i = 0; text.size() < platform::kMapFrom + 5000; ++i) {
        text += "<p>Paragraph " + std::to_string(i) + (i % 997 == 0 ? " &nosuch;" : "") + "</p>\n";
    }
    text += "</body></html>\n";
    const std::string doc = dir.write("big.html", text);
    const std::vector<std::string> args = {"--config", kProfile, doc};

    // The same report, read or mapped, on one worker and on two; the configuration is mapped
    // too.
    FaultyFileSystem reading;
    const InProcess read = runWith(reading, args);
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_NE(read.out.find("Paragraph 997 &nosuch;"), std::string::npos);
    for (const char* jobs : {"1", "2"}) {
        MappingFileSystem mapping;
        std::vector<std::string> withJobs = {"-j", jobs};
        withJobs.insert(withJobs.end(), args.begin(), args.end());
        withJobs.push_back(doc);
        const InProcess mapped = runWith(mapping, withJobs);
        SCOPED_TRACE(jobs);
        EXPECT_EQ(mapping.maps, 3);
        EXPECT_EQ(mapped.out, read.out + read.out);
        EXPECT_EQ(mapped.err, "");
    }

    // Cut short right after it is mapped: the rest reads as empty, and the run says so.
    MappingFileSystem cutting;
    cutting.cut = doc;
    cutting.cutTo = 1000;
    const InProcess cut = runWith(cutting, args);
    EXPECT_EQ(cutting.maps, 2);
    EXPECT_EQ(cut.exitCode, 2);
    EXPECT_EQ(cut.err, "markwise-check: " + doc +
                           ": was cut short while it was being checked; its report does not "
                           "describe it\n");

    // A configuration cut short while it is read is not taken for a whole one.
    const std::string profile = readFile(kProfile);
    const std::string configuration = dir.write("my.cfg", profile);
    dir.write("small.html", kPage);
    MappingFileSystem cuttingConfiguration;
    cuttingConfiguration.cut = configuration;
    // At a page boundary: the rest of a page past the end reads as zeros without a fault.
    cuttingConfiguration.cutTo = static_cast<off_t>(profile.size() / 2) & ~off_t{0xFFFF};
    const InProcess noConfiguration =
        runWith(cuttingConfiguration, {"--config", configuration, dir.file("small.html")});
    EXPECT_EQ(noConfiguration.exitCode, 2);
    EXPECT_NE(noConfiguration.err.find("was cut short while it was being read"), std::string::npos)
        << noConfiguration.err;
    EXPECT_EQ(noConfiguration.out, "");
}

}  // namespace
