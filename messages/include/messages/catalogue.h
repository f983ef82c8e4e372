// The message catalogue: every text the validator writes about a document, in English and
// French. Callers name texts by `Text`; the message store maps message numbers to texts.
#pragma once

#include <string_view>

namespace messages {

enum class Language { English = 0, French = 1 };

// Reads the stored Language setting: 1 is French, every other value English.
constexpr Language languageFromSetting(int value) {
    return value == 1 ? Language::French : Language::English;
}

enum class Text : int {
    // Errors raised by number. 85 and 86 are composed by the engine and have no text of
    // their own; 53 has one text for each StrictComments setting.
    Error50, Error51, Error52, Error53Strict, Error53, Error54, Error55, Error56, Error57,
    Error58, Error59, Error60, Error61, Error62, Error63, Error64, Error65, Error66, Error67,
    Error68, Error69, Error71, Error72, Error73, Error74, Error75, Error76, Error77, Error78,
    Error79, Error80, Error81, Error82, Error83, Error84, Error87, Error88, Error89, Error90,
    Error91, Error92, Error93, Error94, Error95, Error96, Error97, Error98,
    Error300, Error301, Error302, Error303, Error304, Error305, Error306,

    // Warnings.
    Warning100, Warning101, Warning102, Warning103, Warning104, Warning105, Warning106,
    Warning107, Warning108,

    // Validator comments.
    Comment200, Comment201, Comment202, Comment203, Comment205, Comment206, Comment207,
    Comment208, Comment209, Comment210, Comment211, Comment212, Comment213, Comment214,
    Comment215, Comment216, Comment218, Comment219, Comment220, Comment221, Comment222,
    Comment224,

    // Numbers that reach the store without a catalogue entry.
    InternalErrorNumber,    // "Internal error for error number %d. ..."
    InternalWarningNumber,  // "Internal error for warning number %d. ..."
    MessageTooLong,         // "[MESSAGE EXCEEDS MAXIMUM LENGTH]"

    // Fragments of the composed messages 85, 86 and 67.
    Invalid86Start,             // "The attribute "%s" has an invalid attribute value "%s"."
    Invalid86OneValue,          // " This attribute must have the following value: "
    Invalid86SeveralValues,     // " This attribute must have one of the following values: "
    Invalid85Start,             // "The attribute "%s" is not valid for the tag name "%s"."
    Invalid85NoAttributes,      // " This tag name cannot have any attributes."
    Invalid85OneAttribute,      // " The only valid attribute for this tag name is "
    Invalid85SeveralAttributes, // " The valid attributes for this tag name are: "
    RangeValid,                 // " The valid range for this tag is "
    RangeInvalid,               // " The invalid range for this tag is "
    RangeInInvalid,             // " The tag is currently in its invalid range, ..."
    RangeNotInValid,            // " The tag is currently not in its valid range ..."
    JoinAnd,                    // "and"
    JoinOr,                     // "or"

    // Descriptions of the built-in attribute value types in lists of valid values.
    DescPosInteger, DescNegInteger, DescZero, DescString, DescSixDigitHex, DescIntegerOffset,
    DescPercent, DescNoValue, DescNullString, DescAlphanumString, DescSixteenColorNames,
    DescNetscapeColorNames, DescIntegers1To7, DescIntOffset6, DescSingleCharacter,
    DescSingleAlphanumChar, DescRelativeWidth,

    // Report header.
    ReportValidatingFile,  // "Validating file "%s" (%d bytes)."
    ReportFileDate,        // "File date is %s at %s.\n"
    ReportValidatedOn,     // "File validated on %s at %s."
    ReportDateError,       // "error getting date or in date format"
    ReportTimeError,       // "error getting time or in time format"
    ReportProfile,         // "Profile: %s." (only when the profile was chosen by name)
    ReportProfileOptions,  // "Profile options applied: %s." (only when a profile has them)

    // Message headings in the report and the log.
    HeadingError,       // "Error number %d in line %d:"
    HeadingErrorTag,    // "Error number %d for the tag beginning in line %d:"
    HeadingWarning,     // "Warning number %d in line %d:"
    HeadingWarningTag,  // "Warning number %d for the tag beginning in line %d:"
    HeadingComment,     // "Comment number %d:"
    HeadingMessageTag,  // "Message number %d for the tag beginning in line %d:"
    HeadingInternal,    // "INTERNAL PROGRAM ERROR-- contact author."

    // Statistics.
    StatsNoErrors,           // "No errors or warnings were detected!\n\n"
    StatsLinesChecked,       // "     Number of lines checked: %d\n"
    StatsLinesInFile,        // "Number of lines in HTML file: %d"
    StatsPercentChecked,     // " (%4.1f%% of lines checked)\n"
    StatsLinesIgnored,       // "     Number of lines ignored: %d\n"
    StatsEntities,           // "Number of character entities: %d\n"
    StatsTagNames,           // "         Number of tag names: %d\n"
    StatsClosingTags,        // "      Number of closing tags: %d"
    StatsPercentClosed,      // " (%4.1f%% of tag names closed)\n"
    StatsServerSections,     // "Number of <%% ... %%> sections: %d\n"
    StatsHtmlComments,       // "     Number of HTML comments: %d\n\n"
    StatsValidatorComments,  // "Number of validator comments: %d\n"
    StatsMessages,           // "          Number of messages: %d\n"
    StatsErrors,             // "            Number of errors: %d"
    StatsFirstInLine,        // " (first in line %d)"
    StatsWarnings,           // "\n          Number of warnings: %d"

    // Log entry lines.
    LogContainsErrors,  // "*** This document contains errors and/or warnings. ***\n\n"
    LogValDate,         // "Val Date: %s\n"
    LogValTime,         // "Val Time: %s\n"
    LogDocument,        // "Document: %s\n"
    LogDocDateTime,     // "Doc Date: %s\nDoc Time: %s\n"
    LogOutput,          // "  Output: %s\n"
    LogBytes,           // "   Bytes: %d\n"
    LogErrors,          // "  Errors: %d\n"
    LogWarnings,        // "Warnings: %d\n"
    LogComments,        // "Comments: %d\n"
    LogMessages,        // "Messages: %d\n"

    // Message boxes whose texts belong to the catalogue.
    NeedUpdateText,       // "The HTML Configuration file that you are using is for a newer ..."
    NeedUpdateCaption,    // "Markwise: Need To Update Executable"
    LogOpenErrorText,     // "An error occurred while attempting to open the log file. ..."
    LogOpenErrorCaption,  // "Markwise: Error Opening Log File"

    Count
};

constexpr int kTextCount = static_cast<int>(Text::Count);

// One row of a language column.
struct CatalogueRow {
    Text id;
    const char* text;
};

// The two columns, defined in their own source files. Every Text appears once in each.
extern const CatalogueRow kEnglishColumn[];
extern const int kEnglishColumnSize;
extern const CatalogueRow kFrenchColumn[];
extern const int kFrenchColumnSize;

// The text of `id` in `language`. A French cell that is missing takes the English text.
std::string_view text(Text id, Language language);

}  // namespace messages
