// build/markwise run as a user runs it: a second windowed start, and command lines in console
// mode with their exit codes, the editor notice and the settings file.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

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
