// Random sequences of operations on the HTML Configuration model. After every operation the
// model is checked against its own invariants and against a plain reference model kept beside
// it; every few operations it also goes through its file form: written with and without upgrade
// (the bytes compared with an independent writer of the format), read back into a second model,
// compared again, and written once more.
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"

#include "test_support.h"

namespace {

using namespace std::string_literals;
using config::collateNames;
using config::kKindCount;
using config::kListCount;
using config::kMaxEntries;
using config::kNoteCount;
using IntList = std::vector<std::int32_t>;

// ---- Checking --------------------------------------------------------------------------------

// The first check of a sequence that did not hold; the sequence stops there.
struct Mismatch {
    int line;
    std::string text;
};

template <typename Got, typename Want>
void requireEq(const Got& got, const Want& want, const char* what, int line) {
    if (!(got == want)) {
        throw Mismatch{line, std::string(what) + " is " + ::testing::PrintToString(got) +
                                 ", expected " + ::testing::PrintToString(want)};
    }
}
#define REQUIRE_EQ(got, want) requireEq((got), (want), #got, __LINE__)
#define REQUIRE(condition) requireEq(static_cast<bool>(condition), true, #condition, __LINE__)

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

std::string swapCase(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return s;
}

std::string withoutFlagWords(const std::string& file) {
    return file.size() < 12 ? file : file.substr(0, 4) + file.substr(12);
}

// Little-endian integers, string records and integer-list records, as the file holds them.
using Bytes = testing_support::FileBytes;

// ---- The reference model ---------------------------------------------------------------------

struct RefEntry {
    std::string name;
    int builtinType = -1;
    int categoryOf = -1;
    IntList options;
    IntList lists[kListCount];
    std::string texts[2];
    int version = 2;
};

// What the model should hold, in the plainest form: the entries of each kind by id, the ids in
// the order the model should keep them, and the length of each id map.
struct RefModel {
    std::map<int, RefEntry> entries[kKindCount];
    std::vector<int> order[kKindCount];
    int mapLength[kKindCount] = {};
    IntList active;
    std::string notes[kNoteCount];
    int loaded = 0;
    int saved = 1;
    int version = 2;
    std::string fileName = config::kNoFileName;

    bool before(int kind, int a, int b) const {
        int relation = collateNames(entries[kind].at(a).name, entries[kind].at(b).name);
        return relation < 0 || (relation == 0 && a < b);
    }

    int count(int kind) const {
        return kind >= 0 && kind < kKindCount ? static_cast<int>(order[kind].size()) : 0;
    }

    // The id an address names, or -1.
    int resolve(int kind, int mode, int key) const {
        if (kind < 0 || kind >= kKindCount) return -1;
        if (mode == ById) return entries[kind].count(key) ? key : -1;
        if (mode == ByPosition && key >= 0 && key < count(kind)) return order[kind][key];
        return -1;
    }
    RefEntry* find(int kind, int mode, int key) {
        int id = resolve(kind, mode, key);
        return id < 0 ? nullptr : &entries[kind].at(id);
    }

    void add(int kind, int id, RefEntry entry) {
        entries[kind][id] = std::move(entry);
        mapLength[kind] = std::max(mapLength[kind], id + 1);
        auto& ids = order[kind];
        ids.insert(std::upper_bound(ids.begin(), ids.end(), id,
                                    [&](int a, int b) { return before(kind, a, b); }),
                   id);
    }

    void remove(int kind, int id) {
        entries[kind].erase(id);
        std::erase(order[kind], id);
        // What a deleted entry leaves behind in the rest of the model.
        auto strip = [id](IntList& list) { std::erase(list, id); };
        switch (kind) {
            case TagName:
                for (auto& [tagId, tag] : entries[TagName]) {
                    strip(tag.lists[0]);
                    strip(tag.lists[1]);
                }
                break;
            case Attribute:
                for (auto& [tagId, tag] : entries[TagName])
                    strip(tag.lists[2]);
                break;
            case AttributeValue:
                for (auto& [attributeId, attribute] : entries[Attribute])
                    strip(attribute.lists[0]);
                break;
            case Category:
                strip(active);
                // Built-in entries go to "(all)", every other one to "(undefined)".
                for (auto& kindEntries : entries) {
                    for (auto& [entryId, e] : kindEntries) {
                        if (e.categoryOf == id) e.categoryOf = e.builtinType > 0 ? 0 : 1;
                    }
                }
                break;
            default:
                break;
        }
    }

    // The file the model should write, built here from the format's description alone. With
    // `shuffle`, each kind is stored in a random order instead (with id maps to match), as a
    // program with another collation might have written it.
    std::string write(int upgrade, std::mt19937* shuffle = nullptr) const {
        std::vector<int> stored[kKindCount];
        for (int kind = 0; kind < kKindCount; ++kind) {
            stored[kind] = order[kind];
            if (shuffle != nullptr)
                std::shuffle(stored[kind].begin(), stored[kind].end(), *shuffle);
        }
        const int fileVersion = upgrade ? 2 : version;
        Bytes out;
        out.i32(fileVersion).i32(loaded).i32(saved);
        for (int kind = 0; kind < kKindCount; ++kind)
            out.i32(count(kind));
        if (fileVersion == 2) {
            for (const std::string& note : notes)
                out.str(note);
        }
        out.list(active);
        for (int kind = 0; kind < kKindCount; ++kind) {
            IntList idMap(static_cast<std::size_t>(mapLength[kind]), -1);
            for (int p = 0; p < count(kind); ++p)
                idMap[static_cast<std::size_t>(stored[kind][p])] = p;
            out.list(idMap);
        }
        for (int kind = 0; kind < kKindCount; ++kind) {
            for (int id : stored[kind]) {
                const RefEntry& e = entries[kind].at(id);
                const int entryVersion = upgrade ? 2 : e.version;
                out.i32(entryVersion).i32(id).i32(e.builtinType).i32(e.categoryOf);
                if (entryVersion == 1) {
                    for (std::size_t slot = 0; slot < 5; ++slot) {
                        out.i32(slot < e.options.size() ? e.options[slot] : -1);
                    }
                }
                out.str(e.name);
                for (const IntList& list : e.lists)
                    out.list(list);
                if (entryVersion == 2) out.list(e.options).i32(2).str(e.texts[0]).str(e.texts[1]);
            }
        }
        return out.bytes();
    }

    // What a model holds after loading write(upgrade) from `path`.
    RefModel afterLoad(int upgrade, const std::string& path) const {
        RefModel loadedModel = *this;
        if (upgrade) loadedModel.version = 2;
        if (loadedModel.version == 1) {
            for (std::string& note : loadedModel.notes)
                note.clear();
        }
        for (auto& kindEntries : loadedModel.entries) {
            for (auto& [id, e] : kindEntries) {
                if (upgrade) e.version = 2;
                if (e.version == 1) {
                    e.options.resize(5, -1);
                    e.texts[0].clear();
                    e.texts[1].clear();
                }
            }
        }
        loadedModel.loaded = 1;
        loadedModel.saved = 1;
        loadedModel.fileName = path;
        return loadedModel;
    }

    // What a successful save to `path` records.
    void noteSaved(int upgrade, const std::string& path) {
        if (upgrade) {
            version = 2;
            for (auto& kindEntries : entries) {
                for (auto& [id, e] : kindEntries)
                    e.version = 2;
            }
        }
        loaded = 1;
        saved = 1;
        fileName = path;
    }
};

// The reference model of what `cfg` holds now, read through its public interface.
RefModel snapshot(const CfgStore& cfg) {
    RefModel ref;
    ref.loaded = cfg.isLoaded();
    ref.saved = cfg.isSaved();
    ref.version = cfg.formatVersion();
    ref.fileName = cfg.fileName();
    for (int slot = 0; slot < kNoteCount; ++slot)
        ref.notes[slot] = cfg.noteView(slot);
    ref.active = cfg.activeCategories().values();
    for (int kind = 0; kind < kKindCount; ++kind) {
        ref.mapLength[kind] = cfg.idMap(kind).count();
        for (int p = 0; p < cfg.entryCount(kind); ++p) {
            const TagStore* e = cfg.entry(kind, ByPosition, p);
            RefEntry copy;
            copy.name = e->name.str();
            copy.builtinType = e->builtinType;
            copy.categoryOf = e->categoryOf;
            copy.options = e->options.values();
            for (int list = 0; list < kListCount; ++list)
                copy.lists[list] = e->lists[list].values();
            copy.texts[0] = e->texts[0].str();
            copy.texts[1] = e->texts[1].str();
            copy.version = e->formatVersion;
            ref.entries[kind][e->id] = std::move(copy);
            ref.order[kind].push_back(e->id);
        }
    }
    return ref;
}

// ---- Checks of a model -----------------------------------------------------------------------

// The invariants the model keeps whatever was done to it: ids unique and below the limit, id
// maps that agree with the entries. With `collation`, also each kind in collation order (by
// name, then id) and look-ups that find the first entry of a run of equal names, in any case;
// these depend only on the names and their order, which checkSame compares after every
// operation, so the sequences check them again only after operations that add, remove or
// reorder entries.
void checkInvariants(const CfgStore& cfg, bool collation) {
    REQUIRE_EQ(cfg.entryCount(-1), -1);
    REQUIRE_EQ(cfg.entryCount(kKindCount), -1);
    for (int kind = 0; kind < kKindCount; ++kind) {
        const IntStore& idMap = cfg.idMap(kind);
        const int count = cfg.entryCount(kind);
        REQUIRE(idMap.count() <= kMaxEntries);
        std::vector<bool> held(static_cast<std::size_t>(idMap.count()), false);
        int runStart = 0;
        for (int p = 0; p < count; ++p) {
            const TagStore* e = cfg.entry(kind, ByPosition, p);
            REQUIRE(e != nullptr);
            REQUIRE(e->id >= 0 && e->id < idMap.count());
            REQUIRE(!held[static_cast<std::size_t>(e->id)]);
            held[static_cast<std::size_t>(e->id)] = true;
            REQUIRE_EQ(idMap.valueAt(e->id), p);
            REQUIRE_EQ(cfg.positionOf(kind, e->id), p);
            REQUIRE_EQ(cfg.entry(kind, ById, e->id), e);
            if (!collation) continue;
            if (p > 0) {
                const TagStore* previous = cfg.entry(kind, ByPosition, p - 1);
                int relation = collateNames(previous->name.view(), e->name.view());
                REQUIRE(relation < 0 || (relation == 0 && previous->id < e->id));
                if (!sameIgnoringCase(previous->name.view(), e->name.view())) runStart = p;
            }
            // Each run is looked up once: by its last entry's name, and by its first entry's
            // name in the other case.
            const TagStore* next = cfg.entry(kind, ByPosition, p + 1);
            if (next == nullptr || !sameIgnoringCase(next->name.view(), e->name.view())) {
                REQUIRE_EQ(cfg.findFirstPosition(kind, e->name.view()), runStart);
                const TagStore* first = cfg.entry(kind, ByPosition, runStart);
                REQUIRE_EQ(cfg.findFirstId(kind, swapCase(first->name.str())), first->id);
            }
        }
        // Every slot that no entry holds is free.
        for (int id = 0; id < idMap.count(); ++id) {
            if (!held[static_cast<std::size_t>(id)]) REQUIRE_EQ(idMap.valueAt(id), -1);
        }
        REQUIRE(cfg.entry(kind, ByPosition, count) == nullptr);
        REQUIRE(cfg.entry(kind, ById, idMap.count()) == nullptr);
    }
}

// The model holds what the reference model holds.
void checkSame(const CfgStore& cfg, const RefModel& ref) {
    REQUIRE_EQ(cfg.isLoaded(), ref.loaded);
    REQUIRE_EQ(cfg.isSaved(), ref.saved);
    REQUIRE_EQ(cfg.formatVersion(), ref.version);
    REQUIRE_EQ(std::string(cfg.fileName()), ref.fileName);
    for (int slot = 0; slot < kNoteCount; ++slot)
        REQUIRE_EQ(std::string(cfg.noteView(slot)), ref.notes[slot]);
    REQUIRE_EQ(cfg.activeCategories().values(), ref.active);
    for (int kind = 0; kind < kKindCount; ++kind) {
        REQUIRE_EQ(cfg.entryCount(kind), ref.count(kind));
        REQUIRE_EQ(cfg.idMap(kind).count(), ref.mapLength[kind]);
        for (int p = 0; p < ref.count(kind); ++p) {
            const TagStore* e = cfg.entry(kind, ByPosition, p);
            const int id = ref.order[kind][p];
            const RefEntry& want = ref.entries[kind].at(id);
            REQUIRE_EQ(e->id, id);
            REQUIRE_EQ(e->name.str(), want.name);
            REQUIRE_EQ(e->builtinType, want.builtinType);
            REQUIRE_EQ(e->categoryOf, want.categoryOf);
            REQUIRE_EQ(e->formatVersion, want.version);
            REQUIRE_EQ(e->options.values(), want.options);
            for (int list = 0; list < kListCount; ++list) {
                REQUIRE_EQ(e->lists[list].values(), want.lists[list]);
            }
            REQUIRE_EQ(e->texts[0].str(), want.texts[0]);
            REQUIRE_EQ(e->texts[1].str(), want.texts[1]);
        }
    }
}

// Every id in `list` names an entry of `kind`, and the ids are in that kind's order.
bool inKindOrder(const CfgStore& cfg, const IntList& list, int kind) {
    int last = -1;
    for (std::int32_t id : list) {
        int position = cfg.positionOf(kind, id);
        if (position < last) return false;  // also catches an id that names no entry
        last = position;
    }
    return true;
}

// Lists kept in order by the order functions: ranges and attribute lists of tag names, value
// lists of attributes, active categories. The sequences only put in ids of existing entries, so
// these lists stay in order through additions, deletions and loads.
void checkOrderedLists(const CfgStore& cfg) {
    for (int p = 0; p < cfg.entryCount(TagName); ++p) {
        const TagStore* tag = cfg.entry(TagName, ByPosition, p);
        REQUIRE(inKindOrder(cfg, tag->lists[0].values(), TagName));
        REQUIRE(inKindOrder(cfg, tag->lists[1].values(), TagName));
        REQUIRE(inKindOrder(cfg, tag->lists[2].values(), Attribute));
    }
    for (int p = 0; p < cfg.entryCount(Attribute); ++p) {
        REQUIRE(inKindOrder(cfg, cfg.entry(Attribute, ByPosition, p)->lists[0].values(),
                            AttributeValue));
    }
    REQUIRE(inKindOrder(cfg, cfg.activeCategories().values(), Category));
}

bool isOrderedList(int kind, int list) {
    return (kind == TagName && list >= 0 && list <= 2) || (kind == Attribute && list == 0);
}

// `after` is `before` with `id` put in at one place, the rest in the same sequence. Returns
// that place.
std::size_t insertionPoint(const IntList& before, const IntList& after, std::int32_t id) {
    REQUIRE_EQ(after.size(), before.size() + 1);
    auto differ = std::mismatch(before.begin(), before.end(), after.begin());
    std::size_t at = static_cast<std::size_t>(differ.second - after.begin());
    REQUIRE_EQ(after[at], id);
    REQUIRE(std::equal(before.begin() + static_cast<std::ptrdiff_t>(at), before.end(),
                       after.begin() + static_cast<std::ptrdiff_t>(at) + 1));
    return at;
}

// Names that collide: case variants, and variants that differ only in hyphens and apostrophes,
// which the collation passes over except as a final tie-break.
const std::vector<std::string> kNames = {
    "TABLE", "table", "Table", "TA-BLE", "ta'ble",    "tab-le",    "TABLE-", "-table", "TR",
    "tr",    "t-r",   "A",     "a",      "a-",        "-a",        "'",      "-",      "",
    "x1",    "X1",    "1x",    "(all)",  "\xc9t\xe9", "\xe9t\xc9", "zz",     "Z-Z"};

const std::vector<std::string> kTexts = {
    "",      "Use CSS instead.",    "{ENGLISH: \"Old\"} {FRENCH: \"Ancien\"}",
    "a\0b"s, std::string(300, 'm'), "\xe9t\xe9"};

// ---- One random sequence ---------------------------------------------------------------------

class Sequence {
  public:
    explicit Sequence(unsigned seed) : rng_(seed) {}

    void run(int steps) {
        for (step_ = 0; step_ < steps; ++step_) {
            operate();
            checkInvariants(*cfg_, reordered_);
            checkSame(*cfg_, ref_);
            checkOrderedLists(*cfg_);
            if (step_ % 10 == 9) {
                what_ = "look-ups";
                checkLookUps();
                checkFileForms();
            }
        }
    }

    std::string where() const { return "operation " + std::to_string(step_) + " (" + what_ + ")"; }

  private:
    struct Address {
        int kind;
        int mode;
        int key;
    };

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }
    template <typename T>
    const T& oneOf(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(pick(static_cast<int>(values.size())))];
    }

    int anyKind() {
        int r = pick(100);
        return r < 3 ? -1 : r < 6 ? kKindCount : pick(kKindCount);
    }

    // Mostly an existing entry by id or by position; sometimes a free id, an id beyond the map,
    // a position out of range or an address mode that does not exist.
    Address address(int kind) {
        const int count = ref_.count(kind);
        const int r = pick(100);
        if (r < 45 && count > 0)
            return {kind, ById, ref_.order[kind][static_cast<std::size_t>(pick(count))]};
        if (r < 85 && count > 0) return {kind, ByPosition, pick(count)};
        if (r < 90) return {kind, 7, 0};
        if (r < 95) {
            const int mapLength = kind >= 0 && kind < kKindCount ? ref_.mapLength[kind] : 0;
            return {kind, ById, pick(mapLength + 3) - 1};
        }
        return {kind, ByPosition, chance(50) ? -1 : count};
    }

    std::string describe(const char* operation, const Address& a) {
        return std::string(operation) + " kind " + std::to_string(a.kind) +
               (a.mode == ById         ? " id "
                : a.mode == ByPosition ? " position "
                                       : " mode 7 key ") +
               std::to_string(a.key);
    }

    int existing(int kind) {
        return ref_.order[kind][static_cast<std::size_t>(pick(ref_.count(kind)))];
    }

    void operate() {
        const int r = pick(1000);
        // Operations that add, remove or replace entries.
        reordered_ = true;
        if (r < 180) return addEntry();
        if (r < 290) return deleteEntry();
        if (r < 300) return clear();
        if (r < 315) return resetToBuiltins();
        if (r < 330) return reloadAsVersion1();
        if (r < 340) return failedLoad();
        if (r < 355) return checkFileForms();
        reordered_ = false;
        if (r < 505) return listInsert();
        if (r < 565) return listRemove();
        if (r < 665) return setOption();
        if (r < 715) return readOption();
        if (r < 775) return setEntryText();
        if (r < 835) return setCategoryOf();
        if (r < 895) return activateCategory();
        if (r < 935) return deactivateCategory();
        if (r < 975) return setNotes();
        return markSaved();
    }

    void addEntry() {
        const int kind = anyKind();
        EntryRecord record = EntryRecord::named(oneOf(kNames));
        const int mapLength = kind >= 0 && kind < kKindCount ? ref_.mapLength[kind] : 0;
        const int r = pick(100);
        record.id = r < 70   ? -1
                    : r < 95 ? pick(mapLength + 3)
                             : oneOf(std::vector{998, 999, 1000, 5000});
        record.categoryId = pick(6) - 1;
        const int t = pick(100);
        record.builtinType = t < 10 ? -1 : t < 80 ? 0 : t < 97 ? 1 + pick(4) : 21;
        std::int32_t* options[] = {&record.option0, &record.option1, &record.option2,
                                   &record.option3, &record.option4};
        for (std::int32_t* option : options)
            *option = chance(50) ? -1 : pick(10);
        what_ = "addEntry kind " + std::to_string(kind) + " \"" + record.name + "\" id " +
                std::to_string(record.id);

        int want = -1;
        if (kind >= 0 && kind < kKindCount) {
            int id = record.id;
            if (id == -1) {
                id = 0;
                while (id < mapLength && ref_.entries[kind].count(id))
                    ++id;
            } else if (ref_.entries[kind].count(id)) {
                id = -1;  // an explicit id must be free
            }
            want = id < kMaxEntries ? id : -1;
        }
        REQUIRE_EQ(cfg_->addEntry(kind, record), want);
        if (want < 0) return;
        RefEntry added;
        added.name = record.name;
        if (record.categoryId >= 0) added.categoryOf = record.categoryId;
        if (record.builtinType >= 0) added.builtinType = record.builtinType;
        for (std::size_t slot = 0; slot < 5; ++slot) {
            if (*options[slot] < 0) continue;
            if (added.options.size() <= slot) added.options.resize(slot + 1, -1);
            added.options[slot] = *options[slot];
        }
        ref_.add(kind, want, std::move(added));
        ref_.saved = 0;
    }

    void deleteEntry() {
        const int kind = chance(6) ? oneOf(std::vector{-1, static_cast<int>(Spare)}) : pick(5);
        const Address a = address(kind);
        what_ = describe("deleteEntry", a);
        const int id = kind >= TagName && kind <= Entity ? ref_.resolve(a.kind, a.mode, a.key) : -1;
        REQUIRE_EQ(cfg_->deleteEntry(a.kind, a.mode, a.key), id >= 0 ? 1 : 0);
        if (id < 0) return;
        ref_.remove(kind, id);
        ref_.saved = 0;

        // What the deleted entry leaves behind, checked on the model itself.
        auto nowhereIn = [&](int listKind, int list) {
            for (int p = 0; p < cfg_->entryCount(listKind); ++p) {
                REQUIRE_EQ(cfg_->listContains(listKind, ByPosition, p, list, id), 0);
            }
        };
        switch (kind) {
            case TagName:
                nowhereIn(TagName, 0);
                nowhereIn(TagName, 1);
                break;
            case Attribute:
                nowhereIn(TagName, 2);
                break;
            case AttributeValue:
                nowhereIn(Attribute, 0);
                break;
            case Category:
                REQUIRE_EQ(cfg_->isCategoryActive(id), 0);
                // Entries move to category 0 or 1, so only those ids can stay named.
                for (int k = 0; k < kKindCount && id > 1; ++k) {
                    for (int p = 0; p < cfg_->entryCount(k); ++p) {
                        REQUIRE(cfg_->categoryOf(k, ByPosition, p) != id);
                    }
                }
                break;
            default:
                break;
        }
    }

    void listInsert() {
        // Ranges, attribute lists and value lists get ids of their kind in order; every other
        // list gets arbitrary numbers appended.
        int kind;
        int list;
        int of = -1;
        const int r = pick(100);
        if (r < 35) {
            kind = TagName, list = pick(2), of = TagName;
        } else if (r < 55) {
            kind = TagName, list = 2, of = Attribute;
        } else if (r < 75) {
            kind = Attribute, list = 0, of = AttributeValue;
        } else {
            kind = anyKind();
            list = pick(kListCount + 2) - 1;
            if (isOrderedList(kind, list)) list = 3;
        }
        if (of >= 0 && ref_.count(of) == 0) return;
        const int id = of >= 0 ? existing(of) : pick(25) - 3;
        IntOrder order = of >= 0 ? cfg_->orderOf(of) : IntOrder{};
        const Address a = address(kind);
        what_ = describe("listInsert", a) + " list " + std::to_string(list) + " id " +
                std::to_string(id);

        RefEntry* target = ref_.find(a.kind, a.mode, a.key);
        const bool valid = target != nullptr && list >= 0 && list < kListCount;
        REQUIRE_EQ(cfg_->listInsert(a.kind, a.mode, a.key, list, id, order), valid ? 1 : 0);
        if (!valid) return;
        const IntList& after = cfg_->entry(a.kind, a.mode, a.key)->lists[list].values();
        const std::size_t at = insertionPoint(target->lists[list], after, id);
        if (!order) REQUIRE_EQ(at, target->lists[list].size());  // appended
        target->lists[list] = after;
        ref_.saved = 0;
    }

    void listRemove() {
        const Address a = address(anyKind());
        const int list = chance(5) ? oneOf(std::vector{-1, kListCount}) : pick(kListCount);
        RefEntry* target = ref_.find(a.kind, a.mode, a.key);
        const bool valid = target != nullptr && list >= 0 && list < kListCount;
        int id = pick(25) - 3;
        if (valid && !target->lists[list].empty() && chance(75)) id = oneOf(target->lists[list]);
        what_ = describe("listRemove", a) + " list " + std::to_string(list) + " id " +
                std::to_string(id);

        int want = 0;
        if (valid) {
            IntList& values = target->lists[list];
            auto found = std::find(values.begin(), values.end(), id);  // the first one only
            if (found != values.end()) {
                values.erase(found);
                want = 1;
                ref_.saved = 0;
            }
        }
        REQUIRE_EQ(cfg_->listRemove(a.kind, a.mode, a.key, list, id), want);
    }

    int anySlot() {
        const int r = pick(100);
        return r < 80 ? pick(5) : r < 90 ? 5 + pick(45) : oneOf(std::vector{-1, 50, 51, 1000});
    }

    void setOption() {
        const Address a = address(anyKind());
        const int slot = anySlot();
        const int value = chance(15) ? -1 - pick(3) : pick(10);
        what_ = describe("setOption", a) + " slot " + std::to_string(slot) + " value " +
                std::to_string(value);
        RefEntry* target = ref_.find(a.kind, a.mode, a.key);
        int want = -1;
        if (target != nullptr) {
            want = 0;
            if (slot >= 0 && slot < config::kOptionSlots && value >= 0) {
                auto index = static_cast<std::size_t>(slot);
                if (target->options.size() <= index) target->options.resize(index + 1, -1);
                target->options[index] = value;
                ref_.saved = 0;
                want = 1;
            }
        }
        REQUIRE_EQ(cfg_->setOption(a.kind, a.mode, a.key, slot, value), want);
    }

    void readOption() {
        const Address a = address(anyKind());
        const int slot = anySlot();
        what_ = describe("option", a) + " slot " + std::to_string(slot);
        RefEntry* target = ref_.find(a.kind, a.mode, a.key);
        int want = -1;
        if (target != nullptr && slot >= 0 && slot < config::kOptionSlots) {
            // Reading a slot beyond the option array grows the array; it is not a change.
            auto index = static_cast<std::size_t>(slot);
            if (target->options.size() <= index) target->options.resize(index + 1, -1);
            want = target->options[index];
        }
        REQUIRE_EQ(cfg_->option(a.kind, a.mode, a.key, slot), want);
    }

    void setEntryText() {
        const Address a = address(anyKind());
        const int which = chance(8) ? oneOf(std::vector{-1, 2}) : pick(2);
        RefEntry* target = ref_.find(a.kind, a.mode, a.key);
        const bool valid = target != nullptr && which >= 0 && which < 2;
        const std::string text = valid && chance(30) ? target->texts[which] : oneOf(kTexts);
        what_ = describe("setEntryText", a) + " text " + std::to_string(which);
        REQUIRE_EQ(cfg_->setEntryText(a.kind, a.mode, a.key, which, text), valid ? 1 : 0);
        if (valid && target->texts[which] != text) {
            target->texts[which] = text;
            ref_.saved = 0;
        }
        if (valid)
            REQUIRE_EQ(std::string(cfg_->entryText(a.kind, a.mode, a.key, which)), text.c_str());
        if (!valid) REQUIRE(cfg_->entryText(a.kind, a.mode, a.key, which) == nullptr);
    }

    void setCategoryOf() {
        const Address a = address(anyKind());
        int category = pick(6);
        if (chance(15))
            category = -1 - pick(2);
        else if (ref_.count(Category) > 0 && chance(60))
            category = existing(Category);
        what_ = describe("setCategoryOf", a) + " category " + std::to_string(category);
        RefEntry* target = ref_.find(a.kind, a.mode, a.key);
        int want = -1;
        if (target != nullptr) {
            want = category < 0 ? 0 : 1;
            if (category >= 0) {
                target->categoryOf = category;
                ref_.saved = 0;
            }
        }
        REQUIRE_EQ(cfg_->setCategoryOf(a.kind, a.mode, a.key, category), want);
        if (target != nullptr) {
            REQUIRE_EQ(cfg_->categoryPositionOf(a.kind, a.mode, a.key),
                       cfg_->positionOf(Category, target->categoryOf));
        }
    }

    void activateCategory() {
        if (ref_.count(Category) == 0) return;
        const int id = existing(Category);
        what_ = "activateCategory " + std::to_string(id);
        REQUIRE_EQ(cfg_->activateCategory(id, cfg_->orderOf(Category)), 1);
        const IntList& after = cfg_->activeCategories().values();
        insertionPoint(ref_.active, after, id);
        ref_.active = after;
        ref_.saved = 0;
        REQUIRE_EQ(cfg_->isCategoryActive(id), 1);
    }

    void deactivateCategory() {
        int id = pick(6);
        if (!ref_.active.empty() && chance(70)) id = oneOf(ref_.active);
        what_ = "deactivateCategory " + std::to_string(id);
        auto found = std::find(ref_.active.begin(), ref_.active.end(), id);
        const int want = found != ref_.active.end() ? 1 : 0;
        if (want) {
            ref_.active.erase(found);
            ref_.saved = 0;
        }
        REQUIRE_EQ(cfg_->deactivateCategory(id), want);
    }

    void setNotes() {
        const int slot = chance(8) ? oneOf(std::vector{-1, kNoteCount}) : pick(kNoteCount);
        const bool valid = slot >= 0 && slot < kNoteCount;
        const std::string text = valid && chance(30) ? ref_.notes[slot] : oneOf(kTexts);
        what_ = "setNotes " + std::to_string(slot);
        REQUIRE_EQ(cfg_->setNotes(slot, text), valid ? 1 : 0);
        if (valid && ref_.notes[slot] != text) {
            ref_.notes[slot] = text;
            ref_.saved = 0;
        }
        if (valid) REQUIRE_EQ(std::string(cfg_->notes(slot)), text.c_str());
        if (!valid) REQUIRE(cfg_->notes(slot) == nullptr && cfg_->noteView(slot).empty());
    }

    void markSaved() {
        what_ = "markSaved";
        REQUIRE_EQ(cfg_->markSaved(), ref_.saved);
        ref_.saved = 1;
    }

    void clear() {
        what_ = "clear";
        REQUIRE_EQ(cfg_->clear(), 1);
        ref_ = RefModel{};
    }

    void resetToBuiltins() {
        what_ = "resetToBuiltins";
        REQUIRE_EQ(cfg_->resetToBuiltins(), 1);
        ref_ = snapshot(*cfg_);
        // The built-in entries: numbered from 0 in each kind, typed, in "(all)" (categories in
        // none), option slot 4 set to 0; nothing active, nothing bound, nothing to save.
        const int counts[kKindCount] = {2, 1, 23, 2, 4, 0};
        for (int kind = 0; kind < kKindCount; ++kind) {
            REQUIRE_EQ(ref_.count(kind), counts[kind]);
            REQUIRE_EQ(ref_.mapLength[kind], counts[kind]);
            for (const auto& [id, e] : ref_.entries[kind]) {
                REQUIRE(e.builtinType > 0);
                REQUIRE_EQ(e.categoryOf, kind == Category ? -1 : 0);
                REQUIRE_EQ(e.options.size(), 5u);
                REQUIRE_EQ(e.options[4], 0);
                REQUIRE_EQ(e.version, 2);
            }
        }
        REQUIRE(ref_.active.empty());
        REQUIRE_EQ(ref_.loaded, 0);
        REQUIRE_EQ(ref_.saved, 1);
        REQUIRE_EQ(ref_.fileName, std::string(config::kNoFileName));
    }

    // The model is replaced by what a version-1 file of the same entries holds, some of them
    // written as version-1 entries and the others as version 2, sometimes stored in another
    // order: the model puts them back in its own, ids kept.
    void reloadAsVersion1() {
        const bool shuffled = chance(50);
        what_ = shuffled ? "load a version-1 file in another order" : "load a version-1 file";
        RefModel older = ref_;
        older.version = 1;
        for (auto& kindEntries : older.entries) {
            for (auto& [id, e] : kindEntries) {
                if (chance(60)) e.version = 1;
            }
        }
        REQUIRE_EQ(cfg_->loadBytes(older.write(0, shuffled ? &rng_ : nullptr), "old.cfg"), 1);
        ref_ = older.afterLoad(0, "old.cfg");
    }

    // A file cut short fails to load and leaves the model empty, as after clear.
    void failedLoad() {
        const std::string file = ref_.write(chance(50));
        const auto length = static_cast<std::size_t>(pick(static_cast<int>(file.size())));
        what_ = "load a file cut to " + std::to_string(length) + " of " +
                std::to_string(file.size()) + " bytes";
        REQUIRE_EQ(cfg_->loadBytes(file.substr(0, length), "cut.cfg"), 0);
        ref_ = RefModel{};
    }

    // Names of the pool, present or not, are found at the first entry of their run or not at
    // all; labels show the name and the id.
    void checkLookUps() {
        for (int kind = 0; kind < kKindCount; ++kind) {
            for (int i = 0; i < 4; ++i) {
                const std::string& name = oneOf(kNames);
                int want = -1;
                for (int p = 0; p < ref_.count(kind) && want < 0; ++p) {
                    if (sameIgnoringCase(ref_.entries[kind].at(ref_.order[kind][p]).name, name))
                        want = p;
                }
                REQUIRE_EQ(cfg_->findFirstPosition(kind, name), want);
            }
            if (ref_.count(kind) == 0) continue;
            const int id = existing(kind);
            char label[16];
            std::snprintf(label, sizeof label, " (%03d)", id);
            REQUIRE_EQ(std::string(cfg_->displayLabel(kind, ById, id)),
                       ref_.entries[kind].at(id).name + label);
        }
    }

    // Written with and without upgrade, the model gives the bytes the format describes; each
    // file read into a second model gives the same model (less what the versions written do not
    // carry) and, written again, the same bytes. Sometimes the sequence goes on with the model
    // read back, or the model is saved through a stream.
    void checkFileForms() {
        for (int upgrade = 0; upgrade <= 1; ++upgrade) {
            what_ = upgrade ? "file form, upgraded" : "file form";
            const std::string file = cfg_->serialize(upgrade);
            REQUIRE(file == ref_.write(upgrade));
            auto copy = std::make_unique<CfgStore>();
            REQUIRE_EQ(copy->loadBytes(file, "copy.cfg"), 1);
            RefModel copied = ref_.afterLoad(upgrade, "copy.cfg");
            checkInvariants(*copy, true);
            checkSame(*copy, copied);
            REQUIRE(withoutFlagWords(copy->serialize(0)) == withoutFlagWords(file));
            if (chance(10)) {
                cfg_ = std::move(copy);
                ref_ = std::move(copied);
            }
        }
        if (chance(25)) {
            const int upgrade = pick(2);
            what_ = upgrade ? "save, upgraded" : "save";
            const std::string want = ref_.write(upgrade);
            char* buffer = nullptr;
            std::size_t size = 0;
            FILE* stream = open_memstream(&buffer, &size);
            REQUIRE(stream != nullptr);
            const int saved = cfg_->save(stream, "saved.cfg", upgrade);
            std::fclose(stream);
            const std::string written(buffer, size);
            std::free(buffer);
            REQUIRE_EQ(saved, 1);
            REQUIRE(written == want);
            ref_.noteSaved(upgrade, "saved.cfg");
        }
    }

    std::mt19937 rng_;
    std::unique_ptr<CfgStore> cfg_ = std::make_unique<CfgStore>();
    RefModel ref_;
    int step_ = 0;
    std::string what_;
    bool reordered_ = false;  // entries were added, removed or replaced
};

// How many sequences to run: MARKWISE_CFG_SEQUENCES when set (for longer runs by hand), else 300,
// or 30 in unoptimised builds: the sanitizer run builds without optimisation and is about twenty
// times slower there.
unsigned sequenceCount() {
    if (const char* wanted = std::getenv("MARKWISE_CFG_SEQUENCES")) {
        return static_cast<unsigned>(std::strtoul(wanted, nullptr, 10));
    }
#ifdef NDEBUG
    return 300;
#else
    return 30;
#endif
}

TEST(CfgModelProperty, RandomOperationSequencesKeepTheModelSound) {
    constexpr int kSteps = 200;
    const unsigned sequences = sequenceCount();
    for (unsigned seed = 1; seed <= sequences; ++seed) {
        Sequence sequence(seed);
        try {
            sequence.run(kSteps);
        } catch (const Mismatch& mismatch) {
            FAIL() << "seed " << seed << ", " << sequence.where() << ", line " << mismatch.line
                   << ": " << mismatch.text;
        }
    }
}

// The reference writer and the model's writer are compared on every file above; this pins the
// reference writer itself to the format on one small model.
TEST(CfgModelProperty, ReferenceWriterFollowsTheFormat) {
    RefModel ref;
    RefEntry br;
    br.name = "BR";
    br.builtinType = 0;
    br.categoryOf = 1;
    br.options = {2};
    ref.add(TagName, 0, br);
    ref.entries[TagName].at(0).version = 1;
    ref.version = 1;
    const std::string want = Bytes{}
                                 .i32(1)
                                 .i32(0)
                                 .i32(1)
                                 .i32(1)
                                 .i32(0)
                                 .i32(0)
                                 .i32(0)
                                 .i32(0)
                                 .i32(0)  // header, counts
                                 .list({})
                                 .list({0})
                                 .list({})
                                 .list({})
                                 .list({})
                                 .list({})
                                 .list({})  // active, maps
                                 .i32(1)
                                 .i32(0)
                                 .i32(0)
                                 .i32(1)
                                 .i32(2)
                                 .i32(-1)
                                 .i32(-1)
                                 .i32(-1)
                                 .i32(-1)  // entry header
                                 .str("BR")
                                 .list({})
                                 .list({})
                                 .list({})
                                 .list({})
                                 .list({})
                                 .bytes();
    EXPECT_EQ(ref.write(0), want);
    CfgStore cfg;
    ASSERT_EQ(cfg.loadBytes(want, "br.cfg"), 1);
    EXPECT_EQ(cfg.serialize(0), "\x01\0\0\0\x01\0\0\0\x01\0\0\0"s + want.substr(12));
}

}  // namespace
