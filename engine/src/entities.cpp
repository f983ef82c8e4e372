#include "entities.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <string>
#include <unordered_map>

#include "config/folded_names.h"
#include "config/text_utils.h"
#include "config_view.h"
#include "engine/entity_tables.h"

namespace engine {
namespace {

// Table A: the ISO 8859-1 character entities, with amp, gt, lt and quot.
constexpr std::array<std::string_view, 100> kTableA{
    "Aacute", "aacute", "Acirc",  "acirc",  "acute",  "AElig",  "aelig",  "Agrave", "agrave",
    "Aring",  "aring",  "Atilde", "atilde", "Auml",   "auml",   "brvbar", "Ccedil", "ccedil",
    "cedil",  "cent",   "copy",   "curren", "deg",    "divide", "Eacute", "eacute", "Ecirc",
    "ecirc",  "Egrave", "egrave", "ETH",    "eth",    "Euml",   "euml",   "frac12", "frac14",
    "frac34", "Iacute", "iacute", "Icirc",  "icirc",  "iexcl",  "Igrave", "igrave", "iquest",
    "Iuml",   "iuml",   "laquo",  "macr",   "micro",  "middot", "nbsp",   "not",    "Ntilde",
    "ntilde", "Oacute", "oacute", "Ocirc",  "ocirc",  "Ograve", "ograve", "ordf",   "ordm",
    "Oslash", "oslash", "Otilde", "otilde", "Ouml",   "ouml",   "para",   "plusmn", "pound",
    "raquo",  "reg",    "sect",   "shy",    "sup1",   "sup2",   "sup3",   "szlig",  "THORN",
    "thorn",  "times",  "Uacute", "uacute", "Ucirc",  "ucirc",  "Ugrave", "ugrave", "uml",
    "Uuml",   "uuml",   "Yacute", "yacute", "yen",    "yuml",   "amp",    "gt",     "lt",
    "quot"};

// Table B: symbols and Greek letters.
constexpr std::array<std::string_view, 123> kTableB{
    "alefsym", "Alpha",    "alpha",  "and",    "ang",     "asymp",  "Beta",   "beta",   "bull",
    "cap",     "Chi",      "chi",    "clubs",  "cong",    "crarr",  "cup",    "dArr",   "darr",
    "Delta",   "delta",    "diams",  "empty",  "Epsilon", "epsilon", "equiv", "Eta",    "eta",
    "exist",   "forall",   "frasl",  "Gamma",  "gamma",   "ge",     "hArr",   "harr",   "hearts",
    "hellip",  "image",    "infin",  "int",    "Iota",    "iota",   "isin",   "Kappa",  "kappa",
    "Lambda",  "lambda",   "lang",   "lArr",   "larr",    "lceil",  "le",     "lfloor", "lowast",
    "loz",     "minus",    "Mu",     "mu",     "nabla",   "ne",     "ni",     "notin",  "nsub",
    "Nu",      "nu",       "oline",  "Omega",  "omega",   "Omicron", "omicron", "oplus", "or",
    "otimes",  "part",     "perp",   "Phi",    "phi",     "Pi",     "pi",     "piv",    "Prime",
    "prime",   "prod",     "prop",   "Psi",    "psi",     "radic",  "rang",   "rArr",   "rarr",
    "rceil",   "real",     "rfloor", "Rho",    "rho",     "sdot",   "Sigma",  "sigma",  "sigmaf",
    "sim",     "spades",   "sub",    "sube",   "sum",     "sup",    "supe",   "Tau",    "tau",
    "there4",  "Theta",    "theta",  "thetasym", "trade", "uArr",   "uarr",   "Upsilon", "upsih",
    "upsilon", "weierp",   "Xi",     "xi",     "Zeta",    "zeta"};

// Table C: special entities.
constexpr std::array<std::string_view, 31> kTableC{
    "amp",    "bdquo",  "circ",   "Dagger", "dagger", "emsp",  "ensp",   "gt",     "ldquo",
    "lrm",    "lsaquo", "lsquo",  "lt",     "mdash",  "ndash", "OElig",  "oelig",  "permil",
    "quot",   "rdquo",  "rlm",    "rsaquo", "rsquo",  "sbquo", "Scaron", "scaron", "thinsp",
    "tilde",  "Yuml",   "zwj",    "zwnj"};

// Every built-in name is eight bytes at most: its bytes as one number (zero-padded), with its
// length, find it.
constexpr std::size_t kLongestExactName = 8;

struct BuiltinIndex {
    // Open addressing over the names' numbers, at most half full; a length of 0 marks an
    // empty slot.
    static constexpr std::size_t kSlotBits = 9;
    std::array<std::uint64_t, std::size_t{1} << kSlotBits> heads{};
    std::array<std::uint8_t, std::size_t{1} << kSlotBits> lengths{};
    std::unordered_map<std::string, std::string_view> suggestion;  // lower-cased -> spelling

    static std::size_t slotOf(std::uint64_t head) {
        return static_cast<std::size_t>((head * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits));
    }
    bool contains(std::string_view name) const {
        if (name.empty() || name.size() > kLongestExactName) return false;
        const std::uint64_t head = config::FoldedNames::headOf(name);
        for (std::size_t slot = slotOf(head); lengths[slot] != 0;
             slot = (slot + 1) & (heads.size() - 1)) {
            if (heads[slot] == head && lengths[slot] == name.size()) return true;
        }
        return false;
    }

    BuiltinIndex() {
        for (auto table : {std::span<const std::string_view>(kTableA),
                           std::span<const std::string_view>(kTableB),
                           std::span<const std::string_view>(kTableC)}) {
            for (std::string_view name : table) {
                if (!contains(name)) {
                    const std::uint64_t head = config::FoldedNames::headOf(name);
                    std::size_t slot = slotOf(head);
                    while (lengths[slot] != 0) slot = (slot + 1) & (heads.size() - 1);
                    heads[slot] = head;
                    lengths[slot] = static_cast<std::uint8_t>(name.size());
                }
                suggestion[text::toLowerAscii(name)] = name;  // a later match replaces
            }
        }
    }
};

const BuiltinIndex& builtinIndex() {
    static const BuiltinIndex index;
    return index;
}

// Code points accepted as Unicode numeric entities.
bool inUnicodeRanges(long value) {
    return (value >= 32 && value <= 126) || (value >= 160 && value <= 255) ||
           (value >= 256 && value <= 383) || (value >= 384 && value <= 535) ||
           (value >= 592 && value <= 680) || (value >= 688 && value <= 745) ||
           (value >= 768 && value <= 65535);
}

// Entity names in messages are copies of at most 20 characters: a longer name is cut to 19.
std::string_view messageCopy(std::string_view name) { return text::cutToField(name, 21); }

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The longest name in the built-in tables.
constexpr std::size_t kLongestBuiltinName = [] {
    std::size_t longest = 0;
    for (std::string_view name : kTableA) longest = std::max(longest, name.size());
    for (std::string_view name : kTableB) longest = std::max(longest, name.size());
    for (std::string_view name : kTableC) longest = std::max(longest, name.size());
    return longest;
}();
static_assert(kLongestBuiltinName <= kLongestExactName);

// Whether `written` may be a numeric entity throughout: "#", an optional "x", then digits
// (hexadecimal ones after the "x"). Where `pairs`, "##" stands for the first "#". The reading
// stops at the first character no numeric entity holds.
bool mayBeNumeric(std::string_view written, bool pairs) {
    if (written.empty() || written[0] != '#') return false;
    std::size_t i = pairs && written.size() >= 2 && written[1] == '#' ? 2 : 1;
    const bool hex = i < written.size() && written[i] == 'x';
    if (hex) ++i;
    for (; i < written.size(); ++i) {
        const char c = written[i];
        if (hex ? !isHexDigit(c) : !(c >= '0' && c <= '9')) return false;
    }
    return true;
}

}  // namespace

std::span<const std::string_view> builtinEntityTable(int table) {
    switch (table) {
        case 0: return kTableA;
        case 1: return kTableB;
        case 2: return kTableC;
        default: return {};
    }
}

bool isBuiltinEntity(std::string_view name) { return builtinIndex().contains(name); }

std::string_view builtinSuggestion(std::string_view name) {
    const auto& map = builtinIndex().suggestion;
    auto it = map.find(text::toLowerAscii(name));
    return it == map.end() ? std::string_view() : it->second;
}

EntityChecker::Numeric EntityChecker::checkNumeric(std::string_view name) {
    if (name.empty() || name[0] != '#') return Numeric::NotNumeric;
    const options::Options& options = state_.options;
    bool hex = name.size() >= 2 && name[1] == 'x';
    std::string_view digits = name.substr(hex ? 2 : 1);
    // The value saturates far above every accepted range, so long names cannot overflow it.
    constexpr long kCeiling = 0x7FFFFFFF / 16;
    long value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && isHexDigit(c)) {
            digit = text::toLowerAscii(c) - 'a' + 10;
        } else {
            return Numeric::NotNumeric;
        }
        value = std::min(value * (hex ? 16 : 10) + digit, kCeiling);
    }
    if (hex && !options.HexadecimalEntities) {
        state_.store.raiseComment(213);
        return Numeric::NotNumeric;
    }
    if (value == 9 || (value >= 32 && value <= 126) || (value >= 160 && value <= 255)) {
        return Numeric::Accepted;
    }
    if (inUnicodeRanges(value)) {
        if (options.UnicodeNumericEntities) return Numeric::Accepted;
        state_.store.raiseComment(214);
    }
    return Numeric::NotNumeric;
}

std::vector<unsigned char> entityNameLengths(const CfgStore* cfg) {
    std::size_t longest = kLongestBuiltinName;
    const int count = cfg != nullptr ? cfg->entryCount(Entity) : 0;
    for (int p = 0; p < count; ++p) {
        longest = std::max(longest, std::strlen(cfg->entryName(Entity, ByPosition, p)));
    }
    std::vector<unsigned char> lengths(longest + 1, 0);
    for (int table = 0; table < 3; ++table) {
        for (std::string_view name : builtinEntityTable(table)) lengths[name.size()] = 1;
    }
    for (int p = 0; p < count; ++p) {
        lengths[std::strlen(cfg->entryName(Entity, ByPosition, p))] = 1;
    }
    return lengths;
}

void EntityChecker::learnNamesOnce() {
    if (view_ != nullptr) {
        nameLengths_ = &view_->entityNameLengths();
        return;
    }
    // Without a configuration's view: the configuration's entities, if any, are looked at
    // for this document alone.
    ownLengths_ = entityNameLengths(state_.configuration);
    nameLengths_ = &ownLengths_;
}

// Every comparison of a name, with the built-in tables or the configuration's entities, with
// or without regard to case, needs names of one length. Inside an open CFOUTPUT tag "##"
// stands for "#", so a text up to twice as long as the longest name may still name one.
bool EntityChecker::mayName(std::string_view written) {
    learnNames();
    const std::vector<unsigned char>& lengths = *nameLengths_;
    const std::size_t longest = lengths.size() - 1;
    if (written.size() <= longest && lengths[written.size()]) return true;
    return written.size() <= 2 * longest && state_.openTags.isOpen("cfoutput") &&
           written.find("##") != std::string_view::npos;
}

bool EntityChecker::knowsName(std::string_view name) const {
    if (isBuiltinEntity(name) || !builtinSuggestion(name).empty()) return true;
    const CfgStore* cfg = state_.configuration;
    return cfg != nullptr && cfg->findFirstPosition(Entity, name) >= 0;
}

bool EntityChecker::check(std::string_view written) {
    if (written.empty()) return false;

    // A text that can name no entity is refused without being read through unless it may be
    // numeric, so that a line of many "&" before one ";" costs no more than its length.
    if (!mayName(written) &&
        !mayBeNumeric(written, written.size() > 1 && written[1] == '#' &&
                                   state_.openTags.isOpen("cfoutput"))) {
        state_.store.raiseError(96, messageCopy(written));
        return false;
    }

    // Inside an open cfoutput tag "##" stands for "#".
    std::string replaced;
    std::string_view name = written;
    if (name.find("##") != std::string_view::npos && state_.openTags.isOpen("cfoutput")) {
        for (std::size_t i = 0; i < written.size(); ++i) {
            replaced.push_back(written[i]);
            if (written[i] == '#' && i + 1 < written.size() && written[i + 1] == '#') ++i;
        }
        name = replaced;
    }

    if (checkNumeric(name) == Numeric::Accepted) return true;
    if (isBuiltinEntity(name)) return true;
    std::string_view suggestion = builtinSuggestion(name);

    std::string_view copy = messageCopy(written);
    const CfgStore* cfg = state_.configuration;
    const int first = cfg ? cfg->findFirstPosition(Entity, name) : -1;
    if (first >= 0) {
        // Every configuration entity of this name, without regard to case: an active one
        // spelled the same accepts the entity, an active one spelled otherwise is suggested.
        std::string suggested(suggestion);
        for (int p = first; p < cfg->entryCount(Entity) &&
                            text::equalsIgnoreCase(cfg->entryName(Entity, ByPosition, p), name);
             ++p) {
            const int id = cfg->entryId(Entity, ByPosition, p);
            const char* spelling = cfg->entryName(Entity, ByPosition, p);
            bool active = false;
            switch (state_.activityOf(Entity, id)) {
                case RunState::Activity::Active:
                    active = true;
                    break;
                case RunState::Activity::Undefined:
                    state_.store.raiseWarning(106, spelling);
                    break;
                case RunState::Activity::Inactive:
                    break;
            }
            if (!active) continue;
            if (name == spelling) return true;
            suggested = spelling;
        }
        if (!suggested.empty()) {
            state_.store.raiseError(303, copy, suggested);
        } else {
            state_.store.raiseError(97, copy);
        }
        return false;
    }

    if (!suggestion.empty()) {
        state_.store.raiseError(303, copy, suggestion);
    } else {
        state_.store.raiseError(96, copy);
    }
    return false;
}

}  // namespace engine
