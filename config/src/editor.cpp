// The editor's state, the rows of its lists and how they follow the model, what the view reads,
// and the dialog's buttons. The page actions are in editor_pages.cpp.
#include "config/editor.h"

#include <algorithm>
#include <cstdio>

#include "config/maintenance.h"
#include "config/text_utils.h"
#include "editor_texts.h"

namespace config {

namespace {

constexpr EditorPageInfo kPages[kEditorPageCount] = {
    {EditorPage::TagNames, "Tag Names", "tag names editor"},
    {EditorPage::Attributes, "Attributes", "attributes editor"},
    {EditorPage::AttributeValues, "Attribute Values", "attribute values editor"},
    {EditorPage::Categories, "Categories", "html categories editor"},
    {EditorPage::Entities, "Entities", "character entities editor"},
    {EditorPage::Notes, "Notes", "html configuration notes editor"},
};

int index(EditorList list) { return static_cast<int>(list); }

int entityTable(EditorList list) {
    switch (list) {
        case EditorList::Html20Entities: return 0;
        case EditorList::MathGreekEntities: return 1;
        case EditorList::SpecialEntities: return 2;
        default: return -1;
    }
}

// The ids of every entry of `kind`, in position order.
std::vector<int> allIds(const CfgStore& store, int kind) {
    std::vector<int> ids;
    const int count = store.entryCount(kind);
    ids.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int position = 0; position < count; ++position) {
        ids.push_back(store.entryId(kind, ByPosition, position));
    }
    return ids;
}

// The ids in list `list` of an entry, in stored order; none when there is no entry.
std::vector<int> listIds(const CfgStore& store, int kind, int id, int list) {
    std::vector<int> ids;
    if (id < 0) return ids;
    int found = 0;
    for (int i = 0;; ++i) {
        int item = store.listItem(kind, ById, id, list, i, found);
        if (!found) break;
        ids.push_back(item);
    }
    return ids;
}

// How `after` follows from `before` when only rows were inserted, or only rows were removed:
// the changes in the order to apply them. Anything else is one Reset.
std::vector<ListChange> difference(EditorList list, const std::vector<int>& before,
                                   const std::vector<int>& after) {
    std::vector<ListChange> changes;
    const bool inserting = after.size() > before.size();
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < before.size() || j < after.size()) {
        if (i < before.size() && j < after.size() && before[i] == after[j]) {
            ++i;
            ++j;
        } else if (inserting && j < after.size()) {
            changes.push_back({list, ListChange::Kind::Inserted, static_cast<int>(j++)});
        } else if (!inserting && i < before.size()) {
            changes.push_back({list, ListChange::Kind::Removed, static_cast<int>(j)});
            ++i;
        } else {
            return {{list, ListChange::Kind::Reset, -1}};
        }
    }
    return changes;
}

}  // namespace

std::span<const EditorPageInfo> editorPages() { return kPages; }

const EditorPageInfo& editorPageInfo(EditorPage page) { return kPages[static_cast<int>(page)]; }

bool EditorUpdate::changed(EditorList list) const {
    return std::any_of(lists.begin(), lists.end(),
                       [list](const ListChange& change) { return change.list == list; });
}

EditorController::EditorController(CfgStore& store, platform::UserInterface& ui,
                                   EditorShell& shell)
    : store_(store), ui_(ui), shell_(shell) {}

// ---- State -------------------------------------------------------------------------------

void EditorController::resetState() {
    tagId_ = attributeId_ = valueId_ = -1;
    rangeView_ = 1;
    tagNamesRow_ = rangeRow_ = tagAttributesRow_ = valueListRow_ = -1;
    categoriesRow_ = activeRow_ = entitiesRow_ = -1;
    name_.clear();
    tagMessage_.reset();
    attributeTexts_[0].reset();
    attributeTexts_[1].reset();
    notes_.reset();
    for (ListRows& rows : rows_) rows = ListRows{};
}

void EditorController::configurationReplaced() { resetState(); }

EditorUpdate EditorController::open() {
    page_ = EditorPage::TagNames;
    name_.clear();
    EditorUpdate update = sync();
    update.pageChanged = true;
    return update;
}

int EditorController::kindOf(EditorList list) const {
    switch (list) {
        case EditorList::TagNames:
        case EditorList::TagRange:
        case EditorList::TagBeingConfigured: return TagName;
        case EditorList::Attributes:
        case EditorList::TagAttributes:
        case EditorList::AttributeBeingConfigured: return Attribute;
        case EditorList::AttributeValues:
        case EditorList::AttributeValueList: return AttributeValue;
        case EditorList::Categories:
        case EditorList::ActiveCategories:
        case EditorList::CategoryChoice: return Category;
        case EditorList::Entities: return Entity;
        default: return -1;
    }
}

std::vector<int> EditorController::currentIds(EditorList list, long long& owner) const {
    owner = -1;
    switch (list) {
        case EditorList::TagRange:
            owner = tagId_ * 2LL + rangeView_;
            return listIds(store_, TagName, tagId_, rangeView_ == 1 ? 0 : 1);
        case EditorList::TagAttributes:
            owner = tagId_;
            return listIds(store_, TagName, tagId_, 2);
        case EditorList::AttributeValueList:
            owner = attributeId_;
            return listIds(store_, Attribute, attributeId_, 0);
        case EditorList::ActiveCategories: return store_.activeCategories().values();
        default: {
            const int kind = kindOf(list);
            return kind < 0 ? std::vector<int>{} : allIds(store_, kind);
        }
    }
}

int* EditorController::storedSelection(EditorList list) {
    switch (list) {
        case EditorList::TagNames: return &tagNamesRow_;
        case EditorList::TagRange: return &rangeRow_;
        case EditorList::TagAttributes: return &tagAttributesRow_;
        case EditorList::AttributeValueList: return &valueListRow_;
        case EditorList::Categories: return &categoriesRow_;
        case EditorList::ActiveCategories: return &activeRow_;
        case EditorList::Entities: return &entitiesRow_;
        default: return nullptr;
    }
}

// Brings one list's rows up to the model and moves its selection with its entry.
void EditorController::syncList(EditorList list, EditorUpdate& update) {
    ListRows& rows = rows_[static_cast<std::size_t>(index(list))];
    long long owner = -1;
    std::vector<int> ids = currentIds(list, owner);
    int* selection = storedSelection(list);
    if (rows.owner == owner && rows.ids == ids) return;

    std::vector<ListChange> changes;
    if (rows.owner != owner) {
        changes.push_back({list, ListChange::Kind::Reset, -1});
        if (selection) *selection = -1;
    } else {
        changes = difference(list, rows.ids, ids);
    }
    if (selection && *selection >= 0 && rows.owner == owner) {
        int& row = *selection;
        const int selectedId =
            row < static_cast<int>(rows.ids.size()) ? rows.ids[static_cast<std::size_t>(row)] : -1;
        for (const ListChange& change : changes) {
            if (change.kind == ListChange::Kind::Reset) {
                // The entry keeps its selection when it is still in the list once.
                auto count = std::count(ids.begin(), ids.end(), selectedId);
                row = count == 1 ? static_cast<int>(std::find(ids.begin(), ids.end(), selectedId) -
                                                    ids.begin())
                                 : -1;
                break;
            }
            if (row < 0) break;
            if (change.kind == ListChange::Kind::Inserted && change.row <= row) ++row;
            if (change.kind == ListChange::Kind::Removed) {
                if (change.row == row) row = -1;
                else if (change.row < row) --row;
            }
        }
    }
    rows.ids = std::move(ids);
    rows.owner = owner;
    update.lists.insert(update.lists.end(), changes.begin(), changes.end());
}

// After every action: entries that no longer exist are no longer configured (a text typed for
// them goes with them), and every list follows the model.
EditorUpdate EditorController::sync(EditorUpdate update) {
    if (tagId_ >= 0 && store_.positionOf(TagName, tagId_) < 0) {
        tagId_ = -1;
        tagMessage_.reset();
    }
    if (attributeId_ >= 0 && store_.positionOf(Attribute, attributeId_) < 0) {
        attributeId_ = -1;
        attributeTexts_[0].reset();
        attributeTexts_[1].reset();
    }
    if (valueId_ >= 0 && store_.positionOf(AttributeValue, valueId_) < 0) valueId_ = -1;
    for (int list = 0; list < kEditorListCount; ++list) {
        if (entityTable(static_cast<EditorList>(list)) < 0) {
            syncList(static_cast<EditorList>(list), update);
        }
    }
    return update;
}

// ---- What the view shows ------------------------------------------------------------------

int EditorController::rowCount(EditorList list) const {
    if (int table = entityTable(list); table >= 0) {
        return static_cast<int>(shell_.builtinEntityNames(table).size());
    }
    return static_cast<int>(rows_[static_cast<std::size_t>(index(list))].ids.size());
}

int EditorController::idAt(EditorList list, int row) const {
    const std::vector<int>& ids = rows_[static_cast<std::size_t>(index(list))].ids;
    return row >= 0 && row < static_cast<int>(ids.size()) ? ids[static_cast<std::size_t>(row)]
                                                           : -1;
}

std::string EditorController::rowText(EditorList list, int row) const {
    if (int table = entityTable(list); table >= 0) {
        std::span<const std::string_view> names = shell_.builtinEntityNames(table);
        return row >= 0 && row < static_cast<int>(names.size())
                   ? std::string(names[static_cast<std::size_t>(row)])
                   : std::string();
    }
    if (row < 0 || row >= rowCount(list)) return {};
    const int id = idAt(list, row);
    if (const char* label = store_.displayLabel(kindOf(list), ById, id)) return label;
    // A list of a loaded file may name an id that no entry has; the row stays removable.
    char text[40];
    std::snprintf(text, sizeof text, "(missing entry) (%03d)", id);
    return text;
}

int EditorController::selectedRow(EditorList list) const {
    switch (list) {
        case EditorList::TagNames: return tagNamesRow_;
        case EditorList::TagRange: return rangeRow_;
        case EditorList::TagBeingConfigured: return store_.positionOf(TagName, tagId_);
        case EditorList::Attributes:
        case EditorList::AttributeBeingConfigured: return store_.positionOf(Attribute, attributeId_);
        case EditorList::TagAttributes: return tagAttributesRow_;
        case EditorList::AttributeValues: return store_.positionOf(AttributeValue, valueId_);
        case EditorList::AttributeValueList: return valueListRow_;
        case EditorList::Categories: return categoriesRow_;
        case EditorList::ActiveCategories: return activeRow_;
        case EditorList::CategoryChoice: {
            const int kind = pageKind();
            const int id = pageEntryId();
            return kind < 0 || id < 0 ? -1 : store_.categoryPositionOf(kind, ById, id);
        }
        case EditorList::Entities: return entitiesRow_;
        default: return -1;
    }
}

int EditorController::pageKind() const {
    switch (page_) {
        case EditorPage::TagNames: return TagName;
        case EditorPage::Attributes: return Attribute;
        case EditorPage::AttributeValues: return AttributeValue;
        case EditorPage::Categories: return Category;
        case EditorPage::Entities: return Entity;
        default: return -1;
    }
}

// The entry whose settings the page shows.
int EditorController::pageEntryId() const {
    switch (page_) {
        case EditorPage::TagNames: return tagId_;
        case EditorPage::Attributes: return attributeId_;
        case EditorPage::AttributeValues: return valueId_;
        case EditorPage::Entities: return idAt(EditorList::Entities, entitiesRow_);
        default: return -1;
    }
}

bool EditorController::isChecked(EditorToggle toggle) const {
    auto option = [this](int kind, int id, int slot) {
        const TagStore* e = store_.entry(kind, ById, id);
        return e ? e->optionValue(slot) : -1;
    };
    switch (toggle) {
        case EditorToggle::RangeValid: return rangeView_ == 1;
        case EditorToggle::RangeInvalid: return rangeView_ == 0;
        case EditorToggle::NoClosingTag: return option(TagName, tagId_, 0) == kClosingNone;
        case EditorToggle::OptionalClosingTag: return option(TagName, tagId_, 0) == kClosingOptional;
        case EditorToggle::RequiredClosingTag: return option(TagName, tagId_, 0) == kClosingRequired;
        case EditorToggle::IgnoreToClosingTag: return option(TagName, tagId_, 1) == 1;
        case EditorToggle::WarnIfTagHasNoAttributes: return option(TagName, tagId_, 3) == 1;
        case EditorToggle::TagDisplayMessageWhenUsed: return option(TagName, tagId_, 2) == 1;
        case EditorToggle::RequiredAttribute:
            return option(Attribute, attributeId_, 0) == kAttributeRequired;
        case EditorToggle::WarnIfMissing: return option(Attribute, attributeId_, 1) == 1;
        case EditorToggle::AttributeDisplayMessageWhenUsed:
            return option(Attribute, attributeId_, 2) == 1;
        case EditorToggle::AttributeDisplayMessageWhenInvalid:
            return option(Attribute, attributeId_, 3) == 1;
        case EditorToggle::MustBeDoubleQuoted:
            return option(AttributeValue, valueId_, 0) == kQuoteMustDouble;
        case EditorToggle::MayBeDoubleQuoted:
            return option(AttributeValue, valueId_, 0) == kQuoteMayDouble;
        case EditorToggle::CannotBeQuoted: return option(AttributeValue, valueId_, 0) == kQuoteCannot;
        case EditorToggle::MustBeSingleQuoted:
            return option(AttributeValue, valueId_, 0) == kQuoteMustSingle;
        case EditorToggle::MustBeSingleOrDoubleQuoted:
            return option(AttributeValue, valueId_, 0) == kQuoteMustEither;
        case EditorToggle::MayBeSingleOrDoubleQuoted:
            return option(AttributeValue, valueId_, 0) == kQuoteMayEither;
        case EditorToggle::CaseSensitive:
            return option(AttributeValue, valueId_, 1) == kCaseSensitive;
    }
    return false;
}

std::string EditorController::text(EditorText field) const {
    auto stored = [this](int kind, int id, int which) {
        const TagStore* e = store_.entry(kind, ById, id);
        return e ? std::string(e->texts[which].view()) : std::string();
    };
    switch (field) {
        case EditorText::Name: return name_;
        case EditorText::TagMessageWhenUsed:
            return tagMessage_ ? *tagMessage_ : stored(TagName, tagId_, 0);
        case EditorText::AttributeMessageWhenUsed:
            return attributeTexts_[0] ? *attributeTexts_[0] : stored(Attribute, attributeId_, 0);
        case EditorText::AttributeMessageWhenInvalid:
            return attributeTexts_[1] ? *attributeTexts_[1] : stored(Attribute, attributeId_, 1);
        case EditorText::Notes: return notes_ ? *notes_ : std::string(store_.noteView(0));
    }
    return {};
}

bool EditorController::isEnabled(EditorText field) const {
    switch (field) {
        case EditorText::TagMessageWhenUsed: return tagId_ >= 0;
        case EditorText::AttributeMessageWhenUsed:
        case EditorText::AttributeMessageWhenInvalid: return attributeId_ >= 0;
        default: return true;
    }
}

std::string EditorController::label(EditorLabel which) const {
    const char* text = which == EditorLabel::AttributesFor
                           ? store_.displayLabel(TagName, ById, tagId_)
                           : store_.displayLabel(Attribute, ById, attributeId_);
    return text ? text : "";
}

// ---- Typed texts ----------------------------------------------------------------------------

void EditorController::commitTag() {
    if (tagMessage_ && tagId_ >= 0) store_.setEntryText(TagName, ById, tagId_, 0, *tagMessage_);
    tagMessage_.reset();
}

void EditorController::commitAttribute() {
    for (int which = 0; which < 2; ++which) {
        if (attributeTexts_[which] && attributeId_ >= 0) {
            store_.setEntryText(Attribute, ById, attributeId_, which, *attributeTexts_[which]);
        }
        attributeTexts_[which].reset();
    }
}

void EditorController::commitPage() {
    commitTag();
    commitAttribute();
    if (notes_) store_.setNotes(0, *notes_);
    notes_.reset();
}

EditorUpdate EditorController::typeText(EditorText field, std::string_view typed) {
    switch (field) {
        case EditorText::Name: name_ = typed; break;
        // Texts are kept to what a configuration file can hold, cut between characters.
        case EditorText::TagMessageWhenUsed:
            if (tagId_ >= 0) tagMessage_ = std::string(text::firstBytes(typed, kMaxTextBytes));
            break;
        case EditorText::AttributeMessageWhenUsed:
        case EditorText::AttributeMessageWhenInvalid:
            if (attributeId_ >= 0) {
                attributeTexts_[field == EditorText::AttributeMessageWhenUsed ? 0 : 1] =
                    std::string(text::firstBytes(typed, kMaxTextBytes));
            }
            break;
        case EditorText::Notes:
            notes_ = std::string(text::firstBytes(
                text::firstCharacters(typed, kEditorNotesCharacters), kMaxTextBytes));
            break;
    }
    return {};
}

// ---- Pages and dialog buttons ---------------------------------------------------------------

EditorUpdate EditorController::selectPage(EditorPage page) {
    if (page == page_) return {};
    commitPage();
    page_ = page;
    name_.clear();
    EditorUpdate update = sync();
    update.pageChanged = true;
    return update;
}

EditorUpdate EditorController::pressEnter(bool nameBoxHasFocus) {
    if (nameBoxHasFocus && page_ != EditorPage::Notes) return press(EditorButton::New);
    return press(EditorButton::Close);
}

EditorUpdate EditorController::press(EditorButton button) {
    switch (button) {
        case EditorButton::Add: return pressAdd();
        case EditorButton::Remove: return pressRemove();
        case EditorButton::New: return pressNew();
        case EditorButton::Delete: return pressDelete();
        case EditorButton::Analyze:
            if (page_ == EditorPage::TagNames) showListings(store_, ui_, AnalyzeGroup::TagNames);
            if (page_ == EditorPage::Attributes) showListings(store_, ui_, AnalyzeGroup::Attributes);
            if (page_ == EditorPage::AttributeValues) {
                showListings(store_, ui_, AnalyzeGroup::AttributeValues);
            }
            return {};
        case EditorButton::EditAttributeValues: return selectPage(EditorPage::AttributeValues);
        case EditorButton::NextAttribute: return moveAttribute(1);
        case EditorButton::PrevAttribute: return moveAttribute(-1);
        case EditorButton::CleanConfiguration:
            cleanConfiguration(store_, ui_);
            return sync();
        case EditorButton::Close: {
            commitPage();
            if (shell_.autoSaveConfiguration() && store_.isLoaded()) {
                shell_.saveConfiguration(false);
            }
            EditorUpdate update;
            update.closed = true;
            return update;
        }
        case EditorButton::LoadConfig: return loadConfig();
        case EditorButton::SaveConfig:
            commitPage();
            if (store_.isLoaded()) {
                shell_.saveConfiguration(true);
            } else {
                detail::showNotice(ui_, detail::kCannotSave);
            }
            return {};
        case EditorButton::SaveConfigAs:
            commitPage();
            shell_.saveConfigurationAs();
            return {};
        case EditorButton::Help:
            shell_.showHelp(editorPageInfo(page_).helpKeyword);
            return {};
    }
    return {};
}

// Load Config: the typed texts are written first, so that the unsaved-changes question knows
// of them. Unless the question is declined the page is rebuilt, on the first tab when a file
// was loaded (or the load failed and left the built-in entries).
EditorUpdate EditorController::loadConfig() {
    commitPage();
    if (!shell_.mayLoadConfiguration()) return {};
    if (shell_.loadConfiguration() != 2) {
        resetState();
        page_ = EditorPage::TagNames;
    }
    name_.clear();
    EditorUpdate update = sync();
    update.pageChanged = true;
    return update;
}

// ---- Boxes ------------------------------------------------------------------------------------

bool EditorController::failed(bool succeeded, int number) {
    if (succeeded) return false;
    shell_.showSeriousError(number);
    return true;
}

}  // namespace config
