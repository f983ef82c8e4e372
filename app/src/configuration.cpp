#include "app/configuration.h"

#include "platform/file_policy.h"
#include <algorithm>
#include <cstdio>
#include <memory>

namespace app {

const char* const kNoActiveCategoriesMessage =
    "There are no active categories. You must select at least one category to be active by "
    "adding it to the Active Categories List Box in the HTML Categories Dialog Box that is "
    "accessible from the Settings Pull Down Menu.";

ConfigurationLoad loadConfiguration(const std::string& path, CfgStore& configuration,
                                    std::string* reason, platform::FileSystem& fs) {
    // A configuration is mapped rather than copied: its stores take what they keep of it.
    constexpr std::size_t kMapConfigurationFrom = 64 * 1024;
    std::string bytes;
    std::shared_ptr<const platform::MappedFile> mapped;
    std::string why;
    ConfigurationLoad result = ConfigurationLoad::Loaded;
    if (auto failure = platform::readOrMapRegularFile(fs, path, bytes, mapped,
                                                      platform::kLargestReadableFile,
                                                      kMapConfigurationFrom)) {
        result = ConfigurationLoad::CannotOpen;
        why = failure->cause;
    } else if (!configuration.loadBytes(mapped ? mapped->bytes() : std::string_view(bytes), path,
                                        &why)) {
        result = ConfigurationLoad::Corrupt;
    }
    if (mapped && mapped->changed()) {
        result = ConfigurationLoad::CannotOpen;
        why = "was cut short while it was being read";
    }
    if (result != ConfigurationLoad::Loaded) configuration.resetToBuiltins();
    if (reason != nullptr) *reason = why;
    return result;
}

std::string configurationLoadMessage(ConfigurationLoad result, const std::string& path) {
    switch (result) {
        case ConfigurationLoad::CannotOpen:
            return "There was an error opening the HTML Configuration file \"" + path +
                   "\". The configuration could not be loaded.";
        case ConfigurationLoad::Corrupt:
            return "The HTML Configuration file \"" + path +
                   "\" contains corrupt data, is not a configuration file, or is for a "
                   "different version of Zentrel Markwise. No configuration could be loaded.";
        case ConfigurationLoad::Loaded:
            break;
    }
    return {};
}

AppliedProfileOptions applyProfileOptions(const CfgStore& configuration,
                                          std::span<const std::string> userSettings,
                                          options::Options& options) {
    AppliedProfileOptions result;
    options::ProfileOptions read =
        options::readProfileOptions(configuration.noteView(options::kProfileOptionsNote));
    result.problems = std::move(read.problems);
    for (options::ProfileSetting& setting : read.settings) {
        const bool setByUser = std::any_of(
            userSettings.begin(), userSettings.end(), [&](const std::string& user) {
                return options::findOption(user.substr(0, user.find('='))) == setting.info;
            });
        if (setByUser) continue;
        options::applyProfileOptions(std::span(&setting, 1), options);
        result.applied.push_back(std::move(setting));
    }
    return result;
}

}  // namespace app
