#include "config/cfg_store.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "config/text_utils.h"

namespace config {
namespace {

// Collation weights: punctuation and blanks by their ASCII code, then digits, then letters
// without regard to case, then bytes above 127.
int weight(unsigned char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
    if (c >= 'A' && c <= 'Z') return 0x200 + c;
    if (c >= '0' && c <= '9') return 0x100 + c;
    if (c >= 0x80) return 0x300 + c;
    return c;
}

bool passedOver(char c) { return c == '-' || c == '\''; }

int compareWeights(std::string_view a, std::string_view b, bool skipHyphens) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (true) {
        if (skipHyphens) {
            while (i < a.size() && passedOver(a[i])) ++i;
            while (j < b.size() && passedOver(b[j])) ++j;
        }
        if (i == a.size() || j == b.size()) {
            return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
        }
        int difference = weight(static_cast<unsigned char>(a[i])) -
                         weight(static_cast<unsigned char>(b[j]));
        if (difference != 0) return difference;
        ++i;
        ++j;
    }
}

}  // namespace

int collateNames(std::string_view a, std::string_view b) {
    // Entries of one name are many (an attribute for each tag that has it).
    if (a == b) return 0;
    int primary = compareWeights(a, b, true);
    if (primary != 0) return primary;
    return compareWeights(a, b, false);
}

}  // namespace config

using namespace config;

// ---- TagStore ---------------------------------------------------------------------------

std::int32_t TagStore::optionValue(int slot) const {
    if (slot < 0 || slot >= kOptionSlots) return -1;
    return options.valueAt(slot);
}

int TagStore::setOptionValue(int slot, std::int32_t value) {
    if (slot < 0 || slot >= kOptionSlots || value < 0) return 0;
    return options.set(slot, value, true, -1);
}

EntryRecord EntryRecord::named(std::string_view text) {
    EntryRecord record;
    std::size_t length = std::min(text.size(), sizeof record.name - 1);
    std::memcpy(record.name, text.data(), length);
    record.name[length] = '\0';
    return record;
}

// ---- CfgStore: construction and addressing ---------------------------------------------

CfgStore::CfgStore() : fileName_(kNoFileName) {}

CfgStore::~CfgStore() = default;

int CfgStore::resolve(int kind, int mode, int key) const {
    if (kind < 0 || kind >= kKindCount) return -1;
    const int count = static_cast<int>(entries_[kind].size());
    int position = -1;
    if (mode == ById) {
        position = idMaps_[kind].valueAt(key);
    } else if (mode == ByPosition) {
        position = key;
    }
    return position >= 0 && position < count ? position : -1;
}

TagStore* CfgStore::at(int kind, int mode, int key) {
    ++changes_;  // every change of an entry goes through here
    int position = resolve(kind, mode, key);
    return position < 0 ? nullptr : entries_[kind][position].get();
}

const TagStore* CfgStore::at(int kind, int mode, int key) const {
    int position = resolve(kind, mode, key);
    return position < 0 ? nullptr : entries_[kind][position].get();
}

const TagStore* CfgStore::entry(int kind, int mode, int key) const { return at(kind, mode, key); }

int CfgStore::entryCount(int kind) const {
    if (kind < 0 || kind >= kKindCount) return -1;
    return static_cast<int>(entries_[kind].size());
}

int CfgStore::findFirstPosition(int kind, std::string_view name) const {
    if (kind < 0 || kind >= kKindCount) return -1;
    const auto& entries = entries_[kind];
    int low = 0;
    int high = static_cast<int>(entries.size());
    int found = -1;
    while (low < high) {
        int middle = low + (high - low) / 2;
        int relation = collateNames(entries[middle]->name.view(), name);
        if (relation == 0) {
            found = middle;
            break;
        }
        if (relation < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (found < 0) return -1;
    while (found > 0 && text::equalsIgnoreCase(entries[found - 1]->name.view(),
                                               entries[found]->name.view())) {
        --found;
    }
    return found;
}

int CfgStore::findFirstId(int kind, std::string_view name) const {
    int position = findFirstPosition(kind, name);
    return position < 0 ? -1 : entries_[kind][position]->id;
}

int CfgStore::positionOf(int kind, int id) const { return resolve(kind, ById, id); }

int CfgStore::entryId(int kind, int mode, int key) const {
    const TagStore* e = at(kind, mode, key);
    return e ? e->id : -1;
}

const char* CfgStore::entryName(int kind, int mode, int key) const {
    const TagStore* e = at(kind, mode, key);
    return e ? e->name.text() : nullptr;
}

int CfgStore::builtinType(int kind, int mode, int key) const {
    const TagStore* e = at(kind, mode, key);
    return e ? e->builtinType : -1;
}

int CfgStore::categoryOf(int kind, int mode, int key) const {
    const TagStore* e = at(kind, mode, key);
    return e ? e->categoryOf : -1;
}

int CfgStore::categoryPositionOf(int kind, int mode, int key) const {
    const TagStore* e = at(kind, mode, key);
    return e ? positionOf(Category, e->categoryOf) : -1;
}

int CfgStore::setCategoryOf(int kind, int mode, int key, int categoryId) {
    TagStore* e = at(kind, mode, key);
    if (!e) return -1;
    if (categoryId < 0) return 0;
    e->categoryOf = categoryId;
    isSaved_ = 0;
    return 1;
}

int CfgStore::option(int kind, int mode, int key, int slot) {
    TagStore* e = at(kind, mode, key);
    if (!e || slot < 0 || slot >= kOptionSlots) return -1;
    if (slot >= e->options.count()) e->options.ensureSize(slot + 1, -1);
    return e->options.valueAt(slot);
}

int CfgStore::setOption(int kind, int mode, int key, int slot, int value) {
    TagStore* e = at(kind, mode, key);
    if (!e) return -1;
    if (!e->setOptionValue(slot, value)) return 0;
    isSaved_ = 0;
    return 1;
}

const char* CfgStore::entryText(int kind, int mode, int key, int which) const {
    const TagStore* e = at(kind, mode, key);
    if (!e || which < 0 || which >= kTextSlots) return nullptr;
    return e->texts[which].text();
}

int CfgStore::setEntryText(int kind, int mode, int key, int which, std::string_view text) {
    TagStore* e = at(kind, mode, key);
    if (!e || which < 0 || which >= kTextSlots) return 0;
    if (text.size() > static_cast<std::size_t>(kMaxTextBytes)) return 0;
    if (e->texts[which].view() == text) return 1;
    if (!e->texts[which].assign(text)) return 0;
    isSaved_ = 0;
    return 1;
}

// ---- Lists and active categories --------------------------------------------------------

int CfgStore::listCount(int kind, int mode, int key, int list) const {
    const TagStore* e = at(kind, mode, key);
    if (!e || list < 0 || list >= kListCount) return -1;
    return e->lists[list].count();
}

int CfgStore::listItem(int kind, int mode, int key, int list, int i, int& found) const {
    found = 0;
    const TagStore* e = at(kind, mode, key);
    if (!e || list < 0 || list >= kListCount) return -1;
    return e->lists[list].get(i, found);
}

int CfgStore::listContains(int kind, int mode, int key, int list, int id) const {
    const TagStore* e = at(kind, mode, key);
    if (!e || list < 0 || list >= kListCount) return -1;
    return e->lists[list].indexOf(id) < e->lists[list].count() ? 1 : 0;
}

int CfgStore::listInsert(int kind, int mode, int key, int list, int id, const IntOrder& order) {
    TagStore* e = at(kind, mode, key);
    if (!e || list < 0 || list >= kListCount) return 0;
    if (!e->lists[list].insert(id, order)) return 0;
    isSaved_ = 0;
    return 1;
}

int CfgStore::listRemove(int kind, int mode, int key, int list, int id) {
    TagStore* e = at(kind, mode, key);
    if (!e || list < 0 || list >= kListCount) return 0;
    if (!e->lists[list].remove(id)) return 0;
    isSaved_ = 0;
    return 1;
}

int CfgStore::isCategoryActive(int categoryId) const {
    return activeCategories_.indexOf(categoryId) < activeCategories_.count() ? 1 : 0;
}

int CfgStore::activateCategory(int categoryId, const IntOrder& order) {
    ++changes_;
    if (!activeCategories_.insert(categoryId, order)) return 0;
    isSaved_ = 0;
    return 1;
}

int CfgStore::deactivateCategory(int categoryId) {
    ++changes_;
    if (!activeCategories_.remove(categoryId)) return 0;
    isSaved_ = 0;
    return 1;
}

int CfgStore::activeCategoryCount() const { return activeCategories_.count(); }

int CfgStore::activeCategoryAt(int i, int& found) const { return activeCategories_.get(i, found); }

IntOrder CfgStore::orderOf(int kind) const {
    return [this, kind](std::int32_t a, std::int32_t b) {
        return positionOf(kind, a) - positionOf(kind, b);
    };
}

// ---- Adding and deleting entries --------------------------------------------------------

int CfgStore::addEntry(int kind, const EntryRecord& record) {
    ++changes_;
    if (kind < 0 || kind >= kKindCount) return -1;
    IntStore& idMap = idMaps_[kind];
    auto& entries = entries_[kind];

    int id = record.id;
    if (id < 0) {
        id = idMap.indexOf(-1);  // the lowest free id, or a new one at the end of the map
    } else if (idMap.valueAt(id) != -1) {
        return -1;  // an explicit id must be free
    }
    if (id >= kMaxEntries) return -1;

    try {
        auto added = std::make_unique<TagStore>(
            std::string_view(record.name, strnlen(record.name, sizeof record.name)));
        if (record.categoryId >= 0) added->categoryOf = record.categoryId;
        if (record.builtinType >= 0) added->builtinType = record.builtinType;
        const std::int32_t options[] = {record.option0, record.option1, record.option2,
                                        record.option3, record.option4};
        for (int slot = 0; slot < 5; ++slot) {
            if (options[slot] >= 0) added->setOptionValue(slot, options[slot]);
        }
        added->id = id;

        // The entry order: by name, then by id.
        auto position = std::lower_bound(
            entries.begin(), entries.end(), added.get(),
            [](const std::unique_ptr<TagStore>& existing, const TagStore* probe) {
                int relation = collateNames(existing->name.view(), probe->name.view());
                return relation < 0 || (relation == 0 && existing->id < probe->id);
            });
        const int inserted = static_cast<int>(position - entries.begin());
        idMap.ensureSize(id + 1, -1);
        entries.insert(position, std::move(added));
        for (int i = 0; i < idMap.count(); ++i) {
            if (idMap.valueAt(i) >= inserted) idMap.set(i, idMap.valueAt(i) + 1);
        }
        idMap.set(id, inserted);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    isSaved_ = 0;
    return id;
}

int CfgStore::deleteEntry(int kind, int mode, int key) {
    ++changes_;
    if (kind < TagName || kind > Entity) return 0;
    int position = resolve(kind, mode, key);
    if (position < 0) return 0;
    auto& entries = entries_[kind];
    const int id = entries[position]->id;
    entries.erase(entries.begin() + position);
    if (entries.empty()) std::vector<std::unique_ptr<TagStore>>().swap(entries);

    IntStore& idMap = idMaps_[kind];
    for (int i = 0; i < idMap.count(); ++i) {
        int held = idMap.valueAt(i);
        if (held == position) {
            idMap.set(i, -1);
        } else if (held > position) {
            idMap.set(i, held - 1);
        }
    }
    cascadeDelete(kind, id);
    isSaved_ = 0;
    return 1;
}

// What a deleted entry leaves behind in the rest of the model.
void CfgStore::cascadeDelete(int kind, int id) {
    auto removeEverywhere = [id](IntStore& list) { list.removeEvery(id); };
    switch (kind) {
        case TagName:
            for (auto& tag : entries_[TagName]) {
                removeEverywhere(tag->lists[0]);
                removeEverywhere(tag->lists[1]);
            }
            break;
        case Attribute:
            for (auto& tag : entries_[TagName]) removeEverywhere(tag->lists[2]);
            break;
        case AttributeValue:
            for (auto& attribute : entries_[Attribute]) removeEverywhere(attribute->lists[0]);
            break;
        case Category:
            removeEverywhere(activeCategories_);
            // User-defined entries go to "(undefined)", built-in ones to "(all)".
            for (auto& entries : entries_) {
                for (auto& e : entries) {
                    if (e->categoryOf == id) e->categoryOf = e->builtinType > 0 ? 0 : 1;
                }
            }
            break;
        default:
            break;
    }
}

// ---- Notes, state, clearing ------------------------------------------------------------

const char* CfgStore::notes(int slot) const {
    if (slot < 0 || slot >= kNoteCount) return nullptr;
    return notes_[slot].text();
}

std::string_view CfgStore::noteView(int slot) const {
    if (slot < 0 || slot >= kNoteCount) return {};
    return notes_[slot].view();
}

int CfgStore::setNotes(int slot, std::string_view text) {
    if (slot < 0 || slot >= kNoteCount) return 0;
    if (text.size() > static_cast<std::size_t>(kMaxTextBytes)) return 0;
    if (notes_[slot].view() == text) return 1;
    if (!notes_[slot].assign(text)) return 0;
    isSaved_ = 0;
    return 1;
}

int CfgStore::markSaved() {
    int previous = isSaved_;
    isSaved_ = 1;
    return previous;
}

void CfgStore::setState(int loaded, int saved, int formatVersion) {
    isLoaded_ = loaded;
    isSaved_ = saved;
    formatVersion_ = formatVersion;
}

int CfgStore::clear() {
    ++changes_;
    for (auto& entries : entries_) std::vector<std::unique_ptr<TagStore>>().swap(entries);
    for (IntStore& idMap : idMaps_) idMap.removeAll();
    activeCategories_.removeAll();
    for (StrStore& note : notes_) note.clear();
    fileName_.assign(kNoFileName);
    isLoaded_ = 0;
    isSaved_ = 1;
    formatVersion_ = 2;
    return 1;
}

int CfgStore::resetToBuiltins() {
    struct Builtin {
        int kind;
        const char* name;
        int id;
        int type;
        int option0;
        int option1;
        int category;
    };
    static constexpr Builtin kBuiltins[] = {
        {TagName, "(everywhere)", 0, 1, -1, -1, 0},
        {TagName, "(first tag)", 1, 2, -1, -1, 0},
        {Category, "(all)", 0, 1, -1, -1, -1},
        {Category, "(undefined)", 1, 2, -1, -1, -1},
        {Attribute, "(ignore all)", 0, 1, 4, -1, 0},
        {AttributeValue, "(neg integer)", 0, 2, 0, 6, 0},
        {AttributeValue, "(percent)", 1, 7, 1, 6, 0},
        {AttributeValue, "(zero)", 2, 3, 1, 6, 0},
        {AttributeValue, "(integer offset)", 3, 6, 0, 6, 0},
        {AttributeValue, "(pos integer)", 4, 1, 1, 6, 0},
        {AttributeValue, "(six digit HEX)", 5, 5, 1, 6, 0},
        {AttributeValue, "(string)", 6, 4, 0, 6, 0},
        {AttributeValue, "(no value)", 7, 8, 1, 6, 0},
        {AttributeValue, "(ignore value)", 8, 9, 1, 6, 0},
        {AttributeValue, "(string 2)", 9, 4, 1, 6, 0},
        {AttributeValue, "(null string)", 10, 10, 0, 6, 0},
        {AttributeValue, "(alphanum string)", 11, 11, 1, 6, 0},
        {AttributeValue, "(int offset -6 to +6)", 12, 15, 0, 6, 0},
        {AttributeValue, "(16 color names)", 13, 12, 1, 6, 0},
        {AttributeValue, "(integers 1 to 7)", 14, 14, 1, 6, 0},
        {AttributeValue, "(Netscape color names)", 15, 13, 1, 6, 0},
        {AttributeValue, "(string 3)", 16, 4, 9, 6, 0},
        {AttributeValue, "(string 4)", 17, 4, 7, 6, 0},
        {AttributeValue, "(CF six digit HEX)", 18, 16, 0, 6, 0},
        {AttributeValue, "(Cold Fusion variable)", 19, 17, 0, 6, 0},
        {AttributeValue, "(single character)", 20, 18, 0, 6, 0},
        {AttributeValue, "(single alphanum char)", 21, 19, 1, 6, 0},
        {AttributeValue, "(relative width)", 22, 20, 0, 6, 0},
        {Entity, "(HTML 2.0 entities)", 0, 2, -1, -1, 0},
        {Entity, "(math, greek entities)", 1, 3, -1, -1, 0},
        {Entity, "(numeric entities)", 2, 1, -1, -1, 0},
        {Entity, "(special entities)", 3, 4, -1, -1, 0},
    };
    if (!clear()) return 0;
    for (const Builtin& builtin : kBuiltins) {
        EntryRecord record = EntryRecord::named(builtin.name);
        record.id = builtin.id;
        record.builtinType = builtin.type;
        record.categoryId = builtin.category;
        record.option0 = builtin.option0;
        record.option1 = builtin.option1;
        record.option4 = 0;  // slot 4 is 0 on every entry the program creates
        if (addEntry(builtin.kind, record) < 0) return 0;
    }
    markSaved();
    return 1;
}

const char* CfgStore::displayLabel(int kind, int mode, int key) const {
    const TagStore* e = at(kind, mode, key);
    if (!e) return nullptr;
    char id[16];
    std::snprintf(id, sizeof id, "%03d", e->id);
    // The name as the "%s" of the label reads it: up to a NUL a name may hold.
    label_.assign(e->name.text());
    label_.append(" (").append(id).append(")");
    return label_.c_str();
}

void CfgStore::sortKind(int kind) {
    ++changes_;
    auto before = [](const std::unique_ptr<TagStore>& a, const std::unique_ptr<TagStore>& b) {
        int relation = collateNames(a->name.view(), b->name.view());
        return relation < 0 || (relation == 0 && a->id < b->id);
    };
    // A file this program wrote is in this order already: one pass tells.
    if (std::is_sorted(entries_[kind].begin(), entries_[kind].end(), before)) return;
    std::stable_sort(entries_[kind].begin(), entries_[kind].end(), before);
}

void CfgStore::rebuildIdMap(int kind) {
    ++changes_;
    IntStore& idMap = idMaps_[kind];
    for (int i = 0; i < idMap.count(); ++i) idMap.set(i, -1);
    const auto& entries = entries_[kind];
    for (int position = 0; position < static_cast<int>(entries.size()); ++position) {
        idMap.set(entries[position]->id, position, true, -1);
    }
}
