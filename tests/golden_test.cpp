// Golden cases for the batch validator: every folder under data/golden holds a document
// (document.html or document.txt), the command-line arguments to validate it with (one
// per line, possibly naming further documents of the folder, which are validated first),
// the exact expected standard output and, optionally, the expected exit code in `exit`.
// markwise-check runs with the case folder as its working directory and the documents
// named relatively, so the file names in the reports are stable. For the text report the
// date lines of the header (between the file line and the blank line that ends the
// header) change with the clock and the file's time: they are checked for their shape
// and dropped before comparing.
//
// A case whose args contain "@LOG@" gets a fresh log file path in its place. With an
// expected-log.txt beside it, the log written by the run must equal that file once its
// date and time lines ("Val Date:", "Val Time:", "Doc Date:", "Doc Time:") are dropped;
// without one, no log file may be written.
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGoldenDir = fs::path(MARKWISE_TEST_DATA) / "golden";

std::string readFile(const fs::path& path) { return testing_support::readFile(path.string()); }

std::vector<std::string> readArgs(const fs::path& path) {
    return testing_support::readLines(path.string());
}

// The document of a case: the file named "document" with any extension. Other documents
// of a case (validated before it in the same run) are named in its args.
std::string documentName(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().stem() == "document") return entry.path().filename().string();
    }
    return {};
}

// Runs markwise-check in `dir`.
testing_support::ProgramRun runChecker(const fs::path& dir, const std::vector<std::string>& args) {
    return testing_support::runProgram(MARKWISE_CHECK_EXE, dir, args);
}

bool isTextForm(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--format") return args[i + 1] == "text";
    }
    return true;
}

// Splits text into lines, each keeping its newline.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        else
            ++end;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// Drops the header's date lines: the header is a separator (a blank line and 50 dashes),
// a blank line, the program line, the file line, the date lines and a blank line. Only
// the first report of the output is looked at; text cases validate one document. The
// dropped lines are returned in `dateLines`.
std::string dropDateLines(const std::string& report, std::vector<std::string>& dateLines) {
    std::vector<std::string> lines = splitLines(report);
    const std::size_t first = 5;
    std::size_t last = first;
    while (last < lines.size() && lines[last] != "\n")
        ++last;
    if (last < lines.size()) {
        const auto from = lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, last));
        const auto to = lines.begin() + static_cast<std::ptrdiff_t>(last);
        dateLines.assign(from, to);
        lines.erase(from, to);
    }
    std::string joined;
    for (const auto& line : lines)
        joined += line;
    return joined;
}

// The document exists, so its date line comes before the validation date line; both are
// full sentences. In English their openings are fixed.
void checkDateLines(const std::string& report, const std::vector<std::string>& dateLines) {
    ASSERT_EQ(2u, dateLines.size()) << "expected the file date and the validation date lines";
    for (const auto& line : dateLines)
        EXPECT_EQ(".\n", line.substr(line.size() - 2)) << line;
    if (report.find("\nValidating file \"") != std::string::npos) {
        EXPECT_EQ(0u, dateLines[0].rfind("File date is ", 0)) << dateLines[0];
        EXPECT_NE(std::string::npos, dateLines[0].find(" at ")) << dateLines[0];
        EXPECT_EQ(0u, dateLines[1].rfind("File validated on ", 0)) << dateLines[1];
        EXPECT_NE(std::string::npos, dateLines[1].find(" at ")) << dateLines[1];
    }
}

std::string dropLogDateLines(const std::string& log) {
    std::string kept;
    for (const auto& line : splitLines(log)) {
        const bool dated = line.rfind("Val Date: ", 0) == 0 || line.rfind("Val Time: ", 0) == 0 ||
                           line.rfind("Doc Date: ", 0) == 0 || line.rfind("Doc Time: ", 0) == 0;
        if (!dated) kept += line;
    }
    return kept;
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    if (!fs::is_directory(kGoldenDir)) return names;
    for (const auto& entry : fs::directory_iterator(kGoldenDir)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenCase : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenCase, OutputMatches) {
    const fs::path dir = kGoldenDir / GetParam();
    const std::string document = documentName(dir);
    ASSERT_FALSE(document.empty()) << "no document in " << dir;
    std::vector<std::string> args = readArgs(dir / "args");
    const bool text = isTextForm(args);
    // These cases check what the scanner finds on its own; the tag cases under data/tags run
    // with configurations of their own.
    args.insert(args.begin(), "--scan-only");
    args.push_back(document);

    const fs::path logPath =
        fs::path(::testing::TempDir()) / ("markwise-golden-" + GetParam() + ".log");
    bool usesLog = false;
    for (auto& arg : args) {
        const std::size_t at = arg.find("@LOG@");
        if (at != std::string::npos) {
            arg.replace(at, 5, logPath.string());
            usesLog = true;
        }
    }
    if (usesLog) fs::remove(logPath);

    const testing_support::ProgramRun run = runChecker(dir, args);
    std::vector<std::string> dateLines;
    const std::string actual = text ? dropDateLines(run.out, dateLines) : run.out;
    EXPECT_EQ(readFile(dir / "expected.txt"), actual);
    if (text && !run.out.empty()) checkDateLines(run.out, dateLines);

    if (fs::exists(dir / "exit")) {
        EXPECT_EQ(std::stoi(readFile(dir / "exit")), run.exitCode);
    }

    if (usesLog) {
        if (fs::exists(dir / "expected-log.txt")) {
            ASSERT_TRUE(fs::exists(logPath)) << "no log written";
            EXPECT_EQ(readFile(dir / "expected-log.txt"), dropLogDateLines(readFile(logPath)));
        } else {
            EXPECT_FALSE(fs::exists(logPath)) << "a log was written although logging is off";
        }
        fs::remove(logPath);
    }
}

TEST(GoldenCases, Present) {
    EXPECT_GE(caseNames().size(), 1u);
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    return testing_support::caseTestName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenCase, ::testing::ValuesIn(caseNames()), testName);

}  // namespace
