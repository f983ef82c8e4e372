// The shipped profiles of the HTML Configuration, found by name, and the profile a document's
// DOCTYPE asks for.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace app {

struct ShippedProfile {
    std::string_view name;         // as --profile takes it, e.g. "html401-strict"
    std::string_view file;         // the compiled configuration, e.g. "mkwise-html401-strict.cfg"
    std::string_view description;  // e.g. "HTML 4.01 Strict"
    // The description in a French report; the same when the name needs no translation.
    std::string_view frenchDescription = description;
};

// Every shipped profile; the first is the default (today's HTML).
std::span<const ShippedProfile> shippedProfiles();

// The profile named `name` (compared without regard to case), or nothing.
const ShippedProfile* findShippedProfile(std::string_view name);

// The folders searched for the compiled profiles, in order: the program directory, then the
// installed data folder (share/markwise/ beside the installation's bin/ or lib/markwise/).
std::vector<std::string> profileFolders(const std::string& programDirectory);

// The path of `profile`'s file in the first folder that has it, or nothing.
std::optional<std::string> locateProfile(const ShippedProfile& profile,
                                         const std::string& programDirectory);

// The profile a document's DOCTYPE declaration names: none, "<!DOCTYPE html>" or an unknown one
// is today's HTML; the public identifiers of HTML 4.01 (and 4.0), 3.2 and 2.0 name theirs; those
// of XHTML 1.0 Strict, Transitional and Frameset name the HTML 4.01 profile of the same name.
// Only the start of the document is looked at: a byte-order mark, blanks, comments and an XML
// declaration may come before the declaration.
const ShippedProfile& profileForDoctype(std::string_view document);

}  // namespace app
