#include "platform/file_system.h"

#include "platform/heap.h"

#include "aligned_region.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace platform {

int FileSystem::readlink(const std::string& path, std::string& target) {
    std::string buffer(256, '\0');
    while (true) {
        const ssize_t got = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (got < 0) return -1;
        if (static_cast<std::size_t>(got) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(got));
            target = std::move(buffer);
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// The kernel's report of which pages of a range are mapped how (/proc/self/pagemap's
// PAGEMAP_SCAN request, Linux 6.7 on), declared here for C library headers older than it.
struct PageRegion {
    std::uint64_t start, end, categories;
};
struct PageMapScan {
    std::uint64_t size, flags, start, end, walkEnd, vector, vectorLength, maxPages;
    std::uint64_t categoryInverted, categoryMask, categoryAnyOf, returnMask;
};
constexpr unsigned long kPageMapScan = _IOWR('f', 16, PageMapScan);
constexpr std::uint64_t kPageIsHuge = 1u << 6;

// [start, start + bytes) is mapped on huge pages throughout: false when it is not, or when the
// kernel cannot say.
bool mappedOnHugePages(const char* start, std::size_t bytes) {
    const int pagemap = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (pagemap < 0) return false;
    PageRegion regions[4];
    PageMapScan scan{};
    scan.size = sizeof scan;
    scan.start = reinterpret_cast<std::uintptr_t>(start);
    scan.end = scan.start + bytes;
    scan.vector = reinterpret_cast<std::uintptr_t>(regions);
    scan.vectorLength = 4;
    scan.categoryMask = kPageIsHuge;
    scan.returnMask = kPageIsHuge;
    const int found = ::ioctl(pagemap, kPageMapScan, &scan);
    ::close(pagemap);
    std::uint64_t huge = 0;
    for (int i = 0; i < found && i < 4; ++i) huge += regions[i].end - regions[i].start;
    return found > 0 && huge == bytes;
}

// The number of bytes of whole pages that hold `bytes`, or 0 when the page size is unknown.
std::size_t wholePages(std::size_t bytes) {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0) return 0;
    const auto size = static_cast<std::size_t>(page);
    return (bytes + size - 1) / size * size;
}

// The first `size` bytes of the open regular file `fd` mapped where the kernel holds them on
// huge pages already (a file written in large pieces and not yet evicted), which costs no copy;
// null when it does not, and nothing stays mapped.
const char* mapOnHugePages(int fd, std::size_t size, std::size_t huge) {
#if defined(MADV_POPULATE_READ)
    const std::size_t span = wholePages(size);
    char* at = span != 0 ? reserveAligned(span, huge, PROT_NONE) : nullptr;
    if (at == nullptr) return nullptr;
    void* mapped = ::mmap(at, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0);
    if (mapped == MAP_FAILED) {
        ::munmap(at, span);
        return nullptr;
    }
    // The first huge page tells: a file is cached in pieces of one size as it was written or
    // read. The rest is mapped at once only when it is kept.
    if (::madvise(at, huge, MADV_POPULATE_READ) != 0 || !mappedOnHugePages(at, huge)) {
        ::munmap(at, span);
        return nullptr;
    }
    if (size > huge) (void)::madvise(at + huge, size - huge, MADV_POPULATE_READ);
    return at;
#else
    (void)fd;
    (void)size;
    (void)huge;
    return nullptr;
#endif
}

// Documents larger than this are mapped whatever the kernel offers: the kernel can drop the
// pages of a mapped file under memory pressure and read them again, but not those of a copy,
// and several workers may each hold one.
constexpr std::size_t kLargestCopy = std::size_t{128} << 20;

// The copies made by copyOntoHugePages() and their lengths, for unmap().
std::mutex copiesMutex;
std::vector<std::pair<const char*, std::size_t>> copies;

// The first `size` bytes of the open regular file `fd` read into fresh memory on huge pages,
// read-only once read; null when the kernel gives no such pages, the memory is refused or the
// file is cut short while it is read (the file is then mapped).
const char* copyOntoHugePages(int fd, std::size_t size, std::size_t huge) {
    const std::size_t span = wholePages(size);
    // The whole huge pages at its start; the rest, less than one, takes small pages, so that
    // the copy holds no more memory than the file.
    const std::size_t whole = size / huge * huge;
    // A huge page is given only where it is aligned on its size: the copy starts at such a place.
    char* copy = span != 0 ? reserveAligned(span, huge, PROT_READ | PROT_WRITE) : nullptr;
    if (copy == nullptr) return nullptr;
    auto refuse = [&] {
        const int saved = errno;
        ::munmap(copy, span);
        errno = saved;
        return nullptr;
    };
    if (::madvise(copy, whole, MADV_HUGEPAGE) != 0) return refuse();
#if defined(MADV_POPULATE_WRITE)
    // Every page at once; a kernel that does not know the request faults them in as they are
    // read into, and one that is short of memory leaves the file to be mapped.
    if (::madvise(copy, span, MADV_POPULATE_WRITE) != 0 && errno != EINVAL) return refuse();
#endif
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, copy + got, size - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refuse();
        // Cut short while it is read: the copy would hold zeros that nothing later tells of
        // (the file may be whole again when it is looked at), so the file is mapped instead,
        // where a read past its end is seen.
        if (n == 0) return refuse();
        got += static_cast<std::size_t>(n);
    }
    ::mprotect(copy, span, PROT_READ);
    try {
        const std::lock_guard<std::mutex> lock(copiesMutex);
        copies.emplace_back(copy, span);
    } catch (const std::bad_alloc&) {
        return refuse();
    }
    return copy;
}

// The length of the copy at `address` (forgotten), or 0 when it is not a copy.
std::size_t forgetCopy(const char* address) {
    const std::lock_guard<std::mutex> lock(copiesMutex);
    for (auto it = copies.begin(); it != copies.end(); ++it) {
        if (it->first != address) continue;
        const std::size_t span = it->second;
        copies.erase(it);
        return span;
    }
    return 0;
}

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
    int link(const std::string& from, const std::string& to) override {
        return ::link(from.c_str(), to.c_str());
    }
    int flock(int fd, int operation) override {
        int result;
        do {
            result = ::flock(fd, operation);
        } while (result < 0 && errno == EINTR);
        return result;
    }
    bool list(const std::string& folder, std::vector<std::string>& names) override {
        // Closed also when a name cannot be kept for want of memory.
        struct CloseFolder {
            void operator()(DIR* open) const { ::closedir(open); }
        };
        std::unique_ptr<DIR, CloseFolder> dir(::opendir(folder.empty() ? "." : folder.c_str()));
        if (dir == nullptr) return false;
        // readdir() ends both at the end and at a failure: errno tells them apart.
        while (true) {
            errno = 0;
            const dirent* entry = ::readdir(dir.get());
            if (entry == nullptr) break;
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
            names.emplace_back(entry->d_name);
        }
        const int error = errno;
        dir.reset();
        errno = error;
        return error == 0;
    }
    const char* mapReadOnly(int fd, std::size_t size) override {
        // A document smaller than a huge page would be held on small pages all the same.
        if (const std::size_t huge = hugePageSize();
            huge != 0 && size >= huge && size <= kLargestCopy) {
            if (const char* mapped = mapOnHugePages(fd, size, huge)) return mapped;
            if (const char* copy = copyOntoHugePages(fd, size, huge)) return copy;
        }
        // MAP_POPULATE maps every page at once: one call instead of a fault every few pages.
        void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        return address == MAP_FAILED ? nullptr : static_cast<const char*>(address);
    }
    void unmap(const char* address, std::size_t size) override {
        if (const std::size_t span = forgetCopy(address)) size = span;
        ::munmap(const_cast<char*>(address), size);
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static SystemFileSystem instance;
    return instance;
}

}  // namespace platform
