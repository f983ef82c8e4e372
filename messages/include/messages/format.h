// printf-style formatting of catalogue texts with checked arguments: %s takes a text, %d and
// %i an integer, %f a floating-point number, %% writes a percent sign. Flags, width and
// precision are honoured. A conversion without a matching argument writes nothing, so no
// argument can ever be read that was not given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace messages {

class FormatArg {
public:
    enum class Kind { Text, Integer, Real };

    FormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const char* text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
    FormatArg(int value) : kind_(Kind::Integer), integer_(value) {}
    FormatArg(long value) : kind_(Kind::Integer), integer_(value) {}
    FormatArg(long long value) : kind_(Kind::Integer), integer_(value) {}
    FormatArg(double value) : kind_(Kind::Real), real_(value) {}

    Kind kind() const { return kind_; }
    std::string_view text() const { return text_; }
    long long integer() const { return integer_; }
    double real() const { return real_; }

private:
    Kind kind_;
    std::string_view text_;
    long long integer_ = 0;
    double real_ = 0;
};

// Appends the formatted text to `out`.
void formatTo(std::string& out, std::string_view format, std::initializer_list<FormatArg> args);

std::string format(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace messages
