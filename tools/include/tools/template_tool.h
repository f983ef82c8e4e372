// The template tool: fills the marked regions of an HTML document from template files.
//
// A region starts with a line beginning "<!-- TEMPLATESTART", lists symbol definitions
// (NAME=value or NAME:=expression), one a line, up to a line beginning "-->", and ends with a
// line beginning "<!-- TEMPLATEEND -->". Every run keeps the markers and the symbol list and
// replaces what lies between the list and the end marker with the template file named by the
// symbol TEMPLATE, in which $"NAME" stands for the value of symbol NAME and $$ for one "$".
// Because the markers stay, a document can be regenerated any number of times.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/strstore.h"
#include "options/options.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/ui.h"
#include "tools/expression.h"
#include "tools/tool_io.h"

namespace tools {

// One symbol: its value and its name.
struct symtabclass {
    StrStore value;
    StrStore name;
};

// The symbols of one region: up to kMaxDefined from its list, then the built-in ones. Look-up is
// case-sensitive and finds the first entry of a name, so a symbol defined twice keeps its first
// value and a defined symbol hides a built-in one of the same name.
class SymbolTable {
  public:
    static constexpr int kMaxDefined = 50;
    static constexpr int kCapacity = 54;

    void clear() { count_ = 0; }
    int count() const { return count_; }
    // Adds a symbol at the end; false when the table is full, std::bad_alloc when the name
    // cannot be held.
    bool add(std::string_view name, StrStore value);
    // The value of the first symbol called `name`, or null.
    const StrStore* find(std::string_view name) const;

  private:
    std::array<symtabclass, kCapacity> entries_;
    int count_ = 0;
};

// What the template tool works with besides the document.
struct TemplateEnvironment {
    platform::UserInterface* owner = nullptr;  // owner of the message boxes; none are shown without
    const options::Options* options = nullptr;  // FileType, DefaultTimeFormat, DefaultDateFormat
    const platform::Clock* clock = nullptr;
    platform::FileSystem* files = nullptr;  // the template file and FileContents
};

// The outcome of reading one line of a symbol list.
enum class SymbolLine { Defined, NotADefinition };

// Reads one line of a symbol list into `symbols`. A NAME:=expression whose evaluation fails
// shows the template tool function error box and is then not a definition.
SymbolLine readSymbolDefinition(std::string_view line, SymbolTable& symbols,
                                const TemplateEnvironment& environment);

// Adds CURRENTTIME, CURRENTDATE, CURRENTFILE and VALIDATORVERSION after the defined symbols.
void addBuiltInSymbols(SymbolTable& symbols, const TemplateEnvironment& environment,
                       std::string_view documentName);

// Writes one template line with its symbols substituted (without a line end). False, with
// nothing more written, at a "$" that is followed neither by "$" nor by a quoted name.
bool substituteLine(std::string_view line, const SymbolTable& symbols, ToolOutput& output);

// Copies the document to `output` with every region filled, each line followed by the FileType
// line end. Returns 1 on success and 0 after an error box was shown (the serious-error box when
// memory ran out); what was written before an error stays in the output.
int runTemplateTool(const TemplateEnvironment& environment, TextLines& document,
                    ToolOutput& output, const std::string& documentName);

}  // namespace tools
