#include "line_ends.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MARKWISE_WIDE_LINE_ENDS 1
// The C library's record of the processor's features; its header is C, which GCC reads in
// C++ as well and clang does not.
#if defined(__has_include) && !defined(__clang__)
#if __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>
#define MARKWISE_GLIBC_CPU_FEATURES 1
#endif
#endif
#endif

namespace config {

void LineStartFinder::run(bool wide) {
    consumed_ = 0;
    count_ = 0;
    std::size_t at = wide && wideAvailable() ? wideBlocks() : portableBlocks();
    for (; at < size_; ++at) {
        if (data_[at] == '\n' || data_[at] == '\r') lineEnd(at);
    }
    flush();
}

void LineStartFinder::lineEnd(std::size_t at) {
    if (at < consumed_) return;  // the LF of a CR LF
    std::size_t end = at;
    if (data_[at] == '\r' && at + 1 < size_ && data_[at + 1] == '\n') ++end;
    consumed_ = end + 1;
    if (end + 1 < size_) add(static_cast<std::uint32_t>(end + 1));
}

// The blocks stop before the document's last byte, so that a line end inside one never ends
// the document: each starts a line. A line ends at each LF, and at each CR but one that an LF
// follows (the pair ends at its LF): the byte after the block tells that for its last.
// Writes the starts after the block's line ends to `out`, and returns how many there are.
[[gnu::always_inline]] inline std::size_t LineStartFinder::blockStarts(const char* data,
                                                                      std::size_t at,
                                                                      Masks masks,
                                                                      std::uint32_t* out) {
    const std::uint64_t feedAfter = std::uint64_t{data[at + 64] == '\n'} << 63;
    const std::uint64_t ends = masks.feeds | (masks.returns & ~((masks.feeds >> 1) | feedAfter));
    // Most blocks hold one line end or none: two starts are written whatever the block holds,
    // and only those it holds are counted. The top bit stands in for an end the block does
    // not hold, so that whether it holds one is never asked: a block without one is as
    // common as a block with one, and no guess about it would hold.
    constexpr std::uint64_t kTop = std::uint64_t{1} << 63;
    const auto start = static_cast<std::uint32_t>(at + 1);
    const std::uint64_t second = ends & (ends - 1);
    out[0] = start + static_cast<std::uint32_t>(std::countr_zero(ends | kTop));
    out[1] = start + static_cast<std::uint32_t>(std::countr_zero(second | kTop));
    const auto found = static_cast<std::size_t>(std::popcount(ends));
    if (found > 2) [[unlikely]] {
        std::uint64_t rest = second & (second - 1);
        out += 2;
        do {
            *out++ = start + static_cast<std::uint32_t>(std::countr_zero(rest));
            rest &= rest - 1;
        } while (rest != 0);
    }
    return found;
}

LineStartFinder::Masks LineStartFinder::portableMasks(const char* block) {
    Masks masks{0, 0};
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        const auto feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)));
        const auto returns =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, carriageReturn)));
        masks.feeds |= std::uint64_t{feeds} << (16 * i);
        masks.returns |= std::uint64_t{returns} << (16 * i);
    }
#else
    for (int i = 0; i < 64; ++i) {
        if (block[i] == '\n') masks.feeds |= std::uint64_t{1} << i;
        if (block[i] == '\r') masks.returns |= std::uint64_t{1} << i;
    }
#endif
    return masks;
}

// The blocks' loops keep the document and the count of starts buffered in registers: the
// starts written are never taken for them.
std::size_t LineStartFinder::portableBlocks() {
    const char* const data = data_;
    const std::size_t size = size_;
    std::size_t count = count_;
    std::size_t at = 0;
    for (; at + 64 < size; at += 64) {
        count = counted(count, blockStarts(data, at, portableMasks(data + at), buffer_ + count));
    }
    count_ = count;
    return at;
}

#if defined(MARKWISE_WIDE_LINE_ENDS)
// The same blocks, 32 bytes a step; the block's own work compiled for the same processor.
__attribute__((target("avx2,popcnt,bmi"))) std::size_t LineStartFinder::wideBlocks() {
    const __m256i feed = _mm256_set1_epi8('\n');
    const __m256i carriageReturn = _mm256_set1_epi8('\r');
    const char* const data = data_;
    const std::size_t size = size_;
    std::size_t count = count_;
    std::size_t at = 0;
    for (; at + 64 < size; at += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 32));
        const auto lowFeeds =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, feed)));
        const auto highFeeds =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, feed)));
        const auto lowReturns = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(low, carriageReturn)));
        const auto highReturns = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(high, carriageReturn)));
        count = counted(count, blockStarts(data, at,
                                           {lowFeeds | std::uint64_t{highFeeds} << 32,
                                            lowReturns | std::uint64_t{highReturns} << 32},
                                           buffer_ + count));
    }
    count_ = count;
    return at;
}

bool LineStartFinder::wideAvailable() {
#if MARKWISE_GLIBC_CPU_FEATURES
    // What the C library found at start-up: asking the processor again costs a trip to the
    // hypervisor on a virtual machine, some tens of microseconds a run.
    static const bool available = CPU_FEATURE_ACTIVE(AVX2);
#else
    static const bool available = __builtin_cpu_supports("avx2") != 0;
#endif
    return available;
}
#else
std::size_t LineStartFinder::wideBlocks() { return portableBlocks(); }
bool LineStartFinder::wideAvailable() { return false; }
#endif

}  // namespace config
