#include "platform/file_policy.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/signals.h"

namespace platform {
namespace {

constexpr std::string_view kTemporarySuffix = ".markwise-tmp";

std::string causeOf(std::string_view what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// Why a file of this type is not read or replaced, or "" for a regular file.
std::string_view notRegular(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISFIFO(mode)) return "is a FIFO (named pipe), not a regular file";
    if (S_ISCHR(mode)) return "is a character device, not a regular file";
    if (S_ISBLK(mode)) return "is a block device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return "is not a regular file";
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The start of a temporary file's name for `target`: ".", the target's base name and ".". A
// name in a folder holds at most 255 bytes; the two dots, the process number, "-", the attempt
// and the suffix take up to 36 of them, so a longer base name is cut (never inside a UTF-8
// character): a document or configuration whose own name is legal can always be replaced.
std::string temporaryPrefixFor(const std::string& target) {
    constexpr std::size_t kLongestName = 255;
    constexpr std::size_t kLongestTail = 10 + 1 + 10 + kTemporarySuffix.size();
    constexpr std::size_t kLongestBase = kLongestName - 2 - kLongestTail;
    std::string base = baseNameOf(target);
    if (base.size() > kLongestBase) {
        std::size_t cut = kLongestBase;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
        base.resize(cut);
    }
    return "." + base + ".";
}

// A symbolic link is followed unless it lies in a sticky, world-writable folder (such as /tmp)
// and belongs neither to the user nor to the folder's owner: the rule the kernel's
// protected_symlinks applies, so that nobody can plant a link there that makes the program
// overwrite a file of the user's.
bool linkMayBeFollowed(FileSystem& fs, const std::string& path, const struct stat& link) {
    struct stat folder {};
    std::string folderName = folderOf(path);
    if (fs.stat(folderName.empty() ? "." : folderName, folder) != 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    if (!shared) return true;
    return link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

// Where a name leads once its symbolic links are followed, one link at a time, each under the
// rule above: a link of the user's that leads to another user's link in /tmp is not followed
// through it, as realpath() would. `landing` is the file the name leads to (the name itself
// when it leads to no file: a dangling link is replaced by the new file, never followed to a
// name elsewhere). False, with `landing` empty, when a link on the way may not be followed;
// false with `landing` the name when the name cannot be resolved for another reason.
bool followLinks(FileSystem& fs, const std::string& path, std::string& landing) {
    landing = path;
    std::string full = path;
    if (full.empty()) return true;
    if (full.front() != '/') {
        std::string here(PATH_MAX, '\0');
        if (::getcwd(here.data(), here.size()) == nullptr) return false;
        here.resize(std::strlen(here.c_str()));
        full = here + "/" + full;
    }
    // The parts still to walk, the last one first.
    std::vector<std::string> parts;
    auto push = [&parts](std::string_view text) {
        std::vector<std::string> found;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t slash = text.find('/', start);
            if (slash == std::string_view::npos) slash = text.size();
            if (slash > start) found.emplace_back(text.substr(start, slash - start));
            start = slash + 1;
        }
        parts.insert(parts.end(), found.rbegin(), found.rend());
    };
    push(full);
    std::string resolved;  // "" stands for "/"
    int links = 0;
    bool followed = false;
    while (!parts.empty()) {
        const std::string part = std::move(parts.back());
        parts.pop_back();
        if (part == ".") continue;
        if (part == "..") {
            resolved.erase(resolved.empty() ? 0 : resolved.rfind('/'));
            continue;
        }
        const std::string next = resolved + "/" + part;
        struct stat info {};
        if (fs.lstat(next, info) != 0) {
            // Nothing there: the rest of the name is a file (or folders) to be made. Reached
            // through a link, the name as given is what is replaced.
            if (errno != ENOENT || followed) return errno == ENOENT;
            landing = next;
            while (!parts.empty()) {
                landing += "/" + parts.back();
                parts.pop_back();
            }
            return true;
        }
        if (!S_ISLNK(info.st_mode)) {
            resolved = next;
            continue;
        }
        if (!linkMayBeFollowed(fs, next, info)) {
            landing.clear();
            return false;
        }
        // A loop of links, or a link that cannot be read: the name as given, whose opening
        // then says why.
        std::string target;
        if (++links > 40 || fs.readlink(next, target) != 0) return false;
        followed = true;
        if (target.starts_with('/')) resolved.clear();
        push(target);
    }
    landing = resolved.empty() ? "/" : resolved;
    return true;
}

// The file a replacement lands on: the target of a symbolic link (so that the link stays a link),
// or the name itself.
std::string landingName(FileSystem& fs, const std::string& path) {
    std::string landing;
    followLinks(fs, path, landing);
    return landing.empty() ? path : landing;
}

bool writable(const std::string& path, const struct stat& info) {
    if ((info.st_mode & 0222) == 0) return false;  // no write bit at all: refused even to root, as
                                                    // cp -i and editors treat such files
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool writeAll(FileSystem& fs, int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        const ssize_t written = fs.write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (written == 0) {
            error = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// fsync() that a signal interrupted is asked again: it can be repeated safely.
int syncFile(FileSystem& fs, int fd) {
    int result;
    do {
        result = fs.fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result;
}

// close() that a signal interrupted has released the descriptor all the same (it is never
// closed twice: the number may belong to another file by then), and what was written stays
// written: no failure.
int closeFile(FileSystem& fs, int fd) {
    if (fs.close(fd) == 0 || errno == EINTR) return 0;
    return -1;
}

// Removes the temporary files that earlier replacements of `target` left behind when their
// process died before it could clean up (a kill, a power cut). Only files whose process is gone
// are removed, so a save running at the same time is left alone.
void removeStaleTemporaries(FileSystem& fs, const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string prefix = temporaryPrefixFor(target);
    std::vector<std::string> names;
    if (!fs.list(folder, names)) return;
    for (const std::string& name : names) {
        if (!name.starts_with(prefix) || !name.ends_with(kTemporarySuffix)) continue;
        std::string_view middle(name);
        middle.remove_prefix(prefix.size());
        middle.remove_suffix(kTemporarySuffix.size());
        const std::size_t dash = middle.find('-');
        const std::string pidText(middle.substr(0, dash));
        if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos) continue;
        const long pid = std::strtol(pidText.c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        fs.unlink(folder + name);
    }
}

void syncFolder(FileSystem& fs, const std::string& folder) {
    // No copy of the name is made: this comes after a file took its new name, where nothing may
    // fail for want of memory.
    static const std::string current = ".";
    const int fd = fs.open(folder.empty() ? current : folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    syncFile(fs, fd);
    fs.close(fd);
}

// What a new or replaced file gets: the old file's permission bits and owner, or the rules'
// mode less the umask.
struct Ownership {
    bool existed = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

Ownership ownershipFor(FileSystem& fs, const std::string& target, const WriteRules& rules) {
    Ownership result;
    struct stat info {};
    if (fs.stat(target, info) == 0) {
        result.existed = true;
        result.mode = info.st_mode & 07777;
        result.owner = info.st_uid;
        result.group = info.st_gid;
        return result;
    }
    if (!rules.ownershipFrom.empty() && fs.stat(rules.ownershipFrom, info) == 0) {
        result.existed = true;
        result.mode = info.st_mode & 07777;
        result.owner = info.st_uid;
        result.group = info.st_gid;
        return result;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    result.mode = rules.newFileMode & 07777 & ~mask;
    return result;
}

// Creates the temporary file beside `target`; returns its descriptor and name, or -1 and errno.
int createTemporary(FileSystem& fs, const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryNameFor(target, attempt);
        const int fd = fs.open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

// Gives the finished temporary file its final bits and owner, makes it durable and closes it.
// Returns 0 or the errno of the failure, with `what` naming the step.
int finishTemporary(FileSystem& fs, int fd, const Ownership& ownership, std::string_view& what) {
    if (fs.fchmod(fd, ownership.mode) != 0) {
        what = "cannot set its permissions";
        return errno;
    }
    if (ownership.existed && (ownership.owner != ::geteuid() || ownership.group != ::getegid())) {
        if (fs.fchown(fd, ownership.owner, ownership.group) != 0 &&
            fs.fchown(fd, static_cast<uid_t>(-1), ownership.group) != 0 &&
            ownership.owner != ::geteuid()) {
            what = "cannot keep its owner";
            return errno;
        }
    }
    if (syncFile(fs, fd) != 0) {
        what = "cannot write";
        return errno;
    }
    return 0;
}

// A large buffer is asked to be backed by huge pages where the system does that on request:
// filling it then takes one page fault per 2 MB rather than one per 4 KB. Only the whole
// 2 MB blocks inside the buffer are concerned; the advice may be ignored.
void adviseHugePages(std::string& bytes) {
    constexpr std::uintptr_t kHugePage = 2u << 20;
    if (bytes.capacity() < 2 * kHugePage) return;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes.capacity()) & ~(kHugePage - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}

std::optional<FileError> readOpen(FileSystem& fs, int fd, const std::string& name,
                                  std::string& bytes, std::uint64_t largest, std::size_t expected) {
    bytes.clear();
    std::size_t size = 0;
    try {
        // A large buffer reaches past the huge-page boundary after its end, so that its last
        // bytes lie in a whole 2 MB block too; the room past the end is never touched.
        constexpr std::size_t kLarge = 4u << 20;
        bytes.reserve(expected > 0 ? expected + 1 + (expected >= kLarge ? 2u << 20 : 0) : 1 << 16);
        adviseHugePages(bytes);
        bytes.resize(expected > 0 ? expected + 1 : 1 << 16);
        while (true) {
            if (size == bytes.size()) bytes.resize(bytes.size() * 2);
            const ssize_t got = fs.read(fd, bytes.data() + size, bytes.size() - size);
            if (got < 0) {
                if (errno == EINTR) continue;
                const int error = errno;
                bytes.clear();
                return FileError{name, causeOf("cannot read", error)};
            }
            if (got == 0) break;
            size += static_cast<std::size_t>(got);
            if (size > largest) {
                bytes.clear();
                return FileError{name, "is larger than " + std::to_string(largest) +
                                           " bytes, the most Markwise can check"};
            }
        }
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        bytes.clear();
        bytes.shrink_to_fit();
        return FileError{name, "is too large to be held in memory"};
    }
    return std::nullopt;
}

}  // namespace

std::string followedLink(FileSystem& fs, const std::string& path) {
    struct stat link {};
    if (fs.lstat(path, link) != 0 || !S_ISLNK(link.st_mode) || !linkMayBeFollowed(fs, path, link)) {
        return path;
    }
    return landingName(fs, path);
}

std::string temporaryNameFor(const std::string& target, int attempt) {
    std::string name = folderOf(target);
    name.append(temporaryPrefixFor(target)).append(std::to_string(::getpid()));
    if (attempt > 0) name.append(1, '-').append(std::to_string(attempt));
    name += kTemporarySuffix;
    return name;
}

int openRegularFile(FileSystem& fs, const std::string& path, FileError& failure,
                    bool* notRegularFile, struct stat* opened) {
    if (notRegularFile) *notRegularFile = false;
    // A NUL inside the name (taken from a document, say) would make the system open a
    // different, shorter name: such a name names no file.
    if (path.find('\0') != std::string::npos) {
        failure = FileError{path, causeOf("cannot open", ENOENT)};
        return -1;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is checked right after.
    const int fd = fs.open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        failure = FileError{path, causeOf("cannot open", errno)};
        return -1;
    }
    struct stat info {};
    if (fs.fstat(fd, info) != 0) {
        failure = FileError{path, causeOf("cannot read", errno)};
        fs.close(fd);
        return -1;
    }
    if (std::string_view why = notRegular(info.st_mode); !why.empty()) {
        failure = FileError{path, std::string(why)};
        if (notRegularFile) *notRegularFile = true;
        fs.close(fd);
        return -1;
    }
    if (opened) *opened = info;
    return fd;
}

std::optional<FileError> readOrMapRegularFile(FileSystem& fs, const std::string& path,
                                              std::string& bytes,
                                              std::shared_ptr<const MappedFile>& mapped,
                                              std::uint64_t largest, std::size_t mapFrom) {
    bytes.clear();
    mapped.reset();
    FileError refused;
    struct stat info {};
    const int fd = openRegularFile(fs, path, refused, nullptr, &info);
    if (fd < 0) return refused;
    if (info.st_size > 0 && static_cast<std::uint64_t>(info.st_size) > largest) {
        fs.close(fd);
        return FileError{path, "is " + std::to_string(info.st_size) + " bytes long, more than the " +
                                   std::to_string(largest) + " bytes Markwise can check"};
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > 0 && size >= mapFrom) {
        mapped = MappedFile::map(fs, fd, size);
        if (mapped) return std::nullopt;
    }
    // The reported size is only a first guess: files under /proc report 0 and have contents.
    std::optional<FileError> failure = readOpen(fs, fd, path, bytes, largest, size);
    fs.close(fd);
    return failure;
}

std::optional<FileError> readRegularFile(FileSystem& fs, const std::string& path, std::string& bytes,
                                         std::uint64_t largest) {
    std::shared_ptr<const MappedFile> never;
    return readOrMapRegularFile(fs, path, bytes, never, largest, SIZE_MAX);
}

std::optional<FileError> readDescriptor(FileSystem& fs, int fd, const std::string& name,
                                        std::string& bytes, std::uint64_t largest) {
    struct stat info {};
    if (fs.fstat(fd, info) != 0) return FileError{name, causeOf("cannot read", errno)};
    if (S_ISDIR(info.st_mode)) return FileError{name, "is a directory"};
    // A terminal, a pipe or a file: read until the end, blocking as a filter does.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK)) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const std::size_t expected = S_ISREG(info.st_mode) && info.st_size > 0
                                     ? static_cast<std::size_t>(info.st_size)
                                     : 0;
    return readOpen(fs, fd, name, bytes, largest, expected);
}

std::string absoluteName(const std::string& path) {
    std::string full;
    if (!path.starts_with("/")) {
        char buffer[PATH_MAX];
        if (::getcwd(buffer, sizeof buffer) != nullptr) full = buffer;
        full += "/";
    }
    full += path;
    // Fold ".", ".." and repeated slashes.
    std::vector<std::string_view> parts;
    std::string_view rest(full);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (std::string_view part : parts) {
        result += '/';
        result += part;
    }
    return result.empty() ? "/" : result;
}

namespace {

// The name a file that does not exist yet would have once its folder's links are followed:
// two names of one folder (a link to it and the folder itself) give the same name. A folder
// that cannot be resolved keeps the name as written.
std::string resolvedName(const std::string& path) {
    const std::string full = absoluteName(path);
    const std::size_t slash = full.rfind('/');
    if (slash == std::string::npos || slash + 1 == full.size()) return full;
    const std::string folder = slash == 0 ? "/" : full.substr(0, slash);
    char buffer[PATH_MAX];
    if (::realpath(folder.c_str(), buffer) == nullptr) return full;
    std::string resolved = buffer;
    if (resolved != "/") resolved += '/';
    return resolved + full.substr(slash + 1);
}

}  // namespace

bool sameFile(FileSystem& fs, const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    const bool aExists = fs.stat(a, sa) == 0;
    const bool bExists = fs.stat(b, sb) == 0;
    if (aExists && bExists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (aExists != bExists) return false;
    return resolvedName(a) == resolvedName(b);
}

struct WriteRules::Index {
    std::size_t size = 0;
    std::map<std::pair<dev_t, ino_t>, std::size_t> byIdentity;
    std::unordered_map<std::string, std::size_t> byName;  // files that did not exist
};

namespace {

// The protected file that `path` is, or null.
const ProtectedFile* protectedFile(FileSystem& fs, const std::string& path, const WriteRules& rules) {
    if (rules.inputs.empty()) return nullptr;
    if (!rules.index || rules.index->size != rules.inputs.size()) {
        auto index = std::make_shared<WriteRules::Index>();
        index->size = rules.inputs.size();
        for (std::size_t i = 0; i < rules.inputs.size(); ++i) {
            struct stat info {};
            if (fs.stat(rules.inputs[i].path, info) == 0) {
                index->byIdentity.emplace(std::make_pair(info.st_dev, info.st_ino), i);
            } else {
                index->byName.emplace(resolvedName(rules.inputs[i].path), i);
            }
        }
        rules.index = std::move(index);
    }
    struct stat info {};
    if (fs.stat(path, info) == 0) {
        auto found = rules.index->byIdentity.find({info.st_dev, info.st_ino});
        return found == rules.index->byIdentity.end() ? nullptr : &rules.inputs[found->second];
    }
    auto found = rules.index->byName.find(resolvedName(path));
    return found == rules.index->byName.end() ? nullptr : &rules.inputs[found->second];
}

}  // namespace

std::optional<FileError> checkWritable(FileSystem& fs, const std::string& path,
                                       const WriteRules& rules, std::string_view refusal) {
    if (path.empty()) return FileError{path, "no file name given"};
    auto refuse = [&](std::string_view why) {
        return FileError{path, std::string(why) + "; " + std::string(refusal)};
    };
    struct stat link {};
    if (fs.lstat(path, link) == 0 && S_ISLNK(link.st_mode) && !linkMayBeFollowed(fs, path, link)) {
        return refuse("is a symbolic link in a shared folder that belongs to another user");
    }
    // The folders on the way are links the same rule applies to, as the kernel's
    // protected_symlinks applies it to every part of a name.
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (fs.lstat(folder, link) == 0 && S_ISLNK(link.st_mode) &&
            !linkMayBeFollowed(fs, folder, link)) {
            return refuse("goes through a symbolic link in a shared folder that belongs to "
                          "another user");
        }
    }
    // Links that the name's own links lead to are under the rule too.
    std::string landing;
    if (!followLinks(fs, path, landing) && landing.empty()) {
        return refuse("leads through a symbolic link in a shared folder that belongs to another "
                      "user");
    }
    if (const ProtectedFile* input = protectedFile(fs, path, rules)) {
        return refuse("is also " + input->role);
    }
    struct stat info {};
    if (fs.stat(path, info) != 0) {
        if (errno == ENOENT) return std::nullopt;  // a new file
        return FileError{path, causeOf("cannot open", errno)};
    }
    if (std::string_view why = notRegular(info.st_mode); !why.empty()) return refuse(why);
    if (!writable(path, info)) return refuse("is read-only");
    if (info.st_uid != ::geteuid() && ::geteuid() != 0) return refuse("belongs to another user");
    return std::nullopt;
}

std::optional<FileError> replaceFile(FileSystem& fs, const std::string& path,
                                     std::string_view bytes, const WriteRules& rules) {
    ReplacementFile file(fs);
    if (auto failure = file.open(path, rules)) return failure;
    file.write(bytes);
    return file.commit();
}

std::optional<FileError> appendToFile(FileSystem& fs, const std::string& path,
                                      std::string_view bytes, const WriteRules& rules) {
    if (auto refused = checkWritable(fs, path, rules, "not written")) return refused;
    const int fd = fs.open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                           rules.newFileMode);
    if (fd < 0) return FileError{path, causeOf("cannot open", errno)};
    auto fail = [&](std::string_view what, int error) {
        fs.close(fd);
        return FileError{path, causeOf(what, error)};
    };
    // The file may have changed between the check and the open: look at what was opened.
    struct stat info {};
    if (fs.fstat(fd, info) != 0) return fail("cannot write", errno);
    if (std::string_view why = notRegular(info.st_mode); !why.empty()) {
        fs.close(fd);
        return FileError{path, std::string(why) + "; not written"};
    }
    if (info.st_uid != ::geteuid() && ::geteuid() != 0) {
        fs.close(fd);
        return FileError{path, "belongs to another user; not written"};
    }
    // An interrupt that comes while the entry is being written waits until it is written
    // whole: the kernel would otherwise end the write, and the program, half-way through.
    const HeldSignals held;
    if (fs.flock(fd, LOCK_EX) != 0) return fail("cannot lock", errno);
    // An entry that cannot be written whole is taken back, so that the log never ends in a
    // torn entry: the file is cut back to the size it had once the lock was held.
    struct stat locked {};
    const bool sized = fs.fstat(fd, locked) == 0;
    int error = 0;
    if (!writeAll(fs, fd, bytes, error)) {
        if (sized) fs.ftruncate(fd, locked.st_size);
        return fail("cannot write", error);
    }
    if (closeFile(fs, fd) != 0) return FileError{path, causeOf("cannot write", errno)};
    return std::nullopt;
}

ReplacementFile::~ReplacementFile() { abandon(); }

std::optional<FileError> ReplacementFile::open(const std::string& path, const WriteRules& rules) {
    abandon();
    failure_.reset();
    if (auto refused = checkWritable(fs_, path, rules)) return refused;
    path_ = path;
    target_ = landingName(fs_, path);
    removeStaleTemporaries(fs_, target_);
    const Ownership ownership = ownershipFor(fs_, target_, rules);
    fd_ = createTemporary(fs_, target_, temporary_);
    if (fd_ < 0) {
        return FileError{path, causeOf("cannot create a temporary file beside it", errno)};
    }
    // The bits are set now, so that a reader of the temporary file never sees more than the
    // final file will allow; the owner and the final bits again in commit().
    mode_ = ownership.mode;
    existed_ = ownership.existed;
    owner_ = ownership.owner;
    group_ = ownership.group;
    return std::nullopt;
}

bool ReplacementFile::write(std::string_view bytes) {
    if (fd_ < 0 || failure_) return false;
    int error = 0;
    if (writeAll(fs_, fd_, bytes, error)) return true;
    failure_ = FileError{path_, causeOf("cannot write", error)};
    return false;
}

std::optional<FileError> ReplacementFile::commit() {
    if (fd_ < 0) return failure_ ? failure_ : FileError{path_, "was not opened"};
    if (failure_) {
        std::optional<FileError> failure = failure_;
        abandon();
        return failure;
    }
    Ownership ownership;
    ownership.existed = existed_;
    ownership.mode = mode_;
    ownership.owner = owner_;
    ownership.group = group_;
    std::string_view what;
    if (const int error = finishTemporary(fs_, fd_, ownership, what)) {
        FileError failure{path_, causeOf(what, error)};
        abandon();
        return failure;
    }
    // Named before the new file takes its place: nothing that can fail for want of memory comes
    // after that, so that a commit that fails has replaced nothing.
    const std::string folder = folderOf(target_);
    const int fd = fd_;
    fd_ = -1;
    if (closeFile(fs_, fd) != 0) {
        FileError failure{path_, causeOf("cannot write", errno)};
        fs_.unlink(temporary_);
        temporary_.clear();
        return failure;
    }
    if (fs_.rename(temporary_, target_) != 0) {
        FileError failure{path_, causeOf("cannot replace", errno)};
        fs_.unlink(temporary_);
        temporary_.clear();
        return failure;
    }
    temporary_.clear();
    syncFolder(fs_, folder);
    return std::nullopt;
}

void ReplacementFile::abandon() {
    if (fd_ >= 0) {
        fs_.close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        fs_.unlink(temporary_);
        temporary_.clear();
    }
}

}  // namespace platform
