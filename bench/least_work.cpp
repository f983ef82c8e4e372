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
// all a check asks of a tag can only take longer than this.
//
// With --memo it does the same skeleton, but as a checker that remembers its tags would: the
// text of each tag (up to 128 bytes, found from its "<" to the first ">") is hashed and looked
// up among the texts met before, and a text met before is only placed and kept on the stack, as
// its names were looked up and its values read the first time. The stops between tags are
// found sixteen bytes at a time (where the processor has SSE2). It is a floor for a checker built that way: the price of
// finding, hashing and placing each tag, with nothing of the checking's detail.
//
//     least-work [--skeleton | --memo] FILE > /dev/null
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "messages/line_prefix.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The skeleton of a check, a stop at a time.
class Skeleton {
public:
    std::size_t found = 0;
    std::vector<int> open;

    // The "&" at `p`: its name looked up. Returns where the scan goes on.
    const char* entity(const char* p, const char* end) {
        ++p;
        found += static_cast<std::size_t>(entities_.findOrAdd({name_, fold(p, end, 0)}));
        return p;
    }
    // At a stop ("<" or "&"): an entity, or a comment or declaration, is passed over whole.
    // True, with `p` after its "<", where a tag starts.
    bool startsTag(const char*& p, const char* end) {
        if (*p == '&') {
            p = entity(p, end);
            return false;
        }
        ++p;
        if (p < end && *p == '!') {
            p = declaration(p, end);
            return false;
        }
        return true;
    }
    // A comment or declaration at `p` (its "!"): skipped whole.
    static const char* declaration(const char* p, const char* end) {
        const bool comment = end - p >= 3 && p[1] == '-' && p[2] == '-';
        const void* close = comment ? ::memmem(p + 3, static_cast<std::size_t>(end - p - 3), "-->", 3)
                                    : std::memchr(p, '>', static_cast<std::size_t>(end - p));
        return close != nullptr ? static_cast<const char*>(close) + (comment ? 3 : 1) : end;
    }
    // The tag after its "<" at `p`, read in full: its number (negative for a closing tag's,
    // less one) is left in `tag`. Returns where the scan goes on.
    const char* tag(const char* p, const char* end, int& tag) {
        const bool closing = p < end && *p == '/';
        if (closing) ++p;
        const std::size_t length = fold(p, end, 0);
        tag = tags_.findOrAdd({name_, length});
        if (closing) {
            close(tag);
            const void* close = std::memchr(p, '>', static_cast<std::size_t>(end - p));
            tag = -tag - 1;
            return close != nullptr ? static_cast<const char*>(close) + 1 : end;
        }
        name_[length] = ' ';
        for (;;) {
            while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) ++p;
            if (p == end || *p == '>') break;
            const std::size_t keyed = fold(p, end, length + 1);
            if (keyed == length + 1) {
                ++p;
                continue;
            }
            const int attribute = attributes_.findOrAdd({name_, keyed});
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
        place(tag);
        return p;
    }
    void close(int tag) {
        while (!open.empty() && open.back() != tag) open.pop_back();
        if (!open.empty()) open.pop_back();
    }
    void place(int tag) {
        if (!open.empty()) {
            found += (allowed_[static_cast<std::size_t>(open.back()) % 64] >> (tag % 64) & 1) == 0;
        }
        open.push_back(tag);
    }

private:
    struct CharTables {
        unsigned char upper[256];
        bool name[256];
        CharTables() {
            for (int c = 0; c < 256; ++c) {
                upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
                name[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '#';
            }
        }
    };
    std::size_t fold(const char*& p, const char* end, std::size_t at) {
        static const CharTables chars;
        while (p < end && at + 1 < sizeof name_ && chars.name[static_cast<unsigned char>(*p)]) {
            name_[at++] = static_cast<char>(chars.upper[static_cast<unsigned char>(*p++)]);
        }
        return at;
    }

    NameTable tags_;
    NameTable attributes_;  // keyed by the tag's number and the attribute's name
    NameTable entities_;
    std::vector<std::uint64_t> allowed_ = std::vector<std::uint64_t>(64, ~std::uint64_t{0} >> 1);
    char name_[80];
};

// The skeleton of a check over the whole document; returns a count of what it found, so that
// none of it can be left out.
std::size_t skeleton(const char* bytes, std::size_t size) {
    Skeleton check;
    const char* p = bytes;
    const char* const end = bytes + size;
    while (p < end) {
        while (p < end && *p != '<' && *p != '&') ++p;
        if (p == end) break;
        if (!check.startsTag(p, end)) continue;
        int tag = 0;
        p = check.tag(p, end, tag);
    }
    return check.found + check.open.size();
}

// The texts of the tags met before, each with what reading it gave: open addressing over the
// hash, the texts one after another in one buffer.
class TextMemory {
public:
    static constexpr std::size_t kLongest = 128;
    TextMemory() : slots_(1 << 16, 0) {}
    static std::uint64_t hash(const char* p, std::size_t n) {
        auto word = [](const char* at) {
            std::uint64_t value;
            std::memcpy(&value, at, 8);
            return value;
        };
        std::uint64_t a = n * 0x9E3779B97F4A7C15ULL;
        std::uint64_t b = ~n;
        if (n >= 16) {
            for (; n > 16; p += 16, n -= 16) {
                a = (a ^ word(p)) * 0x9E3779B97F4A7C15ULL;
                b = (b ^ word(p + 8)) * 0xC2B2AE3D27D4EB4FULL;
            }
            a = (a ^ word(p + n - 16)) * 0x9E3779B97F4A7C15ULL;
            b = (b ^ word(p + n - 8)) * 0xC2B2AE3D27D4EB4FULL;
        } else if (n >= 8) {
            a = (a ^ word(p)) * 0x9E3779B97F4A7C15ULL;
            b = (b ^ word(p + n - 8)) * 0xC2B2AE3D27D4EB4FULL;
        } else {
            std::uint64_t value = 0;
            std::memcpy(&value, p, n);
            a = (a ^ value) * 0x9E3779B97F4A7C15ULL;
        }
        std::uint64_t h = a ^ std::rotl(b, 31);
        h ^= h >> 32;
        h *= 0xFF51AFD7ED558CCDULL;
        return h ^ (h >> 29);
    }
    // The tag remembered for the text, or INT32_MIN.
    int find(const char* p, std::size_t n, std::uint64_t h) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = h & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
            const Text& text = texts_[slots_[slot] - 1];
            if (text.hash == h && text.length == n && same(bytes_.data() + text.offset, p, n)) {
                return text.tag;
            }
        }
        return INT32_MIN;
    }
    void remember(const char* p, std::size_t n, std::uint64_t h, int tag) {
        if (2 * (texts_.size() + 1) > slots_.size()) return;
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = h & mask;
        while (slots_[slot] != 0) slot = (slot + 1) & mask;
        texts_.push_back({h, static_cast<std::uint32_t>(bytes_.size()),
                          static_cast<std::uint32_t>(n), tag});
        bytes_.append(p, n);
        slots_[slot] = static_cast<std::uint32_t>(texts_.size());
    }

private:
    // The first and the last word of `n` bytes, at least one word long, at `a` and at `b`.
    template <typename Word>
    static bool sameEnds(const char* a, const char* b, std::size_t n) {
        Word x[2];
        Word y[2];
        std::memcpy(&x[0], a, sizeof(Word));
        std::memcpy(&x[1], a + n - sizeof(Word), sizeof(Word));
        std::memcpy(&y[0], b, sizeof(Word));
        std::memcpy(&y[1], b + n - sizeof(Word), sizeof(Word));
        return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
    }
    // Texts of up to 32 bytes in two overlapping pieces, with no call.
    static bool same(const char* a, const char* b, std::size_t n) {
        if (n < 8) {
            if (n < 4) {
                for (std::size_t i = 0; i < n; ++i) {
                    if (a[i] != b[i]) return false;
                }
                return true;
            }
            return sameEnds<std::uint32_t>(a, b, n);
        }
#if defined(__SSE2__)
        if (n >= 16 && n <= 32) {
            auto differ = [](const char* x, const char* y) {
                return _mm_movemask_epi8(_mm_cmpeq_epi8(
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(x)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(y)))) ^ 0xFFFF;
            };
            return (differ(a, b) | differ(a + n - 16, b + n - 16)) == 0;
        }
#endif
        if (n >= 8 && n < 16) {
            return sameEnds<std::uint64_t>(a, b, n);
        }
        return std::memcmp(a, b, n) == 0;
    }
    struct Text {
        std::uint64_t hash;
        std::uint32_t offset;
        std::uint32_t length;
        int tag;
    };
    std::string bytes_;
    std::vector<Text> texts_;
    std::vector<std::uint32_t> slots_;
};

// The first "<" or "&" at or after `p`, or `end`: sixteen bytes at a time.
const char* nextStop(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lt), _mm_cmpeq_epi8(bytes, amp))));
        if (mask != 0) return p + std::countr_zero(mask);
        p += 16;
    }
#endif
    while (p < end && *p != '<' && *p != '&') ++p;
    return p;
}

// The first `c` of the `n` bytes at `p`, or null: sixteen bytes at a time.
const char* find(const char* p, char c, std::size_t n) {
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; at + 16 <= n; at += 16) {
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), wanted)));
        if (mask != 0) return p + at + std::countr_zero(mask);
    }
#endif
    for (; at < n; ++at) {
        if (p[at] == c) return p + at;
    }
    return nullptr;
}

// The skeleton of a check that remembers the texts of its tags.
std::size_t memoSkeleton(const char* bytes, std::size_t size) {
    Skeleton check;
    TextMemory memory;
    const char* p = bytes;
    const char* const end = bytes + size;
    while ((p = nextStop(p, end)) < end) {
        if (!check.startsTag(p, end)) continue;
        const std::size_t window =
            std::min(static_cast<std::size_t>(end - p), TextMemory::kLongest + 1);
        const char* close = find(p, '>', window);
        if (close == nullptr) {
            int tag = 0;
            p = check.tag(p, end, tag);
            continue;
        }
        const auto length = static_cast<std::size_t>(close - p);
        const std::uint64_t h = TextMemory::hash(p, length);
        const int known = memory.find(p, length, h);
        if (known != INT32_MIN) {
            if (known < 0) {
                check.close(-known - 1);
            } else {
                check.place(known);
            }
            p += length + 1;
            continue;
        }
        int tag = 0;
        const char* text = p;
        p = check.tag(p, end, tag);
        if (p == text + length + 1) memory.remember(text, length, h, tag);
    }
    return check.found + check.open.size();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc == 3 ? argv[1] : "";
    const bool withSkeleton = mode == "--skeleton" || mode == "--memo";
    if (argc != 2 && !withSkeleton) {
        std::fprintf(stderr, "usage: least-work [--skeleton | --memo] FILE > /dev/null\n");
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
    std::size_t tags = mode == "--memo" ? memoSkeleton(bytes, size)
                       : withSkeleton    ? skeleton(bytes, size)
                                         : 0;
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
