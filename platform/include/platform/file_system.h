// The file-system calls the program makes, behind one seam. Every read and write of a user's
// file goes through a FileSystem, so that a test can make any single call fail (a full disk, a
// failed rename, a close that reports a late write error) and check that nothing is lost.
#pragma once

#include <cerrno>

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// The kinds of call, for counting and for choosing which call a test makes fail.
enum class FileOp {
    Open,
    Read,
    Write,
    Fsync,
    Close,
    Rename,
    Unlink,
    Stat,   // stat, lstat and fstat
    Chmod,  // fchmod and fchown
    Lock,
    List,
    Link,
};

// Each call behaves as the POSIX call of the same name: -1 (or false) with errno set on failure.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual int open(const std::string& path, int flags, mode_t mode = 0) = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t size) = 0;
    virtual ssize_t write(int fd, const void* buffer, std::size_t size) = 0;
    virtual int fsync(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int unlink(const std::string& path) = 0;
    virtual int stat(const std::string& path, struct stat& info) = 0;
    virtual int lstat(const std::string& path, struct stat& info) = 0;
    virtual int fstat(int fd, struct stat& info) = 0;
    virtual int fchmod(int fd, mode_t mode) = 0;
    virtual int fchown(int fd, uid_t owner, gid_t group) = 0;
    virtual int flock(int fd, int operation) = 0;
    // Gives the file at `from` the second name `to` (a hard link). A file system without
    // hard links returns -1, and its callers take another way.
    virtual int link(const std::string& from, const std::string& to) {
        (void)from;
        (void)to;
        errno = ENOSYS;
        return -1;
    }
    // The text of the symbolic link at `path` in `target`; -1 (and errno) when it is none.
    virtual int readlink(const std::string& path, std::string& target);
    // Cuts an open file back to `length` bytes. A file system that cannot returns -1.
    virtual int ftruncate(int fd, off_t length) {
        (void)fd;
        (void)length;
        errno = ENOSYS;
        return -1;
    }
    // The names in a folder (without "." and ".."); false when it cannot be read.
    virtual bool list(const std::string& folder, std::vector<std::string>& names) = 0;
    // Maps the first `size` bytes of an open regular file into memory, read-only and private:
    // their address, or null (with errno set) when they cannot be mapped. A file system that
    // does not map files returns null, and its callers read the file instead. The system's
    // may hold a copy instead, on huge pages; a copy does not follow later changes to the file.
    virtual const char* mapReadOnly(int fd, std::size_t size) {
        (void)fd;
        (void)size;
        return nullptr;
    }
    virtual void unmap(const char* address, std::size_t size) {
        (void)address;
        (void)size;
    }
};

// The real file system of the process.
FileSystem& systemFileSystem();

}  // namespace platform
