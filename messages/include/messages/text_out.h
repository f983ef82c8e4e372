// A text file being written (a report, a log), and the word wrap that every message heading
// and text goes through.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace messages {

// Somewhere bytes can go other than a stdio stream: a file being replaced, a socket.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes every byte; false when that failed.
    virtual bool write(std::string_view bytes) = 0;
};

class TextOut {
public:
    explicit TextOut(std::FILE* file) : file_(file), buffer_(new char[kBufferSize + kSlack]) {}
    explicit TextOut(ByteSink& sink)
        : file_(nullptr), sink_(&sink), buffer_(new char[kBufferSize + kSlack]) {}
    // Collects everything in `memory` (a log entry built whole before one append).
    explicit TextOut(std::string& memory) : file_(nullptr), memory_(&memory) {}
    ~TextOut() { flush(); }
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;

    void write(std::string_view text) {
        if (memory_ != nullptr) {
            memory_->append(text);
            return;
        }
        if (used_ + text.size() > kBufferSize) {
            flush();
            if (text.size() > kBufferSize) {
                writeThrough(text);
                return;
            }
        }
        copy(text);
    }
    // Writes a prefix, a text and a line feed, in one piece while they fit the buffer.
    void writeLine(std::string_view prefix, std::string_view text) {
        if (memory_ != nullptr || used_ + prefix.size() + text.size() + 1 > kBufferSize) {
            write(prefix);
            write(text);
            put('\n');
            return;
        }
        copy(prefix);
        copy(text);
        buffer_[used_++] = '\n';
    }
    // Bytes written past what is kept, by writers that copy in pieces of a fixed size.
    static constexpr std::size_t kSlack = 256;
    // Room for `size` bytes (at most kBufferSize) and kSlack more, where they are written in
    // place before keep() keeps the first ones; null when the text goes to memory.
    char* room(std::size_t size) {
        if (memory_ != nullptr) return nullptr;
        if (used_ + size > kBufferSize) flush();
        return buffer_.get() + used_;
    }
    void keep(std::size_t size) { used_ += size; }
    void put(char c) {
        if (memory_ != nullptr) {
            memory_->push_back(c);
            return;
        }
        if (used_ + 1 > kBufferSize) flush();
        buffer_[used_++] = c;
    }
    // Hands what is buffered to the file.
    void flush() {
        writeThrough({buffer_.get(), used_});
        used_ = 0;
    }
    // False once anything could not be written.
    bool ok() const { return !failed_; }
    std::FILE* file() const { return file_; }

private:
    // A report listing a large document goes out in few calls: each call into the kernel
    // costs some microseconds on a virtual machine, more than copying what it writes.
    static constexpr std::size_t kBufferSize = 1 << 20;

    // Appends to the buffer, which has room.
    void copy(std::string_view text) {
        if (text.empty()) return;
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }

    void writeThrough(std::string_view text) {
        if (text.empty()) return;
        if (memory_ != nullptr) {
            memory_->append(text);
        } else if (sink_ != nullptr) {
            if (!sink_->write(text)) failed_ = true;
        } else if (file_ == nullptr ||
                   std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            failed_ = true;
        }
    }

    std::FILE* file_;
    ByteSink* sink_ = nullptr;
    std::string* memory_ = nullptr;
    // What is written to a file or sink gathers here (uninitialised: only the first `used_`
    // bytes are ever read) and goes on in pieces of up to 1 MB.
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Writes `text` in lines of at most `width` characters, each followed by a newline. A line is
// broken at the last blank (space or tab) within the first width + 1 characters, the blank
// being dropped; a word longer than the width is split. An empty text writes nothing. Returns
// false (writing nothing) when width is below 1.
bool wrapText(TextOut& out, std::string_view text, int width);

}  // namespace messages
