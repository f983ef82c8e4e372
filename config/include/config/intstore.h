// IntStore: a growable array of signed 32-bit integers with ordered insert and binary search.
// The configuration model keeps its id lists and sorted position arrays in it.
//
// Operations return 1 on success and 0 on failure unless they say otherwise; a failed change
// leaves the array as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// A three-way comparison of two values: negative when a orders before b, 0 when they order
// equal, positive when a orders after b. An empty IntOrder means "no order".
using IntOrder = std::function<int(std::int32_t a, std::int32_t b)>;

class IntStore {
  public:
    IntStore() = default;
    IntStore(const IntStore&) = default;
    IntStore(IntStore&&) noexcept = default;
    IntStore& operator=(const IntStore&) = default;
    IntStore& operator=(IntStore&&) noexcept = default;
    ~IntStore() = default;

    std::int32_t count() const { return static_cast<std::int32_t>(values_.size()); }
    int isEmpty() const { return values_.empty() ? 1 : 0; }

    // With no order appends; with an order inserts at findPosition(value, order). Duplicates
    // are not checked.
    int insert(std::int32_t value, const IntOrder& order = {});
    // Binary search: a position p such that every element before p orders before the value and
    // every element from p on orders after it; the position of an element that orders equal
    // when the search meets one. With no order: count().
    std::int32_t findPosition(std::int32_t value, const IntOrder& order = {}) const;
    // Locates the value (binary search with an order, first occurrence without) and removes
    // the element found only when it equals the value.
    int remove(std::int32_t value, const IntOrder& order = {});
    // Removes every element equal to the value, in one pass; how many there were.
    int removeEvery(std::int32_t value);
    // The same location rule as remove; 1 when the element found equals the value.
    int contains(std::int32_t value, const IntOrder& order = {}) const;
    // First index of the value by linear scan; count() when absent.
    std::int32_t indexOf(std::int32_t value) const;

    // The element at i; -1 when i is out of range.
    std::int32_t valueAt(std::int32_t i) const;
    // The element at i with found = 1; -1 with found = 0 when i is out of range.
    std::int32_t get(std::int32_t i, int& found) const;
    // A reference to element i. Out of range it refers to a scratch integer set to -1, so a
    // write through it changes nothing in the array.
    std::int32_t& at(std::int32_t i);

    // Stores value at i. A negative i fails; i at or beyond the end fails unless grow, which
    // first extends the array to i + 1 elements with fill.
    int set(std::int32_t i, std::int32_t value, bool grow = false, std::int32_t fill = 0);
    // Appends fill until there are n elements; never shrinks.
    int ensureSize(std::int32_t n, std::int32_t fill = 0);
    // Sorts by the order (stable); with no order the array is left as it is.
    int sort(const IntOrder& order);
    // Empties the array and frees its storage.
    int removeAll();
    // Empties the array, then holds n zeros.
    int resetTo(std::int32_t n);
    // Empties the array, then holds the n elements stored as four little-endian bytes each
    // from `bytes` on (a list of a configuration file, read in one pass).
    int assignLittleEndian(const char* bytes, std::int32_t n);

    const std::vector<std::int32_t>& values() const { return values_; }

  private:
    // Where remove and contains look for a value: the binary search position with an order,
    // the first occurrence without.
    std::int32_t locate(std::int32_t value, const IntOrder& order) const;

    std::vector<std::int32_t> values_;
    std::int32_t scratch_ = -1;
};
