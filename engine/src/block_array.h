// An array that grows by blocks of a fixed size and never moves what it holds: a deep open-tag
// stack grows without the old and the new copy of it being in memory at once, as they are while
// a vector moves to a larger block, and a block set aside is never written until it is used.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace engine {

template <typename T, unsigned kShift = 12>
class BlockArray {
    static_assert(std::is_trivially_copyable_v<T>);
    static constexpr std::size_t kBlock = std::size_t{1} << kShift;
    static constexpr std::size_t kMask = kBlock - 1;

public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return blocks_[i >> kShift][i & kMask]; }
    const T& operator[](std::size_t i) const { return blocks_[i >> kShift][i & kMask]; }
    // The last element; most work is at the top, where end_ points past it.
    T& back() { return end_[-1]; }
    const T& back() const { return end_[-1]; }

    void push_back(const T& value) {
        if ((size_ & kMask) == 0) enterBlock(size_ >> kShift);
        *end_++ = value;
        ++size_;
    }
    void pop_back() {
        --end_;
        if ((--size_ & kMask) == 0 && size_ > 0) leaveBlock();
    }
    // Keeps the first `count` elements (no more than there are).
    void truncate(std::size_t count) {
        if (count >= size_) return;
        size_ = count;
        placeEnd();
    }
    // Removes every element and gives back every block.
    void clear() {
        size_ = 0;
        end_ = nullptr;
        blocks_.clear();
        blocks_.shrink_to_fit();
    }
    // Calls `visit(element)` from the last element down until it returns true; returns
    // whether it did.
    template <typename Visit>
    bool walkDown(Visit&& visit) const {
        if (size_ == 0) return false;
        const T* p = end_;
        std::size_t block = (size_ - 1) >> kShift;
        const T* start = blocks_[block].get();
        while (true) {
            while (p != start) {
                if (visit(*--p)) return true;
            }
            if (block == 0) return false;
            start = blocks_[--block].get();
            p = start + kBlock;
        }
    }
    // Removes the elements for which `drop` is true, keeping the order of the others.
    template <typename Drop>
    void eraseIf(Drop&& drop) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < size_; ++i) {
            if (drop((*this)[i])) continue;
            if (kept != i) (*this)[kept] = (*this)[i];
            ++kept;
        }
        truncate(kept);
    }

private:
    // end_ points past the last element, in the block that holds it; with no element, at the
    // start of the first block (or nowhere before the first push).
    void enterBlock(std::size_t block) {
        if (block == blocks_.size()) blocks_.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
        end_ = blocks_[block].get();
    }
    void leaveBlock() { end_ = blocks_[(size_ - 1) >> kShift].get() + kBlock; }
    void placeEnd() {
        if (size_ == 0) {
            end_ = blocks_.empty() ? nullptr : blocks_[0].get();
        } else {
            end_ = blocks_[(size_ - 1) >> kShift].get() + ((size_ - 1) & kMask) + 1;
        }
    }

    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t size_ = 0;
    T* end_ = nullptr;
};

}  // namespace engine
