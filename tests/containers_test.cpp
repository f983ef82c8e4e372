// The string and integer containers every list and text of Markwise is built from.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/intstore.h"
#include "config/strstore.h"

namespace {

using namespace std::string_literals;

int ascending(std::int32_t a, std::int32_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

TEST(StrStore, BuildsAndAppendsBinarySafeText) {
    StrStore s;
    EXPECT_STREQ(s.text(), "");
    EXPECT_EQ(s.length(), 0);

    EXPECT_EQ(s.assign("ab"), 1);
    EXPECT_EQ(s.append("cd"), 1);
    EXPECT_EQ(s.appendInt(-42), 1);
    EXPECT_EQ(s.str(), "abcd-42");

    // Null texts and negative counts fail and keep the value.
    EXPECT_EQ(s.append(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(s.assign(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(s.appendBytes("xyz", -1), 0);
    EXPECT_EQ(s.appendBytes(nullptr, 0), 1);
    EXPECT_EQ(s.str(), "abcd-42");

    // Embedded NUL bytes are kept; text() stops at the first of them.
    s.clear();
    EXPECT_EQ(s.appendBytes("a\0b", 3), 1);
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(s.view(), "a\0b"s);
    EXPECT_STREQ(s.text(), "a");

    // Appending a string to itself reads the old value.
    StrStore self("xy");
    EXPECT_EQ(self.append(self), 1);
    EXPECT_EQ(self.str(), "xyxy");
    EXPECT_EQ(StrStore(self, StrStore("z")).str(), "xyxyz");
}

TEST(StrStore, CharAtIsBoundedAndGivesTheTerminatorAtLength) {
    const StrStore s("abc");
    EXPECT_EQ(s.charAt(0), 'a');
    EXPECT_EQ(s.charAt(2), 'c');
    EXPECT_EQ(s.charAt(3), 0);
    EXPECT_EQ(s.charAt(4), 0);
    EXPECT_EQ(s.charAt(-1), 0);
}

TEST(StrStore, ReplaceAll) {
    struct Case {
        const char* text;
        const char* find;
        const char* replacement;
        bool caseSensitive;
        int count;
        const char* result;
    };
    const Case cases[] = {
        {"aab", "ab", "x", true, 1, "ax"},
        {"ABab", "ab", "x", false, 2, "xx"},
        {"ABab", "ab", "x", true, 1, "ABx"},
        {"aaaa", "aa", "a", true, 2, "aa"},     // matches never overlap
        {"aaa", "a", "aa", true, 3, "aaaaaa"},  // the replacement is not scanned again
        {"abc", "abcd", "x", true, 0, "abc"},
        {"", "a", "x", true, 0, ""},
        {"abc", "", "x", true, 0, "abc"},  // an empty pattern matches nothing
        {"a.b.c", ".", "", true, 2, "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.find);
        StrStore s(c.text);
        EXPECT_EQ(s.replaceAll(c.find, c.replacement, c.caseSensitive), c.count);
        EXPECT_EQ(s.str(), c.result);
    }

    StrStore s("abc");
    EXPECT_EQ(s.replaceAll(nullptr, "x", true), -1);
    EXPECT_EQ(s.replaceAll("b", nullptr, true), -1);
    EXPECT_EQ(s.str(), "abc");
}

TEST(StrStore, Unescape) {
    struct Case {
        std::string text;
        int count;
        std::string result;
    };
    const Case cases[] = {
        {"a\\nb", 1, "a\nb"},   {"\\\"word\\\"", 2, "\"word\""},
        {"a\\\\n", 1, "a\\n"},   // the escaped backslash does not start a new pair
        {"\\x\\", -1, "\\x\\"},  // a lone backslash at the end fails and changes nothing
        {"plain", 0, "plain"},  {"\\", -1, "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        StrStore s(c.text);
        EXPECT_EQ(s.unescape(), c.count);
        EXPECT_EQ(s.str(), c.result);
    }
}

TEST(StrStoreEx, ComparesIgnoringAsciiCaseOnly) {
    const StrStoreEx s("Tag-Name");
    EXPECT_EQ(s.equals("Tag-Name"), 1);
    EXPECT_EQ(s.equals("tag-name"), 0);
    EXPECT_EQ(s.equals("Tag"), 0);
    EXPECT_EQ(s.equals(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(s.equalsIgnoreCase("TAG-NAME"), 1);
    EXPECT_EQ(s.equalsIgnoreCase("TAG_NAME"), 0);
    EXPECT_EQ(StrStoreEx("\xC9t\xE9").equalsIgnoreCase("\xE9T\xE9"),
              0);  // bytes above 127 do not fold
}

TEST(StrStoreEx, CursorTokenStartAndFlags) {
    StrStoreEx s(" \t\r\n\v\fword");
    EXPECT_EQ(s.cursor(), 0);
    EXPECT_EQ(s.skipSpaces(), 6);
    EXPECT_EQ(s.cursor(), 6);
    EXPECT_EQ(s.skipSpaces(), 0);
    // Blanks that run to the end are skipped up to it.
    StrStoreEx trailing("a \t ");
    EXPECT_EQ(trailing.setCursor(1), 1);
    EXPECT_EQ(trailing.skipSpaces(), 3);
    EXPECT_EQ(trailing.cursor(), trailing.length());

    EXPECT_EQ(s.setTokenStart(-1), 1);
    EXPECT_EQ(s.tokenStart(), 6);
    EXPECT_EQ(s.setCursor(s.length()), 1);
    EXPECT_EQ(s.setCursor(s.length() + 1), 0);
    EXPECT_EQ(s.setCursor(-1), 0);
    EXPECT_EQ(s.cursor(), s.length());
    EXPECT_EQ(s.skipSpaces(), 0);  // at the end nothing is skipped
    EXPECT_EQ(s.rewind(), 1);
    EXPECT_EQ(s.cursor(), 6);

    EXPECT_EQ(s.setFlag(2, 7), 1);
    EXPECT_EQ(s.flag(2), 7);
    EXPECT_EQ(s.setFlag(3, 1), 0);
    EXPECT_EQ(s.flag(3), -1);
    EXPECT_EQ(s.flag(-1), -1);

    s.reset();
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.cursor(), 0);
    EXPECT_EQ(s.tokenStart(), 0);
    EXPECT_EQ(s.flag(2), 0);
}

TEST(StrStoreEx, SubstringIsInclusiveAndClipped) {
    const StrStoreEx s("abcdef");
    EXPECT_EQ(s.substring(1, 3).str(), "bcd");
    EXPECT_EQ(s.substring(2, 2).str(), "c");
    EXPECT_EQ(s.substring(-5, 1).str(), "ab");
    EXPECT_EQ(s.substring(4, 100).str(), "ef");
    EXPECT_EQ(s.substring(3, 2).str(), "");
    EXPECT_EQ(s.substring(6, 9).str(), "");
}

TEST(IntStore, OrderedInsertAndBinarySearch) {
    IntStore s;
    EXPECT_EQ(s.findPosition(5, ascending), 0);
    for (std::int32_t v : {5, 1, 9, 3, 7})
        EXPECT_EQ(s.insert(v, ascending), 1);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{1, 3, 5, 7, 9}));

    EXPECT_EQ(s.findPosition(0, ascending), 0);
    EXPECT_EQ(s.findPosition(4, ascending), 2);
    EXPECT_EQ(s.findPosition(7, ascending), 3);
    EXPECT_EQ(s.findPosition(10, ascending), 5);
    EXPECT_EQ(s.findPosition(1, IntOrder()), 5);

    EXPECT_EQ(s.contains(7, ascending), 1);
    EXPECT_EQ(s.contains(8, ascending), 0);
    EXPECT_EQ(s.remove(8, ascending), 0);
    EXPECT_EQ(s.remove(5, ascending), 1);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{1, 3, 7, 9}));

    // A reversed order finds its own positions.
    IntStore down;
    const IntOrder descending = [](std::int32_t a, std::int32_t b) { return ascending(b, a); };
    for (std::int32_t v : {2, 8, 4})
        down.insert(v, descending);
    EXPECT_EQ(down.values(), (std::vector<std::int32_t>{8, 4, 2}));

    // The search returns the first element it meets that orders equal: the middle one of
    // three equal values, the second of four.
    IntStore same;
    for (int i = 0; i < 3; ++i) same.insert(5);
    EXPECT_EQ(same.findPosition(5, ascending), 1);
    same.insert(5);
    EXPECT_EQ(same.findPosition(5, ascending), 2);
}

TEST(IntStore, OrderedLookupOnlyMatchesEqualValues) {
    // An order that sees 10 and 11 as equal locates 11 at the 10, which is not 11.
    const IntOrder byTens = [](std::int32_t a, std::int32_t b) {
        return ascending(a / 10, b / 10);
    };
    IntStore s;
    s.insert(10, byTens);
    s.insert(20, byTens);
    EXPECT_EQ(s.contains(11, byTens), 0);
    EXPECT_EQ(s.remove(11, byTens), 0);
    EXPECT_EQ(s.count(), 2);
}

TEST(IntStore, UnorderedAppendsAndScans) {
    IntStore s;
    for (std::int32_t v : {4, 2, 4})
        s.insert(v);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{4, 2, 4}));
    EXPECT_EQ(s.indexOf(4), 0);
    EXPECT_EQ(s.indexOf(5), 3);
    EXPECT_EQ(s.contains(2), 1);
    EXPECT_EQ(s.remove(4), 1);  // the first occurrence
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{2, 4}));
    EXPECT_EQ(s.remove(2), 1);
    EXPECT_EQ(s.remove(4), 1);
    EXPECT_EQ(s.isEmpty(), 1);
    EXPECT_EQ(s.remove(4), 0);

    for (std::int32_t v : {7, 3, 7, 7, 5, 7})
        s.insert(v);
    EXPECT_EQ(s.removeEvery(7), 4);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{3, 5}));
    EXPECT_EQ(s.removeEvery(7), 0);
}

TEST(IntStore, AccessOutOfRange) {
    IntStore s;
    s.insert(3);
    s.insert(4);
    int found = -7;
    EXPECT_EQ(s.get(1, found), 4);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(s.get(2, found), -1);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(s.valueAt(2), -1);

    s.at(0) = 30;
    EXPECT_EQ(s.valueAt(0), 30);
    EXPECT_EQ(s.at(s.count()), -1);
    s.at(s.count()) = 99;  // lands in scratch space
    EXPECT_EQ(s.at(-1), -1);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{30, 4}));
}

TEST(IntStore, SetGrowAndReset) {
    IntStore s;
    EXPECT_EQ(s.set(0, 1), 0);
    EXPECT_EQ(s.set(-1, 1, true), 0);
    EXPECT_EQ(s.set(3, 5, true, -2), 1);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{-2, -2, -2, 5}));
    EXPECT_EQ(s.set(1, 8), 1);
    EXPECT_EQ(s.ensureSize(2, 0), 1);  // never shrinks
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{-2, 8, -2, 5}));
    s.resetTo(2);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{0, 0}));
}

TEST(IntStore, SortIsStableAndNeedsAnOrder) {
    IntStore s;
    for (std::int32_t v : {31, 12, 35, 11})
        s.insert(v);
    EXPECT_EQ(s.sort(IntOrder()), 1);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{31, 12, 35, 11}));
    EXPECT_EQ(s.sort([](std::int32_t a, std::int32_t b) { return ascending(a / 10, b / 10); }), 1);
    EXPECT_EQ(s.values(), (std::vector<std::int32_t>{12, 11, 31, 35}));
}

}  // namespace
