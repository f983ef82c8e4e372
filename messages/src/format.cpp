#include "messages/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace messages {
namespace {

bool isFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

void pad(std::string& out, std::string_view value, int width, bool left) {
    std::size_t fill = width > 0 && static_cast<std::size_t>(width) > value.size()
                           ? static_cast<std::size_t>(width) - value.size()
                           : 0;
    if (!left) out.append(fill, ' ');
    out.append(value);
    if (left) out.append(fill, ' ');
}

// A real number as "%[flags][width].[precision]f" writes it, always with the point '.': the
// windowed program's toolkit applies the user's locale to the whole process, and printf would
// then write the percentages of the report and the KEY=VALUE form as "83,3" under a German or
// French LC_NUMERIC. False when the number does not fit (the caller falls back to printf).
bool appendFixed(std::string& out, double value, std::string_view flags, int width,
                 int precision) {
    char digits[512];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value,
                                         std::chars_format::fixed, precision < 0 ? 6 : precision);
    if (ec != std::errc()) return false;
    std::string_view body(digits, static_cast<std::size_t>(end - digits));
    auto flag = [&](char c) { return flags.find(c) != std::string_view::npos; };
    std::string sign;
    if (!body.empty() && body.front() == '-') {
        sign = "-";
        body.remove_prefix(1);
    } else if (flag('+')) {
        sign = "+";
    } else if (flag(' ')) {
        sign = " ";
    }
    std::string number(body);
    const bool finite = std::isfinite(value);
    if (flag('#') && precision == 0 && finite) number.push_back('.');
    const std::size_t length = sign.size() + number.size();
    const std::size_t fill =
        width > 0 && static_cast<std::size_t>(width) > length
            ? static_cast<std::size_t>(width) - length
            : 0;
    if (flag('-')) {
        out.append(sign).append(number).append(fill, ' ');
    } else if (flag('0') && finite) {
        out.append(sign).append(fill, '0').append(number);
    } else {
        out.append(fill, ' ').append(sign).append(number);
    }
    return true;
}

}  // namespace

void formatTo(std::string& out, std::string_view format, std::initializer_list<FormatArg> args) {
    auto next = args.begin();
    std::size_t i = 0;
    while (i < format.size()) {
        std::size_t percent = format.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format.substr(i));
            break;
        }
        out.append(format.substr(i, percent - i));
        std::size_t j = percent + 1;
        if (j < format.size() && format[j] == '%') {
            out.push_back('%');
            i = j + 1;
            continue;
        }
        // %[flags][width][.precision]conversion
        std::size_t flagsStart = j;
        while (j < format.size() && isFlag(format[j])) ++j;
        const std::size_t flagsEnd = j;
        int width = 0;
        while (j < format.size() && isDigit(format[j])) width = width * 10 + (format[j++] - '0');
        int precision = -1;
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            ++j;
            while (j < format.size() && isDigit(format[j])) {
                precision = precision * 10 + (format[j++] - '0');
            }
        }
        if (j >= format.size()) {
            out.append(format.substr(percent));
            break;
        }
        char conversion = format[j];
        std::string_view flags = format.substr(flagsStart, j - flagsStart);
        i = j + 1;
        if (conversion != 's' && conversion != 'd' && conversion != 'i' && conversion != 'f') {
            // Not a conversion this program uses: keep the text as written.
            out.append(format.substr(percent, i - percent));
            continue;
        }
        if (next == args.end()) continue;
        const FormatArg& arg = *next++;
        bool left = flags.find('-') != std::string_view::npos;
        char buffer[128];
        switch (conversion) {
            case 's': {
                std::string_view value = arg.kind() == FormatArg::Kind::Text ? arg.text() : "";
                if (precision >= 0 && value.size() > static_cast<std::size_t>(precision)) {
                    value = value.substr(0, static_cast<std::size_t>(precision));
                }
                pad(out, value, width, left);
                break;
            }
            case 'd':
            case 'i': {
                long long value = arg.kind() == FormatArg::Kind::Integer ? arg.integer() : 0;
                if (flags.empty()) {
                    // A plain "%d", as most texts have it: the digits as printf writes them.
                    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
                    out.append(buffer, written.ptr);
                    break;
                }
                std::string picture(1, '%');
                picture.append(flags).append("lld");
                int n = std::snprintf(buffer, sizeof buffer, picture.c_str(), value);
                if (n > 0) out.append(buffer, std::min<std::size_t>(n, sizeof buffer - 1));
                break;
            }
            case 'f': {
                double value = arg.kind() == FormatArg::Kind::Real
                                   ? arg.real()
                                   : static_cast<double>(arg.integer());
                if (appendFixed(out, value, flags.substr(0, flagsEnd - flagsStart), width,
                                precision)) {
                    break;
                }
                std::string picture(1, '%');
                picture.append(flags).append("f");
                int n = std::snprintf(buffer, sizeof buffer, picture.c_str(), value);
                if (n > 0) out.append(buffer, std::min<std::size_t>(n, sizeof buffer - 1));
                break;
            }
            default:
                break;
        }
    }
}

std::string format(std::string_view format, std::initializer_list<FormatArg> args) {
    std::string out;
    formatTo(out, format, args);
    return out;
}

}  // namespace messages
