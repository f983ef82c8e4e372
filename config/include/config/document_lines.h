// The document line reader: a whole file read in one piece and split at LF, CR or CR LF into
// numbered lines. The validation run, the report writers and the text tools share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/heap.h"

// One line of a document: its text without the terminator, and its 1-based number.
struct inputlineclass {
    std::string_view text;
    std::int32_t number;
};

class DocumentLines {
public:
    // Serious-error numbers of a failed read.
    static constexpr int kReadCountDiffers = 22;
    static constexpr int kLineRecordFailed = 24;
    static constexpr int kCannotRead = 98013002;
    // Documents are held whole in memory, up to this size.
    static constexpr std::int64_t kMaximumSize = 0xFFFFFFFF;

    DocumentLines() = default;
    DocumentLines(DocumentLines&&) noexcept = default;
    DocumentLines& operator=(DocumentLines&&) noexcept = default;
    DocumentLines(const DocumentLines&) = delete;
    DocumentLines& operator=(const DocumentLines&) = delete;

    // Reads the open stream whole (bytes unchanged) from its start, splits it into lines and
    // rewinds the stream. Returns 0, or the serious-error number of the failure, in which case
    // the lines are empty.
    int read(std::FILE* file);

    // Takes the bytes of a document already read whole (no copy) and splits them into lines.
    // Returns 0, or the serious-error number of the failure, in which case the lines are empty.
    int adopt(std::string&& bytes);
    // Splits bytes held elsewhere (a mapped file), which `holder` keeps alive for as long as
    // the lines are used. Returns 0 or the serious-error number of the failure, as adopt().
    int adopt(std::string_view bytes, std::shared_ptr<const void> holder);

    // Splits bytes held in memory.
    static DocumentLines fromBytes(std::string_view bytes);

    std::size_t count() const { return starts_.size(); }
    bool empty() const { return starts_.empty(); }
    // The line at a 0-based index; its number is index + 1.
    inputlineclass operator[](std::size_t index) const {
        const char* data = this->data();
        const std::size_t start = starts_[index];
        std::size_t end = index + 1 < starts_.size() ? starts_[index + 1]
                                                     : static_cast<std::size_t>(size_);
        // Line text never holds CR or LF: what ends the segment is its terminator.
        if (end > start && data[end - 1] == '\n') --end;
        if (end > start && data[end - 1] == '\r') --end;
        return {std::string_view(data + start, end - start), static_cast<std::int32_t>(index + 1)};
    }
    // Where the line at a 0-based index starts in the document.
    std::size_t startOf(std::size_t index) const { return starts_[index]; }
    // The 0-based index of the line that holds the byte at `offset` (the last line for an
    // offset past the end); the document must have a line.
    std::size_t lineIndexAt(std::size_t offset) const;
    // The document's size in bytes.
    std::int64_t byteSize() const { return size_; }
    std::string_view bytes() const { return {data(), static_cast<std::size_t>(size_)}; }

    void clear();

private:
    void split();
    // Splits the bytes just taken over: 0, or kLineRecordFailed with the lines left empty.
    int splitAdopted();
    const char* data() const { return held_ != nullptr ? held_ : buffer_.data(); }

    // The bytes: read into the buffer, or held elsewhere (`held_`, kept by `holder_`).
    std::string buffer_;
    const char* held_ = nullptr;
    std::shared_ptr<const void> holder_;
    std::int64_t size_ = 0;
    // Where each line starts in the buffer. A line runs to the next line's start (or the end of
    // the document) less its terminator; four bytes a line keep documents of many short lines
    // small in memory. The table is reserved for as many lines as bytes, apart from the heap.
    std::vector<std::uint32_t, platform::RoomAllocator<std::uint32_t>> starts_;
};
