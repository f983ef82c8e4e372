#include "app/configuration.h"

#include "platform/file_policy.h"

namespace app {

const char* const kNoActiveCategoriesMessage =
    "There are no active categories. You must select at least one category to be active by "
    "adding it to the Active Categories List Box in the HTML Categories Dialog Box that is "
    "accessible from the Settings Pull Down Menu.";

ConfigurationLoad loadConfiguration(const std::string& path, CfgStore& configuration,
                                    std::string* reason, platform::FileSystem& fs) {
    std::string bytes;
    std::string why;
    ConfigurationLoad result = ConfigurationLoad::Loaded;
    if (auto failure = platform::readRegularFile(fs, path, bytes)) {
        result = ConfigurationLoad::CannotOpen;
        why = failure->cause;
    } else if (!configuration.loadBytes(bytes, path, &why)) {
        result = ConfigurationLoad::Corrupt;
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

}  // namespace app
