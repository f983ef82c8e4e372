#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

class SystemFileSystem final : public FileSystem {
public:
    int open(const std::string& path, int flags, mode_t mode) override {
        int fd;
        do {
            fd = ::open(path.c_str(), flags, mode);
        } while (fd < 0 && errno == EINTR);
        return fd;
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        return ::read(fd, buffer, size);
    }
    ssize_t write(int fd, const void* buffer, std::size_t size) override {
        return ::write(fd, buffer, size);
    }
    int fsync(int fd) override { return ::fsync(fd); }
    int close(int fd) override { return ::close(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str());
    }
    int unlink(const std::string& path) override { return ::unlink(path.c_str()); }
    int stat(const std::string& path, struct stat& info) override {
        return ::stat(path.c_str(), &info);
    }
    int lstat(const std::string& path, struct stat& info) override {
        return ::lstat(path.c_str(), &info);
    }
    int fstat(int fd, struct stat& info) override { return ::fstat(fd, &info); }
    int fchmod(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
    int fchown(int fd, uid_t owner, gid_t group) override { return ::fchown(fd, owner, group); }
    int ftruncate(int fd, off_t length) override { return ::ftruncate(fd, length); }
    int flock(int fd, int operation) override {
        int result;
        do {
            result = ::flock(fd, operation);
        } while (result < 0 && errno == EINTR);
        return result;
    }
    bool list(const std::string& folder, std::vector<std::string>& names) override {
        DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
        if (dir == nullptr) return false;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
            names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        return true;
    }
    const char* mapReadOnly(int fd, std::size_t size) override {
        // MAP_POPULATE maps every page at once: one call instead of a fault every few pages.
        void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        return address == MAP_FAILED ? nullptr : static_cast<const char*>(address);
    }
    void unmap(const char* address, std::size_t size) override {
        ::munmap(const_cast<char*>(address), size);
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static SystemFileSystem instance;
    return instance;
}

}  // namespace platform
