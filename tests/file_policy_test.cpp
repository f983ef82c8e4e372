// The writing and reading policy every program uses for files: what it refuses, what it keeps,
// and that a failure at any single step never leaves a damaged file behind.
#include "platform/file_policy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <csignal>
#include <sstream>
#include <utility>

#include "fault_injection.h"
#include "test_support.h"

namespace {

using platform::FileOp;
using testing_support::FaultyFileSystem;
using testing_support::readFile;
using testing_support::TempDir;

platform::FileSystem& fs() {
    return platform::systemFileSystem();
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Every name in the folder, so that a test sees temporary files left behind.
std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FilePolicyTest, RefusesToReplaceWhatIsNotARegularFile) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.file("folder");
    std::filesystem::create_directory(folder);
    const std::string device = dir.file("null");  // a link to a character device
    std::filesystem::create_symlink("/dev/null", device);
    const std::string socket = dir.file("socket");
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const std::map<std::string, std::string> cases = {
        {fifo, "is a FIFO (named pipe), not a regular file; not replaced"},
        {folder, "is a directory; not replaced"},
        {device, "is a character device, not a regular file; not replaced"},
        {socket, "is a socket, not a regular file; not replaced"},
    };
    for (const auto& [path, cause] : cases) {
        auto failure = platform::replaceFile(fs(), path, "new");
        ASSERT_TRUE(failure) << path;
        EXPECT_EQ(failure->message(), path + ": " + cause);
        auto appended = platform::appendToFile(fs(), path, "entry");
        ASSERT_TRUE(appended) << path;
        EXPECT_EQ(appended->path, path);
    }
    ::close(s);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(device));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

// A name taken from a document may hold a NUL byte; the system would open the shorter name
// before it, a file the name does not name.
TEST(FilePolicyTest, ANameHoldingANulByteOpensNoFile) {
    TempDir dir;
    const std::string shorter = dir.write("page", "bytes");
    platform::FileError why;
    EXPECT_LT(platform::openRegularFile(fs(), shorter + std::string("\0.html", 6), why), 0);
    EXPECT_NE(why.cause.find("cannot open"), std::string::npos) << why.cause;
    const int fd = platform::openRegularFile(fs(), shorter, why);
    EXPECT_GE(fd, 0);
    if (fd >= 0) ::close(fd);
}

TEST(FilePolicyTest, RefusesReadOnlyTargetsAndKeepsTheirBytes) {
    TempDir dir;
    const std::string path = dir.write("locked.cfg", "old");
    ::chmod(path.c_str(), 0444);
    auto failure = platform::replaceFile(fs(), path, "new");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cause, "is read-only; not replaced");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_TRUE(platform::appendToFile(fs(), path, "more"));
    EXPECT_EQ(readFile(path), "old");
}

TEST(FilePolicyTest, NeverWritesAnInputOfTheSameCommand) {
    TempDir dir;
    const std::string document = dir.write("page.html", "<p>");
    const std::string alias = dir.file("alias.html");
    ASSERT_EQ(::link(document.c_str(), alias.c_str()), 0);
    platform::WriteRules rules;
    rules.inputs = {document};

    auto viaLink = platform::replaceFile(fs(), alias, "report", rules);
    ASSERT_TRUE(viaLink);
    EXPECT_NE(viaLink->cause.find("is also read by this command"), std::string::npos);
    EXPECT_TRUE(platform::appendToFile(fs(), alias, "log entry", rules));
    EXPECT_EQ(readFile(document), "<p>");

    // A document that does not exist yet is compared by name, spelt differently.
    rules.inputs = {dir.file("new.html")};
    EXPECT_TRUE(
        platform::replaceFile(fs(), dir.path().string() + "/./sub/../new.html", "x", rules));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.html")));

    // Or through a link to its folder.
    std::filesystem::create_directory(dir.file("real"));
    std::filesystem::create_directory_symlink(dir.file("real"), dir.file("linked"));
    platform::WriteRules folderRules;
    folderRules.inputs = {dir.file("real/new.txt")};
    EXPECT_TRUE(
        platform::appendToFile(fs(), dir.file("linked/new.txt"), "log entry", folderRules));
    EXPECT_TRUE(platform::sameFile(fs(), dir.file("real/new.txt"), dir.file("linked/new.txt")));
    EXPECT_FALSE(platform::sameFile(fs(), dir.file("real/new.txt"), dir.file("real/other.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("real/new.txt")));
}

TEST(FilePolicyTest, KeepsPermissionBitsAndGivesNewFilesTheUmask) {
    TempDir dir;
    const std::string existing = dir.write("kept.txt", "old");
    ::chmod(existing.c_str(), 0640);
    ASSERT_FALSE(platform::replaceFile(fs(), existing, "new"));
    EXPECT_EQ(readFile(existing), "new");
    EXPECT_EQ(modeOf(existing), 0640u);

    const mode_t previous = ::umask(027);
    platform::WriteRules rules;
    ASSERT_FALSE(platform::replaceFile(fs(), dir.file("fresh.txt"), "x", rules));
    rules.newFileMode = 0600;
    ASSERT_FALSE(platform::replaceFile(fs(), dir.file("private.ini"), "x", rules));
    ASSERT_FALSE(platform::appendToFile(fs(), dir.file("log.txt"), "x"));
    ::umask(previous);
    EXPECT_EQ(modeOf(dir.file("fresh.txt")), 0640u);
    EXPECT_EQ(modeOf(dir.file("private.ini")), 0600u);
    EXPECT_EQ(modeOf(dir.file("log.txt")), 0640u);
}

TEST(FilePolicyTest, FollowsOwnLinksButNotOthersInASharedStickyFolder) {
    TempDir dir;
    const std::string target = dir.write("real.cfg", "old");
    const std::string link = dir.file("link.cfg");
    std::filesystem::create_symlink(target, link);
    ASSERT_FALSE(platform::replaceFile(fs(), link, "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(target), "new");

    if (::geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
    const std::string shared = dir.file("shared");
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string planted = shared + "/output.txt";
    std::filesystem::create_symlink(target, planted);
    ASSERT_EQ(::lchown(planted.c_str(), 4242, 4242), 0);
    for (auto failure : {platform::replaceFile(fs(), planted, "evil"),
                         platform::appendToFile(fs(), planted, "evil")}) {
        ASSERT_TRUE(failure);
        EXPECT_NE(failure->cause.find("symbolic link in a shared folder"), std::string::npos);
    }
    EXPECT_EQ(readFile(target), "new");

    // Another user's link to a folder, planted there and written through.
    const std::string plantedFolder = shared + "/folder";
    std::filesystem::create_directory_symlink(dir.path(), plantedFolder);
    ASSERT_EQ(::lchown(plantedFolder.c_str(), 4242, 4242), 0);
    for (auto failure : {platform::replaceFile(fs(), plantedFolder + "/real.cfg", "evil"),
                         platform::appendToFile(fs(), plantedFolder + "/real.cfg", "evil")}) {
        ASSERT_TRUE(failure);
        EXPECT_NE(failure->cause.find("goes through a symbolic link in a shared folder"),
                  std::string::npos);
    }
    EXPECT_EQ(readFile(target), "new");
    // One's own link there is followed.
    ASSERT_EQ(::lchown(plantedFolder.c_str(), 0, 0), 0);
    EXPECT_FALSE(platform::replaceFile(fs(), plantedFolder + "/real.cfg", "own"));
    EXPECT_EQ(readFile(target), "own");

    // A link of the user's outside that leads to another user's link there: written neither
    // through it nor beside it, by a replacement, an append or a tool's choice of file.
    const std::string own = dir.file("report.txt");
    std::filesystem::create_symlink(planted, own);
    for (auto failure : {platform::replaceFile(fs(), own, "evil"),
                         platform::appendToFile(fs(), own, "evil")}) {
        ASSERT_TRUE(failure);
        EXPECT_NE(failure->cause.find("leads through a symbolic link in a shared folder"),
                  std::string::npos)
            << failure->cause;
    }
    EXPECT_EQ(platform::followedLink(fs(), own), own);
    EXPECT_EQ(readFile(target), "own");
    EXPECT_TRUE(std::filesystem::is_symlink(own));
    // Once the link there is the user's own, the chain is followed to the file.
    ASSERT_EQ(::lchown(planted.c_str(), 0, 0), 0);
    EXPECT_EQ(platform::followedLink(fs(), own), target);
    EXPECT_FALSE(platform::replaceFile(fs(), own, "through"));
    EXPECT_EQ(readFile(target), "through");
    EXPECT_TRUE(std::filesystem::is_symlink(own));
    // A link that leads to a name not there yet is replaced by the new file: it is not
    // followed to a file made elsewhere.
    const std::string dangling = dir.file("dangling.txt");
    std::filesystem::create_symlink(shared + "/not-yet.txt", dangling);
    EXPECT_FALSE(platform::replaceFile(fs(), dangling, "here"));
    EXPECT_FALSE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(readFile(dangling), "here");
    EXPECT_FALSE(std::filesystem::exists(shared + "/not-yet.txt"));
}

// A loop of links is reported as the loop it is, not as a link that may not be followed.
TEST(FilePolicyTest, ALoopOfLinksIsSaidAsSuch) {
    TempDir dir;
    std::filesystem::create_symlink(dir.file("b"), dir.file("a"));
    std::filesystem::create_symlink(dir.file("a"), dir.file("b"));
    for (auto failure : {platform::replaceFile(fs(), dir.file("a"), "x"),
                         platform::appendToFile(fs(), dir.file("a"), "x")}) {
        ASSERT_TRUE(failure);
        EXPECT_NE(failure->cause.find("Too many levels of symbolic links"), std::string::npos)
            << failure->cause;
    }
}

TEST(FilePolicyTest, KeepsTheOwnerOfAFileItReplacesAsRoot) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    TempDir dir;
    const std::string path = dir.write("theirs.cfg", "old");
    ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
    ASSERT_FALSE(platform::replaceFile(fs(), path, "new"));
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_uid, 4242u);
    EXPECT_EQ(info.st_gid, 4343u);
}

TEST(FilePolicyTest, ALaterSaveRemovesTemporaryFilesOfDeadProcessesOnly) {
    TempDir dir;
    const std::string path = dir.write("mkwise25.cfg", "old");
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string stale =
        dir.write(".mkwise25.cfg." + std::to_string(child) + ".markwise-tmp", "x");
    const std::string staleRetry =
        dir.write(".mkwise25.cfg." + std::to_string(child) + "-3.markwise-tmp", "x");
    const std::string alive = dir.write(".mkwise25.cfg.1.markwise-tmp", "x");  // pid 1 runs
    const std::string otherFile =
        dir.write(".other.cfg." + std::to_string(child) + ".markwise-tmp", "x");

    ASSERT_FALSE(platform::replaceFile(fs(), path, "new"));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_FALSE(std::filesystem::exists(staleRetry));
    EXPECT_TRUE(std::filesystem::exists(alive));
    EXPECT_TRUE(std::filesystem::exists(otherFile));
}

// Whatever single call fails, the file holds either its old bytes or all of the new ones, a
// reported failure means the old bytes, and no temporary file is left behind.
TEST(FilePolicyTest, AFailureAtAnyStepOfAReplacementLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.write("rules.cfg", "old contents");
    FaultyFileSystem probe;
    ASSERT_FALSE(platform::replaceFile(probe, path, "new contents"));
    const int steps = probe.totalCalls();
    ASSERT_GT(steps, 8) << probe.describe();

    for (int n = 1; n <= steps; ++n) {
        std::filesystem::remove(path);
        dir.write("rules.cfg", "old contents");
        FaultyFileSystem faulty;
        faulty.failCall(n, n % 2 ? ENOSPC : EIO);
        auto failure = platform::replaceFile(faulty, path, "new contents");
        const std::string now = readFile(path);
        SCOPED_TRACE(faulty.describe());
        if (failure) {
            EXPECT_EQ(now, "old contents");
            EXPECT_EQ(failure->path, path);
            EXPECT_FALSE(failure->cause.empty());
        } else {
            EXPECT_EQ(now, "new contents");
        }
        EXPECT_EQ(namesIn(dir), std::vector<std::string>{"rules.cfg"});
    }
}

TEST(FilePolicyTest, AFailedAppendSaysWhyAndWritesNothingPartial) {
    TempDir dir;
    const std::string log = dir.write("log.txt", "first\n");
    for (FileOp op : {FileOp::Open, FileOp::Lock, FileOp::Write, FileOp::Close}) {
        FaultyFileSystem faulty;
        faulty.failAt(op, 1, ENOSPC);
        auto failure = platform::appendToFile(faulty, log, "second\n");
        ASSERT_TRUE(failure) << testing_support::fileOpName(op);
        EXPECT_NE(failure->message().find(std::strerror(ENOSPC)), std::string::npos);
        EXPECT_EQ(failure->path, log);
    }
    EXPECT_EQ(readFile(log).substr(0, 6), "first\n");
}

// A signal that interrupts the sync is no failure (the sync is asked again), nor one that
// interrupts the close, which has released the descriptor after everything was written.
TEST(FilePolicyTest, AnInterruptedSyncOrCloseIsNoFailure) {
    TempDir dir;
    const std::string path = dir.write("rules.cfg", "old contents");
    const std::string log = dir.write("log.txt", "first\n");
    FaultyFileSystem probe;
    ASSERT_FALSE(platform::replaceFile(probe, path, "new contents"));
    for (FileOp op : {FileOp::Fsync, FileOp::Close}) {
        for (int n = 1; n <= probe.calls(op); ++n) {
            dir.write("rules.cfg", "old contents");
            FaultyFileSystem faulty;
            faulty.failAt(op, n, EINTR);
            auto failure = platform::replaceFile(faulty, path, "new contents");
            EXPECT_FALSE(failure) << faulty.describe() << ": " << failure->message();
            EXPECT_EQ(readFile(path), "new contents") << faulty.describe();
            EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"log.txt", "rules.cfg"}));
        }
    }
    FaultyFileSystem faulty;
    faulty.failAt(FileOp::Close, 1, EINTR);
    EXPECT_FALSE(platform::appendToFile(faulty, log, "second\n"));
    EXPECT_EQ(readFile(log), "first\nsecond\n");
}

// A file system whose first write stops half-way, as the kernel stops a large write when a
// signal that ends the program arrives, and raises that signal there.
class InterruptedWrite : public FaultyFileSystem {
public:
    explicit InterruptedWrite(int signal) : signal_(signal) {}
    ssize_t write(int fd, const void* buffer, std::size_t size) override {
        if (signal_ == 0 || size < 2) return FaultyFileSystem::write(fd, buffer, size);
        const ssize_t written = FaultyFileSystem::write(fd, buffer, size / 2);
        ::raise(std::exchange(signal_, 0));
        return written;
    }

private:
    int signal_;
};

// An interrupt, a termination request or a hang-up that comes while a log entry is being
// appended ends the program only once the entry is whole.
TEST(FilePolicyTest, ASignalDuringAnAppendWaitsForTheWholeEntry) {
    TempDir dir;
    const std::string log = dir.file("log.txt");
    const std::string entry = std::string(100000, 'e') + "\n";
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        dir.write("log.txt", "first\n");
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(signal, SIG_DFL);
            InterruptedWrite interrupted(signal);
            platform::appendToFile(interrupted, log, entry);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        const std::string written = readFile(log);
        EXPECT_EQ(written.size(), 6 + entry.size()) << ::strsignal(signal);
        EXPECT_TRUE(written == "first\n" + entry) << ::strsignal(signal);
    }
}

// Eight processes append entries far larger than any stdio buffer at the same time: each entry
// comes out whole.
TEST(FilePolicyTest, ConcurrentAppendsNeverInterleave) {
    TempDir dir;
    const std::string log = dir.file("log.txt");
    constexpr int kWriters = 8;
    constexpr int kEntries = 12;
    constexpr std::size_t kEntrySize = 200 * 1024;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int e = 0; e < kEntries; ++e) {
                std::string entry(kEntrySize, static_cast<char>('a' + w));
                entry.back() = '\n';
                if (platform::appendToFile(platform::systemFileSystem(), log, entry)) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string all = readFile(log);
    ASSERT_EQ(all.size(), kWriters * kEntries * kEntrySize);
    for (std::size_t start = 0; start < all.size(); start += kEntrySize) {
        const std::string_view entry(all.data() + start, kEntrySize);
        ASSERT_EQ(entry.find_first_not_of(entry[0]), kEntrySize - 1) << "entry at " << start;
    }
}

TEST(FilePolicyTest, ReadsRegularFilesWholeAndRefusesTheRestAtOnce) {
    TempDir dir;
    std::string bytes;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Would block for ever if the FIFO were opened waiting for a writer.
    auto failure = platform::readRegularFile(fs(), fifo, bytes);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message(), fifo + ": is a FIFO (named pipe), not a regular file");

    failure = platform::readRegularFile(fs(), dir.path().string(), bytes);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cause, "is a directory");

    failure = platform::readRegularFile(fs(), dir.file("missing.html"), bytes);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cause, "cannot open: No such file or directory");

    failure = platform::readRegularFile(fs(), "/dev/zero", bytes);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cause, "is a character device, not a regular file");

    // Files under /proc report no size and have contents.
    ASSERT_FALSE(platform::readRegularFile(fs(), "/proc/self/status", bytes));
    EXPECT_NE(bytes.find("Name:"), std::string::npos);

    const std::string big = dir.write("big.html", std::string(100, 'x'));
    failure = platform::readRegularFile(fs(), big, bytes, 50);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->cause.find("more than the 50 bytes Markwise can check"), std::string::npos);
    ASSERT_FALSE(platform::readRegularFile(fs(), big, bytes, 100));
    EXPECT_EQ(bytes.size(), 100u);

    FaultyFileSystem faulty;
    faulty.failAt(FileOp::Read, 1, EIO);
    failure = platform::readRegularFile(faulty, big, bytes);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->cause, "cannot read: Input/output error");
}

TEST(FilePolicyTest, LargeFilesAreMappedAndACutShortOneReadsAsZerosWithoutStopping) {
    TempDir dir;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::string text;
    for (int i = 0; text.size() < static_cast<std::size_t>(3 * page); ++i) {
        text += "<p>line " + std::to_string(i) + "</p>\n";
    }
    const std::string path = dir.write("page.html", text);
    std::string bytes;
    std::shared_ptr<const platform::MappedFile> mapped;

    // Below the size that maps, and on a file system that does not map, the file is read.
    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), path, bytes, mapped,
                                                platform::kLargestReadableFile, text.size() + 1));
    EXPECT_EQ(mapped, nullptr);
    EXPECT_EQ(bytes, text);
    FaultyFileSystem reading;
    ASSERT_FALSE(platform::readOrMapRegularFile(reading, path, bytes, mapped,
                                                platform::kLargestReadableFile, 1));
    EXPECT_EQ(mapped, nullptr);
    EXPECT_EQ(bytes, text);
    // The size limit holds for a mapped file as for a read one.
    auto failure = platform::readOrMapRegularFile(fs(), path, bytes, mapped, 100, 1);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->cause.find("more than the 100 bytes Markwise can check"), std::string::npos);
    EXPECT_EQ(mapped, nullptr);

    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), path, bytes, mapped,
                                                platform::kLargestReadableFile, 1));
    ASSERT_NE(mapped, nullptr);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(mapped->bytes(), text);
    EXPECT_FALSE(mapped->changed());

    // Another mapping at the same time is watched on its own.
    std::shared_ptr<const platform::MappedFile> other;
    const std::string otherPath = dir.write("other.html", text);
    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), otherPath, bytes, other,
                                                platform::kLargestReadableFile, 1));
    ASSERT_NE(other, nullptr);

    // Cut to one page and a half: the first page and a half are kept, the rest reads as zeros.
    const std::size_t kept = static_cast<std::size_t>(page + page / 2);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kept)), 0);
    const std::string_view seen = mapped->bytes();
    EXPECT_EQ(seen.size(), text.size());
    EXPECT_EQ(seen.substr(0, kept), std::string_view(text).substr(0, kept));
    EXPECT_EQ(seen.find_first_not_of('\0', 2 * static_cast<std::size_t>(page)),
              std::string_view::npos);
    EXPECT_TRUE(mapped->changed());
    EXPECT_FALSE(other->changed());
    EXPECT_EQ(other->bytes(), text);
    // Cut inside its last page, a file raises no fault, and is still seen to have changed.
    ASSERT_EQ(::truncate(otherPath.c_str(), static_cast<off_t>(text.size() - 10)), 0);
    EXPECT_EQ(other->bytes().substr(0, text.size() - 10),
              std::string_view(text).substr(0, text.size() - 10));
    EXPECT_TRUE(other->changed());
    mapped.reset();
    other.reset();

    // A bus error outside the mapped documents still ends the process.
    EXPECT_DEATH(
        {
            const int fd = ::open(otherPath.c_str(), O_RDONLY);
            auto* raw = static_cast<volatile char*>(
                ::mmap(nullptr, text.size(), PROT_READ, MAP_PRIVATE, fd, 0));
            (void)::truncate(otherPath.c_str(), 0);
            std::fprintf(stderr, "%d", raw[text.size() - 1]);
        },
        "");
}

// A page of memory from `from` to `to` (page-aligned) that is still mapped.
bool anyPageMapped(std::uintptr_t from, std::uintptr_t to) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    for (std::uintptr_t at = from; at < to; at += page) {
        if (::msync(reinterpret_cast<void*>(at), page, MS_ASYNC) == 0) return true;
    }
    return false;
}

// The bytes of this process's address space set aside and not accessible (anonymous "---p"
// mappings): what a placement left behind would add to.
std::uintptr_t reservedBytes() {
    std::istringstream maps(readFile("/proc/self/maps"));
    std::uintptr_t total = 0;
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::string range, access, offset, device, inode;
        fields >> range >> access >> offset >> device >> inode;
        if (access != "---p" || inode != "0") continue;
        const std::size_t dash = range.find('-');
        total += std::stoull(range.substr(dash + 1), nullptr, 16) -
                 std::stoull(range.substr(0, dash), nullptr, 16);
    }
    return total;
}

// A document of several megabytes is held on huge pages where the kernel gives them: mapped
// when the kernel caches the file on huge pages already (one written in one piece, most often),
// copied onto them when it does not (one written 4 KB at a time), and mapped as any other file
// where the kernel gives none. Whichever way, its bytes are the file's, several may be held at
// once and given back in any order, nothing of them stays mapped, and one cut short afterwards
// is seen to have changed.
TEST(FilePolicyTest, LargeDocumentsHeldOnHugePagesOrMappedKeepTheirBytes) {
    TempDir dir;
    auto textOf = [](std::size_t size, char salt) {
        std::string text(size, ' ');
        for (std::size_t i = 0; i < size; ++i) {
            text[i] = static_cast<char>('a' + (i * 7 + static_cast<std::size_t>(salt)) % 26);
        }
        return text;
    };
    auto writeInPieces = [&](const std::string& name, const std::string& text) {
        const std::string path = (std::filesystem::path(dir.path()) / name).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        for (std::size_t at = 0; at < text.size(); at += 4096) {
            const std::size_t piece = std::min<std::size_t>(4096, text.size() - at);
            EXPECT_EQ(::write(fd, text.data() + at, piece), static_cast<ssize_t>(piece));
        }
        ::close(fd);
        return path;
    };
    const std::size_t twoMegabytes = std::size_t{2} << 20;
    const std::string first = textOf(twoMegabytes + 1, 'x');
    const std::string second = textOf(2 * twoMegabytes + 4099, 'y');
    const std::string exact = textOf(twoMegabytes, 'z');
    const std::string firstPath = dir.write("first.html", first);
    const std::string secondPath = writeInPieces("second.html", second);
    const std::string exactPath = writeInPieces("exact.html", exact);

    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    auto pagesEnd = [&](std::uintptr_t at, std::size_t size) {
        return (at + size + page - 1) & ~(page - 1);
    };
    std::string bytes;
    std::shared_ptr<const platform::MappedFile> a, b, c;
    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), firstPath, bytes, a));
    ASSERT_TRUE(a);
    const auto firstAt = reinterpret_cast<std::uintptr_t>(a->bytes().data());
    const std::uintptr_t firstEnd = pagesEnd(firstAt, first.size());
    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), secondPath, bytes, b));
    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), exactPath, bytes, c));
    ASSERT_TRUE(a && b && c);
    EXPECT_TRUE(a->bytes() == first);
    EXPECT_TRUE(b->bytes() == second);
    EXPECT_TRUE(c->bytes() == exact);
    // Given back, a document leaves none of its pages mapped.
    a.reset();
    EXPECT_FALSE(anyPageMapped(firstAt, firstEnd));
    EXPECT_TRUE(b->bytes() == second);
    EXPECT_TRUE(c->bytes() == exact);

    // Cut short after it was taken: the bytes before the cut are the file's, and the run is
    // told the document changed.
    ASSERT_EQ(::truncate(secondPath.c_str(), 1000), 0);
    EXPECT_TRUE(b->changed());
    EXPECT_EQ(b->bytes().size(), second.size());
    EXPECT_TRUE(b->bytes().substr(0, 1000) == std::string_view(second).substr(0, 1000));
    EXPECT_FALSE(c->changed());
    const auto secondAt = reinterpret_cast<std::uintptr_t>(b->bytes().data());
    const std::uintptr_t secondEnd = pagesEnd(secondAt, second.size());
    c.reset();
    b.reset();
    EXPECT_FALSE(anyPageMapped(secondAt, secondEnd));

    // Taken again and again, whole each time, and given back without a trace: no part of the
    // memory set aside to place a document is left behind.
    const std::uintptr_t reserved = reservedBytes();
    for (const std::string* path : {&firstPath, &exactPath, &firstPath}) {
        ASSERT_FALSE(platform::readOrMapRegularFile(fs(), *path, bytes, a));
        ASSERT_TRUE(a);
        EXPECT_TRUE(a->bytes() == (path == &firstPath ? first : exact));
        a.reset();
        // AddressSanitizer's allocator carves its blocks out of reserved address space.
        if (!testing_support::kAddressSanitizer) {
            EXPECT_EQ(reservedBytes(), reserved);
        }
    }

    // The document written in one piece, cut short while it is held: every byte can still be
    // read (those past the cut as zeros where it is mapped), and the run is told it changed.
    ASSERT_FALSE(platform::readOrMapRegularFile(fs(), firstPath, bytes, a));
    ASSERT_TRUE(a);
    ASSERT_EQ(::truncate(firstPath.c_str(), 1000), 0);
    const std::string_view held = a->bytes();
    const auto zeros = std::count(held.begin(), held.end(), '\0');
    EXPECT_LE(zeros, static_cast<std::ptrdiff_t>(first.size() - 1000));
    EXPECT_TRUE(held.substr(0, 1000) == std::string_view(first).substr(0, 1000));
    EXPECT_TRUE(a->changed());
}

// A document that was shorter when it was read than its size said (cut short meanwhile) and
// is whole again when it is looked at is never held with zeros that nothing tells of: either
// its bytes are the file's, or it is seen to have changed.
TEST(FilePolicyTest, ADocumentCutShortWhileItIsReadIsNotHeldWithUntoldZeros) {
    TempDir dir;
    std::string whole(std::size_t{5} << 20, ' ');
    for (std::size_t i = 0; i < whole.size(); ++i) whole[i] = static_cast<char>('a' + i % 23);
    const std::size_t readable = std::size_t{3} << 20;
    // Written 4 KB at a time, as an editor might: cached on small pages, so copied if it can be.
    const std::string path = (std::filesystem::path(dir.path()) / "page.html").string();
    auto append = [&](std::size_t from, std::size_t to) {
        const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        ASSERT_GE(out, 0);
        for (std::size_t at = from; at < to; at += 4096) {
            const std::size_t piece = std::min<std::size_t>(4096, to - at);
            ASSERT_EQ(::write(out, whole.data() + at, piece), static_cast<ssize_t>(piece));
        }
        ::close(out);
    };
    append(0, readable);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    // Taken at the size it had before it was cut short, then made whole again.
    const std::unique_ptr<platform::MappedFile> held =
        platform::MappedFile::map(fs(), fd, whole.size());
    ASSERT_NE(held, nullptr);
    append(readable, whole.size());
    EXPECT_TRUE(held->bytes() == whole || held->changed());
}

TEST(FilePolicyTest, AbsoluteNamesFoldDotsAndSlashes) {
    EXPECT_EQ(platform::absoluteName("/a/./b//c/../d"), "/a/b/d");
    EXPECT_EQ(platform::absoluteName("/.."), "/");
    char cwd[4096];
    ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
    EXPECT_EQ(platform::absoluteName("x.html"), std::string(cwd) + "/x.html");
}

}  // namespace

// A target whose own name is as long as a name may be (255 bytes, here with two-byte UTF-8
// characters too) is replaced through a temporary name that fits beside it, and a later save
// removes the temporaries such a target's dead processes left.
TEST(FilePolicyTest, ReplacesFilesWithTheLongestNames) {
    TempDir dir;
    const std::string ascii(255, 'k');
    std::string accented = std::string(1, 'a');
    while (accented.size() + 2 <= 255) accented += "\xc3\xa9";  // é
    for (const std::string& name : {ascii, accented, std::string(220, 'm') + ".htm"}) {
        SCOPED_TRACE(name.size());
        const std::string path = dir.write(name, "old");
        const std::string temporary = platform::temporaryNameFor(path, 12345);
        const std::string temporaryName = temporary.substr(temporary.rfind('/') + 1);
        EXPECT_LE(temporaryName.size(), 255u);
        // Never cut inside a character: the byte before the "." that follows the base name is
        // not the lead byte of a two-byte character.
        const std::size_t dot = temporaryName.find('.', 1);
        ASSERT_NE(dot, std::string::npos);
        EXPECT_NE(static_cast<unsigned char>(temporaryName[dot - 1]), 0xC3);

        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        ::waitpid(child, nullptr, 0);
        const std::string staleName =
            temporaryName.substr(0, dot + 1) + std::to_string(child) + ".markwise-tmp";
        dir.write(staleName, "x");

        ASSERT_FALSE(platform::replaceFile(fs(), path, "new"));
        EXPECT_EQ(readFile(path), "new");
        EXPECT_FALSE(std::filesystem::exists(dir.path() / staleName));
    }
    EXPECT_EQ(namesIn(dir).size(), 3u);
}
