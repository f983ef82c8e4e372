// Profile options: the validator option values that an HTML Configuration carries for the HTML
// it checks (today's HTML allows `"` and `>` in text, say). They are kept in the
// configuration's note 1 as one "Name=value" line each, which every reader and writer of the
// file carries unchanged; markwise-check applies them after the defaults and before the
// options given on its command line.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "options/options.h"

namespace options {

// The note slot of the HTML Configuration that holds the profile options.
inline constexpr int kProfileOptionsNote = 1;

// One option value of a profile: the option's row and the value as text, in the form the
// settings store keeps ("1", "50").
struct ProfileSetting {
    const OptionInfo* info = nullptr;
    std::string value;

    // "Name=value", the name spelled as the table spells it.
    std::string text() const;
};

// Whether a profile may carry the option: the validator options only, since a rule set has no
// business choosing files, programs or the language of its user.
bool isProfileOption(const OptionInfo& info);

// Reads one "Name=value" (blanks around the name and the value are passed over). The name must
// be a validator option's (without regard to case) and the value one that --set accepts.
// Returns the problem, or nothing when `setting` was filled.
std::optional<std::string> parseProfileSetting(std::string_view text, ProfileSetting& setting);

// What a note holds: its settings in order, and a problem for each line that is not one
// ("line 3: ..."). Blank lines are passed over.
struct ProfileOptions {
    std::vector<ProfileSetting> settings;
    std::vector<std::string> problems;
};
ProfileOptions readProfileOptions(std::string_view note);

// The note that holds `settings`: one "Name=value" line each, every line ending in a line feed.
std::string writeProfileOptions(std::span<const ProfileSetting> settings);

// Sets each option of `settings` in `options`, in order (a later value of one option wins).
void applyProfileOptions(std::span<const ProfileSetting> settings, Options& options);

// "Name=value, Name=value": the settings as the report header lists them.
std::string describeProfileOptions(std::span<const ProfileSetting> settings,
                                   std::string_view separator = ", ");

}  // namespace options
