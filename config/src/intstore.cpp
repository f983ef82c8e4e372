#include "config/intstore.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

constexpr std::size_t kMaxCount =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

}  // namespace

int IntStore::insert(std::int32_t value, const IntOrder& order) {
    if (values_.size() >= kMaxCount) return 0;
    const std::int32_t pos = findPosition(value, order);
    try {
        values_.insert(values_.begin() + pos, value);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

std::int32_t IntStore::findPosition(std::int32_t value, const IntOrder& order) const {
    if (!order) return count();
    std::int32_t low = 0;
    std::int32_t high = count();
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        const int relation = order(values_[static_cast<std::size_t>(middle)], value);
        if (relation == 0) return middle;
        if (relation < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

std::int32_t IntStore::locate(std::int32_t value, const IntOrder& order) const {
    return order ? findPosition(value, order) : indexOf(value);
}

int IntStore::remove(std::int32_t value, const IntOrder& order) {
    const std::int32_t pos = locate(value, order);
    if (pos >= count() || values_[static_cast<std::size_t>(pos)] != value) return 0;
    values_.erase(values_.begin() + pos);
    if (values_.empty()) std::vector<std::int32_t>().swap(values_);
    return 1;
}

int IntStore::removeEvery(std::int32_t value) {
    const auto kept = std::remove(values_.begin(), values_.end(), value);
    const int removed = static_cast<int>(values_.end() - kept);
    values_.erase(kept, values_.end());
    if (values_.empty()) std::vector<std::int32_t>().swap(values_);
    return removed;
}

int IntStore::contains(std::int32_t value, const IntOrder& order) const {
    const std::int32_t pos = locate(value, order);
    return pos < count() && values_[static_cast<std::size_t>(pos)] == value ? 1 : 0;
}

std::int32_t IntStore::indexOf(std::int32_t value) const {
    const auto found = std::find(values_.begin(), values_.end(), value);
    return static_cast<std::int32_t>(found - values_.begin());
}

std::int32_t IntStore::valueAt(std::int32_t i) const {
    if (i < 0 || i >= count()) return -1;
    return values_[static_cast<std::size_t>(i)];
}

std::int32_t IntStore::get(std::int32_t i, int& found) const {
    if (i < 0 || i >= count()) {
        found = 0;
        return -1;
    }
    found = 1;
    return values_[static_cast<std::size_t>(i)];
}

std::int32_t& IntStore::at(std::int32_t i) {
    if (i < 0 || i >= count()) {
        scratch_ = -1;
        return scratch_;
    }
    return values_[static_cast<std::size_t>(i)];
}

int IntStore::set(std::int32_t i, std::int32_t value, bool grow, std::int32_t fill) {
    if (i < 0) return 0;
    if (i >= count()) {
        if (!grow || i == std::numeric_limits<std::int32_t>::max()) return 0;
        if (!ensureSize(i + 1, fill)) return 0;
    }
    values_[static_cast<std::size_t>(i)] = value;
    return 1;
}

int IntStore::ensureSize(std::int32_t n, std::int32_t fill) {
    if (n <= count()) return 1;
    try {
        values_.resize(static_cast<std::size_t>(n), fill);
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
    return 1;
}

int IntStore::sort(const IntOrder& order) {
    if (!order) return 1;
    // A stable merge sort never reads outside the array, even for an order that is not
    // consistent, and keeps elements that order equal in their present sequence.
    std::stable_sort(values_.begin(), values_.end(),
                     [&order](std::int32_t a, std::int32_t b) { return order(a, b) < 0; });
    return 1;
}

int IntStore::removeAll() {
    std::vector<std::int32_t>().swap(values_);
    return 1;
}

int IntStore::assignLittleEndian(const char* bytes, std::int32_t n) {
    values_.clear();
    if (n <= 0) return 1;
    try {
        if constexpr (std::endian::native == std::endian::little) {
            // The stored form is the processor's own: one copy, no loop.
            values_.resize(static_cast<std::size_t>(n));
            std::memcpy(values_.data(), bytes, static_cast<std::size_t>(n) * 4);
            return 1;
        }
        values_.reserve(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes);
    for (std::int32_t i = 0; i < n; ++i, raw += 4) {
        const std::uint32_t value = static_cast<std::uint32_t>(raw[0]) |
                                    static_cast<std::uint32_t>(raw[1]) << 8 |
                                    static_cast<std::uint32_t>(raw[2]) << 16 |
                                    static_cast<std::uint32_t>(raw[3]) << 24;
        values_.push_back(static_cast<std::int32_t>(value));
    }
    return 1;
}

int IntStore::resetTo(std::int32_t n) {
    removeAll();
    if (n <= 0) return 1;
    return ensureSize(n, 0);
}
