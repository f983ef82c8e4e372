// The message catalogue: both language columns complete and well formed, the French texts
// interchangeable with the English ones as printf formats, the report and log layouts
// aligned in both languages, and the lookup.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "messages/catalogue.h"
#include "messages/format.h"
#include "test_support.h"

using messages::CatalogueRow;
using messages::kTextCount;
using messages::Language;
using messages::Text;

namespace {

struct Column {
    const char* name;
    const CatalogueRow* rows;
    int size;
};

std::vector<Column> columns() {
    return {{"English", messages::kEnglishColumn, messages::kEnglishColumnSize},
            {"French", messages::kFrenchColumn, messages::kFrenchColumnSize}};
}

// The row of `id` in a column, or nullptr.
const char* rowText(const Column& column, Text id) {
    for (int i = 0; i < column.size; ++i) {
        if (column.rows[i].id == id) return column.rows[i].text;
    }
    return nullptr;
}

std::string columnText(int column, Text id) {
    const char* found = rowText(columns()[column], id);
    return found != nullptr ? found : "";
}

std::string english(Text id) { return columnText(0, id); }
std::string french(Text id) { return columnText(1, id); }

// The printf directives of a format, in order, each as written ("%s", "%4.1f", "%%").
// A '%' that does not start a valid directive (as in "<% ... %>" of a literal text) is
// listed as "%?" so that stray percent signs must match too.
std::vector<std::string> directives(std::string_view format) {
    std::vector<std::string> found;
    const std::string_view flags = "-+ #0";
    const std::string_view conversions = "diouxXeEfFgGaAcspn%";
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < format.size() && flags.find(format[j]) != std::string_view::npos) ++j;
        while (j < format.size() && (std::isdigit(static_cast<unsigned char>(format[j])) ||
                                     format[j] == '*')) ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && (std::isdigit(static_cast<unsigned char>(format[j])) ||
                                         format[j] == '*')) ++j;
        }
        while (j < format.size() && std::string_view("hlLzjt").find(format[j]) !=
                                        std::string_view::npos) ++j;
        if (j < format.size() && conversions.find(format[j]) != std::string_view::npos) {
            found.emplace_back(format.substr(i, j - i + 1));
            i = j;
        } else {
            found.emplace_back("%?");
        }
    }
    return found;
}

std::size_t leadingNewlines(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && s[n] == '\n') ++n;
    return n;
}

std::size_t trailingNewlines(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && s[s.size() - 1 - n] == '\n') ++n;
    return n;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int more = 0;
        unsigned cp = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + more >= s.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += more + 1;
    }
    return true;
}

// Characters (not bytes) before the first colon, or -1.
int colonColumn(std::string_view line) {
    int characters = 0;
    for (char ch : line) {
        if (ch == ':') return characters;
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++characters;
    }
    return -1;
}

// The lines of a text, dropping the empty pieces that its newlines leave.
std::vector<std::string> linesOf(std::string_view s) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find('\n', start);
        if (end == std::string_view::npos) end = s.size();
        if (end > start) lines.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Colon columns of every line of the given texts in one language.
std::vector<int> colonColumns(const std::vector<Text>& ids, Language language) {
    std::vector<int> result;
    for (Text id : ids) {
        for (const std::string& line : linesOf(messages::text(id, language))) {
            result.push_back(colonColumn(line));
        }
    }
    return result;
}

const std::vector<Text> kAlignedStatistics = {
    Text::StatsLinesChecked, Text::StatsLinesInFile,   Text::StatsLinesIgnored,
    Text::StatsEntities,     Text::StatsTagNames,      Text::StatsClosingTags,
    Text::StatsHtmlComments, Text::StatsValidatorComments, Text::StatsMessages,
    Text::StatsErrors,       Text::StatsWarnings};

const std::vector<Text> kLogLines = {
    Text::LogValDate, Text::LogValTime, Text::LogDocument, Text::LogDocDateTime,
    Text::LogOutput,  Text::LogBytes,   Text::LogErrors,   Text::LogWarnings,
    Text::LogComments, Text::LogMessages};

bool isAligned(Text id) {
    if (id == Text::StatsServerSections) return true;
    for (const auto* group : {&kAlignedStatistics, &kLogLines}) {
        for (Text aligned : *group) {
            if (aligned == id) return true;
        }
    }
    return false;
}

// A catalogue text printed with one argument, as the report writers print it.
template <typename Value>
std::string format(Text id, Language language, Value value) {
    char buffer[256];
    const std::string f(messages::text(id, language));
    std::snprintf(buffer, sizeof buffer, f.c_str(), value);
    return buffer;
}

}  // namespace

TEST(CatalogueColumns, EveryIdOnceInEnumOrderAndNonEmpty) {
    for (const Column& column : columns()) {
        SCOPED_TRACE(column.name);
        ASSERT_EQ(column.size, kTextCount);
        std::vector<int> seen(kTextCount, 0);
        for (int i = 0; i < column.size; ++i) {
            const int slot = static_cast<int>(column.rows[i].id);
            ASSERT_GE(slot, 0);
            ASSERT_LT(slot, kTextCount);
            ++seen[slot];
            EXPECT_EQ(slot, i) << "row " << i << " is out of enum order";
            ASSERT_NE(column.rows[i].text, nullptr) << "slot " << slot;
            EXPECT_STRNE(column.rows[i].text, "") << "slot " << slot;
        }
        for (int slot = 0; slot < kTextCount; ++slot) {
            EXPECT_EQ(seen[slot], 1) << "slot " << slot;
        }
    }
}

TEST(CatalogueColumns, FrenchMatchesEnglishConversionsAndNewlines) {
    for (int slot = 0; slot < kTextCount; ++slot) {
        const auto id = static_cast<Text>(slot);
        const std::string en = english(id);
        const std::string fr = french(id);
        SCOPED_TRACE("slot " + std::to_string(slot) + ": " + en);
        EXPECT_EQ(directives(fr), directives(en));
        EXPECT_EQ(leadingNewlines(fr), leadingNewlines(en));
        EXPECT_EQ(trailingNewlines(fr), trailingNewlines(en));
        // Texts joined to other text keep their blanks at the joints; the aligned lines
        // choose their own leading blanks.
        if (!isAligned(id)) {
            EXPECT_EQ(fr.front() == ' ', en.front() == ' ');
        }
        EXPECT_EQ(fr.back() == ' ', en.back() == ' ');
        // The dialog captions are the same in both languages; every other text is translated.
        if (id == Text::NeedUpdateCaption || id == Text::LogOpenErrorCaption) {
            EXPECT_EQ(fr, en);
        } else {
            EXPECT_NE(fr, en) << "not translated";
        }
    }
}

TEST(CatalogueColumns, DirectiveParserSeesWhatPrintfSees) {
    using V = std::vector<std::string>;
    EXPECT_EQ(directives(" (%4.1f%% of lines checked)\n"), (V{"%4.1f", "%%"}));
    EXPECT_EQ(directives("Number of <%% ... %%> sections: %d\n"), (V{"%%", "%%", "%d"}));
    EXPECT_EQ(directives("a <% ... %> b"), (V{"%?", "%?"}));
    EXPECT_EQ(directives("\"&%s;\" %-5d %.2s %ld"), (V{"%s", "%-5d", "%.2s", "%ld"}));
    EXPECT_EQ(directives("none"), V{});
}

TEST(CatalogueColumns, EncodingOfEachLanguage) {
    for (int slot = 0; slot < kTextCount; ++slot) {
        const auto id = static_cast<Text>(slot);
        const std::string en = english(id);
        for (char ch : en) {
            const auto c = static_cast<unsigned char>(ch);
            EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F))
                << "English slot " << slot << " has byte " << int(c);
        }
        EXPECT_TRUE(validUtf8(french(id))) << "French slot " << slot;
    }
    EXPECT_TRUE(validUtf8("\xC3\xA9t\xC3\xA9"));
    EXPECT_FALSE(validUtf8("\xE9t\xE9"));        // code page 1252 bytes
    EXPECT_FALSE(validUtf8("\xC3"));             // cut sequence
    EXPECT_FALSE(validUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(validUtf8("\xED\xA0\x80"));     // surrogate
}

TEST(CatalogueColumns, FrenchColonsHaveNoBlankBefore) {
    for (int slot = 0; slot < kTextCount; ++slot) {
        const std::string fr = french(static_cast<Text>(slot));
        EXPECT_EQ(fr.find(" :"), std::string::npos) << fr;
    }
}

TEST(CatalogueLayout, StatisticsColonsStandInOneColumn) {
    for (Language language : {Language::English, Language::French}) {
        const std::vector<int> columnsFound = colonColumns(kAlignedStatistics, language);
        ASSERT_EQ(columnsFound.size(), kAlignedStatistics.size());
        for (std::size_t i = 0; i < columnsFound.size(); ++i) {
            EXPECT_GT(columnsFound[i], 0);
            EXPECT_EQ(columnsFound[i], columnsFound[0])
                << "language " << int(language) << ", line " << i;
        }
    }
    EXPECT_EQ(colonColumns(kAlignedStatistics, Language::English)[0], 28);
    // The server-sections line holds "%%": its colon is aligned once printed.
    for (Language language : {Language::English, Language::French}) {
        EXPECT_EQ(colonColumn(format(Text::StatsServerSections, language, 0)),
                  colonColumns(kAlignedStatistics, language)[0])
            << "language " << int(language);
    }
}

TEST(CatalogueLayout, LogColonsStandInOneColumn) {
    for (Language language : {Language::English, Language::French}) {
        const std::vector<int> columnsFound = colonColumns(kLogLines, language);
        ASSERT_EQ(columnsFound.size(), kLogLines.size() + 1);  // Doc Date and Doc Time
        for (std::size_t i = 0; i < columnsFound.size(); ++i) {
            EXPECT_GT(columnsFound[i], 0);
            EXPECT_EQ(columnsFound[i], columnsFound[0])
                << "language " << int(language) << ", line " << i;
        }
    }
    EXPECT_EQ(colonColumns(kLogLines, Language::English)[0], 8);
}

TEST(CatalogueLayout, FormatsPrintAsTheReportShowsThem) {
    EXPECT_EQ(format(Text::StatsServerSections, Language::English, 3),
              "Number of <% ... %> sections: 3\n");
    EXPECT_EQ(format(Text::StatsPercentChecked, Language::English, 5.0),
              " ( 5.0% of lines checked)\n");
    EXPECT_EQ(format(Text::StatsPercentClosed, Language::French, 100.0),
              " (100.0% des balises ferm\xC3\xA9" "es)\n");
    EXPECT_EQ(format(Text::StatsLinesChecked, Language::English, 12),
              "     Number of lines checked: 12\n");
}

// Integers print as printf prints them, with and without flags and widths.
TEST(CatalogueLayout, IntegersPrintAsPrintfPrintsThem) {
    for (long long value : {0LL, 7LL, -7LL, 123456789012LL, -9223372036854775807LL - 1}) {
        char expected[160];
        std::snprintf(expected, sizeof expected, "[%lld|%5lld|%-4lld|%05lld|%+lld] %%", value,
                      value, value, value, value);
        EXPECT_EQ(messages::format("[%d|%5d|%-4i|%05d|%+d] %%",
                                   {value, value, value, value, value}),
                  expected);
    }
    EXPECT_EQ(messages::format("%d of %d", {3, "x"}), "3 of 0");
}

// Real numbers (the percentages) print as printf prints them in the C locale, with and
// without flags, widths and precisions, and at the rounding boundaries.
TEST(CatalogueLayout, RealsPrintAsPrintfPrintsThem) {
    for (double value : {0.0, -0.0, 5.0, 9.95, 9.949999, 99.95, 99.96, 100.0, 83.333333, 0.05,
                         0.25, 0.35, 2.5, -3.75, 1e20, 123456.789}) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "[%4.1f|%f|%-8.2f|%08.3f|%+.0f|% .1f|%#.0f|%3f]",
                      value, value, value, value, value, value, value, value);
        EXPECT_EQ(messages::format("[%4.1f|%f|%-8.2f|%08.3f|%+.0f|% .1f|%#.0f|%3f]",
                                   {value, value, value, value, value, value, value, value}),
                  expected)
            << value;
    }
}

// Sets LC_NUMERIC to a locale that writes a decimal comma: an installed one, or else one the
// system's locale compiler builds into `dir` from its sources (when both are on the machine).
static const char* useCommaLocale(const testing_support::TempDir& dir) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                             "de_DE", "fr_FR"}) {
        if (const char* found = std::setlocale(LC_NUMERIC, name)) return found;
    }
    const std::string build = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") +
                              "' >/dev/null 2>&1";
    if (std::system(build.c_str()) == -1) return nullptr;
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    const char* found = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    ::unsetenv("LOCPATH");
    return found;
}

// The windowed program's toolkit applies the user's locale to the whole process; the report's
// and the KEY=VALUE form's percentages keep their point under a locale that writes a comma.
TEST(CatalogueLayout, RealsKeepThePointUnderAnyNumericLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const testing_support::TempDir dir;
    if (useCommaLocale(dir) == nullptr) GTEST_SKIP() << "no locale with a decimal comma";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    const std::string printed = probe;
    const std::string kv = messages::format("PERCENTCLOSED=%4.1f", {83.33333});
    const std::string line =
        messages::format(messages::text(Text::StatsPercentChecked, Language::French), {5.0});
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(printed, "0,5");  // the locale is one that writes a comma
    EXPECT_EQ(kv, "PERCENTCLOSED=83.3");
    EXPECT_EQ(line, " ( 5.0% des lignes contr\xC3\xB4l\xC3\xA9" "es)\n");
}

TEST(CatalogueText, VerbatimTexts) {
    struct Case {
        Text id;
        Language language;
        const char* expected;
    };
    const Case cases[] = {
        {Text::Error50, Language::English,
         "Terminating validation due to too many errors! Please correct the previous errors "
         "and revalidate the document."},
        {Text::Error50, Language::French,
         "La validation s'est termin\xC3\xA9" "e \xC3\xA0 cause du trop grand nombre "
         "d'erreurs ! Veuillez corriger les causes d'erreurs et recontr\xC3\xB4ler le "
         "document."},
        {Text::Error53Strict, Language::English,
         "Reached the end of the document before the closing '>', '-->', '?>', '##>', or "
         "'%>'."},
        {Text::Error53, Language::English,
         "Reached the end of the document before the closing '>', '?>', '##>', or '%>'."},
        {Text::Error58, Language::English, "Unusual error; attribute name too long. "},
        {Text::Error65, Language::English,
         "The tag name \"%s\" is not in the HTML Configuration."},
        {Text::Error65, Language::French,
         "La balise \"%s\" n'est pas dans la configuration HTML."},
        {Text::Error69, Language::French,
         "La balise \"%s\" doit \xC3\xAAtre ferm\xC3\xA9" "e mais la balise fermante n'a pas "
         "\xC3\xA9t\xC3\xA9 trouv\xC3\xA9" "e."},
        {Text::Warning101, Language::English,
         "\"%s\" is assigned to an undefined category and is being treated as inactive."},
        {Text::JoinAnd, Language::English, "and"},
        {Text::JoinAnd, Language::French, "et"},
        {Text::JoinOr, Language::English, "or"},
        {Text::JoinOr, Language::French, "ou"},
        {Text::HeadingError, Language::English, "Error number %d in line %d:"},
        {Text::HeadingError, Language::French, "Erreur num\xC3\xA9ro %d \xC3\xA0 la ligne %d:"},
        {Text::StatsNoErrors, Language::English, "No errors or warnings were detected!\n\n"},
        {Text::StatsNoErrors, Language::French,
         "Aucune erreur ni aucun avertissement n'ont \xC3\xA9t\xC3\xA9 "
         "d\xC3\xA9tect\xC3\xA9s !\n\n"},
        {Text::StatsWarnings, Language::English, "\n          Number of warnings: %d"},
        {Text::InternalWarningNumber, Language::English,
         "Internal error for warning number %d. No case statement for error number."},
        {Text::LogDocDateTime, Language::English, "Doc Date: %s\nDoc Time: %s\n"},
        {Text::LogContainsErrors, Language::English,
         "*** This document contains errors and/or warnings. ***\n\n"},
        {Text::RangeInInvalid, Language::English,
         " The tag is currently in its invalid range, where it may not be used."},
        {Text::DescRelativeWidth, Language::English, "a relative width in the form i*"},
        {Text::NeedUpdateCaption, Language::English, "Markwise: Need To Update Executable"},
        {Text::LogOpenErrorCaption, Language::English, "Markwise: Error Opening Log File"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(messages::text(c.id, c.language), c.expected);
    }
}

TEST(CatalogueText, CaptionsKeepTheProgramPrefix) {
    for (Text id : {Text::NeedUpdateCaption, Text::LogOpenErrorCaption}) {
        for (Language language : {Language::English, Language::French}) {
            EXPECT_EQ(messages::text(id, language).substr(0, 10), "Markwise: ");
        }
    }
}

TEST(CatalogueText, LookupGivesTheColumnTextAndEnglishWhereFrenchIsMissing) {
    for (int slot = 0; slot < kTextCount; ++slot) {
        const auto id = static_cast<Text>(slot);
        const char* en = rowText(columns()[0], id);
        const char* fr = rowText(columns()[1], id);
        EXPECT_EQ(messages::text(id, Language::English), en);
        EXPECT_EQ(messages::text(id, Language::French), fr != nullptr ? fr : en);
        // The lookup hands out the column's own storage, not a copy.
        EXPECT_EQ(messages::text(id, Language::English).data(), en);
    }
}

TEST(CatalogueText, OutOfRangeIdsAndLanguages) {
    EXPECT_TRUE(messages::text(Text::Count, Language::English).empty());
    EXPECT_TRUE(messages::text(static_cast<Text>(-1), Language::French).empty());
    EXPECT_TRUE(messages::text(static_cast<Text>(kTextCount + 50), Language::English).empty());
    // A language value other than French reads the English column.
    EXPECT_EQ(messages::text(Text::JoinAnd, static_cast<Language>(7)), "and");

    EXPECT_EQ(messages::languageFromSetting(0), Language::English);
    EXPECT_EQ(messages::languageFromSetting(1), Language::French);
    EXPECT_EQ(messages::languageFromSetting(2), Language::English);
    EXPECT_EQ(messages::languageFromSetting(-1), Language::English);
}
