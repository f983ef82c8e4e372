// Validation runs in which memory runs out: the n-th allocation of a run fails, for n from the
// first to the last a whole run makes. The run must end as the engine says it ends when memory
// cannot be had (0, error 68), never by an exception that leaves the program, and the same
// validator must check the next document as if nothing had happened.
//
// A program of its own: the allocation operators are replaced for the whole program, so that
// a run's allocations can be counted and one of them refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "app/cfg_command.h"
#include "engine/validator.h"
#include "messages/findings.h"
#include "messages/findings_writer.h"
#include "messages/message_store.h"
#include "messages/text_out.h"
#include "options/options.h"
#include "platform/files.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "realistic_config.h"
#include "tools/text_tools.h"
#include "tools/tool_driver.h"

namespace {

// While armed, counts allocations and refuses the one numbered `refuseAt` (from 1).
long allocationsCounted = 0;
long refuseAt = 0;
bool armed = false;

void* allocate(std::size_t size) {
    if (armed && ++allocationsCounted == refuseAt) throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
    return operator new(size, nothrow);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

// Runs `step` with its allocations counted and the one numbered `refuse` refused (0 and -1:
// none). False when the refusal left it as std::bad_alloc.
template <typename Step>
bool refusing(long refuse, Step&& step) {
    allocationsCounted = 0;
    refuseAt = refuse;
    armed = true;
    bool completed = true;
    try {
        step();
    } catch (const std::bad_alloc&) {
        completed = false;
    }
    armed = false;
    return completed;
}

class StringSink : public messages::ByteSink {
public:
    bool write(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// A page of tags with attributes, ids, entities, nesting errors and tags left open, so that a
// run goes through the placing, the attribute and entity checks, the message store and the
// report's every part.
std::string samplePage() {
    std::string page = "<html><head><title>Memory</title></head><body>\n";
    for (int i = 0; i < 12; ++i) {
        const std::string n = std::to_string(i);
        page += "<div id=\"d" + n + "\" class=\"c" + std::to_string(i % 3) +
                "\"><p align=\"left\">text &amp; more &bogus" + n + "; <b><i>x</b></i>\n";
        page += "<a href=\"page" + n + ".html\" name=\"n" + n + "\">link</a> <font size=9>\n";
        page += "<table border=\"" + n + "\"><tr><td nowrap>cell</td></tr></table></div>\n";
    }
    return page + "<ul><li>open</body></html>\n";
}

struct Checker {
    options::Options options = options::defaultOptions("");
    CfgStore configuration;
    messages::MessageStore store{options};
    platform::FakeClock clock;
    platform::SystemFiles files;
    platform::FakeUserInterface ui;
    std::unique_ptr<engine::Validator> validator;

    Checker() {
        options.MaximumErrors = 9999;
        options.MaximumWarnings = 9999;
        buildRealisticConfiguration(configuration);
        validator = std::make_unique<engine::Validator>(options, store, clock, files, &configuration);
    }

    // One run over `page`: what it returned and the report it wrote. With `refuse`, the
    // run's allocations are counted and the one of that number refused (0: none).
    std::pair<int, std::string> run(const std::string& page, long refuse = 0) {
        std::string bytes = page;
        StringSink report;
        report.text.reserve(1 << 20);  // the report's bytes are no allocation of the run
        engine::RunContext context{nullptr, nullptr, "page.html", "page.val", &ui};
        context.documentBytes = &bytes;
        context.reportSink = &report;
        int returned = -1;
        refusing(refuse, [&] { returned = validator->validateDocument(context); });
        return {returned, report.text};
    }
};

bool raised68(const messages::MessageStore& store) {
    const auto& records = store.records();
    return std::any_of(records.begin(), records.end(),
                       [](const messages::MsgStore* record) { return record->number == 68; });
}

TEST(AllocationFailure, EveryAllocationOfARunMayFailAndTheNextRunIsWhole) {
    Checker checker;
    const std::string page = samplePage();
    const auto [completed, expected] = checker.run(page);
    ASSERT_EQ(completed, 1);
    ASSERT_NE(expected.find("nesting error"), std::string::npos) << expected;

    // How many allocations a whole run makes.
    checker.run(page, -1);
    const long total = allocationsCounted;
    ASSERT_GT(total, 10);

    // Each of them refused in turn.
    int failedRuns = 0;
    for (long n = 1; n <= total; ++n) {
        const int returned = checker.run(page, n).first;
        ASSERT_NE(returned, -1) << "allocation " << n << " of " << total << " ended the program";
        if (returned == 0) {
            ++failedRuns;
            // Raised unless raising it was what could not be had.
            EXPECT_TRUE(raised68(checker.store) || checker.store.records().empty())
                << "allocation " << n;
        }
        const auto [again, report] = checker.run(page);
        ASSERT_EQ(again, 1) << "after allocation " << n;
        ASSERT_EQ(report, expected) << "after allocation " << n;
    }
    EXPECT_GT(failedRuns, 0);
}

// The forms for editors and CI services written while memory runs out: the n-th allocation of
// a run's begin, document and end refused. Each write either completes, with the bytes of the
// write that nothing refused, or fails with bad_alloc for the caller to report; none may end
// the program.
TEST(AllocationFailure, TheJsonAndSarifFormsFailCleanly) {
    Checker checker;
    ASSERT_EQ(checker.run(samplePage()).first, 1);
    messages::DocumentFindings findings =
        messages::collectFindings(checker.store, checker.validator->counters(), checker.options);
    findings.name = "dir/page one.html";
    findings.bytes = 1234;
    findings.profile = "html5";
    findings.profileOptions = {{"AllowSpaces2", "1"}, {"CheckNesting", "0"}};
    // A comment with a setting to change and no line of its own, beside the common ones.
    messages::Finding comment;
    comment.type = messages::MessageType::Comment;
    comment.number = 201;
    comment.position = {3, 4};
    comment.hasLine = false;
    comment.text = "a comment";
    comment.advice = messages::adviceFor(201);
    findings.findings.push_back(comment);
    ASSERT_GT(findings.findings.size(), 10u);

    for (const auto format : {messages::FindingsFormat::Json, messages::FindingsFormat::Sarif}) {
        // One write of the whole form; with `refuse`, that allocation of it is refused.
        auto write = [&](long refuse, std::string& bytes) {
            bytes.clear();
            bytes.reserve(1 << 20);  // the output's bytes are no allocation of the write
            return refusing(refuse, [&] {
                const auto writer = messages::makeFindingsWriter(format);
                messages::TextOut out(bytes);
                writer->begin(out);
                writer->document(out, findings);
                writer->end(out);
            });
        };
        std::string expected;
        ASSERT_TRUE(write(0, expected));
        std::string bytes;
        write(-1, bytes);
        const long total = allocationsCounted;
        ASSERT_GT(total, 10);
        for (long n = 1; n <= total; ++n) {
            if (write(n, bytes)) {
                EXPECT_EQ(bytes, expected) << "allocation " << n;
            }
        }
    }
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeWhole(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A text tool or the template tool run on a document while memory runs out: the n-th
// allocation of the run refused. The run ends as it ends when anything fails part-way: 0, with
// the document as it was under its own name and nothing left beside it; or it succeeds with the
// document it makes when nothing is refused. It never ends the program.
TEST(AllocationFailure, ATextToolRunLeavesTheDocumentWholeOrDone) {
    char pattern[] = "/tmp/markwise-memory-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    const std::string document = (dir / "page.html").string();
    writeWhole(dir / "footer.tpl", "<p>$\"TITLE\" $\"BODY\" $$ $\"VALIDATORVERSION\"</p>\n");
    writeWhole(dir / "body.txt", "The body.");
    const std::string original =
        "<HTML><BODY CLASS=\"Main\">\n<!-- TEMPLATESTART\nTEMPLATE=" + (dir / "footer.tpl").string() +
        "\nTITLE=Home page\nBODY:=FileContents(\"" + (dir / "body.txt").string() +
        "\")\n-->\nold text\n<!-- TEMPLATEEND -->\n<P ALIGN=Left>Text</P></BODY></HTML>\n";

    options::Options options = options::defaultOptions("");
    options.CreateBAKFiles = 0;
    platform::FakeUserInterface ui;
    platform::FakeClock clock;
    platform::SystemFiles helpers;
    tools::ToolContext context;
    context.ui = &ui;
    context.options = &options;
    context.files = &platform::systemFileSystem();
    context.helpers = &helpers;
    context.clock = &clock;
    context.commandLineMode = true;

    for (const int tool : {tools::kToolUppercase, tools::kToolTemplate}) {
        // One run on a fresh document; with `refuse`, that allocation of it is refused.
        auto run = [&](long refuse) {
            writeWhole(document, original);
            ui.boxes.clear();
            int returned = -1;
            refusing(refuse, [&] { returned = tools::runTool(context, tool, document); });
            return returned;
        };
        ASSERT_EQ(run(0), 1) << tool;
        const std::string expected = readWhole(document);
        ASSERT_NE(expected, original);
        run(-1);
        const long total = allocationsCounted;
        ASSERT_GT(total, 10);
        for (long n = 1; n <= total; ++n) {
            const int returned = run(n);
            ASSERT_NE(returned, -1) << "tool " << tool << ", allocation " << n << " of " << total;
            std::size_t names = 0;
            for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) {
                ++names;
            }
            EXPECT_EQ(names, 3u) << "tool " << tool << ", allocation " << n;
            EXPECT_EQ(readWhole(document), returned == 1 ? expected : original)
                << "tool " << tool << ", allocation " << n;
            if (returned == 0) {
                EXPECT_FALSE(ui.boxes.empty()) << "allocation " << n;
            }
        }
    }
    std::filesystem::remove_all(dir);
}

// markwise-cfg while memory runs out: the n-th allocation of a command refused. A valid
// configuration is never called corrupt (1) for it, and a copy either is made whole or leaves
// the old file: the command says that memory ran out and ends with 2.
TEST(AllocationFailure, MarkwiseCfgNeverCallsAFileCorruptForWantOfMemory) {
    char pattern[] = "/tmp/markwise-memory-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    const std::string in = (dir / "in.cfg").string();
    const std::string out = (dir / "out.cfg").string();
    {
        CfgStore configuration;
        buildRealisticConfiguration(configuration);
        writeWhole(in, configuration.serialize(0));
    }
    platform::SystemFiles files;
    // One command; its exit code, and what it said on standard error.
    auto run = [&](std::vector<std::string> args, long refuse, std::string& said) {
        char* errText = nullptr;
        std::size_t errSize = 0;
        std::FILE* err = open_memstream(&errText, &errSize);
        std::FILE* nowhere = std::fopen("/dev/null", "w");
        app::CfgEnvironment env{nowhere, err, files};
        int code = -1;
        refusing(refuse, [&] { code = app::runCfgCommand(args, env); });
        std::fclose(nowhere);
        std::fclose(err);
        said.assign(errText, errSize);
        std::free(errText);
        return code;
    };
    std::string said;
    ASSERT_EQ(run({"copy", in, out}, 0, said), 0) << said;
    const std::string copied = readWhole(out);
    for (const auto& command : {std::vector<std::string>{"check", in},
                                std::vector<std::string>{"copy", in, out}}) {
        writeWhole(out, "old");
        run(command, -1, said);
        const long total = allocationsCounted;
        ASSERT_GT(total, 100);
        // Every allocation up to a few hundred, then a sample of the rest.
        for (long n = 1; n <= total; n += n < 400 ? 1 : 97) {
            writeWhole(out, "old");
            const int code = run(command, n, said);
            ASSERT_TRUE(code == 0 || code == 2) << command[0] << ", allocation " << n << ": " << code
                                                << " " << said;
            if (code == 2) {
                EXPECT_TRUE(said.ends_with(": out of memory\n") ||
                            said.ends_with(": is too large to be held in memory\n"))
                    << command[0] << ", allocation " << n << ": " << said;
            }
            if (command[0] == "copy") {
                EXPECT_EQ(readWhole(out), code == 0 ? copied : "old") << "allocation " << n;
            }
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
