// The HTML Configuration file, byte by byte: files built by hand here are loaded, and what the
// model writes is compared with files built the same way.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/cfg_store.h"

#include "test_support.h"

namespace {

using namespace std::string_literals;
using IntList = std::vector<std::int32_t>;

// ---- Building files --------------------------------------------------------------------------

// Little-endian 32-bit integers, string records and integer-list records.
using Bytes = testing_support::FileBytes;

struct EntrySpec {
    int id = 0;
    std::string name = {};
    int version = 2;
    int type = 0;
    int category = 1;
    IntList options = {};  // version 1: slots 0..4 are written, missing ones as -1
    std::array<IntList, 5> lists = {};
    int textCount = 2;
    std::vector<std::string> texts = {"", ""};  // all written, whatever textCount says
};

struct FileSpec {
    int version = 2;
    int loaded = 1;
    int saved = 1;
    std::array<std::string, 5> notes;  // written in version 2 only
    IntList active;
    std::array<std::vector<EntrySpec>, 6> kinds;
    std::array<std::optional<IntList>, 6> idMaps;  // default: from the stored order
    std::optional<std::array<int, 6>> counts;      // default: the number of entries given
};

void writeEntry(Bytes& out, const EntrySpec& e) {
    out.i32(e.version).i32(e.id).i32(e.type).i32(e.category);
    if (e.version == 1) {
        for (std::size_t slot = 0; slot < 5; ++slot)
            out.i32(slot < e.options.size() ? e.options[slot] : -1);
    }
    out.str(e.name);
    for (const IntList& list : e.lists)
        out.list(list);
    if (e.version != 1) {
        out.list(e.options).i32(e.textCount);
        for (const std::string& text : e.texts)
            out.str(text);
    }
}

std::string build(const FileSpec& f) {
    Bytes out;
    out.i32(f.version).i32(f.loaded).i32(f.saved);
    for (std::size_t kind = 0; kind < 6; ++kind) {
        out.i32(f.counts ? (*f.counts)[kind] : static_cast<int>(f.kinds[kind].size()));
    }
    if (f.version == 2) {
        for (const std::string& note : f.notes)
            out.str(note);
    }
    out.list(f.active);
    for (std::size_t kind = 0; kind < 6; ++kind) {
        if (f.idMaps[kind]) {
            out.list(*f.idMaps[kind]);
            continue;
        }
        IntList idMap;
        for (std::size_t p = 0; p < f.kinds[kind].size(); ++p) {
            auto id = static_cast<std::size_t>(f.kinds[kind][p].id);
            if (idMap.size() <= id) idMap.resize(id + 1, -1);
            idMap[id] = static_cast<std::int32_t>(p);
        }
        out.list(idMap);
    }
    for (const auto& entries : f.kinds) {
        for (const EntrySpec& e : entries)
            writeEntry(out, e);
    }
    return out.bytes();
}

std::string withoutFlagWords(const std::string& file) {
    return file.substr(0, 4) + file.substr(12);
}

// A small version-2 configuration with something in every part of the file.
FileSpec richFile() {
    FileSpec f;
    f.notes = {"Site rules", "", "slot 2", "", "slot 4"};
    f.active = {2};
    f.kinds[TagName] = {
        {.id = 1,
         .name = "BR",
         .options = {2, 0, 0, 0, 0, -1, 3},
         .lists = {IntList{0}, {}, {0}, {}, {}}},
        {.id = 0, .name = "P", .version = 1, .options = {1, 0, 0, 0, 0}},
    };
    f.kinds[Attribute] = {{.id = 0, .name = "CLEAR", .options = {4}, .lists = {IntList{0, 1}}}};
    f.kinds[AttributeValue] = {
        {.id = 1, .name = "left", .options = {1, 6}, .texts = {"", ""}},
        {.id = 0, .name = "none", .type = 0, .options = {1, 6}},
    };
    f.kinds[Category] = {{.id = 2, .name = "Strict", .category = -1}};
    f.kinds[Entity] = {{.id = 0, .name = "amp", .texts = {"ampersand", ""}}};
    f.kinds[Spare] = {{.id = 0, .name = "spare", .version = 1}};
    return f;
}

// What a failed load leaves: the model as after clear.
void expectCleared(const CfgStore& cfg) {
    for (int kind = 0; kind < config::kKindCount; ++kind) {
        EXPECT_EQ(cfg.entryCount(kind), 0) << "kind " << kind;
        EXPECT_EQ(cfg.idMap(kind).count(), 0) << "kind " << kind;
    }
    for (int slot = 0; slot < config::kNoteCount; ++slot)
        EXPECT_EQ(cfg.noteView(slot), "");
    EXPECT_EQ(cfg.activeCategoryCount(), 0);
    EXPECT_STREQ(cfg.fileName(), config::kNoFileName);
    EXPECT_EQ(cfg.isLoaded(), 0);
    EXPECT_EQ(cfg.isSaved(), 1);
    EXPECT_EQ(cfg.formatVersion(), 2);
}

// A model with entries, notes and an active category, so that a failed load has something
// to clear.
void fill(CfgStore& cfg) {
    cfg.addEntry(Category, EntryRecord::named("Old"));
    cfg.setNotes(0, "old notes");
    cfg.activateCategory(0, cfg.orderOf(Category));
    cfg.noteSaved("old.cfg", 0);
}

// ---- Records ---------------------------------------------------------------------------------

TEST(CfgFile, RecordsHaveTheDocumentedBytes) {
    EXPECT_EQ(Bytes{}.str("BR").bytes(), "\x01\0\0\0\x02\0\0\0\x42\x52"s);
    EXPECT_EQ(Bytes{}.str("").bytes(), "\x01\0\0\0\0\0\0\0"s);
    EXPECT_EQ(Bytes{}.list({3, 17}).bytes(), "\x01\0\0\0\x02\0\0\0\x03\0\0\0\x11\0\0\0"s);

    // A one-entry file: BR's name record sits right after its 16-byte entry header, which
    // follows the 32-byte block, five empty notes, the active list and six id maps.
    FileSpec f;
    f.kinds[TagName] = {{.id = 0, .name = "BR", .lists = {IntList{3, 17}}}};
    const std::string file = build(f);
    const std::size_t nameAt = 4 + 32 + 5 * 8 + 8 + (12 + 5 * 8) + 16;
    EXPECT_EQ(file.substr(nameAt, 10), "\x01\0\0\0\x02\0\0\0\x42\x52"s);
    EXPECT_EQ(file.substr(nameAt + 10, 16), "\x01\0\0\0\x02\0\0\0\x03\0\0\0\x11\0\0\0"s);

    CfgStore cfg;
    ASSERT_EQ(cfg.loadBytes(file, "br.cfg"), 1);
    EXPECT_STREQ(cfg.entryName(TagName, ById, 0), "BR");
    int found = 0;
    EXPECT_EQ(cfg.listItem(TagName, ById, 0, 0, 1, found), 17);
    EXPECT_EQ(cfg.serialize(0), file);
}

// ---- Loading ---------------------------------------------------------------------------------

struct LoadCase {
    const char* what;
    std::string file;
    std::function<void(CfgStore&)> check;
};

std::vector<LoadCase> wellFormedFiles() {
    std::vector<LoadCase> cases;

    cases.push_back({"an all-empty version-2 file", build(FileSpec{}), [](CfgStore& cfg) {
                         for (int kind = 0; kind < config::kKindCount; ++kind)
                             EXPECT_EQ(cfg.entryCount(kind), 0);
                         EXPECT_EQ(cfg.formatVersion(), 2);
                     }});

    FileSpec flags;
    flags.loaded = -7;
    flags.saved = 12345;
    cases.push_back({"any flag words", build(flags), [](CfgStore& cfg) {
                         EXPECT_EQ(cfg.isLoaded(), 1);
                         EXPECT_EQ(cfg.isSaved(), 1);
                     }});

    FileSpec v1;
    v1.version = 1;
    v1.active = {0};
    v1.kinds[TagName] = {{.id = 0, .name = "P", .version = 1, .options = {1, 0, 0}},
                         {.id = 1,
                          .name = "Q",
                          .version = 2,
                          .options = {0, 1, 0, 0, 0, 0, 9},
                          .texts = {"quote", "bad"}}};
    v1.kinds[Category] = {{.id = 0, .name = "(all)", .version = 1, .type = 1, .category = -1}};
    cases.push_back(
        {"a version-1 file with entries of both versions", build(v1), [](CfgStore& cfg) {
             EXPECT_EQ(cfg.formatVersion(), 1);
             EXPECT_EQ(cfg.isCurrentFormat(), 0);
             for (int slot = 0; slot < config::kNoteCount; ++slot)
                 EXPECT_EQ(cfg.noteView(slot), "");
             const TagStore* p = cfg.entry(TagName, ById, 0);
             EXPECT_EQ(p->formatVersion, 1);
             EXPECT_EQ(p->options.values(), (IntList{1, 0, 0, -1, -1}));  // five slots
             EXPECT_STREQ(cfg.entryText(TagName, ById, 0, 0), "");
             const TagStore* q = cfg.entry(TagName, ById, 1);
             EXPECT_EQ(q->formatVersion, 2);
             EXPECT_EQ(cfg.option(TagName, ById, 1, 6), 9);
             EXPECT_STREQ(cfg.entryText(TagName, ById, 1, 0), "quote");
             EXPECT_STREQ(cfg.entryText(TagName, ById, 1, 1), "bad");
             EXPECT_EQ(cfg.isCategoryActive(0), 1);
             EXPECT_EQ(cfg.builtinType(Category, ById, 0), 1);
         }});

    cases.push_back({"a version-2 file with notes, every kind, slots beyond 4, a version-1 entry",
                     build(richFile()), [](CfgStore& cfg) {
                         EXPECT_STREQ(cfg.notes(0), "Site rules");
                         EXPECT_STREQ(cfg.notes(4), "slot 4");
                         EXPECT_EQ(cfg.entryCount(Spare), 1);
                         EXPECT_EQ(cfg.entry(Spare, ById, 0)->formatVersion, 1);
                         EXPECT_EQ(cfg.entry(TagName, ById, 0)->formatVersion, 1);
                         EXPECT_EQ(cfg.option(TagName, ById, 1, 6), 3);
                         EXPECT_STREQ(cfg.entryText(Entity, ById, 0, 0), "ampersand");
                         EXPECT_EQ(cfg.listCount(Attribute, ById, 0, 0), 2);
                         EXPECT_EQ(cfg.categoryOf(Category, ById, 2), -1);
                     }});

    // Text counts: fewer than two (a negative count reads none) leave the rest empty; more than
    // two are read and dropped, and the next entry is read from the right place.
    for (int count : {-1, 0, 1, 2, 3, 5}) {
        FileSpec f;
        f.kinds[TagName] = {{.id = 0, .name = "A", .textCount = count, .texts = {}},
                            {.id = 1, .name = "B", .texts = {"next", ""}}};
        for (int i = 0; i < count; ++i)
            f.kinds[TagName][0].texts.push_back("text " + std::to_string(i));
        cases.push_back(
            {"text count", build(f), [count](CfgStore& cfg) {
                 EXPECT_STREQ(cfg.entryText(TagName, ById, 0, 0), count > 0 ? "text 0" : "")
                     << count;
                 EXPECT_STREQ(cfg.entryText(TagName, ById, 0, 1), count > 1 ? "text 1" : "")
                     << count;
                 EXPECT_STREQ(cfg.entryText(TagName, ById, 1, 0), "next") << count;
             }});
    }

    FileSpec longest;
    longest.notes[1] = std::string(100000, 'n');
    longest.kinds[Entity] = {
        {.id = 0, .name = std::string(100000, 'e'), .texts = {"", std::string(100000, 't')}}};
    cases.push_back({"strings of 100000 bytes", build(longest), [](CfgStore& cfg) {
                         EXPECT_EQ(cfg.noteView(1).size(), 100000u);
                         EXPECT_EQ(cfg.entry(Entity, ById, 0)->name.length(), 100000);
                         EXPECT_EQ(cfg.entry(Entity, ById, 0)->texts[1].length(), 100000);
                     }});

    // What the file says is kept as it is: ids of entries that do not exist in lists and in the
    // active categories, value types this program does not know, an id map longer than needed,
    // the same id in different kinds, ids up to 998.
    FileSpec kept;
    kept.active = {7, 7};
    kept.kinds[TagName] = {
        {.id = 998, .name = "TABLE", .lists = {IntList{40}, {41}, {42}, {43}, {44}}}};
    kept.kinds[AttributeValue] = {{.id = 998, .name = "(newer type)", .type = 21}};
    kept.idMaps[Attribute] = IntList{-1, -1, -1};
    cases.push_back({"what the file says", build(kept), [](CfgStore& cfg) {
                         EXPECT_EQ(cfg.activeCategories().values(), (IntList{7, 7}));
                         for (int list = 0; list < 5; ++list) {
                             EXPECT_EQ(cfg.entry(TagName, ById, 998)->lists[list].values(),
                                       IntList{40 + list});
                         }
                         EXPECT_EQ(cfg.builtinType(AttributeValue, ById, 998), 21);
                         EXPECT_EQ(cfg.idMap(Attribute).count(), 3);
                         EXPECT_EQ(cfg.idMap(TagName).count(), 999);
                     }});

    // The id maps are made again from the entries' ids: stored maps that are empty, name the
    // wrong position or a free id, or hold a slot below -1 do not stop the load.
    const std::array<std::pair<const char*, std::array<IntList, 3>>, 4> maps{{
        {"empty id maps", {IntList{}, IntList{}, IntList{}}},
        {"id maps naming the wrong positions", {IntList{1, 1}, IntList{0, 0}, IntList{1, 1}}},
        {"id maps naming free ids", {IntList{0, 1, 0}, IntList{-1, 0, 0}, IntList{0, 1, 1}}},
        {"id maps with slots below -1", {IntList{-2, -3}, IntList{-2, -1, -5}, IntList{}}},
    }};
    for (const auto& [what, stored] : maps) {
        FileSpec disagreeing = richFile();
        disagreeing.idMaps[TagName] = stored[0];
        disagreeing.idMaps[Category] = stored[1];
        disagreeing.idMaps[AttributeValue] = stored[2];
        const FileSpec sound = richFile();
        cases.push_back({what, build(disagreeing), [sound](CfgStore& cfg) {
                             for (int kind : {TagName, Category, AttributeValue}) {
                                 SCOPED_TRACE(kind);
                                 for (const EntrySpec& e : sound.kinds[kind]) {
                                     ASSERT_NE(cfg.entry(kind, ById, e.id), nullptr);
                                     EXPECT_EQ(cfg.entry(kind, ById, e.id)->name.view(), e.name);
                                 }
                                 for (int id = 0; id < cfg.idMap(kind).count(); ++id) {
                                     const int position = cfg.idMap(kind).valueAt(id);
                                     if (position == -1) continue;
                                     ASSERT_GE(position, 0);
                                     EXPECT_EQ(cfg.entry(kind, ByPosition, position)->id, id);
                                 }
                             }
                         }});
    }
    return cases;
}

TEST(CfgFile, LoadsWellFormedFiles) {
    for (const LoadCase& c : wellFormedFiles()) {
        SCOPED_TRACE(c.what);
        CfgStore cfg;
        fill(cfg);
        ASSERT_EQ(cfg.loadBytes(c.file, "/cfg/site.cfg"), 1);
        EXPECT_STREQ(cfg.fileName(), "/cfg/site.cfg");
        EXPECT_EQ(cfg.isLoaded(), 1);
        EXPECT_EQ(cfg.isSaved(), 1);
        c.check(cfg);
    }
}

// Each case changes one thing in a valid file.
std::vector<LoadCase> corruptFiles() {
    std::vector<LoadCase> cases;
    auto add = [&](const char* what, const std::function<void(FileSpec&)>& change) {
        FileSpec f = richFile();
        change(f);
        cases.push_back({what, build(f), nullptr});
    };
    cases.push_back({"an empty file", "", nullptr});
    cases.push_back({"only the version word 3", Bytes{}.i32(3).bytes(), nullptr});
    cases.push_back({"only the version word 2", Bytes{}.i32(2).bytes(), nullptr});
    add("file version 0", [](FileSpec& f) { f.version = 0; });
    add("file version 3", [](FileSpec& f) { f.version = 3; });
    add("entry version 0", [](FileSpec& f) { f.kinds[Entity][0].version = 0; });
    add("entry version 3", [](FileSpec& f) { f.kinds[Spare][0].version = 3; });
    add("a string of 100001 bytes", [](FileSpec& f) { f.notes[3] = std::string(100001, 'x'); });
    add("a name of 100001 bytes",
        [](FileSpec& f) { f.kinds[Spare][0].name = std::string(100001, 'x'); });
    add("a negative count", [](FileSpec& f) { f.counts = std::array{2, 1, 2, 1, 1, -1}; });
    add("a count above 999", [](FileSpec& f) { f.counts = std::array{2, 1, 2, 1, 1, 1000}; });
    add("the largest count", [](FileSpec& f) { f.counts = std::array{2, 1, 2, 1, 1, 0x7fffffff}; });
    add("a count above the entries given",
        [](FileSpec& f) { f.counts = std::array{2, 1, 2, 1, 2, 1}; });
    add("id 999", [](FileSpec& f) {
        f.kinds[Category][0].id = 999;
        f.idMaps[Category] = IntList(1000, -1);
        f.idMaps[Category]->at(999) = 0;
    });
    add("id 999 with a short id map", [](FileSpec& f) {
        f.kinds[Category][0].id = 999;
        f.idMaps[Category] = IntList{};
    });
    add("a negative id", [](FileSpec& f) {
        f.kinds[Category][0].id = -1;
        f.idMaps[Category] = IntList{};
    });
    add("an id twice in one kind", [](FileSpec& f) {
        f.kinds[AttributeValue][1].id = 1;
        f.idMaps[AttributeValue] = IntList{-1, 0};
    });
    add("an id map longer than 999", [](FileSpec& f) {
        IntList idMap(1000, -1);
        idMap[2] = 0;
        f.idMaps[Category] = idMap;
    });

    // Broken records: string and list markers, lengths and counts.
    const std::string good = build(richFile());
    auto patched = [&](std::size_t at, std::int32_t value) {
        std::string file = good;
        for (int i = 0; i < 4; ++i)
            file[at + static_cast<std::size_t>(i)] =
                static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
        return file;
    };
    const std::size_t firstNote = 36;  // marker of note 0
    cases.push_back({"a string marker of 0", patched(firstNote, 0), nullptr});
    cases.push_back({"a string length of -1", patched(firstNote + 4, -1), nullptr});
    const std::size_t activeList =
        firstNote + 5 * 8 + 10 + 6 + 6;  // after the three non-empty notes
    cases.push_back({"a list marker of 2", patched(activeList, 2), nullptr});
    cases.push_back({"a list count of -1", patched(activeList + 4, -1), nullptr});
    cases.push_back({"a list count beyond the file", patched(activeList + 4, 0x7fffffff), nullptr});
    return cases;
}

TEST(CfgFile, RejectsCorruptFilesAndLeavesTheModelCleared) {
    // The offsets patched below must hit the records they name.
    const std::string good = build(richFile());
    ASSERT_EQ(good.substr(36, 8), "\x01\0\0\0\x0a\0\0\0"s);
    ASSERT_EQ(good.substr(98, 12), "\x01\0\0\0\x01\0\0\0\x02\0\0\0"s);

    for (const LoadCase& c : corruptFiles()) {
        SCOPED_TRACE(c.what);
        CfgStore cfg;
        fill(cfg);
        std::string reason;
        EXPECT_EQ(cfg.loadBytes(c.file, "bad.cfg", &reason), 0);
        EXPECT_NE(reason, "");
        expectCleared(cfg);
    }
}

TEST(CfgFile, EveryTruncatedFileFails) {
    FileSpec v1 = richFile();
    v1.version = 1;
    for (const std::string& file : {build(richFile()), build(v1)}) {
        CfgStore whole;
        ASSERT_EQ(whole.loadBytes(file, "whole.cfg"), 1);
        CfgStore cfg;
        for (std::size_t length = 0; length < file.size(); ++length) {
            fill(cfg);
            ASSERT_EQ(cfg.loadBytes(file.substr(0, length), "cut.cfg"), 0)
                << length << " of " << file.size();
            expectCleared(cfg);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(CfgFile, FileInAnotherOrderIsSortedOnLoadWithIdsKept) {
    FileSpec f;
    f.kinds[TagName] = {{.id = 0, .name = "TR"},
                        {.id = 4, .name = "a"},
                        {.id = 2, .name = "TABLE"},
                        {.id = 1, .name = "table"},
                        {.id = 3, .name = "-A"}};
    f.idMaps[TagName] = IntList{0, 3, 2, 4, 1, -1};  // the stored positions, one slot spare
    CfgStore cfg;
    ASSERT_EQ(cfg.loadBytes(build(f), "other.cfg"), 1);
    // Hyphens are passed over except as a final tie-break; equal names go by id.
    const std::vector<std::pair<int, std::string>> sorted = {
        {3, "-A"}, {4, "a"}, {1, "table"}, {2, "TABLE"}, {0, "TR"}};
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(cfg.entryId(TagName, ByPosition, p), sorted[static_cast<std::size_t>(p)].first);
        EXPECT_EQ(cfg.entryName(TagName, ByPosition, p),
                  sorted[static_cast<std::size_t>(p)].second);
        EXPECT_EQ(cfg.positionOf(TagName, sorted[static_cast<std::size_t>(p)].first), p);
    }
    EXPECT_EQ(cfg.idMap(TagName).values(), (IntList{4, 2, 3, 0, 1, -1}));
    EXPECT_EQ(cfg.findFirstId(TagName, "Table"), 1);
    EXPECT_EQ(cfg.findFirstId(TagName, "A"), 4);

    // Written again, the file is in the model's order.
    std::sort(f.kinds[TagName].begin(), f.kinds[TagName].end(),
              [&](const EntrySpec& a, const EntrySpec& b) {
                  return cfg.positionOf(TagName, a.id) < cfg.positionOf(TagName, b.id);
              });
    f.idMaps[TagName] = IntList{4, 2, 3, 0, 1, -1};
    EXPECT_EQ(cfg.serialize(0), build(f));
}

// ---- Saving ----------------------------------------------------------------------------------

// A version-1 file of version-1 entries, with a version-2 entry among them.
FileSpec version1File() {
    FileSpec f;
    f.version = 1;
    f.kinds[TagName] = {{.id = 0, .name = "B", .version = 1, .options = {0, 0, 0, 0, 0}},
                        {.id = 1, .name = "I", .version = 1, .options = {0, 1}}};
    f.kinds[Entity] = {{.id = 0, .name = "nbsp", .texts = {"space", ""}}};
    return f;
}

TEST(CfgFile, Version1FileSavedWithoutUpgradeKeepsItsVersions) {
    CfgStore cfg;
    ASSERT_EQ(cfg.loadBytes(build(version1File()), "old.cfg"), 1);
    EntryRecord record = EntryRecord::named("U");
    record.option0 = 0;
    ASSERT_EQ(cfg.addEntry(TagName, record), 2);
    ASSERT_EQ(cfg.setNotes(0, "dropped: version 1 has no notes"), 1);
    ASSERT_EQ(cfg.setEntryText(TagName, ById, 0, 0, "dropped: a version-1 entry has no texts"), 1);
    ASSERT_EQ(cfg.setOption(TagName, ById, 1, 7, 1), 1);  // dropped too: only slots 0..4

    FileSpec want = version1File();
    want.saved = 0;
    want.kinds[TagName].push_back(
        {.id = 2, .name = "U", .type = -1, .category = -1, .options = {0}});
    const std::string file = cfg.serialize(0);
    EXPECT_EQ(file, build(want));

    CfgStore again;
    ASSERT_EQ(again.loadBytes(file, "old.cfg"), 1);
    EXPECT_EQ(again.noteView(0), "");
    EXPECT_STREQ(again.entryText(TagName, ById, 0, 0), "");
    EXPECT_EQ(again.option(TagName, ById, 1, 7), -1);
    EXPECT_EQ(again.entry(TagName, ById, 2)->formatVersion, 2);
}

TEST(CfgFile, UpgradeWritesEverythingInVersion2) {
    CfgStore cfg;
    ASSERT_EQ(cfg.loadBytes(build(version1File()), "old.cfg"), 1);
    ASSERT_EQ(cfg.setNotes(2, "kept now"), 1);

    FileSpec want = version1File();
    want.version = 2;
    want.saved = 0;
    want.notes[2] = "kept now";
    for (EntrySpec& e : want.kinds[TagName]) {
        e.version = 2;
        e.options.resize(5, -1);  // the five slots read from the version-1 entry
    }
    EXPECT_EQ(cfg.serialize(1), build(want));
    EXPECT_EQ(cfg.formatVersion(), 1);  // writing the bytes alone changes nothing

    // Saving with upgrade makes the model version 2 throughout.
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(cfg.save(stream, "new.cfg", 1), 1);
    std::fclose(stream);
    EXPECT_EQ(cfg.formatVersion(), 2);
    EXPECT_EQ(cfg.entry(TagName, ById, 0)->formatVersion, 2);
    want.saved = 1;
    EXPECT_EQ(cfg.serialize(0), build(want));
}

TEST(CfgFile, SavesAndLoadsThroughStreams) {
    CfgStore cfg;
    ASSERT_EQ(cfg.loadBytes(build(richFile()), "rich.cfg"), 1);
    ASSERT_EQ(cfg.setNotes(1, "changed"), 1);
    const std::string bytes = cfg.serialize(0);

    // A stream that takes no bytes: the save fails and the model keeps its state.
    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(cfg.save(readOnly, "full.cfg", 0), 0);
    std::fclose(readOnly);
    EXPECT_EQ(cfg.isSaved(), 0);
    EXPECT_STREQ(cfg.fileName(), "rich.cfg");
    EXPECT_EQ(cfg.save(nullptr, "none.cfg", 0), 0);

    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(cfg.save(stream, "saved.cfg", 0), 1);
    EXPECT_EQ(cfg.isSaved(), 1);
    EXPECT_EQ(cfg.isLoaded(), 1);
    EXPECT_STREQ(cfg.fileName(), "saved.cfg");

    std::rewind(stream);
    CfgStore loaded;
    ASSERT_EQ(loaded.load(stream, "saved.cfg"), 1);
    std::fclose(stream);
    EXPECT_STREQ(loaded.notes(1), "changed");
    EXPECT_EQ(withoutFlagWords(loaded.serialize(0)), withoutFlagWords(bytes));

    fill(loaded);
    EXPECT_EQ(loaded.load(nullptr, "none.cfg"), 0);
    expectCleared(loaded);
}

// The model holds no text that a file could not hold, so whatever it saves loads again.
TEST(CfgFile, TextsLongerThanAStringRecordAreRefusedSoEverySaveLoads) {
    CfgStore cfg;
    cfg.resetToBuiltins();
    const std::string longest(config::kMaxTextBytes, 'x');
    EXPECT_EQ(cfg.setNotes(0, longest), 1);
    EXPECT_EQ(cfg.setEntryText(Attribute, ById, 0, 1, longest), 1);
    cfg.markSaved();
    EXPECT_EQ(cfg.setNotes(0, longest + "y"), 0);
    EXPECT_EQ(cfg.setNotes(1, longest + "y"), 0);
    EXPECT_EQ(cfg.setEntryText(TagName, ById, 0, 0, longest + "y"), 0);
    EXPECT_EQ(cfg.isSaved(), 1) << "a refused text changes nothing";
    EXPECT_EQ(cfg.noteView(0).size(), longest.size());
    EXPECT_EQ(cfg.noteView(1), "");
    EXPECT_STREQ(cfg.entryText(TagName, ById, 0, 0), "");

    CfgStore loaded;
    ASSERT_EQ(loaded.loadBytes(cfg.serialize(0), "long.cfg"), 1);
    EXPECT_EQ(loaded.noteView(0), longest);
    EXPECT_EQ(std::string(loaded.entryText(Attribute, ById, 0, 1)), longest);
}

}  // namespace
