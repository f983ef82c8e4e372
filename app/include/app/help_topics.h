// Where the program's help keywords and web pages lead. The help pages are HTML files in the
// folder help/ beside the executable; every keyword the program uses names one page and an
// anchor on it. The web addresses of the Links menu are kept here, in one place.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace app {

struct HelpTopic {
    std::string_view keyword;  // as the program asks for it, e.g. "program options"
    std::string_view page;     // file name inside help/, e.g. "options.html"
    std::string_view anchor;   // id of the element on that page, e.g. "program-options"
};

// Every help keyword the program uses, with its page and anchor.
std::span<const HelpTopic> helpTopics();

// The topic of `keyword` (compared without regard to case), or nothing.
std::optional<HelpTopic> findHelpTopic(std::string_view keyword);

// The help folder's name beside the executable, and the page a reader starts from.
constexpr std::string_view kHelpFolder = "help/";
constexpr std::string_view kHelpContentsPage = "index.html";

// The product's web pages (Links menu and Online Help Contents).
namespace web {
constexpr std::string_view kHomePage = "https://markwise.zentrel.example/";
constexpr std::string_view kDownloadPage = "https://markwise.zentrel.example/download/";
constexpr std::string_view kSupportPage = "https://markwise.zentrel.example/support/";
constexpr std::string_view kLatestConfigurationZip =
    "https://markwise.zentrel.example/download/mkwise25-cfg.zip";
constexpr std::string_view kLatestConfiguration =
    "https://markwise.zentrel.example/download/mkwise25.cfg";
constexpr std::string_view kOnlineHelpContents = "https://markwise.zentrel.example/help/";
}  // namespace web

}  // namespace app
