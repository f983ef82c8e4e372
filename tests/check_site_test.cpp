// markwise-check on a whole site: folders, lists and standard input alike, several workers with
// the same output as one, profiles by name and by DOCTYPE, and a project's settings.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cfg_command.h"
#include "app/check_command.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "test_support.h"

namespace {

using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::TempDir;

const std::string kToday =
    "<!DOCTYPE html>\n<html lang=\"en\"><head><title>T</title></head>\n<body><p>1 > 0 &amp; "
    "\"fine\"</p><font>old</font></body></html>\n";
const std::string kStrict =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html><head><title>T</title></head>\n"
    "<body><p>A <font>font</font></p><center>x</center></body></html>\n";
const std::string kTransitional =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
    "<html><head><title>T</title></head>\n<body><p>A <font>font</font></p><center>x</center>"
    "</body></html>\n";

class CheckSite : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.file("site/news"));
        dir.write("site/index.html", kToday);
        dir.write("site/news/old.htm", kStrict);
        dir.write("site/news/older.HTML", kTransitional);
        dir.write("site/notes.txt", "<p>not taken</p>");
        for (int i = 0; i < 12; ++i) {
            dir.write("site/page" + std::to_string(i) + ".html", i % 3 ? kToday : kStrict);
        }
    }

    // markwise-check in this process, with a clock that does not move, in the test's folder.
    using Outcome = testing_support::InProcessCheck;
    Outcome check(const std::vector<std::string>& args, const std::string& folder = "") {
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.empty() ? dir.path().string() : folder);
        Outcome result = testing_support::checkInProcess(args, std::string(MARKWISE_PROFILE_DIR "/"),
                                                         platform::systemFileSystem());
        std::filesystem::current_path(previous);
        return result;
    }

    TempDir dir;
};

TEST_F(CheckSite, AFolderAListAndStandardInputGiveTheSameFindings) {
    Outcome byFolder = check({"--no-settings", "site"});
    EXPECT_EQ(byFolder.exitCode, 1);
    EXPECT_EQ(byFolder.err, "");
    EXPECT_EQ(byFolder.out.find("notes.txt"), std::string::npos);
    // Sorted byte by byte: index.html, news/old.htm, news/older.HTML, page0.html ...
    EXPECT_LT(byFolder.out.find("\"site/index.html\""), byFolder.out.find("\"site/news/old.htm\""));
    EXPECT_LT(byFolder.out.find("\"site/news/older.HTML\""), byFolder.out.find("\"site/page0.html\""));
    EXPECT_LT(byFolder.out.find("\"site/page1.html\""), byFolder.out.find("\"site/page10.html\""));

    std::string list;
    for (std::string name : {"site/index.html", "site/news/old.htm", "site/news/older.HTML"}) {
        list += name + "\n";
    }
    for (int i : {0, 1, 10, 11, 2, 3, 4, 5, 6, 7, 8, 9}) list += "site/page" + std::to_string(i) + ".html\n";
    dir.write("list.txt", list);
    Outcome byList = check({"--no-settings", "--files-from", "list.txt"});
    EXPECT_EQ(byList.out, byFolder.out);
    EXPECT_EQ(byList.exitCode, byFolder.exitCode);

    // One document through standard input, reported under the name it was given.
    ProgramRun piped = testing_support::runProgram(
        "/bin/sh", dir.path(),
        {"-c", std::string(MARKWISE_CHECK_EXE) +
                   " --no-settings --summary --stdin-filename site/index.html - < site/index.html"});
    Outcome named = check({"--no-settings", "--summary", "site/index.html"});
    EXPECT_EQ(piped.out, named.out);
    EXPECT_EQ(piped.exitCode, named.exitCode);
}

TEST_F(CheckSite, SeveralWorkersGiveTheOutputLogAndStatusOfOne) {
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{}, std::vector<std::string>{"--profile", "auto"},
          std::vector<std::string>{"--format", "kv"}, std::vector<std::string>{"--summary"}}) {
        std::vector<Outcome> outcomes;
        std::vector<std::string> logs;
        for (const char* jobs : {"1", "2", "3", "8"}) {
            const std::string log = dir.file(std::string("log") + jobs + ".txt");
            std::vector<std::string> args = {"--no-settings", "-j", jobs, "--set", "EnableLogging=1",
                                             "--set", "LogErrors=1", "--set", "LogFilename=" + log,
                                             "site", "missing.html"};
            args.insert(args.end(), extra.begin(), extra.end());
            outcomes.push_back(check(args));
            logs.push_back(readFile(log));
        }
        for (std::size_t i = 1; i < outcomes.size(); ++i) {
            EXPECT_EQ(outcomes[i].out, outcomes[0].out);
            EXPECT_EQ(outcomes[i].err, outcomes[0].err);
            EXPECT_EQ(outcomes[i].exitCode, outcomes[0].exitCode);
            EXPECT_EQ(logs[i], logs[0]);
        }
        EXPECT_EQ(outcomes[0].exitCode, 2);  // missing.html
        EXPECT_FALSE(logs[0].empty());
    }
}

TEST_F(CheckSite, LargeReportsComeWholeAndInOrderWithSeveralWorkers) {
    // Reports of some megabytes: the first goes straight to the output, and a later one's turn
    // comes while it is gathered or after it is done, depending on the workers' pace.
    std::filesystem::create_directories(dir.file("big"));
    for (int i = 0; i < 5; ++i) {
        std::string page = kTransitional.substr(0, kTransitional.find("<body>")) + "<body>\n";
        for (int line = 0; line < 4000 * (i % 3 + 1); ++line) {
            page += "<p>Page " + std::to_string(i) + " line " + std::to_string(line) +
                    (line % 500 == 7 ? " <blink>old</blink> &bogus;" : " <em>fine</em> &amp;") +
                    "\n";
        }
        page += "</body></html>\n";
        dir.write("big/page" + std::to_string(i) + ".html", page);
    }
    std::vector<Outcome> outcomes;
    std::vector<std::string> files;
    for (const char* jobs : {"1", "2", "3"}) {
        outcomes.push_back(check({"--no-settings", "-j", jobs, "big"}));
        const std::string report = dir.file(std::string("report") + jobs + ".txt");
        Outcome toFile = check({"--no-settings", "-j", jobs, "--output", report, "big"});
        EXPECT_EQ(toFile.out, "");
        files.push_back(readFile(report));
    }
    // Compared whole, without a listing of the differences of megabytes of text.
    ASSERT_GT(outcomes[0].out.size(), std::size_t{1} << 20);
    EXPECT_TRUE(files[0] == outcomes[0].out);
    for (std::size_t i = 1; i < outcomes.size(); ++i) {
        EXPECT_TRUE(outcomes[i].out == outcomes[0].out) << "standard output, run " << i;
        EXPECT_EQ(outcomes[i].err, outcomes[0].err);
        EXPECT_EQ(outcomes[i].exitCode, outcomes[0].exitCode);
        EXPECT_TRUE(files[i] == files[0]) << "report file, run " << i;
    }
    EXPECT_EQ(outcomes[0].exitCode, 1);
}

TEST_F(CheckSite, ProfilesByNameAndByDoctype) {
    Outcome automatic = check({"--no-settings", "--profile", "auto", "--summary", "site/news",
                               "site/index.html"});
    EXPECT_EQ(automatic.out,
              "site/news/old.htm: 2 errors, 0 warnings: failed\n"
              "site/news/older.HTML: 0 errors, 0 warnings: passed\n"
              "site/index.html: 1 error, 0 warnings: failed\n");

    // Profile names are told without regard to case, "auto" among them.
    Outcome capitals = check({"--no-settings", "--profile", "AUTO", "--summary", "site/news",
                              "site/index.html"});
    EXPECT_EQ(capitals.out, automatic.out);
    // The forms for CI services name the default as --profile names it; the report's header
    // names a profile only where one was asked for.
    Outcome json = check({"--no-settings", "--format", "json", "site/index.html"});
    EXPECT_NE(json.out.find("\"profile\":\"html5\""), std::string::npos) << json.out;
    Outcome plain = check({"--no-settings", "site/index.html"});
    EXPECT_EQ(plain.out.find("Profile:"), std::string::npos);

    Outcome header = check({"--no-settings", "--profile", "auto", "site/news/older.HTML"});
    EXPECT_NE(header.out.find("Profile: html401-transitional (HTML 4.01 Transitional).\n"),
              std::string::npos)
        << header.out;
    // A French report names today's HTML in French.
    Outcome french = check({"--no-settings", "--profile", "html5", "--set", "Language=1",
                            "--set", "LineLength=200", "site/index.html"});
    EXPECT_NE(french.out.find("Profil: html5 (le HTML d'aujourd'hui, le standard \xC3\xA9volutif).\n"),
              std::string::npos)
        << french.out;
    Outcome named = check({"--no-settings", "--profile", "html401-transitional", "--summary",
                           "site/news/old.htm"});
    EXPECT_EQ(named.out, "site/news/old.htm: 0 errors, 0 warnings: passed\n");

    Outcome unknown = check({"--no-settings", "--profile", "xhtml2", "site"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err, "markwise-check: there is no profile named 'xhtml2' (see --list-profiles)\n");
    EXPECT_EQ(check({"--config", "x.cfg", "--profile", "html5", "site"}).exitCode, 2);
}

TEST_F(CheckSite, ProjectSettingsComeBetweenTheProfileAndSet) {
    std::filesystem::create_directories(dir.file("site/news/deeper"));
    dir.write("site/.markwise.ini",
              "# the site's own rules\nprofile=html401-transitional\nMaximumErrors=7\n"
              "AllowGreaterThanInText=0\n");
    const std::string page = "site/news/old.htm";
    Outcome listed = check({"--settings", "site/.markwise.ini", "--set", "MaximumErrors=9",
                            "--list-options"});
    EXPECT_EQ(listed.exitCode, 0);
    auto row = [&](const std::string& name) {
        const std::size_t at = listed.out.find("\n" + name + " ");
        return at == std::string::npos ? std::string() : listed.out.substr(at + 1, listed.out.find('\n', at + 1) - at - 1);
    };
    EXPECT_TRUE(row("MaximumErrors").ends_with("9          --set")) << row("MaximumErrors");
    EXPECT_NE(row("AllowGreaterThanInText").find("site/.markwise.ini:4"), std::string::npos)
        << row("AllowGreaterThanInText");
    EXPECT_NE(row("AllowDoubleQuoteInText").find("profile html401-transitional"), std::string::npos);
    EXPECT_NE(row("CheckNesting").find("default"), std::string::npos);
    // The widest range still leaves the default under its heading.
    const std::size_t defaultColumn = listed.out.find("DEFAULT");
    EXPECT_EQ(row("ExternalCapability").find(" 2 ") + 1, defaultColumn) << row("ExternalCapability");

    // A value holding a line break keeps the table one row an option.
    dir.write("lines.ini", "EditorFilename=ed\\nit\n");
    Outcome escaped = check({"--settings", "lines.ini", "--list-options"});
    EXPECT_EQ(escaped.exitCode, 0) << escaped.err;
    EXPECT_NE(escaped.out.find("\nEditorFilename "), std::string::npos);
    EXPECT_NE(escaped.out.find("ed\\x0Ait "), std::string::npos) << escaped.out;

    // Found from the current folder upwards.
    Outcome found = check({"--summary", dir.file(page)}, dir.file("site/news/deeper"));
    EXPECT_EQ(found.out, dir.file(page) + ": 0 errors, 0 warnings: passed\n") << found.err;

    dir.write("bad.ini", "profile=html5\n\nMaximumErors=3\n");
    Outcome bad = check({"--settings", "bad.ini", "site"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.starts_with("markwise-check: bad.ini:3: there is no setting named "
                                    "'MaximumErors'"))
        << bad.err;
    // A profile the settings name that does not exist is told with the file and the line.
    dir.write("noprofile.ini", "# the site's profile\nprofile=nope\n");
    Outcome noProfile = check({"--settings", "noprofile.ini", "site"});
    EXPECT_EQ(noProfile.exitCode, 2);
    EXPECT_EQ(noProfile.err,
              "markwise-check: noprofile.ini:2: there is no profile named 'nope' (see --list-profiles)\n");
    dir.write("range.ini", "MaximumErrors=0\n");
    Outcome range = check({"--settings", "range.ini", "site"});
    EXPECT_EQ(range.exitCode, 2);
    EXPECT_TRUE(range.err.starts_with("markwise-check: range.ini:1: MaximumErrors")) << range.err;
}

TEST_F(CheckSite, VersionQuietAndSummary) {
    EXPECT_EQ(check({"--version"}).out, "markwise-check (Zentrel Markwise) 2.55\n");
    Outcome quiet = check({"--no-settings", "--quiet", "--set", "AllowGreaterThanInText=0",
                           "site/index.html"});
    Outcome full = check({"--no-settings", "--set", "AllowGreaterThanInText=0", "site/index.html"});
    EXPECT_NE(full.out.find("   3: <body>"), std::string::npos) << full.out;
    EXPECT_EQ(quiet.out.find("   3: <body>"), std::string::npos);
    EXPECT_NE(quiet.out.find("Error number 1 in line 3"), std::string::npos) << quiet.out;
    EXPECT_LT(quiet.out.size(), full.out.size());
    EXPECT_EQ(check({"--summary", "--format", "kv", "site"}).exitCode, 2);
}

// A summary line says "failed" for a document that alone makes the exit status 1: with errors,
// or with more warnings than --max-warnings allows the run; when only the run's total is over,
// the error stream says so. A name that holds a line feed still takes one line.
TEST_F(CheckSite, TheSummaryAgreesWithTheExitStatus) {
    const std::string warned = "<p>x</p>\n<!-- a > b -->\n";
    dir.write("warn.html", warned);
    dir.write("warn2.html", warned);
    auto summary = [&](const std::string& cap, std::vector<std::string> names) {
        std::vector<std::string> args = {"--no-settings", "--no-profile-options", "--summary",
                                         "--max-warnings", cap};
        args.insert(args.end(), names.begin(), names.end());
        return check(args);
    };
    Outcome capped = summary("0", {"warn.html"});
    EXPECT_EQ(capped.exitCode, 1);
    EXPECT_EQ(capped.out, "warn.html: 0 errors, 1 warning: failed\n");
    EXPECT_EQ(capped.err, "markwise-check: 1 warning in all, more than --max-warnings 0 allows\n");

    Outcome allowed = summary("1", {"warn.html"});
    EXPECT_EQ(allowed.exitCode, 0);
    EXPECT_EQ(allowed.out, "warn.html: 0 errors, 1 warning: passed\n");
    EXPECT_EQ(allowed.err, "");

    Outcome both = summary("1", {"warn.html", "warn2.html"});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_EQ(both.out, "warn.html: 0 errors, 1 warning: passed\nwarn2.html: 0 errors, 1 warning: passed\n");
    EXPECT_EQ(both.err, "markwise-check: 2 warnings in all, more than --max-warnings 1 allows\n");

    // A check that MaximumErrors ended says so, as its report does.
    std::string many;
    for (int i = 0; i < 4; ++i) many += "<p><zz>x</p>\n";
    dir.write("many.html", many);
    EXPECT_EQ(check({"--no-settings", "--summary", "--set", "MaximumErrors=2", "many.html"}).out,
              "many.html: 2 errors, 0 warnings: failed (the check stopped at its limit)\n");
    EXPECT_EQ(check({"--no-settings", "--summary", "many.html"}).out,
              "many.html: 4 errors, 0 warnings: failed\n");
    // Without a limit set, a page of more warnings than MaximumWarnings is checked whole and
    // passes: the limit's own error does not fail it.
    std::string warnings;
    for (int i = 0; i < 40; ++i) warnings += "<p class=\"a\" class=\"b\">x</p>\n";
    dir.write("warnings.html", warnings);
    const Outcome manyWarnings = check({"--no-settings", "--summary", "warnings.html"});
    EXPECT_EQ(manyWarnings.out, "warnings.html: 0 errors, 40 warnings: passed\n");
    EXPECT_EQ(manyWarnings.exitCode, 0);

    dir.write("a\nb.html", "<p>x</p>\n");
    EXPECT_EQ(check({"--no-settings", "--summary", "a\nb.html"}).out,
              "a\\x0Ab.html: 0 errors, 0 warnings: passed\n");

    // The log of a French run names the standard output in French.
    Outcome french = check({"--no-settings", "--set", "Language=1", "--set", "EnableLogging=1",
                            "--set", "LogFilename=run.log", "a\nb.html"});
    EXPECT_EQ(french.exitCode, 0) << french.err;
    EXPECT_NE(readFile(dir.file("run.log")).find("Rapport: (sortie standard)\n"), std::string::npos)
        << readFile(dir.file("run.log"));
}

// The manual pages are made from the help: every option --help shows is in them.
TEST(CheckManualPages, NameEveryOptionOfTheHelp) {
    for (const std::string program : {"markwise-check", "markwise-cfg"}) {
        const std::string page = readFile(std::string(MARKWISE_PROFILE_DIR "/man/") + program + ".1");
        const std::string completion =
            readFile(std::string(MARKWISE_PROFILE_DIR "/completion/") + program);
        ASSERT_FALSE(page.empty()) << program;
        const app::CommandHelp& help =
            program == "markwise-check" ? app::checkCommandHelp() : app::cfgHelp();
        for (const app::HelpOption& option : help.options) {
            std::string roffFlags;
            for (char c : option.flags) roffFlags += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(page.find(".B " + roffFlags + "\n"), std::string::npos) << option.flags;
            const std::string first(option.flags.substr(0, option.flags.find_first_of(" ,")));
            EXPECT_NE(completion.find(first), std::string::npos) << first;
        }
    }
}

}  // namespace
