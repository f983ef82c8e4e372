// The HTML Configuration file: a direct serialisation of the model in little-endian 32-bit
// integers, string records (marker 1, length, bytes) and integer-list records (marker 1,
// count, elements), in format version 1 or 2.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "config/cfg_store.h"

using namespace config;

namespace {

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool int32(std::int32_t& value) {
        if (bytes_.size() - pos_ < 4) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + pos_);
        std::uint32_t raw = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                            static_cast<std::uint32_t>(p[2]) << 16 |
                            static_cast<std::uint32_t>(p[3]) << 24;
        value = static_cast<std::int32_t>(raw);
        pos_ += 4;
        return true;
    }

    bool string(StrStore& text) {
        std::int32_t marker;
        std::int32_t length;
        if (!int32(marker) || marker != 1 || !int32(length)) return false;
        if (length < 0 || length > kMaxTextBytes) return false;
        if (bytes_.size() - pos_ < static_cast<std::size_t>(length)) return false;
        // The length is within a text's limit: a text that cannot be had is memory that ran
        // out, which says nothing about the file.
        if (!text.assign(bytes_.substr(pos_, static_cast<std::size_t>(length)))) {
            throw std::bad_alloc();
        }
        pos_ += static_cast<std::size_t>(length);
        return true;
    }

    bool list(IntStore& values) {
        std::int32_t marker;
        std::int32_t count;
        values.removeAll();
        if (!int32(marker) || marker != 1 || !int32(count) || count < 0) return false;
        // Every element needs four bytes: a count the file cannot hold is corrupt, and is
        // refused before anything is allocated for it.
        if ((bytes_.size() - pos_) / 4 < static_cast<std::size_t>(count)) return false;
        if (!values.assignLittleEndian(bytes_.data() + pos_, count)) throw std::bad_alloc();
        pos_ += static_cast<std::size_t>(count) * 4;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

class ByteWriter {
public:
    void int32(std::int32_t value) {
        auto raw = static_cast<std::uint32_t>(value);
        const char bytes[4] = {static_cast<char>(raw & 0xFF), static_cast<char>(raw >> 8 & 0xFF),
                               static_cast<char>(raw >> 16 & 0xFF),
                               static_cast<char>(raw >> 24 & 0xFF)};
        out_.append(bytes, 4);
    }
    void string(std::string_view text) {
        int32(1);
        int32(static_cast<std::int32_t>(text.size()));
        out_.append(text);
    }
    void list(const IntStore& values) {
        int32(1);
        int32(values.count());
        for (std::int32_t value : values.values()) int32(value);
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

}  // namespace

// Reads the file as written, then checks what the model relies on: ids below 999 and unique
// per kind. A file that breaks them is corrupt. The id maps are made again from the entries'
// ids once each kind is sorted, so a stored map that disagrees with its entries does no harm
// and the file loads.
int CfgStore::loadBytes(std::string_view bytes, std::string_view path, std::string* reason) {
    clear();
    ByteReader in(bytes);
    auto fail = [this, reason](std::string why) {
        clear();
        if (reason) *reason = std::move(why);
        return 0;
    };
    auto where = [](int kind, int position) {
        static constexpr const char* kKinds[] = {"tag name",  "attribute", "attribute value",
                                                 "category",  "entity",    "spare"};
        return std::string(kKinds[kind]) + " " + std::to_string(position + 1);
    };
    std::int32_t version = 0;
    try {
        if (!in.int32(version)) return fail("the file is too short to hold a format version");
        if (version != 1 && version != 2) {
            return fail("the format version is " + std::to_string(version) + ", not 1 or 2");
        }
        std::int32_t loadedFlag;
        std::int32_t savedFlag;
        std::int32_t counts[kKindCount];
        if (!in.int32(loadedFlag) || !in.int32(savedFlag)) return fail("the file ends in its head");
        for (int kind = 0; kind < kKindCount; ++kind) {
            if (!in.int32(counts[kind])) return fail("the file ends in its head");
            if (counts[kind] < 0 || counts[kind] > kMaxEntries) {
                return fail("an entry count of " + std::to_string(counts[kind]) +
                            " (a kind holds 0 to 999 entries)");
            }
        }
        if (version == 2) {
            for (StrStore& note : notes_) {
                if (!in.string(note)) return fail("a note is damaged or cut short");
            }
        }
        if (!in.list(activeCategories_)) {
            return fail("the list of active categories is damaged or cut short");
        }
        for (IntStore& idMap : idMaps_) {
            if (!in.list(idMap)) return fail("an id map is damaged or cut short");
            if (idMap.count() > kMaxEntries) return fail("an id map longer than 999 ids");
        }

        for (int kind = 0; kind < kKindCount; ++kind) {
            auto& entries = entries_[kind];
            entries.reserve(static_cast<std::size_t>(counts[kind]));
            for (int position = 0; position < counts[kind]; ++position) {
                auto e = std::make_unique<TagStore>();
                std::int32_t entryVersion;
                // The message is made only when it is needed: most files are sound.
                auto damaged = [&] { return where(kind, position) + " is damaged or cut short"; };
                if (!in.int32(entryVersion)) return fail(damaged());
                if (entryVersion != 1 && entryVersion != 2) {
                    return fail(where(kind, position) + " has entry version " +
                                std::to_string(entryVersion) + ", not 1 or 2");
                }
                if (!in.int32(e->id) || !in.int32(e->builtinType) || !in.int32(e->categoryOf)) {
                    return fail(damaged());
                }
                if (entryVersion == 1) {
                    if (!e->options.resetTo(5)) throw std::bad_alloc();
                    for (int slot = 0; slot < 5; ++slot) {
                        std::int32_t value;
                        if (!in.int32(value)) return fail(damaged());
                        e->options.set(slot, value);
                    }
                }
                if (!in.string(e->name)) return fail(damaged());
                for (IntStore& list : e->lists) {
                    if (!in.list(list)) return fail(damaged());
                }
                if (entryVersion == 2) {
                    std::int32_t textCount;
                    if (!in.list(e->options) || !in.int32(textCount)) return fail(damaged());
                    // The writer always writes two texts; further ones are read and dropped,
                    // and a negative count reads none.
                    for (std::int32_t i = 0; i < textCount; ++i) {
                        StrStore text;
                        if (!in.string(i < kTextSlots ? e->texts[i] : text)) return fail(damaged());
                    }
                }
                e->formatVersion = entryVersion;
                entries.push_back(std::move(e));
            }
        }

        for (int kind = 0; kind < kKindCount; ++kind) {
            const auto& entries = entries_[kind];
            std::vector<bool> ids(kMaxEntries, false);
            for (int position = 0; position < static_cast<int>(entries.size()); ++position) {
                std::int32_t id = entries[position]->id;
                if (id < 0 || id >= kMaxEntries) {
                    return fail(where(kind, position) + " has the id " + std::to_string(id) +
                                " (ids run from 0 to 998)");
                }
                if (ids[static_cast<std::size_t>(id)]) {
                    return fail(where(kind, position) + " repeats the id " + std::to_string(id));
                }
                ids[static_cast<std::size_t>(id)] = true;
            }
        }
    } catch (const std::bad_alloc&) {
        return fail(std::string(kNoMemoryReason));
    }

    // Files keep each kind in the collation order of the program that wrote them; this
    // program's order decides look-ups here, so each kind is put in it, ids kept.
    for (int kind = 0; kind < kKindCount; ++kind) {
        sortKind(kind);
        rebuildIdMap(kind);
    }
    formatVersion_ = version;
    isSaved_ = 1;
    isLoaded_ = 1;
    fileName_.assign(path);
    return 1;
}

int CfgStore::load(std::FILE* stream, std::string_view path) {
    clear();
    if (stream == nullptr) return 0;
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got;
    try {
        while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) bytes.append(buffer, got);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (std::ferror(stream)) return 0;
    return loadBytes(bytes, path);
}

std::string CfgStore::serialize(int upgrade) const {
    const int version = upgrade ? 2 : formatVersion_;
    ByteWriter out;
    out.int32(version);
    out.int32(isLoaded_);
    out.int32(isSaved_);
    for (const auto& entries : entries_) out.int32(static_cast<std::int32_t>(entries.size()));
    if (version == 2) {
        for (const StrStore& note : notes_) out.string(note.view());
    }
    out.list(activeCategories_);
    for (const IntStore& idMap : idMaps_) out.list(idMap);
    for (const auto& entries : entries_) {
        for (const auto& e : entries) {
            const int entryVersion = upgrade ? 2 : e->formatVersion;
            out.int32(entryVersion);
            out.int32(e->id);
            out.int32(e->builtinType);
            out.int32(e->categoryOf);
            if (entryVersion == 1) {
                for (int slot = 0; slot < 5; ++slot) out.int32(e->options.valueAt(slot));
            }
            out.string(e->name.view());
            for (const IntStore& list : e->lists) out.list(list);
            if (entryVersion != 1) {
                out.list(e->options);
                out.int32(kTextSlots);
                for (const StrStore& text : e->texts) out.string(text.view());
            }
        }
    }
    return out.take();
}

void CfgStore::noteSaved(std::string_view path, int upgrade) {
    if (upgrade) {
        formatVersion_ = 2;
        // Every entry was written in version 2, so that is what it now is on disk.
        for (auto& entries : entries_) {
            for (auto& e : entries) e->formatVersion = 2;
        }
    }
    isSaved_ = 1;
    isLoaded_ = 1;
    fileName_.assign(path);
}

int CfgStore::save(std::FILE* stream, std::string_view path, int upgrade) {
    if (stream == nullptr) return 0;
    std::string bytes;
    try {
        bytes = serialize(upgrade);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) return 0;
    noteSaved(path, upgrade);
    return 1;
}
