#include "config/document_lines.h"

#include <cstring>
#include <new>

int DocumentLines::read(std::FILE* file) {
    clear();
    if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0) return kCannotRead;
    long size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return kCannotRead;

    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(size) + 1]);
    if (!buffer) return kCannotRead;
    std::size_t got = size > 0 ? std::fread(buffer.get(), 1, static_cast<std::size_t>(size), file)
                               : 0;
    if (got != static_cast<std::size_t>(size)) {
        std::rewind(file);
        return kReadCountDiffers;
    }
    buffer[size] = '\0';
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

DocumentLines DocumentLines::fromBytes(std::string_view bytes) {
    DocumentLines document;
    document.buffer_ = std::make_unique<char[]>(bytes.size() + 1);
    if (!bytes.empty()) std::memcpy(document.buffer_.get(), bytes.data(), bytes.size());
    document.size_ = static_cast<std::int64_t>(bytes.size());
    document.split();
    return document;
}

void DocumentLines::clear() {
    lines_.clear();
    lines_.shrink_to_fit();
    buffer_.reset();
    size_ = 0;
}

// A line ends at LF, at CR, or at the pair CR LF. A final segment without a terminator is a
// line when it is not empty; a terminator at the very end does not make an extra empty line.
void DocumentLines::split() {
    const char* data = buffer_.get();
    const std::size_t size = static_cast<std::size_t>(size_);
    std::size_t start = 0;
    std::int32_t number = 0;
    if (std::memchr(data, '\r', size) == nullptr) {
        // Only LF line ends: let memchr find them.
        while (start < size) {
            const void* found = std::memchr(data + start, '\n', size - start);
            if (found == nullptr) break;
            std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - data);
            lines_.push_back({std::string_view(data + start, end - start), ++number});
            start = end + 1;
        }
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            char c = data[i];
            if (c != '\n' && c != '\r') continue;
            lines_.push_back({std::string_view(data + start, i - start), ++number});
            if (c == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < size) lines_.push_back({std::string_view(data + start, size - start), ++number});
}
