#include "tools/template_tool.h"

#include <new>
#include <optional>
#include <utility>

#include "messages/format.h"
#include "messages/report.h"
#include "platform/date_picture.h"
#include "config/document_lines.h"
#include "platform/file_policy.h"
#include "tools/text_tools.h"

namespace tools {
namespace {

constexpr std::string_view kStartMarker = "<!-- TEMPLATESTART";
constexpr std::string_view kEndMarker = "<!-- TEMPLATEEND -->";
constexpr std::string_view kListEnd = "-->";
constexpr std::string_view kVersion = "2.55";

constexpr std::string_view kTooManySymbols =
    "Too many symbols in \"%s\". You may only have up to %d symbols.";
constexpr std::string_view kTooManySymbolsCaption =
    "Markwise: Exceeding Maximum Number of Symbols";
constexpr std::string_view kBadSymbolLine =
    "Cannot get a valid symbol and value from line number %d in \"%s\".";
constexpr std::string_view kBadSymbolLineCaption = "Markwise: Error In Symbol List";
constexpr std::string_view kNoListEnd =
    "Reached the end of the document without finding the end of the symbol list in \"%s\".";
constexpr std::string_view kNoListEndCaption = "Markwise: Cannot Find End of Symbol List";
constexpr std::string_view kNoTemplateSymbol =
    "The symbol TEMPLATE was not defined in the symbol list in \"%s\".";
constexpr std::string_view kNoTemplateSymbolCaption = "Markwise: TEMPLATE Symbol Not Defined";
constexpr std::string_view kCannotOpenTemplate =
    "The template file \"%s\" cannot be opened in \"%s\".";
constexpr std::string_view kCannotOpenTemplateCaption = "Markwise: Cannot Open Template File";
constexpr std::string_view kCloseError = "There was an error closing the file.";
constexpr std::string_view kCloseErrorCaption = "Error";
constexpr std::string_view kNoEndMarker = "Cannot find the TEMPLATEEND marker in \"%s\".";
constexpr std::string_view kNoEndMarkerCaption = "Markwise: Cannot Find <!-- TEMPLATEEND -->";
constexpr std::string_view kFunctionError =
    "An error occurred processing the template tool function for the symbol \"%s\". Error %s.";
constexpr std::string_view kFunctionErrorCaption = "Markwise: Template Tool Function Error";
constexpr std::string_view kFormatError =
    "A format error occurred processing line number %d in the template file \"%s\" called from "
    "\"%s\". The correct format for specifying a symbol in a template file is $\"SYMBOLNAME\" "
    "(with quotes).";
constexpr std::string_view kFormatErrorCaption = "Markwise: Format Error";
constexpr std::string_view kTimeError = "error getting time or in time format";
constexpr std::string_view kDateError = "error getting date or in date format";

// Every box of the template tool: error icon, brought to the front.
void showError(const TemplateEnvironment& environment, std::string_view caption,
               const std::string& text) {
    if (environment.owner == nullptr) return;
    environment.owner->messageBox(std::string(caption), text, platform::Icon::Error,
                                  platform::Buttons::Ok, true);
}

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A symbol's text, or std::bad_alloc when it cannot be held: a symbol that silently lost its
// value would fill the region with other text. The whole tool fails instead.
StrStore held(std::string_view text) {
    StrStore value;
    if (!value.assign(text)) throw std::bad_alloc();
    return value;
}

// The current local time in a picture; the failure text when the time or the picture fails.
StrStore formattedNow(const std::optional<std::tm>& now, std::string_view picture,
                      platform::PictureElements elements, std::string_view failure) {
    std::optional<std::string> text;
    if (now) text = platform::formatDatePicture(picture, *now, elements);
    return held(text ? std::string_view(*text) : failure);
}

// The template file, open while its lines are written, and closed with the close-error box when
// closing fails.
class TemplateFile {
  public:
    TemplateFile(const TemplateEnvironment& environment, int fd)
        : environment_(environment), fd_(fd) {}
    TemplateFile(const TemplateFile&) = delete;
    TemplateFile& operator=(const TemplateFile&) = delete;
    ~TemplateFile() {
        if (environment_.files->close(fd_) != 0) {
            showError(environment_, kCloseErrorCaption, std::string(kCloseError));
        }
    }

  private:
    const TemplateEnvironment& environment_;
    int fd_;
};

// Writes the template of one region. Returns false after an error box.
bool writeTemplate(const TemplateEnvironment& environment, const SymbolTable& symbols,
                   ToolOutput& output, const std::string& documentName) {
    const StrStore* templatePath = symbols.find("TEMPLATE");
    if (templatePath == nullptr) {
        showError(environment, kNoTemplateSymbolCaption,
                  messages::format(kNoTemplateSymbol, {documentName}));
        return false;
    }
    const std::string path = templatePath->str();
    platform::FileError why;
    const int fd = platform::openRegularFile(*environment.files, path, why);
    if (fd < 0) {
        showError(environment, kCannotOpenTemplateCaption,
                  messages::format(kCannotOpenTemplate, {path, documentName}));
        return false;
    }
    const TemplateFile open(environment, fd);
    std::string bytes;
    if (platform::readDescriptor(*environment.files, fd, path, bytes)) {
        messages::showSeriousError(environment.owner, DocumentLines::kReadCountDiffers);
        return false;
    }

    const std::string_view end = lineEnd(environment.options->FileType);
    TextLines lines(std::move(bytes));
    TextLine line;
    while (lines.next(line)) {
        if (!substituteLine(line.view(), symbols, output)) {
            showError(environment, kFormatErrorCaption,
                      messages::format(kFormatError, {static_cast<long long>(line.number), path,
                                                      documentName}));
            return false;
        }
        output.write(end);
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Symbols

bool SymbolTable::add(std::string_view name, StrStore value) {
    if (count_ >= kCapacity) return false;
    symtabclass& entry = entries_[static_cast<std::size_t>(count_)];
    if (!entry.name.assign(name)) throw std::bad_alloc();
    entry.value = std::move(value);
    ++count_;
    return true;
}

const StrStore* SymbolTable::find(std::string_view name) const {
    for (int i = 0; i < count_; ++i) {
        const symtabclass& entry = entries_[static_cast<std::size_t>(i)];
        if (entry.name.view() == name) return &entry.value;
    }
    return nullptr;
}

SymbolLine readSymbolDefinition(std::string_view line, SymbolTable& symbols,
                                const TemplateEnvironment& environment) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return SymbolLine::NotADefinition;
    const std::size_t nameStart = i;
    while (i < line.size() && isAsciiLetterOrDigit(line[i])) ++i;
    if (i == line.size()) return SymbolLine::NotADefinition;
    const std::string_view name = line.substr(nameStart, i - nameStart);

    if (line[i] == '=') {
        symbols.add(name, held(line.substr(i + 1)));
        return SymbolLine::Defined;
    }
    if (line[i] != ':' || i + 1 == line.size() || line[i + 1] != '=') {
        return SymbolLine::NotADefinition;
    }
    StrStoreEx input(held(line.substr(i + 2)));
    ErrorStore errors;
    StrStore value = evaluateLine(input, errors, *environment.files);
    if (errors.hasError()) {
        showError(environment, kFunctionErrorCaption,
                  messages::format(kFunctionError, {name, errors.display().view()}));
        return SymbolLine::NotADefinition;
    }
    symbols.add(name, std::move(value));
    return SymbolLine::Defined;
}

void addBuiltInSymbols(SymbolTable& symbols, const TemplateEnvironment& environment,
                       std::string_view documentName) {
    const std::optional<std::tm> now = platform::localTime(environment.clock->now());
    const StrStore* timePicture = symbols.find("TIMEFORMAT");
    const StrStore* datePicture = symbols.find("DATEFORMAT");
    const options::Options& options = *environment.options;
    StrStore time = formattedNow(
        now, timePicture ? timePicture->view() : std::string_view(options.DefaultTimeFormat),
        platform::PictureElements::Time, kTimeError);
    StrStore date = formattedNow(
        now, datePicture ? datePicture->view() : std::string_view(options.DefaultDateFormat),
        platform::PictureElements::Date, kDateError);
    symbols.add("CURRENTTIME", std::move(time));
    symbols.add("CURRENTDATE", std::move(date));
    symbols.add("CURRENTFILE", held(documentName));
    symbols.add("VALIDATORVERSION", held(kVersion));
}

bool substituteLine(std::string_view line, const SymbolTable& symbols, ToolOutput& output) {
    std::size_t from = 0;
    while (true) {
        const std::size_t dollar = line.find('$', from);
        if (dollar == std::string_view::npos) {
            output.write(line.substr(from));
            return true;
        }
        const char after = dollar + 1 < line.size() ? line[dollar + 1] : '\0';
        if (dollar + 1 < line.size() && after == '$') {
            output.write(line.substr(from, dollar + 1 - from));
            from = dollar + 2;
            continue;
        }
        if (dollar + 1 == line.size() || after != '"') return false;
        const std::size_t close = line.find('"', dollar + 2);
        if (close == std::string_view::npos) return false;
        output.write(line.substr(from, dollar - from));
        if (const StrStore* value = symbols.find(line.substr(dollar + 2, close - dollar - 2))) {
            output.write(value->view());
        }
        from = close + 1;
    }
}

// ---------------------------------------------------------------------------------------------
// The whole document

namespace {

int fillRegions(const TemplateEnvironment& environment, TextLines& document, ToolOutput& output,
                const std::string& documentName) {
    const std::string_view end = lineEnd(environment.options->FileType);
    SymbolTable symbols;
    TextLine line;
    while (true) {
        // Up to and including the next start marker, copied.
        bool regionStarts = false;
        while (!regionStarts && document.next(line)) {
            output.writeLine(line.view(), end);
            regionStarts = line.view().starts_with(kStartMarker);
        }
        if (!regionStarts) return 1;

        // The symbol list, copied, up to and including its "-->".
        symbols.clear();
        bool listEnds = false;
        while (!listEnds && document.next(line)) {
            output.writeLine(line.view(), end);
            if (line.view().starts_with(kListEnd)) {
                listEnds = true;
            } else if (symbols.count() >= SymbolTable::kMaxDefined) {
                showError(environment, kTooManySymbolsCaption,
                          messages::format(kTooManySymbols,
                                           {documentName, SymbolTable::kMaxDefined}));
                return 0;
            } else if (readSymbolDefinition(line.view(), symbols, environment) !=
                       SymbolLine::Defined) {
                showError(environment, kBadSymbolLineCaption,
                          messages::format(kBadSymbolLine, {static_cast<long long>(line.number),
                                                            documentName}));
                return 0;
            }
        }
        if (!listEnds) {
            showError(environment, kNoListEndCaption, messages::format(kNoListEnd, {documentName}));
            return 0;
        }
        addBuiltInSymbols(symbols, environment, documentName);

        if (!writeTemplate(environment, symbols, output, documentName)) return 0;

        // The old text up to the region's end marker is dropped, old regions nested in it with
        // it; the end marker is kept.
        int nesting = 0;
        bool regionEnds = false;
        while (!regionEnds && document.next(line)) {
            if (line.view().starts_with(kStartMarker)) {
                ++nesting;
            } else if (line.view().starts_with(kEndMarker)) {
                if (nesting == 0) {
                    regionEnds = true;
                } else {
                    --nesting;
                }
            }
        }
        if (!regionEnds) {
            showError(environment, kNoEndMarkerCaption,
                      messages::format(kNoEndMarker, {documentName}));
            return 0;
        }
        output.writeLine(line.view(), end);
    }
}

}  // namespace

int runTemplateTool(const TemplateEnvironment& environment, TextLines& document,
                    ToolOutput& output, const std::string& documentName) {
    try {
        return fillRegions(environment, document, output, documentName);
    } catch (const std::bad_alloc&) {
        // A symbol, the template's text or what is written could not be held: the tool fails,
        // as when the line records of a file cannot be made.
        try {
            messages::showSeriousError(environment.owner, DocumentLines::kLineRecordFailed);
        } catch (const std::bad_alloc&) {
        }
        return 0;
    }
}

}  // namespace tools
