// least-work: the least any checker that writes the full report must do with a document, as a
// yardstick for markwise-check's times. It maps the document as markwise-check does, goes
// through it line by line, finds every "<" on each line, and lists every line with the report's
// prefix through a 64 KB buffer, as the report lists them. It checks nothing: what
// markwise-check takes beyond it is the price of the checking.
//
//     least-work FILE > /dev/null
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "messages/line_prefix.h"

namespace {

char buffer[1 << 16];
std::size_t used = 0;

void flush() {
    std::size_t done = 0;
    while (done < used) {
        const ssize_t written = ::write(STDOUT_FILENO, buffer + done, used - done);
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
    used = 0;
}

void put(std::string_view text) {
    if (used + text.size() > sizeof buffer) flush();
    if (text.size() > sizeof buffer) {
        (void)::write(STDOUT_FILENO, text.data(), text.size());
        return;
    }
    std::memcpy(buffer + used, text.data(), text.size());
    used += text.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: least-work FILE > /dev/null\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    const char* bytes = "";
    if (size > 0) {
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (mapped == MAP_FAILED) {
            std::perror(argv[1]);
            return 2;
        }
        bytes = static_cast<const char*>(mapped);
    }
    std::size_t tags = 0;
    messages::LinePrefix prefix(1);
    std::size_t start = 0;
    while (start < size) {
        const void* newline = std::memchr(bytes + start, '\n', size - start);
        const std::size_t end =
            newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - bytes)
                               : size;
        const char* p = bytes + start;
        const char* stop = bytes + end;
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(stop - p)))) !=
               nullptr) {
            ++tags;
            ++p;
        }
        put(prefix.view());
        put({bytes + start, end - start});
        put("\n");
        prefix.next();
        start = end + 1;
    }
    flush();
    // The count is the result of the search, so that it cannot be left out.
    std::fprintf(stderr, "%zu tags\n", tags);
    return 0;
}
