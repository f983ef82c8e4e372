// markwise-cfg as a user runs it: what each command writes, its exit code and its messages.
#include <gtest/gtest.h>


#include <algorithm>
#include <string>
#include <vector>

#include "app/cfg_command.h"
#include "cfg_test_models.h"
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

// The output file comes last: forgetting it must not cost the last source text, and a text of
// nothing but comments and blank lines (a dump that failed, say) builds nothing.
TEST_F(CfgCommand, BuildReplacesNothingButAConfiguration) {
    dir.write("rules.txt", "html-configuration\n");
    dir.write("mine.txt", "html-configuration\n# my rules\n");
    Outcome forgotten = run({"build", "rules.txt", "mine.txt"});
    EXPECT_EQ(forgotten.exitCode, 2);
    EXPECT_EQ(forgotten.err, "markwise-cfg: mine.txt: is no HTML Configuration file; not replaced "
                             "(the output file is the last name given to build)\n");
    EXPECT_EQ(bytes("mine.txt"), "html-configuration\n# my rules\n");

    ASSERT_EQ(run({"build", "rules.txt", "out.cfg"}).exitCode, 0);
    EXPECT_EQ(run({"build", "rules.txt", "out.cfg"}).exitCode, 0);
    dir.write("empty.cfg", "");
    EXPECT_EQ(run({"build", "rules.txt", "empty.cfg"}).exitCode, 0);
    EXPECT_EQ(bytes("empty.cfg"), bytes("out.cfg"));

    dir.write("nothing.txt", "# nothing yet\n\n");
    Outcome nothing = run({"build", "nothing.txt", "out.cfg"});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(nothing.err, "nothing.txt: the text holds no statement: it must begin with "
                           "'html-configuration version 2'\n");
    EXPECT_EQ(bytes("out.cfg"), bytes("empty.cfg"));
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

// A version-1 rule set with one entry of each cleanable kind in "(undefined)" or used by
// nothing that stays: OLD (undefined) is the only user of ONLYOLD, the only user of gone.
constexpr const char* kCleanable =
    "html-configuration version 1\n"
    "category (all)\n  id 0\n  builtin 1\n"
    "category (undefined)\n  id 1\n  builtin 2\n"
    "category Basic\n  id 2\n"
    "active Basic\n"
    "tag (everywhere)\n  id 0\n  builtin 1\n  category (all)\n"
    "tag OLD\n  category (undefined)\n  attributes ONLYOLD\n"
    "tag P\n  category Basic\n  valid-in (everywhere)\n  attributes ALIGN\n"
    "attribute ONLYOLD\n  category Basic\n  values gone\n"
    "attribute ALIGN\n  category Basic\n  values left\n"
    "value gone\n  category Basic\n"
    "value left\n  category Basic\n"
    "value \"(string)\"\n  id 6\n  builtin 4\n  category (all)\n"
    "entity junk\n  category (undefined)\n"
    "entity nbsp\n  category Basic\n";

TEST_F(CfgCommand, CleanSavesWhatIsLeftInTheInputsFormatVersion) {
    dir.write("rules.txt", kCleanable);
    ASSERT_EQ(run({"build", "rules.txt", "v1.cfg"}).exitCode, 0);
    ASSERT_EQ(run({"copy", "--upgrade", "v1.cfg", "v2.cfg"}).exitCode, 0);
    for (const std::string version : {"1", "2"}) {
        const std::string in = "v" + version + ".cfg";
        const std::string out = "clean" + version + ".cfg";
        Outcome cleaned = run({"clean", in, out});
        EXPECT_EQ(cleaned.exitCode, 0) << cleaned.err;
        EXPECT_EQ(cleaned.err, "");
        EXPECT_EQ(cleaned.out,
                  "1 tag names deleted, 1 attributes deleted, 1 attribute values deleted, and 1 "
                  "entities deleted.\n");
        const std::string bytes = this->bytes(out);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes[0], version[0] - '0');
        Outcome text = run({"dump", out});
        EXPECT_NE(text.out.find("html-configuration version " + version), std::string::npos);
        for (const char* gone : {"tag OLD", "attribute ONLYOLD", "value gone", "entity junk"}) {
            EXPECT_EQ(text.out.find(gone), std::string::npos) << gone;
        }
        for (const char* kept : {"tag P", "attribute ALIGN", "value left", "entity nbsp",
                                 "value (string)"}) {
            EXPECT_NE(text.out.find(kept), std::string::npos) << kept;
        }
        // Cleaning again deletes nothing and saves as copy does.
        Outcome again = run({"clean", out, "again.cfg"});
        EXPECT_EQ(again.out,
                  "0 tag names deleted, 0 attributes deleted, 0 attribute values deleted, and 0 "
                  "entities deleted.\n");
        ASSERT_EQ(run({"copy", out, "copy.cfg"}).exitCode, 0);
        EXPECT_EQ(this->bytes("again.cfg"), this->bytes("copy.cfg"));
    }
    // OUT may be IN: the file is replaced whole.
    EXPECT_EQ(run({"clean", "v1.cfg", "v1.cfg"}).exitCode, 0);
    EXPECT_EQ(bytes("v1.cfg"), bytes("clean1.cfg"));
}

TEST_F(CfgCommand, AnalyzePrintsTheSevenListingsInOrder) {
    dir.write("rules.txt", kCleanable);
    ASSERT_EQ(run({"build", "rules.txt", "rules.cfg"}).exitCode, 0);
    Outcome analyzed = run({"analyze", "rules.cfg"});
    EXPECT_EQ(analyzed.exitCode, 0);
    EXPECT_EQ(analyzed.err, "");
    EXPECT_EQ(analyzed.out,
              "Tag Names With Undefined Categories: OLD (001)\n"
              "Tag Names With No Specified Valid Range: (everywhere) (000) OLD (001)\n"
              "Tag Names With No Attributes: (everywhere) (000)\n"
              "Attributes Not Assigned to Any Tag Name: All attributes have been assigned to at "
              "least one tag name.\n"
              "Attributes With Undefined Categories: All attributes have been assigned to a "
              "category.\n"
              "Attribute Values Not Assigned to Any Attribute: (string) (006)\n"
              "Attribute Values With Undefined Categories: All attribute values have been "
              "assigned to a category.\n");
    const std::string before = bytes("rules.cfg");
    EXPECT_EQ(run({"analyze", "rules.cfg"}).out, analyzed.out);
    EXPECT_EQ(bytes("rules.cfg"), before) << "analyze writes nothing";
}

// A name holding control bytes, as a downloaded configuration may, is listed by analyze with
// them written as \xHH: the terminal never receives them.
TEST_F(CfgCommand, AnalyzeShowsControlBytesOfNamesInert) {
    ASSERT_EQ(run({"builtins", "base.cfg"}).exitCode, 0);
    dir.write("base.txt", run({"dump", "base.cfg"}).out);
    dir.write("odd.txt", "tag \"X\\x1B]0;PWN\\x07Y\"\n  category (undefined)\n");
    ASSERT_EQ(run({"build", "base.txt", "odd.txt", "odd.cfg"}).exitCode, 0);
    const Outcome analyzed = run({"analyze", "odd.cfg"});
    EXPECT_EQ(analyzed.exitCode, 0);
    EXPECT_NE(analyzed.out.find("X\\x1B]0;PWN\\x07Y"), std::string::npos) << analyzed.out;
    EXPECT_EQ(analyzed.out.find('\x1B'), std::string::npos);
    EXPECT_EQ(analyzed.out.find('\x07'), std::string::npos);
}

TEST_F(CfgCommand, CleanAndAnalyzeRefuseWhatTheyCannotReadAndWriteNothing) {
    dir.write("bad.cfg", std::string("\3\0\0\0", 4));
    dir.write("rules.txt", "tag P\n  closing optional\n");
    dir.write("page.html", "\xEF\xBB\xBF\n  <!DOCTYPE html>\n<title>x</title>\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"clean", "bad.cfg", "out.cfg"}, 1,
         "markwise-cfg: bad.cfg: corrupt: the format version is 3, not 1 or 2\n"},
        {{"analyze", "bad.cfg"}, 1,
         "markwise-cfg: bad.cfg: corrupt: the format version is 3, not 1 or 2\n"},
        {{"clean", "missing.cfg", "out.cfg"}, 2,
         "markwise-cfg: missing.cfg: cannot open: No such file or directory\n"},
        {{"analyze", "missing.cfg"}, 2,
         "markwise-cfg: missing.cfg: cannot open: No such file or directory\n"},
        // A text where a configuration file belongs, and a shipped profile named without its
        // folder: each with what to do.
        {{"dump", "rules.txt"}, 1,
         "markwise-cfg: rules.txt: corrupt: the format version is 543646068, not 1 or 2 (this "
         "looks like the text form: make a configuration file of it with markwise-cfg build)\n"},
        {{"dump", "page.html"}, 1,
         "markwise-cfg: page.html: corrupt: the format version is 180337647, not 1 or 2 (this "
         "looks like an HTML document: markwise-check validates documents)\n"},
        {{"dump", "mkwise25.cfg"}, 2,
         "markwise-cfg: mkwise25.cfg: cannot open: No such file or directory (a shipped "
         "profile: markwise-check --list-profiles shows where it is)\n"},
        {{"clean", "bad.cfg"}, 2, "markwise-cfg: clean takes 2 files (see markwise-cfg --help)\n"},
        {{"builtins", "-"}, 2,
         "markwise-cfg: builtins writes a configuration file: name it (not '-') (see "
         "markwise-cfg --help)\n"},
        {{"analyze", "a.cfg", "b.cfg"}, 2,
         "markwise-cfg: analyze takes 1 file (see markwise-cfg --help)\n"},
    };
    for (const Case& c : cases) {
        Outcome outcome = run(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.args[0];
        EXPECT_EQ(outcome.err, c.err);
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.cfg")));
    ASSERT_EQ(run({"builtins", "builtins.cfg"}).exitCode, 0);
    EXPECT_EQ(run({"clean", "builtins.cfg", "no-such-folder/out.cfg"}).exitCode, 2);
    Outcome help = run({"--help"});
    EXPECT_NE(help.out.find("       markwise-cfg clean IN OUT\n"), std::string::npos);
    EXPECT_NE(help.out.find("       markwise-cfg analyze FILE\n"), std::string::npos);
}

TEST_F(CfgCommand, AFailedDeletionWhileCleaningWritesNothing) {
    dir.write("rules.txt", kCleanable);
    ASSERT_EQ(run({"build", "rules.txt", "rules.cfg"}).exitCode, 0);
    dir.write("out.cfg", "old contents");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    platform::SystemFiles files;
    app::CfgEnvironment env{out, err, files, &platform::systemFileSystem(), [] {
                                auto store = std::make_unique<testing_support::FailingCfgStore>();
                                store->failing = {testing_support::FailingCfgStore::Delete};
                                return std::unique_ptr<CfgStore>(std::move(store));
                            }};
    const std::vector<std::string> args = {"clean", dir.file("rules.cfg"), dir.file("out.cfg")};
    EXPECT_EQ(app::runCfgCommand(args, env), 1);
    auto contents = [](std::FILE* file) {
        std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
        std::rewind(file);
        std::size_t got = std::fread(text.data(), 1, text.size(), file);
        text.resize(got);
        std::fclose(file);
        return text;
    };
    EXPECT_EQ(contents(out), "");
    EXPECT_EQ(contents(err),
              "markwise-cfg: A serious error has occurred and the cleaning has failed.\n");
    EXPECT_EQ(bytes("out.cfg"), "old contents");
}

// What a command prints is part of its result: a verdict, counts, listings or a text that
// cannot be written to standard output fail the command.
TEST_F(CfgCommand, OutputThatCannotBeWrittenFailsEveryCommand) {
    ASSERT_EQ(run({"builtins", "builtins.cfg"}).exitCode, 0);
    const std::string cfg = dir.file("builtins.cfg");
    platform::SystemFiles files;
    const std::vector<std::vector<std::string>> commands = {
        {"dump", cfg}, {"check", cfg}, {"analyze", cfg}, {"clean", cfg, dir.file("clean.cfg")},
        {"--help"}};
    for (const std::vector<std::string>& args : commands) {
        std::FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        std::FILE* err = std::tmpfile();
        app::CfgEnvironment env{full, err, files};
        EXPECT_EQ(app::runCfgCommand(args, env), 2) << args[0];
        std::string said(256, '\0');
        std::rewind(err);
        said.resize(std::fread(said.data(), 1, said.size(), err));
        EXPECT_EQ(said, "markwise-cfg: standard output: the text could not be written\n")
            << args[0];
        std::fclose(full);
        std::fclose(err);
    }
}

}  // namespace
