// What the editor's pages do: selections, New, Delete, "->" and "<-", the settings of the entry
// being configured with the protection of built-in entries, and the attribute being configured.

#include "config/editor.h"
#include "config/text_utils.h"
#include "editor_texts.h"

namespace config {

namespace {

using detail::fill;
using detail::Notice;
using detail::showNotice;

// The page a "->" source list or "<-" destination list belongs to, and which it is.
struct ListRole {
    EditorList list;
    EditorPage page;
    bool source;
};

constexpr ListRole kListRoles[] = {
    {EditorList::TagNames, EditorPage::TagNames, true},
    {EditorList::TagRange, EditorPage::TagNames, false},
    {EditorList::Attributes, EditorPage::Attributes, true},
    {EditorList::TagAttributes, EditorPage::Attributes, false},
    {EditorList::AttributeValues, EditorPage::AttributeValues, true},
    {EditorList::AttributeValueList, EditorPage::AttributeValues, false},
    {EditorList::Categories, EditorPage::Categories, true},
    {EditorList::ActiveCategories, EditorPage::Categories, false},
};

// What Delete and New need to know of each page with entries.
struct PageEntries {
    EditorPage page;
    std::string_view listName;  // as the must-select message names the source list
    int deleteFailure;
    int newFailure;
};

constexpr PageEntries kPageEntries[] = {
    {EditorPage::TagNames, "Tag Names", kFailDeleteTagName, kFailNewTagName},
    {EditorPage::Attributes, "Attributes", kFailDeleteAttribute, kFailNewAttribute},
    {EditorPage::AttributeValues, "Attribute Values", kFailDeleteAttributeValue,
     kFailNewAttributeValue},
    {EditorPage::Categories, "Categories", kFailDeleteCategory, kFailNewCategory},
    {EditorPage::Entities, "Character Entities", kFailDeleteEntity, kFailNewEntity},
};

const PageEntries* entriesOf(EditorPage page) {
    for (const PageEntries& entries : kPageEntries) {
        if (entries.page == page) return &entries;
    }
    return nullptr;
}

// The case of a letter that a name may hold: ASCII letters, and the letters of the Latin-1
// range with the few of Western European text beyond it (as a Western code page has them).
enum class LetterCase { None, Lower, Upper };

LetterCase caseOf(char32_t c) {
    if ((c >= U'a' && c <= U'z') || c == U'\u00DF' || (c >= U'\u00E0' && c <= U'\u00FF' && c != U'\u00F7') ||
        c == U'\u0153' || c == U'\u0161' || c == U'\u017E') {
        return LetterCase::Lower;
    }
    if ((c >= U'A' && c <= U'Z') || (c >= U'\u00C0' && c <= U'\u00DE' && c != U'\u00D7') ||
        c == U'\u0152' || c == U'\u0160' || c == U'\u0178' || c == U'\u017D') {
        return LetterCase::Upper;
    }
    return LetterCase::None;
}

// The upper case of a lower-case letter of caseOf(); "ß" has none and stays.
char32_t upperOf(char32_t c) {
    switch (c) {
        case U'\u00DF': return c;
        case U'\u00FF': return U'\u0178';
        case U'\u0153': return U'\u0152';
        case U'\u0161': return U'\u0160';
        case U'\u017E': return U'\u017D';
        default: return c - 0x20;  // a-z, and U+00E0 to U+00FE
    }
}

// Calls `visit(c, at, length)` for each character of a UTF-8 name: ASCII bytes and the
// two-byte sequences of U+0080 to U+07FF (where every letter of caseOf() lies) are decoded;
// any other byte is passed on alone as no letter.
template <typename Visit>
void forEachCharacter(const std::string& name, Visit&& visit) {
    for (std::size_t i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < name.size() &&
            (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
            visit(static_cast<char32_t>((lead & 0x1F) << 6 |
                                        (static_cast<unsigned char>(name[i + 1]) & 0x3F)),
                  i, std::size_t{2});
            i += 2;
        } else {
            visit(lead < 0x80 ? static_cast<char32_t>(lead) : U'\uFFFD', i, std::size_t{1});
            ++i;
        }
    }
}

// Tag names and attributes typed in one case become upper case; a mixed-case name is kept.
std::string caseOfNewName(std::string name) {
    bool lower = false;
    bool upper = false;
    forEachCharacter(name, [&](char32_t c, std::size_t, std::size_t) {
        lower = lower || caseOf(c) == LetterCase::Lower;
        upper = upper || caseOf(c) == LetterCase::Upper;
    });
    if (lower && upper) return name;
    // Every upper-case letter here takes as many bytes as its lower case: one below U+0080,
    // two above.
    forEachCharacter(name, [&](char32_t c, std::size_t at, std::size_t length) {
        if (caseOf(c) != LetterCase::Lower) return;
        const char32_t big = upperOf(c);
        if (length == 1) {
            name[at] = static_cast<char>(big);
        } else {
            name[at] = static_cast<char>(0xC0 | (big >> 6));
            name[at + 1] = static_cast<char>(0x80 | (big & 0x3F));
        }
    });
    return name;
}

// The name as the New buttons take it: at most 79 characters, and no more bytes than the
// creation record holds, cut between characters.
std::string newName(std::string_view typed) {
    constexpr std::size_t kRecordBytes = sizeof(EntryRecord::name) - 1;
    return std::string(
        text::firstBytes(text::firstCharacters(typed, kEditorNameCharacters), kRecordBytes));
}

EditorUpdate merged(EditorUpdate first, const EditorUpdate& second) {
    first.lists.insert(first.lists.end(), second.lists.begin(), second.lists.end());
    first.pageChanged = first.pageChanged || second.pageChanged;
    first.selectNameText = first.selectNameText || second.selectNameText;
    first.closed = first.closed || second.closed;
    return first;
}

}  // namespace

// ---- Selections -----------------------------------------------------------------------------

EditorUpdate EditorController::selectRow(EditorList list, int row) {
    if (row < 0 || row >= rowCount(list)) row = -1;
    const int id = idAt(list, row);
    switch (list) {
        case EditorList::TagNames:
        case EditorList::Entities:
            *storedSelection(list) = row;
            if (row >= 0) name_ = store_.entryName(kindOf(list), ById, id);
            break;
        case EditorList::TagBeingConfigured:
            if (id != tagId_) {
                commitTag();
                tagId_ = id;
            }
            break;
        case EditorList::Attributes:
        case EditorList::AttributeBeingConfigured:
            if (id != attributeId_) {
                commitAttribute();
                attributeId_ = id;
            }
            break;
        case EditorList::AttributeValues: valueId_ = id; break;
        case EditorList::CategoryChoice: return changeCategory(row);
        default:
            if (int* selection = storedSelection(list)) *selection = row;
            break;
    }
    return sync();
}

EditorUpdate EditorController::doubleClick(EditorList list, int row) {
    EditorUpdate update = selectRow(list, row);
    for (const ListRole& role : kListRoles) {
        if (role.list != list || role.page != page_ || selectedRow(list) < 0) continue;
        return merged(std::move(update), role.source ? pressAdd() : pressRemove());
    }
    return update;
}

// ---- Refusals -------------------------------------------------------------------------------

bool EditorController::needRow(int row, std::string_view listName) {
    if (row >= 0) return true;
    showNotice(ui_, detail::kMustSelectEntry, listName);
    return false;
}

namespace {

// The refusal for a missing entry, or for a built-in one when those are refused; none when the
// entry may be changed.
const Notice* refusal(const CfgStore& store, int kind, int id, const Notice& none,
                      const Notice* builtin) {
    if (id < 0 || store.positionOf(kind, id) < 0) return &none;
    if (builtin && store.builtinType(kind, ById, id) != 0) return builtin;
    return nullptr;
}

}  // namespace

bool EditorController::needUserTag() {
    const Notice* notice =
        refusal(store_, TagName, tagId_, detail::kSelectTagName, &detail::kBuiltinTagName);
    if (notice) showNotice(ui_, *notice);
    return !notice;
}

bool EditorController::needUserAttribute() {
    const Notice* notice = refusal(store_, Attribute, attributeId_, detail::kSelectAttribute,
                                   &detail::kBuiltinAttribute);
    if (notice) showNotice(ui_, *notice);
    return !notice;
}

bool EditorController::needValue(bool builtinRefused) {
    const Notice* notice =
        refusal(store_, AttributeValue, valueId_, detail::kSelectAttributeValue,
                builtinRefused ? &detail::kBuiltinAttributeValue : nullptr);
    if (notice) showNotice(ui_, *notice);
    return !notice;
}

bool EditorController::needUserEntity() {
    const Notice* notice = refusal(store_, Entity, idAt(EditorList::Entities, entitiesRow_),
                                   detail::kSelectEntity, &detail::kBuiltinEntity);
    if (notice) showNotice(ui_, *notice);
    return !notice;
}

// ---- Settings of the entry being configured --------------------------------------------------

EditorUpdate EditorController::changeCategory(int row) {
    int kind = pageKind();
    switch (page_) {
        case EditorPage::TagNames:
            if (!needUserTag()) return sync();
            break;
        case EditorPage::Attributes:
            if (!needUserAttribute()) return sync();
            break;
        case EditorPage::AttributeValues:
            if (!needValue(false)) return sync();
            break;
        case EditorPage::Entities:
            if (!needUserEntity()) return sync();
            break;
        default: return {};
    }
    const int entryId = pageEntryId();
    const int categoryId = idAt(EditorList::CategoryChoice, row);
    if (categoryId >= 0 && categoryId != store_.categoryOf(kind, ById, entryId)) {
        store_.setCategoryOf(kind, ById, entryId, categoryId);
    }
    return sync();
}

EditorUpdate EditorController::setChecked(EditorToggle toggle, bool on) {
    if (toggle == EditorToggle::RangeValid || toggle == EditorToggle::RangeInvalid) {
        if (on) rangeView_ = toggle == EditorToggle::RangeValid ? 1 : 0;
        return sync();
    }
    return changeOption(toggle, on);
}

EditorUpdate EditorController::changeOption(EditorToggle toggle, bool on) {
    struct Setting {
        EditorToggle toggle;
        int kind;
        int slot;
        int checked;    // the value a radio or a checked box sets
        int unchecked;  // the value a cleared box sets; -1 for a radio
    };
    static constexpr Setting kSettings[] = {
        {EditorToggle::NoClosingTag, TagName, 0, kClosingNone, -1},
        {EditorToggle::OptionalClosingTag, TagName, 0, kClosingOptional, -1},
        {EditorToggle::RequiredClosingTag, TagName, 0, kClosingRequired, -1},
        {EditorToggle::IgnoreToClosingTag, TagName, 1, 1, 0},
        {EditorToggle::WarnIfTagHasNoAttributes, TagName, 3, 1, 0},
        {EditorToggle::TagDisplayMessageWhenUsed, TagName, 2, 1, 0},
        {EditorToggle::RequiredAttribute, Attribute, 0, kAttributeRequired, kAttributeNotRequired},
        {EditorToggle::WarnIfMissing, Attribute, 1, 1, 0},
        {EditorToggle::AttributeDisplayMessageWhenUsed, Attribute, 2, 1, 0},
        {EditorToggle::AttributeDisplayMessageWhenInvalid, Attribute, 3, 1, 0},
        {EditorToggle::MustBeDoubleQuoted, AttributeValue, 0, kQuoteMustDouble, -1},
        {EditorToggle::MayBeDoubleQuoted, AttributeValue, 0, kQuoteMayDouble, -1},
        {EditorToggle::CannotBeQuoted, AttributeValue, 0, kQuoteCannot, -1},
        {EditorToggle::MustBeSingleQuoted, AttributeValue, 0, kQuoteMustSingle, -1},
        {EditorToggle::MustBeSingleOrDoubleQuoted, AttributeValue, 0, kQuoteMustEither, -1},
        {EditorToggle::MayBeSingleOrDoubleQuoted, AttributeValue, 0, kQuoteMayEither, -1},
        {EditorToggle::CaseSensitive, AttributeValue, 1, kCaseSensitive, kNotCaseSensitive},
    };
    const Setting* setting = nullptr;
    for (const Setting& s : kSettings) {
        if (s.toggle == toggle) setting = &s;
    }
    if (!setting) return {};
    const int value = on ? setting->checked : setting->unchecked;
    if (value < 0) return {};  // a radio button is only ever switched on

    bool allowed = false;
    int id = -1;
    switch (setting->kind) {
        case TagName:
            allowed = needUserTag();
            id = tagId_;
            break;
        case Attribute:
            allowed = needUserAttribute();
            id = attributeId_;
            break;
        default:
            // Built-in values keep their case rule; their quotation may change.
            allowed = needValue(toggle == EditorToggle::CaseSensitive);
            id = valueId_;
            break;
    }
    if (allowed) {
        const TagStore* e = store_.entry(setting->kind, ById, id);
        if (e && e->optionValue(setting->slot) != value) {
            store_.setOption(setting->kind, ById, id, setting->slot, value);
        }
    }
    return {};
}

// ---- New and Delete ----------------------------------------------------------------------------

EditorUpdate EditorController::pressNew() {
    const int kind = pageKind();
    const PageEntries* entries = entriesOf(page_);
    if (kind < 0 || !entries) return {};
    if (store_.entryCount(kind) >= kMaxEntries) {
        showNotice(ui_, detail::kLimitReached, std::to_string(kMaxEntries));
        return {};
    }
    std::string name = newName(name_);
    if (name.empty()) {
        showNotice(ui_, detail::kSpecifyString);
        return {};
    }
    if (kind != Category && name.find_first_of(" \t") != std::string::npos) {
        showNotice(ui_, detail::kNoSpaces);
        return {};
    }
    if (kind == TagName || kind == Attribute) name = caseOfNewName(std::move(name));

    EntryRecord record = EntryRecord::named(name);
    record.builtinType = 0;
    record.option4 = 0;
    // New entries start in category id 1, "(undefined)" among the built-in entries, where a
    // deleted category's entries go too.
    if (kind != Category) record.categoryId = 1;
    switch (kind) {
        case TagName:
            record.option0 = kClosingRequired;
            record.option1 = record.option2 = record.option3 = 0;
            break;
        case Attribute: record.option0 = kAttributeNotRequired; break;
        case AttributeValue:
            record.option0 = kQuoteMayDouble;
            record.option1 = kNotCaseSensitive;
            break;
        default: break;
    }
    const int id = store_.addEntry(kind, record);
    if (failed(id >= 0, entries->newFailure)) return sync();

    EditorUpdate update = sync();
    const int position = store_.positionOf(kind, id);
    switch (kind) {
        case TagName: tagNamesRow_ = position; break;
        case Attribute:
            commitAttribute();
            attributeId_ = id;
            break;
        case AttributeValue: valueId_ = id; break;
        case Category: categoriesRow_ = position; break;
        case Entity: entitiesRow_ = position; break;
        default: break;
    }
    update = sync(std::move(update));
    update.selectNameText = true;
    return update;
}

EditorUpdate EditorController::pressDelete() {
    const int kind = pageKind();
    const PageEntries* entries = entriesOf(page_);
    if (kind < 0 || !entries) return {};
    int row = -1;
    switch (kind) {
        case TagName: row = tagNamesRow_; break;
        case Attribute: row = store_.positionOf(Attribute, attributeId_); break;
        case AttributeValue: row = store_.positionOf(AttributeValue, valueId_); break;
        case Category: row = categoriesRow_; break;
        case Entity: row = entitiesRow_; break;
        default: break;
    }
    if (!needRow(row, entries->listName)) return {};
    if (store_.builtinType(kind, ByPosition, row) != 0) {
        showNotice(ui_, detail::kBuiltinEntry);
        return {};
    }
    const Notice& question = detail::kDeleteQuestions[kind];
    const std::string label = store_.displayLabel(kind, ByPosition, row);
    if (ui_.messageBox(std::string(question.caption), fill(question.text, label), question.icon,
                       platform::Buttons::YesNo) != platform::Answer::Yes) {
        return {};
    }
    failed(store_.deleteEntry(kind, ByPosition, row) == 1, entries->deleteFailure);
    return sync();
}

// ---- "->" and "<-" -------------------------------------------------------------------------------

EditorUpdate EditorController::pressAdd() {
    // Puts `id` once into list `list` of the entry being configured, in position order.
    auto addOnce = [this](int owner, int ownerId, int list, int id, int listed,
                          const Notice& already, int failure) {
        if (store_.listContains(owner, ById, ownerId, list, id) == 1) {
            showNotice(ui_, already);
            return EditorUpdate{};
        }
        failed(store_.listInsert(owner, ById, ownerId, list, id, store_.orderOf(listed)) == 1,
               failure);
        return sync();
    };
    switch (page_) {
        case EditorPage::TagNames: {
            if (!needRow(tagNamesRow_, "Tag Names") || !needUserTag()) return {};
            const int id = idAt(EditorList::TagNames, tagNamesRow_);
            // A tag stands in one of the two ranges at most, whichever is shown.
            if (store_.listContains(TagName, ById, tagId_, 0, id) == 1) {
                showNotice(ui_, detail::kAlreadyValidRange);
                return {};
            }
            if (store_.listContains(TagName, ById, tagId_, 1, id) == 1) {
                showNotice(ui_, detail::kAlreadyInvalidRange);
                return {};
            }
            failed(store_.listInsert(TagName, ById, tagId_, rangeView_ == 1 ? 0 : 1, id,
                                     store_.orderOf(TagName)) == 1,
                   kFailAddToRange);
            return sync();
        }
        case EditorPage::Attributes:
            if (!needRow(store_.positionOf(Attribute, attributeId_), "Attributes") ||
                !needUserTag()) {
                return {};
            }
            return addOnce(TagName, tagId_, 2, attributeId_, Attribute,
                           detail::kAttributeAlreadyAdded, kFailAddAttributeToTag);
        case EditorPage::AttributeValues:
            if (!needRow(store_.positionOf(AttributeValue, valueId_), "Attribute Values") ||
                !needUserAttribute()) {
                return {};
            }
            return addOnce(Attribute, attributeId_, 0, valueId_, AttributeValue,
                           detail::kValueAlreadyAdded, kFailAddValueToAttribute);
        case EditorPage::Categories: {
            if (!needRow(categoriesRow_, "Categories")) return {};
            const int id = idAt(EditorList::Categories, categoriesRow_);
            if (store_.builtinType(Category, ById, id) != 0) {
                showNotice(ui_, detail::kBuiltinEntry);
                return {};
            }
            if (store_.isCategoryActive(id)) {
                showNotice(ui_, detail::kCategoryAlreadyActive,
                           store_.displayLabel(Category, ById, id));
                return {};
            }
            store_.activateCategory(id, store_.orderOf(Category));
            return sync();
        }
        default: return {};
    }
}

EditorUpdate EditorController::pressRemove() {
    // Takes the selected row of a destination list out of list `list` of its owner.
    auto removeRow = [this](EditorList shown, std::string_view name, int owner, int ownerId,
                            int list, int failure) {
        const int row = selectedRow(shown);
        if (!needRow(row, name)) return EditorUpdate{};
        failed(store_.listRemove(owner, ById, ownerId, list, idAt(shown, row)) == 1, failure);
        return sync();
    };
    switch (page_) {
        case EditorPage::TagNames:
            return removeRow(EditorList::TagRange, "Tag Valid in Range", TagName, tagId_,
                             rangeView_ == 1 ? 0 : 1, kFailRemoveFromRange);
        case EditorPage::Attributes:
            return removeRow(EditorList::TagAttributes, "Tag Attributes", TagName, tagId_, 2,
                             kFailRemoveAttributeFromTag);
        case EditorPage::AttributeValues:
            return removeRow(EditorList::AttributeValueList, "Attribute's Attribute Values",
                             Attribute, attributeId_, 0, kFailRemoveValueFromAttribute);
        case EditorPage::Categories:
            if (!needRow(activeRow_, "Active Categories")) return {};
            store_.deactivateCategory(idAt(EditorList::ActiveCategories, activeRow_));
            return sync();
        default: return {};
    }
}

// ---- The attribute being configured -----------------------------------------------------------

// Next and Prev. Attribute: the next or previous user-defined attribute in position order,
// wrapping around; without one the attribute being configured stays.
EditorUpdate EditorController::moveAttribute(int direction) {
    const int count = store_.entryCount(Attribute);
    const int current = store_.positionOf(Attribute, attributeId_);
    const int start = current >= 0 ? current : (direction > 0 ? -1 : count);
    for (int step = 1; step <= count; ++step) {
        const int position = ((start + direction * step) % count + count) % count;
        if (store_.builtinType(Attribute, ByPosition, position) != 0) continue;
        const int id = store_.entryId(Attribute, ByPosition, position);
        if (id != attributeId_) {
            commitAttribute();
            attributeId_ = id;
        }
        return sync();
    }
    return {};
}

}  // namespace config
