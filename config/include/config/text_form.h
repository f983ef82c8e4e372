// The text form of the HTML Configuration: a line-oriented, hand-editable text that carries
// everything a configuration file carries (versions, state flags, notes, active categories,
// id map sizes and every entry with its id, type, category, option slots, lists and texts),
// so that writing a model as text and reading it back gives a model that saves to the same
// bytes. Entries refer to one another by name; config/TEXT_FORM.md describes the syntax.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"

namespace config {

// One mistake in a source text, with its 1-based line (0 when it concerns no single line).
struct TextFormError {
    int line = 0;
    std::string message;
    std::size_t source = 0;  // which of the source texts (0 when there is one)
};

// One piece of a source read as a whole: a rule set kept in several files, say.
struct TextSource {
    std::string_view name;  // how mistakes name it
    std::string_view text;
};

// The whole model as text, entries of each kind in the model's order. What a file of the
// model's version does not hold (notes in version 1, texts and slots past 4 of version-1
// entries) is not written.
std::string writeTextForm(const CfgStore& store);

// Clears `store` and fills it from `source`. Returns the mistakes found, in line order; on
// any mistake the store is left cleared. On success the store holds the source's format
// version and state flags, and is bound to no file.
std::vector<TextFormError> readTextForm(std::string_view source, CfgStore& store);

// The same for a source kept in several texts, read in order as one: the first begins with
// the html-configuration line, names refer across texts, and where several entries share a
// name a reference prefers the one in its own text. Mistakes carry the text they are in.
std::vector<TextFormError> readTextForm(std::span<const TextSource> sources, CfgStore& store);

// ---- The words of the text form, shared by its reader and writer ----------------------

// The keyword that starts an entry block of each kind, by kind.
inline constexpr std::string_view kKindKeywords[kKindCount] = {
    "tag", "attribute", "value", "category", "entity", "spare"};

// A word that stands for one value of an option slot.
struct OptionWord {
    std::string_view word;
    int value;
};

// A field that names an option slot of one kind, with the words it takes.
struct OptionField {
    int kind;
    int slot;
    std::string_view field;
    std::span<const OptionWord> words;
};

inline constexpr OptionWord kYesNoWords[] = {{"yes", 1}, {"no", 0}};
inline constexpr OptionWord kClosingWords[] = {
    {"required", kClosingRequired}, {"optional", kClosingOptional}, {"none", kClosingNone}};
inline constexpr OptionWord kContentWords[] = {{"required", kContentRequired},
                                               {"may-be-empty", kContentMayBeEmpty}};
inline constexpr OptionWord kRequiredWords[] = {{"yes", kAttributeRequired},
                                                {"no", kAttributeNotRequired}};
inline constexpr OptionWord kQuoteWords[] = {
    {"must-double", kQuoteMustDouble}, {"may-double", kQuoteMayDouble},
    {"cannot", kQuoteCannot},          {"may-either", kQuoteMayEither},
    {"must-single", kQuoteMustSingle}, {"must-either", kQuoteMustEither}};
inline constexpr OptionWord kCaseWords[] = {{"sensitive", kCaseSensitive},
                                            {"insensitive", kNotCaseSensitive}};

inline constexpr OptionField kOptionFields[] = {
    {TagName, 0, "closing", kClosingWords},
    {TagName, 1, "ignore-to-closing", kYesNoWords},
    {TagName, 2, "show-message", kYesNoWords},
    {TagName, 3, "warn-no-attributes", kYesNoWords},
    {TagName, kTagContentSlot, "content", kContentWords},
    {Attribute, 0, "required", kRequiredWords},
    {Attribute, 1, "warn-if-missing", kYesNoWords},
    {Attribute, 2, "show-message", kYesNoWords},
    {Attribute, 3, "show-invalid-message", kYesNoWords},
    {AttributeValue, 0, "quotes", kQuoteWords},
    {AttributeValue, 1, "case", kCaseWords},
};

// A field that names an entry list of one kind; its items are entries of `target`.
struct ListField {
    int kind;
    int list;
    std::string_view field;
    int target;
};

inline constexpr ListField kListFields[] = {
    {TagName, 0, "valid-in", TagName},
    {TagName, 1, "invalid-in", TagName},
    {TagName, 2, "attributes", Attribute},
    {Attribute, 0, "values", AttributeValue},
};

// The fields of texts 0 and 1.
inline constexpr std::string_view kTextFields[kTextSlots] = {"message", "invalid-message"};

// Slot 4 holds this on every entry the program creates; the text form leaves it out then.
inline constexpr int kSlot4Default = 0;

// Option slots the text form carries per entry: the model's 50, and more that a file may
// hold and that are kept as they are.
inline constexpr int kTextFormMaxOptionSlots = 1000;

}  // namespace config
