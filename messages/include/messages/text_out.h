// A text file being written (a report, a log), and the word wrap that every message heading
// and text goes through.
#pragma once

#include <cstdio>
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
    explicit TextOut(std::FILE* file) : file_(file) { buffer_.reserve(kBufferSize); }
    explicit TextOut(ByteSink& sink) : file_(nullptr), sink_(&sink) { buffer_.reserve(kBufferSize); }
    // Collects everything in `memory` (a log entry built whole before one append).
    explicit TextOut(std::string& memory) : file_(nullptr), memory_(&memory) {}
    ~TextOut() { flush(); }
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;

    void write(std::string_view text) {
        if (buffer_.size() + text.size() > kBufferSize) {
            flush();
            if (text.size() > kBufferSize) {
                writeThrough(text);
                return;
            }
        }
        buffer_.append(text);
    }
    // Writes a prefix, a text and a line feed, in one piece while they fit the buffer.
    void writeLine(std::string_view prefix, std::string_view text) {
        if (buffer_.size() + prefix.size() + text.size() + 1 > kBufferSize) {
            write(prefix);
            write(text);
            put('\n');
            return;
        }
        buffer_.append(prefix).append(text).push_back('\n');
    }
    void put(char c) {
        if (buffer_.size() + 1 > kBufferSize) flush();
        buffer_.push_back(c);
    }
    // Hands what is buffered to the file.
    void flush() {
        writeThrough(buffer_);
        buffer_.clear();
    }
    // False once anything could not be written.
    bool ok() const { return !failed_; }
    std::FILE* file() const { return file_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;

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
    std::string buffer_;
    bool failed_ = false;
};

// Writes `text` in lines of at most `width` characters, each followed by a newline. A line is
// broken at the last blank (space or tab) within the first width + 1 characters, the blank
// being dropped; a word longer than the width is split. An empty text writes nothing. Returns
// false (writing nothing) when width is below 1.
bool wrapText(TextOut& out, std::string_view text, int width);

}  // namespace messages
