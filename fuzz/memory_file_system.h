// Files held in memory, read only: what the fuzz targets give the code that reads through
// platform::FileSystem, so that no input touches the disk.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace fuzzing {

class MemoryFileSystem final : public platform::FileSystem {
  public:
    std::map<std::string, std::string> files;

    int open(const std::string& path, int flags, mode_t) override {
        auto found = files.find(path);
        if (found == files.end() || (flags & O_ACCMODE) != O_RDONLY) return failWith(ENOENT);
        const int fd = next_++;
        open_[fd] = {&found->second, 0};
        return fd;
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        auto found = open_.find(fd);
        if (found == open_.end()) return failWith(EBADF);
        OpenFile& file = found->second;
        const std::size_t left = file.bytes->size() - file.position;
        const std::size_t count = size < left ? size : left;
        file.bytes->copy(static_cast<char*>(buffer), count, file.position);
        file.position += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(int, const void*, std::size_t) override { return failWith(EBADF); }
    int fsync(int) override { return failWith(EBADF); }
    int close(int fd) override { return open_.erase(fd) == 1 ? 0 : failWith(EBADF); }
    int rename(const std::string&, const std::string&) override { return failWith(EROFS); }
    int unlink(const std::string&) override { return failWith(EROFS); }
    int stat(const std::string& path, struct stat& info) override {
        auto found = files.find(path);
        if (found == files.end()) return failWith(ENOENT);
        return describe(found->second, info);
    }
    int lstat(const std::string& path, struct stat& info) override { return stat(path, info); }
    int fstat(int fd, struct stat& info) override {
        auto found = open_.find(fd);
        if (found == open_.end()) return failWith(EBADF);
        return describe(*found->second.bytes, info);
    }
    int fchmod(int, mode_t) override { return failWith(EROFS); }
    int fchown(int, uid_t, gid_t) override { return failWith(EROFS); }
    int flock(int, int) override { return 0; }
    bool list(const std::string&, std::vector<std::string>&) override { return false; }

    bool allClosed() const { return open_.empty(); }

  private:
    struct OpenFile {
        const std::string* bytes;
        std::size_t position;
    };
    static int failWith(int error) {
        errno = error;
        return -1;
    }
    static int describe(const std::string& bytes, struct stat& info) {
        info = {};
        info.st_mode = S_IFREG | 0644;
        info.st_size = static_cast<off_t>(bytes.size());
        return 0;
    }

    std::map<int, OpenFile> open_;
    int next_ = 3;
};

}  // namespace fuzzing
