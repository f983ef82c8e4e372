#include "options/profile_options.h"

namespace options {
namespace {

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string ProfileSetting::text() const { return std::string(info->name) + "=" + value; }

bool isProfileOption(const OptionInfo& info) { return info.group == OptionGroup::Validator; }

std::optional<std::string> parseProfileSetting(std::string_view text, ProfileSetting& setting) {
    text = trimmed(text);
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return "'" + std::string(text) + "' is not Name=value";
    }
    const std::string_view name = trimmed(text.substr(0, eq));
    const std::string_view value = trimmed(text.substr(eq + 1));
    const OptionInfo* info = findOption(name);
    if (info == nullptr || !isProfileOption(*info)) {
        return "'" + std::string(name) + "' is not a validator option";
    }
    // The value is checked as --set checks it, on a record of its own, and kept as the
    // settings store would write it ("+5" is kept as "5").
    Options scratch{};
    setDefaults(scratch, "");
    if (auto problem = setFromUser(scratch, *info, value)) {
        return std::string(info->name) + " " + *problem;
    }
    setting.info = info;
    setting.value = storedValue(scratch, *info);
    return std::nullopt;
}

ProfileOptions readProfileOptions(std::string_view note) {
    ProfileOptions result;
    int lineNumber = 0;
    while (!note.empty()) {
        const std::size_t end = note.find('\n');
        const std::string_view line = note.substr(0, end);
        note = end == std::string_view::npos ? std::string_view() : note.substr(end + 1);
        ++lineNumber;
        if (trimmed(line).empty()) continue;
        ProfileSetting setting;
        if (auto problem = parseProfileSetting(line, setting)) {
            result.problems.push_back("line " + std::to_string(lineNumber) + ": " + *problem);
        } else {
            result.settings.push_back(std::move(setting));
        }
    }
    return result;
}

std::string writeProfileOptions(std::span<const ProfileSetting> settings) {
    std::string note;
    for (const ProfileSetting& setting : settings) note.append(setting.text()).push_back('\n');
    return note;
}

void applyProfileOptions(std::span<const ProfileSetting> settings, Options& options) {
    for (const ProfileSetting& setting : settings) {
        // Every setting was checked when it was read, so this cannot fail.
        setFromUser(options, *setting.info, setting.value);
    }
}

std::string describeProfileOptions(std::span<const ProfileSetting> settings,
                                   std::string_view separator) {
    std::string text;
    for (const ProfileSetting& setting : settings) {
        if (!text.empty()) text.append(separator);
        text.append(setting.text());
    }
    return text;
}

}  // namespace options
