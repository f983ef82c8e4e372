#include "options/options.h"

#include <array>
#include <charconv>
#include <limits>

namespace options {
namespace {

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kPathSize = static_cast<int>(kLongestPath) + 1;

constexpr OptionInfo onOff(const char* name, OptionGroup group, int Options::*field, int value,
                           const char* label = nullptr) {
    return {name, OptionType::OnOff, group, field, nullptr, value, nullptr, false, 0, 1, 0, true,
            label};
}

constexpr OptionInfo integer(const char* name, OptionGroup group, int Options::*field, int value,
                             int minimum, int maximum, const char* label = nullptr) {
    return {name, OptionType::Integer, group, field, nullptr, value, nullptr, false,
            minimum, maximum, 0, true, label};
}

constexpr OptionInfo text(const char* name, OptionGroup group, std::string Options::*field,
                          const char* value, int size, bool inProgramDirectory = false,
                          bool saved = true, const char* label = nullptr) {
    return {name, OptionType::Text, group, nullptr, field, 0, value, inProgramDirectory,
            0, 0, size, saved, label};
}

using G = OptionGroup;
using O = Options;

// Platform defaults: the line-end options default to LF, and the viewer and editor are the
// desktop's opener.
const std::array kOptions{
    // Program group.
    onOff("FirstTimeToSave", G::Program, &O::FirstTimeToSave, 1),
    onOff("AlwaysOpenViewer", G::Program, &O::AlwaysOpenViewer, 1),
    onOff("AutoSave", G::Program, &O::AutoSave, 1),
    onOff("MaximizeViewer", G::Program, &O::MaximizeViewer, 0),
    onOff("CreateBAKFiles", G::Program, &O::CreateBAKFiles, 1),
    onOff("UseVALFilesInstead", G::Program, &O::UseVALFilesInstead, 0),
    onOff("DontViewIfUseVAL", G::Program, &O::DontViewIfUseVAL, 0),
    onOff("ShowTOOLDBWhenFilesDropped", G::Program, &O::ShowTOOLDBWhenFilesDropped, 1),
    onOff("GiveDroppedFilesToValidator", G::Program, &O::GiveDroppedFilesToValidator, 1),
    onOff("GiveDroppedFilesToTool", G::Program, &O::GiveDroppedFilesToTool, 0),
    onOff("AutoSaveHTMLConfiguration", G::Program, &O::AutoSaveHTMLConfiguration, 0),
    integer("ExternalCapability", G::Program, &O::ExternalCapability, 2, kIntMin, kIntMax),
    integer("Language", G::Program, &O::Language, 0, 0, 1),
    integer("FileType", G::Program, &O::FileType, 2, 0, 2),
    integer("ConvertToFileType", G::Program, &O::ConvertToFileType, 2, 0, 2),
    integer("DefaultDragAndDropTool", G::Program, &O::DefaultDragAndDropTool, 2, 1, 5),
    text("VALExtension", G::Program, &O::VALExtension, "val", 12),
    text("DefaultConfigurationFilenameV25", G::Program, &O::DefaultConfigurationFilenameV25,
         "mkwise25.cfg", kPathSize, true),
    text("OutputFilename", G::Program, &O::OutputFilename, "output.txt", kPathSize, true),
    text("LastOpenedHTMLFilename", G::Program, &O::LastOpenedHTMLFilename, "", kPathSize),
    text("LastOpenedToolFilename", G::Program, &O::LastOpenedToolFilename, "", kPathSize),
    text("ViewerFilename", G::Program, &O::ViewerFilename, "xdg-open", kPathSize),
    text("EditorFilename", G::Program, &O::EditorFilename, "xdg-open", kPathSize),
    onOff("KeepWindowOnTop", G::Program, &O::KeepWindowOnTop, 0),

    // Validator group, with the captions of the Validator page.
    onOff("CheckNesting", G::Validator, &O::CheckNesting, 1, "Check HTML tag &nesting"),
    onOff("IncludeHTMLInOutput", G::Validator, &O::IncludeHTMLInOutput, 1,
          "&Include HTML document in output"),
    onOff("AllowSpacesAroundEqual", G::Validator, &O::AllowSpacesAroundEqual, 0,
          "A&llow spaces around '='"),
    onOff("StrictComments", G::Validator, &O::StrictComments, 1, "<!-- ... --> Strict co&mments"),
    onOff("AllowMultiLineQuotes", G::Validator, &O::AllowMultiLineQuotes, 0,
          "Allow multi-line &quotes"),
    onOff("ShowComments", G::Validator, &O::ShowComments, 1, "Sho&w validator comments"),
    onOff("MessagesAtBottom", G::Validator, &O::MessagesAtBottom, 0, "Messages at &bottom"),
    onOff("ValidateEntities", G::Validator, &O::ValidateEntities, 1, "&Validate entities"),
    onOff("EnableWarnings", G::Validator, &O::EnableWarnings, 1, "Enable wa&rnings"),
    integer("LineLength", G::Validator, &O::LineLength, 55, 20, 999, "Message line length:"),
    onOff("CheckForHighASCII", G::Validator, &O::CheckForHighASCII, 1,
          "Chec&k for high ASCII characters"),
    onOff("EnableCommentWarnings", G::Validator, &O::EnableCommentWarnings, 1,
          "Enable comment warnin&gs"),
    onOff("TagRangeAlwaysValid", G::Validator, &O::TagRangeAlwaysValid, 0,
          "Tag range alwa&ys valid"),
    onOff("AllowDoubleQuoteInText", G::Validator, &O::AllowDoubleQuoteInText, 0,
          "&Allow double quote in text"),
    onOff("IgnoreActiveServer", G::Validator, &O::IgnoreActiveServer, 1,
          "Ignore text in <&% ... %>"),
    onOff("RequireOptionalClosingTags", G::Validator, &O::RequireOptionalClosingTags, 0,
          "Require o&ptional closing tags"),
    integer("MaximumWarnings", G::Validator, &O::MaximumWarnings, 25, 1, 9999,
            "Maxim&um warnings:"),
    integer("MaximumErrors", G::Validator, &O::MaximumErrors, 25, 1, 9999, "Ma&ximum errors:"),
    onOff("CollapseASPInTags", G::Validator, &O::CollapseASPInTags, 1,
          "Collapse <% ... %> in &tags to 'ASP'"),
    onOff("UnicodeNumericEntities", G::Validator, &O::UnicodeNumericEntities, 0,
          "Numeric entities include Unicode"),
    onOff("HexadecimalEntities", G::Validator, &O::HexadecimalEntities, 0,
          "Allow hexa&decimal numeric entities"),
    onOff("EnableMissingAttributeWarnings", G::Validator, &O::EnableMissingAttributeWarnings, 1,
          "&Enable missing attribute warnings"),
    onOff("QuotesEquivalent", G::Validator, &O::QuotesEquivalent, 0,
          "Treat all quotes as equivalent"),
    onOff("IgnoreQuoteRequirements", G::Validator, &O::IgnoreQuoteRequirements, 0,
          "Ignore all quotation requirements"),
    onOff("AllowSpaces2", G::Validator, &O::AllowSpaces2, 0, "Allow spaces such as in < b >"),
    onOff("FirstTagAnywhere", G::Validator, &O::FirstTagAnywhere, 0,
          "(first tag) can be anywhere"),
    // Today's HTML: off by default, so that stored settings and reports stay as they were;
    // the profiles for today's HTML and HTML 4.01 turn on what their HTML allows.
    onOff("AllowEmptyElementSlash", G::Validator, &O::AllowEmptyElementSlash, 0,
          "Accept XML-style empty tags <br/>"),
    onOff("AllowGreaterThanInText", G::Validator, &O::AllowGreaterThanInText, 0,
          "Allow '>' in text"),
    onOff("AllowBareAmpersand", G::Validator, &O::AllowBareAmpersand, 0,
          "Allow '&&' that starts no entity in text"),
    onOff("CheckDuplicateIds", G::Validator, &O::CheckDuplicateIds, 0,
          "Check for duplicate id values"),

    // Logging group.
    onOff("LogErrors", G::Logging, &O::LogErrors, 0, "Log e&rror messages"),
    onOff("LogWarnings", G::Logging, &O::LogWarnings, 0, "Log &warning messages"),
    onOff("LogIncludeHTML", G::Logging, &O::LogIncludeHTML, 1,
          "I&nclude HTML lines containing errors and/or warnings (must also log error or "
          "warning messages to activate)"),
    onOff("EnableLogging", G::Logging, &O::EnableLogging, 0, "&Enable logging"),
    text("LogFilename", G::Logging, &O::LogFilename, "log.txt", kPathSize, true, true,
         "&Log reports to filename:"),

    // Template tool pictures: read at start-up, never written by Save.
    text("DefaultTimeFormat", G::Other, &O::DefaultTimeFormat, "hh':'mm':'ss tt", 64, false,
         false),
    text("DefaultDateFormat", G::Other, &O::DefaultDateFormat, "ddd',' MMM dd yyyy", 64, false,
         false),
};

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A decimal number with an optional sign and nothing else; empty when it is not one or does
// not fit 32 bits.
std::optional<int> parseDecimal(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// The leading decimal number of a stored text, as a C library conversion reads it: white
// space (blanks, tabs, line breaks, vertical tabs and form feeds), a sign and digits; anything
// else ends the number, and no digits read as 0.
int leadingDecimal(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && std::string_view(" \t\n\v\f\r").find(s[i]) != std::string_view::npos) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > kIntMax) {
            value = static_cast<long long>(kIntMax) + 1;
            break;
        }
    }
    if (negative) value = -value;
    if (value > kIntMax) return kIntMax;
    if (value < kIntMin) return kIntMin;
    return static_cast<int>(value);
}

std::string defaultText(const OptionInfo& info, std::string_view programDirectory) {
    if (!info.inProgramDirectory) return info.defaultText;
    std::string path(programDirectory);
    std::string_view name = info.defaultText;
    if (path.size() + name.size() < static_cast<std::size_t>(kPathSize)) path += name;
    return path;
}

}  // namespace

std::span<const OptionInfo> optionTable() { return kOptions; }

const OptionInfo* findOption(std::string_view name) {
    for (const OptionInfo& info : kOptions) {
        if (equalsIgnoreCase(info.name, name)) return &info;
    }
    return nullptr;
}

void setDefaults(Options& options, std::string_view programDirectory) {
    for (const OptionInfo& info : kOptions) {
        if (info.type == OptionType::Text) {
            options.*info.textField = defaultText(info, programDirectory);
        } else {
            options.*info.intField = info.defaultValue;
        }
    }
    options.lastOutputFilename.clear();
    options.mivaMacros = 1;
    options.tolerateUndefinedSymbols = 1;
    options.optionsSaved = 0;
    options.machineReadable = 0;
}

Options defaultOptions(std::string_view programDirectory) {
    Options options{};
    setDefaults(options, programDirectory);
    return options;
}

bool applyStoredValue(Options& options, const OptionInfo& info, std::string_view stored) {
    switch (info.type) {
        case OptionType::OnOff:
            options.*info.intField = leadingDecimal(stored) != 0 ? 1 : 0;
            return true;
        case OptionType::Integer: {
            int value = leadingDecimal(stored);
            if (info.intField == &Options::Language && (value < 0 || value > 1)) value = 0;
            options.*info.intField = value;
            return true;
        }
        case OptionType::Text:
            if (stored.size() + 1 > static_cast<std::size_t>(info.textSize)) return false;
            options.*info.textField = std::string(stored);
            return true;
    }
    return false;
}

std::optional<std::string> setFromUser(Options& options, const OptionInfo& info,
                                       std::string_view value) {
    switch (info.type) {
        case OptionType::OnOff: {
            if (value != "0" && value != "1") return std::string("must be 0 or 1");
            options.*info.intField = value == "1" ? 1 : 0;
            return std::nullopt;
        }
        case OptionType::Integer: {
            std::optional<int> number = parseDecimal(value);
            if (!number || *number < info.minimum || *number > info.maximum) {
                if (info.minimum == kIntMin) return std::string("must be a whole number");
                return "must be a whole number from " + std::to_string(info.minimum) + " to " +
                       std::to_string(info.maximum);
            }
            options.*info.intField = *number;
            return std::nullopt;
        }
        case OptionType::Text:
            if (value.size() + 1 > static_cast<std::size_t>(info.textSize)) {
                return "must be at most " + std::to_string(info.textSize - 1) + " bytes long";
            }
            if (value.find('\0') != std::string_view::npos) {
                return std::string("must not contain a NUL byte");
            }
            options.*info.textField = std::string(value);
            return std::nullopt;
    }
    return std::string("unknown option type");
}

int storedNumber(std::string_view stored) { return leadingDecimal(stored); }

std::string storedValue(const Options& options, const OptionInfo& info) {
    if (info.type == OptionType::Text) return options.*info.textField;
    return std::to_string(options.*info.intField);
}

}  // namespace options
