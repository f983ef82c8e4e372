// A clock for the tests: a fixed time and fixed locale texts, each of which a test can change.
// Like the real clock it may be asked from several threads at once (markwise-check's workers).
#pragma once

#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform {

class FakeClock : public Clock {
public:
    // Tuesday, December 8, 2026, 03:46:51 UTC.
    std::time_t nowValue = 1796701611;
    // The texts every date and time is formatted as; an empty text makes formatting fail.
    std::string longDateText = "Tuesday, December 08, 2026";
    std::string timeText = "03:46:51";
    // The times that were formatted, in order.
    mutable std::vector<std::time_t> longDateRequests;
    mutable std::vector<std::time_t> timeRequests;

    std::time_t now() const override { return nowValue; }

    std::optional<std::string> longDate(std::time_t when) const override {
        {
            std::lock_guard lock(mutex_);
            longDateRequests.push_back(when);
        }
        if (longDateText.empty()) return std::nullopt;
        return longDateText;
    }

    std::optional<std::string> defaultTime(std::time_t when) const override {
        {
            std::lock_guard lock(mutex_);
            timeRequests.push_back(when);
        }
        if (timeText.empty()) return std::nullopt;
        return timeText;
    }

private:
    mutable std::mutex mutex_;
};

}  // namespace platform
