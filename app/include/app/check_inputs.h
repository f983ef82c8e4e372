// The documents a markwise-check run takes: files named on the command line, folders walked for
// HTML files, standard input, and lists of names read from a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace app {

// One document to check.
struct CheckInput {
    std::string name;     // as it is reported (for standard input, the --stdin-filename name)
    bool standardInput = false;
};

struct InputRequest {
    std::vector<std::string> operands;  // names, folders, "-" for standard input
    std::vector<std::string> extensions = {"htm", "html", "shtm", "shtml"};  // for folders
    std::optional<std::string> filesFrom;  // a file of names, or "-" for standard input
    bool nulSeparated = false;             // names in filesFrom end with NUL, not a line end
    std::string stdinName = "-";
};

// The extensions of --ext: a comma-separated list, each without its dot ("htm,html"); an empty
// list or an empty extension is refused.
std::optional<std::string> parseExtensions(const std::string& list, std::vector<std::string>& out);

// Expands `request` into the documents to check, in order: each operand in turn (a folder's
// files in sorted order), then the names read from filesFrom (folders among them expanded the
// same way). Returns the problem that stops the run (an unreadable list, standard input named
// twice), or nothing; folders that could not be read are added to `problems`, and the run goes
// on without them.
std::optional<std::string> gatherInputs(const InputRequest& request, platform::FileSystem& fs,
                                        std::vector<CheckInput>& inputs,
                                        std::vector<std::string>& problems);

// The files under `folder` whose extension is one of `extensions` (compared without regard to
// case), with their names as `folder` + "/" + relative path, sorted byte by byte. Symbolic links
// are followed only where they lead to a file or folder inside the tree; every folder is visited
// once. Folders that cannot be read, and entries whose type cannot be read, are named in
// `problems`.
std::vector<std::string> filesInFolder(platform::FileSystem& files, const std::string& folder,
                                       const std::vector<std::string>& extensions,
                                       std::vector<std::string>& problems);

// The wide encoding a document's first bytes show, by the name iconv knows it by: "UTF-16" or
// "UTF-32" for a byte order mark, "UTF-16LE", "UTF-16BE", "UTF-32LE" or "UTF-32BE" for ASCII
// characters with NUL bytes between them and no mark. Nothing for a document of single bytes
// (ASCII, UTF-8, an 8-bit character set), which is what the checks read: in a wide encoding
// every character would read as a byte beside NULs, and every tag as unknown.
std::optional<std::string_view> wideEncodingOf(std::string_view bytes);

}  // namespace app
