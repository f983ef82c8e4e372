// Small pieces shared by the command-line front ends.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace app::detail {

// One line on standard error: "program: line".
inline void say(std::FILE* err, std::string_view program, std::string_view line) {
    std::fprintf(err, "%.*s: %.*s\n", static_cast<int>(program.size()), program.data(),
                 static_cast<int>(line.size()), line.data());
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading its bytes; on failure says why ("cannot open: ...", "is a
// directory") and returns nothing.
inline File openForReading(const std::string& path, std::FILE* err, std::string_view program) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        say(err, program, path + ": cannot open: " + std::strerror(errno));
        return nullptr;
    }
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        say(err, program, path + ": is a directory");
        return nullptr;
    }
    return file;
}

// Whether two paths name the same existing file.
inline bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace app::detail
