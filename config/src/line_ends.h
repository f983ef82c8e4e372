// Finding where a document's lines start, 64 bytes at a time, for the split into lines.
#pragma once

#include <cstddef>
#include <cstdint>

namespace config {

// The lines of a document start at 0 and after each line end (LF, CR, or CR LF as one) that
// is not at the document's end. A block of 64 bytes is looked at in one piece: its line feeds
// and carriage returns become two masks of bits, those the mask of its line ends, and the
// starts after them are written without a branch for each.
class LineStartFinder {
public:
    // `take(context, starts, count)` is handed the starts found, in order, some hundreds at a
    // time.
    using Take = void (*)(void* context, const std::uint32_t* starts, std::size_t count);

    // `size` is at most 0xFFFFFFFF.
    LineStartFinder(const char* data, std::size_t size, Take take, void* context)
        : data_(data), size_(size), take_(take), context_(context) {}

    // Hands on the starts of every line after the first one: the blocks of 64 bytes that end
    // before the document's last byte are looked at 32 bytes a step where `wide` (the
    // processor has AVX2: wideAvailable()) and 16 elsewhere, the bytes after them one by one.
    void run(bool wide);

    static bool wideAvailable();

private:
    struct Masks {
        std::uint64_t feeds;
        std::uint64_t returns;
    };
    static Masks portableMasks(const char* block);
    std::size_t portableBlocks();
    std::size_t wideBlocks();
    // The starts after the line ends of the block at `at` of `data` (at + 64 < size), written
    // to `out`; their number.
    static std::size_t blockStarts(const char* data, std::size_t at, Masks masks,
                                   std::uint32_t* out);
    // The line end at `at` after the blocks: the line after it starts past it, or past the LF
    // of a CR LF.
    void lineEnd(std::size_t at);
    void add(std::uint32_t start) {
        buffer_[count_++] = start;
        if (count_ >= kBatch) flush();
    }
    // The count of starts buffered after `found` more; the batch is handed on when full. The
    // blocks' loops keep the count themselves and pass it through here.
    [[gnu::always_inline]] std::size_t counted(std::size_t count, std::size_t found) {
        count += found;
        if (count >= kBatch) {
            count_ = count;
            flush();
            count = 0;
        }
        return count;
    }
    void flush() {
        if (count_ > 0) take_(context_, buffer_, count_);
        count_ = 0;
    }

    static constexpr std::size_t kBatch = 1024;

    const char* data_;
    std::size_t size_;
    Take take_;
    void* context_;
    // After the blocks, the bytes before this belong to line ends already seen (the LF of a
    // CR LF).
    std::size_t consumed_ = 0;
    std::size_t count_ = 0;
    // A block writes two starts whatever it holds, and up to 64.
    std::uint32_t buffer_[kBatch + 64];
};

}  // namespace config
