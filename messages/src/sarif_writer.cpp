// The SARIF form: a SARIF 2.1.0 log with one run. The tool's rules are the message kinds of
// the catalogue, each with its id and English text; each message is a result of its rule with
// its level and the place of its cause in the document (a validator comment: the place that
// occasioned it). Results follow each other as documents are checked.
#include <algorithm>
#include <unordered_map>

#include "json_forms.h"

namespace messages::detail {
namespace {

constexpr std::string_view kSchema =
    "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/sarif-schema-2.1.0.json";

// A file name as a URI reference: bytes other than letters, digits, "-._~" and "/" are
// percent-encoded; an absolute name becomes a file URI.
std::string artifactUri(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    if (name.starts_with('/')) {
        // "file://" and the path from a single "/": "//x" names what "/x" does.
        uri = "file://";
        const std::size_t path = name.find_first_not_of('/');
        name.remove_prefix(path == std::string_view::npos ? name.size() - 1 : path - 1);
    }
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri;
}

// A catalogue text as a rule's description: each value the message fills in ("%s", "%d") is
// shown as "...", and "%%" as "%".
std::string ruleDescription(std::string_view text) {
    std::string description;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == 's' || text[i + 1] == 'd') {
                description += "...";
                ++i;
                continue;
            }
            if (text[i + 1] == '%') ++i;
        }
        description += text[i];
    }
    return description;
}

void rulesOfCatalogue(JsonText& json) {
    json.open('[');
    for (const CatalogueMessage& message : catalogueMessages()) {
        const std::string description = ruleDescription(message.text);
        json.open('{');
        json.key("id").string(message.id);
        json.key("shortDescription").open('{').key("text").string(description).close('}');
        json.key("fullDescription").open('{').key("text").string(description).close('}');
        json.key("defaultConfiguration").open('{');
        json.key("level").string(severityName(message.type)).close('}');
        json.key("properties").open('{').key("kind").string(typeName(message.type)).close('}');
        if (message.advice) {
            json.key("help").open('{');
            json.key("text").string("Command line: " + message.advice->argument()).close('}');
        }
        json.close('}');
    }
    json.close(']');
}

const std::unordered_map<int, int>& ruleIndexes() {
    static const std::unordered_map<int, int> indexes = [] {
        std::unordered_map<int, int> byNumber;
        const auto& catalogue = catalogueMessages();
        for (std::size_t i = 0; i < catalogue.size(); ++i) {
            byNumber.emplace(catalogue[i].number, static_cast<int>(i));
        }
        return byNumber;
    }();
    return indexes;
}

// The locations of a result: the document and, when the result has one, its line and column.
void location(JsonText& json, const std::string& uri, int line, int column) {
    json.open('[').open('{').key("physicalLocation").open('{');
    json.key("artifactLocation").open('{').key("uri").string(uri).close('}');
    if (line > 0) {
        json.key("region").open('{');
        json.key("startLine").integer(line).key("startColumn").integer(column).close('}');
    }
    json.close('}').close('}').close(']');
}

// The shape of the common result: a rule of the catalogue, a line, no advice.
ValueShape commonResultShape() {
    using L = ValueShape;
    JsonText shape;
    shape.open('{');
    shape.key("ruleId").string(L::leaf(0));
    shape.key("ruleIndex").string(L::leaf(1));
    shape.key("level").string(L::leaf(2));
    shape.key("message").open('{').key("text").string(L::leaf(3)).close('}');
    shape.key("locations").open('[').open('{').key("physicalLocation").open('{');
    shape.key("artifactLocation").open('{').key("uri").string(L::leaf(4)).close('}');
    shape.key("region").open('{');
    shape.key("startLine").string(L::leaf(5)).key("startColumn").string(L::leaf(6));
    shape.close('}').close('}').close('}').close(']');
    shape.close('}');
    return ValueShape(shape);
}

class SarifWriter : public FindingsWriter {
public:
    void begin(TextOut& out) override {
        JsonText tool;
        tool.open('{').key("driver").open('{');
        tool.key("name").string(kToolName).key("version").string(kToolVersion);
        rulesOfCatalogue(tool.key("rules"));
        tool.close('}').close('}');
        out.write("{\"$schema\":");
        out.write(JsonText().string(kSchema).text());
        out.write(",\"version\":\"2.1.0\",\"runs\":[{\"tool\":");
        out.write(tool.text());
        out.write(",\"results\":[");
        first_ = true;
    }

    void document(TextOut& out, const DocumentFindings& findings) override {
        const std::string uri = artifactUri(findings.name);
        const auto& indexes = ruleIndexes();
        JsonStream stream(out);
        for (const Finding& finding : findings.findings) {
            const auto index = indexes.find(finding.number);
            if (index != indexes.end() && finding.position.line > 0 && !finding.advice) {
                out.write(first_ ? "\n" : ",\n");
                first_ = false;
                ShapedValue(common_, stream)
                    .string(catalogueMessages()[static_cast<std::size_t>(index->second)].id)
                    .integer(index->second)
                    .string(severityName(finding.type))
                    .string(finding.text)
                    .string(uri)
                    .integer(finding.position.line)
                    .integer(std::max(finding.position.column, 1));
                continue;
            }
            std::string text = finding.text;
            if (finding.advice) text += " (" + finding.advice->argument() + ")";
            JsonText result;
            result.open('{').key("ruleId").string(finding.id());
            if (index != indexes.end()) result.key("ruleIndex").integer(index->second);
            result.key("level").string(severityName(finding.type));
            result.key("message").open('{').key("text").string(text).close('}');
            location(result.key("locations"), uri, finding.position.line,
                     std::max(finding.position.column, 1));
            if (finding.advice) {
                result.key("properties").open('{');
                result.key("setting").string(std::string(finding.advice->setting) + "=" +
                                             std::string(finding.advice->value));
                result.close('}');
            }
            result.close('}');
            out.write(first_ ? "\n" : ",\n");
            first_ = false;
            out.write(result.text());
        }
    }

    void end(TextOut& out) override { out.write(first_ ? "]}]}\n" : "\n]}]}\n"); }

private:
    bool first_ = true;
    ValueShape common_ = commonResultShape();
};

}  // namespace

std::unique_ptr<FindingsWriter> makeSarifWriter() { return std::make_unique<SarifWriter>(); }

}  // namespace messages::detail
