// The shipped rule set, checked against documents: every page under data/ruleset/<profile>/
// is valid HTML of that profile and must pass markwise-check with the profile built into the
// build folder (<profile>.cfg) without an error or a warning; every page under
// data/ruleset/extensions/<NAME>/ must pass a profile built here from the rule texts and the
// folder's profile.txt. Each page of a profile folder is then seeded with one fault at a time
// (the rules of data/ruleset_faults.txt, which bench/compare-reference shares), and Markwise
// must name each fault. Last, the compiled profiles are checked for what they say they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"
#include "config/text_form.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kRulesetDir = fs::path(MARKWISE_TEST_DATA) / "ruleset";
const fs::path kFaultTable = fs::path(MARKWISE_TEST_DATA) / "ruleset_faults.txt";
const fs::path kProfileDir = MARKWISE_PROFILE_DIR;     // where the build puts <profile>.cfg
const fs::path kRuleTextDir = MARKWISE_RULE_TEXT_DIR;  // resources/config

// Splits `text` at `separator`, trimming blanks around each piece and dropping empty ones.
std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::string piece;
    std::istringstream in{std::string(text)};
    while (std::getline(in, piece, separator)) {
        const auto first = piece.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        const auto last = piece.find_last_not_of(" \t\r");
        pieces.push_back(piece.substr(first, last - first + 1));
    }
    return pieces;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The rule texts in the order the build reads them, and the profiles it builds.
const std::vector<std::string> kRuleTexts = split(MARKWISE_RULE_TEXTS, '|');
const std::vector<std::string> kProfiles = split(MARKWISE_PROFILES, '|');

// ---- Reports -----------------------------------------------------------------------------

struct Message {
    std::string type;  // ERROR, WARNING, MESSAGE, COMMENT
    std::string line;
    std::string text;
};

struct Report {
    int errors = -1;
    int warnings = -1;
    std::vector<Message> messages;
    bool ended = false;  // ENDOFFILE=YES seen

    // Every error and warning, one a line, for a failure message.
    std::string faults() const {
        std::string out;
        for (const auto& m : messages) {
            if (m.type == "ERROR" || m.type == "WARNING")
                out += "  " + m.type + " line " + m.line + ": " + m.text + "\n";
        }
        return out;
    }
};

// The reports of one KEY=VALUE output, by the FILENAME each names, in the order they come.
std::vector<std::pair<std::string, Report>> parseReports(const std::string& kv) {
    std::vector<std::pair<std::string, Report>> reports;
    std::istringstream in(kv);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "FILENAME") reports.emplace_back(value, Report{});
        if (reports.empty()) continue;
        Report& report = reports.back().second;
        if (key == "NUMBEROFERRORS") report.errors = std::stoi(value);
        else if (key == "NUMBEROFWARNINGS") report.warnings = std::stoi(value);
        else if (key == "MESSAGETYPE") report.messages.push_back({value, "", ""});
        else if (key == "LINENUMBER" && !report.messages.empty()) report.messages.back().line = value;
        else if (key == "MESSAGE" && !report.messages.empty()) report.messages.back().text = value;
        else if (key == "ENDOFFILE") report.ended = true;
    }
    return reports;
}

// Checks every document of one folder in a single run of markwise-check (the profile is
// loaded once, which keeps the seeded-fault tests quick), and gives their reports in the
// order of `documents`.
std::vector<Report> checkAll(const std::string& config, const std::vector<fs::path>& documents) {
    if (documents.empty()) return {};
    std::vector<std::string> arguments = {"--config", config, "--format", "kv"};
    for (const auto& document : documents) arguments.push_back(document.filename().string());
    const auto run = testing_support::runProgram(MARKWISE_CHECK_EXE, documents.front().parent_path(), arguments);
    const auto parsed = parseReports(run.out);
    std::vector<Report> reports;
    for (std::size_t i = 0; i < documents.size(); ++i) {
        const std::string name = documents[i].filename().string();
        Report report;
        if (i < parsed.size() && parsed[i].first == name) report = parsed[i].second;
        EXPECT_TRUE(report.ended) << name << ": markwise-check exited " << run.exitCode << ": " << run.err;
        reports.push_back(report);
    }
    return reports;
}

Report check(const std::string& config, const fs::path& document) { return checkAll(config, {document}).front(); }

// ---- Configurations ----------------------------------------------------------------------

struct BuiltConfig {
    std::string path;   // empty when it could not be built
    std::string error;  // why not
};

// The rule texts followed by `profileText`, compiled as the build compiles a profile.
BuiltConfig buildProfile(const fs::path& profileText, const testing_support::TempDir& folder,
                         const std::string& name) {
    std::vector<std::string> texts;
    std::vector<std::string> names;
    for (const auto& text : kRuleTexts) {
        texts.push_back(testing_support::readFile(text));
        names.push_back(fs::path(text).filename().string());
    }
    texts.push_back(testing_support::readFile(profileText.string()));
    names.push_back(profileText.string());
    std::vector<config::TextSource> sources;
    for (std::size_t i = 0; i < texts.size(); ++i) sources.push_back({names[i], texts[i]});

    BuiltConfig result;
    CfgStore store;
    const auto errors = config::readTextForm(sources, store);
    for (const auto& error : errors) {
        result.error += names[std::min(error.source, names.size() - 1)] + ":" +
                        std::to_string(error.line) + ": " + error.message + "\n";
    }
    if (errors.empty()) result.path = folder.write(name + ".cfg", store.serialize(0));
    return result;
}

// The configuration of an extension folder, built once per test program.
const BuiltConfig& extensionConfig(const std::string& name) {
    static testing_support::TempDir folder;
    static std::map<std::string, BuiltConfig> built;
    auto found = built.find(name);
    if (found == built.end()) {
        const fs::path profile = kRulesetDir / "extensions" / name / "profile.txt";
        BuiltConfig config;
        if (!fs::exists(profile)) config.error = "no " + profile.string();
        else config = buildProfile(profile, folder, name);
        found = built.emplace(name, config).first;
    }
    return found->second;
}

// ---- The documents -----------------------------------------------------------------------

struct Document {
    std::string profile;    // the profile's name, or extensions/NAME
    std::string extension;  // NAME for an extension folder
    fs::path path;

    std::string config() const {
        if (extension.empty()) return (kProfileDir / (profile + ".cfg")).string();
        return extensionConfig(extension).path;
    }
};

void PrintTo(const Document& document, std::ostream* out) { *out << document.path; }

std::vector<fs::path> htmlFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().extension() == ".html") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The pages of the profile folders that have a built profile.
std::vector<Document> profileDocuments() {
    std::vector<Document> documents;
    if (!fs::is_directory(kRulesetDir)) return documents;
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(kRulesetDir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && fs::exists(kProfileDir / (name + ".cfg"))) folders.push_back(name);
    }
    std::sort(folders.begin(), folders.end());
    for (const auto& name : folders) {
        for (const auto& file : htmlFiles(kRulesetDir / name)) documents.push_back({name, "", file});
    }
    return documents;
}

std::vector<Document> allDocuments() {
    std::vector<Document> documents = profileDocuments();
    const fs::path extensions = kRulesetDir / "extensions";
    if (!fs::is_directory(extensions)) return documents;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(extensions)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        for (const auto& file : htmlFiles(extensions / name))
            documents.push_back({"extensions/" + name, name, file});
    }
    return documents;
}

std::string documentName(const ::testing::TestParamInfo<Document>& info) {
    return testing_support::caseTestName(info.param.profile + "_" + info.param.path.stem().string());
}

// ---- Seeded faults -----------------------------------------------------------------------

struct FaultRule {
    std::string kind;
    std::vector<std::string> profiles;  // names, prefixes ending in "*", or "*"
    std::string markup;
    std::string expected;

    bool appliesTo(const std::string& profile) const {
        for (const auto& pattern : profiles) {
            if (!pattern.empty() && pattern.back() == '*') {
                if (profile.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0) return true;
            } else if (pattern == profile) {
                return true;
            }
        }
        return false;
    }
};

std::vector<FaultRule> faultRules() {
    std::vector<FaultRule> rules;
    for (const auto& line : testing_support::readLines(kFaultTable.string())) {
        if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
            continue;
        const auto fields = split(line, '|');
        if (fields.size() != 4) {
            ADD_FAILURE() << kFaultTable.filename() << ": not four fields: " << line;
            continue;
        }
        rules.push_back({fields[0], split(fields[1], ' '), fields[2], fields[3]});
    }
    return rules;
}

// Whether the tag `name` ("<body", "</head") starts at `at`: followed by a blank or '>'.
bool tagAt(const std::string& text, std::size_t at, std::string_view name) {
    const std::size_t next = at + name.size();
    if (text.compare(at, name.size(), name) != 0) return false;
    return next >= text.size() || text[next] == '>' || std::isspace(static_cast<unsigned char>(text[next]));
}

// Just past the '>' that ends the tag going on at `at`, the first outside quoted attribute
// values; npos when there is none.
std::size_t tagEnd(const std::string& text, std::size_t at) {
    char quote = 0;
    for (; at < text.size(); ++at) {
        if (quote) {
            if (text[at] == quote) quote = 0;
        } else if (text[at] == '"' || text[at] == '\'') {
            quote = text[at];
        } else if (text[at] == '>') {
            return at + 1;
        }
    }
    return std::string::npos;
}

// The elements of a head, passed over to find where a body without its start tag begins;
// the content of the last four is passed over too, up to their end tag.
constexpr std::string_view kHeadElements[] = {"meta",   "link",  "base",     "isindex", "nextid",
                                              "script", "style", "noscript", "template"};

struct SeedPlace {
    std::size_t at = std::string::npos;  // npos when the page has no such place
    bool bodyLeftOut = false;            // the page leaves out the body's start tag
};

// Where a page's body content begins: right after the <body ...> start tag, or else after
// <noframes ...>, the first of each found outside comments. In a page that leaves out the
// body's start tag: after </head>, or else after </title> and the head elements, comments
// and blanks that follow it.
SeedPlace seedPlace(std::string_view page) {
    const std::string text = lower(std::string(page));
    constexpr std::string_view kPlaces[] = {"<body", "<noframes", "</head", "</title"};
    std::size_t found[std::size(kPlaces)];
    std::fill(std::begin(found), std::end(found), std::string::npos);
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '<') continue;
        if (text.compare(at, 4, "<!--") == 0) {
            const auto end = text.find("-->", at + 4);
            if (end == std::string::npos) break;
            at = end + 2;
            continue;
        }
        for (std::size_t i = 0; i < std::size(kPlaces); ++i) {
            if (found[i] == std::string::npos && tagAt(text, at, kPlaces[i]))
                found[i] = tagEnd(text, at + kPlaces[i].size());
        }
    }
    if (found[0] != std::string::npos) return {found[0], false};
    if (found[1] != std::string::npos) return {found[1], false};
    std::size_t at = found[2] != std::string::npos ? found[2] : found[3];
    while (at != std::string::npos) {
        at = text.find_first_not_of(" \t\r\n", at);
        if (at == std::string::npos) return {text.size(), true};
        if (text.compare(at, 4, "<!--") == 0) {
            const auto end = text.find("-->", at + 4);
            at = end == std::string::npos ? end : end + 3;
            continue;
        }
        const auto element = std::find_if(std::begin(kHeadElements), std::end(kHeadElements),
                                          [&](std::string_view name) { return tagAt(text, at, "<" + std::string(name)); });
        if (element == std::end(kHeadElements)) return {at, true};
        if (element - std::begin(kHeadElements) >= 5) {
            at = text.find("</" + std::string(*element), at);
            if (at == std::string::npos) break;
        }
        at = tagEnd(text, at + 1);
    }
    return {};
}

// The page with the rule's markup where its body content begins, after a <body> start tag
// where the page leaves it out (so that the markup stands in the body, as in other pages);
// empty when there is no such place.
std::string seed(const std::string& page, const FaultRule& rule) {
    const SeedPlace place = seedPlace(page);
    if (place.at == std::string::npos) return "";
    return page.substr(0, place.at) + (place.bodyLeftOut ? "<body>" : "") + rule.markup + page.substr(place.at);
}

// ---- Tests -------------------------------------------------------------------------------

class RulesetDocument : public ::testing::TestWithParam<Document> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RulesetDocument);

TEST_P(RulesetDocument, PassesWithoutErrorOrWarning) {
    const Document& document = GetParam();
    const std::string config = document.config();
    ASSERT_FALSE(config.empty()) << extensionConfig(document.extension).error;
    const Report report = check(config, document.path);
    EXPECT_EQ(0, report.errors) << document.path << " with " << config << ":\n" << report.faults();
    EXPECT_EQ(0, report.warnings) << document.path << " with " << config << ":\n" << report.faults();
}

INSTANTIATE_TEST_SUITE_P(Ruleset, RulesetDocument, ::testing::ValuesIn(allDocuments()), documentName);

class RulesetFaults : public ::testing::TestWithParam<Document> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RulesetFaults);

TEST_P(RulesetFaults, EachSeededFaultIsReported) {
    const Document& document = GetParam();
    const std::string page = testing_support::readFile(document.path.string());
    ASSERT_NE(std::string::npos, seedPlace(page).at) << document.path << ": no place to seed a fault";
    testing_support::TempDir folder;
    std::vector<const FaultRule*> tried;
    std::vector<fs::path> copies;
    const auto rules = faultRules();
    for (const auto& rule : rules) {
        if (!rule.appliesTo(document.profile)) continue;
        tried.push_back(&rule);
        const std::string name = std::to_string(tried.size()) + "-" + document.path.filename().string();
        copies.push_back(folder.write(name, seed(page, rule)));
    }
    const auto reports = checkAll(document.config(), copies);
    for (std::size_t i = 0; i < tried.size(); ++i) {
        const FaultRule& rule = *tried[i];
        const std::string expected = lower(rule.expected);
        const bool reported = std::any_of(reports[i].messages.begin(), reports[i].messages.end(), [&](const Message& m) {
            return m.type == "ERROR" && lower(m.text).find(expected) != std::string::npos;
        });
        EXPECT_TRUE(reported) << rule.kind << ": " << rule.markup << " in " << document.path
                              << "\nexpected: " << rule.expected << "\ngot:\n" << reports[i].faults();
    }
    EXPECT_FALSE(tried.empty());
}

INSTANTIATE_TEST_SUITE_P(Ruleset, RulesetFaults, ::testing::ValuesIn(profileDocuments()), documentName);

// Markup of today's HTML that pages made by generators carry is accepted by the default
// profile wherever a page's body content begins, and an id value used twice is reported by the
// profiles that check ids (today's HTML and HTML 4.01).
bool checksIds(const Document& document) {
    return document.profile == "mkwise25" || document.profile.starts_with("mkwise-html401-");
}

std::vector<Document> idCheckingDocuments() {
    std::vector<Document> documents = profileDocuments();
    std::erase_if(documents, [](const Document& document) { return !checksIds(document); });
    return documents;
}

class RulesetTodaysHtml : public ::testing::TestWithParam<Document> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RulesetTodaysHtml);

TEST_P(RulesetTodaysHtml, MarkupIsAcceptedAndDuplicateIdsReported) {
    const Document& document = GetParam();
    const bool living = document.profile == "mkwise25";
    struct Seed {
        const char* markup;
        const char* expected;  // a text one error holds; null when nothing may be reported
    };
    const std::vector<Seed> accepted = {
        {"<p data-zz=\"1\" data-zz-flag data-zz-empty=\"\">x</p>", nullptr},
        {"<zz-widget data-zz=\"1\" class=\"w\"><p>x</p></zz-widget>", nullptr},
        {"<p>a<br/>b<br />c<img src=\"a.png\" alt=\"x\"/></p>", nullptr},
        {"<div itemscope><meta itemprop=\"zz\" content=\"x\"><link itemprop=\"zzurl\" "
         "href=\"a.html\"></div>",
         nullptr},
    };
    std::vector<Seed> seeds = living ? accepted : std::vector<Seed>{};
    seeds.push_back({"<p id=\"zzdup\">x</p><p id=\"zzdup\">y</p>",
                     "The id value \"zzdup\" was already used in line"});
    const std::string page = testing_support::readFile(document.path.string());
    testing_support::TempDir folder;
    std::vector<fs::path> copies;
    for (const Seed& s : seeds) {
        const FaultRule rule{"seed", {"*"}, s.markup, ""};
        const std::string name = std::to_string(copies.size() + 1) + "-" + document.path.filename().string();
        copies.push_back(folder.write(name, seed(page, rule)));
    }
    const auto reports = checkAll(document.config(), copies);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const Seed& s = seeds[i];
        const Report& report = reports[i];
        if (s.expected == nullptr) {
            EXPECT_EQ(0, report.errors + report.warnings)
                << s.markup << " in " << document.path << ":\n" << report.faults();
        } else {
            EXPECT_EQ(1, report.errors) << s.markup << " in " << document.path << ":\n" << report.faults();
            EXPECT_NE(std::string::npos, report.faults().find(s.expected))
                << s.markup << " in " << document.path << ":\n" << report.faults();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ruleset, RulesetTodaysHtml, ::testing::ValuesIn(idCheckingDocuments()),
                         documentName);

// Every folder of pages names a profile, and every profile has pages: a folder whose name
// matches no profile would otherwise be passed over in silence.
TEST(RulesetDocuments, EveryProfileHasPagesAndEveryFolderAProfile) {
    for (const auto& profile : kProfiles)
        EXPECT_FALSE(htmlFiles(kRulesetDir / profile).empty()) << "no pages for " << profile;
    for (const auto& entry : fs::directory_iterator(kRulesetDir)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory() || name == "extensions") continue;
        EXPECT_NE(kProfiles.end(), std::find(kProfiles.begin(), kProfiles.end(), name))
            << "the folder " << name << " names no profile";
    }
    for (const auto& entry : fs::directory_iterator(kRulesetDir / "extensions")) {
        EXPECT_TRUE(fs::exists(entry.path() / "profile.txt")) << entry.path();
        EXPECT_FALSE(htmlFiles(entry.path()).empty()) << "no pages in " << entry.path();
    }
}

// Every kind of fault is seeded in the pages of every profile, and the table names no other.
TEST(RulesetFaultTable, CoversEveryKindForEveryProfile) {
    const std::set<std::string> kinds = {"unknown-element", "unknown-attribute", "bad-value", "out-of-range",
                                         "missing-end-tag", "missing-attribute", "bad-entity",
                                         "inactive-element"};
    const auto rules = faultRules();
    for (const auto& rule : rules) EXPECT_EQ(1u, kinds.count(rule.kind)) << "unknown kind " << rule.kind;
    ASSERT_FALSE(kProfiles.empty());
    for (const auto& profile : kProfiles) {
        for (const auto& kind : kinds) {
            EXPECT_TRUE(std::any_of(rules.begin(), rules.end(),
                                    [&](const FaultRule& r) { return r.kind == kind && r.appliesTo(profile); }))
                << "no " << kind << " rule for " << profile;
        }
    }
}

TEST(RulesetFaultTable, SeedsWhereTheBodyContentBegins) {
    const FaultRule rule{"x", {"*"}, "<X>", ""};
    // After the body's start tag, past a '>' in a quoted value and a <body> in a comment.
    EXPECT_EQ("<html><!-- <body> --><body onload=\"a>b\" class=c><X>\n<p>",
              seed("<html><!-- <body> --><body onload=\"a>b\" class=c>\n<p>", rule));
    EXPECT_EQ("<HEAD></HEAD><BODY\nBGCOLOR=white><X>", seed("<HEAD></HEAD><BODY\nBGCOLOR=white>", rule));
    EXPECT_EQ("<frameset><noframes><X><p>x</noframes>", seed("<frameset><noframes><p>x</noframes>", rule));
    // Without the body's start tag (<bodyx> is not one), where the body begins, given one.
    EXPECT_EQ("<title>t</title></head><body><X><bodyx>", seed("<title>t</title></head><bodyx>", rule));
    EXPECT_EQ("<title>t</title>\n<META x=\"<p>\">\n<!-- <p> --><script>a<b</script>\n<body><X><p>x",
              seed("<title>t</title>\n<META x=\"<p>\">\n<!-- <p> --><script>a<b</script>\n<p>x", rule));
    EXPECT_EQ("<title>t</title><link><body><X>", seed("<title>t</title><link>", rule));
    EXPECT_EQ("", seed("<p>no head</p>", rule));
    EXPECT_TRUE(rule.appliesTo("mkwise-html20"));
    const FaultRule some{"x", {"mkwise25", "mkwise-html401-*"}, "", ""};
    EXPECT_TRUE(some.appliesTo("mkwise-html401-frameset"));
    EXPECT_TRUE(some.appliesTo("mkwise25"));
    EXPECT_FALSE(some.appliesTo("mkwise-html32"));
    EXPECT_FALSE(some.appliesTo("mkwise250"));
}

// ---- The profiles ------------------------------------------------------------------------

std::string categoryName(const CfgStore& store, int id) {
    const char* name = store.entryName(Category, ById, id);
    return name ? name : "";
}

// The categories that base.txt declares, by name.
std::vector<std::string> baseCategories() {
    std::vector<std::string> names;
    for (const auto& line : testing_support::readLines((kRuleTextDir / "base.txt").string())) {
        if (line.rfind("category ", 0) != 0) continue;
        std::string name = line.substr(9);
        if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.size() - 2);
        names.push_back(name);
    }
    return names;
}

TEST(RulesetProfiles, LoadWithTheirActiveCategories) {
    const std::map<std::string, std::set<std::string>> expected = {
        {"mkwise25",
         {"HTML living standard", "HTML living standard additions", "HTML living standard entities",
          "RDFa Lite"}},
        {"mkwise-html401-strict", {"HTML 4.01 Strict"}},
        {"mkwise-html401-transitional", {"HTML 4.01 Transitional"}},
        {"mkwise-html401-frameset", {"HTML 4.01 Transitional", "HTML 4.01 Frameset"}},
        {"mkwise-html32", {"HTML 3.2"}},
        {"mkwise-html20", {"HTML 2.0"}},
    };
    const auto categories = baseCategories();
    EXPECT_GE(categories.size(), 10u);
    ASSERT_EQ(expected.size(), kProfiles.size());
    for (const auto& profile : kProfiles) {
        SCOPED_TRACE(profile);
        ASSERT_EQ(1u, expected.count(profile)) << "a profile this test does not know";
        const std::string path = (kProfileDir / (profile + ".cfg")).string();
        CfgStore store;
        std::string reason;
        ASSERT_EQ(1, store.loadBytes(testing_support::readFile(path), path, &reason)) << path << ": " << reason;

        std::set<std::string> active;
        for (int i = 0; i < store.activeCategoryCount(); ++i) {
            int found = 0;
            const int id = store.activeCategoryAt(i, found);
            if (found) active.insert(categoryName(store, id));
        }
        EXPECT_EQ(expected.at(profile), active);
        for (const auto& name : categories)
            EXPECT_GE(store.findFirstPosition(Category, name), 0) << "category " << name << " is missing";
        EXPECT_GT(store.entryCount(TagName), 2) << "no tag names past the built-in ones";
    }
}

// The extension folders' profiles are built here as the build builds the shipped ones: built
// here, a shipped profile comes out byte for byte as the build made it.
TEST(RulesetProfiles, BuiltHereAsTheBuildBuildsThem) {
    testing_support::TempDir folder;
    for (const auto& profile : kProfiles) {
        const BuiltConfig built = buildProfile(kRuleTextDir / "profiles" / (profile + ".txt"), folder, profile);
        ASSERT_FALSE(built.path.empty()) << built.error;
        EXPECT_TRUE(testing_support::readFile(built.path) ==
                    testing_support::readFile((kProfileDir / (profile + ".cfg")).string()))
            << profile << " differs from the build's";
    }
}

// Today's HTML made FONT obsolete: the default profile knows it but keeps its category
// inactive, whether named on the command line or found beside the program.
TEST(RulesetProfiles, DefaultProfileReportsFontAsInactive) {
    testing_support::TempDir folder;
    const std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Font</title>\n</head>\n<body>\n"
        "<p><font color=\"red\">red</font></p>\n</body>\n</html>\n";
    folder.write("font.html", page);
    const std::string inactive = "The tag name \"font\" was found but its category is not active.";
    const std::vector<std::vector<std::string>> runs = {
        {"--config", (kProfileDir / "mkwise25.cfg").string(), "--format", "kv", "font.html"},
        {"--format", "kv", "font.html"}};
    for (const auto& args : runs) {
        const auto run = testing_support::runProgram(MARKWISE_CHECK_EXE, folder.path(), args);
        const auto reports = parseReports(run.out);
        ASSERT_EQ(1u, reports.size()) << run.out;
        const Report& report = reports.front().second;
        EXPECT_EQ(1, run.exitCode) << run.err;
        EXPECT_EQ(1, report.errors) << report.faults();
        EXPECT_NE(std::string::npos, report.faults().find(inactive)) << report.faults();
    }
}

// The report of one page written for a test, checked with a shipped profile.
Report checkPage(const std::string& profile, const std::string& page) {
    testing_support::TempDir folder;
    folder.write("page.html", page);
    return check((kProfileDir / (profile + ".cfg")).string(), folder.file("page.html"));
}

// Expects exactly `errors` errors, no warning, and each of `texts` among the messages.
void expectErrorsOnly(const Report& report, int errors, std::initializer_list<std::string_view> texts) {
    const std::string faults = report.faults();
    EXPECT_EQ(errors, report.errors) << faults;
    EXPECT_EQ(0, report.warnings) << faults;
    for (std::string_view text : texts) EXPECT_NE(std::string::npos, faults.find(text)) << text << "\n" << faults;
}

// Today's HTML keeps SCRIPT's charset only as "utf-8"; another value is reported, and LINK's
// charset stays obsolete.
TEST(RulesetProfiles, DefaultProfileTakesScriptCharsetOnlyAsUtf8) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Charset</title>\n"
        "<script src=\"a.js\" charset=\"UTF-8\"></script>\n"
        "<script src=\"b.js\" charset=\"iso-8859-1\"></script>\n"
        "<link rel=\"stylesheet\" href=\"a.css\" charset=\"utf-8\">\n</head>\n<body>\n"
        "<p>x</p>\n</body>\n</html>\n");
    const std::string badValue = "The attribute \"charset\" has an invalid attribute value \"iso-8859-1\".";
    const std::string obsolete = "The attribute \"charset\" was found but its category is not active.";
    expectErrorsOnly(report, 2, {badValue, obsolete});
}

// INPUT's capture names the camera a file upload prefers, the user's or the environment's;
// with no value the device chooses. Another value is reported.
TEST(RulesetProfiles, DefaultProfileTakesInputCaptureWithItsKeywords) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Capture</title>\n</head>\n"
        "<body>\n<form action=\"up\"><p>\n"
        "<input type=\"file\" name=\"a\" capture=\"user\">\n"
        "<input type=\"file\" name=\"b\" capture=\"Environment\">\n"
        "<input type=\"file\" name=\"c\" capture>\n"
        "<input type=\"file\" name=\"d\" capture=\"\">\n"
        "<input type=\"file\" name=\"e\" capture=\"front\">\n</p></form>\n</body>\n</html>\n");
    const std::string badValue = "The attribute \"capture\" has an invalid attribute value \"front\".";
    expectErrorsOnly(report, 1, {badValue});
}

// Pages turned out by XSLT (DocBook's stylesheets) carry xmlns and xml:lang on inner elements,
// as XHTML writes them: xmlns with the XHTML namespace is allowed on any element, another
// namespace is an invalid value, and a prefixed namespace declaration is no attribute of HTML.
TEST(RulesetProfiles, DefaultProfileTakesTheXhtmlNamespaceOnEveryElement) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"de\" xml:lang=\"de\">\n"
        "<head>\n<title xmlns=\"http://www.w3.org/1999/xhtml\">Namespaces</title>\n"
        "<meta xmlns=\"http://www.w3.org/1999/xhtml\" name=\"generator\" content=\"x\">\n</head>\n<body>\n"
        "<div xml:lang=\"de-DE\" class=\"chapter\" lang=\"de-DE\"><p>x <a "
        "xmlns=\"http://www.w3.org/1999/xhtml\" href=\"a.html\">a</a></p></div>\n"
        "<div xmlns=\"\" class=\"url\">y</div>\n"
        "<div xmlns:d=\"http://docbook.org/ns/docbook\">z</div>\n</body>\n</html>\n");
    const std::string emptyNamespace = "The attribute \"xmlns\" has an invalid attribute value \"\".";
    const std::string prefixed = "The attribute \"xmlns:d\" is not valid for the tag name \"div\".";
    expectErrorsOnly(report, 2, {emptyNamespace, prefixed});
}

// ARIA's free texts may be empty (an unnamed navigation menu gets aria-label=""); a list of ids
// names at least one.
TEST(RulesetProfiles, DefaultProfileTakesEmptyAriaTextsButNoEmptyIdList) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>ARIA</title>\n</head>\n<body>\n"
        "<nav aria-label=\"\"><p aria-description=\"\" aria-roledescription=\"\">x</p></nav>\n"
        "<div role=\"slider\" aria-valuenow=\"1\" aria-valuetext=\"\" aria-keyshortcuts=\"\">y</div>\n"
        "<p aria-labelledby=\"\">z</p>\n</body>\n</html>\n");
    const std::string emptyIds = "The attribute \"aria-labelledby\" has an invalid attribute value \"\".";
    expectErrorsOnly(report, 1, {emptyIds});
}

// Today's HTML reads an attribute written without a value as one whose value is empty: where
// the empty value is allowed, so is the bare attribute. A custom element takes attributes whose
// names other elements have. Every element takes the event handlers of Pointer and Touch
// Events, CSS Animations and Transitions, and CSS Shadow Parts' part.
TEST(RulesetProfiles, DefaultProfileTakesBareAttributesWhereAnEmptyValueIsAllowed) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Bare</title>\n</head>\n<body>\n"
        "<p class title>x <img src=\"a.png\" alt></p>\n"
        "<form action=\"f\"><select name=\"s\"><option value>none</option></select></form>\n"
        "<my-input name=\"email\" type=\"email\" label=\"Email\" disabled></my-input>\n"
        "<div onpointerdown=\"f()\" ontouchstart ontransitionend=\"g()\" part=\"label\">z</div>\n"
        "<div id>y</div>\n</body>\n</html>\n");
    expectErrorsOnly(report, 1, {"The attribute \"id\" needs a value."});
}

// The content of a TEMPLATE is a fragment of its own: its ids clash neither with the page's
// nor with another template's.
TEST(RulesetProfiles, DefaultProfileKeepsTheIdsOfATemplateApart) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Templates</title>\n</head>\n<body>\n"
        "<table><tbody><tr id=\"row\"><td>1</td></tr></tbody></table>\n"
        "<p id=\"p1\">1</p><p id=\"p2\">2</p><p id=\"p3\">3</p>\n"
        "<template><tr id=\"row\"><td>x</td></tr></template>\n"
        "<template id=\"t2\"><p id=\"p1\">y</p><template id=\"p2\"></template></template>\n"
        "<p id=\"t2\">z</p>\n</body>\n</html>\n");
    expectErrorsOnly(report, 1, {"The id value \"t2\" was already used in line 10."});
}

// A custom element of a long name, closed as it was opened, is closed: the closing tag's name
// is cut to the name field after its "/", as the opening tag's is. Names up to the field's 79
// characters are kept whole; longer ones are cut alike on both sides.
TEST(RulesetProfiles, DefaultProfileClosesCustomElementsOfLongNames) {
    std::string body;
    for (std::size_t length : {60, 78, 79, 80, 90, 200}) {
        const std::string name = "my-" + std::string(length - 3, 'x');
        body += "<" + name + " class=\"a\">x</" + name + ">\n<" + name + ">y</" + name + " >\n";
    }
    const Report report = checkPage(
        "mkwise25", "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Long</title>\n"
                    "</head>\n<body>\n" + body + "</body>\n</html>\n");
    expectErrorsOnly(report, 0, {});
}

// Ids are told apart whole, also past the 255 characters an attribute value keeps: two ids
// that differ only in their last character are two ids; the same long id twice is one, named
// as cut. The tags are written alike, so that the later ones are read by their pattern.
TEST(RulesetProfiles, DefaultProfileTellsLongIdsApartWhole) {
    const std::string stem(255, 'x');
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Ids</title>\n</head>\n<body>\n"
        "<p id=\"" + stem + "A\" class=\"c\">1</p>\n<p id=\"" + stem + "B\" class=\"c\">2</p>\n"
        "<p id=\"" + stem + "A\" class=\"c\">3</p>\n</body>\n</html>\n");
    expectErrorsOnly(report, 1, {"The id value \"" + std::string(254, 'x') +
                                     "\" was already used in line 7."});
    EXPECT_NE(report.faults().find("line 9"), std::string::npos) << report.faults();
}

// Entity names that differ only in case name different characters (&LeftArrow; is the arrow
// of &larr;, &Leftarrow; that of &lArr;): the default profile keeps them together, so that no
// name is taken for another written in the wrong case.
TEST(RulesetProfiles, DefaultProfileKeepsEntityNamesOfOneSpellingTogether) {
    const Report report = checkPage(
        "mkwise25",
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<title>Entities</title>\n</head>\n<body>\n"
        "<p>&LeftArrow; &Leftarrow; &RightArrow; &Not; &not; &Cross; &cross; &Cap; &cap;</p>\n"
        "<p>&LEFTARROW;</p>\n</body>\n</html>\n");
    expectErrorsOnly(report, 1, {"&LEFTARROW;"});
}

// A tag that an element's inclusion alone allows is in range wherever that element is open,
// and nowhere else: HTML 2.0's form controls stand anywhere in a FORM, and outside one are out
// of range. HTML 4.01's INS and DEL, which BODY's inclusion brings, stand anywhere in BODY,
// and also in a fragment that starts inside it (an LI, a TD).
TEST(RulesetProfiles, OlderProfilesTakeWhatAnInclusionBringsWhereItsElementIsOpen) {
    const Report inForm = checkPage(
        "mkwise-html20",
        "<html><head><title>Form</title></head><body>\n<form action=\"/go\"><p>Name: <b><input "
        "name=\"n\"></b></p>\n<dl><dd><select name=\"s\"><option>a</select></dl>\n"
        "<textarea name=\"t\" rows=\"2\" cols=\"20\">x</textarea></form>\n</body></html>\n");
    expectErrorsOnly(inForm, 0, {});
    const Report outside = checkPage(
        "mkwise-html20",
        "<html><head><title>Form</title></head><body>\n<p>Name: <input name=\"n\">\n"
        "</body></html>\n");
    expectErrorsOnly(outside, 1, {"The tag name \"input\" was found, but is not valid due to "
                                  "its location (range). The valid range for this tag is FORM."});
    for (const char* profile : {"mkwise-html401-strict", "mkwise-html401-transitional"}) {
        const Report inserted = checkPage(
            profile,
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html><head><title>Ins"
            "</title></head><body>\n<p>A <ins>new</ins> word <em><del>gone</del></em>.</p>\n"
            "<table summary=\"t\"><tr><td><ins><p>cell</p></ins></td></tr></table>\n"
            "<ins><div>block</div></ins>\n</body></html>\n");
        expectErrorsOnly(inserted, 0, {});
        for (const char* fragment : {"<li>A <ins>new</ins> word</li>\n",
                                     "<td><del>gone</del></td>\n", "<dd><ins>x</ins></dd>\n"}) {
            const std::string faults = checkPage(profile, fragment).faults();
            EXPECT_EQ(faults.find("(range)"), std::string::npos) << profile << fragment << faults;
        }
    }
}

// The profiles of HTML 4.01, 3.2 and 2.0 want a tag where their DTDs' content models do
// (<ul></ul>, an empty TBODY); today's HTML lets such elements be empty.
TEST(RulesetProfiles, OlderProfilesWantATagWhereTheirDtdsDo) {
    const std::string page =
        "<html><head><title>Empty</title></head><body>\n<ul></ul>\n"
        "<table summary=\"x\"><tbody></tbody></table>\n<ol><li>one</li></ol>\n</body></html>\n";
    const std::string emptyList = "The tag name \"ul\" contains no tag";
    const std::string emptyBody = "The tag name \"tbody\" contains no tag";
    for (const char* profile : {"mkwise-html401-strict", "mkwise-html401-transitional",
                                "mkwise-html32", "mkwise-html20", "mkwise25"}) {
        const Report report = checkPage(profile, page);
        const std::string faults = report.faults();
        const bool older = std::string_view(profile) != "mkwise25";
        EXPECT_EQ(older, faults.find(emptyList) != std::string::npos) << profile << faults;
        // HTML 3.2 and 2.0 have no TBODY.
        const bool tbody = std::string_view(profile).starts_with("mkwise-html401");
        EXPECT_EQ(tbody, faults.find(emptyBody) != std::string::npos) << profile << faults;
    }
}

}  // namespace
