// The help pages in resources/help: every help keyword of the program leads to a page and an
// element on it, every link between the pages leads somewhere, each page is sound enough for
// a browser (one title, ids unique, nothing fetched from outside), and each passes Markwise's
// own check against the default profile.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "app/help_topics.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kHelpDir = MARKWISE_HELP_SOURCE_DIR;

struct Page {
    std::string text;
    std::multiset<std::string> ids;
};

// Every file of the help folder by name; the ids of the HTML pages.
std::map<std::string, Page> loadPages() {
    static const std::regex idAttribute(R"(\sid="([^"]*)\")");
    std::map<std::string, Page> pages;
    for (const auto& entry : fs::directory_iterator(kHelpDir)) {
        Page page;
        page.text = testing_support::readFile(entry.path().string());
        for (std::sregex_iterator it(page.text.begin(), page.text.end(), idAttribute), end;
             it != end; ++it)
            page.ids.insert((*it)[1]);
        pages.emplace(entry.path().filename().string(), std::move(page));
    }
    return pages;
}

bool isHtml(const std::string& name) { return name.ends_with(".html"); }

TEST(HelpPages, EveryHelpKeywordLeadsToAPageAndAnElementOnIt) {
    const auto pages = loadPages();
    ASSERT_TRUE(pages.contains(std::string(app::kHelpContentsPage)));
    for (const app::HelpTopic& topic : app::helpTopics()) {
        const auto page = pages.find(std::string(topic.page));
        ASSERT_NE(page, pages.end()) << topic.keyword << ": no page " << topic.page;
        EXPECT_TRUE(page->second.ids.contains(std::string(topic.anchor)))
            << topic.keyword << ": " << topic.page << " has no id " << topic.anchor;
    }
}

TEST(HelpPages, EachPageHasOneTitleUniqueIdsAndNothingFromOutside) {
    for (const auto& [name, page] : loadPages()) {
        if (!isHtml(name)) continue;
        SCOPED_TRACE(name);
        std::size_t titles = 0;
        for (auto at = page.text.find("<title>"); at != std::string::npos;
             at = page.text.find("<title>", at + 1))
            ++titles;
        EXPECT_EQ(titles, 1u);
        for (auto id = page.ids.begin(); id != page.ids.end(); id = page.ids.upper_bound(*id))
            EXPECT_EQ(page.ids.count(*id), 1u) << "id " << *id;
        EXPECT_EQ(page.text.find("<script"), std::string::npos);
        EXPECT_EQ(page.text.find("src=\""), std::string::npos);
    }
}

TEST(HelpPages, EveryLinkLeadsToAnExistingPageAndAnchor) {
    static const std::regex link(R"(\shref="([^"]*)\")");
    const auto pages = loadPages();
    for (const auto& [name, page] : pages) {
        if (!isHtml(name)) continue;
        for (std::sregex_iterator it(page.text.begin(), page.text.end(), link), end; it != end;
             ++it) {
            const std::string target = (*it)[1];
            SCOPED_TRACE(name + " -> " + target);
            // The pages open from the disk without a network: no link leaves the folder.
            ASSERT_EQ(target.find(':'), std::string::npos);
            ASSERT_EQ(target.find('/'), std::string::npos);
            const auto hash = target.find('#');
            const std::string file = hash == std::string::npos ? target : target.substr(0, hash);
            const auto linked = pages.find(file.empty() ? name : file);
            ASSERT_NE(linked, pages.end());
            if (hash != std::string::npos) {
                EXPECT_TRUE(linked->second.ids.contains(target.substr(hash + 1)));
            }
        }
    }
}

// The pages are ASCII with entities, so that the default options (high ASCII characters and
// quotes in text reported) find nothing in them either.
TEST(HelpPages, EachPagePassesMarkwiseWithTheDefaultProfile) {
    const std::string config = (fs::path(MARKWISE_PROFILE_DIR) / "mkwise25.cfg").string();
    for (const auto& [name, page] : loadPages()) {
        if (!isHtml(name)) continue;
        const auto run = testing_support::runProgram(
            MARKWISE_CHECK_EXE, kHelpDir,
            {"--config", config, "--set", "IncludeHTMLInOutput=0", name});
        EXPECT_EQ(run.exitCode, 0) << name << "\n" << run.out << run.err;
        EXPECT_NE(run.out.find("No errors or warnings were detected!"), std::string::npos)
            << name << "\n" << run.out;
    }
}

}  // namespace
