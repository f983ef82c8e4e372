#include "scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "byte_search.h"
#include "clean_tags.h"
#include "config/text_utils.h"
#include "tag_reader.h"

namespace engine {
namespace {

// The characters each phase has to look at; a double quote in the text only when it is
// reported.
constexpr StopSet<4, true> kTextStops("\"&><");
constexpr StopSet<3, true> kTextStopsWithoutQuote("&><");
// Outside comments, server and processing blocks only quotes, Miva brackets and the tag
// characters matter: most tags are read sixteen bytes at a time from one stop to the next.
constexpr StopSet<5, true> kPlainTagStops("\"'[<>");
// What ends the text of a tag taken whole (Scanner::takeKnownTag()); a "[" (a Miva macro may
// start there) rules it out.
constexpr StopSet<3, true> kKnownTagEnds("<>[");
// Inside a quote of a plain tag: its end, and the characters that start a block (which the
// dispatch then has to look for).
constexpr StopSet<3, true> kInDoubleQuotes("\"<&");
constexpr StopSet<3, true> kInSingleQuotes("'<&");
// Inside a block only its own end, "<", ">" and Miva brackets matter (quotes open no quote
// there): a comment is passed over sixteen bytes at a time too.
constexpr StopSet<4, true> kCommentStops("-[<>");
constexpr StopSet<4, true> kServerStops("%[<>");
constexpr StopSet<4, true> kQuestionStops("?[<>");
constexpr StopSet<4, true> kHashStops("#[<>");
// The entity names that today's HTML reads in text without their ";", as the start of any run
// of letters and digits: "&copy2025" reads as "(c)2025", "&current=2" as a currency sign and
// "t=2". Their case is part of the name ("&COPY" is one, "&Copy" none).
constexpr std::string_view kNamesReadWithoutSemicolon[] = {
    "AElig", "AMP", "Aacute", "Acirc", "Agrave", "Aring", "Atilde", "Auml", "COPY", "Ccedil",
    "ETH", "Eacute", "Ecirc", "Egrave", "Euml", "GT", "Iacute", "Icirc", "Igrave", "Iuml", "LT",
    "Ntilde", "Oacute", "Ocirc", "Ograve", "Oslash", "Otilde", "Ouml", "QUOT", "REG", "THORN",
    "Uacute", "Ucirc", "Ugrave", "Uuml", "Yacute", "aacute", "acirc", "acute", "aelig",
    "agrave", "amp", "aring", "atilde", "auml", "brvbar", "ccedil", "cedil", "cent", "copy",
    "curren", "deg", "divide", "eacute", "ecirc", "egrave", "eth", "euml", "frac12", "frac14",
    "frac34", "gt", "iacute", "icirc", "iexcl", "igrave", "iquest", "iuml", "laquo", "lt",
    "macr", "micro", "middot", "nbsp", "not", "ntilde", "oacute", "ocirc", "ograve", "ordf",
    "ordm", "oslash", "otilde", "ouml", "para", "plusmn", "pound", "quot", "raquo", "reg",
    "sect", "shy", "sup1", "sup2", "sup3", "szlig", "thorn", "times", "uacute", "ucirc",
    "ugrave", "uml", "uuml", "yacute", "yen", "yuml"};
static_assert(std::size(kNamesReadWithoutSemicolon) == 106);

bool startsWithNameReadWithoutSemicolon(std::string_view run) {
    return std::any_of(std::begin(kNamesReadWithoutSemicolon),
                       std::end(kNamesReadWithoutSemicolon),
                       [run](std::string_view name) { return run.starts_with(name); });
}

// The characters of a bare tag's name after its first: ASCII letters and digits.
constexpr std::array<bool, 256> kNameCharacters = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] = text::isAsciiLetter(static_cast<char>(c)) ||
                                             text::isAsciiDigit(static_cast<char>(c));
    }
    return table;
}();
// A bare tag's name is at most this long; longer names go the general way (a name is cut to
// the tag-name field there).
constexpr std::size_t kBareNameLimit = 64;
// The tag handling takes a bare name whole, as the name field would not cut it.
static_assert(kBareNameLimit < kTagNameField);

}  // namespace

void Scanner::initialise() {
    lineIndex_ = 0;
    pos_ = 0;
    block_ = BlockMode::None;
    semicolon_ = {};
    const DocumentLines& document = state_.document;
    if (document.empty()) {
        line_ = {};
        state_.lines.current = 0;
    } else {
        line_ = document[0].text;
        state_.lines.current = document[0].number;
    }
}

// Takes the next line of the document; at the end the current line stays at the last one.
bool Scanner::nextLine() {
    const DocumentLines& document = state_.document;
    if (lineIndex_ + 1 >= document.count()) {
        // The end of the document: after the last character of the last line.
        state_.lines.ended = {state_.lines.current, static_cast<std::int32_t>(line_.size() + 1)};
        lineIndex_ = document.count();
        line_ = {};
        pos_ = 0;
        return false;
    }
    ++lineIndex_;
    line_ = document[lineIndex_].text;
    state_.lines.current = document[lineIndex_].number;
    pos_ = 0;
    return true;
}

bool Scanner::scan() {
    raisesSeen_ = state_.store.raisesAsked();
    while (true) {
        if (!textPhase()) return false;
        if (bareTagRaised_) {
            bareTagRaised_ = false;
            return true;
        }
        switch (tagPhase()) {
            case TagEnd::Complete:
                dispatcher_.dispatch();
                if (state_.store.raisesAsked() != raisesSeen_) return true;
                break;
            case TagEnd::EndOfDocument: return false;
            case TagEnd::Restart: break;  // the `<` in hand starts a new tag
        }
    }
}

// Looks for the `<` that starts a tag; on the way raises the findings of the text.
bool Scanner::textPhase() {
    const options::Options& options = state_.options;
    messages::MessageStore& store = state_.store;
    if (lineIndex_ >= state_.document.count()) return false;
    const bool quotesReported = !options.AllowDoubleQuoteInText;
    auto nextStop = [&] {
        return quotesReported ? kTextStops.skip(line_, pos_)
                              : kTextStopsWithoutQuote.skip(line_, pos_);
    };
    while (true) {
        bool ignoring = state_.ignore.active;
        while ((pos_ = nextStop()) < line_.size()) {
            switch (line_[pos_]) {
                case '"':
                    if (!ignoring && !options.AllowDoubleQuoteInText &&
                        state_.lines.current != state_.lastStrayQuoteLine) {
                        messages::MessageStore::Cause cause(store, state_.onCurrentLine(pos_));
                        store.raiseError(94);
                        state_.lastStrayQuoteLine = state_.lines.current;
                    }
                    ++pos_;
                    break;
                case '&': {
                    // "&[" opens a Miva macro: nothing is checked.
                    if (pos_ + 1 < line_.size() && line_[pos_ + 1] == '[') {
                        ++pos_;
                        break;
                    }
                    // Today's HTML lets an "&" that starts no reference stand for itself.
                    if (options.AllowBareAmpersand && startsNoReference(pos_)) {
                        ++pos_;
                        break;
                    }
                    if (ignoring || !options.ValidateEntities) {
                        ++pos_;
                        break;
                    }
                    const std::size_t semicolon = semicolonFrom(pos_ + 1);
                    messages::MessageStore::Cause cause(store, state_.onCurrentLine(pos_));
                    if (semicolon == std::string_view::npos) {
                        store.raiseError(95);
                        ++pos_;
                    } else if (entities_.check(line_.substr(pos_ + 1, semicolon - pos_ - 1))) {
                        ++state_.counters.entities;
                        pos_ = semicolon + 1;
                    } else {
                        ++pos_;
                    }
                    break;
                }
                case '>':
                    if (!ignoring && !options.AllowGreaterThanInText) {
                        messages::MessageStore::Cause cause(store, state_.onCurrentLine(pos_));
                        store.raiseError(54);
                    }
                    ++pos_;
                    break;
                case '<':
                    if (takeBareTag()) {
                        dispatcher_.dispatchBare();
                    } else if (takeKnownTag()) {
                        dispatcher_.dispatchKnown();
                    } else {
                        startTag();
                        return true;
                    }
                    if (state_.store.raisesAsked() == raisesSeen_) {
                        // The tag may have started ignoring the text up to its closing tag.
                        ignoring = state_.ignore.active;
                        break;
                    }
                    bareTagRaised_ = true;
                    return true;
                default:
                    ++pos_;
                    break;
            }
        }
        if (!nextLine()) return false;
    }
}

// Whether the "&" at `amp` starts no character reference, as today's HTML reads one: it stands
// before a blank, the line's end or a character that is no ASCII letter or digit and no "#"
// ("(&)", "&-"), or before letters and digits that neither end at a ";" nor spell the name of
// an entity nor start with a name that is read without its ";" ("Q&A", "R&D", "?a=1&b=2").
// "&amp;", "&#38;", "&zz;", "&copy 2025" and "&current=2" are read as references and checked.
bool Scanner::startsNoReference(std::size_t amp) const {
    std::size_t end = amp + 1;
    if (end == line_.size() || text::isBlank(line_[end])) return true;
    if (line_[end] == '#') return false;
    while (end < line_.size() && kNameCharacters[static_cast<unsigned char>(line_[end])]) ++end;
    if (end == amp + 1) return true;
    if (end < line_.size() && line_[end] == ';') return false;
    const std::string_view run = line_.substr(amp + 1, end - amp - 1);
    return !entities_.knowsName(run) && !startsWithNameReadWithoutSemicolon(run);
}

// The first ";" of the line at or after `from`. The answer of the last search is kept: it
// holds for every later `from` up to the ";" it found (or to the line's end when none was),
// so that a line of many "&" before one ";" is searched once, not once for each "&".
std::size_t Scanner::semicolonFrom(std::size_t from) {
    Semicolon& last = semicolon_;
    if (last.line != lineIndex_ || from < last.from ||
        (last.found != std::string_view::npos && from > last.found)) {
        last = {lineIndex_, from, line_.find(';', from)};
    }
    return last.found;
}

// At the `<` of a tag: "<td>", "</td>", "<br>", a name of ASCII letters and digits (a letter
// first) with nothing else up to the `>`, is taken whole, as startTag() and the tag phase would
// take it, and marked bare for the dispatch. Anything else is left to them.
bool Scanner::takeBareTag() {
    if (state_.ignore.active || !state_.shortcuts) return false;
    const std::size_t size = line_.size();
    std::size_t p = pos_ + 1;
    if (p < size && line_[p] == '/') ++p;
    const std::size_t nameStart = p;
    if (p >= size || !text::isAsciiLetter(line_[p])) return false;
    ++p;
    while (p < size && kNameCharacters[static_cast<unsigned char>(line_[p])]) ++p;
    if (p >= size || line_[p] != '>' || p - nameStart >= kBareNameLimit) return false;
    beginTag();
    state_.tagWithoutBlocks = true;
    state_.bareTag = true;
    state_.tagView = line_.substr(pos_ + 1, p - pos_ - 1);
    state_.lines.ended = state_.onCurrentLine(p);
    pos_ = p + 1;
    return true;
}

// At the `<` of an opening tag whose text, up to the first `>` after it, the tag handling
// knows as one checked clean before (TagDispatcher::knows()): the tag is taken whole, as
// startTag() and the tag phase would take it, since such a text holds no block and its quotes
// are closed at its end. Most tags with attributes that a page repeats are taken so.
bool Scanner::takeKnownTag() {
    if (state_.ignore.active || !state_.shortcuts) return false;
    const std::size_t start = pos_ + 1;
    if (start >= line_.size() || !text::isAsciiLetter(line_[start])) return false;
    // A text taken whole holds no "<" or "[" and is at most CleanTags::kMaxTextLength long:
    // the `>` is looked for that far and no further than the next "<" or "[", so that no byte
    // of a line is looked at again for every "<" before it.
    const std::string_view window =
        line_.substr(0, std::min(line_.size(), start + CleanTags::kMaxTextLength + 1));
    const std::size_t end = kKnownTagEnds.skip(window, start);
    if (end >= window.size() || window[end] != '>') return false;
    const std::string_view text = line_.substr(start, end - start);
    if (!dispatcher_.knows(text)) return false;
    beginTag();
    state_.bareTag = false;
    state_.tagWithoutBlocks = true;
    state_.tagView = text;
    state_.lines.ended = state_.onCurrentLine(end);
    pos_ = end + 1;
    return true;
}

// At the `<` of a tag: where the tag stands, an empty tag text that starts after the `<`, and
// no block yet.
void Scanner::beginTag() {
    state_.lines.tag = state_.lines.current;
    state_.lines.tagColumn = static_cast<std::int32_t>(pos_ + 1);
    // Most tags are views of their line and never write the buffer: its room, reserved for
    // the whole document, is not written (its pages not mapped) until a tag needs it.
    if (!state_.tagText.empty()) state_.tagText.clear();
    state_.tagMap.start(state_.lines.current, static_cast<std::int32_t>(pos_ + 2));
    block_ = BlockMode::None;
}

// At the `<` of a tag: records the tag line, moves past the `<`, and sets the block mode from
// the text that follows any spaces and tabs.
void Scanner::startTag() {
    state_.bareTag = false;
    beginTag();
    ++pos_;
    std::size_t p = pos_;
    while (p < line_.size() && text::isBlank(line_[p])) ++p;
    const std::string_view rest = line_.substr(p);
    if (rest.empty()) return;
    switch (rest.front()) {
        case '!':
            if (rest.starts_with("!--")) block_ = BlockMode::Comment;
            break;
        case '%':
            if (state_.options.IgnoreActiveServer) block_ = BlockMode::Server;
            break;
        case '?':
            block_ = BlockMode::ProcessingQuestion;
            break;
        case '#':
            if (rest.starts_with("##")) block_ = BlockMode::ProcessingHash;
            break;
        default:
            break;
    }
}

// The `>` at `end` of the current line ends the tag whose text on this line begins at
// `segment`: the tag's text is a view of the line when the whole tag stands on it (no copy),
// else the lines before it joined with this one's part.
Scanner::TagEnd Scanner::endTagAt(std::size_t segment, std::size_t end) {
    TagText& tagText = state_.tagText;
    if (tagText.empty()) {
        state_.tagView = line_.substr(segment, end - segment);
    } else {
        tagText.append(line_.substr(segment, end - segment));
        state_.tagView = tagText;
    }
    state_.lines.ended = state_.onCurrentLine(end);
    pos_ = end + 1;
    return TagEnd::Complete;
}

// Looks for the `>` that ends the tag, keeping track of quotes, Miva macros, comments, server
// blocks and processing blocks in which a `>` does not end it.
Scanner::TagEnd Scanner::tagPhase() {
    const options::Options& options = state_.options;
    messages::MessageStore& store = state_.store;
    TagText& tagText = state_.tagText;

    // Most tags are plain: no block, not ignoring, and no "<" or Miva macro inside, with each
    // quote closed on the line it opens on. Such a tag is passed over from one quote or `>`
    // to the next; where a line ends inside it, the line's part is joined to the next line
    // by one space, as the general loop below joins them. Anything else is read by the general
    // loop from where the plain reading stopped: the start of the tag, or of the line it had
    // come to, with the lines before it joined as the general loop would have joined them.
    state_.tagWithoutBlocks = false;
    if (block_ == BlockMode::None && !state_.ignore.active && state_.shortcuts) {
        std::size_t segment = pos_;  // where the tag's text on this line begins
        std::size_t p = pos_;
        bool blockStart = false;  // a "<" or "&" inside a quote
        while (true) {
            bool plain = true;
            while ((p = kPlainTagStops.skip(line_, p)) < line_.size()) {
                const char c = line_[p];
                if (c == '>') {
                    state_.tagWithoutBlocks = !blockStart;
                    return endTagAt(segment, p);
                }
                if (c == '"' || c == '\'') {
                    std::size_t close = p + 1;
                    while (true) {
                        close = c == '"' ? kInDoubleQuotes.skip(line_, close)
                                         : kInSingleQuotes.skip(line_, close);
                        if (close >= line_.size() || line_[close] == c) break;
                        blockStart = true;
                        ++close;
                    }
                    if (close >= line_.size()) {
                        plain = false;  // a quote open at the line's end
                        break;
                    }
                    p = close + 1;
                    continue;
                }
                if (c == '<' || (c == '[' && p > 0 && line_[p - 1] == '&')) {
                    plain = false;
                    break;
                }
                ++p;  // a "[" that opens no macro
            }
            // The line ends inside the tag with no quote open; at the document's last line the
            // general loop raises what the end of the document inside a tag raises.
            if (!plain || lineIndex_ + 1 >= state_.document.count()) break;
            tagText.append(line_.substr(segment));
            nextLine();
            tagText.push_back(' ');
            state_.tagMap.continueOnLine(tagText.size(), state_.lines.current);
            segment = 0;
            p = 0;
        }
        pos_ = segment;
    }

    bool quoteOpen = false;
    char closingQuote = 0;
    messages::Position quoteOpened;  // where the open quote stands
    bool nestedServer = false;
    bool nestedProcessing = false;
    std::size_t segment = pos_;  // where the tag's text on this line begins

    while (true) {
        const bool ignoring = state_.ignore.active;
        while (pos_ < line_.size()) {
            if (quoteOpen) {
                // Inside a quote only its closing character counts.
                const void* close =
                    std::memchr(line_.data() + pos_, closingQuote, line_.size() - pos_);
                if (close == nullptr) {
                    pos_ = line_.size();
                    break;
                }
                pos_ = static_cast<std::size_t>(static_cast<const char*>(close) - line_.data());
                quoteOpen = false;
                closingQuote = 0;
                ++pos_;
                continue;
            }
            switch (block_) {
                case BlockMode::None: pos_ = kPlainTagStops.skip(line_, pos_); break;
                case BlockMode::Comment: pos_ = kCommentStops.skip(line_, pos_); break;
                case BlockMode::Server: pos_ = kServerStops.skip(line_, pos_); break;
                case BlockMode::ProcessingQuestion: pos_ = kQuestionStops.skip(line_, pos_); break;
                case BlockMode::ProcessingHash: pos_ = kHashStops.skip(line_, pos_); break;
            }
            if (pos_ >= line_.size()) break;
            const char c = line_[pos_];

            // Quotes open at a Miva macro "&[" (closed by "]") always, and at `"` and `'`
            // only outside blocks and while not ignoring.
            if ((c == '[' && pos_ > 0 && line_[pos_ - 1] == '&') ||
                ((c == '"' || c == '\'') && block_ == BlockMode::None && !ignoring)) {
                quoteOpen = true;
                closingQuote = c == '[' ? ']' : c;
                quoteOpened = state_.onCurrentLine(pos_);
                ++pos_;
                continue;
            }

            switch (c) {
                case '#':
                    if (block_ == BlockMode::ProcessingHash && at("##>")) block_ = BlockMode::None;
                    ++pos_;
                    break;
                case '%':
                    if (options.IgnoreActiveServer && at("%>") && block_ == BlockMode::Server) {
                        block_ = BlockMode::None;
                        if (nestedServer) {
                            // The "%>" closes a block opened inside the tag: its `>` does
                            // not end the tag.
                            nestedServer = false;
                            pos_ += 2;
                            break;
                        }
                    }
                    ++pos_;
                    break;
                case '-':
                    if (block_ == BlockMode::Comment && at("-->")) block_ = BlockMode::None;
                    ++pos_;
                    break;
                case '?':
                    if (block_ == BlockMode::ProcessingQuestion && at("?>")) {
                        block_ = BlockMode::None;
                        if (nestedProcessing) {
                            nestedProcessing = false;
                            pos_ += 2;
                            break;
                        }
                    }
                    ++pos_;
                    break;
                case '<':
                    if (block_ == BlockMode::Comment) {
                        if (!ignoring && options.EnableCommentWarnings) {
                            messages::MessageStore::Cause cause(store, state_.onCurrentLine(pos_));
                            store.raiseWarning(104);
                        }
                        ++pos_;
                    } else if (block_ != BlockMode::None) {
                        ++pos_;
                    } else if (options.IgnoreActiveServer && at("<%")) {
                        block_ = BlockMode::Server;
                        nestedServer = true;
                        pos_ += 2;
                    } else if (at("<?")) {
                        block_ = BlockMode::ProcessingQuestion;
                        nestedProcessing = true;
                        pos_ += 2;
                    } else {
                        // A new tag starts before this one ended.
                        if (!ignoring) {
                            messages::MessageStore::Cause cause(store, state_.onCurrentLine(pos_));
                            store.raiseError(52);
                        }
                        tagText.clear();
                        return TagEnd::Restart;
                    }
                    break;
                case '>':
                    if (block_ != BlockMode::None) {
                        if (block_ == BlockMode::Comment && !ignoring &&
                            options.EnableCommentWarnings) {
                            messages::MessageStore::Cause cause(store, state_.onCurrentLine(pos_));
                            store.raiseWarning(102);
                        }
                        ++pos_;
                        break;
                    }
                    return endTagAt(segment, pos_);
                default:
                    ++pos_;
                    break;
            }
        }

        // The end of a line inside the tag. The quote's messages point at the open quote when
        // it stands on the line, else at the line's end; error 53 at the tag's `<` when it
        // stands on the last line.
        const messages::Position lineEnd = state_.onCurrentLine(line_.size());
        const messages::Position quoteCause =
            quoteOpened.line == lineEnd.line ? quoteOpened : lineEnd;
        if (quoteOpen && !options.AllowMultiLineQuotes && !ignoring) {
            messages::MessageStore::Cause cause(store, quoteCause);
            store.raiseError(62);
        }
        tagText.append(line_.substr(segment));
        if (!nextLine()) {
            if (quoteOpen && !ignoring) {
                messages::MessageStore::Cause cause(store, quoteCause);
                store.raiseError(92);
            } else if (!ignoring) {
                messages::MessageStore::Cause cause(
                    store, state_.lines.tag == lineEnd.line
                               ? messages::Position{lineEnd.line, state_.lines.tagColumn}
                               : lineEnd);
                store.raiseError(53);
            }
            return TagEnd::EndOfDocument;
        }
        tagText.push_back(' ');
        state_.tagMap.continueOnLine(tagText.size(), state_.lines.current);
        segment = 0;
    }
}

}  // namespace engine
