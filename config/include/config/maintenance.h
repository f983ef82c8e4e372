// Maintenance of the whole HTML Configuration: Clean Configuration, which deletes the
// user-defined entries that can no longer take part in a validation, and the seven consistency
// listings, which name entries that lack a category, a valid range, attributes or a referrer.
// Both work through the model's own operations; deletions run the model's cascades.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"
#include "platform/ui.h"

namespace config {

// ---- Clean Configuration ----------------------------------------------------------------

// What one cleaning deleted, per kind, and whether a deletion failed.
struct CleanResult {
    int tagNames = 0;
    int attributes = 0;
    int attributeValues = 0;
    int entities = 0;
    bool failed = false;
};

// The cleaning itself, as it runs after the user has agreed: the user-defined tag names,
// attributes, attribute values and entities in "(undefined)", then the user-defined attributes
// no tag name lists, then the user-defined attribute values no attribute lists (after the
// attributes, so that values used only by deleted attributes go too). A failed deletion stops
// its step; the later steps still run and every deletion made stays.
CleanResult cleanEntries(CfgStore& store);

// "%d tag names deleted, %d attributes deleted, %d attribute values deleted, and %d entities
// deleted." with the result's counts.
std::string cleanResultText(const CleanResult& result);

// The text shown when a deletion failed.
constexpr std::string_view kCleanFailedText =
    "A serious error has occurred and the cleaning has failed.";

// Clean Configuration as the main menu and the editor's Categories page run it: asks first,
// cleans on Yes and shows the result (or the failure). Returns 1 when the configuration was
// cleaned without a failure, 0 when the user declined or a deletion failed.
int cleanConfiguration(CfgStore& store, platform::UserInterface& ui);

// ---- Consistency listings ---------------------------------------------------------------

// Whether the entry's category is "(undefined)" (its category's built-in type is 2).
bool isInUndefinedCategory(const CfgStore& store, int kind, int position);

// Ids of the entries of `kind` in "(undefined)", in position order.
std::vector<int> entriesInUndefinedCategory(const CfgStore& store, int kind);
// Ids of the entries of `kind` whose list `list` is empty, in position order (built-in entries
// included).
std::vector<int> entriesWithEmptyList(const CfgStore& store, int kind, int list);
// Ids of the attributes no tag name lists, and of the attribute values no attribute lists, in
// ascending id order (built-in entries included).
std::vector<int> unassignedAttributes(const CfgStore& store);
std::vector<int> unassignedAttributeValues(const CfgStore& store);

// The seven listings, in the order the Analyze buttons show them.
enum class Listing {
    TagNamesWithUndefinedCategories,
    TagNamesWithNoValidRange,
    TagNamesWithNoAttributes,
    AttributesNotAssigned,
    AttributesWithUndefinedCategories,
    AttributeValuesNotAssigned,
    AttributeValuesWithUndefinedCategories,
};
constexpr int kListingCount = 7;

struct ListingInfo {
    Listing listing;
    int kind;                    // the kind of the listed entries
    std::string_view title;      // also the caption of its message box
    std::string_view allClear;   // shown when nothing is listed
};

// Every listing's title and all-clear text, in order.
const ListingInfo& listingInfo(Listing listing);
std::span<const ListingInfo> allListings();

// The ids a listing names.
std::vector<int> listingIds(const CfgStore& store, Listing listing);
// The listing text: each listed entry's label followed by one blank; the all-clear text when
// nothing is listed.
std::string listingText(const CfgStore& store, Listing listing);

// The pages whose "Analyze" buttons show listings, and what each shows: one information box per
// listing, captioned with its title.
enum class AnalyzeGroup { TagNames, Attributes, AttributeValues };
void showListings(const CfgStore& store, platform::UserInterface& ui, AnalyzeGroup group);

}  // namespace config
