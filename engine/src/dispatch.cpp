#include "dispatch.h"

#include <cstring>

#include "byte_search.h"
#include "config/text_utils.h"
#include "messages/message_ids.h"

namespace engine {
namespace {

// Replaces every block from `open` to the next `close` by `word` (or removes it when `word` is
// empty), working in place from left to right. A block shorter than the word stays as it is;
// a block without its terminator ends the collapsing, leaving the rest unchanged. `found` is
// called for every opening found, `collapsed` for every block replaced, with the place of the
// replacement and of the block it replaced.
template <typename Found, typename Collapsed>
void collapse(TagText& text, std::string_view open, std::string_view close,
              std::string_view word, Found&& found, Collapsed&& collapsed) {
    std::size_t read = 0;
    std::size_t write = 0;
    auto keep = [&](std::size_t end) {
        if (write != read) std::memmove(text.data() + write, text.data() + read, end - read);
        write += end - read;
        read = end;
    };
    while (true) {
        std::size_t start = text.find(open, read);
        if (start == TagText::npos) break;
        found();
        std::size_t terminator = text.find(close, start + open.size());
        if (terminator == TagText::npos) break;
        std::size_t end = terminator + close.size();
        keep(start);
        if (end - start < word.size()) {
            keep(end);
            continue;
        }
        std::memcpy(text.data() + write, word.data(), word.size());
        collapsed(write, word.size(), start, end - start);
        write += word.size();
        read = end;
    }
    keep(text.size());
    text.resize(write);
}

bool isQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

// The "/" of an empty element ("<br/>", "<br />", "<link href="x"/>") is the last character
// of the tag text and follows the name, an attribute without a value, a quoted value or a
// blank. After an unquoted value it belongs to the value, as browsers read it
// ("<a href=docs/>"). The mark is removed with the blanks before it, so that the tag reads as
// the same tag without it.
bool removeEmptyElementMark(std::string_view& text) {
    if (text.empty() || text.back() != '/') return false;
    const std::size_t slash = text.size() - 1;
    if (slash > 0 && !text::isBlank(text[slash - 1]) && !isQuote(text[slash - 1])) {
        // The run of characters that ends with the "/": a name, or an unquoted value when an
        // "=" comes before it.
        std::size_t start = slash;
        while (start > 0 && !text::isBlank(text[start - 1]) && text[start - 1] != '=' &&
               !isQuote(text[start - 1])) {
            --start;
        }
        std::size_t before = start;
        while (before > 0 && text::isBlank(text[before - 1])) --before;
        if (before > 0 && text[before - 1] == '=') return false;
    }
    text.remove_suffix(1);
    while (!text.empty() && text::isBlank(text.back())) text.remove_suffix(1);
    return true;
}

// Every block starts with "<" or "&": most tags have neither.
constexpr StopSet<2, true> kBlockStarts("<&");

void TagDispatcher::collapseBlocks(TagText& text) {
    if (kBlockStarts.skip(text, 0) == text.size()) return;
    const options::Options& options = state_.options;
    messages::MessageStore& store = state_.store;
    // Each collapsed block is recorded in the tag's map, so that the messages about the tag
    // still point into the document, and its comment is raised.
    TagTextMap& map = state_.tagMap;
    auto collapsed = [&map](int pass, auto raise) {
        return [&map, pass, raise](std::size_t newStart, std::size_t newLength,
                                   std::size_t oldStart, std::size_t oldLength) {
            map.collapsed(pass, newStart, newLength, oldStart, oldLength);
            raise();
        };
    };
    if (options.IgnoreActiveServer) {
        const bool toAsp = options.CollapseASPInTags != 0;
        collapse(text, "<%", "%>", toAsp ? "ASP" : "", [&] { ++state_.counters.serverSections; },
                 collapsed(0, [&] {
                     if (toAsp) store.raiseComment(212);
                 }));
    }
    collapse(text, "<?", "?>", "PHP", [] {}, collapsed(1, [&] { store.raiseComment(220); }));
    // Miva macro handling is always on.
    collapse(text, "&[", "]", "MIVA", [] {}, collapsed(2, [&] { store.raiseComment(224); }));
}

// A markwise-disable comment drops message kinds from the comment's `<` to the end of the
// document; a markwise-disable-next-line comment on the line after the one its "-->" is on.
void TagDispatcher::heedDirective(std::string_view comment) {
    if (comment.find("markwise-disable") == std::string_view::npos) return;
    std::optional<messages::InlineDirective> directive = messages::parseInlineDirective(comment);
    if (!directive) return;
    state_.store.addInlineDirective(*directive, {state_.lines.tag, state_.lines.tagColumn},
                                    state_.lines.current + 1);
}

// Whether the tag text is the closing tag that ends ignoring: "/" and the recorded name
// (without regard to case, blanks allowed between them), then a blank or the end.
bool TagDispatcher::endsIgnoring(std::string_view text, std::size_t first) const {
    if (first >= text.size() || text[first] != '/') return false;
    std::size_t p = first + 1;
    while (p < text.size() && text::isBlank(text[p])) ++p;
    const std::string& name = state_.ignore.name;
    if (!text::startsWithIgnoreCase(text.substr(p), name)) return false;
    p += name.size();
    return p == text.size() || text::isBlank(text[p]);
}

void TagDispatcher::dispatch() {
    const options::Options& options = state_.options;
    messages::MessageStore& store = state_.store;
    messages::RunCounters& counters = state_.counters;
    std::string_view text = state_.tagView;
    if (state_.bareTag) {
        // No blank, block, mark of an empty element or comment: an opening or closing tag.
        dispatchBare();
        return;
    }
    if (!state_.tagWithoutBlocks && kBlockStarts.skip(text, 0) < text.size()) {
        TagText& owned = state_.tagText;
        if (text.data() != owned.data()) owned.assign(text);
        collapseBlocks(owned);
        text = owned;
    }
    std::size_t first = 0;
    while (first < text.size() && text::isBlank(text[first])) ++first;
    std::string_view rest = std::string_view(text).substr(first);
    const char c = rest.empty() ? '\0' : rest.front();

    if (state_.ignore.active) {
        if (!endsIgnoring(text, first)) return;
        counters.linesIgnored += state_.lines.current - state_.ignore.startLine;
        state_.ignore.active = false;
    }

    if (!text.empty() && text::isBlank(text.front()) && !options.AllowSpaces2) {
        // At the first blank after the `<`.
        messages::MessageStore::Cause cause(store, state_.inTag(0));
        store.raiseError(71);
    }

    if (c == '!') {
        if (counters.tagNames == 0 && text::startsWithIgnoreCase(rest, "!DOCTYPE")) {
            // A prologue identifier: only one is allowed before the first tag.
            if (++counters.prologues >= 2) store.raiseError(98);
        } else {
            ++counters.htmlComments;
            if (options.StrictComments && !rest.starts_with("!--")) store.raiseError(87);
            if (store.settings().inlineDirectives) heedDirective(rest);
        }
        return;
    }
    if (c == '%' && options.IgnoreActiveServer) {
        ++counters.serverSections;
        return;
    }
    if (c == '?' || rest.starts_with("##")) return;

    if (rest.empty()) {
        store.raiseError(304);
        return;
    }
    const bool emptyElement =
        c != '/' && options.AllowEmptyElementSlash && removeEmptyElementMark(text);
    if (text::isBlank(text.back()) && !options.AllowSpaces2) {
        // At the first of the blanks before the `>`.
        std::size_t blanks = text.size();
        while (blanks > 0 && text::isBlank(text[blanks - 1])) --blanks;
        messages::MessageStore::Cause cause(store, state_.inTag(blanks));
        store.raiseError(76);
    }
    handOn(text, c == '/', emptyElement, false);
}

void TagDispatcher::handOn(std::string_view text, bool closing, bool emptyElement, bool bare) {
    messages::RunCounters& counters = state_.counters;
    if (closing) {
        ++counters.closingTags;
        tags_.closingTag(text, bare);
    } else {
        ++counters.tagNames;
        tags_.openingTag(text, emptyElement, bare);
    }
}

}  // namespace engine
