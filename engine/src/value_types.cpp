// The built-in attribute value types: each stands for a whole class of values (integers,
// percentages, colours, hexadecimal colours and more).
#include <algorithm>
#include <array>
#include <string_view>

#include "attributes.h"
#include "config/text_utils.h"

namespace engine {
namespace {

constexpr std::array<std::string_view, 16> kBasicColors{
    "aqua", "black",  "blue",   "fuchsia", "gray", "green", "lime",  "maroon",
    "navy", "olive",  "purple", "red",     "silver", "teal", "white", "yellow"};

constexpr std::array<std::string_view, 140> kExtendedColors{
    "aliceblue",      "antiquewhite",   "aqua",          "aquamarine",       "azure",
    "beige",          "bisque",         "black",         "blanchedalmond",   "blue",
    "blueviolet",     "brown",          "burlywood",     "cadetblue",        "chartreuse",
    "chocolate",      "coral",          "cornflowerblue", "cornsilk",        "crimson",
    "cyan",           "darkblue",       "darkcyan",      "darkgoldenrod",    "darkgray",
    "darkgreen",      "darkkhaki",      "darkmagenta",   "darkolivegreen",   "darkorange",
    "darkorchid",     "darkred",        "darksalmon",    "darkseagreen",     "darkslateblue",
    "darkslategray",  "darkturquoise",  "darkviolet",    "deeppink",         "deepskyblue",
    "dimgray",        "dodgerblue",     "firebrick",     "floralwhite",      "forestgreen",
    "fuchsia",        "gainsboro",      "ghostwhite",    "gold",             "goldenrod",
    "gray",           "green",          "greenyellow",   "honeydew",         "hotpink",
    "indianred",      "indigo",         "ivory",         "khaki",            "lavender",
    "lavenderblush",  "lawngreen",      "lemonchiffon",  "lightblue",        "lightcoral",
    "lightcyan",      "lightgoldenrodyellow", "lightgreen", "lightgrey",     "lightpink",
    "lightsalmon",    "lightseagreen",  "lightskyblue",  "lightslategray",   "lightsteelblue",
    "lightyellow",    "lime",           "limegreen",     "linen",            "magenta",
    "maroon",         "mediumaquamarine", "mediumblue",  "mediumorchid",     "mediumpurple",
    "mediumseagreen", "mediumslateblue", "mediumspringgreen", "mediumturquoise",
    "mediumvioletred", "midnightblue",  "mintcream",     "mistyrose",        "moccasin",
    "navajowhite",    "navy",           "oldlace",       "olive",            "olivedrab",
    "orange",         "orangered",      "orchid",        "palegoldenrod",    "palegreen",
    "paleturquoise",  "palevioletred",  "papayawhip",    "peachpuff",        "peru",
    "pink",           "plum",           "powderblue",    "purple",           "red",
    "rosybrown",      "royalblue",      "saddlebrown",   "salmon",           "sandybrown",
    "seagreen",       "seashell",       "sienna",        "silver",           "skyblue",
    "slateblue",      "slategray",      "snow",          "springgreen",      "steelblue",
    "tan",            "teal",           "thistle",       "tomato",           "turquoise",
    "violet",         "wheat",          "white",         "whitesmoke",       "yellow",
    "yellowgreen"};

bool isDigit(char c) { return text::isAsciiDigit(c); }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isLetter(char c) { return text::isAsciiLetter(c); }
bool isAlphanum(char c) { return isLetter(c) || isDigit(c) || c == '-' || c == '.'; }

bool allOf(std::string_view s, bool (*test)(char)) {
    return std::all_of(s.begin(), s.end(), test);
}

// One or more digits, not all zeros.
bool positiveInteger(std::string_view s) {
    return !s.empty() && allOf(s, isDigit) && s.find_first_not_of('0') != std::string_view::npos;
}

// Every colour name is letters: a value that does not start with one (a "#" colour) is none.
bool inList(std::string_view value, const auto& names) {
    if (value.empty() || !isLetter(value.front())) return false;
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view name) { return text::equalsIgnoreCase(name, value); });
}

bool percent(std::string_view s) {
    if (s.size() < 2 || s.back() != '%') return false;
    std::string_view digits = s.substr(0, s.size() - 1);
    if (!allOf(digits, isDigit)) return false;
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos) return true;  // all zeros
    digits.remove_prefix(first);
    if (digits.size() > 3) return false;
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value <= 100;
}

bool offsetUpToSix(std::string_view s) {
    if (s.size() < 2 || (s[0] != '+' && s[0] != '-')) return false;
    std::string_view digits = s.substr(1);
    if (!positiveInteger(digits)) return false;
    std::size_t first = digits.find_first_not_of('0');
    digits.remove_prefix(first);
    return digits.size() == 1 && digits[0] <= '6';
}

bool coldFusionVariable(std::string_view s) {
    if (s.size() < 3 || s.front() != '#' || s.back() != '#' || !isLetter(s[1])) return false;
    std::string_view rest = s.substr(2, s.size() - 3);
    return std::all_of(rest.begin(), rest.end(),
                       [](char c) { return isLetter(c) || isDigit(c) || c == '.' || c == '_'; });
}

}  // namespace

bool valueTypeAccepts(int code, std::string_view v, bool hasValue, bool* known) {
    if (known) *known = code >= 1 && code <= config::kHighestValueType;
    if (code == 8) return !hasValue;
    if (!hasValue) return false;
    switch (code) {
        case 1: return positiveInteger(v);
        case 2: return v.size() > 1 && v[0] == '-' && positiveInteger(v.substr(1));
        case 3: return !v.empty() && v.find_first_not_of('0') == std::string_view::npos;
        case 4: return !v.empty();
        case 5: return v.size() == 7 && v[0] == '#' && allOf(v.substr(1), isHex);
        case 6: return v.size() > 1 && (v[0] == '+' || v[0] == '-') && positiveInteger(v.substr(1));
        case 7: return percent(v);
        case 9: return true;
        case 10: return v.empty();
        case 11: return !v.empty() && allOf(v, isAlphanum);
        case 12: return inList(v, kBasicColors);
        case 13: return inList(v, kExtendedColors);
        case 14: return v.size() == 1 && v[0] >= '1' && v[0] <= '7';
        case 15: return offsetUpToSix(v);
        case 16: return v.size() == 8 && v.starts_with("##") && allOf(v.substr(2), isHex);
        case 17: return coldFusionVariable(v);
        case 18: return text::characterCount(v) == 1;
        case 19: return v.size() == 1 && isAlphanum(v[0]);
        case 20:
            return v == "*" ||
                   (v.size() > 1 && v.back() == '*' && positiveInteger(v.substr(0, v.size() - 1)));
        default: return false;
    }
}

int quotationError(int code, int quoteKind, const options::Options& options) {
    if (options.IgnoreQuoteRequirements) return -1;
    if (options.QuotesEquivalent) {
        if (code == config::kQuoteMustDouble || code == config::kQuoteMustSingle) {
            code = config::kQuoteMustEither;
        } else if (code == config::kQuoteMayDouble) {
            code = config::kQuoteMayEither;
        }
    }
    switch (code) {
        case config::kQuoteMustDouble: return quoteKind != 2 ? 82 : -1;
        case config::kQuoteMayDouble: return quoteKind == 1 ? 301 : -1;
        case config::kQuoteCannot: return quoteKind != 0 ? 83 : -1;
        case config::kQuoteMustSingle: return quoteKind != 1 ? 300 : -1;
        case config::kQuoteMustEither: return quoteKind == 0 ? 302 : -1;
        default: return -1;  // may be single or double quoted, or no rule
    }
}

}  // namespace engine
