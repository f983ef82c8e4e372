#include "display.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLibraryInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace gui {
namespace {

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The client libraries are opened at run time: the program asks only whether a connection
// can be made, and needs neither library when the display is never used.
class Library {
public:
    explicit Library(const char* name) : handle_(::dlopen(name, RTLD_LAZY | RTLD_LOCAL)) {}
    ~Library() {
        if (handle_) ::dlclose(handle_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <typename Function>
    Function* find(const char* symbol) const {
        return handle_ ? reinterpret_cast<Function*>(::dlsym(handle_, symbol)) : nullptr;
    }

private:
    void* handle_;
};

// An X server answers at DISPLAY and lets this user in (its authorisation is checked too).
bool xServerAnswersNow() {
    const Library xcb("libxcb.so.1");
    using Connect = void*(const char*, int*);
    using HasError = int(void*);
    using Disconnect = void(void*);
    auto* connect = xcb.find<Connect>("xcb_connect");
    auto* hasError = xcb.find<HasError>("xcb_connection_has_error");
    auto* disconnect = xcb.find<Disconnect>("xcb_disconnect");
    if (!connect || !hasError || !disconnect) return false;
    void* connection = connect(nullptr, nullptr);
    const bool answers = connection && hasError(connection) == 0;
    if (connection) disconnect(connection);  // an error connection is freed safely too
    return answers;
}

// A Wayland compositor answers at WAYLAND_DISPLAY.
bool waylandAnswersNow() {
    const Library client("libwayland-client.so.0");
    using Connect = void*(const char*);
    using Disconnect = void(void*);
    auto* connect = client.find<Connect>("wl_display_connect");
    auto* disconnect = client.find<Disconnect>("wl_display_disconnect");
    if (!connect || !disconnect) return false;
    void* display = connect(nullptr);
    if (!display) return false;
    disconnect(display);
    return true;
}

}  // namespace

// The probe runs in a child process, so that a display that takes the connection but never
// answers (a server stopped, a tunnel left open) costs the wait and no more. The child says
// its answer through a pipe, which does not depend on how the program was started to treat
// its children's ends (a launcher may have set SIGCHLD to be ignored).
bool answersInTime(const std::function<bool()>& probe, int waitMs) {
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) return false;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return false;
    }
    if (child == 0) {
        ::close(channel[0]);
        const char answer = probe() ? 'y' : 'n';
        [[maybe_unused]] const ssize_t written = ::write(channel[1], &answer, 1);
        ::_exit(0);
    }
    ::close(channel[1]);
    char answer = 'n';
    pollfd watch{channel[0], POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&watch, 1, waitMs);
    } while (ready < 0 && errno == EINTR);
    const bool answered = ready > 0 && ::read(channel[0], &answer, 1) == 1;
    ::close(channel[0]);
    if (!answered) ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return answered && answer == 'y';
}

namespace {

bool xServerAnswers() { return set("DISPLAY") && answersInTime(xServerAnswersNow); }

bool waylandAnswers() { return set("WAYLAND_DISPLAY") && answersInTime(waylandAnswersNow); }

// Qt's Wayland platform is a package of its own, often not installed.
bool qtHasWayland() {
    const std::filesystem::path plugins =
        QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString();
    std::error_code error;
    return std::filesystem::exists(plugins / "platforms" / "libqwayland-generic.so", error);
}

// Whether one platform of QT_QPA_PLATFORM ("xcb", "wayland-egl", "offscreen:fontconfig") can
// be opened; platforms other than X and Wayland are taken as able.
bool platformAnswers(std::string_view entry) {
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (name == "xcb") return xServerAnswers();
    if (name.starts_with("wayland")) return waylandAnswers();
    return !name.empty();
}

}  // namespace

std::optional<std::string> reachablePlatform() {
    if (const char* chosen = std::getenv("QT_QPA_PLATFORM"); chosen && *chosen) {
        // Qt tries the platforms of a list such as "wayland;xcb" in turn.
        std::string_view list = chosen;
        while (!list.empty()) {
            const std::size_t end = list.find(';');
            if (platformAnswers(list.substr(0, end))) return std::string();
            if (end == std::string_view::npos) break;
            list.remove_prefix(end + 1);
        }
        return std::nullopt;
    }
    const bool x = xServerAnswers();
    const bool wayland = waylandAnswers() && qtHasWayland();
    if (x && wayland) return std::string();
    if (x) return std::string("xcb");
    if (wayland) return std::string("wayland");
    return std::nullopt;
}

}  // namespace gui
