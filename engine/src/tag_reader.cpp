#include "tag_reader.h"

#include <array>
#include <cstring>

#include "config/text_utils.h"

namespace engine {
namespace {

bool isQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

bool isBareName(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && !kTokenStops[static_cast<unsigned char>(text[end])]) ++end;
    return end == text.size() && end > 0;
}

void TagReader::raiseAt(std::size_t offset, int number, std::string_view text1, int value) {
    messages::MessageStore::Cause cause(state_.store, state_.inTag(offset));
    state_.store.raiseError(number, text1, {}, value);
}

// Inlined into readTag(), its only caller, so that a token is handed back in registers
// rather than through memory.
[[gnu::always_inline]] inline TagReader::Token TagReader::nextToken() {
    Token token;
    std::size_t start = pos_;
    while (pos_ < text_.size() && text::isBlank(text_[pos_])) ++pos_;
    token.space = pos_ > start;
    if (pos_ >= text_.size()) return token;
    token.start = pos_;

    const char c = text_[pos_];
    if (c == '=') {
        token.text = text_.substr(pos_, 1);
        // An unquoted token that ends at a blank takes that blank with it, so "title =x" leaves
        // none to skip here: the blank right before the "=" counts as well, as in "title  =x".
        if (pos_ > 0 && text::isBlank(text_[pos_ - 1])) token.space = true;
        ++pos_;
        token.end = pos_;
        if (pos_ < text_.size() && text::isBlank(text_[pos_])) token.space = true;
        token.present = true;
        return token;
    }
    if (isQuote(c)) {
        std::size_t close = text_.find(c, pos_ + 1);
        if (close == std::string_view::npos) {
            // The scanner keeps quotes balanced, so this takes odd mixes of Miva brackets and
            // quotes; the rest of the tag is not read.
            raiseAt(pos_, 56);
            pos_ = text_.size();
            return token;
        }
        token.text = text_.substr(pos_ + 1, close - pos_ - 1);
        token.quoteKind = c == '"' ? 2 : 1;
        pos_ = close + 1;
        token.end = pos_;
        if (pos_ < text_.size()) {
            if (text::isBlank(text_[pos_])) {
                token.space = true;
            } else {
                raiseAt(pos_, 57);
            }
        }
        token.present = true;
        return token;
    }

    std::size_t end = pos_;
    while (true) {
        while (end < text_.size() && !kTokenStops[static_cast<unsigned char>(text_[end])]) ++end;
        if (end == text_.size() || !isQuote(text_[end])) break;
        raiseAt(end, 63);
        ++end;
    }
    token.text = text_.substr(pos_, end - pos_);
    token.end = end;
    if (end < text_.size() && text::isBlank(text_[end])) {
        token.space = true;
        pos_ = end + 1;
    } else {
        pos_ = end;
        if (end < text_.size() && token.text.size() >= kTokenBuffer &&
            text::characterCount(token.text) >= kTokenBuffer) {
            raiseAt(token.start, 58);
            return Token{};
        }
    }
    token.present = true;
    return token;
}

TagEntry& TagReader::startEntry() { return clearEntry(table_[static_cast<std::size_t>(count_)]); }

TagEntry& TagReader::clearEntry(TagEntry& entry) {
    entry.name = {};
    entry.value = {};
    entry.writtenValue = {};
    entry.hasValue = false;
    entry.quoteKind = 0;
    entry.nameAccepted = false;
    entry.valueAccepted = false;
    entry.nameError = 85;
    entry.valueError = 86;
    entry.inserted = false;
    entry.triedValues.clear();
    entry.acceptedAtFirstTry = -1;
    entry.acceptedPlace = -1;
    entry.offset = 0;
    entry.nameEnd = 0;
    return entry;
}

// The attributes of a plain opening tag, read into the table from entry 1 on: each one a name,
// alone or with "=" and a value right after it, quoted or not, the attributes apart by blanks.
// That is what nextToken() and the loop of readTag() read without a single error, and they
// give each entry the same fields. False, with count_ left at 0 and nothing raised, for
// anything else: readTag() then reads the tag its own way from the start.
bool TagReader::readPlainAttributes(std::size_t pos) {
    int entries = 1;
    const bool plain = walkPlainAttributes(text_, pos, [&](const PlainAttribute& attribute) {
        TagEntry& entry = clearEntry(table_[static_cast<std::size_t>(entries++)]);
        entry.name = text::cutToField(
            text_.substr(attribute.nameStart, attribute.nameEnd - attribute.nameStart), kTagNameField);
        entry.offset = attribute.nameStart;
        entry.nameEnd = attribute.nameEnd;
        if (!attribute.hasValue) {
            entry.valueError = 89;
            return;
        }
        entry.quoteKind = attribute.quoteKind;
        entry.writtenValue =
            text_.substr(attribute.valueStart, attribute.valueEnd - attribute.valueStart);
        entry.value = text::cutToField(entry.writtenValue, kTagValueField);
        entry.hasValue = true;
    });
    if (!plain) return false;
    count_ = entries;
    return true;
}

int TagReader::readTag(std::string_view text, bool closing, PlaceName place) {
    text_ = text;
    pos_ = 0;
    count_ = 0;

    // Most tags are a bare name: the whole text is the one token (as isBareName() says).
    auto tokenEnd = [&text](std::size_t at) {
        while (at < text.size() && !kTokenStops[static_cast<unsigned char>(text[at])]) ++at;
        return at;
    };
    std::size_t end = tokenEnd(0);
    const bool shortcuts = state_.shortcuts;
    if (shortcuts && end == text.size() && end > 0) return readBareTag(text, closing, place);

    // Most other opening tags are a name and plain attributes: read at once, placed after.
    if (!closing && shortcuts) {
        std::size_t start = 0;
        if (end == 0) {
            while (start < text.size() && text::isBlank(text[start])) ++start;
            end = tokenEnd(start);
        }
        if (end > start && end < text.size() && text::isBlank(text[end]) &&
            readPlainAttributes(end)) {
            TagEntry& tag = clearEntry(table_[0]);
            tag.name = text::cutToField(text.substr(start, end - start), kTagNameField);
            tag.offset = start;
            tag.nameEnd = end;
            if (!place(tag.name)) count_ = 1;
            return count_;
        }
        count_ = 0;
    }

    Token token = nextToken();
    if (!token.present) return 0;
    TagEntry& tag = startEntry();
    tag.name = text::cutToField(token.text, kTagNameField);
    tag.quoteKind = token.quoteKind;
    tag.offset = token.start;
    tag.nameEnd = token.end;
    count_ = 1;
    if (token.quoteKind != 0) raiseAt(token.start, 55, token.text);
    if (tag.name == "=") {
        raiseAt(token.start, 77, "=");
        count_ = 0;
        return 0;
    }
    if (!closing && !place(tag.name)) return 1;

    token = nextToken();
    while (token.present) {
        if (count_ == kMaxTableEntries) {
            raiseAt(token.start, 64, {}, kMaxTableEntries);
            break;
        }
        TagEntry& entry = startEntry();
        if (token.text.starts_with('=')) {
            raiseAt(token.start, 77, table_[0].name);
            break;
        }
        entry.name = text::cutToField(token.text, kTagNameField);
        entry.offset = token.start;
        entry.nameEnd = token.end;
        if (token.quoteKind != 0) raiseAt(token.start, 59, token.text);

        Token equals = nextToken();
        if (!equals.present) {
            entry.valueError = 89;
            ++count_;
            break;
        }
        // A token that begins with "=" (an "=", or a quoted text that starts with one) leads
        // to the value.
        if (!equals.text.starts_with('=')) {
            // An attribute without a value; what follows is the next attribute's name.
            entry.valueError = 89;
            ++count_;
            token = equals;
            continue;
        }
        if (!state_.options.AllowSpacesAroundEqual && equals.space) raiseAt(equals.start, 61);
        Token value = nextToken();
        if (!value.present) {
            raiseAt(entry.offset, 60, entry.name);
            entry.valueAccepted = true;
            ++count_;
            break;
        }
        if (value.quoteKind == 0 && value.text == "=") {
            raiseAt(value.start, 77, table_[0].name);
            break;
        }
        entry.writtenValue = value.text;
        entry.value = text::cutToField(value.text, kTagValueField);
        entry.quoteKind = value.quoteKind;
        entry.hasValue = true;
        ++count_;
        token = nextToken();
    }
    return count_;
}

int TagReader::readBareTag(std::string_view text, bool closing, PlaceName place) {
    text_ = text;
    pos_ = text.size();
    count_ = 0;
    TagEntry& tag = startEntry();
    tag.name = text::cutToField(text, kTagNameField);
    tag.nameEnd = text.size();
    count_ = 1;
    if (!closing && place) place(tag.name);
    return count_;
}

std::string_view TagReader::closingName() {
    messages::MessageStore& store = state_.store;
    if (count_ == 0) return {};
    // The name after the "/" is cut to the name field as an opening tag's name is, not with
    // the "/": "</x...>" then closes "<x...>" also when the name is 79 characters or more.
    auto withoutSlash = [this](std::string_view closed) {
        const TagEntry& tag = table_[0];
        const std::string_view written = text_.substr(tag.offset, tag.nameEnd - tag.offset);
        if (tag.quoteKind == 0 && written.size() > tag.name.size() && written.starts_with('/')) {
            return text::cutToField(written.substr(1), kTagNameField);
        }
        closed.remove_prefix(1);
        return closed;
    };
    if (count_ == 1) {
        // "</td>": the name is the token after its "/", a view of the tag text.
        std::string_view closed = table_[0].name;
        if (!closed.empty() && closed.front() == '/') closed = withoutSlash(closed);
        if (closed.empty()) store.raiseError(88);
        return closed;
    }
    std::string& name = closing_;
    name.assign(table_[0].name);
    // The extra text of a closing tag starts after its name, past the blanks.
    auto extraText = [this](const TagEntry& named) {
        std::size_t at = named.nameEnd;
        while (at < text_.size() && text::isBlank(text_[at])) ++at;
        return at;
    };
    if (count_ > 1) {
        if (name == "/") {
            // "</ name>": the name after the blanks is taken, cut so that the result fits.
            std::string_view second = table_[1].name;
            if (text::characterCount(second) >= kTagNameField - 1) {
                second = text::firstCharacters(second, kTagNameField - 2);
            }
            name.append(second);
            raiseAt(table_[0].nameEnd, 73, name);  // the first blank after the "/"
            if (table_[1].hasValue || count_ > 2) raiseAt(extraText(table_[1]), 72, name);
        } else if (name.size() > 1) {
            raiseAt(extraText(table_[0]), 72, name);
        }
    }
    std::string_view closed = name;
    if (!closed.empty() && closed.front() == '/') {
        closed = name.size() > 1 && name == table_[0].name ? withoutSlash(closed)
                                                           : closed.substr(1);
    }
    if (closed.empty()) store.raiseError(88);
    return closed;
}

void TagReader::acceptCollapsedWords() {
    const bool asp = state_.options.CollapseASPInTags != 0;
    auto collapsed = [asp](std::string_view name) {
        return name == "MIVA" || (asp && name == "ASP");
    };
    const bool all = count_ > 0 && collapsed(table_[0].name);
    for (int i = 0; i < count_; ++i) {
        if (all || collapsed(table_[static_cast<std::size_t>(i)].name)) {
            table_[static_cast<std::size_t>(i)].nameAccepted = true;
            table_[static_cast<std::size_t>(i)].valueAccepted = true;
        }
    }
}

void TagReader::reportDuplicates() {
    for (int i = 1; i + 1 < count_; ++i) {
        const std::string_view name = table_[static_cast<std::size_t>(i)].name;
        if (name.empty()) continue;
        int occurrences = 1;
        std::size_t repeated = 0;  // the first repetition, where the warning points
        for (int j = i + 1; j < count_; ++j) {
            TagEntry& later = table_[static_cast<std::size_t>(j)];
            if (!later.name.empty() && text::equalsIgnoreCase(later.name, name)) {
                if (++occurrences == 2) repeated = later.offset;
                later.name = {};  // counted once
            }
        }
        if (occurrences > 1) {
            messages::MessageStore::Cause cause(state_.store, state_.inTag(repeated));
            state_.store.raiseWarning(103, name, table_[0].name, occurrences);
        }
    }
}

void TagReader::insertAccepted(std::string_view name) {
    if (count_ >= kMaxTableEntries) return;
    TagEntry& entry = startEntry();
    entry.name = name;
    entry.nameAccepted = true;
    entry.valueAccepted = true;
    entry.inserted = true;
    ++count_;
}

}  // namespace engine
