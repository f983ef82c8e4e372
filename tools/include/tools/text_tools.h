// The text tools' line transforms: lowercase or uppercase the markup, strip the tags. Each is a
// small state machine that is reset once per file and then given the file's lines in order, so
// that tags, quoted values and comments may span lines. Lines are changed in place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tools {

// The tool numbers, also the values of DefaultDragAndDropTool.
inline constexpr int kToolLowercase = 1;
inline constexpr int kToolUppercase = 2;
inline constexpr int kToolStrip = 3;
inline constexpr int kToolTemplate = 4;
inline constexpr int kToolConvert = 5;

// The line end a FileType or ConvertToFileType value asks for: 0 CR LF, 1 CR, 2 LF. Any other
// value writes LF, the line end of this platform.
std::string_view lineEnd(int fileType);

// The backup name of a document: its name without the extension (which begins at the last "."
// after the last "/"; a name without one is taken whole), followed by ".bak". So page.htm and
// page.html share page.bak, and .profile backs up as .bak.
std::string backupName(std::string_view document);

// Lowercase (tool 1) or uppercase (tool 2) of the markup. Tag names, attribute names and
// unquoted values change case (ASCII letters only); quoted values, the text between tags,
// comments ("<!--" to "-->") and declarations ("<!" to ">") keep theirs.
class CaseConverter {
  public:
    explicit CaseConverter(bool upper);

    // The state at the start of a file: outside every tag.
    void reset();
    // Converts one line (without its line end) in place.
    void convertLine(char* text, std::size_t length);

  private:
    bool upper_;
    bool inTag_ = false;
    bool converting_ = false;
    char openQuote_ = 'x';  // the quote that opened the value being passed over; x for none
    bool inComment_ = false;
    bool inDeclaration_ = false;
};

// Strip HTML tags (tool 3): every tag and comment is removed with what it holds, also where it
// spans lines; a ">" inside a quoted value of a tag does not end the tag.
class TagStripper {
  public:
    // The state at the start of a file: no tag open.
    void reset();
    // Strips one line (without its line end) in place and returns its new length. A tag still
    // open at the end of the line is cut off and goes on at the start of the next line.
    std::size_t stripLine(char* text, std::size_t length);

  private:
    bool tagOpen_ = false;
    bool inComment_ = false;
    bool insideQuotes_ = false;
    char openQuote_ = 'x';
};

}  // namespace tools
