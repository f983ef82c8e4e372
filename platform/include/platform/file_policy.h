// The one way the programs read and write files.
//
// Reading: only regular files are read (a FIFO, a device or a folder is refused at once, never
// waited on), whole, to their end whatever size the file system reports.
//
// Writing: only regular files are replaced, and never one that is an input of the same command;
// a read-only file is refused as cp refuses it; a replacement keeps the old file's permission
// bits and owner, and a new file gets the user's umask. Whole files are written to a temporary
// file in the same folder and renamed over the target only when everything was written, so a
// failure leaves the old file as it was. A symbolic link in a shared sticky folder (such as
// /tmp) that belongs to somebody else is not followed, as the kernel's protected_symlinks does
// for opens. Appends (the log) are made with one write under an advisory lock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace platform {

// What went wrong with one file.
struct FileError {
    std::string path;
    std::string cause;  // e.g. "cannot open: No such file or directory", "is a directory"
    std::string message() const { return path + ": " + cause; }
};

// The largest document a validation can hold (its lines are addressed with 32 bits).
constexpr std::uint64_t kLargestReadableFile = 0xFFFFFFFFu;

// Reads the regular file `path` whole into `bytes`. Refuses anything else, and files larger than
// `largest` bytes.
std::optional<FileError> readRegularFile(FileSystem& fs, const std::string& path, std::string& bytes,
                                         std::uint64_t largest = kLargestReadableFile);

// Reads an open descriptor (standard input) to its end; `name` is used in the error.
std::optional<FileError> readDescriptor(FileSystem& fs, int fd, const std::string& name,
                                        std::string& bytes,
                                        std::uint64_t largest = kLargestReadableFile);

// A file a write must leave alone, and what it is to the command, for the message
// ("a document this command checks", "the log").
struct ProtectedFile {
    ProtectedFile(std::string path, std::string role = "read by this command")
        : path(std::move(path)), role(std::move(role)) {}
    std::string path;
    std::string role;
};

// What a write must respect.
struct WriteRules {
    // The command's other files (documents, configuration, report, log): never written by this
    // write. Compared by device and inode, and by absolute name for files that do not exist yet.
    std::vector<ProtectedFile> inputs;
    void protect(const std::string& path, const std::string& role) { inputs.emplace_back(path, role); }
    // Permission bits of a new file, before the umask.
    mode_t newFileMode = 0666;
};

// Whether `path` may be written under `rules`: the checks every write makes before it touches
// anything.
// `refusal` ends the cause of a refusal: "not replaced", "not written".
std::optional<FileError> checkWritable(FileSystem& fs, const std::string& path,
                                       const WriteRules& rules,
                                       std::string_view refusal = "not replaced");

// Replaces (or creates) the file `path` with `bytes`.
std::optional<FileError> replaceFile(FileSystem& fs, const std::string& path,
                                     std::string_view bytes, const WriteRules& rules = {});

// Appends `bytes` to the file `path` (created when missing) with one write, holding an exclusive
// advisory lock, so that concurrent appenders never interleave.
std::optional<FileError> appendToFile(FileSystem& fs, const std::string& path,
                                      std::string_view bytes, const WriteRules& rules = {});

// A file written piece by piece and put in place at the end: the pieces go to a temporary file
// beside the target, which replaces the target on commit(). Destroying it without a successful
// commit removes the temporary file and leaves the target as it was.
class ReplacementFile {
public:
    explicit ReplacementFile(FileSystem& fs) : fs_(fs) {}
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    std::optional<FileError> open(const std::string& path, const WriteRules& rules = {});
    // Writes every byte; the first failure is kept and returned by commit().
    bool write(std::string_view bytes);
    std::optional<FileError> commit();
    void abandon();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    FileSystem& fs_;
    int fd_ = -1;
    std::string path_;       // as the user named it
    std::string target_;     // the file the rename lands on (a followed link's target)
    std::string temporary_;
    std::optional<FileError> failure_;
    // What the finished file gets: the old file's bits and owner, or the new-file mode.
    mode_t mode_ = 0;
    bool existed_ = false;
    uid_t owner_ = 0;
    gid_t group_ = 0;
};

// The absolute, lexically normalised form of `path` (the current directory prepended to a
// relative name, "." and ".." folded), used to compare names of files that may not exist.
std::string absoluteName(const std::string& path);

// Whether two names denote the same file: the same device and inode when both exist, else the
// same absolute name.
bool sameFile(FileSystem& fs, const std::string& a, const std::string& b);

// The temporary name a replacement of `target` uses in its folder, for this process.
std::string temporaryNameFor(const std::string& target, int attempt);

}  // namespace platform
