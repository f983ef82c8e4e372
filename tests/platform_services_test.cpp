// The settings store's file, the process starter, the single-instance channel and the editor
// notifier, against the real file system and real sockets in a temporary folder.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/editor_notifier.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "test_support.h"

namespace fs = std::filesystem;
using platform::SettingsRoot;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

constexpr const char* kKey = "SOFTWARE\\Brightfold\\Zentrel Markwise";

unsigned modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A listening socket a test reads lines from.
class Listener {
public:
    explicit Listener(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(fd_, 4), 0);
    }
    ~Listener() { ::close(fd_); }
    std::string receive() {
        const int connection = ::accept(fd_, nullptr, nullptr);
        std::string text;
        char buffer[256];
        ssize_t got;
        while ((got = ::read(connection, buffer, sizeof buffer)) > 0) text.append(buffer, got);
        ::close(connection);
        return text;
    }

private:
    int fd_ = -1;
};

}  // namespace

TEST(IniSettingsStore, WritesSectionsPerKeyWithEscapedValuesInAPrivateFile) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string path = dir.file("config/markwise/registry.ini");
    platform::IniSettingsStore store(files, path, dir.file("none.ini"));

    EXPECT_FALSE(store.read(SettingsRoot::CurrentUser, kKey, "Language"));
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "Language", "1"));
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "LogFilename", "C:\\logs\nnext\rline"));
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, "SOFTWARE\\Other", "A", "x=y"));
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "language", "0"));  // same value

    EXPECT_EQ(readFile(path),
              "[SOFTWARE\\Brightfold\\Zentrel Markwise]\n"
              "Language=0\n"
              "LogFilename=C:\\\\logs\\nnext\\rline\n"
              "\n"
              "[SOFTWARE\\Other]\n"
              "A=x=y\n");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(dir.file("config/markwise")), 0700u);
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, "software\\brightfold\\zentrel markwise",
                         "LOGFILENAME"),
              "C:\\logs\nnext\rline");
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, "SOFTWARE\\Other", "A"), "x=y");
    EXPECT_FALSE(store.read(SettingsRoot::CurrentUser, "SOFTWARE\\Other", "Language"));
}

TEST(IniSettingsStore, KeepsWhatItDoesNotUnderstandAndReadsOtherProgramsChanges) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string path = dir.write("registry.ini",
                                       "; my settings\r\n[SOFTWARE\\Brightfold\\Zentrel Markwise]\r\n"
                                       "Language=1\r\nstray line\r\n\r\n[Other]\r\nB=2\r\n");
    platform::IniSettingsStore store(files, path, "");
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, kKey, "Language"), "1");
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "AutoSave", "0"));
    EXPECT_EQ(readFile(path),
              "; my settings\n[SOFTWARE\\Brightfold\\Zentrel Markwise]\nLanguage=1\nAutoSave=0\n"
              "stray line\n\n[Other]\nB=2\n");

    // Another program changes the file: the next read sees it.
    dir.write("registry.ini", "[SOFTWARE\\Brightfold\\Zentrel Markwise]\nLanguage=0\n");
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, kKey, "Language"), "0");

    // A line that ends in carriage returns before its CR LF keeps them through every write.
    dir.write("registry.ini", "; kept\r\r\r\n[SOFTWARE\\Brightfold\\Zentrel Markwise]\n");
    for (const char* value : {"0", "1", "0"}) {
        ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "AutoSave", value));
    }
    EXPECT_EQ(readFile(path),
              "; kept\r\r\r\n[SOFTWARE\\Brightfold\\Zentrel Markwise]\nAutoSave=0\n");

    // A byte order mark that an editor put before the first section is passed over, and kept
    // through every write. A second mark after it is the first line's own text, kept as well:
    // each write gives the file it read back, but for the value written.
    dir.write("registry.ini", "\xEF\xBB\xBF[SOFTWARE\\Brightfold\\Zentrel Markwise]\nLanguage=1\n");
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, kKey, "Language"), "1");
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "Language", "0"));
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF[SOFTWARE\\Brightfold\\Zentrel Markwise]\nLanguage=0\n");
    const std::string twoMarks = "\xEF\xBB\xBF\xEF\xBB\xBFnote=\n[SOFTWARE\\Brightfold\\Zentrel Markwise]\n";
    dir.write("registry.ini", twoMarks);
    for (const char* value : {"0", "1", "0"}) {
        ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "AutoSave", value));
    }
    EXPECT_EQ(readFile(path), twoMarks + "AutoSave=0\n");
}

TEST(IniSettingsStore, TheSystemStoreIsReadOnlyAndBadNamesAreRefused) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string system = dir.write("system.ini",
                                         "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nCheckNesting=0\n");
    platform::IniSettingsStore store(files, dir.file("user.ini"), system);
    EXPECT_EQ(store.read(SettingsRoot::LocalMachine, "SOFTWARE\\Oldfield\\Zentrel Markwise",
                         "CheckNesting"),
              "0");
    EXPECT_FALSE(store.write(SettingsRoot::LocalMachine, "SOFTWARE\\Oldfield\\Zentrel Markwise",
                             "CheckNesting", "1"));
    EXPECT_EQ(readFile(system), "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nCheckNesting=0\n");
    for (const char* name : {"", "a=b", "[x", "two\nlines", ";comment"}) {
        EXPECT_FALSE(store.write(SettingsRoot::CurrentUser, kKey, name, "1")) << name;
    }
    EXPECT_FALSE(store.write(SettingsRoot::CurrentUser, "bad]key", "A", "1"));
    EXPECT_FALSE(fs::exists(dir.file("user.ini")));
}

TEST(IniSettingsStore, AFileThatCannotBeReadIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    platform::SystemFiles files;
    const std::string path = dir.write("registry.ini", "[K]\nA=1\n");
    ::chmod(path.c_str(), 0200);
    platform::IniSettingsStore store(files, path, "");
    EXPECT_FALSE(store.read(SettingsRoot::CurrentUser, "K", "A"));
    EXPECT_FALSE(store.write(SettingsRoot::CurrentUser, "K", "B", "2"));
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(readFile(path), "[K]\nA=1\n");
}

// Options are loaded in one batch: a value a failed read hid looks missing, and its default must
// not then take the place of the user's value once the file can be read again.
TEST(IniSettingsStore, ABatchThatCouldNotReadTheFileWritesNothingIntoIt) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string path = dir.file("registry.ini");
    fs::create_directory(path);  // cannot be read as a file while the batch reads it
    platform::IniSettingsStore store(files, path, "");
    store.beginBatch();
    EXPECT_FALSE(store.read(SettingsRoot::CurrentUser, kKey, "LineLength"));
    fs::remove(path);
    const std::string stored = "[SOFTWARE\\Brightfold\\Zentrel Markwise]\nLineLength=77\n";
    dir.write("registry.ini", stored);
    EXPECT_FALSE(store.write(SettingsRoot::CurrentUser, kKey, "LineLength", "55"));
    EXPECT_FALSE(store.write(SettingsRoot::CurrentUser, kKey, "Version", "2.55"));
    store.commitBatch();
    EXPECT_EQ(readFile(path), stored);

    // A batch that read it writes the values it was given, over what it read.
    store.beginBatch();
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, kKey, "LineLength"), "77");
    EXPECT_TRUE(store.write(SettingsRoot::CurrentUser, kKey, "Version", "2.55"));
    EXPECT_TRUE(store.commitBatch());
    EXPECT_EQ(readFile(path), stored + "Version=2.55\n");
}

// The options are loaded against the files as one batch read them: a system file that could not
// be read is known as such, so that its values are not taken for missing ones.
TEST(IniSettingsStore, ABatchTellsAFileThatCouldNotBeReadFromAMissingOne) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string system = dir.file("system.ini");
    fs::create_directory(system);
    platform::IniSettingsStore store(files, dir.file("user.ini"), system);
    store.beginBatch();
    EXPECT_FALSE(store.read(SettingsRoot::LocalMachine, "SOFTWARE\\Oldfield\\Zentrel Markwise",
                            "CheckNesting"));
    fs::remove(system);
    dir.write("system.ini", "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nCheckNesting=0\n");
    EXPECT_FALSE(store.readable(SettingsRoot::LocalMachine));
    EXPECT_TRUE(store.readable(SettingsRoot::CurrentUser));  // missing, not unreadable
    EXPECT_TRUE(store.commitBatch());
    EXPECT_TRUE(store.readable(SettingsRoot::LocalMachine));
}

// A settings file that is a FIFO, a folder or an endless device is read as one that cannot be
// read: at once, without waiting or filling the memory, and it is never replaced.
TEST(IniSettingsStore, OnlyARegularFileIsRead) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string fifo = dir.file("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.file("folder.ini");
    fs::create_directory(folder);
    const std::string endless = dir.file("endless.ini");
    fs::create_symlink("/dev/zero", endless);
    for (const std::string& path : {fifo, folder, endless}) {
        platform::IniSettingsStore store(files, path, "");
        EXPECT_FALSE(store.read(SettingsRoot::CurrentUser, "K", "A")) << path;
        EXPECT_FALSE(store.write(SettingsRoot::CurrentUser, "K", "A", "1")) << path;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(endless));
}

TEST(IniSettingsStore, EscapesRoundTripAndUnknownEscapesStandForThemselves) {
    for (std::string value : {"", "plain", "a\\b", "\\n", "x\r\ny", "\\\\\\", "end\\"}) {
        EXPECT_EQ(platform::unescapeSettingsValue(platform::escapeSettingsValue(value)), value);
    }
    EXPECT_EQ(platform::unescapeSettingsValue("C:\\Tools\\x"), "C:\\Tools\\x");
    EXPECT_EQ(platform::unescapeSettingsValue("a\\"), "a\\");
}

TEST(IniSettingsStore, FileLocationsFollowTheEnvironment) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/home/u/cfg/");
        EXPECT_EQ(platform::userSettingsFile(), "/home/u/cfg/markwise/registry.ini");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative");  // not absolute: ignored
        ScopedEnv home("HOME", "/home/v");
        EXPECT_EQ(platform::userSettingsFile(), "/home/v/.config/markwise/registry.ini");
    }
    {
        ScopedEnv system("MARKWISE_SYSTEM_REGISTRY", "/opt/reg.ini");
        EXPECT_EQ(platform::systemSettingsFile(), "/opt/reg.ini");
    }
    ScopedEnv system("MARKWISE_SYSTEM_REGISTRY", nullptr);
    EXPECT_EQ(platform::systemSettingsFile(), "/etc/markwise/registry.ini");
}

namespace {

// A program for the starter to start: a shell script that runs `command` and puts what it
// prints into `out` whole, once done.
struct StartedScript {
    StartedScript(TempDir& dir, const std::string& name, const std::string& command)
        : out(dir.file(name + ".txt")),
          path(dir.write(name, "#!/bin/sh\n" + command + " > '" + out + ".tmp'\nmv '" + out +
                                   ".tmp' '" + out + "'\n")) {
        ::chmod(path.c_str(), 0755);
    }
    // What it printed, waiting for it up to five seconds.
    std::string printed() const {
        for (int i = 0; i < 100 && !fs::exists(out); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return readFile(out);
    }
    std::string out;
    std::string path;
};

}  // namespace

TEST(PosixProcessStarter, GivesTheFileAsOneArgumentWithoutAShellAndDoesNotWait) {
    TempDir dir;
    const StartedScript script(dir, "show-args", "sleep 0.2\nprintf '%s|%s' \"$#\" \"$1\"");
    platform::PosixProcessStarter starter;
    const std::string file = "my page $(x) \"q\" 'a'.htm";
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(starter.start(script.path, file, false));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200));
    EXPECT_EQ(script.printed(), "1|" + file);
    // An address (the opener of web and help pages starts xdg-open on one) goes as it is.
    const StartedScript address(dir, "show-address", "printf '%s|%s' \"$#\" \"$1\"");
    ASSERT_TRUE(starter.start(address.path, "https://markwise.zentrel.example/#download", false));
    EXPECT_EQ(address.printed(), "1|https://markwise.zentrel.example/#download");

    EXPECT_FALSE(starter.start(dir.file("no-such-program"), "x", false));
    EXPECT_FALSE(starter.start("markwise-no-such-program-on-path", "x", false));
    EXPECT_FALSE(starter.start("", "x", false));
}

// The file size signal the programs ignore is not passed on to the viewer or editor they
// start.
TEST(PosixProcessStarter, AStartedProgramHasTheFileSizeSignalsDefault) {
    TempDir dir;
    const StartedScript script(dir, "show-ignored", "grep SigIgn /proc/self/status");
    void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
    platform::PosixProcessStarter starter;
    ASSERT_TRUE(starter.start(script.path, "x", false));
    ::signal(SIGXFSZ, previous);
    const std::string line = script.printed();
    ASSERT_TRUE(line.starts_with("SigIgn:")) << line;
    const unsigned long long ignored = std::stoull(line.substr(7), nullptr, 16);
    EXPECT_EQ(ignored & (1ULL << (SIGXFSZ - 1)), 0u) << line;
}

TEST(FileUrl, EncodesWhatAnAddressCannotCarry) {
    EXPECT_EQ(platform::fileUrl("/opt/mark wise/help/options.html", "program-options"),
              "file:///opt/mark%20wise/help/options.html#program-options");
    EXPECT_EQ(platform::fileUrl("/a/#b%c\xc3\xa9"), "file:///a/%23b%25c%C3%A9");
}

// A help page's anchor would be lost by the desktop's opener, which hands the browser a path:
// the browser is sent to a small page that leads on to the anchor.
TEST(XdgUrlOpener, ALocalPageWithAnAnchorIsReachedThroughAPageThatLeadsOnToIt) {
    TempDir dir;
    struct Recorder : platform::ProcessStarter {
        std::vector<std::pair<std::string, std::string>> starts;
        bool start(const std::string& program, const std::string& file, bool) override {
            starts.emplace_back(program, file);
            return true;
        }
    } starter;
    const char* previous = std::getenv("XDG_RUNTIME_DIR");
    const std::optional<std::string> kept = previous ? std::optional<std::string>(previous)
                                                     : std::nullopt;
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    platform::XdgUrlOpener opener(starter);
    const std::string help = "file:///opt/mark%20wise/help/options.html#program-options";
    EXPECT_TRUE(opener.open(help));
    EXPECT_TRUE(opener.open("file:///opt/markwise/help/contents.html"));
    EXPECT_TRUE(opener.open("https://markwise.zentrel.example/#download"));
    kept ? ::setenv("XDG_RUNTIME_DIR", kept->c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");

    ASSERT_EQ(starter.starts.size(), 3u);
    const std::string page = dir.path().string() + "/markwise/help-options-program-options.html";
    EXPECT_EQ(starter.starts[0], std::pair(std::string("xdg-open"), platform::fileUrl(page)));
    const std::string bytes = testing_support::readFile(page);
    EXPECT_NE(bytes.find("<meta http-equiv=\"refresh\" content=\"0; url=" + help + "\">"),
              std::string::npos)
        << bytes;
    EXPECT_EQ(starter.starts[1].second, "file:///opt/markwise/help/contents.html");
    EXPECT_EQ(starter.starts[2].second, "https://markwise.zentrel.example/#download");

    // Where the page cannot be written, the address goes as it is; so does one that would
    // break out of the page's markup. Odd bytes of an anchor do not reach the file name.
    auto& fs = platform::systemFileSystem();
    const std::string folder = dir.path().string() + "/";
    EXPECT_EQ(platform::anchoredPageUrl(fs, help, folder + "missing/"), help);
    const std::string markup = "file:///h/a.html#x\"><script>";
    EXPECT_EQ(platform::anchoredPageUrl(fs, markup, folder), markup);
    EXPECT_EQ(platform::anchoredPageUrl(fs, "file:///h/a.html#x/../y z", folder),
              platform::fileUrl(folder + "help-a-x____y_z.html"));
}

TEST(UnixInstanceChannel, TheFirstListensAndASecondFindsAndRaisesIt) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    platform::UnixInstanceChannel first(folder);
    platform::UnixInstanceChannel second(folder);
    EXPECT_FALSE(second.anotherInstanceRunning());
    EXPECT_FALSE(second.raiseAnotherInstance());
    ASSERT_TRUE(first.listen());
    EXPECT_GE(first.descriptor(), 0);
    EXPECT_EQ(modeOf(first.path()) & 0777, 0600u);
    EXPECT_EQ(first.takeRaiseRequests(), 0);

    EXPECT_TRUE(second.anotherInstanceRunning());
    EXPECT_FALSE(second.listen());
    EXPECT_EQ(second.descriptor(), -1);
    EXPECT_TRUE(second.raiseAnotherInstance());
    EXPECT_TRUE(second.raiseAnotherInstance());
    EXPECT_EQ(first.takeRaiseRequests(), 2);  // a mere look (anotherInstanceRunning) is no request
    EXPECT_EQ(first.takeRaiseRequests(), 0);
}

TEST(UnixInstanceChannel, ASocketLeftBehindIsReplacedAndTheOwnerRemovesItsOwn) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    {
        // A program that ended without cleaning up: the file is there, nobody listens.
        Listener crashed(folder + "Zentrel");
    }
    ASSERT_TRUE(fs::exists(folder + "Zentrel"));
    {
        platform::UnixInstanceChannel channel(folder);
        EXPECT_FALSE(channel.anotherInstanceRunning());
        ASSERT_TRUE(channel.listen());
        EXPECT_TRUE(platform::UnixInstanceChannel(folder).anotherInstanceRunning());
    }
    EXPECT_FALSE(fs::exists(folder + "Zentrel"));
}

// A listener that has stopped taking connections (a stopped or frozen program) fills its queue:
// a start then finds an instance running, and a raise request or an editor's notice fails at
// once instead of waiting for ever.
TEST(UnixInstanceChannel, AListenerThatTakesNoConnectionsIsFoundAndNeverWaitedFor) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    Listener stopped(folder + "Zentrel");
    Listener editor(folder + "MyEditorClass");
    std::vector<int> queued;
    for (int i = 0; i < 64; ++i) {
        const int fd = platform::connectUnixSocket(folder + "Zentrel");
        if (fd < 0) break;
        queued.push_back(fd);
    }
    for (int i = 0; i < 64; ++i) {
        const int fd = platform::connectUnixSocket(folder + "MyEditorClass");
        if (fd < 0) break;
        queued.push_back(fd);
    }
    const auto started = std::chrono::steady_clock::now();
    platform::UnixInstanceChannel channel(folder);
    EXPECT_TRUE(channel.anotherInstanceRunning());
    EXPECT_FALSE(channel.raiseAnotherInstance());
    EXPECT_FALSE(channel.listen());
    EXPECT_FALSE(platform::UnixEditorNotifier(folder).notify("MyEditorClass", 1067, "/web/p.val"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    for (int fd : queued) ::close(fd);
}

TEST(SocketFolder, IsAPrivateFolderUnderTheRuntimeDirectory) {
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().c_str());
    const auto folder = platform::socketFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, dir.path().string() + "/markwise/");
    EXPECT_EQ(modeOf(*folder), 0700u);
}

TEST(UnixEditorNotifier, WritesTheMessageNumberAndTheReportPathOnOneLine) {
    TempDir dir;
    const std::string folder = dir.path().string() + "/";
    Listener editor(folder + "TfHomeSiteMessageWindow");
    platform::UnixEditorNotifier notifier(folder);
    std::string received;
    std::thread reader([&] { received = editor.receive(); });
    EXPECT_TRUE(notifier.notify("TfHomeSiteMessageWindow", 1067, "/web/my page.val"));
    reader.join();
    EXPECT_EQ(received, "1067 /web/my page.val\n");

    // No listener, a class that is no plain file name, a path that would break the line.
    EXPECT_FALSE(notifier.notify("MyEditorClass", 1036, "/web/page.val"));
    for (const char* bad : {"", ".", "..", "../TfHomeSiteMessageWindow", "a/b"}) {
        EXPECT_FALSE(notifier.notify(bad, 1036, "/web/page.val")) << bad;
    }
    EXPECT_FALSE(notifier.notify("TfHomeSiteMessageWindow", 1067, "/web/a\nb.val"));
    EXPECT_FALSE(platform::UnixEditorNotifier("").notify("TfHomeSiteMessageWindow", 1067, "/x"));
}

TEST(IniSettingsStore, ABatchIsStoredOnceAtTheCommit) {
    TempDir dir;
    platform::SystemFiles files;
    const std::string path = dir.write("registry.ini", "[K]\nA=1\n");
    platform::IniSettingsStore store(files, path, "");
    store.beginBatch();
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, "K", "B", "2"));
    ASSERT_TRUE(store.write(SettingsRoot::CurrentUser, "K", "A", "3"));
    EXPECT_EQ(store.read(SettingsRoot::CurrentUser, "K", "A"), "3");
    EXPECT_EQ(readFile(path), "[K]\nA=1\n");
    ASSERT_TRUE(store.commitBatch());
    EXPECT_EQ(readFile(path), "[K]\nA=3\nB=2\n");
    EXPECT_TRUE(store.commitBatch());  // nothing open: nothing to do

    // A batch whose file cannot be written fails at the commit.
    platform::IniSettingsStore blocked(files, path + "/not-a-folder/registry.ini", "");
    blocked.beginBatch();
    EXPECT_TRUE(blocked.write(SettingsRoot::CurrentUser, "K", "A", "1"));
    EXPECT_FALSE(blocked.commitBatch());
}
