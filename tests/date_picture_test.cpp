// The date and time picture formatter of the template tool: every picture element, runs longer
// than an element, quoted literals and times it refuses.
#include <gtest/gtest.h>

#include <string>

#include "platform/date_picture.h"

namespace {

std::tm makeTime(int year, int month, int day, int weekday, int hour, int minute, int second) {
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_wday = weekday;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    return when;
}

// Tuesday, December 8, 2026, 03:46:51 (a morning: AM).
std::tm morning() { return makeTime(2026, 12, 8, 2, 3, 46, 51); }

// Saturday, May 2, 2009, 15:04:05 (an afternoon: PM).
std::tm afternoon() { return makeTime(2009, 5, 2, 6, 15, 4, 5); }

std::string format(std::string_view picture, const std::tm& when) {
    return platform::formatDatePicture(picture, when).value_or("<failed>");
}

TEST(DatePicture, FormatsEveryElement) {
    struct Case {
        const char* picture;
        const char* morning;
        const char* afternoon;
    };
    const Case cases[] = {
        {"d", "8", "2"},          {"dd", "08", "02"},
        {"ddd", "Tue", "Sat"},    {"dddd", "Tuesday", "Saturday"},
        {"ddddd", "Tuesday", "Saturday"},
        {"M", "12", "5"},         {"MM", "12", "05"},
        {"MMM", "Dec", "May"},    {"MMMM", "December", "May"},
        {"MMMMMM", "December", "May"},
        {"y", "6", "9"},          {"yy", "26", "09"},
        {"yyy", "2026", "2009"},  {"yyyy", "2026", "2009"},
        {"yyyyy", "2026", "2009"},
        {"h", "3", "3"},          {"hh", "03", "03"},
        {"hhh", "03", "03"},
        {"H", "3", "15"},         {"HH", "03", "15"},
        {"m", "46", "4"},         {"mm", "46", "04"},
        {"s", "51", "5"},         {"ss", "51", "05"},
        {"t", "A", "P"},          {"tt", "AM", "PM"},
        {"ttt", "AM", "PM"},
        // The shipped defaults.
        {"hh':'mm':'ss tt", "03:46:51 AM", "03:04:05 PM"},
        {"ddd',' MMM dd yyyy", "Tue, Dec 08 2026", "Sat, May 02 2009"},
        {"HH:mm", "03:46", "15:04"},
        {"dd/MM/yyyy", "08/12/2026", "02/05/2009"},
        {"yyyy-MM-dd HH:mm:ss", "2026-12-08 03:46:51", "2009-05-02 15:04:05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        EXPECT_EQ(format(c.picture, morning()), c.morning);
        EXPECT_EQ(format(c.picture, afternoon()), c.afternoon);
    }
}

TEST(DatePicture, CopiesLiteralsAndOtherCharacters) {
    struct Case {
        const char* picture;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"'dd MM yyyy'", "dd MM yyyy"},
        {"h 'o''clock' tt", "3 o'clock AM"},
        {"''", "'"},
        {"dd''MM", "08'12"},
        {"'unterminated dd", "unterminated dd"},
        {"'a'd'b'", "a8b"},
        {"[Week of] d.", "[Week of] 8."},  // W, e, k, o, f are not elements; d is
        {"caf\xC3\xA9 HH", "caf\xC3\xA9 03"},
        {"Dd gg", "D8 gg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        EXPECT_EQ(format(c.picture, morning()), c.expected);
    }
}

TEST(DatePicture, TwelveHourClockAroundMidnightAndNoon) {
    std::tm when = morning();
    const std::pair<int, const char*> hours[] = {
        {0, "12 AM / 00"}, {11, "11 AM / 11"}, {12, "12 PM / 12"}, {23, "11 PM / 23"}};
    for (const auto& [hour, expected] : hours) {
        when.tm_hour = hour;
        EXPECT_EQ(format("h tt / HH", when), expected) << hour;
    }
}

// A date picture reads only the date's letters and a time picture only the time's: the other
// kind's letters are text, so that "at" in a date or "d" in a time is not read as an element.
TEST(DatePicture, DateAndTimePicturesReadOnlyTheirOwnElements) {
    using platform::PictureElements;
    const std::tm when = afternoon();
    EXPECT_EQ(platform::formatDatePicture("dddd d MMM yy 'at' HH:mm:ss tt", when,
                                          PictureElements::Date),
              "Saturday 2 May 09 at HH:mm:ss tt");
    EXPECT_EQ(platform::formatDatePicture("dddd d at MMM yyyy", when, PictureElements::Date),
              "Saturday 2 at May 2009");
    EXPECT_EQ(platform::formatDatePicture("HH:mm:ss tt h dd/MM/yyyy", when,
                                          PictureElements::Time),
              "15:04:05 PM 3 dd/MM/yyyy");
    EXPECT_EQ(platform::formatDatePicture("dd HH", when, PictureElements::DateAndTime),
              "02 15");
}

TEST(DatePicture, RefusesATimeOutOfRange) {
    std::tm bad = morning();
    bad.tm_mon = 12;
    EXPECT_FALSE(platform::formatDatePicture("MMM", bad));
    bad = morning();
    bad.tm_wday = -1;
    EXPECT_FALSE(platform::formatDatePicture("dddd", bad));
    bad = morning();
    bad.tm_hour = 24;
    EXPECT_FALSE(platform::formatDatePicture("'literal only'", bad));
}

TEST(DatePicture, LocalTimeConvertsTheCalendarTime) {
    const std::optional<std::tm> local = platform::localTime(0);
    ASSERT_TRUE(local);
    EXPECT_TRUE(platform::formatDatePicture("yyyy", *local));
}

}  // namespace
