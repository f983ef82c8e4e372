// markwise-bench: the speed and memory of a whole validation of a large, realistic document.
//
// The benchmark generates a deterministic HTML document (head, navigation lists, paragraphs
// with inline tags and entities, tables, forms, comments, a few long lines and a few hundred
// sprinkled mistakes), writes it to a temporary file and frees it. A child process then runs
// the whole path several times: open the document, validate it with the default options
// (IncludeHTMLInOutput on, so the report lists every line) and write the report to a temporary
// file. The best run gives the speed; the child's peak resident set, compared with that of a
// child that only starts and exits, gives the memory the validation needs.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/options.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform_testing/fake_ui.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kTargetSpeed = 100.0;      // MB/s at least
constexpr double kTargetMemoryRatio = 4.0;  // peak memory below this many times the document
constexpr int kMaxRuns = 100;

constexpr std::string_view kUsage =
    "Usage: markwise-bench [--size MB] [--runs N] [--keep FILE] [--document FILE]\n"
    "                      [--text | --kv]\n"
    "\n"
    "Generates a realistic HTML document of about MB megabytes (default 10; 1 MB = 2^20\n"
    "bytes), validates it N times (default 5) with the default options, writing the report to\n"
    "a temporary file, and prints the document's size, the best time, the speed and the peak\n"
    "memory of the validation, then a verdict against the targets: at least 100 MB/s, and\n"
    "peak memory below 4 times the document's size.\n"
    "\n"
    "  --size MB    the document's size in megabytes (0.01 to 2000)\n"
    "  --runs N     the number of timed runs (1 to 100)\n"
    "  --keep FILE  also writes the generated document to FILE\n"
    "  --document FILE\n"
    "               measures FILE instead of a generated document (--size is then unused)\n"
    "  --text       prints the figures as sentences (the default)\n"
    "  --kv         prints the figures as KEY=VALUE lines\n"
    "\n"
    "Exit status: 0 when both targets are met, 1 when one is missed, 2 on a usage error or\n"
    "when the benchmark could not run.\n";

struct Settings {
    double sizeMiB = 10.0;
    int runs = 5;
    std::optional<std::string> keep;
    std::optional<std::string> document;
    bool kv = false;
};

// ---------------------------------------------------------------------------------------------
// The document.

// Builds the document from a fixed seed, so that every run of the benchmark sees the same
// bytes. Mistakes are spread evenly and limited in number, so that a report holds a few hundred
// messages whatever the size.
class DocumentGenerator {
  public:
    explicit DocumentGenerator(std::size_t targetBytes) : target_(targetBytes), random_(20261208) {}

    std::string generate() {
        out_.reserve(target_ + 64 * 1024);
        head();
        // Sections of about 3 KB each; a mistake goes into every n-th of them.
        std::size_t sections = std::max<std::size_t>(1, target_ / 3000);
        mistakeEvery_ = std::max<std::size_t>(1, sections / kMistakes);
        std::size_t section = 0;
        while (out_.size() < target_)
            article(section++);
        out_ +=
            "</div>\n<div class=\"footer\">&copy; 2026 Example Publishing &middot; "
            "<a href=\"/contact.html\">Contact</a></div>\n</body>\n</html>\n";
        return std::move(out_);
    }

  private:
    static constexpr std::size_t kMistakes = 150;

    static constexpr std::string_view kWords[] = {
        "the",     "validator", "reads",     "every",     "line",      "of",      "document",
        "and",     "checks",    "tags",      "against",   "rules",     "markup",  "author",
        "page",    "with",      "quoted",    "values",    "table",     "form",    "input",
        "report",  "numbered",  "message",   "warning",   "error",     "entity",  "comment",
        "server",  "block",     "nesting",   "attribute", "colour",    "width",   "height",
        "browser", "visitor",   "catalogue", "section",   "paragraph", "heading", "list",
        "a",       "an",        "in",        "on",        "for",       "to",      "is",
        "are",     "was",       "this",      "that",      "which",     "from",    "by"};
    static constexpr std::string_view kInline[] = {"b", "i", "em", "strong", "code", "span"};
    static constexpr std::string_view kEntities[] = {"&amp;",    "&lt;",   "&gt;",   "&quot;",
                                                     "&nbsp;",   "&copy;", "&#169;", "&#65;",
                                                     "&eacute;", "&mdash;"};

    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    std::string_view word() { return kWords[pick(std::size(kWords))]; }

    void words(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0) out_ += ' ';
            out_ += word();
        }
    }

    void head() {
        out_ +=
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
            "<html>\n<head>\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=us-ascii\">\n"
            "<meta name=\"description\" content=\"A long page of articles for the "
            "benchmark\">\n"
            "<title>Markwise benchmark page</title>\n"
            "<link rel=\"stylesheet\" type=\"text/css\" href=\"/styles/site.css\">\n"
            "<!-- Site navigation and the article list follow. -->\n"
            "</head>\n<body bgcolor=\"#FFFFFF\" text=\"#000000\" link=\"#0000CC\">\n"
            "<div class=\"page\">\n";
    }

    // A paragraph of one or more lines with inline tags, links and entities.
    void paragraph(bool longLine) {
        out_ += "<p class=\"text\">";
        std::size_t sentences = longLine ? 60 + pick(40) : 2 + pick(4);
        for (std::size_t s = 0; s < sentences; ++s) {
            words(4 + pick(6));
            switch (pick(6)) {
                case 0: {
                    std::string_view tag = kInline[pick(std::size(kInline))];
                    out_ += " <";
                    out_ += tag;
                    out_ += '>';
                    words(1 + pick(3));
                    out_ += "</";
                    out_ += tag;
                    out_ += '>';
                    break;
                }
                case 1:
                    out_ += " <a href=\"/articles/";
                    out_ += word();
                    out_ += "-";
                    out_ += std::to_string(pick(1000));
                    out_ += ".html\" title=\"";
                    words(2);
                    out_ += "\">";
                    words(1 + pick(2));
                    out_ += "</a>";
                    break;
                case 2:
                    out_ += ' ';
                    out_ += kEntities[pick(std::size(kEntities))];
                    break;
                default:
                    break;
            }
            out_ += ". ";
            // Ordinary paragraphs wrap like hand-written markup; long ones stay on one line.
            if (!longLine && pick(3) == 0) out_ += '\n';
        }
        out_ += "</p>\n";
    }

    void navigation() {
        out_ += "<ul class=\"nav\">\n";
        std::size_t items = 4 + pick(5);
        for (std::size_t i = 0; i < items; ++i) {
            out_ += "  <li><a href=\"/";
            out_ += word();
            out_ += "/index.html\">";
            words(1 + pick(2));
            out_ += "</a></li>\n";
        }
        out_ += "</ul>\n";
    }

    void table() {
        out_ +=
            "<table border=\"1\" cellpadding=\"2\" cellspacing=\"0\" width=\"100%\">\n"
            "<tr><th align=\"left\">Name</th><th>Count</th><th>Share</th></tr>\n";
        std::size_t rows = 3 + pick(6);
        for (std::size_t r = 0; r < rows; ++r) {
            out_ += "<tr><td>";
            words(2);
            out_ += "</td><td align=\"right\">";
            out_ += std::to_string(pick(100000));
            out_ += "</td><td align=\"right\" bgcolor=\"#EEEEEE\">";
            out_ += std::to_string(pick(100));
            out_ += "%</td></tr>\n";
        }
        out_ += "</table>\n";
    }

    void form() {
        out_ +=
            "<form method=\"post\" action=\"/cgi-bin/search\">\n"
            "<input type=\"text\" name=\"q\" size=\"30\" maxlength=\"80\" value=\"\">\n"
            "<select name=\"where\">\n"
            "<option value=\"all\" selected>Everywhere</option>\n"
            "<option value=\"title\">Titles</option>\n"
            "</select>\n"
            "<input type=\"checkbox\" name=\"exact\" checked> exact\n"
            "<input type=\"submit\" value=\"Search\">\n"
            "</form>\n";
    }

    // One mistake of a few kinds, each giving one or two messages.
    void mistake() {
        switch (mistakes_++ % 4) {
            case 0:
                out_ += "<p>Prices went up > 10 percent this year.</p>\n";  // stray '>'
                break;
            case 1:
                out_ += "<p>Fish &chips are on the &menu; today.</p>\n";  // unknown entities
                break;
            case 2:
                out_ += "<p>He said \"hello\" at the door.</p>\n";  // quotes in text
                break;
            default:
                out_ += "<p>A comment <!-- with a > inside --> here.</p>\n";  // comment warning
                break;
        }
    }

    void article(std::size_t number) {
        out_ += "<!-- Article ";
        out_ += std::to_string(number);
        out_ += " -->\n<div class=\"article\" id=\"a";
        out_ += std::to_string(number);
        out_ += "\">\n<h2>";
        words(3 + pick(4));
        out_ += "</h2>\n";
        if (number % 4 == 0) navigation();
        std::size_t paragraphs = 2 + pick(3);
        for (std::size_t p = 0; p < paragraphs; ++p)
            paragraph(pick(40) == 0);
        if (number % 3 == 0) table();
        if (number % 7 == 0) form();
        out_ += "<img src=\"/images/p";
        out_ += std::to_string(number % 500);
        out_ += ".gif\" width=\"120\" height=\"80\" alt=\"";
        words(2);
        out_ += "\" border=\"0\"><br>\n";
        if (number % mistakeEvery_ == 0 && mistakes_ < kMistakes) mistake();
        out_ += "</div>\n";
    }

    std::size_t target_;
    std::mt19937 random_;
    std::string out_;
    std::size_t mistakeEvery_ = 1;
    std::size_t mistakes_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Files.

bool writeFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// A temporary folder removed with everything in it when the benchmark ends.
class TempFolder {
  public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                              "/markwise-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        if (path_.empty()) return;
        ::unlink(document().c_str());
        ::unlink(report().c_str());
        ::rmdir(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    std::string document() const { return path_ + "/document.html"; }
    std::string report() const { return path_ + "/document.val"; }

  private:
    std::string path_;
};

// ---------------------------------------------------------------------------------------------
// The measured runs, in a child process.

// What the child sends back through the pipe.
struct ChildResult {
    int completed = 0;  // runs that returned 1
    int runs = 0;
    double seconds[kMaxRuns] = {};
    std::int64_t reportBytes = 0;
    int linesInFile = 0;
    int lastLine = 0;  // the line the scan ended on
    int linesChecked = 0;
    int errors = 0;
    int warnings = 0;
    int comments = 0;
    int tagNames = 0;
    int entities = 0;
};

ChildResult validateRuns(const std::string& documentName, const std::string& reportName, int runs) {
    ChildResult result;
    result.runs = runs;
    platform::SystemClock clock;
    platform::SystemFiles files;
    platform::FakeUserInterface ui;
    app::Options options = app::defaultOptions("");
    // The default limits stop a run at the 25th error or warning; the benchmark's document
    // holds a few hundred mistakes, and the whole document must be scanned.
    options.MaximumErrors = 9999;
    options.MaximumWarnings = 9999;
    options.lastOutputFilename = reportName;

    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        std::FILE* document = std::fopen(documentName.c_str(), "rb");
        std::FILE* report = std::fopen(reportName.c_str(), "w");
        if (document == nullptr || report == nullptr) {
            if (document != nullptr) std::fclose(document);
            if (report != nullptr) std::fclose(report);
            return result;
        }
        messages::MessageStore store(options);
        engine::Validator validator(options, store, clock, files);
        engine::RunContext context{document, report, documentName, reportName, &ui};
        int completed = validator.validateDocument(context);
        std::fclose(document);
        bool written = std::fclose(report) == 0;
        auto end = std::chrono::steady_clock::now();
        if (completed != 1 || !written) return result;
        ++result.completed;
        result.seconds[run] = std::chrono::duration<double>(end - start).count();

        const messages::RunCounters& counters = validator.counters();
        result.linesInFile = counters.linesInFile;
        result.lastLine = counters.currentLine;
        result.linesChecked = counters.linesChecked();
        result.tagNames = counters.tagNames;
        result.entities = counters.entities;
        result.errors = store.errors();
        result.warnings = store.warnings();
        result.comments = store.comments();
    }
    struct stat info {};
    if (::stat(reportName.c_str(), &info) == 0) result.reportBytes = info.st_size;
    return result;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Runs `work` in a child process and returns the child's peak resident set in KiB (or nothing
// when the child could not run); the child's result, if any, comes back through `result`.
template <typename Work>
std::optional<long> inChild(Work work, ChildResult* result) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::nullopt;
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        ChildResult childResult = work();
        bool sent = writeAll(pipeFds[1], &childResult, sizeof childResult);
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    ChildResult received;
    bool got = readAll(pipeFds[0], &received, sizeof received);
    ::close(pipeFds[0]);
    int status = 0;
    struct rusage usage {};
    pid_t waited;
    do {
        waited = ::wait4(pid, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    if (waited != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !got) {
        return std::nullopt;
    }
    if (result != nullptr) *result = received;
    return usage.ru_maxrss;  // KiB on Linux
}

// ---------------------------------------------------------------------------------------------
// The command line and the summary.

std::optional<std::string> parse(int argc, char** argv, Settings& settings, bool& help) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string_view(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--text") {
            settings.kv = false;
        } else if (arg == "--kv") {
            settings.kv = true;
        } else if (arg == "--size") {
            auto v = value();
            if (!v) return "--size needs a value";
            char* end = nullptr;
            std::string text(*v);
            double size = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != '\0' || !(size >= 0.01 && size <= 2000)) {
                return "--size must be a number of megabytes from 0.01 to 2000, not '" + text + "'";
            }
            settings.sizeMiB = size;
        } else if (arg == "--runs") {
            auto v = value();
            if (!v) return "--runs needs a value";
            std::string text(*v);
            char* end = nullptr;
            long runs = std::strtol(text.c_str(), &end, 10);
            if (end == text.c_str() || *end != '\0' || runs < 1 || runs > kMaxRuns) {
                return "--runs must be a whole number from 1 to 100, not '" + text + "'";
            }
            settings.runs = static_cast<int>(runs);
        } else if (arg == "--document") {
            auto v = value();
            if (!v) return "--document needs a file name";
            settings.document = std::string(*v);
        } else if (arg == "--keep") {
            auto v = value();
            if (!v) return "--keep needs a file name";
            settings.keep = std::string(*v);
        } else {
            return "unknown argument '" + std::string(arg) + "'";
        }
    }
    return std::nullopt;
}

class Summary {
  public:
    explicit Summary(bool kv) : kv_(kv) {}

    // One measure: its KEY=VALUE lines, or one sentence.
    void line(std::initializer_list<std::pair<const char*, std::string>> values,
              const std::string& sentence) {
        if (!kv_) {
            std::printf("%s\n", sentence.c_str());
            return;
        }
        for (const auto& [key, value] : values)
            std::printf("%s=%s\n", key, value.c_str());
    }

  private:
    bool kv_;
};

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    bool help = false;
    if (auto problem = parse(argc, argv, settings, help)) {
        std::fprintf(stderr, "markwise-bench: %s (see markwise-bench --help)\n", problem->c_str());
        return 2;
    }
    if (help) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return 0;
    }

    TempFolder folder;
    if (!folder.ok()) {
        std::fprintf(stderr, "markwise-bench: cannot create a temporary folder: %s\n",
                     std::strerror(errno));
        return 2;
    }

    // Generate and write the document, then free it before any child is started, so that the
    // children begin as small as the parent can be.
    std::int64_t documentBytes = 0;
    std::string documentName = folder.document();
    if (settings.document) {
        struct stat info {};
        if (::stat(settings.document->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            std::fprintf(stderr, "markwise-bench: %s: not a readable file\n",
                         settings.document->c_str());
            return 2;
        }
        documentName = *settings.document;
        documentBytes = static_cast<std::int64_t>(info.st_size);
        if (documentBytes == 0) {
            std::fprintf(stderr, "markwise-bench: %s is empty: nothing to measure\n",
                         settings.document->c_str());
            return 2;
        }
    } else {
        auto target = static_cast<std::size_t>(settings.sizeMiB * kMiB);
        std::string document = DocumentGenerator(target).generate();
        documentBytes = static_cast<std::int64_t>(document.size());
        if (!writeFile(folder.document(), document)) {
            std::fprintf(stderr, "markwise-bench: cannot write %s: %s\n", folder.document().c_str(),
                         std::strerror(errno));
            return 2;
        }
        if (settings.keep && !writeFile(*settings.keep, document)) {
            std::fprintf(stderr, "markwise-bench: cannot write %s: %s\n", settings.keep->c_str(),
                         std::strerror(errno));
            return 2;
        }
    }

    std::optional<long> baseline = inChild([] { return ChildResult{}; }, nullptr);
    ChildResult result;
    std::optional<long> peak = inChild(
        [&] { return validateRuns(documentName, folder.report(), settings.runs); }, &result);
    if (!baseline || !peak) {
        std::fprintf(stderr, "markwise-bench: the measuring process failed\n");
        return 2;
    }
    if (result.completed != settings.runs) {
        std::fprintf(stderr, "markwise-bench: validation run %d did not complete\n",
                     result.completed + 1);
        return 2;
    }

    std::vector<double> times(result.seconds, result.seconds + result.runs);
    std::sort(times.begin(), times.end());
    double best = times.front();
    double median = times[times.size() / 2];
    double documentMiB = static_cast<double>(documentBytes) / kMiB;
    double speed = documentMiB / best;
    double peakMiB = static_cast<double>(*peak) / 1024.0;
    double baselineMiB = static_cast<double>(*baseline) / 1024.0;
    double incrementMiB = std::max(0.0, peakMiB - baselineMiB);
    double ratio = incrementMiB / documentMiB;
    bool speedMet = speed >= kTargetSpeed;
    bool memoryMet = ratio < kTargetMemoryRatio;
    bool wholeDocument = result.lastLine == result.linesInFile;

    Summary out(settings.kv);
    out.line({{"document_bytes", std::to_string(documentBytes)}},
             "document:  " + (settings.document ? *settings.document : std::string("generated")) +
                 ", " + std::to_string(documentBytes) + " bytes (" + fixed(documentMiB, 2) +
                 " MB), " + std::to_string(result.linesInFile) + " lines");
    out.line({{"lines", std::to_string(result.linesInFile)},
              {"lines_checked", std::to_string(result.linesChecked)},
              {"tag_names", std::to_string(result.tagNames)},
              {"entities", std::to_string(result.entities)}},
             "checked:   " + std::to_string(result.linesChecked) + " lines, " +
                 std::to_string(result.tagNames) + " tag names, " +
                 std::to_string(result.entities) + " entities" +
                 (wholeDocument ? "" : " (the run stopped before the end of the document)"));
    out.line({{"errors", std::to_string(result.errors)},
              {"warnings", std::to_string(result.warnings)},
              {"comments", std::to_string(result.comments)}},
             "messages:  " + std::to_string(result.errors) + " errors, " +
                 std::to_string(result.warnings) + " warnings, " + std::to_string(result.comments) +
                 " validator comments");
    out.line({{"report_bytes", std::to_string(result.reportBytes)}},
             "report:    " + std::to_string(result.reportBytes) + " bytes");
    out.line({{"best_seconds", fixed(best, 4)},
              {"median_seconds", fixed(median, 4)},
              {"runs", std::to_string(result.runs)}},
             "time:      best " + fixed(best, 4) + " s, median " + fixed(median, 4) + " s of " +
                 std::to_string(result.runs) + " runs (open, validate, report written)");
    out.line({{"speed_mb_per_s", fixed(speed, 1)}}, "speed:     " + fixed(speed, 1) + " MB/s");
    out.line({{"peak_rss_kb", std::to_string(*peak)}},
             "peak:      " + fixed(peakMiB, 1) + " MB resident (child that validates)");
    out.line({{"baseline_rss_kb", std::to_string(*baseline)}},
             "baseline:  " + fixed(baselineMiB, 1) + " MB resident (child that only exits)");
    out.line({{"memory_increment_kb", std::to_string(*peak - *baseline)},
              {"memory_ratio", fixed(ratio, 2)}},
             "memory:    " + fixed(incrementMiB, 1) +
                 " MB above the baseline = " + fixed(ratio, 2) + " x the document");
    std::string verdict = speedMet && memoryMet ? "PASS" : "FAIL";
    out.line({{"verdict", verdict}}, "verdict:   " + verdict + ": speed " + fixed(speed, 1) +
                                         " MB/s " + (speedMet ? ">= " : "< ") +
                                         fixed(kTargetSpeed, 0) + " MB/s, memory " +
                                         fixed(ratio, 2) + " x " + (memoryMet ? "< " : ">= ") +
                                         fixed(kTargetMemoryRatio, 0) + " x the document");
    return speedMet && memoryMet ? 0 : 1;
}
