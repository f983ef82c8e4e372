// The gnu form, and the choice of a writer.
#include "messages/findings_writer.h"

#include <algorithm>

#include "json_forms.h"
#include "messages/terminal_colour.h"

namespace messages {
namespace {

std::string_view colourOf(MessageType type) {
    switch (type) {
        case MessageType::Error: return colour::kError;
        case MessageType::Warning: return colour::kWarning;
        case MessageType::Comment:
        case MessageType::Message: break;
    }
    return colour::kNote;
}

// FILE:LINE:COL: SEVERITY: TEXT [ID], one line a message and nothing else. Validator comments
// and configuration messages are notes; a comment stands at the place that occasioned it, and
// its advice names the setting that does what it says.
class GnuWriter : public FindingsWriter {
public:
    explicit GnuWriter(WriterSettings settings) : settings_(settings) {}

    void begin(TextOut&) override {}
    void end(TextOut&) override {}

    void document(TextOut& out, const DocumentFindings& findings) override {
        const std::string name = escapeControlCharacters(findings.name);
        std::string line;
        for (const Finding& finding : findings.findings) {
            line.clear();
            line += name;
            line += ':';
            line += std::to_string(finding.position.line);
            line += ':';
            line += std::to_string(std::max(finding.position.column, 1));
            line += ": ";
            const std::string_view severity = severityName(finding.type);
            const std::string id = finding.id();
            if (settings_.colour) line += colourOf(finding.type);
            line += severity;
            line += ':';
            if (settings_.colour) line += colour::kReset;
            line += ' ';
            line += oneLine(finding.text);
            if (finding.advice) {
                line += " (";
                line += finding.advice->argument();
                line += ')';
            }
            line += " [";
            if (settings_.colour) line += colourOf(finding.type);
            line += id;
            if (settings_.colour) line += colour::kReset;
            line += "]\n";
            out.write(line);
        }
    }

private:
    WriterSettings settings_;
};

}  // namespace

std::optional<FindingsFormat> parseFindingsFormat(std::string_view name) {
    if (name == "gnu") return FindingsFormat::Gnu;
    if (name == "json") return FindingsFormat::Json;
    if (name == "sarif") return FindingsFormat::Sarif;
    return std::nullopt;
}

std::unique_ptr<FindingsWriter> makeFindingsWriter(FindingsFormat format,
                                                   WriterSettings settings) {
    switch (format) {
        case FindingsFormat::Gnu: return std::make_unique<GnuWriter>(settings);
        case FindingsFormat::Json: return detail::makeJsonWriter();
        case FindingsFormat::Sarif: return detail::makeSarifWriter();
    }
    return nullptr;
}

}  // namespace messages
