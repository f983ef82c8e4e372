#include "config/document_lines.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>
#include <new>

#include "line_ends.h"
#include "platform/heap.h"

int DocumentLines::read(std::FILE* file) {
    clear();
    if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0) return kCannotRead;
    long size = std::ftell(file);
    if (size < 0 || size > kMaximumSize || std::fseek(file, 0, SEEK_SET) != 0) {
        return kCannotRead;
    }

    std::string buffer;
    try {
        buffer.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return kCannotRead;
    }
    std::size_t got = size > 0 ? std::fread(buffer.data(), 1, static_cast<std::size_t>(size), file)
                               : 0;
    if (got != static_cast<std::size_t>(size)) {
        std::rewind(file);
        return kReadCountDiffers;
    }
    buffer_ = std::move(buffer);
    size_ = size;
    try {
        split();
    } catch (const std::bad_alloc&) {
        clear();
        std::rewind(file);
        return kLineRecordFailed;
    }
    std::rewind(file);
    return 0;
}

int DocumentLines::adopt(std::string&& bytes) {
    clear();
    if (static_cast<std::uint64_t>(bytes.size()) > static_cast<std::uint64_t>(kMaximumSize)) {
        return kCannotRead;
    }
    buffer_ = std::move(bytes);
    size_ = static_cast<std::int64_t>(buffer_.size());
    return splitAdopted();
}

int DocumentLines::adopt(std::string_view bytes, std::shared_ptr<const void> holder) {
    clear();
    if (static_cast<std::uint64_t>(bytes.size()) > static_cast<std::uint64_t>(kMaximumSize)) {
        return kCannotRead;
    }
    held_ = bytes.data();
    holder_ = std::move(holder);
    size_ = static_cast<std::int64_t>(bytes.size());
    return splitAdopted();
}

int DocumentLines::splitAdopted() {
    try {
        split();
    } catch (const std::bad_alloc&) {
        clear();
        return kLineRecordFailed;
    }
    return 0;
}

DocumentLines DocumentLines::fromBytes(std::string_view bytes) {
    DocumentLines document;
    document.buffer_.assign(bytes);
    document.size_ = static_cast<std::int64_t>(bytes.size());
    document.split();
    return document;
}

std::size_t DocumentLines::lineIndexAt(std::size_t offset) const {
    // The last line that starts at or before the offset.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return after == starts_.begin() ? 0 : static_cast<std::size_t>(after - starts_.begin() - 1);
}

void DocumentLines::clear() {
    starts_.clear();
    starts_.shrink_to_fit();
    buffer_.clear();
    buffer_.shrink_to_fit();
    held_ = nullptr;
    holder_.reset();
    size_ = 0;
}

// A line ends at LF, at CR, or at the pair CR LF. A final segment without a terminator is a
// line when it is not empty; a terminator at the very end does not make an extra empty line.
namespace {

// The number of lines: one for a document that is not empty, one more after every line end
// (LF, CR, or the two of a CR LF together) that does not end the document. The line ends are
// counted sixteen bytes at a time without looking at each.
// The bits set in a mask, one step a bit: the masks of line ends are mostly empty, and a
// processor without POPCNT would count every mask the long way.
std::size_t bitsIn(unsigned mask) {
    std::size_t count = 0;
    for (; mask != 0; mask &= mask - 1) ++count;
    return count;
}

std::size_t countLines(const char* data, std::size_t size, bool withReturns) {
    if (size == 0) return 0;
    std::size_t feeds = 0;
    std::size_t returns = 0;
    std::size_t pairs = 0;  // CR LF
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    unsigned returnBefore = 0;  // the last byte of the block before was a CR
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const auto feedMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)));
        feeds += bitsIn(feedMask);
        if (withReturns) {
            const auto returnMask =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, carriageReturn)));
            returns += bitsIn(returnMask);
            pairs += bitsIn(((returnMask << 1) | returnBefore) & feedMask);
            returnBefore = (returnMask >> 15) & 1u;
        }
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == '\n') {
            ++feeds;
            if (withReturns && i > 0 && data[i - 1] == '\r') ++pairs;
        } else if (withReturns && data[i] == '\r') {
            ++returns;
        }
    }
    const bool endsWithLineEnd = data[size - 1] == '\n' || data[size - 1] == '\r';
    return 1 + feeds + returns - pairs - (endsWithLineEnd ? 1 : 0);
}

}  // namespace

void DocumentLines::split() {
    const char* data = this->data();
    const std::size_t size = static_cast<std::size_t>(size_);
    if (size == 0) return;
    // A line starts at 0 and after every line end that is not at the end of the document; a
    // line end is LF, CR or CR LF. The line ends are found in one pass. A line holds at least
    // its terminator, so there are at most as many lines as bytes: room for that many is only
    // address space until the starts are written, and spares a pass that counts them. Where
    // address space is limited (or that much is refused), the room would take what later
    // allocations need: the lines are counted first there.
    bool reserved = false;
    if (platform::addressSpaceIsFree()) {
        try {
            starts_.reserve(size);
            platform::preferHugePages(starts_.data(), starts_.capacity() * sizeof(std::uint32_t));
            reserved = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (!reserved) starts_.reserve(countLines(data, size, true));
    starts_.push_back(0);
    config::LineStartFinder finder(
        data, size,
        [](void* context, const std::uint32_t* starts, std::size_t count) {
            auto& table = *static_cast<decltype(starts_)*>(context);
            table.insert(table.end(), starts, starts + count);
        },
        &starts_);
    finder.run(true);
}
