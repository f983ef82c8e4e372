// markwise-check as a user runs it: arguments, exit codes, standard output and error.
#include <gtest/gtest.h>


#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "test_support.h"

namespace {

using testing_support::readFile;
using testing_support::TempDir;

using Outcome = testing_support::ProgramRun;

class CheckCommand : public ::testing::Test {
protected:
    Outcome run(const std::vector<std::string>& args) {
        return testing_support::runProgram(MARKWISE_CHECK_EXE, dir.path(), args);
    }

    // A run that looks up no tag names, for what the scanner finds on its own.
    Outcome scan(std::vector<std::string> args) {
        args.insert(args.begin(), "--scan-only");
        return run(args);
    }

    static int lineCount(const std::string& text) {
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }

    TempDir dir;
};

TEST_F(CheckCommand, ExitCodeSaysWhetherAnyDocumentHadErrors) {
    dir.write("clean.html", "<p>Fine &amp; dandy</p>\n");
    dir.write("faulty.html", "<p>1 > 0</p>\n");

    Outcome clean = scan({"clean.html"});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_NE(clean.out.find("No errors or warnings were detected!"), std::string::npos);
    EXPECT_EQ(clean.err, "");

    Outcome both = scan({"--format", "kv", "clean.html", "faulty.html"});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_NE(both.out.find("FILENAME=clean.html\n"), std::string::npos);
    EXPECT_NE(both.out.find("FILENAME=faulty.html\n"), std::string::npos);
    EXPECT_EQ(std::count(both.out.begin(), both.out.end(), '='),
              std::count(both.out.begin(), both.out.end(), '\n'))
        << "every line of the machine-readable form is KEY=VALUE";
    EXPECT_TRUE(both.out.ends_with("ENDOFFILE=YES\n"));
    EXPECT_LT(both.out.find("ENDOFFILE=YES"), both.out.find("FILENAME=faulty.html"));

    // Warnings alone are not errors.
    dir.write("warned.html", "<!-- a > b -->\n");
    EXPECT_EQ(scan({"warned.html"}).exitCode, 0);
}

TEST_F(CheckCommand, UnreadableDocumentsAreNamedOnStandardError) {
    dir.write("good.html", "<p>ok</p>\n");
    dir.write("device.html", "");
    std::filesystem::remove(dir.path() / "device.html");
    std::filesystem::create_symlink("/dev/null", dir.path() / "device.html");
    Outcome outcome = run({"missing.html", "device.html", "good.html"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err,
              "markwise-check: missing.html: cannot open: No such file or directory\n"
              "markwise-check: device.html: is a character device, not a regular file\n");
    // The readable document is still validated.
    EXPECT_NE(outcome.out.find("Validating file \"good.html\""), std::string::npos);
}

TEST_F(CheckCommand, DocumentsInAWideEncodingAreNamedNotChecked) {
    using namespace std::string_literals;
    dir.write("wide.html", "\xFF\xFE<\0p\0>\0"s);
    dir.write("good.html", "<p>ok</p>\n");
    Outcome outcome = run({"wide.html", "good.html"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err,
              "markwise-check: wide.html: is in UTF-16; markwise-check reads UTF-8, ASCII and "
              "8-bit character sets: convert it first (iconv -f UTF-16 -t UTF-8)\n");
    EXPECT_EQ(outcome.out.find("wide.html"), std::string::npos);
    EXPECT_NE(outcome.out.find("Validating file \"good.html\""), std::string::npos);
}

TEST_F(CheckCommand, FoldersWithoutDocumentsSayWhichEndingsWereLookedFor) {
    std::filesystem::create_directories(dir.path() / "site");
    dir.write("site/notes.txt", "<p>\n");
    Outcome outcome = run({"site"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err,
              "markwise-check: no document to validate: the folders given hold no file ending "
              "in .htm, .html, .shtm or .shtml (--ext names other endings)\n");
    outcome = run({"--ext", "txt,xhtml", "site"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("notes.txt"), std::string::npos);
    EXPECT_EQ(run({"--ext", "xhtml", "site"}).err,
              "markwise-check: no document to validate: the folders given hold no file ending "
              "in .xhtml (--ext names other endings)\n");
}

TEST_F(CheckCommand, WrongArgumentsAreUsageErrors) {
    dir.write("page.html", "<p>\n");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--frobnicate", "page.html"},
        {"--format", "xml", "page.html"},
        {"--format"},
        {"--set", "NoSuchOption=1", "page.html"},
        {"--set", "MaximumErrors=0", "page.html"},
        {"--set", "MaximumErrors=10000", "page.html"},
        {"--set", "CheckNesting=2", "page.html"},
        {"--set", "LineLength", "page.html"},
        {"--config", "missing.cfg", "page.html"},
        {"--config", "active.cfg", "--scan-only", "page.html"},
        {"--summary", "--output", "summary.txt", "page.html"},  // nothing would be written
        {"--files-from", "list1", "--files-from", "list2"},  // the first list would be lost
    };
    for (const auto& args : cases) {
        Outcome outcome = run(args);
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        EXPECT_EQ(outcome.exitCode, 2) << shown;
        EXPECT_EQ(lineCount(outcome.err), 1) << shown << outcome.err;
        EXPECT_TRUE(outcome.err.starts_with("markwise-check: ")) << shown;
        EXPECT_EQ(outcome.out, "") << shown;
    }
    // "--output -" names standard output, where the summary goes anyway.
    const Outcome summary = run({"--summary", "--output", "-", "page.html"});
    EXPECT_EQ(summary.err, "");
    EXPECT_TRUE(summary.out.starts_with("page.html: ")) << summary.out;
}

// A project's settings that keep the log outside the project stop the run, unless the command
// line names another log or switches logging off; the file outside is never made.
TEST_F(CheckCommand, AProjectLogOutsideTheProjectStopsTheRunUnlessTheCommandLineOverrides) {
    std::filesystem::create_directories(dir.file("site"));
    dir.write("site/.markwise.ini", "EnableLogging=1\nLogFilename=../outside.log\n");
    dir.write("site/page.html", "<p>x</p>\n");
    const auto inSite = [&](std::vector<std::string> args) {
        return testing_support::runProgram(MARKWISE_CHECK_EXE, dir.file("site"), args);
    };
    Outcome stopped = inSite({"--summary", "page.html"});
    EXPECT_EQ(stopped.exitCode, 2);
    EXPECT_NE(stopped.err.find("LogFilename names a file outside the project's folder"),
              std::string::npos)
        << stopped.err;
    for (const std::vector<std::string>& overridden :
         {std::vector<std::string>{"--set", "LogFilename=inside.log", "--summary", "page.html"},
          std::vector<std::string>{"--set", "enablelogging=0", "--summary", "page.html"}}) {
        const Outcome run = inSite(overridden);
        EXPECT_EQ(run.exitCode, 0) << overridden[1] << run.err;
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("site/inside.log")));
    // A project whose logging is off, or left off, writes nothing outside: no obstacle.
    for (const char* settings : {"LogFilename=../outside.log\n",
                                 "EnableLogging=0\nLogFilename=../outside.log\n"}) {
        dir.write("site/.markwise.ini", settings);
        EXPECT_EQ(inSite({"--summary", "page.html"}).exitCode, 0) << settings;
        EXPECT_EQ(inSite({"--set", "EnableLogging=1", "--summary", "page.html"}).exitCode, 2)
            << settings;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("outside.log")));
}

TEST_F(CheckCommand, HelpPrintsTheUsage) {
    Outcome outcome = run({"--help"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(outcome.out.starts_with("Usage: markwise-check [OPTION]... DOCUMENT|FOLDER|-...\n"))
        << outcome.out;
    EXPECT_NE(outcome.out.find("\n  --profile NAME        checks against a shipped profile"),
              std::string::npos);
}

TEST_F(CheckCommand, SettingsChangeTheRun) {
    dir.write("page.html", "<p>\"quoted\" 1 > 0</p>\n");
    Outcome french = scan({"--set", "Language=1", "--set=ShowComments=0", "page.html"});
    EXPECT_EQ(french.exitCode, 1);
    EXPECT_NE(french.out.find("Erreur numéro 1 à la ligne 1:"), std::string::npos) << french.out;
    EXPECT_EQ(french.out.find("Comment"), std::string::npos);

    Outcome relaxed = scan({"--set", "AllowDoubleQuoteInText=1", "--set", "maximumerrors=1",
                           "--format=kv", "page.html"});
    EXPECT_NE(relaxed.out.find("NUMBEROFERRORS=1\n"), std::string::npos);
    EXPECT_NE(relaxed.out.find("MESSAGE=Terminating validation due to too many errors!"),
              std::string::npos);
}

TEST_F(CheckCommand, OutputGoesToTheNamedFile) {
    dir.write("page.html", "<p>\n");
    Outcome outcome = scan({"--output", "report.txt", "--format", "kv", "page.html"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "");
    std::string report = readFile(dir.file("report.txt"));
    EXPECT_TRUE(report.starts_with("VALIDATOR=Zentrel Markwise\n"));
    EXPECT_TRUE(report.ends_with("ENDOFFILE=YES\n"));

    // A document is never overwritten by the report.
    Outcome clash = run({"--output", "page.html", "page.html"});
    EXPECT_EQ(clash.exitCode, 2);
    EXPECT_EQ(readFile(dir.file("page.html")), "<p>\n");

    Outcome unwritable = run({"--output", "no/such/folder/report.txt", "page.html"});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_EQ(lineCount(unwritable.err), 1);
}

// Standard output named as the output file is written as standard output: the file it goes
// to keeps what it held, and takes what comes after.
TEST_F(CheckCommand, OutputNamingStandardOutputWritesToIt) {
    dir.write("page.html", "<p>\n");
    dir.write("build.log", "earlier\n");
    const std::string check = std::string("'") + MARKWISE_CHECK_EXE + "' --scan-only --format kv ";
    const Outcome appended = testing_support::runProgram(
        "/bin/sh", dir.path(),
        {"-c", "{ echo before; " + check + "--output /dev/stdout page.html; echo \"rc=$?\"; " +
                   check + "--output build.log page.html; echo after; } >> build.log"});
    EXPECT_EQ(appended.exitCode, 0) << appended.err;
    const std::string log = readFile(dir.file("build.log"));
    EXPECT_TRUE(log.starts_with("earlier\nbefore\nVALIDATOR=Zentrel Markwise\n")) << log;
    EXPECT_NE(log.find("ENDOFFILE=YES\nrc=0\nVALIDATOR="), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("ENDOFFILE=YES\nafter\n")) << log;

    const Outcome dash = scan({"--output", "-", "--format", "kv", "page.html"});
    EXPECT_EQ(dash.exitCode, 0);
    EXPECT_TRUE(dash.out.ends_with("ENDOFFILE=YES\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("-")));
}

TEST_F(CheckCommand, LoggingAppendsToTheLogFile) {
    // A fault that the default profile reports ("1 > 0" is today's HTML).
    dir.write("page.html", "<p>1 &zzbogus; 0</p>\n");
    std::string log = dir.file("runs.log");
    run({"--set", "EnableLogging=1", "--set", "LogFilename=" + log, "page.html"});
    run({"--set", "EnableLogging=1", "--set", "LogFilename=" + log, "page.html"});
    std::string text = readFile(log);
    EXPECT_EQ(std::count(text.begin(), text.end(), '*'), 2 * 6);
    EXPECT_NE(text.find("Document: page.html\n"), std::string::npos);
    EXPECT_NE(text.find("  Output: (standard output)\n"), std::string::npos);
}

TEST_F(CheckCommand, ConfigNamesTheConfigurationToLoad) {
    dir.write("page.html", "<p>\n");
    CfgStore configuration;
    configuration.resetToBuiltins();
    dir.write("builtins.cfg", configuration.serialize(0));
    EntryRecord category = EntryRecord::named("HTML");
    int id = configuration.addEntry(Category, category);
    configuration.activateCategory(id, configuration.orderOf(Category));
    dir.write("active.cfg", configuration.serialize(0));
    dir.write("corrupt.cfg", "not a configuration");

    // The configuration knows no tag names: the paragraph is reported.
    Outcome checked = run({"--config", "active.cfg", "page.html"});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_NE(checked.out.find("The tag name \"p\" is not in the HTML Configuration."),
              std::string::npos)
        << checked.out;

    Outcome inactive = run({"--config", "builtins.cfg", "page.html"});
    EXPECT_EQ(inactive.exitCode, 2);
    EXPECT_EQ(inactive.err, "markwise-check: builtins.cfg: There are no active categories. You "
                            "must select at least one category to be active by adding it to the "
                            "Active Categories List Box in the HTML Categories Dialog Box that is "
                            "accessible from the Settings Pull Down Menu.\n");
    EXPECT_EQ(inactive.out, "");

    Outcome corrupt = run({"--config", "corrupt.cfg", "page.html"});
    EXPECT_EQ(corrupt.exitCode, 2);
    EXPECT_EQ(corrupt.err, "markwise-check: The HTML Configuration file \"corrupt.cfg\" contains "
                           "corrupt data, is not a configuration file, or is for a different "
                           "version of Zentrel Markwise. No configuration could be loaded. "
                           "Cause: the format version is 544501614, not 1 or 2.\n");

    Outcome missing = run({"--config", "missing.cfg", "page.html"});
    EXPECT_EQ(missing.err, "markwise-check: There was an error opening the HTML Configuration "
                           "file \"missing.cfg\". The configuration could not be loaded. "
                           "Cause: cannot open: No such file or directory.\n");

    // A folder is not a corrupt configuration: the cause says what it is.
    Outcome folder = run({"--config", dir.path().string(), "page.html"});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_NE(folder.err.find("\". The configuration could not be loaded. Cause: is a directory.\n"),
              std::string::npos)
        << folder.err;
}

TEST_F(CheckCommand, WithoutConfigTheDefaultConfigurationIsLoaded) {
    dir.write("page.html", "<p>\n");
    CfgStore configuration;
    configuration.resetToBuiltins();
    EntryRecord category = EntryRecord::named("HTML");
    configuration.activateCategory(configuration.addEntry(Category, category), 0);
    dir.write("active.cfg", configuration.serialize(0));
    dir.write("corrupt.cfg", "not a configuration");

    Outcome loaded = run({"--set", "DefaultConfigurationFilenameV25=active.cfg", "page.html"});
    EXPECT_EQ(loaded.exitCode, 1);
    EXPECT_EQ(loaded.err, "");
    EXPECT_NE(loaded.out.find("The tag name \"p\" is not in the HTML Configuration."),
              std::string::npos);

    // The built-in entries activate no category, so there is nothing to fall back on: a
    // default file that cannot be loaded stops the run with the file, the cause and what to do.
    Outcome missing = run({"--set", "DefaultConfigurationFilenameV25=missing.cfg", "page.html"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "markwise-check: There was an error opening the HTML Configuration "
                           "file \"missing.cfg\". The configuration could not be loaded. Cause: "
                           "cannot open: No such file or directory. Name a configuration with "
                           "--config FILE, or check without one with --scan-only.\n");
    EXPECT_EQ(missing.out, "");

    Outcome corrupt = run({"--set", "DefaultConfigurationFilenameV25=corrupt.cfg", "page.html"});
    EXPECT_EQ(corrupt.exitCode, 2);
    EXPECT_NE(corrupt.err.find("\"corrupt.cfg\" contains corrupt data"), std::string::npos);

    // The default is the mkwise25.cfg beside the program, the rule set for today's HTML.
    dir.write("modern.html",
              "<!DOCTYPE html>\n<html lang=\"en\"><head><title>A page</title></head>\n"
              "<body><main><p>Fine &amp; <b>dandy</b></p></main></body></html>\n");
    Outcome shipped = run({"modern.html"});
    EXPECT_EQ(shipped.err, "");
    EXPECT_NE(shipped.out.find("No errors or warnings were detected!"), std::string::npos)
        << shipped.out;
}

// A configuration that knows P and carries profile options in note 1.
std::string configurationWithProfileOptions(std::string_view note) {
    CfgStore configuration;
    configuration.resetToBuiltins();
    EntryRecord category = EntryRecord::named("HTML");
    const int id = configuration.addEntry(Category, category);
    configuration.activateCategory(id, configuration.orderOf(Category));
    EntryRecord p = EntryRecord::named("p");
    p.categoryId = id;
    p.option0 = 1;
    const int tag = configuration.addEntry(TagName, p);
    configuration.listInsert(TagName, ById, tag, 0, 0, configuration.orderOf(TagName));
    configuration.setNotes(1, note);
    return configuration.serialize(0);
}

// The report without the date lines, which tell when it was written.
std::string withoutDates(const std::string& report) {
    std::string kept;
    std::size_t start = 0;
    while (start < report.size()) {
        std::size_t end = report.find('\n', start);
        end = end == std::string::npos ? report.size() : end + 1;
        const std::string line = report.substr(start, end - start);
        if (!line.starts_with("File date is") && !line.starts_with("File validated on")) kept += line;
        start = end;
    }
    return kept;
}

TEST_F(CheckCommand, ProfileOptionsApplyAfterTheDefaultsAndBeforeSet) {
    const std::string strayGreaterThan = "Found the character '>' with no previous character '<'";
    const std::string highAscii = "High ASCII characters found.";
    dir.write("page.html", "<p>1 > 0 \xC3\xA9t\xC3\xA9</p>\n");
    dir.write("profile.cfg",
              configurationWithProfileOptions("AllowGreaterThanInText=1\nCheckForHighASCII=0\n"));
    dir.write("plain.cfg", configurationWithProfileOptions(""));

    Outcome applied = run({"--config", "profile.cfg", "page.html"});
    EXPECT_EQ(applied.exitCode, 0) << applied.out;
    EXPECT_EQ(applied.err, "");
    EXPECT_EQ(applied.out.find(strayGreaterThan), std::string::npos);
    EXPECT_EQ(applied.out.find(highAscii), std::string::npos);
    // The header names them, on lines after its own.
    EXPECT_NE(applied.out.find(".\nProfile options applied: AllowGreaterThanInText=1,\n"
                               "CheckForHighASCII=0.\n\nNo errors or warnings were detected!\n"),
              std::string::npos)
        << applied.out;

    // --set comes after the profile: its option is the user's and is not named.
    Outcome overridden = run({"--config", "profile.cfg", "--set", "allowgreaterthanintext=0", "page.html"});
    EXPECT_EQ(overridden.exitCode, 1);
    EXPECT_NE(overridden.out.find(strayGreaterThan), std::string::npos);
    EXPECT_EQ(overridden.out.find(highAscii), std::string::npos);
    EXPECT_NE(overridden.out.find("Profile options applied: CheckForHighASCII=0.\n"),
              std::string::npos)
        << overridden.out;

    // Ignored, the report is the one a configuration without profile options gives.
    Outcome ignored = run({"--config", "profile.cfg", "--no-profile-options", "page.html"});
    Outcome plain = run({"--config", "plain.cfg", "page.html"});
    EXPECT_EQ(ignored.exitCode, 1);
    EXPECT_NE(ignored.out.find(strayGreaterThan), std::string::npos);
    EXPECT_NE(ignored.out.find(highAscii), std::string::npos);
    EXPECT_EQ(ignored.out.find("Profile options"), std::string::npos);
    EXPECT_EQ(withoutDates(ignored.out), withoutDates(plain.out));

    // The machine-readable form stays as editors read it: its keys are the same either way.
    Outcome kv = run({"--config", "profile.cfg", "--format", "kv", "page.html"});
    EXPECT_NE(kv.out.find("BYTESIZE=19\nLINESCHECKED=1\n"), std::string::npos) << kv.out;
}

TEST_F(CheckCommand, ProfileOptionLinesThatAreNoneArePassedOverWithAWord) {
    dir.write("page.html", "<p>1 > 0</p>\n");
    dir.write("odd.cfg", configurationWithProfileOptions(
                             "Language=1\nAllowGreaterThanInText=1\nMaximumErrors=0\n"));
    Outcome run1 = run({"--config", "odd.cfg", "page.html"});
    EXPECT_EQ(run1.exitCode, 0) << run1.out;
    EXPECT_EQ(run1.err,
              "markwise-check: odd.cfg: profile options, line 1: 'Language' is not a validator "
              "option (passed over)\n"
              "markwise-check: odd.cfg: profile options, line 3: MaximumErrors must be a whole "
              "number from 1 to 9999 (passed over)\n");
    EXPECT_NE(run1.out.find("Profile options applied: AllowGreaterThanInText=1.\n"),
              std::string::npos);
    // English, as the defaults say: the profile may not choose the language.
    EXPECT_NE(run1.out.find("No errors or warnings were detected!"), std::string::npos);
}

TEST_F(CheckCommand, TheShippedProfileForTodaysHtmlAcceptsItsSyntax) {
    dir.write("modern.html",
              "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
              "<title>Caf\xC3\xA9</title>\n"
              "<link rel=\"stylesheet\" href=\"a.css\" /></head>\n"
              "<body><main data-page=\"home\"><p>Fish & chips, 1 > 0, \"quoted\" &#x263A;"
              "<br/>next</p>\n<my-card data-id=\"7\"><p>In a custom element</p></my-card>\n"
              "<div itemscope><meta itemprop=\"name\" content=\"x\"></div>\n"
              "<p id=\"a\">x</p><p id=\"a\">y</p>\n</main></body></html>\n");
    Outcome shipped = run({"modern.html"});
    EXPECT_EQ(shipped.exitCode, 1);
    EXPECT_NE(shipped.out.find("Profile options applied: CheckForHighASCII=0,"), std::string::npos)
        << shipped.out;
    EXPECT_NE(shipped.out.find("            Number of errors: 1 (first in line 7)\n"),
              std::string::npos)
        << shipped.out;
    EXPECT_NE(shipped.out.find("The id value \"a\" was already used in line 7."), std::string::npos)
        << shipped.out;
}

}  // namespace
