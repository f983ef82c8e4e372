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
#include <memory>
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

// The bytes of a large regular file mapped into memory instead of read into the heap: the
// kernel's copy of a big page into fresh 4 KB pages and the zeroing of them are a tenth of its
// check. (Where the kernel gives huge pages on request, the system file system holds a file of
// 2 MB or more on them: mapped where the kernel caches the file on them already, copied onto
// them otherwise, which costs less than mapping it 4 KB at a time; see
// FileSystem::mapReadOnly().) Should the file shrink while it is mapped, the bytes past its new
// end read as zeros instead of stopping the program, and changed() says so.
class MappedFile {
public:
    // Maps `size` bytes of the open regular file `fd`, and takes the descriptor over; null when
    // the file system does not map files or the mapping fails (the file is then to be read, and
    // the descriptor is still the caller's).
    static std::unique_ptr<MappedFile> map(FileSystem& fs, int fd, std::size_t size);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view bytes() const { return {data_, size_}; }
    // The file has been cut short since it was mapped: bytes past its new end read as zeros.
    bool changed() const;

private:
    MappedFile(FileSystem& fs, int fd, const char* data, std::size_t size, int slot)
        : fs_(fs), fd_(fd), data_(data), size_(size), slot_(slot) {}

    FileSystem& fs_;
    int fd_;
    const char* data_;
    std::size_t size_;
    int slot_;
};

// From this size on readOrMapRegularFile() maps a file: below it a copy costs less than making
// and taking down a mapping.
constexpr std::size_t kMapFrom = 1u << 20;

// Reads the regular file `path` as readRegularFile() does, except that a file of `mapFrom`
// bytes or more is mapped where the file system maps files: `mapped` then holds its bytes and
// `bytes` is empty; otherwise `mapped` is null.
std::optional<FileError> readOrMapRegularFile(FileSystem& fs, const std::string& path,
                                              std::string& bytes,
                                              std::shared_ptr<const MappedFile>& mapped,
                                              std::uint64_t largest = kLargestReadableFile,
                                              std::size_t mapFrom = kMapFrom);

// Opens the regular file `path` for reading, without waiting on a FIFO: its descriptor, or -1
// with `failure` saying why. `notRegular`, when given, tells a file that exists but is not a
// regular file (a folder, a FIFO, a device) from one that could not be opened at all; `opened`,
// when given, receives what fstat said of the opened file.
int openRegularFile(FileSystem& fs, const std::string& path, FileError& failure,
                    bool* notRegular = nullptr, struct stat* opened = nullptr);

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

    // The protected files by device and inode and by absolute name, worked out once for as long
    // as `inputs` keeps its size, so that a command with thousands of documents checks each
    // write in constant time.
    struct Index;
    mutable std::shared_ptr<const Index> index;
    // Permission bits of a new file, before the umask.
    mode_t newFileMode = 0666;
    // When the target does not exist, the new file takes the permission bits and owner of this
    // file instead: a document rewritten from its backup keeps them.
    std::string ownershipFrom;
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

// The file a symbolic link at `path` leads to, by its full name; `path` itself when it is no
// link, when the link leads nowhere, or when it is a link the writing policy does not follow
// (one in a shared sticky folder that belongs to another user, which checkWritable() refuses).
std::string followedLink(FileSystem& fs, const std::string& path);

// The temporary name a replacement of `target` uses in its folder, for this process.
std::string temporaryNameFor(const std::string& target, int attempt);

}  // namespace platform
