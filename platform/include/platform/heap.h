// The heap of a short-lived program: what it allocates at start-up is mapped in one piece.
#pragma once

#include <cstddef>

namespace platform {

// Maps `bytes` of heap at once, ready for the allocations that follow, and keeps what is freed
// for later allocations instead of handing it back: a program that loads a large HTML
// Configuration and checks one page would otherwise take a page fault for every 4 KB it
// allocates. The heap is placed on huge pages where the kernel gives them on request. Blocks
// of less than twice `bytes` come from that heap too. Where the C library or the kernel offers
// no way to do so, nothing changes.
void prepareHeap(std::size_t bytes);

}  // namespace platform
