// Texts that reach a terminal, a log or a one-line form with their control bytes shown rather
// than acted on.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` with each control byte (bytes 0 to 31 and 127) written as \xHH in upper-case
// hexadecimal, but for those in `kept` (a line feed and a tab a message of the program's own
// may hold). Every other byte, the backslash among them, stays as it is.
std::string escapeControlBytes(std::string_view text, std::string_view kept = {});

}  // namespace platform
