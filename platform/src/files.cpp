#include "platform/files.h"

#include "platform/file_policy.h"

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
    WriteRules rules;
    rules.newFileMode = static_cast<mode_t>(mode);
    return !platform::replaceFile(systemFileSystem(), path, bytes, rules);
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
