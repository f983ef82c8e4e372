// Fuzz target: the settings file of the windowed program, with loading and saving the options
// record through it.
//
// The input is the user's settings file; after two form feeds in a row, the rest is the system's
// (the legacy options a former installation left). The options are loaded from them into a
// record at its defaults, saved, and loaded again into another: whatever the bytes, nothing may
// crash or leak, the second load must give the same record as the first, and saving it again
// must write the same file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "options/options.h"
#include "options/options_storage.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "platform_testing/fake_ui.h"

namespace {

[[noreturn]] void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "settings_fuzz: %s %.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

bool put(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::string get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The real file system, but a replaced file is written plainly: the writing policy's syncs
// would make each input take milliseconds, and what it writes is not what is under test.
class PlainFiles final : public platform::SystemFiles {
public:
    bool replaceFile(const std::string& path, std::string_view bytes, unsigned) override {
        return put(path, bytes);
    }
};

const std::string& folder() {
    static const std::string made = [] {
        const char* temporary = std::getenv("TMPDIR");
        std::string name = std::string(temporary != nullptr && *temporary ? temporary : "/tmp") +
                           "/settings_fuzz." + std::to_string(::getpid());
        if (::mkdir(name.c_str(), 0700) != 0) fail("cannot make the folder", name);
        return name;
    }();
    return made;
}

void requireSameRecord(const options::Options& first, const options::Options& second) {
    for (const options::OptionInfo& info : options::optionTable()) {
        if (options::storedValue(first, info) != options::storedValue(second, info)) {
            fail("the second load gave another value of", info.name);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find("\f\f");
    const std::string user = folder() + "/registry.ini";
    const std::string system = folder() + "/system.ini";
    ::unlink(system.c_str());
    if (!put(user, input.substr(0, cut))) fail("cannot write the user's file");
    if (cut != std::string_view::npos && !put(system, input.substr(cut + 2))) {
        fail("cannot write the system's file");
    }

    PlainFiles files;
    platform::IniSettingsStore store(files, user, system);
    platform::FakeUserInterface ui;
    options::Options first = options::defaultOptions("/opt/markwise/");
    options::loadOptions(first, store, ui);  // may fail: a text too long keeps its default
    if (!options::saveOptions(first, store, ui, false)) fail("the first save failed");
    const std::string saved = get(user);

    options::Options second = options::defaultOptions("/opt/markwise/");
    // A text too long for its field fails this load again when the save does not write it
    // (the date and time formats): it is still not used.
    options::loadOptions(second, store, ui);
    requireSameRecord(first, second);
    if (!options::saveOptions(second, store, ui, false)) fail("the second save failed");
    if (get(user) != saved) fail("saving the options loaded again wrote another file");
    return 0;
}
