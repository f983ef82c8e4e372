// Small text helpers of the shell.
#pragma once

#include <string>
#include <string_view>

#include "options/options.h"

namespace shell::detail {

inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// `pattern` with its one "%s" replaced by `value`.
inline std::string fill(std::string_view pattern, std::string_view value) {
    std::string out(pattern);
    if (std::size_t at = out.find("%s"); at != std::string::npos) out.replace(at, 2, value);
    return out;
}

// The position of the "." that begins the extension of `path` (the last "." after the last
// "/"), or npos when it has none.
inline std::size_t extensionDot(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return dot;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string_view::npos && slash > dot) return std::string_view::npos;
    return dot;
}

// The part of a path after its last "/".
inline std::string_view baseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Paths and option texts hold at most this many bytes.
inline constexpr std::size_t kMaxPath = options::kLongestPath;

}  // namespace shell::detail
