// A file system for the tests that can make any call fail: the n-th open, read, write, fsync,
// close, rename, unlink (or any other kind) after the harness is armed, or simply the n-th
// call of any kind. Every call is passed on to the real file system otherwise, and recorded,
// so that a test can walk through every step of an operation and fail each one in turn.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace testing_support {

std::string_view fileOpName(platform::FileOp op);

class FaultyFileSystem : public platform::FileSystem {
public:
    struct Step {
        platform::FileOp op;
        std::string path;  // the name the call was given, or "" for a call on a descriptor
        bool failed;
    };

    explicit FaultyFileSystem(platform::FileSystem& real = platform::systemFileSystem())
        : real_(real) {}

    // Makes the `n`-th call (counted from 1) of kind `op` fail with `error`.
    void failAt(platform::FileOp op, int n, int error = 5 /* EIO */);
    // Makes the `n`-th call of any kind fail with `error`.
    void failCall(int n, int error = 5 /* EIO */);
    // Forgets the counts, the steps and every planned failure.
    void reset();

    int calls(platform::FileOp op) const;
    int totalCalls() const { return static_cast<int>(steps_.size()); }
    const std::vector<Step>& steps() const { return steps_; }
    // "open foo.cfg, write, fsync, close, rename ..." for a test's failure message.
    std::string describe() const;

    int open(const std::string& path, int flags, mode_t mode = 0) override;
    ssize_t read(int fd, void* buffer, std::size_t size) override;
    ssize_t write(int fd, const void* buffer, std::size_t size) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int rename(const std::string& from, const std::string& to) override;
    int unlink(const std::string& path) override;
    int stat(const std::string& path, struct stat& info) override;
    int lstat(const std::string& path, struct stat& info) override;
    int fstat(int fd, struct stat& info) override;
    int fchmod(int fd, mode_t mode) override;
    int fchown(int fd, uid_t owner, gid_t group) override;
    int flock(int fd, int operation) override;
    // Passed on, neither recorded nor failed: it only runs after a failure.
    int ftruncate(int fd, off_t length) override { return real_.ftruncate(fd, length); }
    bool list(const std::string& folder, std::vector<std::string>& names) override;
    int link(const std::string& from, const std::string& to) override;

private:
    // Records the call and says whether it is to fail (errno is then set).
    bool fails(platform::FileOp op, std::string_view path);

    platform::FileSystem& real_;
    // markwise-check's workers call the file system at the same time: the record is kept
    // under a lock.
    std::mutex record_;
    std::map<platform::FileOp, int> counts_;
    std::map<platform::FileOp, std::pair<int, int>> plannedByKind_;  // n, errno
    int plannedCall_ = 0;
    int plannedCallError_ = 0;
    std::vector<Step> steps_;
};

}  // namespace testing_support
