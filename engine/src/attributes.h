// Attribute and value checks: each attribute of an opening tag against the attribute lists of
// the tag's candidate entries, each value against the attribute's value list (ordinary values
// and the built-in value types) with its quoting, required and recommended attributes, the
// configuration's messages for attributes, and the errors with the lists of what would have
// been valid.
#pragma once

#include <array>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "clean_tags.h"
#include "placement.h"
#include "run_state.h"
#include "tag_reader.h"

namespace engine {

// The value type test of a built-in attribute value type (codes 1 to 20). `known` is set
// false for a code this program does not know.
bool valueTypeAccepts(int code, std::string_view value, bool hasValue, bool* known = nullptr);

// The error a value's quoting raises under the quotation code, or -1 when it is allowed.
int quotationError(int code, int quoteKind, const options::Options& options);

class AttributeChecker {
public:
    AttributeChecker(RunState& state, TagReader& reader, Placement& placement);

    // Runs the checks on the table of an opening tag just read.
    void check();
    // After check() raised nothing: for each attribute of the table, the attribute entry and
    // the place in its value list that accepted its value, as the shapes of clean tags keep
    // them (CleanShapes); null when the check did not settle each value so. Valid until the
    // next check.
    const int* acceptedBy() const { return acceptedByLast_; }
    // Whether the value of `given` is accepted, quietly, by the value list of `attribute` that
    // accepted the value in its place in a tag of the same shape checked clean, `place` being
    // the place in that list of the value that accepted it then.
    bool acceptedAsBefore(const TagEntry& given, int attribute, int place);
    // What acceptedAsBefore() asks of a value quoted with `quoteKind` for the value `place` of
    // the list of `attribute`: nothing (kAnyValue), only that it is not empty (kAnyButEmpty),
    // or the full try (kTryValue). The first two hold of the built-in types that take any
    // value and any value but the empty one, quoted as they allow.
    enum ValueNeed : int { kTryValue = 0, kAnyValue = 1, kAnyButEmpty = 2 };
    ValueNeed valueNeed(int attribute, int place, int quoteKind) const;

private:
    enum class Verdict { Accepted, Refused, Unsure };

    void checkInFull();
    bool shapeOfTag();
    bool valuesAcceptedAsBefore(const int* acceptedBy);
    bool rememberShape();
    void checkPlain(int tag);
    void checkValue(TagEntry& entry, int attribute);
    void takeByCatchAll(TagEntry& entry, std::vector<int>* used, std::vector<int>* notValidated);
    template <bool kQuiet>
    Verdict tryValues(const TagEntry& entry, int attribute, int& valueError, int& tried,
                      int* accepting = nullptr);
    bool acceptsAlone(const ConfigurationView::ListedValue& value, const TagEntry& entry) const;
    static constexpr int kNoMatch = -2;
    static constexpr int kAsBefore = -3;
    int matchValue(const ConfigurationView::ListedValue& value, const TagEntry& entry,
                   bool& known) const;
    void report(TagEntry& entry);
    std::string invalidAttributeText(const TagEntry& entry) const;
    std::string invalidValueText(const TagEntry& entry) const;
    void showMessages(const std::vector<int>& attributes, int flagSlot, int textSlot);

    RunState& state_;
    TagReader& reader_;
    Placement& placement_;
    const CfgStore& cfg_;
    std::vector<int> given_;     // the table's attribute names as configured name numbers
    std::vector<char> present_;  // by name number: whether the table carries the name
    std::vector<int> visit_;     // the places of a tag entry's attribute list to look at
    // checkPlain(): (place in the attribute list, table index) of each attribute to check.
    std::vector<std::pair<int, int>> plainVisits_;
    std::vector<int> used_;          // attributes used (their messages when used), per tag
    std::vector<int> notValidated_;  // attributes whose value did not validate, per tag
    CleanShapes shapes_;             // the shapes of the tags checked clean in this document
    // The shape of the tag being checked (shapeOfTag()), and for rememberShape().
    std::array<CleanShapes::Attribute, kMaxTableEntries> shape_{};
    std::size_t shapeSize_ = 0;
    std::vector<int> acceptedBy_;
    const int* acceptedByLast_ = nullptr;  // what acceptedBy() gives
};

}  // namespace engine
