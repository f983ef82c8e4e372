#include "placement.h"

#include <algorithm>
#include <bit>

#include "config/text_utils.h"
#include "messages/catalogue.h"

namespace engine {
namespace {

// The candidate array holds at most this many entries.
constexpr int kCandidateLimit = 999;

bool isRangeWord(const CfgStore& cfg, int id) {
    int type = cfg.builtinType(TagName, ById, id);
    return type == config::kBuiltinEverywhere || type == config::kBuiltinFirstTag;
}

messages::Language language(const RunState& state) {
    return messages::languageFromSetting(state.options.Language);
}

// Adds `id`'s name to `names` unless an equal name (without regard to case) is there.
void addName(std::vector<std::string>& names, std::vector<int>& ids, const CfgStore& cfg, int id) {
    const TagStore* entry = cfg.entry(TagName, ById, id);
    if (entry == nullptr) return;  // an id that names no entry any more
    // The name's length is known: names of other lengths are passed over without a look.
    const std::string_view name = entry->name.view();
    for (const std::string& known : names) {
        if (text::equalsIgnoreCase(known, name)) return;
    }
    names.emplace_back(name);
    ids.push_back(id);
}

}  // namespace

std::string joinList(const std::vector<std::string>& items, std::string_view joiner) {
    std::string result;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            if (i + 1 < items.size()) {
                result += ", ";
            } else if (items.size() == 2) {
                result.append(" ").append(joiner).append(" ");
            } else {
                result.append(", ").append(joiner).append(" ");
            }
        }
        result += items[i];
    }
    return result;
}

Placement::Placement(RunState& state, ConfigurationView& view)
    : state_(state), cfg_(*state.configuration), view_(view) {}

void Placement::startDocument() {
    candidates_.clear();
    excluded_.clear();
    messagesShown_.clear();
    // A slot for every 128 bytes of the document, 64 to 1,024 of them.
    const auto bytes = static_cast<std::uint64_t>(state_.document.byteSize());
    const int bits = std::clamp(static_cast<int>(std::bit_width(bytes / 128)), 6, kPlacedSlotBits);
    placed_.assign(std::size_t{1} << bits, Placed{});
    placedShift_ = 64 - bits;
    // The open-tag stack follows its topmost open tag that some range names.
    state_.openTags.setKeyNames(&view_.rangeNames());
}

bool Placement::isActive(int kind, int id) {
    switch (view_.activity(kind, id)) {
        case RunState::Activity::Active:
            return true;
        case RunState::Activity::Undefined:
            state_.store.raiseWarning(101, cfg_.entryName(kind, ById, id));
            return false;
        case RunState::Activity::Inactive:
            break;
    }
    return false;
}

int Placement::closingRuleOf(int id) const {
    const int rule = view_.placing(id).closingRule;
    if (rule == config::kClosingRequired) return kClosingRequired;
    if (rule == config::kClosingNone) return kClosingNone;
    // Optional, and an entry without a closing rule.
    return state_.options.RequireOptionalClosingTags ? kClosingRequired : kClosingOptional;
}

// A name not placed before under the open tag that decides, or past the open tags looked at:
// its entries are looked at, and what they gave is remembered when it can be.
void Placement::placeAfresh(std::string_view name) {
    const std::uint32_t top = keyTop_;
    const bool remembered = top != OpenTagStack::kTooDeep;
    const std::uint64_t raises = state_.store.raisesAsked();
    placeCandidates(name, false);
    ignoresAll_ = looked_ && view_.lookedUp(folded_).anyIgnoresAll &&
                  std::any_of(candidates_.begin(), candidates_.end(),
                              [this](int id) { return view_.ignoresAll(id); });
    if (remembered && placedNearby_ && state_.store.raisesAsked() == raises) {
        Placed& slot = placed_[placedSlot(folded_, top)];
        slot.folded = folded_;
        slot.top = top;
        std::copy(candidates_.begin(), candidates_.end(), slot.ids);
        slot.count = static_cast<std::uint8_t>(candidates_.size());
        slot.closingRule = static_cast<std::int8_t>(closingRule_);
        slot.warnIfNoAttributes = warnIfNoAttributes_;
        slot.ignoresAll = ignoresAll_;
    }
}

// Adds the entries of an active category to the candidates, up to the limit; an entry of the
// category "(undefined)" raises warning 101.
void Placement::takeCandidates(const std::vector<int>& entries) {
    for (int id : entries) {
        if (!isActive(TagName, id)) continue;
        if (static_cast<int>(candidates_.size()) >= kCandidateLimit) {
            if (state_.owner != nullptr) {
                state_.owner->messageBox("Markwise: Limit Reached",
                                         "There is a limit of 999 entries.",
                                         platform::Icon::Error, platform::Buttons::Ok);
            }
            break;
        }
        candidates_.push_back(id);
    }
}

void Placement::placeCandidates(std::string_view name, bool rerun) {
    messages::MessageStore& store = state_.store;
    placedNearby_ = false;
    // A tag placed again after its container was put in: the stack is not what it was.
    if (rerun) keyTop_ = OpenTagStack::kTooDeep;
    folded_ = state_.openTags.fold(name);
    const ConfigurationView::TagLookup& lookup = view_.lookUpTag(folded_, name);
    if (lookup.first < 0) {
        store.raiseError(65, name);
        skipped_ = true;
        closingRule_ = kClosingOptional;
        return;
    }
    looked_ = true;
    const bool pattern = lookup.pattern;
    if (!rerun) candidates_.clear();
    if (lookup.allActive &&
        candidates_.size() + lookup.entries.size() <= static_cast<std::size_t>(kCandidateLimit)) {
        // Every entry takes part and the limit is not near: all are candidates.
        if (lookup.entries.size() == 1) {
            candidates_.push_back(lookup.entries[0]);
        } else {
            candidates_.insert(candidates_.end(), lookup.entries.begin(), lookup.entries.end());
        }
    } else {
        takeCandidates(lookup.entries);
    }
    if (candidates_.empty()) {
        store.raiseError(66, name);
        skipped_ = true;
        closingRule_ = kClosingOptional;
        return;
    }

    if (lookup.anyMessage) showMessagesWhenUsed();

    // The range test: entries that may not stand here leave the candidates. Most names have
    // one entry, and most tags may stand where they stand: nothing to move.
    // What can be remembered: a tag whose entries were each decided near the top, with no
    // message and no ignoring.
    auto rememberable = [&](bool nearby) {
        return nearby && !rerun && !lookup.anyMessage && candidates_.size() <= kPlacedIds &&
               !view_.placing(candidates_[0]).ignoreToClosing;
    };
    bool nearby = false;
    if (candidates_.size() == 1 && rangeOf(candidates_[0], &nearby) == Range::Valid) {
        takeLeadingEntry(name, pattern);
        placedNearby_ = rememberable(nearby);
        return;
    }
    bool anyInvalid = false;
    bool allNearby = true;
    for (int& id : candidates_) {
        Range range = rangeOf(id, &nearby);
        allNearby = allNearby && nearby;
        if (range == Range::Valid) continue;
        anyInvalid = anyInvalid || range == Range::Invalid;
        excluded_.push_back(id);
        id = -1;
    }
    // Gaps are filled by moving the last remaining entries forward.
    std::size_t low = 0;
    std::size_t high = candidates_.size();
    while (true) {
        while (low < high && candidates_[low] != -1) ++low;
        while (high > low && candidates_[high - 1] == -1) --high;
        if (low + 1 >= high) break;
        candidates_[low] = candidates_[high - 1];
        candidates_[high - 1] = -1;
    }
    candidates_.resize(std::count_if(candidates_.begin(), candidates_.end(),
                                     [](int id) { return id != -1; }));

    if (candidates_.empty()) {
        outOfRange(name, rerun, anyInvalid);
        return;
    }

    takeLeadingEntry(name, pattern);
    placedNearby_ = rememberable(allNearby);
}

// The leading candidate decides the closing rule and ignoring; the others may disagree.
void Placement::takeLeadingEntry(std::string_view name, bool pattern) {
    messages::MessageStore& store = state_.store;
    const int leading = candidates_[0];
    bool ignore = view_.placing(leading).ignoreToClosing;
    closingRule_ = closingRuleOf(leading);
    warnIfNoAttributes_ = view_.placing(leading).warnIfNoAttributes;
    bool closingWarned = false;
    bool ignoreWarned = false;
    for (std::size_t i = 1; i < candidates_.size(); ++i) {
        const ConfigurationView::PlacingFacts& other = view_.placing(candidates_[i]);
        warnIfNoAttributes_ = warnIfNoAttributes_ || other.warnIfNoAttributes;
        if (closingRuleOf(candidates_[i]) != closingRule_) {
            if (!closingWarned) store.raiseWarning(100, name);
            closingWarned = true;
            closingRule_ = kClosingOptional;
        }
        if (other.ignoreToClosing != ignore) {
            if (!ignoreWarned) store.raiseWarning(105, name);
            ignoreWarned = true;
            ignore = false;
        }
    }
    if (ignore && !emptyElement_) {
        state_.ignore.active = true;
        // A tag found through a pattern is closed by the name it is written with.
        state_.ignore.name =
            pattern ? std::string(name) : cfg_.entry(TagName, ById, leading)->name.str();
        state_.ignore.tagLine = state_.lines.tag;
        state_.ignore.startLine = state_.lines.current;
    }
}

// The configured messages of the candidates, each entry's at most once in a document and
// equal texts once.
void Placement::showMessagesWhenUsed() {
    std::vector<std::string_view> texts;
    for (int id : candidates_) {
        if (!view_.placing(id).showsMessage) continue;
        if (!messagesShown_.insert(id).second) continue;
        const TagStore* entry = cfg_.entry(TagName, ById, id);
        std::string_view message = entry->texts[config::MessageWhenUsed].view();
        bool seen = std::any_of(texts.begin(), texts.end(), [&](std::string_view shown) {
            return text::equalsIgnoreCase(shown, message);
        });
        if (!seen) texts.push_back(message);
    }
    for (std::string_view message : texts) state_.store.raiseMessage(message);
}

// Whether an entry may stand here: first the range words, then the open tags from the top
// down, the first open tag named in either range deciding.
Placement::Range Placement::rangeOf(int id, bool* nearby) const {
    const ConfigurationView::RangeFacts& range = view_.range(id);
    const options::Options& options = state_.options;
    if (nearby != nullptr) *nearby = true;
    if (range.hasValid && options.TagRangeAlwaysValid) return Range::Valid;
    const bool firstTag = state_.counters.tagNames == 1 || options.FirstTagAnywhere;
    switch (range.words[firstTag ? 1 : 0]) {
        case 1: return Range::Valid;
        case 2: return Range::Invalid;
        default: break;
    }
    // Most often the tag just above decides.
    const std::uint32_t top = state_.openTags.topFolded();
    if (top != OpenTagStack::kUnfolded) {
        const int decision = range.decision(top);
        if (decision != 0) return decision == 1 ? Range::Valid : Range::Invalid;
    }
    // Else the topmost open tag that any range names, when place() found it: the open tags
    // above it are named by no range and decide nothing.
    if (keyTop_ == OpenTagStack::kUnfolded) return Range::Undecided;
    if (keyTop_ != OpenTagStack::kTooDeep && keyTop_ != top) {
        const int decision = range.decision(keyTop_);
        if (decision != 0) return decision == 1 ? Range::Valid : Range::Invalid;
    }
    if (nearby != nullptr) *nearby = false;
    // The topmost open tag named in either range decides. The deciding tag is usually a few
    // places down: the open tags are walked from the top for a few places (never more than
    // there are names); beyond that each name's topmost open tag is looked up instead, which
    // costs as many look-ups as the ranges have names (many unclosed items of a list, each
    // naming none of them, are passed over at once).
    constexpr std::size_t kWalkedPlaces = 8;
    int decision = 0;
    const std::size_t steps = std::min(range.names.size(), kWalkedPlaces);
    const bool walked = state_.openTags.walkFromTop(steps, [&](std::uint32_t folded) {
        decision = range.decision(folded);
        return decision != 0;
    });
    if (walked) {
        if (decision == 0) return Range::Undecided;
        return decision == 1 ? Range::Valid : Range::Invalid;
    }
    long decidingPlace = -1;
    bool valid = false;
    for (const auto& [folded, validThere] : range.names) {
        const long place = state_.openTags.topmostFolded(folded);
        if (place > decidingPlace) {
            decidingPlace = place;
            valid = validThere;
        }
    }
    if (decidingPlace < 0) return Range::Undecided;
    return valid ? Range::Valid : Range::Invalid;
}

// No candidate may stand here: either the tag is the first of a fragment of its container's
// content, or error 67 says where it may and may not stand.
void Placement::outOfRange(std::string_view name, bool rerun, bool anyInvalid) {
    messages::MessageStore& store = state_.store;
    std::vector<std::string> validNames;
    std::vector<std::string> invalidNames;
    std::vector<int> validIds;
    std::vector<int> invalidIds;
    for (int id : excluded_) {
        const TagStore* entry = cfg_.entry(TagName, ById, id);
        for (int element : entry->lists[0].values()) addName(validNames, validIds, cfg_, element);
        for (int element : entry->lists[1].values()) {
            addName(invalidNames, invalidIds, cfg_, element);
        }
    }

    if (!rerun && state_.counters.tagNames == 1 && !validIds.empty() &&
        !isRangeWord(cfg_, validIds[0])) {
        const std::string container = validNames[0];
        store.raiseComment(216, container);
        closingRule_ = kClosingOptional;
        state_.openTags.push(text::cutToField(container, 80), closingRule_,
                             {state_.lines.tag, state_.lines.tagColumn});
        placeCandidates(name, true);
        return;
    }

    const messages::Language lang = language(state_);
    std::string range;
    if (!validNames.empty()) {
        range.append(messages::text(messages::Text::RangeValid, lang))
            .append(joinList(validNames, messages::text(messages::Text::JoinAnd, lang)))
            .append(".");
        for (int id : validIds) {
            if (cfg_.builtinType(TagName, ById, id) == config::kBuiltinFirstTag) {
                store.raiseComment(222);
                break;
            }
        }
    }
    if (!invalidNames.empty()) {
        range.append(messages::text(messages::Text::RangeInvalid, lang))
            .append(joinList(invalidNames, messages::text(messages::Text::JoinAnd, lang)))
            .append(".");
    }
    range.append(messages::text(
        anyInvalid ? messages::Text::RangeInInvalid : messages::Text::RangeNotInValid, lang));
    store.raiseError(67, name, range);
    skipped_ = true;
    closingRule_ = kClosingOptional;
}

void Placement::closeBelowTop(std::string_view name) {
    if (name.empty()) return;
    messages::MessageStore& store = state_.store;
    OpenTagStack& open = state_.openTags;
    const long place = open.topmost(name);
    if (place < 0) {
        store.raiseError(75, name);
        return;
    }
    if (state_.options.CheckNesting && store.disabled(74)) {
        // Dropped wherever it is raised: only counted, without a message made for each tag
        // passed over. Past the error limit the walk below stops after the first.
        const std::size_t passed = open.countRequiredAbove(place);
        store.countSilencedErrors(store.errorLimitReached() ? std::min<std::size_t>(passed, 1)
                                                            : passed);
    } else if (state_.options.CheckNesting) {
        open.forEachRequiredAbove(place, [&](const OpenTagStack::Record& passed) {
            store.raiseError(74, name, passed.name, passed.lineOpened);
            // Once the error limit is reached nothing more is recorded.
            return !store.errorLimitReached();
        });
    }
    if (open.closingRuleAt(place) == kClosingNone) store.raiseError(78, name);
    open.remove(place);
    checkContent(name);
}

void Placement::raiseEmpty(std::string_view name) { state_.store.raiseError(306, name); }

}  // namespace engine
