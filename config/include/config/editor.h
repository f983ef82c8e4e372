// The HTML Configuration editor's logic, without any window: the dialog "Zentrel Markwise HTML
// Configuration Editor" with its six pages (tag names, attributes, attribute values,
// categories, entities, notes) edits the one configuration model in place.
//
// A view sits on top of `EditorController`: it reads list rows, selections, check marks, field
// texts and labels from it, and forwards each user action (a click, a selection, typed text, a
// double-click, Enter) as one call. Every action returns an `EditorUpdate` that says which list
// rows were inserted or removed, so that a list of 999 entries is never rebuilt for one change;
// after any action the view reads the selections, check marks and texts of its page again,
// which also sets back a control whose change was refused.
//
// Message boxes (refusals, questions, listings, cleaning results) go through the user
// interface; help, the serious-error box and the configuration commands of the main window go
// through the `EditorShell` the controller is given.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"
#include "platform/ui.h"

namespace config {

enum class EditorPage { TagNames, Attributes, AttributeValues, Categories, Entities, Notes };
constexpr int kEditorPageCount = 6;

struct EditorPageInfo {
    EditorPage page;
    std::string_view tab;          // the tab's caption
    std::string_view helpKeyword;  // what the Help button opens
};

// The pages in tab order.
std::span<const EditorPageInfo> editorPages();
const EditorPageInfo& editorPageInfo(EditorPage page);

// The dialog's caption.
constexpr std::string_view kEditorCaption = "Zentrel Markwise HTML Configuration Editor";

// The lists and combo boxes of the pages. Entry rows are `displayLabel` texts in the order of
// the list: position order for lists of every entry of a kind, stored order for an entry's
// own lists and the active categories.
enum class EditorList {
    TagNames,                  // Tag Names page: every tag name
    TagRange,                  // valid or invalid range of the tag being configured (range view)
    TagBeingConfigured,        // combo on the Tag Names and Attributes pages: every tag name
    Attributes,                // Attributes page: every attribute; its selection is the
                               // attribute being configured
    TagAttributes,             // the attributes of the tag being configured
    AttributeValues,           // every attribute value; its selection is the value being
                               // configured
    AttributeValueList,        // the values of the attribute being configured
    AttributeBeingConfigured,  // combo on the Attribute Values page: every attribute
    Categories,                // every category
    ActiveCategories,          // the active categories
    CategoryChoice,            // the category combo of the page shown: every category, the
                               // selection being the category of the page's entry
    Entities,                  // every character entity
    Html20Entities,            // read-only: the built-in entity name tables
    MathGreekEntities,
    SpecialEntities,
};
constexpr int kEditorListCount = 15;

enum class EditorButton {
    Add,                  // "->"
    Remove,               // "<-"
    New,                  // "Ne&w Tag", "New A&ttribute", "Ne&w Value", "Ne&w Category", "Ne&w Entity"
    Delete,               // "De&lete Tag", ...
    Analyze,
    EditAttributeValues,  // Attributes page: switches to the Attribute Values page
    NextAttribute,
    PrevAttribute,
    CleanConfiguration,   // Categories page: "Clean HTML Configuration"
    Close,
    LoadConfig,
    SaveConfig,
    SaveConfigAs,
    Help,
};

// Radio buttons and check boxes.
enum class EditorToggle {
    RangeValid,  // Tag Names page: "Range View"
    RangeInvalid,
    NoClosingTag,  // Tag Names page: "Closing Tag" (option 0: 2, 1, 0)
    OptionalClosingTag,
    RequiredClosingTag,
    IgnoreToClosingTag,        // option 1
    WarnIfTagHasNoAttributes,  // option 3
    TagDisplayMessageWhenUsed,  // option 2
    RequiredAttribute,                 // Attributes page: option 0, 3 checked or 4
    WarnIfMissing,                     // option 1
    AttributeDisplayMessageWhenUsed,   // option 2
    AttributeDisplayMessageWhenInvalid,  // option 3
    MustBeDoubleQuoted,  // Attribute Values page: "Allowable Quotation" (option 0)
    MayBeDoubleQuoted,
    CannotBeQuoted,
    MustBeSingleQuoted,
    MustBeSingleOrDoubleQuoted,
    MayBeSingleOrDoubleQuoted,
    CaseSensitive,  // option 1, 5 checked or 6
};

// Edit boxes. Message texts and notes are kept here while they are typed and written into the
// model when their page or their entry is left (and by Close, Load Config, Save Config and Save
// Config As).
enum class EditorText {
    Name,                        // the new-name edit box of the page shown
    TagMessageWhenUsed,          // text 0 of the tag being configured
    AttributeMessageWhenUsed,    // text 0 of the attribute being configured
    AttributeMessageWhenInvalid,  // text 1 of the attribute being configured
    Notes,                       // note 0
};

// Static texts that follow the state: "Attributes for:" and "Values for:".
enum class EditorLabel { AttributesFor, ValuesFor };

struct ListChange {
    enum class Kind {
        Reset,     // read the whole list again
        Inserted,  // a row was inserted at `row`
        Removed,   // the row at `row` was removed
    };
    EditorList list;
    Kind kind;
    int row = -1;
};

struct EditorUpdate {
    // Applied in order, each row number counted in the list as the changes before it left it.
    // Lists of other pages may be listed too.
    std::vector<ListChange> lists;
    // The page shown changed or was rebuilt: read the whole page (and ignore `lists`).
    bool pageChanged = false;
    // Select the text of the name edit box, ready for the next entry.
    bool selectNameText = false;
    // The dialog closes.
    bool closed = false;

    bool changed(EditorList list) const;
};

// What the editor needs from the main window.
class EditorShell {
public:
    virtual ~EditorShell() = default;

    // Opens help at the keyword.
    virtual void showHelp(std::string_view keyword) = 0;
    // The serious-error box with its number, for a model operation that failed.
    virtual void showSeriousError(int number) = 0;
    // The option AutoSaveHTMLConfiguration.
    virtual bool autoSaveConfiguration() const = 0;
    // The unsaved-configuration question before loading: true when loading may go ahead.
    virtual bool mayLoadConfiguration() = 0;
    // The load command with its open dialog: 1 loaded, 0 failed (the model then holds the
    // built-in entries), 2 the dialog was cancelled.
    virtual int loadConfiguration() = 0;
    // Saves to the bound file, with the success notice when `notify`; true when saved.
    virtual bool saveConfiguration(bool notify) = 0;
    // Save As with its dialog and questions; true when saved.
    virtual bool saveConfigurationAs() = 0;
    // The engine's built-in entity names: 0 the HTML 2.0 entities, 1 math, Greek and symbols,
    // 2 the special entities.
    virtual std::span<const std::string_view> builtinEntityNames(int table) const = 0;
};

// Serious-error numbers of the editor's model operations.
enum EditorFailure : int {
    kFailDeleteCategory = 1,
    kFailNewCategory = 2,
    kFailNewTagName = 3,
    kFailNewAttribute = 4,
    kFailNewAttributeValue = 5,
    kFailDeleteTagName = 6,
    kFailDeleteAttribute = 7,
    kFailDeleteAttributeValue = 8,
    kFailAddToRange = 9,
    kFailAddAttributeToTag = 10,
    kFailAddValueToAttribute = 11,
    kFailRemoveFromRange = 12,
    kFailRemoveAttributeFromTag = 13,
    kFailRemoveValueFromAttribute = 14,
    kFailNewEntity = 15,
    kFailDeleteEntity = 16,
};

// Longest name the New buttons take, and longest note.
constexpr std::size_t kEditorNameCharacters = 79;
constexpr std::size_t kEditorNotesCharacters = 63999;

class EditorController {
public:
    // The controller lives as long as the configuration: what it keeps (the entries being
    // configured, the selected rows, the range view) lasts from one opening of the dialog to
    // the next.
    EditorController(CfgStore& store, platform::UserInterface& ui, EditorShell& shell);

    // The dialog opens, on the Tag Names page; entries deleted meanwhile are let go.
    EditorUpdate open();
    // The configuration was loaded or reset: nothing is selected any more, the range view is
    // Valid.
    void configurationReplaced();

    // ---- What the view shows ----
    EditorPage page() const { return page_; }
    int rowCount(EditorList list) const;
    std::string rowText(EditorList list, int row) const;
    // The selected row, -1 for none.
    int selectedRow(EditorList list) const;
    bool isChecked(EditorToggle toggle) const;
    std::string text(EditorText field) const;
    // A message text can be typed only while there is an entry to hold it.
    bool isEnabled(EditorText field) const;
    std::string label(EditorLabel which) const;
    // The range view of the Tag Names page: 1 Valid, 0 Invalid.
    int rangeView() const { return rangeView_; }

    // ---- What the user does ----
    EditorUpdate selectPage(EditorPage page);
    // A click on a row (-1 clears the selection).
    EditorUpdate selectRow(EditorList list, int row);
    // A double-click on a row: "->" for a source list, "<-" for a destination list.
    EditorUpdate doubleClick(EditorList list, int row);
    // A click on a radio button (`on` true) or a check box (its new state).
    EditorUpdate setChecked(EditorToggle toggle, bool on);
    EditorUpdate typeText(EditorText field, std::string_view text);
    EditorUpdate press(EditorButton button);
    // Enter: the page's New button while its name edit box has the focus, otherwise Close.
    // (Enter in a multi-line box, the notes or a message text, is a line break there and does
    // not come here.)
    EditorUpdate pressEnter(bool nameBoxHasFocus);

private:
    struct ListRows {
        std::vector<int> ids;
        long long owner = -2;  // whose list it shows; -2 before the first look
    };

    // State and the lists' rows.
    void resetState();
    EditorUpdate sync(EditorUpdate update = {});
    void syncList(EditorList list, EditorUpdate& update);
    std::vector<int> currentIds(EditorList list, long long& owner) const;
    int* storedSelection(EditorList list);
    int kindOf(EditorList list) const;
    int idAt(EditorList list, int row) const;

    // Texts typed and not yet written.
    void commitTag();
    void commitAttribute();
    void commitPage();

    // Pages.
    EditorUpdate pressNew();
    EditorUpdate pressDelete();
    EditorUpdate pressAdd();
    EditorUpdate pressRemove();
    EditorUpdate moveAttribute(int direction);
    EditorUpdate changeCategory(int row);
    EditorUpdate changeOption(EditorToggle toggle, bool on);
    EditorUpdate loadConfig();

    // Refusals: each shows its box and returns false.
    bool needRow(int row, std::string_view listName);
    bool needUserTag();
    bool needUserAttribute();
    bool needValue(bool builtinRefused);
    bool needUserEntity();
    // Shows the serious-error box with `number` when a model operation did not succeed.
    bool failed(bool succeeded, int number);

    // The entry whose settings the page shows: kind and id, or -1.
    int pageKind() const;
    int pageEntryId() const;

    CfgStore& store_;
    platform::UserInterface& ui_;
    EditorShell& shell_;

    EditorPage page_ = EditorPage::TagNames;
    int tagId_ = -1;        // the tag name being configured
    int attributeId_ = -1;  // the attribute being configured
    int valueId_ = -1;      // the attribute value being configured
    int rangeView_ = 1;
    // Selected rows of the lists that keep their own selection.
    int tagNamesRow_ = -1;
    int rangeRow_ = -1;
    int tagAttributesRow_ = -1;
    int valueListRow_ = -1;
    int categoriesRow_ = -1;
    int activeRow_ = -1;
    int entitiesRow_ = -1;

    std::string name_;
    std::optional<std::string> tagMessage_;
    std::optional<std::string> attributeTexts_[2];
    std::optional<std::string> notes_;

    std::array<ListRows, kEditorListCount> rows_;
};

}  // namespace config
