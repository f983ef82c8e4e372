// Helpers shared by the tests: in-memory validation runs and temporary folders.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/options.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"

namespace testing_support {

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

// Options at their defaults, with no program directory.
app::Options testOptions();

// One validation of a document held in memory, its report captured.
struct RunResult {
    int returned = 0;
    std::string report;
    messages::RunCounters counters;
    platform::FakeUserInterface ui;
};

// Validates `document` (its name in the report is `name`) with `options`; `store` receives the
// messages when given.
RunResult validate(std::string_view document, const app::Options& options,
                   messages::MessageStore* store = nullptr,
                   std::string_view name = "test.html");

// The report in machine-readable form from the statistics on (the four header lines dropped).
std::string kvBody(std::string_view document, app::Options options);

}  // namespace testing_support
