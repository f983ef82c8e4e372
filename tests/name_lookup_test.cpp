// Names looked up without regard to case (the table the engine keeps of tag and attribute
// names), and what the engine works out once per name and run: the entries a tag name stands
// for, the attribute value lists, and the open-tag stack's record of required closing tags.
// Each engine case validates a document in memory against a small configuration written in
// the text form, and lists the errors and warnings as "E<line>:<text>" or "W<line>:<text>".
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../engine/src/entities.h"
#include "config/cfg_store.h"
#include "engine/entity_tables.h"
#include "config/folded_names.h"
#include "config/text_form.h"
#include "config/text_utils.h"
#include "engine/validator.h"
#include "messages/message_store.h"
#include "platform_testing/fake_clock.h"
#include "cfg_test_models.h"
#include "test_support.h"

namespace {

TEST(FoldedNames, NumbersNamesInTheOrderAddedWhateverTheirCase) {
    config::FoldedNames names;
    EXPECT_EQ(names.find("div"), -1);  // an empty table finds nothing
    using namespace std::literals;
    struct Step {
        std::string_view name;
        int number;
        bool added;
    };
    const std::vector<Step> steps = {
        {"div", 0, true},   {"DIV", 0, false}, {"Div", 0, false}, {"span", 1, true},
        {"", 2, true},      {"", 2, false},    {"di", 3, true},   {"divx", 4, true},
        // Only ASCII letters fold: bytes above 127 are compared as they are.
        {"\xC3\x89t\xC3\xA9", 5, true},        {"\xC3\xA9T\xC3\xA9", 6, true},
        {"\xC3\x89T\xC3\xA9", 5, false},       {"a\0b"sv, 7, true},
    };
    for (const Step& step : steps) {
        const auto [number, added] = names.insert(step.name);
        EXPECT_EQ(number, step.number) << step.name;
        EXPECT_EQ(added, step.added) << step.name;
        EXPECT_EQ(names.find(step.name), step.number) << step.name;
    }
    EXPECT_EQ(names.size(), 8);
    EXPECT_EQ(names.name(0), "div");
    EXPECT_EQ(names.name(5), "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(names.find("a"), -1);
    EXPECT_EQ(names.find("SPANS"), -1);
    names.clear();
    EXPECT_EQ(names.find("div"), -1);
    EXPECT_EQ(names.insert("SPAN").first, 0);
}

// Names are folded eight bytes at a time: every byte value in every place folds as one byte
// at a time does, and names of every length up to and past eight bytes are told apart.
TEST(FoldedNames, WordsFoldAsTheirBytesDoAndNamesOfEveryLengthAreToldApart) {
    for (int byte = 0; byte < 256; ++byte) {
        for (int place = 0; place < 8; ++place) {
            const std::uint64_t word = (0x6161616161616161ULL & ~(0xFFULL << (place * 8))) |
                                       static_cast<std::uint64_t>(byte) << (place * 8);
            const auto folded = static_cast<unsigned char>(
                config::FoldedNames::foldWord(word) >> (place * 8));
            ASSERT_EQ(folded, static_cast<unsigned char>(text::toLowerAscii(static_cast<char>(byte))))
                << byte << " at " << place;
        }
    }
    config::FoldedNames names;
    std::vector<std::string> added;
    for (std::size_t length = 0; length <= 20; ++length) {
        std::string name;
        for (std::size_t k = 0; k < length; ++k) name += static_cast<char>('a' + k % 26);
        added.push_back(name);
        added.push_back(name + std::string(1, '\0'));  // the same with a NUL byte more
        if (length > 8) added.push_back(name.substr(0, length - 1) + "Z");  // differs at the end
    }
    for (std::size_t k = 0; k < added.size(); ++k) {
        ASSERT_EQ(names.insert(added[k]), std::make_pair(static_cast<int>(k), true)) << k;
    }
    for (std::size_t k = 0; k < added.size(); ++k) {
        std::string upper = added[k];
        for (char& c : upper) c = text::toUpperAscii(c);
        EXPECT_EQ(names.find(upper), static_cast<int>(k)) << added[k];
    }
}

TEST(FoldedNames, ManyNamesStayFindableAsTheTableGrows) {
    config::FoldedNames names;
    constexpr int kCount = 5000;
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(names.insert("name-" + std::to_string(i)).first, i);
    }
    for (int i = 0; i < kCount; ++i) {
        const std::string upper = "NAME-" + std::to_string(i);
        ASSERT_EQ(names.find(upper), i) << upper;
        // Near misses: one character more or less.
        ASSERT_EQ(names.find(upper + "x"), -1);
        ASSERT_EQ(names.find(upper.substr(0, upper.size() - 1)), i < 10 ? -1 : (i / 10));
    }
}

// ---- The engine ---------------------------------------------------------------------------

// Behind the built-in entries. "odd" and the value "gone" are of the undefined category, "off"
// and the value "three" of an inactive one. The value list of "kind" gives its values out of
// their configuration order (which is by name).
constexpr std::string_view kEntries = R"cfg(
category Test
  id 2
category Off
  id 3
active Test
tag div
  category Test
  closing required
  valid-in (everywhere)
  attributes kind
tag b
  category Test
  closing required
  valid-in (everywhere)
tag i
  category Test
  closing required
  valid-in (everywhere)
tag odd
  category (undefined)
  closing none
  valid-in (everywhere)
tag off
  category Off
  closing none
  valid-in (everywhere)
tag ul
  category Test
  closing required
  valid-in (everywhere)
tag ol
  category Test
  closing required
  valid-in (everywhere)
tag li
  category Test
  closing optional
  valid-in ul
  attributes kind
tag li
  category Test
  closing optional
  valid-in ol
tag hr
  category Test
  closing none
  valid-in (everywhere)
tag xmp
  category Test
  closing required
  ignore-to-closing yes
  valid-in (everywhere)
tag dl
  category Test
  closing required
  valid-in (everywhere)
tag dt
  category Test
  closing optional
  valid-in dl
  invalid-in b
attribute kind
  category Test
  values two one three gone
value one
  category Test
value two
  category Test
value three
  category Off
value gone
  category (undefined)
)cfg";

const CfgStore& configuration() { return testing_support::sharedConfiguration(kEntries); }

// Validates documents one after another with one validator, as markwise-check does.
class Checker {
public:
    explicit Checker(const CfgStore& cfg, bool allowSpaces = false)
        : options_(checkerOptions(allowSpaces)), store_(options_),
          validator_(options_, store_, clock_, files_, &cfg) {}

    // The errors and warnings of a run in report order, each as "E<line>:<text>".
    std::vector<std::string> findings(const std::string& document) {
        std::string bytes = document;
        std::FILE* input = fmemopen(bytes.data(), bytes.size(), "rb");
        char* reportData = nullptr;
        std::size_t reportSize = 0;
        std::FILE* report = open_memstream(&reportData, &reportSize);
        engine::RunContext context{input, report, "test.html", "report.txt", nullptr};
        EXPECT_EQ(validator_.validateDocument(context), 1);
        std::fclose(report);
        std::fclose(input);
        std::string kv(reportData, reportSize);
        std::free(reportData);
        return testing_support::kvFaults(kv);
    }

private:
    static options::Options checkerOptions(bool allowSpaces) {
        options::Options options = testing_support::testOptions();
        options.AllowSpaces2 = allowSpaces ? 1 : 0;
        options.machineReadable = 1;
        options.MaximumErrors = 9999;
        options.MaximumWarnings = 9999;
        return options;
    }

    options::Options options_;
    messages::MessageStore store_;
    platform::FakeClock clock_;
    platform::SystemFiles files_;
    engine::Validator validator_;
};

std::vector<std::string> findings(const std::string& document) {
    return Checker(configuration()).findings(document);
}

// A document and the findings of its run, each as findings() gives it.
struct Case {
    std::string document;
    std::vector<std::string> expected;
};

void expectFindings(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(findings(c.document), c.expected) << c.document;
}

std::string passedOver(const char* closing, const char* open, int line) {
    return "The closing tag for \"" + std::string(closing) +
           "\" was found, but it should have been preceded by the closing tag for \"" + open +
           "\" which was opened in line " + std::to_string(line) + " (nesting error).";
}

std::string neverClosed(const char* name) {
    return "The tag name \"" + std::string(name) +
           "\" must be closed but the closing tag was not found.";
}

// What a run keeps of the configuration's entities follows the configuration: an entity of a
// length no other name has, added between two documents of one run, is known in the second.
TEST(NameLookup, EntitiesAddedBetweenDocumentsOfARunAreKnown) {
    CfgStore cfg;
    ASSERT_TRUE(testing_support::buildConfiguration(kEntries, cfg));
    Checker checker(cfg);
    const std::string document = "<div>&abcdefghijklmnopq;</div>\n";
    const std::vector<std::string> before = checker.findings(document);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_TRUE(before[0].starts_with("E1:")) << before[0];
    ASSERT_GE(testing_support::addEntry(cfg, Entity, "abcdefghijklmnopq", 2), 0);
    EXPECT_EQ(checker.findings(document), std::vector<std::string>{});
}

// The built-in entity names are found by their bytes and length: each as written, and nothing
// that differs from one by a letter's case, a character more or less, or a NUL byte after it.
TEST(BuiltinEntities, OnlyTheNamesAsWrittenAreBuiltIn) {
    std::vector<std::string> names;
    for (int table = 0; table < 3; ++table) {
        for (std::string_view name : engine::builtinEntityTable(table)) names.emplace_back(name);
    }
    auto listed = [&names](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const std::string& name : names) {
        EXPECT_TRUE(engine::isBuiltinEntity(name)) << name;
        std::string flipped = name;
        flipped[0] = static_cast<char>(flipped[0] ^ 0x20);
        EXPECT_EQ(engine::isBuiltinEntity(flipped), listed(flipped)) << flipped;
        const std::string shorter = name.substr(0, name.size() - 1);
        EXPECT_EQ(engine::isBuiltinEntity(shorter), listed(shorter)) << shorter;
        EXPECT_FALSE(engine::isBuiltinEntity(name + "x")) << name;
        EXPECT_FALSE(engine::isBuiltinEntity(name + std::string(1, '\0'))) << name;
        EXPECT_FALSE(engine::isBuiltinEntity(std::string(1, '\0') + name)) << name;
    }
    EXPECT_FALSE(engine::isBuiltinEntity(""));
    EXPECT_FALSE(engine::isBuiltinEntity("thetasyms"));
    EXPECT_FALSE(engine::isBuiltinEntity("AMP"));
}

TEST(NameLookup, TagsAndValuesAreFoundWhateverTheirCaseAndEveryUseIsChecked) {
    const std::string undefinedOdd =
        "W1:\"odd\" is assigned to an undefined category and is being treated as inactive.";
    const std::string undefinedGone =
        "W1:\"gone\" is assigned to an undefined category and is being treated as inactive.";
    const std::string invalidKind =
        "E1:The attribute \"kind\" has an invalid attribute value \"four\". This attribute must "
        "have one of the following values: \"one\" or \"two\".";
    const std::vector<Case> cases = {
        {"<DIV kind=\"One\"><B><i></I></b></Div>", {}},
        {"<div><b><I></b></i></div>", {"E1:" + passedOver("b", "I", 1)}},
        // The entries of a name are worked out once a run, yet every use raises its findings
        // (the warning about the undefined category is given once for each name).
        {"<odd>\n<ODD>\n<odd>",
         {undefinedOdd, "E1:The tag name \"odd\" was found but its category is not active.",
          "E2:The tag name \"ODD\" was found but its category is not active.",
          "E3:The tag name \"odd\" was found but its category is not active."}},
        // The values tried are listed in configuration order, those of an inactive or
        // undefined category left out.
        {"<div kind=\"four\"></div>\n<div kind=four></div>",
         {undefinedGone, invalidKind, "E2" + invalidKind.substr(2)}},
    };
    expectFindings(cases);
}

// Required closing tags passed over and closed out of order, many times: records removed from
// below the top of the open-tag stack are never reported again, and every one still open is.
TEST(NameLookup, RequiredClosingTagsPassedOverAreReportedOnceEach) {
    for (int count : {3, 400}) {
        std::string document = "<div>\n";
        std::vector<std::string> expected;
        for (int k = 0; k < count; ++k) {
            const int line = k + 2;
            document += "<b><i></b>\n";
            const std::string at = "E" + std::to_string(line) + ":";
            expected.push_back(at + passedOver("b", "i", line));
            expected.push_back(at + neverClosed("i"));  // at the end, listed by its line
        }
        document += "</div>\n";
        for (int k = count - 1; k >= 0; --k) {
            expected.push_back("E" + std::to_string(count + 2) + ":" +
                               passedOver("div", "i", k + 2));
        }
        EXPECT_EQ(findings(document), expected) << count;
    }
}

// A tag text met again is not read again when it was read and checked without a single raise
// against the same entries; wherever anything differs, it is read and checked afresh.
TEST(NameLookup, RepeatedTagsGiveTheFindingsOfEachOccurrence) {
    const std::string invalidValue =
        ":The attribute \"kind\" has an invalid attribute value \"four\". This attribute must "
        "have one of the following values: \"one\" or \"two\".";
    const std::string notForLi =
        ":The attribute \"kind\" is not valid for the tag name \"li\". This tag name cannot "
        "have any attributes.";
    const std::vector<Case> cases = {
        // Clean in a "ul" (seen twice, then remembered), then against the other entry of
        // "li" in an "ol", where the attribute is not valid.
        {"<ul>\n<li kind=one>\n<li kind=one>\n<li kind=one>\n</ul>\n"
         "<ol>\n<li kind=one>\n<li kind=one>\n</ol>",
         {"E7" + notForLi, "E8" + notForLi}},
        // A faulty value is reported at every occurrence.
        {"<div kind=four></div>\n<div kind=four></div>\n<div kind=four></div>",
         {"W1:\"gone\" is assigned to an undefined category and is being treated as inactive.",
          "E1" + invalidValue, "E2" + invalidValue, "E3" + invalidValue}},
        // A finding silenced at its first occurrence is still a raise: the tag is not taken
        // for clean, and the next occurrence is reported.
        {"<!-- markwise-disable-next-line mw85 -->\n<ol><li kind=one></ol><ol><li kind=one></ol>\n"
         "<ol><li kind=one></ol>\n<ol><li kind=one></ol>",
         {"E3" + notForLi, "E4" + notForLi}},
    };
    expectFindings(cases);
}

// Tags of one shape (the same entries, attribute names and quoting) with values of their own:
// a value the list accepted before for that attribute is taken at once, any other is tried
// against the whole list, and what that raises is raised at each occurrence, the warning of
// a value of the undefined category included.
TEST(NameLookup, TagsOfOneShapeWithValuesOfTheirOwnGiveTheFindingsOfEach) {
    auto invalid = [](const std::string& line, const std::string& value) {
        return "E" + line + ":The attribute \"kind\" has an invalid attribute value \"" + value +
               "\". This attribute must have one of the following values: \"one\" or \"two\".";
    };
    EXPECT_EQ(findings("<div kind=one></div>\n"      // checked in full, clean
                       "<div kind=two></div>\n"      // the same shape, another value of the list
                       "<div kind=four></div>\n"     // the list reaches the undefined \"gone\"
                       "<div kind=three></div>\n"    // a value of an inactive category
                       "<div kind=ONE></div>\n"      // values are compared without regard to case
                       "<div kind='one'></div>\n"    // quoted: another shape
                       "<div kind></div>\n"          // no value: another shape
                       "<div kind=one></div>"),
              (std::vector<std::string>{
                  "W3:\"gone\" is assigned to an undefined category and is being treated as "
                  "inactive.",
                  invalid("3", "four"), invalid("4", "three"),
                  "E7:The attribute \"kind\" needs a value."}));
    // Met first with a faulty value, the shape is checked in full until a tag of it is clean.
    EXPECT_EQ(findings("<li kind=four>\n<li kind=one>\n<li kind=three>\n<li kind=two>"),
              (std::vector<std::string>{"W1:\"gone\" is assigned to an undefined category and is "
                                        "being treated as inactive.",
                                        invalid("1", "four"), invalid("3", "three")}));
}

// A tag placed once under an open tag is placed alike under the same open tag again; under
// another open tag, or deeper in the stack, its ranges are looked at afresh. Open tags that no
// range names (an "hr", never closed) are passed over to the one that decides, however many.
TEST(NameLookup, PlacingsHoldOnlyUnderTheOpenTagTheyWereMadeUnder) {
    const std::string found =
        ":The tag name \"dt\" was found, but is not valid due to its location (range). The "
        "valid range for this tag is dl. The invalid range for this tag is b. ";
    const std::string notInB = found + "The tag is currently in its invalid range, where it may "
                                       "not be used.";
    const std::string notInDl = found + "The tag is currently not in its valid range and must be "
                                        "used in its valid range.";
    EXPECT_EQ(findings("<dl><dt>a</dt><dt>b</dt></dl>\n"
                       "<b><dt>c</dt></b>\n"
                       "<dl><dt>d</dt></dl>\n"
                       "<i><dt>e</dt></i>\n"
                       "<dl><b><dt>f</dt></b><i><dt>g</dt></i></dl>\n"
                       "<b><dt>h</dt></b>"),
              (std::vector<std::string>{"E2" + notInB, "E4" + notInDl, "E5" + notInB,
                                        "E6" + notInB}));
    std::string hrs;
    for (int i = 0; i < 12; ++i) hrs += "<hr>";
    EXPECT_EQ(findings("<dl><hr><dt>a</dt></dl>\n"
                       "<b><hr><dt>b</dt></b>\n"
                       "<dl><hr><hr><dt>c</dt></dl>\n"
                       "<b><hr><hr><dt>d</dt></b>\n"
                       "<dl>" + hrs + "<dt>e</dt></dl>\n"
                       "<b>" + hrs + "<dt>f</dt></b>\n"
                       "<i><hr><dt>g</dt></i>"),
              (std::vector<std::string>{"E2" + notInB, "E4" + notInB, "E6" + notInB,
                                        "E7" + notInDl}));
}

// A bare tag ("<td>", "</td>") is taken whole as soon as its "<" is met; it gives what the same
// tag written with a blank before its ">" gives where blanks are allowed there, wherever it
// stands: in ignored text, in any case, with digits, nested wrongly, unknown or inactive.
TEST(NameLookup, BareTagsGiveWhatTheGeneralWayGives) {
    const std::vector<std::string> documents = {
        "<ul><li kind=one>a<li>b</ul>\n<OL><Li>c</LI></ol>",
        "<b><i>x</b></i>\n</b>",
        "<blink>x</blink><off>y</off>\n<odd>z",
        "<dl><dt>a<b><dt>b</b></dl>",
        "<xmp>\n<b>not a tag</i>\n</XMP><b>a tag</b>",
        "<xmp><b></xmp>x</xmp>",
        "<b\n>x</b><i>&amp;</i\n><b1>y</b1>",
        "<" + std::string(70, 'b') + ">x</" + std::string(70, 'b') + ">",
    };
    const CfgStore& cfg = configuration();
    int withFindings = 0;
    for (const std::string& bare : documents) {
        std::string blank;
        for (char c : bare) {
            if (c == '>') blank += ' ';
            blank += c;
        }
        const std::vector<std::string> found = Checker(cfg, true).findings(bare);
        EXPECT_EQ(found, Checker(cfg, true).findings(blank)) << bare;
        if (!found.empty()) ++withFindings;
    }
    EXPECT_GE(withFindings, 5);
}

// The scanner reads most tags in one pass from quote to quote; tags it cannot read so (spread
// over lines, with "<" or a Miva macro inside, quotes left open) are read by the general
// loop, with the same result as before.
TEST(NameLookup, TagsReadInOnePassOrByTheGeneralLoopAlike) {
    const std::string gone =
        "W1:\"gone\" is assigned to an undefined category and is being treated as inactive.";
    auto invalid = [](const char* value) {
        return "E1:The attribute \"kind\" has an invalid attribute value \"" +
               std::string(value) +
               "\". This attribute must have one of the following values: \"one\" or \"two\".";
    };
    const std::vector<Case> cases = {
        {"<div kind=\"one\">x</div>", {}},
        {"<div kind='one'>x</div>", {}},
        {"<div\nkind=\"one\">x</div>", {}},
        {"<div kind=\"o\nne\">x</div>",
         {"E1:Reached the end of the line before the closing quote or the end of a Miva macro. "
          "All quoted strings and Miva macros must be contained on one line and have beginning "
          "and end quotes.",
          gone, invalid("o ne")}},
        {"<div kind=\"a>b\">x</div>", {gone, invalid("a>b")}},
        {"<div kind=one [x]>x</div>",
         {"E1:The attribute \"[x]\" is not valid for the tag name \"div\". The only valid "
          "attribute for this tag name is kind."}},
        {"<div kind=&[one]>x</div>", {}},
    };
    expectFindings(cases);
}

// What a validator works out from the configuration is kept from document to document, and
// worked out again once the configuration changes between them.
TEST(NameLookup, AChangedConfigurationIsHeededByTheNextDocument) {
    CfgStore cfg;
    CfgStore builtins;
    builtins.resetToBuiltins();
    ASSERT_TRUE(config::readTextForm(config::writeTextForm(builtins) + std::string(kEntries), cfg)
                    .empty());
    Checker checker(cfg);
    const std::string document = "<div kind=\"one\">\n<off>";
    const std::vector<std::string> before = {
        "E1:" + neverClosed("div"),
        "E2:The tag name \"off\" was found but its category is not active."};
    EXPECT_EQ(checker.findings(document), before);
    EXPECT_EQ(checker.findings(document), before);

    // The category of "off" made active, "div" given an optional closing tag, "one" removed.
    const int off = cfg.findFirstId(Category, "Off");
    ASSERT_EQ(cfg.activateCategory(off, cfg.orderOf(Category)), 1);
    const int div = cfg.findFirstId(TagName, "div");
    ASSERT_EQ(cfg.setOption(TagName, ById, div, 0, config::kClosingOptional), 1);
    ASSERT_EQ(cfg.deleteEntry(AttributeValue, ById, cfg.findFirstId(AttributeValue, "one")), 1);
    EXPECT_EQ(checker.findings(document),
              (std::vector<std::string>{
                  "W1:\"gone\" is assigned to an undefined category and is being treated as "
                  "inactive.",
                  "E1:The attribute \"kind\" has an invalid attribute value \"one\". This "
                  "attribute must have one of the following values: \"three\" or \"two\"."}));
}

// A validator that meets very many made-up names over its documents forgets them now and then;
// what it reports stays the same.
TEST(NameLookup, ManyMadeUpNamesOverManyDocuments) {
    Checker checker(configuration());
    const std::string nested = "<DIV kind=\"One\"><B><i></b></I></Div>";
    const std::vector<std::string> expected = {"E1:" + passedOver("b", "i", 1)};
    EXPECT_EQ(checker.findings(nested), expected);
    for (int page = 0; page < 9; ++page) {
        std::string document;
        for (int k = 0; k < 9000; ++k) {
            document += "<p" + std::to_string(page) + "x" + std::to_string(k) + ">";
        }
        EXPECT_EQ(checker.findings(document).size(), 9000u) << page;
        EXPECT_EQ(checker.findings(nested), expected) << page;
    }
}

}  // namespace

// A category id that the active list holds but no category has (a file may keep one): the
// entries assigned to it take part; an id in neither is inactive.
TEST(NameLookup, AnActiveIdWithoutACategoryMakesItsEntriesActive) {
    CfgStore cfg;
    ASSERT_TRUE(testing_support::buildConfiguration(kEntries, cfg));
    const int off = cfg.findFirstId(TagName, "off");
    ASSERT_EQ(cfg.setCategoryOf(TagName, ById, off, 700), 1);
    EXPECT_EQ(Checker(cfg).findings("<off>"),
              std::vector<std::string>{
                  "E1:The tag name \"off\" was found but its category is not active."});
    ASSERT_EQ(cfg.activateCategory(700, cfg.orderOf(Category)), 1);
    EXPECT_EQ(Checker(cfg).findings("<off>"), std::vector<std::string>{});
}
