#include "config/document_lines.h"

#include <cstring>
#include <new>

int DocumentLines::read(std::FILE* file) {
    clear();
    if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0) return kCannotRead;
    long size = std::ftell(file);
    if (size < 0 || size > kMaximumSize || std::fseek(file, 0, SEEK_SET) != 0) {
        return kCannotRead;
    }

    std::string buffer;
    try {
        buffer.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return kCannotRead;
    }
    std::size_t got = size > 0 ? std::fread(buffer.data(), 1, static_cast<std::size_t>(size), file)
                               : 0;
    if (got != static_cast<std::size_t>(size)) {
        std::rewind(file);
        return kReadCountDiffers;
    }
    buffer_ = std::move(buffer);
    size_ = size;
    try {
        split();
    } catch (const std::bad_alloc&) {
        clear();
        std::rewind(file);
        return kLineRecordFailed;
    }
    std::rewind(file);
    return 0;
}

int DocumentLines::adopt(std::string&& bytes) {
    clear();
    if (static_cast<std::uint64_t>(bytes.size()) > static_cast<std::uint64_t>(kMaximumSize)) {
        return kCannotRead;
    }
    buffer_ = std::move(bytes);
    size_ = static_cast<std::int64_t>(buffer_.size());
    try {
        split();
    } catch (const std::bad_alloc&) {
        clear();
        return kLineRecordFailed;
    }
    return 0;
}

DocumentLines DocumentLines::fromBytes(std::string_view bytes) {
    DocumentLines document;
    document.buffer_.assign(bytes);
    document.size_ = static_cast<std::int64_t>(bytes.size());
    document.split();
    return document;
}

void DocumentLines::clear() {
    starts_.clear();
    starts_.shrink_to_fit();
    buffer_.clear();
    buffer_.shrink_to_fit();
    size_ = 0;
}

// A line ends at LF, at CR, or at the pair CR LF. A final segment without a terminator is a
// line when it is not empty; a terminator at the very end does not make an extra empty line.
void DocumentLines::split() {
    const char* data = buffer_.data();
    const std::size_t size = static_cast<std::size_t>(size_);
    const bool onlyLineFeeds = std::memchr(data, '\r', size) == nullptr;

    // Count the lines first, so that the starts take exactly the memory they need.
    std::size_t lines = 0;
    auto forEachLineStart = [&](auto&& visit) {
        std::size_t start = 0;
        if (onlyLineFeeds) {
            while (start < size) {
                visit(start);
                const void* found = std::memchr(data + start, '\n', size - start);
                if (found == nullptr) break;
                start = static_cast<std::size_t>(static_cast<const char*>(found) - data) + 1;
            }
            return;
        }
        while (start < size) {
            visit(start);
            std::size_t i = start;
            while (i < size && data[i] != '\n' && data[i] != '\r') ++i;
            if (i == size) break;
            if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
            start = i + 1;
        }
    };
    forEachLineStart([&](std::size_t) { ++lines; });
    starts_.reserve(lines);
    forEachLineStart([&](std::size_t start) { starts_.push_back(static_cast<std::uint32_t>(start)); });
}
