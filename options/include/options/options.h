// The options record: every program, validator and logging option of Markwise, named by its
// settings-store value name, with one table row per option that the defaults, the settings store,
// the command line's --set and the dialogs all use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace options {

// The longest file name a path option holds: a text of 256 with its terminator.
inline constexpr std::size_t kLongestPath = 255;

struct Options {
    // Program group.
    int FirstTimeToSave;
    int AlwaysOpenViewer;
    int AutoSave;
    int MaximizeViewer;
    int CreateBAKFiles;
    int UseVALFilesInstead;
    int DontViewIfUseVAL;
    int ShowTOOLDBWhenFilesDropped;
    int GiveDroppedFilesToValidator;
    int GiveDroppedFilesToTool;
    int AutoSaveHTMLConfiguration;
    int ExternalCapability;
    int Language;
    int FileType;
    int ConvertToFileType;
    int DefaultDragAndDropTool;
    std::string VALExtension;
    std::string DefaultConfigurationFilenameV25;
    std::string OutputFilename;
    std::string LastOpenedHTMLFilename;
    std::string LastOpenedToolFilename;
    std::string lastOutputFilename;  // not stored: the report most recently opened for writing
    std::string ViewerFilename;
    std::string EditorFilename;
    int KeepWindowOnTop;

    // Validator group.
    int CheckNesting;
    int IncludeHTMLInOutput;
    int AllowSpacesAroundEqual;
    int StrictComments;
    int AllowMultiLineQuotes;
    int ShowComments;
    int MessagesAtBottom;
    int ValidateEntities;
    int EnableWarnings;
    int LineLength;
    int CheckForHighASCII;
    int EnableCommentWarnings;
    int TagRangeAlwaysValid;
    int AllowDoubleQuoteInText;
    int IgnoreActiveServer;
    int RequireOptionalClosingTags;
    int MaximumWarnings;
    int MaximumErrors;
    int CollapseASPInTags;
    int UnicodeNumericEntities;
    int HexadecimalEntities;
    int EnableMissingAttributeWarnings;
    int QuotesEquivalent;
    int IgnoreQuoteRequirements;
    int AllowSpaces2;
    int FirstTagAnywhere;
    int AllowEmptyElementSlash;  // "/" before the ">" of a tag marks an empty element (<br/>)
    int AllowGreaterThanInText;  // ">" in the text is not reported
    int AllowBareAmpersand;      // an "&" that starts no entity ("Q&A", "& ") is not reported
    int CheckDuplicateIds;       // an id value given twice in a document is reported
    int mivaMacros;  // not stored: Miva macro handling is always on

    // Logging group.
    int LogErrors;
    int LogWarnings;
    int LogIncludeHTML;
    int EnableLogging;
    std::string LogFilename;

    // After the groups.
    std::string DefaultTimeFormat;
    std::string DefaultDateFormat;
    int tolerateUndefinedSymbols;  // not stored: the template tool always tolerates them

    // Beside the record.
    int optionsSaved;     // 1 after a successful load or save of the options
    int machineReadable;  // the run writes the KEY=VALUE form; set only by the editor forms
};

enum class OptionType { OnOff, Integer, Text };
enum class OptionGroup { Program, Validator, Logging, Other };

// One stored option: its settings-store value name, type, default and limits.
struct OptionInfo {
    const char* name;
    OptionType type;
    OptionGroup group;
    int Options::*intField;          // OnOff and Integer
    std::string Options::*textField;  // Text
    int defaultValue;                 // OnOff and Integer
    const char* defaultText;          // Text; a name appended to the program directory when
                                      // `inProgramDirectory` is set
    bool inProgramDirectory;
    int minimum;          // Integer limits (inclusive); OnOff is 0..1
    int maximum;
    int textSize;         // Text: the field's size including the terminator
    bool saved;           // written by Save options (DefaultTimeFormat and DefaultDateFormat are not)
    const char* label;    // the caption of its control in the options dialog; null for none
};

// Every option that has a settings-store value name, in the record's order.
std::span<const OptionInfo> optionTable();

// The row named `name` (compared without regard to case), or null.
const OptionInfo* findOption(std::string_view name);

// Fills the whole record with its defaults. File names that begin with the program directory
// take `programDirectory` (ending with "/", or empty when it is unknown).
void setDefaults(Options& options, std::string_view programDirectory);

// An options record at its defaults.
Options defaultOptions(std::string_view programDirectory);

// Reads a stored value as the option's type would: an on/off value is 1 for any non-zero
// number; an integer is its decimal value (text that is not a number reads as 0) and Language
// outside 0..1 reads as 0. Text that does not fit the field fails. Returns false on failure
// and leaves the field unchanged.
bool applyStoredValue(Options& options, const OptionInfo& info, std::string_view stored);

// Sets an option from a value given by the user (the command line): an on/off value must be
// 0 or 1, an integer must be a decimal number inside the option's limits, a text must fit the
// field. Returns an explanation of what is wrong, or nothing when the value was set.
std::optional<std::string> setFromUser(Options& options, const OptionInfo& info,
                                       std::string_view value);

// The number a stored text holds, as a C library conversion reads it: white space (line
// breaks too), a sign and decimal digits; anything else ends the number, and text without
// digits reads as 0.
int storedNumber(std::string_view stored);

// The option's current value as stored text ("1", "25", "val").
std::string storedValue(const Options& options, const OptionInfo& info);

}  // namespace options
