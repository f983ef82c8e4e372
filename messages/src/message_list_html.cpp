// The list of every kind of message on the help page, made from the catalogue when the help is
// built, so that it can never be out of date.
#include "messages/catalogue.h"
#include "messages/message_ids.h"

namespace messages {
namespace {

constexpr std::string_view kStartMarker = "<!-- message-list -->";
constexpr std::string_view kEndMarker = "<!-- end of message-list -->";

std::string escaped(std::string_view text) {
    std::string html;
    html.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': html += "&amp;"; break;
            case '<': html += "&lt;"; break;
            case '>': html += "&gt;"; break;
            case '"': html += "&quot;"; break;
            default: html += c; break;
        }
    }
    return html;
}

}  // namespace

std::string messageListHtml() {
    std::string html =
        "<div id=\"message-list\">\n"
        "<table class=\"messages\">\n"
        "<tr><th>Id</th><th>Kind</th><th>Text</th><th>Setting</th></tr>\n";
    for (const CatalogueMessage& message : catalogueMessages()) {
        html += "<tr id=\"" + message.id + "\"><td><code>" + message.id + "</code></td><td>" +
                std::string(typeName(message.type)) + "</td><td>" + escaped(message.text);
        if (message.number == 53) {
            html += "<br>With <code>StrictComments=0</code>: " +
                    escaped(text(Text::Error53, Language::English));
        }
        if (message.number == 85 || message.number == 86) {
            html += " &hellip; (followed by what would have been valid)";
        }
        html += "</td><td>";
        if (message.advice) html += "<code>" + escaped(message.advice->argument()) + "</code>";
        html += "</td></tr>\n";
    }
    html += "</table>\n</div>\n";
    return html;
}

std::optional<std::string> fillMessageList(std::string_view page) {
    const std::size_t start = page.find(kStartMarker);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t afterStart = start + kStartMarker.size();
    const std::size_t end = page.find(kEndMarker, afterStart);
    if (end == std::string_view::npos) return std::nullopt;
    std::string filled(page.substr(0, afterStart));
    filled += "\n";
    filled += messageListHtml();
    filled += page.substr(end);
    return filled;
}

}  // namespace messages
