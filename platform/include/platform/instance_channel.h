// The single-instance channel: the running windowed program listens on it, and a second start
// finds it there and asks it to come to the front.
#pragma once

#include <optional>
#include <string>

namespace platform {

class InstanceChannel {
public:
    virtual ~InstanceChannel() = default;

    // Whether another instance is listening.
    virtual bool anotherInstanceRunning() = 0;
    // Asks the listening instance to restore its window and come to the front. Returns false
    // when there is none, or it could not be reached.
    virtual bool raiseAnotherInstance() = 0;
    // Makes this process the listening instance. Returns false when another instance already
    // listens or the channel cannot be set up.
    virtual bool listen() = 0;
    // The descriptor an event loop watches for requests while listening, else -1.
    virtual int descriptor() const = 0;
    // Takes the requests that have arrived; returns how many asked to raise the window.
    virtual int takeRaiseRequests() = 0;
};

// The folder of the program's sockets: "$XDG_RUNTIME_DIR/markwise/", or "/tmp/markwise-<uid>/"
// when XDG_RUNTIME_DIR is unset, created with mode 0700. Nothing when it cannot be made or
// does not belong to the user alone.
std::optional<std::string> socketFolder();

// The channel as a Unix-domain socket named "Zentrel" in `folder` (ending with "/"). A socket
// file left behind by a program that has ended is replaced.
class UnixInstanceChannel : public InstanceChannel {
public:
    explicit UnixInstanceChannel(std::string folder);
    ~UnixInstanceChannel() override;
    UnixInstanceChannel(const UnixInstanceChannel&) = delete;
    UnixInstanceChannel& operator=(const UnixInstanceChannel&) = delete;

    bool anotherInstanceRunning() override;
    bool raiseAnotherInstance() override;
    bool listen() override;
    int descriptor() const override { return listener_; }
    int takeRaiseRequests() override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int listener_ = -1;
    unsigned long long inode_ = 0;  // of the socket file this process made
};

// Connects to the Unix-domain socket at `path` without waiting: the connected descriptor, or -1
// (and errno). A listener whose queue of connections is full (it has stopped accepting: a
// stopped or frozen program) gives -1 with errno EAGAIN at once, rather than a wait with no end.
int connectUnixSocket(const std::string& path);

}  // namespace platform
