#include "config/maintenance.h"

#include <array>

namespace config {
namespace {

constexpr std::string_view kCleanQuestion =
    "This function will remove all nonbuilt-in tag names, attributes, attribute values, and "
    "entities that are assigned to an undefined category. It will also remove all nonbuilt-in "
    "attributes and attribute values that are not assigned to any tag name or attribute. This "
    "function is useful when you wish to permanently remove a category from the HTML "
    "Configuration and then minimize the HTML Configuration's size and maximize its performance "
    "by eliminating unnecessary entries. Are you sure you wish to clean the HTML Configuration?";
constexpr std::string_view kCleanQuestionCaption = "Markwise: Clean Configuration?";
constexpr std::string_view kCleanResultCaption = "Markwise: Cleaning Results";

constexpr ListingInfo kListings[kListingCount] = {
    {Listing::TagNamesWithUndefinedCategories, TagName, "Tag Names With Undefined Categories",
     "All tag names have been assigned to a category."},
    {Listing::TagNamesWithNoValidRange, TagName, "Tag Names With No Specified Valid Range",
     "All tag names have a specified valid range."},
    {Listing::TagNamesWithNoAttributes, TagName, "Tag Names With No Attributes",
     "All tag names have at least one attribute."},
    {Listing::AttributesNotAssigned, Attribute, "Attributes Not Assigned to Any Tag Name",
     "All attributes have been assigned to at least one tag name."},
    {Listing::AttributesWithUndefinedCategories, Attribute, "Attributes With Undefined Categories",
     "All attributes have been assigned to a category."},
    {Listing::AttributeValuesNotAssigned, AttributeValue,
     "Attribute Values Not Assigned to Any Attribute",
     "All attribute values have been assigned to at least one tag attribute."},
    {Listing::AttributeValuesWithUndefinedCategories, AttributeValue,
     "Attribute Values With Undefined Categories",
     "All attribute values have been assigned to a category."},
};

// Ids of `kind` that no list `list` of any entry of `referrer` names, in ascending id order.
// Ids in the lists that no entry has (or that lie outside 0..998) are passed over.
std::vector<int> unreferenced(const CfgStore& store, int kind, int referrer, int list) {
    std::array<signed char, kMaxEntries> mark;
    mark.fill(-1);
    for (int position = 0; position < store.entryCount(kind); ++position) {
        int id = store.entryId(kind, ByPosition, position);
        if (id >= 0 && id < kMaxEntries) mark[static_cast<std::size_t>(id)] = 0;
    }
    for (int position = 0; position < store.entryCount(referrer); ++position) {
        int found = 0;
        for (int i = 0;; ++i) {
            int id = store.listItem(referrer, ByPosition, position, list, i, found);
            if (!found) break;
            if (id >= 0 && id < kMaxEntries) mark[static_cast<std::size_t>(id)] = 1;
        }
    }
    std::vector<int> ids;
    for (int id = 0; id < kMaxEntries; ++id) {
        if (mark[static_cast<std::size_t>(id)] == 0) ids.push_back(id);
    }
    return ids;
}

// Deletes the user-defined entries among `ids`; stops at a failed deletion. Returns the number
// deleted.
int deleteUserDefined(CfgStore& store, int kind, const std::vector<int>& ids, bool& failed) {
    int deleted = 0;
    for (int id : ids) {
        if (store.builtinType(kind, ById, id) != 0) continue;
        if (!store.deleteEntry(kind, ById, id)) {
            failed = true;
            break;
        }
        ++deleted;
    }
    return deleted;
}

}  // namespace

bool isInUndefinedCategory(const CfgStore& store, int kind, int position) {
    const int category = store.categoryOf(kind, ByPosition, position);
    return store.builtinType(Category, ById, category) == kBuiltinUndefined;
}

std::vector<int> entriesInUndefinedCategory(const CfgStore& store, int kind) {
    std::vector<int> ids;
    for (int position = 0; position < store.entryCount(kind); ++position) {
        if (isInUndefinedCategory(store, kind, position)) {
            ids.push_back(store.entryId(kind, ByPosition, position));
        }
    }
    return ids;
}

std::vector<int> entriesWithEmptyList(const CfgStore& store, int kind, int list) {
    std::vector<int> ids;
    for (int position = 0; position < store.entryCount(kind); ++position) {
        if (store.listCount(kind, ByPosition, position, list) == 0) {
            ids.push_back(store.entryId(kind, ByPosition, position));
        }
    }
    return ids;
}

std::vector<int> unassignedAttributes(const CfgStore& store) {
    return unreferenced(store, Attribute, TagName, 2);
}

std::vector<int> unassignedAttributeValues(const CfgStore& store) {
    return unreferenced(store, AttributeValue, Attribute, 0);
}

CleanResult cleanEntries(CfgStore& store) {
    CleanResult result;
    // Entries in "(undefined)", kind by kind; after a deletion the walk looks at the same
    // position again, which now holds the next entry. Categories are passed over: they belong
    // to no category, and deleting one (even one a file gave a category) would move its
    // entries to "(undefined)" and so delete them too.
    int* const counted[] = {&result.tagNames, &result.attributes, &result.attributeValues,
                            nullptr, &result.entities};
    for (int kind = TagName; kind <= Entity && !result.failed; ++kind) {
        if (kind == Category) continue;
        for (int position = 0; position < store.entryCount(kind);) {
            if (store.builtinType(kind, ByPosition, position) != 0 ||
                !isInUndefinedCategory(store, kind, position)) {
                ++position;
                continue;
            }
            if (!store.deleteEntry(kind, ByPosition, position)) {
                result.failed = true;
                break;
            }
            if (counted[kind]) ++*counted[kind];
        }
    }
    result.attributes += deleteUserDefined(store, Attribute, unassignedAttributes(store),
                                           result.failed);
    result.attributeValues += deleteUserDefined(store, AttributeValue,
                                                unassignedAttributeValues(store), result.failed);
    return result;
}

std::string cleanResultText(const CleanResult& result) {
    return std::to_string(result.tagNames) + " tag names deleted, " +
           std::to_string(result.attributes) + " attributes deleted, " +
           std::to_string(result.attributeValues) + " attribute values deleted, and " +
           std::to_string(result.entities) + " entities deleted.";
}

int cleanConfiguration(CfgStore& store, platform::UserInterface& ui) {
    if (ui.messageBox(std::string(kCleanQuestionCaption), std::string(kCleanQuestion),
                      platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes) {
        return 0;
    }
    const CleanResult result = cleanEntries(store);
    if (result.failed) {
        ui.messageBox(std::string(kCleanResultCaption), std::string(kCleanFailedText),
                      platform::Icon::Error, platform::Buttons::Ok);
        return 0;
    }
    ui.messageBox(std::string(kCleanResultCaption), cleanResultText(result),
                  platform::Icon::Information, platform::Buttons::Ok);
    return 1;
}

const ListingInfo& listingInfo(Listing listing) {
    return kListings[static_cast<int>(listing)];
}

std::span<const ListingInfo> allListings() { return kListings; }

std::vector<int> listingIds(const CfgStore& store, Listing listing) {
    switch (listing) {
        case Listing::TagNamesWithUndefinedCategories:
            return entriesInUndefinedCategory(store, TagName);
        case Listing::TagNamesWithNoValidRange: return entriesWithEmptyList(store, TagName, 0);
        case Listing::TagNamesWithNoAttributes: return entriesWithEmptyList(store, TagName, 2);
        case Listing::AttributesNotAssigned: return unassignedAttributes(store);
        case Listing::AttributesWithUndefinedCategories:
            return entriesInUndefinedCategory(store, Attribute);
        case Listing::AttributeValuesNotAssigned: return unassignedAttributeValues(store);
        case Listing::AttributeValuesWithUndefinedCategories:
            return entriesInUndefinedCategory(store, AttributeValue);
    }
    return {};
}

std::string listingText(const CfgStore& store, Listing listing) {
    const ListingInfo& info = listingInfo(listing);
    const std::vector<int> ids = listingIds(store, listing);
    if (ids.empty()) return std::string(info.allClear);
    std::string text;
    for (int id : ids) {
        text.append(store.displayLabel(info.kind, ById, id));
        text.push_back(' ');
    }
    return text;
}

void showListings(const CfgStore& store, platform::UserInterface& ui, AnalyzeGroup group) {
    for (const ListingInfo& info : kListings) {
        const bool shown = (group == AnalyzeGroup::TagNames && info.kind == TagName) ||
                           (group == AnalyzeGroup::Attributes && info.kind == Attribute) ||
                           (group == AnalyzeGroup::AttributeValues && info.kind == AttributeValue);
        if (!shown) continue;
        ui.messageBox(std::string(info.title), listingText(store, info.listing),
                      platform::Icon::Information, platform::Buttons::Ok);
    }
}

}  // namespace config
