// The JSON form: one document for the whole run,
//   {"tool": {...}, "files": [{"name", "bytes", "profile", "profileOptions", "statistics",
//                              "messages": [{"type", "id", "sequence", "line", "column",
//                                            "text", ...}, ...]}, ...]}
// Files follow each other as they are checked, and each message stands on a line of its own,
// so that the whole run never has to be held in memory.
#include "json_forms.h"

namespace messages::detail {
namespace {

Json optionalNumber(const std::optional<int>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json lineOrNull(int line) { return line > 0 ? Json(line) : Json(nullptr); }

Json statisticsOf(const FindingStatistics& statistics) {
    Json silenced = {{"errors", statistics.silenced.errors},
                     {"warnings", statistics.silenced.warnings},
                     {"comments", statistics.silenced.comments},
                     {"messages", statistics.silenced.messages},
                     {"total", statistics.silenced.total()}};
    return {{"linesChecked", statistics.linesChecked},
            {"linesInFile", statistics.linesInFile},
            {"linesIgnored", statistics.linesIgnored},
            {"characterEntities", optionalNumber(statistics.characterEntities)},
            {"tagNames", statistics.tagNames},
            {"closingTags", statistics.closingTags},
            {"serverSections", optionalNumber(statistics.serverSections)},
            {"htmlComments", statistics.htmlComments},
            {"validatorComments", statistics.validatorComments},
            {"messages", statistics.messages},
            {"errors", statistics.errors},
            {"warnings", statistics.warnings},
            {"firstErrorLine", lineOrNull(statistics.firstErrorLine)},
            {"firstWarningLine", lineOrNull(statistics.firstWarningLine)},
            {"stoppedAtLimit", statistics.stoppedAtLimit},
            {"silenced", std::move(silenced)}};
}

Json messageOf(const Finding& finding) {
    Json message = {{"type", typeName(finding.type)},
                    {"id", finding.id()},
                    {"sequence", finding.sequence}};
    if (finding.hasLine) {
        message["line"] = finding.position.line;
        message["column"] = finding.position.column;
    } else {
        // A validator comment has no line; it was occasioned at this place.
        message["line"] = nullptr;
        message["column"] = nullptr;
        if (finding.position.line > 0) {
            message["occasion"] = {{"line", finding.position.line},
                                   {"column", finding.position.column}};
        }
    }
    message["text"] = finding.text;
    if (finding.advice) {
        message["setting"] = {{"name", finding.advice->setting},
                              {"value", finding.advice->value},
                              {"argument", finding.advice->argument()}};
    }
    return message;
}

// The shape of the common message: one with a line and no advice.
bool hasCommonShape(const Finding& finding) { return finding.hasLine && !finding.advice; }

ValueShape commonMessageShape() {
    return ValueShape(Json{{"type", ValueShape::leaf(0)},
                           {"id", ValueShape::leaf(1)},
                           {"sequence", ValueShape::leaf(2)},
                           {"line", ValueShape::leaf(3)},
                           {"column", ValueShape::leaf(4)},
                           {"text", ValueShape::leaf(5)}});
}

class JsonWriter : public FindingsWriter {
public:
    void begin(TextOut& out) override {
        Json tool = {{"name", kToolName}, {"version", kToolVersion}};
        out.write("{\"tool\":");
        out.write(dump(tool));
        out.write(",\"files\":[");
        first_ = true;
    }

    void document(TextOut& out, const DocumentFindings& findings) override {
        Json options = Json::object();
        for (const auto& [name, value] : findings.profileOptions) options[name] = value;
        Json file = {{"name", findings.name},
                     {"bytes", findings.bytes},
                     {"profile", findings.profile.empty() ? Json(nullptr) : Json(findings.profile)},
                     {"profileOptions", std::move(options)},
                     {"statistics", statisticsOf(findings.statistics)},
                     {"messages", ValueShape::leaf(0)}};
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
                stream.value(messageOf(finding));
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
