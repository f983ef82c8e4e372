// Fuzz target: the text form of the HTML Configuration on arbitrary text.
//
// The input is read as a rule text; form feeds (which a text never holds) cut it into several
// texts read in order as one. Whatever the bytes, reading must not crash, and a text that is
// refused must leave the model as after clear, with every mistake on a line of the text it is
// in. A text that is accepted must come back: the model written as text and read again gives
// the same text and the same file bytes, and the file bytes load again to a model that writes
// the same text and the same bytes (the two flag words aside: a load sets them).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_store.h"
#include "config/text_form.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "text_form_fuzz: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) fail(what);
}

void checkCleared(const CfgStore& cfg) {
    for (int kind = 0; kind < config::kKindCount; ++kind) {
        require(cfg.entryCount(kind) == 0 && cfg.idMap(kind).count() == 0,
                "a refused text left entries");
    }
    for (int slot = 0; slot < config::kNoteCount; ++slot) {
        require(cfg.noteView(slot).empty(), "a refused text left notes");
    }
    require(cfg.activeCategoryCount() == 0, "a refused text left active categories");
}

std::string withoutFlagWords(const std::string& file) {
    return file.size() < 12 ? file : file.substr(0, 4) + file.substr(12);
}

std::size_t lineCount(std::string_view text) {
    std::size_t lines = 0;
    for (std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0; start < text.size();
         ++lines) {
        const std::size_t end = text.find('\n', start);
        start = end == std::string_view::npos ? text.size() : end + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<config::TextSource> sources;
    for (std::string_view rest = input;;) {
        const std::size_t cut = rest.find('\f');
        sources.push_back({"part", rest.substr(0, cut)});
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }

    CfgStore cfg;
    cfg.setNotes(0, "before");  // something to clear
    const std::vector<config::TextFormError> errors = config::readTextForm(sources, cfg);
    if (!errors.empty()) {
        checkCleared(cfg);
        for (const config::TextFormError& e : errors) {
            require(!e.message.empty(), "a mistake without a message");
            require(e.source < sources.size(), "a mistake in no text");
            require(e.line >= 0 && static_cast<std::size_t>(e.line) <=
                                       lineCount(sources[e.source].text),
                    "a mistake on a line the text does not have");
        }
        return 0;
    }

    const std::string text = config::writeTextForm(cfg);
    const std::string file = cfg.serialize(0);

    // The text read again.
    CfgStore again;
    if (!config::readTextForm(text, again).empty()) fail("the written text is refused");
    if (config::writeTextForm(again) != text) fail("the written text, read and written, changed");
    if (again.serialize(0) != file) fail("the written text, read again, saves other bytes");

    // The file bytes loaded again.
    CfgStore loaded;
    std::string reason;
    if (loaded.loadBytes(file, "again.cfg", &reason) != 1) fail("the saved bytes do not load");
    if (withoutFlagWords(loaded.serialize(0)) != withoutFlagWords(file)) {
        fail("the saved bytes, loaded and saved, changed");
    }
    loaded.setState(cfg.isLoaded(), cfg.isSaved(), cfg.formatVersion());
    if (config::writeTextForm(loaded) != text) fail("the saved bytes, loaded, write another text");
    return 0;
}
