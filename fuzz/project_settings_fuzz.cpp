// Fuzz target: the project settings file of markwise-check, read and laid over the defaults.
//
// Whatever the bytes, reading must not crash, and every line must be taken or refused with its
// number: a file that is read holds each line that is not blank or a comment as exactly one
// setting with that line's number (a later profile line taking the place of an earlier one);
// a file that is refused names a line that is neither, and the lines before it are read. The
// settings read are then laid over the defaults as a run would; a value that is refused, or a
// profile that does not exist, is named with the line of its setting.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../app/src/check_setup.h"
#include "app/profiles.h"
#include "config/text_utils.h"
#include "app/project_settings.h"
#include "memory_file_system.h"

namespace {

constexpr const char* kPath = "p.ini";

[[noreturn]] void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "project_settings_fuzz: %s %.*s\n", what,
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// The lines of the file, each without its line feed, numbered from 1 (index 0 unused).
// A byte order mark before the first line is no part of it.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines{{}};
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// Whether the line holds a setting: not blank (spaces, tabs, a carriage return at its end) and
// not a comment.
bool holdsSetting(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] != '#' && line[first] != ';';
}

// Whether a setting's name is "profile", in any case.
bool isProfile(std::string_view name) {
    constexpr std::string_view kProfile = "profile";
    if (name.size() != kProfile.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
        if (c != kProfile[i]) return false;
    }
    return true;
}

// The line number a message starts with ("p.ini:7: ..."), or 0.
int lineNamed(std::string_view message) {
    const std::string prefix = std::string(kPath) + ":";
    if (!message.starts_with(prefix)) return 0;
    message.remove_prefix(prefix.size());
    int number = 0;
    std::size_t digits = 0;
    while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9' &&
           number < 100000000) {
        number = number * 10 + (message[digits++] - '0');
    }
    return digits > 0 && message.substr(digits).starts_with(": ") ? number : 0;
}

std::optional<std::string> read(std::string_view bytes, app::ProjectSettings& settings) {
    fuzzing::MemoryFileSystem files;
    files.files[kPath] = std::string(bytes);
    std::optional<std::string> problem = app::readProjectSettings(files, kPath, settings);
    if (!files.allClosed()) fail("the file was left open");
    return problem;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = linesOf(text);
    app::ProjectSettings settings;
    if (std::optional<std::string> problem = read(text, settings)) {
        const int line = lineNamed(*problem);
        if (line < 1 || static_cast<std::size_t>(line) >= lines.size()) {
            fail("a refusal names no line of the file:", *problem);
        }
        if (!holdsSetting(lines[line])) fail("a refusal names a blank or comment line:", *problem);
        // The lines before it are read.
        const std::size_t before = static_cast<std::size_t>(lines[line].data() - text.data());
        app::ProjectSettings head;
        if (auto earlier = read(text.substr(0, before), head)) {
            fail("the lines before a refused one are refused too:", *earlier);
        }
        return 0;
    }

    // Every setting line was taken, once, with its number.
    std::vector<int> taken(lines.size(), 0);
    auto take = [&](const app::ProjectSetting& setting) {
        if (setting.line < 1 || static_cast<std::size_t>(setting.line) >= lines.size() ||
            !holdsSetting(lines[setting.line])) {
            fail("a setting on a line without one:", setting.name);
        }
        ++taken[setting.line];
    };
    for (const app::ProjectSetting& setting : settings.disable) take(setting);
    for (const app::ProjectSetting& setting : settings.options) take(setting);
    int lastProfile = 0;
    for (std::size_t line = 1; line < lines.size(); ++line) {
        const std::size_t eq = lines[line].find('=');
        std::string_view name = lines[line].substr(0, eq);
        auto blank = [](char c) { return c == ' ' || c == '\t'; };
        while (!name.empty() && blank(name.front())) name.remove_prefix(1);
        while (!name.empty() && (blank(name.back()) || name.back() == '\r')) name.remove_suffix(1);
        if (!holdsSetting(lines[line])) continue;
        if (eq == std::string_view::npos) fail("a line without '=' was taken");
        if (isProfile(name)) {
            lastProfile = static_cast<int>(line);
            ++taken[line];
        }
    }
    if (lastProfile != (settings.profile ? settings.profile->line : 0)) {
        fail("the profile is not the last profile line");
    }
    for (std::size_t line = 1; line < lines.size(); ++line) {
        if (holdsSetting(lines[line]) && taken[line] != 1) fail("a line was not taken once");
    }

    // Laid over the defaults, as a check without a configuration does.
    app::CheckArguments arguments;
    arguments.scanOnly = true;
    fuzzing::MemoryFileSystem files;
    app::CheckSetups setups(arguments, &settings, "/opt/markwise/", files);
    if (std::optional<std::string> problem = setups.prepare()) {
        const int line = lineNamed(*problem);
        bool named = false;
        for (const app::ProjectSetting& setting : settings.options) named |= setting.line == line;
        for (const app::ProjectSetting& setting : settings.disable) named |= setting.line == line;
        if (!named) fail("a refused value names no line of its setting:", *problem);
    }

    // A profile that does not exist is named with the line that asks for it.
    // ("auto" is a profile in any case, as every other profile name is.)
    if (settings.profile && !text::equalsIgnoreCase(settings.profile->value, "auto") &&
        app::findShippedProfile(settings.profile->value) == nullptr) {
        arguments.scanOnly = false;
        app::CheckSetups chosen(arguments, &settings, "/opt/markwise/", files);
        const std::optional<std::string> problem = chosen.prepare();
        if (!problem || lineNamed(*problem) != settings.profile->line) {
            fail("an unknown profile is not named with its line:", problem.value_or(""));
        }
    }
    return 0;
}
