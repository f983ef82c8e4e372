#include "platform/file_policy.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

namespace platform {
namespace {

// The mapped documents the bus-error handler looks after. A file that shrinks while it is
// mapped makes a read past its new end raise SIGBUS; the handler puts zero pages in place of
// the rest of that mapping, marks it changed and lets the read go on, so that a page edited
// while it is being checked ends its check with a message instead of stopping the program.
struct Watched {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> start{0};  // 0 while the slot watches nothing
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> changed{false};
};

constexpr int kWatchedFiles = 64;
Watched watched[kWatchedFiles];
std::uintptr_t pageSize = 4096;
struct sigaction previousHandler {};
std::once_flag handlerInstalled;
bool handlerReady = false;

void onBusError(int signal, siginfo_t* info, void* context) {
    if (info != nullptr && info->si_code == BUS_ADRERR) {
        const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
        for (Watched& slot : watched) {
            const std::uintptr_t start = slot.start.load(std::memory_order_acquire);
            const std::uintptr_t end = slot.end.load(std::memory_order_acquire);
            if (start == 0 || at < start || at >= end) continue;
            const std::uintptr_t page = at & ~(pageSize - 1);
            const int saved = errno;
            void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            errno = saved;
            if (zeros == MAP_FAILED) break;
            slot.changed.store(true, std::memory_order_release);
            return;
        }
    }
    // Not a mapped document: whatever the process did before this handler was installed.
    if ((previousHandler.sa_flags & SA_SIGINFO) != 0 && previousHandler.sa_sigaction != nullptr) {
        previousHandler.sa_sigaction(signal, info, context);
        return;
    }
    if (previousHandler.sa_handler != SIG_DFL && previousHandler.sa_handler != SIG_IGN) {
        previousHandler.sa_handler(signal);
        return;
    }
    // The faulting read is made again on return, and now ends the process as it would have;
    // a signal sent by a process is sent again.
    ::signal(SIGBUS, SIG_DFL);
    if (info == nullptr || info->si_code <= 0) ::raise(SIGBUS);
}

void installHandler() {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page > 0) pageSize = static_cast<std::uintptr_t>(page);
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    handlerReady = ::sigaction(SIGBUS, &action, &previousHandler) == 0;
}

// A free slot, watching [start, end); -1 when every slot is taken.
int watch(const char* start, std::size_t size) {
    std::call_once(handlerInstalled, installHandler);
    if (!handlerReady) return -1;
    for (int i = 0; i < kWatchedFiles; ++i) {
        Watched& slot = watched[i];
        if (slot.taken.exchange(true, std::memory_order_acq_rel)) continue;
        slot.changed.store(false, std::memory_order_relaxed);
        slot.end.store(reinterpret_cast<std::uintptr_t>(start) + size, std::memory_order_release);
        slot.start.store(reinterpret_cast<std::uintptr_t>(start), std::memory_order_release);
        return i;
    }
    return -1;
}

void unwatch(int index) {
    Watched& slot = watched[index];
    slot.start.store(0, std::memory_order_release);
    slot.end.store(0, std::memory_order_release);
    slot.taken.store(false, std::memory_order_release);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::map(FileSystem& fs, int fd, std::size_t size) {
    if (size == 0) return nullptr;
    const char* data = fs.mapReadOnly(fd, size);
    if (data == nullptr) return nullptr;
    const int slot = watch(data, size);
    if (slot < 0) {
        // Unwatched, a file cut short would stop the program: it is read instead.
        fs.unmap(data, size);
        return nullptr;
    }
    return std::unique_ptr<MappedFile>(new MappedFile(fs, fd, data, size, slot));
}

MappedFile::~MappedFile() {
    unwatch(slot_);
    fs_.unmap(data_, size_);
    fs_.close(fd_);
}

bool MappedFile::changed() const {
    if (watched[slot_].changed.load(std::memory_order_acquire)) return true;
    // Cut inside its last page, a file raises no fault: the rest of that page reads as zeros.
    struct stat info {};
    return fs_.fstat(fd_, info) == 0 && static_cast<std::uint64_t>(info.st_size) < size_;
}

}  // namespace platform
