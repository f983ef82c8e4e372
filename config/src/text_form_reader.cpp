// Reads the text form of the HTML Configuration. The source is read in two passes: the lines
// are parsed into entry blocks and model-level statements, then ids are given, names are
// resolved against the whole source (so blocks may come in any order) and the result is
// checked against what a configuration file can hold. The model is then built by loading the
// file bytes it amounts to, so it holds exactly what a file with that content would give:
// each kind sorted by name, id maps rebuilt, every field as stated.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>

#include "config/text_form.h"
#include "config/text_utils.h"
#include "options/profile_options.h"

namespace config {
namespace {

constexpr std::size_t kMaxErrors = 50;
constexpr std::int32_t kAnyNumber = std::numeric_limits<std::int32_t>::min();

constexpr std::string_view kKindNouns[kKindCount] = {
    "tag", "attribute", "attribute value", "category", "character entity", "spare entry"};

// Escape letters and the bytes they stand for, in pairs.
constexpr std::string_view kEscapes = "\"\"\\\\n\nr\rt\t";

struct Token {
    std::string text;
    bool quoted = false;
};

// A reference to an entry: by name, by name and id ("TABLE (017)"), or by id alone ("#17").
struct Ref {
    std::string name;
    bool byName = true;
    bool qualified = false;
    std::int32_t id = -1;
    int line = 0;
};

struct SourceEntry {
    int kind = 0;
    int line = 0;
    std::string name;
    std::int32_t id = -1;
    std::int32_t version = 0;  // 0: the file's version
    std::int32_t builtin = 0;
    std::optional<Ref> category;
    std::int32_t categoryId = -1;
    std::map<int, std::pair<std::int32_t, int>> options;  // stated slot: value (-1 unset), line
    std::int32_t optionSlots = -1;
    std::vector<Ref> refs[kListCount];
    std::vector<std::int32_t> ints[kListCount];
    std::string texts[kTextSlots];
    std::string label;  // a name for references where several entries share the name
    std::map<std::string, int, std::less<>> fieldLines;  // the line of each field given

    int lineOf(std::string_view field) const {
        auto found = fieldLines.find(field);
        return found == fieldLines.end() ? line : found->second;
    }
};

// The fields that take one number, with its range (kAnyNumber: any 32-bit number).
struct NumberField {
    std::string_view field;
    std::int32_t low;
    std::int32_t high;
    std::int32_t SourceEntry::*target;
};

constexpr NumberField kNumberFields[] = {
    {"id", 0, kMaxEntries - 1, &SourceEntry::id},
    {"version", 1, 2, &SourceEntry::version},
    {"builtin", kAnyNumber, std::numeric_limits<std::int32_t>::max(), &SourceEntry::builtin},
    {"option-slots", 0, kTextFormMaxOptionSlots, &SourceEntry::optionSlots},
};

// The message pieces joined; numbers in decimal.
template <typename... Pieces>
std::string cat(const Pieces&... pieces) {
    std::string out;
    auto add = [&out](const auto& piece) {
        if constexpr (std::is_arithmetic_v<std::decay_t<decltype(piece)>>) {
            out += std::to_string(piece);
        } else {
            out += piece;
        }
    };
    (add(pieces), ...);
    return out;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base = 10) {
    const char* end = text.data() + text.size();
    auto [stop, problem] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && problem == std::errc() && stop == end;
}

bool isQualifier(const Token& token) {
    const std::string& t = token.text;
    return !token.quoted && t.size() >= 3 && t.front() == '(' && t.back() == ')' &&
           std::all_of(t.begin() + 1, t.end() - 1, [](char c) { return c >= '0' && c <= '9'; });
}

bool isBlank(std::string_view text, std::size_t pos) {
    return pos >= text.size() || text[pos] == ' ' || text[pos] == '\t';
}

// A quoted text from `pos` (at its opening quote) to the blank after its closing quote.
std::optional<std::string> unquote(std::string_view text, std::size_t& pos, std::string& problem) {
    std::string out;
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
        if (text[pos] != '\\') {
            out += text[pos];
            continue;
        }
        if (++pos == text.size()) break;
        unsigned byte = 0;
        std::size_t escape = kEscapes.find(text[pos]);
        if (escape != std::string_view::npos && escape % 2 == 0) {
            out += kEscapes[escape + 1];
        } else if (text[pos] == 'x' && parseNumber(text.substr(pos + 1, 2), byte, 16)) {
            out += static_cast<char>(byte);
            pos += 2;
        } else {
            problem = text[pos] == 'x' ? "\\x takes two hexadecimal digits"
                                       : cat("unknown escape \\", std::string(1, text[pos]),
                                             " (use \\\" \\\\ \\n \\r \\t or \\xHH)");
            return std::nullopt;
        }
    }
    if (pos >= text.size()) problem = "the quoted text is not closed on this line";
    if (problem.empty() && !isBlank(text, ++pos)) problem = "a space must follow the closing quote";
    if (!problem.empty()) return std::nullopt;
    return out;
}

// The words and quoted texts of a line, up to a comment; empty with `problem` set on a mistake.
std::vector<Token> tokenize(std::string_view text, std::string& problem) {
    std::vector<Token> tokens;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            problem = cat("control character in the text; write it in quotes as ", code);
            return {};
        }
    }
    for (std::size_t pos = 0; pos < text.size();) {
        if (isBlank(text, pos)) {
            ++pos;
        } else if (text[pos] == '#' && isBlank(text, pos + 1)) {
            break;  // a comment to the end of the line
        } else if (text[pos] == '"') {
            std::optional<std::string> quoted = unquote(text, pos, problem);
            if (!quoted) return {};
            tokens.push_back({std::move(*quoted), true});
        } else {
            std::size_t end = std::min(text.find_first_of(" \t", pos), text.size());
            std::string_view word = text.substr(pos, end - pos);
            if (word.find('"') != std::string_view::npos) {
                problem = cat("a quote inside '", word, "'; put the whole text in quotes");
                return {};
            }
            tokens.push_back({std::string(word), false});
            pos = end;
        }
    }
    return tokens;
}

int kindOf(const Token& token) {
    auto found = std::find(std::begin(kKindKeywords), std::end(kKindKeywords), token.text);
    return token.quoted || found == std::end(kKindKeywords)
               ? -1
               : static_cast<int>(found - std::begin(kKindKeywords));
}

// The kind whose entries have a field of this name (the first, for a field several kinds
// have), or -1.
int kindWithField(std::string_view name) {
    for (const OptionField& f : kOptionFields) {
        if (f.field == name) return f.kind;
    }
    for (const ListField& f : kListFields) {
        if (f.field == name) return f.kind;
    }
    return -1;
}

// Whether a word is a field of some kind of entry, or one every kind has.
bool isFieldName(std::string_view word) {
    static constexpr std::string_view kCommon[] = {"label", "id", "version", "builtin",
                                                   "category", "option", "option-slots",
                                                   "list", "message", "invalid-message"};
    return kindWithField(word) >= 0 ||
           std::find(std::begin(kCommon), std::end(kCommon), word) != std::end(kCommon);
}

void putInt(std::string& out, std::int32_t value) {
    auto raw = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out += static_cast<char>(raw >> (8 * i) & 0xFF);
}

// A string record or an integer-list record: marker 1, length, then the contents.
void putRecord(std::string& out, std::string_view text) {
    putInt(out, 1);
    putInt(out, static_cast<std::int32_t>(text.size()));
    out += text;
}

void putRecord(std::string& out, const std::vector<std::int32_t>& values) {
    putInt(out, 1);
    putInt(out, static_cast<std::int32_t>(values.size()));
    for (std::int32_t value : values) putInt(out, value);
}

// Lines are numbered through all the texts of a source, one after the other; mistakes are
// given back with the text they are in and the line within it.
class Reader {
public:
    explicit Reader(std::span<const TextSource> sources) : sources_(sources) {}

    std::vector<TextFormError> run(CfgStore& store) {
        store.clear();
        // A text never holds NUL bytes; a binary file (a configuration file, say) does.
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            std::string_view text = sources_[i].text;
            if (std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
                const auto line = std::count(text.begin(), text.begin() + nul, '\n') + 1;
                return {{static_cast<int>(line),
                         "a NUL byte: this is not a text (a configuration file, perhaps?)", i}};
            }
        }
        parseLines();
        // A text of nothing but blanks and comments is no configuration: an empty file (the
        // output of a dump that failed, say) must not build one that has no entries.
        if (statements_ == 0) {
            error(0, "the text holds no statement: it must begin with 'html-configuration version 2'");
        }
        if (errors_.size() < kMaxErrors) settle();
        if (errors_.empty() && !store.loadBytes(encode(), kNoFileName)) {
            error(0, "the configuration could not be built");
        }
        if (errors_.empty()) {
            store.setState(loaded_, saved_, version_);
            return {};
        }
        store.clear();
        std::stable_sort(errors_.begin(), errors_.end(),
                         [](const TextFormError& a, const TextFormError& b) { return a.line < b.line; });
        if (errors_.size() > kMaxErrors) {
            errors_.resize(kMaxErrors);
            errors_.push_back({0, "too many mistakes; the rest of the text was not checked"});
        }
        for (TextFormError& e : errors_) {
            if (e.line <= 0) continue;
            e.source = sourceOf(e.line);
            e.line -= firstLines_[e.source];
        }
        return std::move(errors_);
    }

private:
    void error(int line, std::string message) {
        if (errors_.size() <= kMaxErrors) errors_.push_back({line, std::move(message)});
    }

    // ---- First pass: lines, statements and fields ------------------------------------------

    // The text a line (numbered through all texts) is in.
    std::size_t sourceOf(int line) const {
        auto after = std::upper_bound(firstLines_.begin(), firstLines_.end(), line - 1);
        return static_cast<std::size_t>(after - firstLines_.begin()) - 1;
    }

    // How a mistake on line `from` names line `line` (both numbered through all texts): "line
    // N" in the same text, "NAME:N" in another.
    std::string lineRef(int line, int from) const {
        const std::size_t source = sourceOf(line);
        const int local = line - firstLines_[source];
        if (source == sourceOf(from)) return cat("line ", local);
        return cat(sources_[source].name, ":", local);
    }

    void parseLines() {
        int lines = 0;  // of the texts before
        for (const TextSource& source : sources_) {
            firstLines_.push_back(lines);
            statementsInText_ = 0;
            lines += parseLines(source.text, lines);
            // A block or a text does not go on into the next file.
            continued_ = nullptr;
            current_ = -1;
            discard_ = false;
        }
    }

    // Returns the number of lines the text holds.
    int parseLines(std::string_view source, int before) {
        std::size_t start = source.starts_with("\xEF\xBB\xBF") ? 3 : 0;  // a byte order mark
        int count = 0;
        for (int line = before + 1; start < source.size(); ++line) {
            ++count;
            std::size_t end = std::min(source.find('\n', start), source.size());
            std::string_view text = source.substr(start, end - start);
            if (text.ends_with('\r')) text.remove_suffix(1);
            start = end + 1;
            if (errors_.size() > kMaxErrors) continue;
            std::size_t first = text.find_first_not_of(" \t");
            if (first == std::string_view::npos || text[first] == '#') continue;  // no statement
            std::string problem;
            std::vector<Token> tokens = tokenize(text, problem);
            if (!problem.empty()) {
                error(line, problem);
                if (first == 0) {
                    // A block whose first line could not be read: its fields are passed over,
                    // not given to the block before.
                    continued_ = nullptr;
                    current_ = -1;
                    discard_ = true;
                }
            } else if (first == 0) {
                statement(tokens, line);
            } else {
                field(tokens, line);
            }
        }
        return count;
    }

    void statement(const std::vector<Token>& t, int line) {
        continued_ = nullptr;
        current_ = -1;
        discard_ = false;
        const std::string& word = t[0].text;
        const bool first = statements_++ == 0;
        ++statementsInText_;
        if (t[0].quoted) {
            discard_ = true;
            return error(line, "a line must start with a keyword, not a quoted text");
        }
        if (word == "html-configuration") {
            if (!first) {
                // At the start of a later text: the texts read as one, which it begins.
                return error(line, statementsInText_ == 1 && headerLine_ != 0
                                       ? cat("html-configuration is given once, at the start of "
                                             "the first text (", lineRef(headerLine_, line),
                                             "): leave it out here")
                                       : std::string("html-configuration must be the first line"));
            }
            headerLine_ = line;
            if (t.size() == 1) return;
            if (t.size() != 3 || t[1].text != "version" || (t[2].text != "1" && t[2].text != "2")) {
                return error(line, "write 'html-configuration version 1' or '... version 2'");
            }
            version_ = t[2].text == "1" ? 1 : 2;
            return;
        }
        if (first) error(line, "the text must begin with 'html-configuration version 2'");
        std::int32_t number = -1;
        if (const int kind = kindOf(t[0]); kind >= 0) {
            if (t.size() != 2) {
                discard_ = true;
                return error(line, cat(kKindKeywords[kind],
                                       " takes one name (put a name with spaces in quotes)"));
            }
            SourceEntry& e = entries_.emplace_back();
            e.kind = kind;
            e.line = line;
            e.name = t[1].text;
            current_ = static_cast<int>(entries_.size()) - 1;
        } else if (word == "state") {
            stateLine(t, line);
        } else if (word == "note") {
            if (t.size() != 3 || !parseNumber(t[1].text, number) || number < 0 ||
                number >= kNoteCount) {
                return error(line, "write note N \"text\" with N from 0 to 4");
            }
            if (noteLines_[number] != 0) {
                return error(line, cat("note ", number, " is given twice (first on ",
                                       lineRef(noteLines_[number], line), ")"));
            }
            noteLines_[number] = line;
            notes_[number] = t[2].text;
            continued_ = &notes_[number];
        } else if (word == "options") {
            profileOptionsLine(t, line);
        } else if (word == "active") {
            parseRefs(t, line, active_);
        } else if (word == "id-map") {
            const int kind = t.size() == 3 ? kindOf(t[1]) : -1;
            if (kind < 0 || !parseNumber(t[2].text, number) || number < 0 || number > kMaxEntries) {
                return error(line, "write id-map KIND N, N from 0 to 999");
            }
            idMapLengths_[kind] = number;
            idMapLines_[kind] = line;
        } else {
            discard_ = true;
            error(line, isFieldName(word)
                            ? cat("unknown statement '", word, "' (a field: indent it under its "
                                  "entry's block)")
                            : cat("unknown statement '", word, "'"));
        }
    }

    // "options Name=value...": validator option values the profile carries, kept in note 1.
    void profileOptionsLine(const std::vector<Token>& t, int line) {
        if (t.size() < 2) return error(line, "write options Name=value...");
        if (profileOptionsLine_ == 0) profileOptionsLine_ = line;
        for (std::size_t i = 1; i < t.size(); ++i) {
            options::ProfileSetting setting;
            if (auto problem = options::parseProfileSetting(t[i].text, setting)) {
                error(line, cat("options: ", *problem));
                continue;
            }
            auto [given, added] = profileOptionNames_.try_emplace(setting.info->name, line);
            if (!added) {
                error(line, cat("the option ", setting.info->name, " is given twice (first on ",
                                lineRef(given->second, line), ")"));
                continue;
            }
            profileSettings_.push_back(std::move(setting));
        }
    }

    void stateLine(const std::vector<Token>& t, int line) {
        if (stateLine_ != 0) return error(line, "the state line is given twice");
        stateLine_ = line;
        if (t.size() < 2) return error(line, "write state loaded=N saved=N");
        for (std::size_t i = 1; i < t.size(); ++i) {
            std::string_view item = t[i].text;
            std::int32_t* target = item.starts_with("loaded=")  ? &loaded_
                                   : item.starts_with("saved=") ? &saved_
                                                                : nullptr;
            if (target == nullptr || !parseNumber(item.substr(item.find('=') + 1), *target)) {
                return error(line, cat("write state loaded=N saved=N, not '", item, "'"));
            }
        }
    }

    void field(const std::vector<Token>& t, int line) {
        if (t[0].quoted) {  // a text continued from the line before
            if (continued_ == nullptr || t.size() != 1) {
                return error(line, "a quoted line continues the text of the line before, but "
                                   "there is none");
            }
            *continued_ += t[0].text;
            return;
        }
        continued_ = nullptr;
        if (current_ < 0) {
            if (!discard_) error(line, "an indented line must belong to an entry block");
            return;
        }
        SourceEntry& e = entries_[current_];
        const std::string& name = t[0].text;
        for (const ListField& f : kListFields) {
            if (f.kind == e.kind && f.field == name) return parseRefs(t, line, e.refs[f.list]);
        }
        if (name == "list") return listField(e, t, line);
        if (name == "option") return optionField(e, t, line);
        if (auto [it, fresh] = e.fieldLines.emplace(name, line); !fresh) {
            return error(line, cat(name, " is given twice in this block (first on ",
                                   lineRef(it->second, line), ")"));
        }
        for (const OptionField& f : kOptionFields) {
            if (f.kind != e.kind || f.field != name) continue;
            std::string allowed;
            for (const OptionWord& w : f.words) {
                if (t.size() == 2 && t[1].text == w.word && !t[1].quoted) {
                    return setSlot(e, f.slot, w.value, line);
                }
                allowed += cat(allowed.empty() ? "" : ", ", w.word);
            }
            return error(line, cat(name, " takes one of: ", allowed));
        }
        for (const NumberField& f : kNumberFields) {
            if (f.field != name) continue;
            std::int32_t value = 0;
            if (t.size() != 2 || t[1].quoted || !parseNumber(t[1].text, value) || value < f.low ||
                value > f.high) {
                return error(line, f.low == kAnyNumber ? cat(name, " takes a number")
                                                       : cat(name, " takes a number from ", f.low,
                                                             " to ", f.high));
            }
            e.*f.target = value;
            return;
        }
        for (int which = 0; which < kTextSlots; ++which) {
            if (name != kTextFields[which]) continue;
            if (t.size() != 2) return error(line, cat(name, " takes one text (in quotes)"));
            e.texts[which] = t[1].text;
            continued_ = &e.texts[which];
            return;
        }
        if (name == "label") {
            if (t.size() != 2 || t[1].quoted || t[1].text.find('@') != std::string::npos) {
                return error(line, "label takes one word without quotes or @");
            }
            e.label = t[1].text;
            return;
        }
        if (name == "category") {
            std::vector<Ref> refs;
            const std::size_t known = errors_.size();
            parseRefs(t, line, refs);
            if (refs.size() == 1) e.category = refs[0];
            if (refs.size() != 1 && errors_.size() == known) error(line, "category takes one category");
            return;
        }
        const std::string_view kind = kKindKeywords[e.kind];
        if (const int other = kindWithField(name); other >= 0) {
            return error(line, cat("'", name, "' is a field of ", kKindKeywords[other],
                                   " entries, not of ", kind, " entries: is a '",
                                   kKindKeywords[other], "' line missing above it? (or write "
                                   "option N V)"));
        }
        error(line, kindOf(t[0]) >= 0
                        ? cat("unknown field '", name, "' in a ", kind,
                              " block (a block starts in the first column)")
                        : cat("unknown field '", name, "' in a ", kind, " block"));
    }

    void setSlot(SourceEntry& e, int slot, std::int32_t value, int line) {
        if (auto [it, fresh] = e.options.emplace(slot, std::pair{value, line}); !fresh) {
            error(line, cat("option slot ", slot, " is given twice in this block (first on ",
                            lineRef(it->second.second, line), ")"));
        }
    }

    void optionField(SourceEntry& e, const std::vector<Token>& t, int line) {
        std::int32_t slot = -1;
        std::int32_t value = -1;
        if (t.size() != 3 || !parseNumber(t[1].text, slot) || slot < 0 ||
            slot >= kTextFormMaxOptionSlots ||
            (t[2].text != "unset" && !parseNumber(t[2].text, value))) {
            return error(line, cat("write option N V: a slot from 0 to ",
                                   kTextFormMaxOptionSlots - 1, " and a number or unset"));
        }
        setSlot(e, slot, value, line);
    }

    void listField(SourceEntry& e, const std::vector<Token>& t, int line) {
        std::int32_t list = -1;
        if (t.size() < 2 || !parseNumber(t[1].text, list) || list < 0 || list >= kListCount) {
            return error(line, "write list N followed by numbers, N from 0 to 4");
        }
        for (const ListField& f : kListFields) {
            if (f.kind == e.kind && f.list == list) {
                return error(line, cat("list ", list, " of ", kKindKeywords[e.kind],
                                       " entries is written ", f.field));
            }
        }
        for (std::size_t i = 2; i < t.size(); ++i) {
            std::int32_t value = 0;
            if (t[i].quoted || !parseNumber(t[i].text, value)) {
                return error(line, cat("'", t[i].text, "' is not a number"));
            }
            e.ints[list].push_back(value);
        }
    }

    // Names, "NAME (017)" and "#17" after the line's first word.
    void parseRefs(const std::vector<Token>& t, int line, std::vector<Ref>& out) {
        for (std::size_t i = 1; i < t.size(); ++i) {
            Ref ref{.name = t[i].text, .line = line};
            if (!t[i].quoted && t[i].text.starts_with('#')) {
                ref.byName = false;
                if (!parseNumber(std::string_view(t[i].text).substr(1), ref.id)) {
                    return error(line, cat("'", t[i].text, "' is no id: write #N"));
                }
            } else if (i + 1 < t.size() && isQualifier(t[i + 1])) {
                std::string_view digits(t[++i].text);
                if (!parseNumber(digits.substr(1, digits.size() - 2), ref.id)) {
                    return error(line, cat(digits, " is no id"));
                }
                ref.qualified = true;
            }
            out.push_back(std::move(ref));
        }
    }

    // ---- Second pass: ids, references, limits ----------------------------------------------

    void settle() {
        for (int kind = 0; kind < kKindCount; ++kind) giveIds(kind);
        for (const SourceEntry& e : entries_) {
            const std::size_t index = &e - entries_.data();
            names_[e.kind][text::toLowerAscii(e.name)].push_back(index);
            if (e.label.empty()) continue;
            auto [it, fresh] = labels_[e.kind].emplace(e.label, index);
            if (!fresh) {
                error(e.lineOf("label"),
                      cat("the label ", e.label, " is already given to ", entries_[it->second].name,
                          " (", lineRef(entries_[it->second].line, e.lineOf("label")), ")"));
            }
        }
        for (SourceEntry& e : entries_) checkEntry(e);
        for (int kind = 0; kind < kKindCount; ++kind) {
            if (idMapLengths_[kind] >= 0 && idMapLengths_[kind] < highest_[kind] + 1) {
                error(idMapLines_[kind], cat("the ", kKindNouns[kind], " id map needs at least ",
                                             highest_[kind] + 1, " slots"));
            }
        }
        for (const Ref& ref : active_) activeIds_.push_back(resolve(Category, ref));
        if (profileOptionsLine_ != 0) {
            constexpr int slot = options::kProfileOptionsNote;
            if (version_ == 1) {
                error(profileOptionsLine_, "a version 1 configuration holds no options");
            } else if (noteLines_[slot] != 0) {
                // Said where the later of the two stands.
                if (profileOptionsLine_ > noteLines_[slot]) {
                    error(profileOptionsLine_,
                          cat("options are kept in note ", slot, ", which is given too (on ",
                              lineRef(noteLines_[slot], profileOptionsLine_), ")"));
                } else {
                    error(noteLines_[slot],
                          cat("note ", slot, " keeps the options, which are given too (on ",
                              lineRef(profileOptionsLine_, noteLines_[slot]), ")"));
                }
            } else {
                notes_[slot] = options::writeProfileOptions(profileSettings_);
            }
        }
        for (int slot = 0; slot < kNoteCount; ++slot) {
            if (noteLines_[slot] == 0) continue;
            if (version_ == 1) error(noteLines_[slot], "a version 1 configuration holds no notes");
            checkLength(notes_[slot], noteLines_[slot], "note");
        }
    }

    // Stated ids first, then the lowest free ids in the order of the blocks.
    void giveIds(int kind) {
        std::vector<const SourceEntry*> holder(kMaxEntries, nullptr);
        int count = 0;
        for (SourceEntry& e : entries_) {
            if (e.kind != kind) continue;
            if (++count == kMaxEntries + 1) {
                error(e.line, cat("more than 999 ", kKindNouns[kind], " entries"));
            }
            if (e.id < 0) continue;
            if (const SourceEntry* other = holder[e.id]) {
                error(e.lineOf("id"), cat(kKindNouns[kind], " id ", e.id, " is already taken by ",
                                          other->name, " (", lineRef(other->line, e.lineOf("id")),
                                          ")"));
                e.id = -2;  // keeps it out of the free ids without taking one
                continue;
            }
            holder[e.id] = &e;
        }
        int next = 0;
        for (SourceEntry& e : entries_) {
            if (e.kind != kind || e.id != -1) continue;
            while (next < kMaxEntries && holder[next] != nullptr) ++next;
            if (next == kMaxEntries) break;  // reported above
            holder[next] = &e;
            e.id = next;
        }
        for (const SourceEntry& e : entries_) {
            if (e.kind == kind) highest_[kind] = std::max(highest_[kind], e.id);
        }
    }

    // The id a reference stands for; -1 after reporting a name that finds no single entry.
    // Where several entries share the name, the one in the reference's own text is meant,
    // else the one in the nearest text before it; in a range (`inRange`), which compares tag
    // names only, the first of those will do.
    std::int32_t resolve(int kind, const Ref& ref, bool inRange = false) {
        if (!ref.byName) return ref.id;
        const std::string_view noun = kKindNouns[kind];
        auto found = names_[kind].find(text::toLowerAscii(ref.name));
        if (found == names_[kind].end()) {
            if (std::size_t at = ref.name.rfind('@'); at != std::string::npos) {
                return resolveLabel(kind, ref, at);
            }
            error(ref.line, cat("no ", noun, " is named ", ref.name));
            return -1;
        }
        const std::vector<std::size_t>& holders = found->second;
        if (ref.qualified) {
            for (std::size_t i : holders) {
                if (entries_[i].id == ref.id) return ref.id;
            }
            error(ref.line, cat("no ", noun, " named ", ref.name, " has id ", ref.id));
            return -1;
        }
        if (holders.size() == 1) return entries_[holders[0]].id;
        const std::size_t own = sourceOf(ref.line);
        std::size_t nearest = 0;  // the text of the nearest holders, plus one; 0: none
        for (std::size_t i : holders) {
            const std::size_t at = sourceOf(entries_[i].line);
            if (at <= own) nearest = std::max(nearest, at + 1);
        }
        std::vector<std::size_t> local;
        for (std::size_t i : holders) {
            if (nearest > 0 && sourceOf(entries_[i].line) == nearest - 1) local.push_back(i);
        }
        if (local.size() == 1) return entries_[local[0]].id;
        if (inRange) return entries_[local.empty() ? holders[0] : local[0]].id;
        // Each with what tells it apart: its category, its label and where it stands.
        std::string which;
        for (std::size_t i : holders) {
            const SourceEntry& holder = entries_[i];
            char label[16];
            std::snprintf(label, sizeof label, " (%03d)", holder.id);
            std::string about;
            if (holder.category) {
                about = holder.category->byName ? cat("category \"", holder.category->name, "\", ")
                                                : cat("category #", holder.category->id, ", ");
            }
            if (!holder.label.empty()) about += cat("label ", holder.label, ", ");
            about += lineRef(holder.line, ref.line);
            which += cat(which.empty() ? "" : ", ", ref.name, label, " [", about, "]");
        }
        error(ref.line, cat("several ", noun, " entries are named ", ref.name,
                            "; write one of: ", which));
        return -1;
    }

    // "NAME@LABEL": the entry given that label, which must carry that name.
    std::int32_t resolveLabel(int kind, const Ref& ref, std::size_t at) {
        const std::string name = ref.name.substr(0, at);
        const std::string label = ref.name.substr(at + 1);
        auto found = labels_[kind].find(label);
        if (found == labels_[kind].end()) {
            error(ref.line, cat("no ", kKindNouns[kind], " is named ", ref.name,
                                " or has the label ", label));
            return -1;
        }
        const SourceEntry& e = entries_[found->second];
        if (text::toLowerAscii(e.name) != text::toLowerAscii(name)) {
            error(ref.line, cat("the label ", label, " belongs to ", e.name, ", not ", name));
            return -1;
        }
        return e.id;
    }

    void checkLength(const std::string& text, int line, std::string_view what) {
        if (text.size() > static_cast<std::size_t>(kMaxTextBytes)) {
            error(line, cat(what, " is longer than ", kMaxTextBytes, " bytes"));
        }
    }

    void checkEntry(SourceEntry& e) {
        if (e.version == 0) e.version = version_;
        checkLength(e.name, e.line, "the name");
        if (e.category) e.categoryId = resolve(Category, *e.category);
        for (const ListField& f : kListFields) {
            if (f.kind != e.kind) continue;
            const bool inRange = f.kind == TagName && f.target == TagName;
            for (const Ref& ref : e.refs[f.list]) {
                e.ints[f.list].push_back(resolve(f.target, ref, inRange));
            }
        }
        for (int which = 0; which < kTextSlots; ++which) {
            if (e.texts[which].empty()) continue;
            const int line = e.lineOf(kTextFields[which]);
            if (e.version == 1) error(line, "a version 1 entry holds no texts");
            checkLength(e.texts[which], line, kTextFields[which]);
        }
        const int lastSlot = e.options.empty() ? -1 : e.options.rbegin()->first;
        if (e.version == 1) {
            if (e.optionSlots >= 0) {
                error(e.lineOf("option-slots"), "a version 1 entry always has 5 option slots");
            }
            for (const auto& [slot, stated] : e.options) {
                if (slot > 4) error(stated.second, "a version 1 entry holds option slots 0 to 4 only");
            }
        } else if (e.optionSlots >= 0 && lastSlot >= e.optionSlots) {
            error(e.lineOf("option-slots"), cat("option slot ", lastSlot,
                                                " lies beyond option-slots ", e.optionSlots));
        }
    }

    // The option array: option-slots long, or long enough for slot 4 and every stated slot;
    // slot 4 is 0 unless stated, every other slot unset unless stated.
    static std::vector<std::int32_t> optionArray(const SourceEntry& e) {
        int length = e.version == 1 ? 5 : e.optionSlots;
        if (length < 0) length = std::max(5, e.options.empty() ? 0 : e.options.rbegin()->first + 1);
        std::vector<std::int32_t> slots(static_cast<std::size_t>(length), -1);
        if (length > 4) slots[4] = kSlot4Default;
        for (const auto& [slot, stated] : e.options) slots[slot] = stated.first;
        return slots;
    }

    // ---- The file bytes --------------------------------------------------------------------

    std::string encode() const {
        std::vector<const SourceEntry*> order[kKindCount];
        for (const SourceEntry& e : entries_) order[e.kind].push_back(&e);
        for (auto& entries : order) {
            std::sort(entries.begin(), entries.end(), [](const SourceEntry* a, const SourceEntry* b) {
                int relation = collateNames(a->name, b->name);
                return relation < 0 || (relation == 0 && a->id < b->id);
            });
        }
        std::string out;
        for (std::int32_t value : {version_, loaded_, saved_}) putInt(out, value);
        for (const auto& entries : order) putInt(out, static_cast<std::int32_t>(entries.size()));
        if (version_ == 2) {
            for (const std::string& note : notes_) putRecord(out, note);
        }
        putRecord(out, activeIds_);
        for (int kind = 0; kind < kKindCount; ++kind) {
            std::vector<std::int32_t> idMap(std::max(idMapLengths_[kind], highest_[kind] + 1), -1);
            for (std::size_t p = 0; p < order[kind].size(); ++p) {
                idMap[order[kind][p]->id] = static_cast<std::int32_t>(p);
            }
            putRecord(out, idMap);
        }
        for (const auto& entries : order) {
            for (const SourceEntry* e : entries) entryRecord(out, *e);
        }
        return out;
    }

    static void entryRecord(std::string& out, const SourceEntry& e) {
        const std::vector<std::int32_t> slots = optionArray(e);
        for (std::int32_t value : {e.version, e.id, e.builtin, e.categoryId}) putInt(out, value);
        if (e.version == 1) {
            for (std::int32_t value : slots) putInt(out, value);
        }
        putRecord(out, e.name);
        for (const auto& list : e.ints) putRecord(out, list);
        if (e.version == 2) {
            putRecord(out, slots);
            putInt(out, kTextSlots);
            for (const std::string& text : e.texts) putRecord(out, text);
        }
    }

    std::span<const TextSource> sources_;
    std::vector<int> firstLines_;  // the lines before each text
    std::vector<TextFormError> errors_;
    int statements_ = 0;
    int statementsInText_ = 0;  // of the text being read
    int headerLine_ = 0;  // of the html-configuration line that begins the first text
    std::int32_t version_ = 2;
    std::int32_t loaded_ = 0;
    std::int32_t saved_ = 1;
    int stateLine_ = 0;
    std::string notes_[kNoteCount];
    int noteLines_[kNoteCount] = {};
    std::vector<options::ProfileSetting> profileSettings_;
    std::map<std::string, int, std::less<>> profileOptionNames_;  // name -> line given
    int profileOptionsLine_ = 0;
    std::vector<Ref> active_;
    std::vector<std::int32_t> activeIds_;
    int idMapLengths_[kKindCount] = {-1, -1, -1, -1, -1, -1};
    int idMapLines_[kKindCount] = {};
    std::int32_t highest_[kKindCount] = {-1, -1, -1, -1, -1, -1};  // the highest id of each kind
    std::vector<SourceEntry> entries_;
    std::map<std::string, std::vector<std::size_t>> names_[kKindCount];
    std::map<std::string, std::size_t> labels_[kKindCount];  // label: entry, by kind
    int current_ = -1;                  // the entry block being read
    bool discard_ = false;              // the indented lines after a refused statement
    std::string* continued_ = nullptr;  // the text a quoted line continues
};

}  // namespace

std::vector<TextFormError> readTextForm(std::string_view source, CfgStore& store) {
    const TextSource one{"", source};
    return Reader(std::span(&one, 1)).run(store);
}

std::vector<TextFormError> readTextForm(std::span<const TextSource> sources, CfgStore& store) {
    return Reader(sources).run(store);
}

}  // namespace config
