// markwise-cfg as a careless or hostile user runs it: configuration files are written safely
// or not at all, and nothing else is ever replaced.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cfg_command.h"
#include "fault_injection.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using testing_support::FaultyFileSystem;
using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::TempDir;

const std::string kProfile = std::string(MARKWISE_PROFILE_DIR "/mkwise25.cfg");

class CfgReliability : public ::testing::Test {
protected:
    ProgramRun run(const std::vector<std::string>& args) {
        return testing_support::runProgram(MARKWISE_CFG_EXE, dir.path(), args, 20);
    }

    int runWith(platform::FileSystem& fs, const std::vector<std::string>& args, std::string& err) {
        char* errData = nullptr;
        std::size_t errSize = 0;
        std::FILE* out = std::tmpfile();
        std::FILE* errStream = open_memstream(&errData, &errSize);
        platform::SystemFiles files;
        app::CfgEnvironment env{out, errStream, files, &fs};
        const int code = app::runCfgCommand(args, env);
        std::fclose(out);
        std::fclose(errStream);
        err.assign(errData, errSize);
        std::free(errData);
        return code;
    }

    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name.find(".markwise-tmp") != std::string::npos) names.push_back(name);
        }
        return names;
    }

    TempDir dir;
};

TEST_F(CfgReliability, WritesNothingButRegularFiles) {
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    std::filesystem::create_symlink("/dev/null", dir.file("null"));
    const std::vector<std::pair<std::string, std::string>> targets = {
        {"fifo", "is a FIFO (named pipe), not a regular file"},
        {"folder", "is a directory"},
        {"null", "is a character device, not a regular file"},
    };
    for (const auto& [target, cause] : targets) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"builtins", target},
              std::vector<std::string>{"copy", kProfile, target}}) {
            ProgramRun outcome = run(args);
            EXPECT_EQ(outcome.exitCode, 2) << args[0] << " " << target;
            EXPECT_FALSE(outcome.timedOut);
            EXPECT_EQ(outcome.err, "markwise-cfg: " + target + ": " + cause + "; not replaced\n");
        }
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("null")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    // Reading a FIFO never waits for a writer.
    ProgramRun check = run({"check", "fifo"});
    EXPECT_FALSE(check.timedOut);
    EXPECT_EQ(check.exitCode, 2);
    EXPECT_EQ(check.err, "markwise-cfg: fifo: is a FIFO (named pipe), not a regular file\n");
}

TEST_F(CfgReliability, RefusesReadOnlyTargetsAndKeepsOwnersAndBits) {
    ASSERT_EQ(run({"builtins", "locked.cfg"}).exitCode, 0);
    const std::string before = readFile(dir.file("locked.cfg"));
    ::chmod(dir.file("locked.cfg").c_str(), 0444);
    ProgramRun refused = run({"copy", kProfile, "locked.cfg"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "markwise-cfg: locked.cfg: is read-only; not replaced\n");
    EXPECT_TRUE(readFile(dir.file("locked.cfg")) == before);

    ASSERT_EQ(run({"builtins", "shared.cfg"}).exitCode, 0);
    ::chmod(dir.file("shared.cfg").c_str(), 0664);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.file("shared.cfg").c_str(), 4242, 4242), 0);
    }
    ASSERT_EQ(run({"copy", kProfile, "shared.cfg"}).exitCode, 0);
    ASSERT_EQ(run({"copy", kProfile, "fresh.cfg"}).exitCode, 0);
    EXPECT_TRUE(readFile(dir.file("shared.cfg")) == readFile(dir.file("fresh.cfg")));
    struct stat info {};
    ::stat(dir.file("shared.cfg").c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    if (root) {
        EXPECT_EQ(info.st_uid, 4242u);
    }
}

TEST_F(CfgReliability, NeverFollowsAnotherUsersLinkInASharedFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
    const std::string victim = dir.write("victim.txt", "precious");
    std::filesystem::create_directory(dir.file("shared"));
    ::chmod(dir.file("shared").c_str(), 01777);
    std::filesystem::create_symlink(victim, dir.file("shared/mkwise25.cfg"));
    ASSERT_EQ(::lchown(dir.file("shared/mkwise25.cfg").c_str(), 4242, 4242), 0);
    ProgramRun outcome = run({"builtins", "shared/mkwise25.cfg"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, "markwise-cfg: shared/mkwise25.cfg: is a symbolic link in a shared "
                           "folder that belongs to another user; not replaced\n");
    EXPECT_EQ(readFile(victim), "precious");
}

TEST_F(CfgReliability, ASaveKilledMidwayLeavesNothingThatALaterSaveKeeps) {
    ASSERT_EQ(run({"builtins", "rules.cfg"}).exitCode, 0);
    // A save killed before its rename leaves its temporary file behind: make one with a
    // process that is gone.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    dir.write(".rules.cfg." + std::to_string(child) + ".markwise-tmp", std::string(4096, 'x'));
    ASSERT_EQ(leftovers().size(), 1u);
    ASSERT_EQ(run({"copy", kProfile, "rules.cfg"}).exitCode, 0);
    EXPECT_TRUE(leftovers().empty());
}

// The configuration save fails at each of its steps in turn: the target keeps its old bytes or
// gets all of the new ones, a failure says which file and why, and no temporary file is left.
TEST_F(CfgReliability, AFaultAtAnyStepOfASaveLosesNothing) {
    const std::string target = dir.file("rules.cfg");
    ASSERT_EQ(run({"builtins", "rules.cfg"}).exitCode, 0);
    const std::string before = readFile(target);
    const std::vector<std::string> args = {"copy", kProfile, target};
    FaultyFileSystem probe;
    std::string err;
    ASSERT_EQ(runWith(probe, args, err), 0) << err;
    const std::string after = readFile(target);
    ASSERT_NE(before, after);

    int failures = 0;
    for (int n = 1; n <= probe.totalCalls(); ++n) {
        std::filesystem::remove(target);
        dir.write("rules.cfg", before);
        FaultyFileSystem faulty;
        faulty.failCall(n, n % 2 ? ENOSPC : EIO);
        const int code = runWith(faulty, args, err);
        SCOPED_TRACE(faulty.describe());
        const std::string now = readFile(target);
        if (code != 0) {
            ++failures;
            EXPECT_EQ(code, 2);
            EXPECT_TRUE(now == before);
            EXPECT_TRUE(err.starts_with("markwise-cfg: ")) << err;
            EXPECT_TRUE(err.find(std::strerror(ENOSPC)) != std::string::npos ||
                        err.find(std::strerror(EIO)) != std::string::npos)
                << err;
        } else {
            EXPECT_TRUE(now == after);
        }
        EXPECT_TRUE(leftovers().empty());
    }
    EXPECT_GT(failures, 8);
}

}  // namespace
