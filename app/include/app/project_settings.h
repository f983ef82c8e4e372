// A project's settings for markwise-check: the file ".markwise.ini" in the current folder or the
// nearest folder above it, holding "profile=", "disable=" and options by their settings names
// ("AllowDoubleQuoteInText=1"), one per line, with the value escapes of the settings file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace app {

constexpr const char* kProjectSettingsName = ".markwise.ini";

struct ProjectSetting {
    std::string name;   // as written
    std::string value;  // unescaped
    int line = 0;
};

struct ProjectSettings {
    std::string path;
    std::optional<ProjectSetting> profile;
    std::vector<ProjectSetting> disable;   // each a comma-separated list of message ids
    std::vector<ProjectSetting> options;   // in the file's order
};

// The nearest ".markwise.ini" from `folder` upwards, or nothing. A name that cannot be looked
// at for another reason than its absence (or a folder closed to the user) is returned too, so
// that reading it reports the failure. A file that another user (not root) owns and that
// others may change, as anyone may in /tmp, is passed over, with a line in `passedOver` for
// each: its settings could silence the checks or choose the rules of whoever runs below it.
std::optional<std::string> findProjectSettings(const std::string& folder,
                                               std::vector<std::string>* passedOver = nullptr);

// Reads the file (a byte order mark before its first line passed over): blank lines and lines
// starting with "#" or ";" are passed over; every other line is NAME=VALUE, with NAME
// "profile", "disable" or an option's settings name (compared without regard to case).
// Returns "FILE:LINE: what is wrong" for the first line that is not.
std::optional<std::string> readProjectSettings(platform::FileSystem& fs, const std::string& path,
                                               ProjectSettings& settings);

// "FILE:LINE" of a setting, for messages and --list-options.
std::string whereSet(const ProjectSettings& settings, const ProjectSetting& setting);

// Why a settings file found on the way up may not be taken as it is, or nothing: its log must
// be a file inside the folder of the settings file (links followed), since a project that
// anyone may hand the user (a cloned repository, a downloaded site) must not make a check
// append to a file elsewhere, ~/.bashrc for one. Given with --settings, it is the user's choice.
std::optional<std::string> logOutsideTheProject(const ProjectSettings& settings);

}  // namespace app
