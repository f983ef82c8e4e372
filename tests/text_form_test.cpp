// The text form of the HTML Configuration: what it writes reads back into a model that saves
// to the same bytes, hand-written texts build the model they say, and mistakes are reported
// on their lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/cfg_store.h"
#include "config/text_form.h"

namespace {

using config::readTextForm;
using config::writeTextForm;

// A configuration file put together byte by byte, so that the model under test holds what
// only a file can give it (version-1 entries, odd values, long names, NUL bytes).
struct FileEntry {
    int kind = TagName;
    int version = 2;
    int id = 0;
    int type = 0;
    int category = -1;
    std::string name;
    std::vector<int> options;
    std::vector<int> lists[5];
    std::string texts[2];
};

struct FileLayout {
    int version = 2;
    std::string notes[5];
    std::vector<int> active;
    int idMapLength[6] = {};  // at least the highest id + 1
    std::vector<FileEntry> entries;
};

void put(std::string& out, int value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(static_cast<unsigned>(value) >> (8 * i));
}
void put(std::string& out, const std::string& text) {
    put(out, 1);
    put(out, static_cast<int>(text.size()));
    out += text;
}
void put(std::string& out, const std::vector<int>& values) {
    put(out, 1);
    put(out, static_cast<int>(values.size()));
    for (int value : values) put(out, value);
}

std::string fileBytes(const FileLayout& layout) {
    std::string out;
    for (int value : {layout.version, 0, 0}) put(out, value);
    std::vector<const FileEntry*> byKind[6];
    for (const FileEntry& e : layout.entries) byKind[e.kind].push_back(&e);
    for (const auto& entries : byKind) put(out, static_cast<int>(entries.size()));
    if (layout.version == 2) {
        for (const std::string& note : layout.notes) put(out, note);
    }
    put(out, layout.active);
    for (int kind = 0; kind < 6; ++kind) {
        std::vector<int> idMap(layout.idMapLength[kind], -1);
        for (std::size_t p = 0; p < byKind[kind].size(); ++p) {
            int id = byKind[kind][p]->id;
            if (id >= static_cast<int>(idMap.size())) idMap.resize(id + 1, -1);
            idMap[id] = static_cast<int>(p);
        }
        put(out, idMap);
    }
    for (const auto& entries : byKind) {
        for (const FileEntry* e : entries) {
            for (int value : {e->version, e->id, e->type, e->category}) put(out, value);
            if (e->version == 1) {
                for (int slot = 0; slot < 5; ++slot) {
                    put(out, slot < static_cast<int>(e->options.size()) ? e->options[slot] : -1);
                }
            }
            put(out, e->name);
            for (const auto& list : e->lists) put(out, list);
            if (e->version == 2) {
                put(out, e->options);
                put(out, 2);
                for (const std::string& text : e->texts) put(out, text);
            }
        }
    }
    return out;
}

// Every byte value, quotes, backslashes and line ends.
std::string oddBytes() {
    std::string text = "say \"hi\"\\ there\r\n\tline two\n";
    for (int byte = 0; byte < 256; ++byte) text += static_cast<char>(byte);
    return text;
}

FileLayout richLayout(int version) {
    FileLayout layout;
    layout.version = version;
    layout.notes[0] = "First note\nsecond line\n";
    layout.notes[3] = oddBytes();
    layout.notes[4] = std::string(100000, 'n');
    layout.active = {7, 0, 7, 40, -3};  // stored order, a duplicate, ids no category has
    layout.idMapLength[TagName] = 30;     // free slots past the highest id
    layout.idMapLength[Spare] = 3;        // an empty kind with a map
    auto add = [&layout](int kind, int id, std::string name, std::vector<int> options) -> FileEntry& {
        FileEntry& e = layout.entries.emplace_back();
        e.kind = kind;
        e.id = id;
        e.name = std::move(name);
        e.options = std::move(options);
        return e;
    };
    add(Category, 0, "(all)", {}).type = 1;
    add(Category, 7, "HTML 3.2", {});
    add(Category, 8, "html 3.2", {});  // shares its name with id 7
    FileEntry& table = add(TagName, 5, "TABLE", {2, 1, 0, 1, 0});
    table.category = 7;
    table.lists[0] = {0, 2, 2, 99};
    table.lists[1] = {5};
    table.lists[2] = {1, 4};
    table.lists[3] = {3};
    table.lists[4] = {-8, 2};
    table.texts[0] = oddBytes();
    table.texts[1] = "shown when invalid";
    // gaps and trailing unset slots
    add(TagName, 2, "table", {-1, -1, 7, -1, -1, -1, 3, -1, -1}).category = 8;
    FileEntry& everywhere = add(TagName, 0, "(everywhere)", {0, -1, 5, -1, -1});
    everywhere.version = 1;
    everywhere.type = 1;
    everywhere.category = 0;
    FileEntry& nul = add(TagName, 11, std::string("nul\0byte", 8), {});
    nul.type = -1;
    nul.category = 40;
    FileEntry& digits = add(TagName, 12, "(017)", {0, 1});
    digits.type = -7;
    digits.category = -5;
    add(TagName, 13, "#hash \"quoted\" \xE9t\xE9", {1, 0, 0, 0, 9, -4, 0});
    add(TagName, 17, std::string(100000, 'L'), {0, -1, -1, -1, 0});
    add(TagName, 20, "wide", std::vector<int>(60, 2));
    FileEntry& align = add(Attribute, 1, "ALIGN", {3, 1, 1, 0, 0});
    align.category = 7;
    align.lists[0] = {6, 4, 66};
    add(Attribute, 4, "Border", {5, 2, -1, -1, 0});
    add(AttributeValue, 4, "(pos integer)", {9, 5, -1, -1, 0}).type = 1;
    add(AttributeValue, 6, "left", {3, 11, -1, -1, 0}).type = 25;
    FileEntry& amp = add(Entity, 0, "amp", {-1, -1, -1, -1, 0});
    amp.version = 1;
    amp.type = 2;
    add(Entity, 1, "nbsp", {}).texts[1] = "only the second text";
    FileEntry& spare = add(Spare, 0, "spare one", {4});
    spare.lists[0] = {1};
    spare.lists[4] = {2, 2};
    if (version == 1) {
        // A version-1 file written without upgrade holds version-1 entries and those added
        // since in version 2.
        for (FileEntry& e : layout.entries) {
            if (e.name != "TABLE" && e.name != "wide") e.version = 1;
        }
        for (FileEntry& e : layout.entries) {
            if (e.version == 1) e.texts[0] = e.texts[1] = "";
        }
    }
    return layout;
}

std::string joinErrors(const std::vector<config::TextFormError>& errors) {
    std::string all;
    for (const auto& e : errors) all += std::to_string(e.line) + ": " + e.message + "\n";
    return all;
}

// What a copy of the file writes, its text, and what that text builds.
struct RoundTrip {
    std::string written;
    std::string text;
    std::string rebuilt;
};

RoundTrip roundTrip(const std::string& bytes, int loaded = 1, int saved = 1) {
    RoundTrip result;
    CfgStore original;
    EXPECT_EQ(original.loadBytes(bytes, "in.cfg"), 1);
    original.setState(loaded, saved, original.formatVersion());
    result.written = original.serialize(0);
    result.text = writeTextForm(original);
    CfgStore built;
    auto errors = readTextForm(result.text, built);
    EXPECT_TRUE(errors.empty()) << joinErrors(errors);
    result.rebuilt = built.serialize(0);
    EXPECT_EQ(writeTextForm(built), result.text);
    EXPECT_STREQ(built.fileName(), config::kNoFileName);
    return result;
}

TEST(TextForm, BuiltinsComeBackByteForByte) {
    CfgStore builtins;
    builtins.resetToBuiltins();
    RoundTrip trip = roundTrip(builtins.serialize(0), 0, 1);
    EXPECT_EQ(trip.rebuilt, trip.written);
    EXPECT_EQ(trip.written, builtins.serialize(0));
    // The defaults are left out: no state line, no slot 4, no entry versions.
    EXPECT_EQ(trip.text.find("state"), std::string::npos);
    EXPECT_EQ(trip.text.find("option"), std::string::npos);
    EXPECT_NE(trip.text.find("\nvalue \"(string 3)\"\n  id 16\n  builtin 4\n  category (all)\n"
                             "  quotes must-either\n  case insensitive\n"),
              std::string::npos)
        << trip.text;
}

TEST(TextForm, EveryFieldOfAFileComesBackByteForByte) {
    for (int version : {2, 1}) {
        SCOPED_TRACE(version);
        RoundTrip trip = roundTrip(fileBytes(richLayout(version)), 7, 0);
        ASSERT_EQ(trip.rebuilt.size(), trip.written.size());
        EXPECT_TRUE(trip.rebuilt == trip.written);
        // Copying the text keeps the state flags and the versions as they were.
        EXPECT_NE(trip.text.find("\nstate loaded=7 saved=0\n"), std::string::npos);
        EXPECT_NE(trip.text.find("\nid-map tag 30\n"), std::string::npos);
        EXPECT_NE(trip.text.find("\nid-map spare 3\n"), std::string::npos);
    }
}

TEST(TextForm, ReferencesAreWrittenByNameWithIdsOnlyWhereNeeded) {
    const std::string text = roundTrip(fileBytes(richLayout(2))).text;
    const std::vector<std::string> expected = {
        // shared names carry their ids; ids no entry has stand alone
        "\nactive \"HTML 3.2\" (007) (all) \"HTML 3.2\" (007) #40 #-3\n",
        "\n  category \"html 3.2\" (008)\n",
        "\n  valid-in (everywhere) table (002) table (002) #99\n",
        "\n  invalid-in TABLE (005)\n",
        "\n  attributes ALIGN Border\n",
        "\n  list 3 3\n  list 4 -8 2\n",
        "\n  values left \"(pos integer)\" #66\n",
        "\n  category #40\n",
        // named option words, numbers outside them, slot 4, gaps and lengths
        "\ntag TABLE\n  id 5\n  category \"HTML 3.2\" (007)\n  closing none\n"
        "  ignore-to-closing yes\n  show-message no\n  warn-no-attributes yes\n",
        "\n  option 2 7\n  option 4 unset\n  option 6 3\n  option-slots 9\n",
        "\n  closing optional\n  ignore-to-closing no\n  show-message no\n"
        "  warn-no-attributes no\n  option 4 9\n  option 5 -4\n",
        "\n  closing required\n  ignore-to-closing yes\n  option-slots 2\n",
        "\nattribute ALIGN\n  id 1\n  category \"HTML 3.2\" (007)\n  required yes\n"
        "  warn-if-missing yes\n  show-message yes\n  show-invalid-message no\n",
        "\n  quotes must-either\n  case sensitive\n",
        "\n  option 0 3\n  option 1 11\n",
        "\n  builtin 25\n",
        // names that need quotes, and one that would read as an id
        "\ntag \"#hash \\\"quoted\\\" \\xE9t\\xE9\"\n",
        "\ntag \"nul\\x00byte\"\n",
        "\ntag \"(017)\"\n",
        // texts split after each line feed
        "\n  message \"say \\\"hi\\\"\\\\ there\\r\\n\"\n    \"\\tline two\\n\"\n",
        "\nnote 0 \"First note\\n\"\n  \"second line\\n\"\n",
    };
    for (const std::string& piece : expected) {
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
    }
    EXPECT_NE(text.find("\n  option-slots 0\n"), std::string::npos);  // no option array at all
    EXPECT_LT(text.find("\ncategory "), text.find("\ntag "));
    EXPECT_LT(text.find("\ntag \"(017)\""), text.find("\ntag table\n"));  // the model's order
}

TEST(TextForm, AHandWrittenTextBuildsWhatItSaysInAnyBlockOrder) {
    const std::string source =
        "# a small rule set\n"
        "html-configuration\n"
        "\n"
        "tag td   # forward references resolve\n"
        "  category Basic\n"
        "  valid-in TR\n"
        "  attributes align\n"
        "  message \"A cell\"\n"
        "tag TR\r\n"
        "  id 40\r\n"
        "  closing optional\n"
        "attribute ALIGN\n"
        "  required no\n"
        "  values left \"(pos integer)\"\n"
        "value left\n"
        "  quotes may-double\n"
        "  case insensitive\n"
        "value \"(pos integer)\"\n"
        "  id 0\n"
        "  builtin 1\n"
        "category basic\n"
        "active BASIC\n"
        "note 1 \"first \"\n"
        "  \"and second\"\n";
    CfgStore cfg;
    auto errors = readTextForm(source, cfg);
    ASSERT_TRUE(errors.empty()) << joinErrors(errors);
    EXPECT_STREQ(cfg.notes(1), "first and second");

    // Ids not given are the lowest free ones, in the order of the blocks.
    const int td = cfg.findFirstId(TagName, "TD");
    EXPECT_EQ(td, 0);
    EXPECT_EQ(cfg.findFirstId(TagName, "TR"), 40);
    EXPECT_EQ(cfg.findFirstId(AttributeValue, "left"), 1);
    const int basic = cfg.findFirstId(Category, "basic");
    EXPECT_EQ(cfg.categoryOf(TagName, ById, td), basic);
    EXPECT_EQ(cfg.isCategoryActive(basic), 1);
    int found = 0;
    EXPECT_EQ(cfg.listItem(TagName, ById, td, 0, 0, found), 40);
    EXPECT_EQ(cfg.listItem(TagName, ById, td, 2, 0, found), 0);
    EXPECT_EQ(cfg.listItem(Attribute, ById, 0, 0, 0, found), 1);
    EXPECT_EQ(cfg.listItem(Attribute, ById, 0, 0, 1, found), 0);
    EXPECT_STREQ(cfg.entryText(TagName, ById, td, 0), "A cell");

    // Defaults: user-defined, version 2, options unset but slot 4 = 0, as the editor makes them.
    const TagStore* cell = cfg.entry(TagName, ById, td);
    EXPECT_EQ(cell->builtinType, 0);
    EXPECT_EQ(cell->formatVersion, 2);
    EXPECT_EQ(cell->options.values(), (std::vector<std::int32_t>{-1, -1, -1, -1, 0}));
    EXPECT_EQ(cfg.option(TagName, ById, 40, 0), config::kClosingOptional);
    EXPECT_EQ(cfg.option(Attribute, ById, 0, 0), config::kAttributeNotRequired);
    EXPECT_EQ(cfg.option(AttributeValue, ById, 1, 0), config::kQuoteMayDouble);
    EXPECT_EQ(cfg.option(AttributeValue, ById, 1, 1), config::kNotCaseSensitive);

    // A version-1 text makes version-1 entries unless a block says otherwise.
    ASSERT_TRUE(readTextForm("html-configuration version 1\ntag A\ntag B\n  version 2\n"
                             "  message \"m\"\n",
                             cfg)
                    .empty());
    EXPECT_EQ(cfg.formatVersion(), 1);
    EXPECT_EQ(cfg.entry(TagName, ById, 0)->formatVersion, 1);
    EXPECT_EQ(cfg.entry(TagName, ById, 1)->formatVersion, 2);

    // A name holding a NUL is labelled up to the NUL, with its id.
    ASSERT_TRUE(readTextForm("html-configuration version 2\ntag \"ab\\x00cd\"\n  id 3\n", cfg)
                    .empty());
    EXPECT_EQ(cfg.entry(TagName, ById, 3)->name.view(), std::string_view("ab\0cd", 5));
    EXPECT_STREQ(cfg.displayLabel(TagName, ById, 3), "ab (003)");
}

// A rule set kept in several texts: names shared by entries of several texts refer to the one
// in the reference's own text, else to the nearest text before it; labels tell apart entries
// of one text; ranges, which compare names only, take the first entry of a shared name.
TEST(TextForm, SeveralTextsReadAsOneWithNamesLookedUpNearestFirst) {
    const std::string base = "html-configuration\nattribute CLASS\n  id 1\nvalue left\n  id 1\n";
    const std::string family =
        "tag P\n  id 1\n  valid-in BODY\n  attributes CLASS ALIGN@para\n"
        "tag BODY\n  id 2\n"
        "attribute ALIGN\n  id 2\n  label para\n  values left\n"
        "attribute ALIGN\n  id 3\n  label image\n";
    const std::string other =
        "tag P\n  id 5\n  valid-in BODY\n  attributes CLASS\n"
        "tag BODY\n  id 6\n"
        "attribute CLASS\n  id 7\n"
        "tag EMBED\n  id 8\n  valid-in BODY\n";  // BODY of its own text
    const config::TextSource sources[] = {{"base", base}, {"family", family}, {"other", other}};
    CfgStore cfg;
    auto errors = readTextForm(sources, cfg);
    ASSERT_TRUE(errors.empty()) << joinErrors(errors);
    int found = 0;
    EXPECT_EQ(cfg.listItem(TagName, ById, 1, 0, 0, found), 2);  // BODY of its own text
    EXPECT_EQ(cfg.listItem(TagName, ById, 1, 2, 0, found), 1);  // CLASS of the text before
    EXPECT_EQ(cfg.listItem(TagName, ById, 1, 2, 1, found), 2);  // the labelled ALIGN
    EXPECT_EQ(cfg.listItem(TagName, ById, 5, 2, 0, found), 7);  // its own CLASS
    EXPECT_EQ(cfg.listItem(TagName, ById, 8, 0, 0, found), 6);
    EXPECT_EQ(cfg.listItem(Attribute, ById, 2, 0, 0, found), 1);  // left from the base

    // The two ALIGN entries of one text need their labels; mistakes name their own text.
    const std::string clash = "tag IMG\n  attributes ALIGN\n";
    const config::TextSource withClash[] = {{"base", base}, {"family", family}, {"more", clash}};
    errors = readTextForm(withClash, cfg);
    ASSERT_EQ(errors.size(), 1u) << joinErrors(errors);
    EXPECT_EQ(errors[0].source, 2u);
    EXPECT_EQ(errors[0].line, 2);
    // Each named with what tells it apart: its label and where it stands.
    EXPECT_NE(errors[0].message.find("ALIGN (002) [label para, family:7], ALIGN (003) [label "
                                     "image, family:11]"),
              std::string::npos)
        << errors[0].message;

    // A range may name a tag of a later text only, and takes the first of several.
    const std::string early = base + "tag B\n  valid-in BODY\n";
    const config::TextSource ranged[] = {{"early", early}, {"family", family}, {"other", other}};
    ASSERT_TRUE(readTextForm(ranged, cfg).empty());
    EXPECT_EQ(cfg.listItem(TagName, ById, cfg.findFirstId(TagName, "B"), 0, 0, found), 2);

    // Only the first text may carry the first line; a block does not go on into the next text.
    const config::TextSource twoHeads[] = {{"a", "html-configuration\ntag A\n"},
                                           {"b", "  closing none\nhtml-configuration\n"}};
    errors = readTextForm(twoHeads, cfg);
    ASSERT_EQ(errors.size(), 2u) << joinErrors(errors);
    EXPECT_EQ(errors[0].source, 1u);
    EXPECT_EQ(errors[0].line, 1);
    EXPECT_EQ(errors[1].line, 2);
    EXPECT_NE(errors[1].message.find("given once, at the start of the first text (a:1)"),
              std::string::npos) << errors[1].message;

    // A mistake that names a line of another text names that text and its own line there.
    const config::TextSource taken[] = {{"a", "html-configuration\ntag A\n  id 3\n"},
                                        {"b", "tag B\n  id 3\nnote 1 \"x\"\n"},
                                        {"c", "options CheckNesting=0\n"}};
    errors = readTextForm(taken, cfg);
    ASSERT_EQ(errors.size(), 2u) << joinErrors(errors);
    EXPECT_EQ(errors[0].message, "tag id 3 is already taken by A (a:2)");
    EXPECT_EQ(errors[1].source, 2u);
    EXPECT_EQ(errors[1].message, "options are kept in note 1, which is given too (on b:3)");
}

TEST(TextForm, MistakesAreReportedOnTheirLinesAndLeaveTheModelEmpty) {
    const std::string head = "html-configuration\n";  // line 1
    struct Case {
        std::string source;  // after the header line
        int line;
        std::string message;  // a part of it
    };
    const std::vector<Case> cases = {
        {"tag A\n  closing maybe\n", 3, "closing takes one of: required, optional, none"},
        {"tag A\n  quotes cannot\n", 3,
         "'quotes' is a field of value entries, not of tag entries: is a 'value' line missing"},
        {"tag A\nclosing none\n", 3, "unknown statement 'closing' (a field: indent it"},
        {"tag A\n  tag B\n", 3, "unknown field 'tag' in a tag block (a block starts in the first"},
        {"tag A\n  colour red\n", 3, "unknown field 'colour'"},
        {"tag A\n  closing none\n  closing none\n", 4, "given twice in this block (first on line 3)"},
        {"tag A\n  closing none\n  option 0 2\n", 4, "option slot 0 is given twice"},
        {"tag A\n  list 0 1\n", 3, "written valid-in"},
        {"tag A\n  valid-in B\n", 3, "no tag is named B"},
        {"attribute A\nattribute a\n  id 3\ntag B\n  attributes A\n", 6,
         "write one of: A (000) [line 2], A (003) [line 3]"},
        {"attribute A\n  label x\nattribute B\n  label x\n", 5, "label x is already given to A"},
        {"attribute A\n  label x\ntag B\n  attributes B@x\n", 5, "the label x belongs to A, not B"},
        {"tag B\n  attributes A@y\n", 3, "no attribute is named A@y or has the label y"},
        {"tag A\ntag B\n  valid-in A (004)\n", 4, "no tag named A has id 4"},
        {"tag A\n  id 3\ntag B\n  id 3\n", 5, "tag id 3 is already taken by A (line 2)"},
        {"tag A\n  id 999\n", 3, "id takes a number from 0 to 998"},
        {"tag A\n  category Missing\n", 3, "no category is named Missing"},
        {"category X\ntag A\n  category X X\n", 4, "category takes one category"},
        {"\"tag\" A\n  closing none\n", 2, "must start with a keyword"},
        {"tag A\n  message \"open\n", 3, "not closed on this line"},
        // The fields of a block whose first line could not be read are not the block's before.
        {"tag A\n  closing none\ntag \"B\n  closing none\n", 4, "not closed on this line"},
        {"tag A\n  message \"bad \\q\"\n", 3, "unknown escape \\q"},
        {"tag A\n  message \"\\x4\"\n", 3, "\\x takes two hexadecimal digits"},
        {"tag A\n  message a\"b\n", 3, "a quote inside"},
        {"tag A\n  message \"a\"b\n", 3, "a space must follow the closing quote"},
        {"tag A\n  version 1\n  message \"m\"\n", 4, "a version 1 entry holds no texts"},
        {"tag A\n  version 1\n  option 5 1\n", 4, "holds option slots 0 to 4 only"},
        {"tag A\n  option 7 1\n  option-slots 6\n", 4, "lies beyond option-slots 6"},
        {"tag A\n  id 9\nid-map tag 5\n", 4, "needs at least 10 slots"},
        {"  closing none\n", 2, "must belong to an entry block"},
        {"tag A\n  \"more\"\n", 3, "continues the text of the line before"},
        {"tag A B\n", 2, "tag takes one name"},
        {"frobnicate\n", 2, "unknown statement 'frobnicate'"},
        {"note 5 \"x\"\n", 2, "N from 0 to 4"},
        {"state loaded=yes\n", 2, "write state loaded=N saved=N"},
        {"active #x\n", 2, "'#x' is no id"},
        {"tag A\x01\n", 2, "control character"},
        {std::string("tag A\0\x01\n", 8), 2, "a NUL byte: this is not a text"},
        {"tag \"" + std::string(100001, 'x') + "\"\n", 2, "longer than 100000 bytes"},
        {"html-configuration\n", 2, "must be the first line"},
    };
    for (const Case& c : cases) {
        CfgStore cfg;
        cfg.resetToBuiltins();
        auto errors = readTextForm(head + c.source, cfg);
        ASSERT_EQ(errors.size(), 1u) << c.source << joinErrors(errors);
        EXPECT_EQ(errors[0].line, c.line) << c.source;
        EXPECT_NE(errors[0].message.find(c.message), std::string::npos)
            << c.source << " -> " << errors[0].message;
        EXPECT_EQ(cfg.entryCount(TagName), 0) << c.source;
    }

    CfgStore cfg;
    auto versionOne = readTextForm("html-configuration version 1\nnote 0 \"x\"\n", cfg);
    ASSERT_EQ(versionOne.size(), 1u);
    EXPECT_EQ(versionOne[0].line, 2);
    auto noHeader = readTextForm("tag A\n  closing sometimes\n", cfg);
    ASSERT_EQ(noHeader.size(), 2u) << "every mistake is reported, in line order";
    EXPECT_EQ(noHeader[0].line, 1);
    EXPECT_EQ(noHeader[1].line, 2);
}

TEST(TextForm, RefusesWhatAFileCannotHold) {
    std::string source = "html-configuration\n";
    for (int i = 0; i < 1000; ++i) source += "entity e" + std::to_string(i) + "\n";
    CfgStore cfg;
    auto errors = readTextForm(source, cfg);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].line, 1001);
    EXPECT_NE(errors[0].message.find("more than 999 character entity entries"),
              std::string::npos);
    source.resize(source.rfind("entity"));  // 999 entries fit
    EXPECT_TRUE(readTextForm(source, cfg).empty());
    EXPECT_EQ(cfg.entryCount(Entity), 999);
}

}  // namespace

namespace {

// Profile options are note 1, written and read as "options" lines; names with "*" are names
// like any other.
TEST(TextForm, ProfileOptionsAndNamePatternsComeBackByteForByte) {
    const std::string source =
        "html-configuration version 2\n"
        "options AllowSpaces2=1 checkforhighascii=0\n"
        "options MaximumErrors=+50\n"
        "category (all)\n  id 0\n  builtin 1\n"
        "tag *-*\n  category (all)\n  attributes data-*\n"
        "attribute data-*\n  category (all)\n";
    CfgStore built;
    auto errors = readTextForm(source, built);
    ASSERT_TRUE(errors.empty()) << joinErrors(errors);
    EXPECT_EQ(built.noteView(1), "AllowSpaces2=1\nCheckForHighASCII=0\nMaximumErrors=50\n");
    const std::string text = writeTextForm(built);
    EXPECT_NE(text.find("\noptions AllowSpaces2=1\noptions CheckForHighASCII=0\n"
                        "options MaximumErrors=50\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("note 1"), std::string::npos);
    EXPECT_NE(text.find("\ntag *-*\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  attributes data-*\n"), std::string::npos) << text;
    const RoundTrip trip = roundTrip(built.serialize(0), 0, 1);
    EXPECT_EQ(trip.rebuilt, trip.written);

    // A note 1 that is not a list of profile options is kept as a note.
    for (const std::string note : {"Written by hand.\n", "AllowSpaces2=1", "Language=1\n",
                                   "AllowSpaces2=1\nAllowSpaces2=0\n", " AllowSpaces2=1\n"}) {
        CfgStore store;
        store.resetToBuiltins();
        store.setNotes(1, note);
        const RoundTrip kept = roundTrip(store.serialize(0), 0, 1);
        EXPECT_EQ(kept.rebuilt, kept.written) << note;
        EXPECT_NE(kept.text.find("note 1 "), std::string::npos) << note;
        EXPECT_EQ(kept.text.find("\noptions "), std::string::npos) << note;
    }
}

// "content" names slot 5 of a tag entry, which only a version 2 entry holds.
TEST(TextForm, ContentRequiredIsSlotFiveOfATag) {
    const std::string source =
        "html-configuration version 2\n"
        "category (all)\n  id 0\n  builtin 1\n"
        "tag ul\n  category (all)\n  content required\n"
        "tag div\n  category (all)\n  content may-be-empty\n"
        "tag p\n  category (all)\n";
    CfgStore built;
    auto errors = readTextForm(source, built);
    ASSERT_TRUE(errors.empty()) << joinErrors(errors);
    auto slot5 = [&](const char* name) {
        return built.entry(TagName, ByPosition, built.findFirstPosition(TagName, name))
            ->optionValue(config::kTagContentSlot);
    };
    EXPECT_EQ(slot5("ul"), config::kContentRequired);
    EXPECT_EQ(slot5("div"), config::kContentMayBeEmpty);
    EXPECT_EQ(slot5("p"), -1);
    const std::string text = writeTextForm(built);
    EXPECT_NE(text.find("\ntag ul\n  id 0\n  category (all)\n  content required\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  content may-be-empty\n"), std::string::npos) << text;
    const RoundTrip trip = roundTrip(built.serialize(0), 0, 1);
    EXPECT_EQ(trip.rebuilt, trip.written);

    CfgStore old;
    errors = readTextForm("html-configuration version 1\ntag ul\n  content required\n", old);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].line, 3);
    EXPECT_NE(errors[0].message.find("option slots 0 to 4 only"), std::string::npos)
        << errors[0].message;
    errors = readTextForm("html-configuration\ntag ul\n  content maybe\n", old);
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors[0].message.find("content takes one of: required, may-be-empty"),
              std::string::npos)
        << errors[0].message;
}

TEST(TextForm, ProfileOptionMistakesAreReportedOnTheirLines) {
    struct Case {
        std::string source;  // after the header line
        int line;
        std::string message;  // a part of it
    };
    const std::vector<Case> cases = {
        {"options\n", 2, "write options Name=value"},
        {"options AllowSpaces2\n", 2, "'AllowSpaces2' is not Name=value"},
        {"options NoSuchOption=1\n", 2, "'NoSuchOption' is not a validator option"},
        {"options Language=1\n", 2, "'Language' is not a validator option"},
        {"options LogFilename=x\n", 2, "'LogFilename' is not a validator option"},
        {"options AllowSpaces2=2\n", 2, "AllowSpaces2 must be 0 or 1"},
        {"options LineLength=5\n", 2, "LineLength must be a whole number from 20 to 999"},
        {"options AllowSpaces2=1\noptions allowspaces2=0\n", 3,
         "AllowSpaces2 is given twice (first on line 2)"},
        {"note 1 \"x\"\noptions AllowSpaces2=1\n", 3, "which is given too (on line 2)"},
    };
    for (const Case& c : cases) {
        CfgStore store;
        auto errors = readTextForm("html-configuration\n" + c.source, store);
        ASSERT_FALSE(errors.empty()) << c.source;
        EXPECT_EQ(errors[0].line, c.line) << c.source;
        EXPECT_NE(errors[0].message.find(c.message), std::string::npos)
            << c.source << "\n" << errors[0].message;
    }
    CfgStore store;
    auto errors = readTextForm("html-configuration version 1\noptions AllowSpaces2=1\n", store);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, 2);
    EXPECT_EQ(errors[0].message, "a version 1 configuration holds no options");
}

}  // namespace
