#include "app/profiles.h"

#include <sys/stat.h>

#include <array>

#include "config/text_utils.h"

namespace app {
namespace {

constexpr std::array kProfiles{
    ShippedProfile{"html5", "mkwise25.cfg", "today's HTML, the living standard",
                   "le HTML d'aujourd'hui, le standard évolutif"},
    ShippedProfile{"html401-strict", "mkwise-html401-strict.cfg", "HTML 4.01 Strict"},
    ShippedProfile{"html401-transitional", "mkwise-html401-transitional.cfg",
                   "HTML 4.01 Transitional"},
    ShippedProfile{"html401-frameset", "mkwise-html401-frameset.cfg", "HTML 4.01 Frameset"},
    ShippedProfile{"html32", "mkwise-html32.cfg", "HTML 3.2"},
    ShippedProfile{"html20", "mkwise-html20.cfg", "HTML 2.0"},
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// A public identifier in a canonical form: lower case, runs of blanks as one blank.
std::string canonical(std::string_view identifier) {
    std::string out;
    bool blank = false;
    for (char c : identifier) {
        if (isBlank(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += text::toLowerAscii(c);
    }
    return out;
}

struct KnownIdentifier {
    std::string_view identifier;  // canonical form
    std::string_view profile;
};

constexpr std::array kIdentifiers{
    KnownIdentifier{"-//w3c//dtd html 4.01//en", "html401-strict"},
    KnownIdentifier{"-//w3c//dtd html 4.01 transitional//en", "html401-transitional"},
    KnownIdentifier{"-//w3c//dtd html 4.01 frameset//en", "html401-frameset"},
    KnownIdentifier{"-//w3c//dtd html 4.0//en", "html401-strict"},
    KnownIdentifier{"-//w3c//dtd html 4.0 transitional//en", "html401-transitional"},
    KnownIdentifier{"-//w3c//dtd html 4.0 frameset//en", "html401-frameset"},
    KnownIdentifier{"-//w3c//dtd xhtml 1.0 strict//en", "html401-strict"},
    KnownIdentifier{"-//w3c//dtd xhtml 1.0 transitional//en", "html401-transitional"},
    KnownIdentifier{"-//w3c//dtd xhtml 1.0 frameset//en", "html401-frameset"},
    KnownIdentifier{"-//w3c//dtd html 3.2//en", "html32"},
    KnownIdentifier{"-//w3c//dtd html 3.2 final//en", "html32"},
    KnownIdentifier{"-//w3c//dtd html 3.2 draft//en", "html32"},
    KnownIdentifier{"-//ietf//dtd html 2.0//en", "html20"},
    KnownIdentifier{"-//ietf//dtd html//en", "html20"},
    KnownIdentifier{"-//ietf//dtd html level 2//en", "html20"},
    KnownIdentifier{"-//ietf//dtd html 2.0 level 2//en", "html20"},
};

// The DOCTYPE declaration's text after "<!DOCTYPE", up to its ">", or nothing when the document
// starts with something else.
std::optional<std::string_view> doctypeBody(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    while (true) {
        while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
        if (text.starts_with("<!--")) {
            const std::size_t end = text.find("-->", 4);
            if (end == std::string_view::npos) return std::nullopt;
            text.remove_prefix(end + 3);
        } else if (text.starts_with("<?")) {
            const std::size_t end = text.find("?>", 2);
            if (end == std::string_view::npos) return std::nullopt;
            text.remove_prefix(end + 2);
        } else {
            break;
        }
    }
    if (!text::startsWithIgnoreCase(text, "<!doctype")) return std::nullopt;
    text.remove_prefix(9);
    const std::size_t end = text.find('>');
    return end == std::string_view::npos ? text : text.substr(0, end);
}

}  // namespace

std::span<const ShippedProfile> shippedProfiles() { return kProfiles; }

const ShippedProfile* findShippedProfile(std::string_view name) {
    for (const ShippedProfile& profile : kProfiles) {
        if (text::equalsIgnoreCase(profile.name, name)) {
            return &profile;
        }
    }
    return nullptr;
}

std::vector<std::string> profileFolders(const std::string& programDirectory) {
    if (programDirectory.empty()) return {""};
    return {programDirectory, programDirectory + "../share/markwise/",
            programDirectory + "../../share/markwise/"};
}

std::optional<std::string> locateProfile(const ShippedProfile& profile,
                                         const std::string& programDirectory) {
    for (const std::string& folder : profileFolders(programDirectory)) {
        std::string path = folder + std::string(profile.file);
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return path;
    }
    return std::nullopt;
}

const ShippedProfile& profileForDoctype(std::string_view document) {
    const ShippedProfile& todays = kProfiles[0];
    std::optional<std::string_view> body = doctypeBody(document);
    if (!body) return todays;
    // The public identifier: the first quoted string after the word PUBLIC.
    std::string lowered = canonical(*body);
    const std::size_t word = lowered.find("public");
    if (word == std::string::npos) return todays;
    const std::size_t open = lowered.find_first_of("\"'", word);
    if (open == std::string::npos) return todays;
    const std::size_t close = lowered.find(lowered[open], open + 1);
    if (close == std::string::npos) return todays;
    const std::string identifier = canonical(std::string_view(lowered).substr(open + 1, close - open - 1));
    for (const KnownIdentifier& known : kIdentifiers) {
        if (known.identifier == identifier) return *findShippedProfile(known.profile);
    }
    return todays;
}

}  // namespace app
