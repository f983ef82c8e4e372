// What a markwise-check run checks against: the HTML Configuration (a profile, a file of the
// user's, or none) and the options, laid on each other in order: the defaults, the profile's
// options, the project's settings file, --set, --quiet.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/profiles.h"
#include "app/project_settings.h"
#include "check_arguments.h"
#include "config/cfg_store.h"
#include "messages/message_store.h"
#include "options/options.h"
#include "platform/file_system.h"

namespace app {

// Whether a run checks whole documents, without the error and warning limits: with --all, and
// in the forms for editors and CI services (gnu, json, sarif) and --summary unless the user
// set MaximumErrors or MaximumWarnings.
bool limitsLifted(bool all, CheckFormat format, bool summary, bool maximumErrorsSet,
                  bool maximumWarningsSet);

// Whether the format is one of the forms for editors and CI services.
constexpr bool isFindingsFormat(CheckFormat format) {
    return format == CheckFormat::Gnu || format == CheckFormat::Json ||
           format == CheckFormat::Sarif;
}

// One configuration with the options that go with it.
struct CheckSetup {
    const ShippedProfile* profile = nullptr;  // when chosen by name (or by DOCTYPE)
    std::string configPath;                   // empty for a scan-only run
    std::unique_ptr<CfgStore> configuration;  // null for a scan-only run
    options::Options options;
    std::map<std::string, std::string> origins;  // option name -> where its value came from
    std::string profileOptions;                  // "Name=value, ..." as the report names them
    std::vector<std::pair<std::string, std::string>> profileOptionList;  // the same, by name
    messages::StoreSettings storeSettings;       // disabled kinds, inline comments, limits
    std::vector<std::string> warnings;           // profile option lines passed over
};

class CheckSetups {
public:
    CheckSetups(const CheckArguments& arguments, const ProjectSettings* project,
                std::string programDirectory, platform::FileSystem& fs);

    // Works out what the run checks against and loads it (every profile is only located when
    // the DOCTYPE chooses). Returns the line for standard error that stops the run, if any.
    std::optional<std::string> prepare();

    bool chosenByDoctype() const { return byDoctype_; }

    // The setup for a document: the one configuration of the run, or the profile its DOCTYPE
    // names, loaded the first time it is needed (safe to call from several threads). Null, with
    // `problem` set, when that profile cannot be loaded.
    const CheckSetup* forDocument(std::string_view bytes, std::string& problem);

    // The setup of the run, or for a DOCTYPE-chosen run that of today's HTML: what
    // --list-options shows.
    const CheckSetup* representative(std::string& problem);

private:
    std::optional<std::string> build(CheckSetup& setup) const;
    std::optional<std::string> layerUserOptions(CheckSetup& setup) const;
    std::optional<std::string> load(CheckSetup& setup, const std::string& path,
                                    bool defaultFile) const;

    const CheckArguments& arguments_;
    const ProjectSettings* project_;
    std::string programDirectory_;
    platform::FileSystem& fs_;
    bool byDoctype_ = false;
    std::unique_ptr<CheckSetup> single_;
    std::mutex mutex_;
    std::array<std::unique_ptr<CheckSetup>, 6> byProfile_;
    std::array<std::string, 6> profileProblems_;
};

}  // namespace app
