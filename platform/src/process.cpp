#include "platform/process.h"

#include "platform/file_policy.h"
#include "platform/instance_channel.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>
#include <vector>

extern char** environ;

namespace platform {
namespace {

bool readAll(int fd, void* buffer, std::size_t size) {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::read(fd, out, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

bool PosixProcessStarter::start(const std::string& program, const std::string& file,
                                bool /*maximized*/) {
    if (program.empty()) return false;
    // Everything the intermediate process needs is made before the fork: it may only make
    // calls that are safe in the child of a process with threads.
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(file.c_str()),
                            nullptr};
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;

    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        // The intermediate process: start the program in a session of its own, tell the
        // parent whether that worked, and end at once so the program is adopted by init.
        ::close(report[0]);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        // The file size signal this program ignores is the program's own default again.
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGXFSZ);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        pid_t child = 0;
        int result = ::posix_spawnp(&child, program.c_str(), nullptr, &attributes, argv.data(),
                                    environ);
        ssize_t ignored = ::write(report[1], &result, sizeof result);
        (void)ignored;
        ::_exit(0);
    }

    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int result = -1;
    const bool reported = readAll(report[0], &result, sizeof result);
    ::close(report[0]);
    return reported && result == 0;
}

std::string fileUrl(const std::string& absolutePath, const std::string& anchor) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolutePath) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' ||
                           c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    if (!anchor.empty()) url += '#' + anchor;
    return url;
}

bool XdgUrlOpener::open(const std::string& url) {
    return starter_.start("xdg-open", openableUrl(url), false);
}

namespace {

// A piece of an address made fit for a file name: letters, digits, "-" and "_" kept, anything
// else "_", at most 60 bytes.
std::string nameSafe(std::string_view piece) {
    std::string name;
    for (const char c : piece.substr(0, 60)) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += kept ? c : '_';
    }
    return name;
}

}  // namespace

std::string anchoredPageUrl(FileSystem& fs, const std::string& url, const std::string& folder) {
    const std::size_t hash = url.find('#');
    // An address the page's markup would have to escape is opened as it is (the help's never
    // is: fileUrl() encodes such bytes, and anchors are plain words).
    if (!url.starts_with("file://") || hash == std::string::npos || folder.empty() ||
        url.find_first_of("&<>\"'") != std::string::npos) {
        return url;
    }
    std::string_view page = std::string_view(url).substr(0, hash);
    page.remove_prefix(page.rfind('/') + 1);
    if (page.ends_with(".html")) page.remove_suffix(5);
    const std::string path = folder + "help-" + nameSafe(page) + "-" +
                             nameSafe(std::string_view(url).substr(hash + 1)) + ".html";
    const std::string bytes =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
        "<meta http-equiv=\"refresh\" content=\"0; url=" + url + "\">\n"
        "<title>Markwise help</title></head>\n"
        "<body><p><a href=\"" + url + "\">" + url + "</a></p></body></html>\n";
    if (replaceFile(fs, path, bytes)) return url;
    return fileUrl(path);
}

std::string openableUrl(const std::string& url) {
    if (!url.starts_with("file://") || url.find('#') == std::string::npos) return url;
    const std::optional<std::string> folder = socketFolder();
    return folder ? anchoredPageUrl(systemFileSystem(), url, *folder) : url;
}

}  // namespace platform
