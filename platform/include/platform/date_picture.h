// Date and time pictures: the picture syntax the template tool's CURRENTDATE and CURRENTTIME use
// (DATEFORMAT, TIMEFORMAT, DefaultDateFormat, DefaultTimeFormat).
//
//   d dd ddd dddd      day of the month (8, 08), day name (Tue, Tuesday)
//   M MM MMM MMMM      month (1, 01), month name (Jan, January)
//   y yy yyyy          the year's last digit (6), last two digits (26), whole year (2026);
//                      three or more y give the whole year
//   h hh H HH          hour, 12-hour (3, 03) and 24-hour (15, 15) clock
//   m mm s ss          minutes and seconds (5, 05)
//   t tt               A or P, AM or PM
//   'text'             the text as written; two single quotes give one single quote, inside
//                      or outside a quoted text
//
// A run of one letter longer than its longest element is read as that element (ddddd as
// dddd, hhh as hh). Every other character is copied as it stands; so are the time's letters in
// a date picture and the date's letters in a time picture. Day and month names and the
// AM/PM marks are English: a generated page is the same on every machine that builds it,
// whatever the locale of the person or the server that regenerates it.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Which elements a picture may hold. A date picture (CURRENTDATE) reads only d, M and y; a time
// picture (CURRENTTIME) only h, H, m, s and t; the letters of the other kind are copied as they
// stand, as in any other text of the picture.
enum class PictureElements { DateAndTime, Date, Time };

// `when` (a broken-down time with every field in its range) formatted by `picture`; nothing
// when a field is out of its range, so that a failed conversion never yields a wrong date.
std::optional<std::string> formatDatePicture(
    std::string_view picture, const std::tm& when,
    PictureElements elements = PictureElements::DateAndTime);

// The local time of `when`; nothing when it cannot be converted.
std::optional<std::tm> localTime(std::time_t when);

}  // namespace platform
