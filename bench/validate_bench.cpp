// markwise-bench: the speed and memory of a whole validation of a large, realistic document.
//
// The benchmark generates a deterministic HTML document (head, navigation lists, paragraphs
// with inline tags and entities, tables, forms, comments, a few long lines and a few hundred
// sprinkled mistakes), writes it to a temporary file and frees it. A child process then runs
// the whole path several times: open the document, validate it with the default options
// (IncludeHTMLInOutput on, so the report lists every line), without a configuration or against
// the realistic HTML Configuration, and write the report to a temporary file. The best run
// gives the speed; the child's peak resident set, compared with that of a child that only
// starts and exits, gives the memory the validation needs.
//
// Two pathological documents check that the cost grows linearly: one list of unclosed items,
// and unclosed paragraphs followed by all their closing tags. --suite measures every document
// with and without the configuration, the pathological ones at full, half and quarter size,
// and checks that their time per byte stays flat.
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

#include "options/options.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform_testing/fake_ui.h"
#include "realistic_config.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kTargetSpeed = 100.0;           // MB/s at least, without a configuration
constexpr double kTargetSpeedConfigured = 50.0;  // MB/s at least, with the configuration
constexpr double kTargetMemoryRatio = 4.0;       // peak memory below this many times the document
// Linear cost: across the sizes of a pathological document the slowest time per byte is at
// most this many times the fastest (a cost growing with the square of the size would give 4
// between the full and the quarter size).
constexpr double kLinearityLimit = 1.5;
constexpr int kMinLinearRuns = 20;  // runs of each pathological document in --suite at least
constexpr int kMaxRuns = 100;
constexpr long kListItems = 500000;
constexpr long kParagraphs = 200000;
constexpr long kMaxItems = 50000000;

constexpr std::string_view kUsage =
    "Usage: markwise-bench [--size MB] [--runs N] [--keep FILE] [--document FILE]\n"
    "                      [--config none|realistic] [--generate KIND] [--items N]\n"
    "                      [--text | --kv]\n"
    "       markwise-bench --suite [--size MB] [--runs N] [--text | --kv]\n"
    "\n"
    "Generates a realistic HTML document of about MB megabytes (default 10; 1 MB = 2^20\n"
    "bytes), validates it N times (default 5) with the default options, writing the report to\n"
    "a temporary file, and prints the document's size, the best time, the speed and the peak\n"
    "memory of the validation, then a verdict against the targets: at least 100 MB/s without\n"
    "a configuration and 50 MB/s with the realistic HTML Configuration, and peak memory below\n"
    "4 times the document's size.\n"
    "\n"
    "  --size MB    the document's size in megabytes (0.01 to 2000)\n"
    "  --runs N     the number of timed runs (1 to 100)\n"
    "  --keep FILE  also writes the generated document to FILE\n"
    "  --document FILE\n"
    "               measures FILE instead of a generated document (--size is then unused)\n"
    "  --config none|realistic\n"
    "               validates without a configuration (the default) or against the realistic\n"
    "               HTML Configuration\n"
    "  --generate KIND\n"
    "               the generated document: articles (the realistic document, the default),\n"
    "               list (<ul>, then <li>item N times, never closed; N defaults to 500000) or\n"
    "               paragraphs (<p> N times, then </p> N times; N defaults to 200000); the\n"
    "               pathological documents have no speed or memory target\n"
    "  --items N    the N of --generate list or paragraphs (1 to 50000000)\n"
    "  --suite      measures the realistic document and both pathological ones (these at full,\n"
    "               half and quarter size), each with and without the configuration, and\n"
    "               checks the targets and that the time per byte of each pathological\n"
    "               document stays flat (the slowest at most 1.5 times the fastest); the\n"
    "               pathological documents run at least 20 times\n"
    "  --text       prints the figures as sentences (the default)\n"
    "  --kv         prints the figures as KEY=VALUE lines\n"
    "\n"
    "Exit status: 0 when every target is met, 1 when one is missed, 2 on a usage error or\n"
    "when the benchmark could not run.\n";

enum class ConfigChoice { None, Realistic };
enum class DocumentKind { Articles, List, Paragraphs };

struct Settings {
    double sizeMiB = 10.0;
    int runs = 5;
    std::optional<std::string> keep;
    std::optional<std::string> document;
    ConfigChoice config = ConfigChoice::None;
    DocumentKind kind = DocumentKind::Articles;
    std::optional<long> items;
    bool suite = false;
    bool kv = false;
};

const char* configName(ConfigChoice config) {
    return config == ConfigChoice::Realistic ? "realistic" : "none";
}

const char* kindName(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::List:
            return "list";
        case DocumentKind::Paragraphs:
            return "paragraphs";
        default:
            return "articles";
    }
}

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

// The pathological documents: a whole page whose body holds nothing but the one construct,
// one tag to a line.
constexpr std::string_view kPathologicalHead =
    "<html>\n<head>\n<title>Markwise benchmark page</title>\n</head>\n<body>\n";
constexpr std::string_view kPathologicalTail = "</body>\n</html>\n";

// One list of `items` items that are never closed; the list itself is closed at the end, past
// every open item.
std::string unclosedList(long items) {
    constexpr std::string_view kItem = "<li>item\n";
    std::string out(kPathologicalHead);
    out.reserve(out.size() + static_cast<std::size_t>(items) * kItem.size() + 64);
    out += "<ul>\n";
    for (long i = 0; i < items; ++i)
        out += kItem;
    out += "</ul>\n";
    out += kPathologicalTail;
    return out;
}

// `count` paragraphs opened one inside the other, then all their closing tags.
std::string unclosedParagraphs(long count) {
    constexpr std::string_view kOpen = "<p>paragraph\n";
    constexpr std::string_view kClose = "</p>\n";
    std::string out(kPathologicalHead);
    out.reserve(out.size() + static_cast<std::size_t>(count) * (kOpen.size() + kClose.size()) + 64);
    for (long i = 0; i < count; ++i)
        out += kOpen;
    for (long i = 0; i < count; ++i)
        out += kClose;
    out += kPathologicalTail;
    return out;
}

long defaultItems(DocumentKind kind) {
    return kind == DocumentKind::List ? kListItems : kParagraphs;
}

std::string generateDocument(DocumentKind kind, double sizeMiB, long items) {
    switch (kind) {
        case DocumentKind::List:
            return unclosedList(items);
        case DocumentKind::Paragraphs:
            return unclosedParagraphs(items);
        default:
            return DocumentGenerator(static_cast<std::size_t>(sizeMiB * kMiB)).generate();
    }
}

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

ChildResult validateRuns(const std::string& documentName, const std::string& reportName, int runs,
                         ConfigChoice config) {
    ChildResult result;
    result.runs = runs;
    // The configuration is built before the timed runs, as a program loads it once.
    CfgStore realistic;
    const CfgStore* configuration = nullptr;
    if (config == ConfigChoice::Realistic) {
        buildRealisticConfiguration(realistic);
        configuration = &realistic;
    }
    platform::SystemClock clock;
    platform::SystemFiles files;
    platform::FakeUserInterface ui;
    options::Options options = options::defaultOptions("");
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
        engine::Validator validator(options, store, clock, files, configuration);
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
        } else if (arg == "--config") {
            auto v = value();
            if (v == "none") {
                settings.config = ConfigChoice::None;
            } else if (v == "realistic") {
                settings.config = ConfigChoice::Realistic;
            } else {
                return "--config must be none or realistic";
            }
        } else if (arg == "--generate") {
            auto v = value();
            if (v == "articles") {
                settings.kind = DocumentKind::Articles;
            } else if (v == "list") {
                settings.kind = DocumentKind::List;
            } else if (v == "paragraphs") {
                settings.kind = DocumentKind::Paragraphs;
            } else {
                return "--generate must be articles, list or paragraphs";
            }
        } else if (arg == "--items") {
            auto v = value();
            if (!v) return "--items needs a value";
            std::string text(*v);
            char* end = nullptr;
            long items = std::strtol(text.c_str(), &end, 10);
            if (end == text.c_str() || *end != '\0' || items < 1 || items > kMaxItems) {
                return "--items must be a whole number from 1 to 50000000, not '" + text + "'";
            }
            settings.items = items;
        } else if (arg == "--suite") {
            settings.suite = true;
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
    void line(std::initializer_list<std::pair<std::string, std::string>> values,
              const std::string& sentence) {
        if (!kv_) {
            std::printf("%s\n", sentence.c_str());
            return;
        }
        for (const auto& [key, value] : values)
            std::printf("%s=%s\n", key.c_str(), value.c_str());
    }

  private:
    bool kv_;
};

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// ---------------------------------------------------------------------------------------------
// Measuring one document.

struct Measurement {
    std::int64_t documentBytes = 0;
    ChildResult result;
    long peakKiB = 0;
    long baselineKiB = 0;
    double best = 0;
    double median = 0;

    double documentMiB() const { return static_cast<double>(documentBytes) / kMiB; }
    double speed() const { return documentMiB() / best; }
    double nsPerByte() const { return best * 1e9 / static_cast<double>(documentBytes); }
    double peakMiB() const { return static_cast<double>(peakKiB) / 1024.0; }
    double baselineMiB() const { return static_cast<double>(baselineKiB) / 1024.0; }
    double incrementMiB() const { return std::max(0.0, peakMiB() - baselineMiB()); }
    double ratio() const { return incrementMiB() / documentMiB(); }
    bool wholeDocument() const { return result.lastLine == result.linesInFile; }
};

// Validates the document `runs` times in a child process; nothing (with a message) when the
// measuring failed.
std::optional<Measurement> measure(const std::string& documentName, std::int64_t documentBytes,
                                   const std::string& reportName, int runs, ConfigChoice config,
                                   long baselineKiB) {
    Measurement m;
    m.documentBytes = documentBytes;
    m.baselineKiB = baselineKiB;
    std::optional<long> peak =
        inChild([&] { return validateRuns(documentName, reportName, runs, config); }, &m.result);
    if (!peak) {
        std::fprintf(stderr, "markwise-bench: the measuring process failed\n");
        return std::nullopt;
    }
    if (m.result.completed != runs) {
        std::fprintf(stderr, "markwise-bench: validation run %d did not complete\n",
                     m.result.completed + 1);
        return std::nullopt;
    }
    m.peakKiB = *peak;
    std::vector<double> times(m.result.seconds, m.result.seconds + m.result.runs);
    std::sort(times.begin(), times.end());
    m.best = times.front();
    m.median = times[times.size() / 2];
    return m;
}

bool writeDocument(const std::string& path, std::string_view bytes) {
    if (writeFile(path, bytes)) return true;
    std::fprintf(stderr, "markwise-bench: cannot write %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
}

// Generates the document and writes it to `path` (and to `keep`) in a child process, so that
// the measuring children start as small as a fresh process: a child starts with the pages its
// parent holds, and a parent's heap keeps much of what it once held. Returns the size written.
std::optional<std::int64_t> generateInChild(DocumentKind kind, double sizeMiB, long items,
                                            const std::string& path,
                                            const std::optional<std::string>& keep) {
    ChildResult written;
    std::optional<long> ran = inChild(
        [&] {
            ChildResult result;
            std::string document = generateDocument(kind, sizeMiB, items);
            if (writeDocument(path, document) && (!keep || writeDocument(*keep, document))) {
                result.completed = 1;
            }
            return result;
        },
        &written);
    struct stat info {};
    if (!ran || written.completed != 1 || ::stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "markwise-bench: the document could not be generated\n");
        return std::nullopt;
    }
    return static_cast<std::int64_t>(info.st_size);
}

double speedTarget(ConfigChoice config) {
    return config == ConfigChoice::Realistic ? kTargetSpeedConfigured : kTargetSpeed;
}

// ---------------------------------------------------------------------------------------------
// One document.

int runSingle(const Settings& settings, const TempFolder& folder) {
    std::int64_t documentBytes = 0;
    std::string documentName = folder.document();
    std::string description;
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
        description = *settings.document;
    } else {
        const long items = settings.items.value_or(defaultItems(settings.kind));
        std::optional<std::int64_t> bytes = generateInChild(settings.kind, settings.sizeMiB, items,
                                                            folder.document(), settings.keep);
        if (!bytes) return 2;
        documentBytes = *bytes;
        description = "generated";
        if (settings.kind != DocumentKind::Articles) {
            description += std::string(" ") + kindName(settings.kind) + " of " +
                           std::to_string(items) + " items";
        }
    }

    std::optional<long> baseline = inChild([] { return ChildResult{}; }, nullptr);
    if (!baseline) {
        std::fprintf(stderr, "markwise-bench: the measuring process failed\n");
        return 2;
    }
    std::optional<Measurement> measured = measure(documentName, documentBytes, folder.report(),
                                                  settings.runs, settings.config, *baseline);
    if (!measured) return 2;
    const Measurement& m = *measured;
    const ChildResult& result = m.result;
    // The pathological documents are measured for linearity (--suite), not against targets.
    const bool targeted = settings.document || settings.kind == DocumentKind::Articles;
    const double target = speedTarget(settings.config);
    const bool speedMet = m.speed() >= target;
    const bool memoryMet = m.ratio() < kTargetMemoryRatio;

    Summary out(settings.kv);
    out.line({{"document_bytes", std::to_string(documentBytes)}},
             "document:  " + description + ", " + std::to_string(documentBytes) + " bytes (" +
                 fixed(m.documentMiB(), 2) + " MB), " + std::to_string(result.linesInFile) +
                 " lines");
    out.line(
        {{"config", configName(settings.config)}},
        std::string("config:    ") + (settings.config == ConfigChoice::Realistic
                                          ? "the realistic HTML Configuration"
                                          : "none (only what needs no configuration is checked)"));
    out.line({{"lines", std::to_string(result.linesInFile)},
              {"lines_checked", std::to_string(result.linesChecked)},
              {"tag_names", std::to_string(result.tagNames)},
              {"entities", std::to_string(result.entities)}},
             "checked:   " + std::to_string(result.linesChecked) + " lines, " +
                 std::to_string(result.tagNames) + " tag names, " +
                 std::to_string(result.entities) + " entities" +
                 (m.wholeDocument() ? "" : " (the run stopped before the end of the document)"));
    out.line({{"errors", std::to_string(result.errors)},
              {"warnings", std::to_string(result.warnings)},
              {"comments", std::to_string(result.comments)}},
             "messages:  " + std::to_string(result.errors) + " errors, " +
                 std::to_string(result.warnings) + " warnings, " + std::to_string(result.comments) +
                 " validator comments");
    out.line({{"report_bytes", std::to_string(result.reportBytes)}},
             "report:    " + std::to_string(result.reportBytes) + " bytes");
    out.line({{"best_seconds", fixed(m.best, 4)},
              {"median_seconds", fixed(m.median, 4)},
              {"runs", std::to_string(result.runs)}},
             "time:      best " + fixed(m.best, 4) + " s, median " + fixed(m.median, 4) + " s of " +
                 std::to_string(result.runs) + " runs (open, validate, report written)");
    out.line(
        {{"speed_mb_per_s", fixed(m.speed(), 1)}, {"ns_per_byte", fixed(m.nsPerByte(), 2)}},
        "speed:     " + fixed(m.speed(), 1) + " MB/s (" + fixed(m.nsPerByte(), 2) + " ns a byte)");
    out.line({{"peak_rss_kb", std::to_string(m.peakKiB)}},
             "peak:      " + fixed(m.peakMiB(), 1) + " MB resident (child that validates)");
    out.line({{"baseline_rss_kb", std::to_string(m.baselineKiB)}},
             "baseline:  " + fixed(m.baselineMiB(), 1) + " MB resident (child that only exits)");
    out.line({{"memory_increment_kb", std::to_string(m.peakKiB - m.baselineKiB)},
              {"memory_ratio", fixed(m.ratio(), 2)}},
             "memory:    " + fixed(m.incrementMiB(), 1) +
                 " MB above the baseline = " + fixed(m.ratio(), 2) + " x the document");
    if (!targeted) {
        out.line({{"verdict", "NONE"}},
                 "verdict:   none: a pathological document is checked for linear cost by "
                 "--suite");
        return 0;
    }
    std::string verdict = speedMet && memoryMet ? "PASS" : "FAIL";
    out.line({{"verdict", verdict}}, "verdict:   " + verdict + ": speed " + fixed(m.speed(), 1) +
                                         " MB/s " + (speedMet ? ">= " : "< ") + fixed(target, 0) +
                                         " MB/s, memory " + fixed(m.ratio(), 2) + " x " +
                                         (memoryMet ? "< " : ">= ") + fixed(kTargetMemoryRatio, 0) +
                                         " x the document");
    return speedMet && memoryMet ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------
// The suite.

struct SuiteCase {
    DocumentKind kind;
    ConfigChoice config;
    long items;  // list and paragraphs only
    std::optional<Measurement> measured;

    std::string key() const {
        std::string key = std::string(kindName(kind)) + "_" + configName(config);
        if (kind != DocumentKind::Articles) key += "_" + std::to_string(items);
        return key;
    }
};

int runSuite(const Settings& settings, const TempFolder& folder) {
    std::vector<SuiteCase> cases;
    for (ConfigChoice config : {ConfigChoice::Realistic, ConfigChoice::None}) {
        cases.push_back({DocumentKind::Articles, config, 0, std::nullopt});
    }
    for (DocumentKind kind : {DocumentKind::List, DocumentKind::Paragraphs}) {
        for (ConfigChoice config : {ConfigChoice::Realistic, ConfigChoice::None}) {
            for (long divisor : {1, 2, 4}) {
                cases.push_back({kind, config, defaultItems(kind) / divisor, std::nullopt});
            }
        }
    }

    std::optional<long> baseline = inChild([] { return ChildResult{}; }, nullptr);
    if (!baseline) {
        std::fprintf(stderr, "markwise-bench: the measuring process failed\n");
        return 2;
    }
    for (SuiteCase& c : cases) {
        std::optional<std::int64_t> bytes =
            generateInChild(c.kind, settings.sizeMiB, c.items, folder.document(), std::nullopt);
        if (!bytes) return 2;
        // The smallest pathological documents take about 10 ms, where the machine's noise
        // weighs most: they get more runs.
        const int runs = c.kind == DocumentKind::Articles ? settings.runs
                                                          : std::max(settings.runs, kMinLinearRuns);
        c.measured = measure(folder.document(), *bytes, folder.report(), runs, c.config, *baseline);
        if (!c.measured) return 2;
    }

    bool allMet = true;
    Summary out(settings.kv);
    if (!settings.kv) {
        std::printf("%-22s %-9s %9s %8s %7s %7s %8s %8s %7s %6s\n", "document", "config", "bytes",
                    "lines", "best s", "MB/s", "ns/byte", "peak MB", "memory", "errors");
    }
    for (const SuiteCase& c : cases) {
        const Measurement& m = *c.measured;
        const std::string key = c.key();
        std::string document = c.kind == DocumentKind::Articles
                                   ? "articles " + fixed(m.documentMiB(), 2) + " MB"
                                   : std::string(kindName(c.kind)) + " " + std::to_string(c.items);
        char row[256];
        std::snprintf(row, sizeof row, "%-22s %-9s %9lld %8d %7.4f %7.1f %8.2f %8.1f %6.2fx %6d",
                      document.c_str(), configName(c.config),
                      static_cast<long long>(m.documentBytes), m.result.linesInFile, m.best,
                      m.speed(), m.nsPerByte(), m.peakMiB(), m.ratio(), m.result.errors);
        out.line({{key + "_bytes", std::to_string(m.documentBytes)},
                  {key + "_best_seconds", fixed(m.best, 4)},
                  {key + "_speed_mb_per_s", fixed(m.speed(), 1)},
                  {key + "_ns_per_byte", fixed(m.nsPerByte(), 2)},
                  {key + "_peak_rss_kb", std::to_string(m.peakKiB)},
                  {key + "_memory_ratio", fixed(m.ratio(), 2)},
                  {key + "_errors", std::to_string(m.result.errors)}},
                 row);
        if (!m.wholeDocument()) {
            out.line({{key + "_whole_document", "no"}},
                     "  (" + key + ": the run stopped before the end of the document)");
            allMet = false;
        }
    }
    out.line({{"baseline_rss_kb", std::to_string(*baseline)}},
             "baseline: " + fixed(*baseline / 1024.0, 1) +
                 " MB resident (child that only exits); memory is the peak above it\n");

    // The targets of the realistic document.
    for (const SuiteCase& c : cases) {
        if (c.kind != DocumentKind::Articles) continue;
        const Measurement& m = *c.measured;
        const double target = speedTarget(c.config);
        const bool met = m.speed() >= target && m.ratio() < kTargetMemoryRatio;
        allMet = allMet && met;
        out.line({{c.key() + "_verdict", met ? "PASS" : "FAIL"}},
                 std::string(met ? "PASS" : "FAIL") + ": articles, config " + configName(c.config) +
                     ": " + fixed(m.speed(), 1) + " MB/s (target " + fixed(target, 0) +
                     "), memory " + fixed(m.ratio(), 2) + " x (target < " +
                     fixed(kTargetMemoryRatio, 0) + " x)");
    }
    // Linear cost: the time per byte of each pathological document at its three sizes, which
    // follow each other in `cases` from the full size down.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].kind == DocumentKind::Articles ||
            cases[i].items != defaultItems(cases[i].kind))
            continue;
        std::vector<double> perByte;
        std::string figures;
        for (std::size_t j = i; j < i + 3; ++j) {
            perByte.push_back(cases[j].measured->nsPerByte());
            figures += (j == i ? "" : " / ") + fixed(perByte.back(), 2);
        }
        const auto [fastest, slowest] = std::minmax_element(perByte.begin(), perByte.end());
        const double spread = *slowest / *fastest;
        const bool flat = spread <= kLinearityLimit;
        allMet = allMet && flat;
        const std::string key =
            std::string(kindName(cases[i].kind)) + "_" + configName(cases[i].config) + "_linearity";
        out.line({{key, fixed(spread, 2)}, {key + "_verdict", flat ? "PASS" : "FAIL"}},
                 std::string(flat ? "PASS" : "FAIL") + ": " + kindName(cases[i].kind) +
                     ", config " + configName(cases[i].config) + ": " + figures +
                     " ns a byte at full / half / quarter size, slowest / fastest " +
                     fixed(spread, 2) + " (linear: at most " + fixed(kLinearityLimit, 1) + ")");
    }
    out.line({{"verdict", allMet ? "PASS" : "FAIL"}},
             std::string("verdict: ") + (allMet ? "PASS" : "FAIL"));
    return allMet ? 0 : 1;
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
    if (settings.suite && (settings.document || settings.keep || settings.items)) {
        std::fprintf(stderr,
                     "markwise-bench: --suite generates its own documents: --document, --keep "
                     "and --items do not go with it\n");
        return 2;
    }

    TempFolder folder;
    if (!folder.ok()) {
        std::fprintf(stderr, "markwise-bench: cannot create a temporary folder: %s\n",
                     std::strerror(errno));
        return 2;
    }
    return settings.suite ? runSuite(settings, folder) : runSingle(settings, folder);
}
