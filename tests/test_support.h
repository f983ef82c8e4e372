// Helpers shared by the tests: in-memory validation runs and temporary folders.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"
#include "options/options.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"

namespace testing_support {

// A build with AddressSanitizer, whose allocator takes the C library's place and reserves
// address space of its own.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// Builds configuration file bytes by hand: little-endian 32-bit integers, string records
// (marker 1, length, bytes) and integer-list records (marker 1, count, elements).
class FileBytes {
public:
    FileBytes& i32(std::int32_t value) {
        const auto raw = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<char>(raw >> shift & 0xFF));
        return *this;
    }
    FileBytes& str(std::string_view text) {
        i32(1).i32(static_cast<std::int32_t>(text.size()));
        out_.append(text);
        return *this;
    }
    FileBytes& list(const std::vector<std::int32_t>& values) {
        i32(1).i32(static_cast<std::int32_t>(values.size()));
        for (std::int32_t value : values) i32(value);
        return *this;
    }
    const std::string& bytes() const { return out_; }

private:
    std::string out_;
};

// A folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }
    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

std::string readFile(const std::string& path);

// A case folder's name as a test name: every character but letters and digits becomes "_".
std::string caseTestName(std::string folder);

// The non-empty lines of a file, without their line ends (LF or CR LF).
std::vector<std::string> readLines(const std::string& path);

// What a program run printed and how it ended.
struct ProgramRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
    bool timedOut = false;  // killed after the time limit
};

// Runs `program` with `args` in `folder`, with an empty standard input, and captures its
// standard output and standard error; a run longer than `timeoutSeconds` is killed.
ProgramRun runProgram(const std::string& program, const std::filesystem::path& folder,
                      const std::vector<std::string>& args, int timeoutSeconds = 60);

// Options at their defaults, with no program directory.
options::Options testOptions();

// One validation of a document held in memory, its report captured.
struct RunResult {
    int returned = 0;
    std::string report;
    messages::RunCounters counters;
    platform::FakeUserInterface ui;
};

// Validates `document` (its name in the report is `name`) with `options`, against
// `configuration` when given; `store` receives the messages when given. `shortcuts` false
// reads every tag the general way (engine::RunContext::shortcuts).
RunResult validate(std::string_view document, const options::Options& options,
                   messages::MessageStore* store = nullptr,
                   std::string_view name = "test.html",
                   const CfgStore* configuration = nullptr, bool shortcuts = true);

// Validates `document`, held in memory, into `store` against `configuration` (none when null),
// the report thrown away; `ui` owns the run's boxes when given. Returns what the validator
// returned.
int validateInto(messages::MessageStore& store, std::string_view document,
                 const options::Options& options, const CfgStore* configuration,
                 platform::UserInterface* ui = nullptr, bool shortcuts = true);

// The report in machine-readable form from the statistics on (the four header lines dropped).
std::string kvBody(std::string_view document, options::Options options);

// markwise-check run in this process, with a clock that does not move and a quiet user
// interface, its standard output and standard error captured; `programDirectory` is where it
// looks for its profiles, and every file call goes through `fs`.
struct InProcessCheck {
    int exitCode = 0;
    std::string out;
    std::string err;
};
InProcessCheck checkInProcess(const std::vector<std::string>& args, const std::string& programDirectory,
                              platform::FileSystem& fs);

// The built-in entries followed by `entries` in the text form, read into `store`; a mistake in
// the text fails the calling test with its line, and the result is false.
bool buildConfiguration(std::string_view entries, CfgStore& store);
// The configuration buildConfiguration() makes of `entries`, built once for the whole test
// program and kept (a test file's entries are one constant text).
const CfgStore& sharedConfiguration(std::string_view entries);

// The errors and warnings of a machine-readable report in its order, each as
// "E<line>:<text>" or "W<line>:<text>".
std::vector<std::string> kvFaults(const std::string& kv);

}  // namespace testing_support
