// The state of one validation run, shared by the scanner, the tag handling and the entity
// check. Everything here is reset at the start of a run.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "options/options.h"
#include "config/cfg_store.h"
#include "config/document_lines.h"
#include "messages/message_store.h"
#include "messages/report.h"
#include "id_lines.h"
#include "open_tags.h"
#include "tag_text_map.h"
#include "platform/heap.h"
#include "platform/ui.h"

namespace engine {

// The text of a tag that stands on several lines or has blocks collapsed.
using TagText = std::basic_string<char, std::char_traits<char>, platform::RoomAllocator<char>>;

// Ignore to closing tag: while active only the matching closing tag is dispatched.
struct IgnoreState {
    bool active = false;
    std::string name;   // the tag name as written in the HTML Configuration
    int tagLine = 0;    // the tag line of the tag that started it
    int startLine = 0;  // the current line when it started
};

struct RunState {
    RunState(const options::Options& options, messages::MessageStore& store,
             const CfgStore* configuration)
        : options(options), store(store), configuration(configuration) {}

    void reset() {
        lines = {};
        counters = {};
        document.clear();
        tagView = {};
        tagText.clear();
        tagText.shrink_to_fit();
        ignore = {};
        openTags.clear();
        lastStrayQuoteLine = 0;
        categoryActivity.clear();
        idLines.clear();
    }

    // The place in the document of the character at `offset` of the tag text.
    messages::Position inTag(std::size_t offset) const { return tagMap.position(offset); }
    // The place of the character at `index` of the current line.
    messages::Position onCurrentLine(std::size_t index) const {
        return {lines.current, static_cast<std::int32_t>(index + 1)};
    }

    // Whether entries of a category take part: computed once a run starts.
    enum class Activity : char { Inactive, Active, Undefined };
    void computeCategoryActivity() {
        categoryActivity.assign(config::kMaxEntries, Activity::Inactive);
        if (configuration == nullptr) return;
        const CfgStore& cfg = *configuration;
        for (int p = 0; p < cfg.entryCount(Category); ++p) {
            const int id = cfg.entryId(Category, ByPosition, p);
            const int type = cfg.builtinType(Category, ByPosition, p);
            if (type == config::kBuiltinAll) {
                categoryActivity[id] = Activity::Active;
            } else if (type == config::kBuiltinUndefined) {
                categoryActivity[id] = Activity::Undefined;
            } else if (cfg.isCategoryActive(id)) {
                categoryActivity[id] = Activity::Active;
            }
        }
        // An id in the active list takes part also where no category has it (a file may keep
        // such an id): the entries assigned to it are active.
        for (int id : cfg.activeCategories().values()) {
            if (id >= 0 && id < config::kMaxEntries && cfg.positionOf(Category, id) < 0) {
                categoryActivity[static_cast<std::size_t>(id)] = Activity::Active;
            }
        }
    }
    // The activity of an entry's category; an id neither a category nor in the active list is
    // inactive.
    Activity activityOf(int kind, int id) const {
        const int category = configuration->categoryOf(kind, ById, id);
        if (category < 0 || category >= static_cast<int>(categoryActivity.size())) {
            return Activity::Inactive;
        }
        return categoryActivity[static_cast<std::size_t>(category)];
    }

    const options::Options& options;
    messages::MessageStore& store;
    const CfgStore* configuration;  // null: only what needs no configuration is checked
    messages::LineRefs lines;  // the current line and the tag line, read by every raise
    messages::RunCounters counters;
    DocumentLines document;
    // The text between `<` and `>` of the tag in hand: a view of its line when it stands on
    // one line, else of tagText, where the lines of a tag are joined and its blocks collapsed.
    std::string_view tagView;
    // Set by the scanner when it knows the tag text holds no block to collapse (no "<", no
    // Miva macro, no quoted text it did not look into).
    bool tagWithoutBlocks = false;
    // Set by the scanner when the tag is a bare name ("td", "/td") of ASCII letters and digits,
    // read while not ignoring: nothing about its form needs looking at.
    bool bareTag = false;
    // Whether the run takes the shortcuts for bare tags, plain tags and tags met before
    // (RunContext::shortcuts).
    bool shortcuts = true;
    // Reserved for the whole document, apart from the heap: written only by tags that need it.
    TagText tagText;
    TagTextMap tagMap;    // where each character of tagText stands in the document
    IgnoreState ignore;
    OpenTagStack openTags{document};
    int lastStrayQuoteLine = 0;
    std::vector<Activity> categoryActivity;
    // Every id value given in the document, with the line of the tag that gave it first.
    IdLines idLines;
    platform::UserInterface* owner = nullptr;  // owns the message boxes of the run
};

}  // namespace engine
