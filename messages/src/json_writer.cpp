// The JSON form: one document for the whole run,
//   {"tool": {...}, "files": [{"name", "bytes", "profile", "profileOptions", "statistics",
//                              "messages": [{"type", "id", "sequence", "line", "column",
//                                            "text", ...}, ...]}, ...]}
// Files follow each other as they are checked, and each message stands on a line of its own,
// so that the whole run never has to be held in memory.
#include "json_forms.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace messages::detail {
namespace {

void optionalNumber(JsonText& json, const std::optional<int>& value) {
    if (value) {
        json.integer(*value);
    } else {
        json.null();
    }
}

void lineOrNull(JsonText& json, int line) {
    if (line > 0) {
        json.integer(line);
    } else {
        json.null();
    }
}

void statisticsOf(JsonText& json, const FindingStatistics& statistics) {
    json.open('{');
    json.key("linesChecked").integer(statistics.linesChecked);
    json.key("linesInFile").integer(statistics.linesInFile);
    json.key("linesIgnored").integer(statistics.linesIgnored);
    optionalNumber(json.key("characterEntities"), statistics.characterEntities);
    json.key("tagNames").integer(statistics.tagNames);
    json.key("closingTags").integer(statistics.closingTags);
    optionalNumber(json.key("serverSections"), statistics.serverSections);
    json.key("htmlComments").integer(statistics.htmlComments);
    json.key("validatorComments").integer(statistics.validatorComments);
    json.key("messages").integer(statistics.messages);
    json.key("errors").integer(statistics.errors);
    json.key("warnings").integer(statistics.warnings);
    lineOrNull(json.key("firstErrorLine"), statistics.firstErrorLine);
    lineOrNull(json.key("firstWarningLine"), statistics.firstWarningLine);
    json.key("stoppedAtLimit").boolean(statistics.stoppedAtLimit);
    json.key("silenced").open('{');
    json.key("errors").integer(statistics.silenced.errors);
    json.key("warnings").integer(statistics.silenced.warnings);
    json.key("comments").integer(statistics.silenced.comments);
    json.key("messages").integer(statistics.silenced.messages);
    json.key("total").integer(statistics.silenced.total());
    json.close('}').close('}');
}

std::string messageOf(const Finding& finding) {
    JsonText json;
    json.open('{');
    json.key("type").string(typeName(finding.type));
    json.key("id").string(finding.id());
    json.key("sequence").integer(finding.sequence);
    if (finding.hasLine) {
        json.key("line").integer(finding.position.line);
        json.key("column").integer(finding.position.column);
    } else {
        // A validator comment has no line; it was occasioned at this place.
        json.key("line").null();
        json.key("column").null();
        if (finding.position.line > 0) {
            json.key("occasion").open('{');
            json.key("line").integer(finding.position.line);
            json.key("column").integer(finding.position.column);
            json.close('}');
        }
    }
    json.key("text").string(finding.text);
    if (finding.advice) {
        json.key("setting").open('{');
        json.key("name").string(finding.advice->setting);
        json.key("value").string(finding.advice->value);
        json.key("argument").string(finding.advice->argument());
        json.close('}');
    }
    json.close('}');
    return json.text();
}

// The shape of the common message: one with a line and no advice.
bool hasCommonShape(const Finding& finding) { return finding.hasLine && !finding.advice; }

ValueShape commonMessageShape() {
    JsonText shape;
    shape.open('{');
    shape.key("type").string(ValueShape::leaf(0));
    shape.key("id").string(ValueShape::leaf(1));
    shape.key("sequence").string(ValueShape::leaf(2));
    shape.key("line").string(ValueShape::leaf(3));
    shape.key("column").string(ValueShape::leaf(4));
    shape.key("text").string(ValueShape::leaf(5));
    shape.close('}');
    return ValueShape(shape);
}

class JsonWriter : public FindingsWriter {
public:
    void begin(TextOut& out) override {
        JsonText tool;
        tool.open('{').key("name").string(kToolName).key("version").string(kToolVersion);
        tool.close('}');
        out.write("{\"tool\":");
        out.write(tool.text());
        out.write(",\"files\":[");
        first_ = true;
    }

    void document(TextOut& out, const DocumentFindings& findings) override {
        // An option given twice keeps its first place and takes its last value.
        std::vector<std::pair<std::string_view, std::string_view>> options;
        for (const auto& [name, value] : findings.profileOptions) {
            // The binding is captured through a reference of its own: clang before 16 cannot
            // capture a structured binding.
            const auto given =
                std::find_if(options.begin(), options.end(),
                             [&name = name](const auto& option) { return option.first == name; });
            if (given != options.end()) {
                given->second = value;
            } else {
                options.emplace_back(name, value);
            }
        }
        JsonText file;
        file.open('{');
        file.key("name").string(findings.name);
        file.key("bytes").integer(findings.bytes);
        file.key("profile");
        if (findings.profile.empty()) {
            file.null();
        } else {
            file.string(findings.profile);
        }
        file.key("profileOptions").open('{');
        for (const auto& [name, value] : options) file.key(name).string(value);
        file.close('}');
        statisticsOf(file.key("statistics"), findings.statistics);
        file.key("messages").string(ValueShape::leaf(0));
        file.close('}');
        // The file's object around its messages, which follow one to a line.
        const ValueShape around(file);
        out.write(first_ ? "\n" : ",\n");
        first_ = false;
        out.write(around.piece(0));
        out.write("[");
        bool firstMessage = true;
        JsonStream stream(out);
        for (const Finding& finding : findings.findings) {
            out.write(firstMessage ? "\n" : ",\n");
            firstMessage = false;
            if (hasCommonShape(finding)) {
                ShapedValue(common_, stream)
                    .string(typeName(finding.type))
                    .string(finding.id())
                    .integer(finding.sequence)
                    .integer(finding.position.line)
                    .integer(finding.position.column)
                    .string(finding.text);
            } else {
                out.write(messageOf(finding));
            }
        }
        out.write(firstMessage ? "]" : "\n]");
        out.write(around.piece(1));
    }

    void end(TextOut& out) override { out.write(first_ ? "]}\n" : "\n]}\n"); }

private:
    bool first_ = true;
    ValueShape common_ = commonMessageShape();
};

}  // namespace

std::unique_ptr<FindingsWriter> makeJsonWriter() { return std::make_unique<JsonWriter>(); }

}  // namespace messages::detail
