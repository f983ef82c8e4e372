#include "platform/clock.h"

#include <array>

namespace platform {
namespace {

// Formats `when` as local time with the strftime `picture` under the process's LC_TIME locale.
std::optional<std::string> formatLocal(std::time_t when, const char* picture) {
    std::tm local{};
    if (!localtime_r(&when, &local)) return std::nullopt;
    std::array<char, 512> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), picture, &local);
    // Neither picture can yield an empty text, so 0 means the text did not fit or failed.
    if (length == 0) return std::nullopt;
    return std::string(text.data(), length);
}

}  // namespace

std::time_t SystemClock::now() const { return std::time(nullptr); }

std::optional<std::string> SystemClock::longDate(std::time_t when) const {
    return formatLocal(when, "%A, %B %d, %Y");
}

std::optional<std::string> SystemClock::defaultTime(std::time_t when) const {
    return formatLocal(when, "%X");
}

}  // namespace platform
