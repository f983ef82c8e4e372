// The platform layer: console boxes and questions, the test fakes, safe file replacement, the
// program directory and the clock's locale formats.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/heap.h"
#include "platform/signals.h"
#include "platform_console/console_ui.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "test_support.h"

namespace fs = std::filesystem;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

struct ConsoleRun {
    Answer answer;
    std::string shown;   // what went to the error stream
    std::string unread;  // what was left of the input
};

ConsoleRun askConsole(Buttons buttons, const std::string& typed, bool interactive) {
    std::ostringstream errors;
    std::istringstream input(typed);
    platform::ConsoleUserInterface ui(errors, input, interactive);
    const Answer answer = ui.messageBox("Markwise: Question", "Go on?", Icon::Question, buttons);
    std::string rest;
    std::getline(input, rest, '\0');
    return {answer, errors.str(), rest};
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

unsigned permissionsOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

}  // namespace

namespace {
volatile std::sig_atomic_t terminationsSeen = 0;
extern "C" void noteTermination(int) { terminationsSeen = terminationsSeen + 1; }
}  // namespace

// A termination request that comes while a file is being replaced waits until it is in
// place, and is delivered then.
TEST(HeldSignals, ATerminationWaitsUntilTheyAreReleased) {
    struct sigaction noting {};
    struct sigaction previous {};
    noting.sa_handler = noteTermination;
    sigemptyset(&noting.sa_mask);
    ASSERT_EQ(::sigaction(SIGTERM, &noting, &previous), 0);
    terminationsSeen = 0;
    {
        const platform::HeldSignals held;
        ASSERT_EQ(::raise(SIGTERM), 0);
        EXPECT_EQ(terminationsSeen, 0);
    }
    EXPECT_EQ(terminationsSeen, 1);

    // Holds nest: a signal caught in an inner hold, or on another thread, waits for the last
    // hold to end, and a later hold does not forget it.
    terminationsSeen = 0;
    {
        const platform::HeldSignals outer;
        {
            const platform::HeldSignals inner;
            ASSERT_EQ(::raise(SIGTERM), 0);
        }
        { const platform::HeldSignals later; }
        EXPECT_EQ(terminationsSeen, 0);
    }
    EXPECT_EQ(terminationsSeen, 1);
    terminationsSeen = 0;
    auto first = std::make_unique<platform::HeldSignals>();
    std::thread([&first] {
        const platform::HeldSignals second;
        first.reset();
        ::raise(SIGTERM);
        EXPECT_EQ(terminationsSeen, 0);
    }).join();
    EXPECT_EQ(terminationsSeen, 1);
    ::sigaction(SIGTERM, &previous, nullptr);

    // A signal the process ignores stays ignored, held or not.
    struct sigaction ignoring {};
    ignoring.sa_handler = SIG_IGN;
    sigemptyset(&ignoring.sa_mask);
    ASSERT_EQ(::sigaction(SIGHUP, &ignoring, &previous), 0);
    {
        const platform::HeldSignals held;
        ASSERT_EQ(::raise(SIGHUP), 0);
    }
    struct sigaction now {};
    ::sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ::sigaction(SIGHUP, &previous, nullptr);
}

TEST(ConsoleUserInterface, WritesCaptionAndTextOnTheErrorStream) {
    const ConsoleRun run = askConsole(Buttons::Ok, "n\n", true);
    EXPECT_EQ(run.answer, Answer::Ok);
    EXPECT_EQ(run.shown, "Markwise: Question: Go on?\n");
    EXPECT_EQ(run.unread, "n\n");  // a box with only Ok asks nothing
}

// Texts that quote a document's bytes reach the terminal inert: escape sequences, carriage
// returns and NULs are shown as \xHH, while the line feeds and tabs of the program's own texts
// stay.
TEST(ConsoleUserInterface, ControlBytesOfATextAreShownNotActedOn) {
    std::ostringstream errors;
    std::istringstream input;
    platform::ConsoleUserInterface ui(errors, input, false);
    ui.messageBox("Markwise: Cannot Open Template File",
                  std::string("x\x1B]0;pwned\x07\x1B[2J.tpl\rforged\0\x7F\n\tnext", 34),
                  Icon::Error, Buttons::Ok);
    EXPECT_EQ(errors.str(),
              "Markwise: Cannot Open Template File: "
              "x\\x1B]0;pwned\\x07\\x1B[2J.tpl\\x0Dforged\\x00\\x7F\n\tnext\n");
}

TEST(ConsoleUserInterface, WithoutATerminalAnswersWhatChangesNothing) {
    const struct {
        Buttons buttons;
        Answer expected;
    } cases[] = {{Buttons::Ok, Answer::Ok},
                 {Buttons::OkCancel, Answer::Cancel},
                 {Buttons::YesNo, Answer::No},
                 {Buttons::YesNoCancel, Answer::No}};
    for (const auto& c : cases) {
        const ConsoleRun run = askConsole(c.buttons, "y\n", false);
        EXPECT_EQ(run.answer, c.expected) << static_cast<int>(c.buttons);
        EXPECT_EQ(run.shown, "Markwise: Question: Go on?\n");
        EXPECT_EQ(run.unread, "y\n");  // the input is left alone
        EXPECT_EQ(platform::cautiousAnswer(c.buttons), c.expected);
    }
}

TEST(ConsoleUserInterface, AsksOnATerminalUntilTheAnswerIsAChoice) {
    const struct {
        Buttons buttons;
        std::string typed;
        Answer expected;
        int prompts;
    } cases[] = {
        {Buttons::YesNo, "y\n", Answer::Yes, 1},
        {Buttons::YesNo, " YES \n", Answer::Yes, 1},
        {Buttons::YesNo, "No\n", Answer::No, 1},
        {Buttons::YesNo, "maybe\nc\n\nn", Answer::No, 4},  // cancel is no choice here
        {Buttons::YesNoCancel, "Cancel\n", Answer::Cancel, 1},
        {Buttons::YesNoCancel, "ok\ny\n", Answer::Yes, 2},
        {Buttons::OkCancel, "O\n", Answer::Ok, 1},
        {Buttons::OkCancel, "yes\nc\n", Answer::Cancel, 2},
        // The end of the input answers as if nobody were there.
        {Buttons::YesNo, "", Answer::No, 1},
        {Buttons::YesNoCancel, "what\n", Answer::No, 2},
        {Buttons::OkCancel, "", Answer::Cancel, 1},
    };
    for (const auto& c : cases) {
        const ConsoleRun run = askConsole(c.buttons, c.typed, true);
        EXPECT_EQ(run.answer, c.expected) << c.typed;
        const std::string choices = c.buttons == Buttons::YesNo       ? "[y/n] "
                                    : c.buttons == Buttons::OkCancel ? "[o/c] "
                                                                      : "[y/n/c] ";
        EXPECT_EQ(run.shown.rfind("Markwise: Question: Go on?\n" + choices, 0), 0u) << run.shown;
        int prompts = 0;
        for (std::size_t at = run.shown.find(choices); at != std::string::npos;
             at = run.shown.find(choices, at + 1)) {
            ++prompts;
        }
        EXPECT_EQ(prompts, c.prompts) << c.typed;
    }
}

TEST(ConsoleUserInterface, HasNoDialogsAndRemembersTheTitle) {
    std::ostringstream errors;
    std::istringstream input;
    platform::ConsoleUserInterface ui(errors, input, true);
    EXPECT_FALSE(ui.openFileDialog({"Open HTML Document", {}, "", 1, true, false, ""}));
    EXPECT_FALSE(ui.saveFileDialog({"Save As", {}, "", 1, false, true, "cfg"}));
    ui.setWaitCursor(true);
    ui.setWindowTitle("Markwise - page.htm");
    EXPECT_EQ(ui.windowTitle(), "Markwise - page.htm");
    EXPECT_EQ(errors.str(), "");
}

// The fakes are test tools, but the tests of every other module lean on their cautious defaults.
TEST(FakeUserInterface, AnswersFromTheScriptThenCautiously) {
    platform::FakeUserInterface ui;
    ui.answerWith({Answer::Yes});
    ui.openChooses("/docs/page.htm", 2);
    EXPECT_EQ(ui.messageBox("Markwise: Save?", "Save?", Icon::Question, Buttons::YesNoCancel),
              Answer::Yes);
    EXPECT_EQ(ui.messageBox("Markwise: Go", "Go?", Icon::Warning, Buttons::OkCancel, true),
              Answer::Cancel);
    ASSERT_EQ(ui.boxCount(), 2u);
    EXPECT_EQ(ui.lastBox().caption, "Markwise: Go");
    EXPECT_TRUE(ui.lastBox().foreground);

    EXPECT_EQ(ui.openFileDialog({"Open", {}, "", 1, true, false, ""})->filterIndex, 2);
    EXPECT_FALSE(ui.openFileDialog({"Open again", {}, "", 1, true, false, ""}));
    EXPECT_EQ(ui.openRequests.size(), 2u);
    ui.clear();
    EXPECT_THROW(ui.lastBox(), std::logic_error);

    platform::FakeClock clock;
    clock.timeText.clear();
    EXPECT_FALSE(clock.defaultTime(clock.now()));
}

class SystemFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "markwise-files-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(name.data()));
        folder = name + "/";
    }
    void TearDown() override {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    platform::SystemFiles files;
    std::string folder;
};

TEST_F(SystemFilesTest, ReplaceFileCreatesAndReplacesKeepingPermissions) {
    const std::string path = folder + "mkwise25.cfg";
    ASSERT_TRUE(files.replaceFile(path, std::string("new\0file", 8), 0600));
    EXPECT_EQ(readFile(path), std::string("new\0file", 8));
    EXPECT_EQ(permissionsOf(path), 0600u);

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(files.replaceFile(path, "second", 0600));
    EXPECT_EQ(readFile(path), "second");
    EXPECT_EQ(permissionsOf(path), 0640u);
    EXPECT_EQ(entries(), 1u);  // no temporary file is left behind
}

TEST_F(SystemFilesTest, ReplaceFileThroughALinkKeepsTheLink) {
    const std::string real = folder + "real.ini";
    const std::string link = folder + "registry.ini";
    ASSERT_TRUE(files.replaceFile(real, "old"));
    fs::create_symlink(real, link);
    ASSERT_TRUE(files.replaceFile(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "new");
}

TEST_F(SystemFilesTest, FailedReplaceLeavesTheOldFileAndNoTemporary) {
    EXPECT_FALSE(files.replaceFile(folder + "missing/file.txt", "text"));
    EXPECT_FALSE(files.replaceFile("", "text"));

    // A folder in the way cannot be replaced by a file, not even by root.
    fs::create_directory(folder + "busy");
    std::ofstream(folder + "busy/inside") << "kept";
    EXPECT_FALSE(files.replaceFile(folder + "busy", "text"));
    EXPECT_EQ(readFile(folder + "busy/inside"), "kept");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(SystemFilesTest, ReplaceInAReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
    const std::string path = folder + "output.txt";
    ASSERT_TRUE(files.replaceFile(path, "old"));
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    EXPECT_FALSE(files.replaceFile(path, "new"));
    EXPECT_EQ(readFile(path), "old");
}

TEST_F(SystemFilesTest, ExistsRemoveRenameAndLastWriteTime) {
    const std::string a = folder + "page.htm";
    const std::string b = folder + "page.bak";
    EXPECT_FALSE(files.exists(a));
    EXPECT_FALSE(files.lastWriteTime(a));
    EXPECT_FALSE(files.remove(a));
    EXPECT_FALSE(files.rename(a, b));

    ASSERT_TRUE(files.replaceFile(a, "<p>"));
    const auto written = files.lastWriteTime(a);
    ASSERT_TRUE(written);
    EXPECT_LE(std::abs(*written - std::time(nullptr)), 5);
    EXPECT_TRUE(files.rename(a, b));
    EXPECT_FALSE(files.exists(a));
    EXPECT_EQ(readFile(b), "<p>");
    EXPECT_TRUE(files.remove(b));
    EXPECT_FALSE(files.exists(b));
}

TEST_F(SystemFilesTest, CurrentDirectoryFollowsChanges) {
    const std::string start = files.currentDirectory();
    ASSERT_FALSE(start.empty());
    ASSERT_TRUE(files.setCurrentDirectory(folder));
    EXPECT_EQ(files.currentDirectory(), fs::canonical(folder).string());
    EXPECT_FALSE(files.setCurrentDirectory(folder + "missing"));
    ASSERT_TRUE(files.setCurrentDirectory(start));
}

#if defined(__GLIBC__)
// Once the heap is prepared, the blocks that follow come from fresh memory that starts on a
// 2 MB boundary, which the kernel backs with huge pages where it gives them on request, even in
// a heap used and freed here and there before. (Run in a child started afresh, as markwise-check
// prepares its heap first thing: the heap's settings are the process's.)
TEST(PrepareHeap, TheBlocksThatFollowStartOnAHugePageBoundary) {
    if (testing_support::kAddressSanitizer) GTEST_SKIP() << "the sanitizer's allocator is in use";
    if (platform::hugePageSize() == 0) GTEST_SKIP() << "the kernel gives no huge pages on request";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::vector<void*> used;
            for (std::size_t i = 0; i < 300; ++i) used.push_back(std::malloc(1000 + i * 997));
            for (std::size_t i = 0; i < used.size(); i += 2) std::free(used[i]);
            platform::prepareHeap(std::size_t{4} << 20);
            const auto at = reinterpret_cast<std::uintptr_t>(std::malloc(std::size_t{3} << 20));
            const std::uintptr_t huge = std::uintptr_t{2} << 20;
            const std::uintptr_t before = (huge - at % huge) % huge;
            std::_Exit(before <= 64 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif

// A table that grows past the size kept apart from the heap keeps its elements at each move,
// and room reserved for a whole document maps only the pages that are written: nothing at its
// far end, where a block of the heap would have its next header.
TEST(RoomAllocator, RoomApartFromTheHeapHoldsWhatIsWrittenAndMapsNoMore) {
    std::vector<std::uint32_t, platform::RoomAllocator<std::uint32_t>> table;
    for (std::uint32_t i = 0; i < (3u << 20) / sizeof(std::uint32_t); ++i) table.push_back(i * 7);
    ASSERT_GE(table.capacity() * sizeof(std::uint32_t), platform::kSeparateRoom);
    for (std::uint32_t i = 0; i < table.size(); i += 4099) ASSERT_EQ(table[i], i * 7);
    table.clear();
    table.shrink_to_fit();

    using Text = std::basic_string<char, std::char_traits<char>, platform::RoomAllocator<char>>;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    Text text;
    text.reserve(std::size_t{24} << 20);
    text.append("<a href=\"page.html\">");
    EXPECT_EQ(text, "<a href=\"page.html\">");
    const auto start = reinterpret_cast<std::uintptr_t>(text.data());
    if (const std::size_t huge = platform::hugePageSize(); huge != 0) {
        EXPECT_EQ(start % huge, 0u) << "room of two huge pages or more starts on a boundary";
    }
    // The last 4 MB of the room: not one page of it is mapped.
    const std::size_t tail = std::size_t{4} << 20;
    const std::uintptr_t tailStart = (start + text.capacity() - tail) & ~(page - 1);
    std::vector<unsigned char> resident(tail / page);
    ASSERT_EQ(::mincore(reinterpret_cast<void*>(tailStart), tail, resident.data()), 0);
    EXPECT_EQ(std::count_if(resident.begin(), resident.end(),
                            [](unsigned char pageState) { return (pageState & 1) != 0; }),
              0);
}

// Where the process may not have the room, reserving it throws std::bad_alloc, which the check
// turns into its memory error: nothing is mapped half-way. (In a child: the limit is the
// process's.)
TEST(RoomAllocator, RoomBeyondTheAddressSpaceLimitThrowsBadAlloc) {
    if (testing_support::kAddressSanitizer) GTEST_SKIP() << "the sanitizer reserves address space";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct rlimit limit {};
            ::getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = std::size_t{1} << 30;
            if (::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(0);
            platform::RoomAllocator<char> allocator;
            try {
                (void)allocator.allocate(std::size_t{2} << 30);
            } catch (const std::bad_alloc&) {
                std::_Exit(0);
            }
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ProgramDirectory, IsTheExecutablesFolderEndingWithASlash) {
    const std::string dir = platform::programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(dir, fs::read_symlink("/proc/self/exe").parent_path().string() + "/");
    EXPECT_EQ(platform::programDirectory(), dir);
}

TEST(SystemClock, FormatsUnderTheCLocale) {
    const std::string previous = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 8;
    local.tm_hour = 3;
    local.tm_min = 46;
    local.tm_sec = 51;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);

    platform::SystemClock clock;
    EXPECT_EQ(clock.longDate(when), "Tuesday, December 08, 2026");
    EXPECT_EQ(clock.defaultTime(when), "03:46:51");
    // A time beyond what the calendar conversion can hold cannot be formatted.
    EXPECT_FALSE(clock.longDate(std::numeric_limits<std::time_t>::max()));
    EXPECT_FALSE(clock.defaultTime(std::numeric_limits<std::time_t>::max()));
    EXPECT_LE(std::abs(clock.now() - std::time(nullptr)), 1);
    std::setlocale(LC_TIME, previous.c_str());
}

// The names of days and months reach the report and the log in UTF-8 whatever the character
// set of the user's LC_TIME locale: under a Latin-1 French locale February is "f\xC3\xA9vrier",
// not the Latin-1 byte 0xE9 among the report's UTF-8 texts. The locale is built from the
// system's sources into a temporary folder when none is installed.
TEST(SystemClock, NamesOfDaysAndMonthsAreUtf8UnderAnyLocale) {
    const std::string previous = std::setlocale(LC_TIME, nullptr);
    const testing_support::TempDir dir;
    const char* found = nullptr;
    for (const char* name : {"fr_FR.ISO-8859-1", "fr_FR.iso88591", "fr_FR"}) {
        if ((found = std::setlocale(LC_TIME, name)) != nullptr) break;
    }
    if (found == nullptr) {
        const std::string build = "localedef -i fr_FR -f ISO-8859-1 '" +
                                  dir.file("fr_FR.ISO-8859-1") + "' >/dev/null 2>&1";
        if (std::system(build.c_str()) != -1) {
            ::setenv("LOCPATH", dir.path().c_str(), 1);
            found = std::setlocale(LC_TIME, "fr_FR.ISO-8859-1");
            ::unsetenv("LOCPATH");
        }
    }
    if (found == nullptr) GTEST_SKIP() << "no Latin-1 French locale";
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 3;
    local.tm_hour = 14;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const std::optional<std::string> date = platform::SystemClock().longDate(when);
    std::setlocale(LC_TIME, previous.c_str());
    ASSERT_TRUE(date);
    EXPECT_EQ(*date, "mardi, f\xC3\xA9vrier 03, 2026");
}
