#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The folder part of `path` including its final "/", or "" for a bare file name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a replacement must land on: a symbolic link is followed, so that the link stays a
// link and the file it names gets the new contents.
std::string replacementTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;  // a dangling link is replaced by the new file
    std::string target(resolved);
    ::free(resolved);
    return target;
}

// Permission bits for the replacement: the old file's own, or `mode` less the umask for a new one.
mode_t replacementMode(const std::string& target, unsigned mode) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(mode) & 07777 & ~mask;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced does not undo the save.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool SystemFiles::exists(const std::string& path) const {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool SystemFiles::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

// Like the POSIX call, this replaces an existing `to`.
bool SystemFiles::rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::optional<std::time_t> SystemFiles::lastWriteTime(const std::string& path) const {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info.st_mtime;
}

std::string SystemFiles::currentDirectory() const {
    std::string buffer(256, '\0');
    while (true) {
        if (::getcwd(buffer.data(), buffer.size())) {
            buffer.resize(buffer.find('\0'));
            return buffer;
        }
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

bool SystemFiles::setCurrentDirectory(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

bool SystemFiles::replaceFile(const std::string& path, std::string_view bytes, unsigned mode) {
    if (path.empty()) return false;
    const std::string target = replacementTarget(path);
    const std::string folder = folderOf(target);
    std::string temporary = folder + ".markwise-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;

    bool ok = writeAll(fd, bytes) && ::fchmod(fd, replacementMode(target, mode)) == 0 &&
              ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

std::string programDirectory() {
    // Found once per process; a failed look-up is tried again on the next call.
    static std::string cached;
    static bool found = false;
    if (found) return cached;

    std::string link(PATH_MAX, '\0');
    while (true) {
        const ssize_t length = ::readlink("/proc/self/exe", link.data(), link.size());
        if (length < 0) return std::string();
        if (static_cast<std::size_t>(length) < link.size()) {
            link.resize(static_cast<std::size_t>(length));
            break;
        }
        link.resize(link.size() * 2);  // the name may have been cut; try with more room
    }
    cached = folderOf(link);
    found = true;
    return cached;
}

}  // namespace platform
