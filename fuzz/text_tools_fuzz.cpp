// Fuzz target: the text tools' line transforms on arbitrary documents.
//
// Whatever the bytes: the lines are the ones the document line reader finds; lowercase and
// uppercase change nothing but the case of ASCII letters, convert the same way whatever case
// they start from, and are idempotent; strip keeps a subsequence of each line, leaves no "<" at
// all, and stripping its own output changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/document_lines.h"
#include "tools/text_tools.h"
#include "tools/tool_io.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t line) {
    std::fprintf(stderr, "text_tools_fuzz: %s (line %zu)\n", what, line);
    std::abort();
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::vector<std::string> linesOf(const std::string& bytes) {
    tools::TextLines text(bytes);
    tools::TextLine line;
    std::vector<std::string> lines;
    while (text.next(line)) lines.emplace_back(line.view());
    return lines;
}

std::vector<std::string> convert(bool upper, std::vector<std::string> lines) {
    tools::CaseConverter converter(upper);
    converter.reset();
    for (std::string& line : lines) converter.convertLine(line.data(), line.size());
    return lines;
}

std::vector<std::string> strip(std::vector<std::string> lines) {
    tools::TagStripper stripper;
    stripper.reset();
    for (std::string& line : lines) line.resize(stripper.stripLine(line.data(), line.size()));
    return lines;
}

bool isSubsequence(std::string_view part, std::string_view whole) {
    std::size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string_view::npos) return false;
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = linesOf(bytes);

    const DocumentLines reference = DocumentLines::fromBytes(bytes);
    if (reference.count() != lines.size()) fail("line count differs from the line reader", 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (reference[i].text != lines[i]) fail("line differs from the line reader", i + 1);
    }

    const std::vector<std::string> lowered = convert(false, lines);
    const std::vector<std::string> raised = convert(true, lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lowered[i].size() != lines[i].size() || raised[i].size() != lines[i].size()) {
            fail("case conversion changed a line's length", i + 1);
        }
        for (std::size_t j = 0; j < lines[i].size(); ++j) {
            if (lower(lowered[i][j]) != lower(lines[i][j]) ||
                lower(raised[i][j]) != lower(lines[i][j])) {
                fail("case conversion changed more than the case", i + 1);
            }
        }
    }
    if (convert(false, lowered) != lowered || convert(false, raised) != lowered ||
        convert(true, raised) != raised) {
        fail("case conversion depends on the case it starts from", 0);
    }

    const std::vector<std::string> stripped = strip(lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!isSubsequence(stripped[i], lines[i])) fail("strip added text", i + 1);
        if (stripped[i].find('<') != std::string::npos) fail("strip left a <", i + 1);
    }
    if (strip(stripped) != stripped) fail("stripping stripped text changed it", 0);
    return 0;
}
