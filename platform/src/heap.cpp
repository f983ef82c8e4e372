#include "platform/heap.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace platform {

void prepareHeap(std::size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    // Blocks below the threshold come from the heap, and the heap is not trimmed, so the block
    // freed below stays mapped for the allocations to come.
    // The C library takes thresholds of up to 32 MB; none at all would send every block to a
    // mapping of its own.
    if (bytes == 0 || bytes > (std::size_t{8} << 20)) return;
    const int size = static_cast<int>(bytes);
    if (mallopt(M_MMAP_THRESHOLD, 2 * size) == 0 || mallopt(M_TRIM_THRESHOLD, 4 * size) == 0) {
        return;
    }
    mallopt(M_TOP_PAD, 0);
    void* block = std::malloc(bytes);
    if (block == nullptr) return;
    // The whole pages of the block, mapped in one call; an older kernel refuses, and the pages
    // are then mapped one fault at a time as before.
    constexpr std::uintptr_t kPage = 4096;
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kPage - 1);
    if (end > start) {
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
    }
    std::free(block);
#else
    (void)bytes;
#endif
}

}  // namespace platform
