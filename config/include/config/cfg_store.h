// The HTML Configuration: the rule set every validation is checked against. `CfgStore` holds
// `TagStore` entries of six kinds (tag names, attributes, attribute values, categories,
// character entities and a spare kind), each kind sorted by name and addressed by a per-kind
// id through its id map, plus the active categories, five notes and the binding to a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/intstore.h"
#include "config/strstore.h"

// Entry kinds.
enum EntryKind : int {
    TagName = 0,
    Attribute = 1,
    AttributeValue = 2,
    Category = 3,
    Entity = 4,
    Spare = 5,
};

// How an entry is addressed: by its id (mapped through the kind's id map) or its position in
// the kind's sorted array.
enum AddressMode : int { ById = 0, ByPosition = 1 };

namespace config {

constexpr int kKindCount = 6;
constexpr int kListCount = 5;
constexpr int kNoteCount = 5;
constexpr int kOptionSlots = 50;
constexpr int kTextSlots = 2;
// The two texts of an entry: shown when the entry is used, and when an attribute's value does
// not validate.
constexpr int MessageWhenUsed = 0, MessageWhenInvalid = 1;
// Ids stay below this; the editor refuses a 1000th entry of a kind with this limit.
constexpr int kMaxEntries = 999;
constexpr const char* kNoFileName = "(no configuration file loaded)";
// The most bytes a string record of a configuration file holds: a longer note or entry text
// would make a file that no load accepts, so the model refuses one.
constexpr int kMaxTextBytes = 100000;

// Option slot values.
constexpr int kClosingRequired = 0, kClosingOptional = 1, kClosingNone = 2;
// Tag entries: slot 5 says whether the element must hold at least one tag before its closing
// tag (kContentRequired). Entries the program creates have no slot 5, which reads as no.
constexpr int kTagContentSlot = 5;
constexpr int kContentRequired = 1, kContentMayBeEmpty = 0;
constexpr int kAttributeRequired = 3, kAttributeNotRequired = 4;
constexpr int kCaseSensitive = 5, kNotCaseSensitive = 6;
constexpr int kQuoteMustDouble = 0, kQuoteMayDouble = 1, kQuoteCannot = 2,
              kQuoteMayEither = 7, kQuoteMustSingle = 8, kQuoteMustEither = 9;

// Built-in type codes.
constexpr int kBuiltinEverywhere = 1, kBuiltinFirstTag = 2;     // tag names
constexpr int kBuiltinAll = 1, kBuiltinUndefined = 2;           // categories
constexpr int kBuiltinIgnoreAll = 1;                            // attributes
constexpr int kHighestValueType = 20;                           // attribute values 1..20

// The collation of configuration names: without regard to case; hyphen and apostrophe are
// passed over except as a final tie-break; punctuation orders before digits before letters,
// and bytes above 127 after letters. Negative, 0 or positive; 0 exactly when the names are
// equal without regard to ASCII case. Every sort and name look-up of the model uses it.
int collateNames(std::string_view a, std::string_view b);

}  // namespace config

// One entry of the HTML Configuration.
class TagStore {
public:
    TagStore() = default;
    explicit TagStore(std::string_view name) : name(name) {}

    // The option in `slot` (0..49), or -1 when it is unset or the slot is out of range.
    std::int32_t optionValue(int slot) const;
    // Sets `slot` to `value`, growing the option array with -1; fails for a slot outside 0..49
    // or a negative value.
    int setOptionValue(int slot, std::int32_t value);

    StrStore name;
    StrStore texts[config::kTextSlots];  // MessageWhenUsed, MessageWhenInvalid
    IntStore lists[config::kListCount];
    IntStore options;
    std::int32_t formatVersion = 2;
    std::int32_t id = -1;
    std::int32_t builtinType = -1;
    std::int32_t categoryOf = -1;
};

// What addEntry takes: the new entry's name and settings. Negative category, type and option
// values leave those fields unset; an id of -1 takes the lowest free id.
struct EntryRecord {
    char name[84] = {};
    std::int32_t categoryId = -1;
    std::int32_t id = -1;
    std::int32_t option0 = -1;
    std::int32_t option1 = -1;
    std::int32_t option2 = -1;
    std::int32_t option3 = -1;
    std::int32_t option4 = -1;
    std::int32_t builtinType = -1;

    // A record holding `text` as its name (cut to 83 bytes).
    static EntryRecord named(std::string_view text);
};

// The operations that add, delete or re-list entries are virtual so that a test can make one of
// them fail and watch how the maintenance functions and the editor report it.
class CfgStore {
public:
    CfgStore();
    virtual ~CfgStore();
    CfgStore(const CfgStore&) = delete;
    CfgStore& operator=(const CfgStore&) = delete;

    // Counts and look-ups. A bad kind gives -1.
    int entryCount(int kind) const;
    int findFirstPosition(int kind, std::string_view name) const;
    int findFirstId(int kind, std::string_view name) const;
    int positionOf(int kind, int id) const;

    // Entry fields, addressed by (kind, mode, key). A bad address gives -1 (null for texts).
    int entryId(int kind, int mode, int key) const;
    const char* entryName(int kind, int mode, int key) const;
    int builtinType(int kind, int mode, int key) const;
    int categoryOf(int kind, int mode, int key) const;
    int categoryPositionOf(int kind, int mode, int key) const;
    // -1 for a bad address, 0 when categoryId < 0, else 1.
    int setCategoryOf(int kind, int mode, int key, int categoryId);
    // -1 for a bad address, an unset slot or a slot outside 0..49. Reading an unset slot
    // beyond the option array grows the array to slot + 1 with -1.
    int option(int kind, int mode, int key, int slot);
    // -1 for a bad address, 0 for a slot outside 0..49 or a negative value, else 1.
    int setOption(int kind, int mode, int key, int slot, int value);
    // Texts 0 and 1; null for a bad address or slot. setEntryText fails for a text longer than
    // kMaxTextBytes.
    const char* entryText(int kind, int mode, int key, int which) const;
    int setEntryText(int kind, int mode, int key, int which, std::string_view text);

    // Entry lists 0..4.
    int listCount(int kind, int mode, int key, int list) const;
    int listItem(int kind, int mode, int key, int list, int i, int& found) const;
    int listContains(int kind, int mode, int key, int list, int id) const;
    virtual int listInsert(int kind, int mode, int key, int list, int id, const IntOrder& order);
    virtual int listRemove(int kind, int mode, int key, int list, int id);

    // Active categories.
    int isCategoryActive(int categoryId) const;
    virtual int activateCategory(int categoryId, const IntOrder& order);
    virtual int deactivateCategory(int categoryId);
    int activeCategoryCount() const;
    int activeCategoryAt(int i, int& found) const;

    // The new entry's id, or -1. `deleteEntry` takes kinds 0..4 and runs the cascades.
    virtual int addEntry(int kind, const EntryRecord& record);
    virtual int deleteEntry(int kind, int mode, int key);

    // Notes 0..4; null or 0 for a bad slot. noteView holds every byte of the note (empty for a
    // bad slot). setNotes fails for a text longer than kMaxTextBytes.
    const char* notes(int slot) const;
    std::string_view noteView(int slot) const;
    int setNotes(int slot, std::string_view text);

    const char* fileName() const { return fileName_.text(); }
    int isLoaded() const { return isLoaded_; }
    int isSaved() const { return isSaved_; }
    // Returns the previous saved state and marks the model saved.
    int markSaved();
    int isCurrentFormat() const { return formatVersion_ == 2 ? 1 : 0; }
    int formatVersion() const { return formatVersion_; }

    int clear();
    int resetToBuiltins();

    // Reads a whole configuration file from an open binary stream; `path` becomes the bound
    // file name on success. On failure the model is left cleared. Returns 1 or 0.
    int load(std::FILE* stream, std::string_view path);
    // The same from bytes in memory; when the bytes are refused and `reason` is given, it
    // receives a short account of what is wrong with them, kNoMemoryReason when nothing is
    // wrong with them but memory ran out while they were read.
    int loadBytes(std::string_view bytes, std::string_view path, std::string* reason = nullptr);
    static constexpr std::string_view kNoMemoryReason = "not enough memory to hold it";
    // Writes the whole model to an open binary stream; `upgrade` writes format version 2
    // throughout. Returns 1 or 0.
    int save(std::FILE* stream, std::string_view path, int upgrade);
    // The bytes save would write.
    std::string serialize(int upgrade) const;
    // What a successful save records: bound to `path`, saved, in the version written.
    void noteSaved(std::string_view path, int upgrade);

    // "%s (%03d)": the entry's name and id. The text lives in one buffer that the next call
    // overwrites.
    const char* displayLabel(int kind, int mode, int key) const;

    // The order of ids of `kind` by their positions, for listInsert and activateCategory.
    IntOrder orderOf(int kind) const;

    // Direct read access for the engine, the text form and the tests. Null for a bad address.
    const TagStore* entry(int kind, int mode, int key) const;
    const IntStore& activeCategories() const { return activeCategories_; }
    const IntStore& idMap(int kind) const { return idMaps_[kind]; }

    // A number that changes whenever the model may have changed (an entry, a list, an option,
    // a text or the active categories), so that what a reader works out from the model can be
    // kept until it does.
    std::uint64_t changeCount() const { return changes_; }

    // Restores the two state flags and the format version exactly, for a model built from the
    // text form.
    void setState(int loaded, int saved, int formatVersion);

private:
    TagStore* at(int kind, int mode, int key);
    const TagStore* at(int kind, int mode, int key) const;
    int resolve(int kind, int mode, int key) const;
    void cascadeDelete(int kind, int id);
    void rebuildIdMap(int kind);
    void sortKind(int kind);

    int isLoaded_ = 0;
    int isSaved_ = 1;
    std::vector<std::unique_ptr<TagStore>> entries_[config::kKindCount];
    IntStore activeCategories_;
    IntStore idMaps_[config::kKindCount];
    StrStore fileName_;
    StrStore notes_[config::kNoteCount];
    int formatVersion_ = 2;
    mutable std::string label_;
    std::uint64_t changes_ = 0;
};
