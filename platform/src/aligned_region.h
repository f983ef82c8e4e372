// Fresh mappings placed where the kernel can back them with huge pages.
#pragma once

#include <cstddef>

namespace platform {

// Fresh memory of `bytes` (whole pages) with the access `protection`, starting on a multiple of
// `huge`, or null.
char* reserveAligned(std::size_t bytes, std::size_t huge, int protection);

}  // namespace platform
