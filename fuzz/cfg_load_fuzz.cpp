// Fuzz target: the HTML Configuration file reader on arbitrary bytes.
//
// Whatever the bytes, loading must not crash. A file that fails must leave the model as after
// clear. A file that loads must leave a sound model (ids unique and below 999, id maps that agree
// with the entries, each kind in collation order, look-ups that find the first of a run of equal
// names), and the model written out, with and without upgrade, must load again and write the
// same bytes (the two flag words aside: they record the writer's loaded and saved state). The
// same holds after a few edits of the loaded model.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"

namespace {

[[noreturn]] void fail(const char* what, int kind = -1, int position = -1) {
    std::fprintf(stderr, "cfg_load_fuzz: %s (kind %d, position %d)\n", what, kind, position);
    std::abort();
}

void require(bool condition, const char* what, int kind = -1, int position = -1) {
    if (!condition) fail(what, kind, position);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

void checkCleared(const CfgStore& cfg) {
    for (int kind = 0; kind < config::kKindCount; ++kind) {
        require(cfg.entryCount(kind) == 0 && cfg.idMap(kind).count() == 0,
                "a failed load left entries", kind);
    }
    for (int slot = 0; slot < config::kNoteCount; ++slot) {
        require(cfg.noteView(slot).empty(), "a failed load left notes");
    }
    require(cfg.activeCategoryCount() == 0, "a failed load left active categories");
    require(cfg.isLoaded() == 0 && cfg.isSaved() == 1 && cfg.formatVersion() == 2,
            "a failed load left the state flags");
    require(std::string_view(cfg.fileName()) == config::kNoFileName,
            "a failed load left the file name");
}

void checkInvariants(const CfgStore& cfg) {
    require(cfg.formatVersion() == 1 || cfg.formatVersion() == 2,
            "a format version other than 1 or 2");
    for (int kind = 0; kind < config::kKindCount; ++kind) {
        const IntStore& idMap = cfg.idMap(kind);
        const int count = cfg.entryCount(kind);
        require(idMap.count() <= config::kMaxEntries, "an id map longer than 999", kind);
        std::vector<bool> held(static_cast<std::size_t>(idMap.count()), false);
        int runStart = 0;
        for (int p = 0; p < count; ++p) {
            const TagStore* e = cfg.entry(kind, ByPosition, p);
            require(e != nullptr, "no entry at a position below the count", kind, p);
            require(e->id >= 0 && e->id < idMap.count(), "an id outside the id map", kind, p);
            require(!held[static_cast<std::size_t>(e->id)], "an id held twice", kind, p);
            held[static_cast<std::size_t>(e->id)] = true;
            require(idMap.valueAt(e->id) == p, "the id map disagrees with an entry", kind, p);
            require(e->formatVersion == 1 || e->formatVersion == 2,
                    "an entry version other than 1 or 2", kind, p);
            if (p > 0) {
                const TagStore* previous = cfg.entry(kind, ByPosition, p - 1);
                const int relation = config::collateNames(previous->name.view(), e->name.view());
                require(relation < 0 || (relation == 0 && previous->id < e->id),
                        "entries out of collation order", kind, p);
                if (!sameIgnoringCase(previous->name.view(), e->name.view())) runStart = p;
            }
            const TagStore* next = cfg.entry(kind, ByPosition, p + 1);
            if (next == nullptr || !sameIgnoringCase(next->name.view(), e->name.view())) {
                require(cfg.findFirstPosition(kind, e->name.view()) == runStart,
                        "a look-up missed the first entry of its run", kind, p);
            }
        }
        for (int id = 0; id < idMap.count(); ++id) {
            require(held[static_cast<std::size_t>(id)] || idMap.valueAt(id) == -1,
                    "an id map slot names a free id", kind, id);
        }
    }
}

std::string withoutFlagWords(const std::string& file) {
    return file.size() < 12 ? file : file.substr(0, 4) + file.substr(12);
}

// Written with and without upgrade, the model loads again and writes the same bytes.
void checkRoundTrips(const CfgStore& cfg) {
    for (int upgrade = 0; upgrade <= 1; ++upgrade) {
        const std::string written = cfg.serialize(upgrade);
        CfgStore again;
        if (again.loadBytes(written, "again.cfg") != 1) {
            fail(upgrade ? "the model's upgraded file does not load"
                         : "the model's file does not load");
        }
        checkInvariants(again);
        require(again.isLoaded() == 1 && again.isSaved() == 1, "a load did not set the flags");
        if (upgrade) require(again.formatVersion() == 2, "an upgraded file is not version 2");
        if (withoutFlagWords(again.serialize(0)) != withoutFlagWords(written)) {
            fail(upgrade ? "the model's upgraded file, loaded and written again, changed"
                         : "the model's file, loaded and written again, changed");
        }
    }
}

// The editing operations on whatever the file held (lists naming ids that do not exist,
// option arrays of any length, any built-in types): the middle entry of each kind is deleted,
// with its cascade, and an entry is added to each kind.
void edit(CfgStore& cfg) {
    for (int kind = TagName; kind <= Entity; ++kind) {
        const int count = cfg.entryCount(kind);
        if (count == 0) continue;
        const int id = cfg.entryId(kind, ByPosition, count / 2);
        require(cfg.deleteEntry(kind, ByPosition, count / 2) == 1, "a delete failed", kind,
                count / 2);
        require(cfg.positionOf(kind, id) == -1, "a deleted id still names an entry", kind, id);
        if (kind == Category)
            require(cfg.isCategoryActive(id) == 0, "a deleted category is active");
    }
    for (int kind = 0; kind < config::kKindCount; ++kind) {
        EntryRecord record = EntryRecord::named("Fuzz-Name");
        record.option1 = 1;
        if (cfg.entryCount(kind) == config::kMaxEntries) continue;  // no id left
        require(cfg.addEntry(kind, record) >= 0, "an add failed", kind);
        require(cfg.findFirstPosition(kind, "fuzz-name") >= 0, "an added entry is not found", kind);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CfgStore cfg;
    // Something to clear, so that a failed load shows whether it cleared it.
    cfg.setNotes(0, "before");
    std::string reason;
    if (cfg.loadBytes(bytes, "fuzz.cfg", &reason) != 1) {
        require(!reason.empty(), "a refused file without a reason");
        checkCleared(cfg);
        return 0;
    }
    require(cfg.isLoaded() == 1 && cfg.isSaved() == 1, "a load did not set the flags");
    checkInvariants(cfg);
    checkRoundTrips(cfg);
    edit(cfg);
    checkInvariants(cfg);
    checkRoundTrips(cfg);
    return 0;
}
