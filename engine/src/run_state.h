// The state of one validation run, shared by the scanner, the tag handling and the entity
// check. Everything here is reset at the start of a run.
#pragma once

#include <string>

#include "app/options.h"
#include "config/cfg_store.h"
#include "config/document_lines.h"
#include "messages/message_store.h"
#include "messages/report.h"
#include "open_tags.h"

namespace engine {

// Ignore to closing tag: while active only the matching closing tag is dispatched.
struct IgnoreState {
    bool active = false;
    std::string name;   // the tag name as written in the HTML Configuration
    int tagLine = 0;    // the tag line of the tag that started it
    int startLine = 0;  // the current line when it started
};

struct RunState {
    RunState(const app::Options& options, messages::MessageStore& store,
             const CfgStore* configuration)
        : options(options), store(store), configuration(configuration) {}

    void reset() {
        lines = {};
        counters = {};
        document.clear();
        tagText.clear();
        tagText.shrink_to_fit();
        ignore = {};
        openTags.clear();
        lastStrayQuoteLine = 0;
    }

    const app::Options& options;
    messages::MessageStore& store;
    const CfgStore* configuration;  // null: only what needs no configuration is checked
    messages::LineRefs lines;  // the current line and the tag line, read by every raise
    messages::RunCounters counters;
    DocumentLines document;
    std::string tagText;  // the text between `<` and `>` of the tag being collected
    IgnoreState ignore;
    OpenTagStack openTags;
    int lastStrayQuoteLine = 0;
};

}  // namespace engine
