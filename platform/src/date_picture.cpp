#include "platform/date_picture.h"

#include <array>

namespace platform {
namespace {

constexpr std::array<std::string_view, 7> kDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

bool validTime(const std::tm& when) {
    return inRange(when.tm_sec, 0, 60) && inRange(when.tm_min, 0, 59) &&
           inRange(when.tm_hour, 0, 23) && inRange(when.tm_mday, 1, 31) &&
           inRange(when.tm_mon, 0, 11) && inRange(when.tm_wday, 0, 6) &&
           inRange(when.tm_year, -1900, 9999 - 1900);
}

// `value` (not negative) in decimal, with leading zeros up to `width` digits.
void appendNumber(std::string& out, int value, int width) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int i = count; i < width; ++i) out.push_back('0');
    while (count > 0) out.push_back(digits[--count]);
}

// A name whole (long form) or its first three letters (short form).
void appendName(std::string& out, std::string_view name, bool longForm) {
    out.append(longForm ? name : name.substr(0, 3));
}

bool isDateElement(char c) { return c == 'd' || c == 'M' || c == 'y'; }

bool isTimeElement(char c) { return c == 'h' || c == 'H' || c == 'm' || c == 's' || c == 't'; }

}  // namespace

std::optional<std::tm> localTime(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) return std::nullopt;
    return local;
}

std::optional<std::string> formatDatePicture(std::string_view picture, const std::tm& when,
                                             PictureElements elements) {
    if (!validTime(when)) return std::nullopt;
    const int year = when.tm_year + 1900;
    const int hour12 = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;

    std::string out;
    out.reserve(picture.size() + 16);
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            // Two single quotes are one quote; one opens a literal that runs to the next lone
            // single quote or to the end of the picture.
            if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                out.push_back('\'');
                i += 2;
                continue;
            }
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out.push_back('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out.push_back(picture[i++]);
            }
            continue;
        }

        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        const int count = static_cast<int>(run);
        const bool otherKind = (elements == PictureElements::Date && isTimeElement(c)) ||
                               (elements == PictureElements::Time && isDateElement(c));
        if (otherKind) {
            out.append(picture.substr(i, run));
            i += run;
            continue;
        }
        switch (c) {
            case 'd':
                if (count <= 2) {
                    appendNumber(out, when.tm_mday, count);
                } else {
                    appendName(out, kDayNames[static_cast<std::size_t>(when.tm_wday)], count >= 4);
                }
                break;
            case 'M':
                if (count <= 2) {
                    appendNumber(out, when.tm_mon + 1, count);
                } else {
                    appendName(out, kMonthNames[static_cast<std::size_t>(when.tm_mon)],
                               count >= 4);
                }
                break;
            case 'y':
                if (count == 1) {
                    appendNumber(out, year % 10, 1);
                } else if (count == 2) {
                    appendNumber(out, year % 100, 2);
                } else {
                    appendNumber(out, year, 4);
                }
                break;
            case 'h': appendNumber(out, hour12, count >= 2 ? 2 : 1); break;
            case 'H': appendNumber(out, when.tm_hour, count >= 2 ? 2 : 1); break;
            case 'm': appendNumber(out, when.tm_min, count >= 2 ? 2 : 1); break;
            case 's': appendNumber(out, when.tm_sec, count >= 2 ? 2 : 1); break;
            case 't':
                out.push_back(when.tm_hour < 12 ? 'A' : 'P');
                if (count >= 2) out.push_back('M');
                break;
            default: out.append(picture.substr(i, run)); break;
        }
        i += run;
    }
    return out;
}

}  // namespace platform
