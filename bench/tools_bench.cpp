// markwise-tools-bench: the speed and memory of the text tools and the template tool.
//
// Each tool runs through the tools driver exactly as `markwise -L` (and -U, -S, -T, -C) does in
// command-line mode: rename the document to its backup, read it, process it, write the result
// beside it, flush it to the disk, put it in place, delete the older backup. Three documents are
// generated (fixed content, the same bytes in every run):
//
//   page     a realistic page of about --size MB (default 10): articles of about 3 KB with
//            headings, paragraphs with inline tags in upper and lower case, quoted and unquoted
//            attribute values (some with ">" inside), comments, a table in every 3rd article, a
//            template region at the top; CR LF line ends;
//   large    the same page at 100 MB (memory);
//   oneline  one line of 10 MB: the page's markup with its line ends taken out (memory).
//
// For every tool and document a child process restores the document from a master copy before
// each run (not timed) and times the driver; the best of N runs gives the speed. A "copy" row
// gives the floor on the same folder: the document read whole and written back through the
// file policy (temporary file, flush to the disk, rename), with no work per byte. The child's
// peak resident set minus that of a child that only exits gives the memory the tool needs. The
// documents are generated in children of their own, so that the measuring children start as
// small as a fresh process. 1 MB = 2^20 bytes.
//
// Targets: every tool at least 200 MB/s on the page, and peak memory below 3 times the
// document's size on every document. The work runs in a memory-backed folder (/dev/shm) by
// default, so that the speed is the tools' own and not the disk's: on a disk, flushing the
// result to it (which every replacement does) takes most of the time; --dir measures there.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/options.h"
#include "platform/file_policy.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "tools/text_tools.h"
#include "tools/tool_driver.h"

namespace {

namespace fs = std::filesystem;

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kTargetSpeed = 200.0;  // MB/s at least, every tool on the page
constexpr double kTargetMemoryRatio = 3.0;

constexpr std::string_view kUsage =
    "Usage: markwise-tools-bench [--size MB] [--runs N] [--dir FOLDER] [--no-large]\n"
    "\n"
    "Runs each tool (lowercase, uppercase, strip, template, convert) through the tools driver\n"
    "on a generated page of MB megabytes (default 10) N times (default 5) in FOLDER (default\n"
    "/dev/shm, else the temporary folder), and on a 100 MB page and a page of one 10 MB line,\n"
    "beside a plain copy through the file policy, and prints the\n"
    "best speed and the peak memory of each, then a verdict against the targets: at least\n"
    "200 MB/s for every tool on the page, peak memory below 3 times the document's size.\n";

struct Tool {
    int number;
    const char* name;
};
constexpr int kCopy = 0;  // the reference row: read whole and written back, no work per byte
constexpr Tool kTools[] = {{kCopy, "copy"},
                           {tools::kToolLowercase, "lowercase"},
                           {tools::kToolUppercase, "uppercase"},
                           {tools::kToolStrip, "strip"},
                           {tools::kToolTemplate, "template"},
                           {tools::kToolConvert, "convert"}};

// A deterministic stream of small numbers for the generator.
class Sequence {
  public:
    unsigned next(unsigned below) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state_ >> 33) % below;
    }

  private:
    unsigned long long state_ = 20261208;
};

const char* const kWords[] = {"bread", "Flour", "oven", "RYE", "crust", "baker", "Morning",
                              "loaf", "sourdough", "Butter", "seed", "market", "honey", "Oats"};

void appendWords(std::string& out, Sequence& random, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ' ';
        out += kWords[random.next(sizeof kWords / sizeof *kWords)];
    }
}

void appendArticle(std::string& out, Sequence& random, long index) {
    out += "<DIV CLASS=\"article\" ID=a" + std::to_string(index) + ">\r\n<H2>";
    appendWords(out, random, 4);
    out += "</H2>\r\n<!-- article " + std::to_string(index) + ": <b>kept</b> -->\r\n";
    for (int p = 0; p < 5; ++p) {
        out += "<P Class=text>";
        appendWords(out, random, 12);
        out += " <A HREF=\"page" + std::to_string(random.next(500)) +
               ".HTM\" TITLE='Go &gt; on'>";
        appendWords(out, random, 2);
        out += "</A> <b>";
        appendWords(out, random, 3);
        out += "</b>, <EM title=\"a > b\">";
        appendWords(out, random, 5);
        out += "</EM> &amp; ";
        appendWords(out, random, 14);
        out += "\r\n";
        appendWords(out, random, 10);
        out += ".</P>\r\n";
    }
    if (index % 3 == 0) {
        out += "<TABLE BORDER=1 WIDTH=\"100%\">\r\n";
        for (int r = 0; r < 4; ++r) {
            out += "<TR><TD ALIGN=left>";
            appendWords(out, random, 2);
            out += "</TD><TD>" + std::to_string(random.next(1000)) + "</TD></TR>\r\n";
        }
        out += "</TABLE>\r\n";
    }
    out += "<IMG SRC=\"img/" + std::to_string(index) + ".GIF\" ALT=\"\" WIDTH=40></DIV>\r\n";
}

std::string generatePage(double sizeMiB, const std::string& templatePath) {
    const std::size_t target = static_cast<std::size_t>(sizeMiB * kMiB);
    std::string out;
    out.reserve(target + 8192);
    out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<HTML>\r\n<HEAD><TITLE>"
           "Bakery</TITLE></HEAD>\r\n<BODY>\r\n<!-- TEMPLATESTART\r\nTEMPLATE=" +
           templatePath + "\r\nTITLE=The Bakery\r\n-->\r\n<p>old header</p>\r\n"
           "<!-- TEMPLATEEND -->\r\n";
    Sequence random;
    for (long index = 0; out.size() < target; ++index) appendArticle(out, random, index);
    out += "</BODY>\r\n</HTML>\r\n";
    return out;
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::fprintf(stderr, "markwise-tools-bench: cannot write %s\n", path.c_str());
        std::exit(2);
    }
}

// Runs `work` in a child process, passing back one double through a pipe. Returns the value and
// the child's peak resident set in KiB.
std::optional<std::pair<double, long>> inChild(const auto& work) {
    int channel[2];
    if (::pipe(channel) != 0) return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        ::close(channel[0]);
        const double value = work();
        (void)!::write(channel[1], &value, sizeof value);
        ::_exit(0);
    }
    ::close(channel[1]);
    double value = -1;
    const bool got = ::read(channel[0], &value, sizeof value) == sizeof value;
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || !got) {
        return std::nullopt;
    }
    return std::make_pair(value, usage.ru_maxrss);
}

struct Measure {
    std::string document;
    std::string tool;
    double bytes = 0;
    double bestSeconds = 0;
    long peakKiB = 0;
    double speed() const { return bytes / kMiB / bestSeconds; }
};

// Times `runs` runs of one tool on the master copy `master`; the best time in seconds, or a
// negative number when a run failed.
double timeTool(int tool, const std::string& master, const std::string& document, int runs) {
    options::Options options = options::defaultOptions("");
    platform::FakeUserInterface ui;
    platform::FakeClock clock;
    tools::ToolContext context;
    context.ui = &ui;
    context.options = &options;
    context.files = &platform::systemFileSystem();
    context.clock = &clock;
    context.commandLineMode = true;
    double best = -1;
    for (int run = 0; run < runs; ++run) {
        fs::copy_file(master, document, fs::copy_options::overwrite_existing);
        const auto start = std::chrono::steady_clock::now();
        int result = 0;
        if (tool == kCopy) {
            std::string bytes;
            result = !platform::readRegularFile(platform::systemFileSystem(), document, bytes) &&
                     !platform::replaceFile(platform::systemFileSystem(), document, bytes);
        } else {
            result = tools::runTool(context, tool, document);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result != 1) {
            for (const platform::ShownBox& box : ui.boxes) {
                std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
            }
            return -1;
        }
        if (best < 0 || seconds < best) best = seconds;
    }
    return best;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    double sizeMiB = 10;
    int runs = 5;
    bool large = true;
    std::error_code noShm;
    fs::path folder = fs::is_directory("/dev/shm", noShm) ? fs::path("/dev/shm")
                                                           : fs::temp_directory_path();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--size" && i + 1 < argc) {
            sizeMiB = std::atof(argv[++i]);
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--dir" && i + 1 < argc) {
            folder = argv[++i];
        } else if (arg == "--no-large") {
            large = false;
        } else {
            std::fputs(kUsage.data(), arg == "--help" ? stdout : stderr);
            return arg == "--help" ? 0 : 2;
        }
    }
    if (sizeMiB < 0.01 || sizeMiB > 2000 || runs < 1 || runs > 100) {
        std::fputs(kUsage.data(), stderr);
        return 2;
    }

    const fs::path work = folder / ("markwise-tools-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const std::string templatePath = (work / "header.tpl").string();
    writeFile(templatePath, "<h1>$\"TITLE\"</h1>\r\n<p>Updated $\"CURRENTDATE\".</p>\r\n");

    struct Document {
        std::string name;
        std::string master;
        double bytes;
        int runs;
    };
    std::vector<Document> documents;
    auto generate = [&](const std::string& name, double mib, bool oneLine, int documentRuns) {
        const std::string master = (work / (name + ".master")).string();
        const auto made = inChild([&] {
            std::string page = generatePage(mib, templatePath);
            if (oneLine) {
                // The region's markers need lines of their own; everything else joins one line.
                const std::size_t regionEnd = page.find("<!-- TEMPLATEEND -->\r\n") + 22;
                std::string rest = page.substr(regionEnd);
                rest.erase(std::remove(rest.begin(), rest.end(), '\r'), rest.end());
                std::replace(rest.begin(), rest.end(), '\n', ' ');
                page = page.substr(0, regionEnd) + rest;
            }
            writeFile(master, page);
            return static_cast<double>(page.size());
        });
        if (!made) {
            std::fprintf(stderr, "markwise-tools-bench: cannot generate %s\n", name.c_str());
            std::exit(2);
        }
        documents.push_back({name, master, made->first, documentRuns});
    };
    generate("page", sizeMiB, false, runs);
    if (large) {
        generate("large", 100, false, 1);
        generate("oneline", 10, true, runs);
    }

    const auto baseline = inChild([] { return 0.0; });
    const long baselineKiB = baseline ? baseline->second : 0;

    std::vector<Measure> measures;
    bool fine = true;
    std::printf("folder: %s\n", work.parent_path().c_str());
    std::printf("%-9s %-10s %10s %8s %8s %8s %7s\n", "document", "tool", "MB", "best s", "MB/s",
                "peak MB", "memory");
    for (const Document& document : documents) {
        for (const Tool& tool : kTools) {
            const std::string target = (work / (document.name + ".htm")).string();
            const auto timed = inChild(
                [&] { return timeTool(tool.number, document.master, target, document.runs); });
            if (!timed || timed->first <= 0) {
                std::fprintf(stderr, "markwise-tools-bench: %s failed on %s\n", tool.name,
                             document.name.c_str());
                fine = false;
                continue;
            }
            Measure m{document.name, tool.name, document.bytes, timed->first,
                      std::max(0L, timed->second - baselineKiB)};
            const double peakMiB = static_cast<double>(m.peakKiB) / 1024.0;
            const double ratio = peakMiB / (m.bytes / kMiB);
            std::printf("%-9s %-10s %10.2f %8.4f %8.1f %8.1f %6.2fx\n", m.document.c_str(),
                        m.tool.c_str(), m.bytes / kMiB, m.bestSeconds, m.speed(), peakMiB, ratio);
            if (ratio >= kTargetMemoryRatio) fine = false;
            if (document.name == "page" && tool.number != kCopy && m.speed() < kTargetSpeed) {
                fine = false;
            }
            measures.push_back(m);
        }
    }
    std::printf("baseline: %s MB resident (child that only exits); memory is the peak above it\n",
                fixed(static_cast<double>(baselineKiB) / 1024.0, 1).c_str());
    std::printf("targets: every tool at least %.0f MB/s on the page, memory below %.0fx: %s\n",
                kTargetSpeed, kTargetMemoryRatio, fine ? "met" : "NOT MET");
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return fine ? 0 : 1;
}
