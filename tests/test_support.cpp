#include "test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "app/check_command.h"
#include "config/text_form.h"

namespace testing_support {

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("markwise-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const {
    std::string path = file(name);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string caseTestName(std::string folder) {
    for (char& c : folder) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return folder;
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(readFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

ProgramRun runProgram(const std::string& program, const std::filesystem::path& folder,
                      const std::vector<std::string>& args, int timeoutSeconds) {
    TempDir outputs;
    const std::string outPath = outputs.file("stdout");
    const std::string errPath = outputs.file("stderr");
    ProgramRun run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        int in = ::open("/dev/null", O_RDONLY);
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<std::string> words = args;
        words.insert(words.begin(), program);
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    // A program that hangs (waiting on a FIFO, say) is killed after the time limit, so that
    // the test fails instead of never ending.
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (pid > 0) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
            break;
        }
        if (done < 0) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            run.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

options::Options testOptions() { return options::defaultOptions(""); }

RunResult validate(std::string_view document, const options::Options& options,
                   messages::MessageStore* store, std::string_view name,
                   const CfgStore* configuration, bool shortcuts) {
    RunResult result;
    // fmemopen needs a buffer even for an empty document.
    std::string bytes(document);
    bytes.push_back('\0');
    std::FILE* input = fmemopen(bytes.data(), document.size(), "rb");
    if (document.empty()) {
        std::fclose(input);
        input = std::tmpfile();
    }
    char* reportData = nullptr;
    std::size_t reportSize = 0;
    std::FILE* report = open_memstream(&reportData, &reportSize);

    messages::MessageStore ownStore(options);
    messages::MessageStore& used = store ? *store : ownStore;
    platform::FakeClock clock;
    platform::SystemFiles files;
    engine::Validator validator(options, used, clock, files, configuration);
    engine::RunContext context{input, report, std::string(name), "report.txt", &result.ui};
    context.shortcuts = shortcuts;
    result.returned = validator.validateDocument(context);
    result.counters = validator.counters();
    std::fclose(report);
    std::fclose(input);
    result.report.assign(reportData, reportSize);
    std::free(reportData);
    return result;
}

int validateInto(messages::MessageStore& store, std::string_view document,
                 const options::Options& options, const CfgStore* configuration,
                 platform::UserInterface* ui, bool shortcuts) {
    platform::FakeClock clock;
    platform::SystemFiles files;
    engine::Validator validator(options, store, clock, files, configuration);
    std::string bytes(document);
    struct Discard : messages::ByteSink {
        bool write(std::string_view) override { return true; }
    } report;
    engine::RunContext context{nullptr, nullptr, "t.html", "r.txt", ui};
    context.documentBytes = &bytes;
    context.reportSink = &report;
    context.shortcuts = shortcuts;
    return validator.validateDocument(context);
}

std::string kvBody(std::string_view document, options::Options options) {
    options.machineReadable = 1;
    std::string report = validate(document, options).report;
    std::size_t start = report.find("LINESCHECKED=");
    return start == std::string::npos ? report : report.substr(start);
}

InProcessCheck checkInProcess(const std::vector<std::string>& args, const std::string& programDirectory,
                              platform::FileSystem& fs) {
    char* outData = nullptr;
    std::size_t outSize = 0;
    char* errData = nullptr;
    std::size_t errSize = 0;
    std::FILE* out = open_memstream(&outData, &outSize);
    std::FILE* err = open_memstream(&errData, &errSize);
    platform::FakeUserInterface ui;
    platform::FakeClock clock;
    platform::SystemFiles files;
    app::CheckEnvironment env{out, err, ui, clock, files, programDirectory, &fs};
    InProcessCheck result{app::runCheckCommand(args, env), {}, {}};
    std::fclose(out);
    std::fclose(err);
    result.out.assign(outData, outSize);
    result.err.assign(errData, errSize);
    std::free(outData);
    std::free(errData);
    return result;
}

bool buildConfiguration(std::string_view entries, CfgStore& store) {
    CfgStore builtins;
    builtins.resetToBuiltins();
    const auto errors = config::readTextForm(config::writeTextForm(builtins) + std::string(entries), store);
    for (const auto& error : errors) ADD_FAILURE() << error.line << ": " << error.message;
    return errors.empty();
}

const CfgStore& sharedConfiguration(std::string_view entries) {
    static std::map<std::string, std::unique_ptr<CfgStore>, std::less<>> built;
    auto found = built.find(entries);
    if (found == built.end()) {
        auto store = std::make_unique<CfgStore>();
        buildConfiguration(entries, *store);
        found = built.emplace(std::string(entries), std::move(store)).first;
    }
    return *found->second;
}

std::vector<std::string> kvFaults(const std::string& kv) {
    std::istringstream in(kv);
    std::vector<std::string> faults;
    std::string line;
    std::string type;
    std::string number;
    while (std::getline(in, line)) {
        if (line.starts_with("MESSAGETYPE=")) {
            type = line.substr(12);
            number.clear();
        } else if (line.starts_with("LINENUMBER=")) {
            number = line.substr(11);
        } else if (line.starts_with("MESSAGE=") && (type == "ERROR" || type == "WARNING")) {
            faults.push_back(type.substr(0, 1) + number + ":" + line.substr(8));
        }
    }
    return faults;
}

}  // namespace testing_support
