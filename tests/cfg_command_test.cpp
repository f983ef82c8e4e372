// markwise-cfg as a user runs it: what each command writes, its exit code and its messages.
#include <gtest/gtest.h>


#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;

using Outcome = testing_support::ProgramRun;

class CfgCommand : public ::testing::Test {
protected:
    Outcome run(const std::vector<std::string>& args) {
        return testing_support::runProgram(MARKWISE_CFG_EXE, dir.path(), args);
    }

    // dump, then build from the text: the bytes that come back.
    std::string rebuilt(const std::string& file) {
        Outcome dumped = run({"dump", file});
        EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
        dir.write("rebuilt.txt", dumped.out);
        Outcome built = run({"build", "rebuilt.txt", "rebuilt.cfg"});
        EXPECT_EQ(built.exitCode, 0) << built.err;
        return readFile(dir.file("rebuilt.cfg"));
    }

    std::string bytes(const std::string& name) { return readFile(dir.file(name)); }

    TempDir dir;
};

constexpr const char* kSource =
    "html-configuration version 1\n"
    "state loaded=5 saved=0\n"
    "category Basic\n"
    "active Basic\n"
    "tag TD\n"
    "  category Basic\n"
    "  valid-in TR\n"
    "tag TR\n"
    "  version 2\n"
    "  message \"row\"\n";

TEST_F(CfgCommand, EveryFileItWritesComesBackByteForByteThroughItsText) {
    ASSERT_EQ(run({"builtins", "builtins.cfg"}).exitCode, 0);
    EXPECT_EQ(rebuilt("builtins.cfg"), bytes("builtins.cfg"));

    dir.write("rules.txt", kSource);
    Outcome built = run({"build", "rules.txt", "rules.cfg"});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    EXPECT_EQ(built.out + built.err, "");
    const std::string rules = bytes("rules.cfg");
    EXPECT_EQ(rules.substr(0, 12), std::string("\1\0\0\0\5\0\0\0\0\0\0\0", 12))
        << "the version and both flags as the text says";
    EXPECT_EQ(rebuilt("rules.cfg"), rules);

    // copy saves as the program does: the versions kept, the flags those of a loaded model.
    ASSERT_EQ(run({"copy", "rules.cfg", "copy.cfg"}).exitCode, 0);
    const std::string copy = bytes("copy.cfg");
    EXPECT_EQ(copy.substr(0, 12), std::string("\1\0\0\0\1\0\0\0\1\0\0\0", 12));
    EXPECT_EQ(copy.substr(12), rules.substr(12));
    EXPECT_EQ(rebuilt("copy.cfg"), copy);

    ASSERT_EQ(run({"copy", "--upgrade", "rules.cfg", "upgraded.cfg"}).exitCode, 0);
    const std::string upgraded = bytes("upgraded.cfg");
    EXPECT_EQ(upgraded[0], 2);
    EXPECT_EQ(rebuilt("upgraded.cfg"), upgraded);
    Outcome text = run({"dump", "upgraded.cfg"});
    EXPECT_NE(text.out.find("html-configuration version 2\n"), std::string::npos);
    EXPECT_EQ(text.out.find("  version "), std::string::npos) << "every entry in version 2";
}

TEST_F(CfgCommand, CheckSaysWhetherAFileIsValidAndWhyNot) {
    ASSERT_EQ(run({"builtins", "builtins.cfg"}).exitCode, 0);
    Outcome valid = run({"check", "builtins.cfg"});
    EXPECT_EQ(valid.exitCode, 0);
    EXPECT_EQ(valid.out,
              "builtins.cfg: valid HTML Configuration (format version 2, 2 tag names, "
              "1 attribute, 23 attribute values, 2 categories, 4 character entities, "
              "0 spare entries)\n");

    const std::string good = bytes("builtins.cfg");
    struct Case {
        std::string bytes;
        std::string reason;
    };
    const std::vector<Case> corrupt = {
        {"", "the file is too short to hold a format version"},
        {std::string("\3\0\0\0", 4), "the format version is 3, not 1 or 2"},
        {"<html>", "the format version is 1836345404, not 1 or 2"},
        {good.substr(0, good.size() - 1), "entity 4 is damaged or cut short"},
    };
    for (const Case& c : corrupt) {
        dir.write("bad.cfg", c.bytes);
        Outcome checked = run({"check", "bad.cfg"});
        EXPECT_EQ(checked.exitCode, 1) << c.reason;
        EXPECT_TRUE(checked.out.starts_with("bad.cfg: corrupt: " + c.reason)) << checked.out;
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"dump", "bad.cfg"}, {"copy", "bad.cfg", "out.cfg"}}) {
            Outcome refused = run(args);
            EXPECT_EQ(refused.exitCode, 1);
            EXPECT_EQ(refused.out, "");
            EXPECT_TRUE(refused.err.starts_with("markwise-cfg: bad.cfg: corrupt: " + c.reason));
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.cfg")));
    }
}

TEST_F(CfgCommand, SourceMistakesAreShownWithTheirLinesAndNothingIsWritten) {
    dir.write("old.cfg", "old contents");
    dir.write("rules.txt", "html-configuration\ntag A\n  closing maybe\ntag B\n  valid-in C\n");
    Outcome built = run({"build", "rules.txt", "old.cfg"});
    EXPECT_EQ(built.exitCode, 1);
    EXPECT_EQ(built.err,
              "rules.txt:3: closing takes one of: required, optional, none\n"
              "rules.txt:5: no tag is named C\n");
    EXPECT_EQ(bytes("old.cfg"), "old contents");
}

TEST_F(CfgCommand, WrongArgumentsAndUnreadableFilesAreOneLineErrors) {
    std::filesystem::create_directory(dir.path() / "folder");
    dir.write("rules.txt", "html-configuration\n");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"dump"},
        {"dump", "a.cfg", "b.cfg"},
        {"build", "rules.txt"},
        {"check", "--upgrade", "a.cfg"},
        {"--verbose", "check", "a.cfg"},
        {"check", "missing.cfg"},
        {"dump", "folder"},
        {"copy", "missing.cfg", "out.cfg"},
        {"build", "missing.txt", "out.cfg"},
        {"build", "rules.txt", "no-such-folder/out.cfg"},
        {"build", "rules.txt", "./rules.txt"},
        {"builtins", "folder"},
    };
    for (const auto& args : cases) {
        Outcome outcome = run(args);
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        EXPECT_EQ(outcome.exitCode, 2) << shown;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << shown << outcome.err;
        EXPECT_TRUE(outcome.err.starts_with("markwise-cfg: ")) << shown << outcome.err;
        EXPECT_EQ(outcome.out, "") << shown;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.cfg")));
    EXPECT_EQ(bytes("rules.txt"), "html-configuration\n");

    Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: markwise-cfg dump FILE\n"));
    EXPECT_EQ(help.err, "");
}

}  // namespace
