// The terminal colours of the forms written to a terminal: each kind of message has the colour
// compilers give it, so that errors, warnings and notes look as they do there.
#pragma once

#include <string_view>

namespace messages::colour {

inline constexpr std::string_view kError = "\033[1;31m";    // bold red
inline constexpr std::string_view kWarning = "\033[1;35m";  // bold magenta
inline constexpr std::string_view kNote = "\033[1;36m";     // bold cyan: comments, messages
inline constexpr std::string_view kBold = "\033[1m";
inline constexpr std::string_view kReset = "\033[0m";

}  // namespace messages::colour
