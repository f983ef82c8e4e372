// The heap of a short-lived program: what it allocates at start-up is mapped in one piece.
#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace platform {

// The size of the kernel's transparent huge pages when it gives them on request (2 MB on
// x86-64), or 0 where it does not.
std::size_t hugePageSize();

// Maps `bytes` of heap at once, ready for the allocations that follow, and keeps what is freed
// for later allocations instead of handing it back: a program that loads a large HTML
// Configuration and checks one page would otherwise take a page fault for every 4 KB it
// allocates. The heap starts on a huge-page boundary and grows into 256 MB of room the kernel
// backs with huge pages where it gives them on request, written only as it is used. Blocks of
// less than twice `bytes` come from that heap too. Where the C library or the kernel offers no
// way to do so, nothing changes.
void prepareHeap(std::size_t bytes);

// Whether address space may be set aside freely: no limit on it or on the data segment, and
// memory not counted strictly against what the system has (vm.overcommit_memory 2 counts room
// set aside for the life of the process, written or not). Where it may not, room reserved
// beyond what is used takes what later allocations need.
bool addressSpaceIsFree();

// Asks the kernel to back the memory of [start, start + bytes), not yet written, with huge
// pages where it gives them on request: a large table written once from one end to the other
// then takes one fault for every huge page instead of one for every 4 KB. No byte changes;
// ranges under two huge pages and other systems are left as they are.
void preferHugePages(const void* start, std::size_t bytes);

// Room of this many bytes or more is reserved apart from the heap (reserveRoom()).
inline constexpr std::size_t kSeparateRoom = std::size_t{1} << 20;

// Reserves `bytes` of room apart from the heap, for a table or buffer sized for the worst case
// of which a run may write only the start: only the pages written are ever mapped, and nothing
// is written at its end. In the heap, a block that large would have its header written at both
// ends, and on huge pages each end maps 2 MB; the blocks allocated after it would start past
// its end, on pages of their own. Room of two huge pages or more starts on a huge-page boundary.
// Throws std::bad_alloc when the room cannot be had.
void* reserveRoom(std::size_t bytes);
// Gives back room from reserveRoom() of the same size.
void releaseRoom(void* room, std::size_t bytes) noexcept;

// An allocator whose blocks of kSeparateRoom bytes or more are room apart from the heap, and
// whose smaller blocks come from the heap: for containers reserved for a whole document.
template <typename T>
struct RoomAllocator {
    using value_type = T;

    RoomAllocator() noexcept = default;
    template <typename U>
    RoomAllocator(const RoomAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        const std::size_t bytes = count * sizeof(T);
        return static_cast<T*>(bytes >= kSeparateRoom ? reserveRoom(bytes) : ::operator new(bytes));
    }
    void deallocate(T* block, std::size_t count) noexcept {
        const std::size_t bytes = count * sizeof(T);
        if (bytes >= kSeparateRoom) {
            releaseRoom(block, bytes);
        } else {
            ::operator delete(block);
        }
    }

    template <typename U>
    bool operator==(const RoomAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace platform
