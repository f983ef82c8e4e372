// Writes the HTML Configuration as text: a header, the model-level lines, then one block per
// entry, categories first (the other entries refer to them), then tag names, attributes,
// attribute values, character entities and spare entries, each kind in the model's order.
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <map>
#include <vector>

#include "config/text_form.h"
#include "config/text_utils.h"
#include "options/profile_options.h"

namespace config {
namespace {

// Lists longer than this go on to another line that repeats the field.
constexpr std::size_t kLineWidth = 96;

constexpr std::string_view kSectionTitles[kKindCount] = {
    "Tag names", "Attributes", "Attribute values", "Categories", "Character entities",
    "Spare entries"};

constexpr int kBlockOrder[kKindCount] = {Category, TagName, Attribute, AttributeValue, Entity,
                                         Spare};

// "(17)": a token the reader takes as the id of the name before it.
bool looksLikeIdQualifier(std::string_view word) {
    if (word.size() < 3 || word.front() != '(' || word.back() != ')') return false;
    return std::all_of(word.begin() + 1, word.end() - 1,
                       [](char c) { return c >= '0' && c <= '9'; });
}

// A name can stand without quotes when it is printable ASCII without blanks, quotes or
// backslashes, does not start a comment or an id reference, and is no id qualifier.
bool isBareWord(std::string_view word) {
    if (word.empty() || word.front() == '#' || looksLikeIdQualifier(word)) return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F && c != '"' && c != '\\';
    });
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (byte < 0x20 || byte >= 0x7F) {
                    char escaped[5];
                    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void appendWord(std::string& out, std::string_view word) {
    if (isBareWord(word)) {
        out += word;
    } else {
        appendQuoted(out, word);
    }
}

class Writer {
public:
    explicit Writer(const CfgStore& store) : store_(store), version_(store.formatVersion()) {
        // Names that several entries of a kind share (without regard to case) are written
        // with their ids wherever they are referred to.
        for (int kind = 0; kind < kKindCount; ++kind) {
            for (int p = 0; p < store_.entryCount(kind); ++p) {
                ++nameCounts_[kind][text::toLowerAscii(store_.entry(kind, ByPosition, p)->name.view())];
            }
        }
    }

    std::string run() {
        out_ += "# Markwise HTML Configuration\n";
        out_ += "html-configuration version " + std::to_string(version_) + "\n";
        if (store_.isLoaded() != 0 || store_.isSaved() != 1) {
            out_ += "state loaded=" + std::to_string(store_.isLoaded()) +
                    " saved=" + std::to_string(store_.isSaved()) + "\n";
        }
        if (version_ == 2) {  // a version-1 file holds no notes
            for (int slot = 0; slot < kNoteCount; ++slot) {
                std::string_view note = store_.noteView(slot);
                if (slot == options::kProfileOptionsNote && profileOptionLines(note)) continue;
                if (!note.empty()) textLine("note " + std::to_string(slot), note, "  ");
            }
        }
        for (int kind = 0; kind < kKindCount; ++kind) idMapLine(kind);
        for (int kind : kBlockOrder) {
            if (store_.entryCount(kind) > 0) {
                out_ += "\n# ";
                out_ += kSectionTitles[kind];
                out_ += '\n';
            }
            for (int p = 0; p < store_.entryCount(kind); ++p) {
                block(kind, *store_.entry(kind, ByPosition, p));
            }
            if (kind == Category) activeLines();
        }
        return std::move(out_);
    }

private:
    // The id map is written only when it holds free slots past the highest id.
    void idMapLine(int kind) {
        const int length = store_.idMap(kind).count();
        int needed = 0;
        for (int p = 0; p < store_.entryCount(kind); ++p) {
            needed = std::max(needed, store_.entry(kind, ByPosition, p)->id + 1);
        }
        if (length > needed) {
            out_ += "id-map " + std::string(kKindKeywords[kind]) + " " + std::to_string(length) +
                    "\n";
        }
    }

    void activeLines() {
        const IntStore& active = store_.activeCategories();
        if (active.count() == 0) return;
        out_ += '\n';
        refLine("active", Category, active, "");
    }

    void block(int kind, const TagStore& e) {
        out_ += '\n';
        out_ += kKindKeywords[kind];
        out_ += ' ';
        appendWord(out_, e.name.view());
        out_ += '\n';
        field("id", std::to_string(e.id));
        const int entryVersion = e.formatVersion;
        if (entryVersion != version_) field("version", std::to_string(entryVersion));
        if (e.builtinType != 0) field("builtin", std::to_string(e.builtinType));
        if (e.categoryOf != -1) {
            std::string line = "  category";
            appendRef(line, Category, e.categoryOf);
            out_ += line + '\n';
        }
        options(kind, e, entryVersion == 1);
        for (int list = 0; list < kListCount; ++list) {
            const IntStore& items = e.lists[list];
            if (items.count() == 0) continue;
            if (const ListField* named = listField(kind, list)) {
                refLine(std::string(named->field), named->target, items, "  ");
            } else {
                intLine("list " + std::to_string(list), items);
            }
        }
        if (entryVersion == 1) return;  // a version-1 entry holds no texts
        for (int which = 0; which < kTextSlots; ++which) {
            if (!e.texts[which].view().empty()) {
                textLine("  " + std::string(kTextFields[which]), e.texts[which].view(), "    ");
            }
        }
    }

    // Every set slot, slot 4 when it is not 0, and the array's length when the reader would
    // not infer it: max(5, highest slot written + 1).
    void options(int kind, const TagStore& e, bool versionOne) {
        std::vector<std::int32_t> slots = e.options.values();
        if (versionOne) {  // a version-1 entry holds slots 0..4, unset ones as -1
            slots.resize(5);
            for (int slot = 0; slot < 5; ++slot) slots[slot] = e.options.valueAt(slot);
        }
        const int length = static_cast<int>(slots.size());
        int highest = -1;
        for (int slot = 0; slot < length; ++slot) {
            const std::int32_t value = slots[slot];
            if (slot == 4) {
                if (value == kSlot4Default) continue;
                if (value == -1) {
                    field("option", "4 unset");
                    highest = 4;
                    continue;
                }
            }
            if (value == -1) continue;
            highest = slot;
            if (const OptionField* named = optionField(kind, slot)) {
                auto word = std::find_if(named->words.begin(), named->words.end(),
                                         [value](const OptionWord& w) { return w.value == value; });
                if (word != named->words.end()) {
                    field(named->field, word->word);
                    continue;
                }
            }
            field("option", std::to_string(slot) + " " + std::to_string(value));
        }
        if (length != std::max(5, highest + 1)) field("option-slots", std::to_string(length));
    }

    static const OptionField* optionField(int kind, int slot) {
        for (const OptionField& f : kOptionFields) {
            if (f.kind == kind && f.slot == slot) return &f;
        }
        return nullptr;
    }

    static const ListField* listField(int kind, int list) {
        for (const ListField& f : kListFields) {
            if (f.kind == kind && f.list == list) return &f;
        }
        return nullptr;
    }

    void field(std::string_view name, std::string_view value) {
        out_ += "  ";
        out_ += name;
        out_ += ' ';
        out_ += value;
        out_ += '\n';
    }

    // " NAME", " NAME (017)" when the name is shared, or " #17" for an id no entry has.
    void appendRef(std::string& line, int kind, std::int32_t id) const {
        line += ' ';
        const TagStore* target = store_.entry(kind, ById, id);
        if (target == nullptr) {
            line += '#' + std::to_string(id);
            return;
        }
        appendWord(line, target->name.view());
        auto shared = nameCounts_[kind].find(text::toLowerAscii(target->name.view()));
        if (shared != nameCounts_[kind].end() && shared->second > 1) {
            char qualifier[16];
            std::snprintf(qualifier, sizeof qualifier, " (%03d)", id);
            line += qualifier;
        }
    }

    void refLine(const std::string& name, int kind, const IntStore& ids, std::string_view indent) {
        std::string line;
        for (std::int32_t id : ids.values()) {
            std::string item;
            appendRef(item, kind, id);
            flushIfLong(line, item, indent, name);
            line += item;
        }
        out_ += line + '\n';
    }

    void intLine(const std::string& name, const IntStore& values) {
        std::string line;
        for (std::int32_t value : values.values()) {
            std::string item = " " + std::to_string(value);
            flushIfLong(line, item, "  ", name);
            line += item;
        }
        out_ += line + '\n';
    }

    // Starts the line, or ends a full one and starts another that repeats the field.
    void flushIfLong(std::string& line, const std::string& item, std::string_view indent,
                     const std::string& name) {
        const std::size_t start = indent.size() + name.size();
        if (line.size() > start && line.size() + item.size() > kLineWidth) {
            out_ += line + '\n';
            line.clear();
        }
        if (line.empty()) line = std::string(indent) + name;
    }

    // A note of profile options is written as "options" lines, one option each, when reading
    // them back gives the same note; anything else in the note is written as a note.
    bool profileOptionLines(std::string_view note) {
        if (note.empty()) return false;
        const options::ProfileOptions read = options::readProfileOptions(note);
        if (!read.problems.empty() || options::writeProfileOptions(read.settings) != note) {
            return false;
        }
        std::map<std::string_view, int> seen;
        for (const options::ProfileSetting& setting : read.settings) {
            if (++seen[setting.info->name] > 1) return false;  // the reader refuses repeats
        }
        for (const options::ProfileSetting& setting : read.settings) {
            out_ += "options " + setting.text() + "\n";
        }
        return true;
    }

    // A text on its field's line, continued after each line feed on a line of its own.
    void textLine(const std::string& head, std::string_view text, std::string_view indent) {
        out_ += head;
        out_ += ' ';
        std::size_t start = 0;
        while (true) {
            std::size_t end = text.find('\n', start);
            std::size_t stop = end == std::string_view::npos ? text.size() : end + 1;
            appendQuoted(out_, text.substr(start, stop - start));
            out_ += '\n';
            start = stop;
            if (start >= text.size()) break;
            out_ += indent;
        }
    }

    const CfgStore& store_;
    const int version_;
    std::map<std::string, int> nameCounts_[kKindCount];
    std::string out_;
};

}  // namespace

std::string writeTextForm(const CfgStore& store) { return Writer(store).run(); }

}  // namespace config
