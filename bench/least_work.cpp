// least-work: the least any checker that writes the full report must do with a document, as a
// yardstick for markwise-check's times. It maps the document as markwise-check does, goes
// through it line by line, finds every "<" on each line, and lists every line with the report's
// prefix through a buffer, as the report lists them (64 KB here: the report's 1 MB sits on the
// heap's huge pages, and one of that size in this program's static data costs it more in first
// writes of its pages than it saves in calls to write). It checks nothing: what markwise-check
// takes beyond it is the price of the checking.
//
// With --skeleton it also does the skeleton of a check, and nothing of its detail: every tag's
// name, every attribute's name and every entity's name is folded to capitals and looked up in
// an open-addressing table, every quoted value is read for a type (digits or not), every
// opening tag is placed against the one open above it with one bit of a table and kept on a
// stack that closing tags unwind, and comments and declarations are skipped whole. The tables
// are filled with the names as they are met, so every look-up but the first of a name finds it.
// No line or column is kept, no rule is looked at, nothing is reported: a checker that does
// what the design asks of a tag can only take longer than this.
//
//     least-work [--skeleton] FILE > /dev/null
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

// Names folded to capitals, each given a number when first added; open addressing with
// linear probing over a power-of-two table that is never more than half full.
class NameTable {
public:
    NameTable() { grow(); }
    int find(std::string_view name) const {
        for (std::uint32_t slot = hash(name) & mask_;; slot = (slot + 1) & mask_) {
            const int id = slots_[slot];
            if (id < 0 || names_[static_cast<std::size_t>(id)] == name) return id;
        }
    }
    int add(std::string_view name) {
        if (2 * (names_.size() + 1) > slots_.size()) grow();
        std::uint32_t slot = hash(name) & mask_;
        while (slots_[slot] >= 0) slot = (slot + 1) & mask_;
        names_.emplace_back(name);
        slots_[slot] = static_cast<int>(names_.size() - 1);
        return slots_[slot];
    }
    int findOrAdd(std::string_view name) {
        const int id = find(name);
        return id >= 0 ? id : add(name);
    }

private:
    static std::uint32_t hash(std::string_view name) {
        std::uint32_t h = 2166136261u;
        for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }
    void grow() {
        slots_.assign(slots_.empty() ? 1024 : 2 * slots_.size(), -1);
        mask_ = static_cast<std::uint32_t>(slots_.size() - 1);
        for (std::size_t id = 0; id < names_.size(); ++id) {
            std::uint32_t slot = hash(names_[id]) & mask_;
            while (slots_[slot] >= 0) slot = (slot + 1) & mask_;
            slots_[slot] = static_cast<int>(id);
        }
    }
    std::vector<std::string> names_;
    std::vector<int> slots_;
    std::uint32_t mask_ = 0;
};

struct CharTables {
    unsigned char upper[256];
    bool name[256];
    CharTables() {
        for (int c = 0; c < 256; ++c) {
            upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            name[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '#';
        }
    }
};

// The skeleton of a check over the whole document; returns a count of what it found, so that
// none of it can be left out.
std::size_t skeleton(const char* bytes, std::size_t size) {
    static const CharTables chars;
    NameTable tags;
    NameTable attributes;  // keyed by the tag's number and the attribute's name
    NameTable entities;
    std::vector<std::uint64_t> allowed(64, ~std::uint64_t{0} >> 1);
    std::vector<int> open;
    std::size_t found = 0;
    char name[80];
    const auto fold = [&](const char*& p, const char* end, std::size_t at) {
        while (p < end && at + 1 < sizeof name && chars.name[static_cast<unsigned char>(*p)]) {
            name[at++] = static_cast<char>(chars.upper[static_cast<unsigned char>(*p++)]);
        }
        return at;
    };
    const char* p = bytes;
    const char* const end = bytes + size;
    while (p < end) {
        while (p < end && *p != '<' && *p != '&') ++p;
        if (p == end) break;
        if (*p == '&') {
            ++p;
            found += static_cast<std::size_t>(entities.findOrAdd({name, fold(p, end, 0)}));
            continue;
        }
        ++p;
        if (p < end && *p == '!') {
            const bool comment = end - p >= 3 && p[1] == '-' && p[2] == '-';
            const void* close = comment ? ::memmem(p + 3, static_cast<std::size_t>(end - p - 3), "-->", 3)
                                        : std::memchr(p, '>', static_cast<std::size_t>(end - p));
            p = close != nullptr ? static_cast<const char*>(close) + (comment ? 3 : 1) : end;
            continue;
        }
        const bool closing = p < end && *p == '/';
        if (closing) ++p;
        const std::size_t length = fold(p, end, 0);
        const int tag = tags.findOrAdd({name, length});
        if (closing) {
            while (!open.empty() && open.back() != tag) open.pop_back();
            if (!open.empty()) open.pop_back();
            const void* close = std::memchr(p, '>', static_cast<std::size_t>(end - p));
            p = close != nullptr ? static_cast<const char*>(close) + 1 : end;
            continue;
        }
        name[length] = ' ';
        for (;;) {
            while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) ++p;
            if (p == end || *p == '>') break;
            const std::size_t keyed = fold(p, end, length + 1);
            if (keyed == length + 1) {
                ++p;
                continue;
            }
            const int attribute = attributes.findOrAdd({name, keyed});
            if (p == end || *p != '=') continue;
            ++p;
            if (p < end && (*p == '"' || *p == '\'')) {
                const void* close = std::memchr(p + 1, *p, static_cast<std::size_t>(end - p - 1));
                const char* valueEnd = close != nullptr ? static_cast<const char*>(close) : end;
                bool digits = true;
                for (const char* v = p + 1; v < valueEnd; ++v) digits &= *v >= '0' && *v <= '9';
                found += digits && attribute % 2 == 0;
                p = valueEnd < end ? valueEnd + 1 : end;
            } else {
                while (p < end && *p != ' ' && *p != '>' && *p != '\n') ++p;
            }
        }
        if (p < end) ++p;
        if (!open.empty()) {
            found += (allowed[static_cast<std::size_t>(open.back()) % 64] >> (tag % 64) & 1) == 0;
        }
        open.push_back(tag);
    }
    return found + open.size();
}

}  // namespace

int main(int argc, char** argv) {
    const bool withSkeleton = argc == 3 && std::string_view(argv[1]) == "--skeleton";
    if (argc != 2 && !withSkeleton) {
        std::fprintf(stderr, "usage: least-work [--skeleton] FILE > /dev/null\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    const int fd = ::open(path, O_RDONLY);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        std::perror(path);
        return 2;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    const char* bytes = "";
    if (size > 0) {
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (mapped == MAP_FAILED) {
            std::perror(path);
            return 2;
        }
        bytes = static_cast<const char*>(mapped);
    }
    std::size_t tags = withSkeleton ? skeleton(bytes, size) : 0;
    messages::LinePrefix prefix(1);
    std::size_t start = 0;
    while (start < size) {
        const void* newline = std::memchr(bytes + start, '\n', size - start);
        const std::size_t end =
            newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - bytes)
                               : size;
        const char* p = bytes + start;
        const char* stop = withSkeleton ? p : bytes + end;
        while (p < stop && (p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(stop - p)))) !=
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
