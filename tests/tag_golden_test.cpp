// Golden cases for tag checking: tag names and their placement, nesting and closing rules,
// attributes and attribute values, and the character entities of the HTML Configuration.
//
// data/tags/configs/NAME.txt holds configuration entries in the text form, without the
// built-in entries: those are put in front of it here (the text form of a configuration
// reset to its built-in entries), so that the entries can name "(everywhere)", "(all)",
// "(undefined)", "(ignore all)" and the value types, and take the ids after the built-in
// ones. Each configuration is built once per test program into a temporary folder.
//
// Every other folder under data/tags is one case: document.html, `config` (the name of a
// configuration in configs/), `args` (further arguments, one per line, e.g. --set and
// MaximumErrors=99), expected.txt (the whole machine-readable output) and, optionally,
// `exit` (the expected exit code). markwise-check runs in the case folder with
// --config FILE --format kv, the args and document.html.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "config/text_form.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kTagsDir = fs::path(MARKWISE_TEST_DATA) / "tags";
const fs::path kConfigsDir = kTagsDir / "configs";

std::string readBytes(const fs::path& path) { return testing_support::readFile(path.string()); }

std::vector<std::string> readLines(const fs::path& path) {
    return testing_support::readLines(path.string());
}

// The built-in entries in the text form, with the header line that starts a configuration.
const std::string& builtinsText() {
    static const std::string text = [] {
        CfgStore store;
        store.resetToBuiltins();
        return config::writeTextForm(store);
    }();
    return text;
}

struct BuiltConfig {
    std::string path;   // the configuration file, empty when it could not be built
    std::string error;  // why not
};

// Builds configs/NAME.txt behind the built-in entries, once per test program.
const BuiltConfig& builtConfig(const std::string& name) {
    static testing_support::TempDir folder;
    static std::map<std::string, BuiltConfig> built;
    auto found = built.find(name);
    if (found != built.end()) return found->second;

    BuiltConfig result;
    const fs::path source = kConfigsDir / (name + ".txt");
    if (!fs::exists(source)) {
        result.error = "no configuration " + source.string();
    } else {
        const std::string text = builtinsText() + "\n" + readBytes(source);
        CfgStore store;
        const auto errors = config::readTextForm(text, store);
        if (!errors.empty()) {
            // Lines past the built-in text are counted in the case's own file.
            const int offset = static_cast<int>(std::count(builtinsText().begin(), builtinsText().end(), '\n')) + 1;
            for (const auto& error : errors) {
                result.error += source.filename().string() + ":" + std::to_string(error.line - offset) +
                                ": " + error.message + "\n";
            }
        } else {
            result.path = folder.write(name + ".cfg", store.serialize(0));
        }
    }
    return built.emplace(name, result).first->second;
}

// Runs markwise-check in `dir`.
testing_support::ProgramRun runChecker(const fs::path& dir, const std::vector<std::string>& args) {
    return testing_support::runProgram(MARKWISE_CHECK_EXE, dir, args);
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    if (!fs::is_directory(kTagsDir)) return names;
    for (const auto& entry : fs::directory_iterator(kTagsDir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && name != "configs") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class TagCase : public ::testing::TestWithParam<std::string> {};

TEST_P(TagCase, OutputMatches) {
    const fs::path dir = kTagsDir / GetParam();
    ASSERT_TRUE(fs::exists(dir / "document.html")) << "no document in " << dir;
    const std::vector<std::string> configName = readLines(dir / "config");
    ASSERT_EQ(1u, configName.size()) << "the config file names one configuration";
    const BuiltConfig& config = builtConfig(configName[0]);
    ASSERT_FALSE(config.path.empty()) << config.error;

    std::vector<std::string> args = {"--config", config.path, "--format", "kv"};
    if (fs::exists(dir / "args")) {
        for (const auto& arg : readLines(dir / "args"))
            args.push_back(arg);
    }
    args.push_back("document.html");

    const testing_support::ProgramRun run = runChecker(dir, args);
    EXPECT_EQ(readBytes(dir / "expected.txt"), run.out);
    if (fs::exists(dir / "exit")) {
        EXPECT_EQ(std::stoi(readBytes(dir / "exit")), run.exitCode);
    }
}

// Every configuration builds, also those no case uses yet.
TEST(TagCaseConfigs, Build) {
    ASSERT_TRUE(fs::is_directory(kConfigsDir));
    int count = 0;
    for (const auto& entry : fs::directory_iterator(kConfigsDir)) {
        if (entry.path().extension() != ".txt") continue;
        ++count;
        const BuiltConfig& config = builtConfig(entry.path().stem().string());
        EXPECT_FALSE(config.path.empty()) << config.error;
    }
    EXPECT_GE(count, 1);
}

TEST(TagCases, Present) {
    EXPECT_GE(caseNames().size(), 1u);
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    return testing_support::caseTestName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Tags, TagCase, ::testing::ValuesIn(caseNames()), testName);

}  // namespace
