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
    std::string uri = name.starts_with('/') ? "file://" : "";
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

Json rulesOfCatalogue() {
    Json rules = Json::array();
    for (const CatalogueMessage& message : catalogueMessages()) {
        Json rule = {{"id", message.id},
                     {"shortDescription", {{"text", message.text}}},
                     {"fullDescription", {{"text", message.text}}},
                     {"defaultConfiguration", {{"level", severityName(message.type)}}},
                     {"properties", {{"kind", typeName(message.type)}}}};
        if (message.advice) {
            rule["help"] = {{"text", "Command line: " + message.advice->argument()}};
        }
        rules.push_back(std::move(rule));
    }
    return rules;
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

// The shape of the common result: a rule of the catalogue, a line, no advice.
ValueShape commonResultShape() {
    using L = ValueShape;
    return ValueShape(Json{
        {"ruleId", L::leaf(0)},
        {"ruleIndex", L::leaf(1)},
        {"level", L::leaf(2)},
        {"message", {{"text", L::leaf(3)}}},
        {"locations",
         Json::array({{{"physicalLocation",
                        {{"artifactLocation", {{"uri", L::leaf(4)}}},
                         {"region", {{"startLine", L::leaf(5)}, {"startColumn", L::leaf(6)}}}}}}})}});
}

class SarifWriter : public FindingsWriter {
public:
    void begin(TextOut& out) override {
        Json driver = {{"name", kToolName},
                       {"version", kToolVersion},
                       {"rules", rulesOfCatalogue()}};
        out.write("{\"$schema\":");
        out.write(dump(Json(kSchema)));
        out.write(",\"version\":\"2.1.0\",\"runs\":[{\"tool\":");
        out.write(dump(Json{{"driver", std::move(driver)}}));
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
            Json physical = {{"artifactLocation", {{"uri", uri}}}};
            if (finding.position.line > 0) {
                physical["region"] = {{"startLine", finding.position.line},
                                      {"startColumn", std::max(finding.position.column, 1)}};
            }
            Json result = {{"ruleId", finding.id()}};
            if (index != indexes.end()) result["ruleIndex"] = index->second;
            result["level"] = severityName(finding.type);
            result["message"] = {{"text", std::move(text)}};
            result["locations"] = Json::array({{{"physicalLocation", std::move(physical)}}});
            if (finding.advice) {
                result["properties"] = {{"setting", std::string(finding.advice->setting) + "=" +
                                                        std::string(finding.advice->value)}};
            }
            out.write(first_ ? "\n" : ",\n");
            first_ = false;
            stream.value(result);
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
