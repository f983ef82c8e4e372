// The engine's three tables of built-in character entity names, as the HTML Configuration
// editor's Entities page lists them.
#pragma once

#include <span>
#include <string_view>

namespace engine {

// 0: the HTML 2.0 entities (ISO 8859-1 with amp, gt, lt and quot); 1: math, Greek letters and
// symbols; 2: the special entities. Empty for any other number.
std::span<const std::string_view> builtinEntityTable(int table);

}  // namespace engine
