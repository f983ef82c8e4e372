#include "config/strstore.h"

#include "config/text_utils.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kMaxLength =
    static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// StrStore

StrStore::StrStore(const StrStore& other) {
    try {
        text_ = other.text_;
    } catch (const std::bad_alloc&) {
        text_.clear();
    }
}

StrStore::StrStore(const StrStore& first, const StrStore& second) {
    if (first.text_.size() + second.text_.size() > kMaxLength) return;
    try {
        text_.reserve(first.text_.size() + second.text_.size());
        text_ = first.text_;
        text_ += second.text_;
    } catch (const std::bad_alloc&) {
        text_.clear();
    }
}

StrStore::StrStore(std::string_view text) {
    if (text.size() > kMaxLength) return;
    try {
        text_.assign(text);
    } catch (const std::bad_alloc&) {
        text_.clear();
    }
}

StrStore& StrStore::operator=(const StrStore& other) {
    if (this != &other) assign(other);
    return *this;
}

int StrStore::assign(const char* text) {
    if (text == nullptr) return 0;
    return assign(std::string_view(text));
}

int StrStore::assign(std::string_view text) {
    if (text.size() > kMaxLength) return 0;
    try {
        // Build the new value apart so that a failed allocation keeps the old one; this also
        // makes assigning a view of the string itself safe.
        std::string next(text);
        text_.swap(next);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int StrStore::assign(const StrStore& other) {
    if (this == &other) return 1;
    return assign(other.view());
}

int StrStore::append(const char* text) {
    if (text == nullptr) return 0;
    return append(std::string_view(text));
}

int StrStore::append(std::string_view text) {
    if (text.empty()) return 1;
    if (text.size() > kMaxLength - text_.size()) return 0;
    try {
        // std::string::append leaves the string as it was when it cannot allocate, and reads
        // a view of the string itself correctly.
        text_.append(text);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int StrStore::append(const StrStore& other) {
    return append(other.view());
}

int StrStore::appendBytes(const void* p, std::int32_t n) {
    if (n < 0) return 0;
    if (n == 0) return 1;
    if (p == nullptr) return 0;
    return append(std::string_view(static_cast<const char*>(p), static_cast<std::size_t>(n)));
}

int StrStore::appendInt(std::int32_t n) {
    char digits[16];
    const int written = std::snprintf(digits, sizeof digits, "%d", static_cast<int>(n));
    if (written <= 0) return 0;
    return append(std::string_view(digits, static_cast<std::size_t>(written)));
}

int StrStore::clear() {
    std::string().swap(text_);
    return 1;
}

char StrStore::charAt(std::int32_t pos) const {
    if (pos < 0 || pos >= length()) return 0;
    return text_[static_cast<std::size_t>(pos)];
}

int StrStore::replaceAll(const char* find, const char* replacement, bool caseSensitive) {
    if (find == nullptr || replacement == nullptr) return -1;
    return replaceAll(std::string_view(find), std::string_view(replacement), caseSensitive);
}

int StrStore::replaceAll(std::string_view find, std::string_view replacement, bool caseSensitive) {
    // An empty pattern would match between every two bytes without ever advancing; it is
    // treated as matching nothing.
    if (find.empty() || text_.empty()) return 0;

    std::string result;
    int count = 0;
    try {
        std::size_t copiedUpTo = 0;
        std::size_t pos = 0;
        const std::size_t size = text_.size();
        while (pos + find.size() <= size) {
            const std::string_view here(text_.data() + pos, find.size());
            const bool match = caseSensitive ? here == find : text::equalsIgnoreCase(here, find);
            if (!match) {
                ++pos;
                continue;
            }
            result.append(text_, copiedUpTo, pos - copiedUpTo);
            result.append(replacement);
            if (result.size() > kMaxLength || count == std::numeric_limits<int>::max()) {
                return -1;
            }
            ++count;
            pos += find.size();
            copiedUpTo = pos;
        }
        if (count == 0) return 0;
        result.append(text_, copiedUpTo, std::string::npos);
        if (result.size() > kMaxLength) return -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
    text_.swap(result);
    return count;
}

int StrStore::unescape() {
    const std::size_t size = text_.size();
    if (text_.find('\\') == std::string::npos) return 0;

    std::string result;
    int count = 0;
    try {
        result.reserve(size);
        for (std::size_t i = 0; i < size; ++i) {
            const char c = text_[i];
            if (c != '\\') {
                result.push_back(c);
                continue;
            }
            if (i + 1 >= size) return -1;  // a lone backslash at the end
            const char next = text_[++i];
            result.push_back(next == 'n' ? '\n' : next);
            ++count;
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    text_.swap(result);
    return count;
}

// ---------------------------------------------------------------------------------------------
// StrStoreEx

int StrStoreEx::equals(const char* text) const {
    if (text == nullptr) return 0;
    return equals(std::string_view(text));
}

int StrStoreEx::equals(std::string_view text) const {
    return view() == text ? 1 : 0;
}

int StrStoreEx::equalsIgnoreCase(const char* text) const {
    if (text == nullptr) return 0;
    return equalsIgnoreCase(std::string_view(text));
}

int StrStoreEx::equalsIgnoreCase(std::string_view text) const {
    return text::equalsIgnoreCase(view(), text) ? 1 : 0;
}

int StrStoreEx::setCursor(std::int32_t pos) {
    if (pos < 0 || pos > length()) return 0;
    positions_[0] = pos;
    return 1;
}

int StrStoreEx::setTokenStart(std::int32_t pos) {
    positions_[1] = pos < 0 ? positions_[0] : pos;
    return 1;
}

int StrStoreEx::rewind() {
    positions_[0] = positions_[1];
    return 1;
}

int StrStoreEx::skipSpaces() {
    const std::int32_t start = positions_[0];
    std::int32_t pos = start;
    const std::int32_t end = length();
    while (pos >= 0 && pos < end && isSpace(view()[static_cast<std::size_t>(pos)]))
        ++pos;
    positions_[0] = pos;
    return pos - start;
}

std::int32_t StrStoreEx::flag(int i) const {
    if (i < 0 || i >= static_cast<int>(flags_.size())) return -1;
    return flags_[static_cast<std::size_t>(i)];
}

int StrStoreEx::setFlag(int i, std::int32_t value) {
    if (i < 0 || i >= static_cast<int>(flags_.size())) return 0;
    flags_[static_cast<std::size_t>(i)] = value;
    return 1;
}

StrStoreEx StrStoreEx::substring(std::int32_t from, std::int32_t to) const {
    if (from < 0) from = 0;
    if (to >= length()) to = length() - 1;
    if (from > to) return StrStoreEx();
    return StrStoreEx(
        view().substr(static_cast<std::size_t>(from),
                      static_cast<std::size_t>(to) - static_cast<std::size_t>(from) + 1));
}

int StrStoreEx::reset() {
    clear();
    positions_.fill(0);
    flags_.fill(0);
    return 1;
}
