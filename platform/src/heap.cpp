#include "platform/heap.h"

#include "aligned_region.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

#include <sys/resource.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace platform {

// Memory held on huge pages is read and written with one address translation for every 2 MB
// instead of one for every 4 KB page; on a virtual machine whose host keeps the page tables,
// the first read of each 4 KB page of a mapped file costs some 2 microseconds, and the first
// write of fresh heap more, which over a page of 10 MB is a sixth of the time its check takes.
std::size_t hugePageSize() {
    static const std::size_t size = [] {
        auto readSetting = [](const char* name, char* text, std::size_t capacity) {
            std::FILE* file = std::fopen(name, "re");
            if (file == nullptr) return std::string_view();
            const std::size_t got = std::fread(text, 1, capacity, file);
            std::fclose(file);
            return std::string_view(text, got);
        };
        char text[128];
        const std::string_view enabled =
            readSetting("/sys/kernel/mm/transparent_hugepage/enabled", text, sizeof text);
        if (enabled.find("[always]") == std::string_view::npos &&
            enabled.find("[madvise]") == std::string_view::npos) {
            return std::size_t{0};
        }
        const std::string_view pmd =
            readSetting("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size", text, sizeof text);
        std::size_t bytes = 0;
        for (char c : pmd) {
            if (c < '0' || c > '9') break;
            bytes = bytes * 10 + static_cast<std::size_t>(c - '0');
            if (bytes > (std::size_t{64} << 20)) return std::size_t{0};
        }
        // A power of two of at least a page, or none: 2 MB on x86-64.
        return bytes >= 4096 && (bytes & (bytes - 1)) == 0 ? bytes : std::size_t{0};
    }();
    return size;
}

#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
namespace {

// The block that pads the heap up to a huge-page boundary, kept for the life of the program.
// Stored where the compiler must write it: an allocation nothing uses may be left out.
void* volatile heapPad = nullptr;

}  // namespace
#endif

void prepareHeap(std::size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    // Blocks below the threshold come from the heap, and the heap is not trimmed below the room
    // set aside here, so that memory freed stays mapped for the allocations to come.
    // The C library takes thresholds of up to 32 MB; none at all would send every block to a
    // mapping of its own.
    if (bytes == 0 || bytes > (std::size_t{8} << 20)) return;
    constexpr std::size_t kLargestHeapBlock = std::size_t{32} << 20;
    constexpr std::size_t kRoom = std::size_t{256} << 20;
    constexpr std::size_t kHeaders = 64;  // the C library's headers of the pad and a piece
    const std::uintptr_t huge = hugePageSize();
    const bool roomy = huge != 0 && addressSpaceIsFree();
    const std::size_t pieceSize = roomy ? kLargestHeapBlock - 2 * kHeaders : bytes + kHeaders;
    const std::size_t pieceCount = roomy ? kRoom / kLargestHeapBlock : 1;
    const int size = static_cast<int>(bytes);
    const auto trim = static_cast<int>(roomy ? 2 * kRoom : 4 * bytes);
    // The pieces, and the probe below, are to come from the heap whatever their size.
    if (mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargestHeapBlock)) == 0 ||
        mallopt(M_TRIM_THRESHOLD, trim) == 0) {
        mallopt(M_MMAP_THRESHOLD, 2 * size);
        return;
    }
    mallopt(M_TOP_PAD, 0);
    // The heap is to grow from a huge-page boundary into room the kernel backs with whole huge
    // pages where it does so on request: the first write of each 4 KB page of fresh memory is
    // dear on a virtual machine whose host keeps the page tables, and a huge page is written
    // for the first time once. A block larger than all the free blocks together comes from the
    // top of the heap: the probe finds where that is, and a pad kept for good reaches from there
    // to the next boundary (address space only: its pages are never written). The room is then
    // taken and freed: its pages are written only as the heap comes to use them, `bytes` of
    // them at once now. Where address space is not free to set aside, the room is `bytes`.
    // The pad too must be larger than all the free blocks, or one of them would serve it: it
    // reaches to a later boundary if need be.
    const struct mallinfo2 heap = mallinfo2();
    const std::size_t freeBelowTop = heap.fordblks - heap.keepcost;
    const std::size_t probeSize = freeBelowTop + (std::size_t{4} << 10);
    if (void* probe = huge != 0 && probeSize < kLargestHeapBlock ? std::malloc(probeSize)
                                                                  : nullptr) {
        const auto at = reinterpret_cast<std::uintptr_t>(probe);
        std::free(probe);
        std::uintptr_t boundary = (at + huge - 1) & ~(huge - 1);
        while (boundary - at < freeBelowTop + 4 * kHeaders) boundary += huge;
        heapPad = std::malloc(boundary - at - kHeaders);
    }
    // The C library takes a block from the heap only up to 32 MB: the room is taken in pieces
    // of that size, one after another from the top, and freed together. A piece that does not
    // follow the one before (the heap could not grow in place) ends the room.
    void* pieces[kRoom / kLargestHeapBlock] = {};
    std::size_t taken = 0;
    while (taken < pieceCount) {
        void* piece = std::malloc(pieceSize);
        if (piece == nullptr) break;
        const auto at = reinterpret_cast<std::uintptr_t>(piece);
        const auto last = taken > 0 ? reinterpret_cast<std::uintptr_t>(pieces[taken - 1]) : 0;
        if (taken > 0 && (at < last || at - last > pieceSize + kHeaders)) {
            std::free(piece);
            break;
        }
        pieces[taken++] = piece;
    }
    mallopt(M_MMAP_THRESHOLD, 2 * size);
    if (taken == 0) return;
    const auto blockStart = reinterpret_cast<std::uintptr_t>(pieces[0]);
    const auto blockEnd = reinterpret_cast<std::uintptr_t>(pieces[taken - 1]) + pieceSize;
    const auto hugeStart = huge != 0 ? (blockStart + huge - 1) & ~(huge - 1) : blockEnd;
    const auto hugeEnd = huge != 0 ? blockEnd & ~(huge - 1) : blockEnd;
    if (hugeEnd > hugeStart) {
        madvise(reinterpret_cast<void*>(hugeStart), hugeEnd - hugeStart, MADV_HUGEPAGE);
    }
    // The first pages of the room, mapped in one call; an older kernel refuses, and the pages
    // are then mapped one fault at a time as before.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    if (page > 0 && (page & (page - 1)) == 0) {
        const auto start = (blockStart + page - 1) & ~(page - 1);
        const auto end = std::min(blockEnd, blockStart + bytes + kHeaders) & ~(page - 1);
        if (end > start) {
            madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
        }
    }
    while (taken > 0) std::free(pieces[--taken]);
#else
    (void)bytes;
#endif
}

bool addressSpaceIsFree() {
    // The limits and the system's setting are looked at once: a process does not change them.
    static const bool free = [] {
        struct rlimit limit {};
        for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
            if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
                return false;
            }
        }
        std::FILE* setting = std::fopen("/proc/sys/vm/overcommit_memory", "re");
        if (setting == nullptr) return true;
        const int mode = std::fgetc(setting);
        std::fclose(setting);
        return mode != '2';
    }();
    return free;
}

void preferHugePages(const void* start, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Below two huge pages no whole aligned one is sure to fall inside the range.
    const std::size_t huge = hugePageSize();
    if (huge == 0 || bytes < 2 * huge) return;
    // The advice changes no byte, so the pages the range shares with its neighbours are advised
    // too: a block the C library mapped on its own starts just after its mapping's first bytes,
    // and the huge page at the start of the mapping is given only when the whole of it is
    // advised.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    if (page == 0 || (page & (page - 1)) != 0) return;
    const auto first = reinterpret_cast<std::uintptr_t>(start) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + bytes + page - 1) & ~(page - 1);
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

char* reserveAligned(std::size_t bytes, std::size_t huge, int protection) {
#if defined(__linux__)
    void* region = ::mmap(nullptr, bytes + huge, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(region);
    const std::uintptr_t aligned = (start + huge - 1) & ~(std::uintptr_t{huge} - 1);
    if (aligned > start) ::munmap(region, aligned - start);
    ::munmap(reinterpret_cast<void*>(aligned + bytes), start + huge - aligned);
    return reinterpret_cast<char*>(aligned);
#else
    (void)bytes;
    (void)huge;
    (void)protection;
    return nullptr;
#endif
}

void* reserveRoom(std::size_t bytes) {
#if defined(__linux__)
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // More than half the address space is never had; below it, rounding and alignment cannot
    // overflow.
    if (page == 0 || (page & (page - 1)) != 0 || bytes > SIZE_MAX / 2) {
        throw std::bad_alloc();
    }
    const std::size_t span = (bytes + page - 1) & ~(page - 1);
    const std::size_t huge = hugePageSize();
    if (huge != 0 && span >= 2 * huge) {
        if (char* room = reserveAligned(span, huge, PROT_READ | PROT_WRITE)) return room;
        throw std::bad_alloc();
    }
    void* room = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED) throw std::bad_alloc();
    return room;
#else
    return ::operator new(bytes);
#endif
}

void releaseRoom(void* room, std::size_t bytes) noexcept {
#if defined(__linux__)
    if (room != nullptr) ::munmap(room, bytes);
#else
    (void)bytes;
    ::operator delete(room);
#endif
}

}  // namespace platform
