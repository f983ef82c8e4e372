// Fuzz target: one whole validation run on arbitrary bytes.
//
// Input layout: the first bytes, when present, choose the options and the configuration; the
// rest is the document.
//   bytes 0..3  one bit per option, option k in bit k % 8 of byte k / 8: the validator
//               group's first 23 on/off options in table order (CheckNesting ...
//               FirstTagAnywhere, bits 0..22), then Language, machineReadable, EnableLogging,
//               LogErrors, LogWarnings, LogIncludeHTML (bits 23..28); the defaults are
//               AB A7 04 10. Bit 29 (20 in byte 3) set validates without a configuration;
//               clear (and for an input shorter than 4 bytes) against the realistic HTML
//               Configuration, or, with bit 30 (40 in byte 3) set, against the shipped rules
//               for today's HTML (mkwise25.cfg beside the fuzz target, when the build made
//               it). Bit 31 (80 in byte 3) turns on the validator options of today's HTML that
//               follow in the table (AllowEmptyElementSlash ... CheckDuplicateIds)
//   bytes 4..5  LineLength: 20 + (big-endian word % 980); 00 23 is 55
//   bytes 6..7  MaximumErrors: 1 + (second byte % 40) when the first byte is below E0,
//               else 1 + (word % 9999); 00 18 is 25
//   bytes 8..9  MaximumWarnings, likewise
// An input shorter than the header leaves the options it does not reach at their defaults and
// validates an empty document.
//
// Each input is validated twice, with the run's shortcuts and without them (every tag read the
// general way): the two reports must be the same bytes. Each run builds its own message store
// and validator. Kept across inputs are the realistic configuration, built once (the validator
// only reads it), and the folder that receives the log file, which is emptied every few hundred
// runs so that it does not grow.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>


#include "options/options.h"
#include "engine/validator.h"
#include "messages/findings.h"
#include "messages/findings_writer.h"
#include "messages/message_store.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "realistic_config.h"

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr int kWithoutConfigurationBit = 29;
constexpr int kShippedConfigurationBit = 30;
constexpr int kTodaysHtmlBit = 31;
// The validator on/off options that have a bit of their own; those after them share one.
constexpr int kOwnBitOptions = 23;
constexpr unsigned kLogResetInterval = 256;

// Takes header bytes front first; a byte past the end of the input reads as absent.
class HeaderReader {
  public:
    HeaderReader(const std::uint8_t* data, std::size_t size)
        : data_(data), size_(size < kHeaderSize ? size : kHeaderSize) {}

    bool has(std::size_t count) const { return used_ + count <= size_; }
    std::uint8_t byte() { return data_[used_++]; }
    unsigned word() {
        unsigned high = byte();
        return (high << 8) | byte();
    }
    std::size_t used() const { return used_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// A limit: mostly small so that the limit stops are reached often, sometimes large.
int limitFrom(unsigned word) {
    unsigned low = word & 0xff;
    if ((word >> 8) < 0xe0) return 1 + static_cast<int>(low % 40);
    return 1 + static_cast<int>(word % 9999);
}

// The folder that holds the log file, created on first use (under TMPDIR, else /tmp) and
// removed at a normal exit.
class LogFolder {
  public:
    LogFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/markwise-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern;
            path_ = folder_ + "/log.txt";
        }
    }
    ~LogFolder() {
        if (folder_.empty()) return;
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }
    LogFolder(const LogFolder&) = delete;
    LogFolder& operator=(const LogFolder&) = delete;

    // The log file's path; every few hundred calls the file is deleted first.
    const std::string& path() {
        if (++uses_ % kLogResetInterval == 0) ::unlink(path_.c_str());
        return path_;
    }

  private:
    std::string folder_;
    std::string path_;
    unsigned uses_ = 0;
};

LogFolder& logFolder() {
    static LogFolder folder;
    return folder;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "validate_fuzz: %s\n", what);
    std::abort();
}

// The realistic configuration, built on first use and only read by the runs.
const CfgStore& realisticConfiguration() {
    static const std::unique_ptr<const CfgStore> configuration = [] {
        auto built = std::make_unique<CfgStore>();
        buildRealisticConfiguration(*built);
        return built;
    }();
    return *configuration;
}

// The shipped rules for today's HTML, loaded on first use from beside the fuzz target; the
// realistic configuration when they are not there.
const CfgStore& shippedConfiguration() {
    static const std::unique_ptr<const CfgStore> configuration = []() -> std::unique_ptr<CfgStore> {
        const std::string path = platform::programDirectory() + "mkwise25.cfg";
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) return nullptr;
        auto loaded = std::make_unique<CfgStore>();
        const bool ok = loaded->load(file, path) != 0;
        std::fclose(file);
        return ok ? std::move(loaded) : nullptr;
    }();
    return configuration ? *configuration : realisticConfiguration();
}

enum class Rules { None, Realistic, Shipped };

// Sets the options from the header; returns which configuration the run uses.
Rules chooseOptions(HeaderReader& header, options::Options& options) {
    std::uint32_t bits = 0;
    bool haveBits = header.has(4);
    if (haveBits) {
        for (int i = 0; i < 4; ++i) {
            bits |= static_cast<std::uint32_t>(header.byte()) << (8 * i);
        }
    }
    int bit = 0;
    auto next = [&](int& field) {
        if (haveBits) field = static_cast<int>((bits >> bit) & 1u);
        ++bit;
    };
    int validator = 0;
    for (const options::OptionInfo& info : options::optionTable()) {
        if (info.group != options::OptionGroup::Validator || info.type != options::OptionType::OnOff) {
            continue;
        }
        if (validator++ < kOwnBitOptions) {
            next(options.*(info.intField));
        } else if (haveBits) {
            options.*(info.intField) = static_cast<int>((bits >> kTodaysHtmlBit) & 1u);
        }
    }
    next(options.Language);
    next(options.machineReadable);
    next(options.EnableLogging);
    next(options.LogErrors);
    next(options.LogWarnings);
    next(options.LogIncludeHTML);

    if (header.has(2)) options.LineLength = 20 + static_cast<int>(header.word() % 980);
    if (header.has(2)) options.MaximumErrors = limitFrom(header.word());
    if (header.has(2)) options.MaximumWarnings = limitFrom(header.word());
    if (options.EnableLogging) options.LogFilename = logFolder().path();
    if (!haveBits) return Rules::Realistic;
    if ((bits >> kWithoutConfigurationBit) & 1u) return Rules::None;
    return (bits >> kShippedConfigurationBit) & 1u ? Rules::Shipped : Rules::Realistic;
}

// The lengths of the document's lines, split as the validation splits them (LF, CR, CR LF).
std::vector<std::size_t> lineLengths(std::string_view document) {
    std::vector<std::size_t> lengths;
    std::size_t start = 0;
    for (std::size_t i = 0; i < document.size(); ++i) {
        if (document[i] != '\n' && document[i] != '\r') continue;
        lengths.push_back(i - start);
        if (document[i] == '\r' && i + 1 < document.size() && document[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < document.size()) lengths.push_back(document.size() - start);
    return lengths;
}

// Every message points inside the document: a line of it and a column from 1 to one past the
// line's end; and the gnu form has a line per message.
void checkFindings(const messages::DocumentFindings& findings, std::string_view document) {
    const std::vector<std::size_t> lengths = lineLengths(document);
    for (const messages::Finding& finding : findings.findings) {
        const messages::Position at = finding.position;
        if (at.line <= 0 && lengths.empty()) continue;
        if (at.line < 1 || static_cast<std::size_t>(at.line) > lengths.size()) {
            fail("a message points at a line outside the document");
        }
        if (at.column < 1 ||
            static_cast<std::size_t>(at.column) > lengths[static_cast<std::size_t>(at.line - 1)] + 1) {
            fail("a message points at a column outside its line");
        }
    }
    // The gnu form keeps each message on one line whatever the document's bytes. (The JSON and
    // SARIF forms are the library's output; the tests parse them back.)
    std::string written;
    {
        messages::TextOut out(written);
        auto writer = messages::makeFindingsWriter(messages::FindingsFormat::Gnu);
        writer->begin(out);
        writer->document(out, findings);
        writer->end(out);
    }
    std::size_t lines = 0;
    for (char c : written) lines += c == '\n' ? 1 : 0;
    if (lines != findings.findings.size()) fail("the gnu form is not one line a message");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HeaderReader header(data, size);
    options::Options options = options::defaultOptions("");
    const Rules rules = chooseOptions(header, options);
    const CfgStore* configuration = rules == Rules::None        ? nullptr
                                    : rules == Rules::Shipped   ? &shippedConfiguration()
                                                                : &realisticConfiguration();

    // fmemopen needs a non-null buffer even for an empty document.
    static char empty[1] = {0};
    std::size_t documentSize = size - header.used();
    char* documentBytes =
        documentSize > 0 ? const_cast<char*>(reinterpret_cast<const char*>(data)) + header.used()
                         : empty;
    options.lastOutputFilename = "report.txt";

    struct Outcome {
        int completed = 0;
        int errors = 0;
        int warnings = 0;
        bool warningsTerminated = false;
        std::string report;
    };
    auto validate = [&](bool shortcuts) {
        std::FILE* document = ::fmemopen(documentBytes, documentSize, "rb");
        if (document == nullptr) fail("fmemopen failed");
        char* reportBytes = nullptr;
        std::size_t reportSize = 0;
        std::FILE* report = ::open_memstream(&reportBytes, &reportSize);
        if (report == nullptr) fail("open_memstream failed");

        platform::FakeClock clock;
        platform::SystemFiles files;
        platform::FakeUserInterface ui;
        Outcome outcome;
        {
            messages::MessageStore store(options);
            engine::Validator validator(options, store, clock, files, configuration);
            engine::RunContext context{document, report, "document.html", "report.txt", &ui};
            context.shortcuts = shortcuts;
            outcome.completed = validator.validateDocument(context);
            outcome.errors = store.errors();
            outcome.warnings = store.warnings();
            outcome.warningsTerminated = store.warningsTerminated();
            if (shortcuts) {
                messages::DocumentFindings findings =
                    messages::collectFindings(store, validator.counters(), options);
                findings.name = "document.html";
                checkFindings(findings, std::string_view(documentBytes, documentSize));
            }
        }
        std::fclose(document);
        std::fclose(report);
        outcome.report.assign(reportBytes, reportSize);
        std::free(reportBytes);
        return outcome;
    };
    const Outcome outcome = validate(true);
    if (validate(false).report != outcome.report) fail("the shortcuts changed the report");
    const int completed = outcome.completed;
    const int errors = outcome.errors;
    const int warnings = outcome.warnings;
    const bool warningsTerminated = outcome.warningsTerminated;

    // What every run must hold, whatever the document: a document held in memory is always
    // readable; the error limit is never passed (error 50 is the last error), except by the one
    // error 90 that ends a run at the warning limit; a warning that would reach the warning
    // limit is refused; the machine-readable form ends with its marker.
    if (completed != 1) fail("a readable document was reported as unreadable");
    if (errors > options.MaximumErrors + (warningsTerminated ? 1 : 0)) {
        fail("more errors than MaximumErrors");
    }
    if (warnings >= options.MaximumWarnings) fail("warnings reached MaximumWarnings");
    if (options.machineReadable) {
        constexpr std::string_view kEnd = "ENDOFFILE=YES\n";
        if (!std::string_view(outcome.report).ends_with(kEnd)) {
            fail("machine-readable report without ENDOFFILE=YES");
        }
    }
    return 0;
}
