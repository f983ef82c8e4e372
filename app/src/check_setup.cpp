#include "check_setup.h"

#include <set>

#include "app/configuration.h"
#include "config/text_utils.h"
#include "messages/message_ids.h"
#include "options/profile_options.h"

namespace app {
namespace {

std::string joinedFolders(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders) {
        if (!text.empty()) text += ", ";
        text += folder.empty() ? std::string("the current folder") : folder;
    }
    return text;
}

std::size_t indexOf(const ShippedProfile& profile) {
    return static_cast<std::size_t>(&profile - shippedProfiles().data());
}

// Adds the ids of `list` to `disabled`; the problem with the first id that is none.
std::optional<std::string> addDisabled(std::string_view list, std::string_view where,
                                       std::set<int>& disabled) {
    messages::MessageIdList ids = messages::parseMessageIdList(list);
    if (!ids.unknown.empty()) {
        return std::string(where) + ": there is no message with the id '" + ids.unknown.front() +
               "' (see markwise-check --list-messages)";
    }
    disabled.insert(ids.numbers.begin(), ids.numbers.end());
    return std::nullopt;
}

}  // namespace

bool limitsLifted(bool all, CheckFormat format, bool summary, bool maximumErrorsSet,
                  bool maximumWarningsSet) {
    if (all) return true;
    return (isFindingsFormat(format) || summary) && !maximumErrorsSet && !maximumWarningsSet;
}

CheckSetups::CheckSetups(const CheckArguments& arguments, const ProjectSettings* project,
                         std::string programDirectory, platform::FileSystem& fs)
    : arguments_(arguments), project_(project), programDirectory_(std::move(programDirectory)),
      fs_(fs) {}

// The options of the user's own layers (project file, --set, --quiet) over the defaults, or
// over what is already in `setup` (the defaults and the profile's options).
std::optional<std::string> CheckSetups::layerUserOptions(CheckSetup& setup) const {
    if (project_ != nullptr) {
        for (const ProjectSetting& setting : project_->options) {
            const options::OptionInfo* info = options::findOption(setting.name);
            if (auto problem = options::setFromUser(setup.options, *info, setting.value)) {
                return whereSet(*project_, setting) + ": " + info->name + " " + *problem;
            }
            setup.origins[info->name] = whereSet(*project_, setting);
        }
    }
    for (const std::string& setting : arguments_.settings) {
        const std::size_t eq = setting.find('=');
        if (eq == std::string::npos) return "--set takes NAME=VALUE, not '" + setting + "'";
        const std::string name = setting.substr(0, eq);
        const options::OptionInfo* info = options::findOption(name);
        if (info == nullptr) {
            return "--set: there is no option named '" + name + "' (see --list-options)";
        }
        if (auto problem = options::setFromUser(setup.options, *info,
                                                std::string_view(setting).substr(eq + 1))) {
            return std::string("--set: ") + info->name + " " + *problem;
        }
        setup.origins[info->name] = "--set";
    }
    if (arguments_.quiet) {
        setup.options.IncludeHTMLInOutput = 0;
        setup.options.ShowComments = 0;
        setup.origins["IncludeHTMLInOutput"] = "--quiet";
        setup.origins["ShowComments"] = "--quiet";
    }
    setup.options.machineReadable = arguments_.format == CheckFormat::KeyValue ? 1 : 0;

    // The kinds of message dropped: the project's disable= lines, then --disable.
    messages::StoreSettings& store = setup.storeSettings;
    store = {};
    if (project_ != nullptr) {
        for (const ProjectSetting& setting : project_->disable) {
            if (auto problem = addDisabled(setting.value, whereSet(*project_, setting) + ": disable",
                                           store.disabled)) {
                return problem;
            }
        }
    }
    for (const std::string& list : arguments_.disable) {
        if (auto problem = addDisabled(list, "--disable", store.disabled)) return problem;
    }
    store.inlineDirectives = !arguments_.noInlineConfig;
    // Set by the user: in the project's settings or with --set, not by default or a profile.
    auto setByUser = [&](const char* name) {
        const std::string& origin = setup.origins[name];
        return origin != "default" && !origin.starts_with("profile");
    };
    const bool lifted = limitsLifted(arguments_.all, arguments_.format, arguments_.summary,
                                     setByUser("MaximumErrors"), setByUser("MaximumWarnings"));
    store.unlimitedErrors = lifted;
    store.unlimitedWarnings = lifted;
    return std::nullopt;
}

// Fills the options of `setup`, whose configuration (if any) is loaded: the defaults, the
// profile's options, then the user's layers.
std::optional<std::string> CheckSetups::build(CheckSetup& setup) const {
    setup.options = options::defaultOptions(programDirectory_);
    setup.origins.clear();
    for (const options::OptionInfo& info : options::optionTable()) setup.origins[info.name] = "default";
    if (setup.configuration && !arguments_.noProfileOptions) {
        // Options the user sets later are not the profile's to name as applied.
        std::vector<std::string> userSettings = arguments_.settings;
        if (project_ != nullptr) {
            for (const ProjectSetting& setting : project_->options) {
                userSettings.push_back(setting.name + "=" + setting.value);
            }
        }
        AppliedProfileOptions applied =
            applyProfileOptions(*setup.configuration, userSettings, setup.options);
        const std::string origin = setup.profile != nullptr
                                       ? "profile " + std::string(setup.profile->name)
                                       : "profile options of " + setup.configPath;
        for (const options::ProfileSetting& setting : applied.applied) {
            setup.origins[setting.info->name] = origin;
        }
        for (const std::string& problem : applied.problems) {
            setup.warnings.push_back(setup.configPath + ": profile options, " + problem +
                                     " (passed over)");
        }
        setup.profileOptions = options::describeProfileOptions(applied.applied);
        setup.profileOptionList.clear();
        for (const options::ProfileSetting& setting : applied.applied) {
            setup.profileOptionList.emplace_back(setting.info->name, setting.value);
        }
    }
    return layerUserOptions(setup);
}

std::optional<std::string> CheckSetups::load(CheckSetup& setup, const std::string& path,
                                             bool defaultFile) const {
    setup.configPath = path;
    setup.configuration = std::make_unique<CfgStore>();
    std::string reason;
    const ConfigurationLoad loaded = loadConfiguration(path, *setup.configuration, &reason, fs_);
    if (loaded != ConfigurationLoad::Loaded) {
        // One line: the program's own message, the exact cause, and for the default file what
        // the user can do instead.
        std::string line = configurationLoadMessage(loaded, path) + " Cause: " + reason + ".";
        if (defaultFile) {
            line += " Name a configuration with --config FILE, or check without one with "
                    "--scan-only.";
        }
        return line;
    }
    if (setup.configuration->activeCategoryCount() == 0) {
        return path + ": " + kNoActiveCategoriesMessage;
    }
    return std::nullopt;
}

std::optional<std::string> CheckSetups::prepare() {
    // Which configuration: --scan-only and --config on the command line come first, then a
    // profile named on the command line or in the project's settings, then the default file.
    std::optional<std::string> profileName = arguments_.profile;
    // A profile the project's settings name is told with the file and line that name it.
    std::string profileWhere;
    if (!profileName && !arguments_.config && !arguments_.scanOnly && project_ != nullptr &&
        project_->profile) {
        profileName = project_->profile->value;
        profileWhere = whereSet(*project_, *project_->profile) + ": ";
    }
    auto setup = std::make_unique<CheckSetup>();
    if (arguments_.scanOnly) {
        if (auto problem = build(*setup)) return problem;
        single_ = std::move(setup);
        return std::nullopt;
    }
    // Profile names are told without regard to case, "auto" as well as the others.
    if (profileName && text::equalsIgnoreCase(*profileName, "auto")) {
        byDoctype_ = true;
        // The user's layers alone, to find mistakes in them before any document is read.
        if (auto problem = build(*setup)) return problem;
        return std::nullopt;
    }
    if (profileName) {
        setup->profile = findShippedProfile(*profileName);
        if (setup->profile == nullptr) {
            return profileWhere + "there is no profile named '" + *profileName +
                   "' (see --list-profiles)";
        }
        std::optional<std::string> path = locateProfile(*setup->profile, programDirectory_);
        if (!path) {
            return profileWhere + "the profile " + std::string(setup->profile->name) +
                   " is not installed: " +
                   std::string(setup->profile->file) + " is in none of " +
                   joinedFolders(profileFolders(programDirectory_));
        }
        if (auto problem = load(*setup, *path, false)) return problem;
    } else if (arguments_.config) {
        if (auto problem = load(*setup, *arguments_.config, false)) return problem;
    } else {
        // The default file: DefaultConfigurationFilenameV25 when the user set it, otherwise
        // today's HTML wherever it is installed (beside the program in the build, in the data
        // folder of an installation).
        CheckSetup userLayers;
        if (auto problem = build(userLayers)) return problem;
        std::string path = userLayers.options.DefaultConfigurationFilenameV25;
        if (userLayers.origins["DefaultConfigurationFilenameV25"] == "default") {
            if (auto installed = locateProfile(shippedProfiles()[0], programDirectory_)) {
                path = *installed;
                // The forms for CI services name it as --profile would.
                setup->profile = &shippedProfiles()[0];
            }
        }
        if (auto problem = load(*setup, path, true)) return problem;
    }
    if (auto problem = build(*setup)) return problem;
    single_ = std::move(setup);
    return std::nullopt;
}

const CheckSetup* CheckSetups::forDocument(std::string_view bytes, std::string& problem) {
    if (!byDoctype_) return single_.get();
    const ShippedProfile& profile = profileForDoctype(bytes);
    const std::size_t index = indexOf(profile);
    std::lock_guard lock(mutex_);
    if (byProfile_[index]) return byProfile_[index].get();
    if (!profileProblems_[index].empty()) {
        problem = profileProblems_[index];
        return nullptr;
    }
    auto setup = std::make_unique<CheckSetup>();
    setup->profile = &profile;
    std::optional<std::string> path = locateProfile(profile, programDirectory_);
    std::optional<std::string> failure;
    if (!path) {
        failure = "the profile " + std::string(profile.name) + " is not installed: " +
                  std::string(profile.file) + " is in none of " +
                  joinedFolders(profileFolders(programDirectory_));
    } else {
        failure = load(*setup, *path, false);
        if (!failure) failure = build(*setup);
    }
    if (failure) {
        profileProblems_[index] = *failure;
        problem = *failure;
        return nullptr;
    }
    byProfile_[index] = std::move(setup);
    return byProfile_[index].get();
}

const CheckSetup* CheckSetups::representative(std::string& problem) {
    if (!byDoctype_) return single_.get();
    return forDocument("<!DOCTYPE html>", problem);
}

}  // namespace app
