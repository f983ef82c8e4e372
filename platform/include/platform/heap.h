// The heap of a short-lived program: what it allocates at start-up is mapped in one piece.
#pragma once

#include <cstddef>

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

}  // namespace platform
