#include "app/project_settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "config/text_utils.h"
#include "options/options.h"
#include "platform/file_policy.h"
#include "platform/settings_store.h"

namespace app {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Whether a settings file found on the way up may be taken: one of the user's own or root's,
// or another user's that others cannot change, in a folder others cannot write to. A link
// that another user put in such a folder is not taken either, wherever it leads.
bool trusted(const std::string& candidate, const struct stat& file, const std::string& at) {
    const uid_t user = ::geteuid();
    const auto ours = [user](uid_t owner) { return owner == user || owner == 0; };
    struct stat folder {};
    const bool openFolder = ::stat(at.c_str(), &folder) != 0 || (folder.st_mode & S_IWOTH) != 0;
    struct stat name {};
    if (::lstat(candidate.c_str(), &name) == 0 && S_ISLNK(name.st_mode) && !ours(name.st_uid) &&
        openFolder) {
        return false;
    }
    if (ours(file.st_uid)) return true;
    return (file.st_mode & S_IWOTH) == 0 && !openFolder;
}

}  // namespace

std::optional<std::string> findProjectSettings(const std::string& folder,
                                               std::vector<std::string>* passedOver) {
    std::string at = platform::absoluteName(folder);
    while (true) {
        const std::string candidate = (at == "/" ? std::string() : at) + "/" + kProjectSettingsName;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                if (trusted(candidate, info, at)) return candidate;
                if (passedOver != nullptr) {
                    passedOver->push_back(
                        "passed over " + candidate +
                        ": another user owns it and others may change it or its folder (name it "
                        "with --settings to use it)");
                }
            }
        } else if (errno != ENOENT && errno != ENOTDIR && errno != EACCES &&
                   errno != ENAMETOOLONG) {
            // There, or maybe there, but not to be looked at (a failing disk, a link that loops):
            // reading it says why, rather than the run going on without the project's settings.
            return candidate;
        }
        if (at == "/") return std::nullopt;
        const std::size_t slash = at.rfind('/');
        at = slash == 0 ? "/" : at.substr(0, slash);
    }
}

std::optional<std::string> readProjectSettings(platform::FileSystem& fs, const std::string& path,
                                               ProjectSettings& settings) {
    settings = ProjectSettings{};
    settings.path = path;
    std::string text;
    if (auto failure = platform::readRegularFile(fs, path, text)) return failure->message();
    int number = 0;
    // A byte order mark, which editors may put before the first line, is no part of it.
    std::size_t start = std::string_view(text).starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = trimmed(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return where + "expected NAME=VALUE, not '" + std::string(line) + "'";
        ProjectSetting setting{std::string(trimmed(line.substr(0, eq))),
                               platform::unescapeSettingsValue(trimmed(line.substr(eq + 1))), number};
        if (text::equalsIgnoreCase(setting.name, "profile")) {
            settings.profile = std::move(setting);
        } else if (text::equalsIgnoreCase(setting.name, "disable")) {
            settings.disable.push_back(std::move(setting));
        } else if (const options::OptionInfo* info = options::findOption(setting.name)) {
            // A file the project names stands beside its settings, wherever the run starts.
            const std::string_view option = info->name;
            if ((option == "DefaultConfigurationFilenameV25" || option == "LogFilename") &&
                !setting.value.empty() && !setting.value.starts_with('/')) {
                const std::size_t slash = path.rfind('/');
                if (slash != std::string::npos) {
                    setting.value = path.substr(0, slash + 1) + setting.value;
                }
            }
            settings.options.push_back(std::move(setting));
        } else {
            return where + "there is no setting named '" + setting.name +
                   "' (profile, disable, or an option's settings name: see markwise-check "
                   "--list-options)";
        }
    }
    return std::nullopt;
}

std::string whereSet(const ProjectSettings& settings, const ProjectSetting& setting) {
    return settings.path + ":" + std::to_string(setting.line);
}

std::optional<std::string> logOutsideTheProject(const ProjectSettings& settings) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder =
        fs::weakly_canonical(fs::absolute(fs::path(settings.path), error).parent_path(), error);
    for (const ProjectSetting& setting : settings.options) {
        if (!text::equalsIgnoreCase(setting.name, "LogFilename") || setting.value.empty()) continue;
        // A link at the end that leads to no file yet is followed by hand: the log would be
        // made where it leads.
        std::error_code failed;
        fs::path named = fs::absolute(setting.value, failed);
        for (int links = 0; links < 40 && fs::is_symlink(fs::symlink_status(named, failed));
             ++links) {
            const fs::path target = fs::read_symlink(named, failed);
            if (failed) break;
            named = target.is_absolute() ? target : named.parent_path() / target;
        }
        const fs::path log = fs::weakly_canonical(named, failed);
        // A loop of links is left to the log's opening, which fails and says why; a name that
        // cannot be resolved for another reason (too long) is refused.
        if (failed == std::errc::too_many_symbolic_link_levels) continue;
        const fs::path inside = log.lexically_relative(folder);
        if (failed || error || inside.empty() || *inside.begin() == "..") {
            return whereSet(settings, setting) +
                   ": LogFilename names a file outside the project's folder (give it with "
                   "--settings or --set to use it)";
        }
    }
    return std::nullopt;
}

}  // namespace app
