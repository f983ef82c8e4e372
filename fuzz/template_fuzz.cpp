// Fuzz target: the template tool and its expression language, on an in-memory file system.
//
// The input is a document, a template and a file for FileContents, separated by "|||" (missing
// parts are empty): the document is run through the template tool with the template as
// "t.tpl" and the file as "b.txt", and every line of the input is also evaluated as an
// expression. Whatever the bytes, neither may crash, leak or hang; the tool ends with 1, or with
// 0 after exactly the boxes of one error (a function error comes with the symbol-list error);
// and a run that succeeded writes every line followed by the line end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "memory_file_system.h"
#include "options/options.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "tools/expression.h"
#include "tools/template_tool.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "template_fuzz: %s\n", what);
    std::abort();
}

struct StringSink : tools::OutputSink {
    std::string bytes;
    bool put(std::string_view piece) override {
        bytes.append(piece);
        return true;
    }
};

std::vector<std::string_view> split(std::string_view bytes, std::string_view separator,
                                    std::size_t parts) {
    std::vector<std::string_view> result;
    while (result.size() + 1 < parts) {
        const std::size_t at = bytes.find(separator);
        if (at == std::string_view::npos) break;
        result.push_back(bytes.substr(0, at));
        bytes.remove_prefix(at + separator.size());
    }
    result.push_back(bytes);
    result.resize(parts);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> parts = split(input, "|||", 3);

    fuzzing::MemoryFileSystem files;
    files.files["t.tpl"] = std::string(parts[1]);
    files.files["b.txt"] = std::string(parts[2]);

    // Every line of the input as an expression.
    for (std::string_view rest = input; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        StrStoreEx line(rest.substr(0, end));
        tools::ErrorStore errors;
        const StrStore value = tools::evaluateLine(line, errors, files);
        if (errors.hasError() && value.length() != 0) fail("a failed expression has a value");
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }

    options::Options options = options::defaultOptions("");
    options.FileType = static_cast<int>(size % 3);
    platform::FakeUserInterface ui;
    platform::FakeClock clock;
    tools::TemplateEnvironment environment;
    environment.owner = &ui;
    environment.options = &options;
    environment.clock = &clock;
    environment.files = &files;
    tools::TextLines document{std::string(parts[0])};
    StringSink sink;
    tools::ToolOutput output(sink);
    const int result = tools::runTemplateTool(environment, document, output, "page.htm");
    output.flush();

    if (!files.allClosed()) fail("a file was left open");
    if (result == 1) {
        if (!ui.boxes.empty()) fail("a successful run showed a box");
        const std::string_view end = options.FileType == 0 ? "\r\n" : options.FileType == 1 ? "\r" : "\n";
        if (!sink.bytes.empty() && !std::string_view(sink.bytes).ends_with(end)) {
            fail("the output does not end with a line end");
        }
    } else if (result == 0) {
        const bool functionError =
            ui.boxes.size() == 2 && ui.boxes[0].caption == "Markwise: Template Tool Function Error";
        if (ui.boxes.size() != 1 && !functionError) fail("a failed run did not show one error");
    } else {
        fail("the tool returned neither 1 nor 0");
    }
    return 0;
}
