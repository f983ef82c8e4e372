#include "app/help_topics.h"

#include <array>

#include "config/text_utils.h"

namespace app {
namespace {

constexpr std::array kTopics{
    HelpTopic{"table of contents", "index.html", "table-of-contents"},
    HelpTopic{"tools menu", "tools.html", "tools-menu"},
    HelpTopic{"program options", "options.html", "program-options"},
    HelpTopic{"validator options", "options.html", "validator-options"},
    HelpTopic{"logging options", "options.html", "logging-options"},
    HelpTopic{"drag and drop default tool", "drag-and-drop.html", "drag-and-drop-default-tool"},
    HelpTopic{"tag names editor", "editor.html", "tag-names-editor"},
    HelpTopic{"attributes editor", "editor.html", "attributes-editor"},
    HelpTopic{"attribute values editor", "editor.html", "attribute-values-editor"},
    HelpTopic{"html categories editor", "editor.html", "html-categories-editor"},
    HelpTopic{"character entities editor", "editor.html", "character-entities-editor"},
    HelpTopic{"html configuration notes editor", "editor.html", "html-configuration-notes-editor"},
};

}  // namespace

std::span<const HelpTopic> helpTopics() { return kTopics; }

std::optional<HelpTopic> findHelpTopic(std::string_view keyword) {
    for (const HelpTopic& topic : kTopics) {
        if (text::equalsIgnoreCase(topic.keyword, keyword)) return topic;
    }
    return std::nullopt;
}

}  // namespace app
