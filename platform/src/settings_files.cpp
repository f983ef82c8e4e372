// Where the settings files are. Kept apart from the store: the home folder is looked up in the
// system's account database, which a statically linked program (markwise-check, markwise-cfg:
// they read project settings with the store's escapes, never the user's file) must not take in.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/settings_store.h"

namespace platform {
namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

}  // namespace

std::string userSettingsFile() {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        base = config;
    } else {
        const std::string home = homeFolder();
        if (home.empty()) return {};
        base = home + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/markwise/registry.ini";
}

std::string systemSettingsFile() {
    if (const char* path = std::getenv("MARKWISE_SYSTEM_REGISTRY"); path && *path) return path;
    return "/etc/markwise/registry.ini";
}

}  // namespace platform
