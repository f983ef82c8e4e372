#include "app/check_inputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "config/text_utils.h"
#include "platform/file_policy.h"

namespace app {
namespace {

namespace fs = std::filesystem;

// Whether a file name ends in "." and one of the extensions, in any case: "page.HTML" for
// "html", and "index.html.en" for "html.en" as well as for "en".
bool wanted(std::string_view name, const std::vector<std::string>& extensions) {
    return std::any_of(extensions.begin(), extensions.end(), [&](const std::string& e) {
        if (e.empty() || name.size() <= e.size()) return false;
        const std::size_t dot = name.size() - e.size() - 1;
        return name[dot] == '.' && text::equalsIgnoreCase(e, name.substr(dot + 1));
    });
}

bool inside(const fs::path& candidate, const fs::path& root) {
    auto [rootEnd, candidateAt] =
        std::mismatch(root.begin(), root.end(), candidate.begin(), candidate.end());
    return rootEnd == root.end();
}

// Walks the tree with an explicit stack of folders, each visited once by its real name.
class FolderWalk {
public:
    FolderWalk(platform::FileSystem& files, const std::string& top,
               const std::vector<std::string>& extensions, std::vector<std::string>& problems)
        : files_(files), extensions_(extensions), problems_(problems) {
        std::error_code error;
        root_ = fs::canonical(top, error);
        if (error) {
            problems_.push_back(top + ": cannot be read: " + error.message());
            return;
        }
        pending_.push_back({top, root_});
    }

    // Every folder of the tree itself is visited before any folder reached through a link, so
    // that a folder seen both ways is listed under its own name.
    std::vector<std::string> run() {
        while (!pending_.empty() || !linked_.empty()) {
            std::vector<Folder>& from = pending_.empty() ? linked_ : pending_;
            Folder folder = from.back();
            from.pop_back();
            if (!visited_.insert(folder.real.string()).second) continue;
            visit(folder);
        }
        std::sort(found_.begin(), found_.end());
        return std::move(found_);
    }

private:
    struct Folder {
        std::string shown;  // the name as the user will see it
        fs::path real;
    };

    // A folder that cannot be listed, or an entry whose type cannot be read, is named as a
    // problem: its documents must not be left out unnoticed.
    void visit(const Folder& folder) {
        std::vector<std::string> names;
        if (!files_.list(folder.shown, names)) {
            problems_.push_back(folder.shown + ": cannot be read: " + std::strerror(errno));
            return;
        }
        for (const std::string& name : names) {
            // Hidden files and folders (.git, .cache, an editor's backups) are no part of the
            // site; one named on the command line is still checked.
            if (name.starts_with('.')) continue;
            const std::string shown = folder.shown + "/" + name;
            struct stat info {};
            if (files_.lstat(shown, info) != 0) {
                // Gone since the folder was listed: nothing is left out.
                if (errno != ENOENT) {
                    problems_.push_back(shown + ": cannot be read: " + std::strerror(errno));
                }
                continue;
            }
            fs::path real = folder.real / name;
            const bool link = S_ISLNK(info.st_mode);
            if (link) {
                // A link is followed only when it leads somewhere inside the tree.
                std::error_code typeError;
                real = fs::canonical(shown, typeError);
                if (typeError || !inside(real, root_)) continue;
                if (files_.stat(real.string(), info) != 0) continue;
            }
            if (S_ISDIR(info.st_mode)) {
                (link ? linked_ : pending_).push_back({shown, real});
            } else if (S_ISREG(info.st_mode) && wanted(name, extensions_)) {
                found_.push_back(shown);
            }
        }
    }

    platform::FileSystem& files_;
    const std::vector<std::string>& extensions_;
    std::vector<std::string>& problems_;
    fs::path root_;
    std::vector<Folder> pending_;
    std::vector<Folder> linked_;
    std::set<std::string> visited_;
    std::vector<std::string> found_;
};

bool isFolder(platform::FileSystem& files, const std::string& name) {
    struct stat info {};
    return files.stat(name, info) == 0 && S_ISDIR(info.st_mode);
}

// A folder's name without trailing slashes ("site/" shows its files as "site/a.html").
std::string withoutTrailingSlashes(std::string name) {
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    return name;
}

}  // namespace

std::optional<std::string> parseExtensions(const std::string& list, std::vector<std::string>& out) {
    out.clear();
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string extension = list.substr(start, comma - start);
        // Blanks around a name are no part of it: "html, htm" is read as "html,htm".
        const std::size_t first = extension.find_first_not_of(" \t");
        extension = first == std::string::npos
                        ? std::string()
                        : extension.substr(first, extension.find_last_not_of(" \t") - first + 1);
        if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
        if (extension.empty()) return "--ext takes extensions separated by commas, e.g. htm,html";
        out.push_back(extension);
        start = comma + 1;
    }
    return std::nullopt;
}

std::vector<std::string> filesInFolder(platform::FileSystem& files, const std::string& folder,
                                       const std::vector<std::string>& extensions,
                                       std::vector<std::string>& problems) {
    return FolderWalk(files, withoutTrailingSlashes(folder), extensions, problems).run();
}

std::optional<std::string> gatherInputs(const InputRequest& request, platform::FileSystem& fs,
                                        std::vector<CheckInput>& inputs,
                                        std::vector<std::string>& problems) {
    bool stdinUsed = request.filesFrom && *request.filesFrom == "-";
    auto add = [&](const std::string& name) -> std::optional<std::string> {
        if (name == "-") {
            if (stdinUsed) return std::string("standard input can be read only once");
            stdinUsed = true;
            inputs.push_back({request.stdinName, true});
        } else if (isFolder(fs, name)) {
            for (std::string& file : filesInFolder(fs, name, request.extensions, problems)) {
                inputs.push_back({std::move(file), false});
            }
        } else {
            inputs.push_back({name, false});
        }
        return std::nullopt;
    };
    for (const std::string& operand : request.operands) {
        if (auto problem = add(operand)) return problem;
    }
    if (!request.filesFrom) return std::nullopt;

    std::string list;
    const std::string& from = *request.filesFrom;
    std::optional<platform::FileError> failure =
        from == "-" ? platform::readDescriptor(fs, STDIN_FILENO, "standard input", list)
                    : platform::readRegularFile(fs, from, list);
    if (failure) return "--files-from " + failure->message();
    const char separator = request.nulSeparated ? '\0' : '\n';
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(separator, start);
        if (end == std::string::npos) end = list.size();
        std::string name = list.substr(start, end - start);
        if (!request.nulSeparated && !name.empty() && name.back() == '\r') name.pop_back();
        start = end + 1;
        if (name.empty()) continue;
        // A "-" in a list is a file of that name, not standard input.
        if (name == "-") {
            inputs.push_back({name, false});
        } else if (auto problem = add(name)) {
            return problem;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> wideEncodingOf(std::string_view bytes) {
    using namespace std::string_view_literals;
    // The marks of UTF-32 begin with those of UTF-16: they are asked first.
    if (bytes.starts_with("\xFF\xFE\0\0"sv) || bytes.starts_with("\0\0\xFE\xFF"sv)) {
        return "UTF-32";
    }
    if (bytes.starts_with("\xFF\xFE"sv) || bytes.starts_with("\xFE\xFF"sv)) return "UTF-16";
    if (bytes.size() < 4) return std::nullopt;
    const auto nul = [&](std::size_t i) { return bytes[i] == '\0'; };
    // An HTML document starts with a character other than NUL ("<", a blank, a line end).
    if (!nul(0) && nul(1) && nul(2) && nul(3)) return "UTF-32LE";
    if (nul(0) && nul(1) && nul(2) && !nul(3)) return "UTF-32BE";
    if (!nul(0) && nul(1) && !nul(2) && nul(3)) return "UTF-16LE";
    if (nul(0) && !nul(1) && nul(2) && !nul(3)) return "UTF-16BE";
    return std::nullopt;
}

}  // namespace app
