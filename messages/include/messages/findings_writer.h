// The forms of a run's findings for editors and CI services, each fed the documents of a run
// in order:
//   gnu    one line per message, FILE:LINE:COL: error|warning|note: TEXT [ID], as compilers
//          write them, for vim's quickfix list, Emacs' compilation mode and problem matchers;
//   json   one JSON document for the whole run: per file its name, statistics and messages;
//   sarif  one SARIF 2.1.0 log with one run: the message kinds as rules, the messages as
//          results with their places, for code-scanning services.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "messages/findings.h"
#include "messages/text_out.h"

namespace messages {

enum class FindingsFormat { Gnu, Json, Sarif };

// "gnu", "json" or "sarif".
std::optional<FindingsFormat> parseFindingsFormat(std::string_view name);

struct WriterSettings {
    bool colour = false;  // terminal colours for the severity and the id (gnu only)
};

class FindingsWriter {
public:
    virtual ~FindingsWriter() = default;
    // Before the first document, and after the last: the run's frame (nothing for gnu).
    virtual void begin(TextOut& out) = 0;
    virtual void document(TextOut& out, const DocumentFindings& findings) = 0;
    virtual void end(TextOut& out) = 0;
};

std::unique_ptr<FindingsWriter> makeFindingsWriter(FindingsFormat format,
                                                   WriterSettings settings = {});

}  // namespace messages
