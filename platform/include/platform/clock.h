// The clock and the user's locale formats for dates and times.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;

    // The current calendar time.
    virtual std::time_t now() const = 0;

    // `when` in the long date format of the user's locale (LC_TIME), e.g.
    // "Tuesday, December 08, 2026"; empty when it cannot be formatted.
    virtual std::optional<std::string> longDate(std::time_t when) const = 0;

    // `when` in the default time format of the user's locale, e.g. "03:46:51"; empty when it
    // cannot be formatted.
    virtual std::optional<std::string> defaultTime(std::time_t when) const = 0;
};

// The real clock: the system time, converted to local time and formatted with strftime under
// the process's LC_TIME locale ("%A, %B %d, %Y" and "%X").
class SystemClock : public Clock {
public:
    std::time_t now() const override;
    std::optional<std::string> longDate(std::time_t when) const override;
    std::optional<std::string> defaultTime(std::time_t when) const override;
};

}  // namespace platform
