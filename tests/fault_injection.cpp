#include "fault_injection.h"

#include <cerrno>

namespace testing_support {

using platform::FileOp;

std::string_view fileOpName(FileOp op) {
    switch (op) {
        case FileOp::Open: return "open";
        case FileOp::Read: return "read";
        case FileOp::Write: return "write";
        case FileOp::Fsync: return "fsync";
        case FileOp::Close: return "close";
        case FileOp::Rename: return "rename";
        case FileOp::Unlink: return "unlink";
        case FileOp::Stat: return "stat";
        case FileOp::Chmod: return "chmod";
        case FileOp::Lock: return "lock";
        case FileOp::List: return "list";
        case FileOp::Link: return "link";
    }
    return "?";
}

void FaultyFileSystem::failAt(FileOp op, int n, int error) { plannedByKind_[op] = {n, error}; }

void FaultyFileSystem::failCall(int n, int error) {
    plannedCall_ = n;
    plannedCallError_ = error;
}

void FaultyFileSystem::reset() {
    counts_.clear();
    plannedByKind_.clear();
    plannedCall_ = 0;
    steps_.clear();
}

int FaultyFileSystem::calls(FileOp op) const {
    auto found = counts_.find(op);
    return found == counts_.end() ? 0 : found->second;
}

std::string FaultyFileSystem::describe() const {
    std::string text;
    for (const Step& step : steps_) {
        if (!text.empty()) text += ", ";
        text += fileOpName(step.op);
        if (!step.path.empty()) text += " " + step.path;
        if (step.failed) text += " (failed)";
    }
    return text;
}

bool FaultyFileSystem::fails(FileOp op, std::string_view path) {
    const std::lock_guard<std::mutex> lock(record_);
    const int nth = ++counts_[op];
    const int call = static_cast<int>(steps_.size()) + 1;
    int error = 0;
    if (auto planned = plannedByKind_.find(op); planned != plannedByKind_.end() &&
                                                planned->second.first == nth) {
        error = planned->second.second;
    }
    if (plannedCall_ == call) error = plannedCallError_;
    steps_.push_back(Step{op, std::string(path), error != 0});
    if (error == 0) return false;
    errno = error;
    return true;
}

int FaultyFileSystem::open(const std::string& path, int flags, mode_t mode) {
    return fails(FileOp::Open, path) ? -1 : real_.open(path, flags, mode);
}
ssize_t FaultyFileSystem::read(int fd, void* buffer, std::size_t size) {
    return fails(FileOp::Read, {}) ? -1 : real_.read(fd, buffer, size);
}
ssize_t FaultyFileSystem::write(int fd, const void* buffer, std::size_t size) {
    return fails(FileOp::Write, {}) ? -1 : real_.write(fd, buffer, size);
}
int FaultyFileSystem::fsync(int fd) { return fails(FileOp::Fsync, {}) ? -1 : real_.fsync(fd); }
int FaultyFileSystem::close(int fd) {
    // A failing close still releases the descriptor, as the real call does.
    if (fails(FileOp::Close, {})) {
        const int error = errno;
        real_.close(fd);
        errno = error;
        return -1;
    }
    return real_.close(fd);
}
int FaultyFileSystem::rename(const std::string& from, const std::string& to) {
    return fails(FileOp::Rename, to) ? -1 : real_.rename(from, to);
}
int FaultyFileSystem::unlink(const std::string& path) {
    return fails(FileOp::Unlink, path) ? -1 : real_.unlink(path);
}
int FaultyFileSystem::stat(const std::string& path, struct stat& info) {
    return fails(FileOp::Stat, path) ? -1 : real_.stat(path, info);
}
int FaultyFileSystem::lstat(const std::string& path, struct stat& info) {
    return fails(FileOp::Stat, path) ? -1 : real_.lstat(path, info);
}
int FaultyFileSystem::fstat(int fd, struct stat& info) {
    return fails(FileOp::Stat, {}) ? -1 : real_.fstat(fd, info);
}
int FaultyFileSystem::fchmod(int fd, mode_t mode) {
    return fails(FileOp::Chmod, {}) ? -1 : real_.fchmod(fd, mode);
}
int FaultyFileSystem::fchown(int fd, uid_t owner, gid_t group) {
    return fails(FileOp::Chmod, {}) ? -1 : real_.fchown(fd, owner, group);
}
int FaultyFileSystem::flock(int fd, int operation) {
    return fails(FileOp::Lock, {}) ? -1 : real_.flock(fd, operation);
}
int FaultyFileSystem::link(const std::string& from, const std::string& to) {
    return fails(FileOp::Link, to) ? -1 : real_.link(from, to);
}
bool FaultyFileSystem::list(const std::string& folder, std::vector<std::string>& names) {
    if (fails(FileOp::List, folder)) return false;
    return real_.list(folder, names);
}

}  // namespace testing_support
