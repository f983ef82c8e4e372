// What the text tools read and write: the lines of a text held in memory, and a buffered output
// that hands its bytes on to a file (or, in the tests, to a string).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tools {

// One line without its terminator, changeable in place, and its number counted from 1.
struct TextLine {
    char* text = nullptr;
    std::size_t length = 0;
    std::int64_t number = 0;

    std::string_view view() const { return {text, length}; }
};

// The lines of a text, split as the document line reader splits a document: a line ends at LF,
// at CR or at the pair CR LF; a final segment without a terminator is a line when it is not
// empty; an empty text has no lines.
class TextLines {
  public:
    TextLines() = default;
    explicit TextLines(std::string bytes);

    // The next line; false after the last one.
    bool next(TextLine& line);

  private:
    std::size_t nextTerminator();

    std::string bytes_;
    std::size_t position_ = 0;
    std::int64_t number_ = 0;
    // The next LF and CR at or after the position (the text's size when there is none), each
    // looked for again only once the position has passed it.
    std::size_t nextLineFeed_ = 0;
    std::size_t nextCarriageReturn_ = 0;
};

// Where the buffered output goes.
class OutputSink {
  public:
    virtual ~OutputSink() = default;
    // Takes all of `bytes`; false when they could not be written.
    virtual bool put(std::string_view bytes) = 0;
};

// Collects the output in a buffer and hands it to the sink in large pieces. The first failure
// of the sink is kept: later output is dropped, and flush() and failed() report it.
class ToolOutput {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    explicit ToolOutput(OutputSink& sink);
    ToolOutput(const ToolOutput&) = delete;
    ToolOutput& operator=(const ToolOutput&) = delete;

    void write(std::string_view bytes) {
        if (bytes.size() <= kBufferSize - buffer_.size()) {
            buffer_.append(bytes);
        } else {
            writeLarge(bytes);
        }
    }
    void writeLine(std::string_view text, std::string_view lineEnd) {
        write(text);
        write(lineEnd);
    }
    // Hands everything collected to the sink; false when any output was lost.
    bool flush();
    bool failed() const { return failed_; }

  private:
    void writeLarge(std::string_view bytes);

    OutputSink& sink_;
    std::string buffer_;
    bool failed_ = false;
};

}  // namespace tools
