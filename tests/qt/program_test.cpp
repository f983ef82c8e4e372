// build/markwise run as a user runs it: a second windowed start, and command lines in console
// mode with their exit codes, the editor notice and the settings file.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "display.h"
#include "platform/instance_channel.h"
#include "test_support.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// Sets environment variables for the life of the object (the programs run inherit them).
class Environment {
public:
    void set(const char* name, const std::string& value) {
        if (const char* old = std::getenv(name)) {
            saved_.emplace_back(name, std::string(old));
        } else {
            saved_.emplace_back(name, std::nullopt);
        }
        ::setenv(name, value.c_str(), 1);
    }
    void unset(const char* name) {
        set(name, "");
        ::unsetenv(name);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first, it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first);
            }
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

std::string socketFolder() { return std::string(std::getenv("XDG_RUNTIME_DIR")) + "/markwise/"; }

// An editor's listening socket.
class EditorWindow {
public:
    explicit EditorWindow(const std::string& windowClass) : path_(socketFolder() + windowClass) {
        fs::create_directories(socketFolder());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path_.c_str());
        ::unlink(path_.c_str());
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(fd_, 4), 0);
    }
    ~EditorWindow() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    std::string receive() {
        const int connection = ::accept(fd_, nullptr, nullptr);
        std::string text;
        char buffer[512];
        ssize_t got;
        while ((got = ::read(connection, buffer, sizeof buffer)) > 0) text.append(buffer, got);
        ::close(connection);
        return text;
    }

private:
    std::string path_;
    int fd_ = -1;
};

struct Program : ::testing::Test {
    TempDir dir;
    Environment env;
    void SetUp() override {
        env.set("XDG_CONFIG_HOME", dir.file("config"));
        env.set("MARKWISE_SYSTEM_REGISTRY", dir.file("system.ini"));
        env.set("MARKWISE_UI", "console");
        // No viewer is started: the question before it gets No without a terminal.
        fs::create_directories(dir.file("config/markwise"));
        dir.write("config/markwise/registry.ini",
                  "[SOFTWARE\\Brightfold\\Zentrel Markwise]\nAlwaysOpenViewer=0\n");
        dir.write("page.htm", "<html><body><p>Hello</p></body></html>\n");
    }
    testing_support::ProgramRun run(const std::vector<std::string>& args) {
        return testing_support::runProgram(MARKWISE_EXE, dir.path(), args);
    }
};

}  // namespace

TEST_F(Program, ValidatesADocumentAndEndsWithZero) {
    const auto result = run({"page.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("Markwise: Open Viewer?"), std::string::npos);
    const std::string settings = readFile(dir.file("config/markwise/registry.ini"));
    EXPECT_NE(settings.find("\nVersion=2.55\n"), std::string::npos);
    EXPECT_NE(settings.find("\nViewerFilename=xdg-open\n"), std::string::npos);
}

TEST_F(Program, AFailedCommandOrAnUnknownOptionEndsWithOne) {
    auto result = run({"missing.htm"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Markwise: Error Opening HTML Document: There was an error opening "
                              "the HTML document \"missing.htm\"."),
              std::string::npos);
    EXPECT_NE(result.err.find("Markwise: Error: There was some type of error"), std::string::npos);
    result = run({"-Q"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Markwise: Invalid Command Line: Markwise could not determine what "
                               "you want to do.\n\nMarkwise may be called",
                               0),
              0u);
    EXPECT_EQ(result.err.find("Markwise: Error:"), std::string::npos);
}

// On Qt's offscreen platform no one could answer a message box: a command line says what it
// has to say on standard error, answers its questions No, and ends.
TEST_F(Program, ACommandLineOnTheOffscreenPlatformNeverWaitsForABox) {
    env.set("MARKWISE_UI", "");
    for (const char* platform : {"offscreen", "minimal", "offscreen:fontconfig"}) {
        env.set("QT_QPA_PLATFORM", platform);
        auto result = testing_support::runProgram(MARKWISE_EXE, dir.path(), {"--help"}, 20);
        EXPECT_FALSE(result.timedOut) << platform;
        EXPECT_EQ(result.exitCode, 1) << platform;
        EXPECT_EQ(result.err.rfind("Markwise: Invalid Command Line:", 0), 0u) << result.err;
        result = testing_support::runProgram(MARKWISE_EXE, dir.path(), {"page.htm"}, 20);
        EXPECT_FALSE(result.timedOut) << platform;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.err.find("Markwise: Open Viewer?"), std::string::npos) << result.err;
    }
}

// A display that does not answer (DISPLAY left from an old session, an X server gone) is no
// display: Qt would end the process at once, so a command line runs on the console and the
// window says that it needs one.
TEST_F(Program, ADisplayThatDoesNotAnswerLeavesCommandLinesOnTheConsole) {
    env.set("MARKWISE_UI", "");
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    fs::create_directories(dir.file("runtime"));
    struct Display {
        const char* platform;  // nullptr: Qt is not told which to use
        const char* x;
        const char* wayland;
    };
    const Display displays[] = {{nullptr, ":97", nullptr},
                                {nullptr, nullptr, "no-compositor-here"},
                                {nullptr, ":97", "no-compositor-here"},
                                {"xcb", ":97", nullptr},
                                {"wayland;xcb", ":97", "no-compositor-here"}};
    for (const Display& display : displays) {
        const std::string what = std::string(display.platform ? display.platform : "-") + " " +
                                 (display.x ? display.x : "-") + " " +
                                 (display.wayland ? display.wayland : "-");
        const auto put = [&](const char* name, const char* value) {
            value ? env.set(name, value) : env.unset(name);
        };
        put("QT_QPA_PLATFORM", display.platform);
        put("DISPLAY", display.x);
        put("WAYLAND_DISPLAY", display.wayland);

        dir.write("tool page.htm", "<P>Hello</P>\n");
        auto result =
            testing_support::runProgram(MARKWISE_EXE, dir.path(), {"-L", "tool page.htm"}, 20);
        EXPECT_FALSE(result.timedOut) << what;
        EXPECT_EQ(result.exitCode, 0) << what << result.err;
        EXPECT_EQ(readFile(dir.file("tool page.htm")), "<p>Hello</p>\n") << what;

        result = testing_support::runProgram(MARKWISE_EXE, dir.path(), {"page.htm"}, 20);
        EXPECT_EQ(result.exitCode, 0) << what << result.err;
        EXPECT_NE(result.err.find("Markwise: Open Viewer?"), std::string::npos) << what;

        result = testing_support::runProgram(MARKWISE_EXE, dir.path(), {}, 20);
        EXPECT_EQ(result.exitCode, 1) << what;
        EXPECT_NE(result.err.find("the window needs a display, and none is available"),
                  std::string::npos)
            << what << result.err;
    }
}

// A display that takes the connection and never answers (an X server stopped, a tunnel left
// open) is no display either: the program asks for a few seconds and goes on without it.
TEST_F(Program, ADisplayThatTakesTheConnectionButNeverAnswersIsNoDisplay) {
    env.set("MARKWISE_UI", "");
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    fs::create_directories(dir.file("runtime"));
    env.unset("QT_QPA_PLATFORM");
    env.unset("WAYLAND_DISPLAY");
    // A listener on the port of an X display over TCP that takes no connection off its queue.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    int display = -1;
    for (int number = 40; number < 100 && display < 0; ++number) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(6000 + number));
        if (::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            display = number;
        }
    }
    ASSERT_GE(display, 0);
    ASSERT_EQ(::listen(silent, 8), 0);
    env.set("DISPLAY", "127.0.0.1:" + std::to_string(display));

    dir.write("tool page.htm", "<P>Hello</P>\n");
    const auto result =
        testing_support::runProgram(MARKWISE_EXE, dir.path(), {"-L", "tool page.htm"}, 30);
    ::close(silent);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir.file("tool page.htm")), "<p>Hello</p>\n");
}

// The display probe's answer comes through whatever the program was started with: a launcher
// that set SIGCHLD to be ignored leaves no child to wait for, and a yes is still a yes. A probe
// that takes too long, or ends without an answer, is a no.
TEST(DisplayProbe, AnswersWithinItsTimeWhateverSigchldIs) {
    for (const auto disposition : {SIG_DFL, SIG_IGN}) {
        const auto previous = std::signal(SIGCHLD, disposition);
        EXPECT_TRUE(gui::answersInTime([] { return true; }, 2000));
        EXPECT_FALSE(gui::answersInTime([] { return false; }, 2000));
        EXPECT_FALSE(gui::answersInTime([]() -> bool { ::_exit(3); }, 2000));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(gui::answersInTime(
            [] {
                ::sleep(30);
                return true;
            },
            200));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        std::signal(SIGCHLD, previous);
    }
}

TEST_F(Program, TheWindowOnTheConsoleSaysWhyItIsNotShown) {
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));  // no other window to bring forward
    fs::create_directories(dir.file("runtime"));
    const auto result = run({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "markwise: MARKWISE_UI=console shows no window; give a document or an "
                          "option to run one command on the console\n");
}

TEST_F(Program, ADocumentNameWithBlanksArrivesWhole) {
    dir.write("my page.htm", "<html><body><p>Hello</p></body></html>\n");
    const auto result = run({"-E,MyEditorClass,12", "my page.htm"});
    EXPECT_EQ(result.exitCode, 1);  // nobody listens
    EXPECT_TRUE(fs::exists(dir.file("my page.val")));
    EXPECT_NE(result.err.find("notify the MyEditorClass Window"), std::string::npos);
}

TEST_F(Program, EditorFormsNotifyWithTheReportsFullPath) {
    EditorWindow editor("MyEditorClass");
    auto result = run({"-E,MyEditorClass,12", "page.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(editor.receive(), "1036 " + dir.file("page.val") + "\n");
    EXPECT_NE(readFile(dir.file("page.val")).find("ENDOFFILE=YES"), std::string::npos);

    EditorWindow homeSite("TfHomeSiteMessageWindow");
    result = run({"-H", "page.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(homeSite.receive(), "1067 " + dir.file("page.val") + "\n");
}

TEST_F(Program, ValuesOfTheLegacyKeyAreTakenOver) {
    dir.write("system.ini", "[SOFTWARE\\Oldfield\\Zentrel Markwise]\nUseVALFilesInstead=1\n"
                            "DontViewIfUseVAL=1\nMaximumErrors=77\n");
    const auto result = run({"page.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir.file("page.val")));
    const std::string settings = readFile(dir.file("config/markwise/registry.ini"));
    EXPECT_NE(settings.find("\nMaximumErrors=77\n"), std::string::npos);
    EXPECT_NE(settings.find("\nUseVALFilesInstead=1\n"), std::string::npos);
}

TEST_F(Program, ASecondWindowedStartRaisesTheFirstAndEndsWithOne) {
    env.set("MARKWISE_UI", "qt");
    env.set("QT_QPA_PLATFORM", "offscreen");
    fs::create_directories(socketFolder());
    platform::UnixInstanceChannel first(socketFolder());
    ASSERT_TRUE(first.listen());
    const auto result = run({});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(first.takeRaiseRequests(), 1);
    EXPECT_FALSE(fs::exists(dir.file("config/markwise/registry.ini.new")));
}

// ---- The tools on the command line ------------------------------------------------------------

namespace {

// A page with every construct the case and strip tools care about: a declaration, a comment
// over two lines, a tag over two lines, '>' and the other quote inside quoted values, mixed
// line ends and no final line end.
const std::string kMixedPage =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n"
    "<HTML><!-- A <B>comment</B>\r"
    "   still the COMMENT --><BODY BGCOLOR=WHITE>\n"
    "<A HREF=\"Page.HTM?a>b\" TITLE='It\"s' TARGET=_TOP\r\n"
    "  CLASS=Nav>Text OUTSIDE</A>";

struct ToolRun {
    const char* option;
    std::string expected;
};

}  // namespace

TEST_F(Program, EachToolRewritesTheDocumentAndKeepsTheOriginalAsTheBackup) {
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    const ToolRun runs[] = {
        {"-L",
         "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
         "<html><!-- A <B>comment</B>\n"
         "   still the COMMENT --><body bgcolor=white>\n"
         "<a href=\"Page.HTM?a>b\" title='It\"s' target=_top\n"
         "  class=nav>Text OUTSIDE</a>\n"},
        {"-u",
         "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
         "<HTML><!-- A <B>comment</B>\n"
         "   still the COMMENT --><BODY BGCOLOR=WHITE>\n"
         "<A HREF=\"Page.HTM?a>b\" TITLE='It\"s' TARGET=_TOP\n"
         "  CLASS=NAV>Text OUTSIDE</A>\n"},
        {"-Sxyz", "\n\n\n\nText OUTSIDE\n"},
        {"-c", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
               "<HTML><!-- A <B>comment</B>\n"
               "   still the COMMENT --><BODY BGCOLOR=WHITE>\n"
               "<A HREF=\"Page.HTM?a>b\" TITLE='It\"s' TARGET=_TOP\n"
               "  CLASS=Nav>Text OUTSIDE</A>\n"},
    };
    for (const ToolRun& r : runs) {
        dir.write("site page.htm", kMixedPage);
        const auto result = run({r.option, "site page.htm"});
        EXPECT_EQ(result.exitCode, 0) << r.option << result.err;
        EXPECT_EQ(result.err, "") << r.option;
        EXPECT_EQ(readFile(dir.file("site page.htm")), r.expected) << r.option;
        EXPECT_EQ(readFile(dir.file("site page.bak")), kMixedPage) << r.option;
    }
}

TEST_F(Program, TheTemplateToolFillsItsRegionsAndItsErrorsEndWithOne) {
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    dir.write("nav.tpl", "<p class=\"$\"CLASS\"\">$\"TITLE\" costs $$$\"PRICE\"</p>\n");
    const std::string page =
        "<html>\n<!-- TEMPLATESTART\nTEMPLATE=nav.tpl\nTITLE=Bread\nCLASS=item\n"
        "PRICE:=\"2\" + \".50\"\n-->\nold text\n<!-- TEMPLATEEND -->\n</html>";
    dir.write("page.htm", page);
    auto result = run({"-T", "page.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(dir.file("page.htm")),
              "<html>\n<!-- TEMPLATESTART\nTEMPLATE=nav.tpl\nTITLE=Bread\nCLASS=item\n"
              "PRICE:=\"2\" + \".50\"\n-->\n<p class=\"item\">Bread costs $2.50</p>\n<!-- TEMPLATEEND -->\n"
              "</html>\n");
    EXPECT_EQ(readFile(dir.file("page.bak")), page);

    // A template that cannot be found: the document stays as it was, without a backup.
    const std::string broken =
        "<!-- TEMPLATESTART\nTEMPLATE=missing.tpl\n-->\n<!-- TEMPLATEEND -->\n";
    dir.write("broken.htm", broken);
    result = run({"-t", "broken.htm"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(readFile(dir.file("broken.htm")), broken);
    EXPECT_FALSE(std::filesystem::exists(dir.file("broken.bak")));
    EXPECT_NE(result.err.find("missing.tpl"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("\nMarkwise: Error: There was some type of error performing the "
                              "operation."),
              std::string::npos)
        << result.err;
}

// A tool whose messages go to a pipe that nobody reads any more (its output piped into a
// command that has ended) still puts the document back and takes its backup away.
TEST_F(Program, AToolFailureSaidToAPipeWithoutReaderLeavesTheDocumentAsItWas) {
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    const std::string broken =
        "<!-- TEMPLATESTART\nTEMPLATE=missing.tpl\n-->\nold text\n<!-- TEMPLATEEND -->\n";
    dir.write("broken.htm", broken);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const std::string folder = dir.path().string();
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(ends[1], STDOUT_FILENO);
        ::dup2(ends[1], STDERR_FILENO);
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        ::execl(MARKWISE_EXE, MARKWISE_EXE, "-T", "broken.htm", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile(dir.file("broken.htm")), broken);
    EXPECT_FALSE(fs::exists(dir.file("broken.bak")));
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".broken.htm."), std::string::npos)
            << entry.path();
    }
}

TEST_F(Program, ToolFailuresNameTheirCauseAndEndWithOne) {
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    const std::string general =
        "Markwise: Error: There was some type of error performing the operation. Please make sure "
        "that the program is set-up properly and that you are supplying all necessary and valid "
        "information with the command line. See the help system for more detailed information.\n";

    dir.write("page.bak", "the only copy");
    auto result = run({"-L", "page.bak"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "Markwise: Cannot Process .bak Files: The filename to process (page.bak) and the "
              "filename Markwise uses as a backup file are identical. Markwise cannot continue "
              "with this operation.\n" + general);
    EXPECT_EQ(readFile(dir.file("page.bak")), "the only copy");

    result = run({"-U", "absent.htm"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "Markwise: Error Locating File: There was an error trying to locate the file "
              "\"absent.htm\". Markwise cannot continue with this operation.\n" + general);

    // A folder in the backup's place cannot be deleted: the document stays as it was.
    std::filesystem::create_directories(dir.file("index.bak"));
    dir.write("index.html", "<P>x</P>");
    result = run({"-L", "index.html"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "Markwise: Error Deleting File: An error occurred while attempting to delete the "
              "backup file \"index.bak\". Markwise cannot continue with this operation.\n" +
                  general);
    EXPECT_EQ(readFile(dir.file("index.html")), "<P>x</P>");
}

TEST_F(Program, TheToolsFollowTheStoredOptions) {
    env.set("XDG_RUNTIME_DIR", dir.file("runtime"));
    dir.write("config/markwise/registry.ini",
              "[SOFTWARE\\Brightfold\\Zentrel Markwise]\nCreateBAKFiles=0\nConvertToFileType=0\n"
              "FileType=1\n");
    dir.write("notes.txt", "one\ntwo\r\nthree");
    auto result = run({"-C", "notes.txt"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir.file("notes.txt")), "one\r\ntwo\r\nthree\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("notes.bak")));

    dir.write("page.htm", "<P>a</P>\n<BR>\n");
    result = run({"-L", "page.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir.file("page.htm")), "<p>a</p>\r<br>\r");

    // An empty document stays empty.
    dir.write("empty.htm", "");
    result = run({"-S", "empty.htm"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir.file("empty.htm")), "");
}
