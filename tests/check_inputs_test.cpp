// What markwise-check takes as its documents, which shipped profile a DOCTYPE asks for, and a
// project's settings file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "app/check_inputs.h"
#include "app/ordered_parallel.h"
#include "app/profiles.h"
#include "app/project_settings.h"
#include "fault_injection.h"
#include "test_support.h"

namespace {

using testing_support::TempDir;

std::vector<std::string> names(const std::vector<app::CheckInput>& inputs) {
    std::vector<std::string> out;
    for (const app::CheckInput& input : inputs) out.push_back(input.standardInput ? "<stdin>" : input.name);
    return out;
}

// An extension of more than one part, as content-negotiated sites name their pages, matches
// the end of a name in any case; a part of it alone matches only where the name ends with it.
TEST(CheckInputs, AnExtensionOfSeveralPartsMatchesTheEndOfAName) {
    TempDir dir;
    for (const char* name : {"neg/index.html.en", "neg/about.HTML.EN", "neg/index.html.fr",
                             "neg/html.en", "neg/xhtml.en"}) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        dir.write(name, "<p>");
    }
    app::InputRequest request;
    request.operands = {dir.file("neg")};
    const auto found = [&](const char* extensions) {
        EXPECT_FALSE(app::parseExtensions(extensions, request.extensions));
        std::vector<app::CheckInput> inputs;
        std::vector<std::string> problems;
        app::gatherInputs(request, platform::systemFileSystem(), inputs, problems);
        std::vector<std::string> leaves;
        for (const std::string& name : names(inputs)) leaves.push_back(name.substr(name.rfind('/') + 1));
        return leaves;
    };
    EXPECT_EQ(found("html.en"), (std::vector<std::string>{"about.HTML.EN", "index.html.en"}));
    EXPECT_EQ(found("en"),
              (std::vector<std::string>{"about.HTML.EN", "html.en", "index.html.en", "xhtml.en"}));
    EXPECT_EQ(found("html"), std::vector<std::string>{});
}

TEST(CheckInputs, FoldersAreWalkedInSortedOrderForTheirExtensionsOnly) {
    TempDir dir;
    const std::string site = dir.file("site");
    for (const char* name : {"site/b.html", "site/a.HTM", "site/a/z.shtml", "site/a/y.txt",
                             "site/c.shtm", "site/noext", "site/deep/er/x.html",
                             "outside/secret.html", "site/.git/x.html", "site/.draft.html",
                             "site/deep/.cache/y.html"}) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        dir.write(name, "<p>");
    }
    // Links: one inside the tree to a file, one inside to a folder (visited once), one out.
    std::filesystem::create_symlink(dir.file("site/b.html"), dir.file("site/link.html"));
    std::filesystem::create_symlink(dir.file("site/deep"), dir.file("site/again"));
    std::filesystem::create_symlink(dir.file("outside"), dir.file("site/out"));
    std::filesystem::create_symlink(dir.file("outside/secret.html"), dir.file("site/leak.html"));
    std::filesystem::create_symlink(dir.file("site"), dir.file("site/deep/loop"));

    app::InputRequest request;
    request.operands = {site + "/"};
    std::vector<app::CheckInput> inputs;
    std::vector<std::string> problems;
    ASSERT_FALSE(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems));
    EXPECT_TRUE(problems.empty());
    const std::vector<std::string> expected = {
        site + "/a.HTM",  site + "/a/z.shtml",       site + "/b.html",
        site + "/c.shtm", site + "/deep/er/x.html", site + "/link.html",
    };
    EXPECT_EQ(names(inputs), expected);  // hidden files and folders are passed over

    // ... unless they are named: a hidden folder given is walked, a hidden file given checked.
    request.operands = {site + "/.git", site + "/.draft.html"};
    inputs.clear();
    ASSERT_FALSE(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems));
    EXPECT_EQ(names(inputs),
              (std::vector<std::string>{site + "/.git/x.html", site + "/.draft.html"}));

    // --ext chooses other extensions; a file named outright is taken whatever its extension.
    ASSERT_FALSE(app::parseExtensions("txt,.shtml", request.extensions));
    request.operands = {site, dir.file("site/noext")};
    inputs.clear();
    ASSERT_FALSE(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems));
    EXPECT_EQ(names(inputs), (std::vector<std::string>{site + "/a/y.txt", site + "/a/z.shtml",
                                                        dir.file("site/noext")}));
    std::vector<std::string> extensions;
    EXPECT_TRUE(app::parseExtensions("htm,,html", extensions));
    EXPECT_TRUE(app::parseExtensions("", extensions));
    EXPECT_TRUE(app::parseExtensions("htm, ,html", extensions));
    // Blanks after the commas, as a list is written in prose, do not hide an extension.
    ASSERT_FALSE(app::parseExtensions("html, .htm ,\tshtml", extensions));
    EXPECT_EQ(extensions, (std::vector<std::string>{"html", "htm", "shtml"}));
}

// A folder that cannot be listed, or an entry whose type cannot be read, is a problem that
// fails the run: its documents are never left out unnoticed.
TEST(CheckInputs, AFolderOrEntryThatCannotBeReadIsAProblem) {
    TempDir dir;
    const std::string site = dir.file("site");
    std::filesystem::create_directories(dir.file("site/sub"));
    dir.write("site/sub/c.html", "<p>");
    app::InputRequest request;
    request.operands = {site};
    testing_support::FaultyFileSystem files;
    std::vector<app::CheckInput> inputs;
    std::vector<std::string> problems;

    files.failAt(platform::FileOp::List, 2);  // site/sub, after site itself
    ASSERT_FALSE(app::gatherInputs(request, files, inputs, problems));
    EXPECT_TRUE(inputs.empty());
    EXPECT_EQ(problems, std::vector<std::string>{site + "/sub: cannot be read: Input/output error"});

    files.reset();
    problems.clear();
    files.failAt(platform::FileOp::Stat, 3);  // the operand, site/sub, then site/sub/c.html
    ASSERT_FALSE(app::gatherInputs(request, files, inputs, problems));
    EXPECT_TRUE(inputs.empty());
    EXPECT_EQ(problems,
              std::vector<std::string>{site + "/sub/c.html: cannot be read: Input/output error"});

    files.reset();
    problems.clear();
    ASSERT_FALSE(app::gatherInputs(request, files, inputs, problems));
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(names(inputs), std::vector<std::string>{site + "/sub/c.html"});
}

TEST(CheckInputs, ListsOfNamesAndStandardInput) {
    TempDir dir;
    dir.write("a.html", "");
    std::filesystem::create_directory(dir.file("sub"));
    dir.write("sub/b.html", "");
    const std::string lines = dir.write("list.txt", "a.html\r\n\n" + dir.file("sub") + "\n-\nlast.html");
    const std::string nuls =
        dir.write("list0", std::string("with\nnewline.html\0a.html\0", 25));

    app::InputRequest request;
    request.operands = {"-", "first.html"};
    request.filesFrom = lines;
    request.stdinName = "typed.html";
    std::vector<app::CheckInput> inputs;
    std::vector<std::string> problems;
    ASSERT_FALSE(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems));
    EXPECT_EQ(names(inputs), (std::vector<std::string>{"<stdin>", "first.html", "a.html",
                                                        dir.file("sub") + "/b.html", "-",
                                                        "last.html"}));
    EXPECT_EQ(inputs[0].name, "typed.html");

    request.operands = {};
    request.filesFrom = nuls;
    request.nulSeparated = true;
    inputs.clear();
    ASSERT_FALSE(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems));
    EXPECT_EQ(names(inputs), (std::vector<std::string>{"with\nnewline.html", "a.html"}));

    request.operands = {"-", "-"};
    request.filesFrom.reset();
    EXPECT_EQ(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems),
              "standard input can be read only once");
    request.operands = {"-"};
    request.filesFrom = "-";
    EXPECT_TRUE(app::gatherInputs(request, platform::systemFileSystem(), inputs, problems));
    request.operands = {};
    request.filesFrom = dir.file("missing.txt");
    auto problem = app::gatherInputs(request, platform::systemFileSystem(), inputs, problems);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, "--files-from " + dir.file("missing.txt") +
                            ": cannot open: No such file or directory");
}

TEST(CheckInputs, WideEncodingsAreToldFromTheFirstBytes) {
    using namespace std::string_view_literals;
    const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
        {"\xFF\xFE<\0p\0"sv, "UTF-16"},
        {"\xFE\xFF\0<"sv, "UTF-16"},
        {"\xFF\xFE"sv, "UTF-16"},  // an empty document with its mark
        {"\xFF\xFE\0\0<\0\0\0"sv, "UTF-32"},
        {"\0\0\xFE\xFF"sv, "UTF-32"},
        {"<\0p\0>\0"sv, "UTF-16LE"},
        {"\n\0<\0"sv, "UTF-16LE"},
        {"\0<\0p"sv, "UTF-16BE"},
        {"<\0\0\0"sv, "UTF-32LE"},
        {"\0\0\0<"sv, "UTF-32BE"},
        // Single bytes: ASCII, UTF-8 with and without its mark, ISO 8859-1, and NULs elsewhere.
        {"<p>caf\xC3\xA9</p>"sv, std::nullopt},
        {"\xEF\xBB\xBF<p>"sv, std::nullopt},
        {"<p>\xFF\xFE</p>"sv, std::nullopt},
        {"<p>a\0b\0</p>"sv, std::nullopt},
        {"\xFF"sv, std::nullopt},
        {"<\0"sv, std::nullopt},  // too short to tell
        {""sv, std::nullopt},
    };
    for (const auto& [bytes, wide] : cases) {
        EXPECT_EQ(app::wideEncodingOf(bytes), wide) << testing::PrintToString(std::string(bytes));
    }
}

TEST(Profiles, TheDoctypeNamesTheProfile) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<p>no doctype", "html5"},
        {"<!DOCTYPE html>\n<html>", "html5"},
        {"<!doctype HTML SYSTEM \"about:legacy-compat\">", "html5"},
        {"\xEF\xBB\xBF<!-- a > b -->\n  <!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">",
         "html401-strict"},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\n"
         "  \"http://www.w3.org/TR/html4/loose.dtd\">",
         "html401-transitional"},
        {"<!DOCTYPE html public '-//w3c//dtd html 4.01   frameset//en'>", "html401-frameset"},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">", "html401-transitional"},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
         "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
         "html401-strict"},
        {"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">", "html401-transitional"},
        {"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Frameset//EN\">", "html401-frameset"},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">", "html32"},
        {"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">", "html20"},
        {"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">", "html20"},
        {"<!DOCTYPE HTML PUBLIC \"-//ACME//DTD Whatever//EN\">", "html5"},
        {"<html><!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", "html5"},
        {"<!-- never closed <!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", "html5"},
    };
    for (const auto& [document, profile] : cases) {
        EXPECT_EQ(app::profileForDoctype(document).name, profile) << document;
    }
    ASSERT_NE(app::findShippedProfile("HTML401-Strict"), nullptr);
    EXPECT_EQ(app::findShippedProfile("xhtml"), nullptr);
    // The build puts every profile beside the programs.
    for (const app::ShippedProfile& profile : app::shippedProfiles()) {
        EXPECT_TRUE(app::locateProfile(profile, std::string(MARKWISE_PROFILE_DIR "/")))
            << profile.name;
    }
}

TEST(ProjectSettings, FoundUpwardsAndReadWithLineNumbers) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("site/pages/deep"));
    const std::string file = dir.write(
        "site/.markwise.ini",
        "# checked by CI\n\nprofile = html401-strict\ndisable=mw79,mw101\n"
        "AllowDoubleQuoteInText=1\n; a comment\nlogfilename=C:\\\\logs\\nx\n");
    EXPECT_EQ(app::findProjectSettings(dir.file("site/pages/deep")), file);
    EXPECT_EQ(app::findProjectSettings(dir.file("site")), file);

    app::ProjectSettings settings;
    ASSERT_FALSE(app::readProjectSettings(platform::systemFileSystem(), file, settings));
    ASSERT_TRUE(settings.profile);
    EXPECT_EQ(settings.profile->value, "html401-strict");
    EXPECT_EQ(app::whereSet(settings, *settings.profile), file + ":3");
    ASSERT_EQ(settings.disable.size(), 1u);
    EXPECT_EQ(settings.disable[0].value, "mw79,mw101");
    ASSERT_EQ(settings.options.size(), 2u);
    // A file name is taken beside the settings file, wherever the run starts.
    EXPECT_EQ(settings.options[1].value, dir.file("site/") + "C:\\logs\nx");
    EXPECT_EQ(settings.options[1].line, 7);
    const std::string named = dir.write(
        "site/pages/.markwise.ini",
        "DefaultConfigurationFilenameV25=rules/mine.cfg\nLogFilename=/var/log/m.log\n");
    ASSERT_FALSE(app::readProjectSettings(platform::systemFileSystem(), named, settings));
    ASSERT_EQ(settings.options.size(), 2u);
    EXPECT_EQ(settings.options[0].value, dir.file("site/pages/rules/mine.cfg"));
    EXPECT_EQ(settings.options[1].value, "/var/log/m.log");

    const std::string bad = dir.write("bad.ini", "CheckNesting=0\nCheckNestng=1\n");
    auto problem = app::readProjectSettings(platform::systemFileSystem(), bad, settings);
    ASSERT_TRUE(problem);
    EXPECT_TRUE(problem->starts_with(bad + ":2: there is no setting named 'CheckNestng'")) << *problem;
    const std::string noEquals = dir.write("noequals.ini", "\nCheckNesting\n");
    problem = app::readProjectSettings(platform::systemFileSystem(), noEquals, settings);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, noEquals + ":2: expected NAME=VALUE, not 'CheckNesting'");

    // A file an editor saved with a byte order mark: its first line is a setting like any other.
    const std::string marked =
        dir.write("marked.ini", "\xEF\xBB\xBFprofile=html32\r\nCheckNesting=0\r\n");
    ASSERT_FALSE(app::readProjectSettings(platform::systemFileSystem(), marked, settings));
    ASSERT_TRUE(settings.profile);
    EXPECT_EQ(settings.profile->value, "html32");
    EXPECT_EQ(settings.profile->line, 1);
    ASSERT_EQ(settings.options.size(), 1u);
    EXPECT_EQ(settings.options[0].line, 2);
}


// A project's settings may keep its log inside the project only: a log elsewhere, named
// outright, by "..", or through a link that leads out, is refused, so that a cloned site cannot
// make a check append to a file of the user's such as ~/.bashrc.
TEST(ProjectSettings, ALogOutsideTheProjectIsRefused) {
    TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.file("site/logs"));
    fs::create_directories(dir.file("home"));
    fs::create_symlink(dir.file("home"), dir.file("site/out"));
    fs::create_symlink("../home/new.log", dir.file("site/dangling.log"));
    // A link whose way, joined to its folder, is longer than a name may be.
    std::string longWay;
    for (int i = 0; i < 2030; ++i) longWay += "./";
    fs::create_symlink(longWay + "../home/long.log", dir.file("site/long.log"));
    const auto verdict = [&](const std::string& log) {
        const std::string file = dir.write("site/.markwise.ini", "CheckNesting=0\nlogfilename=" + log + "\n");
        app::ProjectSettings settings;
        EXPECT_FALSE(app::readProjectSettings(platform::systemFileSystem(), file, settings));
        return app::logOutsideTheProject(settings);
    };
    EXPECT_FALSE(verdict("log.txt"));
    // A loop of links is left to the log's opening, which says what it is.
    fs::create_symlink("loopb", dir.file("site/loopa"));
    fs::create_symlink("loopa", dir.file("site/loopb"));
    EXPECT_FALSE(verdict("loopa"));
    EXPECT_FALSE(verdict("logs/new/check.log"));
    EXPECT_FALSE(verdict(dir.file("site/logs/x.log")));
    for (const std::string& outside :
         {dir.file("home/.bashrc"), std::string("../home/.bashrc"), std::string("out/.bashrc"),
          std::string("logs/../../home/x"), std::string("dangling.log"),
          std::string("long.log")}) {
        const std::optional<std::string> refused = verdict(outside);
        ASSERT_TRUE(refused) << outside;
        EXPECT_EQ(*refused, dir.file("site/.markwise.ini") +
                                ":2: LogFilename names a file outside the project's folder (give "
                                "it with --settings or --set to use it)");
    }
}

// A settings file that is there but cannot be looked at is found, so that reading it says why,
// instead of the run going on without it.
TEST(ProjectSettings, OneThatCannotBeLookedAtIsFoundAndItsReadFails) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("site/pages"));
    const std::string loop = dir.file("site/.markwise.ini");
    std::filesystem::create_symlink(loop, loop);
    EXPECT_EQ(app::findProjectSettings(dir.file("site/pages")), loop);
    app::ProjectSettings settings;
    auto problem = app::readProjectSettings(platform::systemFileSystem(), loop, settings);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, loop + ": cannot open: Too many levels of symbolic links");

    // A link that leads nowhere is no settings file.
    std::filesystem::remove(loop);
    std::filesystem::create_symlink(dir.file("gone.ini"), loop);
    EXPECT_NE(app::findProjectSettings(dir.file("site/pages")), loop);
}

// A settings file that another user left where anyone may write, as in /tmp, is passed over
// on the way up (it could silence the checks of whoever runs below it); one in a folder only
// its owner can change is taken, as are the user's own anywhere. Owners other than the user
// can be given only by root.
TEST(ProjectSettings, AnotherUsersFileWhereAnyoneMayWriteIsPassedOver) {
    TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.file("shared/site/pages"));
    fs::create_directories(dir.file("project/pages"));
    fs::permissions(dir.file("shared"), fs::perms::all | fs::perms::sticky_bit);
    const std::string open = dir.write("shared/.markwise.ini", "disable=mw65\n");
    const std::string kept = dir.write("project/.markwise.ini", "disable=mw65\n");
    std::vector<std::string> passedOver;
    // The user's own file is taken, even in a folder anyone may write to.
    EXPECT_EQ(app::findProjectSettings(dir.file("shared/site/pages"), &passedOver), open);
    EXPECT_TRUE(passedOver.empty());
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";

    const uid_t other = 65534;
    ASSERT_EQ(::chown(open.c_str(), other, other), 0);
    ASSERT_EQ(::chown(kept.c_str(), other, other), 0);
    const std::optional<std::string> found =
        app::findProjectSettings(dir.file("shared/site/pages"), &passedOver);
    EXPECT_NE(found, open);
    ASSERT_EQ(passedOver.size(), 1u);
    EXPECT_EQ(passedOver[0], "passed over " + open +
                                 ": another user owns it and others may change it or its folder "
                                 "(name it with --settings to use it)");
    // A link another user put there is passed over too, wherever it leads.
    passedOver.clear();
    fs::remove(open);
    fs::create_symlink(kept, open);
    ASSERT_EQ(::lchown(open.c_str(), other, other), 0);
    EXPECT_NE(app::findProjectSettings(dir.file("shared/site/pages"), &passedOver), open);
    EXPECT_EQ(passedOver.size(), 1u);

    // Another user's file in a folder only its owner can change is the project's: taken.
    passedOver.clear();
    EXPECT_EQ(app::findProjectSettings(dir.file("project/pages"), &passedOver), kept);
    EXPECT_TRUE(passedOver.empty());
    // ... unless anyone may change the file itself.
    fs::permissions(kept, fs::perms::others_write, fs::perm_options::add);
    EXPECT_NE(app::findProjectSettings(dir.file("project/pages"), &passedOver), kept);
    EXPECT_EQ(passedOver.size(), 1u);
}
}  // namespace

namespace {

// Results come out in order whatever the threads' timing; no more items than jobs are ever
// being worked on, and no more than `ahead` are in hand before the oldest is emitted.
TEST(OrderedParallel, EmitsInOrderWithBoundedWork) {
    auto raiseTo = [](std::atomic<int>& most, int now) {
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
    };
    for (unsigned jobs : {1u, 2u, 3u, 8u}) {
        const std::size_t ahead = 2 * jobs;
        app::AheadLimits<std::size_t> limits;
        limits.items = ahead;
        std::atomic<int> working{0}, inHand{0}, mostWorking{0}, mostInHand{0};
        std::vector<std::size_t> order;
        app::orderedParallel<std::size_t>(
            200, jobs, limits,
            [&](std::size_t i, unsigned worker) {
                EXPECT_LT(worker, jobs);
                raiseTo(mostInHand, ++inHand);
                raiseTo(mostWorking, ++working);
                // Later items finish sooner, so that results wait for earlier ones.
                std::this_thread::sleep_for(std::chrono::microseconds((200 - i) % 7 * 50));
                --working;
                return i * 3;
            },
            [&](std::size_t i, std::size_t& result) {
                EXPECT_EQ(result, i * 3);
                order.push_back(i);
                --inHand;
            });
        ASSERT_EQ(order.size(), 200u);
        for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
        EXPECT_LE(mostWorking.load(), static_cast<int>(jobs)) << jobs;
        EXPECT_LE(mostInHand.load(), static_cast<int>(ahead) + 1) << jobs;
    }
}

// Memory that runs out in a worker or while a result is handed on ends the call with that
// exception, after the items before the failed one, in order, as with one job; the program
// goes on (the threads are stopped and joined, never left to end it).
TEST(OrderedParallel, AFailureEndsTheCallAfterTheEarlierItems) {
    for (unsigned jobs : {1u, 2u, 4u}) {
        for (const bool inEmit : {false, true}) {
            std::vector<std::size_t> order;
            bool thrown = false;
            try {
                app::orderedParallel<std::size_t>(
                    60, jobs, app::AheadLimits<std::size_t>{},
                    [&](std::size_t i, unsigned) {
                        if (!inEmit && i == 23) throw std::bad_alloc();
                        std::this_thread::sleep_for(std::chrono::microseconds(i % 3 * 100));
                        return i;
                    },
                    [&](std::size_t i, std::size_t& result) {
                        if (inEmit && i == 23) throw std::bad_alloc();
                        EXPECT_EQ(result, i);
                        order.push_back(i);
                    });
            } catch (const std::bad_alloc&) {
                thrown = true;
            }
            EXPECT_TRUE(thrown) << jobs << " " << inEmit;
            ASSERT_EQ(order.size(), 23u) << jobs << " " << inEmit;
            for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
        }
    }
}

// Where the address space leaves no room for a thread's stack, the work is done all the same,
// on the threads there are or on the calling one, with the same results. The limit is what
// the process has mapped now and a little more, no room for a thread's stack; the process
// ends with 0 when every result came in order.
[[noreturn]] void workWithoutRoomForThreads() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    statm >> pages;
    const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(getpagesize());
    const struct rlimit limit{now + (4u << 20), now + (4u << 20)};
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
    std::vector<std::size_t> order;
    app::orderedParallel<std::size_t>(
        50, 4, app::AheadLimits<std::size_t>{}, [](std::size_t i, unsigned) { return i * 2; },
        [&](std::size_t i, std::size_t& result) {
            if (result == i * 2) order.push_back(i);
        });
    std::_Exit(order.size() == 50 ? 0 : 1);
}

TEST(OrderedParallel, ThreadsThatCannotStartLeaveTheWorkToTheCallingThread) {
    EXPECT_EXIT(workWithoutRoomForThreads(), testing::ExitedWithCode(0), "");
}

// The results waiting for an earlier one stop new work once they weigh the byte limit: what
// waits stays within the limit plus what the workers had in hand when it was reached.
TEST(OrderedParallel, WaitingResultsStayWithinTheByteLimit) {
    const unsigned jobs = 4;
    app::AheadLimits<std::size_t> limits;
    limits.items = 1000;
    limits.bytes = 30;
    limits.weigh = [](const std::size_t&) { return std::size_t{10}; };
    std::atomic<int> waiting{0}, most{0};
    std::vector<std::size_t> order;
    app::orderedParallel<std::size_t>(
        100, jobs, limits,
        [&](std::size_t i, unsigned) {
            // Every fifth item is slow, so that the ones after it finish first and wait.
            std::this_thread::sleep_for(std::chrono::microseconds(i % 5 == 0 ? 2000 : 10));
            const int now = waiting += 10;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            return i;
        },
        [&](std::size_t i, std::size_t& result) {
            EXPECT_EQ(result, i);
            order.push_back(i);
            waiting -= 10;
        });
    ASSERT_EQ(order.size(), 100u);
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
    EXPECT_LE(most.load(), 30 + 10 * static_cast<int>(jobs));
}

}  // namespace
