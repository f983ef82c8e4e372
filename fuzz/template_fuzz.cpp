// Fuzz target: the template tool and its expression language, on an in-memory file system.
//
// The input is a document, a template and a file for FileContents, separated by "|||" (missing
// parts are empty): the document is run through the template tool with the template as
// "t.tpl" and the file as "b.txt", and every line of the input is also evaluated as an
// expression. Whatever the bytes, neither may crash, leak or hang; the tool ends with 1, or with
// 0 after exactly the boxes of one error (a function error comes with the symbol-list error);
// and a run that succeeded writes every line followed by the line end.
#include <fcntl.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "options/options.h"
#include "platform/file_system.h"
#include "platform_testing/fake_clock.h"
#include "platform_testing/fake_ui.h"
#include "tools/expression.h"
#include "tools/template_tool.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "template_fuzz: %s\n", what);
    std::abort();
}

// Files held in memory, read only.
class MemoryFileSystem final : public platform::FileSystem {
  public:
    std::map<std::string, std::string> files;

    int open(const std::string& path, int flags, mode_t) override {
        auto found = files.find(path);
        if (found == files.end() || (flags & O_ACCMODE) != O_RDONLY) return failWith(ENOENT);
        const int fd = next_++;
        open_[fd] = {&found->second, 0};
        return fd;
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        auto found = open_.find(fd);
        if (found == open_.end()) return failWith(EBADF);
        OpenFile& file = found->second;
        const std::size_t left = file.bytes->size() - file.position;
        const std::size_t count = size < left ? size : left;
        file.bytes->copy(static_cast<char*>(buffer), count, file.position);
        file.position += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(int, const void*, std::size_t) override { return failWith(EBADF); }
    int fsync(int) override { return failWith(EBADF); }
    int close(int fd) override { return open_.erase(fd) == 1 ? 0 : failWith(EBADF); }
    int rename(const std::string&, const std::string&) override { return failWith(EROFS); }
    int unlink(const std::string&) override { return failWith(EROFS); }
    int stat(const std::string& path, struct stat& info) override {
        auto found = files.find(path);
        if (found == files.end()) return failWith(ENOENT);
        return describe(found->second, info);
    }
    int lstat(const std::string& path, struct stat& info) override { return stat(path, info); }
    int fstat(int fd, struct stat& info) override {
        auto found = open_.find(fd);
        if (found == open_.end()) return failWith(EBADF);
        return describe(*found->second.bytes, info);
    }
    int fchmod(int, mode_t) override { return failWith(EROFS); }
    int fchown(int, uid_t, gid_t) override { return failWith(EROFS); }
    int flock(int, int) override { return 0; }
    bool list(const std::string&, std::vector<std::string>&) override { return false; }

    bool allClosed() const { return open_.empty(); }

  private:
    struct OpenFile {
        const std::string* bytes;
        std::size_t position;
    };
    static int failWith(int error) {
        errno = error;
        return -1;
    }
    static int describe(const std::string& bytes, struct stat& info) {
        info = {};
        info.st_mode = S_IFREG | 0644;
        info.st_size = static_cast<off_t>(bytes.size());
        return 0;
    }

    std::map<int, OpenFile> open_;
    int next_ = 3;
};

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

    MemoryFileSystem files;
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
