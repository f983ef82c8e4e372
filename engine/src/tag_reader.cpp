#include "tag_reader.h"

#include "config/text_utils.h"

namespace engine {
namespace {

// An unquoted token that ends at "=" is copied into a buffer of this many bytes.
constexpr std::size_t kTokenBuffer = 512;

bool isQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

TagReader::Token TagReader::nextToken() {
    messages::MessageStore& store = state_.store;
    Token token;
    std::size_t start = pos_;
    while (pos_ < text_.size() && text::isBlank(text_[pos_])) ++pos_;
    token.space = pos_ > start;
    if (pos_ >= text_.size()) return token;

    const char c = text_[pos_];
    if (c == '=') {
        token.text = text_.substr(pos_, 1);
        ++pos_;
        if (pos_ < text_.size() && text::isBlank(text_[pos_])) token.space = true;
        token.present = true;
        return token;
    }
    if (isQuote(c)) {
        std::size_t close = text_.find(c, pos_ + 1);
        if (close == std::string_view::npos) {
            // The scanner keeps quotes balanced, so this takes odd mixes of Miva brackets and
            // quotes; the rest of the tag is not read.
            store.raiseError(56);
            pos_ = text_.size();
            return token;
        }
        token.text = text_.substr(pos_ + 1, close - pos_ - 1);
        token.quoteKind = c == '"' ? 2 : 1;
        pos_ = close + 1;
        if (pos_ < text_.size()) {
            if (text::isBlank(text_[pos_])) {
                token.space = true;
            } else {
                store.raiseError(57);
            }
        }
        token.present = true;
        return token;
    }

    std::size_t end = pos_;
    while (end < text_.size() && !text::isBlank(text_[end]) && text_[end] != '=') {
        if (isQuote(text_[end])) store.raiseError(63);
        ++end;
    }
    token.text = text_.substr(pos_, end - pos_);
    if (end < text_.size() && text::isBlank(text_[end])) {
        token.space = true;
        pos_ = end + 1;
    } else {
        pos_ = end;
        if (end < text_.size() && token.text.size() >= kTokenBuffer) {
            store.raiseError(58);
            return Token{};
        }
    }
    token.present = true;
    return token;
}

TagEntry& TagReader::startEntry() {
    TagEntry& entry = table_[static_cast<std::size_t>(count_)];
    entry.name.clear();
    entry.value.clear();
    entry.hasValue = false;
    entry.quoteKind = 0;
    entry.nameAccepted = false;
    entry.valueAccepted = false;
    entry.nameError = 85;
    entry.valueError = 86;
    entry.inserted = false;
    entry.candidateValues.clear();
    return entry;
}

int TagReader::readTag(std::string_view text, bool closing,
                       const std::function<bool(const std::string&)>& place) {
    messages::MessageStore& store = state_.store;
    text_ = text;
    pos_ = 0;
    count_ = 0;

    Token token = nextToken();
    if (!token.present) return 0;
    TagEntry& tag = startEntry();
    tag.name = text::cutToField(token.text, kTagNameField);
    tag.quoteKind = token.quoteKind;
    count_ = 1;
    if (token.quoteKind != 0) store.raiseError(55, token.text);
    if (tag.name == "=") {
        store.raiseError(77, "=");
        count_ = 0;
        return 0;
    }
    if (!closing && !place(tag.name)) return 1;

    token = nextToken();
    while (token.present) {
        if (count_ == kMaxTableEntries) {
            store.raiseError(64, {}, {}, kMaxTableEntries);
            break;
        }
        TagEntry& entry = startEntry();
        if (token.text.starts_with('=')) {
            store.raiseError(77, table_[0].name);
            break;
        }
        entry.name = text::cutToField(token.text, kTagNameField);
        if (token.quoteKind != 0) store.raiseError(59, token.text);

        Token equals = nextToken();
        if (!equals.present) {
            entry.valueError = 89;
            ++count_;
            break;
        }
        if (equals.quoteKind != 0 || equals.text != "=") {
            // An attribute without a value; what follows is the next attribute's name.
            entry.valueError = 89;
            ++count_;
            token = equals;
            continue;
        }
        if (!state_.options.AllowSpacesAroundEqual && equals.space) store.raiseError(61);
        Token value = nextToken();
        if (!value.present) {
            store.raiseError(60, entry.name);
            entry.valueAccepted = true;
            ++count_;
            break;
        }
        if (value.quoteKind == 0 && value.text == "=") {
            store.raiseError(77, table_[0].name);
            break;
        }
        entry.value = text::cutToField(value.text, kTagValueField);
        entry.quoteKind = value.quoteKind;
        entry.hasValue = true;
        ++count_;
        token = nextToken();
    }
    return count_;
}

std::string TagReader::closingName() {
    messages::MessageStore& store = state_.store;
    if (count_ == 0) return {};
    std::string name = table_[0].name;
    if (count_ > 1) {
        if (name == "/") {
            // "</ name>": the name after the blanks is taken, cut so that the result fits.
            std::string_view second = table_[1].name;
            if (text::characterCount(second) >= kTagNameField - 1) {
                second = text::firstCharacters(second, kTagNameField - 2);
            }
            name.append(second);
            store.raiseError(73, name);
            if (table_[1].hasValue || count_ > 2) store.raiseError(72, name);
        } else if (name.size() > 1) {
            store.raiseError(72, name);
        }
    }
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    if (name.empty()) store.raiseError(88);
    return name;
}

void TagReader::acceptCollapsedWords() {
    const bool asp = state_.options.CollapseASPInTags != 0;
    auto collapsed = [asp](const std::string& name) {
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
        const std::string& name = table_[static_cast<std::size_t>(i)].name;
        if (name.empty()) continue;
        int occurrences = 1;
        for (int j = i + 1; j < count_; ++j) {
            std::string& later = table_[static_cast<std::size_t>(j)].name;
            if (!later.empty() && text::equalsIgnoreCase(later, name)) {
                ++occurrences;
                later.clear();  // counted once
            }
        }
        if (occurrences > 1) {
            state_.store.raiseWarning(103, name, table_[0].name, occurrences);
        }
    }
}

void TagReader::insertAccepted(std::string_view name) {
    if (count_ >= kMaxTableEntries) return;
    TagEntry& entry = startEntry();
    entry.name = std::string(name);
    entry.nameAccepted = true;
    entry.valueAccepted = true;
    entry.inserted = true;
    ++count_;
}

}  // namespace engine
