#include "attributes.h"

#include <algorithm>
#include <atomic>

#include "config/text_utils.h"
#include "engine/validator.h"
#include "messages/catalogue.h"
#include "messages/format.h"

namespace engine {
namespace {

using messages::Text;

// The description of a built-in value type in a list of valid values; none for the types
// that are not listed and for codes this program does not know.
std::optional<Text> descriptionOf(int code) {
    switch (code) {
        case 1: return Text::DescPosInteger;
        case 2: return Text::DescNegInteger;
        case 3: return Text::DescZero;
        case 4: return Text::DescString;
        case 5: return Text::DescSixDigitHex;
        case 6: return Text::DescIntegerOffset;
        case 7: return Text::DescPercent;
        case 8: return Text::DescNoValue;
        case 10: return Text::DescNullString;
        case 11: return Text::DescAlphanumString;
        case 12: return Text::DescSixteenColorNames;
        case 13: return Text::DescNetscapeColorNames;
        case 14: return Text::DescIntegers1To7;
        case 15: return Text::DescIntOffset6;
        case 18: return Text::DescSingleCharacter;
        case 19: return Text::DescSingleAlphanumChar;
        case 20: return Text::DescRelativeWidth;
        default: return std::nullopt;
    }
}

// The box about value types of a newer release is shown once per program run: by the first
// run to meet one, whichever validator or worker runs it.
std::atomic<bool> newerValueTypeShown{false};

void addUnique(std::vector<int>& ids, int id) {
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

// Appends " and names." after the fragment for one or several items, as a list.
void appendList(std::string& text, const std::vector<std::string>& items, Text one, Text several,
                Text joiner, messages::Language language) {
    if (items.empty()) return;
    text.append(messages::text(items.size() == 1 ? one : several, language));
    text.append(joinList(items, messages::text(joiner, language)));
    text.append(".");
}

}  // namespace

void showNewerValueTypeBoxAgain() { newerValueTypeShown = false; }

AttributeChecker::AttributeChecker(RunState& state, TagReader& reader, Placement& placement)
    : state_(state), reader_(reader), placement_(placement), cfg_(*state.configuration) {}

void AttributeChecker::check() {
    // A tag of a shape checked clean before needs only its values tried, each against the
    // list that accepted the value in its place then.
    acceptedByLast_ = nullptr;
    const bool shaped = state_.shortcuts && shapeOfTag();
    if (shaped) {
        const int* acceptedBy =
            shapes_.find(placement_.candidates(), shape_.data(), shapeSize_);
        if (acceptedBy != nullptr && valuesAcceptedAsBefore(acceptedBy)) {
            acceptedByLast_ = acceptedBy;
            return;
        }
    }
    const std::uint64_t before = state_.store.raisesAsked();
    checkInFull();
    if (shaped && state_.store.raisesAsked() == before && rememberShape()) {
        acceptedByLast_ = acceptedBy_.data();
    }
}

// The shape of a tag whose attributes are checked (CleanShapes), built for the look-up; false
// for a tag without attributes, or whose attributes are not checked.
bool AttributeChecker::shapeOfTag() {
    if (reader_.count() < 2 || placement_.skipped() || placement_.ignoresAllAttributes()) {
        return false;
    }
    const std::vector<TagEntry>& table = reader_.table();
    shapeSize_ = 0;
    for (int i = 1; i < reader_.count(); ++i) {
        const TagEntry& given = table[static_cast<std::size_t>(i)];
        // What the reader settled: a value or none, its quotes, and the error 89 of a name
        // without a value or the acceptance of an empty one.
        if (given.inserted || given.nameAccepted ||
            (given.valueError != 86 && given.valueError != 89)) {
            return false;
        }
        const auto form = static_cast<std::uint8_t>(
            (given.hasValue ? 1 : 0) | given.quoteKind << 1 | (given.valueAccepted ? 8 : 0) |
            (given.valueError == 89 ? 16 : 0));
        shape_[shapeSize_++] = {given.name, form};
    }
    return true;
}

// Whether each value is accepted, quietly, by the list that accepted the value in its place
// in the tag of the same shape checked clean. The full check tries that list first for it (the
// lists tried depend on the shape alone) and, once it accepts, raises nothing. The value of
// that list that accepted then is tried first: the values before it in the list raised nothing
// then and decide nothing now, as the value is accepted either way.
bool AttributeChecker::valuesAcceptedAsBefore(const int* accepted) {
    const std::vector<TagEntry>& table = reader_.table();
    for (int i = 1; i < reader_.count(); ++i) {
        if (!acceptedAsBefore(table[static_cast<std::size_t>(i)], accepted[2 * (i - 1)],
                              accepted[2 * (i - 1) + 1])) {
            return false;
        }
    }
    return true;
}

bool AttributeChecker::acceptedAsBefore(const TagEntry& given, int attribute, int place) {
    if (acceptsAlone(placement_.view().valuesOf(attribute)[static_cast<std::size_t>(place)],
                     given)) {
        return true;
    }
    int valueError = given.valueError;
    int tried = 0;
    return tryValues<true>(given, attribute, valueError, tried) == Verdict::Accepted;
}

AttributeChecker::ValueNeed AttributeChecker::valueNeed(int attribute, int place,
                                                       int quoteKind) const {
    const ConfigurationView::ListedValue& value =
        placement_.view().valuesOf(attribute)[static_cast<std::size_t>(place)];
    // The types 9 (any value) and 4 (any value but the empty one), as valueTypeAccepts() has
    // them for a value that is given.
    const bool any = value.builtinType == 9;
    if ((!any && value.builtinType != 4) ||
        quotationError(value.quoting, quoteKind, state_.options) != -1) {
        return kTryValue;
    }
    return any ? kAnyValue : kAnyButEmpty;
}

// Whether `value`, a value of an active category, accepts the value of `given` as the loop of
// tryValues() would when it came to it. A value written without a value, whose verdict there
// depends on the values tried before, is not taken alone.
bool AttributeChecker::acceptsAlone(const ConfigurationView::ListedValue& value,
                                    const TagEntry& given) const {
    bool known = true;
    return matchValue(value, given, known) == -1 && known;
}

// What one value of a list makes of the value of `given`: kNoMatch when it does not match it,
// -1 when it accepts it, the error of a match quoted or written wrongly, or kAsBefore for an
// ordinary value matched by a tag attribute without a value, which then stands or falls by the
// error the values tried before it left. `known` is set false for a value type of a newer
// release.
int AttributeChecker::matchValue(const ConfigurationView::ListedValue& value,
                                 const TagEntry& given, bool& known) const {
    const options::Options& options = state_.options;
    if (value.builtinType > 0) {
        if (!valueTypeAccepts(value.builtinType, given.value, given.hasValue, &known)) {
            return kNoMatch;
        }
        return given.hasValue ? quotationError(value.quoting, given.quoteKind, options) : -1;
    }
    if (!text::equalsIgnoreCase(given.value, value.name)) return kNoMatch;
    if (!given.hasValue) return kAsBefore;
    if (value.caseSensitive && given.value != value.name) return 84;
    return quotationError(value.quoting, given.quoteKind, options);
}

// Remembers the shape of a tag just checked without a raise, when each of its values was
// accepted by the first list tried for it; false when one was not.
bool AttributeChecker::rememberShape() {
    const std::vector<TagEntry>& table = reader_.table();
    acceptedBy_.clear();
    for (int i = 1; i < reader_.count(); ++i) {
        const TagEntry& given = table[static_cast<std::size_t>(i)];
        if (given.acceptedAtFirstTry < 0 || given.acceptedPlace < 0) return false;
        acceptedBy_.push_back(given.acceptedAtFirstTry);
        acceptedBy_.push_back(given.acceptedPlace);
    }
    shapes_.remember(placement_.candidates(), shape_.data(), shapeSize_, acceptedBy_);
    return true;
}

void AttributeChecker::checkInFull() {
    messages::MessageStore& store = state_.store;
    std::vector<TagEntry>& table = reader_.table();
    const std::string_view tagName = reader_.tagName();

    if (placement_.warnIfNoAttributes() && reader_.count() == 1) {
        messages::MessageStore::Cause cause(store, {state_.lines.tag, state_.lines.tagColumn});
        store.raiseWarning(108, tagName);
    }
    reader_.acceptCollapsedWords();

    const bool ignoreAll = placement_.ignoresAllAttributes();
    if (placement_.skipped() || ignoreAll) return;

    // Most tags carry no attribute, and most entries have none that matters when it is
    // missing: then there is nothing to check.
    ConfigurationView& view = placement_.view();
    if (reader_.count() == 1 &&
        ((placement_.lookup() != nullptr && placement_.lookup()->noneAlwaysChecked) ||
         std::all_of(placement_.candidates().begin(), placement_.candidates().end(),
                     [&view](int tag) { return view.attributeIndex(tag).always.empty(); }))) {
        return;
    }

    if (placement_.candidates().size() == 1 && view.plainAttributes(placement_.candidates()[0])) {
        checkPlain(placement_.candidates()[0]);
        return;
    }

    // The attribute names of the table as numbers of configured attribute names, so that
    // matching them against the configuration compares numbers.
    given_.assign(static_cast<std::size_t>(reader_.count()), -1);
    // Kept between tags all clear; only the names of this tag are set, and cleared below.
    present_.resize(static_cast<std::size_t>(view.attributeNameCount()), 0);
    for (int i = 1; i < reader_.count(); ++i) {
        const int number = view.attributeNameOf(table[static_cast<std::size_t>(i)].name);
        given_[static_cast<std::size_t>(i)] = number;
        if (number >= 0) present_[static_cast<std::size_t>(number)] = 1;
    }
    auto carries = [&](int number) { return present_[static_cast<std::size_t>(number)] != 0; };
    auto insert = [&](std::string_view name, int number) {
        const int before = reader_.count();
        reader_.insertAccepted(name);
        if (reader_.count() > before) {
            given_.push_back(number);
            present_[static_cast<std::size_t>(number)] = 1;
        }
    };

    std::vector<int>& used = used_;
    std::vector<int>& notValidated = notValidated_;
    used.clear();
    notValidated.clear();
    for (int tag : placement_.candidates()) {
        // The attributes of the list that the tag carries, and those that matter when it does
        // not, in the list's order; the others have nothing to report.
        const auto& attributes = view.attributesOf(tag);
        const ConfigurationView::AttributeIndex& index = view.attributeIndex(tag);
        visit_.assign(index.always.begin(), index.always.end());
        for (int number : given_) {
            if (number < 0) continue;
            auto found = std::lower_bound(index.byName.begin(), index.byName.end(),
                                          std::pair{number, -1});
            for (; found != index.byName.end() && found->first == number; ++found) {
                visit_.push_back(found->second);
            }
        }
        std::sort(visit_.begin(), visit_.end());
        visit_.erase(std::unique(visit_.begin(), visit_.end()), visit_.end());
        for (int place : visit_) {
            const ConfigurationView::ListedAttribute& listed =
                attributes[static_cast<std::size_t>(place)];
            const int attribute = listed.id;
            const ConfigurationView::AttributeFacts& facts = listed.facts;
            const int number = facts.name;
            const bool named = carries(number);
            // An attribute the tag does not carry matters only when it is missed, or to report
            // its undefined category.
            if (!named && !facts.required && !facts.warnIfMissing &&
                facts.activity != RunState::Activity::Undefined) {
                continue;
            }
            const bool active = facts.activity == RunState::Activity::Active ||
                                (facts.activity == RunState::Activity::Undefined &&
                                 placement_.isActive(Attribute, attribute));
            for (int i = 1; named && i < reader_.count(); ++i) {
                if (given_[static_cast<std::size_t>(i)] != number) continue;
                TagEntry& given = table[static_cast<std::size_t>(i)];
                if (active && !given.inserted) addUnique(used, attribute);
                if (given.nameAccepted && given.valueAccepted) continue;
                if (active) {
                    given.nameAccepted = true;
                    checkValue(given, attribute);
                    if (!given.valueAccepted) addUnique(notValidated, attribute);
                } else if (!given.nameAccepted) {
                    given.nameError = 81;
                }
            }
            if (!active) continue;
            if (facts.required && !carries(number)) {
                const std::string_view name = cfg_.entry(Attribute, ById, attribute)->name.view();
                store.raiseError(79, tagName, name);
                insert(name, number);
            }
            if (state_.options.EnableMissingAttributeWarnings && facts.warnIfMissing &&
                !carries(number)) {
                const std::string_view name = cfg_.entry(Attribute, ById, attribute)->name.view();
                store.raiseWarning(107, tagName, name);
                insert(name, number);
            }
        }
    }

    for (int number : given_) {
        if (number >= 0) present_[static_cast<std::size_t>(number)] = 0;
    }

    for (int i = 1; i < reader_.count(); ++i) {
        takeByCatchAll(table[static_cast<std::size_t>(i)], &used, &notValidated);
    }
    showMessages(used, 2, 0);
    showMessages(notValidated, 3, 1);

    for (int i = 1; i < reader_.count(); ++i) report(table[static_cast<std::size_t>(i)]);
    reader_.reportDuplicates();
}

// One candidate entry whose attributes are plain (ConfigurationView::plainAttributes): the
// attributes of the list that the tag carries are tried in the list's order, each against the
// table entries of its name in the table's order, as the general check does, so that what
// the value checks raise (warning 101 for a value of the category "(undefined)") comes in
// that order; nothing is remembered across attributes.
void AttributeChecker::checkPlain(int tag) {
    ConfigurationView& view = placement_.view();
    std::vector<TagEntry>& table = reader_.table();
    const auto& attributes = view.attributesOf(tag);
    const auto& byName = view.attributeIndex(tag).byName;
    plainVisits_.clear();
    for (int i = 1; i < reader_.count(); ++i) {
        const int number = view.attributeNameOf(table[static_cast<std::size_t>(i)].name);
        if (number < 0) continue;
        auto found = std::lower_bound(byName.begin(), byName.end(), std::pair{number, -1});
        for (; found != byName.end() && found->first == number; ++found) {
            plainVisits_.emplace_back(found->second, i);
        }
    }
    // Mostly one attribute or a few in the list's order already.
    if (!std::is_sorted(plainVisits_.begin(), plainVisits_.end())) {
        std::sort(plainVisits_.begin(), plainVisits_.end());
    }
    for (const auto& [place, i] : plainVisits_) {
        TagEntry& given = table[static_cast<std::size_t>(i)];
        if (given.nameAccepted && given.valueAccepted) continue;
        const ConfigurationView::ListedAttribute& listed =
            attributes[static_cast<std::size_t>(place)];
        if (listed.facts.activity == RunState::Activity::Active) {
            given.nameAccepted = true;
            checkValue(given, listed.id);
        } else if (!given.nameAccepted) {
            given.nameError = 81;
        }
    }
    for (int i = 1; i < reader_.count(); ++i) {
        TagEntry& given = table[static_cast<std::size_t>(i)];
        takeByCatchAll(given, nullptr, nullptr);
        report(given);
    }
    reader_.reportDuplicates();
}

// An attribute that no entry the tag was placed against lists is taken by the attribute "*"
// of the first of them that lists it, active: a custom element takes attributes of its own,
// also those whose names other elements have (`<my-input name="email">`), and its value is
// tried against the values of "*".
void AttributeChecker::takeByCatchAll(TagEntry& given, std::vector<int>* used,
                                      std::vector<int>* notValidated) {
    if (given.nameAccepted || given.nameError != 85 || given.inserted) return;
    ConfigurationView& view = placement_.view();
    for (int tag : placement_.candidates()) {
        const int place = view.attributeIndex(tag).catchAll;
        if (place < 0) continue;
        const ConfigurationView::ListedAttribute& listed =
            view.attributesOf(tag)[static_cast<std::size_t>(place)];
        const bool active = listed.facts.activity == RunState::Activity::Active ||
                            (listed.facts.activity == RunState::Activity::Undefined &&
                             placement_.isActive(Attribute, listed.id));
        if (!active) continue;
        given.nameAccepted = true;
        if (used != nullptr) addUnique(*used, listed.id);
        checkValue(given, listed.id);
        if (!given.valueAccepted && notValidated != nullptr) addUnique(*notValidated, listed.id);
        return;
    }
}

// Tries the value of `given` against the value list of `attribute`; the first value that
// accepts it ends the search.
void AttributeChecker::checkValue(TagEntry& given, int attribute) {
    // How far down the list the values were tried, for the list error 86 gives.
    given.triedValues.emplace_back(attribute, 0);
    const bool firstTry = given.triedValues.size() == 1;
    int accepting = -1;
    if (tryValues<false>(given, attribute, given.valueError, given.triedValues.back().second,
                         &accepting) == Verdict::Accepted) {
        given.valueAccepted = true;
        if (firstTry) {
            given.acceptedAtFirstTry = attribute;
            given.acceptedPlace = accepting;
        }
    }
}

// The values of the list of `attribute` tried on the value of `given`, in the list's order, up
// to the first that accepts it; `valueError` takes the error of a value that matches but is
// quoted or written wrongly, `tried` how far down the list the values were tried, `accepting`
// (where given) the place in the list of the value that accepted it, -1 for a collapsed block
// taken as a value. Quietly nothing is raised or shown: where the check would raise (a value
// of the category "(undefined)") or show a box (a value type of a newer release), the verdict
// is Unsure.
template <bool kQuiet>
AttributeChecker::Verdict AttributeChecker::tryValues(const TagEntry& given, int attribute,
                                                      int& valueError, int& tried,
                                                      int* accepting) {
    const options::Options& options = state_.options;
    const std::vector<ConfigurationView::ListedValue>& values =
        placement_.view().valuesOf(attribute);
    for (const ConfigurationView::ListedValue& value : values) {
        const int id = value.id;
        if (value.activity != RunState::Activity::Active) {
            if constexpr (kQuiet) {
                const RunState::Activity activity = placement_.view().activity(AttributeValue, id);
                if (activity == RunState::Activity::Undefined) return Verdict::Unsure;
                if (activity != RunState::Activity::Active) continue;
            } else if (!placement_.isActive(AttributeValue, id)) {
                continue;
            }
        }
        // Collapsed server blocks, processing blocks and macros are accepted as values from
        // the list's second entry on.
        if (value.index == 1 && given.hasValue &&
            (given.value == "PHP" || given.value == "MIVA" ||
             (options.CollapseASPInTags && given.value == "ASP"))) {
            return Verdict::Accepted;
        }
        tried = static_cast<int>(&value - values.data()) + 1;

        bool known = true;
        const int match = matchValue(value, given, known);
        if (!known) {
            if constexpr (kQuiet) {
                return Verdict::Unsure;
            } else if (!newerValueTypeShown.exchange(true) && state_.owner != nullptr) {
                const auto language = messages::languageFromSetting(options.Language);
                state_.owner->messageBox(
                    std::string(messages::text(Text::NeedUpdateCaption, language)),
                    std::string(messages::text(Text::NeedUpdateText, language)),
                    platform::Icon::Error, platform::Buttons::Ok);
            }
        }
        if (match == kNoMatch) continue;
        if (match != kAsBefore) valueError = match;
        if (valueError == -1) {
            if (accepting != nullptr) *accepting = tried - 1;
            return Verdict::Accepted;
        }
    }
    return Verdict::Refused;
}

void AttributeChecker::report(TagEntry& given) {
    if (given.nameAccepted && given.valueAccepted) return;
    messages::MessageStore& store = state_.store;
    // At the attribute's first character.
    messages::MessageStore::Cause cause(store, state_.inTag(given.offset));
    if (!given.nameAccepted) {
        if (given.nameError == 85) {
            store.raiseError(85, invalidAttributeText(given));
        } else {
            store.raiseError(given.nameError, given.name, reader_.tagName());
        }
    } else if (!given.valueAccepted) {
        if (given.valueError == 86) {
            store.raiseError(86, invalidValueText(given));
        } else {
            store.raiseError(given.valueError, given.value, given.name);
        }
    }
}

// Error 85: the attribute is not valid for the tag, with the attributes that are.
std::string AttributeChecker::invalidAttributeText(const TagEntry& given) const {
    const auto language = messages::languageFromSetting(state_.options.Language);
    std::string text = messages::format(messages::text(Text::Invalid85Start, language),
                                        {given.name, reader_.tagName()});
    std::vector<int> attributes;
    for (int tag : placement_.candidates()) {
        for (int attribute : cfg_.entry(TagName, ById, tag)->lists[2].values()) {
            if (cfg_.positionOf(Attribute, attribute) < 0) continue;
            if (state_.activityOf(Attribute, attribute) != RunState::Activity::Active) continue;
            addUnique(attributes, attribute);
        }
    }
    std::sort(attributes.begin(), attributes.end(), [this](int a, int b) {
        return cfg_.positionOf(Attribute, a) < cfg_.positionOf(Attribute, b);
    });
    std::vector<std::string> names;
    for (int attribute : attributes) {
        std::string name = cfg_.entryName(Attribute, ById, attribute);
        bool known = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return text::equalsIgnoreCase(n, name);
        });
        if (!known) names.push_back(std::move(name));
    }
    if (names.empty()) {
        text.append(messages::text(Text::Invalid85NoAttributes, language));
    } else {
        appendList(text, names, Text::Invalid85OneAttribute, Text::Invalid85SeveralAttributes,
                   Text::JoinAnd, language);
    }
    return text;
}

// Error 86: the value is not valid for the attribute, with the values that are.
std::string AttributeChecker::invalidValueText(const TagEntry& given) const {
    const auto language = messages::languageFromSetting(state_.options.Language);
    std::string text = messages::format(messages::text(Text::Invalid86Start, language),
                                        {given.name, given.value});
    // The values tried, each once, in configuration order.
    std::vector<std::pair<int, int>> tried;  // (position, id)
    for (const auto& [attribute, count] : given.triedValues) {
        const auto& values = placement_.view().valuesOf(attribute);
        for (int i = 0; i < count; ++i) {
            const ConfigurationView::ListedValue& value = values[static_cast<std::size_t>(i)];
            if (placement_.view().activity(AttributeValue, value.id) !=
                RunState::Activity::Active) {
                continue;
            }
            tried.emplace_back(value.position, value.id);
        }
    }
    std::sort(tried.begin(), tried.end());
    tried.erase(std::unique(tried.begin(), tried.end()), tried.end());
    std::vector<std::string> descriptions;
    for (const auto& [position, id] : tried) {
        const TagStore* value = cfg_.entry(AttributeValue, ById, id);
        if (value == nullptr) continue;
        std::string description;
        if (value->builtinType > 0) {
            std::optional<Text> known = descriptionOf(value->builtinType);
            if (!known) continue;
            description = messages::text(*known, language);
        } else {
            description = "\"" + value->name.str() + "\"";
        }
        // Each value tried is listed, also where two of them read the same.
        descriptions.push_back(std::move(description));
    }
    appendList(text, descriptions, Text::Invalid86OneValue, Text::Invalid86SeveralValues,
               Text::JoinOr, language);
    return text;
}

// The configured messages of the attributes that show one: equal texts once.
void AttributeChecker::showMessages(const std::vector<int>& attributes, int flagSlot,
                                    int textSlot) {
    std::vector<std::string_view> texts;
    for (int attribute : attributes) {
        if (!placement_.view().attribute(attribute).showsMessage[textSlot]) continue;
        const TagStore* entry = cfg_.entry(Attribute, ById, attribute);
        std::string_view message = entry->texts[textSlot].view();
        if (entry->optionValue(flagSlot) != 1 || message.empty()) continue;
        bool seen = std::any_of(texts.begin(), texts.end(), [&](std::string_view shown) {
            return text::equalsIgnoreCase(shown, message);
        });
        if (!seen) texts.push_back(message);
    }
    for (std::string_view message : texts) state_.store.raiseMessage(message);
}

}  // namespace engine
