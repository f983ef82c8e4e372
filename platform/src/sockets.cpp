#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/editor_notifier.h"
#include "platform/instance_channel.h"

namespace platform {
namespace {

constexpr const char* kInstanceName = "Zentrel";
constexpr const char* kRaiseRequest = "raise\n";
// How long a listener waits for a connected program to say what it wants.
constexpr int kRequestTimeoutMs = 500;

bool fillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Sends every byte on a connection that does not block, waiting a short while at most for room.
bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd watch{fd, POLLOUT, 0};
            const int ready = ::poll(&watch, 1, kRequestTimeoutMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return false;
            continue;
        }
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// A folder that is ours alone: a real folder (not a link), owned by the user, mode 0700.
bool privateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (info.st_uid != ::getuid()) return false;
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return false;
    return true;
}

// Reads one request line from a connection, waiting a short while at most.
std::string readRequest(int fd) {
    std::string line;
    char buffer[64];
    while (line.size() < 64 && line.find('\n') == std::string::npos) {
        pollfd watch{fd, POLLIN, 0};
        const int ready = ::poll(&watch, 1, kRequestTimeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        line.append(buffer, static_cast<std::size_t>(got));
    }
    return line;
}

}  // namespace

int connectUnixSocket(const std::string& path) {
    sockaddr_un address;
    if (!fillAddress(path, address)) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::optional<std::string> socketFolder() {
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        folder = runtime;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        folder += "/markwise";
    } else {
        folder = "/tmp/markwise-" + std::to_string(::getuid());
    }
    if (!privateFolder(folder)) return std::nullopt;
    return folder + "/";
}

// Without a socket folder there is no channel: nothing is found and nobody listens.
UnixInstanceChannel::UnixInstanceChannel(std::string folder)
    : path_(folder.empty() ? std::string() : std::move(folder) + kInstanceName) {}

UnixInstanceChannel::~UnixInstanceChannel() {
    if (listener_ < 0) return;
    ::close(listener_);
    // Only this process's own socket file is removed, never one a later instance made.
    struct stat info {};
    if (::lstat(path_.c_str(), &info) == 0 && static_cast<unsigned long long>(info.st_ino) == inode_) {
        ::unlink(path_.c_str());
    }
}

bool UnixInstanceChannel::anotherInstanceRunning() {
    const int fd = connectUnixSocket(path_);
    // A listener that takes no connection now is still an instance running.
    if (fd < 0) return errno == EAGAIN;
    ::close(fd);
    return true;
}

bool UnixInstanceChannel::raiseAnotherInstance() {
    const int fd = connectUnixSocket(path_);
    if (fd < 0) return false;
    const bool sent = sendAll(fd, kRaiseRequest);
    ::close(fd);
    return sent;
}

bool UnixInstanceChannel::listen() {
    if (listener_ >= 0) return true;
    sockaddr_un address;
    if (!fillAddress(path_, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    auto bindSocket = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    bool bound = bindSocket();
    if (!bound && errno == EADDRINUSE) {
        // A socket file is there: another instance listens on it, or it was left behind.
        if (anotherInstanceRunning()) {
            ::close(fd);
            return false;
        }
        ::unlink(path_.c_str());
        bound = bindSocket();
    }
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    ::chmod(path_.c_str(), 0600);
    struct stat info {};
    if (::lstat(path_.c_str(), &info) == 0) inode_ = static_cast<unsigned long long>(info.st_ino);
    listener_ = fd;
    return true;
}

int UnixInstanceChannel::takeRaiseRequests() {
    if (listener_ < 0) return 0;
    int raises = 0;
    while (true) {
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR) continue;
            break;  // nothing more waiting
        }
        if (readRequest(connection).rfind(kRaiseRequest, 0) == 0) ++raises;
        ::close(connection);
    }
    return raises;
}

bool UnixEditorNotifier::notify(const std::string& windowClass, int message,
                                const std::string& reportPath) {
    if (folder_.empty() || windowClass.empty() || windowClass == "." || windowClass == "..") {
        return false;
    }
    if (windowClass.find('/') != std::string::npos || windowClass.find('\0') != std::string::npos) {
        return false;
    }
    if (reportPath.find_first_of("\n\r") != std::string::npos) return false;
    const int fd = connectUnixSocket(folder_ + windowClass);
    if (fd < 0) return false;
    const bool sent = sendAll(fd, std::to_string(message) + ' ' + reportPath + '\n');
    ::close(fd);
    return sent;
}

}  // namespace platform
