// The forms for editors and CI services as a user gets them from markwise-check: the gnu, JSON
// and SARIF forms give the same messages as the KEY=VALUE form (type, line, text, in the same
// order) with their ids and columns; JSON and SARIF parse back, SARIF against its schema; vim
// fills its quickfix list from the gnu form; the shipped editor snippets of docs/editors.md
// read it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace {

using Json = nlohmann::json;
using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::TempDir;

// A page with messages of every kind and place: a quote in the text (error 94 with comment
// 209, which names an option), a hexadecimal entity (comment 213 and error 96), '>' in a
// comment (warning 102 with comment 208), an attribute given twice (warning 103), a tag of an
// inactive category (error 66), an unknown attribute (error 85), a tag never closed (error 69).
constexpr std::string_view kPage =
    "<!DOCTYPE html>\n"
    "<html><head><title>Test</title></head>\n"
    "<body>\n"
    "<p>Say \"cheese\" &#x41;</p>\n"
    "<!-- a > b -->\n"
    "  <p title=\"a\" title=\"b\">x</p>\n"
    "<center>old</center> <p bogus=\"1\">y</p>\n"
    "<div>\n"
    "</body></html>\n";

struct KvRecord {
    std::string type;  // ERROR, WARNING, COMMENT, MESSAGE
    std::optional<int> line;
    std::string text;
};

std::vector<KvRecord> kvRecords(const std::string& kv) {
    std::vector<KvRecord> records;
    std::istringstream in(kv);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("MESSAGETYPE=")) {
            records.push_back({line.substr(12), std::nullopt, {}});
        } else if (line.starts_with("LINENUMBER=") && !records.empty()) {
            records.back().line = std::stoi(line.substr(11));
        } else if (line.starts_with("MESSAGE=") && !records.empty()) {
            records.back().text = line.substr(8);
        }
    }
    return records;
}

// One line of the gnu form.
struct GnuLine {
    std::string file;
    int line = 0;
    int column = 0;
    std::string severity;
    std::string text;
    std::string id;
};

std::vector<GnuLine> gnuLines(const std::string& out) {
    static const std::regex shape(R"(^(.+):(\d+):(\d+): (error|warning|note): (.*) \[(mw\w+)\]$)");
    std::vector<GnuLine> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, shape)) {
            ADD_FAILURE() << "not a gnu line: " << line;
            continue;
        }
        lines.push_back({m[1], std::stoi(m[2]), std::stoi(m[3]), m[4], m[5], m[6]});
    }
    return lines;
}

std::string severityOf(const std::string& kvType) {
    if (kvType == "ERROR") return "error";
    if (kvType == "WARNING") return "warning";
    return "note";
}

std::optional<std::string> findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

// The text of docs/editors.md between "<!-- NAME -->" and the next "```" fence's end.
std::string docSnippet(const std::string& name) {
    const std::string doc = readFile(std::string(MARKWISE_SOURCE_DIR "/docs/editors.md"));
    const std::size_t marker = doc.find("<!-- " + name + " -->");
    EXPECT_NE(marker, std::string::npos) << name << " not in docs/editors.md";
    if (marker == std::string::npos) return {};
    const std::size_t open = doc.find("```", marker);
    const std::size_t start = doc.find('\n', open) + 1;
    const std::size_t close = doc.find("```", start);
    return doc.substr(start, close - start);
}

class FindingsForms : public ::testing::Test {
protected:
    ProgramRun check(std::vector<std::string> args) {
        args.insert(args.begin(), {"--no-settings", "--no-profile-options"});
        return testing_support::runProgram(MARKWISE_CHECK_EXE, dir.path(), args);
    }

    TempDir dir;
};

TEST_F(FindingsForms, GnuFormGivesTheMessagesOfTheKeyValueFormWithIdsAndColumns) {
    dir.write("page.html", kPage);
    const ProgramRun kv = check({"--format", "kv", "page.html"});
    const ProgramRun gnu = check({"--format", "gnu", "page.html"});
    ASSERT_EQ(kv.exitCode, 1) << kv.err;
    EXPECT_EQ(gnu.exitCode, 1);
    EXPECT_EQ(gnu.err, "");

    const std::vector<KvRecord> expected = kvRecords(kv.out);
    const std::vector<GnuLine> lines = gnuLines(gnu.out);
    ASSERT_EQ(lines.size(), expected.size()) << gnu.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(lines[i].file, "page.html");
        EXPECT_EQ(lines[i].severity, severityOf(expected[i].type));
        if (expected[i].line) {
            EXPECT_EQ(lines[i].line, *expected[i].line);
        }
        // The text, unwrapped; a comment's advice follows it.
        EXPECT_TRUE(lines[i].text.starts_with(expected[i].text));
    }

    // Hand-placed causes.
    std::vector<std::string> placed;
    for (const GnuLine& line : lines) {
        placed.push_back(line.id + "@" + std::to_string(line.line) + ":" +
                         std::to_string(line.column));
    }
    EXPECT_EQ(placed, (std::vector<std::string>{
                          "mw94@4:8", "mw96@4:17", "mw102@5:8", "mw103@6:16", "mw66@7:1",
                          "mw85@7:25", "mw69@8:1", "mw74@9:1", "mw74@9:8",
                          // Comments, where they were occasioned.
                          "mw209@4:8", "mw213@4:17", "mw208@5:8", "mw200@9:1"}));
    // Advice that names an option carries the setting.
    EXPECT_NE(gnu.out.find("Dialog Box. (--set AllowDoubleQuoteInText=1) [mw209]"),
              std::string::npos);
    EXPECT_NE(gnu.out.find("(--set HexadecimalEntities=1) [mw213]"), std::string::npos);

    // Editors do not show a UTF-8 byte order mark: the first line's columns count from the
    // character after it (in every form); the other lines are as they were.
    dir.write("marked.html", "\xEF\xBB\xBF<font>x</font> &zz;\n<font>y</font>\n");
    std::vector<std::string> columns;
    for (const GnuLine& line : gnuLines(check({"--format", "gnu", "marked.html"}).out)) {
        columns.push_back(line.id + "@" + std::to_string(line.line) + ":" +
                          std::to_string(line.column));
    }
    EXPECT_EQ(columns, (std::vector<std::string>{"mw66@1:1", "mw96@1:16", "mw93@1:1", "mw66@2:1",
                                                 "mw206@1:1"}));
    EXPECT_NE(check({"--format", "json", "marked.html"}).out.find("\"line\":1,\"column\":16"),
              std::string::npos);
}

TEST_F(FindingsForms, JsonFormIsOneDocumentWithEachFilesStatisticsAndMessages) {
    dir.write("page.html", kPage);
    dir.write("clean.html", "<!DOCTYPE html>\n<html><head><title>T</title></head></html>\n");
    const ProgramRun kv = check({"--format", "kv", "page.html"});
    const ProgramRun run = check({"--format", "json", "page.html", "missing.html", "clean.html"});
    EXPECT_EQ(run.exitCode, 2);  // missing.html cannot be read
    const Json json = Json::parse(run.out);
    EXPECT_EQ(json["tool"]["name"], "Zentrel Markwise");
    ASSERT_EQ(json["files"].size(), 2u);
    const Json& page = json["files"][0];
    EXPECT_EQ(page["name"], "page.html");
    EXPECT_EQ(page["bytes"], kPage.size());
    EXPECT_EQ(json["files"][1]["name"], "clean.html");
    EXPECT_EQ(json["files"][1]["messages"].size(), 0u);

    // Statistics as the KEY=VALUE form counts them.
    auto kvValue = [&](const std::string& key) {
        const std::size_t at = kv.out.find("\n" + key + "=");
        return std::stoi(kv.out.substr(at + key.size() + 2));
    };
    const Json& statistics = page["statistics"];
    EXPECT_EQ(statistics["errors"], kvValue("NUMBEROFERRORS"));
    EXPECT_EQ(statistics["warnings"], kvValue("NUMBEROFWARNINGS"));
    EXPECT_EQ(statistics["validatorComments"], kvValue("NUMBEROFVALIDATORCOMMENTS"));
    EXPECT_EQ(statistics["tagNames"], kvValue("NUMBEROFTAGNAMES"));
    EXPECT_EQ(statistics["linesInFile"], kvValue("LINESINFILE"));
    EXPECT_EQ(statistics["silenced"]["total"], 0);

    const std::vector<KvRecord> expected = kvRecords(kv.out);
    const Json& messages = page["messages"];
    ASSERT_EQ(messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Json& message = messages[i];
        std::string type = expected[i].type;
        std::transform(type.begin(), type.end(), type.begin(), ::tolower);
        EXPECT_EQ(message["type"], type);
        EXPECT_EQ(message["text"], expected[i].text);
        EXPECT_TRUE(message["id"].get<std::string>().starts_with("mw"));
        if (expected[i].line) {
            EXPECT_EQ(message["line"], *expected[i].line);
            EXPECT_GE(message["column"].get<int>(), 1);
        } else {
            EXPECT_TRUE(message["line"].is_null());
            EXPECT_TRUE(message["column"].is_null());
            EXPECT_TRUE(message["occasion"]["line"].is_number());
        }
    }
    const auto advised = std::find_if(messages.begin(), messages.end(),
                                      [](const Json& m) { return m["id"] == "mw209"; });
    ASSERT_NE(advised, messages.end());
    EXPECT_EQ((*advised)["setting"]["name"], "AllowDoubleQuoteInText");
    EXPECT_EQ((*advised)["setting"]["value"], "1");
    EXPECT_EQ((*advised)["setting"]["argument"], "--set AllowDoubleQuoteInText=1");
}

TEST_F(FindingsForms, JsonFormStaysValidForNamesAndTextsThatAreNotUtf8) {
    dir.write("caf\xE9.html", "<p>\"<b \xE9=\"1\">\n");
    const ProgramRun run = check({"--format", "json", "caf\xE9.html"});
    const Json json = Json::parse(run.out);  // throws on invalid UTF-8 or JSON
    EXPECT_EQ(json["files"][0]["name"], "caf\xEF\xBF\xBD.html");
}

TEST_F(FindingsForms, SarifFormIsValidAgainstItsSchemaAndPlacesEachResult) {
    dir.write("page.html", kPage);
    dir.write("other page.html", "<p>1 > 0</p>\n");
    const ProgramRun gnu = check({"--format", "gnu", "page.html", "other page.html"});
    const ProgramRun run = check({"--format", "sarif", "--output", "out.sarif", "page.html",
                                  "other page.html"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const Json sarif = Json::parse(readFile(dir.file("out.sarif")));
    EXPECT_EQ(sarif["version"], "2.1.0");
    ASSERT_EQ(sarif["runs"].size(), 1u);
    const Json& driver = sarif["runs"][0]["tool"]["driver"];
    const Json& results = sarif["runs"][0]["results"];

    const std::vector<GnuLine> lines = gnuLines(gnu.out);
    ASSERT_EQ(results.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Json& result = results[i];
        EXPECT_EQ(result["ruleId"], lines[i].id);
        EXPECT_EQ(driver["rules"][result["ruleIndex"].get<int>()]["id"], lines[i].id);
        EXPECT_EQ(result["level"], lines[i].severity);
        const Json& physical = result["locations"][0]["physicalLocation"];
        EXPECT_EQ(physical["region"]["startLine"], lines[i].line);
        EXPECT_EQ(physical["region"]["startColumn"], lines[i].column);
        EXPECT_EQ(physical["artifactLocation"]["uri"],
                  lines[i].file == "page.html" ? "page.html" : "other%20page.html");
    }
    // A rule's text shows the values its messages fill in as "...".
    for (const Json& rule : driver["rules"]) {
        const std::string text = rule["shortDescription"]["text"];
        EXPECT_EQ(text.find("%s"), std::string::npos) << text;
        EXPECT_EQ(text.find("%d"), std::string::npos) << text;
        if (rule["id"] == "mw65") {
            EXPECT_NE(text.find("\"...\""), std::string::npos) << text;
        }
    }
    // An absolute name is a file URI however many "/" it starts with.
    const ProgramRun absolute =
        check({"--format", "sarif", "//" + dir.file("other page.html").substr(1)});
    const Json fromRoot = Json::parse(absolute.out);
    EXPECT_EQ(fromRoot["runs"][0]["results"][0]["locations"][0]["physicalLocation"]
                      ["artifactLocation"]["uri"],
              "file://" + dir.file("other%20page.html"));

    const std::optional<std::string> python = findOnPath("python3");
    if (!python) GTEST_SKIP() << "python3 is not installed";
    const std::string validate =
        "import json, sys\n"
        "try:\n"
        "    import jsonschema\n"
        "except ImportError:\n"
        "    sys.exit(77)\n"
        "schema = json.load(open(sys.argv[1]))\n"
        "log = json.load(open(sys.argv[2]))\n"
        "jsonschema.Draft7Validator(schema).validate(log)\n";
    const ProgramRun valid = testing_support::runProgram(
        *python, dir.path(),
        {"-c", validate, std::string(MARKWISE_TEST_DATA "/sarif/sarif-2.1.0-subset.schema.json"),
         "out.sarif"});
    if (valid.exitCode == 77) GTEST_SKIP() << "python3-jsonschema is not installed";
    EXPECT_EQ(valid.exitCode, 0) << valid.err;
}

// vim, started as `vim -es`, reads the gnu form into its quickfix list: with its default
// errorformat, and with the snippet of docs/editors.md through :make.
TEST_F(FindingsForms, VimFillsItsQuickfixListFromTheGnuForm) {
    const std::optional<std::string> vim = findOnPath("vim");
    if (!vim) GTEST_SKIP() << "vim is not installed";
    dir.write("page.html", kPage);
    const ProgramRun gnu = check({"--format", "gnu", "page.html"});
    const std::size_t expected = gnuLines(gnu.out).size();
    dir.write("errors.txt", gnu.out);

    // Each valid entry as "LINE:COL:TYPE:TEXT".
    const std::string dump =
        "call writefile(map(filter(getqflist(), 'v:val.valid'), "
        "'v:val.lnum . \":\" . v:val.col . \":\" . v:val.type . \":\" . v:val.text'), "
        "'entries.txt')";
    ProgramRun plain = testing_support::runProgram(
        *vim, dir.path(),
        {"-es", "-N", "-u", "NONE", "-i", "NONE", "-c", "cfile errors.txt", "-c", dump, "-c",
         "qa!"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    std::vector<std::string> entries = testing_support::readLines(dir.file("entries.txt"));
    EXPECT_EQ(entries.size(), expected);
    ASSERT_FALSE(entries.empty());
    EXPECT_TRUE(entries[0].starts_with("4:8::")) << entries[0];

    // The snippet: markwise-check as the compiler of HTML files, :make filling the list.
    const std::string snippet = docSnippet("vim");
    ASSERT_FALSE(snippet.empty());
    dir.write("snippet.vim", snippet);
    const std::string exe = MARKWISE_CHECK_EXE;
    const std::string folder = exe.substr(0, exe.rfind('/'));
    ProgramRun made = testing_support::runProgram(
        "/usr/bin/env", dir.path(),
        {"PATH=" + folder + ":" + std::string(std::getenv("PATH") ? std::getenv("PATH") : ""),
         *vim, "-es", "-N", "-u", "NONE", "-i", "NONE", "-c", "filetype on", "-c",
         "source snippet.vim", "-c", "edit page.html", "-c", "silent make! --no-settings "
         "--no-profile-options", "-c", dump, "-c", "qa!"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    entries = testing_support::readLines(dir.file("entries.txt"));
    ASSERT_EQ(entries.size(), expected);
    // The snippet's errorformat gives each entry its type: e, w or n.
    EXPECT_TRUE(entries[0].starts_with("4:8:e:A quotation mark")) << entries[0];
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const std::string& e) { return e.starts_with("5:8:w:"); }));
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const std::string& e) { return e.starts_with("4:8:n:"); }));
}

// The problem matcher of docs/editors.md, its pattern read as an ECMAScript expression (as the
// editor reads it), takes every line of the gnu form apart.
TEST_F(FindingsForms, ProblemMatcherOfTheDocsReadsEveryGnuLine) {
    const Json tasks = Json::parse(docSnippet("problem-matcher"));
    const Json& pattern = tasks["tasks"][0]["problemMatcher"][0]["pattern"];
    const std::regex expression(pattern["regexp"].get<std::string>(), std::regex::ECMAScript);
    dir.write("page.html", kPage);
    const ProgramRun gnu = check({"--format", "gnu", "page.html"});
    const std::vector<GnuLine> lines = gnuLines(gnu.out);
    std::istringstream in(gnu.out);
    std::string line;
    std::size_t index = 0;
    while (std::getline(in, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, expression)) << line;
        ASSERT_LT(index, lines.size());
        const GnuLine& expected = lines[index++];
        EXPECT_EQ(m[pattern["file"].get<int>()], expected.file);
        EXPECT_EQ(std::stoi(m[pattern["line"].get<int>()]), expected.line);
        EXPECT_EQ(std::stoi(m[pattern["column"].get<int>()]), expected.column);
        EXPECT_EQ(m[pattern["severity"].get<int>()], expected.severity);
        EXPECT_EQ(m[pattern["code"].get<int>()], expected.id);
        EXPECT_TRUE(std::string(m[pattern["message"].get<int>()]).starts_with(
            expected.text.substr(0, 20)));
    }
    EXPECT_EQ(index, lines.size());
}

}  // namespace
