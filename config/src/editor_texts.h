// The editor's message boxes: caption, text and icon of each.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui.h"

namespace config::detail {

struct Notice {
    std::string_view caption;
    std::string_view text;
    platform::Icon icon;
};

using platform::Icon;

constexpr std::string_view kCannotPerform = "Markwise: Cannot Perform Operation";

constexpr Notice kMustSelectEntry{"Markwise: Must Select Entry",
                                  "You must first select an entry from the %s List Box.",
                                  Icon::Information};
constexpr Notice kSelectTagName{"Markwise: Select Tag Name to be Configured",
                                "You must first select a tag name to be configured.",
                                Icon::Information};
constexpr Notice kBuiltinTagName{
    kCannotPerform,
    "You cannot perform this operation with a built-in tag name. You must change the tag name "
    "being configured to a user defined tag name.",
    Icon::Error};
constexpr Notice kSelectAttribute{
    "Markwise: Select Attribute",
    "You must first select an attribute (this is not an attribute value).", Icon::Information};
constexpr Notice kBuiltinAttribute{
    kCannotPerform, "You cannot perform this operation with a built-in attribute.", Icon::Error};
constexpr Notice kSelectAttributeValue{"Markwise: Select Attribute Value",
                                       "You must first select an attribute value.",
                                       Icon::Information};
constexpr Notice kBuiltinAttributeValue{
    kCannotPerform, "You cannot perform this operation with a built-in attribute value.",
    Icon::Error};
constexpr Notice kSelectEntity{"Markwise: Select Character Entity",
                               "You must first select a character entity.", Icon::Information};
constexpr Notice kBuiltinEntity{
    kCannotPerform, "You cannot perform this operation with a built-in character entity.",
    Icon::Error};
constexpr Notice kBuiltinEntry{kCannotPerform,
                               "You cannot perform this operation with a built-in entry.",
                               Icon::Error};

constexpr Notice kLimitReached{"Markwise: Limit Reached", "There is a limit of %d entries.",
                               Icon::Error};
constexpr Notice kSpecifyString{"Markwise: Specify a String", "You must specify a string.",
                                Icon::Information};
constexpr Notice kNoSpaces{"Markwise: Invalid String", "You may not use spaces for this entry.",
                           Icon::Error};

constexpr Notice kAlreadyValidRange{
    "Markwise: Tag Name Already Specifies Valid Range",
    "That tag name is already specified for the valid range of the tag being configured.",
    Icon::Information};
// "spacified" is the text users have always seen.
constexpr Notice kAlreadyInvalidRange{
    "Markwise: Tag Name Already Specifies Invalid Range",
    "That tag name is already spacified for the invalid range of the tag being configured.",
    Icon::Information};
constexpr Notice kAttributeAlreadyAdded{"Markwise: Attribute Already In Tag Attributes List",
                                        "That attribute has already been added.",
                                        Icon::Information};
constexpr Notice kValueAlreadyAdded{"Markwise: Attribute Value Already In Value List",
                                    "That attribute value has already been added.",
                                    Icon::Information};
constexpr Notice kCategoryAlreadyActive{
    "Markwise: Category is Already Active",
    "The category %s is already in the Active Categories Listbox.", Icon::Information};

constexpr Notice kCannotSave{
    "Markwise: Cannot Save Configuration",
    "You must first load a valid configuration or use the Save Config As Button instead.",
    Icon::Error};

// The question before a deletion, by kind (tag name, attribute, attribute value, category,
// entity); %s is the entry's label.
constexpr Notice kDeleteQuestions[] = {
    {"Markwise: Delete Tag Name?",
     "Are you sure you want to delete the tag name \"%s\"? The tag name and all its settings "
     "will no longer exist if deleted.",
     Icon::Question},
    {"Markwise: Delete Attribute?",
     "Are you sure you want to delete the attribute \"%s\"? All references to this attribute "
     "will no longer exist if deleted.",
     Icon::Question},
    {"Markwise: Delete Attribute Value?",
     "Are you sure you want to delete the attribute value\"%s\"? All references to this "
     "attribute will no longer exist if deleted.",
     Icon::Question},
    {"Markwise: Delete Tag Category?",
     "Are you sure you want to delete the tag category named \"%s\"? All references to this "
     "category will no longer exist if deleted.",
     Icon::Question},
    {"Markwise: Delete Character Entity?",
     "Are you sure you want to delete the character entity \"%s\"?", Icon::Question},
};

// The text with its one "%s" or "%d" replaced.
inline std::string fill(std::string_view text, std::string_view value) {
    std::string out(text);
    for (std::string_view marker : {"%s", "%d"}) {
        std::size_t at = out.find(marker);
        if (at != std::string::npos) return out.replace(at, 2, value);
    }
    return out;
}

inline void showNotice(platform::UserInterface& ui, const Notice& notice) {
    ui.messageBox(std::string(notice.caption), std::string(notice.text), notice.icon,
                  platform::Buttons::Ok);
}

// The notice with its "%s" or "%d" standing for `value`.
inline void showNotice(platform::UserInterface& ui, const Notice& notice, std::string_view value) {
    ui.messageBox(std::string(notice.caption), fill(notice.text, value), notice.icon,
                  platform::Buttons::Ok);
}

}  // namespace config::detail
