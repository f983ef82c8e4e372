#include "platform/settings_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/file_policy.h"
#include "platform/file_system.h"

namespace platform {
namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// One line of the file: a section header, a value, or anything else (kept verbatim).
struct Line {
    enum Kind { Section, Value, Other } kind = Other;
    std::string text;   // Section: the key path; Value: the name; Other: the whole line
    std::string value;  // Value: the unescaped value
};

struct Document {
    // The file began with a byte order mark, which an editor put there: it is written back
    // ahead of the first line, so that no write drops it (and a second mark, the first line's
    // own text, stays that line's).
    bool byteOrderMark = false;
    std::vector<Line> lines;
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class ReadState { Read, Missing, Unreadable };

// A settings file is a few kilobytes; one far larger is none.
constexpr std::uint64_t kLargestSettingsFile = std::uint64_t{64} << 20;

// Only a regular file is read: a FIFO would wait for a writer that never comes, and a link to
// an endless device would fill the memory. Anything else is unreadable, and so never replaced.
ReadState readWhole(const std::string& path, std::string& bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadState::Missing : ReadState::Unreadable;
    }
    if (readRegularFile(systemFileSystem(), path, bytes, kLargestSettingsFile)) {
        return ReadState::Unreadable;
    }
    return ReadState::Read;
}

Document parse(std::string_view bytes) {
    Document doc;
    // A byte order mark that an editor put before the first line is no part of it.
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
        doc.byteOrderMark = true;
    }
    while (!bytes.empty()) {
        std::size_t end = bytes.find('\n');
        std::string_view raw = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

        Line line;
        if (raw.size() >= 2 && raw.front() == '[' && raw.back() == ']') {
            line.kind = Line::Section;
            line.text = std::string(raw.substr(1, raw.size() - 2));
        } else if (std::size_t eq = raw.find('=');
                   eq != std::string_view::npos && eq > 0 && raw.front() != ';' &&
                   raw.front() != '#') {
            line.kind = Line::Value;
            line.text = std::string(raw.substr(0, eq));
            line.value = unescapeSettingsValue(raw.substr(eq + 1));
        } else {
            line.text = std::string(raw);
        }
        doc.lines.push_back(std::move(line));
    }
    return doc;
}

std::string serialize(const Document& doc) {
    std::string out(doc.byteOrderMark ? kByteOrderMark : std::string_view());
    for (const Line& line : doc.lines) {
        switch (line.kind) {
            case Line::Section: out += '[' + line.text + ']'; break;
            case Line::Value: out += line.text + '=' + escapeSettingsValue(line.value); break;
            case Line::Other:
                out += line.text;
                // A line whose own text ends in a carriage return was read from one that ended
                // in CR LF: it gets that end back, so that reading it again gives the same text.
                if (!line.text.empty() && line.text.back() == '\r') out += '\r';
                break;
        }
        out += '\n';
    }
    return out;
}

// The index of the value line `name` in section `key`, or the lines' size.
std::size_t findValue(const Document& doc, std::string_view key, std::string_view name) {
    bool inKey = false;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const Line& line = doc.lines[i];
        if (line.kind == Line::Section) {
            inKey = sameIgnoringCase(line.text, key);
        } else if (inKey && line.kind == Line::Value && sameIgnoringCase(line.text, name)) {
            return i;
        }
    }
    return doc.lines.size();
}

void setValue(Document& doc, std::string_view key, std::string_view name, std::string_view value) {
    if (std::size_t at = findValue(doc, key, name); at < doc.lines.size()) {
        doc.lines[at].value = std::string(value);
        return;
    }
    Line entry{Line::Value, std::string(name), std::string(value)};
    // After the last value of the key's first section, or in a new section at the end.
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind != Line::Section || !sameIgnoringCase(doc.lines[i].text, key)) continue;
        std::size_t insertAt = i + 1;
        for (std::size_t j = i + 1; j < doc.lines.size() && doc.lines[j].kind != Line::Section; ++j) {
            if (doc.lines[j].kind == Line::Value) insertAt = j + 1;
        }
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        return;
    }
    if (!doc.lines.empty() && !(doc.lines.back().kind == Line::Other && doc.lines.back().text.empty())) {
        doc.lines.push_back(Line{Line::Other, "", ""});
    }
    doc.lines.push_back(Line{Line::Section, std::string(key), ""});
    doc.lines.push_back(entry);
}

// Creates every missing folder of `folder` with mode 0700.
bool makeFolders(const std::string& folder) {
    if (folder.empty()) return true;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = folder.find('/', at + 1);
        const std::string part = folder.substr(0, at);
        if (part.empty()) continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool validName(std::string_view name) {
    if (name.empty() || name.find('=') != std::string_view::npos) return false;
    if (name.front() == '[' || name.front() == ';' || name.front() == '#') return false;
    return name.find_first_of("\n\r") == std::string_view::npos;
}

bool validKey(std::string_view key) {
    return !key.empty() && key.find_first_of("\n\r]") == std::string_view::npos;
}

}  // namespace

std::string escapeSettingsValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string unescapeSettingsValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '\\' || next == 'n' || next == 'r') {
                out += next == '\\' ? '\\' : next == 'n' ? '\n' : '\r';
                ++i;
                continue;
            }
        }
        out += text[i];  // a backslash before anything else stands for itself
    }
    return out;
}

namespace {

// A settings file as a batch read it when the batch first needed it.
struct Snapshot {
    std::optional<Document> document;
    bool unreadable = false;  // it was there but could not be read
};

// The file `path` as the batch sees it: read once, when the batch first needs it, so that
// every value of the batch comes from one reading of it. A value that a failed read hid would
// otherwise look missing, and its default, written back, would take the place of the value for
// good. Null when the file is there but could not be read.
Document* snapshotOf(Snapshot& file, const std::string& path) {
    if (file.document) return &*file.document;
    if (file.unreadable) return nullptr;
    std::string bytes;
    if (!path.empty() && readWhole(path, bytes) == ReadState::Unreadable) {
        file.unreadable = true;
        return nullptr;
    }
    file.document = parse(bytes);
    return &*file.document;
}

}  // namespace

struct IniSettingsStore::Batch {
    Snapshot user;
    Snapshot system;
    bool changed = false;
};

IniSettingsStore::IniSettingsStore(Files& files, std::string userFile, std::string systemFile)
    : files_(files), userFile_(std::move(userFile)), systemFile_(std::move(systemFile)) {}

IniSettingsStore::~IniSettingsStore() = default;

void IniSettingsStore::beginBatch() { batch_ = std::make_unique<Batch>(); }

bool IniSettingsStore::commitBatch() {
    std::unique_ptr<Batch> batch = std::move(batch_);
    if (!batch || !batch->changed) return true;
    const std::size_t slash = userFile_.rfind('/');
    if (slash != std::string::npos && !makeFolders(userFile_.substr(0, slash))) return false;
    return files_.replaceFile(userFile_, serialize(*batch->user.document), 0600);
}

bool IniSettingsStore::readable(SettingsRoot root) {
    const std::string& path = root == SettingsRoot::CurrentUser ? userFile_ : systemFile_;
    if (batch_) {
        return snapshotOf(root == SettingsRoot::CurrentUser ? batch_->user : batch_->system,
                          path) != nullptr;
    }
    std::string bytes;
    return path.empty() || readWhole(path, bytes) != ReadState::Unreadable;
}

std::optional<std::string> IniSettingsStore::read(SettingsRoot root, std::string_view key,
                                                  std::string_view name) {
    const std::string& path = root == SettingsRoot::CurrentUser ? userFile_ : systemFile_;
    if (batch_) {
        const Document* doc =
            snapshotOf(root == SettingsRoot::CurrentUser ? batch_->user : batch_->system, path);
        if (doc == nullptr) return std::nullopt;
        const std::size_t at = findValue(*doc, key, name);
        if (at == doc->lines.size()) return std::nullopt;
        return doc->lines[at].value;
    }
    std::string bytes;
    if (path.empty() || readWhole(path, bytes) != ReadState::Read) return std::nullopt;
    const Document doc = parse(bytes);
    const std::size_t at = findValue(doc, key, name);
    if (at == doc.lines.size()) return std::nullopt;
    return doc.lines[at].value;
}

bool IniSettingsStore::write(SettingsRoot root, std::string_view key, std::string_view name,
                             std::string_view value) {
    if (root != SettingsRoot::CurrentUser || userFile_.empty()) return false;
    if (!validKey(key) || !validName(name)) return false;
    // A file that is there but cannot be read is never replaced: its values would be lost.
    if (batch_) {
        Document* doc = snapshotOf(batch_->user, userFile_);
        if (doc == nullptr) return false;
        setValue(*doc, key, name, value);
        batch_->changed = true;
        return true;
    }
    std::string bytes;
    const ReadState state = readWhole(userFile_, bytes);
    if (state == ReadState::Unreadable) return false;
    Document doc = parse(bytes);
    setValue(doc, key, name, value);

    const std::size_t slash = userFile_.rfind('/');
    if (slash != std::string::npos && !makeFolders(userFile_.substr(0, slash))) return false;
    return files_.replaceFile(userFile_, serialize(doc), 0600);
}

}  // namespace platform
