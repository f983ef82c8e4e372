#include "tools/tool_io.h"

#include <cstring>
#include <utility>

namespace tools {
namespace {

std::size_t findByte(const std::string& bytes, std::size_t from, char c) {
    if (from >= bytes.size()) return bytes.size();
    const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data())
                 : bytes.size();
}

}  // namespace

TextLines::TextLines(std::string bytes) : bytes_(std::move(bytes)) {}

std::size_t TextLines::nextTerminator() {
    if (nextLineFeed_ < position_) nextLineFeed_ = findByte(bytes_, position_, '\n');
    if (nextCarriageReturn_ < position_) {
        nextCarriageReturn_ = findByte(bytes_, position_, '\r');
    }
    return nextLineFeed_ < nextCarriageReturn_ ? nextLineFeed_ : nextCarriageReturn_;
}

bool TextLines::next(TextLine& line) {
    const std::size_t size = bytes_.size();
    if (position_ >= size) return false;
    if (number_ == 0) {
        nextLineFeed_ = findByte(bytes_, 0, '\n');
        nextCarriageReturn_ = findByte(bytes_, 0, '\r');
    }
    const std::size_t end = nextTerminator();
    line.text = bytes_.data() + position_;
    line.length = end - position_;
    line.number = ++number_;
    if (end == size) {
        position_ = size;
    } else if (bytes_[end] == '\r' && end + 1 < size && bytes_[end + 1] == '\n') {
        position_ = end + 2;
    } else {
        position_ = end + 1;
    }
    return true;
}

ToolOutput::ToolOutput(OutputSink& sink) : sink_(sink) { buffer_.reserve(kBufferSize); }

bool ToolOutput::flush() {
    if (!failed_ && !buffer_.empty() && !sink_.put(buffer_)) failed_ = true;
    buffer_.clear();
    return !failed_;
}

// A piece larger than what is left of the buffer: the buffer goes first, and a piece larger than
// the whole buffer goes to the sink as it is rather than being copied.
void ToolOutput::writeLarge(std::string_view bytes) {
    flush();
    if (bytes.size() >= kBufferSize) {
        if (!failed_ && !sink_.put(bytes)) failed_ = true;
    } else {
        buffer_.append(bytes);
    }
}

}  // namespace tools
