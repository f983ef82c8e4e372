// Passing over bytes that need no attention: the scanner's text between tags and the tag
// texts the dispatch looks through for blocks.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

// A set of N stop characters; skip() passes over every other character. With `kWide`, where
// the processor has SSE2 (every x86-64 one), sixteen bytes are compared with each stop
// character at once, which pays on long runs with few stop characters (the text between
// tags); without it, bytes are looked up in a table one by one, which measures faster on
// short texts with many stop characters (the text of a tag).
template <std::size_t N, bool kWide>
class StopSet {
public:
    constexpr explicit StopSet(const char (&characters)[N + 1]) {
        for (std::size_t i = 0; i < N; ++i) {
            for (char& copy : characters_[i]) copy = characters[i];
            table_[static_cast<unsigned char>(characters[i])] = true;
        }
    }

    // The place of the first stop character at or after `pos`, or the line's size.
    std::size_t skip(std::string_view line, std::size_t pos) const {
#if defined(__SSE2__)
        if constexpr (kWide) {
            __m128i stops[N];
            for (std::size_t i = 0; i < N; ++i) {
                stops[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(characters_[i]));
            }
            auto stopsIn = [&stops](const char* at) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
                __m128i found = _mm_cmpeq_epi8(bytes, stops[0]);
                for (std::size_t i = 1; i < N; ++i) {
                    found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, stops[i]));
                }
                return static_cast<unsigned>(_mm_movemask_epi8(found));
            };
            while (pos + 16 <= line.size()) {
                const unsigned mask = stopsIn(line.data() + pos);
                if (mask != 0) return pos + static_cast<std::size_t>(std::countr_zero(mask));
                pos += 16;
            }
            // The last bytes of a line of sixteen or more: the sixteen that end it are read
            // (never a byte past the line) and those before `pos` left out.
            if (pos < line.size() && line.size() >= 16) {
                const std::size_t last = line.size() - 16;
                const unsigned mask = stopsIn(line.data() + last) >> (pos - last);
                return mask != 0 ? pos + static_cast<std::size_t>(std::countr_zero(mask))
                                 : line.size();
            }
        }
#endif
        while (pos < line.size() && !table_[static_cast<unsigned char>(line[pos])]) ++pos;
        return pos;
    }

private:
    // Each stop character sixteen times, ready to be compared with sixteen bytes at once.
    alignas(16) char characters_[N][16] = {};
    std::array<bool, 256> table_{};
};

}  // namespace engine
