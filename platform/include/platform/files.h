// File helpers: the few file-system questions the program asks besides reading and writing.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class Files {
public:
    virtual ~Files() = default;

    virtual bool exists(const std::string& path) const = 0;
    virtual bool remove(const std::string& path) = 0;
    virtual bool rename(const std::string& from, const std::string& to) = 0;
    // The file's last-write time; empty when it cannot be read.
    virtual std::optional<std::time_t> lastWriteTime(const std::string& path) const = 0;
    // The current directory (empty when it cannot be read) and changing it.
    virtual std::string currentDirectory() const = 0;
    virtual bool setCurrentDirectory(const std::string& path) = 0;
    // Replaces `path` with `bytes` under the writing policy of platform/file_policy.h (a
    // temporary file renamed over the old one only when the whole write succeeded; devices,
    // FIFOs, folders and read-only files refused). `mode` is used for a file that does not
    // exist yet. Callers that can name the command's inputs and report the cause use
    // platform::replaceFile directly.
    virtual bool replaceFile(const std::string& path, std::string_view bytes,
                             unsigned mode = 0644) = 0;
};

// The real file system.
class SystemFiles : public Files {
public:
    bool exists(const std::string& path) const override;
    bool remove(const std::string& path) override;
    bool rename(const std::string& from, const std::string& to) override;
    std::optional<std::time_t> lastWriteTime(const std::string& path) const override;
    std::string currentDirectory() const override;
    bool setCurrentDirectory(const std::string& path) override;
    bool replaceFile(const std::string& path, std::string_view bytes,
                     unsigned mode = 0644) override;
};

// The program directory: the folder of the running executable, ending with "/", or empty
// when it cannot be found. Looked up once per process.
std::string programDirectory();

}  // namespace platform
